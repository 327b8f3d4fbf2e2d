// Quenby's windows over the shared window layer: the main window and the
// About dialog, each its template plus bindings.
#pragma once

#include <windows.h>

#include <memory>

#include "common/application.h"
#include "common/win32/win32_form.h"
#include "service_console/frmMain_u.h"
#include "service_console/win32/version_win32.h"

namespace quenby::win32 {

// The main window, hidden until shown. It hands the form its system menu, the
// monitors, the tray's restore and the About dialog (TfrmMain::Shell) for as
// long as it lives.
class TMainWindow : private ISystemMenu,
                    private IMonitors,
                    private ITrayApplication,
                    private common::ui::IModalHost {
 public:
  TMainWindow(TfrmMain& form, HINSTANCE instance, common::TApplication& application);
  ~TMainWindow() override;
  TMainWindow(const TMainWindow&) = delete;
  TMainWindow& operator=(const TMainWindow&) = delete;

  // Null when the window could not be made.
  HWND Handle() const { return window_.Handle(); }
  common::win32::TWin32Form& Window() { return window_; }

 private:
  void AppendMenuA(std::uint32_t flags, std::uintptr_t id, const std::string& text) override;
  std::vector<TMonitor> Monitors() const override;
  void Restore() override { window_.Restore(); }
  void BringToFront() override { window_.BringToFront(); }
  // The About dialog, made anew for each showing.
  void RunModal(common::ui::TForm& form) override;

  TfrmMain& form_;
  HINSTANCE instance_;
  common::TApplication& application_;
  common::win32::TWin32Form window_;
  Win32VersionFiles versionFiles_;
};

}  // namespace quenby::win32
