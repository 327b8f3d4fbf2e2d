// The version reader on hand-made blocks, and the About dialog over it.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "quenby_version_block.h"
#include "service_console/VersionInfo.h"
#include "service_console/dlgAbout_u.h"

namespace {

using quenby::TVersionInfo;
using namespace quenby_test;

TVersionInfo Filled() {
  TVersionInfo info;
  info.CompanyName = info.FileDescription = info.FileVersion = info.InternalName = "old";
  info.LegalCopyright = info.LegalTradeMarks = info.OriginalFilename = "old";
  info.ProductName = info.ProductVersion = info.Comments = "old";
  return info;
}

// Reads from an exact-size heap copy, so that a read past the end shows under the sanitizers.
bool Read(const std::vector<std::uint8_t>& block, TVersionInfo& info) {
  auto copy = std::make_unique<std::uint8_t[]>(std::max<std::size_t>(block.size(), 1));
  std::copy(block.begin(), block.end(), copy.get());
  return quenby::ReadVersionBlock({copy.get(), block.size()}, info, quenby::TAsciiWideToAnsi());
}

TEST(TranslationTableName, FourUpperCaseDigitsEachBlanksMadeZero) {
  struct Case {
    std::uint16_t language, codePage;
    const char* name;
  };
  for (const auto& c : {Case{0x0409, 0x04E4, "040904E4"}, Case{0x0000, 0x04B0, "000004B0"},
                        Case{0x0419, 0x04E3, "041904E3"}, Case{0xFFFF, 0xABCD, "FFFFABCD"},
                        Case{0x0001, 0x0010, "00010010"}})
    EXPECT_EQ(quenby::TranslationTableName(c.language, c.codePage), c.name) << c.name;
}

TEST(ReadVersionBlock, ProgramBlockFillsAllTenFieldsFromTheFirstTranslation) {
  TVersionInfo info = Filled();
  ASSERT_TRUE(Read(Bytes(ProgramBlock()), info));
  EXPECT_EQ(info.ProductName, "Quenby");
  EXPECT_EQ(info.FileVersion, "2.0.0.0");
  EXPECT_EQ(info.ProductVersion, "1.0.0.0");
  EXPECT_EQ(info.InternalName, "Quenby");
  EXPECT_EQ(info.LegalCopyright, "Copyright line");
  EXPECT_EQ(info.Comments, "Credit line");
  EXPECT_EQ(info.LegalTradeMarks, "Marks");  // the block spells it LegalTrademarks
  EXPECT_EQ(info.CompanyName, "");
  EXPECT_EQ(info.FileDescription, "");
  EXPECT_EQ(info.OriginalFilename, "");
}

TEST(ReadVersionBlock, OnlyTheFirstTranslationIsUsed) {
  const auto tables = [] {
    return StringFileInfo({Table(u"040904B0", {Text(u"ProductName", u"English")}),
                           Table(u"041904E3", {Text(u"ProductName", u"Russian")})});
  };
  TVersionInfo info;
  ASSERT_TRUE(Read(
      Bytes(VersionRoot({tables(), VarFileInfo({{0x0419, 0x04E3}, {0x0409, 0x04B0}})})), info));
  EXPECT_EQ(info.ProductName, "Russian");

  // The first translation's table is missing while the second one's exists:
  // every field is emptied.
  info = Filled();
  ASSERT_TRUE(Read(
      Bytes(VersionRoot({tables(), VarFileInfo({{0x0407, 0x04E4}, {0x0409, 0x04B0}})})), info));
  EXPECT_EQ(info, TVersionInfo());
}

TEST(ReadVersionBlock, TableNameAndKeysIgnoreLetterCase) {
  TVersionInfo info;
  ASSERT_TRUE(
      Read(Bytes(VersionRoot({StringFileInfo({Table(u"040904e4", {Text(u"productname", u"Q")})}),
                              VarFileInfo({{0x0409, 0x04E4}})})),
           info));
  EXPECT_EQ(info.ProductName, "Q");
}

TEST(ReadVersionBlock, MissingKeysGiveEmptyFieldsAndTheOthersAreRead) {
  TVersionInfo info = Filled();
  ASSERT_TRUE(Read(
      Bytes(VersionRoot({StringFileInfo({Table(u"041904E3", {Text(u"FileVersion", u"2.0.0.0")})}),
                         VarFileInfo({{0x0419, 0x04E3}})})),
      info));
  TVersionInfo expected;
  expected.FileVersion = "2.0.0.0";
  EXPECT_EQ(info, expected);
}

TEST(ReadVersionBlock, AValueIsTakenUpToItsFirstNulAndALengthOfZeroIsEmpty) {
  auto early = Text(u"ProductName", u"Que");
  early.value.insert(early.value.end(), {'x', 0, 0, 0});  // more after the NUL
  early.valueLength = 5;
  auto zero = Text(u"FileVersion", u"2.0");
  zero.valueLength = 0;
  TVersionInfo info = Filled();
  ASSERT_TRUE(Read(Bytes(VersionRoot({StringFileInfo({Table(u"041904E3", {early, zero})}),
                                      VarFileInfo({{0x0419, 0x04E3}})})),
                   info));
  EXPECT_EQ(info.ProductName, "Que");
  EXPECT_EQ(info.FileVersion, "");
}

TEST(ReadVersionBlock, WithoutATranslationTheRecordIsLeftAsItWas) {
  auto emptyTranslation = VarFileInfo({});
  auto halfPair = VarFileInfo({{0x0419, 0x04E3}});
  halfPair.children[0].valueLength = 2;
  const std::vector<std::pair<const char*, std::vector<std::uint8_t>>> blocks = {
      {"empty buffer", {}},
      {"zero-filled buffer", std::vector<std::uint8_t>(512, 0)},
      {"no VarFileInfo", Bytes(VersionRoot({ProgramBlock().children[0]}))},
      {"translation of length 0",
       Bytes(VersionRoot({ProgramBlock().children[0], emptyTranslation}))},
      {"half a pair", Bytes(VersionRoot({ProgramBlock().children[0], halfPair}))},
  };
  for (const auto& [name, block] : blocks) {
    TVersionInfo info = Filled();
    EXPECT_FALSE(Read(block, info)) << name;
    EXPECT_EQ(info, Filled()) << name;
  }
}

// The offset of the entry whose key is `key`, found in the block's bytes.
std::size_t EntryOffset(const std::vector<std::uint8_t>& block, std::u16string key) {
  for (std::size_t at = 0; at + 6 + key.size() * 2 <= block.size(); at += 2) {
    bool same = true;
    for (std::size_t i = 0; i < key.size() && same; ++i)
      same =
          block[at + 6 + 2 * i] == static_cast<std::uint8_t>(key[i]) && block[at + 7 + 2 * i] == 0;
    if (same) return at;
  }
  ADD_FAILURE() << "no entry";
  return 0;
}

// A block cut short with the lengths of the entries that the cut passes
// through shortened to end at the cut, as a tool that truncates the data and
// mends the lengths leaves it: the cut reaches every inner entry instead of
// failing at the root.
const std::u16string kEntryKeys[] = {u"VS_VERSION_INFO", u"VarFileInfo", u"Translation",
                                     u"StringFileInfo",  u"041904E3",    u"FileVersion",
                                     u"ProductName"};

std::vector<std::uint8_t> CutBlock() {
  return Bytes(
      VersionRoot({VarFileInfo({{0x0419, 0x04E3}}),
                   StringFileInfo({Table(u"041904E3", {Text(u"FileVersion", u"2.0.0.0"),
                                                       Text(u"ProductName", u"Quenby")})})}));
}

std::vector<std::uint8_t> CutAt(const std::vector<std::uint8_t>& block, std::size_t size) {
  std::vector<std::uint8_t> cut(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(size));
  for (const auto& key : kEntryKeys) {
    const std::size_t at = EntryOffset(block, key);
    const std::size_t length = block[at] | (block[at + 1] << 8);
    if (at + 2 <= size && at + length > size)
      PutWordAt(cut, at, static_cast<std::uint16_t>(size - at));
  }
  return cut;
}

TEST(ReadVersionBlock, ACutEndsTheEntryItPassesThroughAndTheOnesAfterIt) {
  const auto block = CutBlock();
  const auto at = [&](std::u16string key, std::size_t offset) {
    return EntryOffset(block, key) + offset;
  };
  // Header of 6 bytes, then the key; FileVersion's value starts 32 bytes
  // into its entry, ProductName's likewise.
  struct Case {
    const char* name;
    std::size_t size;
    bool read;
    std::string fileVersion, productName;
  };
  const Case cases[] = {
      {"inside the root's key", 20, false, "old", "old"},
      {"inside the Translation key", at(u"Translation", 10), false, "old", "old"},
      {"after half of the first pair", at(u"Translation", 34), false, "old", "old"},
      {"after the first pair", at(u"StringFileInfo", 0), true, "", ""},
      {"inside the StringFileInfo key", at(u"StringFileInfo", 12), true, "", ""},
      {"inside the table's name", at(u"041904E3", 10), true, "", ""},
      {"after the table's name", at(u"FileVersion", 0), true, "", ""},
      {"inside FileVersion's key", at(u"FileVersion", 8), true, "", ""},
      {"after FileVersion's key", at(u"FileVersion", 32), true, "", ""},
      {"inside FileVersion's text", at(u"FileVersion", 38), true, "2.0", ""},
      {"in the middle of a character", at(u"FileVersion", 39), true, "2.0", ""},
      {"after FileVersion", at(u"ProductName", 0), true, "2.0.0.0", ""},
      {"inside ProductName's key", at(u"ProductName", 8), true, "2.0.0.0", ""},
      {"inside ProductName's text", at(u"ProductName", 40), true, "2.0.0.0", "Quen"},
      {"whole", block.size(), true, "2.0.0.0", "Quenby"},
  };
  for (const auto& c : cases) {
    TVersionInfo info = Filled();
    EXPECT_EQ(Read(CutAt(block, c.size), info), c.read) << c.name;
    EXPECT_EQ(info.FileVersion, c.fileVersion) << c.name;
    EXPECT_EQ(info.ProductName, c.productName) << c.name;
    EXPECT_EQ(info.Comments, c.read ? "" : "old") << c.name;
  }

  // Every length between: the reader stays inside the cut (the sanitizers see
  // the bytes past it), and what it gives is a beginning of the whole text.
  for (std::size_t size = 0; size <= block.size(); ++size) {
    TVersionInfo info = Filled();
    const bool read = Read(CutAt(block, size), info);
    EXPECT_EQ(read, size >= at(u"Translation", 36)) << "cut at " << size;
    if (!read) continue;
    EXPECT_EQ(std::string("2.0.0.0").substr(0, info.FileVersion.size()), info.FileVersion)
        << "cut at " << size;
    EXPECT_EQ(std::string("Quenby").substr(0, info.ProductName.size()), info.ProductName)
        << "cut at " << size;
  }
}

TEST(ReadVersionBlock, MalformedEntriesAreNotFollowedOutsideTheirParent) {
  const auto good = Bytes(ProgramBlock());
  struct Case {
    const char* name;
    std::u16string entry;
    std::uint16_t wLength;
  };
  // Each damaged entry is unusable, so the table or value behind it reads as missing.
  for (const auto& c : {Case{"table longer than its parent", u"041904E3", 0xFFF0},
                        Case{"table shorter than its header", u"041904E3", 4},
                        Case{"table of length 0", u"041904E3", 0},
                        Case{"table without room for its key's NUL", u"041904E3", 6 + 8 * 2}}) {
    auto block = good;
    PutWordAt(block, EntryOffset(block, c.entry), c.wLength);
    TVersionInfo info = Filled();
    EXPECT_TRUE(Read(block, info)) << c.name;
    EXPECT_EQ(info, TVersionInfo()) << c.name;
  }
}

TEST(ReadVersionBlock, ATextLongerThanItsEntryEndsAtTheEntry) {
  // No NUL and a stored length far past the entry: the text stops at the
  // entry's end instead of running into the next entry.
  auto name = Text(u"ProductName", u"Quenby");
  name.value.resize(12);
  name.valueLength = 0x7FFF;
  TVersionInfo info;
  ASSERT_TRUE(Read(
      Bytes(VersionRoot({StringFileInfo({Table(u"041904E3", {name, Text(u"Comments", u"Next")})}),
                         VarFileInfo({{0x0419, 0x04E3}})})),
      info));
  EXPECT_EQ(info.ProductName, "Quenby");
  EXPECT_EQ(info.Comments, "Next");
}

// The platform's version functions over a block in memory.
class FakeVersionFiles : public quenby::IVersionFiles {
 public:
  std::uint32_t GetFileVersionInfoSizeA(const std::string& fileName) override {
    names.push_back(fileName);
    return size;
  }
  bool GetFileVersionInfoA(const std::string&, std::span<std::uint8_t> buffer) override {
    ++reads;
    if (!readWorks) return false;
    std::copy_n(block.begin(), std::min(block.size(), buffer.size()), buffer.begin());
    return true;
  }
  const quenby::IWideToAnsi& TextConverter() const override { return ascii; }

