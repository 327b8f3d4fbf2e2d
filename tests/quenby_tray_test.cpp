// Quenby's tray menu and the watch from the tray, over the simulated manager.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "quenby_fixture.h"

namespace {

using common::RegRoot;
using common::ui::TMenuItem;
using quenby_test::QuenbyTest;

constexpr std::string_view kOptions = "\\SOFTWARE\\Corvanti\\Quenby\\2.0\\Options";

class QuenbyTray : public QuenbyTest {
 protected:
  // Alpha registered and selected in the given state, the window minimised to the tray.
  void MinimisedOnAlpha(std::int32_t state, bool watch) {
    StartOnAlpha(state);
    form.SetTrayWatch(watch);
    form.WMSysCommand(quenby::kScMinimize);
  }
  // The menu as "text:enabled/checked" entries, a separator as "-".
  std::vector<std::string> Menu() const {
    std::vector<std::string> entries;
    for (const TMenuItem& item : form.ElTrayIcon.UserContextMenu()) {
      if (item.id == 0) {
        entries.push_back("-");
        continue;
      }
      entries.push_back(item.text + (item.enabled ? "" : " (off)") + (item.checked ? " (x)" : ""));
    }
    return entries;
  }
};

TEST_F(QuenbyTray, TheMenuEnablesTheActionsAsTheButtonsAreForTheShownState) {
  struct Case {
    std::int32_t state;
    std::vector<std::string> actions;  // Start/Continue, Pause, Stop
  };
  const Case cases[] = {
      {services_u::kStateRunning, {"Start/Continue (off)", "Pause", "Stop"}},
      {services_u::kStateStopped, {"Start/Continue", "Pause (off)", "Stop (off)"}},
      {services_u::kStatePaused, {"Start/Continue", "Pause (off)", "Stop"}},
      {services_u::kStateStartPending, {"Start/Continue (off)", "Pause (off)", "Stop (off)"}},
  };
  StartOnAlpha();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.state);
    scm.Service("Alpha").state = c.state;
    form.cbServicesChange();
    std::vector<std::string> expected{"Restore", "-"};
    expected.insert(expected.end(), c.actions.begin(), c.actions.end());
    expected.insert(expected.end(),
                    {"-", "Watch service from here", "-", "About Quenby...", "Exit"});
    EXPECT_EQ(Menu(), expected);
  }
}

TEST_F(QuenbyTray, EachEntryRunsTheHandlerOfItsButtonOrMenuEntry) {
  StartOnAlpha(services_u::kStateRunning);
  int abouts = 0;
  form.Shell.ShowAbout = [&] { ++abouts; };
  form.TrayMenuCommand(quenby::kTrayStop);
  EXPECT_EQ(scm.Service("Alpha").state, services_u::kStateStopped);
  EXPECT_EQ(form.esbMain.Text(), "SRV1 - Alpha - Stopped");
  form.TrayMenuCommand(quenby::kTrayPause);  // disabled for a stopped service: nothing
  EXPECT_EQ(scm.Service("Alpha").state, services_u::kStateStopped);
  form.TrayMenuCommand(quenby::kTrayStart);
  EXPECT_EQ(scm.Service("Alpha").state, services_u::kStateRunning);
  form.TrayMenuCommand(quenby::kTrayAbout);
  EXPECT_EQ(abouts, 1);
  form.TrayMenuCommand(quenby::kTrayWatch);
  EXPECT_TRUE(form.TrayWatch());
  EXPECT_EQ(Menu()[6], "Watch service from here (x)");
  EXPECT_FALSE(form.CloseRequested());
  form.TrayMenuCommand(quenby::kTrayExit);
  EXPECT_TRUE(form.CloseRequested());
}

