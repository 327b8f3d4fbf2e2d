// Small helpers shared by the Wine tests.
#pragma once

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "common/win32/handles_win32.h"

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

// The programs keep their machine keys in the 32-bit view of HKEY_LOCAL_MACHINE
// (KEY_WOW64_32KEY), where 32-bit peers keep theirs; the 64-bit view is kView64.
inline constexpr REGSAM kView32 = KEY_WOW64_32KEY;
inline constexpr REGSAM kView64 = KEY_WOW64_64KEY;

// The view a test reads and writes a key of `root` in: HKEY_LOCAL_MACHINE's
// 32-bit one unless told otherwise; HKEY_CURRENT_USER\Software has one only.
inline REGSAM ViewOf(HKEY root, REGSAM view) {
  if (view != 0) return view;
  return root == HKEY_LOCAL_MACHINE ? kView32 : 0;
}

inline RawValue ReadRaw(HKEY root, const char* path, const char* name, REGSAM view = 0) {
  RawValue v;
  HKEY key = nullptr;
  v.rc = RegOpenKeyExA(root, path, 0, KEY_READ | ViewOf(root, view), &key);
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

// Creates (or opens) a key with the raw API in the test's view; null on failure.
inline common::win32::UniqueKey CreateRaw(HKEY root, const char* path, REGSAM view = 0) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS | ViewOf(root, view), nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return nullptr;
  return common::win32::UniqueKey(key);
}

inline LONG WriteRawString(HKEY root, const char* path, const char* name, const std::string& text,
                           REGSAM view = 0) {
  const auto key = CreateRaw(root, path, view);
  if (!key) return ERROR_ACCESS_DENIED;
  return RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>(text.size() + 1));
}

// Deletes a key and everything below it in the test's view.
inline void DeleteTreeRaw(HKEY root, const char* path, REGSAM view = 0) {
  std::string parent(path);
  const std::size_t slash = parent.rfind('\\');
  const std::string child = slash == std::string::npos ? parent : parent.substr(slash + 1);
  parent = slash == std::string::npos ? std::string() : parent.substr(0, slash);
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, parent.c_str(), 0, KEY_ALL_ACCESS | ViewOf(root, view), &key) !=
      ERROR_SUCCESS)
    return;
  RegDeleteTreeA(key, child.c_str());
  RegCloseKey(key);
}

// Polls `done` every 50 ms for at most `timeoutMs`; whether it came true.
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 15000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < end) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return done();
}

// For a check that something does NOT happen: polls `happened` every 50 ms for
// `ms` and returns false as soon as it comes true, true when it stayed false all
// along. The window must be long enough for the program to have done the thing
// by then if it were going to.
inline bool StaysFalseFor(const std::function<bool()>& happened, int ms) {
  return !WaitUntil(happened, ms);
}

// The local Service Control Manager, and a service of it, with every right:
// the tests install and inspect services with them, apart from the code under test.
inline common::win32::UniqueScHandle ManagerHandle() {
  return common::win32::UniqueScHandle(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
}

inline common::win32::UniqueScHandle ServiceHandle(const std::string& name) {
  const common::win32::UniqueScHandle manager = ManagerHandle();
  return common::win32::UniqueScHandle(
      OpenServiceA(manager.get(), name.c_str(), SERVICE_ALL_ACCESS));
}

}  // namespace wine_test
