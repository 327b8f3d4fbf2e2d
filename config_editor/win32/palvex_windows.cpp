#include "config_editor/win32/palvex_windows.h"

#include "config_editor/win32/resource.h"

namespace palvex::win32 {

using common::win32::TWin32Form;

namespace {

// The page of a control of the configuration window, by its ID range.
int PageOf(int id) {
  if (id < IDC_PAGE_ID_BASE || id >= IDC_PAGE_ID_BASE + 5 * IDC_PAGE_ID_SPAN) return -1;
  return (id - IDC_PAGE_ID_BASE) / IDC_PAGE_ID_SPAN;
}

}  // namespace

std::unique_ptr<TWin32Form> CreateMainWindow(TfrmMain& f, HINSTANCE instance,
                                             common::TApplication& application) {
  auto w = std::make_unique<TWin32Form>(f, instance, IDD_frmMain);
  if (w->Handle() == nullptr) return w;
  w->SetMainForm(true);
  w->SetErrorHandler([&application](const std::exception& e) { application.ShowException(e); });
  w->SetHelpHandler([&f, &application] { application.Run([&f] { f.WMHelp(); }); });
  w->SetClientSize(348, 312);
  w->CenterOnScreen();

  // Under everything: the panel, then the tab sheets, then the tab control.
  for (int id : {IDC_ElPanel1, IDC_tsMulticasts, IDC_ElTabSheet2, IDC_ElTabSheet1, IDC_tsSecurity,
                 IDC_tsBasic}) {
    w->SendToBack(id);
  }
  w->BindPageControl(f.pcMain, IDC_pcMain, PageOf);
  w->BindFolderEdit(f.elTFTPRoot, IDC_elTFTPRoot, IDC_elTFTPRootBrowse);
  w->BindSpin(f.seTFTPPort, IDC_seTFTPPort, IDC_seTFTPPortSpin);
  w->BindSpin(f.seTimeout, IDC_seTimeout, IDC_seTimeoutSpin);
  w->BindSpin(f.seRetries, IDC_seRetries, IDC_seRetriesSpin);
  w->BindCheckBox(f.cbAllowOverwrite, IDC_cbAllowOverwrite);
  w->BindCheckBox(f.cbHighPriority, IDC_cbHighPriority);
  w->BindCheckBox(f.cbOpTimeout, IDC_cbOpTimeout);
  w->BindCheckBox(f.cbOpBlocksize, IDC_cbOpBlocksize);
  w->BindCheckBox(f.cbOpTSize, IDC_cbOpTSize);
  w->BindComboBox(f.cbDefaultAccess, IDC_cbDefaultAccess);
  w->BindListGrid(f.tsgHosts, IDC_tsgHosts, {{"Hosts / Networks ", 196}, {"Access Rights", 87}},
                  18);
  w->BindButton(f.sbAdd, IDC_sbAdd);
  w->BindButton(f.sbEdit, IDC_sbEdit);
  w->BindButton(f.sbDelete, IDC_sbDelete);
  w->BindCheckBox(f.cbFWEnabled, IDC_cbFWEnabled);
  w->BindSpin(f.seFWMinPort, IDC_seFWMinPort, IDC_seFWMinPortSpin);
  w->BindSpin(f.seFWMaxPort, IDC_seFWMaxPort, IDC_seFWMaxPortSpin);
  w->BindCheckBox(f.cbWriteLog, IDC_cbWriteLog);
  w->BindFolderEdit(f.elLogDir, IDC_elLogDir, IDC_elLogDirBrowse);
  w->BindSpin(f.elLogCount, IDC_elLogCount, IDC_elLogCountSpin);
  w->BindComboBox(f.cbLoggingLevel, IDC_cbLoggingLevel);
  w->BindRadioGroup(f.rgTimestamps, IDC_rgTimestamps, {IDC_rgTimestampsUTC, IDC_rgTimestampsLocal});
  w->BindButton(f.btnOk, IDC_btnOk);
  w->BindButton(f.btnCancel, IDC_btnCancel);
  return w;
}

std::unique_ptr<TWin32Form> CreateRuleDialog(TdlgIPEdit& d, HINSTANCE instance, HWND owner,
                                             common::TApplication& application) {
  auto w = std::make_unique<TWin32Form>(d, instance, IDD_dlgIPEdit, owner);
  if (w->Handle() == nullptr) return w;
  w->SetErrorHandler([&application](const std::exception& e) { application.ShowException(e); });
  w->SetClientSize(294, 205);
  w->MoveTo(508, 225);
  w->BindLabel(d.lblAccess, IDC_lblAccess);
  w->BindComboBox(d.cbAccess, IDC_cbAccess);
  w->BindLabel(d.lblFor, IDC_lblFor);
  w->BindRadioButton(d.rbSingle, IDC_rbSingle);
  w->BindRadioButton(d.rbNetwork, IDC_rbNetwork);
  w->BindLabel(d.lblAddress, IDC_lblAddress);
  w->BindIPEdit(d.edAddress, IDC_edAddress);
  w->BindLabel(d.lblMask, IDC_lblMask);
  w->BindIPEdit(d.edMask, IDC_edMask);
  w->BindButton(d.btnOk, IDC_btnOk);
  w->BindButton(d.btnCancel, IDC_btnCancel);
  return w;
}

}  // namespace palvex::win32
