#include "common/win32/win32_dialogs.h"

#include <windows.h>

#include "common/win32/text_win32.h"

namespace common::win32 {
namespace {

UINT IconStyle(MbIcon icon) {
  switch (icon) {
    case MbIcon::Error:
      return MB_ICONERROR;
    case MbIcon::Warning:
      return MB_ICONWARNING;
    case MbIcon::Information:
      return MB_ICONINFORMATION;
    case MbIcon::Question:
      return MB_ICONQUESTION;
    case MbIcon::None:
      break;
  }
  return 0;
}

UINT ButtonStyle(MbButtons buttons) {
  switch (buttons) {
    case MbButtons::YesNo:
      return MB_YESNO;
    case MbButtons::YesNoCancel:
      return MB_YESNOCANCEL;
    case MbButtons::Ok:
      break;
  }
  return MB_OK;
}

// IDCANCEL, a box that could not be shown (0) and any other answer count as Cancel.
MbResult FromId(int id) {
  switch (id) {
    case IDOK:
      return MbResult::Ok;
    case IDYES:
      return MbResult::Yes;
    case IDNO:
      return MbResult::No;
    default:
      return MbResult::Cancel;
  }
}

}  // namespace

MbResult Win32Dialogs::ShowMessageBox(const std::string& text, const std::string& caption,
                                      MbIcon icon, MbButtons buttons) {
  const std::wstring wideText = AnsiToWide(text);
  const std::wstring wideCaption = AnsiToWide(caption);
  // The box has no owner; the window that was active gets the activation back
  // when it closes, as an owned box would give it.
  const HWND active = GetActiveWindow();
  const int id = ::MessageBoxW(nullptr, wideText.c_str(), wideCaption.c_str(),
                               IconStyle(icon) | ButtonStyle(buttons) | MB_TASKMODAL);
  if (active != nullptr && IsWindow(active)) SetActiveWindow(active);
  return FromId(id);
}

}  // namespace common::win32
