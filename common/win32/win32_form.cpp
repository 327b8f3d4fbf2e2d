#include "common/win32/win32_form.h"

#include <commctrl.h>
#include <shlobj.h>
#include <windowsx.h>

#include <climits>
#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>

#include "common/win32/handles_win32.h"
#include "common/win32/text_win32.h"

namespace common::win32 {

namespace ui = common::ui;

namespace {

std::wstring WindowTextW(HWND hwnd) {
  const int length = GetWindowTextLengthW(hwnd);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return text;
}

std::string WindowTextA(HWND hwnd) {
  return WideToAnsi(WindowTextW(hwnd));
}

void SetWindowTextA8(HWND hwnd, const std::string& text) {
  const std::wstring wide = AnsiToWide(text);
  SetWindowTextW(hwnd, wide.c_str());
}

// A whole number written as optional minus and decimal digits only.
bool ParseWhole(const std::wstring& text, long long& value) {
  if (text.empty() || text.size() > 12) return false;
  std::size_t i = 0;
  bool negative = false;
  if (text[0] == L'-') {
    negative = true;
    i = 1;
    if (text.size() == 1) return false;
  }
  long long v = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < L'0' || text[i] > L'9') return false;
    v = v * 10 + (text[i] - L'0');
  }
  value = negative ? -v : v;
  return true;
}

// The window's own visibility, whatever its parent's (IsWindowVisible looks
// at the parents too, and the window is hidden while it is being filled).
bool HasVisibleStyle(HWND hwnd) {
  return (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

using UniqueImageList = UniqueHandle<HIMAGELIST, &ImageList_Destroy>;

struct CoTaskMemDeleter {
  void operator()(void* p) const { CoTaskMemFree(p); }
};

void InitControlClasses() {
  static const bool done = [] {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES |
                                              ICC_TAB_CLASSES | ICC_UPDOWN_CLASS |
                                              ICC_INTERNET_CLASSES};
    return InitCommonControlsEx(&icc) != FALSE;
  }();
  (void)done;
}

}  // namespace

// The on-screen side of one widget: one or more controls of the window.
class TWin32Peer : public ui::IPeer {
 public:
  TWin32Peer(TWin32Form& owner, ui::TControl& control, std::vector<int> ids)
      : owner_(owner), control_(control), ids_(std::move(ids)) {
    for (int id : ids_) handles_.push_back(owner_.Control(id));
  }
  const std::vector<int>& Ids() const { return ids_; }
  const std::vector<HWND>& Handles() const { return handles_; }
  HWND Main() const { return handles_.front(); }
  void Detach() {
    if (control_.Peer() == this) control_.AttachPeer(nullptr);
  }

  void Sync(const ui::TComponent&) override {
    if (syncing_) return;
    syncing_ = true;
    const bool enabled = control_.Enabled();
    for (HWND h : handles_) {
      if ((IsWindowEnabled(h) != FALSE) != enabled) EnableWindow(h, enabled);
    }
    SyncState();
    syncing_ = false;
    ShowState();
  }
  // Shown exactly when the widget is visible and its page is shown.
  void ShowState() {
    for (std::size_t i = 0; i < handles_.size(); ++i) {
      const bool show = control_.Visible() && owner_.OnShownPage(ids_[i]);
      if (HasVisibleStyle(handles_[i]) != show) {
        ShowWindow(handles_[i], show ? SW_SHOWNA : SW_HIDE);
      }
    }
  }
  bool Focus() override {
    SetFocus(Main());
    return GetFocus() == Main();
  }
  // A WM_COMMAND notification from the control with this ID.
  virtual void Command(int /*id*/, int /*code*/) {}
  // A WM_NOTIFY from the control; true when handled, with the result.
  virtual bool Notify(NMHDR* /*header*/, LRESULT& /*result*/) { return false; }
  // Reads back a state that the control may have changed without notifying.
  virtual void Pull() {}
  // The background brush of a field, or null for the default.
  virtual HBRUSH CtlColor(HDC /*dc*/) { return nullptr; }

