// Quenby's window: start-up, the display of the selected service, the status
// line, and the actions with their wait, refresh and auto-start box.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

#include "common/errors.h"

#include "quenby_fixture.h"

namespace quenby_test {
namespace {

using common::ui::TCursor;
using doubles::ScCall;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(QuenbyStatusLine, JoinsMachineServiceAndStateWord) {
  const struct {
    std::string machine, service;
    std::int32_t state;
    std::string line;
  } cases[] = {
      {"SRV1", "Alpha", 1, "SRV1 - Alpha - Stopped"},
      {"SRV1", "Alpha", 2, "SRV1 - Alpha - Start pending"},
      {"SRV1", "Alpha", 3, "SRV1 - Alpha - Stop pending"},
      {"SRV1", "Alpha", 4, "SRV1 - Alpha - Running"},
      {"SRV1", "Alpha", 5, "SRV1 - Alpha - Continue pending"},
      {"SRV1", "Alpha", 6, "SRV1 - Alpha - Pause pending"},
      {"SRV1", "Alpha", 7, "SRV1 - Alpha - Paused"},
      {"", "Alpha", 0, "local - Alpha - Unknown state"},
      {"Unknown server", "", 100, "Unknown server - Unknown service - Unknown state"},
      {"Unknown", "", -1, "Unknown - Unknown service - Unknown state"},
      {"%s%n", "%d", 8, "%s%n - %d - Unknown state"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(quenby::FormatStateLine(c.machine, c.service, c.state), c.line);
}

TEST(QuenbyComputerName, ReadsSixteenCharactersOrGivesEmpty) {
  FakeComputerName system;
  EXPECT_EQ(quenby::GetLocalComputerName(system), "SRV1");
  system.name = "FIFTEEN-CHARS15";
  EXPECT_EQ(quenby::GetLocalComputerName(system), "FIFTEEN-CHARS15");
  system.works = false;
  EXPECT_EQ(quenby::GetLocalComputerName(system), "");
  EXPECT_THAT(system.sizes, ElementsAre(16u, 16u, 16u));
}

TEST_F(QuenbyTest, StartUpWithoutRegisteredNamesTellsAndEnds) {
  for (const bool keyExists : {false, true}) {
    SCOPED_TRACE(keyExists ? "empty key" : "no key");
    doubles::MemoryRegistry machineRegistry;
    if (keyExists)
      machineRegistry.CreateKey(common::RegRoot::LocalMachine, quenby::kRegisteredServicesKey);
    doubles::ScriptedDialogs boxes;
    quenby::TfrmMain window{{machineRegistry, scm, control, boxes, upper, computer}};
    window.FormCreate();

    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text,
              "None of services registered to manage with Corvanti Quenby!\r\n"
              "Application will now exit.");
    EXPECT_EQ(boxes.boxes[0].caption, "Information");
    EXPECT_EQ(boxes.boxes[0].icon, common::MbIcon::Information);
    EXPECT_TRUE(window.CloseRequested());
    EXPECT_THAT(scm.EnumCalls(), IsEmpty());
    EXPECT_THAT(window.cbServices.Items(), IsEmpty());
    EXPECT_FALSE(window.cbServices.Enabled());
    EXPECT_FALSE(window.cbAutoStart.Enabled());
    EXPECT_EQ(window.esbMain.Text(), "Unknown server - Unknown service - Unknown state");
    EXPECT_EQ(window.elServer.Text(), "SRV1");
  }
}

TEST_F(QuenbyTest, StartUpShowsTheFirstEntryOfThisMachine) {
  StartOnAlpha(services_u::kStateRunning, 2);
  EXPECT_EQ(services_u::MachineName, "SRV1");
  EXPECT_EQ(form.elServer.Text(), "SRV1");
  EXPECT_EQ(form.cbServices.ItemIndex(), 0);
  EXPECT_EQ(form.esbMain.Text(), "SRV1 - Alpha - Running");
  EXPECT_TRUE(form.cbAutoStart.Enabled());
  EXPECT_TRUE(form.cbAutoStart.Checked());
  EXPECT_FALSE(form.CloseRequested());
  EXPECT_EQ(form.Cursor(), TCursor::Default);
  EXPECT_EQ(scm.OpenManagers() + scm.OpenServices(), 0);
}

TEST_F(QuenbyTest, StateDisplayFollowsTheSelectedServicesState) {
  const struct {
    std::int32_t state;
    bool start, pause, stop;
    int picture;
    const char* line;
  } cases[] = {
      {1, true, false, false, 1, "SRV1 - Alpha - Stopped"},
      {4, false, true, true, 0, "SRV1 - Alpha - Running"},
      {7, true, false, true, 2, "SRV1 - Alpha - Paused"},
      {2, false, false, false, 4, "SRV1 - Alpha - Start pending"},
      {3, false, false, false, 4, "SRV1 - Alpha - Stop pending"},
      {5, false, false, false, 4, "SRV1 - Alpha - Continue pending"},
      {6, false, false, false, 4, "SRV1 - Alpha - Pause pending"},
  };
  Register({"Alpha"});
  doubles::SimService& alpha = AddService("Alpha", "Alpha Agent", 1);
  form.FormCreate();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.state);
    alpha.state = c.state;
    form.cbServicesChange();
    EXPECT_EQ(form.bbStart.Enabled(), c.start);
    EXPECT_EQ(form.bbPause.Enabled(), c.pause);
    EXPECT_EQ(form.bbStop.Enabled(), c.stop);
    EXPECT_EQ(form.imState.PictureIndex(), c.picture);
    EXPECT_EQ(form.esbMain.Text(), c.line);
    EXPECT_TRUE(form.cbServices.Enabled());
  }
}

TEST_F(QuenbyTest, ServiceThatCannotBeReadShowsUnknownStateWithTheBoxEnabled) {
  StartOnAlpha(services_u::kStateRunning, 2);
  scm.FailNext(ScCall::OpenService, doubles::kErrorServiceDoesNotExist);
  form.cbServicesChange();
  EXPECT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_FALSE(form.bbStart.Enabled() || form.bbPause.Enabled() || form.bbStop.Enabled());
  EXPECT_EQ(form.imState.PictureIndex(), 4);
  EXPECT_EQ(form.esbMain.Text(), "SRV1 - Alpha - Unknown state");
  EXPECT_TRUE(form.cbAutoStart.Enabled());
  EXPECT_FALSE(form.cbAutoStart.Checked());
}

TEST_F(QuenbyTest, StartContinuesAPausedServiceAndStartsAnyOther) {
  const struct {
    std::int32_t state;
    std::uint32_t request;
  } cases[] = {{services_u::kStatePaused, 3}, {services_u::kStateStopped, doubles::kStartRequest}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.state);
    doubles::SimServiceManager machine;
    services_u::TServiceControl machineControl{services_u::kQuenbyFrontEnd, machine, clock, dialogs,
                                               texts};
    quenby::TfrmMain window{{registry, machine, machineControl, dialogs, upper, computer}};
    Register({"Alpha"});
    machine.AddService({"Alpha", "Alpha Agent", 3, 256, c.state});
    window.FormCreate();
    window.bbStart.UserClick();
    EXPECT_THAT(machine.Requests(),
                ElementsAre(doubles::SimServiceManager::Request{"Alpha", c.request}));
    EXPECT_EQ(window.esbMain.Text(), "SRV1 - Alpha - Running");
    EXPECT_EQ(window.cbServices.Items()[0], "Alpha Agent: STARTED");
  }
}

