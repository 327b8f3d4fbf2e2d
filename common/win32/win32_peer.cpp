#include "common/win32/win32_peer.h"

#include "common/win32/text_win32.h"

namespace common::win32 {

namespace ui = common::ui;

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

bool HasVisibleStyle(HWND hwnd) {
  return (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

HBRUSH FieldBrush(HDC dc, ui::TColor color) {
  const int index = color == ui::TColor::BtnFace ? COLOR_BTNFACE : COLOR_WINDOW;
  SetBkColor(dc, GetSysColor(index));
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  return GetSysColorBrush(index);  // a system brush: never deleted
}

UniqueBitmap LoadBitmapResource(HINSTANCE instance, int bitmapId) {
  return UniqueBitmap(static_cast<HBITMAP>(
      LoadImageW(instance, MAKEINTRESOURCEW(bitmapId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
}

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP info{};
  if (bitmap == nullptr || GetObjectW(bitmap, sizeof info, &info) == 0) return {0, 0};
  return {info.bmWidth, info.bmHeight};
}

void AddMasked(HIMAGELIST list, HBITMAP bitmap, COLORREF transparent) {
  if (list == nullptr || bitmap == nullptr) return;
  if (transparent == CLR_DEFAULT) {
    const UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    if (!dc) return;
    const HGDIOBJ old = SelectObject(dc.get(), bitmap);
    transparent = GetPixel(dc.get(), 0, BitmapSize(bitmap).cy - 1);
    SelectObject(dc.get(), old);
  }
  ImageList_AddMasked(list, bitmap, transparent);
}

TWin32Peer::TWin32Peer(TWin32Form& owner, ui::TControl& control, std::vector<int> ids)
    : owner_(owner), control_(control), ids_(std::move(ids)) {
  for (int id : ids_) handles_.push_back(owner_.Control(id));
}

void TWin32Peer::Detach() {
  if (control_.Peer() == this) control_.AttachPeer(nullptr);
}

void TWin32Peer::Sync(const ui::TComponent&) {
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

void TWin32Peer::ShowState() {
  for (std::size_t i = 0; i < handles_.size(); ++i) {
    const bool show = control_.Visible() && owner_.OnShownPage(ids_[i]);
    if (HasVisibleStyle(handles_[i]) != show) ShowWindow(handles_[i], show ? SW_SHOWNA : SW_HIDE);
  }
}

bool TWin32Peer::Focus() {
  if (!IsWindowEnabled(Main())) return false;
  SetFocus(Main());
  return true;
}

}  // namespace common::win32
