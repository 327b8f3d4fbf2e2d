#include "common/win32/win32_system_text.h"

#include <windows.h>

#include <array>

namespace common::win32 {

std::string Win32SystemText::RawMessage(std::uint32_t code) const {
  std::array<char, 256> buffer{};
  const DWORD length =
      FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                     buffer.data(), static_cast<DWORD>(buffer.size()), nullptr);
  return std::string(buffer.data(), length);
}

}  // namespace common::win32
