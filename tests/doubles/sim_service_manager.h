// A simulated Service Control Manager for tests: scripted services, enumeration
// in batches, failures on demand, and an account of every handle and lock.
//
// Services. Each service has a name (looked up without regard to case), a display
// name, a start type, the size of its configuration record and a state. A service
// accepts StartServiceA only when stopped (otherwise 1056) and ControlService only
// when neither stopped (1062) nor pending (1061). After an accepted request the
// successive QueryServiceStatus calls return the service's script for that request
// one status after the other, the last one for ever; a request without a script
// moves the service to the request's usual end state at once (start and continue:
// running, stop: stopped, pause: paused).
//
// Rights. Handles carry the rights they were opened with, the generic rights mapped
// as the manager maps them, and a call that needs a right the handle lacks fails
// with 5 (access denied): OpenServiceA needs connect on the manager, the enumeration
// needs enumerate, the lock needs lock; on a service, the status and configuration
// queries need their query rights, the start needs start, the stop control stop,
// pause and continue need pause/continue, and the start-type change needs change.
//
// Enumeration. All services are returned in the order they were added. A record
// takes RecordBytes(service) bytes of the caller's buffer: 48 bytes for the record
// itself (two pointers and a seven-field status on a 64-bit system) plus the
// service name and the display name, each with its terminating nul. A call returns
// the records that fit from the resume handle on, at most the batch limit when one
// is set; when records remain it fails with ERROR_MORE_DATA, reports the bytes that
// the remaining records need and leaves the resume handle on the first of them.
// The last batch succeeds and sets the resume handle back to 0.
//
// Failures. FailNext and FailAlways make a call that reports failure fail with a
// chosen code before it does anything else. A forced failure of QueryServiceConfigA
// reports the service's configuration size as the bytes needed.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "common/service_manager.h"

namespace doubles {

// Every call of the seam, in the order of the call log.
enum class ScCall : std::uint8_t {
  SetLastError,
  GetLastError,
  OpenSCManager,
  OpenService,
  QueryServiceStatus,
  QueryServiceConfig,
  StartService,
  ControlService,
  LockServiceDatabase,
  UnlockServiceDatabase,
  ChangeServiceStartType,
  EnumServicesStatus,
  CloseServiceHandle,
};

const char* CallName(ScCall call);

// Whether a call can report failure (and so can be made to fail).
bool CanFail(ScCall call);

// Error codes the simulation reports on its own (besides 5, access denied, which
// the registry double names too).
inline constexpr std::uint32_t kErrorInvalidHandle = 6;
inline constexpr std::uint32_t kErrorInvalidParameter = 87;
inline constexpr std::uint32_t kErrorServiceDatabaseLocked = 1055;
inline constexpr std::uint32_t kErrorServiceAlreadyRunning = 1056;
inline constexpr std::uint32_t kErrorServiceDoesNotExist = 1060;
inline constexpr std::uint32_t kErrorServiceCannotAcceptControl = 1061;
inline constexpr std::uint32_t kErrorServiceNotActive = 1062;

// The request code logged and used as script key for StartServiceA; control codes
// stand for themselves.
inline constexpr std::uint32_t kStartRequest = 0;

struct SimService {
  std::string name;
  std::string displayName{};
  std::int32_t startType = 3;
  std::uint32_t configBytes = 256;  // QueryServiceConfigA needs a buffer this large
  std::int32_t state = 1;
  // Statuses returned after an accepted request, keyed by request code.
  std::map<std::uint32_t, std::vector<common::ServiceStatus>> scripts{};
};

class SimServiceManager : public common::IServiceManager {
 public:
  enum class Released : std::uint8_t { Service, Lock, Manager };

  struct Open {
    std::string name;  // machine for a manager, service name for a service
    std::uint32_t access = 0;
    bool operator==(const Open&) const = default;
  };
  struct Request {
    std::string service;
    std::uint32_t code = 0;  // kStartRequest or a control code
    bool operator==(const Request&) const = default;
  };
  struct EnumCall {
    std::uint32_t serviceType = 0;
    std::uint32_t serviceState = 0;
    std::size_t bufferSize = 0;
    std::uint32_t resumeHandle = 0;  // as passed in
  };

  // --- Set-up ---------------------------------------------------------------
  // Adds a service; the reference stays valid for the life of the simulation.
  SimService& AddService(SimService service);
  // The service, found without regard to case; throws std::out_of_range when absent.
  SimService& Service(const std::string& name);
  // The most records one enumeration call returns; 0 for no limit.
  void SetEnumBatchLimit(std::size_t limit) { enumBatchLimit_ = limit; }
  static std::uint32_t RecordBytes(const SimService& service);

  // The `nth` next call of this kind (1 = the very next) fails with `code`.
  void FailNext(ScCall call, std::uint32_t code, int nth = 1);
  // Every call of this kind fails with `code` until ClearFailures.
  void FailAlways(ScCall call, std::uint32_t code);
  void ClearFailures();

