// Quenby's per-user window state, system-menu entries, system commands and tray icon.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "doubles/memory_registry.h"
#include "quenby_fixture.h"
#include "service_console/windowstate_u.h"

namespace {

using common::RegRoot;
using common::ui::TForm;
using Placement = common::ui::TForm::Placement;

// The parts of the main window that the state touches, in its declaration
// order, with the main window's designed placement.
class StateForm : public TForm {
 public:
  StateForm() : TForm("frmMain") {
    for (common::ui::TComponent* c : std::initializer_list<common::ui::TComponent*>{
             &Label1, &cbServices, &bbStart, &bbStop, &esbMain, &elServer, &cbAutoStart,
             &ElTrayIcon})
      Register(*c);
    SetPlacement(kDesigned);
    cbServices.SetItems({"Alpha Agent: RUNNING", "Beta: STOPPED"});
    cbServices.SetItemIndex(0);
    elServer.SetText("SRV1");
    cbAutoStart.SetEnabled(false);  // as start-up leaves it
  }
  static constexpr Placement kDesigned{233, 212, 271, 281};
  common::ui::TLabel Label1{"Label1"};
  common::ui::TComboBox cbServices{"cbServices"};
  common::ui::TButton bbStart{"bbStart"};
  common::ui::TButton bbStop{"bbStop"};
  common::ui::TStatusBar esbMain{"esbMain"};
  common::ui::TEdit elServer{"elServer"};
  common::ui::TCheckBox cbAutoStart{"cbAutoStart", "Start service automatically when OS starts"};
  common::ui::TTrayIcon ElTrayIcon{"ElTrayIcon"};

  quenby::TWindowStateParts Parts() { return {*this, cbServices, elServer}; }
  std::string ActiveName() const { return ActiveControl() ? ActiveControl()->Name() : ""; }
};

const std::string kKey = "\\SOFTWARE\\Corvanti\\Quenby\\2.0\\frmMain";

struct Stored {
  std::string name;
  std::uint32_t type;
  std::vector<std::uint8_t> bytes;
};
// REG_DWORD data: four bytes, the lowest first.
std::vector<std::uint8_t> DwordBytes(std::int32_t n) {
  const auto u = static_cast<std::uint32_t>(n);
  return {static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8),
          static_cast<std::uint8_t>(u >> 16), static_cast<std::uint8_t>(u >> 24)};
}
// REG_SZ data: the text's bytes and a NUL.
std::vector<std::uint8_t> SzBytes(const std::string& text) {
  std::vector<std::uint8_t> bytes(text.begin(), text.end());
  bytes.push_back(0);
  return bytes;
}
Stored Dword(std::string name, std::int32_t n) {
  return {std::move(name), common::kRegDword, DwordBytes(n)};
}
Stored Sz(std::string name, std::string text) {
  return {std::move(name), common::kRegSz, SzBytes(text)};
}

class FixedMonitors : public quenby::IMonitors {
 public:
  explicit FixedMonitors(std::vector<quenby::TMonitor> monitors) : monitors_(std::move(monitors)) {}
  std::vector<quenby::TMonitor> Monitors() const override { return monitors_; }

 private:
  std::vector<quenby::TMonitor> monitors_;
};
// One 1024 x 768 monitor whose task bar takes the bottom 30 pixels.
const quenby::TMonitor kScreen{{0, 0, 1024, 768}, {0, 0, 1024, 738}};

TEST(WindowStateKey, StartsAtTheHiveRootAndEndsInTheComponentName) {
  EXPECT_EQ(quenby::WindowStateKey("frmMain"), kKey);
}

