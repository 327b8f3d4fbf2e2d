// Palvex end to end: the real program under Wine, driven through the control
// IDs of its resource header, with the settings in Wine's registry.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "config_editor/win32/resource.h"
#include "palvex_driver.h"
#include "tests/wine/wine_test_support.h"

namespace {

using palvex_e2e::TPalvexDriver;
using wine_test::StaysFalseFor;
using wine_test::WaitUntil;

constexpr const char* kKey = "SOFTWARE\\Corvanti\\RORIVuzuice";
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

struct Stored {
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
  std::string Text() const {
    std::string text(data.begin(), data.end());
    return text.substr(0, text.find('\0'));
  }
  std::int32_t Number() const {
    return data.size() == 4 ? static_cast<std::int32_t>(data[0] | data[1] << 8 | data[2] << 16 |
                                                        static_cast<DWORD>(data[3]) << 24)
                            : 0;
  }
};

// Every value of the settings key in a view of the registry (the 32-bit one,
// where the service reads them, unless told), by name; empty when the key is absent.
std::map<std::string, Stored> ReadKey(REGSAM view = wine_test::kView32) {
  std::map<std::string, Stored> values;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ | view, &key) != ERROR_SUCCESS)
    return values;
  for (DWORD index = 0;; ++index) {
    char name[256];
    DWORD nameLength = sizeof(name);
    Stored value;
    DWORD size = 0;
    if (RegEnumValueA(key, index, name, &nameLength, nullptr, &value.type, nullptr, &size) !=
        ERROR_SUCCESS) {
      break;
    }
    value.data.resize(size);
    nameLength = sizeof(name);
    RegEnumValueA(key, index, name, &nameLength, nullptr, &value.type, value.data.data(), &size);
    values[name] = value;
  }
  RegCloseKey(key);
  return values;
}

void WriteDword(HKEY key, const char* name, DWORD value) {
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

// The nineteen values with their defaults, as the service's installer would leave them.
void WriteDefaultKey() {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_WRITE | wine_test::kView32,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  for (const char* name : {"TFTPRoot", "LogDirectory", "HostList"}) {
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
  }
  RegSetValueExA(key, "DefaultRights", 0, REG_SZ, reinterpret_cast<const BYTE*>("NA"), 3);
  const std::pair<const char*, DWORD> numbers[] = {
      {"TFTPPort", 1},      {"WriteLog", 0}, {"HighPriority", 0},   {"LogFileCount", 3},
      {"TFTPTimeout", 3},   {"TFTPRetr", 3}, {"AllowOverwrite", 0}, {"OpTimeout", 1},
      {"OpBlocksize", 1},   {"OpTSize", 1},  {"FWEnabled", 1},      {"FWMinPort", 1024},
      {"FWMaxPort", 65535}, {"LogLevel", 5}, {"LocalTime", 0}};
  for (const auto& [name, value] : numbers) WriteDword(key, name, value);
  RegCloseKey(key);
}

// Runs Wine's reg.exe as an administrator would, in the 32-bit view, and waits for it.
bool RegAdd(const std::wstring& arguments) {
  std::wstring commandLine = L"reg.exe add " + arguments + L" /f /reg:32";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                      nullptr, nullptr, &startup, &process)) {
    return false;
  }
  WaitForSingleObject(process.hProcess, 20000);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code == 0;
}

std::string PalvexPath() {
  return wine_test::WindowsPath(PALVEX_EXE);
}

class PalvexWindow : public ::testing::Test {
 protected:
  void SetUp() override { DeleteKeys(); }
  void TearDown() override { DeleteKeys(); }
  static void DeleteKeys() {
    for (REGSAM view : {wine_test::kView32, wine_test::kView64})
      wine_test::DeleteTreeRaw(HKEY_LOCAL_MACHINE, kKey, view);
  }

  void Start() { ASSERT_TRUE(driver.Start(PalvexPath())) << "the window did not open"; }
  HWND Item(int id) { return driver.Item(id); }
  std::wstring Text(int id) { return TPalvexDriver::Text(Item(id)); }
  // The focused control of the program's window thread.
  HWND Focused() {
    GUITHREADINFO gui{};
    gui.cbSize = sizeof(gui);
    const DWORD thread = GetWindowThreadProcessId(driver.Main(), nullptr);
    return GetGUIThreadInfo(thread, &gui) ? gui.hwndFocus : nullptr;
  }

