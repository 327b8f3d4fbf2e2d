// The notification-area icon, the system menu, the window's icons and the
// monitors of the desktop.
#include "common/win32/win32_peer.h"

#include <shellapi.h>

#include <algorithm>
#include <cwchar>

#include "common/win32/text_win32.h"

namespace common::win32 {

namespace {

constexpr UINT kTrayIconId = 1;

NOTIFYICONDATAW IconData(HWND window) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = window;
  data.uID = kTrayIconId;
  return data;
}

HICON LoadIconResource(HINSTANCE instance, int iconId, int width, int height) {
  return static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(iconId), IMAGE_ICON, width, height, 0));
}

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (GetMonitorInfoW(monitor, &info))
    reinterpret_cast<std::vector<TMonitorArea>*>(list)->push_back({info.rcMonitor, info.rcWork});
  return TRUE;
}

}  // namespace

TTrayIconPeer::TTrayIconPeer(HWND window, HINSTANCE instance, int iconId)
    : window_(window),
      icon_(LoadIconResource(instance, iconId, GetSystemMetrics(SM_CXSMICON),
                             GetSystemMetrics(SM_CYSMICON))) {}

TTrayIconPeer::~TTrayIconPeer() {
  Remove();
}

void TTrayIconPeer::Remove() {
  if (!shown_) return;
  NOTIFYICONDATAW data = IconData(window_);
  Shell_NotifyIconW(NIM_DELETE, &data);
  shown_ = false;
}

void TTrayIconPeer::Sync(const common::ui::TComponent& component) {
  const auto& tray = static_cast<const common::ui::TTrayIcon&>(component);
  if (!tray.Enabled()) {
    if (!shown_) return;
    Remove();
    // The task-bar button comes back with the window.
    if (!IsWindowVisible(window_)) ShowWindow(window_, SW_SHOWMINNOACTIVE);
    return;
  }
  NOTIFYICONDATAW data = IconData(window_);
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = kCallbackMessage;
  data.hIcon = icon_.get();
  const std::wstring tip = AnsiToWide(tray.Hint());
  const std::size_t length = std::min(tip.size(), std::size(data.szTip) - 1);
  std::wmemcpy(data.szTip, tip.data(), length);
  data.szTip[length] = L'\0';
  if (shown_) {
    Shell_NotifyIconW(NIM_MODIFY, &data);
  } else {
    shown_ = Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
  }
  // While the icon is shown and the window minimised, no task-bar button.
  if (IsIconic(window_) && IsWindowVisible(window_)) ShowWindow(window_, SW_HIDE);
}

void TWin32Form::BindTrayIcon(common::ui::TTrayIcon& tray, int iconId) {
  tray_ = std::make_unique<TTrayIconPeer>(hwnd_, instance_, iconId);
  trayWidget_ = &tray;
  tray.AttachPeer(tray_.get());
}

void TWin32Form::AppendSystemMenu(UINT flags, UINT_PTR id, const std::string& text) {
  HMENU menu = GetSystemMenu(hwnd_, FALSE);  // the window's own copy; not to be destroyed
  if (menu == nullptr) return;
  ::AppendMenuA(menu, flags, id, (flags & MF_SEPARATOR) != 0 ? nullptr : text.c_str());
}

void TWin32Form::SetIcons(int iconId) {
  bigIcon_.reset(LoadIconResource(instance_, iconId, GetSystemMetrics(SM_CXICON),
                                  GetSystemMetrics(SM_CYICON)));
  smallIcon_.reset(LoadIconResource(instance_, iconId, GetSystemMetrics(SM_CXSMICON),
                                    GetSystemMetrics(SM_CYSMICON)));
  SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
  SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
}

void TWin32Form::Restore() {
  ShowWindow(hwnd_, SW_RESTORE);
}

void TWin32Form::BringToFront() {
  SetForegroundWindow(hwnd_);
}

std::vector<TMonitorArea> MonitorAreas() {
  std::vector<TMonitorArea> monitors;
  EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
  return monitors;
}

}  // namespace common::win32
