// The settings store through Wine's real registry.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/errors.h"
#include "common/win32/win32_registry.h"
#include "common/win32/win32_system_text.h"
#include "config_editor/settings_u.h"
#include "tests/wine/wine_test_support.h"

namespace {

constexpr const char* kKey = "SOFTWARE\\Corvanti\\RORIVuzuice";

using wine_test::RawValue;

RawValue ReadRaw(const char* name) {
  return wine_test::ReadRaw(HKEY_LOCAL_MACHINE, kKey, name);
}

void WriteRaw(const char* name, DWORD type, const std::vector<BYTE>& data) {
  const auto key = wine_test::CreateRaw(HKEY_LOCAL_MACHINE, kKey);
  ASSERT_NE(key, nullptr);
  RegSetValueExA(key.get(), name, 0, type, data.data(), static_cast<DWORD>(data.size()));
}

class SettingsInRegistry : public ::testing::Test {
 protected:
  void SetUp() override { wine_test::DeleteTreeRaw(HKEY_LOCAL_MACHINE, kKey); }
  void TearDown() override { wine_test::DeleteTreeRaw(HKEY_LOCAL_MACHINE, kKey); }

  common::win32::Win32Registry registry;
  common::win32::Win32SystemText texts;
};

TEST_F(SettingsInRegistry, SaveIntoAnAbsentKeyThenLoadGivesTheRecordBackWhole) {
  palvex::TTFTPSettings saved;
  saved.TFTPRoot = "C:\\tftp root";
  saved.TFTPPort = 69;
  saved.WriteLog = true;
  saved.LogDirectory = "C:\\logs";
  saved.LogFileCount = 0;
  saved.DefaultRights = 3;
  saved.HostList = {{"192.0.2.7", "255.255.255.255", 1}, {"198.51.100.0", "255.255.255.0", 3}};
  saved.TFTPTimeout = 180;
  saved.OpTSize = false;
  saved.FWMinPort = 2000;
  saved.LogLevel = -1;
  saved.LocalTime = true;
  palvex::SaveSettings(registry, saved, texts);

  palvex::TTFTPSettings loaded;
  palvex::LoadSettings(registry, loaded);
  EXPECT_EQ(loaded, saved);
}

TEST_F(SettingsInRegistry, RawValuesHaveTheirRegistryTypesAndBytes) {
  palvex::TTFTPSettings settings;  // defaults: empty texts, empty rule list
  palvex::SaveSettings(registry, settings, texts);

  const char* textValues[] = {"TFTPRoot", "LogDirectory", "DefaultRights", "HostList"};
  for (const char* name : textValues)
    EXPECT_EQ(ReadRaw(name).type, static_cast<DWORD>(REG_SZ)) << name;
  EXPECT_EQ(ReadRaw("HostList").data, (std::vector<BYTE>{0}));
  EXPECT_EQ(ReadRaw("DefaultRights").data, (std::vector<BYTE>{'N', 'A', 0}));

  const char* numbers[] = {"TFTPPort",    "WriteLog", "HighPriority",   "LogFileCount",
                           "TFTPTimeout", "TFTPRetr", "AllowOverwrite", "OpTimeout",
                           "OpBlocksize", "OpTSize",  "FWEnabled",      "FWMinPort",
                           "FWMaxPort",   "LogLevel", "LocalTime"};
  for (const char* name : numbers) {
    const RawValue v = ReadRaw(name);
    EXPECT_EQ(v.rc, ERROR_SUCCESS) << name;
    EXPECT_EQ(v.type, static_cast<DWORD>(REG_DWORD)) << name;
    EXPECT_EQ(v.data.size(), 4u) << name;
  }
  EXPECT_EQ(ReadRaw("OpTimeout").data, (std::vector<BYTE>{1, 0, 0, 0}));
  EXPECT_EQ(ReadRaw("WriteLog").data, (std::vector<BYTE>{0, 0, 0, 0}));
  EXPECT_EQ(ReadRaw("FWMaxPort").data, (std::vector<BYTE>{0xFF, 0xFF, 0, 0}));
}

TEST_F(SettingsInRegistry, HandWrittenValuesOfTheWrongTypeGiveTheirErrors) {
  struct Case {
    const char* name;
    DWORD type;
    std::vector<BYTE> data;
    const char* message;
  } cases[] = {
      {"TFTPRoot", REG_DWORD, {1, 0, 0, 0}, "Invalid data type for 'TFTPRoot'"},
      {"TFTPPort", REG_BINARY, {69, 0, 0, 0}, "Invalid data type for 'TFTPPort'"},
      {"TFTPPort", REG_QWORD, {69, 0, 0, 0, 0, 0, 0, 0}, "Failed to get data for 'TFTPPort'"},
      {"LogLevel", REG_DWORD, {8, 0, 0, 0}, "List index out of bounds (8)"},
  };
  for (const Case& c : cases) {
    palvex::SaveSettings(registry, palvex::TTFTPSettings{}, texts);
    WriteRaw(c.name, c.type, c.data);
    palvex::TTFTPSettings loaded;
    try {
      palvex::LoadSettings(registry, loaded);
      ADD_FAILURE() << "no error for " << c.name;
    } catch (const common::Exception& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
}

TEST_F(SettingsInRegistry, AKeyHoldingOnlyTheRootLoadsItAndReportsTheMissingPort) {
  WriteRaw("TFTPRoot", REG_SZ, {'x', 0});
  palvex::TTFTPSettings loaded;
  EXPECT_THROW(palvex::LoadSettings(registry, loaded), common::ERegistryException);
  EXPECT_EQ(loaded.TFTPRoot, "x");
  EXPECT_EQ(loaded.TFTPPort, 1);
}

}  // namespace
