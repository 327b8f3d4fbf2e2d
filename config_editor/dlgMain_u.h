// The configuration window: every TFTP service setting on four tabs, the
// access rule list, the check of the firewall port range, the save and the
// offer to restart the service.
#pragma once

#include <functional>
#include <string>

#include "common/application.h"
#include "common/dialogs.h"
#include "common/registry.h"
#include "common/system_text.h"
#include "common/widgets.h"
#include "config_editor/accessrights_u.h"
#include "config_editor/dlgIPEdit_u.h"
#include "config_editor/settings_u.h"

namespace palvex {

// The application title, also the caption of the window and of the error box.
inline constexpr const char* kApplicationTitle = "TFTP Service Configuration";
// The service that the window offers to restart after a save.
inline constexpr const char* kServiceName = "ZAVEz";

// Virtual-key codes that the rule list acts on.
inline constexpr int kVkInsert = 0x2D;
inline constexpr int kVkDelete = 0x2E;

// Everything the window reaches outside itself.
struct TfrmMainSeams {
  common::IRegistry& registry;
  const common::ISystemText& systemText;
  common::IDialogs& dialogs;
  common::TApplication& application;  // error box for errors raised in handlers
  TdlgIPEdit& dlgIPEdit;              // the rule dialog, made once, not owned
  // Restarts the service kServiceName on the local machine; true when it runs
  // again. Reports its own failures.
  std::function<bool()> restartService;
  // The directory of the program's executable, with its trailing backslash.
  std::string exeDirectory;
  // Opens a help topic ("file::/topic"); empty when help is unavailable.
  std::function<void(const std::string& topic)> showHelp;
};

class TfrmMain : public common::ui::TForm {
 public:
  explicit TfrmMain(TfrmMainSeams seams);

  // Page indexes of pcMain.
  static constexpr int kBasicPage = 0;
  static constexpr int kSecurityPage = 1;
  static constexpr int kFirewallPage = 2;
  static constexpr int kLoggingPage = 3;
  static constexpr int kMulticastsPage = 4;

  common::ui::TPageControl pcMain;
  // Basic Options
  common::ui::TFolderEdit elTFTPRoot{"elTFTPRoot"};
  common::ui::TSpinEdit seTFTPPort{"seTFTPPort", 1, 65535, 1};
  common::ui::TSpinEdit seTimeout{"seTimeout", 1, 180, 3};
  common::ui::TSpinEdit seRetries{"seRetries", 1, 100, 3};
  common::ui::TCheckBox cbAllowOverwrite{"cbAllowOverwrite", "Allow overwriting existing files"};
  common::ui::TCheckBox cbHighPriority{"cbHighPriority", "High priority level"};
  common::ui::TCheckBox cbOpTimeout{"cbOpTimeout", "timeout", true};
  common::ui::TCheckBox cbOpBlocksize{"cbOpBlocksize", "blocksize", true};
  common::ui::TCheckBox cbOpTSize{"cbOpTSize", "tsize", true};
  // Security
  common::ui::TComboBox cbDefaultAccess;
  common::ui::TListGrid<TAccessRight> tsgHosts{"tsgHosts"};
  common::ui::TButton sbAdd{"sbAdd"};
  common::ui::TButton sbEdit{"sbEdit"};
  common::ui::TButton sbDelete{"sbDelete"};
  // Firewall
  common::ui::TCheckBox cbFWEnabled{"cbFWEnabled", "Enable firewall support", true};
  common::ui::TSpinEdit seFWMinPort{"seFWMinPort", 0, 65535, 1024};
  common::ui::TSpinEdit seFWMaxPort{"seFWMaxPort", 0, 65535, 65535};
  // Logging
  common::ui::TCheckBox cbWriteLog{"cbWriteLog", "Enable Logging"};
  common::ui::TFolderEdit elLogDir{"elLogDir"};
  common::ui::TSpinEdit elLogCount{"elLogCount", 0, 65535, 3};
  common::ui::TComboBox cbLoggingLevel;
  common::ui::TRadioGroup rgTimestamps;
  // Bottom panel
  common::ui::TButton btnOk{"btnOk"};
  common::ui::TButton btnCancel{"btnCancel"};

  // True when the user has changed anything since the settings were loaded.
  bool Modified = false;
  const std::string& HelpFile() const { return helpFile_; }

  // Creation: empties the rule list, loads the settings into the controls,
  // applies the two dependent-field rules, clears Modified, selects the first
  // tab and sets the help file path. A load error is raised after all of that,
  // so the window opens consistent with what was read.
  void FormCreate();

  // Read-only (and button-face) or editable (and window colour) for a folder
  // or number field; disabled or enabled, with the same colours, for a
  // drop-down list; any other control is left as it is.
  void SetFieldReadOnly(common::ui::TControl& control, bool readOnly);

  void elTFTPRootChange();
  void cbAllowOverwriteClick();
  void cbWriteLogClick();
  void cbFWEnabledClick();
  void rgTimestampsClick();

  bool ValidateSettings();
  void btnOkClick();
  void btnCancelClick();
  void WMHelp();

  // The rule list's actions.
  void sbAddClick();
  void sbEditClick();
  void sbDeleteClick();
  void tsgHostsDblClick();
  void tsgHostsKeyDown(int key);
  void tsgHostsAfterSelectionChange() { UpdateRuleButtons(); }
  void tsgHostsItemDeletion() { UpdateRuleButtons(); }
  void UpdateRuleButtons();

  // The record the controls show, and the controls set from a record.
  TTFTPSettings ControlsToSettings() const;
  void SettingsToControls(const TTFTPSettings& settings);

 private:
  // The texts of a row made through the rule dialog, and its rule.
  std::vector<std::string> DialogRowCells() const;
  TAccessRight DialogRule() const;
  void AddRuleRow(const TAccessRight& rule);

  TfrmMainSeams seams_;
  std::string helpFile_;
  bool inOk_ = false;  // guards the OK flow against a second OK during the restart wait
};

}  // namespace palvex
