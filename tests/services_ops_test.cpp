#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "common/services_u.h"
#include "doubles/fake_platform.h"
#include "doubles/map_system_text.h"
#include "doubles/scripted_dialogs.h"
#include "doubles/sim_service_manager.h"

namespace {

using common::MbButtons;
using common::MbIcon;
using common::ServiceStatus;
using doubles::ScCall;
using doubles::ShownBox;
using doubles::SimService;
using doubles::SimServiceManager;
using services_u::kPalvexFrontEnd;
using services_u::kQuenbyFrontEnd;
using services_u::TServiceControl;
using services_u::TServiceFrontEnd;
using services_u::TServiceInfo;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using Released = SimServiceManager::Released;

constexpr std::uint32_t kDenied = 5;
constexpr std::uint32_t kUnreachable = 1722;

const std::string kPalvexOpening = "Error trying to peform specified action.\rError Message: ";
const std::string kQuenbyOpening = "Error trying to perform specified action.\rError Message: ";
const std::string kEventLog = ".\rPlease refer EventLog for extended information about error.";

ShownBox PalvexBox(const std::string& text) {
  return {kPalvexOpening + text + ".", "Error", MbIcon::Error, MbButtons::Ok};
}
ShownBox QuenbyBox(const std::string& text) {
  return {kQuenbyOpening + text + ".", "Quenby", MbIcon::None, MbButtons::Ok};
}

doubles::MapSystemText SystemTexts() {
  return doubles::MapSystemText({
      {kDenied, "Access is denied.\r\n"},
      {kUnreachable, "The RPC server is unavailable.\r\n"},
      {doubles::kErrorServiceDoesNotExist, "The service does not exist.\r\n"},
      {doubles::kErrorServiceAlreadyRunning, "The service is already running.\r\n"},
      {common::kErrorInsufficientBuffer, "The data area is too small.\r\n"},
  });
}

std::string Describe(const TServiceInfo& info) {
  return info.DisplayName + "/" + std::to_string(info.CurrentState) + "/" +
         std::to_string(info.StartType);
}

// The releases, split per operation, each read "service, lock, manager" with the
// first two optional.
::testing::AssertionResult ReleasedServiceThenLockThenManager(
    const std::vector<Released>& releases) {
  Released previous = Released::Manager;
  for (std::size_t i = 0; i < releases.size(); ++i) {
    const Released r = releases[i];
    const bool ok = previous == Released::Manager ||
                    (previous == Released::Service && r != Released::Service) ||
                    (previous == Released::Lock && r == Released::Manager);
    if (!ok) return ::testing::AssertionFailure() << "release " << i << " out of order";
    previous = r;
  }
  if (previous != Released::Manager)
    return ::testing::AssertionFailure() << "the last release is not the manager";
  return ::testing::AssertionSuccess();
}

// One program's service control over simulated platform parts.
struct World {
  explicit World(const TServiceFrontEnd& frontEnd)
      : control(frontEnd, sim, platform, dialogs, texts) {
    services_u::MachineName.clear();
  }
  ~World() { services_u::MachineName.clear(); }

  void ExpectEverythingReleased() const {
    EXPECT_EQ(sim.OpenManagers(), 0);
    EXPECT_EQ(sim.OpenServices(), 0);
    EXPECT_EQ(sim.HeldLocks(), 0);
    EXPECT_EQ(sim.BadReleases(), 0);
    EXPECT_TRUE(ReleasedServiceThenLockThenManager(sim.Releases()));
  }

