// Client access rules: the rule record, the four rights with their codes and
// display texts, the HostList text format and the texts a rule shows in the
// rule list. Plain text logic, no platform dependency.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace palvex {

// One client access rule. Address and Mask are kept exactly as entered or as
// stored; the mask "255.255.255.255" marks a rule for a single host.
struct TAccessRight {
  std::string Address;
  std::string Mask;
  std::int32_t Rights = 0;  // rights index, 0 to 3 (kRightsTable)

  bool operator==(const TAccessRight&) const = default;
};

struct TRightsEntry {
  std::int32_t Index;
  std::string_view Code;         // as stored in the registry
  std::string_view DisplayText;  // as the drop-down lists and the rule list show it
};

// The four rights in index order; a drop-down list position is a rights index.
inline constexpr std::array<TRightsEntry, 4> kRightsTable{{
    {0, "NA", "No Access"},
    {1, "R", "Read Only"},
    {2, "W", "Write Only"},
    {3, "RW", "Read/Write"},
}};

// The single-host mask: a rule with it shows its address alone.
inline constexpr std::string_view kHostMask = "255.255.255.255";

// The rights index of a code. The code is upper-cased (a to z only, nothing
// trimmed) and compared whole; any other text, the empty one included, gives 0.
std::int32_t RightsFromCode(std::string_view code);

// The display text of a code, by the same comparison; any other text gives "No Access".
// The returned view refers to static storage.
std::string_view RightsCodeToText(std::string_view code);

// The code of a rights index; any index outside 0 to 3 gives "NA".
std::string_view RightsIndexToCode(std::int32_t index);

// The display text of a rights index; any index outside 0 to 3 gives "No Access".
std::string_view RightsIndexToText(std::int32_t index);

// The HostList text of a rule list: "[Address, Mask, CODE]" per rule, joined
// by ", ". Nothing is escaped.
std::string SaveHosts(const std::vector<TAccessRight>& rules);

// The rule list of a HostList text. Never fails: every text gives some list.
std::vector<TAccessRight> LoadHosts(std::string_view text);

// Word number n (counted from 1) of a text, or the empty text when there is no
// such word. A word is a maximal run of characters that are not in delims:
// runs of delimiters of any length separate words, delimiters at either end
// make no word, and no word is ever empty. The view refers into text.
std::string_view ExtractWord(std::size_t n, std::string_view text, std::string_view delims);

// First column of a rule in the rule list: Address alone for a single host,
// otherwise "Address (Mask)".
std::string RuleHostText(const TAccessRight& rule);

// Second column of a rule in the rule list: the display text of its rights.
std::string RuleRightsText(const TAccessRight& rule);

}  // namespace palvex