  // --- Accounting -----------------------------------------------------------
  int OpenManagers() const { return Count(Kind::Manager); }
  int OpenServices() const { return Count(Kind::Service); }
  int HeldLocks() const { return Count(Kind::Lock); }
  // Closes and unlocks, in order.
  const std::vector<Released>& Releases() const { return releases_; }
  // Closes or unlocks of a handle that was not open (double close, wrong kind, 0).
  int BadReleases() const { return badReleases_; }
  // Every call made, in order.
  const std::vector<ScCall>& Calls() const { return calls_; }
  // The codes passed to SetLastError, in order.
  const std::vector<std::uint32_t>& LastErrorsSet() const { return lastErrorsSet_; }
  const std::vector<Open>& ManagerOpens() const { return managerOpens_; }
  const std::vector<Open>& ServiceOpens() const { return serviceOpens_; }
  // Accepted and refused requests alike, in order.
  const std::vector<Request>& Requests() const { return requests_; }
  // The buffer size passed to each QueryServiceConfigA.
  const std::vector<std::size_t>& ConfigBufferSizes() const { return configBufferSizes_; }
  const std::vector<EnumCall>& EnumCalls() const { return enumCalls_; }
  // Start types passed to ChangeServiceStartType, in order.
  const std::vector<std::uint32_t>& StartTypeChanges() const { return startTypeChanges_; }
  // Forgets the logs (not the open handles or the services).
  void ClearLogs();

  // --- The seam -------------------------------------------------------------
  void SetLastError(std::uint32_t code) override;
  std::uint32_t GetLastError() override;
  common::ScHandle OpenSCManagerA(const std::string& machine, std::uint32_t access) override;
  common::ScHandle OpenServiceA(common::ScHandle manager, const std::string& serviceName,
                                std::uint32_t access) override;
  bool QueryServiceStatus(common::ScHandle service, common::ServiceStatus& status) override;
  bool QueryServiceConfigA(common::ScHandle service, std::span<std::uint8_t> buffer,
                           std::uint32_t& bytesNeeded, common::ServiceConfig& config) override;
  bool StartServiceA(common::ScHandle service) override;
  bool ControlService(common::ScHandle service, std::uint32_t control) override;
  common::ScHandle LockServiceDatabase(common::ScHandle manager) override;
  void UnlockServiceDatabase(common::ScHandle lock) override;
  bool ChangeServiceStartType(common::ScHandle service, std::uint32_t startType) override;
  bool EnumServicesStatusA(common::ScHandle manager, std::uint32_t serviceType,
                           std::uint32_t serviceState, std::span<std::uint8_t> buffer,
                           std::uint32_t& bytesNeeded, std::uint32_t& servicesReturned,
                           std::uint32_t& resumeHandle,
                           std::vector<common::EnumServiceRecord>& records) override;
  void CloseServiceHandle(common::ScHandle handle) override;

 private:
  enum class Kind : std::uint8_t { Manager, Service, Lock };
  struct HandleInfo {
    Kind kind;
    std::uint32_t rights;  // specific rights after mapping the generic ones
    SimService* service;   // for a service handle
  };
  struct Running {
    std::vector<common::ServiceStatus> script;
    std::size_t next = 0;
  };

  int Count(Kind kind) const;
  // Logs the call and applies a forced failure; true when the call must fail.
  bool Enter(ScCall call);
  bool Fail(std::uint32_t code);
  common::ScHandle NewHandle(Kind kind, std::uint32_t rights, SimService* service);
  // The open handle of this kind having `right`; sets the error and gives null otherwise.
  HandleInfo* Use(common::ScHandle handle, Kind kind, std::uint32_t right);
  SimService* Find(const std::string& name);
  bool Accept(SimService& service, std::uint32_t code);

  std::deque<SimService> services_;
  std::map<const SimService*, Running> running_;
  std::map<common::ScHandle, HandleInfo> handles_;
  common::ScHandle nextHandle_ = 0x1000;
  std::uint32_t lastError_ = 0;
  std::size_t enumBatchLimit_ = 0;

  std::map<ScCall, int> callCounts_;
  std::map<std::pair<ScCall, int>, std::uint32_t> failAt_;
  std::map<ScCall, std::uint32_t> failAlways_;

  std::vector<Released> releases_;
  int badReleases_ = 0;
  std::vector<ScCall> calls_;
  std::vector<std::uint32_t> lastErrorsSet_;
  std::vector<Open> managerOpens_;
  std::vector<Open> serviceOpens_;
  std::vector<Request> requests_;
  std::vector<std::size_t> configBufferSizes_;
  std::vector<EnumCall> enumCalls_;
  std::vector<std::uint32_t> startTypeChanges_;
};

}  // namespace doubles
