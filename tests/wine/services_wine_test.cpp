// The Service Control Manager adapter, and the service operations over it,
// against Wine's real Service Control Manager and the stand-in service.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "common/services_u.h"
#include "common/win32/handles_win32.h"
#include "common/win32/win32_service_manager.h"
#include "common/win32/win32_system_text.h"
#include "common/win32/win32_wait_platform.h"
#include "tests/wine/wine_test_support.h"

namespace {

using common::ScHandle;
using common::ServiceStatus;
using common::win32::Win32ServiceManager;

// ---------------------------------------------------------------------------
// Raw Win32 helpers: they install the stand-in and check what the adapter did,
// independently of it.

using RawScHandle = common::win32::UniqueScHandle;
using KernelHandle = common::win32::UniqueKernelHandle;

// The stand-in's Windows path.
std::string StandinPath() {
  return wine_test::WindowsPath(STANDIN_EXE);
}

// The stand-in's command line: its quoted path, then the options.
std::string StandinCommand(const std::string& options) {
  std::string command(1, '"');
  command.append(StandinPath()).append("\" ").append(options);
  return command;
}

SERVICE_STATUS_PROCESS RawStatus(const std::string& name) {
  SERVICE_STATUS_PROCESS status{};
  DWORD needed = 0;
  const RawScHandle service = wine_test::ServiceHandle(name);
  EXPECT_TRUE(QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO,
                                   reinterpret_cast<LPBYTE>(&status), sizeof status, &needed))
      << GetLastError();
  return status;
}

DWORD RawStartType(const std::string& name) {
  const RawScHandle service = wine_test::ServiceHandle(name);
  std::vector<QUERY_SERVICE_CONFIGA> buffer(64);  // 64 records: far more than one config needs
  DWORD needed = 0;
  EXPECT_TRUE(QueryServiceConfigA(service.get(), buffer.data(),
                                  static_cast<DWORD>(buffer.size() * sizeof buffer[0]), &needed))
      << GetLastError();
  return buffer[0].dwStartType;
}

// Starts with the raw API and waits until the service left the start-pending state.
void RawStart(const std::string& name) {
  const RawScHandle service = wine_test::ServiceHandle(name);
  ASSERT_TRUE(StartServiceA(service.get(), 0, nullptr)) << GetLastError();
  for (int i = 0; i < 200 && RawStatus(name).dwCurrentState == SERVICE_START_PENDING; ++i)
    Sleep(25);
  ASSERT_EQ(RawStatus(name).dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
}

// Installs stand-in services and removes them at the end of the test; a service
// that is still running (or stuck pending) has its process ended first.
class StandinServices : public ::testing::Test {
 protected:
  // `options` are the stand-in's command-line options; an empty display name
  // gives the name plus " Agent"; `dependencies` is double-nul-terminated.
  void Install(const std::string& name, const std::string& options,
               DWORD startType = SERVICE_DEMAND_START, std::string displayName = {},
               const std::string& dependencies = {}) {
    const RawScHandle manager = wine_test::ManagerHandle();
    ASSERT_TRUE(manager) << GetLastError();
    const std::string command = StandinCommand(options);
    if (displayName.empty()) displayName = name + " Agent";
    const RawScHandle service(CreateServiceA(
        manager.get(), name.c_str(), displayName.c_str(), SERVICE_ALL_ACCESS,
        SERVICE_WIN32_OWN_PROCESS, startType, SERVICE_ERROR_NORMAL, command.c_str(), nullptr,
        nullptr, dependencies.empty() ? nullptr : dependencies.c_str(), nullptr, nullptr));
    ASSERT_TRUE(service) << "CreateServiceA " << name << ": " << GetLastError();
    installed_.push_back(name);
  }

  void TearDown() override {
    for (const std::string& name : installed_) {
      const SERVICE_STATUS_PROCESS status = RawStatus(name);
      if (status.dwCurrentState != SERVICE_STOPPED && status.dwProcessId != 0) {
        const KernelHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, status.dwProcessId));
        if (process) TerminateProcess(process.get(), 1);
      }
      const RawScHandle service = wine_test::ServiceHandle(name);
      EXPECT_TRUE(DeleteService(service.get())) << name << ": " << GetLastError();
    }
  }

  Win32ServiceManager scm;

 private:
  std::vector<std::string> installed_;
};

