// Start-up benchmark, run under Wine by `./dev bench`: for Palvex and Quenby, the
// time from process creation until the main window is visible and the process is
// idle, waiting for input, set against the same time of the program's floor (its
// own template under its own manifest, shown by a program without logic, see
// startup_floor.cpp).
//
//   startup_bench.exe [--runs N] [--each]
//
// After one warm-up run of each, the program and its floor run alternately, N
// times each (default 20). Prints the medians, the extremes and the ratio
// program/floor; --each also prints every run's time as it ends. The exit code
// is 0 when every run opened its window and 1 when one did not.
//
// Before the runs the bench makes the state a first start on an installed machine
// meets: the TFTP service's settings with their defaults for Palvex, and a running
// stand-in service registered for Quenby. Quenby's stored window state is deleted
// before each of its runs, so that every run starts alike.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/win32/handles_win32.h"
#include "tests/wine/wine_test_support.h"

namespace {

using common::win32::UniqueKernelHandle;
using common::win32::UniqueKey;
using common::win32::UniqueScHandle;

constexpr int kDefaultRuns = 20;
constexpr double kStartTimeoutMs = 30000;
constexpr DWORD kExitTimeoutMs = 10000;
// Time for the ended process to leave the machine before the next one starts.
constexpr DWORD kPauseMs = 200;
constexpr int kStartAttempts = 3;

constexpr char kPalvexSettingsKey[] = "SOFTWARE\\Corvanti\\RORIVuzuice";
constexpr char kQuenbyServicesKey[] = "SOFTWARE\\Corvanti\\Quenby\\Services";
constexpr char kQuenbyUserKey[] = "SOFTWARE\\Corvanti\\Quenby";
constexpr char kServiceName[] = "QuenbyBench";
constexpr char kServiceDisplayName[] = "Bench Agent";

// The registry views the programs may read HKLM through: the native one and the
// 32-bit one. The bench writes its machine settings to both.
constexpr REGSAM kViews[] = {0, KEY_WOW64_32KEY};

double NowMs() {
  static const double ticksPerMs = [] {
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(frequency.QuadPart) / 1000.0;
  }();
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / ticksPerMs;
}

std::wstring Wide(const std::string& text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int needed = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(std::max(needed, 0)), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), length, wide.data(), needed);
  return wide;
}

std::string Failure(const std::string& what) {
  return what + " (error " + std::to_string(GetLastError()) + ")";
}

// --- The machine state the programs start on ---------------------------------

bool CreateKey(HKEY root, const char* path, REGSAM view, UniqueKey& key) {
  HKEY raw = nullptr;
  const LONG rc =
      RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_WRITE | view, nullptr, &raw, nullptr);
  key.reset(raw);
  SetLastError(static_cast<DWORD>(rc));
  return rc == ERROR_SUCCESS;
}

// The nineteen settings of the TFTP service with their defaults, as its installer
// leaves them.
std::optional<std::string> WritePalvexSettings() {
  const std::pair<const char*, const char*> texts[] = {
      {"TFTPRoot", ""}, {"LogDirectory", ""}, {"HostList", ""}, {"DefaultRights", "NA"}};
  const std::pair<const char*, DWORD> numbers[] = {
      {"TFTPPort", 1},      {"WriteLog", 0}, {"HighPriority", 0},   {"LogFileCount", 3},
      {"TFTPTimeout", 3},   {"TFTPRetr", 3}, {"AllowOverwrite", 0}, {"OpTimeout", 1},
      {"OpBlocksize", 1},   {"OpTSize", 1},  {"FWEnabled", 1},      {"FWMinPort", 1024},
      {"FWMaxPort", 65535}, {"LogLevel", 5}, {"LocalTime", 0}};
  for (const REGSAM view : kViews) {
    UniqueKey key;
    if (!CreateKey(HKEY_LOCAL_MACHINE, kPalvexSettingsKey, view, key))
      return Failure("cannot create Palvex's settings key");
    for (const auto& [name, text] : texts) {
      RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                     static_cast<DWORD>(std::string_view(text).size() + 1));
    }
    for (const auto& [name, number] : numbers) {
      RegSetValueExA(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                     sizeof number);
    }
  }
  return std::nullopt;
}

DWORD ServiceState(SC_HANDLE service) {
  SERVICE_STATUS status{};
  return QueryServiceStatus(service, &status) ? status.dwCurrentState : 0;
}

