// The system's message text for an error code, as the user sees it.
#pragma once

#include <cstdint>
#include <string>

namespace common {

// Seam over the system's message table (FormatMessage from the system, inserts
// ignored, language 0, into 256 characters). Gives the raw text, or an empty
// text when the system has no text for the code.
class ISystemText {
 public:
  virtual ~ISystemText() = default;
  virtual std::string RawMessage(std::uint32_t code) const = 0;
};

// The raw message with every trailing character of code 32 or less and every
// trailing full stop removed.
std::string TrimSystemText(std::string text);

// RawMessage of the code, trimmed.
std::string SystemErrorText(const ISystemText& source, std::uint32_t code);

}  // namespace common
