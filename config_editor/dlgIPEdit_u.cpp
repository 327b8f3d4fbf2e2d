#include "config_editor/dlgIPEdit_u.h"

#include <cctype>

#include "common/errors.h"
#include "config_editor/accessrights_u.h"

namespace palvex {
namespace {

constexpr std::uint32_t kAllOnes = 0xFFFFFFFFu;

bool IsBlank(char c) {
  return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// One part: decimal, octal after a leading 0, hexadecimal after 0x or 0X. Stops
// at the first character that is no digit of its base; nothing when the part
// has no digit or does not fit 32 bits.
std::optional<std::uint32_t> ReadPart(std::string_view text, std::size_t& pos) {
  unsigned base = 10;
  if (pos >= text.size() || !std::isdigit(static_cast<unsigned char>(text[pos]))) return {};
  if (text[pos] == '0') {
    base = 8;
    if (pos + 1 < text.size() && (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
      base = 16;
      pos += 2;
      if (pos >= text.size() || !std::isxdigit(static_cast<unsigned char>(text[pos]))) return {};
    }
  }
  std::uint64_t value = 0;
  for (; pos < text.size(); ++pos) {
    const unsigned char c = static_cast<unsigned char>(text[pos]);
    unsigned digit;
    if (std::isdigit(c)) {
      digit = c - '0';
      if (digit >= base) return {};  // 8 or 9 in an octal part
    } else if (base == 16 && std::isxdigit(c)) {
      digit = static_cast<unsigned>(std::tolower(c) - 'a' + 10);
    } else {
      break;
    }
    value = value * base + digit;
    if (value > kAllOnes) return {};
  }
  return static_cast<std::uint32_t>(value);
}

}  // namespace

std::optional<std::uint32_t> InetAddr(std::string_view text) {
  std::uint32_t parts[4] = {};
  std::size_t count = 0;
  std::size_t pos = 0;
  for (;;) {
    const auto part = ReadPart(text, pos);
    if (!part) return {};
    parts[count++] = *part;
    if (pos < text.size() && text[pos] == '.') {
      if (count == 4) return {};
      ++pos;
      continue;
    }
    break;
  }
  if (pos < text.size() && !IsBlank(text[pos])) return {};
  // Every part but the last is one byte; the last fills what is left.
  for (std::size_t i = 0; i + 1 < count; ++i) {
    if (parts[i] > 0xFF) return {};
  }
  const std::uint32_t last = parts[count - 1];
  std::uint32_t value = 0;
  switch (count) {
    case 1:
      value = last;
      break;
    case 2:
      if (last > 0xFFFFFFu) return {};
      value = (parts[0] << 24) | last;
      break;
    case 3:
      if (last > 0xFFFFu) return {};
      value = (parts[0] << 24) | (parts[1] << 16) | last;
      break;
    default:
      if (last > 0xFFu) return {};
      value = (parts[0] << 24) | (parts[1] << 16) | (parts[2] << 8) | last;
      break;
  }
  if (value == kAllOnes) return {};
  return value;
}

std::string InetNtoa(std::uint32_t value) {
  return std::to_string(value >> 24) + '.' + std::to_string((value >> 16) & 0xFF) + '.' +
         std::to_string((value >> 8) & 0xFF) + '.' + std::to_string(value & 0xFF);
}

std::uint32_t AddressFromText(std::string_view text) {
  if (text == kHostMask) return kAllOnes;
  const auto value = InetAddr(text);
  if (!value) throw common::EConvertError("Invalid IP address string");
  return *value;
}

TdlgIPEdit::TdlgIPEdit()
    : common::ui::TForm("dlgIPEdit"),
      cbAccess("cbAccess", {"No Access", "Read Only", "Write Only", "Read/Write"}, 0) {
  SetCaption("Client access rights");
  lblAccess.SetCaption("Access rights:");
  lblFor.SetCaption("for:");
  lblAddress.SetCaption("Network IP Address:");
  lblMask.SetCaption("Network Mask:");
  for (common::ui::TComponent* c : std::initializer_list<common::ui::TComponent*>{
           &lblAccess, &cbAccess, &lblFor, &rbSingle, &rbNetwork, &lblAddress, &edAddress, &lblMask,
           &edMask, &btnOk, &btnCancel}) {
    Register(*c);
  }
  // A clicked radio button is checked; its partner is cleared, as in a group.
  rbSingle.OnClick = [this] {
    rbNetwork.SetChecked(false);
    rbNetworkClick();
  };
  rbNetwork.OnClick = [this] {
    rbSingle.SetChecked(false);
    rbNetworkClick();
  };
  btnOk.OnClick = [this] { SetModalResult(common::ui::TModalResult::Ok); };
  btnCancel.OnClick = [this] { SetModalResult(common::ui::TModalResult::Cancel); };
  SetActiveControl(&cbAccess);  // the first showing starts on the rights list
}

common::ui::TModalResult TdlgIPEdit::ShowModal() {
  SetModalResult(common::ui::TModalResult::None);
  ResetClose();
  FormActivate();
  if (host_ != nullptr) host_->RunModal(*this);
  if (ModalResult() == common::ui::TModalResult::None) UserClose();
  FormClose();
  ResetClose();
  return ModalResult();
}

void TdlgIPEdit::FormActivate() {
  UpdateAddressMode();
}

void TdlgIPEdit::UpdateAddressMode() {
  const bool single = rbSingle.Checked();
  edMask.SetVisible(!single);
  lblMask.SetVisible(!single);
  lblAddress.SetCaption(single ? "Host IP Address:" : "Network IP Address:");
}

void TdlgIPEdit::rbNetworkClick() {
  UpdateAddressMode();
}

void TdlgIPEdit::SetSingle(bool single) {
  rbSingle.SetChecked(single);
  rbNetwork.SetChecked(!single);
}

void TdlgIPEdit::FormClose() {
  if (rbSingle.Checked()) edMask.SetValue(kAllOnes);
}

}  // namespace palvex
