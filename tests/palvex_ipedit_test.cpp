// The rule dialog's address rule and its carried-over state.
#include "config_editor/dlgIPEdit_u.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "common/errors.h"

namespace {

using common::ui::TModalResult;
using palvex::TdlgIPEdit;

struct AddrCase {
  const char* text;
  std::optional<std::uint32_t> value;
};

TEST(InetAddr, ReadsEveryFormTheSocketsAcceptAndNothingElse) {
  const AddrCase cases[] = {
      {"192.0.2.7", 0xC0000207u},
      {"0.0.0.0", 0u},
      {"10.1", 0x0A000001u},           // last part fills three bytes
      {"10.1.258", 0x0A010102u},       // last part fills two bytes
      {"3221225991", 0xC0000207u},     // one part is the whole value
      {"0xC0.0.02.0x7", 0xC0000207u},  // hexadecimal and octal parts
      {"0300.0.2.07", 0xC0000207u},
      {"1.2.3.4 trailing", 0x01020304u},  // a blank ends the address
      {"255.255.255.254", 0xFFFFFFFEu},
      {"", std::nullopt},
      {" 1.2.3.4", std::nullopt},
      {"1.2.3.256", std::nullopt},
      {"256.1.1.1", std::nullopt},
      {"1.2.65536", std::nullopt},
      {"1.16777216", std::nullopt},
      {"1.2.3.4.5", std::nullopt},
      {"1..3.4", std::nullopt},
      {"1.2.3.4.", std::nullopt},
      {"1.2.3.x", std::nullopt},
      {"08.1.1.1", std::nullopt},  // 8 is no octal digit
      {"0x.1.1.1", std::nullopt},
      {"4294967296", std::nullopt},
      {"255.255.255.255", std::nullopt},  // the sockets' own failure mark
      {"0xffffffff", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(palvex::InetAddr(c.text), c.value) << '"' << c.text << '"';
  }
}

TEST(InetAddr, FieldTextTakesAllOnesOnlyAsTheDottedTextAndRaisesOtherwise) {
  EXPECT_EQ(palvex::AddressFromText("255.255.255.255"), 0xFFFFFFFFu);
  EXPECT_EQ(palvex::AddressFromText("10.1"), 0x0A000001u);
  for (const char* bad : {"", "0xffffffff", "255.255.255.0xff", "192.0.2.300", "x"}) {
    try {
      palvex::AddressFromText(bad);
      ADD_FAILURE() << '"' << bad << "\" was taken";
    } catch (const common::EConvertError& e) {
      EXPECT_STREQ(e.what(), "Invalid IP address string");
    }
  }
  EXPECT_EQ(palvex::InetNtoa(0xC0000207u), "192.0.2.7");
  EXPECT_EQ(palvex::InetNtoa(0xFFFFFFFFu), "255.255.255.255");
}

// Plays one use of the dialog: what the user does while it is up.
class ScriptedHost : public common::ui::IModalHost {
 public:
  void RunModal(common::ui::TForm& form) override {
    ++shows;
    auto& dlg = static_cast<TdlgIPEdit&>(form);
    maskVisibleAtShow = dlg.edMask.Visible();
    addressLabelAtShow = dlg.lblAddress.Caption();
    if (user) user(dlg);
  }
  std::function<void(TdlgIPEdit&)> user;
  int shows = 0;
  bool maskVisibleAtShow = false;
  std::string addressLabelAtShow;
};

class RuleDialog : public ::testing::Test {
 protected:
  void SetUp() override { dlg.SetModalHost(&host); }
  TdlgIPEdit dlg;
  ScriptedHost host;
};

TEST_F(RuleDialog, FirstUseShowsTheDesignState) {
  host.user = [](TdlgIPEdit& d) { d.btnOk.UserClick(); };
  EXPECT_EQ(dlg.ShowModal(), TModalResult::Ok);
  EXPECT_EQ(dlg.cbAccess.ItemIndex(), 0);
  EXPECT_TRUE(dlg.rbNetwork.Checked());
  EXPECT_FALSE(dlg.rbSingle.Checked());
  EXPECT_EQ(dlg.AddressText(), "0.0.0.0");
  EXPECT_EQ(dlg.MaskText(), "0.0.0.0");
  EXPECT_TRUE(host.maskVisibleAtShow);
  EXPECT_EQ(host.addressLabelAtShow, "Network IP Address:");
  EXPECT_EQ(dlg.ActiveControl(), &dlg.cbAccess);
  EXPECT_EQ(dlg.Caption(), "Client access rights");
}

TEST_F(RuleDialog, ModeSwitchHidesTheMaskAndRelabelsAndBackKeepsTheMask) {
  dlg.edMask.SetValue(0xFFFFFF00u);
  dlg.rbSingle.UserClick();
  EXPECT_FALSE(dlg.rbNetwork.Checked());
  EXPECT_FALSE(dlg.edMask.Visible());
  EXPECT_FALSE(dlg.lblMask.Visible());
  EXPECT_EQ(dlg.lblAddress.Caption(), "Host IP Address:");
  dlg.rbNetwork.UserClick();
  EXPECT_FALSE(dlg.rbSingle.Checked());
  EXPECT_TRUE(dlg.edMask.Visible());
  EXPECT_TRUE(dlg.lblMask.Visible());
  EXPECT_EQ(dlg.lblAddress.Caption(), "Network IP Address:");
  EXPECT_EQ(dlg.MaskText(), "255.255.255.0");
}

TEST_F(RuleDialog, EveryWayOfClosingGivesItsResultAndASingleHostTheFullMask) {
  struct Case {
    const char* name;
    std::function<void(TdlgIPEdit&)> close;
    TModalResult result;
  };
  const Case cases[] = {
      {"OK", [](TdlgIPEdit& d) { d.btnOk.UserClick(); }, TModalResult::Ok},
      {"Cancel", [](TdlgIPEdit& d) { d.btnCancel.UserClick(); }, TModalResult::Cancel},
      {"close box", [](TdlgIPEdit& d) { d.UserClose(); }, TModalResult::Cancel},
  };
  for (const auto& c : cases) {
    dlg.SetSingle(false);
    dlg.edMask.SetValue(0);
    host.user = [&](TdlgIPEdit& d) {
      d.rbSingle.UserClick();
      c.close(d);
    };
    EXPECT_EQ(dlg.ShowModal(), c.result) << c.name;
    EXPECT_EQ(dlg.MaskText(), "255.255.255.255") << c.name;
  }
}

TEST_F(RuleDialog, NextUseStartsAsTheLastOneLeftItEvenWhenCancelled) {
  host.user = [](TdlgIPEdit& d) {
    d.cbAccess.UserSelect(1);
    d.rbSingle.UserClick();
    d.edAddress.UserSetValue(0xC0000207u);
    d.btnCancel.UserClick();
  };
  dlg.ShowModal();
  host.user = [](TdlgIPEdit& d) { d.btnOk.UserClick(); };
  dlg.ShowModal();
  EXPECT_EQ(dlg.cbAccess.ItemIndex(), 1);
  EXPECT_TRUE(dlg.rbSingle.Checked());
  EXPECT_EQ(dlg.AddressText(), "192.0.2.7");
  EXPECT_FALSE(host.maskVisibleAtShow);
  EXPECT_EQ(host.addressLabelAtShow, "Host IP Address:");
}

}  // namespace
