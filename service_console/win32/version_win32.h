// The version functions of the system for the portable version-block reader.
#pragma once

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

}  // namespace quenby::win32
