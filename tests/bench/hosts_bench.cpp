// Cost of the HostList writer and reader as the rule list grows, and of one
// settings load and save over the in-memory registry.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "config_editor/accessrights_u.h"
#include "config_editor/settings_u.h"
#include "doubles/memory_registry.h"

namespace {

std::vector<palvex::TAccessRight> MakeRules(std::int64_t count) {
  std::vector<palvex::TAccessRight> rules;
  rules.reserve(static_cast<std::size_t>(count));
  for (std::int64_t i = 0; i < count; ++i) {
    const std::string net = std::to_string(10 + i / 65536 % 200) + "." +
                            std::to_string(i / 256 % 256) + "." + std::to_string(i % 256);
    rules.push_back({net + ".0", i % 2 ? "255.255.255.255" : "255.255.255.0",
                     static_cast<std::int32_t>(i % 4)});
  }
  return rules;
}

void BM_SaveHosts(benchmark::State& state) {
  const auto rules = MakeRules(state.range(0));
  std::size_t bytes = 0;
  for (auto _ : state) {
    std::string text = palvex::SaveHosts(rules);
    bytes = text.size();
    benchmark::DoNotOptimize(text);
  }
  state.SetComplexityN(state.range(0));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_SaveHosts)->Arg(1'000)->Arg(10'000)->Arg(100'000)->Complexity(benchmark::oN);

void BM_LoadHosts(benchmark::State& state) {
  const std::string text = palvex::SaveHosts(MakeRules(state.range(0)));
  for (auto _ : state) {
    auto rules = palvex::LoadHosts(text);
    benchmark::DoNotOptimize(rules);
  }
  state.SetComplexityN(state.range(0));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_LoadHosts)->Arg(1'000)->Arg(10'000)->Arg(100'000)->Complexity(benchmark::oN);

class NoTexts : public common::ISystemText {
 public:
  std::string RawMessage(std::uint32_t) const override { return {}; }
};

// One load and one save of the whole key, with a rule list of the given size.
void BM_LoadAndSaveSettings(benchmark::State& state) {
  doubles::MemoryRegistry registry;
  const NoTexts texts;
  palvex::TTFTPSettings stored;
  stored.HostList = MakeRules(state.range(0));
  palvex::SaveSettings(registry, stored, texts);
  for (auto _ : state) {
    palvex::TTFTPSettings settings;
    palvex::LoadSettings(registry, settings);
    palvex::SaveSettings(registry, settings, texts);
    benchmark::DoNotOptimize(settings);
  }
}
BENCHMARK(BM_LoadAndSaveSettings)->Arg(0)->Arg(10)->Arg(10'000);

}  // namespace
