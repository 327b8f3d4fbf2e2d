// The version-block reader on arbitrary bytes. It reads nothing outside the
// block (the sanitizers see every byte past the end), leaves the record alone
// when it gives false, gives only the converter's characters, and reads
// nothing past the root entry: bytes after it change nothing.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "service_console/VersionInfo.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

quenby::TVersionInfo Marked() {
  quenby::TVersionInfo info;
  for (auto* field :
       {&info.CompanyName, &info.FileDescription, &info.FileVersion, &info.InternalName,
        &info.LegalCopyright, &info.LegalTradeMarks, &info.OriginalFilename, &info.ProductName,
        &info.ProductVersion, &info.Comments})
    *field = "\xFF marked";
  return info;
}

bool IsAsciiOrQuestionMark(const std::string& text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> block(data, size);
  const quenby::TAsciiWideToAnsi ascii;
  quenby::TVersionInfo info = Marked();
  const bool read = quenby::ReadVersionBlock(block, info, ascii);
  if (!read) {
    FUZZ_CHECK(info == Marked());
    return 0;
  }
  for (const auto* field :
       {&info.CompanyName, &info.FileDescription, &info.FileVersion, &info.InternalName,
        &info.LegalCopyright, &info.LegalTradeMarks, &info.OriginalFilename, &info.ProductName,
        &info.ProductVersion, &info.Comments}) {
    FUZZ_CHECK(IsAsciiOrQuestionMark(*field));
    FUZZ_CHECK(field->size() * 2 <= size);
  }

  // The root's own length ends what is read; what follows it is never looked at.
  const std::size_t rootLength = size >= 2 ? (data[0] | (data[1] << 8)) : 0;
  FUZZ_CHECK(rootLength <= size);
  std::vector<std::uint8_t> longer(data, data + rootLength);
  longer.insert(longer.end(), {'V', 0, 'S', 0, 0xFF, 0xFF, 0, 0});
  quenby::TVersionInfo again = Marked();
  FUZZ_CHECK(quenby::ReadVersionBlock(longer, again, ascii));
  FUZZ_CHECK(again == info);
  return 0;
}
