#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/services_u.h"
#include "doubles/fake_platform.h"

namespace {

using common::ServiceStatus;
using services_u::WaitInterval;
using services_u::WaitServiceState;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

TEST(ActionTable, RowsHoldTheRequestWordsAndStatesOfEachAction) {
  using services_u::ActionRow;
  using services_u::TActionRequest;
  struct Case {
    services_u::TServiceAction action;
    TActionRequest request;
    std::uint32_t control;
    const char* progress;
    const char* verb;
    std::int32_t pending;
    std::int32_t target;
  } cases[] = {
      {services_u::saStart, TActionRequest::StartService, 0, "Starting", "start", 2, 4},
      {services_u::saStop, TActionRequest::ControlService, 1, "Stopping", "stop", 3, 1},
      {services_u::saPause, TActionRequest::ControlService, 2, "Pausing", "pause", 6, 7},
      {services_u::saContinue, TActionRequest::ControlService, 3, "Continuing", "continue", 5, 4},
  };
  for (const auto& c : cases) {
    const auto& row = ActionRow(c.action);
    EXPECT_EQ(row.Request, c.request) << c.verb;
    EXPECT_EQ(row.ControlCode, c.control) << c.verb;
    EXPECT_EQ(row.ActionProgressText, c.progress);
    EXPECT_EQ(row.ActionVerb, c.verb);
    EXPECT_EQ(row.ActionPendingState, c.pending) << c.verb;
    EXPECT_EQ(row.ActionTargetState, c.target) << c.verb;
  }
  EXPECT_EQ(sizeof(services_u::TServiceAction), 1u);
}

TEST(WaitInterval, IsATenthOfTheHintKeptBetweenOneAndTenSeconds) {
  struct Case {
    std::uint32_t hint;
    std::uint32_t interval;
  } cases[] = {
      {0, 1000},     {10009, 1000},   {10010, 1001},   {30000, 3000},
      {99999, 9999}, {100000, 10000}, {100009, 10000}, {4294967295u, 10000},
  };
  for (const auto& c : cases) EXPECT_EQ(WaitInterval(c.hint), c.interval) << c.hint;
}

// A service whose successive status queries return the scripted entries, the
// last one for ever; an empty entry is a failed query. Everything the wait does
// is logged in one list so that the order of its steps shows.
class WaitRig : public services_u::IWaitWindow {
 public:
  explicit WaitRig(std::vector<std::optional<ServiceStatus>> script, std::uint32_t startTick = 0)
      : platform(startTick), script_(std::move(script)) {
    platform.onPump = [this] { events.push_back("pump"); };
  }

  services_u::StatusQuery Query() {
    return [this](ServiceStatus& status) {
      ++queries;
      events.push_back("query");
      // A wait that never ends would hang the suite; fail it instead.
      if (queries > 10000) throw std::runtime_error("the wait did not end");
      const auto& entry = script_[std::min(next_, script_.size() - 1)];
      ++next_;
      if (!entry) {
        status = ServiceStatus{99, 99, 99};  // a failed query may scribble on the record
        return false;
      }
      status = *entry;
      return true;
    };
  }

  std::int32_t Wait(std::int32_t pending, services_u::IWaitWindow* window = nullptr) {
    return WaitServiceState(Query(), platform, pending, "Stopping", window);
  }

  void BeginWait(const std::string& progressText) override {
    events.push_back("begin " + progressText);
  }
  void EndWait() override { events.push_back("end"); }

  doubles::FakeWaitPlatform platform;
  std::vector<std::string> events;
  int queries = 0;

