// The version functions of the system for the portable version-block reader.
#pragma once

#include <windows.h>

#include <string>

#include "common/win32/handles_win32.h"
#include "service_console/VersionInfo.h"

namespace quenby::win32 {

// UTF-16 to the system's ANSI code page.
class Win32WideToAnsi : public IWideToAnsi {
 public:
  std::string ToAnsi(std::u16string_view text) const override;
};

// The functions of version.dll, which is not one of the system's known DLLs:
// it is loaded from the system folder at first use, never through the import
// table (the loader would look for it beside the program first). Without it
// every file has no version information.
class Win32VersionFiles : public IVersionFiles {
 public:
  std::uint32_t GetFileVersionInfoSizeA(const std::string& fileName) override;
  bool GetFileVersionInfoA(const std::string& fileName, std::span<std::uint8_t> buffer) override;
  const IWideToAnsi& TextConverter() const override { return converter_; }

 private:
  using SizeEntry = DWORD(WINAPI*)(LPCSTR fileName, LPDWORD handle);
  using InfoEntry = BOOL(WINAPI*)(LPCSTR fileName, DWORD handle, DWORD size, LPVOID data);

  // Whether the library and both functions are there, loading them once.
  bool Loaded();

  Win32WideToAnsi converter_;
  bool tried_ = false;
  common::win32::UniqueModule library_;
  SizeEntry size_ = nullptr;
  InfoEntry info_ = nullptr;
};

}  // namespace quenby::win32