  // OK, then "No" in the restart question: saves and ends the program.
  void OkAndNo() {
    TPalvexDriver::Click(Item(IDC_btnOk));
    HWND question = driver.WaitForWindow(L"Confirmation");
    ASSERT_NE(question, nullptr) << "no restart question";
    EXPECT_EQ(TPalvexDriver::BoxText(question),
              L"It is necessary to restart the service in order to apply new configuration. "
              L"Restart the TFTP service now?");
    TPalvexDriver::Press(question, kIdNo);
    EXPECT_TRUE(driver.WaitExit()) << "the window stayed open";
  }

  TPalvexDriver driver;
};

TEST_F(PalvexWindow, WithoutSettingsOpensOnBasicOptionsWithTheDefaultsAndOkClosesAtOnce) {
  Start();
  RECT client{};
  GetClientRect(driver.Main(), &client);
  EXPECT_EQ(client.right, 348);
  EXPECT_EQ(client.bottom, 312);
  EXPECT_EQ(SendMessageW(Item(IDC_pcMain), TCM_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(SendMessageW(Item(IDC_pcMain), TCM_GETITEMCOUNT, 0, 0), 4);  // Multicasts hidden
  EXPECT_TRUE(IsWindowVisible(Item(IDC_seTFTPPort)));
  EXPECT_FALSE(IsWindowVisible(Item(IDC_tsgHosts)));
  EXPECT_EQ(Text(IDC_seTFTPPort), L"1");
  EXPECT_EQ(Text(IDC_seTimeout), L"3");
  EXPECT_EQ(Text(IDC_seFWMinPort), L"1024");
  EXPECT_EQ(Text(IDC_seFWMaxPort), L"65535");
  EXPECT_EQ(Text(IDC_cbLoggingLevel), L"Notice (default)");
  EXPECT_EQ(Text(IDC_cbDefaultAccess), L"No Access");
  EXPECT_EQ(SendMessageW(Item(IDC_cbOpTSize), BM_GETCHECK, 0, 0), BST_CHECKED);
  // Logging is off: its fields are read-only or disabled.
  EXPECT_NE(GetWindowLongW(Item(IDC_elLogDir), GWL_STYLE) & ES_READONLY, 0);
  EXPECT_FALSE(IsWindowEnabled(Item(IDC_cbLoggingLevel)));
  EXPECT_FALSE(IsWindowEnabled(Item(IDC_rgTimestampsUTC)));

  TPalvexDriver::Click(Item(IDC_btnOk));
  EXPECT_TRUE(driver.WaitExit()) << "OK without a change did not close the window";
  EXPECT_TRUE(ReadKey().empty());
}

TEST_F(PalvexWindow, NumberFieldKeepsAWholeNumberInItsRange) {
  Start();
  TPalvexDriver::SetText(Item(IDC_seTimeout), L"181");
  EXPECT_EQ(Text(IDC_seTimeout), L"3");
  TPalvexDriver::SetText(Item(IDC_seTimeout), L"180");
  EXPECT_EQ(Text(IDC_seTimeout), L"180");
  TPalvexDriver::SetText(Item(IDC_seTimeout), L"12x");
  EXPECT_EQ(Text(IDC_seTimeout), L"180");
  // The arrows step within the range: up stops at the maximum.
  HWND arrows = Item(IDC_seTimeoutSpin);
  RECT rect{};
  GetClientRect(arrows, &rect);
  const LPARAM upper = MAKELPARAM(rect.right / 2, rect.bottom / 4);
  const LPARAM lower = MAKELPARAM(rect.right / 2, rect.bottom * 3 / 4);
  for (LPARAM point : {upper, lower, lower}) {
    SendMessageW(arrows, WM_LBUTTONDOWN, MK_LBUTTON, point);
    SendMessageW(arrows, WM_LBUTTONUP, 0, point);
  }
  EXPECT_EQ(Text(IDC_seTimeout), L"178");
  PostMessageW(Item(IDC_seTimeout), WM_KEYDOWN, VK_UP, 1);
  PostMessageW(Item(IDC_seTimeout), WM_KEYDOWN, VK_DOWN, 1);
  PostMessageW(Item(IDC_seTimeout), WM_KEYDOWN, VK_DOWN, 1);
  // Posted keys: the field shows their sum once the window has handled all three.
  EXPECT_TRUE(WaitUntil([&] { return Text(IDC_seTimeout) == L"177"; }, 5000))
      << Text(IDC_seTimeout);
  // Left empty, the field takes its minimum; OK then saves it.
  TPalvexDriver::SetText(Item(IDC_seRetries), L"");
  OkAndNo();
  EXPECT_EQ(ReadKey()["TFTPTimeout"].Number(), 177);
  EXPECT_EQ(ReadKey()["TFTPRetr"].Number(), 1);
}

TEST_F(PalvexWindow, NewPortIsSavedWithAllNineteenValuesAndTheirTypes) {
  Start();
  TPalvexDriver::SetText(Item(IDC_seTFTPPort), L"6969");
  OkAndNo();
  const auto key = ReadKey();
  const std::map<std::string, DWORD> types = {
      {"TFTPRoot", REG_SZ},        {"TFTPPort", REG_DWORD},       {"WriteLog", REG_DWORD},
      {"HighPriority", REG_DWORD}, {"LogDirectory", REG_SZ},      {"LogFileCount", REG_DWORD},
      {"DefaultRights", REG_SZ},   {"HostList", REG_SZ},          {"TFTPTimeout", REG_DWORD},
      {"TFTPRetr", REG_DWORD},     {"AllowOverwrite", REG_DWORD}, {"OpTimeout", REG_DWORD},
      {"OpBlocksize", REG_DWORD},  {"OpTSize", REG_DWORD},        {"FWEnabled", REG_DWORD},
      {"FWMinPort", REG_DWORD},    {"FWMaxPort", REG_DWORD},      {"LogLevel", REG_DWORD},
      {"LocalTime", REG_DWORD}};
  ASSERT_EQ(key.size(), types.size());
  for (const auto& [name, type] : types) {
    ASSERT_EQ(key.count(name), 1u) << name;
    EXPECT_EQ(key.at(name).type, type) << name;
  }
  EXPECT_EQ(key.at("TFTPPort").Number(), 6969);
  EXPECT_EQ(key.at("DefaultRights").Text(), "NA");
  EXPECT_EQ(key.at("LogLevel").Number(), 5);
  EXPECT_EQ(key.at("FWMaxPort").Number(), 65535);
  EXPECT_EQ(key.at("HostList").data.size(), 1u);  // empty text, one NUL
  // The save lands in the 32-bit view only, where the service reads it.
  EXPECT_TRUE(ReadKey(wine_test::kView64).empty());
}

TEST_F(PalvexWindow, FirewallRangeBelow1024IsRefusedAndNothingIsSaved) {
  Start();
  TPalvexDriver::SetText(Item(IDC_seFWMinPort), L"1023");
  TPalvexDriver::Click(Item(IDC_btnOk));
  HWND error = driver.WaitForWindow(L"Error");
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(TPalvexDriver::BoxText(error), L"Range [1023..65535] is not a valid port range!");
  TPalvexDriver::Press(error, IDOK);
  ASSERT_TRUE(driver.WaitHidden(error));
  // After the box the window turns to the field's page and focuses the field.
  WaitUntil(
      [&] {
        return SendMessageW(Item(IDC_pcMain), TCM_GETCURSEL, 0, 0) == 2 &&
               Focused() == Item(IDC_seFWMinPort);
      },
      5000);
  EXPECT_EQ(SendMessageW(Item(IDC_pcMain), TCM_GETCURSEL, 0, 0), 2);  // "Firewall"
  EXPECT_TRUE(IsWindowVisible(Item(IDC_seFWMinPort)));
  EXPECT_EQ(Focused(), Item(IDC_seFWMinPort));
  EXPECT_TRUE(driver.Running());
  EXPECT_TRUE(ReadKey().empty());
  // The close box asks nothing and saves nothing.
  PostMessageW(driver.Main(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(driver.WaitExit());
  EXPECT_TRUE(ReadKey().empty());
}

TEST_F(PalvexWindow, SingleHostRuleAddedThroughTheDialogIsSavedInHostList) {
  Start();
  driver.SelectTab(IDC_pcMain, 1);
  ASSERT_TRUE(IsWindowVisible(Item(IDC_tsgHosts)));
  TPalvexDriver::Click(Item(IDC_sbAdd));
  HWND dialog = driver.WaitForWindow(L"Client access rights");
  ASSERT_NE(dialog, nullptr);
  RECT window{}, client{};
  GetWindowRect(dialog, &window);
  GetClientRect(dialog, &client);
  EXPECT_EQ(window.left, 508);
  EXPECT_EQ(window.top, 225);
  EXPECT_EQ(client.right, 294);
  EXPECT_EQ(client.bottom, 205);
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(dialog, IDC_edMask)));
  EXPECT_EQ(TPalvexDriver::Text(GetDlgItem(dialog, IDC_lblAddress)), L"Network IP Address:");

  SendMessageW(GetDlgItem(dialog, IDC_rbSingle), BM_CLICK, 0, 0);
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_edMask)));
  EXPECT_EQ(TPalvexDriver::Text(GetDlgItem(dialog, IDC_lblAddress)), L"Host IP Address:");
  SendMessageW(GetDlgItem(dialog, IDC_edAddress), IPM_SETADDRESS, 0, MAKEIPADDRESS(192, 0, 2, 7));
  SendMessageW(GetDlgItem(dialog, IDC_cbAccess), CB_SETCURSEL, 1, 0);
  TPalvexDriver::Click(GetDlgItem(dialog, IDC_btnOk));
  ASSERT_TRUE(driver.WaitHidden(dialog));

  HWND list = Item(IDC_tsgHosts);
  ASSERT_EQ(TPalvexDriver::ListCount(list), 1);
  EXPECT_EQ(driver.ListText(list, 0, 0), L"192.0.2.7");
  EXPECT_EQ(driver.ListText(list, 0, 1), L"Read Only");
  OkAndNo();
  EXPECT_EQ(ReadKey()["HostList"].Text(), "[192.0.2.7, 255.255.255.255, R]");
}