// Opens the manager and a service through the adapter and closes both at the end.
struct AdapterService {
  AdapterService(Win32ServiceManager& scm, const std::string& name,
                 std::uint32_t access = common::kServiceAllAccess)
      : manager(scm, scm.OpenSCManagerA("", common::kManagerAccess)),
        service(scm, manager ? scm.OpenServiceA(manager.get(), name, access) : 0) {}
  common::ScHandleOwner manager;
  common::ScHandleOwner service;
};

// The statuses that the adapter reports, polled often, from now until the
// service leaves `pending` (or 10 s pass); the last one is the first outside it.
std::vector<ServiceStatus> FollowPending(Win32ServiceManager& scm, ScHandle service,
                                         std::int32_t pending) {
  std::vector<ServiceStatus> seen;
  const DWORD begin = GetTickCount();
  ServiceStatus status;
  do {
    if (!seen.empty()) Sleep(20);
    if (!scm.QueryServiceStatus(service, status)) {
      ADD_FAILURE() << "QueryServiceStatus: " << GetLastError();
      break;
    }
    seen.push_back(status);
  } while (status.currentState == pending && GetTickCount() - begin < 10000);
  return seen;
}

// ---------------------------------------------------------------------------
// The adapter.

TEST_F(StandinServices, EveryPendingPhaseRaisesItsCheckPointsWithTheWaitHint) {
  Install("PhaseWalk",
          "--start-ms 600 --start-steps 3 --pause-ms 600 --pause-steps 3 "
          "--continue-ms 600 --continue-steps 3 --stop-ms 600 --stop-steps 3 --wait-hint 1000");
  AdapterService handles(scm, "PhaseWalk");
  ASSERT_TRUE(handles.service) << scm.GetLastError();
  const ScHandle service = handles.service.get();

  const struct {
    const char* what;
    std::function<bool()> request;
    std::int32_t pending, target;
  } steps[] = {
      {"start", [&] { return scm.StartServiceA(service); }, SERVICE_START_PENDING, SERVICE_RUNNING},
      {"pause", [&] { return scm.ControlService(service, SERVICE_CONTROL_PAUSE); },
       SERVICE_PAUSE_PENDING, SERVICE_PAUSED},
      {"continue", [&] { return scm.ControlService(service, SERVICE_CONTROL_CONTINUE); },
       SERVICE_CONTINUE_PENDING, SERVICE_RUNNING},
      {"stop", [&] { return scm.ControlService(service, SERVICE_CONTROL_STOP); },
       SERVICE_STOP_PENDING, SERVICE_STOPPED},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.what);
    ASSERT_TRUE(step.request()) << scm.GetLastError();
    const std::vector<ServiceStatus> seen = FollowPending(scm, service, step.pending);
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen.back().currentState, step.target);
    EXPECT_EQ(seen.back().checkPoint, 0u);
    EXPECT_EQ(seen.back().waitHint, 0u);
    std::vector<std::uint32_t> checkPoints;
    for (auto it = seen.begin(); it + 1 != seen.end(); ++it) {
      EXPECT_EQ(it->currentState, step.pending);
      EXPECT_EQ(it->waitHint, 1000u);
      if (checkPoints.empty() || checkPoints.back() != it->checkPoint)
        checkPoints.push_back(it->checkPoint);
    }
    EXPECT_EQ(checkPoints, (std::vector<std::uint32_t>{1, 2, 3}));
  }
}

