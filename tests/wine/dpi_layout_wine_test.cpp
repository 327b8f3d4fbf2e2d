// Display scaling under Wine: the four windows of the two programs laid out at
// 96, 120, 144 and 192 DPI, and Quenby's stored placement across scales.
//
// The DPI is Wine's LogPixels (HKCU\Control Panel\Desktop), which a program
// reads when it starts: the test sets it before every start of a program.
//
// For each window: the client area is the 96-DPI one times the scale; every
// visible control (the window's own children) lies inside the client area; no
// two of them overlap, unless one wholly contains the other (a tab control and
// its pages, a group box and its controls, a panel and its buttons); and every
// label's text fits its control.
//
// Text is measured in the test's own process: a font handle is only good in
// the process that made it, so the test makes the controls' font itself. Every
// control of these windows draws with its dialog's font, the templates' "MS
// Sans Serif" 8 pt, which the dialog manager makes -MulDiv(8, DPI, 72) pixels
// high at the program's DPI; the test makes that font for the DPI under test
// and measures each text with DrawText as its control draws it.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "common/win32/handles_win32.h"
#include "config_editor/win32/resource.h"
#include "palvex_driver.h"
#include "service_console/win32/resource.h"
#include "tests/wine/wine_test_support.h"

namespace {

using Key = common::win32::UniqueKey;
using Handle = common::win32::UniqueKernelHandle;
using palvex_e2e::TPalvexDriver;
using wine_test::WaitUntil;

constexpr char kDesktopKey[] = "Control Panel\\Desktop";
constexpr char kServicesKey[] = "SOFTWARE\\Corvanti\\Quenby\\Services";
constexpr char kStateKey[] = "SOFTWARE\\Corvanti\\Quenby\\2.0\\frmMain";
constexpr WPARAM kAboutCommand = 1025;  // Quenby's system menu entry "About"

// The DPI that the next program started sees.
void SetLogPixels(DWORD dpi) {
  HKEY raw = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                            &raw, nullptr),
            ERROR_SUCCESS);
  const Key key(raw);
  ASSERT_EQ(RegSetValueExA(key.get(), "LogPixels", 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(&dpi), sizeof dpi),
            ERROR_SUCCESS);
}

std::wstring Text(HWND window) {
  wchar_t buffer[1024] = {};
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, std::size(buffer), reinterpret_cast<LPARAM>(buffer),
                           SMTO_BLOCK, 5000, &copied))
    return {};
  return std::wstring(buffer, std::min<std::size_t>(copied, std::size(buffer) - 1));
}

std::string Narrow(const std::wstring& wide) {
  std::string narrow;
  for (const wchar_t c : wide) narrow.push_back(c < 128 ? static_cast<char>(c) : '?');
  return narrow;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, static_cast<int>(std::size(name)));
  return name;
}

std::string Show(const RECT& r) {
  std::ostringstream out;
  out << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ") "
      << r.right - r.left << "x" << r.bottom - r.top;
  return out.str();
}

// A length in 96-DPI pixels at a DPI, rounded to the nearest pixel.
int Scaled(int designPixels, int dpi) {
  return (designPixels * dpi + 48) / 96;
}

// The client areas at a DPI: the 96-DPI ones (Palvex's main window 348 x 312,
// its rule dialog 294 x 205, Quenby's main window 265 x 252, its About box
// 294 x 132) times DPI/96, rounded either way.
struct Scale {
  int dpi;
  SIZE palvexMain, ruleDialog, quenbyMain, about;
};

void PrintTo(const Scale& scale, std::ostream* out) {
  *out << scale.dpi << " DPI";
}

const Scale kScales[] = {
    {96, {348, 312}, {294, 205}, {265, 252}, {294, 132}},
    {120, {435, 390}, {368, 256}, {331, 315}, {368, 165}},
    {144, {522, 468}, {441, 308}, {398, 378}, {441, 198}},
    {192, {696, 624}, {588, 410}, {530, 504}, {588, 264}},
};

