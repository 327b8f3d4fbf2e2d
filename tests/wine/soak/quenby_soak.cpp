// Quenby's soak: one run of the program over a stand-in service that answers
// every control at once, driven through its window round after round.
#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "common/win32/handles_win32.h"
#include "service_console/win32/resource.h"
#include "tests/wine/soak/soak.h"
#include "tests/wine/wine_test_support.h"

namespace soak {
namespace {

using common::win32::UniqueKernelHandle;
using common::win32::UniqueKey;
using common::win32::UniqueScHandle;
using wine_test::WaitUntil;

constexpr char kService[] = "SoakAgent";
constexpr char kServicesKey[] = "SOFTWARE\\Corvanti\\Quenby\\Services";
constexpr char kStateKey[] = "SOFTWARE\\Corvanti\\Quenby";
constexpr UINT kTrayIconId = 1;
constexpr int kActionMs = 20000;

std::string Narrow(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int length = static_cast<int>(wide.size());
  const int needed =
      WideCharToMultiByte(CP_ACP, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(std::max(needed, 0)), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), length, text.data(), needed, nullptr, nullptr);
  return text;
}

// The text of a window; empty when its program does not answer in time.
std::string TextOf(HWND window) {
  wchar_t buffer[512] = {};
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, std::size(buffer), reinterpret_cast<LPARAM>(buffer),
                           SMTO_NORMAL, 5000, &copied))
    return {};
  return Narrow(std::wstring(buffer, std::min<std::size_t>(copied, std::size(buffer) - 1)));
}

std::string ComputerName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  GetComputerNameA(name, &size);
  return name;
}

DWORD ServiceState() {
  const UniqueScHandle service = wine_test::ServiceHandle(kService);
  SERVICE_STATUS_PROCESS status{};
  DWORD needed = 0;
  if (!QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO,
                            reinterpret_cast<LPBYTE>(&status), sizeof status, &needed))
    return 0;
  return status.dwCurrentState;
}

const char* StateName(DWORD state) {
  switch (state) {
    case SERVICE_STOPPED:
      return "stopped";
    case SERVICE_RUNNING:
      return "running";
    case SERVICE_PAUSED:
      return "paused";
    default:
      return "pending or unknown";
  }
}

