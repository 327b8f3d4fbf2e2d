// A Windows service whose timing comes from its own command line, for tests and
// demonstrations of service control. Run by the Service Control Manager only:
//
//   standin_service.exe [--PHASE-ms N] [--PHASE-steps N] [--PHASE-never]
//                       [--wait-hint N] [--start-ends-stopped] [--label TEXT]
//
// PHASE is start, stop, pause or continue. A phase keeps the service in its
// pending state for N ms (default 0), split into `steps` equal parts (default 1):
// the check point is 1 on entering the phase and rises by one after each part but
// the last, which ends in the phase's target state. A phase marked "never" stays
// pending at check point 1 for ever. Every pending status carries the wait hint
// (default 0). --start-ends-stopped makes the start end in the stopped state with
// a service-specific exit code of 1. --label is ignored: it names an instance or
// pads the command line. An unknown option stops the service at once with exit
// code ERROR_INVALID_PARAMETER.
#include <windows.h>

#include <charconv>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

namespace {

struct Phase {
  DWORD ms = 0;
  DWORD steps = 1;
  bool never = false;
};

struct Behaviour {
  Phase start, stop, pause, resume;
  DWORD waitHint = 0;
  bool startEndsStopped = false;
};

std::optional<DWORD> ParseNumber(std::string_view text) {
  DWORD value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// Parses the options; nullopt for an unknown option or a bad number.
std::optional<Behaviour> ParseBehaviour(const std::vector<std::string_view>& args) {
  Behaviour behaviour;
  const struct {
    std::string_view name;
    Phase* phase;
  } phases[] = {{"start", &behaviour.start},
                {"stop", &behaviour.stop},
                {"pause", &behaviour.pause},
                {"continue", &behaviour.resume}};
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg.substr(0, 2) != "--") return std::nullopt;
    const std::string_view option = arg.substr(2);
    if (option == "start-ends-stopped") {
      behaviour.startEndsStopped = true;
      continue;
    }
    bool known = false;
    for (const auto& [name, phase] : phases) {
      if (option.size() <= name.size() || option.substr(0, name.size()) != name ||
          option[name.size()] != '-')
        continue;
      const std::string_view field = option.substr(name.size() + 1);
      if (field == "never") {
        phase->never = true;
        known = true;
      } else if (field == "ms" || field == "steps") {
        if (i + 1 >= args.size()) return std::nullopt;
        const auto value = ParseNumber(args[++i]);
        if (!value) return std::nullopt;
        (field == "ms" ? phase->ms : phase->steps) = *value;
        known = true;
      }
      break;
    }
    if (known) continue;
    if (option == "wait-hint" || option == "label") {
      if (i + 1 >= args.size()) return std::nullopt;
      ++i;
      if (option == "wait-hint") {
        const auto value = ParseNumber(args[i]);
        if (!value) return std::nullopt;
        behaviour.waitHint = *value;
      }
      continue;
    }
    return std::nullopt;
  }
  return behaviour;
}

std::optional<Behaviour> g_behaviour;

// The running service: its status, reported to the manager under a lock, and the
// controls that the handler passes to the service's own thread.
class Service {
 public:
  void Run() {
    handle_ = RegisterServiceCtrlHandlerExA("", &Service::Handler, this);
    if (handle_ == nullptr) return;
    if (!g_behaviour) {
      Report(SERVICE_STOPPED, 0, ERROR_INVALID_PARAMETER);
      return;
    }
    const Behaviour& behaviour = *g_behaviour;
    RunPhase(SERVICE_START_PENDING, behaviour.start);
    if (behaviour.startEndsStopped) {
      Report(SERVICE_STOPPED, 0, ERROR_SERVICE_SPECIFIC_ERROR, 1);
      return;
    }
    Report(SERVICE_RUNNING, 0);
    for (;;) {
      const DWORD control = NextControl();
      if (control == SERVICE_CONTROL_STOP) {
        RunPhase(SERVICE_STOP_PENDING, behaviour.stop);
        Report(SERVICE_STOPPED, 0);
        return;
      }
      if (control == SERVICE_CONTROL_PAUSE) {
        RunPhase(SERVICE_PAUSE_PENDING, behaviour.pause);
        Report(SERVICE_PAUSED, 0);
      } else if (control == SERVICE_CONTROL_CONTINUE) {
        RunPhase(SERVICE_CONTINUE_PENDING, behaviour.resume);
        Report(SERVICE_RUNNING, 0);
      }
    }
  }

