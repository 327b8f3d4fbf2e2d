// The system's message texts (FormatMessageA from the system's table).
#pragma once

#include "common/system_text.h"

namespace common::win32 {

class Win32SystemText : public ISystemText {
 public:
  std::string RawMessage(std::uint32_t code) const override;
};

}  // namespace common::win32
