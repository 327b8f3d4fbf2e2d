#include "common/win32/program_win32.h"

#include <windows.h>

#include "common/win32/text_win32.h"

namespace common::win32 {

namespace {

std::wstring ModuleFileName() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD got = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (got == 0) return {};
    if (got < path.size()) {
      path.resize(got);
      return path;
    }
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
}

}  // namespace

std::string ExecutableDirectory() {
  const std::wstring path = ModuleFileName();
  const std::size_t slash = path.find_last_of(L"\\/");
  return WideToAnsi(path.substr(0, slash == std::wstring::npos ? 0 : slash + 1));
}

std::string ExecutableFileName() {
  return WideToAnsi(ModuleFileName());
}

}  // namespace common::win32
