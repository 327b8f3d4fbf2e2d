#include "service_console/win32/shell_win32.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cwchar>

#include "common/win32/text_win32.h"
#include "service_console/win32/about_win32.h"
#include "service_console/win32/quenby_window.h"
#include "service_console/win32/resource.h"

namespace quenby::win32 {

namespace {

constexpr UINT_PTR kSubclassId = 0x51;
// The one shell of the program, for the focus hook.
TQuenbyShell* g_focusShell = nullptr;

NOTIFYICONDATAW IconData(HWND window) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = window;
  data.uID = kTrayIconId;
  return data;
}

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (GetMonitorInfoW(monitor, &info)) {
    const auto rect = [](const RECT& r) { return TRect{r.left, r.top, r.right, r.bottom}; };
    reinterpret_cast<std::vector<TMonitor>*>(list)->push_back(
        {rect(info.rcMonitor), rect(info.rcWork)});
  }
  return TRUE;
}

}  // namespace

// ---------------------------------------------------------------------------
// The tray icon.

TrayIconPeer::~TrayIconPeer() {
  Remove();
}

void TrayIconPeer::Remove() {
  if (!shown_) return;
  NOTIFYICONDATAW data = IconData(window_);
  Shell_NotifyIconW(NIM_DELETE, &data);
  shown_ = false;
}

void TrayIconPeer::Sync(const common::ui::TComponent& component) {
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
  data.uCallbackMessage = kTrayCallbackMessage;
  data.hIcon = icon_;
  const std::wstring tip = common::win32::AnsiToWide(tray.Hint());
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

// ---------------------------------------------------------------------------
// The shell.

TQuenbyShell::TQuenbyShell(HINSTANCE instance, HWND window, TfrmMain& form,
                           std::function<void(const std::exception&)> onError)
    : window_(window), form_(form), onError_(std::move(onError)) {
  icon_.reset(static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_QUENBY), IMAGE_ICON,
                                            GetSystemMetrics(SM_CXSMICON),
                                            GetSystemMetrics(SM_CYSMICON), 0)));
  trayPeer_ = std::make_unique<TrayIconPeer>(window_, icon_.get());
  form_.ElTrayIcon.AttachPeer(trayPeer_.get());
  form_.Shell.SystemMenu = this;
  form_.Shell.Monitors = this;
  form_.Shell.Application = this;
  form_.Shell.ShowAbout = [instance, window] { ShowAboutDialog(instance, window); };
  ReadPlacement();
  g_focusShell = this;
  focusHook_.reset(SetWindowsHookExW(WH_CBT, FocusHook, nullptr, GetCurrentThreadId()));
  subclassed_ = SetWindowSubclass(window_, SubclassProc, kSubclassId,
                                  reinterpret_cast<DWORD_PTR>(this)) != FALSE;
}

TQuenbyShell::~TQuenbyShell() {
  focusHook_.reset();
  if (g_focusShell == this) g_focusShell = nullptr;
  if (subclassed_ && IsWindow(window_)) RemoveWindowSubclass(window_, SubclassProc, kSubclassId);
  form_.ElTrayIcon.AttachPeer(nullptr);
  trayPeer_.reset();  // removes the icon
  form_.Shell = {};
}

void TQuenbyShell::ReadPlacement() {
  // Screen coordinates, as they are saved and applied. A minimised window's
  // rectangle is not its placement: the last one read before it stays.
  RECT r{};
  if (IsIconic(window_) || !GetWindowRect(window_, &r)) return;
  form_.UserMoved({r.left, r.top, r.right - r.left, r.bottom - r.top});
}

void TQuenbyShell::ApplyPlacement() {
  const auto& p = form_.GetPlacement();
  SetWindowPos(window_, nullptr, p.left, p.top, p.width, p.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TQuenbyShell::ApplyFocus() {
  const auto* control = form_.ActiveControl();
  const auto* peer =
      control != nullptr ? dynamic_cast<const ControlPeer*>(control->Peer()) : nullptr;
  if (peer == nullptr || !IsWindowVisible(window_)) return;
  SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(peer->Handle()), TRUE);
}

common::ui::TControl* TQuenbyShell::ControlOf(HWND focused) const {
  if (focused == nullptr || !IsChild(window_, focused)) return nullptr;
  for (auto* component : form_.Components()) {
    const auto* peer = dynamic_cast<const ControlPeer*>(component->Peer());
    if (peer == nullptr) continue;
    if (peer->Handle() == focused || IsChild(peer->Handle(), focused))
      return dynamic_cast<common::ui::TControl*>(component);
  }
  return nullptr;
}

LRESULT CALLBACK TQuenbyShell::FocusHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_SETFOCUS && g_focusShell != nullptr) {
    // Focus leaving the window (to a dialog or another program) keeps the last
    // control, as the window's active control does.
    if (auto* control = g_focusShell->ControlOf(reinterpret_cast<HWND>(wParam)))
      g_focusShell->form_.UserFocused(control);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void TQuenbyShell::AppendMenuA(std::uint32_t flags, std::uintptr_t id, const std::string& text) {
  HMENU menu = GetSystemMenu(window_, FALSE);  // the window's own copy; not to be destroyed
  if (menu == nullptr) return;
  ::AppendMenuA(menu, flags, id, (flags & MF_SEPARATOR) != 0 ? nullptr : text.c_str());
}

std::vector<TMonitor> TQuenbyShell::Monitors() const {
  std::vector<TMonitor> monitors;
  EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
  return monitors;
}

void TQuenbyShell::Restore() {
  ShowWindow(window_, SW_RESTORE);
}

void TQuenbyShell::BringToFront() {
  SetForegroundWindow(window_);
}

void TQuenbyShell::Guard(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& error) {
    if (onError_) onError_(error);
  } catch (...) {
    // Nothing may leave a window procedure.
  }
}

LRESULT CALLBACK TQuenbyShell::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<TQuenbyShell*>(data);
  switch (message) {
    case WM_SYSCOMMAND: {
      const LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
      self->Guard([&] { self->form_.WMSysCommand(wParam); });
      return result;
    }
    case kTrayCallbackMessage:
      if (lParam == WM_LBUTTONDBLCLK) self->Guard([&] { self->form_.ElTrayIcon.UserDblClick(); });
      return 0;
    case WM_WINDOWPOSCHANGED:
      self->ReadPlacement();
      break;
    case WM_DESTROY:
      // The state saved on destruction is the window's last normal placement;
      // the icon goes with the window.
      self->ReadPlacement();
      self->trayPeer_->Remove();
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, SubclassProc, kSubclassId);
      self->subclassed_ = false;
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

}  // namespace quenby::win32
