// The DLL names of a mapped 64-bit image's import table and delay-load table:
// the DLLs the loader resolves for it on its own.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace wine_test {

// `base` is the start of an image mapped as the loader maps it (sections at
// their virtual addresses). Empty when it is not a 64-bit PE image.
inline std::vector<std::string> ImportedDllNames(const void* base) {
  const auto* image = static_cast<const BYTE*>(base);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image);
  if (dos->e_magic != IMAGE_DOS_SIGNATURE) return {};
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(image + dos->e_lfanew);
  if (nt->Signature != IMAGE_NT_SIGNATURE ||
      nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC)
    return {};
  const auto directory = [&](DWORD index) {
    return index < nt->OptionalHeader.NumberOfRvaAndSizes ? nt->OptionalHeader.DataDirectory[index]
                                                          : IMAGE_DATA_DIRECTORY{0, 0};
  };
  std::vector<std::string> names;
  if (const IMAGE_DATA_DIRECTORY d = directory(IMAGE_DIRECTORY_ENTRY_IMPORT); d.VirtualAddress) {
    for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(image + d.VirtualAddress);
         entry->Name != 0; ++entry)
      names.emplace_back(reinterpret_cast<const char*>(image + entry->Name));
  }
  if (const IMAGE_DATA_DIRECTORY d = directory(IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT);
      d.VirtualAddress) {
    for (auto* entry =
             reinterpret_cast<const IMAGE_DELAYLOAD_DESCRIPTOR*>(image + d.VirtualAddress);
         entry->DllNameRVA != 0; ++entry)
      names.emplace_back(reinterpret_cast<const char*>(image + entry->DllNameRVA));
  }
  return names;
}

}  // namespace wine_test
