// The Service Control Manager seam over advapi32 (ANSI entry points).
#pragma once

#include "common/service_manager.h"

namespace common::win32 {

// Decoding follows what the calls wrote into the caller's buffer. Under Wine the
// ANSI calls work through their wide forms: the sizes they report needed are the
// wide forms' (larger than the ANSI record needs), and EnumServicesStatusA fails
// with ERROR_MORE_DATA without writing records or advancing the resume handle;
// `servicesReturned` is therefore the number of records decoded.
class Win32ServiceManager : public IServiceManager {
 public:
  void SetLastError(std::uint32_t code) override;
  std::uint32_t GetLastError() override;

  ScHandle OpenSCManagerA(const std::string& machine, std::uint32_t access) override;
  ScHandle OpenServiceA(ScHandle manager, const std::string& serviceName,
                        std::uint32_t access) override;
  bool QueryServiceStatus(ScHandle service, ServiceStatus& status) override;
  bool QueryServiceConfigA(ScHandle service, std::span<std::uint8_t> buffer,
                           std::uint32_t& bytesNeeded, ServiceConfig& config) override;
  bool StartServiceA(ScHandle service) override;
  bool ControlService(ScHandle service, std::uint32_t control) override;
  ScHandle LockServiceDatabase(ScHandle manager) override;
  void UnlockServiceDatabase(ScHandle lock) override;
  bool ChangeServiceStartType(ScHandle service, std::uint32_t startType) override;
  bool EnumServicesStatusA(ScHandle manager, std::uint32_t serviceType, std::uint32_t serviceState,
                           std::span<std::uint8_t> buffer, std::uint32_t& bytesNeeded,
                           std::uint32_t& servicesReturned, std::uint32_t& resumeHandle,
                           std::vector<EnumServiceRecord>& records) override;
  void CloseServiceHandle(ScHandle handle) override;
};

}  // namespace common::win32