// ---- The checks.

struct Control {
  int id;
  std::wstring className;
  std::wstring text;
  LONG style;
  RECT rect;  // in the client coordinates of its window
  std::string Name() const {
    return Narrow(className) + " " + std::to_string(id) + " \"" + Narrow(text) + "\"";
  }
};

bool IsClass(const Control& c, const wchar_t* name) {
  return lstrcmpiW(c.className.c_str(), name) == 0;
}

// The window's visible controls: its own children, not theirs. A drop-down
// list's window is its closed field: the list that opens is a window of its own.
std::vector<Control> VisibleControls(HWND window) {
  std::vector<Control> controls;
  for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (!IsWindowVisible(child)) continue;
    Control c{GetDlgCtrlID(child),
              ClassOf(child),
              Text(child),
              static_cast<LONG>(GetWindowLongPtrW(child, GWL_STYLE)),
              {}};
    GetWindowRect(child, &c.rect);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&c.rect), 2);
    controls.push_back(c);
  }
  return controls;
}

bool Contains(const RECT& outer, const RECT& inner) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

// The room a control's text needs beside the text itself, in design pixels,
// and how the control draws it; none for a control without a label.
struct TextRoom {
  bool label = false;
  int width = 0;
  UINT format = 0;
};

TextRoom RoomOf(const Control& c) {
  if (c.text.empty()) return {};
  if (IsClass(c, L"Static")) {
    const LONG type = c.style & SS_TYPEMASK;
    const UINT prefix = (c.style & SS_NOPREFIX) != 0 ? DT_NOPREFIX : 0;
    if (type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT)
      return {true, 0, DT_WORDBREAK | DT_EXPANDTABS | prefix};
    if (type == SS_SIMPLE || type == SS_LEFTNOWORDWRAP)
      return {true, 0, DT_SINGLELINE | DT_EXPANDTABS | prefix};
    return {};
  }
  if (!IsClass(c, L"Button") || (c.style & BS_MULTILINE) != 0) return {};
  switch (c.style & BS_TYPEMASK) {
    case BS_PUSHBUTTON:
    case BS_DEFPUSHBUTTON:
      return {true, 4, DT_SINGLELINE};  // a 2-pixel edge on either side
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
      return {true, 16, DT_SINGLELINE};  // the 13-pixel mark and the gap after it
    case BS_GROUPBOX:
      return {true, 12, DT_SINGLELINE};  // the frame's corner before the caption, and after it
    default:
      return {};
  }
}

// The text's extent in the dialogs' font at a DPI, drawn as `format` draws it
// in `width` pixels.
SIZE TextExtent(const std::wstring& text, UINT format, int width, int dpi) {
  const common::win32::UniqueFont font(CreateFontW(
      -MulDiv(8, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"MS Sans Serif"));
  const HDC dc = CreateCompatibleDC(nullptr);
  const HGDIOBJ old = SelectObject(dc, font.get());
  RECT bounds{0, 0, width, 0};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &bounds, format | DT_CALCRECT);
  SelectObject(dc, old);
  DeleteDC(dc);
  return {bounds.right - bounds.left, bounds.bottom - bounds.top};
}

