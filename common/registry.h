// Registry seam: the few operations of the Windows registry that the programs use.
// Values keep their registry type and raw bytes; type checks and error texts
// belong to the callers.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace common {

enum class RegRoot { LocalMachine, CurrentUser };

// Registry value types, numbered as the Windows registry numbers them.
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;

// Access masks used when a key is opened.
inline constexpr std::uint32_t kKeyRead = 0x20019;
inline constexpr std::uint32_t kKeyWrite = 0x20006;

struct RegValue {
  std::uint32_t type = kRegNone;
  std::vector<std::uint8_t> data;
};

// An open key. Destroying it closes the key.
class IRegistryKey {
 public:
  virtual ~IRegistryKey() = default;
  // The value's type and all of its bytes, or nothing when the value is absent
  // or cannot be read.
  virtual std::optional<RegValue> Query(std::string_view name) = 0;
  // Writes a value; false when the write failed.
  virtual bool Set(std::string_view name, std::uint32_t type,
                   std::span<const std::uint8_t> data) = 0;
  // The names of the key's values, in the order in which the registry enumerates them.
  virtual std::vector<std::string> ValueNames() = 0;
};

struct RegOpenResult {
  std::unique_ptr<IRegistryKey> key;  // null on failure
  std::uint32_t error = 0;            // the system's error code on failure
};

class IRegistry {
 public:
  virtual ~IRegistry() = default;
  // Opens an existing key with read access (KEY_READ); never creates it.
  // A leading backslash in the path stands for the hive's root.
  virtual RegOpenResult OpenRead(RegRoot root, std::string_view path) = 0;
  // Opens a key with write access (KEY_WRITE), creating it and any missing
  // parent (non-volatile) when absent.
  virtual RegOpenResult OpenWrite(RegRoot root, std::string_view path) = 0;
};

// Helpers over raw value bytes.
std::vector<std::uint8_t> RegSzBytes(std::string_view text);  // text plus its terminating NUL
std::vector<std::uint8_t> RegDwordBytes(std::int32_t value);  // four bytes, little-endian

}  // namespace common
