// LoadSettings over the in-memory registry, its nineteen values each absent,
// well formed or of any type and size taken from the fuzzer's bytes. The load
// must give exactly the record and the first error that the stored format
// describes, close its key, and a save of what it loaded must load back.
//
// Input: one byte whose lowest bit removes the key; then per value, in the
// order of the key, one byte: low two bits 0 absent, 1 well formed, 2 a type
// of one byte and up to 255 bytes of data, 3 a type of four bytes and up to
// 65535 bytes; bit 7 stores the name in capitals. What is left becomes extra
// values of other names.
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "common/errors.h"
#include "config_editor/settings_u.h"
#include "doubles/memory_registry.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/fuzz/hosts_model.h"

namespace {

using common::RegRoot;
using palvex::TTFTPSettings;
using S = TTFTPSettings;

constexpr RegRoot kRoot = RegRoot::LocalMachine;
constexpr const char* kKey = "SOFTWARE\\Corvanti\\RORIVuzuice";

enum class Kind { Text, Rights, Hosts, Clamped, Level, Boolean };

struct StoredValue {
  const char* name;
  Kind kind;
  std::variant<std::string S::*, std::int32_t S::*, std::vector<palvex::TAccessRight> S::*,
               bool S::*>
      field;
  std::int32_t min = 0, max = 0;
};

const StoredValue kValues[] = {
    {"TFTPRoot", Kind::Text, &S::TFTPRoot},
    {"TFTPPort", Kind::Clamped, &S::TFTPPort, 1, 65535},
    {"WriteLog", Kind::Boolean, &S::WriteLog},
    {"HighPriority", Kind::Boolean, &S::HighPriority},
    {"LogDirectory", Kind::Text, &S::LogDirectory},
    {"LogFileCount", Kind::Clamped, &S::LogFileCount, 0, 65535},
    {"DefaultRights", Kind::Rights, &S::DefaultRights},
    {"HostList", Kind::Hosts, &S::HostList},
    {"TFTPTimeout", Kind::Clamped, &S::TFTPTimeout, 1, 180},
    {"TFTPRetr", Kind::Clamped, &S::TFTPRetr, 1, 100},
    {"AllowOverwrite", Kind::Boolean, &S::AllowOverwrite},
    {"OpTimeout", Kind::Boolean, &S::OpTimeout},
    {"OpBlocksize", Kind::Boolean, &S::OpBlocksize},
    {"OpTSize", Kind::Boolean, &S::OpTSize},
    {"FWEnabled", Kind::Boolean, &S::FWEnabled},
    {"FWMinPort", Kind::Clamped, &S::FWMinPort, 0, 65535},
    {"FWMaxPort", Kind::Clamped, &S::FWMaxPort, 0, 65535},
    {"LogLevel", Kind::Level, &S::LogLevel, -1, 7},
    {"LocalTime", Kind::Boolean, &S::LocalTime},
};

// A record that differs from the defaults in every field, so that a field
// that the load wrongly leaves alone or wrongly sets shows.
TTFTPSettings Before() {
  TTFTPSettings s;
  s.TFTPRoot = "before";
  s.TFTPPort = 7;
  s.WriteLog = true;
  s.HighPriority = true;
  s.LogDirectory = "before";
  s.LogFileCount = 9;
  s.DefaultRights = 2;
  s.HostList = {{"10.0.0.1", "255.0.0.0", 1}};
  s.TFTPTimeout = 11;
  s.TFTPRetr = 12;
  s.AllowOverwrite = true;
  s.OpTimeout = false;
  s.OpBlocksize = false;
  s.OpTSize = false;
  s.FWEnabled = false;
  s.FWMinPort = 13;
  s.FWMaxPort = 14;
  s.LogLevel = 2;
  s.LocalTime = true;
  return s;
}

std::string Capitals(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

std::string Quoted(const char* name) {
  return std::string("'") + name + "'";
}

// Applies one stored value to the expected record; gives the error it raises.
std::optional<std::string> Expect(const StoredValue& value,
                                  const std::optional<common::RegValue>& v, TTFTPSettings& s) {
  if (value.kind == Kind::Text || value.kind == Kind::Rights || value.kind == Kind::Hosts) {
    std::string text;
    if (v && !v->data.empty()) {
      if (v->type != common::kRegSz && v->type != common::kRegExpandSz)
        return "Invalid data type for " + Quoted(value.name);
      for (std::uint8_t b : v->data) {
        if (b == 0) break;
        text += static_cast<char>(b);
      }
    }
    if (value.kind == Kind::Text) s.*std::get<std::string S::*>(value.field) = text;
    if (value.kind == Kind::Rights)
      s.*std::get<std::int32_t S::*>(value.field) = fuzz::IndexOfCode(text);
    if (value.kind == Kind::Hosts)
      s.*std::get<std::vector<palvex::TAccessRight> S::*>(value.field) = fuzz::PlainReading(text);
    return std::nullopt;
  }
  if (!v || v->data.size() > 4) return "Failed to get data for " + Quoted(value.name);
  if (v->type != common::kRegDword) return "Invalid data type for " + Quoted(value.name);
  std::uint32_t u = 0;
  for (std::size_t i = v->data.size(); i-- > 0;) u = (u << 8) | v->data[i];
  const auto number = static_cast<std::int32_t>(u);
  switch (value.kind) {
    case Kind::Clamped:
      s.*std::get<std::int32_t S::*>(value.field) = number < value.min   ? value.min
                                                    : number > value.max ? value.max
                                                                         : number;
      break;
    case Kind::Level:
      if (number < value.min || number > value.max)
        return "List index out of bounds (" + std::to_string(number) + ")";
      s.*std::get<std::int32_t S::*>(value.field) = number;
      break;
    default:
      s.*std::get<bool S::*>(value.field) = number != 0;
      break;
  }
  return std::nullopt;
}

std::optional<std::string> Load(doubles::MemoryRegistry& registry, TTFTPSettings& s) {
  try {
    palvex::LoadSettings(registry, s);
  } catch (const common::Exception& e) {
    return e.what();
  }
  return std::nullopt;
}

class NoTexts : public common::ISystemText {
 public:
  std::string RawMessage(std::uint32_t) const override { return {}; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::ByteReader in({data, size});
  doubles::MemoryRegistry registry;
  const bool keyExists = (in.Byte() & 1) == 0;
  if (keyExists) registry.CreateKey(kRoot, kKey);
  TTFTPSettings expected = Before();
  std::optional<std::string> expectedError;
  for (const auto& value : kValues) {
    const std::uint8_t op = in.Byte();
    std::optional<common::RegValue> stored;
    switch (op & 3) {
      case 0:
        break;
      case 1:
        if (value.kind == Kind::Text || value.kind == Kind::Rights || value.kind == Kind::Hosts) {
          const std::string text = in.Text();
          stored = common::RegValue{common::kRegSz, {text.begin(), text.end()}};
          stored->data.push_back(0);
        } else {
          stored = common::RegValue{common::kRegDword, in.Bytes(4)};
        }
        break;
      case 2: {
        const std::uint32_t type = in.Byte();
        stored = common::RegValue{type, in.Bytes(in.Byte())};
        break;
      }
      default: {
        const std::uint32_t type = in.U32();
        const std::size_t length = in.Byte() | (in.Byte() << 8);
        stored = common::RegValue{type, in.Bytes(length)};
        break;
      }
    }
    if (stored && keyExists) {
      const std::string name = (op & 0x80) ? Capitals(value.name) : value.name;
      registry.Put(kRoot, kKey, name, stored->type, stored->data);
    }
    if (keyExists) {
      const auto error = Expect(value, stored, expected);
      if (error && !expectedError) expectedError = error;
    }
  }
  if (keyExists) {
    while (!in.Empty()) {
      const std::string name = "Extra" + in.Text();
      const std::uint32_t type = in.Byte();
      registry.Put(kRoot, kKey, name, type, in.Bytes(in.Byte()));
    }
  }

  TTFTPSettings loaded = Before();
  const auto error = Load(registry, loaded);
  FUZZ_CHECK(registry.OpenKeys() == 0);
  FUZZ_CHECK(error == expectedError);
  FUZZ_CHECK(loaded == expected);
  FUZZ_CHECK(registry.KeyExists(kRoot, kKey) == keyExists);

  // What was loaded is saved as nineteen well-formed values and loads back.
  doubles::MemoryRegistry saved;
  NoTexts texts;
  palvex::SaveSettings(saved, loaded, texts);
  FUZZ_CHECK(saved.ValueNames(kRoot, kKey).size() == 19);
  TTFTPSettings reloaded;
  FUZZ_CHECK(Load(saved, reloaded) == std::nullopt);
  TTFTPSettings again = loaded;
  again.HostList = fuzz::SavedAndLoaded(loaded.HostList);
  FUZZ_CHECK(reloaded == again);
  FUZZ_CHECK(saved.OpenKeys() == 0);
  return 0;
}
