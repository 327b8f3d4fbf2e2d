// LoadWindowState over hostile stored values: each of the seven values absent,
// well formed, or of any type and size, with any monitors. The load applies
// exactly the values that the save could have written and that the window can
// take, moves a placement off every monitor onto the nearest one, closes its
// key, and what a save then writes loads back as the same state.
//
// Input: one byte of set-up (bit 0 removes the key, bits 1-2 the number of
// services listed, bit 3 enables the auto-start box, bit 4 gives no monitor
// list); then per value, in order, one byte: low two bits 0 absent, 1 well
// formed, 2 a type of one byte and up to 255 bytes, 3 a type of four bytes and
// up to 65535 bytes; bit 7 stores the name in capitals. Then up to three
// monitors of eight numbers each.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/widgets.h"
#include "doubles/memory_registry.h"
#include "service_console/windowstate_u.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using common::RegRoot;
using Placement = common::ui::TForm::Placement;

const std::string kKey = "\\SOFTWARE\\Corvanti\\Quenby\\2.0\\frmMain";
constexpr Placement kDesigned{233, 212, 271, 281};

class StateForm : public common::ui::TForm {
 public:
  StateForm(std::uint8_t setup) : TForm("frmMain") {
    for (common::ui::TComponent* c : std::initializer_list<common::ui::TComponent*>{
             &Label1, &cbServices, &bbStart, &bbStop, &esbMain, &elServer, &cbAutoStart,
             &ElTrayIcon})
      Register(*c);
    SetPlacement(kDesigned);
    const int services = (setup >> 1) & 3;
    for (int i = 0; i < services; ++i) cbServices.AddItem("Service " + std::to_string(i));
    cbServices.SetItemIndex(services > 0 ? 0 : -1);
    elServer.SetText("SRV1");
    cbAutoStart.SetEnabled((setup & 8) != 0);
  }
  common::ui::TLabel Label1{"Label1"};
  common::ui::TComboBox cbServices{"cbServices"};
  common::ui::TButton bbStart{"bbStart"};
  common::ui::TButton bbStop{"bbStop"};
  common::ui::TStatusBar esbMain{"esbMain"};
  common::ui::TEdit elServer{"elServer"};
  common::ui::TCheckBox cbAutoStart{"cbAutoStart", "Start service automatically when OS starts"};
  common::ui::TTrayIcon ElTrayIcon{"ElTrayIcon"};

  quenby::TWindowStateParts Parts() { return {*this, cbServices, elServer}; }

  struct State {
    Placement placement;
    const common::ui::TComponent* active;
    std::string activeName;
    int serviceIndex;
    std::string server;
  };
  State Now() const {
    return {GetPlacement(), ActiveControl(), ActiveControl() ? ActiveControl()->Name() : "",
            cbServices.ItemIndex(), elServer.Text()};
  }
};

class FixedMonitors : public quenby::IMonitors {
 public:
  std::vector<quenby::TMonitor> Monitors() const override { return monitors; }
  std::vector<quenby::TMonitor> monitors;
};

const char* const kControlNames[] = {"Label1",   "cbServices",  "bbStart",    "bbStop",  "esbMain",
                                     "elServer", "cbAutoStart", "ElTrayIcon", "frmMain", "elserver",
                                     "",         "Nothing"};

