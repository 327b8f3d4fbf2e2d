#include "config_editor/settings_u.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "common/errors.h"
#include "doubles/memory_registry.h"

namespace palvex {
void PrintTo(const TTFTPSettings& s, std::ostream* os) {
  *os << "{TFTPRoot '" << s.TFTPRoot << "', TFTPPort " << s.TFTPPort << ", WriteLog " << s.WriteLog
      << ", HighPriority " << s.HighPriority << ", LogDirectory '" << s.LogDirectory
      << "', LogFileCount " << s.LogFileCount << ", DefaultRights " << s.DefaultRights
      << ", HostList '" << SaveHosts(s.HostList) << "', TFTPTimeout " << s.TFTPTimeout
      << ", TFTPRetr " << s.TFTPRetr << ", AllowOverwrite " << s.AllowOverwrite << ", OpTimeout "
      << s.OpTimeout << ", OpBlocksize " << s.OpBlocksize << ", OpTSize " << s.OpTSize
      << ", FWEnabled " << s.FWEnabled << ", FWMinPort " << s.FWMinPort << ", FWMaxPort "
      << s.FWMaxPort << ", LogLevel " << s.LogLevel << ", LocalTime " << s.LocalTime << "}";
}
}  // namespace palvex

namespace {

using common::RegRoot;
using common::RegValue;
using palvex::TTFTPSettings;
using Bytes = std::vector<std::uint8_t>;

constexpr RegRoot kRoot = RegRoot::LocalMachine;
constexpr const char* kKey = "SOFTWARE\\Corvanti\\RORIVuzuice";
constexpr std::uint32_t kRegDwordBigEndian = 5;
constexpr std::uint32_t kRegQword = 11;

class FixedTexts : public common::ISystemText {
 public:
  std::string RawMessage(std::uint32_t code) const override {
    return code == doubles::kErrorAccessDenied ? "Access denied.\r\n" : "";
  }
};

Bytes Dword(std::uint32_t n) {
  return {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
          static_cast<std::uint8_t>(n >> 16), static_cast<std::uint8_t>(n >> 24)};
}
// REG_SZ data: the text's bytes and a NUL.
Bytes Sz(std::string_view text) {
  Bytes bytes(text.begin(), text.end());
  bytes.push_back(0);
  return bytes;
}

// A key as the service's installer might leave it, every value differing from
// the record's default, with the record it loads as.
const char* const kStoredHostList =
    "[192.0.2.7, 255.255.255.255, RW], [198.51.100.0, 255.255.255.0, W]";

const std::vector<std::pair<std::string, RegValue>> kStoredKey = {
    {"TFTPRoot", {common::kRegSz, Sz("C:\\tftp")}},
    {"TFTPPort", {common::kRegDword, Dword(69)}},
    {"WriteLog", {common::kRegDword, Dword(1)}},
    {"HighPriority", {common::kRegDword, Dword(1)}},
    {"LogDirectory", {common::kRegSz, Sz("C:\\logs")}},
    {"LogFileCount", {common::kRegDword, Dword(10)}},
    {"DefaultRights", {common::kRegSz, Sz("R")}},
    {"HostList", {common::kRegSz, Sz(kStoredHostList)}},
    {"TFTPTimeout", {common::kRegDword, Dword(10)}},
    {"TFTPRetr", {common::kRegDword, Dword(7)}},
    {"AllowOverwrite", {common::kRegDword, Dword(1)}},
    {"OpTimeout", {common::kRegDword, Dword(0)}},
    {"OpBlocksize", {common::kRegDword, Dword(0)}},
    {"OpTSize", {common::kRegDword, Dword(0)}},
    {"FWEnabled", {common::kRegDword, Dword(0)}},
    {"FWMinPort", {common::kRegDword, Dword(2000)}},
    {"FWMaxPort", {common::kRegDword, Dword(3000)}},
    {"LogLevel", {common::kRegDword, Dword(7)}},
    {"LocalTime", {common::kRegDword, Dword(1)}},
};

TTFTPSettings StoredRecord() {
  TTFTPSettings s;
  s.TFTPRoot = "C:\\tftp";
  s.TFTPPort = 69;
  s.WriteLog = true;
  s.HighPriority = true;
  s.LogDirectory = "C:\\logs";
  s.LogFileCount = 10;
  s.DefaultRights = 1;
  s.HostList = {{"192.0.2.7", "255.255.255.255", 3}, {"198.51.100.0", "255.255.255.0", 2}};
  s.TFTPTimeout = 10;
  s.TFTPRetr = 7;
  s.AllowOverwrite = true;
  s.OpTimeout = false;
  s.OpBlocksize = false;
  s.OpTSize = false;
  s.FWEnabled = false;
  s.FWMinPort = 2000;
  s.FWMaxPort = 3000;
  s.LogLevel = 7;
  s.LocalTime = true;
  return s;
}

// What a load raised: the kind of error and its text.
struct Raised {
  std::string kind;
  std::string message;
  bool operator==(const Raised&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Raised& r) {
  return os << r.kind << ": " << r.message;
}

class SettingsStore : public ::testing::Test {
 protected:
  // Every procedure closes what it opened, also when it raises.
  void TearDown() override { EXPECT_EQ(registry().OpenKeys(), 0); }

