// The window itself: creation from the template, the dialog procedure, the
// message loop, the placing of design pixels, closing, focus and placement.
#include "common/win32/win32_form.h"

#include <algorithm>

#include "common/win32/text_win32.h"
#include "common/win32/win32_peer.h"

namespace common::win32 {

namespace ui = common::ui;

namespace {

// Posted to a main window whose form asked to close; carried out once no
// handler of the window runs.
constexpr UINT kCloseMessage = WM_APP + 0x50;
// Sent to a per-monitor aware window when its DPI changes (Windows 8.1 on).
constexpr UINT kWmDpiChanged = 0x02E0;

void InitControlClasses() {
  static const bool done = [] {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES |
                                              ICC_TAB_CLASSES | ICC_UPDOWN_CLASS |
                                              ICC_INTERNET_CLASSES | ICC_BAR_CLASSES};
    return InitCommonControlsEx(&icc) != FALSE;
  }();
  (void)done;
}

// The forms of the thread that have a window, for the focus hook.
std::vector<TWin32Form*>& LiveForms() {
  static std::vector<TWin32Form*> forms;
  return forms;
}

// The form whose window is being made.
TWin32Form*& Creating() {
  static TWin32Form* form = nullptr;
  return form;
}

UniqueHook& FocusHookHandle() {
  static UniqueHook hook;
  return hook;
}

// The system's hourglass (IDC_WAIT) or arrow (IDC_ARROW) cursor; the IDC_
// names are narrow resource names in this build, so their numbers are used.
HCURSOR SystemCursor(ui::TCursor cursor) {
  constexpr WORD kWait = 32514;
  constexpr WORD kArrow = 32512;
  return LoadCursorW(nullptr, MAKEINTRESOURCEW(cursor == ui::TCursor::HourGlass ? kWait : kArrow));
}

}  // namespace

// ---------------------------------------------------------------------------
// Creation and destruction.

TWin32Form::TWin32Form(ui::TForm& form, HINSTANCE instance, int templateId, HWND owner,
                       std::vector<TListMeasure> measures)
    : form_(form), instance_(instance), owner_(owner), measures_(std::move(measures)) {
  InitControlClasses();
  // The template's controls are measured before the dialog procedure knows
  // its window (WM_MEASUREITEM comes before WM_INITDIALOG).
  dpi_ = WindowDpi(owner);
  Creating() = this;
  CreateDialogParamW(instance, MAKEINTRESOURCEW(templateId), owner, DialogProc,
                     reinterpret_cast<LPARAM>(this));
  Creating() = nullptr;
  if (hwnd_ == nullptr) return;
  LiveForms().push_back(this);
  if (!FocusHookHandle())
    FocusHookHandle().reset(SetWindowsHookExW(WH_CBT, FocusHook, nullptr, GetCurrentThreadId()));
  form_.AttachPeer(this);
}

TWin32Form::~TWin32Form() {
  // The widgets outlive this window: they stop mirroring to it first.
  if (form_.Peer() == this) form_.AttachPeer(nullptr);
  DetachWidgets();
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
  auto& forms = LiveForms();
  forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
  if (forms.empty()) FocusHookHandle().reset();
}

void TWin32Form::DetachWidgets() {
  for (auto& peer : peers_) peer->Detach();
  if (trayWidget_ != nullptr && trayWidget_->Peer() == tray_.get())
    trayWidget_->AttachPeer(nullptr);
  for (auto& timer : timers_) {
    if (timer.widget->Peer() == timer.peer.get()) timer.widget->AttachPeer(nullptr);
  }
}

TWin32Form* TWin32Form::FromWindow(HWND hwnd) {
  const HWND root = hwnd != nullptr ? GetAncestor(hwnd, GA_ROOT) : nullptr;
  if (root == nullptr) return nullptr;
  for (TWin32Form* form : LiveForms()) {
    if (form->hwnd_ == root) return form;
  }
  return nullptr;
}