// Installs the stand-in service without timings (every control is answered at
// once), starts it and registers it for Quenby alone.
std::string InstallService() {
  const UniqueScHandle manager = wine_test::ManagerHandle();
  if (!manager) return "no Service Control Manager: " + std::to_string(GetLastError());
  const std::string command = '"' + wine_test::WindowsPath(STANDIN_EXE) + "\" --label soak";
  const UniqueScHandle service(
      CreateServiceA(manager.get(), kService, "Soak Agent", SERVICE_ALL_ACCESS,
                     SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                     command.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
  if (!service) return "the stand-in service was not installed: " + std::to_string(GetLastError());
  if (!StartServiceA(service.get(), 0, nullptr))
    return "the stand-in service did not start: " + std::to_string(GetLastError());
  if (!WaitUntil([] { return ServiceState() == SERVICE_RUNNING; }))
    return "the stand-in service is not running";
  wine_test::DeleteTreeRaw(HKEY_LOCAL_MACHINE, kServicesKey);
  if (wine_test::WriteRawString(HKEY_LOCAL_MACHINE, kServicesKey, kService, "") != ERROR_SUCCESS)
    return "the service was not registered for Quenby";
  RegDeleteTreeA(HKEY_CURRENT_USER, kStateKey);  // a first start for the user
  return {};
}

void RemoveService() {
  const UniqueScHandle service = wine_test::ServiceHandle(kService);
  SERVICE_STATUS status{};
  ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
  WaitUntil([] { return ServiceState() == SERVICE_STOPPED; }, 5000);
  DeleteService(service.get());
  wine_test::DeleteTreeRaw(HKEY_LOCAL_MACHINE, kServicesKey);
}

// Brings the service back to running with the manager, whatever a failed
// round left it in.
void ResetService() {
  const UniqueScHandle service = wine_test::ServiceHandle(kService);
  SERVICE_STATUS status{};
  WaitUntil(
      [] {
        const DWORD state = ServiceState();
        return state == SERVICE_STOPPED || state == SERVICE_RUNNING || state == SERVICE_PAUSED;
      },
      5000);
  if (ServiceState() == SERVICE_PAUSED)
    ControlService(service.get(), SERVICE_CONTROL_CONTINUE, &status);
  else if (ServiceState() == SERVICE_STOPPED)
    StartServiceA(service.get(), 0, nullptr);
  WaitUntil([] { return ServiceState() == SERVICE_RUNNING; }, 10000);
}

struct WindowSearch {
  DWORD process;
  HWND main;
  HWND found;
};

// A visible dialog window of the program other than its main window: a box.
BOOL CALLBACK FindBox(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<WindowSearch*>(data);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  wchar_t className[16] = {};
  GetClassNameW(window, className, static_cast<int>(std::size(className)));
  if (process != search->process || window == search->main || !IsWindowVisible(window) ||
      std::wcscmp(className, L"#32770") != 0)
    return TRUE;
  search->found = window;
  return FALSE;
}

// One run of quenby.exe.
class Quenby {
 public:
  bool Start() {
    std::string command = '"' + wine_test::WindowsPath(QUENBY_EXE) + '"';
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
      return false;
    process_.reset(info.hProcess);
    CloseHandle(info.hThread);
    pid_ = info.dwProcessId;
    return WaitUntil([this] {
      main_ = FindWindowA("#32770", "Quenby");
      return main_ != nullptr && GetDlgItem(main_, IDC_cbServices) != nullptr &&
             IsWindowVisible(main_) && !Status().empty();
    });
  }
  ~Quenby() {
    if (!process_) return;
    if (Running() && main_ != nullptr) PostMessageW(main_, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process_.get(), 10000) != WAIT_OBJECT_0)
      TerminateProcess(process_.get(), 1);
  }

  DWORD Pid() const { return pid_; }
  bool Running() const { return WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }
  HWND Main() const { return main_; }
  HWND Item(int id) const { return GetDlgItem(main_, id); }
  std::string Status() const { return TextOf(Item(IDC_esbMain)); }

  HWND Box() const {
    WindowSearch search{pid_, main_, nullptr};
    EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
    return search.found;
  }
  std::string BoxText(HWND box) const { return TextOf(GetDlgItem(box, 0xFFFF)); }
  // Answers every box the program shows; the text of the first.
  std::string AnswerBoxes() const {
    std::string first;
    for (int i = 0; i < 5; ++i) {
      const HWND box = Box();
      if (box == nullptr) break;
      if (first.empty()) first = BoxText(box);
      PostMessageW(box, WM_COMMAND, IDOK, 0);
      WaitUntil([box] { return !IsWindow(box) || !IsWindowVisible(box); }, 3000);
    }
    return first;
  }

  // A click as the user's: only on an enabled button.
  bool Click(int id) const {
    if (!IsWindowEnabled(Item(id))) return false;
    PostMessageW(Item(id), BM_CLICK, 0, 0);
    return true;
  }

  // Waits for the status line to read `line`; fails early when a box shows.
  bool StatusBecomes(const std::string& line) const {
    bool box = false;
    WaitUntil(
        [&] {
          box = Box() != nullptr;
          return box || Status() == line;
        },
        kActionMs);
    return !box && Status() == line;
  }

  bool TrayIconShown() const {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = main_;
    data.uID = kTrayIconId;
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
  }
  bool Shown() const { return IsWindowVisible(main_) && !IsIconic(main_); }

 private:
  UniqueKernelHandle process_;
  DWORD pid_ = 0;
  HWND main_ = nullptr;
};

// A double-click on the only icon of the notification area, where Wine's tray
// shows it: at the right end of its task bar, or at the left of its stand-alone
// tray window (room for eight icons).
void DoubleClickTrayIcon() {
  const HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr);
  if (tray == nullptr) return;
  RECT client{};
  GetClientRect(tray, &client);
  const int iconWidth = GetSystemMetrics(SM_CXSMICON) + 4;
  const int x = client.right > 8 * iconWidth ? client.right - iconWidth / 2 : iconWidth / 2;
  PostMessageW(tray, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(x, client.bottom / 2));
}

// How long the actions took, from the click to the status line of the state
// reached: an action whose service is still pending at the wait's first query
// costs a poll of at least a second.
struct ActionTimes {
  unsigned long long totalMs = 0;
  int actions = 0;
  int polled = 0;  // a second or more
};

