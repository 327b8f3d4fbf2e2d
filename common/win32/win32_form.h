// The window layer of both programs: a window made from a dialog template of
// the .rc file, whose controls mirror the widgets of a portable form
// (common/widgets.h). Every window of the programs is a TWin32Form plus a list
// of Bind* calls.
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
// read-only, colour, picture), and turns the control's notifications
// (WM_COMMAND, WM_NOTIFY, WM_DRAWITEM) into the widget's User* calls, which
// raise the form's events.
//
// Rules that hold for every window:
// - Before a button click reaches its handler, the state of every bound
//   control is read back, so a change that the control made without notifying
//   (CB_SETCURSEL, BM_SETCHECK or WM_SETTEXT sent by another program) is not
//   lost; SetReadBack says whether it reaches the form as user input.
// - A disabled control takes no click, not even one posted to it.
// - A close asked for while one of the window's handlers runs (a service wait
//   handles messages) takes effect when that handler has returned.
// - When a handler disabled the control that had the focus, the focus comes
//   back to it, or to the next control in tab order while it stays disabled.
// - The form's active control follows the keyboard focus among its controls.
// - The close box, Alt+F4 and the system menu call TForm::UserClose. A form
//   that asks to close ends its modal loop when shown by RunModal; the main
//   form (SetMainForm) is destroyed and ends the program's message loop.
// - The dialog keys follow the template: Enter clicks the control with ID
//   IDOK, Esc the one with ID IDCANCEL; without such a control the key goes
//   to the key handler (SetKeyHandler), or does nothing.
// - Sizes and positions are given in 96-DPI pixels and placed by one function.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/widgets.h"
#include "common/win32/handles_win32.h"
#include "common/win32/program_win32.h"

namespace common::win32 {

class TWin32Peer;
class TTrayIconPeer;
class TTimerPeer;

// A rectangle in 96-DPI pixels: the pixels that window designs are given in.
struct TDesignRect {
  int left = 0, top = 0, width = 0, height = 0;
};

// How a placed control's width follows its text.
enum class TFit {
  None,
  // At least as wide as its text (a check box's with room for the mark), but
  // never past the right edge of the client area.
  GrowToText,
};

// A monitor of the desktop in screen pixels: all of it, and its work area.
struct TMonitorArea {
  RECT bounds;
  RECT work;
};

// The heights, in design pixels, that an owner-drawn fixed list of the
// template (CBS_OWNERDRAWFIXED) is measured with while the window is made: its
// selection field and its entries.
struct TListMeasure {
  int id = 0;
  int fieldHeight = 0;
  int itemHeight = 0;
};

class TWin32Form : public common::ui::IPeer, public common::ui::IModalHost {
 public:
  // Creates the window from the dialog template, hidden; `owner` is disabled
  // while the window runs modally. Handle() is null when it could not be made.
  TWin32Form(common::ui::TForm& form, HINSTANCE instance, int templateId, HWND owner = nullptr,
             std::vector<TListMeasure> measures = {});
  ~TWin32Form() override;
  TWin32Form(const TWin32Form&) = delete;
  TWin32Form& operator=(const TWin32Form&) = delete;

  HWND Handle() const { return hwnd_; }
  HINSTANCE Instance() const { return instance_; }

