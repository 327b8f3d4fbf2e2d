// Odd text typed into the programs' fields, under Wine: Quenby's server field
// and Palvex's two folder fields, each given a very long text, backslashes,
// blanks and text outside the ANSI code page (1252, which the harness pins).
// The programs work in ANSI: what cannot be converted becomes '?', and nothing
// else may be lost on the way to the screen or the registry.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/win32/handles_win32.h"
#include "config_editor/win32/resource.h"
#include "palvex_driver.h"
#include "service_console/win32/resource.h"
#include "tests/wine/wine_test_support.h"

namespace {

using common::win32::UniqueKernelHandle;
using common::win32::UniqueScHandle;
using palvex_e2e::TPalvexDriver;
using wine_test::WaitUntil;

// Wide text from bytes of code page 1252, the tests' expectations being
// written as the bytes that the programs store.
std::wstring FromAnsi(const std::string& text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  const int written = MultiByteToWideChar(1252, 0, text.data(), length, wide.data(), length);
  wide.resize(static_cast<std::size_t>(written > 0 ? written : 0));
  return wide;
}

// A text of `length` characters made of path steps "\Folder-N".
std::string LongPath(const std::string& start, std::size_t length) {
  std::string path = start;
  for (int step = 1; path.size() < length; ++step) path += "\\Folder-" + std::to_string(step);
  return path.substr(0, length);
}

// Cyrillic "Сервер" and "Данные", Chinese "服务器" and "日志": none of them in code page 1252.
const std::wstring kCyrillicServer = L"\u0421\u0435\u0440\u0432\u0435\u0440";
const std::wstring kCyrillicData = L"\u0414\u0430\u043d\u043d\u044b\u0435";
const std::wstring kChineseServer = L"\u670d\u52a1\u5668";
const std::wstring kChineseLog = L"\u65e5\u5fd7";

// ---------------------------------------------------------------------------
// Quenby's server field.

constexpr char kServicesKey[] = "SOFTWARE\\Corvanti\\Quenby\\Services";
constexpr char kStateKey[] = "SOFTWARE\\Corvanti\\Quenby\\2.0\\frmMain";
constexpr char kService[] = "QOddAgent";

DWORD ServiceState() {
  const UniqueScHandle service = wine_test::ServiceHandle(kService);
  SERVICE_STATUS status{};
  return QueryServiceStatus(service.get(), &status) ? status.dwCurrentState : 0;
}

std::string ComputerName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  GetComputerNameA(name, &size);
  return name;
}

