// The client access rule dialog: one rule's rights, mode and addresses. It is
// made once and keeps its controls from one use to the next.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/widgets.h"

namespace palvex {

// The Windows Sockets reading of an IPv4 address text: one to four parts
// separated by dots, each decimal, octal (leading 0) or hexadecimal (0x); the
// last part fills the bytes that are left ("10.1" is 10.0.0.1). The number may
// be followed by a blank and anything after it. Gives the value with the first
// part in the highest byte, or nothing when the text is no address. The value
// 255.255.255.255 is the sockets' own failure mark, so it too gives nothing.
std::optional<std::uint32_t> InetAddr(std::string_view text);

// The value as four decimal numbers joined by dots.
std::string InetNtoa(std::uint32_t value);

// The address fields' text rule: "255.255.255.255" is the all-ones value, any
// other text that InetAddr rejects raises common::EConvertError
// "Invalid IP address string".
std::uint32_t AddressFromText(std::string_view text);

class TdlgIPEdit : public common::ui::TForm {
 public:
  TdlgIPEdit();

  common::ui::TLabel lblAccess{"lblAccess"};
  common::ui::TComboBox cbAccess;
  common::ui::TLabel lblFor{"lblFor"};
  common::ui::TRadioButton rbSingle{"rbSingle", "Single IP address", false};
  common::ui::TRadioButton rbNetwork{"rbNetwork", "IP Network", true};
  common::ui::TLabel lblAddress{"lblAddress"};
  common::ui::TIPEdit edAddress{"edAddress"};
  common::ui::TLabel lblMask{"lblMask"};
  common::ui::TIPEdit edMask{"edMask"};
  common::ui::TButton btnOk{"btnOk"};
  common::ui::TButton btnCancel{"btnCancel"};

  // The platform that shows the dialog modally; set once the window exists.
  void SetModalHost(common::ui::IModalHost* host) { host_ = host; }

  // Shows the dialog modally as the previous use left it and gives how it
  // ended. FormActivate runs before it shows and FormClose after it closes.
  common::ui::TModalResult ShowModal();

  void FormActivate();
  // Shows the mask exactly when "Single IP address" is not selected, and names
  // the address field after the mode.
  void UpdateAddressMode();
  // Click on either radio button.
  void rbNetworkClick();
  // A single host's mask is all ones, whichever way the dialog closed.
  void FormClose();

  // The fields' texts, as inet_ntoa gives them, and their setters (which
  // raise common::EConvertError for text that is no address).
  std::string AddressText() const { return InetNtoa(edAddress.Value()); }
  std::string MaskText() const { return InetNtoa(edMask.Value()); }
  void SetAddressText(std::string_view text) { edAddress.SetValue(AddressFromText(text)); }
  void SetMaskText(std::string_view text) { edMask.SetValue(AddressFromText(text)); }

  // Selects one of the two modes, as the program does it (no click event).
  void SetSingle(bool single);

 private:
  common::ui::IModalHost* host_ = nullptr;
};

}  // namespace palvex
