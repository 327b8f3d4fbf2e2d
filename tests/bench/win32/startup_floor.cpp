// The start-up floor of a program: its own main dialog template, shown under its
// own manifest by a program without logic. The start-up benchmark sets the time
// this takes against the time the real program takes for the same window.
//
// Built once per program, linked with that program's resource scripts; the
// build names the template and the common-control classes:
//   FLOOR_RESOURCE_HEADER  the program's resource header, included by name
//   FLOOR_TEMPLATE         the main window's template ID (a name from that header)
//   FLOOR_CONTROL_CLASSES  the ICC_ classes the program initialises
#include <windows.h>

#include <commctrl.h>

#include FLOOR_RESOURCE_HEADER

namespace {

INT_PTR CALLBACK FloorProc(HWND dialog, UINT message, WPARAM, LPARAM) {
  if (message == WM_CLOSE) {
    DestroyWindow(dialog);
    PostQuitMessage(0);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX classes{sizeof classes, FLOOR_CONTROL_CLASSES};
  InitCommonControlsEx(&classes);
  const HWND dialog =
      CreateDialogParamW(instance, MAKEINTRESOURCEW(FLOOR_TEMPLATE), nullptr, FloorProc, 0);
  if (dialog == nullptr) return 1;
  ShowWindow(dialog, SW_SHOWNORMAL);
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (IsDialogMessageW(dialog, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
