// The About dialog: four centred lines from the running program's own version
// information (product name, file version, copyright line, comments line) and
// an OK button that Enter and Esc also press.
#pragma once

#include <string>

#include "common/widgets.h"
#include "service_console/VersionInfo.h"

namespace quenby {

// Virtual-key codes of the keys that close the dialog.
inline constexpr int kVkReturn = 0x0D;
inline constexpr int kVkEscape = 0x1B;

// Where the dialog takes its lines from and how it is shown.
struct TAboutPlatform {
  IVersionFiles& Files;
  std::string ExeFileName;  // full path of the running program
  common::ui::IModalHost& Host;
};

class TdlgAbout : public common::ui::TForm {
 public:
  explicit TdlgAbout(const TAboutPlatform& platform);

  // Components, top to bottom. The third line shows the copyright string and
  // the fourth the comments string, whatever their names say.
  common::ui::TLabel NameLabel{"NameLabel"};
  common::ui::TLabel VersionLabel{"VersionLabel"};
  common::ui::TLabel CommentsLabel{"CommentsLabel"};
  common::ui::TLabel CopyrightLabel{"CopyrightLabel"};
  common::ui::TBevel Bevel1{"Bevel1"};
  common::ui::TButton btnOk{"btnOk"};

  // Reads the program's version information afresh and fills the four lines.
  void FormCreate();
  // OK, Enter and Esc all end the dialog with the result OK.
  void btnOkClick();
  // A key pressed in the dialog: Enter (default button) and Esc (cancel
  // button) press OK; other keys do nothing here.
  void DialogKey(int virtualKey);

 private:
  TAboutPlatform platform_;
};

// Creates a new About dialog, reads the version information, shows it modally
// and returns when it has closed; the dialog is destroyed on the way out.
void ShowAbout(const TAboutPlatform& platform);

}  // namespace quenby
