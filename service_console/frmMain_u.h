// Quenby's main window as a portable form over the widget kit: the managed
// service list (registered names, EnumServices, AddMatchingServices), the state
// display and status line of the selected service, and the actions on it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/dialogs.h"
#include "common/registry.h"
#include "common/service_manager.h"
#include "common/services_u.h"
#include "common/widgets.h"
#include "service_console/windowstate_u.h"

namespace quenby {

// The key whose value names are the services this console manages (HKLM).
inline constexpr std::string_view kRegisteredServicesKey = "SOFTWARE\\Corvanti\\Quenby\\Services";

inline constexpr std::string_view kNoServicesMessage =
    "None of services registered to manage with Corvanti Quenby!\r\nApplication will now exit.";

// The window's own mark for a display without a service; no service state.
inline constexpr services_u::TServiceState kNoServiceState = 100;

// The list's words for the states 1..7 (index 0 is state 1); entries show them
// in upper case.
inline constexpr std::array<std::string_view, 7> ListStateWords = {
    "Stopped", "Starting", "Stopping", "Started", "Restarting", "Pausing", "Paused"};

// The status line's words for the states 1..7 (index 0 is state 1), and the
// word of every other value.
inline constexpr std::array<std::string_view, 7> StatusStateWords = {
    "Stopped",          "Start pending", "Stop pending", "Running",
    "Continue pending", "Pause pending", "Paused"};
inline constexpr std::string_view kUnknownStateWord = "Unknown state";

// Picture indexes of the state image list.
inline constexpr int kPictureRunning = 0;
inline constexpr int kPictureStopped = 1;
inline constexpr int kPicturePaused = 2;
inline constexpr int kPictureOther = 4;
inline constexpr int kStatePictureCount = 5;

// One row of the state display: which action buttons are enabled (when the list
// holds entries) and the picture shown.
struct TStateDisplay {
  services_u::TServiceState State;
  bool StartEnabled;
  bool PauseEnabled;
  bool StopEnabled;
  int Picture;
};
inline constexpr std::array<TStateDisplay, 3> StateDisplayTable = {{
    {services_u::kStateStopped, true, false, false, kPictureStopped},
    {services_u::kStateRunning, false, true, true, kPictureRunning},
    {services_u::kStatePaused, true, false, true, kPicturePaused},
}};
// The row of every state not in the table (pending states, -1, 100).
inline constexpr TStateDisplay kOtherStateDisplay = {0, false, false, false, kPictureOther};

const TStateDisplay& StateDisplay(services_u::TServiceState state);

// Upper-casing of 8-bit text under the system's locale rules (the ANSI code
// page), in place. The Windows build uses CharUpperBuffA.
class IAnsiUpperCase {
 public:
  virtual ~IAnsiUpperCase() = default;
  virtual void UpperCase(char* text, std::size_t length) const = 0;
};

// The C locale's rule: a..z become A..Z, every other byte stays.
class TCLocaleUpperCase : public IAnsiUpperCase {
 public:
  void UpperCase(char* text, std::size_t length) const override;
};

// The computer-name call of the system (GetComputerNameA): fills `buffer` with
// at most `size` characters including the terminating zero; false on failure.
class IComputerName {
 public:
  virtual ~IComputerName() = default;
  virtual bool GetComputerNameA(char* buffer, std::uint32_t& size) = 0;
};

// This machine's computer name, read into 16 characters; empty when the system
// cannot supply it (an empty name means the local machine everywhere).
std::string GetLocalComputerName(IComputerName& system);

// The status line: machine ("local" when empty), service ("Unknown service"
// when empty) and the state's word, joined by " - ".
std::string FormatStateLine(const std::string& machine, const std::string& service,
                            services_u::TServiceState state);

// The platform the window works through.
struct TfrmMainPlatform {
  common::IRegistry& Registry;
  common::IServiceManager& Scm;
  services_u::TServiceControl& Control;  // built with kQuenbyFrontEnd
  common::IDialogs& Dialogs;
  const IAnsiUpperCase& Upper;
  IComputerName& Computer;
  // The message boxes of Control, when they can be held back: the watch from
  // the tray reads without showing a box. May be null.
  common::TQuietableDialogs* ControlDialogs = nullptr;
};

class TfrmMain : public common::ui::TForm, private services_u::IWaitWindow {
 public:
  explicit TfrmMain(const TfrmMainPlatform& platform);

