#include "config_editor/accessrights_u.h"

namespace palvex {

namespace {

// Upper-cases the letters a to z only; every other byte is kept as it is, so
// the result does not depend on the locale.
std::string UpperAscii(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return result;
}

const TRightsEntry* FindByCode(std::string_view code) {
  const std::string upper = UpperAscii(code);
  for (const auto& entry : kRightsTable) {
    if (entry.Code == upper) return &entry;
  }
  return nullptr;
}

const TRightsEntry& EntryOfIndex(std::int32_t index) {
  for (const auto& entry : kRightsTable) {
    if (entry.Index == index) return entry;
  }
  return kRightsTable.front();  // "NA" / "No Access"
}

// A set of delimiter characters, looked up in constant time.
class DelimiterSet {
 public:
  constexpr explicit DelimiterSet(std::string_view delims) {
    for (char c : delims) member_[static_cast<unsigned char>(c)] = true;
  }
  constexpr bool Contains(char c) const { return member_[static_cast<unsigned char>(c)]; }

 private:
  std::array<bool, 256> member_{};
};

// Walks the words of a text one after the other, so that a reader that takes
// words in order stays linear in the length of the text.
class WordCursor {
 public:
  WordCursor(std::string_view text, const DelimiterSet& delims) : text_(text), delims_(delims) {}

  // The next word, or false when there is none left.
  bool Next(std::string_view& word) {
    while (pos_ < text_.size() && delims_.Contains(text_[pos_])) ++pos_;
    if (pos_ >= text_.size()) return false;
    const std::size_t start = pos_;
    while (pos_ < text_.size() && !delims_.Contains(text_[pos_])) ++pos_;
    word = text_.substr(start, pos_ - start);
    return true;
  }

 private:
  std::string_view text_;
  const DelimiterSet& delims_;
  std::size_t pos_ = 0;
};

constexpr DelimiterSet kGroupDelims("[]");
constexpr DelimiterSet kFieldDelims(" ,");

}  // namespace

std::int32_t RightsFromCode(std::string_view code) {
  const TRightsEntry* entry = FindByCode(code);
  return entry ? entry->Index : kRightsTable.front().Index;
}

std::string_view RightsCodeToText(std::string_view code) {
  const TRightsEntry* entry = FindByCode(code);
  return entry ? entry->DisplayText : kRightsTable.front().DisplayText;
}

std::string_view RightsIndexToCode(std::int32_t index) {
  return EntryOfIndex(index).Code;
}

std::string_view RightsIndexToText(std::int32_t index) {
  return EntryOfIndex(index).DisplayText;
}

std::string SaveHosts(const std::vector<TAccessRight>& rules) {
  std::string text;
  for (std::size_t i = 0; i < rules.size(); ++i) {
    const TAccessRight& rule = rules[i];
    if (i > 0) text += ", ";
    text += '[';
    text += rule.Address;
    text += ", ";
    text += rule.Mask;
    text += ", ";
    text += RightsIndexToCode(rule.Rights);
    text += ']';
  }
  return text;
}

std::vector<TAccessRight> LoadHosts(std::string_view text) {
  std::vector<TAccessRight> rules;
  WordCursor pieces(text, kGroupDelims);
  std::string_view piece;
  // Pieces 1, 3, 5, ... are rules; the pieces between them are the separators
  // between bracketed groups and are skipped unread.
  while (pieces.Next(piece)) {
    WordCursor fields(piece, kFieldDelims);
    std::string_view address, mask, code;
    if (fields.Next(address) && fields.Next(mask)) fields.Next(code);
    rules.push_back({std::string(address), std::string(mask), RightsFromCode(code)});
    std::string_view separator;
    if (!pieces.Next(separator)) break;
  }
  return rules;
}

std::string_view ExtractWord(std::size_t n, std::string_view text, std::string_view delims) {
  const DelimiterSet delimSet(delims);
  WordCursor cursor(text, delimSet);
  std::string_view word;
  for (std::size_t i = 1; cursor.Next(word); ++i) {
    if (i == n) return word;
  }
  return {};
}

std::string RuleHostText(const TAccessRight& rule) {
  if (rule.Mask == kHostMask) return rule.Address;
  std::string text = rule.Address;
  text += " (";
  text += rule.Mask;
  text += ')';
  return text;
}

std::string RuleRightsText(const TAccessRight& rule) {
  return std::string(RightsIndexToText(rule.Rights));
}

}  // namespace palvex
