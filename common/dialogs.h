// Message-box seam: a modal box with text, caption, icon and buttons that
// returns the button pressed.
#pragma once

#include <string>

namespace common {

enum class MbIcon { None, Error, Warning, Information, Question };
enum class MbButtons { Ok, YesNo, YesNoCancel };
// Cancel is also the answer when a box is closed without a button.
enum class MbResult { Ok, Cancel, Yes, No };

class IDialogs {
 public:
  virtual ~IDialogs() = default;
  virtual MbResult ShowMessageBox(const std::string& text, const std::string& caption, MbIcon icon,
                                  MbButtons buttons) = 0;
};

}  // namespace common
