// The registry adapter against Wine's real registry.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/win32/win32_registry.h"
#include "common/win32/win32_system_text.h"
#include "tests/wine/wine_test_support.h"

namespace {

using common::RegRoot;
using common::win32::Win32Registry;

constexpr const char* kScratch = "SOFTWARE\\WineTests\\Scratch";

// Reads a value with the raw API, to check what the adapter wrote.
using wine_test::RawValue;
using wine_test::ReadRaw;

class RegistryAdapter : public ::testing::Test {
 protected:
  void TearDown() override {
    for (REGSAM view : {wine_test::kView32, wine_test::kView64})
      wine_test::DeleteTreeRaw(HKEY_LOCAL_MACHINE, "SOFTWARE\\WineTests", view);
  }
  Win32Registry registry;
};

TEST_F(RegistryAdapter, OpenForReadingNeverCreatesAndReportsTheSystemCode) {
  auto opened = registry.OpenRead(RegRoot::LocalMachine, kScratch);
  EXPECT_EQ(opened.key, nullptr);
  EXPECT_EQ(opened.error, static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(ReadRaw(HKEY_LOCAL_MACHINE, kScratch, "x").rc, ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryAdapter, OpenForWritingCreatesParentsAndValuesKeepTheirTypeAndBytes) {
  {
    auto opened = registry.OpenWrite(RegRoot::LocalMachine, kScratch);
    ASSERT_NE(opened.key, nullptr) << opened.error;
    EXPECT_TRUE(opened.key->Set("Text", common::kRegSz, common::RegSzBytes("abc")));
    EXPECT_TRUE(opened.key->Set("Number", common::kRegDword, common::RegDwordBytes(-1)));
    EXPECT_TRUE(opened.key->Set("Empty", common::kRegSz, common::RegSzBytes("")));
  }
  const RawValue text = ReadRaw(HKEY_LOCAL_MACHINE, kScratch, "Text");
  EXPECT_EQ(text.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(text.data, (std::vector<BYTE>{'a', 'b', 'c', 0}));
  const RawValue empty = ReadRaw(HKEY_LOCAL_MACHINE, kScratch, "Empty");
  EXPECT_EQ(empty.data, (std::vector<BYTE>{0}));
  const RawValue number = ReadRaw(HKEY_LOCAL_MACHINE, kScratch, "Number");
  EXPECT_EQ(number.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(number.data, (std::vector<BYTE>{0xFF, 0xFF, 0xFF, 0xFF}));

  auto reader = registry.OpenRead(RegRoot::LocalMachine, kScratch);
  ASSERT_NE(reader.key, nullptr);
  auto value = reader.key->Query("Number");
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->type, common::kRegDword);
  EXPECT_EQ(value->data.size(), 4u);
  EXPECT_FALSE(reader.key->Query("Missing").has_value());
  auto names = reader.key->ValueNames();
  std::sort(names.begin(), names.end());  // Wine enumerates by name, Windows by creation
  EXPECT_EQ(names, (std::vector<std::string>{"Empty", "Number", "Text"}));
}

// 32-bit peers keep their machine keys in the 32-bit view: the adapter reads
// and writes there and never in the 64-bit view.
TEST_F(RegistryAdapter, MachineKeysLiveInThe32BitView) {
  ASSERT_EQ(
      wine_test::WriteRawString(HKEY_LOCAL_MACHINE, kScratch, "Peer", "32", wine_test::kView32),
      ERROR_SUCCESS);
  ASSERT_EQ(wine_test::WriteRawString(HKEY_LOCAL_MACHINE, "SOFTWARE\\WineTests\\Only64", "Peer",
                                      "64", wine_test::kView64),
            ERROR_SUCCESS);
  auto reader = registry.OpenRead(RegRoot::LocalMachine, kScratch);
  ASSERT_NE(reader.key, nullptr);
  EXPECT_TRUE(reader.key->Query("Peer").has_value());
  EXPECT_EQ(registry.OpenRead(RegRoot::LocalMachine, "SOFTWARE\\WineTests\\Only64").key, nullptr);

  auto writer = registry.OpenWrite(RegRoot::LocalMachine, "SOFTWARE\\WineTests\\Written");
  ASSERT_NE(writer.key, nullptr);
  ASSERT_TRUE(writer.key->Set("Text", common::kRegSz, common::RegSzBytes("abc")));
  EXPECT_EQ(ReadRaw(HKEY_LOCAL_MACHINE, "SOFTWARE\\Wow6432Node\\WineTests\\Written", "Text",
                    wine_test::kView64)
                .data,
            (std::vector<BYTE>{'a', 'b', 'c', 0}));
  EXPECT_EQ(
      ReadRaw(HKEY_LOCAL_MACHINE, "SOFTWARE\\WineTests\\Written", "Text", wine_test::kView64).rc,
      ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryAdapter, LeadingBackslashNamesTheHiveRoot) {
  ASSERT_NE(registry.OpenWrite(RegRoot::CurrentUser, "\\SOFTWARE\\WineTests\\User").key, nullptr);
  EXPECT_NE(registry.OpenRead(RegRoot::CurrentUser, "\\SOFTWARE\\WineTests\\User").key, nullptr);
  EXPECT_NE(registry.OpenRead(RegRoot::CurrentUser, "SOFTWARE\\WineTests\\User").key, nullptr);
  RegDeleteTreeA(HKEY_CURRENT_USER, "SOFTWARE\\WineTests");
}

TEST(SystemTextAdapter, KnownCodesHaveTrimmedTextUnknownCodesNone) {
  common::win32::Win32SystemText texts;
  const std::string denied = common::SystemErrorText(texts, ERROR_ACCESS_DENIED);
  EXPECT_FALSE(denied.empty());
  EXPECT_NE(denied.back(), '.');
  EXPECT_GT(static_cast<unsigned char>(denied.back()), 32);
  EXPECT_EQ(common::SystemErrorText(texts, 0x2FFFFFFF), "");
}

}  // namespace
