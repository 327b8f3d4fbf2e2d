#include "config_editor/dlgMain_u.h"

#include <exception>
#include <initializer_list>
#include <memory>
#include <utility>

namespace palvex {

using common::MbButtons;
using common::MbIcon;
using common::MbResult;
namespace ui = common::ui;

namespace {

std::vector<std::string> RightsItems() {
  std::vector<std::string> items;
  for (const auto& entry : kRightsTable) items.emplace_back(entry.DisplayText);
  return items;
}

// A format of "%d" numbers, never of user text.
std::string RangeMessage(std::int32_t from, std::int32_t to) {
  return "Range [" + std::to_string(from) + ".." + std::to_string(to) +
         "] is not a valid port range!";
}

// Resets a flag on every way out of a scope.
class TFlagGuard {
 public:
  explicit TFlagGuard(bool& flag) : flag_(flag) { flag_ = true; }
  TFlagGuard(const TFlagGuard&) = delete;
  TFlagGuard& operator=(const TFlagGuard&) = delete;
  ~TFlagGuard() { flag_ = false; }

 private:
  bool& flag_;
};

}  // namespace

TfrmMain::TfrmMain(TfrmMainSeams seams)
    : ui::TForm("frmMain"),
      pcMain("pcMain", {"Basic Options", "Security", "Firewall", "Logging", "Multicasts"},
             {true, true, true, true, false}, kSecurityPage),
      cbDefaultAccess("cbDefaultAccess", RightsItems(), 0),
      cbLoggingLevel("cbLoggingLevel",
                     {"Emergency", "Alert", "Critical", "Error", "Warning", "Notice (default)",
                      "Info", "Debug"},
                     5),
      rgTimestamps("rgTimestamps", {"UTC Timestamps", "Local timestamps"}, 0),
      seams_(std::move(seams)) {
  SetCaption(kApplicationTitle);
  for (ui::TComponent* c : std::initializer_list<ui::TComponent*>{
           &pcMain,           &elTFTPRoot,     &seTFTPPort,   &seTimeout,     &seRetries,
           &cbAllowOverwrite, &cbHighPriority, &cbOpTimeout,  &cbOpBlocksize, &cbOpTSize,
           &cbDefaultAccess,  &tsgHosts,       &sbAdd,        &sbEdit,        &sbDelete,
           &cbFWEnabled,      &seFWMinPort,    &seFWMaxPort,  &cbWriteLog,    &elLogDir,
           &elLogCount,       &cbLoggingLevel, &rgTimestamps, &btnOk,         &btnCancel}) {
    Register(*c);
  }

  // User input only reaches the handlers; an error a handler raises goes to the
  // application's error box.
  auto& app = seams_.application;
  const auto change = app.Guarded([this] { elTFTPRootChange(); });
  for (ui::TEdit* e : {static_cast<ui::TEdit*>(&elTFTPRoot), static_cast<ui::TEdit*>(&elLogDir)}) {
    e->OnChange = change;
  }
  for (ui::TSpinEdit* s :
       {&seTFTPPort, &seTimeout, &seRetries, &seFWMinPort, &seFWMaxPort, &elLogCount}) {
    s->OnChange = change;
  }
  cbDefaultAccess.OnChange = change;
  cbLoggingLevel.OnChange = change;
  const auto click = app.Guarded([this] { cbAllowOverwriteClick(); });
  for (ui::TCheckBox* c :
       {&cbAllowOverwrite, &cbHighPriority, &cbOpTimeout, &cbOpBlocksize, &cbOpTSize}) {
    c->OnClick = click;
  }
  cbWriteLog.OnClick = app.Guarded([this] { cbWriteLogClick(); });
  cbFWEnabled.OnClick = app.Guarded([this] { cbFWEnabledClick(); });
  rgTimestamps.OnChange = app.Guarded([this] { rgTimestampsClick(); });

  tsgHosts.OnKeyDown = [this](int key) { seams_.application.Run([&] { tsgHostsKeyDown(key); }); };
  tsgHosts.OnDblClick = app.Guarded([this] { tsgHostsDblClick(); });
  tsgHosts.OnSelectionChange = app.Guarded([this] { tsgHostsAfterSelectionChange(); });
  tsgHosts.OnItemDeletion = app.Guarded([this] { tsgHostsItemDeletion(); });
  sbAdd.OnClick = app.Guarded([this] { sbAddClick(); });
  sbEdit.OnClick = app.Guarded([this] { sbEditClick(); });
  sbDelete.OnClick = app.Guarded([this] { sbDeleteClick(); });
  btnOk.OnClick = app.Guarded([this] { btnOkClick(); });
  btnCancel.OnClick = app.Guarded([this] { btnCancelClick(); });
}

void TfrmMain::FormCreate() {
  tsgHosts.ClearRows();  // LoadHosts of the empty text
  TTFTPSettings settings = ControlsToSettings();
  std::exception_ptr loadError;
  try {
    LoadSettings(seams_.registry, settings);
  } catch (...) {
    loadError = std::current_exception();
  }
  SettingsToControls(settings);  // what was read, also after a failed load
  cbWriteLogClick();
  cbFWEnabledClick();
  Modified = false;
  pcMain.SetActivePageIndex(kBasicPage);
  helpFile_ = seams_.exeDirectory + "rorivuzu.chm";
  if (loadError) std::rethrow_exception(loadError);
}

TTFTPSettings TfrmMain::ControlsToSettings() const {
  TTFTPSettings s;
  s.TFTPRoot = elTFTPRoot.Text();
  s.TFTPPort = seTFTPPort.Value();
  s.WriteLog = cbWriteLog.Checked();
  s.HighPriority = cbHighPriority.Checked();
  s.LogDirectory = elLogDir.Text();
  s.LogFileCount = elLogCount.Value();
  s.DefaultRights = cbDefaultAccess.ItemIndex();
  s.HostList.clear();
  for (int row = 0; row < tsgHosts.RowCount(); ++row) s.HostList.push_back(tsgHosts.Record(row));
  s.TFTPTimeout = seTimeout.Value();
  s.TFTPRetr = seRetries.Value();
  s.AllowOverwrite = cbAllowOverwrite.Checked();
  s.OpTimeout = cbOpTimeout.Checked();
  s.OpBlocksize = cbOpBlocksize.Checked();
  s.OpTSize = cbOpTSize.Checked();
  s.FWEnabled = cbFWEnabled.Checked();
  s.FWMinPort = seFWMinPort.Value();
  s.FWMaxPort = seFWMaxPort.Value();
  s.LogLevel = cbLoggingLevel.ItemIndex();
  s.LocalTime = rgTimestamps.ItemIndex() == 1;
  return s;
}

void TfrmMain::SettingsToControls(const TTFTPSettings& s) {
  elTFTPRoot.SetText(s.TFTPRoot);
  seTFTPPort.SetValue(s.TFTPPort);
  cbWriteLog.SetChecked(s.WriteLog);
  cbHighPriority.SetChecked(s.HighPriority);
  elLogDir.SetText(s.LogDirectory);
  elLogCount.SetValue(s.LogFileCount);
  cbDefaultAccess.SetItemIndex(s.DefaultRights);
  tsgHosts.ClearRows();
  for (const auto& rule : s.HostList) AddRuleRow(rule);
  seTimeout.SetValue(s.TFTPTimeout);
  seRetries.SetValue(s.TFTPRetr);
  cbAllowOverwrite.SetChecked(s.AllowOverwrite);
  cbOpTimeout.SetChecked(s.OpTimeout);
  cbOpBlocksize.SetChecked(s.OpBlocksize);
  cbOpTSize.SetChecked(s.OpTSize);
  cbFWEnabled.SetChecked(s.FWEnabled);
  seFWMinPort.SetValue(s.FWMinPort);
  seFWMaxPort.SetValue(s.FWMaxPort);
  cbLoggingLevel.SetItemIndex(s.LogLevel);
  rgTimestamps.SetItemIndex(s.LocalTime ? 1 : 0);
}

void TfrmMain::AddRuleRow(const TAccessRight& rule) {
  tsgHosts.AddRow({RuleHostText(rule), RuleRightsText(rule)}, std::make_unique<TAccessRight>(rule));
}

void TfrmMain::SetFieldReadOnly(ui::TControl& control, bool readOnly) {
  const ui::TColor color = readOnly ? ui::TColor::BtnFace : ui::TColor::Window;
  if (auto* folder = dynamic_cast<ui::TFolderEdit*>(&control)) {
    folder->SetReadOnly(readOnly);
    folder->SetColor(color);
  } else if (auto* spin = dynamic_cast<ui::TSpinEdit*>(&control)) {
    spin->SetReadOnly(readOnly);
    spin->SetColor(color);
  } else if (dynamic_cast<ui::TRadioGroup*>(&control) != nullptr) {
    // not a drop-down list: left as it is
  } else if (auto* list = dynamic_cast<ui::TComboBox*>(&control)) {
    list->SetEnabled(!readOnly);
    list->SetColor(color);
  }
}

void TfrmMain::elTFTPRootChange() {
  Modified = true;
}
void TfrmMain::cbAllowOverwriteClick() {
  Modified = true;
}
void TfrmMain::rgTimestampsClick() {
  Modified = true;
}

void TfrmMain::cbWriteLogClick() {
  const bool off = !cbWriteLog.Checked();
  SetFieldReadOnly(elLogDir, off);
  SetFieldReadOnly(elLogCount, off);
  SetFieldReadOnly(cbLoggingLevel, off);
  rgTimestamps.SetEnabled(!off);
  Modified = true;
}

void TfrmMain::cbFWEnabledClick() {
  const bool off = !cbFWEnabled.Checked();
  SetFieldReadOnly(seFWMinPort, off);
  SetFieldReadOnly(seFWMaxPort, off);
  Modified = true;
}

bool TfrmMain::ValidateSettings() {
  if (!cbFWEnabled.Checked()) return true;
  const std::int32_t from = seFWMinPort.Value();
  const std::int32_t to = seFWMaxPort.Value();
  if (from >= 1024 && to >= 1024 && from <= to) return true;
  seams_.dialogs.ShowMessageBox(RangeMessage(from, to), "Error", MbIcon::Error, MbButtons::Ok);
  pcMain.SetActivePageIndex(kFirewallPage);
  SetActiveControl(&seFWMinPort);
  return false;
}

void TfrmMain::btnOkClick() {
  if (inOk_) return;  // a second OK while the restart waits
  TFlagGuard busy(inOk_);
  if (!Modified) {
    Close();
    return;
  }
  if (!ValidateSettings()) return;
  const MbResult answer = seams_.dialogs.ShowMessageBox(
      "It is necessary to restart the service in order to apply new configuration. Restart the "
      "TFTP service now?",
      "Confirmation", MbIcon::Warning, MbButtons::YesNoCancel);
  if (answer == MbResult::Yes) {
    SaveSettings(seams_.registry, ControlsToSettings(), seams_.systemText);
    if (seams_.restartService && seams_.restartService()) {
      seams_.dialogs.ShowMessageBox("The service was restarted succesfully.", "Information",
                                    MbIcon::Information, MbButtons::Ok);
    }
    Close();
  } else if (answer == MbResult::No) {
    SaveSettings(seams_.registry, ControlsToSettings(), seams_.systemText);
    Close();
  }
}

void TfrmMain::btnCancelClick() {
  if (inOk_) return;  // the OK flow is still waiting for the service
  if (!Modified) {
    Close();
    return;
  }
  if (seams_.dialogs.ShowMessageBox("Are you shure you want to discard all changes and exit?",
                                    "Confirm", MbIcon::Question,
                                    MbButtons::YesNo) == MbResult::Yes) {
    Close();
  }
}

void TfrmMain::WMHelp() {
  if (seams_.showHelp) seams_.showHelp(helpFile_ + "::/configuration.htm");
}

std::vector<std::string> TfrmMain::DialogRowCells() const {
  const TdlgIPEdit& dlg = seams_.dlgIPEdit;
  std::string host = dlg.AddressText();
  if (!dlg.rbSingle.Checked()) host += " (" + dlg.MaskText() + ")";
  return {host, std::string(RightsIndexToText(dlg.cbAccess.ItemIndex()))};
}

TAccessRight TfrmMain::DialogRule() const {
  const TdlgIPEdit& dlg = seams_.dlgIPEdit;
  return TAccessRight{dlg.AddressText(), dlg.MaskText(), dlg.cbAccess.ItemIndex()};
}

void TfrmMain::sbAddClick() {
  if (seams_.dlgIPEdit.ShowModal() != ui::TModalResult::Ok) return;
  tsgHosts.AddRow(DialogRowCells(), std::make_unique<TAccessRight>(DialogRule()));
  Modified = true;
}

void TfrmMain::sbEditClick() {
  const int row = tsgHosts.Selected();
  if (row < 0) return;
  TdlgIPEdit& dlg = seams_.dlgIPEdit;
  const TAccessRight& rule = tsgHosts.Record(row);
  dlg.SetAddressText(rule.Address);
  dlg.SetMaskText(rule.Mask);
  dlg.cbAccess.SetItemIndex(rule.Rights);
  dlg.SetSingle(rule.Mask == kHostMask);
  if (dlg.ShowModal() != ui::TModalResult::Ok) return;
  tsgHosts.SetCells(row, DialogRowCells());
  tsgHosts.Record(row) = DialogRule();
  Modified = true;
}

void TfrmMain::tsgHostsDblClick() {
  if (tsgHosts.Selected() >= 0) sbEditClick();
}

void TfrmMain::tsgHostsKeyDown(int key) {
  if (key == kVkInsert) {
    sbAddClick();
  } else if (key == kVkDelete) {
    sbDeleteClick();
  }
}

void TfrmMain::sbDeleteClick() {
  if (seams_.dialogs.ShowMessageBox("Are you sure to delete rule?", "Confirm", MbIcon::Question,
                                    MbButtons::YesNo) != MbResult::Yes) {
    return;
  }
  const int row = tsgHosts.Selected();
  if (row >= 0) tsgHosts.DeleteRow(row);
  Modified = true;
}

void TfrmMain::UpdateRuleButtons() {
  if (!IsActiveWindow()) return;
  const bool selected = tsgHosts.Selected() >= 0;
  sbEdit.SetEnabled(selected);
  sbDelete.SetEnabled(selected);
}

}  // namespace palvex
