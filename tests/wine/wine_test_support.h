// Small helpers shared by the Wine tests.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace wine_test {

// A Unix path as Wine sees it: the Unix root is drive Z:.
inline std::string WindowsPath(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

// A registry value read with the raw API, to check what the code under test wrote.
struct RawValue {
  LONG rc = 0;
  DWORD type = 0;
  std::vector<BYTE> data;
};

inline RawValue ReadRaw(HKEY root, const char* path, const char* name) {
  RawValue v;
  HKEY key = nullptr;
  v.rc = RegOpenKeyExA(root, path, 0, KEY_READ, &key);
  if (v.rc != ERROR_SUCCESS) return v;
  DWORD size = 0;
  v.rc = RegQueryValueExA(key, name, nullptr, &v.type, nullptr, &size);
  if (v.rc == ERROR_SUCCESS) {
    v.data.resize(size);
    v.rc = RegQueryValueExA(key, name, nullptr, &v.type, v.data.data(), &size);
  }
  RegCloseKey(key);
  return v;
}

}  // namespace wine_test
