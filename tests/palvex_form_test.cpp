// The configuration window with headless widgets, an in-memory registry and
// scripted message-box answers.
#include "config_editor/dlgMain_u.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "common/application.h"
#include "doubles/map_system_text.h"
#include "doubles/memory_registry.h"
#include "doubles/scripted_dialogs.h"

namespace {

using common::MbButtons;
using common::MbIcon;
using common::MbResult;
using common::RegRoot;
using common::ui::TColor;
using doubles::ShownBox;
using palvex::TdlgIPEdit;
using palvex::TfrmMain;

constexpr RegRoot kRoot = RegRoot::LocalMachine;
constexpr const char* kKey = "SOFTWARE\\Corvanti\\RORIVuzuice";
constexpr const char* kTitle = "TFTP Service Configuration";
constexpr const char* kRestartQuestion =
    "It is necessary to restart the service in order to apply new configuration. Restart the "
    "TFTP service now?";

const ShownBox kRestartBox{kRestartQuestion, "Confirmation", MbIcon::Warning,
                           MbButtons::YesNoCancel};
const ShownBox kRestartedBox{"The service was restarted succesfully.", "Information",
                             MbIcon::Information, MbButtons::Ok};
const ShownBox kDiscardBox{"Are you shure you want to discard all changes and exit?", "Confirm",
                           MbIcon::Question, MbButtons::YesNo};
const ShownBox kDeleteBox{"Are you sure to delete rule?", "Confirm", MbIcon::Question,
                          MbButtons::YesNo};

ShownBox ErrorBox(const std::string& text) {
  return {text, kTitle, MbIcon::Error, MbButtons::Ok};
}

// One use of the rule dialog: what the user does while it is up.
class ScriptedHost : public common::ui::IModalHost {
 public:
  void RunModal(common::ui::TForm& form) override {
    ++shows;
    auto& dlg = static_cast<TdlgIPEdit&>(form);
    if (uses.empty()) {
      dlg.btnCancel.UserClick();
      return;
    }
    auto use = uses.front();
    uses.erase(uses.begin());
    use(dlg);
  }
  std::vector<std::function<void(TdlgIPEdit&)>> uses;
  int shows = 0;
};

class ConfigWindow : public ::testing::Test {
 protected:
  ConfigWindow() { app.SetTitle(kTitle); }

  // Creates the window as start-up does: a creation error goes to the error box.
  TfrmMain& Create() {
    dlg.SetModalHost(&host);
    form = std::make_unique<TfrmMain>(
        palvex::TfrmMainSeams{registry, texts, dialogs, app, dlg,
                              [this] {
                                ++restarts;
                                return restartResult;
                              },
                              "C:\\Program Files\\Palvex\\",
                              [this](const std::string& topic) { helpTopics.push_back(topic); }});
    app.Run([this] { form->FormCreate(); });
    form->SetActiveWindow(true);
    return *form;
  }

  std::optional<std::string> StoredText(const char* name) const {
    auto v = registry.Get(kRoot, kKey, name);
    if (!v) return std::nullopt;
    return std::string(v->data.begin(), std::find(v->data.begin(), v->data.end(), 0));
  }
  std::optional<std::int32_t> StoredNumber(const char* name) const {
    auto v = registry.Get(kRoot, kKey, name);
    if (!v || v->data.size() != 4) return std::nullopt;
    return static_cast<std::int32_t>(v->data[0] | v->data[1] << 8 | v->data[2] << 16 |
                                     static_cast<std::uint32_t>(v->data[3]) << 24);
  }
  bool Saved() const { return registry.KeyExists(kRoot, kKey); }
  // A complete key holding the defaults and the given rule list.
  void StoreKey(const char* hostList) {
    palvex::SaveSettings(registry, palvex::TTFTPSettings{}, texts);
    registry.PutSz(kRoot, kKey, "HostList", hostList);
  }

