// The status bar, pictures from an image list, and separators.
#include "common/win32/win32_peer.h"

#include "common/win32/text_win32.h"

namespace common::win32 {

namespace ui = common::ui;

namespace {

class TStatusBarPeer : public TWin32Peer {
 public:
  TStatusBarPeer(TWin32Form& owner, ui::TStatusBar& bar, int id)
      : TWin32Peer(owner, bar, {id}), bar_(bar) {
    int parts[] = {-1};
    SendMessageW(Main(), SB_SETPARTS, 1, reinterpret_cast<LPARAM>(parts));
  }

 protected:
  void SyncState() override {
    const std::wstring text = AnsiToWide(bar_.Text());
    SendMessageW(Main(), SB_SETTEXTW, 0 | SBT_NOBORDERS, reinterpret_cast<LPARAM>(text.c_str()));
  }

 private:
  ui::TStatusBar& bar_;
};

class TImagePeer : public TWin32Peer {
 public:
  TImagePeer(TWin32Form& owner, ui::TImage& image, int id, int firstBitmapId, int count)
      : TWin32Peer(owner, image, {id}),
        image_(image),
        firstBitmapId_(firstBitmapId),
        count_(count) {
    Load();
  }
  bool Draw(const DRAWITEMSTRUCT& item) override {
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
    const int index = image_.PictureIndex();
    if (pictures_ && index >= 0 && index < ImageList_GetImageCount(pictures_.get()))
      ImageList_Draw(pictures_.get(), index, item.hDC, item.rcItem.left, item.rcItem.top,
                     ILD_TRANSPARENT);
    return true;
  }
  void Rescale() override { Load(); }

 protected:
  void SyncState() override { InvalidateRect(Main(), nullptr, TRUE); }

 private:
  // The pictures drawn nearest to the window's scale.
  void Load() {
    pictures_.reset();
    for (int i = 0; i < count_; ++i) {
      const int id = ScaledBitmapId(owner_.Instance(), firstBitmapId_ + i, owner_.Dpi());
      const UniqueBitmap picture = LoadBitmapResource(owner_.Instance(), id);
      const SIZE size = BitmapSize(picture.get());
      if (!pictures_ && size.cx > 0)
        pictures_.reset(ImageList_Create(size.cx, size.cy, ILC_COLOR24 | ILC_MASK, count_, 0));
      AddMasked(pictures_.get(), picture.get(), CLR_DEFAULT);
    }
    InvalidateRect(Main(), nullptr, TRUE);
  }

  ui::TImage& image_;
  int firstBitmapId_;
  int count_;
  UniqueImageList pictures_;
};

class TBevelPeer : public TWin32Peer {
 public:
  TBevelPeer(TWin32Form& owner, ui::TBevel& bevel, int id) : TWin32Peer(owner, bevel, {id}) {}
  bool Draw(const DRAWITEMSTRUCT& item) override {
    RECT box = item.rcItem;
    DrawEdge(item.hDC, &box, EDGE_ETCHED, BF_BOTTOM);
    return true;
  }
};

}  // namespace

void TWin32Form::BindStatusBar(ui::TStatusBar& bar, int id) {
  Attach(bar, std::make_unique<TStatusBarPeer>(*this, bar, id));
}

void TWin32Form::BindImage(ui::TImage& image, int id, int firstBitmapId, int count) {
  Attach(image, std::make_unique<TImagePeer>(*this, image, id, firstBitmapId, count));
}

void TWin32Form::BindBevel(ui::TBevel& bevel, int id) {
  Attach(bevel, std::make_unique<TBevelPeer>(*this, bevel, id));
}

}  // namespace common::win32
