#include "palvex_driver.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "config_editor/win32/resource.h"
#include "tests/wine/wine_test_support.h"

namespace palvex_e2e {
namespace {

std::wstring WideOf(const std::string& text) {
  std::wstring wide;
  for (char c : text) wide.push_back(static_cast<unsigned char>(c));
  return wide;
}

struct FindRequest {
  DWORD pid;
  std::wstring caption;
  HWND exclude;
  bool needTabs;  // the configuration window holds the tab control
  HWND found;
};

BOOL CALLBACK FindWindowOfProcess(HWND hwnd, LPARAM param) {
  auto* request = reinterpret_cast<FindRequest*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != request->pid || hwnd == request->exclude || !IsWindowVisible(hwnd)) return TRUE;
  wchar_t className[64] = {};
  GetClassNameW(hwnd, className, 64);
  if (std::wstring(className) != L"#32770") return TRUE;
  if (TPalvexDriver::Text(hwnd) != request->caption) return TRUE;
  if (request->needTabs && GetDlgItem(hwnd, IDC_pcMain) == nullptr) return TRUE;
  request->found = hwnd;
  return FALSE;
}

// Memory in another process, freed on every way out.
class TRemoteBuffer {
 public:
  TRemoteBuffer(HANDLE process, std::size_t size)
      : process_(process),
        address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {
  }
  TRemoteBuffer(const TRemoteBuffer&) = delete;
  TRemoteBuffer& operator=(const TRemoteBuffer&) = delete;
  ~TRemoteBuffer() {
    if (address_ != nullptr) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
  }
  void* Address() const { return address_; }
  bool Write(const void* data, std::size_t size, std::size_t offset = 0) const {
    return WriteProcessMemory(process_, static_cast<char*>(address_) + offset, data, size,
                              nullptr) != FALSE;
  }
  bool Read(void* data, std::size_t size, std::size_t offset = 0) const {
    return ReadProcessMemory(process_, static_cast<char*>(address_) + offset, data, size,
                             nullptr) != FALSE;
  }

 private:
  HANDLE process_;
  void* address_;
};

}  // namespace

TPalvexDriver::~TPalvexDriver() {
  if (process_.hProcess != nullptr) {
    if (Running()) {
      TerminateProcess(process_.hProcess, 99);
      WaitForSingleObject(process_.hProcess, 5000);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }
}

bool TPalvexDriver::Launch(const std::string& exePath) {
  std::wstring commandLine = L"\"" + WideOf(exePath) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  return CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process_) != FALSE;
}

bool TPalvexDriver::WaitForMain(DWORD milliseconds) {
  // Gives up early when the program ends without showing the window.
  wine_test::WaitUntil(
      [this] {
        FindRequest request{process_.dwProcessId, L"TFTP Service Configuration", nullptr, true,
                            nullptr};
        EnumWindows(FindWindowOfProcess, reinterpret_cast<LPARAM>(&request));
        main_ = request.found;
        return main_ != nullptr || !Running();
      },
      static_cast<int>(milliseconds));
  return main_ != nullptr;
}

bool TPalvexDriver::Running() const {
  return process_.hProcess != nullptr && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

bool TPalvexDriver::WaitExit(DWORD milliseconds) {
  return WaitForSingleObject(process_.hProcess, milliseconds) == WAIT_OBJECT_0;
}

HWND TPalvexDriver::Find(const std::wstring& caption) const {
  FindRequest request{process_.dwProcessId, caption, main_, false, nullptr};
  EnumWindows(FindWindowOfProcess, reinterpret_cast<LPARAM>(&request));
  return request.found;
}

HWND TPalvexDriver::WaitForWindow(const std::wstring& caption, DWORD milliseconds) const {
  HWND found = nullptr;
  wine_test::WaitUntil([&] { return (found = Find(caption)) != nullptr; },
                       static_cast<int>(milliseconds));
  return found;
}

bool TPalvexDriver::WaitHidden(HWND window, DWORD milliseconds) const {
  return wine_test::WaitUntil([window] { return !IsWindow(window) || !IsWindowVisible(window); },
                              static_cast<int>(milliseconds));
}

std::wstring TPalvexDriver::BoxText(HWND box) {
  return Text(GetDlgItem(box, 0xFFFF));
}

void TPalvexDriver::Press(HWND dialog, int buttonId) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, buttonId)));
}

std::wstring TPalvexDriver::Text(HWND control) {
  wchar_t buffer[1024] = {};
  DWORD_PTR got = 0;
  SendMessageTimeoutW(control, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer), SMTO_BLOCK, 5000,
                      &got);
  return std::wstring(buffer, std::min<std::size_t>(got, 1023));
}

void TPalvexDriver::SetText(HWND control, const std::wstring& text) {
  SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void TPalvexDriver::Click(HWND button) {
  PostMessageW(button, BM_CLICK, 0, 0);
}

void TPalvexDriver::SelectTab(int tabControlId, int tab) {
  HWND tabs = Item(tabControlId);
  TRemoteBuffer remote(process_.hProcess, sizeof(RECT));
  RECT rect{};
  SendMessageW(tabs, TCM_GETITEMRECT, tab, reinterpret_cast<LPARAM>(remote.Address()));
  remote.Read(&rect, sizeof(rect));
  const LPARAM point = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  SendMessageW(tabs, WM_LBUTTONDOWN, MK_LBUTTON, point);
  SendMessageW(tabs, WM_LBUTTONUP, 0, point);
}

void TPalvexDriver::SelectRow(HWND list, int row) const {
  TRemoteBuffer remote(process_.hProcess, sizeof(LVITEMW));
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  remote.Write(&item, sizeof(item));
  SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(remote.Address()));
}

int TPalvexDriver::ListCount(HWND list) {
  return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

std::wstring TPalvexDriver::ListText(HWND list, int row, int column) const {
  constexpr std::size_t kChars = 512;
  TRemoteBuffer remote(process_.hProcess, sizeof(LVITEMW) + kChars * sizeof(wchar_t));
  LVITEMW item{};
  item.iSubItem = column;
  item.cchTextMax = kChars;
  item.pszText = reinterpret_cast<LPWSTR>(static_cast<char*>(remote.Address()) + sizeof(LVITEMW));
  remote.Write(&item, sizeof(item));
  const auto length =
      SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(remote.Address()));
  std::vector<wchar_t> text(kChars, L'\0');
  remote.Read(text.data(), kChars * sizeof(wchar_t), sizeof(LVITEMW));
  return std::wstring(text.data(),
                      std::min<std::size_t>(static_cast<std::size_t>(length), kChars - 1));
}

}  // namespace palvex_e2e