class QuenbyServerField : public ::testing::Test {
 protected:
  // A stand-in service that answers at once, running, and registered alone.
  static void SetUpTestSuite() {
    const UniqueScHandle manager = wine_test::ManagerHandle();
    ASSERT_TRUE(manager) << GetLastError();
    const std::string command = '"' + wine_test::WindowsPath(STANDIN_EXE) + '"';
    const UniqueScHandle service(
        CreateServiceA(manager.get(), kService, "Odd Agent", SERVICE_ALL_ACCESS,
                       SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                       command.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(service) << GetLastError();
    ASSERT_TRUE(StartServiceA(service.get(), 0, nullptr)) << GetLastError();
    ASSERT_TRUE(WaitUntil([] { return ServiceState() == SERVICE_RUNNING; }));
    ASSERT_EQ(wine_test::WriteRawString(HKEY_LOCAL_MACHINE, kServicesKey, kService, ""),
              ERROR_SUCCESS);
  }
  static void TearDownTestSuite() {
    const UniqueScHandle service = wine_test::ServiceHandle(kService);
    SERVICE_STATUS status{};
    ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
    WaitUntil([] { return ServiceState() == SERVICE_STOPPED; }, 5000);
    DeleteService(service.get());
    wine_test::DeleteTreeRaw(HKEY_LOCAL_MACHINE, kServicesKey);
  }

  void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, "SOFTWARE\\Corvanti\\Quenby"); }
  void TearDown() override {
    if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
      PostMessageW(window_, WM_CLOSE, 0, 0);
      if (WaitForSingleObject(process_.get(), 10000) != WAIT_OBJECT_0)
        TerminateProcess(process_.get(), 1);
    }
  }

  void Start() {
    std::string command = '"' + wine_test::WindowsPath(QUENBY_EXE) + '"';
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &info))
        << GetLastError();
    CloseHandle(info.hThread);
    process_.reset(info.hProcess);
    pid_ = info.dwProcessId;
    ASSERT_TRUE(WaitUntil([this] {
      window_ = FindWindowA("#32770", "Quenby");
      return window_ != nullptr && GetDlgItem(window_, IDC_cbServices) != nullptr &&
             IsWindowVisible(window_) && !Status().empty();
    })) << "Quenby's window did not appear";
  }
  bool Close() {
    PostMessageW(window_, WM_CLOSE, 0, 0);
    return WaitForSingleObject(process_.get(), 10000) == WAIT_OBJECT_0;
  }

  HWND Item(int id) const { return GetDlgItem(window_, id); }
  std::wstring Status() const { return TPalvexDriver::Text(Item(IDC_esbMain)); }
  // A visible box of the program other than its window.
  HWND Box() const {
    struct Search {
      DWORD pid;
      HWND main, found;
    } search{pid_, window_, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
          auto* s = reinterpret_cast<Search*>(data);
          DWORD pid = 0;
          GetWindowThreadProcessId(window, &pid);
          wchar_t className[16] = {};
          GetClassNameW(window, className, 16);
          if (pid != s->pid || window == s->main || !IsWindowVisible(window) ||
              std::wstring(className) != L"#32770")
            return TRUE;
          s->found = window;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  // Clicks a button (which leaves the server field first, as a click does) and
  // waits for the status line to read `line`. A box on the way fails the step,
  // and is answered so that the next one can run.
  void ClickAndExpect(int button, const std::wstring& line) {
    ASSERT_TRUE(IsWindowEnabled(Item(button))) << "button " << button << " is disabled";
    PostMessageW(Item(button), BM_CLICK, 0, 0);
    HWND box = nullptr;
    WaitUntil([&] { return (box = Box()) != nullptr || Status() == line; });
    if (box != nullptr) {
      ADD_FAILURE() << "box: " << ::testing::PrintToString(TPalvexDriver::BoxText(box));
      PostMessageW(box, WM_COMMAND, IDOK, 0);
      WaitUntil([box] { return !IsWindow(box); }, 3000);
    }
    EXPECT_EQ(Status(), line);
  }
  void SetServer(const std::wstring& server) { TPalvexDriver::SetText(Item(IDC_elServer), server); }

  UniqueKernelHandle process_;
  DWORD pid_ = 0;
  HWND window_ = nullptr;
};

// Wine's Service Control Manager opens this machine whatever name it is given
// (OpenSCManagerA succeeds for each of the names below), so every name is taken
// and shown as the machine part of the status line: in full, with '?' for what
// code page 1252 cannot hold, and blanks as they are (only an empty name reads
// "local"). After each, the emptied field names this machine again.
TEST_F(QuenbyServerField, OddNamesReachTheStatusLineAsTheirAnsiTextAndTheWindowStaysUsable) {
  const std::string longName(300, 'S');
  const struct {
    const char* name;
    std::wstring typed;
    std::string machine;  // the machine part of the status line, in code page 1252
  } cases[] = {
      {"300 characters", std::wstring(longName.begin(), longName.end()), longName},
      {"a share path", L"SRV\\SHARE", "SRV\\SHARE"},
      {"a UNC name", L"\\\\SRV", "\\\\SRV"},
      {"two backslashes alone", L"\\\\", "\\\\"},
      {"blanks", L"   ", "   "},
      {"Cyrillic", kCyrillicServer, "??????"},
      {"Chinese", kChineseServer, "???"},
  };
  Start();
  const std::wstring tail = L" - QOddAgent - Running";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetServer(c.typed);
    ClickAndExpect(IDC_btnRefresh, FromAnsi(c.machine) + tail);
    // The field keeps what was typed.
    EXPECT_EQ(TPalvexDriver::Text(Item(IDC_elServer)), c.typed);
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_bbStop)));
    SetServer(L"");
    ClickAndExpect(IDC_btnRefresh, L"local" + tail);
  }

  // An action under the long name: its progress and its result carry the name.
  SetServer(cases[0].typed);
  ClickAndExpect(IDC_btnRefresh, FromAnsi(longName) + tail);
  ClickAndExpect(IDC_bbStop, FromAnsi(longName) + L" - QOddAgent - Stopped");
  EXPECT_EQ(ServiceState(), static_cast<DWORD>(SERVICE_STOPPED));
  ClickAndExpect(IDC_bbStart, FromAnsi(longName) + tail);
  EXPECT_EQ(ServiceState(), static_cast<DWORD>(SERVICE_RUNNING));
}

