// The TFTP service's settings: the record with its defaults, and its load from
// and save to the service's registry key.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/registry.h"
#include "common/system_text.h"
#include "config_editor/accessrights_u.h"

namespace palvex {

// All nineteen values lie directly in this key under HKEY_LOCAL_MACHINE.
inline constexpr common::RegRoot kSettingsRoot = common::RegRoot::LocalMachine;
inline constexpr std::string_view kSettingsKey = "SOFTWARE\\Corvanti\\RORIVuzuice";

// One field per registry value, named as the value, in the order in which the
// values are read and written. The initial values are the defaults that the
// record and the window hold before anything is loaded.
struct TTFTPSettings {
  std::string TFTPRoot;
  std::int32_t TFTPPort = 1;  // 1 to 65535
  bool WriteLog = false;
  bool HighPriority = false;
  std::string LogDirectory;
  std::int32_t LogFileCount = 3;   // 0 to 65535
  std::int32_t DefaultRights = 0;  // rights index, stored as its code
  std::vector<TAccessRight> HostList;
  std::int32_t TFTPTimeout = 3;  // seconds, 1 to 180
  std::int32_t TFTPRetr = 3;     // 1 to 100
  bool AllowOverwrite = false;
  bool OpTimeout = true;
  bool OpBlocksize = true;
  bool OpTSize = true;
  bool FWEnabled = true;
  std::int32_t FWMinPort = 1024;   // 0 to 65535
  std::int32_t FWMaxPort = 65535;  // 0 to 65535
  std::int32_t LogLevel = 5;       // syslog severity 0 to 7, -1 for none chosen
  bool LocalTime = false;          // log timestamps in local time rather than UTC

  bool operator==(const TTFTPSettings&) const = default;
};

// Fills the record from the settings key. An absent or unreadable key leaves
// the record as it is and is no error. Every value is read even when an earlier
// one is bad: a bad value leaves its field as it was, and after the whole key
// has been read the first error is raised (common::ERegistryException, or
// common::EListError for a LogLevel outside -1 to 7). Numbers outside the
// window's range are clamped into it.
void LoadSettings(common::IRegistry& registry, TTFTPSettings& settings);

// Writes all nineteen values into the settings key, creating it when absent.
// A key that can be neither opened nor created raises
// common::ERegistryException naming the key and the system text of the
// failure (from systemText); a value that cannot be written raises
// "Failed to set data for '<name>'" and ends the save, earlier values staying
// written.
void SaveSettings(common::IRegistry& registry, const TTFTPSettings& settings,
                  const common::ISystemText& systemText);

}  // namespace palvex