TEST_F(PalvexWindow, LoggingCheckBoxMakesItsFieldsEditableAndReadOnlyAgain) {
  Start();
  auto readOnly = [&](int id) { return (GetWindowLongW(Item(id), GWL_STYLE) & ES_READONLY) != 0; };
  // While logging is off the count ignores its arrows.
  HWND arrows = Item(IDC_elLogCountSpin);
  RECT rect{};
  GetClientRect(arrows, &rect);
  const LPARAM upper = MAKELPARAM(rect.right / 2, rect.bottom / 4);
  SendMessageW(arrows, WM_LBUTTONDOWN, MK_LBUTTON, upper);
  SendMessageW(arrows, WM_LBUTTONUP, 0, upper);
  EXPECT_EQ(Text(IDC_elLogCount), L"3");
  for (bool logging : {true, false}) {
    SendMessageW(Item(IDC_cbWriteLog), BM_CLICK, 0, 0);
    EXPECT_EQ(readOnly(IDC_elLogDir), !logging);
    EXPECT_EQ(readOnly(IDC_elLogCount), !logging);
    EXPECT_EQ(IsWindowEnabled(Item(IDC_cbLoggingLevel)) != FALSE, logging);
    EXPECT_EQ(IsWindowEnabled(Item(IDC_rgTimestampsLocal)) != FALSE, logging);
  }
  SendMessageW(Item(IDC_cbFWEnabled), BM_CLICK, 0, 0);
  EXPECT_TRUE(readOnly(IDC_seFWMinPort));
  EXPECT_TRUE(readOnly(IDC_seFWMaxPort));
}