 protected:
  virtual void SyncState() {}
  TWin32Form& owner_;
  ui::TControl& control_;
  std::vector<int> ids_;
  std::vector<HWND> handles_;
  bool syncing_ = false;
};

namespace {

HBRUSH FieldBrush(HDC dc, ui::TColor color) {
  const int index = color == ui::TColor::BtnFace ? COLOR_BTNFACE : COLOR_WINDOW;
  SetBkColor(dc, GetSysColor(index));
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  return GetSysColorBrush(index);  // a system brush: never deleted
}

class TLabelPeer : public TWin32Peer {
 public:
  TLabelPeer(TWin32Form& owner, ui::TLabel& label, int id)
      : TWin32Peer(owner, label, {id}), label_(label) {}

 protected:
  void SyncState() override {
    if (!label_.Caption().empty() && WindowTextA(Main()) != label_.Caption()) {
      SetWindowTextA8(Main(), label_.Caption());
    }
  }

 private:
  ui::TLabel& label_;
};

class TButtonPeer : public TWin32Peer {
 public:
  TButtonPeer(TWin32Form& owner, ui::TButton& button, int id)
      : TWin32Peer(owner, button, {id}), button_(button) {}
  void Command(int, int code) override {
    if (code != BN_CLICKED || !button_.Enabled()) return;
    owner_.PullAll();
    button_.UserClick();
  }

 private:
  ui::TButton& button_;
};

class TEditPeer : public TWin32Peer {
 public:
  TEditPeer(TWin32Form& owner, ui::TEdit& edit, std::vector<int> ids)
      : TWin32Peer(owner, edit, std::move(ids)), edit_(edit) {
    SendMessageW(Main(), EM_SETLIMITTEXT, 0, 0);
  }
  void Command(int id, int code) override {
    if (id == ids_.front() && code == EN_CHANGE && !syncing_)
      edit_.UserSetText(WindowTextA(Main()));
    if (id == ids_.front() && code == EN_KILLFOCUS) edit_.UserExit();
  }
  HBRUSH CtlColor(HDC dc) override { return FieldBrush(dc, edit_.Color()); }

 protected:
  void SyncState() override {
    if (WindowTextA(Main()) != edit_.Text()) SetWindowTextA8(Main(), edit_.Text());
    SendMessageW(Main(), EM_SETREADONLY, edit_.ReadOnly(), 0);
    InvalidateRect(Main(), nullptr, TRUE);
  }
  ui::TEdit& edit_;
};

class TFolderEditPeer : public TEditPeer {
 public:
  TFolderEditPeer(TWin32Form& owner, ui::TFolderEdit& edit, int editId, int browseId)
      : TEditPeer(owner, edit, {editId, browseId}) {}
  void Command(int id, int code) override {
    if (id == ids_[1]) {
      if (code == BN_CLICKED) Browse();
      return;
    }
    TEditPeer::Command(id, code);
  }

