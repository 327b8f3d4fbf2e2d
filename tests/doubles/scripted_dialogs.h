// Message boxes for tests: every box is recorded, and the answers come from a
// script. Without a scripted answer an OK box answers OK and any other box
// answers Cancel, as a box closed without a button does.
#pragma once

#include <deque>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "common/dialogs.h"

namespace doubles {

struct ShownBox {
  std::string text;
  std::string caption;
  common::MbIcon icon = common::MbIcon::None;
  common::MbButtons buttons = common::MbButtons::Ok;
  bool operator==(const ShownBox&) const = default;
};

inline void PrintTo(const ShownBox& box, std::ostream* os) {
  *os << "box \"" << box.text << "\" caption \"" << box.caption << "\" icon "
      << static_cast<int>(box.icon) << " buttons " << static_cast<int>(box.buttons);
}

class ScriptedDialogs : public common::IDialogs {
 public:
  common::MbResult ShowMessageBox(const std::string& text, const std::string& caption,
                                  common::MbIcon icon, common::MbButtons buttons) override {
    boxes.push_back({text, caption, icon, buttons});
    if (onShow) onShow(boxes.back());
    if (!answers.empty()) {
      const common::MbResult answer = answers.front();
      answers.pop_front();
      return answer;
    }
    return buttons == common::MbButtons::Ok ? common::MbResult::Ok : common::MbResult::Cancel;
  }

  // The texts of the boxes shown, in order.
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const auto& box : boxes) texts.push_back(box.text);
    return texts;
  }

  std::vector<ShownBox> boxes;
  std::deque<common::MbResult> answers;
  // Runs while a box is on screen, before it answers; it may throw.
  std::function<void(const ShownBox&)> onShow;
};

}  // namespace doubles
