// Quenby end to end under Wine: the real program over the real Service Control
// Manager, with stand-in services registered for it, driven through its
// controls by their resource IDs.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shellapi.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/win32/handles_win32.h"
#include "service_console/win32/resource.h"
#include "tests/wine/tray_support.h"
#include "tests/wine/wine_test_support.h"

namespace {

using ScHandle = common::win32::UniqueScHandle;
using wine_test::WaitUntil;
using KernelHandle = common::win32::UniqueKernelHandle;
using Key = common::win32::UniqueKey;
using Module = common::win32::UniqueModule;
using Bitmap = common::win32::UniqueBitmap;
using Dc = common::win32::UniqueMemoryDc;
using wine_test::WindowsPath;

constexpr char kServicesKey[] = "SOFTWARE\\Corvanti\\Quenby\\Services";

std::string Narrow(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int length = static_cast<int>(wide.size());
  const int needed =
      WideCharToMultiByte(CP_ACP, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(std::max(needed, 0)), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), length, text.data(), needed, nullptr, nullptr);
  return text;
}

SERVICE_STATUS_PROCESS Status(const std::string& name) {
  SERVICE_STATUS_PROCESS status{};
  DWORD needed = 0;
  const ScHandle service = wine_test::ServiceHandle(name);
  QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<LPBYTE>(&status),
                       sizeof status, &needed);
  return status;
}

DWORD StartType(const std::string& name) {
  const ScHandle service = wine_test::ServiceHandle(name);
  DWORD needed = 0;
  QueryServiceConfigA(service.get(), nullptr, 0, &needed);
  std::vector<QUERY_SERVICE_CONFIGA> buffer(needed / sizeof(QUERY_SERVICE_CONFIGA) + 1);
  if (!QueryServiceConfigA(service.get(), buffer.data(),
                           static_cast<DWORD>(buffer.size() * sizeof buffer[0]), &needed))
    return 0xFFFFFFFF;
  return buffer[0].dwStartType;
}

std::string ComputerName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  GetComputerNameA(name, &size);
  return name;
}

// The focused control of the program's window thread.
HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

// What the screen shows in a window's client area: 32-bit top-down rows (BGRX).
struct ScreenShot {
  LONG width = 0, height = 0;
  std::vector<BYTE> pixels;
  const BYTE* At(LONG x, LONG y) const {
    return &pixels[static_cast<std::size_t>(y * width + x) * 4];
  }
};

ScreenShot Shoot(HWND window) {
  ScreenShot shot;
  RECT client{};
  GetClientRect(window, &client);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  BITMAPINFO info{};
  info.bmiHeader = {
      sizeof(BITMAPINFOHEADER), client.right, -client.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  const Bitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  // Both made by CreateDC/CreateCompatibleDC, so both go with DeleteDC.
  const Dc screen(CreateDCA("DISPLAY", nullptr, nullptr, nullptr));
  const Dc memory(CreateCompatibleDC(screen.get()));
  if (!bitmap || !screen || !memory) return shot;
  const HGDIOBJ previous = SelectObject(memory.get(), bitmap.get());
  const bool copied = BitBlt(memory.get(), 0, 0, client.right, client.bottom, screen.get(),
                             origin.x, origin.y, SRCCOPY) != FALSE;
  SelectObject(memory.get(), previous);
  if (!copied) return shot;
  shot.width = client.right;
  shot.height = client.bottom;
  const auto* first = static_cast<const BYTE*>(bits);
  shot.pixels.assign(first, first + static_cast<std::size_t>(shot.width * shot.height) * 4);
  return shot;
}

// Which of the state pictures of quenby.exe (IDB_STATE0..4, in the order of
// their IDs) the picture control shows; -1 for none of them. A picture is shown
// when every pixel of it, but those of its transparent colour (its bottom-left
// pixel), is on the screen from the control's top-left corner on.
int ShownStatePicture(HWND control) {
  const Module exe(LoadLibraryExA(WindowsPath(QUENBY_EXE).c_str(), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  const ScreenShot shot = Shoot(control);
  if (!exe || shot.pixels.empty()) return -1;
  for (int picture = 0; picture < 5; ++picture) {
    const HRSRC found = FindResourceA(exe.get(), MAKEINTRESOURCEA(IDB_STATE0 + picture),
                                      MAKEINTRESOURCEA(2));  // a bitmap
    const auto* stored =
        found == nullptr
            ? nullptr
            : static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(exe.get(), found)));
    // The pictures are kept as 24-bit bottom-up DIBs without a colour table.
    if (stored == nullptr || stored->biBitCount != 24 || stored->biHeight <= 0 ||
        stored->biWidth > shot.width || stored->biHeight > shot.height)
      return -1;
    const LONG width = stored->biWidth, height = stored->biHeight;
    const LONG stride = (width * 3 + 3) & ~3;
    const BYTE* rows = reinterpret_cast<const BYTE*>(stored) + stored->biSize;
    const BYTE* transparent = rows;  // the first pixel of the bottom row
    bool shown = true;
    for (LONG y = 0; y < height && shown; ++y) {
      for (LONG x = 0; x < width && shown; ++x) {
        const BYTE* want = rows + (height - 1 - y) * stride + x * 3;
        shown =
            std::equal(want, want + 3, transparent) || std::equal(want, want + 3, shot.At(x, y));
      }
    }
    if (shown) return picture;
  }
  return -1;
}

// Starts quenby.exe; the process handle, or none when it could not start.
KernelHandle StartQuenby() {
  std::string command = '"' + WindowsPath(QUENBY_EXE) + '"';
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info))
    return nullptr;
  CloseHandle(info.hThread);
  return KernelHandle(info.hProcess);
}

