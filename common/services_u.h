// Service control shared by both programs: the service states, the table of the
// four service actions, the wait for a pending service, and the operations that
// read, drive and reconfigure a service through the Service Control Manager.
//
// One module serves both programs. Where they behave differently the difference
// is data: a front-end descriptor (kPalvexFrontEnd, kQuenbyFrontEnd) handed to
// TServiceControl, which runs the same steps for both.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "common/dialogs.h"
#include "common/service_manager.h"
#include "common/system_text.h"
#include "common/wait_platform.h"

namespace services_u {

// Service states, numbered as the Service Control Manager numbers them, plus
// this system's own mark for a state that was not read.
using TServiceState = std::int32_t;
inline constexpr TServiceState kStateNotRead = -1;
inline constexpr TServiceState kStateStopped = 1;
inline constexpr TServiceState kStateStartPending = 2;
inline constexpr TServiceState kStateStopPending = 3;
inline constexpr TServiceState kStateRunning = 4;
inline constexpr TServiceState kStateContinuePending = 5;
inline constexpr TServiceState kStatePausePending = 6;
inline constexpr TServiceState kStatePaused = 7;

// The ordinals index kServiceActions.
enum TServiceAction : std::uint8_t { saStart = 0, saStop = 1, saPause = 2, saContinue = 3 };

// What is sent to the service before the wait: StartServiceA with no arguments,
// or ControlService with ControlCode.
enum class TActionRequest : std::uint8_t { StartService, ControlService };

struct TActionRow {
  TActionRequest Request;
  std::uint32_t ControlCode;  // ControlService code; 0 for StartService
  std::string_view ActionProgressText;
  std::string_view ActionVerb;
  TServiceState ActionPendingState;
  TServiceState ActionTargetState;
};

inline constexpr std::array<TActionRow, 4> kServiceActions = {{
    {TActionRequest::StartService, 0, "Starting", "start", kStateStartPending, kStateRunning},
    {TActionRequest::ControlService, 1, "Stopping", "stop", kStateStopPending, kStateStopped},
    {TActionRequest::ControlService, 2, "Pausing", "pause", kStatePausePending, kStatePaused},
    {TActionRequest::ControlService, 3, "Continuing", "continue", kStateContinuePending,
     kStateRunning},
}};

// The row of an action; throws std::out_of_range for a value outside the enumeration.
constexpr const TActionRow& ActionRow(TServiceAction action) {
  return kServiceActions.at(action);
}

// ---------------------------------------------------------------------------
// The wait for a pending service.

// The sleep between two status queries: a tenth of the wait hint, kept within
// 1000..10000 ms.
std::uint32_t WaitInterval(std::uint32_t waitHint);

// The steps a window adds around a wait. BeginWait shows the busy state (hourglass
// cursor, progress text, disabled controls); EndWait restores the default cursor
// and enables the controls. EndWait must not throw: it also runs while an
// exception leaves the wait.
class IWaitWindow {
 public:
  virtual ~IWaitWindow() = default;
  virtual void BeginWait(const std::string& progressText) = 0;
  virtual void EndWait() = 0;
};

// One status query of the open service: false when the query failed.
using StatusQuery = std::function<bool(common::ServiceStatus&)>;

// Follows the service while it stays in `pendingState` and returns the state in
// which the wait ended, or kStateNotRead when the first query fails. Polls every
// WaitInterval(wait hint) ms, pumping messages after each sleep, until the state
// changes, a query fails, or more than the wait hint has passed since the check
// point last rose. With a window, BeginWait runs after the first successful query
// and EndWait on every way out from then on.
TServiceState WaitServiceState(const StatusQuery& queryStatus, common::IWaitPlatform& platform,
                               TServiceState pendingState, const std::string& progressText,
                               IWaitWindow* window = nullptr);

// ---------------------------------------------------------------------------
// Service control operations.

// The machine whose Service Control Manager every operation opens; empty is the
// local machine. Process-wide; no operation resets it.
extern std::string MachineName;

struct TServiceInfo {
  std::string DisplayName;
  TServiceState CurrentState = 0;
  std::int32_t StartType = 0;  // written only when the configuration was read
};

// Everything in which the two programs' service control differs.
struct TServiceFrontEnd {
  std::string_view ErrorOpening;  // put before the error text in ShowServiceError
  std::string_view ErrorCaption;
  common::MbIcon ErrorIcon;
  // First configuration buffer of GetServiceInfo, in bytes; 0 asks for the size
  // with no buffer first, and a failure of that query leaves the state unread.
  std::uint32_t FirstConfigBuffer;
  bool ShowOpenFailuresOfAction;  // DoServiceAction reports a failed manager or service open
  bool MachineInFailureText;      // the target-state failure text names the machine
};

inline constexpr TServiceFrontEnd kPalvexFrontEnd{
    "Error trying to peform specified action.\rError Message: ",
    "Error",
    common::MbIcon::Error,
    1024,
    true,
    false,
};

inline constexpr TServiceFrontEnd kQuenbyFrontEnd{
    "Error trying to perform specified action.\rError Message: ",
    "Quenby",
    common::MbIcon::None,
    0,
    false,
    true,
};

// The last-error code set before the first manager call of an operation, so a
// call that fails without setting a code is told apart.
inline constexpr std::uint32_t kLastErrorUnset = 0xFFFFFFFF;

// The service operations of one program over the platform seams. Every operation
// opens its own handles and closes them (service, lock, manager) on every way out;
// failures reach the user through ShowServiceError, never the caller.
class TServiceControl {
 public:
  TServiceControl(const TServiceFrontEnd& frontEnd, common::IServiceManager& scm,
                  common::IWaitPlatform& waitPlatform, common::IDialogs& dialogs,
                  const common::ISystemText& systemText);

  // Reads the display name, state and start type of `serviceName` on MachineName.
  // DisplayName is empty and CurrentState kStateNotRead when not read; StartType
  // keeps the caller's value unless the configuration was read.
  void GetServiceInfo(const std::string& serviceName, TServiceInfo& info);

  // Sends the action's request and waits for the service to leave the pending
  // state. True when the request was accepted and the target state reached.
  // `window`, when given, gets the wait's window steps.
  bool DoServiceAction(const std::string& serviceName, TServiceAction action,
                       IWaitWindow* window = nullptr);

  // Sets MachineName to `machine`, stops the service unless it is stopped or its
  // state could not be read, then starts it. True when it ended running.
  bool RestartService(const std::string& machine, const std::string& serviceName);

  // Switches the start type to automatic (true) or on demand (false) while the
  // manager's database is locked. True when the change was made.
  bool SetServiceAutoStart(const std::string& serviceName, bool autoStart);

  // Shows `text` in the program's error box and returns when the user closed it.
  void ShowServiceError(const std::string& text);

  // Shows the system text of `code` through ShowServiceError.
  void ShowSystemError(std::uint32_t code);

  const TServiceFrontEnd& FrontEnd() const { return frontEnd_; }

 private:
  void ShowLastError();
  // Reads the configuration into `info`. False when the state must stay unread.
  bool ReadConfig(common::ScHandle service, TServiceInfo& info);
  std::string TargetFailureText(const TActionRow& row, const std::string& serviceName) const;

  TServiceFrontEnd frontEnd_;
  common::IServiceManager& scm_;
  common::IWaitPlatform& waitPlatform_;
  common::IDialogs& dialogs_;
  const common::ISystemText& systemText_;
};

}  // namespace services_u
