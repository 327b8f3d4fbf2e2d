// Text fields, folder fields, number fields and address fields.
#include "common/win32/win32_peer.h"

#include <shlobj.h>

#include <cstdint>

#include "common/win32/dll_search_win32.h"
#include "common/win32/text_win32.h"

namespace common::win32 {

namespace ui = common::ui;

namespace {

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

// The folder chooser's functions are loaded on first use: the shell and COM's
// allocator are not needed at start-up.
struct CoTaskMemDeleter {
  void operator()(void* p) const {
    using Entry = void(WINAPI*)(LPVOID);
    static const auto free = SystemEntry<Entry>("ole32.dll", "CoTaskMemFree");
    if (free != nullptr) free(p);
  }
};

// A text field. Text changed by input is left (the widget's exit) when the
// field loses the focus, or at the next click when it never had the focus
// (text set by another program): either way as a user's typing would be.
class TEditPeer : public TWin32Peer {
 public:
  TEditPeer(TWin32Form& owner, ui::TEdit& edit, std::vector<int> ids)
      : TWin32Peer(owner, edit, std::move(ids)), edit_(edit) {
    SendMessageW(Main(), EM_SETLIMITTEXT, 0, 0);
  }
  void Command(int id, int code) override {
    if (id != ids_.front()) return;
    if (code == EN_CHANGE && !syncing_) {
      edited_ = true;
      edit_.UserSetText(WindowTextA(Main()));
    } else if (code == EN_KILLFOCUS) {
      edited_ = false;
      edit_.UserSetText(WindowTextA(Main()));
      edit_.UserExit();
    }
  }
  void Pull() override {
    if (syncing_) return;
    std::string text = WindowTextA(Main());
    if (text != edit_.Text()) {
      if (PullAsUserInput()) {
        edit_.UserSetText(std::move(text));
      } else {
        edit_.SetText(std::move(text));
      }
    }
    if (edited_) {
      edited_ = false;
      edit_.UserExit();
    }
  }
  HBRUSH CtlColor(HDC dc) override { return FieldBrush(dc, edit_.Color()); }

 protected:
  void SyncState() override {
    if (WindowTextA(Main()) != edit_.Text()) SetWindowTextA8(Main(), edit_.Text());
    SendMessageW(Main(), EM_SETREADONLY, edit_.ReadOnly(), 0);
    InvalidateRect(Main(), nullptr, TRUE);
  }
  ui::TEdit& edit_;
  bool edited_ = false;
};

class TFolderEditPeer : public TEditPeer {
 public:
  TFolderEditPeer(TWin32Form& owner, ui::TFolderEdit& edit, int editId, int browseId)
      : TEditPeer(owner, edit, {editId, browseId}) {}
  void Command(int id, int code) override {
    if (id == ids_[1]) {
      if (code == BN_CLICKED && IsWindowEnabled(handles_[1])) Browse();
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
    using Browse = PIDLIST_ABSOLUTE(WINAPI*)(LPBROWSEINFOW);
    using PathOf = BOOL(WINAPI*)(PCIDLIST_ABSOLUTE, LPWSTR);
    static const auto browse = SystemEntry<Browse>("shell32.dll", "SHBrowseForFolderW");
    static const auto pathOf = SystemEntry<PathOf>("shell32.dll", "SHGetPathFromIDListW");
    if (browse == nullptr || pathOf == nullptr) return;
    std::unique_ptr<ITEMIDLIST, CoTaskMemDeleter> picked(browse(&info));
    if (!picked) return;
    wchar_t path[MAX_PATH] = {};
    if (!pathOf(picked.get(), path)) return;
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

void TWin32Form::BindEdit(ui::TEdit& edit, int id) {
  Attach(edit, std::make_unique<TEditPeer>(*this, edit, std::vector<int>{id}));
}

void TWin32Form::BindFolderEdit(ui::TFolderEdit& edit, int editId, int browseId) {
  Attach(edit, std::make_unique<TFolderEditPeer>(*this, edit, editId, browseId));
}

void TWin32Form::BindSpin(ui::TSpinEdit& spin, int editId, int upDownId) {
  Attach(spin, std::make_unique<TSpinPeer>(*this, spin, editId, upDownId));
}

void TWin32Form::BindIPEdit(ui::TIPEdit& edit, int id) {
  Attach(edit, std::make_unique<TIPEditPeer>(*this, edit, id));
}

}  // namespace common::win32
