// Owners of Win32 handles: a std::unique_ptr over the handle's pointee whose
// deleter calls the function that releases that kind of handle. Header only,
// so that the Windows programs, tools and tests can all use it.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace common::win32 {

// Calls `Release` on a handle of type `H`.
template <class H, auto Release>
struct HandleReleaser {
  void operator()(H handle) const { Release(handle); }
};

// Owns a handle of type `H` (a pointer type) and releases it with `Release`.
template <class H, auto Release>
using UniqueHandle = std::unique_ptr<std::remove_pointer_t<H>, HandleReleaser<H, Release>>;

// A registry key (RegCloseKey).
using UniqueKey = UniqueHandle<HKEY, &RegCloseKey>;
// A Service Control Manager or service handle (CloseServiceHandle).
using UniqueScHandle = UniqueHandle<SC_HANDLE, &CloseServiceHandle>;
// A kernel object: process, thread, event... (CloseHandle).
using UniqueKernelHandle = UniqueHandle<HANDLE, &CloseHandle>;
// A loaded library (FreeLibrary).
using UniqueModule = UniqueHandle<HMODULE, &FreeLibrary>;
// A bitmap (DeleteObject).
using UniqueBitmap = UniqueHandle<HBITMAP, &DeleteObject>;
// A memory device context (DeleteDC).
using UniqueMemoryDc = UniqueHandle<HDC, &DeleteDC>;
// An icon (DestroyIcon).
using UniqueIcon = UniqueHandle<HICON, &DestroyIcon>;
// A font made by the program.
using UniqueFont = UniqueHandle<HFONT, &DeleteObject>;
// A windows hook (UnhookWindowsHookEx).
using UniqueHook = UniqueHandle<HHOOK, &UnhookWindowsHookEx>;

// Image lists (ImageList_Destroy) need <commctrl.h>; their owners are declared
// where they are used, as UniqueHandle<HIMAGELIST, &ImageList_Destroy>.

}  // namespace common::win32
