// The managed service list: registered names, the rebuild in batches, matching
// and the selection after a rebuild.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "quenby_fixture.h"

namespace quenby_test {
namespace {

using doubles::ScCall;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST_F(QuenbyTest, EntriesFollowRegisteredOrderAndMatchIgnoringCase) {
  Register({"alpha", "Beta", "Gamma"});
  AddService("Beta", "Beta Agent", services_u::kStateRunning);
  AddService("Other", "Other Agent", services_u::kStateRunning);
  AddService("ALPHA", "Alpha Agent", services_u::kStateStopped);
  form.FormCreate();

  EXPECT_THAT(form.cbServices.Items(), ElementsAre("Alpha Agent: STOPPED", "Beta Agent: STARTED"));
  EXPECT_THAT(form.ListedServices(), ElementsAre("ALPHA", "Beta"));
  EXPECT_EQ(form.cbServices.ItemIndex(), 0);
  EXPECT_THAT(dialogs.boxes, IsEmpty());
  EXPECT_EQ(scm.OpenManagers(), 0);
}

TEST_F(QuenbyTest, EachBatchAppendsItsMatchesAfterTheEarlierBatches) {
  Register({"A", "B"});
  AddService("B", "B Agent", services_u::kStateRunning);
  AddService("X", "X Agent", services_u::kStateRunning);
  AddService("A", "A Agent", services_u::kStatePaused);
  scm.SetEnumBatchLimit(2);
  form.FormCreate();

  EXPECT_THAT(form.cbServices.Items(), ElementsAre("B Agent: STARTED", "A Agent: PAUSED"));
  EXPECT_THAT(form.ListedServices(), ElementsAre("B", "A"));
  // The size query with no buffer, then one call per batch going on from the
  // resume handle that the batch before left.
  const auto& calls = scm.EnumCalls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].bufferSize, 0u);
  EXPECT_EQ(calls[0].resumeHandle, 0u);
  EXPECT_EQ(calls[1].resumeHandle, 0u);
  EXPECT_EQ(calls[2].resumeHandle, 2u);
  for (const auto& call : calls) {
    EXPECT_EQ(call.serviceType, 0x13Fu);
    EXPECT_EQ(call.serviceState, 3u);
  }
  EXPECT_EQ(scm.ManagerOpens().back().access, 0xA0000000u);
}

TEST_F(QuenbyTest, EntriesShowTheListsUpperCaseStateWords) {
  const std::vector<std::pair<std::int32_t, std::string>> cases = {
      {1, "STOPPED"},    {2, "STARTING"}, {3, "STOPPING"}, {4, "STARTED"},
      {5, "RESTARTING"}, {6, "PAUSING"},  {7, "PAUSED"}};
  for (const auto& [state, word] : cases) {
    const std::string name = "S" + std::to_string(state);
    Register({name});
    AddService(name, "Svc " + name, state);
  }
  form.FormCreate();
  ASSERT_EQ(form.cbServices.Items().size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i)
    EXPECT_EQ(form.cbServices.Items()[i],
              "Svc S" + std::to_string(cases[i].first) + ": " + cases[i].second);
}

TEST_F(QuenbyTest, RebuildKeepsTheSelectedPositionOnlyWhenItStillLiesInTheList) {
  struct Case {
    int before;
    int found;
    int after;
  };
  for (const Case c : {Case{2, 5, 2}, Case{4, 3, 0}, Case{-1, 3, 0}, Case{0, 0, -1}}) {
    SCOPED_TRACE(::testing::Message() << "before " << c.before << ", found " << c.found);
    doubles::SimServiceManager machine;
    services_u::TServiceControl machineControl{services_u::kQuenbyFrontEnd, machine, clock, dialogs,
                                               texts};
    quenby::TfrmMain window{{registry, machine, machineControl, dialogs, upper, computer}};
    Register({"S0", "S1", "S2", "S3", "S4"});
    for (int i = 0; i < c.found; ++i)
      machine.AddService({"S" + std::to_string(i), "D" + std::to_string(i)});
    window.FormCreate();
    window.cbServices.SetItems({"a", "b", "c", "d", "e"});
    window.cbServices.SetItemIndex(c.before);

    EXPECT_TRUE(window.EnumServices());
    EXPECT_EQ(window.cbServices.Items().size(), static_cast<std::size_t>(c.found));
    EXPECT_EQ(window.cbServices.ItemIndex(), c.after);
  }
}

