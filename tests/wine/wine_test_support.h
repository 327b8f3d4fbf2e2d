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