  // ---- Binding the widgets to the template's controls.
  // A label keeps the template's text until the program gives it a caption.
  // Its accelerator focuses the control that follows it in tab order.
  void BindLabel(common::ui::TLabel& label, int id);
  void BindButton(common::ui::TButton& button, int id);
  // An owner-drawn push button (BS_OWNERDRAW) showing a glyph from a bitmap
  // resource that holds two square glyphs side by side, the normal form and
  // the greyed one (picked by ScaledBitmapId); `transparent` is the glyphs'
  // background colour.
  void BindGlyphButton(common::ui::TButton& button, int id, int bitmapId, COLORREF transparent);
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
  // A check box. An automatic one (BS_AUTOCHECKBOX) follows its button; a
  // plain one (BS_CHECKBOX) changes only through the widget, and a click on
  // it is the widget's click.
  void BindCheckBox(common::ui::TCheckBox& box, int id);
  void BindRadioButton(common::ui::TRadioButton& button, int id);
  // A radio group: its group box and one radio button per item, in item order.
  void BindRadioGroup(common::ui::TRadioGroup& group, int groupBoxId, std::vector<int> itemIds);
  // A pick-only drop-down list (CBS_DROPDOWNLIST) with the widget's items.
  void BindComboBox(common::ui::TItemList& list, int id);
  // The same, owner-drawn (CBS_OWNERDRAWFIXED | CBS_HASSTRINGS, measured by a
  // TListMeasure given at creation): entries drawn centred.
  void BindCenteredComboBox(common::ui::TItemList& list, int id);
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
  // A status bar (msctls_statusbar32) of one part without borders.
  void BindStatusBar(common::ui::TStatusBar& bar, int id);
  // An owner-drawn picture (SS_OWNERDRAW) showing the picture of the widget's
  // index from `count` bitmap resources numbered from `firstBitmapId`, all of
  // one size, each bottom-left pixel's colour transparent. Pictures drawn for
  // several scales are picked by ScaledBitmapId.
  void BindImage(common::ui::TImage& image, int id, int firstBitmapId, int count);
  // An owner-drawn separator (SS_OWNERDRAW): an etched line along the bottom
  // edge of its box.
  void BindBevel(common::ui::TBevel& bevel, int id);
  // The notification-area icon, showing the icon resource at the system's
  // small-icon size, or the icon of the widget's picture from
  // `pictureIconIds`. While it is shown and the window minimised, the window
  // has no task-bar button. A double-click on it is the widget's double-click;
  // a right click shows the widget's menu. It is removed with the window.
  void BindTrayIcon(common::ui::TTrayIcon& tray, int iconId,
                    const std::vector<int>& pictureIconIds = {});
  // A timer of the window (WM_TIMER), running while the widget is enabled.
  void BindTimer(common::ui::TTimer& timer);

  // ---- Window behaviour.
  // Closing this form destroys the window and ends the program's message loop.
  void SetMainForm(bool value) { mainForm_ = value; }
  // Shows errors that escape a handler (the application's error box).
  void SetErrorHandler(std::function<void(const std::exception&)> handler) {
    errorHandler_ = std::move(handler);
  }
  // The system's help request (F1, WM_HELP).
  void SetHelpHandler(std::function<void()> handler) { helpHandler_ = std::move(handler); }
  // Enter (VK_RETURN) or Esc (VK_ESCAPE) when the template has no control of
  // ID IDOK or IDCANCEL.
  void SetKeyHandler(std::function<void(int virtualKey)> handler) {
    keyHandler_ = std::move(handler);
  }
  // A system command (WM_SYSCOMMAND, by its whole value) after the window's
  // default handling of it.
  void SetSysCommandHandler(std::function<void(std::uintptr_t command)> handler) {
    sysCommandHandler_ = std::move(handler);
  }
  // Runs while the window is destroyed, after its last placement was read.
  void SetDestroyHandler(std::function<void()> handler) { destroyHandler_ = std::move(handler); }
  // Whether the state that a click's read-back finds changed reaches the form
  // as user input (raising its events) or as the program's own change.
  enum class TReadBack { AsUserInput, Silently };
  void SetReadBack(TReadBack value) { readBack_ = value; }
  TReadBack ReadBack() const { return readBack_; }

  // Appends an entry to the window's own system menu (the A entry point's
  // flags and identifier); a separator has no text.
  void AppendSystemMenu(UINT flags, UINT_PTR id, const std::string& text);
  // The window's big and small icons from an icon resource.
  void SetIcons(int iconId);

  // ---- Placing. Every size and position in design pixels goes through here.
  // Sizes the window so that its client area has exactly this size.
  void SetClientSize(int width, int height);
  // Places a control of the template in the client area. The layout is done
  // again at the new scale when the window's DPI changes (WM_DPICHANGED).
  void PlaceControl(int id, TDesignRect rect, TFit fit = TFit::None);
  // Moves the window's top-left corner to this screen position.
  void MoveTo(int left, int top);
  void CenterOnScreen();
  // Centres the window over its owner when the owner is shown and not
  // minimised, otherwise over the work area.
  void CenterOverOwner();
  // Puts the control under all others of the window (a tab sheet or a panel
  // that lies beneath the controls shown on it) and keeps it from painting
  // over them.
  void SendToBack(int id);

  // Shows the window and focuses the form's active control.
  void Show(int showCommand = SW_SHOW);
  void Restore();
  void BringToFront();

