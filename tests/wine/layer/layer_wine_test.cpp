// The window layer's rules, shown once on a window of its own under Wine: a
// close asked for during a handler, focus after a handler, disabled controls,
// the read-back before a click, the dialog keys, the activation after a
// message box, the active control, and a modal window that could not be made.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/win32/win32_dialogs.h"
#include "common/win32/win32_form.h"
#include "tests/wine/layer/layer_test_resource.h"
#include "tests/wine/wine_test_support.h"

namespace {

namespace ui = common::ui;
using common::win32::TWin32Form;

class TTestForm : public ui::TForm {
 public:
  TTestForm() : TForm("TestForm") {}
  ui::TButton btnWait{"btnWait"};
  ui::TButton btnOther{"btnOther"};
  ui::TEdit edText{"edText"};
  ui::TCheckBox cbBox{"cbBox", "Box"};
  ui::TCheckBox cbPlain{"cbPlain", "Plain"};
  ui::TButton btnOk{"btnOk"};
  ui::TButton btnCancel{"btnCancel"};
};

// Handles the messages that arrive within `ms`, as a service wait does.
void PumpFor(int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(10);
  }
}

// Handles messages through the layer's loop until `done`, for at most `ms`.
bool LoopUntil(const std::function<bool()>& done, int ms = 5000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  // A timer wakes the loop, so that the time limit is seen.
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, nullptr);
  common::win32::RunMessageLoop([&] { return done() || std::chrono::steady_clock::now() >= end; });
  KillTimer(nullptr, timer);
  return done();
}

std::unique_ptr<TWin32Form> Open(TTestForm& f) {
  auto w = std::make_unique<TWin32Form>(f, GetModuleHandleW(nullptr), IDD_LAYER_TEST);
  if (w->Handle() == nullptr) return w;
  w->BindButton(f.btnWait, IDC_btnWait);
  w->BindButton(f.btnOther, IDC_btnOther);
  w->BindEdit(f.edText, IDC_edText);
  w->BindCheckBox(f.cbBox, IDC_cbBox);
  w->BindCheckBox(f.cbPlain, IDC_cbPlain);
  w->BindButton(f.btnOk, IDC_btnOk);
  w->BindButton(f.btnCancel, IDC_btnCancel);
  w->Show();
  const HWND h = w->Handle();
  LoopUntil([h] { return GetActiveWindow() == h; });
  return w;
}

class Layer : public ::testing::Test {
 protected:
  void SetUp() override {
    window = Open(form);
    ASSERT_NE(window->Handle(), nullptr);
    ASSERT_EQ(GetActiveWindow(), window->Handle());
  }
  HWND Item(int id) const { return GetDlgItem(window->Handle(), id); }
  void Focus(int id) {
    SetFocus(Item(id));
    ASSERT_EQ(GetFocus(), Item(id));
  }

  TTestForm form;
  std::unique_ptr<TWin32Form> window;
};

