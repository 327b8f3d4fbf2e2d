#include "system_text.h"

namespace common {

std::string TrimSystemText(std::string text) {
  while (!text.empty()) {
    const auto c = static_cast<unsigned char>(text.back());
    if (c > 32 && c != '.') break;
    text.pop_back();
  }
  return text;
}

std::string SystemErrorText(const ISystemText& source, std::uint32_t code) {
  return TrimSystemText(source.RawMessage(code));
}

}  // namespace common