// Enter and Esc work the window's OK and Cancel buttons; after a change each
// asks its question, and No keeps the window open with nothing saved.
TEST_F(PalvexWindow, EnterAndEscAreTheDialogKeys) {
  struct Case {
    WPARAM key;
    const wchar_t* caption;
    const wchar_t* question;
  };
  const Case cases[] = {
      {VK_RETURN, L"Confirmation",
       L"It is necessary to restart the service in order to apply new configuration. Restart "
       L"the TFTP service now?"},
      {VK_ESCAPE, L"Confirm", L"Are you shure you want to discard all changes and exit?"},
  };
  Start();
  TPalvexDriver::SetText(Item(IDC_seRetries), L"7");
  for (const auto& c : cases) {
    PostMessageW(Item(IDC_seRetries), WM_KEYDOWN, c.key, 1);
    HWND box = driver.WaitForWindow(c.caption);
    ASSERT_NE(box, nullptr) << c.key;
    EXPECT_EQ(TPalvexDriver::BoxText(box), c.question);
    TPalvexDriver::Press(box, c.key == VK_RETURN ? IDCANCEL : kIdNo);
    ASSERT_TRUE(driver.WaitHidden(box));
  }
  // Nothing may follow the answers: watched for 1.5 s, time enough for the
  // program to close, save or ask again if it were going to.
  EXPECT_TRUE(StaysFalseFor(
      [&] {
        return !driver.Running() || !ReadKey().empty() || driver.Find(L"Confirmation") != nullptr ||
               driver.Find(L"Confirm") != nullptr;
      },
      1500));
  EXPECT_TRUE(driver.Running());
  EXPECT_TRUE(ReadKey().empty());
  EXPECT_EQ(Text(IDC_seRetries), L"7");
}

