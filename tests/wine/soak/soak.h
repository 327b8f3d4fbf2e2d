// The soak: the real programs driven round after round as a user drives them,
// with their failures counted and their object counts watched.
#pragma once

#include <string>
#include <vector>

#include "tests/wine/soak/process_counts.h"

namespace soak {

// What one program's soak did and saw.
struct ProgramReport {
  std::string program;
  std::vector<std::string> work;  // one line per kind of round, with its number
  int failures = 0;
  std::vector<std::string> failureTexts;  // the first few, for the log
  // Counts of the long-lived process: after the warm-up rounds, at the end, and
  // the highest of any round in between.
  ProcessCounts warm, end, highest;
  bool counted = false;
  std::string countedProcess;  // which run of the program the counts are of

  void Fail(const std::string& text) {
    ++failures;
    if (failureTexts.size() < 10) failureTexts.push_back(text);
  }
};

// Raises `highest` to `counts` where `counts` is higher.
void KeepHighest(ProcessCounts& highest, const ProcessCounts& counts);

// Prints a progress line now and then during a long run.
void Progress(const std::string& program, int round, int rounds);

// Quenby: `cycles` rounds of Refresh with a changed server field, then Stop,
// Start, Pause and Continue on a stand-in service through the window, each
// followed by a minimise to the notification area and a restore by a
// double-click on its icon. The counts are read after `warmUp` rounds.
ProgramReport RunQuenby(int cycles, int warmUp);

// Palvex: `cycles` rounds of open, change a number, a box and a rule through
// the rule dialog, OK, No to the restart, and close, each checked against the
// registry; then one window in which the rule dialog is opened and closed
// `cycles` times, with the counts read after `warmUp` of them.
ProgramReport RunPalvex(int cycles, int warmUp);

}  // namespace soak
