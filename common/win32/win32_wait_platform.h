// The service wait's clock, sleep and message pump over kernel32 and user32.
#pragma once

#include "common/wait_platform.h"

namespace common::win32 {

class Win32WaitPlatform : public IWaitPlatform {
 public:
  std::uint32_t TickCount() override;
  void Sleep(std::uint32_t milliseconds) override;
  // Dispatches the calling thread's pending messages until its queue is empty.
  // A quit message is put back and ends the pass, so that the program's own
  // message loop still sees it.
  void ProcessMessages() override;
};

}  // namespace common::win32
