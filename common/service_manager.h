// Service Control Manager seam: one method per advapi32 call that the programs
// make, with Win32-shaped results. A failed call leaves its error code for
// GetLastError, as the system does.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace common {

// An opaque manager, service or lock handle; 0 is none.
using ScHandle = std::uintptr_t;

inline constexpr std::uint32_t kErrorInsufficientBuffer = 122;
inline constexpr std::uint32_t kErrorMoreData = 234;

// Access rights.
inline constexpr std::uint32_t kManagerAccess = 0xA0000000;  // GENERIC_READ | GENERIC_EXECUTE
inline constexpr std::uint32_t kServiceAccess = 0xA0000100;  // ... | SERVICE_USER_DEFINED_CONTROL
inline constexpr std::uint32_t kServiceAllAccess = 0x000F01FF;  // SERVICE_ALL_ACCESS

// Start types.
inline constexpr std::uint32_t kServiceAutoStart = 2;
inline constexpr std::uint32_t kServiceDemandStart = 3;

// Enumeration filters.
inline constexpr std::uint32_t kServiceTypeAll = 0x13F;
inline constexpr std::uint32_t kServiceStateAll = 3;

// The fields of SERVICE_STATUS that the programs read.
struct ServiceStatus {
  std::int32_t currentState = 0;
  std::uint32_t checkPoint = 0;
  std::uint32_t waitHint = 0;
};

// The fields of QUERY_SERVICE_CONFIGA that the programs read.
struct ServiceConfig {
  std::string displayName;
  std::int32_t startType = 0;
};

// The fields of ENUM_SERVICE_STATUSA that the programs read.
struct EnumServiceRecord {
  std::string serviceName;
  std::string displayName;
  std::int32_t currentState = 0;
};

class IServiceManager {
 public:
  virtual ~IServiceManager() = default;

  virtual void SetLastError(std::uint32_t code) = 0;
  virtual std::uint32_t GetLastError() = 0;

  // OpenSCManagerA with no database name; an empty machine is the local one.
  virtual ScHandle OpenSCManagerA(const std::string& machine, std::uint32_t access) = 0;
  virtual ScHandle OpenServiceA(ScHandle manager, const std::string& serviceName,
                                std::uint32_t access) = 0;
  virtual bool QueryServiceStatus(ScHandle service, ServiceStatus& status) = 0;
  // QueryServiceConfigA into `buffer` (its size is the size passed; an empty span
  // passes no buffer). On success `config` holds the record's display name and
  // start type; on failure with ERROR_INSUFFICIENT_BUFFER `bytesNeeded` holds
  // the size needed.
  virtual bool QueryServiceConfigA(ScHandle service, std::span<std::uint8_t> buffer,
                                   std::uint32_t& bytesNeeded, ServiceConfig& config) = 0;
  // StartServiceA with no arguments.
  virtual bool StartServiceA(ScHandle service) = 0;
  // ControlService; the status record it returns is not read.
  virtual bool ControlService(ScHandle service, std::uint32_t control) = 0;
  virtual ScHandle LockServiceDatabase(ScHandle manager) = 0;
  virtual void UnlockServiceDatabase(ScHandle lock) = 0;
  // ChangeServiceConfigA changing only the start type.
  virtual bool ChangeServiceStartType(ScHandle service, std::uint32_t startType) = 0;
  // EnumServicesStatusA into `buffer`. The records that fitted are decoded into
  // `records` (also on failure with ERROR_MORE_DATA, when `bytesNeeded` tells
  // the bytes needed for the rest and `resumeHandle` has advanced);
  // `servicesReturned` is the number of records decoded.
  virtual bool EnumServicesStatusA(ScHandle manager, std::uint32_t serviceType,
                                   std::uint32_t serviceState, std::span<std::uint8_t> buffer,
                                   std::uint32_t& bytesNeeded, std::uint32_t& servicesReturned,
                                   std::uint32_t& resumeHandle,
                                   std::vector<EnumServiceRecord>& records) = 0;
  virtual void CloseServiceHandle(ScHandle handle) = 0;
};

// Owns a manager or service handle and closes it on every way out.
class ScHandleOwner {
 public:
  ScHandleOwner(IServiceManager& scm, ScHandle handle) : scm_(&scm), handle_(handle) {}
  ScHandleOwner(const ScHandleOwner&) = delete;
  ScHandleOwner& operator=(const ScHandleOwner&) = delete;
  ~ScHandleOwner() {
    if (handle_ != 0) scm_->CloseServiceHandle(handle_);
  }
  ScHandle get() const { return handle_; }
  explicit operator bool() const { return handle_ != 0; }

 private:
  IServiceManager* scm_;
  ScHandle handle_;
};

// Owns a database lock and releases it on every way out.
class ScLockOwner {
 public:
  ScLockOwner(IServiceManager& scm, ScHandle lock) : scm_(&scm), lock_(lock) {}
  ScLockOwner(const ScLockOwner&) = delete;
  ScLockOwner& operator=(const ScLockOwner&) = delete;
  ~ScLockOwner() {
    if (lock_ != 0) scm_->UnlockServiceDatabase(lock_);
  }
  explicit operator bool() const { return lock_ != 0; }

 private:
  IServiceManager* scm_;
  ScHandle lock_;
};

}  // namespace common