TEST(LoadWindowState, AppliesEachValueThatCanBeAppliedAndSkipsTheRest) {
  struct Case {
    const char* name;
    bool keyExists;
    std::vector<Stored> stored;
    Placement placement;
    std::string active;
    int serviceIndex;
    std::string server;
  };
  const auto all = [](std::vector<Stored> replaced) {
    std::vector<Stored> values = {Dword("Left", 10),
                                  Dword("Top", 20),
                                  Dword("Width", 300),
                                  Dword("Height", 320),
                                  Sz("ActiveControl", "elServer"),
                                  Dword("ServiceIndex", 1),
                                  Sz("ServerName", "SRV2")};
    for (auto& r : replaced)
      for (auto& v : values)
        if (v.name == r.name) v = r;
    return values;
  };
  const Placement d = StateForm::kDesigned;
  const Placement stored{10, 20, 300, 320};
  const Case cases[] = {
      {"no key", false, {}, d, "", 0, "SRV1"},
      {"empty key", true, {}, d, "", 0, "SRV1"},
      {"only Left and Top",
       true,
       {Dword("Left", 40), Dword("Top", 50)},
       {40, 50, d.width, d.height},
       "",
       0,
       "SRV1"},
      {"all seven", true, all({}), stored, "elServer", 1, "SRV2"},
      {"ServiceIndex -1", true, all({Dword("ServiceIndex", -1)}), stored, "elServer", -1, "SRV2"},
      {"ServiceIndex past the list", true, all({Dword("ServiceIndex", 2)}), stored, "elServer", 0,
       "SRV2"},
      {"ServiceIndex below -1", true, all({Dword("ServiceIndex", -2)}), stored, "elServer", 0,
       "SRV2"},
      {"unknown control name", true, all({Sz("ActiveControl", "edNothing")}), stored, "", 1,
       "SRV2"},
      {"control name in other case", true, all({Sz("ActiveControl", "ELSERVER")}), stored, "", 1,
       "SRV2"},
      {"disabled control", true, all({Sz("ActiveControl", "cbAutoStart")}), stored, "", 1, "SRV2"},
      {"label", true, all({Sz("ActiveControl", "Label1")}), stored, "", 1, "SRV2"},
      {"component that is no control", true, all({Sz("ActiveControl", "ElTrayIcon")}), stored, "",
       1, "SRV2"},
      {"Left as text",
       true,
       all({Sz("Left", "10")}),
       {d.left, 20, 300, 320},
       "elServer",
       1,
       "SRV2"},
      {"Height of two bytes",
       true,
       all({{"Height", common::kRegDword, {1, 2}}}),
       {10, 20, 300, d.height},
       "elServer",
       1,
       "SRV2"},
      {"ActiveControl as number", true, all({Dword("ActiveControl", 5)}), stored, "", 1, "SRV2"},
      {"ServiceIndex as binary", true, all({{"ServiceIndex", common::kRegBinary, {1, 0, 0, 0}}}),
       stored, "elServer", 0, "SRV2"},
      {"ServerName as expandable text", true, all({{"ServerName", common::kRegExpandSz, {'X', 0}}}),
       stored, "elServer", 1, "SRV1"},
      {"ServerName empty", true, all({Sz("ServerName", "")}), stored, "elServer", 1, ""},
  };
  for (const auto& c : cases) {
    doubles::MemoryRegistry registry;
    if (c.keyExists) registry.CreateKey(RegRoot::CurrentUser, kKey);
    for (const auto& v : c.stored)
      registry.Put(RegRoot::CurrentUser, kKey, v.name, v.type, v.bytes);
    StateForm form;
    quenby::LoadWindowState(registry, form.Parts(), nullptr);
    EXPECT_EQ(form.GetPlacement(), c.placement) << c.name;
    EXPECT_EQ(form.ActiveName(), c.active) << c.name;
    EXPECT_EQ(form.cbServices.ItemIndex(), c.serviceIndex) << c.name;
    EXPECT_EQ(form.elServer.Text(), c.server) << c.name;
    EXPECT_EQ(registry.OpenKeys(), 0) << c.name;
    EXPECT_FALSE(registry.KeyExists(RegRoot::CurrentUser, kKey) && !c.keyExists) << c.name;
  }
}

TEST(LoadWindowState, ReadsTheCurrentUsersKeyOnly) {
  doubles::MemoryRegistry registry;
  registry.PutDword(RegRoot::LocalMachine, kKey, "Left", 5);
  registry.PutDword(RegRoot::CurrentUser, "\\SOFTWARE\\Corvanti\\Quenby\\2.0\\frmOther", "Left", 6);
  StateForm form;
  quenby::LoadWindowState(registry, form.Parts(), nullptr);
  EXPECT_EQ(form.GetPlacement(), StateForm::kDesigned);
}

TEST(LoadWindowState, APlacementOffEveryMonitorMovesOntoTheNearestWorkArea) {
  doubles::MemoryRegistry registry;
  registry.PutDword(RegRoot::CurrentUser, kKey, "Left", 2000);
  registry.PutDword(RegRoot::CurrentUser, kKey, "Top", 900);
  StateForm form;
  const FixedMonitors monitors({kScreen});
  quenby::LoadWindowState(registry, form.Parts(), &monitors);
  const auto d = StateForm::kDesigned;
  EXPECT_EQ(form.GetPlacement(), (Placement{1024 - d.width, 738 - d.height, d.width, d.height}));
}

