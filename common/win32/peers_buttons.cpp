// Labels, buttons, glyph buttons, check boxes, radio buttons and radio groups.
#include "common/win32/win32_peer.h"

#include <type_traits>

namespace common::win32 {

namespace ui = common::ui;

namespace {

class TLabelPeer : public TWin32Peer {
 public:
  TLabelPeer(TWin32Form& owner, ui::TLabel& label, int id)
      : TWin32Peer(owner, label, {id}), label_(label) {}

 protected:
  // The template's text stays until the program gives the label a caption;
  // from then on the label shows the caption, empty or not.
  void SyncState() override {
    if (label_.Caption().empty() && !captioned_) return;
    captioned_ = true;
    if (WindowTextA(Main()) != label_.Caption()) SetWindowTextA8(Main(), label_.Caption());
  }

 private:
  ui::TLabel& label_;
  bool captioned_ = false;
};

class TButtonPeer : public TWin32Peer {
 public:
  TButtonPeer(TWin32Form& owner, ui::TButton& button, int id)
      : TWin32Peer(owner, button, {id}), button_(button) {}
  // BM_CLICK reaches a disabled button too: it takes no click.
  void Command(int, int code) override {
    if (code != BN_CLICKED || !button_.Enabled() || !IsWindowEnabled(Main())) return;
    owner_.PullAll();
    button_.UserClick();
  }

 private:
  ui::TButton& button_;
};

// A push button drawn by the program: a raised frame, and the glyph centred
// on it (pressed: one pixel down and right; disabled: the greyed glyph).
class TGlyphButtonPeer : public TButtonPeer {
 public:
  TGlyphButtonPeer(TWin32Form& owner, ui::TButton& button, int id, int bitmapId,
                   COLORREF transparent)
      : TButtonPeer(owner, button, id), bitmapId_(bitmapId), transparent_(transparent) {
    Load();
  }
  void Rescale() override { Load(); }
  bool Draw(const DRAWITEMSTRUCT& item) override {
    RECT frame = item.rcItem;
    const bool pushed = (item.itemState & ODS_SELECTED) != 0;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    DrawFrameControl(item.hDC, &frame, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
    const int shift = pushed ? 1 : 0;
    const int x = (item.rcItem.right - item.rcItem.left - size_) / 2 + shift;
    const int y = (item.rcItem.bottom - item.rcItem.top - size_) / 2 + shift;
    if (glyphs_) ImageList_Draw(glyphs_.get(), disabled ? 1 : 0, item.hDC, x, y, ILD_TRANSPARENT);
    if ((item.itemState & ODS_FOCUS) != 0) {
      RECT focus = item.rcItem;
      InflateRect(&focus, -3, -3);
      DrawFocusRect(item.hDC, &focus);
    }
    return true;
  }

 private:
  // The glyphs drawn nearest to the window's scale.
  void Load() {
    const int id = ScaledBitmapId(owner_.Instance(), bitmapId_, owner_.Dpi());
    const UniqueBitmap bitmap = LoadBitmapResource(owner_.Instance(), id);
    size_ = BitmapSize(bitmap.get()).cy;
    glyphs_.reset();
    if (size_ <= 0) return;
    glyphs_.reset(ImageList_Create(size_, size_, ILC_COLOR24 | ILC_MASK, 2, 0));
    AddMasked(glyphs_.get(), bitmap.get(), transparent_);
    InvalidateRect(Main(), nullptr, TRUE);
  }

  int bitmapId_;
  COLORREF transparent_;
  int size_ = 0;
  UniqueImageList glyphs_;
};

// A check box or a radio button. An automatic button has changed itself when
// it reports the click: the widget follows it (a radio button only to checked;
// the group unchecks the others). A plain check box changes only through the
// widget, so its click is the widget's click.
template <class TWidget>
class TCheckablePeer : public TWin32Peer {
 public:
  TCheckablePeer(TWin32Form& owner, TWidget& widget, int id)
      : TWin32Peer(owner, widget, {id}), widget_(widget) {
    const LONG_PTR type = GetWindowLongPtrW(Main(), GWL_STYLE) & BS_TYPEMASK;
    manual_ = type == BS_CHECKBOX || type == BS_RADIOBUTTON;
  }
  void Command(int, int code) override {
    if (code != BN_CLICKED) return;
    // BM_CLICK reaches a disabled control too: it takes no click, and shows its state again.
    if (!widget_.Enabled() || !IsWindowEnabled(Main())) return Sync(widget_);
    if (manual_) {
      owner_.PullAll();
      return widget_.UserClick();
    }
    Pull();
  }
  void Pull() override {
    if (syncing_) return;
    const bool checked = SendMessageW(Main(), BM_GETCHECK, 0, 0) == BST_CHECKED;
    constexpr bool kUncheckable = std::is_same_v<TWidget, ui::TCheckBox>;
    if (checked == widget_.Checked() || !(checked || kUncheckable)) return;
    if (manual_ || !PullAsUserInput()) {
      widget_.SetChecked(checked);
    } else {
      widget_.UserClick();
    }
  }

 protected:
  void SyncState() override {
    SendMessageW(Main(), BM_SETCHECK, widget_.Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
  }

 private:
  TWidget& widget_;
  bool manual_ = false;
};

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
      if (SendMessageW(handles_[i], BM_GETCHECK, 0, 0) != BST_CHECKED) continue;
      if (PullAsUserInput()) {
        group_.UserSelect(static_cast<int>(i - 1));
      } else {
        group_.SetItemIndex(static_cast<int>(i - 1));
      }
      return;
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

}  // namespace

void TWin32Form::BindLabel(ui::TLabel& label, int id) {
  Attach(label, std::make_unique<TLabelPeer>(*this, label, id));
}

void TWin32Form::BindButton(ui::TButton& button, int id) {
  Attach(button, std::make_unique<TButtonPeer>(*this, button, id));
}

void TWin32Form::BindGlyphButton(ui::TButton& button, int id, int bitmapId, COLORREF transparent) {
  Attach(button, std::make_unique<TGlyphButtonPeer>(*this, button, id, bitmapId, transparent));
}

void TWin32Form::BindCheckBox(ui::TCheckBox& box, int id) {
  Attach(box, std::make_unique<TCheckablePeer<ui::TCheckBox>>(*this, box, id));
}

void TWin32Form::BindRadioButton(ui::TRadioButton& button, int id) {
  Attach(button, std::make_unique<TCheckablePeer<ui::TRadioButton>>(*this, button, id));
}

void TWin32Form::BindRadioGroup(ui::TRadioGroup& group, int groupBoxId, std::vector<int> itemIds) {
  std::vector<int> ids{groupBoxId};
  ids.insert(ids.end(), itemIds.begin(), itemIds.end());
  Attach(group, std::make_unique<TRadioGroupPeer>(*this, group, std::move(ids)));
}

}  // namespace common::win32
