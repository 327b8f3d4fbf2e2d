// In-memory stand-in for the registry seam, for tests.
//
// Keys live per (root, path). Paths compare without regard to case, a leading
// backslash stands for the hive's root and trailing backslashes are ignored.
// Value names compare without regard to case, keep the spelling of their first
// write and are listed in the order of their creation. As in the registry, a
// key opened for reading cannot be written and a key opened for writing cannot
// be read. Tests may make an open or a write fail, and can check that every
// key they opened has been closed again.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/registry.h"

namespace doubles {

namespace detail {
struct MemoryRegistryState;
}

// System error codes that the registry reports.
inline constexpr std::uint32_t kErrorFileNotFound = 2;
inline constexpr std::uint32_t kErrorAccessDenied = 5;

class MemoryRegistry : public common::IRegistry {
 public:
  MemoryRegistry();
  ~MemoryRegistry() override;
  MemoryRegistry(const MemoryRegistry&) = delete;
  MemoryRegistry& operator=(const MemoryRegistry&) = delete;

  // An absent key fails with kErrorFileNotFound.
  common::RegOpenResult OpenRead(common::RegRoot root, std::string_view path) override;
  // Creates the key and every missing key above it.
  common::RegOpenResult OpenWrite(common::RegRoot root, std::string_view path) override;

  // Test set-up: creates the key and the keys above it when absent.
  void CreateKey(common::RegRoot root, std::string_view path);
  // Test set-up: stores a value of any type with exactly these bytes, creating
  // the key when absent.
  void Put(common::RegRoot root, std::string_view path, std::string_view name, std::uint32_t type,
           std::vector<std::uint8_t> bytes);
  void PutSz(common::RegRoot root, std::string_view path, std::string_view name,
             std::string_view text);  // REG_SZ with its terminating NUL
  void PutDword(common::RegRoot root, std::string_view path, std::string_view name,
                std::int32_t number);  // REG_DWORD, four bytes little-endian

  // Read-back, independent of any open key.
  bool KeyExists(common::RegRoot root, std::string_view path) const;
  std::optional<common::RegValue> Get(common::RegRoot root, std::string_view path,
                                      std::string_view name) const;
  // The key's value names in the order of their creation; empty for an absent key.
  std::vector<std::string> ValueNames(common::RegRoot root, std::string_view path) const;
  // Every key of the hive, in lower case and sorted, each key above a key included:
  // shows a write that went anywhere, not only into the key a test looks at.
  std::vector<std::string> Keys(common::RegRoot root) const;

  // Faults, in force until ClearFaults. A failing open creates nothing; a
  // failing write leaves the value as it was.
  void FailOpenRead(common::RegRoot root, std::string_view path, std::uint32_t error);
  void FailOpenWrite(common::RegRoot root, std::string_view path, std::uint32_t error);
  void FailSet(common::RegRoot root, std::string_view path, std::string_view name);
  void ClearFaults();

  // Key objects handed out and not yet destroyed.
  int OpenKeys() const;

 private:
  std::shared_ptr<detail::MemoryRegistryState> state_;  // shared with the open keys
};

}  // namespace doubles
