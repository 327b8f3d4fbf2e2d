// The Win32 side of Quenby's window state, system menu, system commands and
// notification-area icon, for the main window:
//   - the form's placement mirrors the window's normal placement (read when the
//     shell is made and just before the window is destroyed, applied after
//     start-up has loaded the per-user state);
//   - the system menu, the monitors' work areas, restore and bring to front;
//   - the form's active control follows the focus among the window's controls;
//   - WM_SYSCOMMAND given to the window's default handling first, then to the
//     form by its whole value;
//   - the tray icon (Shell_NotifyIcon) with the program's icon, the task-bar
//     button hidden while the icon is shown and the window minimised, and the
//     icon's double-click sent to the form. The icon is removed on every way out.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <memory>

#include "common/win32/handles_win32.h"
#include "service_console/frmMain_u.h"

namespace quenby::win32 {

// The callback message of the tray icon and the icon's identifier.
inline constexpr UINT kTrayCallbackMessage = WM_APP + 0x51;
inline constexpr UINT kTrayIconId = 1;

class TrayIconPeer : public common::ui::IPeer {
 public:
  TrayIconPeer(HWND window, HICON icon) : window_(window), icon_(icon) {}
  ~TrayIconPeer() override;
  TrayIconPeer(const TrayIconPeer&) = delete;
  TrayIconPeer& operator=(const TrayIconPeer&) = delete;
  void Sync(const common::ui::TComponent& component) override;
  // Removes the icon when it is shown.
  void Remove();

 private:
  HWND window_;
  HICON icon_;
  bool shown_ = false;
};

class TQuenbyShell : private ISystemMenu, private IMonitors, private ITrayApplication {
 public:
  // Attaches to the created (still hidden) main window and to the form.
  // `onError` shows an error that escapes a handler run from here.
  TQuenbyShell(HINSTANCE instance, HWND window, TfrmMain& form,
               std::function<void(const std::exception&)> onError);
  ~TQuenbyShell() override;
  TQuenbyShell(const TQuenbyShell&) = delete;
  TQuenbyShell& operator=(const TQuenbyShell&) = delete;

  // Moves and sizes the window to the form's placement (after FormCreate).
  void ApplyPlacement();
  // Gives the focus to the form's active control (after the window is shown).
  void ApplyFocus();

 private:
  void AppendMenuA(std::uint32_t flags, std::uintptr_t id, const std::string& text) override;
  std::vector<TMonitor> Monitors() const override;
  void Restore() override;
  void BringToFront() override;

  void ReadPlacement();
  // The control of the form whose window is `focused` or holds it, if any.
  common::ui::TControl* ControlOf(HWND focused) const;
  static LRESULT CALLBACK FocusHook(int code, WPARAM wParam, LPARAM lParam);
  void Guard(const std::function<void()>& action);
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR id, DWORD_PTR data);

  HWND window_;
  TfrmMain& form_;
  std::function<void(const std::exception&)> onError_;
  common::win32::UniqueIcon icon_;
  std::unique_ptr<TrayIconPeer> trayPeer_;
  bool subclassed_ = false;
  // Follows the focus among the window's controls (the form's active control).
  common::win32::UniqueHook focusHook_;
};

}  // namespace quenby::win32
