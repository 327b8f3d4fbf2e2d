// Cost of one rebuild of Quenby's service list: EnumServices over 10,000
// simulated services delivered in batches, with 20 registered names.
#include <benchmark/benchmark.h>

#include <string>

#include "doubles/fake_platform.h"
#include "doubles/map_system_text.h"
#include "doubles/memory_registry.h"
#include "doubles/scripted_dialogs.h"
#include "doubles/sim_service_manager.h"
#include "service_console/frmMain_u.h"

namespace {

class BenchComputerName : public quenby::IComputerName {
 public:
  bool GetComputerNameA(char* buffer, std::uint32_t& size) override {
    buffer[0] = '\0';
    size = 0;
    return true;
  }
};

void BM_EnumServices(benchmark::State& state) {
  constexpr int kServices = 10'000;
  constexpr int kRegistered = 20;
  doubles::MemoryRegistry registry;
  doubles::SimServiceManager scm;
  doubles::FakeWaitPlatform clock;
  doubles::ScriptedDialogs dialogs;
  doubles::MapSystemText texts;
  services_u::TServiceControl control{services_u::kQuenbyFrontEnd, scm, clock, dialogs, texts};
  quenby::TCLocaleUpperCase upper;
  BenchComputerName computer;

  for (int i = 0; i < kServices; ++i) {
    doubles::SimService service;
    service.name = "Service" + std::to_string(i);
    service.displayName = "Service number " + std::to_string(i);
    service.state = 1 + i % 7;
    scm.AddService(std::move(service));
  }
  // Registered names spread over the enumeration, in another letter case.
  for (int i = 0; i < kRegistered; ++i)
    registry.PutSz(common::RegRoot::LocalMachine, quenby::kRegisteredServicesKey,
                   "SERVICE" + std::to_string((i * 7919) % kServices), "");
  scm.SetEnumBatchLimit(static_cast<std::size_t>(state.range(0)));

  quenby::TfrmMain form{{registry, scm, control, dialogs, upper, computer}};
  form.FormCreate();
  if (form.ListedServices().size() != kRegistered) state.SkipWithError("names not matched");
  for (auto _ : state) {
    benchmark::DoNotOptimize(form.EnumServices());
    scm.ClearLogs();
  }
  state.counters["batches"] = static_cast<double>(kServices / state.range(0));
}
BENCHMARK(BM_EnumServices)->Arg(500)->Arg(2'000)->Unit(benchmark::kMicrosecond);

}  // namespace
