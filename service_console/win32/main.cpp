// Quenby's entry point: the platform adapters, the application object, the main
// window, and the message loop until the window ends the program.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <stdexcept>

#include "common/application.h"
#include "common/services_u.h"
#include "common/system_text.h"
#include "common/win32/dll_search_win32.h"
#include "common/win32/win32_dialogs.h"
#include "common/win32/win32_registry.h"
#include "common/win32/win32_service_manager.h"
#include "common/win32/win32_system_text.h"
#include "common/win32/win32_wait_platform.h"
#include "service_console/frmMain_u.h"
#include "service_console/win32/quenby_windows.h"

namespace {

// Upper-casing under the system's locale rules for the ANSI code page.
class Win32UpperCase : public quenby::IAnsiUpperCase {
 public:
  void UpperCase(char* text, std::size_t length) const override {
    while (length > 0) {
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(length, MAXDWORD));
      CharUpperBuffA(text, chunk);
      text += chunk;
      length -= chunk;
    }
  }
};

class Win32ComputerName : public quenby::IComputerName {
 public:
  bool GetComputerNameA(char* buffer, std::uint32_t& size) override {
    DWORD length = size;
    const bool ok = ::GetComputerNameA(buffer, &length) != FALSE;
    size = length;
    return ok;
  }
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  // DLLs loaded at run time come from the system folder only.
  common::win32::RestrictDllSearchToSystemFolder();
  common::win32::Win32Registry registry;
  common::win32::Win32ServiceManager scm;
  common::win32::Win32WaitPlatform waitPlatform;
  common::win32::Win32Dialogs dialogs;
  common::win32::Win32SystemText systemText;
  // The service operations' boxes are held back while the tray watch reads.
  common::TQuietableDialogs controlDialogs(dialogs);
  services_u::TServiceControl control(services_u::kQuenbyFrontEnd, scm, waitPlatform,
                                      controlDialogs, systemText);
  Win32UpperCase upper;
  Win32ComputerName computer;

  common::TApplication application(dialogs);
  application.SetTitle("Quenby");

  quenby::TfrmMain form({registry, scm, control, dialogs, upper, computer, &controlDialogs});
  // The window with its state, system menu, About dialog and tray icon.
  quenby::win32::TMainWindow window(form, instance, application);
  if (window.Handle() == nullptr) {
    application.ShowException(std::runtime_error(
        "Cannot create the window: " + common::SystemErrorText(systemText, GetLastError())));
    return 1;
  }
  application.Run([&form] { form.FormCreate(); });
  // With nothing to manage the window has asked to close: the message loop ends
  // the program without showing it.
  if (!form.CloseRequested())
    window.Window().Show(showCommand == SW_HIDE ? SW_SHOWNORMAL : showCommand);
  return common::win32::RunMessageLoop();
}
