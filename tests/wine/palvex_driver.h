// Drives the real palvex.exe from another process: starts it, finds its
// windows and their controls by the IDs of the resource header, reads and
// sets controls with window messages, and answers its message boxes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace palvex_e2e {

class TPalvexDriver {
 public:
  TPalvexDriver() = default;
  TPalvexDriver(const TPalvexDriver&) = delete;
  TPalvexDriver& operator=(const TPalvexDriver&) = delete;
  ~TPalvexDriver();  // ends the program if it still runs

  // Starts the program and waits for its configuration window to show.
  bool Start(const std::string& exePath) { return Launch(exePath) && WaitForMain(); }
  // Starts the program without waiting for anything.
  bool Launch(const std::string& exePath);
  // Waits for the configuration window to show.
  bool WaitForMain(DWORD milliseconds = 30000);
  // Waits for the program to end; true when it ended within the time.
  bool WaitExit(DWORD milliseconds = 10000);
  bool Running() const;

  HWND Main() const { return main_; }
  HWND Item(int id) const { return GetDlgItem(main_, id); }

  // The visible dialog window of the program with this caption (a message box
  // or the rule dialog), other than the configuration window; none when there
  // is none at the moment.
  HWND Find(const std::wstring& caption) const;
  // The same, waited for.
  HWND WaitForWindow(const std::wstring& caption, DWORD milliseconds = 10000) const;
  // Waits until the window is hidden or gone.
  bool WaitHidden(HWND window, DWORD milliseconds = 10000) const;
  // The text of a message box.
  static std::wstring BoxText(HWND box);
  // Presses a button of a box or dialog without waiting for what follows.
  static void Press(HWND dialog, int buttonId);

  static std::wstring Text(HWND control);
  static void SetText(HWND control, const std::wstring& text);
  // A click that may open a modal box: posted, never waited for.
  static void Click(HWND button);
  // Selects a tab as the user does: by a mouse click on it.
  void SelectTab(int tabControlId, int tab);
  // A list view cell, read across the process boundary.
  std::wstring ListText(HWND list, int row, int column) const;
  static int ListCount(HWND list);
  // Selects a list row as a click on it does.
  void SelectRow(HWND list, int row) const;

 private:
  PROCESS_INFORMATION process_{};
  HWND main_ = nullptr;
};

}  // namespace palvex_e2e
