// The application object's portable part: its title and the error box that
// shows an error raised by a handler. The Win32 layer adds the message loop.
#pragma once

#include <exception>
#include <functional>
#include <string>
#include <utility>

#include "common/dialogs.h"

namespace common {

// The text of the error box: the message, with a period added when its last
// character sorts after '.' in byte order (so "...!" and "....", and an empty
// message, stay as they are).
inline std::string ErrorBoxText(std::string message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') message += '.';
  return message;
}

class TApplication {
 public:
  explicit TApplication(IDialogs& dialogs) : dialogs_(dialogs) {}

  const std::string& Title() const { return title_; }
  void SetTitle(std::string value) { title_ = std::move(value); }

  // The error box: message (with its period), the title as caption, stop icon, OK.
  void ShowException(const std::exception& error) {
    dialogs_.ShowMessageBox(ErrorBoxText(error.what()), title_, MbIcon::Error, MbButtons::Ok);
  }

  // Runs a handler; an error it raises ends it and is shown in the error box.
  void Run(const std::function<void()>& handler) {
    try {
      handler();
    } catch (const std::exception& error) {
      ShowException(error);
    }
  }

  // A handler wrapped so that an error it raises goes to the error box.
  std::function<void()> Guarded(std::function<void()> handler) {
    return [this, handler = std::move(handler)] { Run(handler); };
  }

 private:
  IDialogs& dialogs_;
  std::string title_;
};

}  // namespace common
