// Quenby's main window over the doubles: an in-memory registry, the simulated
// Service Control Manager, a fake clock, scripted message boxes and a computer
// named SRV1.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "doubles/fake_platform.h"
#include "doubles/map_system_text.h"
#include "doubles/memory_registry.h"
#include "doubles/scripted_dialogs.h"
#include "doubles/sim_service_manager.h"
#include "service_console/frmMain_u.h"

namespace quenby_test {

class FakeComputerName : public quenby::IComputerName {
 public:
  bool GetComputerNameA(char* buffer, std::uint32_t& size) override {
    sizes.push_back(size);
    if (!works || name.size() + 1 > size) return false;
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    size = static_cast<std::uint32_t>(name.size());
    return true;
  }
  std::string name = "SRV1";
  bool works = true;
  std::vector<std::uint32_t> sizes;
};

inline constexpr std::uint32_t kAccessDenied = 5;
inline constexpr std::uint32_t kRpcUnavailable = 1722;
inline const std::string kErrorOpening =
    "Error trying to perform specified action.\rError Message: ";

class QuenbyTest : public ::testing::Test {
 protected:
  void TearDown() override { services_u::MachineName.clear(); }

  void Register(std::initializer_list<std::string> names) {
    for (const auto& name : names)
      registry.PutSz(common::RegRoot::LocalMachine, quenby::kRegisteredServicesKey, name, "");
  }
  doubles::SimService& AddService(const std::string& name, const std::string& displayName,
                                  std::int32_t state, std::int32_t startType = 3) {
    doubles::SimService service;
    service.name = name;
    service.displayName = displayName;
    service.state = state;
    service.startType = startType;
    return scm.AddService(std::move(service));
  }
  // Registers Alpha (running) and starts the window on it.
  void StartOnAlpha(std::int32_t state = services_u::kStateRunning, std::int32_t startType = 3) {
    Register({"Alpha"});
    AddService("Alpha", "Alpha Agent", state, startType);
    form.FormCreate();
  }
  std::vector<bool> Enabled() const {
    std::vector<bool> enabled;
    for (auto* component : form.Components())
      if (auto* control = dynamic_cast<common::ui::TControl*>(component))
        enabled.push_back(control->Enabled());
    return enabled;
  }

  doubles::MemoryRegistry registry;
  doubles::SimServiceManager scm;
  doubles::FakeWaitPlatform clock;
  doubles::ScriptedDialogs dialogs;
  doubles::MapSystemText texts{{{kAccessDenied, "Access is denied.\r\n"},
                                {kRpcUnavailable, "The RPC server is unavailable.\r\n"}}};
  // The service operations' boxes go through a switch the tray watch turns off.
  common::TQuietableDialogs controlDialogs{dialogs};
  services_u::TServiceControl control{services_u::kQuenbyFrontEnd, scm, clock, controlDialogs,
                                      texts};
  quenby::TCLocaleUpperCase upper;
  FakeComputerName computer;
  quenby::TfrmMain form{{registry, scm, control, dialogs, upper, computer, &controlDialogs}};
};

}  // namespace quenby_test
