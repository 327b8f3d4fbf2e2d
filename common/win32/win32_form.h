// The dialog base of the programs' windows: a window made from a dialog
// template of the .rc file, whose controls mirror the widgets of a portable
// form (common/widgets.h).
//
// Use:
//   TWin32Form window(form, instance, IDD_MAIN);      // hidden, not yet shown
//   window.BindSpin(form.seTFTPPort, IDC_seTFTPPort, IDC_seTFTPPortSpin);
//   ... one Bind* per widget, by the control IDs of the resource header ...
//   window.SetErrorHandler(...);                      // errors raised in handlers
//   window.SetClientSize(348, 312); window.CenterOnScreen(); window.Show();
//   RunMessageLoop();                                 // until the main form closes
//
// Each Bind* attaches a peer to the widget: the peer shows every change the
// program makes (text, value, checked, items, selection, enabled, visible,
// read-only, colour), and turns the control's notifications (WM_COMMAND,
// WM_NOTIFY) into the widget's User* calls, which raise the form's events.
// Before a button click reaches its handler, the state of every bound control
// is read back, so a change that the control makes without notifying (for
// instance CB_SETCURSEL or BM_SETCHECK sent by another program) is not lost.
//
// The window's close box, Alt+F4 and the system menu call TForm::UserClose.
// A form that asks to close (TForm::Close) ends its modal loop when shown by
// RunModal, and otherwise ends the program's message loop when it is the main
// form (SetMainForm). The dialog keys follow the template: Enter clicks the
// control with ID IDOK, Esc the one with ID IDCANCEL.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/widgets.h"

namespace common::win32 {

class TWin32Peer;

class TWin32Form : public common::ui::IPeer, public common::ui::IModalHost {
 public:
  // Creates the window from the dialog template, hidden; `owner` is disabled
  // while the window runs modally.
  TWin32Form(common::ui::TForm& form, HINSTANCE instance, int templateId, HWND owner = nullptr);
  ~TWin32Form() override;
  TWin32Form(const TWin32Form&) = delete;
  TWin32Form& operator=(const TWin32Form&) = delete;

  HWND Handle() const { return hwnd_; }

  // ---- Binding the widgets to the template's controls.
  void BindLabel(common::ui::TLabel& label, int id);
  void BindButton(common::ui::TButton& button, int id);
  void BindEdit(common::ui::TEdit& edit, int id);
  // A folder field: an edit and a browse button that opens the folder chooser
  // rooted at the desktop; a picked folder is user input of the field. The
  // button stays usable while the field is read-only.
  void BindFolderEdit(common::ui::TFolderEdit& edit, int editId, int browseId);
  // A number field: an edit and an up-down control (msctls_updown32) next to
  // it. The field always holds a whole number within the widget's range: an
  // edit that would leave the range is undone, and leaving the field empty
  // sets the minimum. The Up and Down keys step like the arrows. A read-only
  // field ignores both.
  void BindSpin(common::ui::TSpinEdit& spin, int editId, int upDownId);
  void BindCheckBox(common::ui::TCheckBox& box, int id);
  void BindRadioButton(common::ui::TRadioButton& button, int id);
  // A radio group: its group box and one radio button per item, in item order.
  void BindRadioGroup(common::ui::TRadioGroup& group, int groupBoxId, std::vector<int> itemIds);
  // A pick-only drop-down list (CBS_DROPDOWNLIST) with the widget's items.
  void BindComboBox(common::ui::TItemList& list, int id);
  // A report-view list (SysListView32) with full-row, single selection and the
  // given columns (header text, width in pixels); rows of `rowHeight` pixels.
  struct Column {
    std::string header;
    int width;
  };
  void BindListGrid(common::ui::TListGridBase& grid, int id, std::vector<Column> columns,
                    int rowHeight);
  // A tab control (SysTabControl32): one tab per page whose tab is visible.
  // `pageOf` gives the page of a control ID, or -1 for a control on no page;
  // controls of the other pages are hidden.
  void BindPageControl(common::ui::TPageControl& pages, int tabId,
                       std::function<int(int controlId)> pageOf);
  // A four-part IPv4 address field (SysIPAddress32).
  void BindIPEdit(common::ui::TIPEdit& edit, int id);

  // ---- Window behaviour.
  // Closing this form ends the program's message loop.
  void SetMainForm(bool value) { mainForm_ = value; }
  // Shows errors that escape a handler (the application's error box).
  void SetErrorHandler(std::function<void(const std::exception&)> handler) {
    errorHandler_ = std::move(handler);
  }
  // The system's help request (F1, WM_HELP).
  void SetHelpHandler(std::function<void()> handler) { helpHandler_ = std::move(handler); }

  // Sizes the window so that its client area has exactly this size in pixels.
  void SetClientSize(int width, int height);
  // Puts the control under all others of the window (a tab sheet or a panel
  // that lies beneath the controls shown on it) and keeps it from painting
  // over them.
  void SendToBack(int id);
  void CenterOnScreen();
  void MoveTo(int left, int top);
  void Show();

  // common::ui::IPeer, for the form itself: caption, cursor, close request.
  void Sync(const common::ui::TComponent& component) override;
  // common::ui::IModalHost: shows this window modally until its form closes.
  void RunModal(common::ui::TForm& form) override;

  // ---- Used by the peers.
  HWND Control(int id) const;
  // Whether a control of this ID is on the page that is shown (or on no page).
  bool OnShownPage(int id) const;
  void ShowPage(int page);
  // Reads back the state of every bound control (see the header comment).
  void PullAll();
  // Runs a piece of a message handler; an error goes to the error handler.
  void Guard(const std::function<void()>& action);

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // Keeps the peer, routes its controls' messages to it and attaches it.
  void Attach(common::ui::TComponent& widget, std::unique_ptr<TWin32Peer> peer);

  common::ui::TForm& form_;
  HWND hwnd_ = nullptr;
  HWND owner_ = nullptr;
  bool mainForm_ = false;
  bool quitPosted_ = false;
  int modalDepth_ = 0;
  bool shownModally_ = false;
  int activePage_ = -1;
  std::function<int(int)> pageOf_;
  std::function<void(const std::exception&)> errorHandler_;
  std::function<void()> helpHandler_;
  std::vector<std::unique_ptr<TWin32Peer>> peers_;
  std::map<int, TWin32Peer*> byId_;
  std::map<HWND, TWin32Peer*> byHandle_;
};

// Handles messages until the program's quit message; Tab, Enter, Esc and
// mnemonics work in every dialog window of the thread.
int RunMessageLoop();

// The directory of the running program's executable, with its trailing backslash.
std::string ExecutableDirectory();

}  // namespace common::win32