  void Serve(const std::vector<std::uint8_t>& bytes) {
    block = bytes;
    size =
        static_cast<std::uint32_t>(bytes.size() * 2);  // room beyond the block, as the system gives
  }
  std::vector<std::uint8_t> block;
  std::uint32_t size = 0;
  bool readWorks = true;
  int reads = 0;
  std::vector<std::string> names;
  quenby::TAsciiWideToAnsi ascii;
};

TEST(ReadVersionInfo, ReadsTheFileOrLeavesTheRecord) {
  FakeVersionFiles files;
  TVersionInfo info = Filled();
  quenby::ReadVersionInfo("C:\\q.exe", info, files);  // size 0: no version information
  EXPECT_EQ(info, Filled());
  EXPECT_EQ(files.reads, 0);

  files.Serve(Bytes(ProgramBlock()));
  files.readWorks = false;  // the zero-filled buffer holds no translation
  quenby::ReadVersionInfo("C:\\q.exe", info, files);
  EXPECT_EQ(info, Filled());

  files.readWorks = true;
  quenby::ReadVersionInfo("C:\\q.exe", info, files);
  EXPECT_EQ(info.ProductName, "Quenby");
  EXPECT_EQ(files.names, std::vector<std::string>(3, "C:\\q.exe"));
}

// A modal host that records what the dialog shows and presses a key.
class KeyHost : public common::ui::IModalHost {
 public:
  void RunModal(common::ui::TForm& form) override {
    auto& dialog = dynamic_cast<quenby::TdlgAbout&>(form);
    shown.push_back({dialog.NameLabel.Caption(), dialog.VersionLabel.Caption(),
                     dialog.CommentsLabel.Caption(), dialog.CopyrightLabel.Caption()});
    dialog.DialogKey(key);
    closed.push_back(dialog.CloseRequested() &&
                     dialog.ModalResult() == common::ui::TModalResult::Ok);
  }
  int key = quenby::kVkEscape;
  std::vector<std::vector<std::string>> shown;
  std::vector<bool> closed;
};

TEST(ShowAbout, ShowsNameVersionCopyrightAndCommentsInThatOrder) {
  FakeVersionFiles files;
  files.Serve(Bytes(ProgramBlock()));
  KeyHost host;
  quenby::ShowAbout({files, "C:\\Quenby.exe", host});
  ASSERT_EQ(host.shown.size(), 1u);
  EXPECT_EQ(host.shown[0],
            (std::vector<std::string>{"Quenby", "2.0.0.0", "Copyright line", "Credit line"}));
  EXPECT_EQ(files.names, std::vector<std::string>{"C:\\Quenby.exe"});
}

TEST(ShowAbout, EachOpeningReadsAfreshAndEmptyInformationShowsEmptyLines) {
  FakeVersionFiles files;
  KeyHost host;
  quenby::ShowAbout({files, "q.exe", host});
  files.Serve(Bytes(ProgramBlock()));
  quenby::ShowAbout({files, "q.exe", host});
  ASSERT_EQ(host.shown.size(), 2u);
  EXPECT_EQ(host.shown[0], std::vector<std::string>(4));
  EXPECT_EQ(host.shown[1][0], "Quenby");
  EXPECT_EQ(host.closed, (std::vector<bool>{true, true}));
}

TEST(TdlgAbout, EnterAndEscPressOkOtherKeysDoNothing) {
  FakeVersionFiles files;
  for (auto [key, closes] : {std::pair{quenby::kVkReturn, true}, std::pair{quenby::kVkEscape, true},
                             std::pair{0x41, false}, std::pair{0x20, false}}) {
    KeyHost host;
    host.key = key;
    quenby::ShowAbout({files, "q.exe", host});
    EXPECT_EQ(host.closed, std::vector<bool>{closes}) << key;
  }
}

}  // namespace