HWND TWin32Form::Control(int id) const {
  return GetDlgItem(hwnd_, id);
}

TWin32Peer* TWin32Form::PeerOf(HWND control) const {
  for (HWND h = control; h != nullptr && h != hwnd_; h = GetParent(h)) {
    auto bound = byHandle_.find(h);
    if (bound != byHandle_.end()) return bound->second;
  }
  return nullptr;
}

void TWin32Form::Attach(ui::TComponent& widget, std::unique_ptr<TWin32Peer> peer) {
  TWin32Peer* raw = peer.get();
  peers_.push_back(std::move(peer));
  for (std::size_t i = 0; i < raw->Ids().size(); ++i) {
    byId_[raw->Ids()[i]] = raw;
    byHandle_[raw->Handles()[i]] = raw;
  }
  widget.AttachPeer(raw);  // shows the widget's state at once
}

// ---------------------------------------------------------------------------
// Handlers, focus and closing.

void TWin32Form::PullAll() {
  for (auto& peer : peers_) peer->Pull();
}

void TWin32Form::Guard(const std::function<void()>& action) {
  const HWND focused = GetFocus();
  ++handlersRunning_;
  try {
    action();
  } catch (const std::exception& error) {
    if (errorHandler_) errorHandler_(error);
  } catch (...) {
    // Nothing may leave a window procedure.
  }
  --handlersRunning_;
  if (handlersRunning_ > 0 || hwnd_ == nullptr) return;
  RestoreFocus(focused);
  // A close asked for meanwhile: the user's first, through the form.
  if (userClosePending_) {
    userClosePending_ = false;
    PostMessageW(hwnd_, WM_CLOSE, 0, 0);
  }
  if (closePending_) {
    closePending_ = false;
    PostMessageW(hwnd_, kCloseMessage, 0, 0);
  }
}

void TWin32Form::RestoreFocus(HWND focused) {
  // Disabling the focused control (a wait disables them all) leaves the
  // active window without focus: give it back to that control, or the next
  // one in tab order while it stays disabled.
  if (GetFocus() != nullptr || GetActiveWindow() != hwnd_) return;
  if (focused == nullptr || !IsChild(hwnd_, focused)) return;
  const HWND target = IsWindowEnabled(focused) ? focused : GetNextDlgTabItem(hwnd_, focused, FALSE);
  if (target != nullptr) SetFocus(target);
}

void TWin32Form::CloseNow() {
  ShowWindow(hwnd_, SW_HIDE);
  DestroyWindow(hwnd_);
}