// "Yes" with no service to restart: the service error is shown, no success
// message, the settings stay saved and the window closes.
TEST_F(PalvexWindow, YesWithoutTheServiceSavesShowsTheErrorAndCloses) {
  Start();
  SendMessageW(Item(IDC_cbHighPriority), BM_CLICK, 0, 0);
  TPalvexDriver::Click(Item(IDC_btnOk));
  HWND question = driver.WaitForWindow(L"Confirmation");
  ASSERT_NE(question, nullptr);
  TPalvexDriver::Press(question, kIdYes);
  // Every box up to the program's end is a service error: a success message is a fault.
  int errors = 0;
  for (;;) {
    HWND error = nullptr;
    HWND success = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
      error = driver.Find(L"Error");
      success = driver.Find(L"Information");
      return error != nullptr || success != nullptr || !driver.Running();
    })) << "the program neither showed a box nor ended";
    ASSERT_EQ(success, nullptr) << "success message shown";
    if (error == nullptr) break;
    EXPECT_EQ(TPalvexDriver::BoxText(error).rfind(L"Error trying to peform specified action.", 0),
              0u)
        << TPalvexDriver::BoxText(error);
    ++errors;
    TPalvexDriver::Press(error, IDOK);
    ASSERT_TRUE(driver.WaitHidden(error));
  }
  EXPECT_GE(errors, 1);
  EXPECT_TRUE(driver.WaitExit());
  EXPECT_EQ(ReadKey()["HighPriority"].Number(), 1);
}

// Insert opens the rule dialog, Delete asks and removes the selected rule; the
// Edit and Delete buttons follow the selection.
TEST_F(PalvexWindow, InsertAndDeleteKeysInTheRuleList) {
  WriteDefaultKey();
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_WRITE | wine_test::kView32, &key),
            ERROR_SUCCESS);
  const char hosts[] = "[192.0.2.7, 255.255.255.255, W], [192.0.2.8, 255.255.255.255, R]";
  RegSetValueExA(key, "HostList", 0, REG_SZ, reinterpret_cast<const BYTE*>(hosts), sizeof(hosts));
  RegCloseKey(key);
  Start();
  driver.SelectTab(IDC_pcMain, 1);
  HWND list = Item(IDC_tsgHosts);

  PostMessageW(list, WM_KEYDOWN, VK_INSERT, 1);
  HWND dialog = driver.WaitForWindow(L"Client access rights");
  ASSERT_NE(dialog, nullptr);
  TPalvexDriver::Press(dialog, IDCANCEL);
  ASSERT_TRUE(driver.WaitHidden(dialog));
  EXPECT_EQ(TPalvexDriver::ListCount(list), 2);

  driver.SelectRow(list, 0);
  EXPECT_TRUE(IsWindowEnabled(Item(IDC_sbEdit)));
  PostMessageW(list, WM_KEYDOWN, VK_DELETE, 1);
  HWND confirm = driver.WaitForWindow(L"Confirm");
  ASSERT_NE(confirm, nullptr);
  EXPECT_EQ(TPalvexDriver::BoxText(confirm), L"Are you sure to delete rule?");
  TPalvexDriver::Press(confirm, kIdYes);
  ASSERT_TRUE(driver.WaitHidden(confirm));
  WaitUntil(
      [&] { return TPalvexDriver::ListCount(list) == 1 && IsWindowEnabled(Item(IDC_sbDelete)); },
      5000);
  ASSERT_EQ(TPalvexDriver::ListCount(list), 1);
  EXPECT_EQ(driver.ListText(list, 0, 0), L"192.0.2.8");
  // The remaining rule took the selection; deleting it too leaves nothing
  // selected, and the buttons follow although a message box was up meanwhile.
  EXPECT_TRUE(IsWindowEnabled(Item(IDC_sbDelete)));
  PostMessageW(list, WM_KEYDOWN, VK_DELETE, 1);
  confirm = driver.WaitForWindow(L"Confirm");
  ASSERT_NE(confirm, nullptr);
  TPalvexDriver::Press(confirm, kIdYes);
  ASSERT_TRUE(driver.WaitHidden(confirm));
  WaitUntil(
      [&] {
        return TPalvexDriver::ListCount(list) == 0 && !IsWindowEnabled(Item(IDC_sbEdit)) &&
               !IsWindowEnabled(Item(IDC_sbDelete));
      },
      5000);
  ASSERT_EQ(TPalvexDriver::ListCount(list), 0);
  EXPECT_FALSE(IsWindowEnabled(Item(IDC_sbEdit)));
  EXPECT_FALSE(IsWindowEnabled(Item(IDC_sbDelete)));
  OkAndNo();
  EXPECT_EQ(ReadKey()["HostList"].Text(), "");
}

