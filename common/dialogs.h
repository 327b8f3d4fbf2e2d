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

// Message boxes that can be held back: while a TQuiet of it lives, a box is
// not shown and counts as answered with OK. Used for reads that run unseen.
class TQuietableDialogs : public IDialogs {
 public:
  explicit TQuietableDialogs(IDialogs& inner) : inner_(inner) {}
  MbResult ShowMessageBox(const std::string& text, const std::string& caption, MbIcon icon,
                          MbButtons buttons) override {
    if (quiet_ > 0) return MbResult::Ok;
    return inner_.ShowMessageBox(text, caption, icon, buttons);
  }
  class TQuiet {
   public:
    explicit TQuiet(TQuietableDialogs& dialogs) : dialogs_(dialogs) { ++dialogs_.quiet_; }
    TQuiet(const TQuiet&) = delete;
    TQuiet& operator=(const TQuiet&) = delete;
    ~TQuiet() { --dialogs_.quiet_; }

   private:
    TQuietableDialogs& dialogs_;
  };

 private:
  IDialogs& inner_;
  int quiet_ = 0;
};

}  // namespace common
