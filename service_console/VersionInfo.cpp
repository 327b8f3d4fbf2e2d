#include "service_console/VersionInfo.h"

#include <array>
#include <initializer_list>
#include <optional>
#include <vector>

namespace quenby {

namespace {

// One entry of the block: wLength, wValueLength, wType, a NUL-terminated UTF-16
// key, padding to a 4-byte boundary, the value, padding, then the children up
// to wLength. Offsets count from the start of the block.
struct Entry {
  std::size_t end = 0;  // one past the entry's last byte
  std::u16string key;
  std::uint16_t valueLength = 0;  // as stored: characters for text, bytes otherwise
  std::size_t valueBegin = 0;
  std::size_t valueEnd = 0;  // limited to the entry
  std::size_t childrenBegin = 0;
};

constexpr std::uint16_t kTextValue = 1;
constexpr std::size_t kHeaderSize = 6;

std::size_t Align4(std::size_t offset) {
  return (offset + 3) & ~static_cast<std::size_t>(3);
}

char16_t AsciiLower(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool SameKey(const std::u16string& key, std::string_view name) {
  if (key.size() != name.size()) return false;
  for (std::size_t i = 0; i < key.size(); ++i)
    if (AsciiLower(key[i]) != AsciiLower(static_cast<unsigned char>(name[i]))) return false;
  return true;
}

class BlockReader {
 public:
  explicit BlockReader(std::span<const std::uint8_t> block) : block_(block) {}

  std::optional<Entry> Root() const { return Parse(0, block_.size()); }

  // The child of `parent` whose key is `name`, the first one when several are.
  std::optional<Entry> Child(const Entry& parent, std::string_view name) const {
    std::size_t offset = parent.childrenBegin;
    while (offset + kHeaderSize <= parent.end) {
      auto child = Parse(offset, parent.end);
      if (!child) return std::nullopt;  // a malformed child ends the walk
      if (SameKey(child->key, name)) return child;
      offset = Align4(child->end);
    }
    return std::nullopt;
  }

  std::optional<Entry> Find(std::initializer_list<std::string_view> path) const {
    auto entry = Root();
    for (auto name : path) {
      if (!entry) return std::nullopt;
      entry = Child(*entry, name);
    }
    return entry;
  }

  std::uint16_t Word(std::size_t offset) const {
    return static_cast<std::uint16_t>(block_[offset] | (block_[offset + 1] << 8));
  }

 private:
  // The entry at `offset`, which must lie wholly before `limit`.
  std::optional<Entry> Parse(std::size_t offset, std::size_t limit) const {
    if (limit > block_.size() || offset > limit || limit - offset < kHeaderSize)
      return std::nullopt;
    const std::uint16_t length = Word(offset);
    if (length < kHeaderSize || length > limit - offset) return std::nullopt;
    Entry entry;
    entry.end = offset + length;
    entry.valueLength = Word(offset + 2);
    const std::uint16_t type = Word(offset + 4);

    std::size_t p = offset + kHeaderSize;
    bool terminated = false;
    while (p + 2 <= entry.end) {
      const char16_t c = static_cast<char16_t>(Word(p));
      p += 2;
      if (c == 0) {
        terminated = true;
        break;
      }
      entry.key.push_back(c);
    }
    if (!terminated) return std::nullopt;

    entry.valueBegin = std::min(Align4(p), entry.end);
    const std::size_t valueBytes =
        type == kTextValue ? std::size_t{entry.valueLength} * 2 : std::size_t{entry.valueLength};
    entry.valueEnd = std::min(entry.valueBegin + valueBytes, entry.end);
    entry.childrenBegin = std::min(Align4(entry.valueEnd), entry.end);
    return entry;
  }

  std::span<const std::uint8_t> block_;
};

// A string value's text up to its first NUL, empty when its stored length is 0.
std::u16string TextOf(const BlockReader& reader, const Entry& entry) {
  std::u16string text;
  if (entry.valueLength == 0) return text;
  for (std::size_t p = entry.valueBegin; p + 2 <= entry.valueEnd; p += 2) {
    const char16_t c = static_cast<char16_t>(reader.Word(p));
    if (c == 0) break;
    text.push_back(c);
  }
  return text;
}

}  // namespace

std::string TranslationTableName(std::uint16_t language, std::uint16_t codePage) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string name;
  for (std::uint16_t word : {language, codePage})
    for (int shift = 12; shift >= 0; shift -= 4) name.push_back(kDigits[(word >> shift) & 0xF]);
  return name;
}

std::string TAsciiWideToAnsi::ToAnsi(std::u16string_view text) const {
  std::string result;
  result.reserve(text.size());
  for (char16_t c : text) result.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return result;
}

bool ReadVersionBlock(std::span<const std::uint8_t> block, TVersionInfo& info,
                      const IWideToAnsi& toAnsi) {
  const BlockReader reader(block);
  const auto translation = reader.Find({"VarFileInfo", "Translation"});
  if (!translation || translation->valueLength == 0) return false;
  // Only the first pair of words is used: language, then code page.
  if (translation->valueEnd - translation->valueBegin < 4) return false;
  const std::string table = TranslationTableName(reader.Word(translation->valueBegin),
                                                 reader.Word(translation->valueBegin + 2));

  const std::array<std::pair<std::string_view, std::string TVersionInfo::*>, 10> fields = {{
      {"CompanyName", &TVersionInfo::CompanyName},
      {"FileDescription", &TVersionInfo::FileDescription},
      {"FileVersion", &TVersionInfo::FileVersion},
      {"InternalName", &TVersionInfo::InternalName},
      {"LegalCopyright", &TVersionInfo::LegalCopyright},
      {"LegalTradeMarks", &TVersionInfo::LegalTradeMarks},
      {"OriginalFilename", &TVersionInfo::OriginalFilename},
      {"ProductName", &TVersionInfo::ProductName},
      {"ProductVersion", &TVersionInfo::ProductVersion},
      {"Comments", &TVersionInfo::Comments},
  }};
  const auto strings = reader.Find({"StringFileInfo", table});
  for (const auto& [key, field] : fields) {
    std::optional<Entry> value;
    if (strings) value = reader.Child(*strings, key);
    info.*field = value ? toAnsi.ToAnsi(TextOf(reader, *value)) : std::string();
  }
  return true;
}

void ReadVersionInfo(const std::string& fileName, TVersionInfo& info, IVersionFiles& files) {
  const std::uint32_t size = files.GetFileVersionInfoSizeA(fileName);
  if (size == 0) return;
  // Zero-filled: when the read fails, the buffer holds no translation and the
  // lookup ends there.
  std::vector<std::uint8_t> buffer(size, 0);
  files.GetFileVersionInfoA(fileName, buffer);
  ReadVersionBlock(buffer, info, files.TextConverter());
}

}  // namespace quenby
