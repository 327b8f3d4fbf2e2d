// Quenby end to end under Wine: the per-user window state across two runs of the
// real program, hand-written state values, the About dialog of the built
// executable, and the notification-area icon at minimise and restore.
//
// The icon is observed through the shell itself: Shell_NotifyIcon(NIM_MODIFY)
// with no flags, for Quenby's window and icon identifier, succeeds exactly when
// the notification area holds that icon (Wine's tray looks the icon up by
// window and identifier and fails the call when it has none), and changes
// nothing. The tooltip is read from the tooltip window that Wine's tray keeps
// for the icon.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shellapi.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "common/win32/handles_win32.h"
#include "service_console/win32/about_resource.h"
#include "service_console/win32/resource.h"
#include "tests/wine/tray_support.h"
#include "tests/wine/wine_test_support.h"

namespace {

using Key = common::win32::UniqueKey;
using Handle = common::win32::UniqueKernelHandle;
using wine_test::WaitUntil;

constexpr char kServicesKey[] = "SOFTWARE\\Corvanti\\Quenby\\Services";
constexpr char kStateKey[] = "SOFTWARE\\Corvanti\\Quenby\\2.0\\frmMain";
// Services that every Wine prefix has.
const char* const kRegistered[] = {"RpcSs", "PlugPlay"};
// The program's tray icon: its identifier and callback message (shell_win32.h).
constexpr UINT kTrayIconId = 1;

std::string Narrow(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int length = static_cast<int>(wide.size());
  const int needed =
      WideCharToMultiByte(CP_ACP, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(needed > 0 ? needed : 0), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), length, text.data(), needed, nullptr, nullptr);
  return text;
}

std::string Text(HWND window) {
  wchar_t buffer[512] = {};
  SendMessageW(window, WM_GETTEXT, std::size(buffer), reinterpret_cast<LPARAM>(buffer));
  return Narrow(buffer);
}

// ---- The per-user key.

void DeleteState() {
  RegDeleteTreeA(HKEY_CURRENT_USER, kStateKey);
}

void PutDword(const char* name, std::int32_t value) {
  HKEY raw = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kStateKey, 0, nullptr, 0, KEY_WRITE, nullptr, &raw,
                            nullptr),
            ERROR_SUCCESS);
  const Key key(raw);
  ASSERT_EQ(RegSetValueExA(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4),
            ERROR_SUCCESS);
}

void PutSz(const char* name, const std::string& text) {
  HKEY raw = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kStateKey, 0, nullptr, 0, KEY_WRITE, nullptr, &raw,
                            nullptr),
            ERROR_SUCCESS);
  const Key key(raw);
  ASSERT_EQ(RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                           static_cast<DWORD>(text.size() + 1)),
            ERROR_SUCCESS);
}

struct Stored {
  DWORD type = REG_NONE;
  std::vector<BYTE> bytes;
  std::int32_t Number() const {
    std::int32_t n = 0;
    if (bytes.size() == 4) std::memcpy(&n, bytes.data(), 4);
    return n;
  }
  std::string Sz() const {
    return bytes.empty() ? "" : std::string(bytes.begin(), bytes.end() - 1);
  }
};

// The key's values by name, in Wine's enumeration order (sorted by name).
std::vector<std::pair<std::string, Stored>> StoredValues() {
  std::vector<std::pair<std::string, Stored>> values;
  HKEY raw = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kStateKey, 0, KEY_READ, &raw) != ERROR_SUCCESS)
    return values;
  const Key key(raw);
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD nameLength = sizeof name;
    BYTE data[1024];
    DWORD dataLength = sizeof data;
    DWORD type = 0;
    if (RegEnumValueA(key.get(), i, name, &nameLength, nullptr, &type, data, &dataLength) !=
        ERROR_SUCCESS)
      break;
    values.push_back({name, Stored{type, std::vector<BYTE>(data, data + dataLength)}});
  }
  return values;
}

std::optional<Stored> Value(const std::string& name) {
  for (auto& [n, v] : StoredValues())
    if (n == name) return v;
  return std::nullopt;
}