TEST_F(StandinServices, RefusedCallsLeaveTheSystemCode) {
  Install("Refuser", "");
  AdapterService handles(scm, "Refuser");
  ASSERT_TRUE(handles.service);

  scm.SetLastError(0xFFFFFFFF);
  EXPECT_EQ(scm.GetLastError(), 0xFFFFFFFFu);
  const ScHandle missing = scm.OpenServiceA(handles.manager.get(), "NoSuchService", 0xA0000100);
  EXPECT_EQ(missing, 0u);
  EXPECT_EQ(scm.GetLastError(), static_cast<std::uint32_t>(ERROR_SERVICE_DOES_NOT_EXIST));

  EXPECT_FALSE(scm.ControlService(handles.service.get(), SERVICE_CONTROL_STOP));
  EXPECT_EQ(scm.GetLastError(), static_cast<std::uint32_t>(ERROR_SERVICE_NOT_ACTIVE));

  RawStart("Refuser");
  EXPECT_FALSE(scm.StartServiceA(handles.service.get()));
  EXPECT_EQ(scm.GetLastError(), static_cast<std::uint32_t>(ERROR_SERVICE_ALREADY_RUNNING));
}

TEST_F(StandinServices, ConfigQueryReportsTheSizeNeededThenDecodesTheRecord) {
  // A display name, a command line and dependencies that make the record larger
  // than 1024 bytes (under Wine the size reported is the wide form's, larger still).
  const std::string display = "Large Agent " + std::string(200, 'd');
  Install("LargeConfig", "--label " + std::string(1200, 'p'), SERVICE_AUTO_START, display,
          std::string("Dep1\0Dep2\0\0", 11));
  AdapterService handles(scm, "LargeConfig");
  ASSERT_TRUE(handles.service);

  std::uint32_t needed = 0;
  common::ServiceConfig config;
  EXPECT_FALSE(scm.QueryServiceConfigA(handles.service.get(), {}, needed, config));
  EXPECT_EQ(scm.GetLastError(), common::kErrorInsufficientBuffer);
  EXPECT_GT(needed, 2048u);

  std::vector<std::uint8_t> buffer(1024);
  std::uint32_t neededAgain = 0;
  EXPECT_FALSE(scm.QueryServiceConfigA(handles.service.get(), buffer, neededAgain, config));
  EXPECT_EQ(scm.GetLastError(), common::kErrorInsufficientBuffer);
  EXPECT_EQ(neededAgain, needed);
  EXPECT_EQ(config.displayName, "");

  buffer.resize(needed);
  ASSERT_TRUE(scm.QueryServiceConfigA(handles.service.get(), buffer, neededAgain, config))
      << scm.GetLastError();
  EXPECT_EQ(config.displayName, display);
  EXPECT_EQ(config.startType, common::kServiceAutoStart);
}

// The records as sorted comparable rows.
std::vector<std::tuple<std::string, std::string, std::int32_t>> Rows(
    const std::vector<common::EnumServiceRecord>& records) {
  std::vector<std::tuple<std::string, std::string, std::int32_t>> rows;
  for (const auto& r : records) rows.emplace_back(r.serviceName, r.displayName, r.currentState);
  std::sort(rows.begin(), rows.end());
  return rows;
}