  SimServiceManager sim;
  doubles::FakeWaitPlatform platform;
  doubles::ScriptedDialogs dialogs;
  doubles::MapSystemText texts = SystemTexts();
  TServiceControl control;
};

// A window that logs the steps it is asked for.
struct RecordingWindow : services_u::IWaitWindow {
  void BeginWait(const std::string& progressText) override {
    steps.push_back("begin " + progressText);
  }
  void EndWait() override { steps.push_back("end"); }
  std::vector<std::string> steps;
};

constexpr std::uint32_t kStop = 1;
constexpr std::uint32_t kStart = doubles::kStartRequest;

// ---------------------------------------------------------------------------
// RestartService (the configuration editor).

TEST(RestartService, StopsWhenNeededStartsAndReportsMissedTargets) {
  const ServiceStatus stopPendingForEver{3, 1, 0};
  struct Case {
    const char* name;
    std::int32_t state;
    std::map<std::uint32_t, std::vector<ServiceStatus>> scripts;
    std::vector<std::uint32_t> requests;
    bool result;
    std::vector<ShownBox> boxes;
  } cases[] = {
      {"running: stop, then start", 4, {}, {kStop, kStart}, true, {}},
      {"paused: stop, then start", 7, {}, {kStop, kStart}, true, {}},
      {"stopped: start only", 1, {}, {kStart}, true, {}},
      {"stop that waits out its hint: no start",
       4,
       {{kStop, {stopPendingForEver}}},
       {kStop},
       false,
       {PalvexBox("Couldn't stop service ZAVEz" + kEventLog)}},
      {"start that ends stopped",
       4,
       {{kStart, {ServiceStatus{2, 0, 3000}, ServiceStatus{1, 0, 0}}}},
       {kStop, kStart},
       false,
       {PalvexBox("Couldn't start service ZAVEz" + kEventLog)}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    World world(kPalvexFrontEnd);
    world.sim.AddService(
        {.name = "ZAVEz", .displayName = "Tftp", .state = c.state, .scripts = c.scripts});
    EXPECT_EQ(world.control.RestartService("", "ZAVEz"), c.result);
    std::vector<SimServiceManager::Request> requests;
    for (auto code : c.requests) requests.push_back({"ZAVEz", code});
    EXPECT_THAT(world.sim.Requests(), ElementsAreArray(requests));
    EXPECT_THAT(world.dialogs.boxes, ElementsAreArray(c.boxes));
    world.ExpectEverythingReleased();
  }
}

TEST(RestartService, DialogTextOfAMissedTargetEndsInTwoFullStops) {
  World world(kPalvexFrontEnd);
  world.sim.AddService({.name = "ZAVEz", .state = 4, .scripts = {{kStop, {{3, 0, 0}}}}});
  world.control.RestartService("", "ZAVEz");
  ASSERT_EQ(world.dialogs.boxes.size(), 1u);
  EXPECT_EQ(world.dialogs.boxes[0].text,
            "Error trying to peform specified action.\rError Message: Couldn't stop service "
            "ZAVEz.\rPlease refer EventLog for extended information about error..");
}

TEST(RestartService, AnOpenFailureIsShownByTheReadAndAgainByTheStart) {
  struct Case {
    const char* name;
    bool installed;
    bool managerReachable;
    std::string shown;
  } cases[] = {
      {"manager cannot be opened", true, false, "The RPC server is unavailable"},
      {"service not installed", false, true, "The service does not exist"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    World world(kPalvexFrontEnd);
    if (c.installed) world.sim.AddService({.name = "ZAVEz", .state = 4});
    if (!c.managerReachable) world.sim.FailAlways(ScCall::OpenSCManager, kUnreachable);
    EXPECT_FALSE(world.control.RestartService("", "ZAVEz"));
    EXPECT_THAT(world.dialogs.boxes, ElementsAre(PalvexBox(c.shown), PalvexBox(c.shown)));
    EXPECT_THAT(world.sim.Requests(), IsEmpty());
    world.ExpectEverythingReleased();
  }
}

TEST(RestartService, AddressesTheGivenMachineAndKeepsItAfterwards) {
  World world(kPalvexFrontEnd);
  world.sim.AddService({.name = "ZAVEz", .state = 4});
  services_u::MachineName = "OLD";
  EXPECT_TRUE(world.control.RestartService("SRV9", "ZAVEz"));
  EXPECT_EQ(services_u::MachineName, "SRV9");
  for (const auto& open : world.sim.ManagerOpens()) EXPECT_EQ(open.name, "SRV9");
  EXPECT_EQ(world.sim.ManagerOpens().size(), 3u);
}

// ---------------------------------------------------------------------------
// GetServiceInfo.

TEST(GetServiceInfo, ReadsTheConfigurationThroughABufferOfTheRightSize) {
  struct Case {
    const char* name;
    const TServiceFrontEnd& frontEnd;
    std::uint32_t configBytes;
    std::vector<std::size_t> bufferSizes;
  } cases[] = {
      {"editor, configuration fits 1024 bytes", kPalvexFrontEnd, 1024, {1024}},
      {"editor, larger configuration grows the buffer", kPalvexFrontEnd, 3000, {1024, 3000}},
      {"console asks for the size first", kQuenbyFrontEnd, 300, {0, 300}},
      {"console, large configuration", kQuenbyFrontEnd, 3000, {0, 3000}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    World world(c.frontEnd);
    world.sim.AddService({.name = "Alpha",
                          .displayName = "Alpha Agent",
                          .startType = 4,
                          .configBytes = c.configBytes,
                          .state = 7});
    TServiceInfo info;
    world.control.GetServiceInfo("Alpha", info);
    EXPECT_EQ(Describe(info), "Alpha Agent/7/4");
    EXPECT_THAT(world.sim.ConfigBufferSizes(), ElementsAreArray(c.bufferSizes));
    EXPECT_THAT(world.dialogs.boxes, IsEmpty());
    world.ExpectEverythingReleased();
  }
}

// A manager that refuses a buffer as too small while asking for no more than it
// holds would keep the growth loop turning for ever; its error is shown instead.
TEST(GetServiceInfo, ATooSmallAnswerThatAsksForNoMoreEndsTheRead) {
  World world(kPalvexFrontEnd);
  world.sim.AddService({.name = "Alpha",
                        .displayName = "Alpha Agent",
                        .startType = 2,
                        .configBytes = 300,
                        .state = 4});
  for (int nth = 1; nth <= 3; ++nth)
    world.sim.FailNext(ScCall::QueryServiceConfig, common::kErrorInsufficientBuffer, nth);
  TServiceInfo info{"stale", 0, 77};
  world.control.GetServiceInfo("Alpha", info);
  EXPECT_EQ(Describe(info), "/4/77");
  EXPECT_THAT(world.sim.ConfigBufferSizes(), ElementsAre(1024));
  EXPECT_THAT(world.dialogs.boxes, ElementsAre(PalvexBox("The data area is too small")));
  world.ExpectEverythingReleased();
}

TEST(GetServiceInfo, ACodeWithoutSystemTextShowsTheOpeningFollowedByAFullStop) {
  struct Case {
    const TServiceFrontEnd& frontEnd;
    std::string text;
  } cases[] = {
      {kPalvexFrontEnd, "Error trying to peform specified action.\rError Message: ."},
      {kQuenbyFrontEnd, "Error trying to perform specified action.\rError Message: ."},
  };
  for (const auto& c : cases) {
    World world(c.frontEnd);
    world.sim.FailNext(ScCall::OpenSCManager, 0xDEAD);
    TServiceInfo info;
    world.control.GetServiceInfo("Alpha", info);
    EXPECT_THAT(world.dialogs.Texts(), ElementsAre(c.text));
  }
}

// ---------------------------------------------------------------------------
// DoServiceAction.

TEST(DoServiceAction, SendsEachActionsRequestAndWaitsForItsTarget) {
  struct Case {
    services_u::TServiceAction action;
    std::int32_t from;
    std::uint32_t request;
    std::int32_t pending;
    std::int32_t reached;
    const char* progress;
  } cases[] = {
      {services_u::saStart, 1, kStart, 2, 4, "begin Starting"},
      {services_u::saStop, 4, kStop, 3, 1, "begin Stopping"},
      {services_u::saPause, 4, 2, 6, 7, "begin Pausing"},
      {services_u::saContinue, 7, 3, 5, 4, "begin Continuing"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.progress);
    World world(kQuenbyFrontEnd);
    auto& service = world.sim.AddService({.name = "Alpha", .state = c.from});
    service.scripts[c.request] = {ServiceStatus{c.pending, 0, 0}, ServiceStatus{c.reached, 0, 0}};
    RecordingWindow window;
    EXPECT_TRUE(world.control.DoServiceAction("Alpha", c.action, &window));
    EXPECT_THAT(world.sim.Requests(), ElementsAre(SimServiceManager::Request{"Alpha", c.request}));
    EXPECT_EQ(world.platform.pumps, 1);
    EXPECT_THAT(window.steps, ElementsAre(c.progress, "end"));
    EXPECT_THAT(world.dialogs.boxes, IsEmpty());
    world.ExpectEverythingReleased();
  }
}

TEST(DoServiceAction, ConsoleFailureTextNamesTheMachine) {
  struct Case {
    std::string machine;
    std::string machineText;
  } cases[] = {{"", "localhost"}, {"SRV1", "SRV1"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.machineText);
    World world(kQuenbyFrontEnd);
    world.sim.AddService({.name = "Alpha", .state = 4, .scripts = {{kStop, {{3, 0, 0}}}}});
    services_u::MachineName = c.machine;
    RecordingWindow window;
    EXPECT_FALSE(world.control.DoServiceAction("Alpha", services_u::saStop, &window));
    EXPECT_THAT(world.dialogs.boxes,
                ElementsAre(QuenbyBox("Couldn't stop service Alpha on " + c.machineText +
                                      ".\rPlease refer EventLog for extended information "
                                      "about error.")));
    EXPECT_EQ(world.sim.ManagerOpens().at(0).name, c.machine);
    EXPECT_THAT(window.steps, ElementsAre("begin Stopping", "end"));
    world.ExpectEverythingReleased();
  }
}

TEST(DoServiceAction, RequestRefusedByTheServiceShowsItsSystemText) {
  World world(kQuenbyFrontEnd);
  world.sim.AddService({.name = "Alpha", .state = 4});
  RecordingWindow window;
  EXPECT_FALSE(world.control.DoServiceAction("Alpha", services_u::saStart, &window));
  EXPECT_THAT(world.dialogs.boxes, ElementsAre(QuenbyBox("The service is already running")));
  EXPECT_THAT(window.steps, IsEmpty());
  world.ExpectEverythingReleased();
}

TEST(DoServiceAction, AnExceptionFromTheWaitRestoresTheWindowAndClosesTheHandles) {
  World world(kQuenbyFrontEnd);
  world.sim.AddService({.name = "Alpha", .state = 4, .scripts = {{kStop, {{3, 0, 0}}}}});
  world.platform.onPump = [] { throw std::runtime_error("raised by a message handler"); };
  RecordingWindow window;
  EXPECT_THROW(world.control.DoServiceAction("Alpha", services_u::saStop, &window),
               std::runtime_error);
  EXPECT_THAT(window.steps, ElementsAre("begin Stopping", "end"));
  EXPECT_THAT(world.sim.Releases(), ElementsAre(Released::Service, Released::Manager));
  world.ExpectEverythingReleased();
}

// ---------------------------------------------------------------------------
// SetServiceAutoStart.

TEST(SetServiceAutoStart, SetsAutomaticOrOnDemandStartWhateverTheStartTypeWas) {
  struct Case {
    std::int32_t before;
    bool autoStart;
    std::int32_t after;
  } cases[] = {{4, true, 2}, {3, true, 2}, {2, false, 3}, {4, false, 3}, {0, false, 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.before) + (c.autoStart ? " to automatic" : " to on demand"));
    World world(kQuenbyFrontEnd);
    world.sim.AddService({.name = "Alpha", .startType = c.before});
    EXPECT_TRUE(world.control.SetServiceAutoStart("Alpha", c.autoStart));
    EXPECT_EQ(world.sim.Service("Alpha").startType, c.after);
    EXPECT_THAT(world.dialogs.boxes, IsEmpty());
    EXPECT_THAT(world.sim.Releases(),
                ElementsAre(Released::Service, Released::Lock, Released::Manager));
    world.ExpectEverythingReleased();
  }
}

TEST(SetServiceAutoStart, TheDatabaseStaysLockedWhileTheErrorIsOnScreen) {
  World world(kQuenbyFrontEnd);
  world.sim.AddService({.name = "Alpha"});
  world.sim.FailNext(ScCall::ChangeServiceStartType, kDenied);
  int locksWhileShown = -1;
  world.dialogs.onShow = [&](const ShownBox&) {
    locksWhileShown = world.sim.HeldLocks();
    throw std::runtime_error("raised while the box was up");
  };
  EXPECT_THROW(world.control.SetServiceAutoStart("Alpha", true), std::runtime_error);
  EXPECT_EQ(locksWhileShown, 1);
  EXPECT_THAT(world.sim.Releases(),
              ElementsAre(Released::Service, Released::Lock, Released::Manager));
  world.ExpectEverythingReleased();
}

// ---------------------------------------------------------------------------
// Every operation: the machine, the rights, and the error code cleared first.

TEST(ServiceOperations, OpenTheCurrentMachineWithTheirRightsAfterClearingTheErrorCode) {
  struct Case {
    const char* name;
    std::function<void(TServiceControl&)> run;
    std::uint32_t serviceRights;
    std::vector<ScCall> opening;
  } cases[] = {
      {"GetServiceInfo",
       [](TServiceControl& c) {
         TServiceInfo info;
         c.GetServiceInfo("Alpha", info);
       },
       0xA0000100,
       {ScCall::SetLastError, ScCall::OpenSCManager, ScCall::OpenService}},
      {"DoServiceAction",
       [](TServiceControl& c) { c.DoServiceAction("Alpha", services_u::saStop); },
       0xA0000100,
       {ScCall::SetLastError, ScCall::OpenSCManager, ScCall::OpenService}},
      {"SetServiceAutoStart",
       [](TServiceControl& c) { c.SetServiceAutoStart("Alpha", true); },
       0x000F01FF,
       {ScCall::SetLastError, ScCall::OpenSCManager, ScCall::LockServiceDatabase,
        ScCall::OpenService}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    World world(kQuenbyFrontEnd);
    world.sim.AddService({.name = "Alpha", .state = 4});
    services_u::MachineName = "SRV1";
    c.run(world.control);
    const auto& calls = world.sim.Calls();
    ASSERT_GE(calls.size(), c.opening.size());
    EXPECT_THAT(std::vector<ScCall>(calls.begin(), calls.begin() + c.opening.size()),
                ElementsAreArray(c.opening));
    EXPECT_THAT(world.sim.LastErrorsSet(), ElementsAre(0xFFFFFFFFu));
    EXPECT_THAT(world.sim.ManagerOpens(), ElementsAre(SimServiceManager::Open{"SRV1", 0xA0000000}));
    EXPECT_THAT(world.sim.ServiceOpens(),
                ElementsAre(SimServiceManager::Open{"Alpha", c.serviceRights}));
    EXPECT_THAT(world.dialogs.boxes, IsEmpty());
  }
}

// ---------------------------------------------------------------------------
// Fault sweep: every platform call that an operation makes fails in turn.

struct Fault {
  ScCall call;
  int nth;                         // which call of this kind fails (1 = the first)
  std::vector<std::string> shown;  // error texts shown, before the program's wrapping
  std::string outcome;
};

struct SweepOperation {
  const char* name;
  const TServiceFrontEnd& frontEnd;
  std::function<std::string(TServiceControl&)> run;
  std::vector<Fault> faults;
};

std::string ReadInfo(TServiceControl& control) {
  TServiceInfo info{"stale", 0, 77};
  control.GetServiceInfo("Svc", info);
  return Describe(info);
}

std::string Flag(bool value) {
  return value ? "true" : "false";
}

// The failable calls of a run, each as (call, how many of its kind so far).
std::set<std::pair<ScCall, int>> FailableCalls(const std::vector<ScCall>& calls) {
  std::set<std::pair<ScCall, int>> made;
  std::map<ScCall, int> counts;
  for (ScCall call : calls)
    if (doubles::CanFail(call)) made.insert({call, ++counts[call]});
  return made;
}

TEST(ServiceOperations, EveryFailingCallIsReportedAndEverythingIsReleasedInOrder) {
  const std::string denied = "Access is denied";
  const std::string running = "The service is already running";
  const std::string stopMissed = "Couldn't stop service Svc" + kEventLog;
  const std::string startMissed = "Couldn't start service Svc" + kEventLog;
  const std::string stopMissedHere = "Couldn't stop service Svc on localhost" + kEventLog;
  const SweepOperation operations[] = {
      {"GetServiceInfo, editor",
       kPalvexFrontEnd,
       ReadInfo,
       {
           {ScCall::OpenSCManager, 1, {denied}, "/-1/77"},
           {ScCall::OpenService, 1, {denied}, "/-1/77"},
           {ScCall::QueryServiceConfig, 1, {denied}, "/4/77"},
           {ScCall::QueryServiceStatus, 1, {}, "Svc Agent/-1/3"},
       }},
      {"GetServiceInfo, console",
       kQuenbyFrontEnd,
       ReadInfo,
       {
           {ScCall::OpenSCManager, 1, {denied}, "/-1/77"},
           {ScCall::OpenService, 1, {denied}, "/-1/77"},
           {ScCall::QueryServiceConfig, 1, {denied}, "/-1/77"},  // the size query
           {ScCall::QueryServiceConfig, 2, {denied}, "/4/77"},
           {ScCall::QueryServiceStatus, 1, {}, "Svc Agent/-1/3"},
       }},
      {"DoServiceAction, editor",
       kPalvexFrontEnd,
       [](TServiceControl& c) { return Flag(c.DoServiceAction("Svc", services_u::saStop)); },
       {
           {ScCall::OpenSCManager, 1, {denied}, "false"},
           {ScCall::OpenService, 1, {denied}, "false"},
           {ScCall::ControlService, 1, {denied}, "false"},
           {ScCall::QueryServiceStatus, 1, {stopMissed}, "false"},
       }},
      {"DoServiceAction, console",
       kQuenbyFrontEnd,
       [](TServiceControl& c) { return Flag(c.DoServiceAction("Svc", services_u::saStop)); },
       {
           {ScCall::OpenSCManager, 1, {}, "false"},
           {ScCall::OpenService, 1, {}, "false"},
           {ScCall::ControlService, 1, {denied}, "false"},
           {ScCall::QueryServiceStatus, 1, {stopMissedHere}, "false"},
       }},
      // An unread state leads straight to the start, which the running service refuses.
      {"RestartService",
       kPalvexFrontEnd,
       [](TServiceControl& c) { return Flag(c.RestartService("", "Svc")); },
       {
           {ScCall::OpenSCManager, 1, {denied, running}, "false"},
           {ScCall::OpenService, 1, {denied, running}, "false"},
           {ScCall::QueryServiceConfig, 1, {denied}, "true"},
           {ScCall::QueryServiceStatus, 1, {running}, "false"},
           {ScCall::OpenSCManager, 2, {denied}, "false"},
           {ScCall::OpenService, 2, {denied}, "false"},
           {ScCall::ControlService, 1, {denied}, "false"},
           {ScCall::QueryServiceStatus, 2, {stopMissed}, "false"},
           {ScCall::OpenSCManager, 3, {denied}, "false"},
           {ScCall::OpenService, 3, {denied}, "false"},
           {ScCall::StartService, 1, {denied}, "false"},
           {ScCall::QueryServiceStatus, 3, {startMissed}, "false"},
       }},
      {"SetServiceAutoStart",
       kQuenbyFrontEnd,
       [](TServiceControl& c) { return Flag(c.SetServiceAutoStart("Svc", true)); },
       {
           {ScCall::OpenSCManager, 1, {denied}, "false"},
           {ScCall::LockServiceDatabase, 1, {denied}, "false"},
           {ScCall::OpenService, 1, {denied}, "false"},
           {ScCall::ChangeServiceStartType, 1, {denied}, "false"},
       }},
  };

  for (const auto& op : operations) {
    SCOPED_TRACE(op.name);
    const std::string& opening = &op.frontEnd == &kPalvexFrontEnd ? kPalvexOpening : kQuenbyOpening;
    const auto prepare = [](World& world) {
      world.sim.AddService({.name = "Svc",
                            .displayName = "Svc Agent",
                            .startType = 3,
                            .configBytes = 300,
                            .state = 4});
    };

    // The sweep covers every failable call of a clean run, no more and no less.
    World clean(op.frontEnd);
    prepare(clean);
    op.run(clean.control);
    std::set<std::pair<ScCall, int>> swept;
    for (const auto& fault : op.faults) swept.insert({fault.call, fault.nth});
    EXPECT_EQ(swept, FailableCalls(clean.sim.Calls()));

    for (const auto& fault : op.faults) {
      SCOPED_TRACE(std::string(doubles::CallName(fault.call)) + " #" + std::to_string(fault.nth));
      World world(op.frontEnd);
      prepare(world);
      world.sim.FailNext(fault.call, kDenied, fault.nth);
      EXPECT_EQ(op.run(world.control), fault.outcome);
      std::vector<std::string> expected;
      for (const auto& text : fault.shown) expected.push_back(opening + text + ".");
      EXPECT_THAT(world.dialogs.Texts(), ElementsAreArray(expected));
      for (const auto& box : world.dialogs.boxes) {
        EXPECT_EQ(box.caption, op.frontEnd.ErrorCaption);
        EXPECT_EQ(box.icon, op.frontEnd.ErrorIcon);
      }
      world.ExpectEverythingReleased();
    }
  }
}

}  // namespace
