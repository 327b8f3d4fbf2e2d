#include "service_console/frmMain_u.h"

#include <cstring>
#include <optional>

#include "common/errors.h"

namespace quenby {

namespace {

using common::ui::TControl;
using common::ui::TCursor;
using common::ui::THourGlass;
using services_u::MachineName;
using services_u::TServiceState;

constexpr std::string_view kLocalMachine = "local";
constexpr std::string_view kUnknownService = "Unknown service";
constexpr std::string_view kUnknownServer = "Unknown server";
constexpr std::string_view kRefreshFailedMachine = "Unknown";
constexpr std::string_view kInformationCaption = "Information";
constexpr std::uint32_t kComputerNameChars = 16;

// Runs a step when the scope that holds it is left, whichever way.
template <class F>
class ScopeExit {
 public:
  explicit ScopeExit(F step) : step_(std::move(step)) {}
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;
  ~ScopeExit() { step_(); }

 private:
  F step_;
};

// The word of `state` in a table of the states 1..7, or nothing outside them.
std::optional<std::string_view> StateWord(const std::array<std::string_view, 7>& table,
                                          TServiceState state) {
  if (state < services_u::kStateStopped || state > services_u::kStatePaused) return std::nullopt;
  return table[static_cast<std::size_t>(state - services_u::kStateStopped)];
}

std::string JoinStatus(std::string_view machine, std::string_view service, std::string_view tail) {
  std::string line;
  line.reserve(machine.size() + service.size() + tail.size() + 6);
  line.append(machine).append(" - ").append(service).append(" - ").append(tail);
  return line;
}

}  // namespace

const TStateDisplay& StateDisplay(TServiceState state) {
  for (const auto& row : StateDisplayTable)
    if (row.State == state) return row;
  return kOtherStateDisplay;
}

void TCLocaleUpperCase::UpperCase(char* text, std::size_t length) const {
  for (std::size_t i = 0; i < length; ++i)
    if (text[i] >= 'a' && text[i] <= 'z') text[i] = static_cast<char>(text[i] - 'a' + 'A');
}

std::string GetLocalComputerName(IComputerName& system) {
  char buffer[kComputerNameChars] = {};
  std::uint32_t size = kComputerNameChars;
  if (!system.GetComputerNameA(buffer, size)) return {};
  return std::string(buffer, strnlen(buffer, kComputerNameChars));
}

std::string FormatStateLine(const std::string& machine, const std::string& service,
                            TServiceState state) {
  return JoinStatus(machine.empty() ? kLocalMachine : std::string_view(machine),
                    service.empty() ? kUnknownService : std::string_view(service),
                    StateWord(StatusStateWords, state).value_or(kUnknownStateWord));
}

TfrmMain::TfrmMain(const TfrmMainPlatform& platform) : TForm("frmMain"), platform_(platform) {
  SetCaption("Quenby");
  for (common::ui::TComponent* component : std::initializer_list<common::ui::TComponent*>{
           &Label1, &cbServices, &bbStart, &bbPause, &bbStop, &esbMain, &elServer, &Label2,
           &btnRefresh, &Label3, &Label4, &Label5, &imState, &cbAutoStart, &ElTrayIcon})
    Register(*component);
  Label1.SetCaption("Services:");
  Label2.SetCaption("Server:");
  Label3.SetCaption("&Start/Continue");
  Label4.SetCaption("&Pause");
  Label5.SetCaption("St&op");
  cbAutoStart.SetEnabled(false);

  elServer.OnExit = [this] { elServerExit(); };
  cbServices.OnChange = [this] { cbServicesChange(); };
  btnRefresh.OnClick = [this] { btnRefreshClick(); };
  bbStart.OnClick = [this] { bbStartClick(); };
  bbPause.OnClick = [this] { bbPauseClick(); };
  bbStop.OnClick = [this] { bbStopClick(); };
  cbAutoStart.OnClick = [this] { cbAutoStart1Click(); };
  ElTrayIcon.OnDblClick = [this] { ElTrayIconDblClick(); };
  ElTrayIcon.OnContextMenu = [this] { return TrayMenu(); };
  ElTrayIcon.OnMenuCommand = [this](std::uint32_t id) { TrayMenuCommand(id); };
  tmTrayWatch.OnTimer = [this] { tmTrayWatchTimer(); };
}

// ---------------------------------------------------------------------------
// Creation and destruction.

void TfrmMain::FormCreate() {
  if (Shell.SystemMenu != nullptr) AppendSystemMenuEntries(*Shell.SystemMenu);
  registeredServices_.clear();
  listedServices_.clear();
  ReadRegisteredServices();
  MachineName = GetLocalComputerName(platform_.Computer);
  elServer.SetText(MachineName);
  cbServices.SetItemIndex(-1);
  if (registeredServices_.empty()) {
    platform_.Dialogs.ShowMessageBox(std::string(kNoServicesMessage),
                                     std::string(kInformationCaption), common::MbIcon::Information,
                                     common::MbButtons::Ok);
    // Ending the main window ends the program once its message loop runs.
    Close();
  } else {
    EnumServices();
  }
  ignoreAutoStartClick_ = false;
  LoadWindowState();
  trayWatch_ = LoadTrayWatch(platform_.Registry);
  cbServicesChange();
}

void TfrmMain::FormDestroy() {
  registeredServices_.clear();
  listedServices_.clear();
  SaveWindowState();
}

void TfrmMain::LoadWindowState() {
  quenby::LoadWindowState(platform_.Registry, {*this, cbServices, elServer}, Shell.Monitors);
}

void TfrmMain::SaveWindowState() {
  quenby::SaveWindowState(platform_.Registry, {*this, cbServices, elServer});
}

common::ui::TControl* TfrmMain::FindControlByName(const std::string& name) const {
  return quenby::FindControlByName(*this, name);
}

void TfrmMain::WMSysCommand(std::uintptr_t command) {
  HandleSysCommand(command, ElTrayIcon, esbMain, Shell.ShowAbout);
  UpdateTrayWatch();
}

void TfrmMain::ElTrayIconDblClick() {
  if (Shell.Application != nullptr)
    quenby::ElTrayIconDblClick(ElTrayIcon, *Shell.Application);
  else
    ElTrayIcon.SetEnabled(false);
  UpdateTrayWatch();
}

void TfrmMain::ReadRegisteredServices() {
  common::RegOpenResult opened =
      platform_.Registry.OpenRead(common::RegRoot::LocalMachine, kRegisteredServicesKey);
  if (opened.key) registeredServices_ = opened.key->ValueNames();
}

// ---------------------------------------------------------------------------
// The service list.

bool TfrmMain::EnumServices() {
  bool result = true;
  const int remembered = cbServices.ItemIndex();
  // Put back the selection after the manager handle is closed (declared first,
  // so it runs last).
  ScopeExit reselect([this, remembered] {
    if (remembered >= 0 && remembered < static_cast<int>(cbServices.Items().size()))
      cbServices.SetItemIndex(remembered);
  });

  UpperCaseRegistered();

  common::IServiceManager& scm = platform_.Scm;
  const common::ScHandleOwner manager(scm, scm.OpenSCManagerA(MachineName, common::kManagerAccess));
  if (!manager) {
    platform_.Control.ShowSystemError(scm.GetLastError());
    cbServices.Clear();
    listedServices_.clear();
    return false;
  }

  cbServices.Clear();
  listedServices_.clear();
  std::vector<std::uint8_t> buffer;
  std::vector<common::EnumServiceRecord> records;
  std::uint32_t bytesNeeded = 0;
  std::uint32_t servicesReturned = 0;
  std::uint32_t resumeHandle = 0;
  if (scm.EnumServicesStatusA(manager.get(), common::kServiceTypeAll, common::kServiceStateAll,
                              buffer, bytesNeeded, servicesReturned, resumeHandle, records))
    return result;
  if (const std::uint32_t code = scm.GetLastError(); code != common::kErrorMoreData) {
    platform_.Control.ShowSystemError(code);
    return false;
  }
  buffer.resize(bytesNeeded);
  for (;;) {
    const bool done =
        scm.EnumServicesStatusA(manager.get(), common::kServiceTypeAll, common::kServiceStateAll,
                                buffer, bytesNeeded, servicesReturned, resumeHandle, records);
    const std::uint32_t code = done ? 0 : scm.GetLastError();
    if (done || code == common::kErrorMoreData) {
      if (records.size() > servicesReturned) records.resize(servicesReturned);
      AddMatchingServices(records);
    }
    if (done) break;
    if (code != common::kErrorMoreData) {
      platform_.Control.ShowSystemError(code);
      break;
    }
    // A batch that returned nothing while asking for no more room than the
    // buffer has would repeat for ever: the rebuild ends with what it has.
    if (records.empty() && bytesNeeded <= buffer.size()) break;
    buffer.resize(bytesNeeded);
  }
  return result;
}

void TfrmMain::UpperCaseRegistered() {
  upperRegistered_.resize(registeredServices_.size());
  for (std::size_t i = 0; i < registeredServices_.size(); ++i) {
    upperRegistered_[i].assign(registeredServices_[i]);
    platform_.Upper.UpperCase(upperRegistered_[i].data(), upperRegistered_[i].size());
  }
}

void TfrmMain::AddMatchingServices(const std::vector<common::EnumServiceRecord>& records) {
  // The registered names are upper-cased once per rebuild by EnumServices; a
  // call outside a rebuild prepares them here.
  if (upperRegistered_.size() != registeredServices_.size()) UpperCaseRegistered();
  if (upperBatch_.size() < records.size()) upperBatch_.resize(records.size());
  for (std::size_t j = 0; j < records.size(); ++j) {
    upperBatch_[j].assign(records[j].serviceName);
    platform_.Upper.UpperCase(upperBatch_[j].data(), upperBatch_[j].size());
  }

  for (const std::string& registered : upperRegistered_) {
    for (std::size_t j = 0; j < records.size(); ++j) {
      if (registered != upperBatch_[j]) continue;
      const common::EnumServiceRecord& record = records[j];
      std::string word(StateWord(ListStateWords, record.currentState).value_or(""));
      platform_.Upper.UpperCase(word.data(), word.size());
      std::string entry;
      entry.reserve(record.displayName.size() + 2 + word.size());
      entry.append(record.displayName).append(": ").append(word);
      cbServices.AddItem(std::move(entry));
      listedServices_.push_back(record.serviceName);
    }
  }
  if (!cbServices.Items().empty()) cbServices.SetItemIndex(0);
}

// ---------------------------------------------------------------------------
// The display of the selected service.

const std::string* TfrmMain::SelectedService() const {
  const int index = cbServices.ItemIndex();
  if (index < 0 || index >= static_cast<int>(listedServices_.size())) return nullptr;
  return &listedServices_[static_cast<std::size_t>(index)];
}

const std::string& TfrmMain::SelectedServiceOrThrow() const {
  const std::string* name = SelectedService();
  if (name == nullptr)
    throw common::EListError("List index out of bounds (" + std::to_string(cbServices.ItemIndex()) +
                             ")");
  return *name;
}

void TfrmMain::cbServicesChange() {
  const THourGlass hourGlass(*this);
  const std::string* selected = SelectedService();
  if (selected == nullptr) {
    ShowServiceState(kNoServiceState);
    cbAutoStart.SetEnabled(false);
    esbMain.SetText(FormatStateLine(std::string(kUnknownServer), "", kNoServiceState));
    return;
  }
  const std::string name = *selected;
  services_u::TServiceInfo info{};
  platform_.Control.GetServiceInfo(name, info);
  ignoreAutoStartClick_ = true;
  cbAutoStart.SetEnabled(true);
  cbAutoStart.SetChecked(info.StartType == static_cast<std::int32_t>(common::kServiceAutoStart));
  ignoreAutoStartClick_ = false;
  ShowServiceState(info.CurrentState);
  esbMain.SetText(FormatStateLine(MachineName, name, info.CurrentState));
}

void TfrmMain::ShowServiceState(TServiceState state) {
  shownState_ = state;
  const TStateDisplay& row = StateDisplay(state);
  const bool listed = !cbServices.Items().empty();
  bbStart.SetEnabled(row.StartEnabled && listed);
  bbStop.SetEnabled(row.StopEnabled && listed);
  bbPause.SetEnabled(row.PauseEnabled && listed);
  SetStateImage(row.Picture);
  cbServices.SetEnabled(listed);
}

void TfrmMain::SetStateImage(int index) {
  imState.SetPictureIndex(index);
}

// ---------------------------------------------------------------------------
// The actions.

void TfrmMain::bbStartClick() {
  const THourGlass hourGlass(*this);
  const std::string name = SelectedServiceOrThrow();
  services_u::TServiceInfo info{};
  platform_.Control.GetServiceInfo(name, info);
  DoServiceAction(name, info.CurrentState == services_u::kStatePaused ? services_u::saContinue
                                                                      : services_u::saStart);
  btnRefreshClick();
  SeenByTheWatch();  // a change of this window's own shows no notice
}

void TfrmMain::bbPauseClick() {
  const THourGlass hourGlass(*this);
  // A copy: the wait handles messages, and the lists may change meanwhile.
  const std::string name = SelectedServiceOrThrow();
  DoServiceAction(name, services_u::saPause);
  btnRefreshClick();
  SeenByTheWatch();  // a change of this window's own shows no notice
}

void TfrmMain::bbStopClick() {
  const THourGlass hourGlass(*this);
  // A copy: the wait handles messages, and the lists may change meanwhile.
  const std::string name = SelectedServiceOrThrow();
  DoServiceAction(name, services_u::saStop);
  btnRefreshClick();
  SeenByTheWatch();  // a change of this window's own shows no notice
}

void TfrmMain::btnRefreshClick() {
  // An action handler that calls the refresh already shows the hourglass and
  // puts the cursor back itself.
  std::optional<THourGlass> hourGlass;
  if (Cursor() == TCursor::Default) hourGlass.emplace(*this);
  if (EnumServices())
    cbServicesChange();
  else
    ShowRefreshFailed();
}

void TfrmMain::ShowRefreshFailed() {
  ShowServiceState(kNoServiceState);
  esbMain.SetText(FormatStateLine(std::string(kRefreshFailedMachine), "", kNoServiceState));
}

void TfrmMain::elServerExit() {
  MachineName = elServer.Text();
}

void TfrmMain::cbAutoStart1Click() {
  if (ignoreAutoStartClick_) {
    ignoreAutoStartClick_ = false;
    return;
  }
  // After a failed refresh the box may still be enabled while the selected
  // position names no listed service: then nothing is sent and the box goes back.
  const std::string* selected = SelectedService();
  const bool changed = selected != nullptr && platform_.Control.SetServiceAutoStart(
                                                  std::string(*selected), cbAutoStart.Checked());
  if (!changed) SetAutoStartChecked(!cbAutoStart.Checked());
}

void TfrmMain::SetAutoStartChecked(bool checked) {
  ignoreAutoStartClick_ = true;
  cbAutoStart.SetChecked(checked);
  ignoreAutoStartClick_ = false;
}

void TfrmMain::DoServiceAction(const std::string& serviceName, services_u::TServiceAction action) {
  platform_.Control.DoServiceAction(serviceName, action, this);
}

void TfrmMain::ShowProgress(const std::string& progressText) {
  const std::string* selected = SelectedService();
  std::string tail(progressText);
  tail += "...";
  esbMain.SetText(JoinStatus(
      MachineName.empty() ? kLocalMachine : std::string_view(MachineName),
      selected == nullptr || selected->empty() ? kUnknownService : std::string_view(*selected),
      tail));
}

void TfrmMain::SetAllControlsEnabled(bool enabled) {
  for (common::ui::TComponent* component : Components())
    if (auto* control = dynamic_cast<TControl*>(component)) control->SetEnabled(enabled);
}

void TfrmMain::DisableControls() {
  SetAllControlsEnabled(false);
}

void TfrmMain::EnableControls() {
  SetAllControlsEnabled(true);
}

void TfrmMain::BeginWait(const std::string& progressText) {
  waiting_ = true;
  SetCursor(TCursor::HourGlass);
  ShowProgress(progressText);
  DisableControls();
}

void TfrmMain::EndWait() {
  SetCursor(TCursor::Default);
  EnableControls();
  waiting_ = false;
}

// ---------------------------------------------------------------------------
// The tray icon's menu and the watch from the tray.

namespace {

// What each entry of the tray menu does: click its button (enabled as the
// button is), or run its handler.
struct TTrayAction {
  std::uint32_t Id;
  common::ui::TButton TfrmMain::*Button;
  void (TfrmMain::*Handler)();
};
const TTrayAction kTrayActions[] = {
    {kTrayRestore, nullptr, &TfrmMain::ElTrayIconDblClick},
    {kTrayStart, &TfrmMain::bbStart, nullptr},
    {kTrayPause, &TfrmMain::bbPause, nullptr},
    {kTrayStop, &TfrmMain::bbStop, nullptr},
    {kTrayWatch, nullptr, &TfrmMain::ToggleTrayWatch},
    {kTrayAbout, nullptr, &TfrmMain::ShowAboutFromTray},
    // As the close box: the window state is saved on the way out.
    {kTrayExit, nullptr, &TfrmMain::UserClose},
};

const TTrayAction* TrayAction(std::uint32_t id) {
  for (const TTrayAction& action : kTrayActions)
    if (action.Id == id) return &action;
  return nullptr;
}

}  // namespace

std::vector<common::ui::TMenuItem> TfrmMain::TrayMenu() const {
  std::vector<common::ui::TMenuItem> items;
  for (const TTrayMenuEntry& entry : TrayMenuEntries) {
    common::ui::TMenuItem item{entry.Id, std::string(entry.Text)};
    const TTrayAction* action = TrayAction(entry.Id);
    if (action != nullptr && action->Button != nullptr)
      item.enabled = (this->*action->Button).Enabled();
    item.checked = entry.Id == kTrayWatch && trayWatch_;
    items.push_back(std::move(item));
  }
  return items;
}

void TfrmMain::TrayMenuCommand(std::uint32_t id) {
  const TTrayAction* action = TrayAction(id);
  if (action == nullptr) return;
  if (action->Button != nullptr) {
    common::ui::TButton& button = this->*action->Button;
    if (button.Enabled()) button.UserClick();
  } else {
    (this->*action->Handler)();
  }
}

void TfrmMain::ToggleTrayWatch() {
  SetTrayWatch(!trayWatch_);
}

void TfrmMain::ShowAboutFromTray() {
  WMSysCommand(kAboutCommand);
}

void TfrmMain::SetTrayWatch(bool watch) {
  trayWatch_ = watch;
  SaveTrayWatch(platform_.Registry, watch);
  UpdateTrayWatch();
}

void TfrmMain::UpdateTrayWatch() {
  const bool watching = trayWatch_ && ElTrayIcon.Enabled();
  tmTrayWatch.SetEnabled(watching);
  if (!watching) {
    ElTrayIcon.SetPicture(-1);
    return;
  }
  SeenByTheWatch();
  ElTrayIcon.SetPicture(StateDisplay(shownState_).Picture);
  ElTrayIcon.SetHint(TrayHint(esbMain.Text()));
}

void TfrmMain::tmTrayWatchTimer() {
  // An action of this window is under way (its wait handles messages): it
  // shows its own result.
  if (waiting_ || !trayWatch_ || !ElTrayIcon.Enabled()) return;
  {
    std::optional<common::TQuietableDialogs::TQuiet> quiet;
    if (platform_.ControlDialogs != nullptr) quiet.emplace(*platform_.ControlDialogs);
    cbServicesChange();
  }
  ElTrayIcon.SetPicture(StateDisplay(shownState_).Picture);
  ElTrayIcon.SetHint(TrayHint(esbMain.Text()));
  // A failed read is no change of the service.
  if (shownState_ == services_u::kStateNotRead) return;
  if (shownState_ != watchedState_)
    ElTrayIcon.ShowBalloon(std::string(kTrayNoticeTitle), esbMain.Text());
  SeenByTheWatch();
}

}  // namespace quenby