 private:
  static DWORD WINAPI Handler(DWORD control, DWORD, LPVOID, LPVOID context) {
    return static_cast<Service*>(context)->Handle(control);
  }

  // Runs on the dispatcher's thread: enters the pending state at once, so the
  // status that the control's caller reads already shows it, and leaves the rest
  // of the phase to the service's thread.
  DWORD Handle(DWORD control) {
    if (control == SERVICE_CONTROL_INTERROGATE) return NO_ERROR;
    DWORD pending = 0;
    {
      const std::lock_guard lock(mutex_);
      const DWORD state = status_.dwCurrentState;
      if (control == SERVICE_CONTROL_STOP && (state == SERVICE_RUNNING || state == SERVICE_PAUSED))
        pending = SERVICE_STOP_PENDING;
      else if (control == SERVICE_CONTROL_PAUSE && state == SERVICE_RUNNING)
        pending = SERVICE_PAUSE_PENDING;
      else if (control == SERVICE_CONTROL_CONTINUE && state == SERVICE_PAUSED)
        pending = SERVICE_CONTINUE_PENDING;
      else if (control == SERVICE_CONTROL_PAUSE || control == SERVICE_CONTROL_CONTINUE)
        return NO_ERROR;  // already paused or running
      else
        return ERROR_SERVICE_CANNOT_ACCEPT_CTRL;
      // Reported before the service's thread can see the control, so this status
      // never overwrites one that the phase reports.
      ReportLocked(pending, 1);
      controls_.push_back(control);
    }
    wakeUp_.notify_one();
    return NO_ERROR;
  }

  DWORD NextControl() {
    std::unique_lock lock(mutex_);
    wakeUp_.wait(lock, [this] { return !controls_.empty(); });
    const DWORD control = controls_.front();
    controls_.pop_front();
    return control;
  }

  // Stays in `pending` for the phase's time, raising the check point after each
  // part but the last; returns when the phase is over (never, for a "never" phase).
  void RunPhase(DWORD pending, const Phase& phase) {
    Report(pending, 1);
    if (phase.never) {
      std::unique_lock lock(mutex_);
      wakeUp_.wait(lock, [] { return false; });
    }
    const DWORD steps = phase.steps == 0 ? 1 : phase.steps;
    const DWORD part = phase.ms / steps;
    for (DWORD step = 1; step < steps; ++step) {
      Sleep(part);
      Report(pending, step + 1);
    }
    Sleep(phase.ms - part * (steps - 1));
  }

  void Report(DWORD state, DWORD checkPoint, DWORD exitCode = NO_ERROR,
              DWORD specificExitCode = 0) {
    const std::lock_guard lock(mutex_);
    ReportLocked(state, checkPoint, exitCode, specificExitCode);
  }

  void ReportLocked(DWORD state, DWORD checkPoint, DWORD exitCode = NO_ERROR,
                    DWORD specificExitCode = 0) {
    const bool pending = state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING ||
                         state == SERVICE_PAUSE_PENDING || state == SERVICE_CONTINUE_PENDING;
    status_.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status_.dwCurrentState = state;
    status_.dwControlsAccepted = state == SERVICE_RUNNING || state == SERVICE_PAUSED
                                     ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_PAUSE_CONTINUE
                                     : 0;
    status_.dwWin32ExitCode = exitCode;
    status_.dwServiceSpecificExitCode = specificExitCode;
    status_.dwCheckPoint = pending ? checkPoint : 0;
    status_.dwWaitHint = pending && g_behaviour ? g_behaviour->waitHint : 0;
    SetServiceStatus(handle_, &status_);
  }

  SERVICE_STATUS_HANDLE handle_ = nullptr;
  std::mutex mutex_;
  std::condition_variable wakeUp_;
  std::deque<DWORD> controls_;
  SERVICE_STATUS status_{};
};

void WINAPI ServiceMain(DWORD, LPSTR*) {
  Service service;
  service.Run();
}

}  // namespace

int main(int argc, char** argv) {
  g_behaviour = ParseBehaviour(std::vector<std::string_view>(argv + 1, argv + argc));
  // An own-process service may run under any name: the dispatcher's entry has an
  // empty name.
  char emptyName[] = "";
  const SERVICE_TABLE_ENTRYA table[] = {{emptyName, &ServiceMain}, {nullptr, nullptr}};
  if (!StartServiceCtrlDispatcherA(table)) {
    std::fprintf(stderr, "standin_service: runs only as a service (error %lu)\n", GetLastError());
    return 2;
  }
  return 0;
}
