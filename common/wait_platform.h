// The clock, sleep and message pump that the service wait needs.
#pragma once

#include <cstdint>

namespace common {

class IWaitPlatform {
 public:
  virtual ~IWaitPlatform() = default;
  // Milliseconds since system start, wrapping at 2^32.
  virtual std::uint32_t TickCount() = 0;
  virtual void Sleep(std::uint32_t milliseconds) = 0;
  // Processes every message pending in the calling thread's queue, then returns.
  virtual void ProcessMessages() = 0;
};

}  // namespace common