 private:
  void Browse() {
    wchar_t display[MAX_PATH] = {};
    BROWSEINFOW info{};
    info.hwndOwner = owner_.Handle();
    info.pidlRoot = nullptr;  // the desktop
    info.pszDisplayName = display;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    std::unique_ptr<ITEMIDLIST, CoTaskMemDeleter> picked(SHBrowseForFolderW(&info));
    if (!picked) return;
    wchar_t path[MAX_PATH] = {};
    if (!SHGetPathFromIDListW(picked.get(), path)) return;
    edit_.UserSetText(WideToAnsi(path));
    Sync(edit_);
  }
};

class TSpinPeer : public TWin32Peer {
 public:
  TSpinPeer(TWin32Form& owner, ui::TSpinEdit& spin, int editId, int upDownId)
      : TWin32Peer(owner, spin, {editId, upDownId}), spin_(spin) {
    SendMessageW(handles_[1], UDM_SETRANGE32, spin.MinValue(), spin.MaxValue());
    SendMessageW(Main(), EM_SETLIMITTEXT, 12, 0);
    SetWindowSubclass(Main(), KeyProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
  }
  ~TSpinPeer() override { RemoveWindowSubclass(Main(), KeyProc, kSubclassId); }
  TSpinPeer(const TSpinPeer&) = delete;
  TSpinPeer& operator=(const TSpinPeer&) = delete;
  void Command(int id, int code) override {
    if (id != ids_.front() || syncing_) return;
    if (code == EN_CHANGE) {
      const std::wstring text = WindowTextW(Main());
      if (text.empty()) return;  // allowed while typing; leaving sets the minimum
      long long value = 0;
      if (ParseWhole(text, value) && value >= spin_.MinValue() && value <= spin_.MaxValue()) {
        spin_.UserSetValue(static_cast<std::int32_t>(value));
      } else {
        ShowValue(true);  // undo: the previous number comes back
      }
    } else if (code == EN_KILLFOCUS) {
      if (WindowTextW(Main()).empty()) {
        spin_.UserLeftEmpty();
        ShowValue(false);
      }
    }
  }
  bool Notify(NMHDR* header, LRESULT& result) override {
    if (header->hwndFrom != handles_[1] || header->code != UDN_DELTAPOS) return false;
    result = TRUE;  // the field keeps its own number; the up-down's position is unused
    Step(reinterpret_cast<NMUPDOWN*>(header)->iDelta);
    return true;
  }
  // One step of the arrows (or of the Up and Down keys), kept within the
  // range; a read-only field ignores it.
  void Step(int delta) {
    if (spin_.ReadOnly()) return;
    const long long next = static_cast<long long>(spin_.Value()) + delta;
    const long long clamped = next < spin_.MinValue()
                                  ? spin_.MinValue()
                                  : (next > spin_.MaxValue() ? spin_.MaxValue() : next);
    spin_.UserSetValue(static_cast<std::int32_t>(clamped));
    ShowValue(true);
  }
  // A click elsewhere leaves the field: an empty field takes its minimum then,
  // even when it never had the focus (text set by another program).
  void Pull() override {
    if (syncing_ || !WindowTextW(Main()).empty()) return;
    spin_.UserLeftEmpty();
    ShowValue(false);
  }
  HBRUSH CtlColor(HDC dc) override { return FieldBrush(dc, spin_.Color()); }

 protected:
  void SyncState() override {
    ShowValue(false);
    SendMessageW(Main(), EM_SETREADONLY, spin_.ReadOnly(), 0);
    InvalidateRect(Main(), nullptr, TRUE);
  }

 private:
  static constexpr UINT_PTR kSubclassId = 1;
  // The field's own window procedure in front of the edit's: Up and Down step.
  static LRESULT CALLBACK KeyProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                  DWORD_PTR self) {
    if (message == WM_KEYDOWN && (wParam == VK_UP || wParam == VK_DOWN)) {
      auto* peer = reinterpret_cast<TSpinPeer*>(self);
      peer->owner_.Guard([&] { peer->Step(wParam == VK_UP ? 1 : -1); });
      return 0;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
  }
  void ShowValue(bool caretAtEnd) {
    const std::wstring text = std::to_wstring(spin_.Value());
    if (WindowTextW(Main()) == text) return;
    const bool wasSyncing = syncing_;
    syncing_ = true;
    SetWindowTextW(Main(), text.c_str());
    if (caretAtEnd) SendMessageW(Main(), EM_SETSEL, text.size(), text.size());
    syncing_ = wasSyncing;
  }
  ui::TSpinEdit& spin_;
};

// A check box or a radio button. A check box follows its button either way; a
// radio button only takes a click that checks it (the group unchecks the others).
template <class TWidget>
class TCheckablePeer : public TWin32Peer {
 public:
  TCheckablePeer(TWin32Form& owner, TWidget& widget, int id)
      : TWin32Peer(owner, widget, {id}), widget_(widget) {}
  void Command(int, int code) override {
    if (code != BN_CLICKED) return;
    // BM_CLICK reaches a disabled control too: it takes no click, and shows its state again.
    if (!widget_.Enabled()) return Sync(widget_);
    Pull();
  }
  void Pull() override {
    if (syncing_) return;
    const bool checked = SendMessageW(Main(), BM_GETCHECK, 0, 0) == BST_CHECKED;
    constexpr bool kUncheckable = std::is_same_v<TWidget, ui::TCheckBox>;
    if (checked != widget_.Checked() && (checked || kUncheckable)) widget_.UserClick();
  }

