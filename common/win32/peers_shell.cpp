// The notification-area icon, the system menu, the window's icons and the
// monitors of the desktop.
#include "common/win32/win32_peer.h"

#include <shellapi.h>

#include <algorithm>
#include <cwchar>

#include "common/win32/dll_search_win32.h"
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

// Copies text into a fixed field of the notification data, cut to fit.
template <std::size_t N>
void CopyTruncated(wchar_t (&field)[N], const std::wstring& text) {
  const std::size_t length = std::min(text.size(), N - 1);
  std::wmemcpy(field, text.data(), length);
  field[length] = L'\0';
}

using UniqueMenu = UniqueHandle<HMENU, &DestroyMenu>;

// Shell_NotifyIconW of shell32, loaded when the icon is first shown: a
// program that never goes to the tray does not load the shell at start-up.
BOOL NotifyIcon(DWORD message, NOTIFYICONDATAW* data) {
  using Entry = BOOL(WINAPI*)(DWORD, NOTIFYICONDATAW*);
  static const auto entry = SystemEntry<Entry>("shell32.dll", "Shell_NotifyIconW");
  return entry != nullptr ? entry(message, data) : FALSE;
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

// The icons are loaded at the system's small-icon size, the notification area's.
TTrayIconPeer::TTrayIconPeer(HWND window, HINSTANCE instance, int iconId,
                             const std::vector<int>& pictureIds)
    : window_(window), instance_(instance), iconId_(iconId), pictureIds_(pictureIds) {}

void TTrayIconPeer::LoadIcons() {
  if (icon_) return;
  const int width = GetSystemMetrics(SM_CXSMICON);
  const int height = GetSystemMetrics(SM_CYSMICON);
  icon_.reset(LoadIconResource(instance_, iconId_, width, height));
  for (int id : pictureIds_) pictures_.emplace_back(LoadIconResource(instance_, id, width, height));
}

TTrayIconPeer::~TTrayIconPeer() {
  Remove();
}

void TTrayIconPeer::Remove() {
  if (!shown_) return;
  NOTIFYICONDATAW data = IconData(window_);
  NotifyIcon(NIM_DELETE, &data);
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
  LoadIcons();  // on first showing, not at start-up
  NOTIFYICONDATAW data = IconData(window_);
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = kCallbackMessage;
  const int picture = tray.Picture();
  data.hIcon = picture >= 0 && static_cast<std::size_t>(picture) < pictures_.size() &&
                       pictures_[static_cast<std::size_t>(picture)]
                   ? pictures_[static_cast<std::size_t>(picture)].get()
                   : icon_.get();
  CopyTruncated(data.szTip, AnsiToWide(tray.Hint()));
  if (shown_) {
    NotifyIcon(NIM_MODIFY, &data);
  } else {
    shown_ = NotifyIcon(NIM_ADD, &data) != FALSE;
    balloonsShown_ = tray.Balloons();  // a balloon asked for while hidden is not shown late
  }
  // Each balloon asked for is shown once.
  if (shown_ && tray.Balloons() != balloonsShown_) {
    balloonsShown_ = tray.Balloons();
    NOTIFYICONDATAW balloon = IconData(window_);
    balloon.uFlags = NIF_INFO;
    balloon.dwInfoFlags = NIIF_INFO;
    CopyTruncated(balloon.szInfoTitle, AnsiToWide(tray.BalloonTitle()));
    CopyTruncated(balloon.szInfo, AnsiToWide(tray.BalloonText()));
    NotifyIcon(NIM_MODIFY, &balloon);
  }
  // While the icon is shown and the window minimised, no task-bar button.
  if (IsIconic(window_) && IsWindowVisible(window_)) ShowWindow(window_, SW_HIDE);
}

void TTrayIconPeer::ShowMenu(common::ui::TTrayIcon& tray) {
  const std::vector<common::ui::TMenuItem> items = tray.UserContextMenu();
  if (items.empty()) return;
  const UniqueMenu menu(CreatePopupMenu());
  if (!menu) return;
  for (const auto& item : items) {
    if (item.id == 0) {
      AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
      continue;
    }
    const UINT flags = MF_STRING | (item.enabled ? MF_ENABLED : MF_GRAYED) |
                       (item.checked ? MF_CHECKED : MF_UNCHECKED);
    AppendMenuW(menu.get(), flags, item.id, AnsiToWide(item.text).c_str());
  }
  // The platform's rule for a notification-area menu: the window takes the
  // foreground so that the menu closes when the user clicks elsewhere, and a
  // message after it lets the menu go for good.
  POINT at{};
  GetCursorPos(&at);
  SetForegroundWindow(window_);
  const auto chosen = static_cast<UINT>(TrackPopupMenuEx(
      menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, window_, nullptr));
  PostMessageW(window_, WM_NULL, 0, 0);
  if (chosen != 0) tray.UserMenuCommand(chosen);
}

TTimerPeer::~TTimerPeer() {
  if (running_ && IsWindow(window_)) KillTimer(window_, id_);
}

void TTimerPeer::Sync(const common::ui::TComponent& component) {
  const auto& timer = static_cast<const common::ui::TTimer&>(component);
  if (timer.Enabled() && !running_) {
    running_ = SetTimer(window_, id_, timer.Interval(), nullptr) != 0;
  } else if (!timer.Enabled() && running_) {
    KillTimer(window_, id_);
    running_ = false;
  }
}

void TWin32Form::BindTimer(common::ui::TTimer& timer) {
  auto peer = std::make_unique<TTimerPeer>(hwnd_, kFirstTimerId + timers_.size());
  timer.AttachPeer(peer.get());
  timers_.push_back({&timer, std::move(peer)});
}

void TWin32Form::BindTrayIcon(common::ui::TTrayIcon& tray, int iconId,
                              const std::vector<int>& pictureIconIds) {
  tray_ = std::make_unique<TTrayIconPeer>(hwnd_, instance_, iconId, pictureIconIds);
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