TEST_F(StandinServices, EnumerationDecodesOnlyTheRecordsWrittenAndAddsUpToTheWholeList) {
  Install("EnumStopped", "", SERVICE_DEMAND_START, "Enum Stopped Agent");
  Install("EnumRunning", "", SERVICE_DEMAND_START, "Enum Running Agent");
  RawStart("EnumRunning");
  common::ScHandleOwner manager(scm, scm.OpenSCManagerA("", common::kManagerAccess));
  ASSERT_TRUE(manager) << scm.GetLastError();
  const auto enumerate = [&](std::span<std::uint8_t> buffer, std::uint32_t& needed,
                             std::uint32_t& resume, std::vector<common::EnumServiceRecord>& out) {
    std::uint32_t returned = 0;
    const bool ok =
        scm.EnumServicesStatusA(manager.get(), common::kServiceTypeAll, common::kServiceStateAll,
                                buffer, needed, returned, resume, out);
    EXPECT_EQ(returned, out.size());
    return ok;
  };

  std::uint32_t needed = 0, resume = 0;
  std::vector<common::EnumServiceRecord> all;
  EXPECT_FALSE(enumerate({}, needed, resume, all));
  EXPECT_EQ(scm.GetLastError(), common::kErrorMoreData);
  EXPECT_GT(needed, 0u);
  EXPECT_TRUE(all.empty());

  std::vector<std::uint8_t> buffer(needed);
  ASSERT_TRUE(enumerate(buffer, needed, resume, all)) << scm.GetLastError();
  const auto find = [&](const std::string& name) {
    return std::find_if(all.begin(), all.end(),
                        [&](const auto& r) { return r.serviceName == name; });
  };
  ASSERT_NE(find("EnumStopped"), all.end());
  EXPECT_EQ(find("EnumStopped")->displayName, "Enum Stopped Agent");
  EXPECT_EQ(find("EnumStopped")->currentState, SERVICE_STOPPED);
  ASSERT_NE(find("EnumRunning"), all.end());
  EXPECT_EQ(find("EnumRunning")->displayName, "Enum Running Agent");
  EXPECT_EQ(find("EnumRunning")->currentState, SERVICE_RUNNING);

  // A buffer left with a record from earlier use (here a forged one): a call
  // that fails with ERROR_MORE_DATA hands out only records that it wrote.
  // Windows writes the first batch and advances the resume handle; Wine writes
  // nothing and leaves the resume handle at 0.
  std::vector<std::uint8_t> used(512, 0);
  const char ghost[] = "Ghost";
  std::memcpy(used.data() + 400, ghost, sizeof ghost);
  ENUM_SERVICE_STATUSA forged{};
  forged.lpServiceName = forged.lpDisplayName = reinterpret_cast<LPSTR>(used.data() + 400);
  forged.ServiceStatus.dwCurrentState = SERVICE_RUNNING;
  std::memcpy(used.data(), &forged, sizeof forged);
  std::vector<common::EnumServiceRecord> batch;
  resume = 0;
  EXPECT_FALSE(enumerate(used, needed, resume, batch));
  EXPECT_EQ(scm.GetLastError(), common::kErrorMoreData);
  EXPECT_EQ(batch.empty(), resume == 0);
  for (const auto& record : batch) EXPECT_NE(record.serviceName, "Ghost");

  // Batches as the service list asks for them, the buffer resized to the bytes
  // reported as needed after each, add up to the whole list.
  std::vector<common::EnumServiceRecord> batched;
  buffer.assign(512, 0);
  resume = 0;
  for (int call = 1;; ++call) {
    ASSERT_LE(call, 50);
    const bool done = enumerate(buffer, needed, resume, batch);
    batched.insert(batched.end(), batch.begin(), batch.end());
    if (done) break;
    ASSERT_EQ(scm.GetLastError(), common::kErrorMoreData);
    buffer.assign(needed, 0);
  }
  EXPECT_EQ(Rows(batched), Rows(all));
}