// One round; the empty text when it went as it should, else what went wrong.
std::string Round(Quenby& quenby, int round, const std::string& machine, ActionTimes& times) {
  // The server field alternates between empty (this machine as "local") and
  // this machine's name; Refresh leaves the field first, as a click does.
  const std::string server = round % 2 == 0 ? "" : machine;
  const std::wstring wide(server.begin(), server.end());
  SendMessageW(quenby.Item(IDC_elServer), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
  if (!quenby.Click(IDC_btnRefresh)) return "Refresh is disabled";
  const std::string prefix = (server.empty() ? "local" : server) + " - " + kService + " - ";
  if (!quenby.StatusBecomes(prefix + "Running"))
    return "after Refresh the status line reads \"" + quenby.Status() + "\"";

  const struct {
    const char* action;
    int button;
    const char* word;
    DWORD state;
  } steps[] = {
      {"Stop", IDC_bbStop, "Stopped", SERVICE_STOPPED},
      {"Start", IDC_bbStart, "Running", SERVICE_RUNNING},
      {"Pause", IDC_bbPause, "Paused", SERVICE_PAUSED},
      {"Continue", IDC_bbStart, "Running", SERVICE_RUNNING},
  };
  for (const auto& step : steps) {
    const DWORD clicked = GetTickCount();
    if (!quenby.Click(step.button)) return std::string(step.action) + ": its button is disabled";
    if (!quenby.StatusBecomes(prefix + step.word))
      return std::string(step.action) + ": the status line reads \"" + quenby.Status() + "\"";
    const DWORD took = GetTickCount() - clicked;
    times.totalMs += took;
    ++times.actions;
    if (took >= 1000) ++times.polled;
    if (ServiceState() != step.state)
      return std::string(step.action) + ": the service is " + StateName(ServiceState());
  }

  PostMessageW(quenby.Main(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  if (!WaitUntil([&] { return quenby.TrayIconShown() && !IsWindowVisible(quenby.Main()); }))
    return "minimise: no icon in the notification area, or the window still shows";
  DoubleClickTrayIcon();
  if (!WaitUntil([&] { return !quenby.TrayIconShown() && quenby.Shown(); }))
    return "double-click on the icon: the window did not come back";
  return {};
}

// Puts the window and the service back after a failed round.
void Recover(Quenby& quenby) {
  quenby.AnswerBoxes();
  if (!quenby.Shown()) {
    PostMessageW(quenby.Main(), WM_SYSCOMMAND, SC_RESTORE, 0);
    WaitUntil([&] { return quenby.Shown(); }, 3000);
  }
  ResetService();
  quenby.AnswerBoxes();
}

}  // namespace

ProgramReport RunQuenby(int cycles, int warmUp) {
  ProgramReport report;
  report.program = "quenby";
  report.countedProcess = "its one run, through all the rounds";
  report.work.push_back(std::to_string(cycles) +
                        " rounds of Refresh with a changed server field, Stop, Start, Pause and "
                        "Continue (" +
                        std::to_string(cycles * 4) + " actions)");
  report.work.push_back(std::to_string(cycles) +
                        " minimise and restore cycles through the notification-area icon");
  if (const std::string error = InstallService(); !error.empty()) {
    report.Fail(error);
    return report;
  }
  {
    Quenby quenby;
    if (!quenby.Start()) {
      report.Fail("the window did not open");
    } else {
      const std::string machine = ComputerName();
      ActionTimes times;
      for (int round = 0; round < cycles; ++round) {
        if (!quenby.Running()) {
          report.Fail("round " + std::to_string(round + 1) + ": the program has ended");
          report.failures += cycles - round - 1;
          break;
        }
        const std::string error = Round(quenby, round, machine, times);
        if (!error.empty()) {
          const std::string box = quenby.AnswerBoxes();
          report.Fail("round " + std::to_string(round + 1) + ": " + error +
                      (box.empty() ? "" : " (box: \"" + box + "\")"));
          Recover(quenby);
        }
        if (round + 1 >= warmUp) {
          const ProcessCounts counts = ReadProcessCounts(quenby.Pid());
          if (round + 1 == warmUp) report.warm = report.highest = counts;
          KeepHighest(report.highest, counts);
          report.end = counts;
          report.counted = true;
        }
        Progress(report.program, round + 1, cycles);
      }
      if (times.actions > 0)
        report.work.push_back("an action took " + std::to_string(times.totalMs / times.actions) +
                              " ms on average; " + std::to_string(times.polled) + " of " +
                              std::to_string(times.actions) +
                              " took a second or more (a poll of the wait)");
    }
  }
  RemoveService();
  return report;
}

}  // namespace soak
