#include "service_console/win32/quenby_window.h"

#include <algorithm>

#include "common/win32/handles_win32.h"
#include "common/win32/text_win32.h"
#include "service_console/win32/resource.h"

namespace quenby::win32 {

namespace {

using common::win32::AnsiToWide;
using common::win32::WideToAnsi;
namespace ui = common::ui;

// The window's design: client area, position, and each control's place in pixels.
constexpr int kClientWidth = 265;
constexpr int kClientHeight = 252;
constexpr int kDesignLeft = 233;
constexpr int kDesignTop = 212;
// cbServices: 13-pixel entries, a selection field that makes the closed list
// 21 pixels high, and a drop-down list of eight entries below it.
constexpr int kComboItemHeight = 13;
constexpr int kComboFieldHeight = 15;
constexpr int kComboDropHeight = 8 * kComboItemHeight + 4;

struct Place {
  int id, left, top, width, height;
};
constexpr Place kLayout[] = {
    {IDC_Label2, 14, 19, 34, 13},       {IDC_elServer, 80, 16, 169, 21},
    {IDC_Label1, 14, 49, 44, 13},       {IDC_cbServices, 80, 46, 169, 21 + kComboDropHeight},
    {IDC_btnRefresh, 80, 74, 169, 21},  {IDC_imState, 16, 112, 55, 64},
    {IDC_bbStart, 102, 112, 27, 24},    {IDC_Label3, 143, 118, 69, 13},
    {IDC_bbPause, 102, 144, 27, 24},    {IDC_Label4, 143, 150, 30, 13},
    {IDC_bbStop, 102, 176, 27, 24},     {IDC_Label5, 143, 183, 22, 13},
    {IDC_cbAutoStart, 8, 212, 220, 17}, {IDC_esbMain, 0, 234, 265, 18},
};

constexpr COLORREF kGlyphBackground = RGB(192, 192, 192);
constexpr int kGlyphSize = 20;
constexpr int kStateWidth = 55;
constexpr int kStateHeight = 64;

using Bitmap = common::win32::UniqueBitmap;
using MemoryDc = common::win32::UniqueMemoryDc;

// Selects an object into a DC and puts the old one back on every way out.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;
  ~Selection() { SelectObject(dc_, old_); }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

Bitmap LoadBitmapResource(HINSTANCE instance, int id) {
  return Bitmap(static_cast<HBITMAP>(
      LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
}

// The colour of the picture's bottom-left pixel, which the picture shows transparent.
COLORREF BottomLeftPixel(HBITMAP bitmap) {
  BITMAP info{};
  GetObjectW(bitmap, sizeof info, &info);
  const MemoryDc dc(CreateCompatibleDC(nullptr));
  if (!dc) return CLR_NONE;
  const Selection selection(dc.get(), bitmap);
  return GetPixel(dc.get(), 0, info.bmHeight - 1);
}

std::wstring WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(window, text.data(), length + 1);
  text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
  return text;
}

// Room for a check box's mark and the gap after it.
constexpr int kCheckMarkWidth = 20;

bool IsLabel(int id) {
  return id == IDC_Label1 || id == IDC_Label2 || id == IDC_Label3 || id == IDC_Label4 ||
         id == IDC_Label5;
}

// Releases a window's DC on every way out.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  ~WindowDc() {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
  }
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// The width of the control's text in its font, accelerator marks left out.
int TextWidth(HWND control) {
  const WindowDc dc(control);
  if (dc.get() == nullptr) return 0;
  const auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
  const Selection selection(dc.get(), font != nullptr ? font : GetStockObject(DEFAULT_GUI_FONT));
  const std::wstring text = WindowText(control);
  RECT bounds{0, 0, 0, 0};
  DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &bounds,
            DT_CALCRECT | DT_SINGLELINE);
  return bounds.right - bounds.left;
}

// The system's hourglass (IDC_WAIT) or arrow (IDC_ARROW) cursor; the IDC_
// names are narrow resource names in this build, so their numbers are used.
HCURSOR SystemCursor(ui::TCursor cursor) {
  constexpr WORD kWait = 32514;
  constexpr WORD kArrow = 32512;
  return LoadCursorW(nullptr, MAKEINTRESOURCEW(cursor == ui::TCursor::HourGlass ? kWait : kArrow));
}

// --- Peers per control kind ----------------------------------------------

class LabelPeer : public ControlPeer {
 public:
  using ControlPeer::ControlPeer;