// Every check of a window laid out at `dpi`, whose client area must be `size`.
void ExpectLaidOut(HWND window, SIZE size, int dpi) {
  ASSERT_NE(window, nullptr);
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_NEAR(client.right, size.cx, 1) << "client width";
  EXPECT_NEAR(client.bottom, size.cy, 1) << "client height";

  const std::vector<Control> controls = VisibleControls(window);
  EXPECT_GE(controls.size(), 3u);
  for (const Control& c : controls) {
    EXPECT_TRUE(Contains(client, c.rect))
        << c.Name() << " at " << Show(c.rect) << " leaves the client area " << Show(client);
    const TextRoom room = RoomOf(c);
    if (!room.label) continue;
    const int width = c.rect.right - c.rect.left, height = c.rect.bottom - c.rect.top;
    const int textWidth = width - Scaled(room.width, dpi);
    const SIZE text = TextExtent(c.text, room.format, textWidth, dpi);
    EXPECT_LE(text.cx, textWidth) << c.Name() << " at " << Show(c.rect) << ": the text is "
                                  << text.cx << " pixels wide";
    EXPECT_LE(text.cy, height) << c.Name() << " at " << Show(c.rect) << ": the text is " << text.cy
                               << " pixels high in " << textWidth << " pixels";
  }
  for (std::size_t i = 0; i < controls.size(); ++i) {
    for (std::size_t j = i + 1; j < controls.size(); ++j) {
      const Control &a = controls[i], &b = controls[j];
      RECT common{};
      if (!IntersectRect(&common, &a.rect, &b.rect)) continue;
      if (Contains(a.rect, b.rect) || Contains(b.rect, a.rect)) continue;
      ADD_FAILURE() << a.Name() << " at " << Show(a.rect) << " overlaps " << b.Name() << " at "
                    << Show(b.rect);
    }
  }
}

// ---- Quenby.

struct WindowSearch {
  DWORD process;
  const wchar_t* caption;
  HWND found;
};

BOOL CALLBACK FindProcessDialog(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<WindowSearch*>(data);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == search->process && ClassOf(window) == L"#32770" &&
      Text(window) == search->caption && IsWindowVisible(window)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

// One run of Quenby, shown with its service list; closed as the user closes
// it (which stores its placement), or ended by force on every way out.
class Quenby {
 public:
  Quenby() {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::string command = std::string("\"") + QUENBY_EXE + "\"";
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
      return;
    process_.reset(info.hProcess);
    CloseHandle(info.hThread);
    processId_ = info.dwProcessId;
    WaitUntil([this] {
      main_ = Find(L"Quenby");
      return main_ != nullptr && !Text(GetDlgItem(main_, IDC_esbMain)).empty();
    });
  }
  ~Quenby() {
    if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
      TerminateProcess(process_.get(), 1);
      WaitForSingleObject(process_.get(), 5000);
    }
  }
  Quenby(const Quenby&) = delete;
  Quenby& operator=(const Quenby&) = delete;

  HWND Main() const { return main_; }
  HWND Find(const wchar_t* caption) const {
    WindowSearch search{processId_, caption, nullptr};
    EnumWindows(FindProcessDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
  }
  bool Close() {
    PostMessageW(main_, WM_CLOSE, 0, 0);
    return WaitForSingleObject(process_.get(), 15000) == WAIT_OBJECT_0;
  }

 private:
  Handle process_;
  DWORD processId_ = 0;
  HWND main_ = nullptr;
};

// Every test starts its programs at its own DPI, without a placement stored
// by an earlier start, and leaves the prefix at 96 DPI.
class ScaledStart : public ::testing::Test {
 protected:
  void SetUp() override {
    // Quenby shows the services registered for it: one that every prefix has.
    ASSERT_EQ(wine_test::WriteRawString(HKEY_LOCAL_MACHINE, kServicesKey, "RpcSs", ""),
              ERROR_SUCCESS);
    RegDeleteTreeA(HKEY_CURRENT_USER, kStateKey);
  }
  void TearDown() override { SetLogPixels(96); }
};

class DpiLayout : public ScaledStart, public ::testing::WithParamInterface<Scale> {
 protected:
  void SetUp() override {
    ScaledStart::SetUp();
    SetLogPixels(static_cast<DWORD>(GetParam().dpi));
  }
};

TEST_P(DpiLayout, PalvexMainWindowOnEveryPageAndTheRuleDialog) {
  const Scale& scale = GetParam();
  TPalvexDriver palvex;
  ASSERT_TRUE(palvex.Start(PALVEX_EXE));
  const char* const pages[] = {"Basic Options", "Security", "Firewall", "Logging"};
  for (int page = 0; page < 4; ++page) {
    SCOPED_TRACE(std::string("main window, page ") + pages[page]);
    palvex.SelectTab(IDC_pcMain, page);
    const HWND sheet = palvex.Item(IDC_PAGE_ID_BASE + page * IDC_PAGE_ID_SPAN);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(sheet) != FALSE; }, 5000));
    ExpectLaidOut(palvex.Main(), scale.palvexMain, scale.dpi);
  }
  // The Security page is shown: its Add button opens the rule dialog.
  TPalvexDriver::Click(palvex.Item(IDC_sbAdd));
  const HWND dialog = palvex.WaitForWindow(L"Client access rights");
  SCOPED_TRACE("rule dialog");
  ExpectLaidOut(dialog, scale.ruleDialog, scale.dpi);
}

