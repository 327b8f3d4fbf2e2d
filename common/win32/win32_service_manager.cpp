#include "common/win32/win32_service_manager.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace common::win32 {
namespace {

SC_HANDLE ToScHandle(ScHandle handle) {
  return reinterpret_cast<SC_HANDLE>(handle);
}
ScHandle FromPointer(const void* pointer) {
  return reinterpret_cast<ScHandle>(pointer);
}

// An empty span passes no buffer, as the calls expect for a size query.
LPBYTE BufferOrNull(std::span<std::uint8_t> buffer) {
  return buffer.empty() ? nullptr : buffer.data();
}

// The records hold pointers into the caller's buffer. A text is read only up to
// the buffer's end, so a bad pointer cannot make the decoder run past it.
std::string TextInBuffer(const char* text, std::span<const std::uint8_t> buffer) {
  if (text == nullptr || buffer.empty()) return {};
  const auto* begin = reinterpret_cast<const char*>(buffer.data());
  const auto* end = begin + buffer.size();
  if (text < begin || text >= end) return {};
  return std::string(text, strnlen(text, static_cast<std::size_t>(end - text)));
}

// Decoding allocates memory; the caller reads the call's error code afterwards,
// so the code is kept as the call left it.
class LastErrorKeeper {
 public:
  LastErrorKeeper() : code_(::GetLastError()) {}
  LastErrorKeeper(const LastErrorKeeper&) = delete;
  LastErrorKeeper& operator=(const LastErrorKeeper&) = delete;
  ~LastErrorKeeper() { ::SetLastError(code_); }

 private:
  DWORD code_;
};

}  // namespace

void Win32ServiceManager::SetLastError(std::uint32_t code) {
  ::SetLastError(code);
}

std::uint32_t Win32ServiceManager::GetLastError() {
  return ::GetLastError();
}

ScHandle Win32ServiceManager::OpenSCManagerA(const std::string& machine, std::uint32_t access) {
  return FromPointer(::OpenSCManagerA(machine.c_str(), nullptr, access));
}

ScHandle Win32ServiceManager::OpenServiceA(ScHandle manager, const std::string& serviceName,
                                           std::uint32_t access) {
  return FromPointer(::OpenServiceA(ToScHandle(manager), serviceName.c_str(), access));
}

bool Win32ServiceManager::QueryServiceStatus(ScHandle service, ServiceStatus& status) {
  SERVICE_STATUS raw{};
  if (!::QueryServiceStatus(ToScHandle(service), &raw)) return false;
  status.currentState = static_cast<std::int32_t>(raw.dwCurrentState);
  status.checkPoint = raw.dwCheckPoint;
  status.waitHint = raw.dwWaitHint;
  return true;
}

bool Win32ServiceManager::QueryServiceConfigA(ScHandle service, std::span<std::uint8_t> buffer,
                                              std::uint32_t& bytesNeeded, ServiceConfig& config) {
  DWORD needed = 0;
  const DWORD size = static_cast<DWORD>(std::min<std::size_t>(buffer.size(), MAXDWORD));
  const bool ok = ::QueryServiceConfigA(
      ToScHandle(service), reinterpret_cast<LPQUERY_SERVICE_CONFIGA>(BufferOrNull(buffer)), size,
      &needed);
  bytesNeeded = needed;
  if (!ok) return false;
  if (buffer.size() < sizeof(QUERY_SERVICE_CONFIGA)) return true;  // nothing to decode
  const LastErrorKeeper keepError;
  // The span need not be aligned for the record: copy its fixed part out.
  QUERY_SERVICE_CONFIGA record;
  std::memcpy(&record, buffer.data(), sizeof record);
  config.displayName = TextInBuffer(record.lpDisplayName, buffer);
  config.startType = static_cast<std::int32_t>(record.dwStartType);
  return true;
}

bool Win32ServiceManager::StartServiceA(ScHandle service) {
  return ::StartServiceA(ToScHandle(service), 0, nullptr) != FALSE;
}

bool Win32ServiceManager::ControlService(ScHandle service, std::uint32_t control) {
  SERVICE_STATUS status{};
  return ::ControlService(ToScHandle(service), control, &status) != FALSE;
}

ScHandle Win32ServiceManager::LockServiceDatabase(ScHandle manager) {
  return FromPointer(::LockServiceDatabase(ToScHandle(manager)));
}

void Win32ServiceManager::UnlockServiceDatabase(ScHandle lock) {
  ::UnlockServiceDatabase(reinterpret_cast<SC_LOCK>(lock));
}

bool Win32ServiceManager::ChangeServiceStartType(ScHandle service, std::uint32_t startType) {
  return ::ChangeServiceConfigA(ToScHandle(service), SERVICE_NO_CHANGE, startType,
                                SERVICE_NO_CHANGE, nullptr, nullptr, nullptr, nullptr, nullptr,
                                nullptr, nullptr) != FALSE;
}

bool Win32ServiceManager::EnumServicesStatusA(
    ScHandle manager, std::uint32_t serviceType, std::uint32_t serviceState,
    std::span<std::uint8_t> buffer, std::uint32_t& bytesNeeded, std::uint32_t& servicesReturned,
    std::uint32_t& resumeHandle, std::vector<EnumServiceRecord>& records) {
  records.clear();
  // Wine's ANSI form fails with ERROR_MORE_DATA and a non-zero count without
  // writing any record: a cleared buffer shows which records were really written
  // (and no record of an earlier call in the same buffer is read again).
  std::fill(buffer.begin(), buffer.end(), std::uint8_t{0});
  DWORD needed = 0;
  DWORD returned = 0;
  DWORD resume = resumeHandle;
  const DWORD size = static_cast<DWORD>(std::min<std::size_t>(buffer.size(), MAXDWORD));
  const bool ok =
      ::EnumServicesStatusA(ToScHandle(manager), serviceType, serviceState,
                            reinterpret_cast<LPENUM_SERVICE_STATUSA>(BufferOrNull(buffer)), size,
                            &needed, &returned, &resume);
  bytesNeeded = needed;
  resumeHandle = resume;
  servicesReturned = 0;
  if (!ok && ::GetLastError() != ERROR_MORE_DATA) return false;

  const LastErrorKeeper keepError;
  // Only whole records inside the buffer, with a service name written into it.
  const std::size_t fitting =
      std::min<std::size_t>(returned, buffer.size() / sizeof(ENUM_SERVICE_STATUSA));
  records.reserve(fitting);
  for (std::size_t i = 0; i < fitting; ++i) {
    ENUM_SERVICE_STATUSA record;
    std::memcpy(&record, buffer.data() + i * sizeof record, sizeof record);
    std::string serviceName = TextInBuffer(record.lpServiceName, buffer);
    if (serviceName.empty()) continue;
    records.push_back({std::move(serviceName), TextInBuffer(record.lpDisplayName, buffer),
                       static_cast<std::int32_t>(record.ServiceStatus.dwCurrentState)});
  }
  servicesReturned = static_cast<std::uint32_t>(records.size());
  return ok;
}

void Win32ServiceManager::CloseServiceHandle(ScHandle handle) {
  ::CloseServiceHandle(ToScHandle(handle));
}

}  // namespace common::win32