 protected:
  void SyncKind(const ui::TComponent& component) override {
    const auto& label = static_cast<const ui::TLabel&>(component);
    const std::wstring caption = AnsiToWide(label.Caption());
    if (WindowText(control_) != caption) SetWindowTextW(control_, caption.c_str());
  }
};

class EditPeer : public ControlPeer {
 public:
  EditPeer(HWND control, TfrmMainWindow& window) : ControlPeer(control), window_(window) {}

 protected:
  void SyncKind(const ui::TComponent& component) override {
    const auto& edit = static_cast<const ui::TEdit&>(component);
    const std::wstring text = AnsiToWide(edit.Text());
    if (WindowText(control_) != text) {
      const auto scope = window_.SyncScope();
      SetWindowTextW(control_, text.c_str());
    }
    SendMessageW(control_, EM_SETREADONLY, edit.ReadOnly(), 0);
  }

 private:
  TfrmMainWindow& window_;
};

class ComboPeer : public ControlPeer {
 public:
  using ControlPeer::ControlPeer;

 protected:
  void SyncKind(const ui::TComponent& component) override {
    const auto& list = static_cast<const ui::TComboBox&>(component);
    const std::vector<std::string>& items = list.Items();
    // Entries are only appended between two clears: add the new ones, or
    // start again when the list is another one.
    bool prefix = shown_.size() <= items.size();
    for (std::size_t i = 0; prefix && i < shown_.size(); ++i) prefix = shown_[i] == items[i];
    if (!prefix) {
      SendMessageW(control_, CB_RESETCONTENT, 0, 0);
      shown_.clear();
    }
    for (std::size_t i = shown_.size(); i < items.size(); ++i) {
      const std::wstring entry = AnsiToWide(items[i]);
      SendMessageW(control_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
      shown_.push_back(items[i]);
    }
    if (SendMessageW(control_, CB_GETCURSEL, 0, 0) != list.ItemIndex())
      SendMessageW(control_, CB_SETCURSEL, static_cast<WPARAM>(list.ItemIndex()), 0);
  }

 private:
  std::vector<std::string> shown_;
};

class CheckPeer : public ControlPeer {
 public:
  using ControlPeer::ControlPeer;

 protected:
  void SyncKind(const ui::TComponent& component) override {
    const auto& box = static_cast<const ui::TCheckBox&>(component);
    SendMessageW(control_, BM_SETCHECK, box.Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
  }
};

class StatusPeer : public ControlPeer {
 public:
  using ControlPeer::ControlPeer;

 protected:
  void SyncKind(const ui::TComponent& component) override {
    const auto& bar = static_cast<const ui::TStatusBar&>(component);
    const std::wstring text = AnsiToWide(bar.Text());
    SendMessageW(control_, SB_SETTEXTW, 0 | SBT_NOBORDERS, reinterpret_cast<LPARAM>(text.c_str()));
  }
};

class ImagePeer : public ControlPeer {
 public:
  using ControlPeer::ControlPeer;

 protected:
  void SyncKind(const ui::TComponent&) override { InvalidateRect(control_, nullptr, TRUE); }
};

// The window itself: caption, cursor and the close request.
class FormPeer : public ui::IPeer {
 public:
  explicit FormPeer(HWND window) : window_(window) {}
  void Sync(const ui::TComponent& component) override {
    const auto& form = static_cast<const ui::TForm&>(component);
    const std::wstring caption = AnsiToWide(form.Caption());
    if (WindowText(window_) != caption) SetWindowTextW(window_, caption.c_str());
    if (form.Cursor() != cursor_) {
      cursor_ = form.Cursor();
      SetCursor(SystemCursor(cursor_));
    }
    if (form.CloseRequested() && !closePosted_) {
      closePosted_ = true;
      PostMessageW(window_, WM_CLOSE, 0, 0);
    }
  }