TEST_F(StandinServices, StartTypeChangesUnderTheDatabaseLockAndLeavesTheRestAlone) {
  Install("StartTypes", "--label keep", SERVICE_DISABLED, "Start Types Agent");
  const struct {
    std::uint32_t startType;
  } changes[] = {
      {common::kServiceAutoStart}, {common::kServiceDemandStart}, {common::kServiceAutoStart}};
  for (const auto& change : changes) {
    SCOPED_TRACE(change.startType);
    AdapterService handles(scm, "StartTypes");
    ASSERT_TRUE(handles.service);
    common::ScLockOwner lock(scm, scm.LockServiceDatabase(handles.manager.get()));
    EXPECT_TRUE(lock) << scm.GetLastError();
    EXPECT_TRUE(scm.ChangeServiceStartType(handles.service.get(), change.startType))
        << scm.GetLastError();
    EXPECT_EQ(RawStartType("StartTypes"), change.startType);
  }
  std::vector<std::uint8_t> buffer(4096);
  std::uint32_t needed = 0;
  common::ServiceConfig config;
  AdapterService handles(scm, "StartTypes");
  ASSERT_TRUE(scm.QueryServiceConfigA(handles.service.get(), buffer, needed, config));
  EXPECT_EQ(config.displayName, "Start Types Agent");
  QUERY_SERVICE_CONFIGA record;
  std::memcpy(&record, buffer.data(), sizeof record);
  EXPECT_EQ(record.dwServiceType, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
  EXPECT_EQ(record.dwErrorControl, static_cast<DWORD>(SERVICE_ERROR_NORMAL));
  EXPECT_EQ(std::string(record.lpBinaryPathName), StandinCommand("--label keep"));
}

// ---------------------------------------------------------------------------
// The service operations over the adapters, with message boxes recorded.

class RecordingDialogs : public common::IDialogs {
 public:
  struct Box {
    std::string text, caption;
    common::MbIcon icon;
    common::MbButtons buttons;
  };
  common::MbResult ShowMessageBox(const std::string& text, const std::string& caption,
                                  common::MbIcon icon, common::MbButtons buttons) override {
    boxes.push_back({text, caption, icon, buttons});
    return common::MbResult::Ok;
  }
  std::vector<Box> boxes;
};

std::vector<std::string> Texts(const std::vector<RecordingDialogs::Box>& boxes) {
  std::vector<std::string> texts;
  for (const auto& box : boxes) texts.push_back(box.text);
  return texts;
}

class ServiceOperations : public StandinServices {
 protected:
  void SetUp() override { services_u::MachineName.clear(); }

  common::win32::Win32WaitPlatform wait;
  common::win32::Win32SystemText texts;
  RecordingDialogs dialogs;
  services_u::TServiceControl palvex{services_u::kPalvexFrontEnd, scm, wait, dialogs, texts};
  services_u::TServiceControl quenby{services_u::kQuenbyFrontEnd, scm, wait, dialogs, texts};
};

constexpr const char* kPalvexOpening = "Error trying to peform specified action.\rError Message: ";

TEST_F(ServiceOperations, RestartStopsARunningServiceOnlyStartsAStoppedOneAndStopsAtAStuckStop) {
  const struct {
    const char* service;
    const char* options;
    bool runningBefore;
    bool result;
    DWORD stateAfter;
    std::vector<std::string> messages;
  } cases[] = {
      {"RestartRunning",
       "--stop-ms 300 --start-ms 300 --wait-hint 2000",
       true,
       true,
       SERVICE_RUNNING,
       {}},
      {"RestartStopped", "--start-ms 300 --wait-hint 2000", false, true, SERVICE_RUNNING, {}},
      // The stop stays pending without progress: the wait gives up after the hint,
      // and a start would have been refused with a second message.
      {"ZAVEz",
       "--stop-never --wait-hint 1000",
       true,
       false,
       SERVICE_STOP_PENDING,
       {std::string(kPalvexOpening) +
        "Couldn't stop service ZAVEz.\rPlease refer EventLog for extended information about "
        "error.."}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.service);
    dialogs.boxes.clear();
    Install(c.service, c.options);
    if (c.runningBefore) RawStart(c.service);
    const DWORD processBefore = RawStatus(c.service).dwProcessId;

    EXPECT_EQ(palvex.RestartService("", c.service), c.result);
    EXPECT_EQ(Texts(dialogs.boxes), c.messages);
    for (const auto& box : dialogs.boxes) {
      EXPECT_EQ(box.caption, "Error");
      EXPECT_EQ(box.icon, common::MbIcon::Error);
      EXPECT_EQ(box.buttons, common::MbButtons::Ok);
    }
    const SERVICE_STATUS_PROCESS after = RawStatus(c.service);
    EXPECT_EQ(after.dwCurrentState, c.stateAfter);
    // A restart runs the service in a new process; a failed stop keeps the old one.
    if (c.runningBefore && c.result) {
      EXPECT_NE(after.dwProcessId, processBefore);
    }
    if (!c.result) {
      EXPECT_EQ(after.dwProcessId, processBefore);
    }
  }
}

TEST_F(ServiceOperations, PauseAndContinueReachTheirTargetStates) {
  Install("PauseContinue", "--pause-ms 300 --continue-ms 300 --wait-hint 2000");
  RawStart("PauseContinue");
  const struct {
    services_u::TServiceAction action;
    DWORD state;
  } steps[] = {{services_u::saPause, SERVICE_PAUSED}, {services_u::saContinue, SERVICE_RUNNING}};
  for (const auto& step : steps) {
    SCOPED_TRACE(static_cast<int>(step.action));
    EXPECT_TRUE(palvex.DoServiceAction("PauseContinue", step.action));
    EXPECT_EQ(RawStatus("PauseContinue").dwCurrentState, step.state);
  }
  EXPECT_EQ(Texts(dialogs.boxes), std::vector<std::string>{});
}

TEST_F(ServiceOperations, AutoStartSwitchesBetweenAutomaticAndOnDemandFromAnyStartType) {
  Install("AutoStart", "", SERVICE_DISABLED);
  const struct {
    bool autoStart;
    DWORD startType;
  } changes[] = {{true, SERVICE_AUTO_START},
                 {false, SERVICE_DEMAND_START},
                 {true, SERVICE_AUTO_START},
                 {false, SERVICE_DEMAND_START}};
  for (const auto& change : changes) {
    SCOPED_TRACE(change.autoStart);
    EXPECT_TRUE(quenby.SetServiceAutoStart("AutoStart", change.autoStart));
    EXPECT_EQ(RawStartType("AutoStart"), change.startType);
  }
  EXPECT_EQ(Texts(dialogs.boxes), std::vector<std::string>{});
}

TEST_F(ServiceOperations, ServiceInfoReadsAConfigurationLargerThanTheFirstBuffer) {
  const std::string display = "Large Agent " + std::string(200, 'd');
  Install("LargeInfo", "--label " + std::string(1200, 'p'), SERVICE_AUTO_START, display,
          std::string("Dep1\0Dep2\0\0", 11));
  RawStart("LargeInfo");
  for (auto* control : {&palvex, &quenby}) {
    SCOPED_TRACE(control->FrontEnd().ErrorCaption);
    services_u::TServiceInfo info{"stale", 0, 99};
    control->GetServiceInfo("LargeInfo", info);
    EXPECT_EQ(info.DisplayName, display);
    EXPECT_EQ(info.StartType, common::kServiceAutoStart);
    EXPECT_EQ(info.CurrentState, services_u::kStateRunning);
  }
  EXPECT_EQ(Texts(dialogs.boxes), std::vector<std::string>{});
}

TEST_F(ServiceOperations, AMissingServiceIsReportedWithTheSystemTextOfItsCode) {
  services_u::TServiceInfo info{"stale", 4, 99};
  palvex.GetServiceInfo("NoSuchService", info);
  EXPECT_EQ(info.DisplayName, "");
  EXPECT_EQ(info.CurrentState, services_u::kStateNotRead);
  EXPECT_EQ(info.StartType, 99);
  // Wine's text of ERROR_SERVICE_DOES_NOT_EXIST is "Service does not exist.\r\n": its
  // line break and full stop are trimmed before the message's own full stop.
  EXPECT_EQ(Texts(dialogs.boxes),
            std::vector<std::string>{std::string(kPalvexOpening) + "Service does not exist."});
}

}  // namespace