// ---- The program.

struct WindowSearch {
  DWORD process;
  const wchar_t* caption;
  HWND found;
};

BOOL CALLBACK FindProcessWindow(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<WindowSearch*>(data);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  wchar_t className[64] = {};
  GetClassNameW(window, className, static_cast<int>(std::size(className)));
  wchar_t caption[64] = {};
  GetWindowTextW(window, caption, static_cast<int>(std::size(caption)));
  if (process == search->process && std::wcscmp(className, L"#32770") == 0 &&
      std::wcscmp(caption, search->caption) == 0) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

// One run of the real program; ended (by closing its window, or by force) on every way out.
class Quenby {
 public:
  Quenby() {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::string command = std::string("\"") + QUENBY_EXE + "\"";
    PROCESS_INFORMATION info{};
    started_ = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &info) != FALSE;
    if (!started_) return;
    process_.reset(info.hProcess);
    CloseHandle(info.hThread);
    processId_ = info.dwProcessId;
    threadId_ = info.dwThreadId;
    // Shown, with its service list built.
    WaitUntil([this] {
      main_ = Find(L"Quenby");
      return main_ != nullptr && IsWindowVisible(main_) && !Text(Control(IDC_esbMain)).empty();
    });
  }
  ~Quenby() {
    if (!process_) return;
    if (Running() && main_ != nullptr) PostMessageW(main_, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process_.get(), 10000) != WAIT_OBJECT_0)
      TerminateProcess(process_.get(), 1);
  }
  Quenby(const Quenby&) = delete;
  Quenby& operator=(const Quenby&) = delete;

  bool Started() const { return started_ && main_ != nullptr; }
  bool Running() const { return WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }
  HWND Main() const { return main_; }
  HWND Control(int id) const { return GetDlgItem(main_, id); }
  HWND Find(const wchar_t* caption) const {
    WindowSearch search{processId_, caption, nullptr};
    EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
  }
  HWND Focused() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(threadId_, &info) ? info.hwndFocus : nullptr;
  }
  // Closes the window as the user would and waits for the program to end.
  bool Close() {
    PostMessageW(main_, WM_CLOSE, 0, 0);
    return WaitForSingleObject(process_.get(), 15000) == WAIT_OBJECT_0;
  }
  RECT Rect() const {
    RECT rect{};
    GetWindowRect(main_, &rect);
    return rect;
  }
  // A selection made as the user makes it: the list selects, then tells its window.
  void Select(int index) {
    const HWND list = Control(IDC_cbServices);
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(main_, WM_COMMAND, MAKEWPARAM(IDC_cbServices, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
  }
  void FocusControl(int id) {
    SendMessageW(main_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Control(id)), TRUE);
  }
  // Whether the notification area holds the program's icon.
  bool TrayIconShown() const {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = main_;
    data.uID = kTrayIconId;
    data.uFlags = 0;
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
  }

 private:
  bool started_ = false;
  Handle process_;
  DWORD processId_ = 0;
  DWORD threadId_ = 0;
  HWND main_ = nullptr;
};

class QuenbyState : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    HKEY raw = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kServicesKey, 0, nullptr, 0,
                              KEY_ALL_ACCESS | wine_test::kView32, nullptr, &raw, nullptr),
              ERROR_SUCCESS);
    const Key key(raw);
    for (const char* name : kRegistered)
      ASSERT_EQ(RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1),
                ERROR_SUCCESS);
  }
  void SetUp() override { DeleteState(); }
};