std::string Capitals(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

std::optional<std::int32_t> AsInteger(const std::optional<common::RegValue>& v) {
  if (!v || v->type != common::kRegDword || v->data.size() != 4) return std::nullopt;
  return static_cast<std::int32_t>(v->data[0] | (v->data[1] << 8) | (v->data[2] << 16) |
                                   (static_cast<std::uint32_t>(v->data[3]) << 24));
}

std::optional<std::string> AsText(const std::optional<common::RegValue>& v) {
  if (!v || v->type != common::kRegSz) return std::nullopt;
  std::string text;
  for (std::uint8_t b : v->data) {
    if (b == 0) break;
    text += static_cast<char>(b);
  }
  return text;
}

using Wide = __int128;

Wide Gap(Wide aLow, Wide aHigh, Wide bLow, Wide bHigh) {
  Wide gap = 0;
  if (bLow - aHigh > gap) gap = bLow - aHigh;
  if (aLow - bHigh > gap) gap = aLow - bHigh;
  return gap;
}

std::int32_t Fit(std::int32_t low, std::int32_t size, std::int32_t areaLow, std::int32_t areaHigh) {
  const Wide last = Wide{areaHigh} - size;
  if (last <= areaLow) return areaLow;
  return static_cast<std::int32_t>(low < areaLow ? areaLow : low > last ? last : low);
}

// The placement as the monitors leave it: unchanged when it overlaps one of
// them, else fitted into the work area of the first nearest one.
Placement OntoMonitors(const Placement& p, const std::vector<quenby::TMonitor>& monitors) {
  if (monitors.empty()) return p;
  const Wide left = p.left, top = p.top, right = left + p.width, bottom = top + p.height;
  const quenby::TMonitor* nearest = nullptr;
  Wide best = 0;
  for (const auto& m : monitors) {
    const auto& b = m.Bounds;
    if (left < b.Right && b.Left < right && top < b.Bottom && b.Top < bottom) return p;
    const Wide dx = Gap(left, right, b.Left, b.Right), dy = Gap(top, bottom, b.Top, b.Bottom);
    const Wide distance = dx * dx + dy * dy;
    if (nearest == nullptr || distance < best) {
      nearest = &m;
      best = distance;
    }
  }
  const auto& area = nearest->WorkArea;
  return {Fit(p.left, p.width, area.Left, area.Right), Fit(p.top, p.height, area.Top, area.Bottom),
          p.width, p.height};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::ByteReader in({data, size});
  const std::uint8_t setup = in.Byte();
  const bool keyExists = (setup & 1) == 0;
  doubles::MemoryRegistry registry;
  if (keyExists) registry.CreateKey(RegRoot::CurrentUser, kKey);

  const char* const names[] = {"Left",          "Top",          "Width",     "Height",
                               "ActiveControl", "ServiceIndex", "ServerName"};
  std::optional<common::RegValue> stored[7];
  for (int i = 0; i < 7; ++i) {
    const std::uint8_t op = in.Byte();
    const bool text = i == 4 || i == 6;
    switch (op & 3) {
      case 0:
        break;
      case 1:
        if (i == 4) {
          const std::string name = kControlNames[in.Byte() % std::size(kControlNames)];
          stored[i] = common::RegValue{common::kRegSz, {name.begin(), name.end()}};
          stored[i]->data.push_back(0);
        } else if (text) {
          const std::string value = in.Text();
          stored[i] = common::RegValue{common::kRegSz, {value.begin(), value.end()}};
          stored[i]->data.push_back(0);
        } else if (i == 5) {
          const auto index = static_cast<std::uint8_t>(static_cast<std::int8_t>(in.Byte()) >> 4);
          const std::uint8_t fill = (index & 0x80) ? 0xFF : 0;
          stored[i] = common::RegValue{common::kRegDword, {index, fill, fill, fill}};
        } else {
          auto bytes = in.Bytes(4);
          bytes.resize(4);
          stored[i] = common::RegValue{common::kRegDword, bytes};
        }
        break;
      case 2: {
        const std::uint32_t type = in.Byte();
        stored[i] = common::RegValue{type, in.Bytes(in.Byte())};
        break;
      }
      default: {
        const std::uint32_t type = in.U32();
        const std::size_t length = in.Byte() | (in.Byte() << 8);
        stored[i] = common::RegValue{type, in.Bytes(length)};
        break;
      }
    }
    if (!keyExists) stored[i].reset();
    if (stored[i]) {
      const std::string name = (op & 0x80) ? Capitals(names[i]) : names[i];
      registry.Put(RegRoot::CurrentUser, kKey, name, stored[i]->type, stored[i]->data);
    }
  }
  FixedMonitors monitors;
  const int monitorCount = in.Byte() % 4;
  for (int i = 0; i < monitorCount; ++i) {
    quenby::TMonitor m;
    for (auto* r : {&m.Bounds, &m.WorkArea}) *r = {in.I32(), in.I32(), in.I32(), in.I32()};
    monitors.monitors.push_back(m);
  }
  const bool withMonitors = (setup & 16) == 0;

  StateForm form(setup);
  auto expected = form.Now();
  Placement placement = kDesigned;
  bool placed = false;
  std::int32_t Placement::*fields[] = {&Placement::left, &Placement::top, &Placement::width,
                                       &Placement::height};
  for (int i = 0; i < 4; ++i) {
    if (const auto number = AsInteger(stored[i])) {
      placement.*fields[i] = *number;
      placed = true;
    }
  }
  if (placed)
    expected.placement = withMonitors ? OntoMonitors(placement, monitors.monitors) : placement;
  if (const auto name = AsText(stored[4])) {
    for (auto* c : form.Components()) {
      if (c->Name() != *name) continue;
      if (auto* control = dynamic_cast<common::ui::TControl*>(c); control && control->CanFocus()) {
        expected.active = control;
        expected.activeName = *name;
      }
      break;
    }
  }
  if (const auto index = AsInteger(stored[5]))
    if (*index >= -1 && *index < static_cast<int>(form.cbServices.Items().size()))
      expected.serviceIndex = *index;
  if (const auto server = AsText(stored[6])) expected.server = *server;

  quenby::LoadWindowState(registry, form.Parts(), withMonitors ? &monitors : nullptr);
  const auto loaded = form.Now();
  FUZZ_CHECK(registry.OpenKeys() == 0);
  FUZZ_CHECK(registry.KeyExists(RegRoot::CurrentUser, kKey) == keyExists);
  FUZZ_CHECK(loaded.placement == expected.placement);
  FUZZ_CHECK(loaded.active == expected.active);
  FUZZ_CHECK(loaded.serviceIndex == expected.serviceIndex);
  FUZZ_CHECK(loaded.server == expected.server);

  // What the save writes loads back as the same state.
  doubles::MemoryRegistry saved;
  quenby::SaveWindowState(saved, form.Parts());
  StateForm after(setup);
  quenby::LoadWindowState(saved, after.Parts(), nullptr);
  const auto reloaded = after.Now();
  FUZZ_CHECK(reloaded.placement == loaded.placement);
  FUZZ_CHECK(reloaded.activeName == loaded.activeName);
  FUZZ_CHECK(reloaded.serviceIndex == loaded.serviceIndex);
  FUZZ_CHECK(reloaded.server == loaded.server);
  FUZZ_CHECK(saved.OpenKeys() == 0);
  return 0;
}
