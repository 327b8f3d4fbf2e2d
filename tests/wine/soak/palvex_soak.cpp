// Palvex's soak: a fresh run of the program per round, checked against the
// registry after each, then one long-lived window that opens and closes its
// rule dialog over and over.
#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "config_editor/win32/resource.h"
#include "tests/wine/palvex_driver.h"
#include "tests/wine/soak/soak.h"
#include "tests/wine/wine_test_support.h"

namespace soak {
namespace {

using palvex_e2e::TPalvexDriver;

constexpr char kKey[] = "SOFTWARE\\Corvanti\\RORIVuzuice";
constexpr int kIdNo = 7;
const wchar_t* const kRightsNames[] = {L"No Access", L"Read Only", L"Write Only", L"Read/Write"};
const char* const kRightsCodes[] = {"NA", "R", "W", "RW"};

struct Stored {
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

// Every value of the settings key in the 32-bit view, by name.
std::map<std::string, Stored> ReadKey() {
  std::map<std::string, Stored> values;
  HKEY raw = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ | wine_test::kView32, &raw) !=
      ERROR_SUCCESS)
    return values;
  const common::win32::UniqueKey key(raw);
  for (DWORD index = 0;; ++index) {
    char name[256];
    DWORD nameLength = sizeof name;
    Stored value;
    DWORD size = 0;
    if (RegEnumValueA(key.get(), index, name, &nameLength, nullptr, &value.type, nullptr, &size) !=
        ERROR_SUCCESS)
      break;
    value.data.resize(size);
    nameLength = sizeof name;
    if (RegEnumValueA(key.get(), index, name, &nameLength, nullptr, &value.type, value.data.data(),
                      &size) != ERROR_SUCCESS)
      break;
    value.data.resize(size);
    values[name] = value;
  }
  return values;
}

Stored Text(const std::string& text) {
  Stored value{REG_SZ, std::vector<BYTE>(text.begin(), text.end())};
  value.data.push_back(0);
  return value;
}

Stored Number(DWORD number) {
  return Stored{REG_DWORD,
                {static_cast<BYTE>(number), static_cast<BYTE>(number >> 8),
                 static_cast<BYTE>(number >> 16), static_cast<BYTE>(number >> 24)}};
}

// The round's changes: the port, the high-priority box (clicked once a round,
// so on after odd rounds), and one single-host rule.
struct RoundData {
  DWORD port;
  bool highPriority;
  int host;
  int rights;
  std::wstring Address() const { return L"192.0.2." + std::to_wstring(host); }
};

RoundData DataOf(int round) {
  return RoundData{static_cast<DWORD>(1000 + round % 50000), round % 2 == 0, 1 + round % 254,
                   round % 4};
}

// The nineteen values as the round leaves them: the defaults, but for its changes.
std::map<std::string, Stored> Expected(const RoundData& data) {
  const std::string host = "192.0.2." + std::to_string(data.host);
  return {
      {"TFTPRoot", Text("")},
      {"TFTPPort", Number(data.port)},
      {"WriteLog", Number(0)},
      {"HighPriority", Number(data.highPriority ? 1 : 0)},
      {"LogDirectory", Text("")},
      {"LogFileCount", Number(3)},
      {"DefaultRights", Text("NA")},
      {"HostList", Text("[" + host + ", 255.255.255.255, " + kRightsCodes[data.rights] + "]")},
      {"TFTPTimeout", Number(3)},
      {"TFTPRetr", Number(3)},
      {"AllowOverwrite", Number(0)},
      {"OpTimeout", Number(1)},
      {"OpBlocksize", Number(1)},
      {"OpTSize", Number(1)},
      {"FWEnabled", Number(1)},
      {"FWMinPort", Number(1024)},
      {"FWMaxPort", Number(65535)},
      {"LogLevel", Number(5)},
      {"LocalTime", Number(0)},
  };
}

// What differs between the key and the expected values; empty when nothing.
std::string Compare(const std::map<std::string, Stored>& key,
                    const std::map<std::string, Stored>& expected) {
  std::string differences;
  if (key.size() != expected.size())
    differences += "the key holds " + std::to_string(key.size()) + " values; ";
  for (const auto& [name, value] : expected) {
    const auto found = key.find(name);
    if (found == key.end())
      differences += name + " is missing; ";
    else if (found->second.type != value.type || found->second.data != value.data)
      differences += name + " differs; ";
  }
  return differences;
}

std::string Narrow(const std::wstring& wide) {
  return std::string(wide.begin(), wide.end());  // the texts compared here are ASCII
}

// Fills the rule dialog with the round's rule and presses `button`.
std::string FillRule(TPalvexDriver& palvex, const RoundData& data, int button) {
  const HWND dialog = palvex.WaitForWindow(L"Client access rights");
  if (dialog == nullptr) return "the rule dialog did not open";
  SendMessageW(GetDlgItem(dialog, IDC_rbSingle), BM_CLICK, 0, 0);
  SendMessageW(GetDlgItem(dialog, IDC_edAddress), IPM_SETADDRESS, 0,
               MAKEIPADDRESS(192, 0, 2, data.host));
  SendMessageW(GetDlgItem(dialog, IDC_cbAccess), CB_SETCURSEL, data.rights, 0);
  TPalvexDriver::Click(GetDlgItem(dialog, button));
  if (!palvex.WaitHidden(dialog)) return "the rule dialog stayed open";
  return {};
}

std::string CheckRow(const TPalvexDriver& palvex, const RoundData& data) {
  const HWND list = palvex.Item(IDC_tsgHosts);
  if (TPalvexDriver::ListCount(list) != 1)
    return "the rule list holds " + std::to_string(TPalvexDriver::ListCount(list)) + " rules";
  if (palvex.ListText(list, 0, 0) != data.Address() ||
      palvex.ListText(list, 0, 1) != kRightsNames[data.rights])
    return "the rule reads \"" + Narrow(palvex.ListText(list, 0, 0)) + "\", \"" +
           Narrow(palvex.ListText(list, 0, 1)) + "\"";
  return {};
}

// Opens the rule dialog on the rule list: Add on an empty list, else Edit of
// its only rule.
void OpenRuleDialog(TPalvexDriver& palvex, bool add) {
  if (add) {
    TPalvexDriver::Click(palvex.Item(IDC_sbAdd));
  } else {
    palvex.SelectRow(palvex.Item(IDC_tsgHosts), 0);
    TPalvexDriver::Click(palvex.Item(IDC_sbEdit));
  }
}

// One round; the empty text when it went as it should, else what went wrong.
std::string Round(int round) {
  const RoundData data = DataOf(round);
  TPalvexDriver palvex;
  if (!palvex.Start(wine_test::WindowsPath(PALVEX_EXE))) return "the window did not open";
  const std::wstring port = std::to_wstring(data.port);
  TPalvexDriver::SetText(palvex.Item(IDC_seTFTPPort), port);
  if (TPalvexDriver::Text(palvex.Item(IDC_seTFTPPort)) != port)
    return "the port field reads \"" + Narrow(TPalvexDriver::Text(palvex.Item(IDC_seTFTPPort))) +
           "\"";
  SendMessageW(palvex.Item(IDC_cbHighPriority), BM_CLICK, 0, 0);
  if ((SendMessageW(palvex.Item(IDC_cbHighPriority), BM_GETCHECK, 0, 0) == BST_CHECKED) !=
      data.highPriority)
    return "the high-priority box did not change";

  palvex.SelectTab(IDC_pcMain, 1);
  const int rules = TPalvexDriver::ListCount(palvex.Item(IDC_tsgHosts));
  if (rules != (round == 0 ? 0 : 1))
    return "the rule list opened with " + std::to_string(rules) + " rules";
  OpenRuleDialog(palvex, round == 0);
  if (std::string error = FillRule(palvex, data, IDC_btnOk); !error.empty()) return error;
  if (std::string error = CheckRow(palvex, data); !error.empty()) return error;

  TPalvexDriver::Click(palvex.Item(IDC_btnOk));
  const HWND question = palvex.WaitForWindow(L"Confirmation");
  if (question == nullptr) return "no restart question";
  TPalvexDriver::Press(question, kIdNo);
  if (!palvex.WaitExit()) return "the window stayed open after No";
  if (std::string differences = Compare(ReadKey(), Expected(data)); !differences.empty())
    return "the key: " + differences;
  return {};
}

// One opening of the rule dialog in the long-lived window: Add then Cancel on
// even cycles, Edit of the only rule then OK on odd ones.
std::string DialogCycle(TPalvexDriver& palvex, int cycle, const RoundData& kept) {
  const bool add = cycle % 2 == 0;
  const RoundData data = add ? DataOf(cycle + 1) : DataOf(cycle);
  OpenRuleDialog(palvex, add);
  if (std::string error = FillRule(palvex, data, add ? IDC_btnCancel : IDC_btnOk); !error.empty())
    return error;
  return CheckRow(palvex, add ? kept : data);
}

}  // namespace

