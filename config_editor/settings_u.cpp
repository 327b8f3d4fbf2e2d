#include "config_editor/settings_u.h"

#include <algorithm>
#include <array>
#include <exception>
#include <variant>

#include "common/errors.h"

namespace palvex {

namespace {

using common::ERegistryException;
using common::IRegistryKey;

// The kinds of value in the settings key, each with the field it fills.
struct TextValue {  // REG_SZ, taken as it is
  std::string TTFTPSettings::*field;
};
struct RightsValue {  // REG_SZ holding a rights code; the field holds its index
  std::int32_t TTFTPSettings::*field;
};
struct HostsValue {  // REG_SZ holding the HostList text
  std::vector<TAccessRight> TTFTPSettings::*field;
};
struct ClampedInteger {  // REG_DWORD, clamped into the window's range
  std::int32_t TTFTPSettings::*field;
  std::int32_t min;
  std::int32_t max;
};
struct ListIndex {  // REG_DWORD, an index into a list of min..max; anything else is an error
  std::int32_t TTFTPSettings::*field;
  std::int32_t min;
  std::int32_t max;
};
struct BooleanValue {  // REG_DWORD, non-zero is true; written as 0 or 1
  bool TTFTPSettings::*field;
};

using ValueKind =
    std::variant<TextValue, RightsValue, HostsValue, ClampedInteger, ListIndex, BooleanValue>;

struct SettingsValue {
  std::string_view name;
  ValueKind kind;
};

using S = TTFTPSettings;

// The nineteen values in the order in which they are read and written.
const std::array<SettingsValue, 19> kSettingsValues{{
    {"TFTPRoot", TextValue{&S::TFTPRoot}},
    {"TFTPPort", ClampedInteger{&S::TFTPPort, 1, 65535}},
    {"WriteLog", BooleanValue{&S::WriteLog}},
    {"HighPriority", BooleanValue{&S::HighPriority}},
    {"LogDirectory", TextValue{&S::LogDirectory}},
    {"LogFileCount", ClampedInteger{&S::LogFileCount, 0, 65535}},
    {"DefaultRights", RightsValue{&S::DefaultRights}},
    {"HostList", HostsValue{&S::HostList}},
    {"TFTPTimeout", ClampedInteger{&S::TFTPTimeout, 1, 180}},
    {"TFTPRetr", ClampedInteger{&S::TFTPRetr, 1, 100}},
    {"AllowOverwrite", BooleanValue{&S::AllowOverwrite}},
    {"OpTimeout", BooleanValue{&S::OpTimeout}},
    {"OpBlocksize", BooleanValue{&S::OpBlocksize}},
    {"OpTSize", BooleanValue{&S::OpTSize}},
    {"FWEnabled", BooleanValue{&S::FWEnabled}},
    {"FWMinPort", ClampedInteger{&S::FWMinPort, 0, 65535}},
    {"FWMaxPort", ClampedInteger{&S::FWMaxPort, 0, 65535}},
    {"LogLevel", ListIndex{&S::LogLevel, -1, 7}},
    {"LocalTime", BooleanValue{&S::LocalTime}},
}};

std::string Quoted(std::string_view name) {
  std::string text = "'";
  text += name;
  text += '\'';
  return text;
}

[[noreturn]] void FailGetData(std::string_view name) {
  throw ERegistryException("Failed to get data for " + Quoted(name));
}

[[noreturn]] void FailDataType(std::string_view name) {
  throw ERegistryException("Invalid data type for " + Quoted(name));
}

// A text value: absent or empty data gives the empty text whatever the type;
// otherwise REG_SZ and REG_EXPAND_SZ (not expanded) give the data up to the
// first NUL, and any other type is an error.
std::string ReadText(IRegistryKey& key, std::string_view name) {
  const auto value = key.Query(name);
  if (!value || value->data.empty()) return {};
  if (value->type != common::kRegSz && value->type != common::kRegExpandSz) FailDataType(name);
  const auto end = std::find(value->data.begin(), value->data.end(), std::uint8_t{0});
  return std::string(value->data.begin(), end);
}

// An integer value: four bytes or fewer of type REG_DWORD, little-endian, the
// missing high bytes zero. Absent or longer data cannot be read into four
// bytes; any other type is an error.
std::int32_t ReadInteger(IRegistryKey& key, std::string_view name) {
  const auto value = key.Query(name);
  if (!value || value->data.size() > 4) FailGetData(name);
  if (value->type != common::kRegDword) FailDataType(name);
  std::uint32_t number = 0;
  for (std::size_t i = 0; i < value->data.size(); ++i) {
    number |= static_cast<std::uint32_t>(value->data[i]) << (8 * i);
  }
  return static_cast<std::int32_t>(number);
}

void Load(const TextValue& v, IRegistryKey& key, std::string_view name, S& s) {
  s.*v.field = ReadText(key, name);
}
void Load(const RightsValue& v, IRegistryKey& key, std::string_view name, S& s) {
  s.*v.field = RightsFromCode(ReadText(key, name));
}
void Load(const HostsValue& v, IRegistryKey& key, std::string_view name, S& s) {
  s.*v.field = LoadHosts(ReadText(key, name));
}
void Load(const ClampedInteger& v, IRegistryKey& key, std::string_view name, S& s) {
  s.*v.field = std::clamp(ReadInteger(key, name), v.min, v.max);
}
void Load(const ListIndex& v, IRegistryKey& key, std::string_view name, S& s) {
  const std::int32_t index = ReadInteger(key, name);
  if (index < v.min || index > v.max) {
    throw common::EListError("List index out of bounds (" + std::to_string(index) + ")");
  }
  s.*v.field = index;
}
void Load(const BooleanValue& v, IRegistryKey& key, std::string_view name, S& s) {
  s.*v.field = ReadInteger(key, name) != 0;
}

struct Encoded {
  std::uint32_t type;
  std::vector<std::uint8_t> data;
};

Encoded Encode(const TextValue& v, const S& s) {
  return {common::kRegSz, common::RegSzBytes(s.*v.field)};
}
Encoded Encode(const RightsValue& v, const S& s) {
  return {common::kRegSz, common::RegSzBytes(RightsIndexToCode(s.*v.field))};
}
Encoded Encode(const HostsValue& v, const S& s) {
  return {common::kRegSz, common::RegSzBytes(SaveHosts(s.*v.field))};
}
Encoded Encode(const ClampedInteger& v, const S& s) {
  return {common::kRegDword, common::RegDwordBytes(s.*v.field)};
}
Encoded Encode(const ListIndex& v, const S& s) {
  return {common::kRegDword, common::RegDwordBytes(s.*v.field)};
}
Encoded Encode(const BooleanValue& v, const S& s) {
  return {common::kRegDword, common::RegDwordBytes(s.*v.field ? 1 : 0)};
}

std::string OpenForWritingFailure(std::uint32_t error, const common::ISystemText& systemText) {
  std::string message = "Failed to open key " + Quoted(kSettingsKey) + " for writing: ";
  const std::string reason = common::SystemErrorText(systemText, error);
  message += reason.empty() ? "system error " + std::to_string(error) : reason;
  return message;
}

}  // namespace

void LoadSettings(common::IRegistry& registry, TTFTPSettings& settings) {
  std::exception_ptr firstError;
  {
    const auto opened = registry.OpenRead(kSettingsRoot, kSettingsKey);
    if (!opened.key) return;
    // A bad value must not cost the values after it: a later save would
    // otherwise write their defaults over what the key holds. Every value is
    // read, and the first error is reported once the key is closed.
    for (const auto& value : kSettingsValues) {
      try {
        std::visit([&](const auto& kind) { Load(kind, *opened.key, value.name, settings); },
                   value.kind);
      } catch (const common::Exception&) {
        if (!firstError) firstError = std::current_exception();
      }
    }
  }
  if (firstError) std::rethrow_exception(firstError);
}

void SaveSettings(common::IRegistry& registry, const TTFTPSettings& settings,
                  const common::ISystemText& systemText) {
  const auto opened = registry.OpenWrite(kSettingsRoot, kSettingsKey);
  // Returning quietly here would let the user believe the settings were saved.
  if (!opened.key) throw ERegistryException(OpenForWritingFailure(opened.error, systemText));
  for (const auto& value : kSettingsValues) {
    const Encoded encoded =
        std::visit([&](const auto& kind) { return Encode(kind, settings); }, value.kind);
    if (!opened.key->Set(value.name, encoded.type, encoded.data)) {
      throw ERegistryException("Failed to set data for " + Quoted(value.name));
    }
  }
}

}  // namespace palvex
