// The registry seam over the Windows registry (ANSI entry points).
#pragma once

#include "common/registry.h"

namespace common::win32 {

class Win32Registry : public IRegistry {
 public:
  RegOpenResult OpenRead(RegRoot root, std::string_view path) override;
  RegOpenResult OpenWrite(RegRoot root, std::string_view path) override;
};

}  // namespace common::win32
