#include "common/win32/win32_wait_platform.h"

#include <windows.h>

namespace common::win32 {

std::uint32_t Win32WaitPlatform::TickCount() {
  return ::GetTickCount();
}

void Win32WaitPlatform::Sleep(std::uint32_t milliseconds) {
  ::Sleep(milliseconds);
}

void Win32WaitPlatform::ProcessMessages() {
  MSG message{};
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

}  // namespace common::win32
