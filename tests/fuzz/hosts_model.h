// The HostList format as the fuzz targets check it: a plain reading of the
// text (pieces 1, 3, 5, ... of the bracket split are rules, fields 1 to 3 of
// the blank and comma split are address, mask and code), and what one save
// and load does to a rule list that LoadHosts gave. The reader drops empty
// fields, so a rule without a mask loses it (the code written in its place is
// read as the mask) and a rule without an address loses both (the code becomes
// the address); every other rule comes back unchanged.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config_editor/accessrights_u.h"

namespace fuzz {

inline std::string CodeOfIndex(std::int32_t index) {
  static const std::array<const char*, 4> kCodes = {"NA", "R", "W", "RW"};
  return index >= 0 && index <= 3 ? kCodes[static_cast<std::size_t>(index)] : "NA";
}

inline palvex::TAccessRight SavedAndLoaded(const palvex::TAccessRight& rule) {
  if (rule.Address.empty()) return {CodeOfIndex(rule.Rights), "", 0};
  if (rule.Mask.empty()) return {rule.Address, CodeOfIndex(rule.Rights), 0};
  return rule;
}

inline std::vector<palvex::TAccessRight> SavedAndLoaded(
    const std::vector<palvex::TAccessRight>& rules) {
  std::vector<palvex::TAccessRight> out;
  for (const auto& rule : rules) out.push_back(SavedAndLoaded(rule));
  return out;
}

inline std::vector<std::string> Split(std::string_view text, std::string_view delims) {
  std::vector<std::string> words;
  std::string word;
  for (char c : text) {
    if (delims.find(c) != std::string_view::npos) {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

inline std::int32_t IndexOfCode(std::string code) {
  for (char& c : code)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  if (code == "R") return 1;
  if (code == "W") return 2;
  if (code == "RW") return 3;
  return 0;
}

inline std::vector<palvex::TAccessRight> PlainReading(std::string_view text) {
  std::vector<palvex::TAccessRight> rules;
  const auto pieces = Split(text, "[]");
  for (std::size_t i = 0; i < pieces.size(); i += 2) {
    const auto fields = Split(pieces[i], " ,");
    const auto field = [&](std::size_t n) { return n < fields.size() ? fields[n] : std::string(); };
    rules.push_back({field(0), field(1), IndexOfCode(field(2))});
  }
  return rules;
}

// A field that LoadHosts gives holds no delimiter of either split.
inline bool IsCleanField(const std::string& field) {
  return field.find_first_of("[], ") == std::string::npos;
}

}  // namespace fuzz
