#include "config_editor/accessrights_u.h"

#include <gtest/gtest.h>

#include <climits>

namespace palvex {
void PrintTo(const TAccessRight& r, std::ostream* os) {
  *os << "{'" << r.Address << "', '" << r.Mask << "', " << r.Rights << "}";
}
}  // namespace palvex

namespace {

using palvex::TAccessRight;
using Rules = std::vector<TAccessRight>;

TEST(RightsMappings, CodesAreUpperCasedAndComparedWhole) {
  struct Case {
    std::string code;
    std::int32_t index;
    std::string text;
  } cases[] = {
      {"NA", 0, "No Access"},  {"R", 1, "Read Only"},   {"W", 2, "Write Only"},
      {"RW", 3, "Read/Write"}, {"rw", 3, "Read/Write"}, {"rW", 3, "Read/Write"},
      {"w", 2, "Write Only"},  {"na", 0, "No Access"},  {"X", 0, "No Access"},
      {"", 0, "No Access"},    {" R", 0, "No Access"},  {"R ", 0, "No Access"},
      {"WR", 0, "No Access"},  {"RWX", 0, "No Access"}, {std::string("R\0", 2), 0, "No Access"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(palvex::RightsFromCode(c.code), c.index) << '"' << c.code << '"';
    EXPECT_EQ(palvex::RightsCodeToText(c.code), c.text) << '"' << c.code << '"';
    // The display text of a code is always that of the index it maps to.
    EXPECT_EQ(palvex::RightsIndexToText(palvex::RightsFromCode(c.code)),
              palvex::RightsCodeToText(c.code));
  }
}

TEST(RightsMappings, IndexOutsideTheFourRightsIsNoAccess) {
  struct Case {
    std::int32_t index;
    std::string code;
    std::string text;
  } cases[] = {
      {0, "NA", "No Access"},       {1, "R", "Read Only"},        {2, "W", "Write Only"},
      {3, "RW", "Read/Write"},      {-1, "NA", "No Access"},      {4, "NA", "No Access"},
      {INT_MIN, "NA", "No Access"}, {INT_MAX, "NA", "No Access"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(palvex::RightsIndexToCode(c.index), c.code) << c.index;
    EXPECT_EQ(palvex::RightsIndexToText(c.index), c.text) << c.index;
  }
}

TEST(LoadHosts, SplitsGroupsAndFieldsByTheirDelimiters) {
  const TAccessRight host7{"192.0.2.7", "255.255.255.255", 1};
  struct Case {
    const char* what;
    std::string text;
    Rules rules;
  } cases[] = {
      {"empty text", "", {}},
      {"one group", "[192.0.2.7, 255.255.255.255, R]", {host7}},
      {"two groups in order",
       "[198.51.100.0, 255.255.255.0, RW], [192.0.2.7, 255.255.255.255, W]",
       {{"198.51.100.0", "255.255.255.0", 3}, {"192.0.2.7", "255.255.255.255", 2}}},
      {"lower-case code",
       "[192.0.2.7, 255.255.255.255, rw]",
       {{"192.0.2.7", "255.255.255.255", 3}}},
      {"unknown code", "[192.0.2.7, 255.255.255.255, X]", {{"192.0.2.7", "255.255.255.255", 0}}},
      {"semicolon between groups",
       "[192.0.2.7, 255.255.255.255, R];[192.0.2.8, 255.255.255.255, W]",
       {host7, {"192.0.2.8", "255.255.255.255", 2}}},
      {"blank between groups",
       "[192.0.2.7, 255.255.255.255, R] [192.0.2.8, 255.255.255.255, W]",
       {host7, {"192.0.2.8", "255.255.255.255", 2}}},
      {"nothing between groups: the second is a separator",
       "[192.0.2.7, 255.255.255.255, R][192.0.2.8, 255.255.255.255, R]",
       {host7}},
      {"runs of brackets count as one delimiter",
       "[[192.0.2.7, 255.255.255.255, R]], [192.0.2.8, 255.255.255.255, W]]",
       {host7, {"192.0.2.8", "255.255.255.255", 2}}},
      {"text before the first bracket is the first rule",
       "x[192.0.2.7, 255.255.255.255, R]",
       {{"x", "", 0}}},
      {"leading separator is read as an empty rule",
       ", [192.0.2.7, 255.255.255.255, R]",
       {{"", "", 0}}},
      {"trailing separator is skipped", "[192.0.2.7, 255.255.255.255, R], ", {host7}},
      {"no brackets at all", "192.0.2.7 255.255.255.255 R", {host7}},
      {"commas without blanks", "[192.0.2.7,255.255.255.255,R]", {host7}},
      {"blanks and commas repeat and mix", "[ 192.0.2.7 ,,255.255.255.255 R ]", {host7}},
      {"address only", "[192.0.2.7]", {{"192.0.2.7", "", 0}}},
      {"empty mask is skipped, the code becomes the mask",
       "[192.0.2.7, , NA]",
       {{"192.0.2.7", "NA", 0}}},
      {"fourth field ignored", "[192.0.2.7, 255.255.255.255, R, W]", {host7}},
  };
  for (const auto& c : cases) EXPECT_EQ(palvex::LoadHosts(c.text), c.rules) << c.what;
}

TEST(SaveHosts, WritesAndReadsBackUnchanged) {
  struct Case {
    Rules rules;
    std::string text;
  } cases[] = {
      {{}, ""},
      {{{"192.0.2.7", "255.255.255.255", 1}}, "[192.0.2.7, 255.255.255.255, R]"},
      {{{"198.51.100.0", "255.255.255.0", 3}, {"192.0.2.7", "255.255.255.255", 2}},
       "[198.51.100.0, 255.255.255.0, RW], [192.0.2.7, 255.255.255.255, W]"},
      {{{"a", "b", 0}, {"c", "d", 1}, {"e", "f", 2}}, "[a, b, NA], [c, d, R], [e, f, W]"},
      // Text is copied, never interpreted.
      {{{"%s%n%x", "%d", 3}}, "[%s%n%x, %d, RW]"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(palvex::SaveHosts(c.rules), c.text);
    EXPECT_EQ(palvex::LoadHosts(palvex::SaveHosts(c.rules)), c.rules) << c.text;
  }
}

TEST(SaveHosts, CodesAreWrittenFromTheIndex) {
  // An index outside the four rights is written as "NA" and so comes back as 0;
  // an empty field does not survive a write and a read.
  const Rules rules{{"192.0.2.7", "255.255.255.255", -1}, {"192.0.2.8", "", 4}};
  const std::string text = palvex::SaveHosts(rules);
  EXPECT_EQ(text, "[192.0.2.7, 255.255.255.255, NA], [192.0.2.8, , NA]");
  EXPECT_EQ(palvex::LoadHosts(text),
            (Rules{{"192.0.2.7", "255.255.255.255", 0}, {"192.0.2.8", "NA", 0}}));
}

TEST(RuleRow, HostColumnShowsTheMaskUnlessItIsTheSingleHostMask) {
  struct Case {
    TAccessRight rule;
    std::string host;
    std::string rights;
  } cases[] = {
      {{"192.0.2.7", "255.255.255.255", 1}, "192.0.2.7", "Read Only"},
      {{"198.51.100.0", "255.255.255.0", 3}, "198.51.100.0 (255.255.255.0)", "Read/Write"},
      {{"192.0.2.7", "255.255.255.255 ", 2}, "192.0.2.7 (255.255.255.255 )", "Write Only"},
      {{"x", "", 0}, "x ()", "No Access"},
      {{"192.0.2.7", "255.255.255.255", 9}, "192.0.2.7", "No Access"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(palvex::RuleHostText(c.rule), c.host);
    EXPECT_EQ(palvex::RuleRightsText(c.rule), c.rights) << c.host;
  }
}

TEST(ExtractWord, WordsAreMaximalRunsOfNonDelimiters) {
  const std::string text = ",, a,b  ,c ,";
  struct Case {
    std::size_t n;
    std::string word;
  } cases[] = {{0, ""}, {1, "a"}, {2, "b"}, {3, "c"}, {4, ""}};
  for (const auto& c : cases) EXPECT_EQ(palvex::ExtractWord(c.n, text, " ,"), c.word) << c.n;
  EXPECT_EQ(palvex::ExtractWord(1, "", " ,"), "");
  EXPECT_EQ(palvex::ExtractWord(1, "[]", "[]"), "");
}

}  // namespace
