// A marker DLL for the planting test, copied beside a program under the name of
// a DLL that the program's process loads. When the loader maps it, it appends
// one UTF-8 line to the file named by the environment variable
// DLL_MARKER_RECORD, saying which module asked the loader for it:
//
//   caller <path>            a LoadLibrary call: the nearest module on the stack
//                            that is neither the loader (ntdll, kernel32,
//                            kernelbase) nor the marker
//   importers <path>|<path>  no such module on the stack: the loader resolved an
//                            import table on its own; these are the loaded
//                            modules whose import tables name the marker
//
// Then it refuses to attach, so nothing ever calls into it: a program that
// imports it ends at once, a LoadLibrary call for it fails.
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "common/win32/handles_win32.h"
#include "tests/wine/pe_imports.h"

namespace {

std::wstring ModulePath(HMODULE module) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
}

std::wstring_view BaseName(std::wstring_view path) {
  const std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring_view::npos ? path : path.substr(slash + 1);
}

bool SameName(std::wstring_view a, std::wstring_view b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// The loader's own modules: their frames lie between a LoadLibrary call and
// the entry point of the DLL it loads.
bool IsLoader(std::wstring_view name) {
  return SameName(name, L"ntdll.dll") || SameName(name, L"kernel32.dll") ||
         SameName(name, L"kernelbase.dll");
}

// The nearest module on the stack that is neither the loader nor `self`; none
// when only the loader is there. The walk ends at the first null return
// address: Wine's walker goes on past the thread's first frame with garbage.
HMODULE Caller(HMODULE self) {
  std::array<void*, 62> frames{};
  const USHORT count =
      RtlCaptureStackBackTrace(0, static_cast<DWORD>(frames.size()), frames.data(), nullptr);
  for (USHORT i = 0; i < count && frames[i] != nullptr; ++i) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            static_cast<LPCWSTR>(frames[i]), &module))
      continue;
    if (module == self || IsLoader(BaseName(ModulePath(module)))) continue;
    return module;
  }
  return nullptr;
}

// The loaded modules whose import tables name `dll`, their paths joined by '|'.
std::wstring Importers(HMODULE self, std::wstring_view dll) {
  std::vector<HMODULE> modules(256);
  DWORD needed = 0;
  while (K32EnumProcessModules(GetCurrentProcess(), modules.data(),
                               static_cast<DWORD>(modules.size() * sizeof(HMODULE)), &needed) &&
         needed > modules.size() * sizeof(HMODULE))
    modules.resize(needed / sizeof(HMODULE));
  modules.resize(std::min<std::size_t>(modules.size(), needed / sizeof(HMODULE)));
  std::wstring list;
  for (HMODULE module : modules) {
    if (module == self) continue;
    for (const std::string& name : wine_test::ImportedDllNames(module)) {
      if (!SameName(dll, std::wstring(name.begin(), name.end()))) continue;
      if (!list.empty()) list += L'|';
      list += ModulePath(module);
      break;
    }
  }
  return list;
}

void Append(const std::wstring& line) {
  std::wstring file(MAX_PATH, L'\0');
  const DWORD length =
      GetEnvironmentVariableW(L"DLL_MARKER_RECORD", file.data(), static_cast<DWORD>(file.size()));
  if (length == 0 || length >= file.size()) return;
  file.resize(length);
  const int size = WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(std::max(size, 0)), '\0');
  WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), text.data(), size,
                      nullptr, nullptr);
  text += '\n';
  const HANDLE raw = CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (raw == INVALID_HANDLE_VALUE) return;
  const common::win32::UniqueKernelHandle out(raw);
  DWORD written = 0;
  WriteFile(out.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  const HMODULE self = instance;
  if (const HMODULE caller = Caller(self))
    Append(L"caller " + ModulePath(caller));
  else
    Append(L"importers " + Importers(self, BaseName(ModulePath(self))));
  return FALSE;
}