TEST(LayerClose, AskedWhileAHandlerRunsTakesEffectWhenItHasReturned) {
  struct Case {
    const char* name;
    std::function<void(HWND, TTestForm&)> ask;
  };
  const Case cases[] = {
      {"the close box", [](HWND h, TTestForm&) { PostMessageW(h, WM_CLOSE, 0, 0); }},
      {"the form's own close", [](HWND, TTestForm& f) { f.Close(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TTestForm f;
    auto w = Open(f);
    ASSERT_NE(w->Handle(), nullptr);
    const HWND h = w->Handle();
    w->SetMainForm(true);
    std::vector<std::string> events;
    w->SetDestroyHandler([&] { events.push_back("destroyed"); });
    f.btnWait.OnClick = [&] {
      c.ask(h, f);
      PumpFor(300);  // the close arrives during the wait
      events.push_back(IsWindow(h) && IsWindowVisible(h) ? "handler ended, window shown"
                                                         : "handler ended, window gone");
    };
    PostMessageW(GetDlgItem(h, IDC_btnWait), BM_CLICK, 0, 0);
    const UINT_PTR guard = SetTimer(nullptr, 0, 10000, [](HWND, UINT, UINT_PTR, DWORD) {
      PostQuitMessage(99);  // a close that never comes fails the test, not hangs it
    });
    const int code = common::win32::RunMessageLoop();
    KillTimer(nullptr, guard);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(events, (std::vector<std::string>{"handler ended, window shown", "destroyed"}));
    EXPECT_FALSE(IsWindow(h));
  }
}

TEST_F(Layer, FocusComesBackAfterAHandlerDisabledTheFocusedControl) {
  struct Case {
    bool enabledAgain;
    int focusAfter;
  };
  for (const Case c : {Case{true, IDC_btnWait}, Case{false, IDC_btnOther}}) {
    SCOPED_TRACE(c.enabledAgain ? "enabled again" : "stays disabled");
    form.btnWait.SetEnabled(true);
    Focus(IDC_btnWait);
    bool focusLost = false;
    form.btnWait.OnClick = [&] {
      form.btnWait.SetEnabled(false);
      PumpFor(100);
      focusLost = GetFocus() == nullptr;
      if (c.enabledAgain) form.btnWait.SetEnabled(true);
    };
    SendMessageW(Item(IDC_btnWait), BM_CLICK, 0, 0);
    EXPECT_TRUE(focusLost);
    EXPECT_EQ(GetFocus(), Item(c.focusAfter));
  }
}

TEST_F(Layer, DisabledControlsTakeNoClickSentToThem) {
  int clicks = 0;
  form.btnOther.OnClick = [&] { ++clicks; };
  form.cbBox.OnClick = [&] { ++clicks; };
  form.cbPlain.OnClick = [&] { ++clicks; };
  for (ui::TControl* control :
       {static_cast<ui::TControl*>(&form.btnOther), static_cast<ui::TControl*>(&form.cbBox),
        static_cast<ui::TControl*>(&form.cbPlain)})
    control->SetEnabled(false);
  for (int id : {IDC_btnOther, IDC_cbBox, IDC_cbPlain}) {
    SendMessageW(Item(id), BM_CLICK, 0, 0);
    PostMessageW(Item(id), BM_CLICK, 0, 0);
  }
  PumpFor(200);
  EXPECT_EQ(clicks, 0);
  EXPECT_FALSE(form.cbBox.Checked());
  EXPECT_FALSE(form.cbPlain.Checked());
  EXPECT_EQ(SendMessageW(Item(IDC_cbBox), BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

TEST_F(Layer, APlainCheckBoxChangesThroughItsWidgetOnly) {
  int clicks = 0;
  form.cbPlain.OnClick = [&] { ++clicks; };
  SendMessageW(Item(IDC_cbPlain), BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(form.cbPlain.Checked());
  EXPECT_EQ(SendMessageW(Item(IDC_cbPlain), BM_GETCHECK, 0, 0), BST_CHECKED);
}

TEST_F(Layer, AClickReadsBackWhatOtherProgramsChangedWithoutNotifying) {
  struct Case {
    TWin32Form::TReadBack readBack;
    int boxEvents;
  };
  for (const Case c :
       {Case{TWin32Form::TReadBack::AsUserInput, 1}, Case{TWin32Form::TReadBack::Silently, 0}}) {
    SCOPED_TRACE(c.boxEvents == 1 ? "as user input" : "silently");
    window->SetReadBack(c.readBack);
    form.cbBox.SetChecked(false);
    int boxEvents = 0;
    form.cbBox.OnClick = [&] { ++boxEvents; };
    bool seen = false;
    form.btnOther.OnClick = [&] { seen = form.cbBox.Checked(); };
    SendMessageW(Item(IDC_cbBox), BM_SETCHECK, BST_CHECKED, 0);  // notifies nobody
    SendMessageW(Item(IDC_btnOther), BM_CLICK, 0, 0);
    EXPECT_TRUE(seen);
    EXPECT_EQ(boxEvents, c.boxEvents);
  }
}

TEST_F(Layer, TextChangedWithoutTheFocusIsLeftAtTheNextClick) {
  Focus(IDC_btnWait);
  std::vector<std::string> events;
  form.edText.OnChange = [&] { events.push_back("change " + form.edText.Text()); };
  form.edText.OnExit = [&] { events.push_back("exit"); };
  form.btnOther.OnClick = [&] { events.push_back("click"); };
  SendMessageW(Item(IDC_edText), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"typed"));
  SendMessageW(Item(IDC_btnOther), BM_CLICK, 0, 0);
  SendMessageW(Item(IDC_btnOther), BM_CLICK, 0, 0);
  EXPECT_EQ(events, (std::vector<std::string>{"change typed", "exit", "click", "click"}));
}

TEST_F(Layer, EnterAndEscClickTheTemplatesOkAndCancel) {
  int ok = 0;
  int cancel = 0;
  form.btnOk.OnClick = [&] { ++ok; };
  form.btnCancel.OnClick = [&] { ++cancel; };
  Focus(IDC_edText);
  PostMessageW(Item(IDC_edText), WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_TRUE(LoopUntil([&] { return ok == 1; }));
  PostMessageW(Item(IDC_edText), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(LoopUntil([&] { return cancel == 1; }));
  EXPECT_EQ(ok, 1);
}

TEST(LayerKeys, WithoutOkAndCancelEnterAndEscGoToTheKeyHandler) {
  TTestForm f;
  TWin32Form w(f, GetModuleHandleW(nullptr), IDD_LAYER_KEYS);
  ASSERT_NE(w.Handle(), nullptr);
  w.BindEdit(f.edText, IDC_edText);
  std::vector<int> keys;
  w.SetKeyHandler([&](int key) { keys.push_back(key); });
  w.Show();
  const HWND edit = GetDlgItem(w.Handle(), IDC_edText);
  LoopUntil([&] { return GetActiveWindow() == w.Handle(); });
  SetFocus(edit);
  PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
  PostMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(LoopUntil([&] { return keys.size() == 2; }));
  EXPECT_EQ(keys, (std::vector<int>{VK_RETURN, VK_ESCAPE}));
}

TEST_F(Layer, AMessageBoxHandsTheActivationBack) {
  common::win32::Win32Dialogs dialogs;
  std::thread answer([] {
    HWND box = nullptr;
    wine_test::WaitUntil([&] { return (box = FindWindowA("#32770", "Layer box")) != nullptr; });
    PostMessageW(box, WM_COMMAND, IDOK, 0);
  });
  form.btnOther.OnClick = [&] {
    dialogs.ShowMessageBox("text", "Layer box", common::MbIcon::Information, common::MbButtons::Ok);
  };
  SendMessageW(Item(IDC_btnOther), BM_CLICK, 0, 0);
  answer.join();
  EXPECT_EQ(GetActiveWindow(), window->Handle());
}

TEST_F(Layer, TheActiveControlFollowsTheFocus) {
  Focus(IDC_edText);
  EXPECT_EQ(form.ActiveControl(), &form.edText);
  Focus(IDC_btnOther);
  EXPECT_EQ(form.ActiveControl(), &form.btnOther);
}

TEST(LayerModal, AWindowThatCouldNotBeMadeReturnsAtOnce) {
  TTestForm f;
  TWin32Form w(f, GetModuleHandleW(nullptr), 9999);  // no such template
  EXPECT_EQ(w.Handle(), nullptr);
  const auto start = std::chrono::steady_clock::now();
  w.RunModal(f);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

}  // namespace
