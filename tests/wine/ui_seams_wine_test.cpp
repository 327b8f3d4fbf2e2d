// The message-box, wait-platform and text adapters against Wine's user32.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "common/win32/text_win32.h"
#include "common/win32/win32_dialogs.h"
#include "common/win32/win32_wait_platform.h"

namespace {

using common::MbButtons;
using common::MbIcon;
using common::MbResult;
using common::win32::AnsiToWide;
using common::win32::WideToAnsi;

// The texts below are in code page 1252, which the harness pins (Wine takes the
// code page from the Unix locale, LC_ALL): another one fails here rather than
// letting these tests pass without running.
TEST(TextConversion, AnsiTextUsesTheSystemCodePage) {
  ASSERT_EQ(GetACP(), 1252u);
  const struct {
    std::string ansi;
    std::wstring wide;
  } cases[] = {{"", L""},
               {"plain", L"plain"},
               {"Caf\xE9 \x80", L"Caf\u00E9 \u20AC"},
               {std::string("a\0b", 3), std::wstring(L"a\0b", 3)}};
  for (const auto& c : cases) {
    EXPECT_EQ(AnsiToWide(c.ansi), c.wide) << c.ansi;
    EXPECT_EQ(WideToAnsi(c.wide), c.ansi) << c.ansi;
  }
  EXPECT_EQ(WideToAnsi(L"\u4E2D"), "?");  // no form in the code page
}

// What a helper thread found in a message box before it answered it.
struct SeenBox {
  bool found = false;
  std::vector<std::wstring> texts;  // the static controls' texts
  std::vector<int> buttons;         // the IDs among IDOK, IDCANCEL, IDYES, IDNO present
};

BOOL CALLBACK CollectStatic(HWND child, LPARAM param) {
  wchar_t className[32] = {};
  GetClassNameW(child, className, 32);
  if (std::wstring(className) == L"Static") {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(child)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(child, text.data(), static_cast<int>(text.size()))));
    if (!text.empty()) reinterpret_cast<std::vector<std::wstring>*>(param)->push_back(text);
  }
  return TRUE;
}

// Waits for the box with `caption`, records it and answers it with `command`
// (a button ID), or closes it when `command` is 0.
void AnswerBox(const std::wstring& caption, int command, SeenBox& seen) {
  HWND box = nullptr;
  for (int i = 0; i < 200 && box == nullptr; ++i) {
    box = FindWindowW(L"#32770", caption.c_str());
    if (box == nullptr) Sleep(25);
  }
  if (box == nullptr) return;
  seen.found = true;
  EnumChildWindows(box, &CollectStatic, reinterpret_cast<LPARAM>(&seen.texts));
  for (int id : {IDOK, IDCANCEL, IDYES, IDNO})
    if (GetDlgItem(box, id) != nullptr) seen.buttons.push_back(id);
  if (command == 0)
    PostMessageW(box, WM_CLOSE, 0, 0);
  else
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, command)));
}

TEST(MessageBoxes, ShowTheTextsWithTheButtonsAskedForAndReportTheAnswer) {
  ASSERT_EQ(GetACP(), 1252u);
  const struct {
    MbButtons buttons;
    MbIcon icon;
    int command;  // 0 closes the box
    std::vector<int> buttonIds;
    MbResult result;
  } cases[] = {
      {MbButtons::Ok, MbIcon::None, IDOK, {IDOK}, MbResult::Ok},
      {MbButtons::YesNo, MbIcon::Question, IDYES, {IDYES, IDNO}, MbResult::Yes},
      {MbButtons::YesNo, MbIcon::Warning, IDNO, {IDYES, IDNO}, MbResult::No},
      {MbButtons::YesNoCancel,
       MbIcon::Information,
       IDCANCEL,
       {IDCANCEL, IDYES, IDNO},
       MbResult::Cancel},
      {MbButtons::YesNoCancel, MbIcon::Error, 0, {IDCANCEL, IDYES, IDNO}, MbResult::Cancel},
  };
  common::win32::Win32Dialogs dialogs;
  int n = 0;
  for (const auto& c : cases) {
    const std::string caption = "Caf\xE9 " + std::to_string(++n);
    SCOPED_TRACE(caption);
    SeenBox seen;
    std::thread answer(AnswerBox, AnsiToWide(caption), c.command, std::ref(seen));
    const MbResult result =
        dialogs.ShowMessageBox("First line\rsecond \x80 line", caption, c.icon, c.buttons);
    answer.join();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(seen.buttons, c.buttonIds);
    EXPECT_EQ(seen.texts, std::vector<std::wstring>{L"First line\rsecond \u20AC line"});
  }
}

constexpr UINT kPing = WM_APP + 1;
int g_pings = 0;

LRESULT CALLBACK CountPings(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kPing) {
    ++g_pings;
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

TEST(WaitPlatform, PumpDispatchesEverythingPendingAndLeavesTheQuitMessage) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = &CountPings;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"PumpProbe";
  ASSERT_NE(RegisterClassW(&windowClass), 0);
  HWND window = CreateWindowW(L"PumpProbe", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  common::win32::Win32WaitPlatform platform;

  for (int i = 0; i < 3; ++i) PostMessageW(window, kPing, 0, 0);
  platform.ProcessMessages();
  EXPECT_EQ(g_pings, 3);
  MSG message{};
  EXPECT_FALSE(PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE));

  PostMessageW(window, kPing, 0, 0);
  PostQuitMessage(7);
  platform.ProcessMessages();
  EXPECT_EQ(g_pings, 4);
  ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(message.wParam, 7u);
  DestroyWindow(window);

  // Wine's tick counter is updated in steps and may lag the sleep by a few tens of
  // milliseconds on a busy machine.
  const std::uint32_t before = platform.TickCount();
  platform.Sleep(200);
  const std::uint32_t elapsed = platform.TickCount() - before;
  EXPECT_GE(elapsed, 150u);
  EXPECT_LT(elapsed, 2000u);
}

}  // namespace
