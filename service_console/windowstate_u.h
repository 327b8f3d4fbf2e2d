// Quenby's per-user window state, its system-menu entries, the routing of
// system commands and the notification-area icon, as portable functions over
// the registry seam and the widget kit. The main window's methods call them.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/registry.h"
#include "common/widgets.h"

namespace quenby {

// The per-user key (HKEY_CURRENT_USER) is this path followed by the window's
// component name; the leading backslash stands for the hive's root.
inline constexpr std::string_view kWindowStateKeyPrefix = "\\SOFTWARE\\Corvanti\\Quenby\\2.0\\";
std::string WindowStateKey(std::string_view componentName);

// Value names, in the order in which they are written and read.
inline constexpr std::string_view kValueLeft = "Left";
inline constexpr std::string_view kValueTop = "Top";
inline constexpr std::string_view kValueWidth = "Width";
inline constexpr std::string_view kValueHeight = "Height";
inline constexpr std::string_view kValueActiveControl = "ActiveControl";
inline constexpr std::string_view kValueServiceIndex = "ServiceIndex";
inline constexpr std::string_view kValueServerName = "ServerName";

// A rectangle in screen pixels, right and bottom exclusive.
struct TRect {
  std::int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  bool operator==(const TRect&) const = default;
};
struct TMonitor {
  TRect Bounds;    // the whole monitor
  TRect WorkArea;  // the part that windows use (without task bars)
};
// The monitors of the desktop as they are now.
class IMonitors {
 public:
  virtual ~IMonitors() = default;
  virtual std::vector<TMonitor> Monitors() const = 0;
};

// A placement that lies entirely off every monitor moves onto the work area of
// the nearest monitor, keeping its width and height; any other placement, or
// any placement when no monitor is known, stays as it is.
common::ui::TForm::Placement MoveOntoMonitors(const common::ui::TForm::Placement& placement,
                                              std::span<const TMonitor> monitors);

// The first of the window's components, in their order of declaration, whose
// name equals `name` exactly (case counts), when it is a control; else null.
common::ui::TControl* FindControlByName(const common::ui::TForm& form, std::string_view name);

// The parts of the main window whose state is kept.
struct TWindowStateParts {
  common::ui::TForm& Form;
  common::ui::TComboBox& Services;  // cbServices
  common::ui::TEdit& Server;        // elServer
};

// Reads the per-user key and applies each value that exists. A missing key
// applies nothing; a missing value, or one that cannot be applied (another
// registry type, a control that cannot take the focus, a position outside the
// list), is skipped on its own. Nothing is reported. `monitors` may be null.
void LoadWindowState(common::IRegistry& registry, const TWindowStateParts& parts,
                     const IMonitors* monitors);

// Writes the seven values (ActiveControl only when a control has the focus);
// nothing is written when the key cannot be opened. Nothing is deleted.
void SaveWindowState(common::IRegistry& registry, const TWindowStateParts& parts);

// The system-menu entries appended at the start of the window's creation.
inline constexpr std::uint32_t kMfString = 0x0000;
inline constexpr std::uint32_t kMfSeparator = 0x0800;
inline constexpr std::uintptr_t kAboutCommand = 1025;
inline constexpr std::string_view kAboutMenuText = "&About Quenby...";

// The window's own system menu.
class ISystemMenu {
 public:
  virtual ~ISystemMenu() = default;
  virtual void AppendMenuA(std::uint32_t flags, std::uintptr_t id, const std::string& text) = 0;
};
// A separator (identifier 0, no text), then "&About Quenby..." with 1025.
void AppendSystemMenuEntries(ISystemMenu& menu);

inline constexpr std::uintptr_t kScMinimize = 0xF020;
inline constexpr std::uintptr_t kScRestore = 0xF120;
inline constexpr std::string_view kTrayHintTitle = "Corvanti Quenby\r\n";
// The notification area shows at most this many characters of a tooltip.
inline constexpr std::size_t kTrayHintMax = 127;

// The title line, a line break and the status line, cut to kTrayHintMax.
std::string TrayHint(std::string_view statusLine);

// What a system command does after the window's default handling, by its
// whole value: the About command shows the About dialog, a minimise shows the
// tray icon with the hint built from the status line, a restore removes it.
// Any other value does nothing here.
void HandleSysCommand(std::uintptr_t command, common::ui::TTrayIcon& tray,
                      const common::ui::TStatusBar& statusBar,
                      const std::function<void()>& showAbout);

// The application's minimise state as the tray icon needs it.
class ITrayApplication {
 public:
  virtual ~ITrayApplication() = default;
  // Shows the main window again at its placement.
  virtual void Restore() = 0;
  virtual void BringToFront() = 0;
};

// A double-click on the icon: restore, bring to the front, remove the icon.
void ElTrayIconDblClick(common::ui::TTrayIcon& tray, ITrayApplication& application);

// The user's choice to watch the selected service from the notification area,
// kept apart from the window's state: TrayWatch (REG_DWORD, 1 on, anything
// else or absent off) under this per-user key.
inline constexpr std::string_view kOptionsKey = "\\SOFTWARE\\Corvanti\\Quenby\\2.0\\Options";
inline constexpr std::string_view kValueTrayWatch = "TrayWatch";
bool LoadTrayWatch(common::IRegistry& registry);
void SaveTrayWatch(common::IRegistry& registry, bool watch);

// The tray icon's right-click menu: its entries in order, by identifier;
// identifier 0 is a separator.
enum TTrayCommand : std::uint32_t {
  kTraySeparator = 0,
  kTrayRestore = 1,
  kTrayStart,
  kTrayPause,
  kTrayStop,
  kTrayWatch,
  kTrayAbout,
  kTrayExit,
};
struct TTrayMenuEntry {
  TTrayCommand Id;
  std::string_view Text;
};
inline constexpr std::array<TTrayMenuEntry, 10> TrayMenuEntries = {{
    {kTrayRestore, "Restore"},
    {kTraySeparator, ""},
    {kTrayStart, "Start/Continue"},
    {kTrayPause, "Pause"},
    {kTrayStop, "Stop"},
    {kTraySeparator, ""},
    {kTrayWatch, "Watch service from here"},
    {kTraySeparator, ""},
    {kTrayAbout, "About Quenby..."},
    {kTrayExit, "Exit"},
}};
// While watching from the tray the selected service is read this often.
inline constexpr std::uint32_t kTrayWatchMilliseconds = 2000;
// The title of the notice shown when the watched service changes by itself.
inline constexpr std::string_view kTrayNoticeTitle = "Quenby";

// The platform pieces that the main window's state, menu and tray use; any
// of them may be missing (tests, or a platform without it).
struct TWindowShell {
  ISystemMenu* SystemMenu = nullptr;
  const IMonitors* Monitors = nullptr;
  ITrayApplication* Application = nullptr;
  std::function<void()> ShowAbout;  // opens the About dialog modally
};

}  // namespace quenby