  // common::ui::IPeer, for the form itself: caption, cursor, placement, close.
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
  // Runs a handler of the window. An error goes to the error handler; a close
  // asked for meanwhile and the focus are seen to when the outermost returns.
  void Guard(const std::function<void()>& action);
  // A length in design pixels on this window's display.
  int Scale(int designPixels) const;
  int Dpi() const { return dpi_; }

  // The form whose window holds `hwnd` (a control, or the window itself).
  static TWin32Form* FromWindow(HWND hwnd);

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK FocusHook(int code, WPARAM wParam, LPARAM lParam);
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Command(int id, int code);
  INT_PTR Measure(MEASUREITEMSTRUCT& item) const;
  // Keeps the peer, routes its controls' messages to it and attaches it.
  void Attach(common::ui::TComponent& widget, std::unique_ptr<TWin32Peer> peer);
  TWin32Peer* PeerOf(HWND control) const;
  // Places the window or a control at a rectangle of device pixels.
  void Place(HWND window, const RECT& rect, UINT flags);
  // The window's outer size for the design client size at a DPI.
  SIZE OuterSize(int dpi) const;
  void ApplyPlacement(const common::ui::TForm::Placement& placement);
  // Moves the template's controls to their 96-DPI places times the scale.
  void ScaleTemplate();
  // WM_DPICHANGED: the suggested rectangle, then the layout again.
  void DpiChanged(int dpi, const RECT& suggested);
  void CloseNow();
  // The widgets stop mirroring to this window.
  void DetachWidgets();
  void ReadPlacement();
  void RestoreFocus(HWND focused);

  common::ui::TForm& form_;
  HINSTANCE instance_;
  HWND hwnd_ = nullptr;
  HWND owner_ = nullptr;
  bool mainForm_ = false;
  int modalDepth_ = 0;
  bool shownModally_ = false;
  int handlersRunning_ = 0;
  bool closePosted_ = false;
  bool closePending_ = false;
  bool userClosePending_ = false;
  // The window's DPI; design pixels are 96-DPI pixels.
  int dpi_ = 96;
  // The layout in design pixels, kept to be done again at another DPI.
  SIZE clientSize_{0, 0};
  struct TPlaced {
    int id;
    TDesignRect rect;
    TFit fit;
  };
  std::vector<TPlaced> placed_;
  int activePage_ = -1;
  common::ui::TCursor cursor_ = common::ui::TCursor::Default;
  common::ui::TForm::Placement placement_;  // the last one read or applied
  TReadBack readBack_ = TReadBack::AsUserInput;
  std::vector<TListMeasure> measures_;
  std::function<int(int)> pageOf_;
  std::function<void(const std::exception&)> errorHandler_;
  std::function<void()> helpHandler_;
  std::function<void(int)> keyHandler_;
  std::function<void(std::uintptr_t)> sysCommandHandler_;
  std::function<void()> destroyHandler_;
  std::vector<std::unique_ptr<TWin32Peer>> peers_;
  std::map<int, TWin32Peer*> byId_;
  std::map<HWND, TWin32Peer*> byHandle_;
  std::unique_ptr<TTrayIconPeer> tray_;
  static constexpr UINT_PTR kFirstTimerId = 0x5100;
  struct TTimerBinding {
    common::ui::TTimer* widget;
    std::unique_ptr<TTimerPeer> peer;
  };
  std::vector<TTimerBinding> timers_;
  common::ui::TTrayIcon* trayWidget_ = nullptr;
  UniqueIcon bigIcon_, smallIcon_;
};

// The DPI of a window's display (of the system's when `window` is null).
int WindowDpi(HWND window);
// The ID of the bitmap resource drawn nearest to the scale of `dpi`: a
// picture drawn for several scales has its 100% form at `baseId` and its 125%,
// 150% and 200% forms at baseId + 1000, + 2000 and + 3000.
int ScaledBitmapId(HINSTANCE instance, int baseId, int dpi);

// Handles messages until `done` holds (checked after each message) or the
// program's quit message, which it leaves for an outer loop; Tab, Enter, Esc
// and mnemonics work in every dialog window of the thread. Returns the quit
// message's code, or 0 when `done` ended it.
int RunMessageLoop(const std::function<bool()>& done = {});

// The monitors of the desktop as they are now.
std::vector<TMonitorArea> MonitorAreas();

}  // namespace common::win32
