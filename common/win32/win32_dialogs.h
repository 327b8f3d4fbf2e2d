// Message boxes over user32: the ANSI texts are shown as wide text converted
// with the system code page.
#pragma once

#include "common/dialogs.h"

namespace common::win32 {

class Win32Dialogs : public IDialogs {
 public:
  // A task-modal box without owner window: the thread's windows stay disabled
  // until it is closed.
  MbResult ShowMessageBox(const std::string& text, const std::string& caption, MbIcon icon,
                          MbButtons buttons) override;
};

}  // namespace common::win32
