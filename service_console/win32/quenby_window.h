// Quenby's main window on screen: the dialog of the .rc template at the form's
// pixel layout, a peer per control that mirrors the portable form, the owner-drawn
// glyph buttons and state picture, and the routing of the user's input to the
// form's handlers.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "common/application.h"
#include "common/widgets.h"
#include "common/win32/handles_win32.h"
#include "service_console/frmMain_u.h"

namespace quenby::win32 {

using ImageList = common::win32::UniqueHandle<HIMAGELIST, &ImageList_Destroy>;
using Icon = common::win32::UniqueIcon;

// A control's on-screen side: its window handle, enabled state and focus.
class ControlPeer : public common::ui::IPeer {
 public:
  explicit ControlPeer(HWND control) : control_(control) {}
  void Sync(const common::ui::TComponent& component) override;
  bool Focus() override;
  HWND Handle() const { return control_; }

 protected:
  // The state of the control's own kind.
  virtual void SyncKind(const common::ui::TComponent&) {}
  HWND control_;
};

class TfrmMainWindow {
 public:
  TfrmMainWindow(HINSTANCE instance, TfrmMain& form, common::TApplication& application);
  ~TfrmMainWindow();
  TfrmMainWindow(const TfrmMainWindow&) = delete;
  TfrmMainWindow& operator=(const TfrmMainWindow&) = delete;

  // Creates the window hidden, lays it out, loads its pictures and attaches the
  // peers. False when the window could not be made.
  bool Create();
  HWND Handle() const { return dialog_; }
  void Show(int showCommand);
  // Runs the message loop until the program is asked to end; the exit code.
  int RunMessageLoop();

  // Set while the program writes a control, so that the control's change
  // notifications are not taken for user input.
  bool Syncing() const { return syncing_ > 0; }
  // Counts one level of a nested activity while it lasts.
  class CountScope {
   public:
    explicit CountScope(int& count) : count_(count) { ++count_; }
    CountScope(const CountScope&) = delete;
    CountScope& operator=(const CountScope&) = delete;
    ~CountScope() { --count_; }

   private:
    int& count_;
  };
  CountScope SyncScope() { return CountScope(syncing_); }

 private:
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void InitDialog();
  void LayOut();
  void LoadPictures();
  void AttachPeers();
  void DetachPeers();
  // Reads the list's position, the server text and the box's check into the
  // form, as the program's own changes (no event).
  void PullControls();
  void Command(int id, int code);
  void RestoreFocus(HWND focused);
  void DrawItem(const DRAWITEMSTRUCT& item);

  HINSTANCE instance_;
  TfrmMain& form_;
  common::TApplication& application_;
  HWND dialog_ = nullptr;
  int syncing_ = 0;
  // The server field was changed by input since it was last left.
  bool serverEdited_ = false;
  // Handlers of control commands under way, and a close that waits for them.
  int handlersRunning_ = 0;
  bool closePending_ = false;
  std::vector<std::unique_ptr<ControlPeer>> peers_;
  std::unique_ptr<common::ui::IPeer> formPeer_;
  ImageList states_;
  ImageList startGlyph_, pauseGlyph_, stopGlyph_;
  Icon bigIcon_, smallIcon_;
};

}  // namespace quenby::win32