// The stand-in service installed (or found from an earlier run), running, and
// registered for Quenby.
std::optional<std::string> PrepareQuenbyService() {
  const UniqueScHandle manager = wine_test::ManagerHandle();
  if (!manager) return Failure("cannot open the Service Control Manager");
  const std::string command = '"' + wine_test::WindowsPath(STANDIN_EXE) + '"';
  UniqueScHandle service(CreateServiceA(manager.get(), kServiceName, kServiceDisplayName,
                                        SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                        SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, command.c_str(),
                                        nullptr, nullptr, nullptr, nullptr, nullptr));
  if (!service && GetLastError() == ERROR_SERVICE_EXISTS)
    service = wine_test::ServiceHandle(kServiceName);
  if (!service) return Failure("cannot install the stand-in service");
  if (ServiceState(service.get()) != SERVICE_RUNNING && !StartServiceA(service.get(), 0, nullptr))
    return Failure("cannot start the stand-in service");
  if (!wine_test::WaitUntil([&] { return ServiceState(service.get()) == SERVICE_RUNNING; }))
    return std::string("the stand-in service did not reach the running state");
  for (const REGSAM view : kViews) {
    UniqueKey key;
    if (!CreateKey(HKEY_LOCAL_MACHINE, kQuenbyServicesKey, view, key))
      return Failure("cannot create Quenby's services key");
    RegSetValueExA(key.get(), kServiceName, 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
  }
  return std::nullopt;
}

void RemoveMachineState() {
  if (const UniqueScHandle service = wine_test::ServiceHandle(kServiceName)) {
    SERVICE_STATUS status{};
    ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
    wine_test::WaitUntil([&] { return ServiceState(service.get()) == SERVICE_STOPPED; }, 5000);
    DeleteService(service.get());
  }
  for (const REGSAM view : kViews) {
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kPalvexSettingsKey, view, 0);
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kQuenbyServicesKey, view, 0);
  }
  RegDeleteTreeA(HKEY_CURRENT_USER, kQuenbyUserKey);
}

// --- One start-up ------------------------------------------------------------

