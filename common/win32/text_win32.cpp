#include "common/win32/text_win32.h"

#include <windows.h>

#include <climits>

namespace common::win32 {

std::wstring AnsiToWide(std::string_view text) {
  if (text.empty() || text.size() > INT_MAX) return {};
  const int length = static_cast<int>(text.size());
  const int needed = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  if (needed <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(needed), L'\0');
  const int written = MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), needed);
  wide.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
  return wide;
}

std::string WideToAnsi(std::wstring_view text) {
  if (text.empty() || text.size() > INT_MAX) return {};
  const int length = static_cast<int>(text.size());
  const int needed =
      WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return {};
  std::string ansi(static_cast<std::size_t>(needed), '\0');
  const int written =
      WideCharToMultiByte(CP_ACP, 0, text.data(), length, ansi.data(), needed, nullptr, nullptr);
  ansi.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
  return ansi;
}

}  // namespace common::win32
