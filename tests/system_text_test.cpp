#include "common/system_text.h"

#include <gtest/gtest.h>

#include <map>

namespace {

class FixedTexts : public common::ISystemText {
 public:
  explicit FixedTexts(std::map<std::uint32_t, std::string> texts) : texts_(std::move(texts)) {}
  std::string RawMessage(std::uint32_t code) const override {
    auto it = texts_.find(code);
    return it == texts_.end() ? std::string() : it->second;
  }

 private:
  std::map<std::uint32_t, std::string> texts_;
};

TEST(SystemText, TrailingBlanksControlCharactersAndFullStopsAreRemoved) {
  struct Case {
    std::string raw;
    std::string shown;
  } cases[] = {
      {"Access is denied.\r\n", "Access is denied"},
      {"The service did not respond. . .\r\n", "The service did not respond"},
      {"Text\t\x01 ", "Text"},
      {"...", ""},
      {"", ""},
      {"Keeps inner. stops", "Keeps inner. stops"},
      {"\xE9t\xE9.", "\xE9t\xE9"},  // characters above 127 are not blanks
  };
  for (const auto& c : cases) EXPECT_EQ(common::TrimSystemText(c.raw), c.shown) << c.raw;
}

TEST(SystemText, ACodeWithoutTextGivesEmptyText) {
  FixedTexts texts({{5, "Access denied.\r\n"}});
  EXPECT_EQ(common::SystemErrorText(texts, 5), "Access denied");
  EXPECT_EQ(common::SystemErrorText(texts, 0xDEAD), "");
}

}  // namespace