  doubles::MemoryRegistry registry;
  doubles::MapSystemText texts{{{5, "Access is denied.\r\n"}}};
  doubles::ScriptedDialogs dialogs;
  common::TApplication app{dialogs};
  TdlgIPEdit dlg;
  ScriptedHost host;
  bool restartResult = true;
  int restarts = 0;
  std::vector<std::string> helpTopics;
  std::unique_ptr<TfrmMain> form;
};

TEST_F(ConfigWindow, WithoutAKeyOpensOnBasicOptionsWithTheDefaultsAndOkClosesAtOnce) {
  TfrmMain& f = Create();
  EXPECT_TRUE(dialogs.boxes.empty());
  EXPECT_EQ(f.Caption(), kTitle);
  EXPECT_EQ(f.pcMain.ActivePageIndex(), TfrmMain::kBasicPage);
  EXPECT_FALSE(f.pcMain.TabVisible(TfrmMain::kMulticastsPage));
  EXPECT_EQ(f.seTFTPPort.Value(), 1);
  EXPECT_EQ(f.seFWMinPort.Value(), 1024);
  EXPECT_EQ(f.seFWMaxPort.Value(), 65535);
  EXPECT_EQ(f.cbLoggingLevel.Items().at(f.cbLoggingLevel.ItemIndex()), "Notice (default)");
  EXPECT_EQ(f.tsgHosts.RowCount(), 0);
  EXPECT_EQ(f.HelpFile(), "C:\\Program Files\\Palvex\\rorivuzu.chm");
  EXPECT_FALSE(f.Modified);
  f.btnOk.UserClick();
  EXPECT_TRUE(f.CloseRequested());
  EXPECT_TRUE(dialogs.boxes.empty());
  EXPECT_FALSE(Saved());
}

TEST_F(ConfigWindow, StoredValuesShowInTheControls) {
  registry.PutSz(kRoot, kKey, "TFTPRoot", "C:\\tftp");
  registry.PutDword(kRoot, kKey, "TFTPPort", 69);
  registry.PutDword(kRoot, kKey, "WriteLog", 1);
  registry.PutDword(kRoot, kKey, "HighPriority", 0);
  registry.PutSz(kRoot, kKey, "LogDirectory", "C:\\logs");
  registry.PutDword(kRoot, kKey, "LogFileCount", 7);
  registry.PutSz(kRoot, kKey, "DefaultRights", "rw");
  registry.PutSz(kRoot, kKey, "HostList",
                 "[198.51.100.0, 255.255.255.0, RW], [192.0.2.7, 255.255.255.255, W]");
  for (const char* name : {"TFTPTimeout", "TFTPRetr"}) registry.PutDword(kRoot, kKey, name, 5);
  for (const char* name : {"AllowOverwrite", "OpTimeout", "OpBlocksize", "OpTSize", "FWEnabled"}) {
    registry.PutDword(kRoot, kKey, name, 0);
  }
  registry.PutDword(kRoot, kKey, "FWMinPort", 2000);
  registry.PutDword(kRoot, kKey, "FWMaxPort", 3000);
  registry.PutDword(kRoot, kKey, "LogLevel", -1);
  registry.PutDword(kRoot, kKey, "LocalTime", 1);
  TfrmMain& f = Create();
  EXPECT_TRUE(dialogs.boxes.empty());
  EXPECT_EQ(f.elTFTPRoot.Text(), "C:\\tftp");
  EXPECT_EQ(f.seTFTPPort.Value(), 69);
  EXPECT_EQ(f.cbDefaultAccess.ItemIndex(), 3);
  ASSERT_EQ(f.tsgHosts.RowCount(), 2);
  EXPECT_EQ(f.tsgHosts.Cells(0),
            (std::vector<std::string>{"198.51.100.0 (255.255.255.0)", "Read/Write"}));
  EXPECT_EQ(f.tsgHosts.Cells(1), (std::vector<std::string>{"192.0.2.7", "Write Only"}));
  EXPECT_EQ(f.cbLoggingLevel.ItemIndex(), -1);
  EXPECT_EQ(f.rgTimestamps.ItemIndex(), 1);
  EXPECT_FALSE(f.cbFWEnabled.Checked());
  EXPECT_TRUE(f.seFWMinPort.ReadOnly());  // the firewall rule ran on what was read
  EXPECT_FALSE(f.elLogDir.ReadOnly());
  EXPECT_FALSE(f.Modified);
}

TEST_F(ConfigWindow, LoadErrorIsShownAndTheWindowOpensWithWhatWasRead) {
  registry.PutSz(kRoot, kKey, "TFTPRoot", "C:\\tftp");
  TfrmMain& f = Create();
  ASSERT_FALSE(dialogs.boxes.empty());
  // The message ends in a quote, which sorts before '.': no period is added.
  EXPECT_EQ(dialogs.boxes.front(), ErrorBox("Failed to get data for 'TFTPPort'"));
  EXPECT_EQ(f.elTFTPRoot.Text(), "C:\\tftp");
  EXPECT_EQ(f.seTFTPPort.Value(), 1);
  EXPECT_EQ(f.pcMain.ActivePageIndex(), TfrmMain::kBasicPage);
  EXPECT_FALSE(f.Modified);
}

TEST(ErrorBoxText, AddsAPeriodOnlyAfterACharacterSortingAfterIt) {
  const std::pair<const char*, const char*> cases[] = {
      {"Invalid IP address string", "Invalid IP address string."},
      {"done.", "done."},
      {"Range!", "Range!"},
      {"(x)", "(x)"},
      {"a/", "a/."},
      {"caf\xE9", "caf\xE9."},  // bytes sort unsigned
      {"", ""},
  };
  for (const auto& [message, shown] : cases) EXPECT_EQ(common::ErrorBoxText(message), shown);
}

TEST_F(ConfigWindow, EveryListedUserChangeSetsModified) {
  struct Change {
    const char* name;
    std::function<void(TfrmMain&)> act;
  };
  const Change changes[] = {
      {"elTFTPRoot", [](TfrmMain& f) { f.elTFTPRoot.UserSetText("C:\\x"); }},
      {"seTFTPPort", [](TfrmMain& f) { f.seTFTPPort.UserSetValue(69); }},
      {"seTimeout", [](TfrmMain& f) { f.seTimeout.UserSetValue(9); }},
      {"seRetries", [](TfrmMain& f) { f.seRetries.UserSetValue(9); }},
      {"cbDefaultAccess", [](TfrmMain& f) { f.cbDefaultAccess.UserSelect(2); }},
      {"seFWMinPort", [](TfrmMain& f) { f.seFWMinPort.UserSetValue(2000); }},
      {"seFWMaxPort", [](TfrmMain& f) { f.seFWMaxPort.UserSetValue(2000); }},
      {"elLogDir", [](TfrmMain& f) { f.elLogDir.UserSetText("C:\\l"); }},
      {"elLogCount", [](TfrmMain& f) { f.elLogCount.UserSetValue(9); }},
      {"cbLoggingLevel", [](TfrmMain& f) { f.cbLoggingLevel.UserSelect(7); }},
      {"cbAllowOverwrite", [](TfrmMain& f) { f.cbAllowOverwrite.UserClick(); }},
      {"cbHighPriority", [](TfrmMain& f) { f.cbHighPriority.UserClick(); }},
      {"cbOpTimeout", [](TfrmMain& f) { f.cbOpTimeout.UserClick(); }},
      {"cbOpBlocksize", [](TfrmMain& f) { f.cbOpBlocksize.UserClick(); }},
      {"cbOpTSize", [](TfrmMain& f) { f.cbOpTSize.UserClick(); }},
      {"cbWriteLog", [](TfrmMain& f) { f.cbWriteLog.UserClick(); }},
      {"cbFWEnabled", [](TfrmMain& f) { f.cbFWEnabled.UserClick(); }},
      {"rgTimestamps", [](TfrmMain& f) { f.rgTimestamps.UserSelect(1); }},
      {"tick and untick",
       [](TfrmMain& f) {
         f.cbHighPriority.UserClick();
         f.cbHighPriority.UserClick();
       }},
  };
  for (const auto& c : changes) {
    Create();
    ASSERT_FALSE(form->Modified) << c.name;
    c.act(*form);
    EXPECT_TRUE(form->Modified) << c.name;
  }
}

TEST_F(ConfigWindow, LoggingRuleGreysTheLogFieldsAndFirewallRuleThePorts) {
  TfrmMain& f = Create();  // logging off, firewall on
  auto logFieldsOff = [&](bool off) {
    const TColor color = off ? TColor::BtnFace : TColor::Window;
    EXPECT_EQ(f.elLogDir.ReadOnly(), off);
    EXPECT_EQ(f.elLogDir.Color(), color);
    EXPECT_EQ(f.elLogCount.ReadOnly(), off);
    EXPECT_EQ(f.elLogCount.Color(), color);
    EXPECT_EQ(f.cbLoggingLevel.Enabled(), !off);
    EXPECT_EQ(f.cbLoggingLevel.Color(), color);
    EXPECT_EQ(f.rgTimestamps.Enabled(), !off);
  };
  auto portsOff = [&](bool off) {
    for (auto* s : {&f.seFWMinPort, &f.seFWMaxPort}) {
      EXPECT_EQ(s->ReadOnly(), off);
      EXPECT_EQ(s->Color(), off ? TColor::BtnFace : TColor::Window);
    }
  };
  logFieldsOff(true);
  portsOff(false);
  f.cbWriteLog.UserClick();
  logFieldsOff(false);
  f.cbWriteLog.UserClick();
  logFieldsOff(true);
  f.cbFWEnabled.UserClick();
  portsOff(true);
  EXPECT_EQ(f.seFWMinPort.Value(), 1024);  // a read-only field keeps its value
  f.cbFWEnabled.UserClick();
  portsOff(false);
  // Other kinds of control are left as they are.
  f.cbWriteLog.UserClick();
  f.SetFieldReadOnly(f.rgTimestamps, true);
  f.SetFieldReadOnly(f.cbAllowOverwrite, true);
  EXPECT_TRUE(f.rgTimestamps.Enabled());
  EXPECT_EQ(f.rgTimestamps.Color(), TColor::Window);
  EXPECT_TRUE(f.cbAllowOverwrite.Enabled());
}

TEST_F(ConfigWindow, PortRangeIsCheckedOnlyWithTheFirewallEnabled) {
  struct Case {
    bool enabled;
    int from, to;
    const char* message;  // nullptr when the range passes
  };
  const Case cases[] = {
      {true, 1023, 65535, "Range [1023..65535] is not a valid port range!"},
      {true, 2000, 1500, "Range [2000..1500] is not a valid port range!"},
      {true, 1024, 1023, "Range [1024..1023] is not a valid port range!"},
      {true, 1024, 1024, nullptr},
      {true, 1024, 65535, nullptr},
      {false, 0, 0, nullptr},
  };
  for (const auto& c : cases) {
    dialogs.boxes.clear();
    TfrmMain& f = Create();
    f.seFWMinPort.SetValue(c.from);
    f.seFWMaxPort.SetValue(c.to);
    f.cbFWEnabled.SetChecked(c.enabled);
    const bool ok = f.ValidateSettings();
    EXPECT_EQ(ok, c.message == nullptr) << c.from << ".." << c.to;
    if (c.message == nullptr) {
      EXPECT_TRUE(dialogs.boxes.empty());
      continue;
    }
    EXPECT_EQ(dialogs.boxes,
              (std::vector<ShownBox>{{c.message, "Error", MbIcon::Error, MbButtons::Ok}}));
    EXPECT_EQ(f.pcMain.ActivePageIndex(), TfrmMain::kFirewallPage);
    EXPECT_EQ(f.ActiveControl(), &f.seFWMinPort);
  }
}

TEST_F(ConfigWindow, InvalidRangeStopsTheOkFlowBeforeTheQuestion) {
  TfrmMain& f = Create();
  f.seFWMinPort.UserSetValue(1023);
  f.btnOk.UserClick();
  EXPECT_EQ(dialogs.Texts(),
            (std::vector<std::string>{"Range [1023..65535] is not a valid port range!"}));
  EXPECT_FALSE(f.CloseRequested());
  EXPECT_FALSE(Saved());
}

TEST_F(ConfigWindow, OkAnswersDecideSaveRestartAndClose) {
  struct Case {
    const char* name;
    MbResult answer;
    bool restartWorks;
    bool saved;
    int restarts;
    bool closed;
    std::vector<ShownBox> boxes;
  };
  const Case cases[] = {
      {"Yes", MbResult::Yes, true, true, 1, true, {kRestartBox, kRestartedBox}},
      {"Yes, restart fails", MbResult::Yes, false, true, 1, true, {kRestartBox}},
      {"No", MbResult::No, true, true, 0, true, {kRestartBox}},
      {"Cancel", MbResult::Cancel, true, false, 0, false, {kRestartBox}},
  };
  for (const auto& c : cases) {
    registry.FailOpenRead(kRoot, kKey, doubles::kErrorFileNotFound);  // loads defaults
    Create();
    registry.ClearFaults();
    restarts = 0;
    restartResult = c.restartWorks;
    dialogs.boxes.clear();
    dialogs.answers = {c.answer};
    form->seTFTPPort.UserSetValue(69);
    form->btnOk.UserClick();
    EXPECT_EQ(dialogs.boxes, c.boxes) << c.name;
    EXPECT_EQ(StoredNumber("TFTPPort") == 69, c.saved) << c.name;
    EXPECT_EQ(restarts, c.restarts) << c.name;
    EXPECT_EQ(form->CloseRequested(), c.closed) << c.name;
    EXPECT_TRUE(form->Modified) << c.name;
    registry.Put(kRoot, kKey, "TFTPPort", common::kRegDword, common::RegDwordBytes(1));
  }
}

TEST_F(ConfigWindow, CancelInTheQuestionAsksAgainOnTheNextOk) {
  TfrmMain& f = Create();
  f.cbOpTSize.UserClick();
  dialogs.answers = {MbResult::Cancel, MbResult::No};
  f.btnOk.UserClick();
  f.btnOk.UserClick();
  EXPECT_EQ(dialogs.boxes, (std::vector<ShownBox>{kRestartBox, kRestartBox}));
  EXPECT_EQ(StoredNumber("OpTSize"), 0);
  EXPECT_EQ(registry.ValueNames(kRoot, kKey).size(), 19u);
  EXPECT_TRUE(f.CloseRequested());
}

TEST_F(ConfigWindow, FailedSaveIsShownAndKeepsTheWindowOpenWithoutRestart) {
  struct Case {
    const char* name;
    std::function<void()> fault;
    std::string shown;
  };
  const Case cases[] = {
      {"value write", [this] { registry.FailSet(kRoot, kKey, "WriteLog"); },
       "Failed to set data for 'WriteLog'"},
      {"key open", [this] { registry.FailOpenWrite(kRoot, kKey, doubles::kErrorAccessDenied); },
       ""},
  };
  for (const auto& c : cases) {
    for (MbResult answer : {MbResult::Yes, MbResult::No}) {
      registry.ClearFaults();
      Create();
      c.fault();
      restarts = 0;
      dialogs.boxes.clear();
      dialogs.answers = {answer};
      form->cbHighPriority.UserClick();
      form->btnOk.UserClick();
      ASSERT_EQ(dialogs.boxes.size(), 2u) << c.name;
      EXPECT_EQ(dialogs.boxes[1].caption, kTitle) << c.name;
      EXPECT_EQ(dialogs.boxes[1].icon, MbIcon::Error) << c.name;
      if (!c.shown.empty()) {
        EXPECT_EQ(dialogs.boxes[1].text, c.shown) << c.name;
      }
      EXPECT_EQ(restarts, 0) << c.name;
      EXPECT_FALSE(form->CloseRequested()) << c.name;
      EXPECT_TRUE(form->Modified) << c.name;
    }
  }
  // The failed key open names the system's reason.
  EXPECT_NE(dialogs.boxes[1].text.find("Access is denied"), std::string::npos)
      << dialogs.boxes[1].text;
}

TEST_F(ConfigWindow, CancelAsksOnlyAfterAChangeAndCloseBoxNeverAsks) {
  struct Case {
    const char* name;
    bool change;
    std::function<void(TfrmMain&)> close;
    std::vector<MbResult> answers;
    std::vector<ShownBox> boxes;
    bool closed;
  };
  const auto cancel = [](TfrmMain& f) { f.btnCancel.UserClick(); };
  const Case cases[] = {
      {"Cancel unchanged", false, cancel, {}, {}, true},
      {"Cancel, Yes", true, cancel, {MbResult::Yes}, {kDiscardBox}, true},
      {"Cancel, No", true, cancel, {MbResult::No}, {kDiscardBox}, false},
      {"close box", true, [](TfrmMain& f) { f.UserClose(); }, {}, {}, true},
  };
  for (const auto& c : cases) {
    Create();
    dialogs.boxes.clear();
    dialogs.answers.assign(c.answers.begin(), c.answers.end());
    if (c.change) form->elTFTPRoot.UserSetText("C:\\changed");
    c.close(*form);
    EXPECT_EQ(dialogs.boxes, c.boxes) << c.name;
    EXPECT_EQ(form->CloseRequested(), c.closed) << c.name;
    EXPECT_EQ(form->elTFTPRoot.Text(), c.change ? "C:\\changed" : "") << c.name;
    EXPECT_FALSE(Saved()) << c.name;
  }
}

TEST_F(ConfigWindow, HelpOpensTheTopicOfTheHelpFileBesideTheProgramWhenAvailable) {
  TfrmMain& f = Create();
  f.WMHelp();
  EXPECT_EQ(
      helpTopics,
      (std::vector<std::string>{"C:\\Program Files\\Palvex\\rorivuzu.chm::/configuration.htm"}));
  TfrmMain noHelp(palvex::TfrmMainSeams{registry, texts, dialogs, app, dlg, {}, "C:\\", {}});
  noHelp.FormCreate();
  noHelp.WMHelp();  // does nothing
  EXPECT_TRUE(dialogs.boxes.empty());
}

// ---------------------------------------------------------------------------
// The rule list through the rule dialog.

void SingleReadOnly192(TdlgIPEdit& d) {
  d.cbAccess.UserSelect(1);
  d.rbSingle.UserClick();
  d.edAddress.UserSetValue(0xC0000207u);
  d.btnOk.UserClick();
}

TEST_F(ConfigWindow, AddAppendsTheDialogsRuleAndTheNextAddStartsFromIt) {
  TfrmMain& f = Create();
  host.uses = {[](TdlgIPEdit& d) { d.btnOk.UserClick(); }, SingleReadOnly192,
               [](TdlgIPEdit& d) {
                 EXPECT_TRUE(d.rbSingle.Checked());
                 EXPECT_FALSE(d.edMask.Visible());
                 EXPECT_EQ(d.AddressText(), "192.0.2.7");
                 EXPECT_EQ(d.cbAccess.ItemIndex(), 1);
                 d.btnOk.UserClick();  // the same rule again: rules are not compared
               }};
  f.sbAdd.UserClick();
  f.sbAdd.UserClick();
  f.tsgHosts.UserKeyDown(palvex::kVkInsert);
  ASSERT_EQ(f.tsgHosts.RowCount(), 3);
  EXPECT_EQ(f.tsgHosts.Cells(0), (std::vector<std::string>{"0.0.0.0 (0.0.0.0)", "No Access"}));
  EXPECT_EQ(f.tsgHosts.Cells(1), (std::vector<std::string>{"192.0.2.7", "Read Only"}));
  EXPECT_EQ(f.tsgHosts.Record(1), (palvex::TAccessRight{"192.0.2.7", "255.255.255.255", 1}));
  EXPECT_TRUE(f.Modified);
  dialogs.answers = {MbResult::No};
  f.btnOk.UserClick();
  EXPECT_EQ(StoredText("HostList"),
            "[0.0.0.0, 0.0.0.0, NA], [192.0.2.7, 255.255.255.255, R], "
            "[192.0.2.7, 255.255.255.255, R]");
}

TEST_F(ConfigWindow, NetworkRuleWithTheFullMaskShowsTheMaskUntilReloaded) {
  TfrmMain& f = Create();
  host.uses = {[](TdlgIPEdit& d) {
    d.edAddress.UserSetValue(0xC0000207u);
    d.edMask.UserSetValue(0xFFFFFFFFu);
    d.btnOk.UserClick();
  }};
  f.sbAdd.UserClick();
  EXPECT_EQ(f.tsgHosts.Cells(0).at(0), "192.0.2.7 (255.255.255.255)");
}

TEST_F(ConfigWindow, CancelledAddOrEditChangesNothing) {
  StoreKey("[198.51.100.0, 255.255.255.0, RW]");
  TfrmMain& f = Create();
  dialogs.boxes.clear();
  f.sbAdd.UserClick();  // the host cancels
  f.tsgHosts.UserSelect(0);
  f.sbEdit.UserClick();
  EXPECT_EQ(host.shows, 2);
  EXPECT_EQ(f.tsgHosts.RowCount(), 1);
  EXPECT_EQ(f.tsgHosts.Record(0), (palvex::TAccessRight{"198.51.100.0", "255.255.255.0", 3}));
  EXPECT_FALSE(f.Modified);
}

TEST_F(ConfigWindow, EditFillsTheDialogFromTheRuleAndReplacesItInPlace) {
  StoreKey("[192.0.2.7, 255.255.255.255, W], [198.51.100.0, 255.255.255.0, RW]");
  TfrmMain& f = Create();
  host.uses = {[](TdlgIPEdit& d) {
                 EXPECT_TRUE(d.rbSingle.Checked());
                 EXPECT_EQ(d.AddressText(), "192.0.2.7");
                 EXPECT_EQ(d.cbAccess.ItemIndex(), 2);
                 d.btnOk.UserClick();  // unchanged, still counts
               },
               [](TdlgIPEdit& d) {
                 EXPECT_TRUE(d.rbNetwork.Checked());
                 EXPECT_FALSE(d.rbSingle.Checked());
                 EXPECT_TRUE(d.edMask.Visible());
                 EXPECT_EQ(d.MaskText(), "255.255.255.0");
                 d.cbAccess.UserSelect(1);
                 d.edAddress.UserSetValue(0xC6336500u);  // 198.51.101.0
                 d.btnOk.UserClick();
               }};
  f.tsgHosts.UserSelect(0);
  f.sbEdit.UserClick();
  EXPECT_TRUE(f.Modified);
  f.tsgHosts.UserSelect(1);
  f.tsgHosts.UserDblClick();
  EXPECT_EQ(f.tsgHosts.Cells(1),
            (std::vector<std::string>{"198.51.101.0 (255.255.255.0)", "Read Only"}));
  EXPECT_EQ(f.tsgHosts.Record(1), (palvex::TAccessRight{"198.51.101.0", "255.255.255.0", 1}));
  EXPECT_EQ(f.tsgHosts.Cells(0), (std::vector<std::string>{"192.0.2.7", "Write Only"}));
}

TEST_F(ConfigWindow, EditOfARuleTheSocketsRejectIsAnErrorAndShowsNoDialog) {
  StoreKey("[host.example, 255.255.255.0, R], [192.0.2.9, bad, R]");
  TfrmMain& f = Create();
  dialogs.boxes.clear();
  for (int row : {0, 1}) {
    f.tsgHosts.UserSelect(row);
    f.sbEdit.UserClick();
  }
  EXPECT_EQ(host.shows, 0);
  EXPECT_EQ(dialogs.boxes, (std::vector<ShownBox>{ErrorBox("Invalid IP address string."),
                                                  ErrorBox("Invalid IP address string.")}));
  EXPECT_EQ(f.tsgHosts.Record(1).Mask, "bad");
  EXPECT_EQ(dlg.AddressText(), "192.0.2.9");  // the address was taken before the mask failed
  EXPECT_FALSE(f.Modified);
}

TEST_F(ConfigWindow, DeleteAsksAndRemovesTheSelectedRowOrJustSetsModified) {
  StoreKey("[192.0.2.7, 255.255.255.255, W], [192.0.2.8, 255.255.255.255, R]");
  TfrmMain& f = Create();
  dialogs.answers = {MbResult::No};
  f.tsgHosts.UserSelect(0);
  f.sbDelete.UserClick();
  EXPECT_EQ(f.tsgHosts.RowCount(), 2);
  EXPECT_FALSE(f.Modified);
  dialogs.answers = {MbResult::Yes};
  f.tsgHosts.UserKeyDown(palvex::kVkDelete);
  ASSERT_EQ(f.tsgHosts.RowCount(), 1);
  EXPECT_EQ(f.tsgHosts.Cells(0).at(0), "192.0.2.8");
  EXPECT_TRUE(f.Modified);
  EXPECT_EQ(dialogs.boxes, (std::vector<ShownBox>{kDeleteBox, kDeleteBox}));

  Create();  // no selection: still asks and still counts as a change
  dialogs.answers = {MbResult::Yes};
  form->sbDelete.UserClick();
  EXPECT_EQ(form->tsgHosts.RowCount(), 2);
  EXPECT_TRUE(form->Modified);
}

TEST_F(ConfigWindow, DeletingTheLastRuleSavesAnEmptyHostList) {
  StoreKey("[192.0.2.7, 255.255.255.255, W]");
  TfrmMain& f = Create();
  f.tsgHosts.UserSelect(0);
  dialogs.answers = {MbResult::Yes, MbResult::No};
  f.sbDelete.UserClick();
  f.btnOk.UserClick();
  EXPECT_EQ(StoredText("HostList"), "");
  EXPECT_EQ(registry.Get(kRoot, kKey, "HostList")->data.size(), 1u);
}

TEST_F(ConfigWindow, RuleButtonsFollowTheSelectionOnlyWhileTheWindowIsActive) {
  StoreKey("[192.0.2.7, 255.255.255.255, W]");
  TfrmMain& f = Create();
  EXPECT_TRUE(f.sbEdit.Enabled());  // enabled at start-up whatever the selection
  EXPECT_TRUE(f.sbDelete.Enabled());
  f.SetActiveWindow(false);
  f.tsgHosts.UserSelect(0);
  f.tsgHosts.UserSelect(-1);
  EXPECT_TRUE(f.sbEdit.Enabled());
  f.SetActiveWindow(true);
  f.tsgHosts.UserSelect(0);
  f.tsgHosts.UserSelect(-1);
  EXPECT_FALSE(f.sbEdit.Enabled());
  EXPECT_FALSE(f.sbDelete.Enabled());
  f.tsgHosts.UserSelect(0);
  EXPECT_TRUE(f.sbEdit.Enabled());
  EXPECT_TRUE(f.sbDelete.Enabled());
  dialogs.answers = {MbResult::Yes};
  f.sbDelete.UserClick();  // the removal leaves no row selected
  EXPECT_FALSE(f.sbEdit.Enabled());
  EXPECT_FALSE(f.sbDelete.Enabled());
}

}  // namespace
