#include "service_console/dlgAbout_u.h"

#include <initializer_list>
#include <memory>

namespace quenby {

TdlgAbout::TdlgAbout(const TAboutPlatform& platform) : TForm("dlgAbout"), platform_(platform) {
  SetCaption("About");
  btnOk.OnClick = [this] { btnOkClick(); };
  for (common::ui::TComponent* component : std::initializer_list<common::ui::TComponent*>{
           &NameLabel, &VersionLabel, &CommentsLabel, &CopyrightLabel, &Bevel1, &btnOk})
    Register(*component);
}

void TdlgAbout::FormCreate() {
  TVersionInfo info;  // empty fields stay empty when the file has no version information
  ReadVersionInfo(platform_.ExeFileName, info, platform_.Files);
  NameLabel.SetCaption(info.ProductName);
  VersionLabel.SetCaption(info.FileVersion);
  CommentsLabel.SetCaption(info.LegalCopyright);
  CopyrightLabel.SetCaption(info.Comments);
}

void TdlgAbout::btnOkClick() {
  SetModalResult(common::ui::TModalResult::Ok);
}

void TdlgAbout::DialogKey(int virtualKey) {
  if (virtualKey == kVkReturn || virtualKey == kVkEscape) btnOk.UserClick();
}

void ShowAbout(const TAboutPlatform& platform) {
  auto dialog = std::make_unique<TdlgAbout>(platform);
  dialog->FormCreate();
  platform.Host.RunModal(*dialog);
}

}  // namespace quenby