TEST_F(QuenbyTray, TheWatchChoiceIsKeptInItsOwnValue) {
  StartOnAlpha();
  EXPECT_FALSE(form.TrayWatch());  // absent means off
  form.SetTrayWatch(true);
  const auto stored = registry.Get(RegRoot::CurrentUser, kOptions, "TrayWatch");
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(stored->type, common::kRegDword);
  EXPECT_EQ(stored->data, (std::vector<std::uint8_t>{1, 0, 0, 0}));
  EXPECT_EQ(registry.ValueNames(RegRoot::CurrentUser, kOptions),
            (std::vector<std::string>{"TrayWatch"}));
  form.FormDestroy();  // the window's values stay as they were (no control has the focus here)
  EXPECT_EQ(
      registry.ValueNames(RegRoot::CurrentUser, "\\SOFTWARE\\Corvanti\\Quenby\\2.0\\frmMain"),
      (std::vector<std::string>{"Left", "Top", "Width", "Height", "ServiceIndex", "ServerName"}));

  struct Case {
    const char* name;
    std::function<void()> store;
    bool watch;
  };
  const Case cases[] = {
      {"one", [&] { registry.PutDword(RegRoot::CurrentUser, kOptions, "TrayWatch", 1); }, true},
      {"zero", [&] { registry.PutDword(RegRoot::CurrentUser, kOptions, "TrayWatch", 0); }, false},
      {"two", [&] { registry.PutDword(RegRoot::CurrentUser, kOptions, "TrayWatch", 2); }, false},
      {"text", [&] { registry.PutSz(RegRoot::CurrentUser, kOptions, "TrayWatch", "1"); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.store();
    form.FormCreate();
    EXPECT_EQ(form.TrayWatch(), c.watch);
  }
}

TEST_F(QuenbyTray, NothingPollsWithTheWatchOffOrTheWindowShown) {
  StartOnAlpha();
  EXPECT_FALSE(form.tmTrayWatch.Enabled());
  form.SetTrayWatch(true);
  EXPECT_FALSE(form.tmTrayWatch.Enabled()) << "the window is shown";
  form.WMSysCommand(quenby::kScMinimize);
  EXPECT_TRUE(form.tmTrayWatch.Enabled());
  EXPECT_EQ(form.tmTrayWatch.Interval(), 2000u);
  form.ElTrayIconDblClick();
  EXPECT_FALSE(form.tmTrayWatch.Enabled()) << "restored";
  form.WMSysCommand(quenby::kScMinimize);
  form.SetTrayWatch(false);
  EXPECT_FALSE(form.tmTrayWatch.Enabled()) << "watch turned off in the tray";
  scm.ClearLogs();
  form.tmTrayWatchTimer();  // a tick still queued reads nothing
  EXPECT_TRUE(scm.Calls().empty());
}

TEST_F(QuenbyTray, WithTheWatchOffTheTooltipAndIconStayAsSetAtMinimise) {
  MinimisedOnAlpha(services_u::kStateRunning, false);
  scm.Service("Alpha").state = services_u::kStateStopped;
  form.tmTrayWatchTimer();
  EXPECT_EQ(form.ElTrayIcon.Hint(), "Corvanti Quenby\r\nSRV1 - Alpha - Running");
  EXPECT_EQ(form.ElTrayIcon.Picture(), -1);
  EXPECT_EQ(form.ElTrayIcon.Balloons(), 0u);
}

struct NoticeCase {
  const char* name;
  std::function<void(doubles::SimServiceManager&, quenby::TfrmMain&)> between;  // before the tick
  std::uint32_t notices;
  std::string hint;
  int picture;
};

const NoticeCase kNoticeCases[] = {
    {"StoppedByItself",
     [](doubles::SimServiceManager& scm, quenby::TfrmMain&) {
       scm.Service("Alpha").state = services_u::kStateStopped;
     },
     1, "Corvanti Quenby\r\nSRV1 - Alpha - Stopped", quenby::kPictureStopped},
    {"TheSameStateAgain", [](doubles::SimServiceManager&, quenby::TfrmMain&) {}, 0,
     "Corvanti Quenby\r\nSRV1 - Alpha - Running", quenby::kPictureRunning},
    {"StoppedByThisWindowsOwnAction",
     [](doubles::SimServiceManager&, quenby::TfrmMain& form) {
       form.TrayMenuCommand(quenby::kTrayStop);
     },
     0, "Corvanti Quenby\r\nSRV1 - Alpha - Stopped", quenby::kPictureStopped},
    {"AReadThatFails",
     [](doubles::SimServiceManager& scm, quenby::TfrmMain&) {
       scm.FailAlways(doubles::ScCall::OpenService, quenby_test::kAccessDenied);
     },
     0, "Corvanti Quenby\r\nSRV1 - Alpha - Unknown state", quenby::kPictureOther},
};

class QuenbyTrayNotice : public QuenbyTray, public ::testing::WithParamInterface<NoticeCase> {};

TEST_P(QuenbyTrayNotice, OnlyAChangeByItselfRaisesANoticeAndNoReadShowsABox) {
  const NoticeCase& c = GetParam();
  MinimisedOnAlpha(services_u::kStateRunning, true);
  EXPECT_EQ(form.ElTrayIcon.Picture(), quenby::kPictureRunning);
  c.between(scm, form);
  const std::size_t boxes = dialogs.boxes.size();
  form.tmTrayWatchTimer();
  EXPECT_EQ(form.ElTrayIcon.Balloons(), c.notices);
  if (c.notices > 0) {
    EXPECT_EQ(form.ElTrayIcon.BalloonTitle(), "Quenby");
    EXPECT_EQ(form.ElTrayIcon.BalloonText(), "SRV1 - Alpha - Stopped");
  }
  EXPECT_EQ(form.ElTrayIcon.Hint(), c.hint);
  EXPECT_EQ(form.ElTrayIcon.Picture(), c.picture);
  EXPECT_EQ(dialogs.boxes.size(), boxes) << "no box from the tray";
  // The next tick with nothing new raises nothing more, and the watch goes on.
  form.tmTrayWatchTimer();
  EXPECT_EQ(form.ElTrayIcon.Balloons(), c.notices);
  EXPECT_TRUE(form.tmTrayWatch.Enabled());
}

INSTANTIATE_TEST_SUITE_P(Ticks, QuenbyTrayNotice, ::testing::ValuesIn(kNoticeCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