TEST_F(QuenbyTest, RebuildFailuresShowOneMessageAndCloseTheManager) {
  struct Case {
    const char* what;
    ScCall call;
    int nth;
    bool result;
    std::vector<std::string> listed;
  };
  const std::vector<Case> cases = {
      {"manager not opened", ScCall::OpenSCManager, 1, false, {}},
      {"first call fails", ScCall::EnumServicesStatus, 1, false, {}},
      {"later batch fails", ScCall::EnumServicesStatus, 3, true, {"A"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    doubles::SimServiceManager machine;
    services_u::TServiceControl machineControl{services_u::kQuenbyFrontEnd, machine, clock, dialogs,
                                               texts};
    quenby::TfrmMain window{{registry, machine, machineControl, dialogs, upper, computer}};
    Register({"A", "B"});
    machine.AddService({"A", "A Agent"});
    machine.AddService({"B", "B Agent"});
    machine.SetEnumBatchLimit(1);
    window.FormCreate();
    machine.ClearLogs();
    dialogs.boxes.clear();

    machine.FailNext(c.call, kRpcUnavailable, c.nth);
    EXPECT_EQ(window.EnumServices(), c.result);
    EXPECT_THAT(dialogs.Texts(), ElementsAre(kErrorOpening + "The RPC server is unavailable."));
    EXPECT_EQ(window.ListedServices(), c.listed);
    EXPECT_EQ(window.cbServices.Items().size(), c.listed.size());
    EXPECT_EQ(machine.OpenManagers(), 0);
    EXPECT_EQ(machine.BadReleases(), 0);
  }
}

// A manager that keeps reporting more data without returning records or asking
// for a larger buffer must not hold the window for ever.
TEST_F(QuenbyTest, RebuildEndsWhenBatchesStopMakingProgress) {
  Register({"A"});
  scm.AddService({"A", "A Agent"});
  form.FormCreate();
  scm.ClearLogs();
  scm.FailAlways(ScCall::EnumServicesStatus, common::kErrorMoreData);
  EXPECT_TRUE(form.EnumServices());
  EXPECT_THAT(form.cbServices.Items(), IsEmpty());
  EXPECT_EQ(scm.EnumCalls().size(), 2u);  // the size query and one batch
  EXPECT_EQ(scm.OpenManagers(), 0);
}

TEST_F(QuenbyTest, MachineWithoutServicesGivesAnEmptyListWithoutMessage) {
  Register({"A"});
  form.FormCreate();
  EXPECT_TRUE(form.EnumServices());
  EXPECT_THAT(form.cbServices.Items(), IsEmpty());
  EXPECT_EQ(form.cbServices.ItemIndex(), -1);
  EXPECT_THAT(dialogs.boxes, IsEmpty());
  EXPECT_EQ(scm.EnumCalls().size(), 2u);  // one per rebuild, each with the empty buffer
}

TEST_F(QuenbyTest, RegisteredNamesAreReadInEnumerationOrder) {
  Register({"Zeta", "alpha", "Mid"});
  form.FormCreate();
  EXPECT_THAT(form.RegisteredServices(), ElementsAre("Zeta", "alpha", "Mid"));
  EXPECT_EQ(registry.OpenKeys(), 0);
}

// The C locale's rule leaves bytes above 127 alone; the Windows rule upper-cases
// them under the code page, so both go through the seam and nowhere else.
TEST(QuenbyUpperCase, CLocaleRuleChangesOnlyAsciiLetters) {
  std::string text = "abz AZ 09 \xe9_-";
  quenby::TCLocaleUpperCase().UpperCase(text.data(), text.size());
  EXPECT_EQ(text, "ABZ AZ 09 \xe9_-");
}

}  // namespace
}  // namespace quenby_test