  // The stored key, without the value named `except`.
  void PutStoredKey(std::string_view except = {}) {
    for (const auto& [name, value] : kStoredKey) {
      if (name != except) registry().Put(kRoot, kKey, name, value.type, value.data);
    }
  }

  std::optional<Raised> Load(TTFTPSettings& s) {
    try {
      palvex::LoadSettings(registry(), s);
    } catch (const common::EListError& e) {
      return Raised{"EListError", e.what()};
    } catch (const common::ERegistryException& e) {
      return Raised{"ERegistryException", e.what()};
    }
    return std::nullopt;
  }

  std::optional<std::string> Save(const TTFTPSettings& s) {
    try {
      palvex::SaveSettings(registry(), s, texts);
    } catch (const common::ERegistryException& e) {
      return e.what();
    }
    return std::nullopt;
  }

  std::optional<RegValue> Stored(std::string_view name) const {
    return registry().Get(kRoot, kKey, name);
  }

  doubles::MemoryRegistry& registry() { return *registry_; }
  const doubles::MemoryRegistry& registry() const { return *registry_; }

  // An empty registry, for the next case of a table.
  void Fresh() {
    EXPECT_EQ(registry().OpenKeys(), 0);
    registry_ = std::make_unique<doubles::MemoryRegistry>();
  }

