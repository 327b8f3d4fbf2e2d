// The window's placing: sizes and positions given in design pixels (96-DPI
// pixels) placed at the window's DPI, the layout done again when the DPI
// changes, the stored placement, and pictures drawn for several scales.
#include "common/win32/win32_form.h"

#include <algorithm>
#include <array>

#include "common/win32/win32_peer.h"

namespace common::win32 {

namespace ui = common::ui;

namespace {

constexpr int kDesignDpi = 96;
// Room for a check box's mark and the gap after it, in design pixels.
constexpr int kCheckMarkWidth = 20;

// Calls an entry point of user32 that older systems lack (Windows 10 1607
// added the per-window DPI functions); null when it is missing.
template <class Function>
Function User32Entry(const char* name) {
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");  // loaded with the program
  if (user32 == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(user32, name)));
}

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);

// Releases a window's DC on every way out.
class TWindowDc {
 public:
  explicit TWindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  TWindowDc(const TWindowDc&) = delete;
  TWindowDc& operator=(const TWindowDc&) = delete;
  ~TWindowDc() {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
  }
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// The width of the control's text in its font, accelerator marks left out.
int TextWidth(HWND control) {
  const TWindowDc dc(control);
  if (dc.get() == nullptr) return 0;
  const auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
  const HGDIOBJ old =
      SelectObject(dc.get(), font != nullptr ? font : GetStockObject(DEFAULT_GUI_FONT));
  const std::wstring text = WindowTextW(control);
  RECT bounds{0, 0, 0, 0};
  DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &bounds,
            DT_CALCRECT | DT_SINGLELINE);
  SelectObject(dc.get(), old);
  return bounds.right - bounds.left;
}

bool IsCheckBox(HWND control) {
  wchar_t className[16] = {};
  GetClassNameW(control, className, static_cast<int>(std::size(className)));
  const LONG_PTR type = GetWindowLongPtrW(control, GWL_STYLE) & BS_TYPEMASK;
  return lstrcmpiW(className, L"Button") == 0 &&
         (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE ||
          type == BS_AUTO3STATE || type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON);
}

// The dialog base units of a font as the dialog manager takes them: the
// average width of the Latin letters and the height of the font.
SIZE DialogBaseUnits(HDC dc, HFONT font) {
  const HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  static const wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  SIZE extent{};
  GetTextExtentPoint32W(dc, kLetters, 52, &extent);
  SelectObject(dc, old);
  return {(extent.cx / 26 + 1) / 2, metrics.tmHeight};
}

}  // namespace

int WindowDpi(HWND window) {
  static const auto getDpiForWindow = User32Entry<GetDpiForWindowFn>("GetDpiForWindow");
  if (window != nullptr && getDpiForWindow != nullptr) {
    const UINT dpi = getDpiForWindow(window);
    if (dpi > 0) return static_cast<int>(dpi);
  }
  const TWindowDc screen(nullptr);
  const int dpi = screen.get() != nullptr ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
  return dpi > 0 ? dpi : kDesignDpi;
}

int ScaledBitmapId(HINSTANCE instance, int baseId, int dpi) {
  const LPCWSTR bitmapType = MAKEINTRESOURCEW(2);  // RT_BITMAP
  // The scales drawn, in percent, and how far their IDs lie from the 100% one.
  struct Scale {
    int percent;
    int idOffset;
  };
  constexpr std::array<Scale, 4> kScales{{{100, 0}, {125, 1000}, {150, 2000}, {200, 3000}}};
  const int wanted = dpi * 100 / kDesignDpi;
  int best = baseId;
  int bestDistance = 1 << 30;
  for (const Scale& scale : kScales) {
    const int id = baseId + scale.idOffset;
    const int distance = std::abs(scale.percent - wanted);
    if (distance >= bestDistance) continue;
    if (FindResourceW(instance, MAKEINTRESOURCEW(id), bitmapType) == nullptr) continue;
    best = id;
    bestDistance = distance;
  }
  return best;
}

int TWin32Form::Scale(int designPixels) const {
  return MulDiv(designPixels, dpi_, kDesignDpi);
}

void TWin32Form::Place(HWND window, const RECT& rect, UINT flags) {
  SetWindowPos(window, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
               flags | SWP_NOZORDER | SWP_NOACTIVATE);
}

SIZE TWin32Form::OuterSize(int dpi) const {
  static const auto adjustForDpi = User32Entry<AdjustForDpiFn>("AdjustWindowRectExForDpi");
  RECT rect{0, 0, MulDiv(clientSize_.cx, dpi, kDesignDpi), MulDiv(clientSize_.cy, dpi, kDesignDpi)};
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE));
  const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE));
  if (adjustForDpi != nullptr) {
    adjustForDpi(&rect, style, FALSE, exStyle, static_cast<UINT>(dpi));
  } else {
    AdjustWindowRectEx(&rect, style, FALSE, exStyle);
  }
  return {rect.right - rect.left, rect.bottom - rect.top};
}

void TWin32Form::SetClientSize(int width, int height) {
  clientSize_ = {width, height};
  const SIZE outer = OuterSize(dpi_);
  Place(hwnd_, {0, 0, outer.cx, outer.cy}, SWP_NOMOVE);
}