LRESULT CALLBACK TWin32Form::FocusHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_SETFOCUS) {
    // Focus leaving the window (to a dialog or another program) keeps the last
    // control, as the window's active control does.
    const auto focused = reinterpret_cast<HWND>(wParam);
    if (TWin32Form* form = FromWindow(focused)) {
      if (TWin32Peer* peer = form->PeerOf(focused)) form->form_.UserFocused(&peer->Widget());
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void TWin32Form::ReadPlacement() {
  // Screen coordinates, as they are saved and applied. A minimised window's
  // rectangle is not its placement: the last one read before it stays.
  RECT r{};
  if (hwnd_ == nullptr || IsIconic(hwnd_) || !GetWindowRect(hwnd_, &r)) return;
  placement_ = {r.left, r.top, r.right - r.left, r.bottom - r.top};
  form_.UserMoved(placement_);
}

void TWin32Form::Sync(const ui::TComponent&) {
  if (hwnd_ == nullptr) return;
  if (WindowTextA(hwnd_) != form_.Caption()) SetWindowTextA8(hwnd_, form_.Caption());
  if (form_.Cursor() != cursor_) {
    cursor_ = form_.Cursor();
    SetCursor(SystemCursor(cursor_));
  }
  // A placement set by the program (stored state) is applied in screen pixels.
  const ui::TForm::Placement& placement = form_.GetPlacement();
  if (!(placement == placement_) && placement.width > 0 && placement.height > 0)
    ApplyPlacement(placement);
  if (form_.CloseRequested() && modalDepth_ == 0 && mainForm_ && !closePosted_) {
    closePosted_ = true;
    PostMessageW(hwnd_, kCloseMessage, 0, 0);
  }
}

// ---------------------------------------------------------------------------
// Showing.

void TWin32Form::Show(int showCommand) {
  ShowWindow(hwnd_, showCommand);
  UpdateWindow(hwnd_);
  const bool activates = showCommand == SW_SHOW || showCommand == SW_SHOWNORMAL ||
                         showCommand == SW_RESTORE || showCommand == SW_SHOWMAXIMIZED ||
                         showCommand == SW_SHOWDEFAULT;
  if (activates) SetForegroundWindow(hwnd_);
  const ui::TControl* active = form_.ActiveControl();
  const auto* peer = active != nullptr ? dynamic_cast<const TWin32Peer*>(active->Peer()) : nullptr;
  if (peer != nullptr && IsWindowVisible(hwnd_))
    SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(peer->Main()), TRUE);
}

void TWin32Form::RunModal(ui::TForm&) {
  if (hwnd_ == nullptr) return;  // no window: nothing to wait for
  ++modalDepth_;
  if (owner_ != nullptr) EnableWindow(owner_, FALSE);
  ShowWindow(hwnd_, SW_SHOW);
  SetForegroundWindow(hwnd_);
  // The first showing starts on the form's active control; later ones keep
  // the focus where the previous use left it.
  if (!shownModally_ && form_.ActiveControl() != nullptr) {
    form_.SetActiveControl(form_.ActiveControl());
  }
  shownModally_ = true;
  RunMessageLoop([this] { return hwnd_ == nullptr || form_.CloseRequested(); });
  if (owner_ != nullptr) EnableWindow(owner_, TRUE);
  if (hwnd_ != nullptr) ShowWindow(hwnd_, SW_HIDE);
  if (owner_ != nullptr) SetActiveWindow(owner_);
  --modalDepth_;
}

// ---------------------------------------------------------------------------
// Messages.

INT_PTR CALLBACK TWin32Form::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, lParam);
    auto* self = reinterpret_cast<TWin32Form*>(lParam);
    self->hwnd_ = hwnd;
    self->dpi_ = WindowDpi(hwnd);
    self->ScaleTemplate();
    return TRUE;
  }
  if (message == WM_MEASUREITEM && Creating() != nullptr)
    return Creating()->Measure(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
  auto* self = reinterpret_cast<TWin32Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr || self->hwnd_ != hwnd) return FALSE;
  try {
    return self->HandleMessage(message, wParam, lParam);
  } catch (...) {
    return FALSE;  // nothing may leave a window procedure
  }
}

INT_PTR TWin32Form::Measure(MEASUREITEMSTRUCT& item) const {
  if (item.CtlType != ODT_COMBOBOX) return FALSE;
  for (const TListMeasure& measure : measures_) {
    if (measure.id != static_cast<int>(item.CtlID)) continue;
    item.itemHeight = static_cast<UINT>(
        Scale(item.itemID == static_cast<UINT>(-1) ? measure.fieldHeight : measure.itemHeight));
    return TRUE;
  }
  return FALSE;
}

INT_PTR TWin32Form::Command(int id, int code) {
  auto peer = byId_.find(id);
  if (peer != byId_.end()) {
    Guard([&] { peer->second->Command(id, code); });
    return TRUE;
  }
  // Enter and Esc without a control of their ID.
  if ((id == IDOK || id == IDCANCEL) && code == BN_CLICKED && keyHandler_) {
    Guard([&] { keyHandler_(id == IDOK ? VK_RETURN : VK_ESCAPE); });
    return TRUE;
  }
  return FALSE;
}