TEST_F(QuenbyTest, WaitShowsProgressWithEveryControlDisabledThenRefreshes) {
  StartOnAlpha(services_u::kStateRunning);
  scm.Service("Alpha").scripts[1] = {{services_u::kStateStopPending, 1, 3000},
                                     {services_u::kStateStopped, 0, 0}};
  std::string progress;
  std::vector<bool> enabledDuringWait;
  TCursor cursorDuringWait = TCursor::Default;
  clock.onPump = [&] {
    progress = form.esbMain.Text();
    enabledDuringWait = Enabled();
    cursorDuringWait = form.Cursor();
  };
  form.bbStop.UserClick();

  EXPECT_EQ(progress, "SRV1 - Alpha - Stopping...");
  EXPECT_EQ(enabledDuringWait, std::vector<bool>(14, false));
  EXPECT_EQ(cursorDuringWait, TCursor::HourGlass);
  EXPECT_EQ(form.esbMain.Text(), "SRV1 - Alpha - Stopped");
  EXPECT_EQ(form.cbServices.Items()[0], "Alpha Agent: STOPPED");
  EXPECT_TRUE(form.bbStart.Enabled());
  EXPECT_FALSE(form.bbStop.Enabled());
  EXPECT_EQ(form.Cursor(), TCursor::Default);
}