// A visible top-level window of the thread, or null.
HWND VisibleWindowOf(DWORD threadId) {
  HWND found = nullptr;
  EnumThreadWindows(
      threadId,
      [](HWND window, LPARAM result) -> BOOL {
        if (!IsWindowVisible(window)) return TRUE;
        *reinterpret_cast<HWND*>(result) = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

// The control ID of the window's first child, 0 when it has none.
int FirstChildId(HWND window) {
  const HWND child = GetWindow(window, GW_CHILD);
  return child != nullptr ? GetDlgCtrlID(child) : 0;
}

struct StartUp {
  double ms = 0;
  int firstChildId = 0;  // of the window that opened
  std::string error;     // empty when the window opened
};

// Starts the program, times it until its main window is visible and the process
// waits for input, then closes the window and waits for the process to end.
// `expectedChildId`, when not 0, is a control the window must hold (a message box
// in place of the main window does not hold it).
StartUp TimeStartUp(const std::string& exe, int expectedChildId) {
  StartUp result;
  std::wstring command = L'"' + Wide(wine_test::WindowsPath(exe)) + L'"';
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  // Wine fails a process creation now and then (error 1359): a second try starts it.
  double start = 0;
  bool created = false;
  for (int attempt = 0; attempt < kStartAttempts && !created; ++attempt) {
    if (attempt > 0) Sleep(kPauseMs);
    start = NowMs();
    created = CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &info) != FALSE;
  }
  if (!created) {
    result.error = Failure("cannot start " + exe);
    return result;
  }
  const UniqueKernelHandle process(info.hProcess);
  const UniqueKernelHandle thread(info.hThread);
  const auto remainingMs = [start] {
    return static_cast<DWORD>(std::max(0.0, kStartTimeoutMs - (NowMs() - start)));
  };
  const auto ended = [&process](DWORD waitMs) {
    return WaitForSingleObject(process.get(), waitMs) == WAIT_OBJECT_0;
  };

  // Blocks, without polling that would take the processor from the program,
  // until the process first asks for input with none queued. Then its window, on
  // the main thread where both programs make it: a program that asked for input
  // before it showed the window is polled until it does. Last, a message sent to
  // the window comes back once the thread is in a message loop again.
  HWND window = nullptr;
  if (WaitForInputIdle(process.get(), remainingMs()) == 0) {
    while ((window = VisibleWindowOf(info.dwThreadId)) == nullptr && remainingMs() > 0 &&
           !ended(1)) {
    }
  }
  const bool idle = window != nullptr && SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL,
                                                             remainingMs(), nullptr) != 0;
  result.ms = NowMs() - start;
  if (!idle) {
    result.error = ended(0)            ? "the program ended before its window showed"
                   : window == nullptr ? "no visible window in time"
                                       : "the window did not answer in time";
  } else {
    result.firstChildId = FirstChildId(window);
    if (expectedChildId != 0 && GetDlgItem(window, expectedChildId) == nullptr)
      result.error = "the window that opened is not the main window (a message box?)";
  }

  if (window != nullptr) PostMessageW(window, WM_CLOSE, 0, 0);
  if (!ended(kExitTimeoutMs)) {
    TerminateProcess(process.get(), 1);
    ended(kExitTimeoutMs);
    if (result.error.empty()) result.error = "the program did not end after WM_CLOSE";
  }
  Sleep(kPauseMs);
  return result;
}

// --- The runs and the report -------------------------------------------------

struct Program {
  const char* name;
  std::string exe;
  std::string floorExe;
  double target;                    // the ratio program/floor aimed at
  std::function<void()> beforeRun;  // makes every run start alike
};

struct Times {
  std::vector<double> program, floor;
};

// The q-quantile (0 <= q <= 1) of the values, interpolated between neighbours.
double Quantile(std::vector<double> values, double q) {
  std::sort(values.begin(), values.end());
  const double at = q * static_cast<double>(values.size() - 1);
  const std::size_t below = static_cast<std::size_t>(at);
  const std::size_t above = std::min(below + 1, values.size() - 1);
  return values[below] + (values[above] - values[below]) * (at - static_cast<double>(below));
}

double Median(const std::vector<double>& values) {
  return Quantile(values, 0.5);
}

// Whether the middle half of the runs spreads over more than 15% of their median:
// on a quiet machine start-ups vary far less.
bool Spread(const std::vector<double>& values) {
  return Quantile(values, 0.75) - Quantile(values, 0.25) > 0.15 * Median(values);
}

// Warm-up, then `runs` alternating runs; nullopt (after a message) when a run failed.
std::optional<Times> Measure(const Program& p, int runs, bool each) {
  const auto run = [&p, each](const std::string& exe, int expectedChildId) {
    if (p.beforeRun) p.beforeRun();
    StartUp s = TimeStartUp(exe, expectedChildId);
    if (!s.error.empty()) {
      std::printf("%s: %s: %s\n", p.name, exe.c_str(), s.error.c_str());
    } else if (each) {
      std::printf("%s %8.1f ms\n", exe.c_str(), s.ms);
    }
    return s;
  };
  // The floor first: its window tells which control the program's window must hold.
  const StartUp floorWarmUp = run(p.floorExe, 0);
  if (!floorWarmUp.error.empty()) return std::nullopt;
  const int templateChild = floorWarmUp.firstChildId;
  if (!run(p.exe, templateChild).error.empty()) return std::nullopt;

  Times times;
  for (int i = 0; i < runs; ++i) {
    const StartUp program = run(p.exe, templateChild);
    if (!program.error.empty()) return std::nullopt;
    const StartUp floor = run(p.floorExe, templateChild);
    if (!floor.error.empty()) return std::nullopt;
    times.program.push_back(program.ms);
    times.floor.push_back(floor.ms);
  }
  return times;
}

void PrintHeader(int runs) {
  std::printf(
      "Start-up under Wine: from process creation until the main window is visible and the\n"
      "process waits for input. Floor: the program's own template under its own manifest,\n"
      "shown by a program without logic. %d runs each, alternating, after a warm-up run of\n"
      "each; times in ms.\n\n",
      runs);
  std::printf("%-8s %-26s   %-26s\n", "", "------- program ms -------",
              "-------- floor ms --------");
  std::printf("%-8s%9s%9s%9s  %9s%9s%9s  %7s  %s\n", "program", "median", "min", "max", "median",
              "min", "max", "ratio", "target");
}

// One program's line; whether its times spread widely.
bool PrintRow(const Program& p, const Times& t) {
  const auto [pMin, pMax] = std::minmax_element(t.program.begin(), t.program.end());
  const auto [fMin, fMax] = std::minmax_element(t.floor.begin(), t.floor.end());
  const double ratio = Median(t.program) / Median(t.floor);
  const bool spread = Spread(t.program) || Spread(t.floor);
  std::printf("%-8s%9.1f%9.1f%9.1f  %9.1f%9.1f%9.1f  %7.2f  <= %.2f%s%s\n", p.name,
              Median(t.program), *pMin, *pMax, Median(t.floor), *fMin, *fMax, ratio, p.target,
              ratio > p.target ? "  over" : "", spread ? "  spread" : "");
  return spread;
}

int Usage() {
  std::fputs("usage: startup_bench [--runs N] [--each]\n", stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  int runs = kDefaultRuns;
  bool each = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--runs" && i + 1 < argc) {
      runs = std::atoi(argv[++i]);
      if (runs < 1) return Usage();
    } else if (arg == "--each") {
      each = true;
    } else {
      return Usage();
    }
  }

  for (const auto& prepare : {WritePalvexSettings, PrepareQuenbyService}) {
    if (const auto error = prepare()) {
      std::printf("startup_bench: %s\n", error->c_str());
      RemoveMachineState();
      return 1;
    }
  }
  const Program programs[] = {
      {"palvex", PALVEX_EXE, PALVEX_FLOOR_EXE, 1.10, nullptr},
      {"quenby", QUENBY_EXE, QUENBY_FLOOR_EXE, 1.15,
       [] { RegDeleteTreeA(HKEY_CURRENT_USER, kQuenbyUserKey); }},
  };
  std::vector<std::pair<const Program*, Times>> results;
  bool ok = true;
  for (const Program& p : programs) {
    if (auto times = Measure(p, runs, each)) {
      results.emplace_back(&p, std::move(*times));
    } else {
      ok = false;
    }
  }
  RemoveMachineState();

  PrintHeader(runs);
  bool spread = false;
  for (const auto& [p, times] : results) spread = PrintRow(*p, times) || spread;
  if (spread) {
    std::printf(
        "\nspread: the middle half of the runs spreads over more than 15%% of the median: the\n"
        "machine was busy. The targets are for a quiet machine.\n");
  }
  return ok ? 0 : 1;
}