// The timestamp choice is taken from the button clicked, also while its page
// is not shown; a click on it while logging is off changes nothing.
TEST_F(PalvexWindow, TimestampChoiceIsSavedFromTheClickedButton) {
  WriteDefaultKey();
  Start();
  SendMessageW(Item(IDC_rgTimestampsLocal), BM_CLICK, 0, 0);  // logging off: disabled
  EXPECT_EQ(SendMessageW(Item(IDC_rgTimestampsLocal), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessageW(Item(IDC_rgTimestampsUTC), BM_GETCHECK, 0, 0), BST_CHECKED);

  SendMessageW(Item(IDC_cbWriteLog), BM_CLICK, 0, 0);
  SendMessageW(Item(IDC_rgTimestampsLocal), BM_CLICK, 0, 0);
  EXPECT_EQ(SendMessageW(Item(IDC_rgTimestampsLocal), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageW(Item(IDC_rgTimestampsUTC), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  OkAndNo();
  EXPECT_EQ(ReadKey()["LocalTime"].Number(), 1);
  EXPECT_EQ(ReadKey()["WriteLog"].Number(), 1);
}

TEST_F(PalvexWindow, LoadErrorIsShownBeforeTheWindowWhichOpensWithWhatWasRead) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_WRITE | wine_test::kView32,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, "TFTPRoot", 0, REG_SZ, reinterpret_cast<const BYTE*>("C:\\tftp"), 8);
  RegCloseKey(key);
  ASSERT_TRUE(driver.Launch(PalvexPath()));
  HWND error = driver.WaitForWindow(L"TFTP Service Configuration");
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(GetDlgItem(error, IDC_pcMain), nullptr) << "the window opened before the message";
  EXPECT_EQ(TPalvexDriver::BoxText(error), L"Failed to get data for 'TFTPPort'");
  TPalvexDriver::Press(error, IDOK);
  ASSERT_TRUE(driver.WaitForMain());
  EXPECT_EQ(Text(IDC_elTFTPRoot), L"C:\\tftp");
  EXPECT_EQ(Text(IDC_seTFTPPort), L"1");
}

TEST_F(PalvexWindow, ValuesWrittenBeforehandShowInTheControls) {
  WriteDefaultKey();
  const std::wstring key = L"\"HKLM\\SOFTWARE\\Corvanti\\RORIVuzuice\"";
  ASSERT_TRUE(RegAdd(key + L" /v HostList /t REG_SZ /d \"[198.51.100.0, 255.255.255.0, RW], "
                           L"[192.0.2.7, 255.255.255.255, W]\""));
  ASSERT_TRUE(RegAdd(key + L" /v LogLevel /t REG_DWORD /d 0xffffffff"));
  ASSERT_TRUE(RegAdd(key + L" /v DefaultRights /t REG_SZ /d rw"));
  // What the 64-bit view holds is not the service's, and is not shown.
  ASSERT_EQ(wine_test::WriteRawString(HKEY_LOCAL_MACHINE, kKey, "DefaultRights", "RO",
                                      wine_test::kView64),
            ERROR_SUCCESS);
  Start();
  // A load error shows before the window; one that came after it is watched
  // for during 1.5 s.
  EXPECT_TRUE(
      StaysFalseFor([&] { return driver.Find(L"TFTP Service Configuration") != nullptr; }, 1500))
      << "an error box was shown";
  EXPECT_EQ(SendMessageW(Item(IDC_cbLoggingLevel), CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_EQ(Text(IDC_cbLoggingLevel), L"");
  EXPECT_EQ(Text(IDC_cbDefaultAccess), L"Read/Write");
  HWND list = Item(IDC_tsgHosts);
  ASSERT_EQ(TPalvexDriver::ListCount(list), 2);
  EXPECT_EQ(driver.ListText(list, 0, 0), L"198.51.100.0 (255.255.255.0)");
  EXPECT_EQ(driver.ListText(list, 0, 1), L"Read/Write");
  EXPECT_EQ(driver.ListText(list, 1, 0), L"192.0.2.7");
  EXPECT_EQ(driver.ListText(list, 1, 1), L"Write Only");
}

}  // namespace