void TWin32Form::PlaceControl(int id, TDesignRect rect, TFit fit) {
  const auto known = std::find_if(placed_.begin(), placed_.end(),
                                  [id](const TPlaced& placed) { return placed.id == id; });
  if (known == placed_.end()) placed_.push_back({id, rect, fit});
  const HWND control = Control(id);
  if (control == nullptr) return;
  // The edges are scaled, not the sizes: controls that meet in the design
  // meet at every scale, and none ends past the client area's edge.
  const int left = Scale(rect.left);
  const int top = Scale(rect.top);
  int width = Scale(rect.left + rect.width) - left;
  if (fit == TFit::GrowToText) {
    // This system's font may draw the text wider than the design's.
    RECT client{};
    GetClientRect(hwnd_, &client);
    const int needed = TextWidth(control) + (IsCheckBox(control) ? Scale(kCheckMarkWidth) : 0);
    width = std::max(width, std::min(needed, static_cast<int>(client.right) - left));
  }
  Place(control, {left, top, left + width, Scale(rect.top + rect.height)}, 0);
}

void TWin32Form::MoveTo(int left, int top) {
  Place(hwnd_, {Scale(left), Scale(top), Scale(left), Scale(top)}, SWP_NOSIZE);
}

void TWin32Form::CenterOnScreen() {
  RECT rect{};
  GetWindowRect(hwnd_, &rect);
  const int left = (GetSystemMetrics(SM_CXSCREEN) - (rect.right - rect.left)) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - (rect.bottom - rect.top)) / 2;
  Place(hwnd_, {left, top, left, top}, SWP_NOSIZE);
}

void TWin32Form::CenterOverOwner() {
  RECT area{};
  if (owner_ == nullptr || !IsWindowVisible(owner_) || IsIconic(owner_) ||
      !GetWindowRect(owner_, &area))
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  RECT rect{};
  GetWindowRect(hwnd_, &rect);
  const int left = area.left + (area.right - area.left - (rect.right - rect.left)) / 2;
  const int top = area.top + (area.bottom - area.top - (rect.bottom - rect.top)) / 2;
  Place(hwnd_, {left, top, left, top}, SWP_NOSIZE);
}

void TWin32Form::SendToBack(int id) {
  HWND control = Control(id);
  if (control == nullptr) return;
  SetWindowLongPtrW(control, GWL_STYLE, GetWindowLongPtrW(control, GWL_STYLE) | WS_CLIPSIBLINGS);
  SetWindowPos(control, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TWin32Form::ApplyPlacement(const ui::TForm::Placement& placement) {
  placement_ = placement;
  SIZE size{placement.width, placement.height};
  // A placement saved at another display scale keeps its position; its size
  // is what the layout needs now, so that nothing is clipped. A size that
  // matches no scale's layout was written by hand and is applied as it is.
  if (clientSize_.cx > 0) {
    constexpr std::array<int, 8> kDpis{96, 120, 144, 168, 192, 240, 288, 384};
    for (int dpi : kDpis) {
      const SIZE other = OuterSize(dpi);
      if (dpi != dpi_ && other.cx == size.cx && other.cy == size.cy) size = OuterSize(dpi_);
    }
  }
  Place(hwnd_, {placement.left, placement.top, placement.left + size.cx, placement.top + size.cy},
        0);
}

void TWin32Form::ScaleTemplate() {
  if (dpi_ == kDesignDpi) return;
  // The template's dialog units follow the font, which does not grow exactly
  // with the DPI: each control goes where the 96-DPI layout has it, times the
  // scale.
  const auto font = reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0));
  LOGFONTW design{};
  if (font == nullptr || GetObjectW(font, sizeof design, &design) == 0) return;
  // The height is the template's point size at this DPI, rounded: the points
  // come back first (at 120 DPI, -13 pixels scaled back would be -10, not -11).
  design.lfHeight = MulDiv(MulDiv(design.lfHeight, 72, dpi_), kDesignDpi, 72);
  const UniqueFont designFont(CreateFontIndirectW(&design));
  const TWindowDc dc(hwnd_);
  if (!designFont || dc.get() == nullptr) return;
  const SIZE now = DialogBaseUnits(dc.get(), font);
  const SIZE then = DialogBaseUnits(dc.get(), designFont.get());
  if (now.cx <= 0 || now.cy <= 0) return;
  // The dialog manager rounds each control's position and size in dialog
  // units to pixels on its own: the units come back exactly, then the pixels
  // of the 96-DPI layout, whose edges are scaled, so that controls meeting
  // there meet at every scale.
  const auto at96 = [](LONG pixels, LONG base, LONG units, LONG designBase) {
    return MulDiv(MulDiv(pixels, units, base), designBase, units);
  };
  for (HWND child = GetWindow(hwnd_, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&rect), 2);
    const int left = at96(rect.left, now.cx, 4, then.cx);
    const int top = at96(rect.top, now.cy, 8, then.cy);
    const int right = left + at96(rect.right - rect.left, now.cx, 4, then.cx);
    const int bottom = top + at96(rect.bottom - rect.top, now.cy, 8, then.cy);
    Place(child, {Scale(left), Scale(top), Scale(right), Scale(bottom)}, 0);
  }
}

void TWin32Form::DpiChanged(int dpi, const RECT& suggested) {
  dpi_ = dpi;
  Place(hwnd_, suggested, 0);
  if (clientSize_.cx > 0) SetClientSize(clientSize_.cx, clientSize_.cy);
  for (const TPlaced& placed : placed_) PlaceControl(placed.id, placed.rect, placed.fit);
  for (const TListMeasure& measure : measures_) {
    SendMessageW(Control(measure.id), CB_SETITEMHEIGHT, static_cast<WPARAM>(-1),
                 Scale(measure.fieldHeight));
    SendMessageW(Control(measure.id), CB_SETITEMHEIGHT, 0, Scale(measure.itemHeight));
  }
  for (auto& peer : peers_) peer->Rescale();
  InvalidateRect(hwnd_, nullptr, TRUE);
}

}  // namespace common::win32