struct StandinService {
  std::string name, displayName, options;
  bool registered;
  bool running;
};

// Registered: Alpha (running; a stop that takes 2.5 s, a pause and a continue
// that take 0.8 s), Beta (stopped) and a name that no service bears. Installed
// but not registered: Hidden.
const StandinService kServices[] = {
    {"QE2EAlpha", "Alpha Agent",
     "--start-ms 500 --stop-ms 2500 --pause-ms 800 --continue-ms 800 --wait-hint 6000", true, true},
    {"QE2EBeta", "Beta Agent", "--start-ms 200", true, false},
    {"QE2EHidden", "Hidden Agent", "", false, false},
};
constexpr char kRegisteredWithoutService[] = "QE2ENone";

class QuenbyEndToEnd : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const ScHandle manager = wine_test::ManagerHandle();
    ASSERT_TRUE(manager) << GetLastError();
    const std::string standin = '"' + WindowsPath(STANDIN_EXE) + "\" ";
    for (const auto& s : kServices) {
      const std::string command = standin + s.options;
      const ScHandle service(
          CreateServiceA(manager.get(), s.name.c_str(), s.displayName.c_str(), SERVICE_ALL_ACCESS,
                         SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                         command.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
      ASSERT_TRUE(service) << s.name << ": " << GetLastError();
    }
    HKEY raw = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kServicesKey, 0, nullptr, 0,
                              KEY_ALL_ACCESS | wine_test::kView32, nullptr, &raw, nullptr),
              ERROR_SUCCESS);
    const Key key(raw);
    std::vector<std::string> names{kRegisteredWithoutService};
    for (const auto& s : kServices)
      if (s.registered) names.push_back(s.name);
    for (const auto& name : names)
      ASSERT_EQ(
          RegSetValueExA(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1),
          ERROR_SUCCESS);
    // The installer registers in the 32-bit view; a name in the 64-bit view
    // only is no registration.
    for (const auto& s : kServices) {
      if (s.registered) continue;
      ASSERT_EQ(wine_test::WriteRawString(HKEY_LOCAL_MACHINE, kServicesKey, s.name.c_str(), "",
                                          wine_test::kView64),
                ERROR_SUCCESS);
    }
  }

  static void TearDownTestSuite() {
    for (const auto& s : kServices) {
      const SERVICE_STATUS_PROCESS status = Status(s.name);
      if (status.dwCurrentState != SERVICE_STOPPED && status.dwProcessId != 0) {
        const KernelHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, status.dwProcessId));
        if (process) TerminateProcess(process.get(), 1);
      }
      const ScHandle service = wine_test::ServiceHandle(s.name);
      DeleteService(service.get());
    }
    for (REGSAM view : {wine_test::kView32, wine_test::kView64})
      RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kServicesKey, view, 0);
  }

  void SetUp() override {
    for (const auto& s : kServices) {
      const DWORD state = Status(s.name).dwCurrentState;
      const bool running = state == SERVICE_RUNNING;
      if (s.running && state == SERVICE_PAUSED) {
        const ScHandle service = wine_test::ServiceHandle(s.name);
        SERVICE_STATUS status{};
        ASSERT_TRUE(ControlService(service.get(), SERVICE_CONTROL_CONTINUE, &status))
            << GetLastError();
      } else if (s.running && !running) {
        const ScHandle service = wine_test::ServiceHandle(s.name);
        ASSERT_TRUE(StartServiceA(service.get(), 0, nullptr)) << GetLastError();
      }
      ASSERT_TRUE(WaitUntil([&] {
        const DWORD state = Status(s.name).dwCurrentState;
        return state == (s.running ? SERVICE_RUNNING : SERVICE_STOPPED);
      })) << s.name;
    }
    // Every test starts as a first start for the user: no stored window state.
    RegDeleteTreeA(HKEY_CURRENT_USER, "SOFTWARE\\Corvanti\\Quenby");
    Launch();
  }

  void TearDown() override {
    if (!process_) return;
    if (window_ != nullptr) PostMessageW(window_, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process_.get(), 10000) != WAIT_OBJECT_0)
      TerminateProcess(process_.get(), 1);
  }

  void Launch() {
    process_ = StartQuenby();
    ASSERT_TRUE(process_) << GetLastError();
    ASSERT_TRUE(WaitUntil([this] {
      window_ = FindWindowA("#32770", "Quenby");
      return window_ != nullptr && GetDlgItem(window_, IDC_cbServices) != nullptr &&
             IsWindowVisible(window_);
    })) << "Quenby's window did not appear";
  }

  HWND Item(int id) const { return GetDlgItem(window_, id); }

  // The text of a control; empty when the program does not answer in time.
  std::string Text(int id) const {
    wchar_t buffer[512] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(Item(id), WM_GETTEXT, std::size(buffer),
                             reinterpret_cast<LPARAM>(buffer), SMTO_NORMAL, 5000, &copied))
      return {};
    return Narrow(std::wstring(buffer, copied));
  }

  std::vector<std::string> Entries() const {
    const HWND list = Item(IDC_cbServices);
    std::vector<std::string> entries;
    const LRESULT count = SendMessageW(list, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      const LRESULT length = SendMessageW(list, CB_GETLBTEXTLEN, i, 0);
      std::wstring entry(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
      const LRESULT copied =
          SendMessageW(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(entry.data()));
      entry.resize(static_cast<std::size_t>(std::max<LRESULT>(copied, 0)));
      entries.push_back(Narrow(entry));
    }
    return entries;
  }

  // Selects an entry as the user does: the list's position, then its notification.
  void Select(const std::string& entryStart) {
    const std::vector<std::string> entries = Entries();
    const auto it = std::find_if(entries.begin(), entries.end(),
                                 [&](const std::string& e) { return e.rfind(entryStart, 0) == 0; });
    ASSERT_NE(it, entries.end()) << entryStart;
    const HWND list = Item(IDC_cbServices);
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(it - entries.begin()), 0);
    PostMessageW(window_, WM_COMMAND, MAKEWPARAM(IDC_cbServices, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
  }

  void Click(int id) {
    ASSERT_TRUE(IsWindowEnabled(Item(id))) << "control " << id << " is disabled";
    PostMessageW(Item(id), BM_CLICK, 0, 0);
  }

  bool StatusBecomes(const std::string& line, std::vector<std::string>* seen = nullptr,
                     int timeoutMs = 20000) {
    return WaitUntil(
        [&] {
          const std::string status = Text(IDC_esbMain);
          if (seen != nullptr && (seen->empty() || seen->back() != status)) seen->push_back(status);
          return status == line;
        },
        timeoutMs);
  }

  KernelHandle process_;
  HWND window_ = nullptr;
  const std::string machine_ = ComputerName();
};

TEST_F(QuenbyEndToEnd, ListShowsRegisteredServicesInRegistryOrderAndNothingElse) {
  // Wine lists a key's values in its own order: the expected order is the one
  // the registry gives.
  HKEY raw = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kServicesKey, 0, KEY_READ | wine_test::kView32, &raw),
            ERROR_SUCCESS);
  const Key key(raw);
  std::vector<std::string> expected;
  char name[256];
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof name;
    if (RegEnumValueA(key.get(), i, name, &size, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    for (const auto& s : kServices)
      if (s.registered && s.name == name)
        expected.push_back(s.displayName + (s.running ? ": STARTED" : ": STOPPED"));
  }
  ASSERT_EQ(expected.size(), 2u);
  EXPECT_EQ(Entries(), expected);
}