  std::unique_ptr<doubles::MemoryRegistry> registry_ = std::make_unique<doubles::MemoryRegistry>();
  FixedTexts texts;
};

MATCHER_P2(IsValue, type, data, "") {
  return arg && arg->type == type && arg->data == data;
}

TEST_F(SettingsStore, AbsentOrUnreadableKeyLeavesTheDefaults) {
  TTFTPSettings s;
  EXPECT_EQ(Load(s), std::nullopt);
  EXPECT_EQ(s, TTFTPSettings{});
  EXPECT_EQ(s.TFTPPort, 1);
  EXPECT_TRUE(s.HostList.empty());
  EXPECT_FALSE(registry().KeyExists(kRoot, kKey)) << "loading must not create the key";

  PutStoredKey();
  registry().FailOpenRead(kRoot, kKey, doubles::kErrorAccessDenied);
  EXPECT_EQ(Load(s), std::nullopt);
  EXPECT_EQ(s, TTFTPSettings{});
}

TEST_F(SettingsStore, FullKeyLoadsEveryValue) {
  PutStoredKey();
  TTFTPSettings s;
  EXPECT_EQ(Load(s), std::nullopt);
  EXPECT_EQ(s, StoredRecord());
}

// Each bad value raises its error once the whole key has been read; it keeps
// its default and every other value is loaded.
TEST_F(SettingsStore, BadValueRaisesItsErrorAndCostsNoOtherValue) {
  struct Case {
    const char* name;
    std::optional<RegValue> bad;  // nothing: the value is absent
    Raised raised;
    void (*keepDefault)(TTFTPSettings&);
  } cases[] = {
      {"TFTPRoot",
       RegValue{common::kRegDword, Dword(1)},
       {"ERegistryException", "Invalid data type for 'TFTPRoot'"},
       [](TTFTPSettings& s) { s.TFTPRoot = ""; }},
      {"LogDirectory",
       RegValue{common::kRegBinary, {'C', ':', 0}},
       {"ERegistryException", "Invalid data type for 'LogDirectory'"},
       [](TTFTPSettings& s) { s.LogDirectory = ""; }},
      {"DefaultRights",
       RegValue{common::kRegDword, Dword(3)},
       {"ERegistryException", "Invalid data type for 'DefaultRights'"},
       [](TTFTPSettings& s) { s.DefaultRights = 0; }},
      {"HostList",
       RegValue{common::kRegMultiSz, {'a', 0, 0}},
       {"ERegistryException", "Invalid data type for 'HostList'"},
       [](TTFTPSettings& s) { s.HostList.clear(); }},
      {"TFTPPort",
       std::nullopt,
       {"ERegistryException", "Failed to get data for 'TFTPPort'"},
       [](TTFTPSettings& s) { s.TFTPPort = 1; }},
      {"TFTPPort",
       RegValue{kRegQword, {69, 0, 0, 0, 0, 0, 0, 0}},
       {"ERegistryException", "Failed to get data for 'TFTPPort'"},
       [](TTFTPSettings& s) { s.TFTPPort = 1; }},
      {"TFTPPort",
       RegValue{common::kRegBinary, Dword(69)},
       {"ERegistryException", "Invalid data type for 'TFTPPort'"},
       [](TTFTPSettings& s) { s.TFTPPort = 1; }},
      {"FWMaxPort",
       RegValue{kRegDwordBigEndian, {0, 0, 0x0B, 0xB8}},
       {"ERegistryException", "Invalid data type for 'FWMaxPort'"},
       [](TTFTPSettings& s) { s.FWMaxPort = 65535; }},
      {"WriteLog",
       std::nullopt,
       {"ERegistryException", "Failed to get data for 'WriteLog'"},
       [](TTFTPSettings& s) { s.WriteLog = false; }},
      {"OpTSize",
       RegValue{common::kRegSz, Sz("0")},
       {"ERegistryException", "Invalid data type for 'OpTSize'"},
       [](TTFTPSettings& s) { s.OpTSize = true; }},
      {"LocalTime",
       RegValue{common::kRegDword, {1, 0, 0, 0, 0}},
       {"ERegistryException", "Failed to get data for 'LocalTime'"},
       [](TTFTPSettings& s) { s.LocalTime = false; }},
      {"LogLevel",
       RegValue{common::kRegDword, Dword(8)},
       {"EListError", "List index out of bounds (8)"},
       [](TTFTPSettings& s) { s.LogLevel = 5; }},
      {"LogLevel",
       RegValue{common::kRegDword, Dword(static_cast<std::uint32_t>(-2))},
       {"EListError", "List index out of bounds (-2)"},
       [](TTFTPSettings& s) { s.LogLevel = 5; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.raised.message);
    Fresh();
    PutStoredKey(c.name);
    if (c.bad) registry().Put(kRoot, kKey, c.name, c.bad->type, c.bad->data);

    TTFTPSettings s;
    EXPECT_EQ(Load(s), c.raised);
    TTFTPSettings expected = StoredRecord();
    c.keepDefault(expected);
    EXPECT_EQ(s, expected);
  }
}

TEST_F(SettingsStore, FirstBadValueInOrderIsTheOneRaised) {
  PutStoredKey("TFTPPort");
  registry().PutDword(kRoot, kKey, "LogLevel", 8);
  registry().Put(kRoot, kKey, "TFTPRoot", common::kRegBinary, {1, 2});
  TTFTPSettings s;
  EXPECT_EQ(Load(s), (Raised{"ERegistryException", "Invalid data type for 'TFTPRoot'"}));
  EXPECT_TRUE(s.LocalTime) << "values after every bad one are still read";
}

TEST_F(SettingsStore, KeyWithOnlyTheRootFailsAtThePortAndKeepsTheRestDefault) {
  registry().PutSz(kRoot, kKey, "TFTPRoot", "D:\\boot");
  TTFTPSettings s;
  EXPECT_EQ(Load(s), (Raised{"ERegistryException", "Failed to get data for 'TFTPPort'"}));
  TTFTPSettings expected;
  expected.TFTPRoot = "D:\\boot";
  EXPECT_EQ(s, expected);
}

TEST_F(SettingsStore, TextValuesTolerateAbsenceAndEmptyDataOfAnyType) {
  struct Case {
    const char* what;
    std::optional<RegValue> stored;
    std::string text;
  } cases[] = {
      {"absent", std::nullopt, ""},
      {"empty text", RegValue{common::kRegSz, {0}}, ""},
      {"no data, REG_SZ", RegValue{common::kRegSz, {}}, ""},
      {"no data, REG_DWORD", RegValue{common::kRegDword, {}}, ""},
      {"no data, REG_BINARY", RegValue{common::kRegBinary, {}}, ""},
      {"REG_EXPAND_SZ taken literally", RegValue{common::kRegExpandSz, Sz("%SystemRoot%\\tftp")},
       "%SystemRoot%\\tftp"},
      {"no terminating NUL", RegValue{common::kRegSz, {'a', 'b'}}, "ab"},
      {"up to the first NUL", RegValue{common::kRegSz, {'a', 0, 'b', 0}}, "a"},
      {"8-bit text kept", RegValue{common::kRegSz, Sz("C:\\d\xE9j\xE0")}, "C:\\d\xE9j\xE0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    for (const char* name : {"TFTPRoot", "LogDirectory"}) {
      Fresh();
      PutStoredKey(name);
      if (c.stored) registry().Put(kRoot, kKey, name, c.stored->type, c.stored->data);
      TTFTPSettings s;
      EXPECT_EQ(Load(s), std::nullopt);
      EXPECT_EQ(std::string(name) == "TFTPRoot" ? s.TFTPRoot : s.LogDirectory, c.text);
    }
  }
}

TEST_F(SettingsStore, NumbersAreClampedIntoTheWindowRange) {
  struct Case {
    const char* name;
    Bytes stored;
    std::int32_t TTFTPSettings::*field;
    std::int32_t loaded;
  } cases[] = {
      {"TFTPPort", Dword(0), &TTFTPSettings::TFTPPort, 1},
      {"TFTPPort", Dword(static_cast<std::uint32_t>(-5)), &TTFTPSettings::TFTPPort, 1},
      {"TFTPPort", Dword(70000), &TTFTPSettings::TFTPPort, 65535},
      {"TFTPPort", Dword(65535), &TTFTPSettings::TFTPPort, 65535},
      {"TFTPPort", {0x45}, &TTFTPSettings::TFTPPort, 69},  // fewer than four bytes
      {"LogFileCount", Dword(static_cast<std::uint32_t>(-1)), &TTFTPSettings::LogFileCount, 0},
      {"LogFileCount", Dword(65536), &TTFTPSettings::LogFileCount, 65535},
      {"TFTPTimeout", Dword(0), &TTFTPSettings::TFTPTimeout, 1},
      {"TFTPTimeout", Dword(181), &TTFTPSettings::TFTPTimeout, 180},
      {"TFTPTimeout", Dword(180), &TTFTPSettings::TFTPTimeout, 180},
      {"TFTPRetr", Dword(0), &TTFTPSettings::TFTPRetr, 1},
      {"TFTPRetr", Dword(500), &TTFTPSettings::TFTPRetr, 100},
      {"FWMinPort", Dword(0x80000000), &TTFTPSettings::FWMinPort, 0},
      {"FWMinPort", Dword(0), &TTFTPSettings::FWMinPort, 0},
      {"FWMaxPort", Dword(0x7FFFFFFF), &TTFTPSettings::FWMaxPort, 65535},
      {"FWMaxPort", Dword(static_cast<std::uint32_t>(-1)), &TTFTPSettings::FWMaxPort, 0},
  };
  for (const auto& c : cases) {
    Fresh();
    PutStoredKey();
    registry().Put(kRoot, kKey, c.name, common::kRegDword, c.stored);
    TTFTPSettings s;
    EXPECT_EQ(Load(s), std::nullopt) << c.name;
    EXPECT_EQ(s.*c.field, c.loaded) << c.name;
  }
}

TEST_F(SettingsStore, DefaultRightsCodeIsMappedToItsIndex) {
  struct Case {
    std::optional<std::string> code;
    std::int32_t index;
  } cases[] = {{"rw", 3}, {"W", 2}, {"X", 0}, {"", 0}, {std::nullopt, 0}};
  for (const auto& c : cases) {
    Fresh();
    PutStoredKey("DefaultRights");
    if (c.code) registry().PutSz(kRoot, kKey, "DefaultRights", *c.code);
    TTFTPSettings s;
    s.DefaultRights = 2;
    EXPECT_EQ(Load(s), std::nullopt);
    EXPECT_EQ(s.DefaultRights, c.index) << c.code.value_or("(absent)");
  }
}

TEST_F(SettingsStore, LogLevelMinusOneAndLocalTimeTwoAreWrittenBackNormalised) {
  PutStoredKey();
  registry().PutDword(kRoot, kKey, "LogLevel", -1);
  registry().PutDword(kRoot, kKey, "LocalTime", 2);
  TTFTPSettings s;
  EXPECT_EQ(Load(s), std::nullopt);
  EXPECT_EQ(s.LogLevel, -1);
  EXPECT_TRUE(s.LocalTime);

  EXPECT_EQ(Save(s), std::nullopt);
  EXPECT_THAT(Stored("LogLevel"), IsValue(common::kRegDword, Dword(0xFFFFFFFF)));
  EXPECT_THAT(Stored("LocalTime"), IsValue(common::kRegDword, Dword(1)));
}

TEST_F(SettingsStore, LogLevelOutOfBoundsNoLongerStopsLocalTimeBeingRead) {
  PutStoredKey();
  registry().PutDword(kRoot, kKey, "LogLevel", 8);
  TTFTPSettings s;
  EXPECT_EQ(Load(s), (Raised{"EListError", "List index out of bounds (8)"}));
  EXPECT_EQ(s.LogLevel, 5);
  EXPECT_TRUE(s.LocalTime);
}

TEST_F(SettingsStore, BadPortNoLongerEmptiesTheRuleListAtTheNextSave) {
  PutStoredKey();
  registry().Put(kRoot, kKey, "TFTPPort", common::kRegBinary, Dword(69));
  TTFTPSettings s;
  EXPECT_EQ(Load(s), (Raised{"ERegistryException", "Invalid data type for 'TFTPPort'"}));
  // The window shows the error and later saves what it holds.
  EXPECT_EQ(Save(s), std::nullopt);
  EXPECT_THAT(Stored("HostList"), IsValue(common::kRegSz, Sz(kStoredHostList)));
  TTFTPSettings reloaded;
  EXPECT_EQ(Load(reloaded), std::nullopt);
  TTFTPSettings expected = StoredRecord();
  expected.TFTPPort = 1;
  EXPECT_EQ(reloaded, expected);
}

TEST_F(SettingsStore, SaveIntoAbsentKeyCreatesAllValuesInOrderWithTheirTypes) {
  EXPECT_EQ(Save(TTFTPSettings{}), std::nullopt);
  const std::vector<std::pair<std::string, RegValue>> expected = {
      {"TFTPRoot", {common::kRegSz, {0}}},
      {"TFTPPort", {common::kRegDword, Dword(1)}},
      {"WriteLog", {common::kRegDword, Dword(0)}},
      {"HighPriority", {common::kRegDword, Dword(0)}},
      {"LogDirectory", {common::kRegSz, {0}}},
      {"LogFileCount", {common::kRegDword, Dword(3)}},
      {"DefaultRights", {common::kRegSz, Sz("NA")}},
      {"HostList", {common::kRegSz, {0}}},
      {"TFTPTimeout", {common::kRegDword, Dword(3)}},
      {"TFTPRetr", {common::kRegDword, Dword(3)}},
      {"AllowOverwrite", {common::kRegDword, Dword(0)}},
      {"OpTimeout", {common::kRegDword, Dword(1)}},
      {"OpBlocksize", {common::kRegDword, Dword(1)}},
      {"OpTSize", {common::kRegDword, Dword(1)}},
      {"FWEnabled", {common::kRegDword, Dword(1)}},
      {"FWMinPort", {common::kRegDword, Dword(1024)}},
      {"FWMaxPort", {common::kRegDword, Dword(65535)}},
      {"LogLevel", {common::kRegDword, Dword(5)}},
      {"LocalTime", {common::kRegDword, Dword(0)}},
  };
  std::vector<std::string> names;
  for (const auto& [name, value] : expected) {
    names.push_back(name);
    EXPECT_THAT(Stored(name), IsValue(value.type, value.data)) << name;
  }
  EXPECT_EQ(registry().ValueNames(kRoot, kKey), names);
}

TEST_F(SettingsStore, SavedRecordIsStoredAsTheInstallerWouldAndLoadsBackUnchanged) {
  const TTFTPSettings record = StoredRecord();
  EXPECT_EQ(Save(record), std::nullopt);
  for (const auto& [name, value] : kStoredKey) {
    EXPECT_THAT(Stored(name), IsValue(value.type, value.data)) << name;
  }
  TTFTPSettings loaded;
  EXPECT_EQ(Load(loaded), std::nullopt);
  EXPECT_EQ(loaded, record);
}

TEST_F(SettingsStore, DefaultRightsAreWrittenAsTheirCode) {
  const std::pair<std::int32_t, std::string> cases[] = {{0, "NA"}, {1, "R"},   {2, "W"},
                                                        {3, "RW"}, {-1, "NA"}, {4, "NA"}};
  for (const auto& [index, code] : cases) {
    TTFTPSettings s;
    s.DefaultRights = index;
    EXPECT_EQ(Save(s), std::nullopt);
    EXPECT_THAT(Stored("DefaultRights"), IsValue(common::kRegSz, Sz(code))) << index;
  }
}

TEST_F(SettingsStore, FailedWriteStopsTheSaveAndKeepsEarlierValues) {
  registry().FailSet(kRoot, kKey, "HostList");
  EXPECT_EQ(Save(StoredRecord()), "Failed to set data for 'HostList'");
  EXPECT_EQ(registry().ValueNames(kRoot, kKey),
            (std::vector<std::string>{"TFTPRoot", "TFTPPort", "WriteLog", "HighPriority",
                                      "LogDirectory", "LogFileCount", "DefaultRights"}));
}

TEST_F(SettingsStore, KeyThatCannotBeOpenedForWritingIsReported) {
  struct Case {
    std::uint32_t error;
    std::string message;
  } cases[] = {
      {doubles::kErrorAccessDenied,
       "Failed to open key 'SOFTWARE\\Corvanti\\RORIVuzuice' for writing: Access denied"},
      {1234, "Failed to open key 'SOFTWARE\\Corvanti\\RORIVuzuice' for writing: system error 1234"},
  };
  for (const auto& c : cases) {
    registry().FailOpenWrite(kRoot, kKey, c.error);
    EXPECT_EQ(Save(StoredRecord()), c.message);
    // Nothing was written anywhere else instead: no key exists in either hive.
    EXPECT_EQ(registry().Keys(kRoot), std::vector<std::string>{});
    EXPECT_EQ(registry().Keys(RegRoot::CurrentUser), std::vector<std::string>{});
  }
}

// The settings tests lean on the double behaving as the registry does.
TEST(MemoryRegistryDouble, KeyPathsIgnoreCaseAndLeadingOrTrailingBackslashes) {
  doubles::MemoryRegistry reg;
  EXPECT_EQ(reg.OpenRead(kRoot, "Software\\A").error, doubles::kErrorFileNotFound);
  EXPECT_FALSE(reg.KeyExists(kRoot, "Software\\A")) << "opening for reading never creates";
  {
    auto opened = reg.OpenWrite(kRoot, "\\SOFTWARE\\A\\B\\");
    ASSERT_TRUE(opened.key);
    EXPECT_TRUE(opened.key->Set("V", common::kRegDword, Dword(7)));
    EXPECT_EQ(reg.OpenKeys(), 1);
  }
  EXPECT_EQ(reg.OpenKeys(), 0);
  EXPECT_TRUE(reg.KeyExists(kRoot, "software\\a")) << "parents are created";
  EXPECT_EQ(reg.Keys(kRoot),
            (std::vector<std::string>{"software", "software\\a", "software\\a\\b"}));
  EXPECT_EQ(reg.Keys(RegRoot::CurrentUser), std::vector<std::string>{});
  EXPECT_FALSE(reg.KeyExists(RegRoot::CurrentUser, "software\\a"));
  auto opened = reg.OpenRead(kRoot, "software\\a\\b");
  ASSERT_TRUE(opened.key);
  EXPECT_THAT(opened.key->Query("v"), IsValue(common::kRegDword, Dword(7)));
}

TEST(MemoryRegistryDouble, ValueNamesKeepFirstSpellingAndCreationOrder) {
  doubles::MemoryRegistry reg;
  reg.PutSz(kRoot, "K", "Zeta", "1");
  reg.PutSz(kRoot, "K", "Alpha", "2");
  reg.PutDword(kRoot, "K", "ZETA", 3);
  EXPECT_EQ(reg.ValueNames(kRoot, "K"), (std::vector<std::string>{"Zeta", "Alpha"}));
  EXPECT_THAT(reg.Get(kRoot, "K", "zeta"), IsValue(common::kRegDword, Dword(3)));
  auto opened = reg.OpenRead(kRoot, "k");
  ASSERT_TRUE(opened.key);
  EXPECT_EQ(opened.key->ValueNames(), (std::vector<std::string>{"Zeta", "Alpha"}));
}

TEST(MemoryRegistryDouble, AccessFollowsTheOpenModeAndFaultsAreInjected) {
  doubles::MemoryRegistry reg;
  reg.PutSz(kRoot, "K", "A", "x");
  {
    auto reader = reg.OpenRead(kRoot, "K");
    EXPECT_FALSE(reader.key->Set("A", common::kRegSz, Sz("y")));
    auto writer = reg.OpenWrite(kRoot, "K");
    EXPECT_EQ(writer.key->Query("A"), std::nullopt);
    EXPECT_TRUE(writer.key->ValueNames().empty());

    reg.FailSet(kRoot, "k", "a");
    EXPECT_FALSE(writer.key->Set("A", common::kRegSz, Sz("y")));
    EXPECT_TRUE(writer.key->Set("B", common::kRegSz, Sz("y")));
    EXPECT_EQ(reg.OpenKeys(), 2);
  }
  EXPECT_THAT(reg.Get(kRoot, "K", "A"), IsValue(common::kRegSz, Sz("x")));

  reg.FailOpenRead(kRoot, "K", 5);
  reg.FailOpenWrite(kRoot, "K\\New", 1234);
  EXPECT_EQ(reg.OpenRead(kRoot, "K").error, 5u);
  EXPECT_EQ(reg.OpenWrite(kRoot, "k\\new").error, 1234u);
  EXPECT_FALSE(reg.KeyExists(kRoot, "K\\New"));
  reg.ClearFaults();
  EXPECT_TRUE(reg.OpenRead(kRoot, "K").key);
  EXPECT_TRUE(reg.OpenWrite(kRoot, "K\\New").key);
  EXPECT_EQ(reg.OpenKeys(), 0);
}

}  // namespace
