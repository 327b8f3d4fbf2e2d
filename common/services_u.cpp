#include "common/services_u.h"

#include <vector>

namespace services_u {

std::string MachineName;

namespace {

constexpr std::uint32_t kMinWaitInterval = 1000;
constexpr std::uint32_t kMaxWaitInterval = 10000;

constexpr std::string_view kFailureClosing =
    ".\rPlease refer EventLog for extended information about error.";
constexpr std::string_view kLocalMachineText = "localhost";

// Runs the window's closing steps when the wait is left, whichever way.
class WaitWindowGuard {
 public:
  explicit WaitWindowGuard(IWaitWindow* window) : window_(window) {}
  WaitWindowGuard(const WaitWindowGuard&) = delete;
  WaitWindowGuard& operator=(const WaitWindowGuard&) = delete;
  ~WaitWindowGuard() {
    if (window_ != nullptr) window_->EndWait();
  }

 private:
  IWaitWindow* window_;
};

}  // namespace

std::uint32_t WaitInterval(std::uint32_t waitHint) {
  const std::uint32_t tenth = waitHint / 10;
  if (tenth < kMinWaitInterval) return kMinWaitInterval;
  if (tenth > kMaxWaitInterval) return kMaxWaitInterval;
  return tenth;
}

TServiceState WaitServiceState(const StatusQuery& queryStatus, common::IWaitPlatform& platform,
                               TServiceState pendingState, const std::string& progressText,
                               IWaitWindow* window) {
  common::ServiceStatus status;
  if (!queryStatus(status)) return kStateNotRead;

  if (window != nullptr) window->BeginWait(progressText);
  const WaitWindowGuard guard(window);

  std::uint32_t startTick = platform.TickCount();
  std::uint32_t lastCheckPoint = status.checkPoint;
  while (status.currentState == pendingState) {
    platform.Sleep(WaitInterval(status.waitHint));
    platform.ProcessMessages();
    // A failed query must not disturb the last good status, which is returned.
    common::ServiceStatus next;
    if (!queryStatus(next)) break;
    status = next;
    if (status.checkPoint > lastCheckPoint) {
      startTick = platform.TickCount();
      lastCheckPoint = status.checkPoint;
      continue;
    }
    // Unsigned arithmetic gives the true difference across a wrap of the counter.
    const std::uint32_t elapsed = platform.TickCount() - startTick;
    if (elapsed > status.waitHint) break;
  }
  return status.currentState;
}

TServiceControl::TServiceControl(const TServiceFrontEnd& frontEnd, common::IServiceManager& scm,
                                 common::IWaitPlatform& waitPlatform, common::IDialogs& dialogs,
                                 const common::ISystemText& systemText)
    : frontEnd_(frontEnd),
      scm_(scm),
      waitPlatform_(waitPlatform),
      dialogs_(dialogs),
      systemText_(systemText) {}

void TServiceControl::ShowServiceError(const std::string& text) {
  std::string message(frontEnd_.ErrorOpening);
  message += text;
  message += '.';
  dialogs_.ShowMessageBox(message, std::string(frontEnd_.ErrorCaption), frontEnd_.ErrorIcon,
                          common::MbButtons::Ok);
}

void TServiceControl::ShowSystemError(std::uint32_t code) {
  ShowServiceError(common::SystemErrorText(systemText_, code));
}

void TServiceControl::ShowLastError() {
  ShowSystemError(scm_.GetLastError());
}

bool TServiceControl::ReadConfig(common::ScHandle service, TServiceInfo& info) {
  common::ServiceConfig config;
  std::uint32_t bytesNeeded = 0;
  std::vector<std::uint8_t> buffer;
  if (frontEnd_.FirstConfigBuffer == 0) {
    if (!scm_.QueryServiceConfigA(service, {}, bytesNeeded, config)) {
      const std::uint32_t code = scm_.GetLastError();
      if (code != common::kErrorInsufficientBuffer) {
        ShowSystemError(code);
        return false;
      }
    }
    buffer.resize(bytesNeeded);
  } else {
    buffer.resize(frontEnd_.FirstConfigBuffer);
  }

  while (!scm_.QueryServiceConfigA(service, buffer, bytesNeeded, config)) {
    const std::uint32_t code = scm_.GetLastError();
    // Grow only when the manager asks for more than the buffer holds: a manager
    // that keeps refusing a buffer of the size it asked for would loop for ever.
    if (code != common::kErrorInsufficientBuffer || bytesNeeded <= buffer.size()) {
      ShowSystemError(code);
      return true;
    }
    buffer.resize(bytesNeeded);
  }
  info.DisplayName = config.displayName;
  info.StartType = config.startType;
  return true;
}

void TServiceControl::GetServiceInfo(const std::string& serviceName, TServiceInfo& info) {
  info.DisplayName.clear();
  info.CurrentState = kStateNotRead;
  scm_.SetLastError(kLastErrorUnset);

  const common::ScHandleOwner manager(scm_,
                                      scm_.OpenSCManagerA(MachineName, common::kManagerAccess));
  if (!manager) {
    ShowLastError();
    return;
  }
  const common::ScHandleOwner service(
      scm_, scm_.OpenServiceA(manager.get(), serviceName, common::kServiceAccess));
  if (!service) {
    ShowLastError();
    return;
  }

  if (!ReadConfig(service.get(), info)) return;

  common::ServiceStatus status;
  if (scm_.QueryServiceStatus(service.get(), status)) info.CurrentState = status.currentState;
}

std::string TServiceControl::TargetFailureText(const TActionRow& row,
                                               const std::string& serviceName) const {
  std::string text = "Couldn't ";
  text += row.ActionVerb;
  text += " service ";
  text += serviceName;
  if (frontEnd_.MachineInFailureText) {
    text += " on ";
    text += MachineName.empty() ? std::string(kLocalMachineText) : MachineName;
  }
  text += kFailureClosing;
  return text;
}

bool TServiceControl::DoServiceAction(const std::string& serviceName, TServiceAction action,
                                      IWaitWindow* window) {
  const TActionRow& row = ActionRow(action);
  scm_.SetLastError(kLastErrorUnset);

  const common::ScHandleOwner manager(scm_,
                                      scm_.OpenSCManagerA(MachineName, common::kManagerAccess));
  if (!manager) {
    if (frontEnd_.ShowOpenFailuresOfAction) ShowLastError();
    return false;
  }
  const common::ScHandleOwner service(
      scm_, scm_.OpenServiceA(manager.get(), serviceName, common::kServiceAccess));
  if (!service) {
    if (frontEnd_.ShowOpenFailuresOfAction) ShowLastError();
    return false;
  }

  const bool accepted = row.Request == TActionRequest::StartService
                            ? scm_.StartServiceA(service.get())
                            : scm_.ControlService(service.get(), row.ControlCode);
  if (!accepted) {
    ShowLastError();
    return false;
  }

  const TServiceState state = WaitServiceState(
      [&](common::ServiceStatus& status) { return scm_.QueryServiceStatus(service.get(), status); },
      waitPlatform_, row.ActionPendingState, std::string(row.ActionProgressText), window);
  if (state != row.ActionTargetState) {
    ShowServiceError(TargetFailureText(row, serviceName));
    return false;
  }
  return true;
}

bool TServiceControl::RestartService(const std::string& machine, const std::string& serviceName) {
  MachineName = machine;
  TServiceInfo info;
  GetServiceInfo(serviceName, info);
  if (info.CurrentState != kStateStopped && info.CurrentState != kStateNotRead) {
    if (!DoServiceAction(serviceName, saStop)) return false;
  }
  return DoServiceAction(serviceName, saStart);
}

bool TServiceControl::SetServiceAutoStart(const std::string& serviceName, bool autoStart) {
  scm_.SetLastError(kLastErrorUnset);

  // Declared in this order so that they are released service, lock, manager.
  const common::ScHandleOwner manager(scm_,
                                      scm_.OpenSCManagerA(MachineName, common::kManagerAccess));
  if (!manager) {
    ShowLastError();
    return false;
  }
  const common::ScLockOwner lock(scm_, scm_.LockServiceDatabase(manager.get()));
  if (!lock) {
    ShowLastError();
    return false;
  }
  const common::ScHandleOwner service(
      scm_, scm_.OpenServiceA(manager.get(), serviceName, common::kServiceAllAccess));
  if (!service) {
    ShowLastError();
    return false;
  }

  const std::uint32_t startType =
      autoStart ? common::kServiceAutoStart : common::kServiceDemandStart;
  if (!scm_.ChangeServiceStartType(service.get(), startType)) {
    ShowLastError();
    return false;
  }
  return true;
}

}  // namespace services_u