 protected:
  void SyncState() override {
    SendMessageW(Main(), BM_SETCHECK, widget_.Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
  }

 private:
  TWidget& widget_;
};
using TCheckBoxPeer = TCheckablePeer<ui::TCheckBox>;
using TRadioButtonPeer = TCheckablePeer<ui::TRadioButton>;

class TRadioGroupPeer : public TWin32Peer {
 public:
  TRadioGroupPeer(TWin32Form& owner, ui::TRadioGroup& group, std::vector<int> ids)
      : TWin32Peer(owner, group, std::move(ids)), group_(group) {}
  // A click selects the item of the button that was clicked. The buttons are
  // then shown again from the group, so that exactly one stays checked: the
  // system's automatic unchecking skips buttons on a hidden page.
  void Command(int id, int code) override {
    if (code != BN_CLICKED || syncing_) return;
    if (group_.Enabled()) {
      for (std::size_t i = 1; i < ids_.size(); ++i) {
        if (ids_[i] == id && SendMessageW(handles_[i], BM_GETCHECK, 0, 0) == BST_CHECKED)
          group_.UserSelect(static_cast<int>(i - 1));
      }
    }
    Sync(group_);
  }
  // The selected item stays while its button is checked; otherwise the first
  // checked button gives the item.
  void Pull() override {
    if (syncing_) return;
    const int selected = group_.ItemIndex() + 1;
    if (selected >= 1 && static_cast<std::size_t>(selected) < handles_.size() &&
        SendMessageW(handles_[selected], BM_GETCHECK, 0, 0) == BST_CHECKED)
      return;
    for (std::size_t i = 1; i < handles_.size(); ++i) {
      if (SendMessageW(handles_[i], BM_GETCHECK, 0, 0) == BST_CHECKED) {
        group_.UserSelect(static_cast<int>(i - 1));
        return;
      }
    }
  }

 protected:
  void SyncState() override {
    for (std::size_t i = 1; i < handles_.size(); ++i) {
      const bool checked = static_cast<int>(i - 1) == group_.ItemIndex();
      SendMessageW(handles_[i], BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    }
  }

 private:
  ui::TRadioGroup& group_;
};

class TComboBoxPeer : public TWin32Peer {
 public:
  TComboBoxPeer(TWin32Form& owner, ui::TItemList& list, int id)
      : TWin32Peer(owner, list, {id}), list_(list) {}
  void Command(int, int code) override {
    if (code == CBN_SELCHANGE) Pull();
  }
  void Pull() override {
    if (syncing_) return;
    const int index = static_cast<int>(SendMessageW(Main(), CB_GETCURSEL, 0, 0));
    if (index >= 0 && index != list_.ItemIndex()) list_.UserSelect(index);
  }