TEST_P(DpiLayout, QuenbyMainWindowAndAbout) {
  const Scale& scale = GetParam();
  Quenby quenby;
  ASSERT_NE(quenby.Main(), nullptr);
  {
    SCOPED_TRACE("main window");
    ExpectLaidOut(quenby.Main(), scale.quenbyMain, scale.dpi);
  }
  PostMessageW(quenby.Main(), WM_SYSCOMMAND, kAboutCommand, 0);
  HWND about = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (about = quenby.Find(L"About")) != nullptr; }));
  SCOPED_TRACE("About");
  ExpectLaidOut(about, scale.about, scale.dpi);
}

INSTANTIATE_TEST_SUITE_P(Dpi, DpiLayout, ::testing::ValuesIn(kScales),
                         [](const ::testing::TestParamInfo<Scale>& info) {
                           return std::to_string(info.param.dpi);
                         });

// The stored placement is in screen pixels. Closed at one scale and started at
// another, Quenby comes back where it was, with the size that its layout needs
// at the new scale (not the stored one, which would clip it or leave it too
// large), both ways.
// A stored number of the window state; 0 when it is missing or no REG_DWORD.
DWORD StoredNumber(const char* name) {
  const wine_test::RawValue raw = wine_test::ReadRaw(HKEY_CURRENT_USER, kStateKey, name);
  DWORD value = 0;
  if (raw.rc == ERROR_SUCCESS && raw.type == REG_DWORD && raw.data.size() == sizeof value)
    std::memcpy(&value, raw.data.data(), sizeof value);
  return value;
}

using DpiPlacement = ScaledStart;

TEST_F(DpiPlacement, QuenbyKeepsItsPlaceAndTakesTheSizeOfTheScaleItStartsAt) {
  // At 96 DPI, 144 and 96 again: the first start is moved to 300, 250.
  const struct {
    int dpi;
    SIZE client;
  } starts[] = {{96, {265, 252}}, {144, {398, 378}}, {96, {265, 252}}};
  for (std::size_t i = 0; i < std::size(starts); ++i) {
    const auto& start = starts[i];
    SCOPED_TRACE("start " + std::to_string(i + 1) + " at " + std::to_string(start.dpi) + " DPI");
    SetLogPixels(static_cast<DWORD>(start.dpi));
    Quenby quenby;
    ASSERT_NE(quenby.Main(), nullptr);
    if (i == 0) {
      SetWindowPos(quenby.Main(), nullptr, 300, 250, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT window{}, client{};
    GetWindowRect(quenby.Main(), &window);
    GetClientRect(quenby.Main(), &client);
    EXPECT_EQ(window.left, 300);
    EXPECT_EQ(window.top, 250);
    ExpectLaidOut(quenby.Main(), start.client, start.dpi);
    // Saved in screen pixels: the place as it is, the size of this scale's window.
    ASSERT_TRUE(quenby.Close());
    EXPECT_EQ(StoredNumber("Left"), 300u);
    EXPECT_EQ(StoredNumber("Top"), 250u);
    EXPECT_EQ(StoredNumber("Width"), static_cast<DWORD>(window.right - window.left));
    EXPECT_EQ(StoredNumber("Height"), static_cast<DWORD>(window.bottom - window.top));
  }
}

}  // namespace