TEST_F(QuenbyTest, ProgressLineNamesLocalAndUnknownServiceWhenEmpty) {
  StartOnAlpha();
  services_u::MachineName.clear();
  form.ShowProgress("Pausing");
  EXPECT_EQ(form.esbMain.Text(), "local - Alpha - Pausing...");
  form.cbServices.SetItemIndex(-1);
  form.ShowProgress("Starting");
  EXPECT_EQ(form.esbMain.Text(), "local - Unknown service - Starting...");
}

TEST_F(QuenbyTest, EnableControlsEnablesEvenControlsTheStateDisabled) {
  StartOnAlpha(services_u::kStateStopped);
  form.DisableControls();
  EXPECT_EQ(Enabled(), std::vector<bool>(14, false));
  form.EnableControls();
  EXPECT_EQ(Enabled(), std::vector<bool>(14, true));
}

TEST_F(QuenbyTest, ServerFieldNamesTheMachineOfLaterCallsOnly) {
  StartOnAlpha();
  const std::string before = form.esbMain.Text();
  form.elServer.UserSetText("SRV2");
  form.elServer.UserExit();
  EXPECT_EQ(services_u::MachineName, "SRV2");
  EXPECT_EQ(form.esbMain.Text(), before);

  form.elServer.UserSetText("");
  form.elServer.UserExit();
  form.btnRefresh.UserClick();
  EXPECT_EQ(scm.ManagerOpens().back().name, "");
  EXPECT_EQ(form.esbMain.Text(), "local - Alpha - Running");
}

TEST_F(QuenbyTest, FailedRefreshShowsUnknownAndLeavesTheAutoStartBox) {
  StartOnAlpha(services_u::kStateRunning, 2);
  scm.FailNext(ScCall::OpenSCManager, kRpcUnavailable);
  form.btnRefresh.UserClick();

  EXPECT_THAT(dialogs.Texts(), ElementsAre(kErrorOpening + "The RPC server is unavailable."));
  EXPECT_THAT(form.cbServices.Items(), IsEmpty());
  EXPECT_FALSE(form.cbServices.Enabled());
  EXPECT_FALSE(form.bbStart.Enabled() || form.bbPause.Enabled() || form.bbStop.Enabled());
  EXPECT_EQ(form.imState.PictureIndex(), 4);
  EXPECT_EQ(form.esbMain.Text(), "Unknown - Unknown service - Unknown state");
  EXPECT_TRUE(form.cbAutoStart.Enabled());
  EXPECT_TRUE(form.cbAutoStart.Checked());
}

