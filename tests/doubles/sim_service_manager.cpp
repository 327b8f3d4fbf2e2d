#include "doubles/sim_service_manager.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace doubles {

namespace {

constexpr std::uint32_t kAccessDenied = 5;

constexpr std::uint32_t kGenericRead = 0x80000000;
constexpr std::uint32_t kGenericWrite = 0x40000000;
constexpr std::uint32_t kGenericExecute = 0x20000000;
constexpr std::uint32_t kGenericAll = 0x10000000;

// Manager rights.
constexpr std::uint32_t kScConnect = 0x0001;
constexpr std::uint32_t kScCreateService = 0x0002;
constexpr std::uint32_t kScEnumerate = 0x0004;
constexpr std::uint32_t kScLock = 0x0008;
constexpr std::uint32_t kScQueryLockStatus = 0x0010;
constexpr std::uint32_t kScModifyBootConfig = 0x0020;
constexpr std::uint32_t kScAllSpecific = 0x003F;

// Service rights.
constexpr std::uint32_t kSvcQueryConfig = 0x0001;
constexpr std::uint32_t kSvcChangeConfig = 0x0002;
constexpr std::uint32_t kSvcQueryStatus = 0x0004;
constexpr std::uint32_t kSvcEnumerateDependents = 0x0008;
constexpr std::uint32_t kSvcStart = 0x0010;
constexpr std::uint32_t kSvcStop = 0x0020;
constexpr std::uint32_t kSvcPauseContinue = 0x0040;
constexpr std::uint32_t kSvcInterrogate = 0x0080;
constexpr std::uint32_t kSvcUserDefinedControl = 0x0100;
constexpr std::uint32_t kSvcAllSpecific = 0x01FF;

struct GenericMapping {
  std::uint32_t read, write, execute, all;
};
constexpr GenericMapping kManagerMapping{kScEnumerate | kScQueryLockStatus,
                                         kScCreateService | kScModifyBootConfig,
                                         kScConnect | kScLock, kScAllSpecific};
constexpr GenericMapping kServiceMapping{
    kSvcQueryConfig | kSvcQueryStatus | kSvcInterrogate | kSvcEnumerateDependents, kSvcChangeConfig,
    kSvcStart | kSvcStop | kSvcPauseContinue | kSvcUserDefinedControl, kSvcAllSpecific};

std::uint32_t MapRights(std::uint32_t access, const GenericMapping& mapping) {
  std::uint32_t rights = access & 0xFFFF;
  if (access & kGenericRead) rights |= mapping.read;
  if (access & kGenericWrite) rights |= mapping.write;
  if (access & kGenericExecute) rights |= mapping.execute;
  if (access & kGenericAll) rights |= mapping.all;
  return rights;
}

struct ControlRule {
  std::uint32_t code;
  std::uint32_t right;
  std::int32_t endState;
};
// What each request needs and where it leads without a script.
constexpr ControlRule kRequests[] = {
    {kStartRequest, kSvcStart, 4},
    {1, kSvcStop, 1},
    {2, kSvcPauseContinue, 7},
    {3, kSvcPauseContinue, 4},
};

const ControlRule* FindRequest(std::uint32_t code) {
  for (const auto& rule : kRequests)
    if (rule.code == code) return &rule;
  return nullptr;
}

bool IsPending(std::int32_t state) {
  return state == 2 || state == 3 || state == 5 || state == 6;
}

std::string Upper(std::string text) {
  for (auto& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

constexpr struct {
  ScCall call;
  const char* name;
  bool canFail;
} kCalls[] = {
    {ScCall::SetLastError, "SetLastError", false},
    {ScCall::GetLastError, "GetLastError", false},
    {ScCall::OpenSCManager, "OpenSCManagerA", true},
    {ScCall::OpenService, "OpenServiceA", true},
    {ScCall::QueryServiceStatus, "QueryServiceStatus", true},
    {ScCall::QueryServiceConfig, "QueryServiceConfigA", true},
    {ScCall::StartService, "StartServiceA", true},
    {ScCall::ControlService, "ControlService", true},
    {ScCall::LockServiceDatabase, "LockServiceDatabase", true},
    {ScCall::UnlockServiceDatabase, "UnlockServiceDatabase", false},
    {ScCall::ChangeServiceStartType, "ChangeServiceConfigA", true},
    {ScCall::EnumServicesStatus, "EnumServicesStatusA", true},
    {ScCall::CloseServiceHandle, "CloseServiceHandle", false},
};

}  // namespace

const char* CallName(ScCall call) {
  for (const auto& entry : kCalls)
    if (entry.call == call) return entry.name;
  return "?";
}

bool CanFail(ScCall call) {
  for (const auto& entry : kCalls)
    if (entry.call == call) return entry.canFail;
  return false;
}

SimService& SimServiceManager::AddService(SimService service) {
  return services_.emplace_back(std::move(service));
}

SimService& SimServiceManager::Service(const std::string& name) {
  SimService* service = Find(name);
  if (service == nullptr) throw std::out_of_range("no simulated service " + name);
  return *service;
}

std::uint32_t SimServiceManager::RecordBytes(const SimService& service) {
  return static_cast<std::uint32_t>(48 + service.name.size() + 1 + service.displayName.size() + 1);
}

void SimServiceManager::FailNext(ScCall call, std::uint32_t code, int nth) {
  failAt_[{call, callCounts_[call] + nth}] = code;
}

void SimServiceManager::FailAlways(ScCall call, std::uint32_t code) {
  failAlways_[call] = code;
}

void SimServiceManager::ClearFailures() {
  failAt_.clear();
  failAlways_.clear();
}

void SimServiceManager::ClearLogs() {
  releases_.clear();
  badReleases_ = 0;
  calls_.clear();
  lastErrorsSet_.clear();
  managerOpens_.clear();
  serviceOpens_.clear();
  requests_.clear();
  configBufferSizes_.clear();
  enumCalls_.clear();
  startTypeChanges_.clear();
}

int SimServiceManager::Count(Kind kind) const {
  return static_cast<int>(std::count_if(handles_.begin(), handles_.end(),
                                        [kind](const auto& h) { return h.second.kind == kind; }));
}

bool SimServiceManager::Enter(ScCall call) {
  calls_.push_back(call);
  const int count = ++callCounts_[call];
  if (auto it = failAt_.find({call, count}); it != failAt_.end()) {
    const std::uint32_t code = it->second;
    failAt_.erase(it);
    return Fail(code);
  }
  if (auto it = failAlways_.find(call); it != failAlways_.end()) return Fail(it->second);
  return false;
}

bool SimServiceManager::Fail(std::uint32_t code) {
  lastError_ = code;
  return true;
}

common::ScHandle SimServiceManager::NewHandle(Kind kind, std::uint32_t rights,
                                              SimService* service) {
  const common::ScHandle handle = nextHandle_;
  nextHandle_ += 4;
  handles_[handle] = HandleInfo{kind, rights, service};
  return handle;
}

SimServiceManager::HandleInfo* SimServiceManager::Use(common::ScHandle handle, Kind kind,
                                                      std::uint32_t right) {
  auto it = handles_.find(handle);
  if (it == handles_.end() || it->second.kind != kind) {
    lastError_ = kErrorInvalidHandle;
    return nullptr;
  }
  if ((it->second.rights & right) != right) {
    lastError_ = kAccessDenied;
    return nullptr;
  }
  return &it->second;
}

SimService* SimServiceManager::Find(const std::string& name) {
  const std::string key = Upper(name);
  for (auto& service : services_)
    if (Upper(service.name) == key) return &service;
  return nullptr;
}

void SimServiceManager::SetLastError(std::uint32_t code) {
  calls_.push_back(ScCall::SetLastError);
  lastErrorsSet_.push_back(code);
  lastError_ = code;
}

std::uint32_t SimServiceManager::GetLastError() {
  calls_.push_back(ScCall::GetLastError);
  return lastError_;
}

common::ScHandle SimServiceManager::OpenSCManagerA(const std::string& machine,
                                                   std::uint32_t access) {
  managerOpens_.push_back({machine, access});
  if (Enter(ScCall::OpenSCManager)) return 0;
  return NewHandle(Kind::Manager, MapRights(access, kManagerMapping), nullptr);
}

common::ScHandle SimServiceManager::OpenServiceA(common::ScHandle manager,
                                                 const std::string& serviceName,
                                                 std::uint32_t access) {
  serviceOpens_.push_back({serviceName, access});
  if (Enter(ScCall::OpenService)) return 0;
  if (Use(manager, Kind::Manager, kScConnect) == nullptr) return 0;
  SimService* service = Find(serviceName);
  if (service == nullptr) {
    lastError_ = kErrorServiceDoesNotExist;
    return 0;
  }
  return NewHandle(Kind::Service, MapRights(access, kServiceMapping), service);
}

bool SimServiceManager::QueryServiceStatus(common::ScHandle service,
                                           common::ServiceStatus& status) {
  if (Enter(ScCall::QueryServiceStatus)) return false;
  HandleInfo* info = Use(service, Kind::Service, kSvcQueryStatus);
  if (info == nullptr) return false;
  SimService& svc = *info->service;
  auto it = running_.find(&svc);
  if (it == running_.end()) {
    status = common::ServiceStatus{svc.state, 0, 0};
    return true;
  }
  Running& run = it->second;
  status = run.script[run.next];
  if (run.next + 1 < run.script.size()) ++run.next;
  svc.state = status.currentState;
  return true;
}

bool SimServiceManager::QueryServiceConfigA(common::ScHandle service,
                                            std::span<std::uint8_t> buffer,
                                            std::uint32_t& bytesNeeded,
                                            common::ServiceConfig& config) {
  configBufferSizes_.push_back(buffer.size());
  if (Enter(ScCall::QueryServiceConfig)) {
    auto it = handles_.find(service);
    if (it != handles_.end() && it->second.service != nullptr)
      bytesNeeded = it->second.service->configBytes;
    return false;
  }
  HandleInfo* info = Use(service, Kind::Service, kSvcQueryConfig);
  if (info == nullptr) return false;
  const SimService& svc = *info->service;
  if (buffer.size() < svc.configBytes) {
    lastError_ = common::kErrorInsufficientBuffer;
    bytesNeeded = svc.configBytes;
    return false;
  }
  config.displayName = svc.displayName;
  config.startType = svc.startType;
  return true;
}

bool SimServiceManager::Accept(SimService& service, std::uint32_t code) {
  const ControlRule* rule = FindRequest(code);
  auto script = service.scripts.find(code);
  Running run;
  if (script != service.scripts.end() && !script->second.empty())
    run.script = script->second;
  else
    run.script = {common::ServiceStatus{rule->endState, 0, 0}};
  running_[&service] = std::move(run);
  return true;
}

bool SimServiceManager::StartServiceA(common::ScHandle service) {
  HandleInfo* info = handles_.count(service) ? &handles_.at(service) : nullptr;
  requests_.push_back({info && info->service ? info->service->name : std::string(), kStartRequest});
  if (Enter(ScCall::StartService)) return false;
  info = Use(service, Kind::Service, kSvcStart);
  if (info == nullptr) return false;
  if (info->service->state != 1) return !Fail(kErrorServiceAlreadyRunning);
  return Accept(*info->service, kStartRequest);
}

bool SimServiceManager::ControlService(common::ScHandle service, std::uint32_t control) {
  HandleInfo* info = handles_.count(service) ? &handles_.at(service) : nullptr;
  requests_.push_back({info && info->service ? info->service->name : std::string(), control});
  if (Enter(ScCall::ControlService)) return false;
  const ControlRule* rule = control == kStartRequest ? nullptr : FindRequest(control);
  if (rule == nullptr) return !Fail(kErrorInvalidParameter);
  info = Use(service, Kind::Service, rule->right);
  if (info == nullptr) return false;
  if (info->service->state == 1) return !Fail(kErrorServiceNotActive);
  if (IsPending(info->service->state)) return !Fail(kErrorServiceCannotAcceptControl);
  return Accept(*info->service, control);
}

common::ScHandle SimServiceManager::LockServiceDatabase(common::ScHandle manager) {
  if (Enter(ScCall::LockServiceDatabase)) return 0;
  if (Use(manager, Kind::Manager, kScLock) == nullptr) return 0;
  if (HeldLocks() > 0) {
    lastError_ = kErrorServiceDatabaseLocked;
    return 0;
  }
  return NewHandle(Kind::Lock, 0, nullptr);
}

void SimServiceManager::UnlockServiceDatabase(common::ScHandle lock) {
  calls_.push_back(ScCall::UnlockServiceDatabase);
  auto it = handles_.find(lock);
  if (it == handles_.end() || it->second.kind != Kind::Lock) {
    ++badReleases_;
    return;
  }
  handles_.erase(it);
  releases_.push_back(Released::Lock);
}

bool SimServiceManager::ChangeServiceStartType(common::ScHandle service, std::uint32_t startType) {
  startTypeChanges_.push_back(startType);
  if (Enter(ScCall::ChangeServiceStartType)) return false;
  HandleInfo* info = Use(service, Kind::Service, kSvcChangeConfig);
  if (info == nullptr) return false;
  if (startType > 4) return !Fail(kErrorInvalidParameter);
  info->service->startType = static_cast<std::int32_t>(startType);
  return true;
}

bool SimServiceManager::EnumServicesStatusA(
    common::ScHandle manager, std::uint32_t serviceType, std::uint32_t serviceState,
    std::span<std::uint8_t> buffer, std::uint32_t& bytesNeeded, std::uint32_t& servicesReturned,
    std::uint32_t& resumeHandle, std::vector<common::EnumServiceRecord>& records) {
  enumCalls_.push_back({serviceType, serviceState, buffer.size(), resumeHandle});
  records.clear();
  servicesReturned = 0;
  bytesNeeded = 0;
  if (Enter(ScCall::EnumServicesStatus)) return false;
  if (Use(manager, Kind::Manager, kScEnumerate) == nullptr) return false;

  std::size_t index = resumeHandle;
  std::size_t used = 0;
  while (index < services_.size()) {
    const SimService& service = services_[index];
    const std::uint32_t size = RecordBytes(service);
    if (used + size > buffer.size()) break;
    if (enumBatchLimit_ != 0 && records.size() == enumBatchLimit_) break;
    records.push_back({service.name, service.displayName, service.state});
    used += size;
    ++index;
  }
  servicesReturned = static_cast<std::uint32_t>(records.size());
  if (index >= services_.size()) {
    resumeHandle = 0;
    return true;
  }
  for (std::size_t rest = index; rest < services_.size(); ++rest)
    bytesNeeded += RecordBytes(services_[rest]);
  resumeHandle = static_cast<std::uint32_t>(index);
  return !Fail(common::kErrorMoreData);
}

void SimServiceManager::CloseServiceHandle(common::ScHandle handle) {
  calls_.push_back(ScCall::CloseServiceHandle);
  auto it = handles_.find(handle);
  if (it == handles_.end() || it->second.kind == Kind::Lock) {
    ++badReleases_;
    return;
  }
  releases_.push_back(it->second.kind == Kind::Service ? Released::Service : Released::Manager);
  handles_.erase(it);
}

}  // namespace doubles
