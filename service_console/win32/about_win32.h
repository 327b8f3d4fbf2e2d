// Quenby's About dialog on screen, and the version functions of version.dll
// for the portable reader.
#pragma once

#include <windows.h>

#include <string>

#include "service_console/VersionInfo.h"

namespace quenby::win32 {

// UTF-16 to the system's ANSI code page.
class Win32WideToAnsi : public IWideToAnsi {
 public:
  std::string ToAnsi(std::u16string_view text) const override;
};

class Win32VersionFiles : public IVersionFiles {
 public:
  std::uint32_t GetFileVersionInfoSizeA(const std::string& fileName) override;
  bool GetFileVersionInfoA(const std::string& fileName, std::span<std::uint8_t> buffer) override;
  const IWideToAnsi& TextConverter() const override { return converter_; }

 private:
  Win32WideToAnsi converter_;
};

// The full path of the running program's executable, in ANSI.
std::string ExecutableFileName();

// Shows a new About dialog modally over `owner` (disabled meanwhile, and the
// dialog centred over it) and returns when it has closed.
void ShowAboutDialog(HINSTANCE instance, HWND owner);

}  // namespace quenby::win32