  // Components, in their order of declaration.
  common::ui::TLabel Label1{"Label1"};
  common::ui::TComboBox cbServices{"cbServices"};
  common::ui::TButton bbStart{"bbStart"};
  common::ui::TButton bbPause{"bbPause"};
  common::ui::TButton bbStop{"bbStop"};
  common::ui::TStatusBar esbMain{"esbMain"};
  common::ui::TEdit elServer{"elServer"};
  common::ui::TLabel Label2{"Label2"};
  common::ui::TButton btnRefresh{"btnRefresh"};
  common::ui::TLabel Label3{"Label3"};
  common::ui::TLabel Label4{"Label4"};
  common::ui::TLabel Label5{"Label5"};
  common::ui::TImage imState{"imState"};
  common::ui::TCheckBox cbAutoStart{"cbAutoStart", "Start service automatically when OS starts"};
  common::ui::TTrayIcon ElTrayIcon{"ElTrayIcon"};
  // Re-reads the selected service while it is watched from the tray.
  common::ui::TTimer tmTrayWatch{"tmTrayWatch", kTrayWatchMilliseconds};

  // Window state, system menu and tray: the platform pieces they use, set
  // before FormCreate.
  TWindowShell Shell;
  void LoadWindowState();
  void SaveWindowState();
  common::ui::TControl* FindControlByName(const std::string& name) const;
  // A WM_SYSCOMMAND after the window's default handling, by its whole value.
  void WMSysCommand(std::uintptr_t command);
  void ElTrayIconDblClick();

  // The tray icon's right-click menu: its entries, enabled as the action
  // buttons are, and the handler of the one chosen.
  std::vector<common::ui::TMenuItem> TrayMenu() const;
  void TrayMenuCommand(std::uint32_t id);
  // The watch from the tray: the user's choice, and one re-read of it.
  bool TrayWatch() const { return trayWatch_; }
  void SetTrayWatch(bool watch);
  void ToggleTrayWatch();
  void ShowAboutFromTray();
  void tmTrayWatchTimer();

  // Creation and destruction handlers.
  void FormCreate();
  void FormDestroy();

  // The service list.
  bool EnumServices();
  void AddMatchingServices(const std::vector<common::EnumServiceRecord>& records);

  // The display of the selected service.
  void cbServicesChange();
  void ShowServiceState(services_u::TServiceState state);
  void SetStateImage(int index);

  // The actions.
  void bbStartClick();
  void bbPauseClick();
  void bbStopClick();
  void btnRefreshClick();
  void elServerExit();
  void cbAutoStart1Click();
  void DoServiceAction(const std::string& serviceName, services_u::TServiceAction action);
  void ShowProgress(const std::string& progressText);
  void DisableControls();
  void EnableControls();

  const std::vector<std::string>& RegisteredServices() const { return registeredServices_; }
  const std::vector<std::string>& ListedServices() const { return listedServices_; }
  bool IgnoreAutoStartClick() const { return ignoreAutoStartClick_; }

 private:
  void ReadRegisteredServices();
  void UpperCaseRegistered();
  // The service at the selected position of ListedServices, or null when the
  // position names none.
  const std::string* SelectedService() const;
  // As SelectedService; raises EListError when the position names none.
  const std::string& SelectedServiceOrThrow() const;
  // Sets the box as the program, so that no click of it reaches the Service
  // Control Manager.
  void SetAutoStartChecked(bool checked);
  void SetAllControlsEnabled(bool enabled);
  void ShowRefreshFailed();

  // The wait's window steps.
  void BeginWait(const std::string& progressText) override;
  void EndWait() override;

  TfrmMainPlatform platform_;
  std::vector<std::string> registeredServices_;
  std::vector<std::string> listedServices_;
  // Upper-case forms: the registered names for the rebuild under way, the
  // service names of the batch under way.
  std::vector<std::string> upperRegistered_;
  std::vector<std::string> upperBatch_;
  bool ignoreAutoStartClick_ = false;
  // The watch from the tray: on or off, polling only while hidden in the tray;
  // the state last shown, the one last seen by the watch, and whether an
  // action of this window is under way.
  void UpdateTrayWatch();
  void SeenByTheWatch() { watchedState_ = shownState_; }
  bool trayWatch_ = false;
  services_u::TServiceState shownState_ = kNoServiceState;
  services_u::TServiceState watchedState_ = kNoServiceState;
  bool waiting_ = false;
};

}  // namespace quenby
