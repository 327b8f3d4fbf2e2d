// Conversions between the programs' 8-bit ANSI text (the system code page) and
// the wide text that windows and controls hold.
#pragma once

#include <string>
#include <string_view>

namespace common::win32 {

std::wstring AnsiToWide(std::string_view text);
// Characters without an ANSI form become the code page's default character.
std::string WideToAnsi(std::wstring_view text);

}  // namespace common::win32
