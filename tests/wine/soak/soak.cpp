// ./dev soak [CYCLES]: drives Quenby and Palvex under Wine as a user would, the
// given number of rounds each (default 20), and prints per program the rounds,
// the failures and the process's handle, GDI and USER object counts after a
// warm-up and at the end. Ends with 1 on any failure, or when a count grew by
// more than a few objects after the warm-up.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/wine/soak/soak.h"

namespace soak {

void KeepHighest(ProcessCounts& highest, const ProcessCounts& counts) {
  highest.handles = std::max(highest.handles, counts.handles);
  highest.gdi = std::max(highest.gdi, counts.gdi);
  highest.user = std::max(highest.user, counts.user);
}

void Progress(const std::string& program, int round, int rounds) {
  if (rounds >= 100 && round % 100 == 0) {
    std::printf("%s: %d of %d\n", program.c_str(), round, rounds);
    std::fflush(stdout);
  }
}

}  // namespace soak

namespace {

// Rounds before the first reading: the programs build their caches (fonts,
// pictures, the shell's icon) in the first rounds.
constexpr int kWarmUpRounds = 5;
// Growth after the warm-up that is taken for noise, not for a leak.
constexpr long kTolerance = 8;

std::string CountsText(const soak::ProcessCounts& counts) {
  auto one = [](long n) { return n < 0 ? std::string("not read") : std::to_string(n); };
  return "handles " + one(counts.handles) + ", GDI " + one(counts.gdi) + ", USER " +
         one(counts.user);
}

// Prints the report; whether it passes.
bool Print(const soak::ProgramReport& report, int warmUp) {
  const char* name = report.program.c_str();
  for (const std::string& line : report.work) std::printf("%s: %s\n", name, line.c_str());
  std::printf("%s: %d failures\n", name, report.failures);
  for (const std::string& text : report.failureTexts) std::printf("%s:   %s\n", name, text.c_str());
  bool passed = report.failures == 0;
  if (!report.counted) {
    std::printf("%s: no counts read\n", name);
    return false;
  }
  std::printf("%s: counts of %s\n", name, report.countedProcess.c_str());
  std::printf("%s: after %d warm-up rounds: %s\n", name, warmUp, CountsText(report.warm).c_str());
  std::printf("%s: at the end:            %s\n", name, CountsText(report.end).c_str());
  std::printf("%s: highest after warm-up: %s\n", name, CountsText(report.highest).c_str());
  const struct {
    const char* what;
    long warm, end;
  } counts[] = {{"handles", report.warm.handles, report.end.handles},
                {"GDI objects", report.warm.gdi, report.end.gdi},
                {"USER objects", report.warm.user, report.end.user}};
  for (const auto& c : counts) {
    if (c.warm < 0 || c.end < 0) {
      std::printf("%s: FAILED: %s not read\n", name, c.what);
      passed = false;
    } else if (c.end - c.warm > kTolerance) {
      std::printf("%s: FAILED: %s grew by %ld after the warm-up (more than %ld)\n", name, c.what,
                  c.end - c.warm, kTolerance);
      passed = false;
    }
  }
  return passed;
}

}  // namespace

int main(int argc, char** argv) {
  int cycles = 20;
  if (argc > 1) {
    char* end = nullptr;
    const long value = std::strtol(argv[1], &end, 10);
    if (*end != '\0' || value < 1 || value > 1000000) {
      std::fprintf(stderr, "usage: soak.exe [CYCLES]\n");
      return 2;
    }
    cycles = static_cast<int>(value);
  }
  const int warmUp = std::min(kWarmUpRounds, cycles);
  std::printf("soak: %d cycles, counts read after %d warm-up rounds\n", cycles, warmUp);
  std::fflush(stdout);

  const DWORD started = GetTickCount();
  const soak::ProgramReport quenby = soak::RunQuenby(cycles, warmUp);
  const DWORD quenbyMs = GetTickCount() - started;
  const bool quenbyPassed = Print(quenby, warmUp);
  std::printf("quenby: %.1f s\n", quenbyMs / 1000.0);
  std::fflush(stdout);

  const soak::ProgramReport palvex = soak::RunPalvex(cycles, warmUp);
  const bool palvexPassed = Print(palvex, warmUp);
  std::printf("palvex: %.1f s\n", (GetTickCount() - started - quenbyMs) / 1000.0);
  std::printf("counts from %s\n", soak::Sources().c_str());
  const bool passed = quenbyPassed && palvexPassed;
  std::printf("soak: %s\n", passed ? "passed" : "FAILED");
  return passed ? 0 : 1;
}
