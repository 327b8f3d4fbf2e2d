#include "common/win32/win32_registry.h"

#include <windows.h>

#include <string>

namespace common::win32 {
namespace {

HKEY RootKey(RegRoot root) {
  return root == RegRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

// The TFTP service and the installer that registers the managed services are
// 32-bit programs: on 64-bit Windows their HKEY_LOCAL_MACHINE\SOFTWARE is the
// 32-bit view, so every machine key is opened there (a 32-bit Windows ignores
// the flag). HKEY_CURRENT_USER\Software is shared by both views.
REGSAM Access(RegRoot root, REGSAM access) {
  return root == RegRoot::LocalMachine ? access | KEY_WOW64_32KEY : access;
}

// The raw calls take the path below the hive: a leading backslash, which names
// the hive's root, must not reach them.
std::string SubKeyPath(std::string_view path) {
  while (!path.empty() && path.front() == '\\') path.remove_prefix(1);
  return std::string(path);
}

class Win32RegistryKey : public IRegistryKey {
 public:
  explicit Win32RegistryKey(HKEY key) : key_(key) {}
  Win32RegistryKey(const Win32RegistryKey&) = delete;
  Win32RegistryKey& operator=(const Win32RegistryKey&) = delete;
  ~Win32RegistryKey() override { RegCloseKey(key_); }

  std::optional<RegValue> Query(std::string_view name) override {
    const std::string valueName(name);
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key_, valueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
      return std::nullopt;
    // The value may grow between the two calls: read again with the new size.
    for (int attempt = 0; attempt < 8; ++attempt) {
      RegValue value;
      value.data.resize(size);
      DWORD got = size;
      const LONG rc = RegQueryValueExA(key_, valueName.c_str(), nullptr, &type,
                                       value.data.empty() ? nullptr : value.data.data(), &got);
      if (rc == ERROR_SUCCESS) {
        value.type = type;
        value.data.resize(got);
        return value;
      }
      if (rc != ERROR_MORE_DATA) return std::nullopt;
      size = got;
    }
    return std::nullopt;
  }

  bool Set(std::string_view name, std::uint32_t type, std::span<const std::uint8_t> data) override {
    const std::string valueName(name);
    return RegSetValueExA(key_, valueName.c_str(), 0, type, data.data(),
                          static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
  }

  std::vector<std::string> ValueNames() override {
    std::vector<std::string> names;
    DWORD maxNameLength = 0;
    if (RegQueryInfoKeyA(key_, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         &maxNameLength, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      return names;
    std::string buffer(maxNameLength + 1, '\0');
    for (DWORD index = 0;; ++index) {
      DWORD length = static_cast<DWORD>(buffer.size());
      const LONG rc =
          RegEnumValueA(key_, index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
      if (rc == ERROR_MORE_DATA) {  // a longer name was added meanwhile
        buffer.resize(buffer.size() * 2 + 256);
        --index;
        continue;
      }
      if (rc != ERROR_SUCCESS) break;
      names.emplace_back(buffer.data(), length);
    }
    return names;
  }

 private:
  HKEY key_;
};

RegOpenResult Opened(LONG rc, HKEY key) {
  RegOpenResult result;
  if (rc == ERROR_SUCCESS)
    result.key = std::make_unique<Win32RegistryKey>(key);
  else
    result.error = static_cast<std::uint32_t>(rc);
  return result;
}

}  // namespace

RegOpenResult Win32Registry::OpenRead(RegRoot root, std::string_view path) {
  HKEY key = nullptr;
  const LONG rc =
      RegOpenKeyExA(RootKey(root), SubKeyPath(path).c_str(), 0, Access(root, KEY_READ), &key);
  return Opened(rc, key);
}

RegOpenResult Win32Registry::OpenWrite(RegRoot root, std::string_view path) {
  HKEY key = nullptr;
  const LONG rc =
      RegCreateKeyExA(RootKey(root), SubKeyPath(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      Access(root, KEY_WRITE), nullptr, &key, nullptr);
  return Opened(rc, key);
}

}  // namespace common::win32