INT_PTR TWin32Form::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      return Command(LOWORD(wParam), HIWORD(wParam));
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      auto peer = byId_.find(static_cast<int>(header->idFrom));
      if (peer == byId_.end()) return FALSE;
      bool handled = false;
      LRESULT result = 0;
      Guard([&] { handled = peer->second->Notify(header, result); });
      if (!handled) return FALSE;
      SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
      return TRUE;
    }
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      auto peer = byId_.find(static_cast<int>(item.CtlID));
      return peer != byId_.end() && peer->second->Draw(item) ? TRUE : FALSE;
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC: {
      auto peer = byHandle_.find(reinterpret_cast<HWND>(lParam));
      if (peer == byHandle_.end()) return FALSE;
      return reinterpret_cast<INT_PTR>(peer->second->CtlColor(reinterpret_cast<HDC>(wParam)));
    }
    case WM_ACTIVATE:
      form_.SetActiveWindow(LOWORD(wParam) != WA_INACTIVE);
      return FALSE;
    case WM_CLOSE:
      // A close asked for while a handler runs (a service wait handles
      // messages) is carried out once that handler has returned: it still
      // uses the window and its widgets.
      if (handlersRunning_ > 0) {
        userClosePending_ = true;
        return TRUE;
      }
      Guard([this] { form_.UserClose(); });
      return TRUE;
    case kCloseMessage:
      if (handlersRunning_ > 0) {
        closePending_ = true;
      } else {
        CloseNow();
      }
      return TRUE;
    case WM_SYSCOMMAND: {
      if (!sysCommandHandler_) return FALSE;
      const LRESULT result = DefWindowProcW(hwnd_, message, wParam, lParam);
      Guard([&] { sysCommandHandler_(static_cast<std::uintptr_t>(wParam)); });
      SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
      return TRUE;
    }
    case TTrayIconPeer::kCallbackMessage:
      if (trayWidget_ == nullptr) return TRUE;
      if (lParam == WM_LBUTTONDBLCLK) Guard([this] { trayWidget_->UserDblClick(); });
      if (lParam == WM_RBUTTONUP || lParam == WM_CONTEXTMENU)
        Guard([this] { tray_->ShowMenu(*trayWidget_); });
      return TRUE;
    case WM_TIMER:
      for (auto& timer : timers_) {
        if (timer.peer->Id() == wParam) Guard([&timer] { timer.widget->UserTick(); });
      }
      return TRUE;
    case kWmDpiChanged:
      DpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return TRUE;
    case WM_WINDOWPOSCHANGED:
      ReadPlacement();
      return FALSE;
    case WM_HELP:
      if (helpHandler_) Guard(helpHandler_);
      return TRUE;
    case WM_SETCURSOR:
      if (form_.Cursor() == ui::TCursor::HourGlass) {
        SetCursor(SystemCursor(ui::TCursor::HourGlass));
        SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, TRUE);
        return TRUE;
      }
      return FALSE;
    case WM_DESTROY:
      // The state saved on destruction is the window's last normal placement;
      // the icon goes with the window.
      ReadPlacement();
      if (tray_) tray_->Remove();
      if (destroyHandler_) {
        try {
          destroyHandler_();
        } catch (const std::exception& error) {
          if (errorHandler_) errorHandler_(error);
        }
      }
      DetachWidgets();
      if (mainForm_) PostQuitMessage(0);
      return FALSE;
    case WM_NCDESTROY:
      hwnd_ = nullptr;
      return FALSE;
    default:
      return FALSE;
  }
}

// ---------------------------------------------------------------------------
// The message loop.

int RunMessageLoop(const std::function<bool()>& done) {
  MSG msg;
  while (!done || !done()) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == -1) return 1;
    if (got == 0) {
      // An inner loop leaves the quit message to the outer one.
      if (done) PostQuitMessage(static_cast<int>(msg.wParam));
      return static_cast<int>(msg.wParam);
    }
    HWND root = msg.hwnd != nullptr ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (root != nullptr && IsDialogMessageW(root, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}

}  // namespace common::win32