TEST(MoveOntoMonitors, MovesOnlyWhatLiesEntirelyOffEveryMonitor) {
  const quenby::TMonitor right{{1024, 0, 2048, 768}, {1024, 0, 2048, 768}};
  struct Case {
    const char* name;
    std::vector<quenby::TMonitor> monitors;
    Placement in, out;
  };
  const Case cases[] = {
      {"no monitor known", {}, {5000, 5000, 100, 80}, {5000, 5000, 100, 80}},
      {"on the monitor", {kScreen}, {100, 100, 100, 80}, {100, 100, 100, 80}},
      {"partly off", {kScreen}, {1000, 740, 100, 80}, {1000, 740, 100, 80}},
      {"touching the right edge only", {kScreen}, {1024, 10, 100, 80}, {924, 10, 100, 80}},
      {"above and left", {kScreen}, {-500, -300, 100, 80}, {0, 0, 100, 80}},
      {"on a monitor removed since", {kScreen}, {1500, 200, 100, 80}, {924, 200, 100, 80}},
      {"nearest of two", {kScreen, right}, {2500, 100, 100, 80}, {1948, 100, 100, 80}},
      {"larger than the work area", {kScreen}, {3000, 3000, 1200, 900}, {0, 0, 1200, 900}},
      {"extreme values", {kScreen}, {INT32_MAX, INT32_MIN, 100, 80}, {924, 0, 100, 80}},
      // Squared distances past 2^63: the far corner must not look nearest.
      {"nearest of two at the ends of the range",
       {{{2147482624, 2147482880, INT32_MAX, INT32_MAX},
         {2147482624, 2147482880, INT32_MAX, INT32_MAX}},
        {{-2147483000, -2147483000, -2147482000, -2147482200},
         {-2147483000, -2147483000, -2147482000, -2147482200}}},
       {INT32_MIN, INT32_MIN, 100, 80},
       {-2147483000, -2147483000, 100, 80}},
      {"negative size far off",
       {kScreen},
       {INT32_MIN, INT32_MIN, -1000, -1000},
       {0, 0, -1000, -1000}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(quenby::MoveOntoMonitors(c.in, c.monitors), c.out) << c.name;
}

TEST(FindControlByName, TheFirstComponentOfExactlyThatNameWhenItIsAControl) {
  StateForm form;
  common::ui::TEdit second{"elServer"};
  struct Twice : StateForm {
    explicit Twice(common::ui::TComponent& extra) { Register(extra); }
  } twice(second);
  EXPECT_EQ(quenby::FindControlByName(twice, "elServer"), &twice.elServer);
  EXPECT_EQ(quenby::FindControlByName(form, "cbServices"), &form.cbServices);
  for (const char* name : {"elserver", "elServer ", "", "frmMain", "ElTrayIcon"})
    EXPECT_EQ(quenby::FindControlByName(form, name), nullptr) << name;
}

std::vector<std::string> Names(const doubles::MemoryRegistry& registry) {
  return registry.ValueNames(RegRoot::CurrentUser, kKey);
}

TEST(SaveWindowState, WritesTheSevenValuesInOrderWithTheirTypes) {
  doubles::MemoryRegistry registry;
  StateForm form;
  form.SetPlacement({-20, 30, 271, 281});
  ASSERT_TRUE(form.SetActiveControl(&form.elServer));
  form.cbServices.SetItemIndex(-1);
  form.elServer.SetText("SRV2");
  quenby::SaveWindowState(registry, form.Parts());
  EXPECT_EQ(Names(registry),
            (std::vector<std::string>{"Left", "Top", "Width", "Height", "ActiveControl",
                                      "ServiceIndex", "ServerName"}));
  const std::vector<std::pair<std::string, Stored>> expected = {
      {"Left", {"", common::kRegDword, {0xEC, 0xFF, 0xFF, 0xFF}}},
      {"Top", {"", common::kRegDword, {30, 0, 0, 0}}},
      {"Width", {"", common::kRegDword, {0x0F, 0x01, 0, 0}}},
      {"Height", {"", common::kRegDword, {0x19, 0x01, 0, 0}}},
      {"ActiveControl", {"", common::kRegSz, {'e', 'l', 'S', 'e', 'r', 'v', 'e', 'r', 0}}},
      {"ServiceIndex", {"", common::kRegDword, {0xFF, 0xFF, 0xFF, 0xFF}}},
      {"ServerName", {"", common::kRegSz, {'S', 'R', 'V', '2', 0}}},
  };
  for (const auto& [name, value] : expected) {
    const auto got = registry.Get(RegRoot::CurrentUser, kKey, name);
    ASSERT_TRUE(got) << name;
    EXPECT_EQ(got->type, value.type) << name;
    EXPECT_EQ(got->data, value.bytes) << name;
  }
  EXPECT_EQ(registry.OpenKeys(), 0);
}

TEST(SaveWindowState, WithoutAFocusedControlTheEarlierActiveControlStays) {
  doubles::MemoryRegistry registry;
  registry.PutSz(RegRoot::CurrentUser, kKey, "ActiveControl", "bbStop");
  registry.PutSz(RegRoot::CurrentUser, kKey, "Extra", "kept");
  StateForm form;
  quenby::SaveWindowState(registry, form.Parts());
  EXPECT_EQ(registry.Get(RegRoot::CurrentUser, kKey, "ActiveControl")->data,
            (std::vector<std::uint8_t>{'b', 'b', 'S', 't', 'o', 'p', 0}));
  EXPECT_EQ(registry.Get(RegRoot::CurrentUser, kKey, "Extra")->data,
            (std::vector<std::uint8_t>{'k', 'e', 'p', 't', 0}));
  EXPECT_EQ(registry.Get(RegRoot::CurrentUser, kKey, "ServerName")->data,
            (std::vector<std::uint8_t>{'S', 'R', 'V', '1', 0}));

  doubles::MemoryRegistry fresh;
  quenby::SaveWindowState(fresh, form.Parts());
  EXPECT_EQ(Names(fresh).size(), 6u);
  EXPECT_FALSE(fresh.Get(RegRoot::CurrentUser, kKey, "ActiveControl"));
}

TEST(SaveWindowState, AKeyThatCannotBeOpenedWritesNothingAndReportsNothing) {
  doubles::MemoryRegistry registry;
  registry.FailOpenWrite(RegRoot::CurrentUser, kKey, doubles::kErrorAccessDenied);
  StateForm form;
  EXPECT_NO_THROW(quenby::SaveWindowState(registry, form.Parts()));
  // Nothing was written anywhere else instead: no key exists in either hive.
  EXPECT_EQ(registry.Keys(RegRoot::CurrentUser), std::vector<std::string>{});
  EXPECT_EQ(registry.Keys(RegRoot::LocalMachine), std::vector<std::string>{});
}

TEST(SaveWindowState, WhatIsSavedIsRestored) {
  doubles::MemoryRegistry registry;
  StateForm before;
  before.SetPlacement({50, 60, 271, 281});
  ASSERT_TRUE(before.SetActiveControl(&before.bbStop));
  before.cbServices.SetItemIndex(1);
  before.elServer.SetText("FarAway");
  quenby::SaveWindowState(registry, before.Parts());

  StateForm after;
  quenby::LoadWindowState(registry, after.Parts(), nullptr);
  EXPECT_EQ(after.GetPlacement(), before.GetPlacement());
  EXPECT_EQ(after.ActiveName(), "bbStop");
  EXPECT_EQ(after.cbServices.ItemIndex(), 1);
  EXPECT_EQ(after.elServer.Text(), "FarAway");
}

class RecordingMenu : public quenby::ISystemMenu {
 public:
  struct Entry {
    std::uint32_t flags;
    std::uintptr_t id;
    std::string text;
    bool operator==(const Entry&) const = default;
  };
  void AppendMenuA(std::uint32_t flags, std::uintptr_t id, const std::string& text) override {
    entries.push_back({flags, id, text});
  }
  std::vector<Entry> entries;
};

TEST(SystemMenu, ASeparatorThenTheAboutEntry) {
  RecordingMenu menu;
  quenby::AppendSystemMenuEntries(menu);
  EXPECT_EQ(menu.entries, (std::vector<RecordingMenu::Entry>{{0x0800, 0, ""},
                                                             {0x0000, 1025, "&About Quenby..."}}));
}

TEST(HandleSysCommand, TheWholeValueChoosesTheAction) {
  struct Case {
    std::uintptr_t command;
    int abouts;
    bool iconAfter;  // starting from an icon shown with hint "old"
    std::string hint;
  };
  const std::string minimised = "Corvanti Quenby\r\nSRV1 - Alpha - Running";
  const Case cases[] = {
      {1025, 1, true, "old"},    {0xF020, 0, true, minimised}, {0xF120, 0, false, "old"},
      {0xF022, 0, true, "old"},  {0xF122, 0, true, "old"},     {0x10401, 0, true, "old"},
      {0x1F020, 0, true, "old"}, {0xF060, 0, true, "old"},     {0, 0, true, "old"},
  };
  for (const auto& c : cases) {
    common::ui::TTrayIcon tray{"ElTrayIcon"};
    tray.SetEnabled(true);
    tray.SetHint("old");
    common::ui::TStatusBar status{"esbMain"};
    status.SetText("SRV1 - Alpha - Running");
    int abouts = 0;
    quenby::HandleSysCommand(c.command, tray, status, [&] { ++abouts; });
    EXPECT_EQ(abouts, c.abouts) << std::hex << c.command;
    EXPECT_EQ(tray.Enabled(), c.iconAfter) << std::hex << c.command;
    EXPECT_EQ(tray.Hint(), c.hint) << std::hex << c.command;
  }
}

TEST(HandleSysCommand, EachMinimiseShowsTheIconWithAHintBuiltAfresh) {
  common::ui::TTrayIcon tray{"ElTrayIcon"};
  common::ui::TStatusBar status{"esbMain"};
  status.SetText("first");
  quenby::HandleSysCommand(0xF020, tray, status, {});
  EXPECT_TRUE(tray.Enabled());
  quenby::HandleSysCommand(0xF120, tray, status, {});
  EXPECT_FALSE(tray.Enabled());
  status.SetText("second");
  quenby::HandleSysCommand(0xF020, tray, status, {});
  EXPECT_TRUE(tray.Enabled());
  EXPECT_EQ(tray.Hint(), "Corvanti Quenby\r\nsecond");
}

TEST(TrayHint, TitleLineThenStatusCutTo127Characters) {
  // The title line "Corvanti Quenby\r\n" has 17 characters, so 110 of the status fit.
  const std::string s110(110, 's'), a105(105, 'a');
  const std::pair<std::string, std::string> cases[] = {
      {"", "Corvanti Quenby\r\n"},
      {"SRV1 - Alpha - Running", "Corvanti Quenby\r\nSRV1 - Alpha - Running"},
      {s110, "Corvanti Quenby\r\n" + s110},
      {s110 + "t", "Corvanti Quenby\r\n" + s110},
      {a105 + "0123456789", "Corvanti Quenby\r\n" + a105 + "01234"},
      {std::string(300, 's'), "Corvanti Quenby\r\n" + s110},
  };
  for (const auto& [status, hint] : cases)
    EXPECT_EQ(quenby::TrayHint(status), hint) << status.size();
}

class RecordingApplication : public quenby::ITrayApplication {
 public:
  explicit RecordingApplication(const common::ui::TTrayIcon& tray) : tray_(tray) {}
  void Restore() override { calls.push_back(tray_.Enabled() ? "restore (icon shown)" : "restore"); }
  void BringToFront() override { calls.push_back("front"); }
  std::vector<std::string> calls;

 private:
  const common::ui::TTrayIcon& tray_;
};

TEST(ElTrayIconDblClick, RestoresBringsToFrontThenRemovesTheIcon) {
  common::ui::TTrayIcon tray{"ElTrayIcon"};
  tray.SetEnabled(true);
  RecordingApplication application(tray);
  quenby::ElTrayIconDblClick(tray, application);
  EXPECT_EQ(application.calls, (std::vector<std::string>{"restore (icon shown)", "front"}));
  EXPECT_FALSE(tray.Enabled());
}

// The main window over the doubles: the state is loaded at start-up before the
// first display of the selection, and saved when the window is destroyed.
class QuenbyStateTest : public quenby_test::QuenbyTest {
 protected:
  void StartOnAlphaAndBeta() {
    Register({"Alpha", "Beta"});
    AddService("Alpha", "Alpha Agent", services_u::kStateRunning);
    AddService("Beta", "Beta Agent", services_u::kStateStopped);
    form.FormCreate();
  }
};

TEST_F(QuenbyStateTest, TheSystemMenuEntriesComeBeforeAnythingElseOfStartUp) {
  struct Menu : RecordingMenu {
    explicit Menu(const quenby::TfrmMain& f) : form(f) {}
    void AppendMenuA(std::uint32_t flags, std::uintptr_t id, const std::string& text) override {
      serverFieldWhenAppended.push_back(form.elServer.Text());
      RecordingMenu::AppendMenuA(flags, id, text);
    }
    const quenby::TfrmMain& form;
    std::vector<std::string> serverFieldWhenAppended;
  } menu(form);
  form.Shell.SystemMenu = &menu;
  StartOnAlpha();
  EXPECT_EQ(menu.entries.size(), 2u);
  EXPECT_EQ(menu.serverFieldWhenAppended, std::vector<std::string>(2, ""));
}

TEST_F(QuenbyStateTest, StartUpShowsTheRestoredSelectionAndServerField) {
  struct Case {
    std::int32_t serviceIndex;
    std::string line;
  };
  Register({"Alpha", "Beta"});
  AddService("Alpha", "Alpha Agent", services_u::kStateRunning);
  AddService("Beta", "Beta Agent", services_u::kStateStopped);
  for (const auto& c : {Case{1, "SRV1 - Beta - Stopped"},
                        Case{-1, "Unknown server - Unknown service - Unknown state"},
                        Case{2, "SRV1 - Alpha - Running"}}) {
    registry.PutDword(RegRoot::CurrentUser, kKey, "ServiceIndex", c.serviceIndex);
    registry.PutSz(RegRoot::CurrentUser, kKey, "ServerName", "FarAway");
    registry.PutSz(RegRoot::CurrentUser, kKey, "ActiveControl", "elServer");
    quenby::TfrmMain window{{registry, scm, control, dialogs, upper, computer}};
    window.FormCreate();
    EXPECT_EQ(window.esbMain.Text(), c.line) << c.serviceIndex;
    EXPECT_EQ(window.elServer.Text(), "FarAway");
    EXPECT_EQ(services_u::MachineName, "SRV1");  // only the field changes
    EXPECT_EQ(window.ActiveControl(), &window.elServer);
  }
}

TEST_F(QuenbyStateTest, DestroyingTheWindowSavesItsState) {
  StartOnAlphaAndBeta();
  form.cbServices.UserSelect(1);
  form.SetPlacement({100, 120, 271, 281});
  form.FormDestroy();
  EXPECT_EQ(registry.ValueNames(RegRoot::CurrentUser, kKey).size(), 6u);
  EXPECT_EQ(registry.Get(RegRoot::CurrentUser, kKey, "ServiceIndex")->data,
            (std::vector<std::uint8_t>{1, 0, 0, 0}));
  EXPECT_EQ(registry.Get(RegRoot::CurrentUser, kKey, "Left")->data,
            (std::vector<std::uint8_t>{100, 0, 0, 0}));
}

TEST_F(QuenbyStateTest, WithoutRegisteredServicesTheStateIsStillLoadedAndSaved) {
  registry.PutSz(RegRoot::CurrentUser, kKey, "ServerName", "FarAway");
  form.FormCreate();
  EXPECT_TRUE(form.CloseRequested());
  EXPECT_EQ(form.elServer.Text(), "FarAway");
  form.FormDestroy();
  EXPECT_EQ(registry.Get(RegRoot::CurrentUser, kKey, "ServiceIndex")->data,
            (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST_F(QuenbyStateTest, MinimiseTakesTheStatusLineIntoTheTrayAndDoubleClickRestores) {
  StartOnAlphaAndBeta();
  int abouts = 0;
  form.Shell.ShowAbout = [&] { ++abouts; };
  RecordingApplication application(form.ElTrayIcon);
  form.Shell.Application = &application;
  form.WMSysCommand(quenby::kAboutCommand);
  EXPECT_EQ(abouts, 1);
  form.WMSysCommand(quenby::kScMinimize);
  EXPECT_TRUE(form.ElTrayIcon.Enabled());
  EXPECT_EQ(form.ElTrayIcon.Hint(), "Corvanti Quenby\r\nSRV1 - Alpha - Running");
  form.ElTrayIcon.UserDblClick();
  EXPECT_FALSE(form.ElTrayIcon.Enabled());
  EXPECT_EQ(application.calls, (std::vector<std::string>{"restore (icon shown)", "front"}));
}

}  // namespace
