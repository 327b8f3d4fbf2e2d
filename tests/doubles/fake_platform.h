// A fake clock for the service wait: Sleep advances the tick counter by the time
// slept, so a wait runs instantly and its time-out is exact.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "common/wait_platform.h"

namespace doubles {

class FakeWaitPlatform : public common::IWaitPlatform {
 public:
  explicit FakeWaitPlatform(std::uint32_t startTick = 0) : tick(startTick) {}

  std::uint32_t TickCount() override {
    const std::uint32_t now = tick;
    tick += advancePerRead;
    return now;
  }
  void Sleep(std::uint32_t milliseconds) override {
    sleeps.push_back(milliseconds);
    tick += milliseconds;  // wraps at 2^32 like the real counter
  }
  void ProcessMessages() override {
    ++pumps;
    if (onPump) onPump();
  }

  std::uint32_t tick;
  // Time that passes from one reading of the counter to the next.
  std::uint32_t advancePerRead = 0;
  std::vector<std::uint32_t> sleeps;  // every sleep, in order
  int pumps = 0;
  // Runs inside each pump, as a message handler would; it may throw.
  std::function<void()> onPump;
};

}  // namespace doubles
