// Palvex's entry point: loads HTML Help, sets the title, makes the
// configuration window with the settings read, makes the rule dialog, and
// handles messages until the window closes.
#include <windows.h>

#include <objbase.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "common/application.h"
#include "common/services_u.h"
#include "common/system_text.h"
#include "common/win32/dll_search_win32.h"
#include "common/win32/handles_win32.h"
#include "common/win32/win32_dialogs.h"
#include "common/win32/win32_form.h"
#include "common/win32/win32_registry.h"
#include "common/win32/win32_service_manager.h"
#include "common/win32/win32_system_text.h"
#include "common/win32/win32_wait_platform.h"
#include "config_editor/dlgIPEdit_u.h"
#include "config_editor/dlgMain_u.h"
#include "config_editor/win32/palvex_windows.h"

namespace {

// The ANSI help entry of HTML Help, export ordinal 14 of "HHCtrl.OCX".
using HtmlHelpAEntry = HWND(WINAPI*)(HWND caller, LPCSTR file, UINT command, DWORD_PTR data);
constexpr WORD kHtmlHelpAOrdinal = 14;
constexpr UINT kDisplayTopic = 0;

using UniqueLibrary = common::win32::UniqueModule;

// COM for the folder chooser, released on every way out.
class TComScope {
 public:
  TComScope() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  TComScope(const TComScope&) = delete;
  TComScope& operator=(const TComScope&) = delete;
  ~TComScope() {
    if (ok_) CoUninitialize();
  }

 private:
  bool ok_;
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // DLLs loaded at run time come from the system folder only.
  common::win32::RestrictDllSearchToSystemFolder();
  // 1. HTML Help, before anything else; without it help does nothing, silently.
  UniqueLibrary htmlHelp(common::win32::LoadSystemLibrary("HHCtrl.OCX"));
  HtmlHelpAEntry htmlHelpA = nullptr;
  if (htmlHelp) {
    FARPROC entry = GetProcAddress(htmlHelp.get(), MAKEINTRESOURCEA(kHtmlHelpAOrdinal));
    htmlHelpA = reinterpret_cast<HtmlHelpAEntry>(reinterpret_cast<void (*)()>(entry));
  }
  TComScope com;

  common::win32::Win32Dialogs dialogs;
  common::win32::Win32Registry registry;
  common::win32::Win32SystemText systemText;
  common::win32::Win32ServiceManager serviceManager;
  common::win32::Win32WaitPlatform waitPlatform;
  services_u::TServiceControl services(services_u::kPalvexFrontEnd, serviceManager, waitPlatform,
                                       dialogs, systemText);

  // 2. The application title.
  common::TApplication application(dialogs);
  application.SetTitle(palvex::kApplicationTitle);

  // 3. The configuration window: created, filled (a load error is shown before
  // it opens), then shown.
  palvex::TdlgIPEdit dlgIPEdit;
  std::function<void(const std::string&)> showHelp;
  if (htmlHelpA != nullptr) {
    showHelp = [htmlHelpA](const std::string& topic) {
      htmlHelpA(GetDesktopWindow(), topic.c_str(), kDisplayTopic, 0);
    };
  }
  palvex::TfrmMain frmMain(palvex::TfrmMainSeams{
      registry, systemText, dialogs, application, dlgIPEdit,
      [&services] { return services.RestartService("", palvex::kServiceName); },
      common::win32::ExecutableDirectory(), showHelp});
  // A window that cannot be made is reported with the system's reason, and the
  // program ends: the rule dialog too, or its first use would wait for ever.
  const auto windowFailed = [&application, &systemText] {
    application.ShowException(std::runtime_error(
        "Cannot create the window: " + common::SystemErrorText(systemText, GetLastError())));
    return 1;
  };
  auto mainWindow = palvex::win32::CreateMainWindow(frmMain, instance, application);
  if (mainWindow->Handle() == nullptr) return windowFailed();
  application.Run([&] { frmMain.FormCreate(); });
  mainWindow->Show();

  // 4. The rule dialog, made once, hidden.
  auto ruleDialog =
      palvex::win32::CreateRuleDialog(dlgIPEdit, instance, mainWindow->Handle(), application);
  if (ruleDialog->Handle() == nullptr) return windowFailed();
  dlgIPEdit.SetModalHost(ruleDialog.get());

  // 5. Messages until the configuration window closes.
  const int code = common::win32::RunMessageLoop();
  dlgIPEdit.SetModalHost(nullptr);
  return code;
}