 protected:
  void SyncState() override {
    if (shownItems_ != list_.Items()) {
      SendMessageW(Main(), CB_RESETCONTENT, 0, 0);
      for (const auto& item : list_.Items()) {
        const std::wstring wide = AnsiToWide(item);
        SendMessageW(Main(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
      }
      shownItems_ = list_.Items();
    }
    SendMessageW(Main(), CB_SETCURSEL, static_cast<WPARAM>(list_.ItemIndex()), 0);
  }

 private:
  ui::TItemList& list_;
  std::vector<std::string> shownItems_;
};

class TListGridPeer : public TWin32Peer {
 public:
  TListGridPeer(TWin32Form& owner, ui::TListGridBase& grid, int id,
                const std::vector<TWin32Form::Column>& columns, int rowHeight)
      : TWin32Peer(owner, grid, {id}), grid_(grid), columns_(columns.size()) {
    SendMessageW(Main(), LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    for (std::size_t i = 0; i < columns.size(); ++i) {
      std::wstring header = AnsiToWide(columns[i].header);
      LVCOLUMNW column{};
      column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
      column.pszText = header.data();
      column.cx = columns[i].width;
      column.iSubItem = static_cast<int>(i);
      SendMessageW(Main(), LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
    // The row height follows the height of the small image list. The list
    // window shares it (LVS_SHAREIMAGELISTS), so this peer releases it.
    if (rowHeight > 0) {
      rowImages_.reset(ImageList_Create(1, rowHeight, ILC_COLOR, 1, 0));
      if (rowImages_) {
        SendMessageW(Main(), LVM_SETIMAGELIST, LVSIL_SMALL,
                     reinterpret_cast<LPARAM>(rowImages_.get()));
      }
    }
  }
  bool Notify(NMHDR* header, LRESULT& result) override {
    switch (header->code) {
      case LVN_ITEMCHANGED: {
        const auto* change = reinterpret_cast<NMLISTVIEW*>(header);
        if (!syncing_ && (change->uChanged & LVIF_STATE) != 0 &&
            ((change->uOldState ^ change->uNewState) & LVIS_SELECTED) != 0) {
          Pull();
        }
        result = 0;
        return true;
      }
      case LVN_KEYDOWN:
        grid_.UserKeyDown(reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey);
        result = 0;
        return true;
      case NM_DBLCLK:
        Pull();
        grid_.UserDblClick();
        result = 0;
        return true;
      default:
        return false;
    }
  }
  void Pull() override {
    if (syncing_) return;
    const int row = static_cast<int>(
        SendMessageW(Main(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    if (row != grid_.Selected()) grid_.UserSelect(row);
  }

 protected:
  void SyncState() override {
    std::vector<std::vector<std::string>> rows;
    for (int r = 0; r < grid_.RowCount(); ++r) rows.push_back(grid_.Cells(r));
    if (rows != shownRows_) {
      SendMessageW(Main(), LVM_DELETEALLITEMS, 0, 0);
      for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < columns_; ++c) {
          std::wstring text = AnsiToWide(c < rows[r].size() ? rows[r][c] : std::string());
          LVITEMW item{};
          item.mask = LVIF_TEXT;
          item.iItem = static_cast<int>(r);
          item.iSubItem = static_cast<int>(c);
          item.pszText = text.data();
          SendMessageW(Main(), c == 0 ? LVM_INSERTITEMW : LVM_SETITEMTEXTW, r,
                       reinterpret_cast<LPARAM>(&item));
        }
      }
      shownRows_ = std::move(rows);
    }
    const int selected = grid_.Selected();
    const int shown = static_cast<int>(
        SendMessageW(Main(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    if (shown != selected) {
      LVITEMW state{};
      state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
      state.state = 0;
      SendMessageW(Main(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                   reinterpret_cast<LPARAM>(&state));
      if (selected >= 0) {
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(Main(), LVM_SETITEMSTATE, selected, reinterpret_cast<LPARAM>(&state));
        SendMessageW(Main(), LVM_ENSUREVISIBLE, selected, FALSE);
      }
    }
  }

 private:
  ui::TListGridBase& grid_;
  std::size_t columns_;
  std::vector<std::vector<std::string>> shownRows_;
  UniqueImageList rowImages_;
};

class TPageControlPeer : public TWin32Peer {
 public:
  TPageControlPeer(TWin32Form& owner, ui::TPageControl& pages, int id)
      : TWin32Peer(owner, pages, {id}), pages_(pages) {
    for (int page = 0; page < static_cast<int>(pages.Captions().size()); ++page) {
      if (!pages.TabVisible(page)) continue;
      std::wstring caption = AnsiToWide(pages.Captions()[page]);
      TCITEMW item{};
      item.mask = TCIF_TEXT;
      item.pszText = caption.data();
      SendMessageW(Main(), TCM_INSERTITEMW, tabPages_.size(), reinterpret_cast<LPARAM>(&item));
      tabPages_.push_back(page);
    }
  }
  bool Notify(NMHDR* header, LRESULT& result) override {
    if (header->code != TCN_SELCHANGE) return false;
    Pull();
    result = 0;
    return true;
  }
  void Pull() override {
    const int tab = static_cast<int>(SendMessageW(Main(), TCM_GETCURSEL, 0, 0));
    if (tab < 0 || tab >= static_cast<int>(tabPages_.size())) return;
    if (tabPages_[tab] != pages_.ActivePageIndex()) pages_.UserSelectPage(tabPages_[tab]);
    owner_.ShowPage(pages_.ActivePageIndex());
  }

 protected:
  void SyncState() override {
    for (std::size_t tab = 0; tab < tabPages_.size(); ++tab) {
      if (tabPages_[tab] == pages_.ActivePageIndex()) {
        SendMessageW(Main(), TCM_SETCURSEL, tab, 0);
      }
    }
    owner_.ShowPage(pages_.ActivePageIndex());
  }

 private:
  ui::TPageControl& pages_;
  std::vector<int> tabPages_;  // the page of each tab
};

class TIPEditPeer : public TWin32Peer {
 public:
  TIPEditPeer(TWin32Form& owner, ui::TIPEdit& edit, int id)
      : TWin32Peer(owner, edit, {id}), edit_(edit) {}
  void Command(int, int code) override {
    if (code == EN_CHANGE) Pull();
  }
  bool Notify(NMHDR* header, LRESULT& result) override {
    if (header->code != IPN_FIELDCHANGED) return false;
    Pull();
    result = 0;
    return true;
  }
  void Pull() override {
    if (syncing_) return;
    DWORD value = 0;
    SendMessageW(Main(), IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&value));
    edit_.UserSetValue(value);
  }

 protected:
  void SyncState() override {
    // Blank parts read as 0: the value is written unless all four parts show it.
    DWORD shown = 0;
    const LRESULT filled =
        SendMessageW(Main(), IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&shown));
    if (filled != 4 || shown != edit_.Value()) {
      SendMessageW(Main(), IPM_SETADDRESS, 0, edit_.Value());
    }
  }

 private:
  ui::TIPEdit& edit_;
};

}  // namespace

// ---------------------------------------------------------------------------

TWin32Form::TWin32Form(ui::TForm& form, HINSTANCE instance, int templateId, HWND owner)
    : form_(form), owner_(owner) {
  InitControlClasses();
  hwnd_ = CreateDialogParamW(instance, MAKEINTRESOURCEW(templateId), owner, DialogProc,
                             reinterpret_cast<LPARAM>(this));
  if (hwnd_ == nullptr) return;
  form_.AttachPeer(this);
}

TWin32Form::~TWin32Form() {
  // The widgets outlive this window: they stop mirroring to it first.
  if (form_.Peer() == this) form_.AttachPeer(nullptr);
  for (auto& peer : peers_) peer->Detach();
  if (hwnd_ != nullptr) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
}

HWND TWin32Form::Control(int id) const {
  return GetDlgItem(hwnd_, id);
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

void TWin32Form::BindLabel(ui::TLabel& label, int id) {
  Attach(label, std::make_unique<TLabelPeer>(*this, label, id));
}

void TWin32Form::BindButton(ui::TButton& button, int id) {
  Attach(button, std::make_unique<TButtonPeer>(*this, button, id));
}

void TWin32Form::BindEdit(ui::TEdit& edit, int id) {
  Attach(edit, std::make_unique<TEditPeer>(*this, edit, std::vector<int>{id}));
}

void TWin32Form::BindFolderEdit(ui::TFolderEdit& edit, int editId, int browseId) {
  Attach(edit, std::make_unique<TFolderEditPeer>(*this, edit, editId, browseId));
}

void TWin32Form::BindSpin(ui::TSpinEdit& spin, int editId, int upDownId) {
  Attach(spin, std::make_unique<TSpinPeer>(*this, spin, editId, upDownId));
}

void TWin32Form::BindCheckBox(ui::TCheckBox& box, int id) {
  Attach(box, std::make_unique<TCheckBoxPeer>(*this, box, id));
}

void TWin32Form::BindRadioButton(ui::TRadioButton& button, int id) {
  Attach(button, std::make_unique<TRadioButtonPeer>(*this, button, id));
}

void TWin32Form::BindRadioGroup(ui::TRadioGroup& group, int groupBoxId, std::vector<int> itemIds) {
  std::vector<int> ids{groupBoxId};
  ids.insert(ids.end(), itemIds.begin(), itemIds.end());
  Attach(group, std::make_unique<TRadioGroupPeer>(*this, group, std::move(ids)));
}

void TWin32Form::BindComboBox(ui::TItemList& list, int id) {
  Attach(list, std::make_unique<TComboBoxPeer>(*this, list, id));
}

void TWin32Form::BindListGrid(ui::TListGridBase& grid, int id, std::vector<Column> columns,
                              int rowHeight) {
  Attach(grid, std::make_unique<TListGridPeer>(*this, grid, id, columns, rowHeight));
}

void TWin32Form::BindPageControl(ui::TPageControl& pages, int tabId,
                                 std::function<int(int controlId)> pageOf) {
  pageOf_ = std::move(pageOf);
  // The tab control lies under the pages' controls and does not paint over them.
  SendToBack(tabId);
  Attach(pages, std::make_unique<TPageControlPeer>(*this, pages, tabId));
}

void TWin32Form::BindIPEdit(ui::TIPEdit& edit, int id) {
  Attach(edit, std::make_unique<TIPEditPeer>(*this, edit, id));
}

bool TWin32Form::OnShownPage(int id) const {
  if (!pageOf_) return true;
  const int page = pageOf_(id);
  return page < 0 || page == activePage_;
}

void TWin32Form::ShowPage(int page) {
  if (page == activePage_ || !pageOf_) {
    activePage_ = page;
    return;
  }
  activePage_ = page;
  // Every child of a page: bound controls follow their widget's visibility too.
  for (HWND child = GetWindow(hwnd_, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    const int id = GetDlgCtrlID(child);
    const int childPage = pageOf_(id);
    if (childPage < 0) continue;
    auto bound = byHandle_.find(child);
    if (bound != byHandle_.end()) {
      bound->second->ShowState();
    } else {
      ShowWindow(child, childPage == page ? SW_SHOWNA : SW_HIDE);
    }
  }
  // Keep the focus on a shown control.
  HWND focus = GetFocus();
  if (focus != nullptr && IsChild(hwnd_, focus) && !HasVisibleStyle(focus)) {
    SetFocus(GetNextDlgTabItem(hwnd_, nullptr, FALSE));
  }
}

void TWin32Form::PullAll() {
  for (auto& peer : peers_) peer->Pull();
}

void TWin32Form::Guard(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& error) {
    if (errorHandler_) errorHandler_(error);
  } catch (...) {
    // Nothing may leave a window procedure.
  }
}

void TWin32Form::SetClientSize(int width, int height) {
  RECT rect{0, 0, width, height};
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE));
  const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE));
  AdjustWindowRectEx(&rect, style, FALSE, exStyle);
  SetWindowPos(hwnd_, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWin32Form::SendToBack(int id) {
  HWND control = Control(id);
  if (control == nullptr) return;
  SetWindowLongPtrW(control, GWL_STYLE, GetWindowLongPtrW(control, GWL_STYLE) | WS_CLIPSIBLINGS);
  SetWindowPos(control, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TWin32Form::CenterOnScreen() {
  RECT rect{};
  GetWindowRect(hwnd_, &rect);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  MoveTo((GetSystemMetrics(SM_CXSCREEN) - width) / 2, (GetSystemMetrics(SM_CYSCREEN) - height) / 2);
}

void TWin32Form::MoveTo(int left, int top) {
  SetWindowPos(hwnd_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWin32Form::Show() {
  ShowWindow(hwnd_, SW_SHOW);
  SetForegroundWindow(hwnd_);
  if (form_.ActiveControl() != nullptr) {
    form_.SetActiveControl(form_.ActiveControl());
  }
}

void TWin32Form::Sync(const ui::TComponent&) {
  if (hwnd_ == nullptr) return;
  if (WindowTextA(hwnd_) != form_.Caption()) SetWindowTextA8(hwnd_, form_.Caption());
  if (form_.CloseRequested() && modalDepth_ == 0 && mainForm_ && !quitPosted_) {
    quitPosted_ = true;
    ShowWindow(hwnd_, SW_HIDE);
    PostQuitMessage(0);
  }
}

void TWin32Form::RunModal(ui::TForm&) {
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
  MSG msg;
  while (!form_.CloseRequested()) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) {
      PostQuitMessage(got == 0 ? static_cast<int>(msg.wParam) : 0);  // for the outer loop
      break;
    }
    if (!IsDialogMessageW(hwnd_, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  if (owner_ != nullptr) EnableWindow(owner_, TRUE);
  ShowWindow(hwnd_, SW_HIDE);
  if (owner_ != nullptr) SetActiveWindow(owner_);
  --modalDepth_;
}

INT_PTR CALLBACK TWin32Form::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, lParam);
    reinterpret_cast<TWin32Form*>(lParam)->hwnd_ = hwnd;
    return TRUE;
  }
  auto* self = reinterpret_cast<TWin32Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr) return FALSE;
  INT_PTR result = FALSE;
  self->Guard([&] { result = self->HandleMessage(message, wParam, lParam); });
  return result;
}

INT_PTR TWin32Form::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const int code = HIWORD(wParam);
      auto peer = byId_.find(id);
      if (peer != byId_.end()) {
        peer->second->Command(id, code);
        return TRUE;
      }
      return FALSE;
    }
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      auto peer = byId_.find(static_cast<int>(header->idFrom));
      if (peer == byId_.end()) return FALSE;
      LRESULT result = 0;
      if (!peer->second->Notify(header, result)) return FALSE;
      SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
      return TRUE;
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC: {
      auto peer = byHandle_.find(reinterpret_cast<HWND>(lParam));
      if (peer == byHandle_.end()) return FALSE;
      HBRUSH brush = peer->second->CtlColor(reinterpret_cast<HDC>(wParam));
      return reinterpret_cast<INT_PTR>(brush);
    }
    case WM_ACTIVATE:
      form_.SetActiveWindow(LOWORD(wParam) != WA_INACTIVE);
      return FALSE;
    case WM_CLOSE:
      form_.UserClose();
      return TRUE;
    case WM_HELP:
      if (helpHandler_) helpHandler_();
      return TRUE;
    case WM_SETCURSOR:
      if (form_.Cursor() == ui::TCursor::HourGlass) {
        SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT)));
        SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, TRUE);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

int RunMessageLoop() {
  MSG msg;
  for (;;) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(msg.wParam);
    if (got == -1) return 1;
    HWND root = msg.hwnd != nullptr ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (root != nullptr && IsDialogMessageW(root, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

std::string ExecutableDirectory() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD got = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (got == 0) return {};
    if (got < path.size()) {
      path.resize(got);
      break;
    }
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
  const std::size_t slash = path.find_last_of(L"\\/");
  return WideToAnsi(path.substr(0, slash == std::wstring::npos ? 0 : slash + 1));
}

}  // namespace common::win32
