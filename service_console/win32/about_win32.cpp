#include "service_console/win32/about_win32.h"

#include <vector>

#include "common/win32/text_win32.h"
#include "service_console/dlgAbout_u.h"
#include "service_console/win32/about_resource.h"

namespace quenby::win32 {

namespace {

// The dialog's client area and its controls, in pixels.
constexpr int kClientWidth = 294;
constexpr int kClientHeight = 132;
struct Place {
  int id, left, top, width, height;
};
constexpr Place kLayout[] = {
    {IDC_NameLabel, 16, 8, 265, 13},      {IDC_VersionLabel, 16, 24, 265, 13},
    {IDC_CommentsLabel, 16, 40, 265, 13}, {IDC_CopyrightLabel, 16, 56, 265, 13},
    {IDC_Bevel1, 12, 79, 273, 6},         {IDOK, 102, 98, 75, 25},
};

void SetLabel(HWND dialog, int id, const std::string& text) {
  SetDlgItemTextW(dialog, id, common::win32::AnsiToWide(text).c_str());
}

void CenterOver(HWND dialog, HWND owner) {
  RECT area{};
  if (owner == nullptr || !IsWindowVisible(owner) || IsIconic(owner) ||
      !GetWindowRect(owner, &area))
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  RECT rect{};
  GetWindowRect(dialog, &rect);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  SetWindowPos(dialog, nullptr, area.left + (area.right - area.left - width) / 2,
               area.top + (area.bottom - area.top - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// A modal dialog from the template: the system disables the owner and runs the
// loop; Enter reaches the dialog as IDOK (the default button) and Esc as IDCANCEL.
INT_PTR CALLBACK AboutProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* dialog = reinterpret_cast<TdlgAbout*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
      dialog = reinterpret_cast<TdlgAbout*>(lParam);
      SetWindowTextW(hwnd, common::win32::AnsiToWide(dialog->Caption()).c_str());
      RECT rect{0, 0, kClientWidth, kClientHeight};
      AdjustWindowRectEx(&rect, static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_EXSTYLE)));
      SetWindowPos(hwnd, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      for (const Place& place : kLayout)
        SetWindowPos(GetDlgItem(hwnd, place.id), nullptr, place.left, place.top, place.width,
                     place.height, SWP_NOZORDER | SWP_NOACTIVATE);
      SetLabel(hwnd, IDC_NameLabel, dialog->NameLabel.Caption());
      SetLabel(hwnd, IDC_VersionLabel, dialog->VersionLabel.Caption());
      SetLabel(hwnd, IDC_CommentsLabel, dialog->CommentsLabel.Caption());
      SetLabel(hwnd, IDC_CopyrightLabel, dialog->CopyrightLabel.Caption());
      CenterOver(hwnd, GetWindow(hwnd, GW_OWNER));
      return TRUE;
    }
    case WM_COMMAND:
      if (dialog == nullptr) return FALSE;
      if (LOWORD(wParam) == IDOK) {
        dialog->btnOk.UserClick();
      } else if (LOWORD(wParam) == IDCANCEL) {
        dialog->DialogKey(kVkEscape);
      } else {
        return FALSE;
      }
      if (dialog->CloseRequested()) EndDialog(hwnd, IDOK);
      return TRUE;
    case WM_DRAWITEM: {
      // The separator: an etched line along the bottom edge of its box.
      auto& item = *reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
      if (item.CtlID != IDC_Bevel1) return FALSE;
      RECT box = item.rcItem;
      DrawEdge(item.hDC, &box, EDGE_ETCHED, BF_BOTTOM);
      return TRUE;
    }
    case WM_CLOSE:
      if (dialog != nullptr) dialog->UserClose();
      EndDialog(hwnd, IDCANCEL);
      return TRUE;
    default:
      return FALSE;
  }
}

class AboutHost : public common::ui::IModalHost {
 public:
  AboutHost(HINSTANCE instance, HWND owner) : instance_(instance), owner_(owner) {}
  void RunModal(common::ui::TForm& form) override {
    DialogBoxParamW(instance_, MAKEINTRESOURCEW(IDD_dlgAbout), owner_, AboutProc,
                    reinterpret_cast<LPARAM>(&static_cast<TdlgAbout&>(form)));
  }

 private:
  HINSTANCE instance_;
  HWND owner_;
};

}  // namespace

std::string Win32WideToAnsi::ToAnsi(std::u16string_view text) const {
  if (text.empty()) return {};
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int length = static_cast<int>(text.size());
  const int size = WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string result(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide, length, result.data(), size, nullptr, nullptr);
  return result;
}

std::uint32_t Win32VersionFiles::GetFileVersionInfoSizeA(const std::string& fileName) {
  DWORD handle = 0;
  return ::GetFileVersionInfoSizeA(fileName.c_str(), &handle);
}

bool Win32VersionFiles::GetFileVersionInfoA(const std::string& fileName,
                                            std::span<std::uint8_t> buffer) {
  return ::GetFileVersionInfoA(fileName.c_str(), 0, static_cast<DWORD>(buffer.size()),
                               buffer.data()) != FALSE;
}

std::string ExecutableFileName() {
  std::vector<char> path(MAX_PATH);
  for (;;) {
    const DWORD got = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (got == 0) return {};
    if (got < path.size()) return std::string(path.data(), got);
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
}

void ShowAboutDialog(HINSTANCE instance, HWND owner) {
  Win32VersionFiles files;
  AboutHost host(instance, owner);
  ShowAbout({files, ExecutableFileName(), host});
}

}  // namespace quenby::win32
