// The notification area as a test sees it from outside the program.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <cwchar>
#include <string>
#include <vector>

#include "common/win32/handles_win32.h"

namespace wine_test {

// The texts of every tool of the tooltip windows that the notification area
// owns (Wine's tray keeps one tool per icon).
inline std::vector<std::string> TrayTooltips() {
  std::vector<std::string> texts;
  const HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr);
  if (tray == nullptr) return texts;
  struct Search {
    HWND tray;
    std::vector<HWND> tooltips;
  } search{tray, {}};
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        wchar_t className[64] = {};
        GetClassNameW(window, className, static_cast<int>(std::size(className)));
        if (GetWindow(window, GW_OWNER) == s->tray && std::wcscmp(className, TOOLTIPS_CLASSW) == 0)
          s->tooltips.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  for (const HWND tooltip : search.tooltips) {
    // The messages carry pointers: the tool's description and the text buffer
    // live in the tray's process.
    DWORD trayProcess = 0;
    GetWindowThreadProcessId(tooltip, &trayProcess);
    const common::win32::UniqueKernelHandle process(
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, trayProcess));
    if (!process) continue;
    constexpr SIZE_T kTextChars = 512;
    const SIZE_T size = sizeof(TTTOOLINFOW) + kTextChars * sizeof(wchar_t);
    void* remote = VirtualAllocEx(process.get(), nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    if (remote == nullptr) continue;
    auto* remoteText = reinterpret_cast<LPWSTR>(static_cast<char*>(remote) + sizeof(TTTOOLINFOW));
    const LRESULT count = SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      TTTOOLINFOW info{};
      info.cbSize = sizeof info;
      info.lpszText = remoteText;
      std::vector<wchar_t> text(kTextChars, L'\0');
      if (!WriteProcessMemory(process.get(), remote, &info, sizeof info, nullptr)) break;
      if (!SendMessageW(tooltip, TTM_ENUMTOOLSW, static_cast<WPARAM>(i),
                        reinterpret_cast<LPARAM>(remote)))
        continue;
      if (!ReadProcessMemory(process.get(), remote, &info, sizeof info, nullptr)) break;
      info.lpszText = remoteText;
      WriteProcessMemory(process.get(), remote, &info, sizeof info, nullptr);
      WriteProcessMemory(process.get(), remoteText, text.data(), kTextChars * sizeof(wchar_t),
                         nullptr);
      SendMessageW(tooltip, TTM_GETTEXTW, kTextChars, reinterpret_cast<LPARAM>(remote));
      if (ReadProcessMemory(process.get(), remoteText, text.data(), kTextChars * sizeof(wchar_t),
                            nullptr)) {
        text.back() = L'\0';
        const int length = static_cast<int>(wcslen(text.data()));
        std::string narrow(static_cast<std::size_t>(length) * 2, '\0');
        narrow.resize(static_cast<std::size_t>(
            WideCharToMultiByte(CP_ACP, 0, text.data(), length, narrow.data(),
                                static_cast<int>(narrow.size()), nullptr, nullptr)));
        texts.push_back(narrow);
      }
    }
    VirtualFreeEx(process.get(), remote, 0, MEM_RELEASE);
  }
  return texts;
}

}  // namespace wine_test
