// Hand-made version blocks: nested entries of wLength, wValueLength, wType, a
// NUL-terminated UTF-16 key, padding to 4 bytes, the value, padding, children.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace quenby_test {

struct VersionNode {
  std::u16string key;
  std::uint16_t type = 0;         // 1 text, 0 binary
  std::uint16_t valueLength = 0;  // characters for text, bytes otherwise
  std::vector<std::uint8_t> value;
  std::vector<VersionNode> children;
};

inline void PutWord(std::vector<std::uint8_t>& out, std::uint16_t w) {
  out.push_back(static_cast<std::uint8_t>(w & 0xFF));
  out.push_back(static_cast<std::uint8_t>(w >> 8));
}
inline void PutWordAt(std::vector<std::uint8_t>& out, std::size_t at, std::uint16_t w) {
  out[at] = static_cast<std::uint8_t>(w & 0xFF);
  out[at + 1] = static_cast<std::uint8_t>(w >> 8);
}
inline void Pad4(std::vector<std::uint8_t>& out) {
  while (out.size() % 4 != 0) out.push_back(0);
}

// Appends the node at a 4-byte boundary; its wLength leaves out the padding after it.
inline void Serialize(const VersionNode& node, std::vector<std::uint8_t>& out) {
  Pad4(out);
  const std::size_t start = out.size();
  PutWord(out, 0);
  PutWord(out, node.valueLength);
  PutWord(out, node.type);
  for (char16_t c : node.key) PutWord(out, static_cast<std::uint16_t>(c));
  PutWord(out, 0);
  Pad4(out);
  out.insert(out.end(), node.value.begin(), node.value.end());
  for (const auto& child : node.children) Serialize(child, out);
  PutWordAt(out, start, static_cast<std::uint16_t>(out.size() - start));
}

inline std::vector<std::uint8_t> Bytes(const VersionNode& node) {
  std::vector<std::uint8_t> out;
  Serialize(node, out);
  return out;
}

inline VersionNode Text(std::u16string key, std::u16string text) {
  VersionNode node{std::move(key), 1, static_cast<std::uint16_t>(text.size() + 1), {}, {}};
  for (char16_t c : text) PutWord(node.value, static_cast<std::uint16_t>(c));
  PutWord(node.value, 0);
  return node;
}

inline VersionNode Table(std::u16string name, std::vector<VersionNode> strings) {
  return VersionNode{std::move(name), 1, 0, {}, std::move(strings)};
}

inline VersionNode StringFileInfo(std::vector<VersionNode> tables) {
  return VersionNode{u"StringFileInfo", 1, 0, {}, std::move(tables)};
}

inline VersionNode VarFileInfo(std::vector<std::pair<std::uint16_t, std::uint16_t>> translations) {
  VersionNode var{u"Translation", 0, static_cast<std::uint16_t>(translations.size() * 4), {}, {}};
  for (auto [language, codePage] : translations) {
    PutWord(var.value, language);
    PutWord(var.value, codePage);
  }
  return VersionNode{u"VarFileInfo", 1, 0, {}, {std::move(var)}};
}

// The root with a fixed part (file and product version 2.0.0.0) and the given children.
inline VersionNode VersionRoot(std::vector<VersionNode> children) {
  VersionNode root{u"VS_VERSION_INFO", 0, 52, std::vector<std::uint8_t>(52, 0),
                   std::move(children)};
  const std::uint32_t fixed[] = {0xFEEF04BD, 0x00010000, 0x00020000, 0, 0x00020000, 0};
  for (std::size_t i = 0; i < 6; ++i)
    for (std::size_t b = 0; b < 4; ++b)
      root.value[i * 4 + b] = static_cast<std::uint8_t>(fixed[i] >> (8 * b));
  return root;
}

// A block like the program's own: translation 0x0419/0x04E3 and its table.
inline VersionNode ProgramBlock() {
  return VersionRoot({
      StringFileInfo({Table(u"041904E3",
                            {
                                Text(u"CompanyName", u""),
                                Text(u"FileDescription", u""),
                                Text(u"FileVersion", u"2.0.0.0"),
                                Text(u"InternalName", u"Quenby"),
                                Text(u"LegalCopyright", u"Copyright line"),
                                Text(u"LegalTrademarks", u"Marks"),
                                Text(u"OriginalFilename", u""),
                                Text(u"ProductName", u"Quenby"),
                                Text(u"ProductVersion", u"1.0.0.0"),
                                Text(u"Comments", u"Credit line"),
                            })}),
      VarFileInfo({{0x0419, 0x04E3}}),
  });
}

}  // namespace quenby_test