 private:
  std::vector<std::optional<ServiceStatus>> script_;
  std::size_t next_ = 0;
};

constexpr std::int32_t kStopPending = services_u::kStateStopPending;
constexpr std::int32_t kStopped = services_u::kStateStopped;
constexpr std::uint32_t kNearWrap = 0xFFFFFFFFu - 499;  // wraps half a second in

std::vector<std::optional<ServiceStatus>> RisingCheckPointsThenStopped(std::uint32_t passes) {
  std::vector<std::optional<ServiceStatus>> script;
  for (std::uint32_t cp = 0; cp <= passes; ++cp) script.push_back(ServiceStatus{3, cp, 0});
  script.push_back(ServiceStatus{kStopped, 0, 0});
  return script;
}

TEST(WaitServiceState, FollowsThePendingStateUntilItEndsTimesOutOrAQueryFails) {
  const std::nullopt_t failed = std::nullopt;
  struct Case {
    const char* name;
    std::vector<std::optional<ServiceStatus>> script;
    std::uint32_t startTick;
    std::int32_t result;
    std::vector<std::uint32_t> sleeps;
  } cases[] = {
      {"already out of the pending state: no sleep, no pump", {ServiceStatus{4, 0, 0}}, 0, 4, {}},
      // A service that answers at once: the wait costs one query, no sleep.
      {"already in the target state: no sleep, no pump", {ServiceStatus{1, 0, 0}}, 0, 1, {}},
      {"first query fails", {failed}, 0, -1, {}},
      {"stuck with hint 0 ends after one pass", {ServiceStatus{3, 0, 0}}, 0, 3, {1000}},
      // Elapsed 1000, then 2000 (equal to the hint: goes on), then 3000.
      {"stuck with hint 2000 ends once elapsed exceeds it",
       {ServiceStatus{3, 0, 2000}},
       0,
       3,
       {1000, 1000, 1000}},
      {"tick counter wrapping still measures the true elapsed time",
       {ServiceStatus{3, 0, 2000}},
       kNearWrap,
       3,
       {1000, 1000, 1000}},
      // Down and equal are no progress, so the clock started at the first query.
      {"check point going down or staying is no progress",
       {ServiceStatus{3, 5, 1500}, ServiceStatus{3, 3, 1500}, ServiceStatus{3, 2, 1500}},
       0,
       3,
       {1000, 1000}},
      // Compared unsigned: 0x80000000 is a rise over 1, restarting the clock.
      {"check point above 2^31 is a rise",
       {ServiceStatus{3, 1, 1000}, ServiceStatus{3, 0x80000000u, 1000}},
       0,
       3,
       {1000, 1000, 1000}},
      {"rising check point keeps the wait going past the hint", RisingCheckPointsThenStopped(30), 0,
       kStopped, std::vector<std::uint32_t>(31, 1000)},
      {"a failed query in the loop gives the last state read",
       {ServiceStatus{3, 0, 5000}, failed},
       0,
       3,
       {1000}},
      {"leaving for another state than the target returns that state",
       {ServiceStatus{3, 0, 3000}, ServiceStatus{3, 0, 3000}, ServiceStatus{4, 0, 0}},
       0,
       4,
       {1000, 1000}},
      // Sleep and time-out both follow the latest hint: 2000 from 20000, then
      // 5000 from 50000, then hint 0 with no progress ends the wait.
      {"sleep and time-out use the hint of the latest status",
       {ServiceStatus{3, 0, 20000}, ServiceStatus{3, 1, 50000}, ServiceStatus{3, 1, 0}},
       0,
       3,
       {2000, 5000}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WaitRig rig(c.script, c.startTick);
    EXPECT_EQ(rig.Wait(kStopPending), c.result);
    EXPECT_THAT(rig.platform.sleeps, ElementsAreArray(c.sleeps));
    EXPECT_EQ(rig.platform.pumps, static_cast<int>(c.sleeps.size()));
    EXPECT_EQ(rig.queries, static_cast<int>(c.sleeps.size()) + 1);
  }
}

// A pass in which the check point rose restarts the clock and makes no time-out
// test, even when the counter moves on between the two readings.
TEST(WaitServiceState, APassWithProgressMakesNoTimeOutTest) {
  WaitRig rig(RisingCheckPointsThenStopped(3));
  rig.platform.advancePerRead = 1;
  EXPECT_EQ(rig.Wait(kStopPending), kStopped);
  EXPECT_EQ(rig.platform.sleeps.size(), 4u);
}

TEST(WaitServiceState, EachPassSleepsThenPumpsThenQueries) {
  WaitRig rig({ServiceStatus{3, 0, 0}, ServiceStatus{3, 1, 0}, ServiceStatus{1, 0, 0}});
  rig.platform.onPump = [&] {
    rig.events.push_back("pump after " + std::to_string(rig.platform.sleeps.size()) + " sleeps");
  };
  EXPECT_EQ(rig.Wait(kStopPending), kStopped);
  EXPECT_THAT(rig.events,
              ElementsAre("query", "pump after 1 sleeps", "query", "pump after 2 sleeps", "query"));
}

TEST(WaitServiceState, WindowStepsFrameTheWaitOnceTheFirstQuerySucceeded) {
  struct Case {
    const char* name;
    std::vector<std::optional<ServiceStatus>> script;
    std::vector<std::string> events;
  } cases[] = {
      {"already in the target state", {ServiceStatus{1, 0, 0}}, {"query", "begin Stopping", "end"}},
      {"one pass",
       {ServiceStatus{3, 0, 0}, ServiceStatus{1, 0, 0}},
       {"query", "begin Stopping", "pump", "query", "end"}},
      {"first query fails: the window is left alone", {std::nullopt}, {"query"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WaitRig rig(c.script);
    rig.Wait(kStopPending, &rig);
    EXPECT_THAT(rig.events, ElementsAreArray(c.events));
    // One sleep before each pump: where the events show no pump, nothing slept.
    EXPECT_EQ(rig.platform.sleeps.size(), static_cast<std::size_t>(rig.platform.pumps));
  }
}

TEST(WaitServiceState, AnExceptionFromTheMessagePumpStillRestoresTheWindow) {
  WaitRig rig({ServiceStatus{3, 0, 5000}});
  rig.platform.onPump = [&] {
    rig.events.push_back("pump");
    throw std::runtime_error("raised by a message handler");
  };
  EXPECT_THROW(rig.Wait(kStopPending, &rig), std::runtime_error);
  EXPECT_THAT(rig.events, ElementsAre("query", "begin Stopping", "pump", "end"));
}

}  // namespace
