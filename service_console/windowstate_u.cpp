#include "service_console/windowstate_u.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace quenby {

using common::RegRoot;
using common::ui::TForm;

namespace {

// A value read as the save writes it; anything else counts as absent.
std::optional<std::int32_t> ReadInteger(common::IRegistryKey& key, std::string_view name) {
  const auto value = key.Query(name);
  if (!value || value->type != common::kRegDword || value->data.size() != 4) return std::nullopt;
  std::uint32_t u = 0;
  for (int i = 3; i >= 0; --i) u = (u << 8) | value->data[static_cast<std::size_t>(i)];
  return static_cast<std::int32_t>(u);
}

std::optional<std::string> ReadString(common::IRegistryKey& key, std::string_view name) {
  const auto value = key.Query(name);
  if (!value || value->type != common::kRegSz) return std::nullopt;
  const auto nul = std::find(value->data.begin(), value->data.end(), std::uint8_t{0});
  return std::string(value->data.begin(), nul);
}

void WriteInteger(common::IRegistryKey& key, std::string_view name, std::int32_t number) {
  key.Set(name, common::kRegDword, common::RegDwordBytes(number));
}

// Distances between a placement and a monitor. A stored placement may lie
// anywhere in the 32-bit range and have any size, so a gap reaches 2^33 and
// its square 2^66: squares and their sums are taken in 128 bits.
using Wide = __int128;

Wide Gap(Wide aLow, Wide aHigh, Wide bLow, Wide bHigh) {
  return std::max<Wide>({0, bLow - aHigh, aLow - bHigh});
}

// Where a span of `size` starting at `low` goes to lie within [areaLow, areaHigh):
// as near to where it was as possible, its start inside when it does not fit.
std::int32_t Fit(std::int32_t low, std::int32_t size, std::int32_t areaLow, std::int32_t areaHigh) {
  const std::int64_t last = std::int64_t{areaHigh} - size;
  if (last <= areaLow) return areaLow;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(low, areaLow, last));
}

}  // namespace

std::string WindowStateKey(std::string_view componentName) {
  std::string key(kWindowStateKeyPrefix);
  key += componentName;
  return key;
}

TForm::Placement MoveOntoMonitors(const TForm::Placement& placement,
                                  std::span<const TMonitor> monitors) {
  if (monitors.empty()) return placement;
  const std::int64_t left = placement.left, top = placement.top;
  const std::int64_t right = left + placement.width, bottom = top + placement.height;
  const TMonitor* nearest = nullptr;
  Wide nearestDistance = 0;
  for (const auto& monitor : monitors) {
    const auto& b = monitor.Bounds;
    if (left < b.Right && b.Left < right && top < b.Bottom && b.Top < bottom) return placement;
    const Wide dx = Gap(left, right, b.Left, b.Right);
    const Wide dy = Gap(top, bottom, b.Top, b.Bottom);
    const Wide distance = dx * dx + dy * dy;
    if (nearest == nullptr || distance < nearestDistance) {
      nearestDistance = distance;
      nearest = &monitor;
    }
  }
  const auto& area = nearest->WorkArea;
  TForm::Placement moved = placement;
  moved.left = Fit(placement.left, placement.width, area.Left, area.Right);
  moved.top = Fit(placement.top, placement.height, area.Top, area.Bottom);
  return moved;
}

common::ui::TControl* FindControlByName(const TForm& form, std::string_view name) {
  for (auto* component : form.Components())
    if (component->Name() == name) return dynamic_cast<common::ui::TControl*>(component);
  return nullptr;
}