// The field's text is stored per user in ANSI at the end, and shown again at
// the next start: the long name whole, the Cyrillic one as the '?'s it became.
TEST_F(QuenbyServerField, OddNamesAreStoredAsTheirAnsiTextAndComeBack) {
  const struct {
    const char* name;
    std::wstring typed;
    std::string stored;
  } cases[] = {
      {"300 characters", std::wstring(300, L'S'), std::string(300, 'S')},
      {"Cyrillic", kCyrillicServer, "??????"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Start();
    SetServer(c.typed);
    ASSERT_TRUE(Close());
    const wine_test::RawValue stored =
        wine_test::ReadRaw(HKEY_CURRENT_USER, kStateKey, "ServerName");
    ASSERT_EQ(stored.rc, ERROR_SUCCESS);
    EXPECT_EQ(stored.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::string(stored.data.begin(), stored.data.end()), c.stored + '\0');
    Start();
    EXPECT_EQ(TPalvexDriver::Text(Item(IDC_elServer)), FromAnsi(c.stored));
    // The machine is still the one that start-up chose.
    EXPECT_EQ(Status(), FromAnsi(ComputerName()) + L" - QOddAgent - Running");
    ASSERT_TRUE(Close());
  }
}

// ---------------------------------------------------------------------------
// Palvex's folder fields.

constexpr char kSettingsKey[] = "SOFTWARE\\Corvanti\\RORIVuzuice";
constexpr int kIdNo = 7;

class PalvexFolderFields : public ::testing::Test {
 protected:
  void SetUp() override { DeleteKey(); }
  void TearDown() override { DeleteKey(); }
  static void DeleteKey() {
    for (REGSAM view : {wine_test::kView32, wine_test::kView64})
      wine_test::DeleteTreeRaw(HKEY_LOCAL_MACHINE, kSettingsKey, view);
  }
  static std::string StoredText(const char* name) {
    const wine_test::RawValue value = wine_test::ReadRaw(HKEY_LOCAL_MACHINE, kSettingsKey, name);
    if (value.rc != ERROR_SUCCESS) return "(missing: " + std::to_string(value.rc) + ")";
    if (value.type != REG_SZ) return "(type " + std::to_string(value.type) + ")";
    return std::string(value.data.begin(), value.data.end());
  }
};

// Each text is typed into both fields (logging on, so that the log folder can
// be typed into), saved with OK and No to the restart, read back from the
// registry through the ANSI entry point, and shown again at the next start.
TEST_F(PalvexFolderFields, LongAndNonAnsiPathsAreSavedAsFarAsAnsiHoldsThemAndShownAgain) {
  const std::string longRoot = LongPath("C:\\TFTP", 300);
  const std::string longLog = LongPath("D:\\Logs", 333);
  const struct {
    const char* name;
    std::wstring root, log;
    std::string storedRoot, storedLog;  // code page 1252 bytes
  } cases[] = {
      {"longer than MAX_PATH", std::wstring(longRoot.begin(), longRoot.end()),
       std::wstring(longLog.begin(), longLog.end()), longRoot, longLog},
      {"outside code page 1252", L"C:\\" + kCyrillicData + L"\\tftp", L"D:\\" + kChineseLog,
       "C:\\??????\\tftp", "D:\\??"},
      {"inside code page 1252 but not ASCII", L"C:\\D\u00fcsseldorf\\Caf\u00e9",
       L"D:\\Gr\u00fc\u00dfe \u00bd", "C:\\D\xfcsseldorf\\Caf\xe9",
       "D:\\Gr\xfc\xdf"
       "e \xbd"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    {
      TPalvexDriver palvex;
      ASSERT_TRUE(palvex.Start(wine_test::WindowsPath(PALVEX_EXE)));
      TPalvexDriver::SetText(palvex.Item(IDC_elTFTPRoot), c.root);
      EXPECT_EQ(TPalvexDriver::Text(palvex.Item(IDC_elTFTPRoot)), c.root);
      if (SendMessageW(palvex.Item(IDC_cbWriteLog), BM_GETCHECK, 0, 0) != BST_CHECKED)
        SendMessageW(palvex.Item(IDC_cbWriteLog), BM_CLICK, 0, 0);
      ASSERT_EQ(GetWindowLongW(palvex.Item(IDC_elLogDir), GWL_STYLE) & ES_READONLY, 0);
      TPalvexDriver::SetText(palvex.Item(IDC_elLogDir), c.log);
      TPalvexDriver::Click(palvex.Item(IDC_btnOk));
      const HWND question = palvex.WaitForWindow(L"Confirmation");
      ASSERT_NE(question, nullptr) << "no restart question";
      TPalvexDriver::Press(question, kIdNo);
      ASSERT_TRUE(palvex.WaitExit()) << "the window stayed open";
    }
    EXPECT_EQ(StoredText("TFTPRoot"), c.storedRoot + '\0');
    EXPECT_EQ(StoredText("LogDirectory"), c.storedLog + '\0');

    TPalvexDriver palvex;
    ASSERT_TRUE(palvex.Start(wine_test::WindowsPath(PALVEX_EXE)));
    EXPECT_EQ(TPalvexDriver::Text(palvex.Item(IDC_elTFTPRoot)), FromAnsi(c.storedRoot));
    EXPECT_EQ(TPalvexDriver::Text(palvex.Item(IDC_elLogDir)), FromAnsi(c.storedLog));
    PostMessageW(palvex.Main(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(palvex.WaitExit());
  }
}

}  // namespace
