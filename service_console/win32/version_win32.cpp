#include "service_console/win32/version_win32.h"

#include <windows.h>

namespace quenby::win32 {

std::string Win32WideToAnsi::ToAnsi(std::u16string_view text) const {
  if (text.empty()) return {};
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int length = static_cast<int>(text.size());
  const int size = WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string result(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide, length, result.data(), size, nullptr, nullptr);
  return result;
}

std::uint32_t Win32VersionFiles::GetFileVersionInfoSizeA(const std::string& fileName) {
  DWORD handle = 0;
  return ::GetFileVersionInfoSizeA(fileName.c_str(), &handle);
}

bool Win32VersionFiles::GetFileVersionInfoA(const std::string& fileName,
                                            std::span<std::uint8_t> buffer) {
  return ::GetFileVersionInfoA(fileName.c_str(), 0, static_cast<DWORD>(buffer.size()),
                               buffer.data()) != FALSE;
}

}  // namespace quenby::win32
