// The object counts of another process that a soak watches for growth: its
// kernel handles, its GDI objects and its USER objects.
#pragma once

#include <windows.h>

#include <string>

namespace soak {

struct ProcessCounts {
  long handles = -1;  // -1: could not be read
  long gdi = -1;
  long user = -1;
};

// Reads the counts of the process `pid`. The system's own queries come first:
// GetProcessHandleCount and GetGuiResources (GR_GDIOBJECTS, GR_USEROBJECTS).
// Where they are not implemented (Wine 8 answers 0 to the first and fails the
// second with ERROR_CALL_NOT_IMPLEMENTED) the counts come from elsewhere, as
// `Sources()` names: the system's handle list, the process's GDI handle table,
// and its windows in place of all USER objects.
ProcessCounts ReadProcessCounts(DWORD pid);

// Where the counts of the last ReadProcessCounts came from, e.g.
// "handles: GetProcessHandleCount, GDI: GetGuiResources, USER: GetGuiResources".
std::string Sources();

}  // namespace soak