TEST_F(QuenbyTest, FailedStartTypeChangePutsTheBoxBackAndTheNextClickTriesAgain) {
  StartOnAlpha(services_u::kStateRunning, 3);
  scm.FailNext(ScCall::ChangeServiceStartType, kAccessDenied);
  form.cbAutoStart.UserClick();
  EXPECT_FALSE(form.cbAutoStart.Checked());
  EXPECT_EQ(scm.Service("Alpha").startType, 3);
  EXPECT_THAT(dialogs.Texts(), ElementsAre(kErrorOpening + "Access is denied."));

  form.cbAutoStart.UserClick();
  EXPECT_TRUE(form.cbAutoStart.Checked());
  EXPECT_EQ(scm.Service("Alpha").startType, 2);
  EXPECT_THAT(scm.StartTypeChanges(), ElementsAre(2u, 2u));
  EXPECT_FALSE(form.IgnoreAutoStartClick());
}

// After a failed refresh the box stays enabled while no service is listed.
TEST_F(QuenbyTest, AutoStartClickWithNoListedServiceSendsNothingAndPutsTheBoxBack) {
  StartOnAlpha(services_u::kStateRunning, 2);
  scm.FailNext(ScCall::OpenSCManager, kRpcUnavailable);
  form.btnRefresh.UserClick();
  scm.ClearLogs();
  dialogs.boxes.clear();

  form.cbAutoStart.UserClick();
  EXPECT_THAT(scm.Calls(), IsEmpty());
  EXPECT_THAT(dialogs.boxes, IsEmpty());
  EXPECT_TRUE(form.cbAutoStart.Checked());
  EXPECT_FALSE(form.IgnoreAutoStartClick());
}

TEST_F(QuenbyTest, RefreshLeavesAnHourGlassItFindsToItsOwner) {
  StartOnAlpha();
  for (const TCursor before : {TCursor::Default, TCursor::HourGlass}) {
    form.SetCursor(before);
    scm.FailNext(ScCall::OpenSCManager, kRpcUnavailable);
    form.btnRefreshClick();
    EXPECT_EQ(form.Cursor(), before);
  }
}

TEST_F(QuenbyTest, HandlersPutTheDefaultCursorBackWhenAnExceptionPasses) {
  struct Case {
    const char* what;
    std::function<void()> fault;
    std::function<void()> handler;
  };
  const auto throwFromBox = [this] {
    dialogs.onShow = [](const doubles::ShownBox&) { throw std::runtime_error("box"); };
  };
  const std::vector<Case> cases = {
      {"selection, service error",
       [&] {
         scm.FailNext(ScCall::OpenService, kAccessDenied);
         throwFromBox();
       },
       [this] { form.cbServicesChange(); }},
      {"refresh, manager error",
       [&] {
         scm.FailNext(ScCall::OpenSCManager, kAccessDenied);
         throwFromBox();
       },
       [this] { form.btnRefresh.UserClick(); }},
      {"stop, message pumped in the wait",
       [this] {
         scm.Service("Alpha").scripts[1] = {{services_u::kStateStopPending, 1, 3000}};
         clock.onPump = [] { throw std::runtime_error("pump"); };
       },
       [this] { form.bbStop.UserClick(); }},
      {"start, refused request",
       [&] {
         scm.FailNext(ScCall::StartService, kAccessDenied);
         throwFromBox();
       },
       [this] { form.bbStart.UserClick(); }},
  };
  StartOnAlpha();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    dialogs.onShow = nullptr;
    clock.onPump = nullptr;
    scm.ClearFailures();
    scm.Service("Alpha").state = services_u::kStateRunning;
    form.cbServices.SetItemIndex(0);
    c.fault();
    EXPECT_THROW(c.handler(), std::runtime_error);
    EXPECT_EQ(form.Cursor(), TCursor::Default);
    EXPECT_EQ(scm.OpenManagers() + scm.OpenServices(), 0);
  }
}

TEST_F(QuenbyTest, ActionWithNoListedServiceRaisesTheListError) {
  StartOnAlpha();
  form.cbServices.SetItemIndex(-1);
  EXPECT_THROW(form.bbStopClick(), common::EListError);
  EXPECT_THAT(scm.Requests(), IsEmpty());
  EXPECT_EQ(form.Cursor(), TCursor::Default);
}

}  // namespace
}  // namespace quenby_test