void LoadWindowState(common::IRegistry& registry, const TWindowStateParts& parts,
                     const IMonitors* monitors) {
  auto opened = registry.OpenRead(RegRoot::CurrentUser, WindowStateKey(parts.Form.Name()));
  if (!opened.key) return;
  auto& key = *opened.key;

  TForm::Placement placement = parts.Form.GetPlacement();
  bool placed = false;
  for (auto [name, field] : {std::pair{kValueLeft, &TForm::Placement::left},
                             std::pair{kValueTop, &TForm::Placement::top},
                             std::pair{kValueWidth, &TForm::Placement::width},
                             std::pair{kValueHeight, &TForm::Placement::height}}) {
    if (auto number = ReadInteger(key, name)) {
      placement.*field = *number;
      placed = true;
    }
  }
  if (placed) {
    if (monitors != nullptr) placement = MoveOntoMonitors(placement, monitors->Monitors());
    parts.Form.SetPlacement(placement);
  }

  if (auto name = ReadString(key, kValueActiveControl)) {
    // A name no control bears, or a control that cannot take the focus now,
    // leaves the focus where it was.
    if (auto* control = FindControlByName(parts.Form, *name)) parts.Form.SetActiveControl(control);
  }
  // A position outside the list is refused by the list and so skipped.
  if (auto index = ReadInteger(key, kValueServiceIndex)) parts.Services.SetItemIndex(*index);
  if (auto server = ReadString(key, kValueServerName)) parts.Server.SetText(*server);
}

void SaveWindowState(common::IRegistry& registry, const TWindowStateParts& parts) {
  auto opened = registry.OpenWrite(RegRoot::CurrentUser, WindowStateKey(parts.Form.Name()));
  if (!opened.key) return;
  auto& key = *opened.key;
  const auto& placement = parts.Form.GetPlacement();
  WriteInteger(key, kValueLeft, placement.left);
  WriteInteger(key, kValueTop, placement.top);
  WriteInteger(key, kValueWidth, placement.width);
  WriteInteger(key, kValueHeight, placement.height);
  if (const auto* active = parts.Form.ActiveControl())
    key.Set(kValueActiveControl, common::kRegSz, common::RegSzBytes(active->Name()));
  WriteInteger(key, kValueServiceIndex, parts.Services.ItemIndex());
  key.Set(kValueServerName, common::kRegSz, common::RegSzBytes(parts.Server.Text()));
}

bool LoadTrayWatch(common::IRegistry& registry) {
  auto opened = registry.OpenRead(RegRoot::CurrentUser, kOptionsKey);
  if (!opened.key) return false;
  const auto value = ReadInteger(*opened.key, kValueTrayWatch);
  return value && *value == 1;
}

void SaveTrayWatch(common::IRegistry& registry, bool watch) {
  auto opened = registry.OpenWrite(RegRoot::CurrentUser, kOptionsKey);
  if (opened.key) WriteInteger(*opened.key, kValueTrayWatch, watch ? 1 : 0);
}

void AppendSystemMenuEntries(ISystemMenu& menu) {
  menu.AppendMenuA(kMfSeparator, 0, std::string());
  menu.AppendMenuA(kMfString, kAboutCommand, std::string(kAboutMenuText));
}

std::string TrayHint(std::string_view statusLine) {
  std::string hint(kTrayHintTitle);
  hint += statusLine;
  if (hint.size() > kTrayHintMax) hint.resize(kTrayHintMax);
  return hint;
}

void HandleSysCommand(std::uintptr_t command, common::ui::TTrayIcon& tray,
                      const common::ui::TStatusBar& statusBar,
                      const std::function<void()>& showAbout) {
  switch (command) {
    case kAboutCommand:
      if (showAbout) showAbout();
      break;
    case kScMinimize:
      tray.SetEnabled(true);
      tray.SetHint(TrayHint(statusBar.Text()));
      break;
    case kScRestore:
      tray.SetEnabled(false);
      break;
    default:
      break;
  }
}

void ElTrayIconDblClick(common::ui::TTrayIcon& tray, ITrayApplication& application) {
  application.Restore();
  application.BringToFront();
  tray.SetEnabled(false);
}

}  // namespace quenby