ProgramReport RunPalvex(int cycles, int warmUp) {
  ProgramReport report;
  report.program = "palvex";
  report.countedProcess = "the window that opens the rule dialog again and again";
  report.work.push_back(std::to_string(cycles) +
                        " rounds of open, change a number, a box and a rule, OK, No to the "
                        "restart, close, with the key checked");
  report.work.push_back(std::to_string(cycles) + " openings of the rule dialog in one window");
  for (REGSAM view : {wine_test::kView32, wine_test::kView64})
    wine_test::DeleteTreeRaw(HKEY_LOCAL_MACHINE, kKey, view);

  for (int round = 0; round < cycles; ++round) {
    if (const std::string error = Round(round); !error.empty())
      report.Fail("round " + std::to_string(round + 1) + ": " + error);
    Progress(report.program, round + 1, cycles);
  }

  // The long-lived window starts from the last round's rule (or from none when
  // every round failed before saving one).
  const std::map<std::string, Stored> before = ReadKey();
  RoundData kept = DataOf(cycles - 1);
  TPalvexDriver palvex;
  if (!palvex.Start(wine_test::WindowsPath(PALVEX_EXE))) {
    report.Fail("the long-lived window did not open");
    return report;
  }
  palvex.SelectTab(IDC_pcMain, 1);
  if (TPalvexDriver::ListCount(palvex.Item(IDC_tsgHosts)) != 1) {
    report.Fail("the long-lived window opened without the rule of the last round");
    return report;
  }
  for (int cycle = 0; cycle < cycles; ++cycle) {
    if (!palvex.Running()) {
      report.Fail("dialog cycle " + std::to_string(cycle + 1) + ": the program has ended");
      report.failures += cycles - cycle - 1;
      break;
    }
    const std::string error = DialogCycle(palvex, cycle, kept);
    if (error.empty()) {
      if (cycle % 2 == 1) kept = DataOf(cycle);
    } else {
      report.Fail("dialog cycle " + std::to_string(cycle + 1) + ": " + error);
      // A dialog left open is closed, so that the next cycle starts afresh.
      if (const HWND dialog = palvex.Find(L"Client access rights"); dialog != nullptr) {
        TPalvexDriver::Press(dialog, IDCANCEL);
        palvex.WaitHidden(dialog);
      }
    }
    if (cycle + 1 >= warmUp) {
      DWORD pid = 0;
      GetWindowThreadProcessId(palvex.Main(), &pid);
      const ProcessCounts counts = ReadProcessCounts(pid);
      if (cycle + 1 == warmUp) report.warm = report.highest = counts;
      KeepHighest(report.highest, counts);
      report.end = counts;
      report.counted = true;
    }
  }
  // The close box saves nothing, however much the dialog changed.
  PostMessageW(palvex.Main(), WM_CLOSE, 0, 0);
  if (!palvex.WaitExit()) report.Fail("the long-lived window did not close");
  if (std::string differences = Compare(ReadKey(), before); !differences.empty())
    report.Fail("the close box changed the key: " + differences);
  return report;
}

}  // namespace soak
