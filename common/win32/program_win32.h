// The running program's own files.
#pragma once

#include <string>

namespace common::win32 {

// The directory of the running program's executable, with its trailing backslash.
std::string ExecutableDirectory();
// The full path of the running program's executable, in ANSI.
std::string ExecutableFileName();

}  // namespace common::win32
