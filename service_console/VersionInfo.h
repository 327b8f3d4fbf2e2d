// The version-information reader: ten named strings of a file's version block,
// looked up in the string table of the block's first translation.
//
// The lookup works on the block's bytes (a VS_VERSIONINFO structure with its
// StringFileInfo and VarFileInfo children) and never reads outside them, so it
// is exercised on hand-made blocks; the platform only supplies the bytes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace quenby {

struct TVersionInfo {
  std::string CompanyName;
  std::string FileDescription;
  std::string FileVersion;
  std::string InternalName;
  std::string LegalCopyright;
  std::string LegalTradeMarks;
  std::string OriginalFilename;
  std::string ProductName;
  std::string ProductVersion;
  std::string Comments;

  bool operator==(const TVersionInfo&) const = default;
};

// The name of the string table of a translation: language and code page as
// four upper-case hexadecimal digits each, blanks of the "%4x%4x" form made '0'
// ("041904E3" for 0x0419 and 0x04E3).
std::string TranslationTableName(std::uint16_t language, std::uint16_t codePage);

// Turns the block's UTF-16 text into the programs' 8-bit text.
class IWideToAnsi {
 public:
  virtual ~IWideToAnsi() = default;
  virtual std::string ToAnsi(std::u16string_view text) const = 0;
};

// Characters below 0x80 stay, every other one becomes '?'.
class TAsciiWideToAnsi : public IWideToAnsi {
 public:
  std::string ToAnsi(std::u16string_view text) const override;
};

// Fills `info` from a version block. Returns false and leaves `info` as it was
// when the block holds no translation (none, empty, or a block that is
// truncated or malformed where the lookup passes); otherwise assigns all ten
// fields, each empty when its key, or the whole string table, is missing.
// Keys and table names compare without regard to ASCII letter case.
bool ReadVersionBlock(std::span<const std::uint8_t> block, TVersionInfo& info,
                      const IWideToAnsi& toAnsi);

// The platform's version functions for files.
class IVersionFiles {
 public:
  virtual ~IVersionFiles() = default;
  // Size of the file's version information; 0 when it has none or cannot be read.
  virtual std::uint32_t GetFileVersionInfoSizeA(const std::string& fileName) = 0;
  // Reads the version information into `buffer` (its whole size); false on failure.
  virtual bool GetFileVersionInfoA(const std::string& fileName, std::span<std::uint8_t> buffer) = 0;
  virtual const IWideToAnsi& TextConverter() const = 0;
};

// Fills `info` from the version information of the file; leaves it untouched
// when the file has none or its block holds no translation.
void ReadVersionInfo(const std::string& fileName, TVersionInfo& info, IVersionFiles& files);

}  // namespace quenby
