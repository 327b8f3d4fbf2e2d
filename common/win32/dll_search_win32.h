// Where the programs take DLLs from at run time: the system folder only, so
// that a file named like a system DLL beside the program (in a downloads
// folder, say) never runs inside it.
#pragma once

#include <windows.h>

namespace common::win32 {

// Restricts the DLLs that the process loads by name at run time, by any
// module's LoadLibrary call, to the system folder, and takes the current
// directory out of the search. Where the system lacks the restriction
// (Windows 7 without KB2533623) only the current directory goes.
void RestrictDllSearchToSystemFolder();

// Loads the DLL of the system folder with this name, never one from anywhere
// else; null when there is none.
HMODULE LoadSystemLibrary(const char* name);

// An entry point of a system DLL that the program needs only now and then,
// looked up on first use so that the DLL costs nothing at start-up. The DLL
// stays loaded for the rest of the process. Null when it cannot be had.
template <class Function>
Function SystemEntry(const char* dll, const char* name) {
  const HMODULE module = LoadSystemLibrary(dll);
  if (module == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

}  // namespace common::win32
