// The address-text rule of the rule dialog on any text. Whatever it accepts,
// the C library's inet_aton accepts too, with the same value; it refuses every
// text with a NUL before the address ends; and the dotted form of any value
// reads back as that value, through the rule and through the dialog's fields.
#include <arpa/inet.h>
#include <netinet/in.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/errors.h"
#include "config_editor/dlgIPEdit_u.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

std::optional<std::uint32_t> Rule(std::string_view text) {
  try {
    return palvex::AddressFromText(text);
  } catch (const common::EConvertError&) {
    return std::nullopt;
  }
}

// The C library's reading, in host order; it stops at the first NUL.
std::optional<std::uint32_t> LibraryReading(const std::string& text) {
  in_addr address{};
  if (inet_aton(text.c_str(), &address) == 0) return std::nullopt;
  return ntohl(address.s_addr);
}

bool DottedDecimal(const std::string& text) {
  int parts = 1;
  for (char c : text) {
    if (c == '.')
      ++parts;
    else if (c < '0' || c > '9')
      return false;
  }
  return parts == 4;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const auto value = Rule(text);
  if (value) {
    const auto library = LibraryReading(text);
    FUZZ_CHECK(library.has_value());
    FUZZ_CHECK(*library == *value);
    // A NUL is no blank: the text must end or go on with a blank before it.
    const auto nul = text.find('\0');
    if (nul != std::string::npos) {
      FUZZ_CHECK(text.find_first_of(" \t\n\v\f\r") < nul);
    }
    FUZZ_CHECK(palvex::InetAddr(text) == value || text == "255.255.255.255");
  }

  // Any value, taken from the input's first four bytes and from the reading.
  std::uint32_t raw = 0;
  for (std::size_t i = 0; i < size && i < 4; ++i) raw |= std::uint32_t{data[i]} << (8 * i);
  for (const std::uint32_t v : {raw, value.value_or(0u)}) {
    const std::string dotted = palvex::InetNtoa(v);
    FUZZ_CHECK(DottedDecimal(dotted));
    FUZZ_CHECK(Rule(dotted) == v);

    palvex::TdlgIPEdit dialog;
    dialog.SetAddressText(dotted);
    dialog.SetMaskText(dotted);
    FUZZ_CHECK(dialog.edAddress.Value() == v && dialog.edMask.Value() == v);
    FUZZ_CHECK(dialog.AddressText() == dotted && dialog.MaskText() == dotted);
  }
  return 0;
}
