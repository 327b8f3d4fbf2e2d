#include "service_console/win32/quenby_windows.h"

#include "service_console/dlgAbout_u.h"
#include "service_console/win32/about_resource.h"
#include "service_console/win32/resource.h"

namespace quenby::win32 {

using common::win32::TFit;
using common::win32::TWin32Form;

namespace {

// cbServices: 13-pixel entries, a selection field that makes the closed list
// 21 pixels high, and a drop-down list of eight entries below it.
constexpr int kComboItemHeight = 13;
constexpr int kComboFieldHeight = 15;
constexpr int kComboDropHeight = 8 * kComboItemHeight + 4;
// The glyphs' background, shown transparent.
constexpr COLORREF kGlyphBackground = RGB(192, 192, 192);

}  // namespace

TMainWindow::TMainWindow(TfrmMain& f, HINSTANCE instance, common::TApplication& application)
    : form_(f),
      instance_(instance),
      application_(application),
      window_(f, instance, IDD_frmMain, nullptr,
              {{IDC_cbServices, kComboFieldHeight, kComboItemHeight}}) {
  TWin32Form& w = window_;
  if (w.Handle() == nullptr) return;
  w.SetMainForm(true);
  w.SetErrorHandler([&application](const std::exception& e) { application.ShowException(e); });
  // Its list and box act on the service: what a click's read-back finds is
  // taken as it is, not as the user's selection or click.
  w.SetReadBack(TWin32Form::TReadBack::Silently);
  w.SetSysCommandHandler([&f](std::uintptr_t command) { f.WMSysCommand(command); });
  w.SetDestroyHandler([&f, &application] { application.Run([&f] { f.FormDestroy(); }); });
  w.SetIcons(IDI_QUENBY);
  w.SetClientSize(265, 252);
  w.MoveTo(233, 212);

  w.BindLabel(f.Label2, IDC_Label2);
  w.BindEdit(f.elServer, IDC_elServer);
  w.BindLabel(f.Label1, IDC_Label1);
  w.BindCenteredComboBox(f.cbServices, IDC_cbServices);
  w.BindButton(f.btnRefresh, IDC_btnRefresh);
  w.BindImage(f.imState, IDC_imState, IDB_STATE0, kStatePictureCount);
  w.BindLabel(f.Label3, IDC_Label3);
  w.BindGlyphButton(f.bbStart, IDC_bbStart, IDB_START, kGlyphBackground);
  w.BindLabel(f.Label4, IDC_Label4);
  w.BindGlyphButton(f.bbPause, IDC_bbPause, IDB_PAUSE, kGlyphBackground);
  w.BindLabel(f.Label5, IDC_Label5);
  w.BindGlyphButton(f.bbStop, IDC_bbStop, IDB_STOP, kGlyphBackground);
  w.BindCheckBox(f.cbAutoStart, IDC_cbAutoStart);
  w.BindStatusBar(f.esbMain, IDC_esbMain);
  // The tray icon's pictures with the state's sign, by the state picture's index.
  w.BindTrayIcon(
      f.ElTrayIcon, IDI_QUENBY,
      {IDI_TRAY_RUNNING, IDI_TRAY_STOPPED, IDI_TRAY_PAUSED, IDI_TRAY_OTHER, IDI_TRAY_OTHER});
  w.BindTimer(f.tmTrayWatch);

  // Labels and the box grow to their text where this system's font draws it wider.
  w.PlaceControl(IDC_Label2, {14, 19, 34, 13}, TFit::GrowToText);
  w.PlaceControl(IDC_elServer, {80, 16, 169, 21});
  w.PlaceControl(IDC_Label1, {14, 49, 44, 13}, TFit::GrowToText);
  w.PlaceControl(IDC_cbServices, {80, 46, 169, 21 + kComboDropHeight});
  w.PlaceControl(IDC_btnRefresh, {80, 74, 169, 21});
  w.PlaceControl(IDC_imState, {16, 112, 55, 64});
  w.PlaceControl(IDC_bbStart, {102, 112, 27, 24});
  w.PlaceControl(IDC_Label3, {143, 118, 69, 13}, TFit::GrowToText);
  w.PlaceControl(IDC_bbPause, {102, 144, 27, 24});
  w.PlaceControl(IDC_Label4, {143, 150, 30, 13}, TFit::GrowToText);
  w.PlaceControl(IDC_bbStop, {102, 176, 27, 24});
  w.PlaceControl(IDC_Label5, {143, 183, 22, 13}, TFit::GrowToText);
  w.PlaceControl(IDC_cbAutoStart, {8, 212, 220, 17}, TFit::GrowToText);
  w.PlaceControl(IDC_esbMain, {0, 234, 265, 18});

  f.Shell.SystemMenu = this;
  f.Shell.Monitors = this;
  f.Shell.Application = this;
  f.Shell.ShowAbout = [this] {
    ShowAbout({versionFiles_, common::win32::ExecutableFileName(), *this});
  };
}

TMainWindow::~TMainWindow() {
  form_.Shell = {};
}

void TMainWindow::AppendMenuA(std::uint32_t flags, std::uintptr_t id, const std::string& text) {
  window_.AppendSystemMenu(flags, id, text);
}

std::vector<TMonitor> TMainWindow::Monitors() const {
  const auto rect = [](const RECT& r) { return TRect{r.left, r.top, r.right, r.bottom}; };
  std::vector<TMonitor> monitors;
  for (const auto& area : common::win32::MonitorAreas())
    monitors.push_back({rect(area.bounds), rect(area.work)});
  return monitors;
}

void TMainWindow::RunModal(common::ui::TForm& form) {
  auto& d = static_cast<TdlgAbout&>(form);
  TWin32Form w(d, instance_, IDD_dlgAbout, window_.Handle());
  if (w.Handle() == nullptr) return;
  w.SetErrorHandler([this](const std::exception& e) { application_.ShowException(e); });
  // Esc presses OK, as Enter does (the template's OK button is IDOK).
  w.SetKeyHandler([&d](int key) { d.DialogKey(key); });
  w.SetClientSize(294, 132);
  w.BindLabel(d.NameLabel, IDC_NameLabel);
  w.BindLabel(d.VersionLabel, IDC_VersionLabel);
  w.BindLabel(d.CommentsLabel, IDC_CommentsLabel);
  w.BindLabel(d.CopyrightLabel, IDC_CopyrightLabel);
  w.BindBevel(d.Bevel1, IDC_Bevel1);
  w.BindButton(d.btnOk, IDC_btnOk);
  w.PlaceControl(IDC_NameLabel, {16, 8, 265, 13});
  w.PlaceControl(IDC_VersionLabel, {16, 24, 265, 13});
  w.PlaceControl(IDC_CommentsLabel, {16, 40, 265, 13});
  w.PlaceControl(IDC_CopyrightLabel, {16, 56, 265, 13});
  w.PlaceControl(IDC_Bevel1, {12, 79, 273, 6});
  w.PlaceControl(IDC_btnOk, {102, 98, 75, 25});
  w.CenterOverOwner();
  w.RunModal(d);
}

}  // namespace quenby::win32
