#include "common/win32/dll_search_win32.h"

#include <string>

namespace common::win32 {

namespace {

// LOAD_LIBRARY_SEARCH_SYSTEM32, which the Windows 7 headers leave out: the
// system folder, and no other, for the DLL and for those it imports.
constexpr DWORD kSearchSystem32 = 0x00000800;

using SetDefaultDllDirectoriesEntry = BOOL(WINAPI*)(DWORD directoryFlags);

std::wstring SystemDirectory() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const UINT length = GetSystemDirectoryW(path.data(), static_cast<UINT>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(length);  // the size needed, its terminating null included
  }
}

}  // namespace

void RestrictDllSearchToSystemFolder() {
  SetDllDirectoryW(L"");
  // Looked up, not imported: without KB2533623 Windows 7 lacks it, and the
  // program must still start there.
  const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
  const FARPROC entry =
      kernel32 == nullptr ? nullptr : GetProcAddress(kernel32, "SetDefaultDllDirectories");
  if (entry == nullptr) return;
  const auto setDefaultDllDirectories =
      reinterpret_cast<SetDefaultDllDirectoriesEntry>(reinterpret_cast<void (*)()>(entry));
  setDefaultDllDirectories(kSearchSystem32);
}

HMODULE LoadSystemLibrary(const char* name) {
  const HMODULE module = LoadLibraryExA(name, nullptr, kSearchSystem32);
  if (module != nullptr || GetLastError() != ERROR_INVALID_PARAMETER) return module;
  // Windows 7 without KB2533623 knows no search flags: the file's full path in
  // the system folder, whose own imports are then looked for there first.
  const std::wstring folder = SystemDirectory();
  if (folder.empty()) return nullptr;
  std::wstring path = folder + L'\\';
  for (const char* c = name; *c != '\0'; ++c)
    path += static_cast<wchar_t>(static_cast<unsigned char>(*c));
  return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace common::win32