 private:
  HWND window_;
  ui::TCursor cursor_ = ui::TCursor::Default;
  bool closePosted_ = false;
};

// An entry of cbServices, or its selection field, with the text centred.
void DrawComboEntry(const DRAWITEMSTRUCT& item) {
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  const bool disabled = (item.itemState & ODS_DISABLED) != 0;
  const int background = disabled ? COLOR_BTNFACE : (selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
  const int foreground =
      disabled ? COLOR_GRAYTEXT : (selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
  FillRect(item.hDC, &item.rcItem, GetSysColorBrush(background));
  if (item.itemID != static_cast<UINT>(-1)) {
    const LRESULT length = SendMessageW(item.hwndItem, CB_GETLBTEXTLEN, item.itemID, 0);
    if (length > 0) {
      std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
      const LRESULT copied = SendMessageW(item.hwndItem, CB_GETLBTEXT, item.itemID,
                                          reinterpret_cast<LPARAM>(text.data()));
      text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
      const COLORREF oldText = SetTextColor(item.hDC, GetSysColor(foreground));
      const int oldMode = SetBkMode(item.hDC, TRANSPARENT);
      RECT bounds = item.rcItem;
      DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &bounds,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
      SetBkMode(item.hDC, oldMode);
      SetTextColor(item.hDC, oldText);
    }
  }
  if ((item.itemState & ODS_FOCUS) != 0 && (item.itemState & ODS_NOFOCUSRECT) == 0) {
    RECT focus = item.rcItem;
    DrawFocusRect(item.hDC, &focus);
  }
}

void DrawGlyphButton(const DRAWITEMSTRUCT& item, HIMAGELIST glyphs) {
  RECT frame = item.rcItem;
  const bool pushed = (item.itemState & ODS_SELECTED) != 0;
  const bool disabled = (item.itemState & ODS_DISABLED) != 0;
  DrawFrameControl(item.hDC, &frame, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
  const int shift = pushed ? 1 : 0;
  const int x = (item.rcItem.right - item.rcItem.left - kGlyphSize) / 2 + shift;
  const int y = (item.rcItem.bottom - item.rcItem.top - kGlyphSize) / 2 + shift;
  if (glyphs != nullptr) ImageList_Draw(glyphs, disabled ? 1 : 0, item.hDC, x, y, ILD_TRANSPARENT);
  if ((item.itemState & ODS_FOCUS) != 0) {
    RECT focus = item.rcItem;
    InflateRect(&focus, -3, -3);
    DrawFocusRect(item.hDC, &focus);
  }
}

ImageList LoadGlyphs(HINSTANCE instance, int id) {
  ImageList glyphs(ImageList_Create(kGlyphSize, kGlyphSize, ILC_COLOR24 | ILC_MASK, 2, 0));
  const Bitmap bitmap = LoadBitmapResource(instance, id);
  if (glyphs && bitmap) ImageList_AddMasked(glyphs.get(), bitmap.get(), kGlyphBackground);
  return glyphs;
}

}  // namespace

// --- ControlPeer -----------------------------------------------------------

void ControlPeer::Sync(const ui::TComponent& component) {
  const auto& control = static_cast<const ui::TControl&>(component);
  SyncKind(component);
  if ((IsWindowEnabled(control_) != FALSE) != control.Enabled())
    EnableWindow(control_, control.Enabled());
  if ((IsWindowVisible(control_) != FALSE) != control.Visible())
    ShowWindow(control_, control.Visible() ? SW_SHOWNA : SW_HIDE);
}

bool ControlPeer::Focus() {
  if (!IsWindowEnabled(control_)) return false;
  SetFocus(control_);
  return true;
}

// --- TfrmMainWindow --------------------------------------------------------

TfrmMainWindow::TfrmMainWindow(HINSTANCE instance, TfrmMain& form,
                               common::TApplication& application)
    : instance_(instance), form_(form), application_(application) {}

TfrmMainWindow::~TfrmMainWindow() {
  if (dialog_ != nullptr) DestroyWindow(dialog_);
}

bool TfrmMainWindow::Create() {
  dialog_ = CreateDialogParamW(instance_, MAKEINTRESOURCEW(IDD_frmMain), nullptr, DialogProc,
                               reinterpret_cast<LPARAM>(this));
  return dialog_ != nullptr;
}

void TfrmMainWindow::Show(int showCommand) {
  ShowWindow(dialog_, showCommand);
  UpdateWindow(dialog_);
}

int TfrmMainWindow::RunMessageLoop() {
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (dialog_ != nullptr && IsDialogMessageW(dialog_, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

INT_PTR CALLBACK TfrmMainWindow::DialogProc(HWND dialog, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    auto* window = reinterpret_cast<TfrmMainWindow*>(lParam);
    window->dialog_ = dialog;
    window->InitDialog();
    return TRUE;
  }
  if (message == WM_MEASUREITEM) {
    // Sent while the template's controls are made, before WM_INITDIALOG.
    auto& item = *reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
    if (item.CtlType != ODT_COMBOBOX) return FALSE;
    item.itemHeight = item.itemID == static_cast<UINT>(-1) ? kComboFieldHeight : kComboItemHeight;
    return TRUE;
  }
  auto* window = reinterpret_cast<TfrmMainWindow*>(GetWindowLongPtrW(dialog, DWLP_USER));
  if (window == nullptr) return FALSE;
  return window->HandleMessage(message, wParam, lParam);
}

void TfrmMainWindow::InitDialog() {
  LayOut();
  LoadPictures();
  AttachPeers();
}

void TfrmMainWindow::LayOut() {
  for (const Place& place : kLayout) {
    const HWND control = GetDlgItem(dialog_, place.id);
    int width = place.width;
    if (IsLabel(place.id)) {
      // Labels size themselves to their text, which this system's font may
      // draw wider than the design's.
      width = std::max(width, TextWidth(control));
    } else if (place.id == IDC_cbAutoStart) {
      // The box's text is not cut off while it fits in the window.
      width = std::clamp(TextWidth(control) + kCheckMarkWidth, width, kClientWidth - place.left);
    }
    SetWindowPos(control, nullptr, place.left, place.top, width, place.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  const HWND status = GetDlgItem(dialog_, IDC_esbMain);
  int parts[] = {-1};
  SendMessageW(status, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(parts));

  RECT frame{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(dialog_, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(dialog_, GWL_EXSTYLE)));
  SetWindowPos(dialog_, nullptr, kDesignLeft, kDesignTop, frame.right - frame.left,
               frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TfrmMainWindow::LoadPictures() {
  states_.reset(
      ImageList_Create(kStateWidth, kStateHeight, ILC_COLOR24 | ILC_MASK, kStatePictureCount, 0));
  for (int i = 0; i < kStatePictureCount; ++i) {
    const Bitmap picture = LoadBitmapResource(instance_, IDB_STATE0 + i);
    if (states_ && picture)
      ImageList_AddMasked(states_.get(), picture.get(), BottomLeftPixel(picture.get()));
  }
  startGlyph_ = LoadGlyphs(instance_, IDB_START);
  pauseGlyph_ = LoadGlyphs(instance_, IDB_PAUSE);
  stopGlyph_ = LoadGlyphs(instance_, IDB_STOP);

  bigIcon_.reset(
      static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_QUENBY), IMAGE_ICON,
                                    GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0)));
  smallIcon_.reset(static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_QUENBY),
                                                 IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                 GetSystemMetrics(SM_CYSMICON), 0)));
  SendMessageW(dialog_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
  SendMessageW(dialog_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
}

void TfrmMainWindow::AttachPeers() {
  const auto attach = [this](ui::TControl& control, std::unique_ptr<ControlPeer> peer) {
    control.AttachPeer(peer.get());
    peers_.push_back(std::move(peer));
  };
  const auto item = [this](int id) { return GetDlgItem(dialog_, id); };
  attach(form_.Label1, std::make_unique<LabelPeer>(item(IDC_Label1)));
  attach(form_.Label2, std::make_unique<LabelPeer>(item(IDC_Label2)));
  attach(form_.Label3, std::make_unique<LabelPeer>(item(IDC_Label3)));
  attach(form_.Label4, std::make_unique<LabelPeer>(item(IDC_Label4)));
  attach(form_.Label5, std::make_unique<LabelPeer>(item(IDC_Label5)));
  attach(form_.cbServices, std::make_unique<ComboPeer>(item(IDC_cbServices)));
  attach(form_.bbStart, std::make_unique<ControlPeer>(item(IDC_bbStart)));
  attach(form_.bbPause, std::make_unique<ControlPeer>(item(IDC_bbPause)));
  attach(form_.bbStop, std::make_unique<ControlPeer>(item(IDC_bbStop)));
  attach(form_.btnRefresh, std::make_unique<ControlPeer>(item(IDC_btnRefresh)));
  attach(form_.esbMain, std::make_unique<StatusPeer>(item(IDC_esbMain)));
  attach(form_.elServer, std::make_unique<EditPeer>(item(IDC_elServer), *this));
  attach(form_.imState, std::make_unique<ImagePeer>(item(IDC_imState)));
  attach(form_.cbAutoStart, std::make_unique<CheckPeer>(item(IDC_cbAutoStart)));
  formPeer_ = std::make_unique<FormPeer>(dialog_);
  form_.AttachPeer(formPeer_.get());
}

void TfrmMainWindow::DetachPeers() {
  for (ui::TComponent* component : form_.Components()) component->AttachPeer(nullptr);
  form_.AttachPeer(nullptr);
  peers_.clear();
  formPeer_.reset();
}

INT_PTR TfrmMainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: {
      const HWND focused = GetFocus();
      {
        const CountScope running(handlersRunning_);
        application_.Run([&] { Command(LOWORD(wParam), HIWORD(wParam)); });
      }
      if (dialog_ != nullptr) RestoreFocus(focused);
      if (handlersRunning_ == 0 && closePending_ && dialog_ != nullptr) {
        closePending_ = false;
        PostMessageW(dialog_, WM_CLOSE, 0, 0);
      }
      return TRUE;
    }
    case WM_DRAWITEM:
      DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_SETCURSOR:
      if (form_.Cursor() == ui::TCursor::HourGlass) {
        SetCursor(SystemCursor(ui::TCursor::HourGlass));
        SetWindowLongPtrW(dialog_, DWLP_MSGRESULT, TRUE);
        return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      // A close asked for while a handler waits for a service (the wait
      // handles messages) is carried out once that handler has returned: it
      // still uses the window and its lists.
      if (handlersRunning_ > 0) {
        closePending_ = true;
        return TRUE;
      }
      DestroyWindow(dialog_);
      return TRUE;
    case WM_DESTROY:
      application_.Run([this] { form_.FormDestroy(); });
      DetachPeers();
      dialog_ = nullptr;
      PostQuitMessage(0);
      return TRUE;
    default:
      return FALSE;
  }
}

void TfrmMainWindow::PullControls() {
  const int selected =
      static_cast<int>(SendMessageW(GetDlgItem(dialog_, IDC_cbServices), CB_GETCURSEL, 0, 0));
  if (selected != form_.cbServices.ItemIndex()) form_.cbServices.SetItemIndex(selected);
  form_.elServer.SetText(WideToAnsi(WindowText(GetDlgItem(dialog_, IDC_elServer))));
  form_.cbAutoStart.SetChecked(
      SendMessageW(GetDlgItem(dialog_, IDC_cbAutoStart), BM_GETCHECK, 0, 0) == BST_CHECKED);
}

void TfrmMainWindow::RestoreFocus(HWND focused) {
  // Disabling the focused control (the wait disables them all, the state
  // display some) leaves the active window without focus: give it back to that
  // control, or the next one in tab order when it stayed disabled.
  if (GetFocus() != nullptr || GetActiveWindow() != dialog_) return;
  if (focused == nullptr || !IsChild(dialog_, focused)) return;
  const HWND target =
      IsWindowEnabled(focused) ? focused : GetNextDlgTabItem(dialog_, focused, FALSE);
  if (target != nullptr) SetFocus(target);
}

void TfrmMainWindow::Command(int id, int code) {
  // Another program may have changed a control without its notification
  // (CB_SETCURSEL, WM_SETTEXT, BM_SETCHECK): a click acts on what is shown.
  // Enter and Escape arrive as IDOK and IDCANCEL: they press no button and do
  // not leave the server field.
  if (code == BN_CLICKED && id != IDC_elServer && id != IDC_cbServices && id != IDOK &&
      id != IDCANCEL) {
    // A disabled button takes no click from the user; BM_CLICK sent by another
    // program still arrives, and must not start an action in the middle of a wait.
    const HWND control = GetDlgItem(dialog_, id);
    if (control != nullptr && !IsWindowEnabled(control)) return;
    PullControls();
    // Text typed into the server field while it had no focus (WM_SETTEXT from
    // another program) is left by this click as a user's typing would be.
    if (serverEdited_) {
      serverEdited_ = false;
      form_.elServer.UserExit();
    }
  }
  switch (id) {
    case IDC_elServer:
      if (code == EN_CHANGE && !Syncing()) {
        serverEdited_ = true;
        form_.elServer.UserSetText(WideToAnsi(WindowText(GetDlgItem(dialog_, IDC_elServer))));
      } else if (code == EN_KILLFOCUS) {
        serverEdited_ = false;
        form_.elServer.UserSetText(WideToAnsi(WindowText(GetDlgItem(dialog_, IDC_elServer))));
        form_.elServer.UserExit();
      }
      break;
    case IDC_cbServices:
      if (code == CBN_SELCHANGE)
        form_.cbServices.UserSelect(static_cast<int>(
            SendMessageW(GetDlgItem(dialog_, IDC_cbServices), CB_GETCURSEL, 0, 0)));
      break;
    case IDC_btnRefresh:
      if (code == BN_CLICKED) form_.btnRefresh.UserClick();
      break;
    case IDC_bbStart:
      if (code == BN_CLICKED) form_.bbStart.UserClick();
      break;
    case IDC_bbPause:
      if (code == BN_CLICKED) form_.bbPause.UserClick();
      break;
    case IDC_bbStop:
      if (code == BN_CLICKED) form_.bbStop.UserClick();
      break;
    case IDC_cbAutoStart:
      if (code == BN_CLICKED) form_.cbAutoStart.UserClick();
      break;
    default:
      // Enter and Escape (IDOK, IDCANCEL) do nothing in this window.
      break;
  }
}

void TfrmMainWindow::DrawItem(const DRAWITEMSTRUCT& item) {
  switch (item.CtlID) {
    case IDC_cbServices:
      DrawComboEntry(item);
      break;
    case IDC_bbStart:
      DrawGlyphButton(item, startGlyph_.get());
      break;
    case IDC_bbPause:
      DrawGlyphButton(item, pauseGlyph_.get());
      break;
    case IDC_bbStop:
      DrawGlyphButton(item, stopGlyph_.get());
      break;
    case IDC_imState: {
      FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
      const int index = form_.imState.PictureIndex();
      if (states_ && index >= 0 && index < ImageList_GetImageCount(states_.get()))
        ImageList_Draw(states_.get(), index, item.hDC, item.rcItem.left, item.rcItem.top,
                       ILD_TRANSPARENT);
      break;
    }
    default:
      break;
  }
}

}  // namespace quenby::win32