TEST_F(QuenbyState, FirstRunSavesTheStateAndTheSecondStartRestoresIt) {
  RECT designed{};
  std::string statusLine;
  {
    Quenby first;
    ASSERT_TRUE(first.Started());
    designed = first.Rect();
    ASSERT_EQ(SendMessageW(first.Control(IDC_cbServices), CB_GETCOUNT, 0, 0), 2);
    SetWindowPos(first.Main(), nullptr, 300, 250, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    first.Select(1);
    statusLine = Text(first.Control(IDC_esbMain));
    SendMessageW(first.Control(IDC_elServer), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"FARAWAY"));
    first.FocusControl(IDC_btnRefresh);
    ASSERT_TRUE(first.Close());
  }
  const LONG width = designed.right - designed.left, height = designed.bottom - designed.top;
  // Seven values of the right types (Wine lists them sorted by name).
  const auto values = StoredValues();
  std::vector<std::string> names;
  for (const auto& [name, value] : values) names.push_back(name);
  EXPECT_EQ(names, (std::vector<std::string>{"ActiveControl", "Height", "Left", "ServerName",
                                             "ServiceIndex", "Top", "Width"}));
  for (const auto& [name, value] : values)
    EXPECT_EQ(value.type, name == "ActiveControl" || name == "ServerName" ? REG_SZ : REG_DWORD)
        << name;
  EXPECT_EQ(Value("Left")->Number(), 300);
  EXPECT_EQ(Value("Top")->Number(), 250);
  EXPECT_EQ(Value("Width")->Number(), width);
  EXPECT_EQ(Value("Height")->Number(), height);
  EXPECT_EQ(Value("ActiveControl")->Sz(), "btnRefresh");
  EXPECT_EQ(Value("ServiceIndex")->Number(), 1);
  EXPECT_EQ(Value("ServerName")->Sz(), "FARAWAY");

  Quenby second;
  ASSERT_TRUE(second.Started());
  const RECT rect = second.Rect();
  EXPECT_EQ(rect.left, 300);
  EXPECT_EQ(rect.top, 250);
  EXPECT_EQ(rect.right - rect.left, width);
  EXPECT_EQ(rect.bottom - rect.top, height);
  EXPECT_EQ(SendMessageW(second.Control(IDC_cbServices), CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(Text(second.Control(IDC_elServer)), "FARAWAY");
  EXPECT_TRUE(WaitUntil([&] { return second.Focused() == second.Control(IDC_btnRefresh); }, 3000));
  // The restored selection is shown, on the machine that start-up chose.
  EXPECT_EQ(Text(second.Control(IDC_esbMain)), statusLine);
}

TEST_F(QuenbyState, HandWrittenValuesAreAppliedOneByOneAndUnusableOnesSkipped) {
  {
    Quenby designed;
    ASSERT_TRUE(designed.Started());
  }
  const auto width = Value("Width")->Number(), height = Value("Height")->Number();
  DeleteState();
  PutSz("Left", "40");  // another type: skipped alone
  PutDword("Top", 60);
  PutSz("ActiveControl", "cbAutoStart");  // disabled at start-up: skipped
  PutDword("ServiceIndex", -1);
  PutSz("ServerName", "ELSEWHERE");
  {
    Quenby run;
    ASSERT_TRUE(run.Started());
    const RECT rect = run.Rect();
    EXPECT_EQ(rect.top, 60);
    EXPECT_EQ(rect.right - rect.left, width);
    EXPECT_EQ(rect.bottom - rect.top, height);
    EXPECT_EQ(SendMessageW(run.Control(IDC_cbServices), CB_GETCURSEL, 0, 0), -1);
    EXPECT_EQ(Text(run.Control(IDC_esbMain)), "Unknown server - Unknown service - Unknown state");
    EXPECT_EQ(Text(run.Control(IDC_elServer)), "ELSEWHERE");
    EXPECT_NE(run.Focused(), run.Control(IDC_cbAutoStart));
  }

  // A placement off every monitor comes back onto the desktop, same size; a
  // position beyond the list leaves the first entry selected.
  DeleteState();
  PutDword("Left", 5000);
  PutDword("Top", -3000);
  PutDword("ServiceIndex", 7);
  Quenby run;
  ASSERT_TRUE(run.Started());
  const RECT rect = run.Rect();
  RECT desktop{};
  GetWindowRect(GetDesktopWindow(), &desktop);
  EXPECT_GE(rect.left, desktop.left);
  EXPECT_LE(rect.right, desktop.right);
  EXPECT_GE(rect.top, desktop.top);
  EXPECT_LE(rect.bottom, desktop.bottom);
  EXPECT_EQ(rect.right - rect.left, width);
  EXPECT_EQ(SendMessageW(run.Control(IDC_cbServices), CB_GETCURSEL, 0, 0), 0);
}

TEST_F(QuenbyState, AboutShowsTheExecutablesVersionAndClosesWithEscOrEnter) {
  Quenby run;
  ASSERT_TRUE(run.Started());
  for (const WPARAM key : {VK_ESCAPE, VK_RETURN}) {
    SCOPED_TRACE(key == VK_ESCAPE ? "Esc" : "Enter");
    PostMessageW(run.Main(), WM_SYSCOMMAND, 1025, 0);
    HWND about = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] { return (about = run.Find(L"About")) != nullptr && IsWindowVisible(about); }));
    EXPECT_EQ(GetWindow(about, GW_OWNER), run.Main());
    EXPECT_FALSE(IsWindowEnabled(run.Main()));
    EXPECT_EQ(Text(GetDlgItem(about, IDC_NameLabel)), "Quenby");
    EXPECT_EQ(Text(GetDlgItem(about, IDC_VersionLabel)), "2.0.0.0");
    EXPECT_NE(Text(GetDlgItem(about, IDC_CommentsLabel)).find("Copyright"), std::string::npos);
    EXPECT_FALSE(Text(GetDlgItem(about, IDC_CopyrightLabel)).empty());
    RECT client{};
    GetClientRect(about, &client);
    EXPECT_EQ(client.right, 294);
    EXPECT_EQ(client.bottom, 132);
    // Centred over the main window.
    RECT dialog{}, owner{};
    GetWindowRect(about, &dialog);
    GetWindowRect(run.Main(), &owner);
    EXPECT_LE(std::abs((dialog.left + dialog.right) - (owner.left + owner.right)), 2);
    EXPECT_LE(std::abs((dialog.top + dialog.bottom) - (owner.top + owner.bottom)), 2);
    PostMessageW(GetDlgItem(about, IDOK), WM_KEYDOWN, key, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about) || !IsWindowVisible(about); }));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(run.Main()) != FALSE; }));
  }
  EXPECT_TRUE(run.Running());
}

