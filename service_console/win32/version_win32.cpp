#include "service_console/win32/version_win32.h"

#include "common/win32/dll_search_win32.h"

namespace quenby::win32 {

namespace {

template <class Entry>
Entry Find(HMODULE library, const char* name) {
  return reinterpret_cast<Entry>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

}  // namespace

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

bool Win32VersionFiles::Loaded() {
  if (!tried_) {
    tried_ = true;
    library_.reset(common::win32::LoadSystemLibrary("version.dll"));
    if (library_) {
      size_ = Find<SizeEntry>(library_.get(), "GetFileVersionInfoSizeA");
      info_ = Find<InfoEntry>(library_.get(), "GetFileVersionInfoA");
    }
  }
  return size_ != nullptr && info_ != nullptr;
}

std::uint32_t Win32VersionFiles::GetFileVersionInfoSizeA(const std::string& fileName) {
  if (!Loaded()) return 0;
  DWORD handle = 0;
  return size_(fileName.c_str(), &handle);
}

bool Win32VersionFiles::GetFileVersionInfoA(const std::string& fileName,
                                            std::span<std::uint8_t> buffer) {
  if (!Loaded()) return false;
  return info_(fileName.c_str(), 0, static_cast<DWORD>(buffer.size()), buffer.data()) != FALSE;
}

}  // namespace quenby::win32