TEST_F(QuenbyEndToEnd, StopShowsProgressThenStoppedAndStartBringsItBack) {
  Select("Alpha Agent");
  ASSERT_TRUE(StatusBecomes(machine_ + " - QE2EAlpha - Running"));

  std::vector<std::string> seen;
  Click(IDC_bbStop);
  EXPECT_TRUE(StatusBecomes(machine_ + " - QE2EAlpha - Stopped", &seen));
  EXPECT_NE(std::find(seen.begin(), seen.end(), machine_ + " - QE2EAlpha - Stopping..."),
            seen.end())
      << "statuses seen: " << ::testing::PrintToString(seen);
  EXPECT_EQ(Status("QE2EAlpha").dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
  const std::vector<std::string> stopped = Entries();
  EXPECT_NE(std::find(stopped.begin(), stopped.end(), "Alpha Agent: STOPPED"), stopped.end());
  EXPECT_FALSE(IsWindowEnabled(Item(IDC_bbStop)));
  // The wait disabled the focused button: the window keeps a focused control.
  EXPECT_TRUE(WaitUntil([this] { return FocusOf(window_) != nullptr; }, 3000));

  Click(IDC_bbStart);
  EXPECT_TRUE(StatusBecomes(machine_ + " - QE2EAlpha - Running"));
  EXPECT_EQ(Status("QE2EAlpha").dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
  const std::vector<std::string> entries = Entries();
  EXPECT_NE(std::find(entries.begin(), entries.end(), "Alpha Agent: STARTED"), entries.end());
  EXPECT_TRUE(IsWindowEnabled(Item(IDC_bbStop)));
  EXPECT_FALSE(IsWindowEnabled(Item(IDC_bbStart)));
}

// The notification area: minimising takes the window there; a right click on
// the icon opens its menu (a pop-up menu window, class #32768).
class QuenbyTray : public QuenbyEndToEnd {
 protected:
  void MinimiseToTheTray() {
    PostMessageW(window_, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(WaitUntil([this] { return IconShown() && !IsWindowVisible(window_); }));
  }
  bool IconShown() const {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = window_;
    data.uID = 1;
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
  }
  // The icon's tooltip as the notification area shows it.
  bool TooltipBecomes(const std::string& tip, int timeoutMs) {
    return WaitUntil(
        [&] {
          const auto tips = wine_test::TrayTooltips();
          return std::find(tips.begin(), tips.end(), tip) != tips.end();
        },
        timeoutMs);
  }
  // Right-clicks the only icon of the notification area; the menu window.
  HWND OpenMenu() {
    const HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr);
    if (tray == nullptr) return nullptr;
    RECT client{};
    GetClientRect(tray, &client);
    const int iconWidth = GetSystemMetrics(SM_CXSMICON) + 4;
    const int x = client.right > 8 * iconWidth ? client.right - iconWidth / 2 : iconWidth / 2;
    const LPARAM at = MAKELPARAM(x, client.bottom / 2);
    PostMessageW(tray, WM_RBUTTONDOWN, MK_RBUTTON, at);
    PostMessageW(tray, WM_RBUTTONUP, 0, at);
    HWND menu = nullptr;
    WaitUntil([&] {
      menu = FindWindowW(L"#32768", nullptr);
      return menu != nullptr && IsWindowVisible(menu);
    });
    return menu;
  }
  // Chooses the entry at this position with the keyboard: Down moves to the
  // next entry, Enter (its character) runs it.
  static void Choose(HWND menu, int position) {
    for (int i = 0; i < position; ++i) PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(menu, WM_CHAR, L'\r', 0);
  }
};

// Positions of the menu's entries for the keyboard (separators are skipped):
// Restore, Start/Continue, Pause, Stop, Watch service from here, About, Exit.
constexpr int kMenuStop = 4;
constexpr int kMenuWatch = 5;
constexpr int kMenuExit = 7;

TEST_F(QuenbyTray, TheMenusStopStopsTheServiceAndExitEndsTheProgramWithTheStateSaved) {
  Select("Alpha Agent");
  ASSERT_TRUE(StatusBecomes(machine_ + " - QE2EAlpha - Running"));
  MinimiseToTheTray();
  HWND menu = OpenMenu();
  ASSERT_NE(menu, nullptr) << "no menu";
  Choose(menu, kMenuStop);
  EXPECT_TRUE(WaitUntil([] { return Status("QE2EAlpha").dwCurrentState == SERVICE_STOPPED; }));
  EXPECT_TRUE(StatusBecomes(machine_ + " - QE2EAlpha - Stopped"));
  EXPECT_TRUE(IconShown()) << "the window stays in the tray";

  menu = OpenMenu();
  ASSERT_NE(menu, nullptr) << "no menu";
  Choose(menu, kMenuExit);
  ASSERT_EQ(WaitForSingleObject(process_.get(), 10000), WAIT_OBJECT_0);
  DWORD exitCode = 1;
  GetExitCodeProcess(process_.get(), &exitCode);
  EXPECT_EQ(exitCode, 0u);
  const auto saved = wine_test::ReadRaw(HKEY_CURRENT_USER,
                                        "SOFTWARE\\Corvanti\\Quenby\\2.0\\frmMain", "ServiceIndex");
  ASSERT_EQ(saved.rc, ERROR_SUCCESS) << "the window state was not saved";
  EXPECT_EQ(saved.data, (std::vector<BYTE>{0, 0, 0, 0}));
}

TEST_F(QuenbyTray, WithTheWatchOffTheTooltipStaysAsItWasAtMinimise) {
  Select("Alpha Agent");
  ASSERT_TRUE(StatusBecomes(machine_ + " - QE2EAlpha - Running"));
  MinimiseToTheTray();
  const std::string running = "Corvanti Quenby\r\n" + machine_ + " - QE2EAlpha - Running";
  ASSERT_TRUE(TooltipBecomes(running, 5000));
  const ScHandle service = wine_test::ServiceHandle("QE2EAlpha");
  SERVICE_STATUS status{};
  ASSERT_TRUE(ControlService(service.get(), SERVICE_CONTROL_STOP, &status)) << GetLastError();
  ASSERT_TRUE(WaitUntil([] { return Status("QE2EAlpha").dwCurrentState == SERVICE_STOPPED; }));
  // Two watch periods and more: nothing re-reads the service.
  EXPECT_FALSE(TooltipBecomes("Corvanti Quenby\r\n" + machine_ + " - QE2EAlpha - Stopped", 5000));
  EXPECT_TRUE(TooltipBecomes(running, 1000));
}

TEST_F(QuenbyTray, WatchingFollowsTheServiceAndTheChoiceSurvivesARestart) {
  Select("Alpha Agent");
  ASSERT_TRUE(StatusBecomes(machine_ + " - QE2EAlpha - Running"));
  MinimiseToTheTray();
  const HWND menu = OpenMenu();
  ASSERT_NE(menu, nullptr) << "no menu";
  Choose(menu, kMenuWatch);
  ASSERT_TRUE(WaitUntil([] {
    return wine_test::ReadRaw(HKEY_CURRENT_USER, "SOFTWARE\\Corvanti\\Quenby\\2.0\\Options",
                              "TrayWatch")
               .data == std::vector<BYTE>{1, 0, 0, 0};
  })) << "TrayWatch was not stored";

  // Stopped from outside while the window is in the tray.
  {
    const ScHandle service = wine_test::ServiceHandle("QE2EAlpha");
    SERVICE_STATUS status{};
    ASSERT_TRUE(ControlService(service.get(), SERVICE_CONTROL_STOP, &status)) << GetLastError();
  }
  EXPECT_TRUE(TooltipBecomes("Corvanti Quenby\r\n" + machine_ + " - QE2EAlpha - Stopped", 10000));

  // A new start watches too: started from outside, the tooltip follows.
  PostMessageW(window_, WM_SYSCOMMAND, SC_RESTORE, 0);
  PostMessageW(window_, WM_CLOSE, 0, 0);
  ASSERT_EQ(WaitForSingleObject(process_.get(), 10000), WAIT_OBJECT_0);
  Launch();
  Select("Alpha Agent");
  ASSERT_TRUE(StatusBecomes(machine_ + " - QE2EAlpha - Stopped"));
  MinimiseToTheTray();
  {
    const ScHandle service = wine_test::ServiceHandle("QE2EAlpha");
    ASSERT_TRUE(StartServiceA(service.get(), 0, nullptr)) << GetLastError();
  }
  EXPECT_TRUE(TooltipBecomes("Corvanti Quenby\r\n" + machine_ + " - QE2EAlpha - Running", 10000));
}

TEST_F(QuenbyEndToEnd, PauseShowsProgressThenPausedAndStartContinues) {
  Select("Alpha Agent");
  ASSERT_TRUE(StatusBecomes(machine_ + " - QE2EAlpha - Running"));
  EXPECT_TRUE(WaitUntil([this] { return ShownStatePicture(Item(IDC_imState)) == 0; }, 5000))
      << "the running picture is not shown";

  std::vector<std::string> seen;
  Click(IDC_bbPause);
  EXPECT_TRUE(StatusBecomes(machine_ + " - QE2EAlpha - Paused", &seen));
  EXPECT_NE(std::find(seen.begin(), seen.end(), machine_ + " - QE2EAlpha - Pausing..."), seen.end())
      << "statuses seen: " << ::testing::PrintToString(seen);
  EXPECT_EQ(Status("QE2EAlpha").dwCurrentState, static_cast<DWORD>(SERVICE_PAUSED));
  const std::vector<std::string> paused = Entries();
  EXPECT_NE(std::find(paused.begin(), paused.end(), "Alpha Agent: PAUSED"), paused.end());
  EXPECT_TRUE(IsWindowEnabled(Item(IDC_bbStart)));
  EXPECT_FALSE(IsWindowEnabled(Item(IDC_bbPause)));
  EXPECT_TRUE(IsWindowEnabled(Item(IDC_bbStop)));
  EXPECT_TRUE(WaitUntil([this] { return ShownStatePicture(Item(IDC_imState)) == 2; }, 5000))
      << "the paused picture is not shown";

  // Start/Continue on a paused service continues it.
  seen.clear();
  Click(IDC_bbStart);
  EXPECT_TRUE(StatusBecomes(machine_ + " - QE2EAlpha - Running", &seen));
  EXPECT_NE(std::find(seen.begin(), seen.end(), machine_ + " - QE2EAlpha - Continuing..."),
            seen.end())
      << "statuses seen: " << ::testing::PrintToString(seen);
  EXPECT_EQ(Status("QE2EAlpha").dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_FALSE(IsWindowEnabled(Item(IDC_bbStart)));
  EXPECT_TRUE(IsWindowEnabled(Item(IDC_bbPause)));
  EXPECT_TRUE(WaitUntil([this] { return ShownStatePicture(Item(IDC_imState)) == 0; }, 5000))
      << "the running picture is not shown again";
}

TEST_F(QuenbyEndToEnd, ClosingDuringAWaitEndsTheProgramAfterTheActionCompletes) {
  Select("Alpha Agent");
  ASSERT_TRUE(StatusBecomes(machine_ + " - QE2EAlpha - Running"));
  Click(IDC_bbStop);
  ASSERT_TRUE(StatusBecomes(machine_ + " - QE2EAlpha - Stopping...", nullptr, 5000));

  // The close box while the stop is pending: the window stays until the action
  // and its refresh are done, then the program ends normally and saves its state.
  PostMessageW(window_, WM_CLOSE, 0, 0);
  // Watched until the service has stopped (2.5 s after the click), failing as
  // soon as the window goes.
  bool gone = false;
  ASSERT_TRUE(WaitUntil([&] {
    gone = !IsWindow(window_);
    return gone || Status("QE2EAlpha").dwCurrentState == SERVICE_STOPPED;
  }));
  EXPECT_FALSE(gone) << "the window went away in the middle of the action";
  ASSERT_EQ(WaitForSingleObject(process_.get(), 20000), WAIT_OBJECT_0);
  DWORD exitCode = 1;
  GetExitCodeProcess(process_.get(), &exitCode);
  EXPECT_EQ(exitCode, 0u);
  EXPECT_EQ(Status("QE2EAlpha").dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
  HKEY raw = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Corvanti\\Quenby\\2.0\\frmMain", 0,
                          KEY_READ, &raw),
            ERROR_SUCCESS);
  const Key state(raw);
  EXPECT_EQ(RegQueryValueExA(state.get(), "ServiceIndex", nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  process_.reset();
}

TEST_F(QuenbyEndToEnd, EmptiedServerFieldNamesThisMachineFromTheNextClickOn) {
  Select("Alpha Agent");
  ASSERT_TRUE(StatusBecomes(machine_ + " - QE2EAlpha - Running"));
  SendMessageW(Item(IDC_elServer), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
  EXPECT_EQ(Text(IDC_esbMain), machine_ + " - QE2EAlpha - Running");
  Click(IDC_btnRefresh);
  EXPECT_TRUE(StatusBecomes("local - QE2EAlpha - Running"));
}

TEST_F(QuenbyEndToEnd, AutoStartBoxSwitchesTheStartType) {
  Select("Beta Agent");
  ASSERT_TRUE(StatusBecomes(machine_ + " - QE2EBeta - Stopped"));
  ASSERT_EQ(StartType("QE2EBeta"), static_cast<DWORD>(SERVICE_DEMAND_START));
  EXPECT_EQ(SendMessageW(Item(IDC_cbAutoStart), BM_GETCHECK, 0, 0), BST_UNCHECKED);

  Click(IDC_cbAutoStart);
  EXPECT_TRUE(WaitUntil([] { return StartType("QE2EBeta") == SERVICE_AUTO_START; }));
  EXPECT_TRUE(WaitUntil(
      [this] { return SendMessageW(Item(IDC_cbAutoStart), BM_GETCHECK, 0, 0) == BST_CHECKED; }));

  Click(IDC_cbAutoStart);
  EXPECT_TRUE(WaitUntil([] { return StartType("QE2EBeta") == SERVICE_DEMAND_START; }));
  EXPECT_TRUE(WaitUntil(
      [this] { return SendMessageW(Item(IDC_cbAutoStart), BM_GETCHECK, 0, 0) == BST_UNCHECKED; }));
}

TEST_F(QuenbyEndToEnd, LabelAcceleratorsFocusTheirButtonsAndTabFollowsTheDesign) {
  Select("Alpha Agent");
  ASSERT_TRUE(StatusBecomes(machine_ + " - QE2EAlpha - Running"));
  // Running: Start/Continue is disabled, so Tab passes it by.
  const int tabOrder[] = {IDC_elServer, IDC_cbServices,  IDC_btnRefresh, IDC_bbPause,
                          IDC_bbStop,   IDC_cbAutoStart, IDC_elServer};
  HWND control = Item(tabOrder[0]);
  for (std::size_t i = 1; i < std::size(tabOrder); ++i) {
    control = GetNextDlgTabItem(window_, control, FALSE);
    EXPECT_EQ(GetDlgCtrlID(control), tabOrder[i]) << "after " << tabOrder[i - 1];
  }

  const struct {
    const char* entry;
    const char* state;
    wchar_t key;
    int button;
  } cases[] = {
      {"Alpha Agent", "QE2EAlpha - Running", L'p', IDC_bbPause},
      {"Alpha Agent", "QE2EAlpha - Running", L'o', IDC_bbStop},
      {"Beta Agent", "QE2EBeta - Stopped", L's', IDC_bbStart},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.button);
    Select(c.entry);
    ASSERT_TRUE(StatusBecomes(machine_ + " - " + c.state));
    PostMessageW(Item(IDC_cbServices), WM_SYSCHAR, c.key, 1 << 29);  // Alt held
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(window_) == Item(c.button); }, 3000));
  }
}

// Runs after the suite above has removed the registered-services key.
TEST(QuenbyStartUp, WithoutRegisteredNamesTellsAndEndsWithoutShowingTheWindow) {
  RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kServicesKey, wine_test::kView32, 0);
  const KernelHandle process = StartQuenby();
  ASSERT_TRUE(process) << GetLastError();
  // The box is found as soon as it exists; its text shows a moment later.
  HWND box = nullptr;
  wchar_t text[256] = {};
  ASSERT_TRUE(WaitUntil([&] {
    box = FindWindowA("#32770", "Information");
    return box != nullptr &&
           GetWindowTextW(GetDlgItem(box, 0xFFFF), text, static_cast<int>(std::size(text))) > 0;
  }));
  EXPECT_EQ(Narrow(text),
            "None of services registered to manage with Corvanti Quenby!\r\n"
            "Application will now exit.");
  const HWND window = FindWindowA("#32770", "Quenby");
  EXPECT_TRUE(window == nullptr || !IsWindowVisible(window));

  PostMessageW(box, WM_COMMAND, IDOK, 0);
  ASSERT_EQ(WaitForSingleObject(process.get(), 10000), WAIT_OBJECT_0);
  DWORD exitCode = 1;
  GetExitCodeProcess(process.get(), &exitCode);
  EXPECT_EQ(exitCode, 0u);
}

}  // namespace