TEST_F(QuenbyState, MinimiseShowsTheTrayIconAndRestoreOrDoubleClickRemovesIt) {
  Quenby run;
  ASSERT_TRUE(run.Started());
  EXPECT_FALSE(run.TrayIconShown());
  const std::string status = Text(run.Control(IDC_esbMain));

  PostMessageW(run.Main(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  ASSERT_TRUE(WaitUntil([&] { return run.TrayIconShown(); }));
  // No task-bar button: the window is hidden while the icon is shown.
  EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(run.Main()); }));
  const auto tooltips = wine_test::TrayTooltips();
  EXPECT_NE(std::find(tooltips.begin(), tooltips.end(), "Corvanti Quenby\r\n" + status),
            tooltips.end());

  PostMessageW(run.Main(), WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_TRUE(WaitUntil([&] { return !run.TrayIconShown(); }));
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(run.Main()) && !IsIconic(run.Main()); }));

  // Again, then a double-click on the icon in the notification area.
  PostMessageW(run.Main(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  ASSERT_TRUE(WaitUntil([&] { return run.TrayIconShown() && !IsWindowVisible(run.Main()); }));
  const HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr);
  ASSERT_NE(tray, nullptr);
  RECT client{};
  GetClientRect(tray, &client);
  // The only icon: at the right end of Wine's task bar, or at the left of its
  // stand-alone tray window (room for eight icons).
  const int iconWidth = GetSystemMetrics(SM_CXSMICON) + 4;
  const int x = client.right > 8 * iconWidth ? client.right - iconWidth / 2 : iconWidth / 2;
  PostMessageW(tray, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(x, client.bottom / 2));
  EXPECT_TRUE(WaitUntil([&] { return !run.TrayIconShown(); }));
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(run.Main()) && !IsIconic(run.Main()); }));
}

}  // namespace
