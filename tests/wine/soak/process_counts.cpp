#include "tests/wine/soak/process_counts.h"

#include <winternl.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "common/win32/handles_win32.h"

namespace soak {
namespace {

using common::win32::UniqueKernelHandle;

std::string g_sources;

// ---- Kernel handles from the system's handle list (the extended form).

constexpr ULONG kSystemExtendedHandleInformation = 64;
constexpr NTSTATUS kStatusInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004L);

struct HandleListEntry {
  void* object;
  ULONG_PTR processId;
  ULONG_PTR handleValue;
  ULONG grantedAccess;
  USHORT creatorBackTraceIndex;
  USHORT objectTypeIndex;
  ULONG handleAttributes;
  ULONG reserved;
};

struct HandleListHead {
  ULONG_PTR count;
  ULONG_PTR reserved;
};

long HandlesFromSystemList(DWORD pid) {
  std::vector<std::uint8_t> buffer(256 * 1024);
  for (int attempt = 0; attempt < 8; ++attempt) {
    ULONG needed = 0;
    const NTSTATUS status = NtQuerySystemInformation(
        static_cast<SYSTEM_INFORMATION_CLASS>(kSystemExtendedHandleInformation), buffer.data(),
        static_cast<ULONG>(buffer.size()), &needed);
    if (status == kStatusInfoLengthMismatch) {
      buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed + 4096));
      continue;
    }
    if (status != 0 || buffer.size() < sizeof(HandleListHead)) return -1;
    HandleListHead head{};
    std::memcpy(&head, buffer.data(), sizeof head);
    const std::size_t room = (buffer.size() - sizeof head) / sizeof(HandleListEntry);
    const std::size_t count = std::min<std::size_t>(head.count, room);
    long owned = 0;
    for (std::size_t i = 0; i < count; ++i) {
      HandleListEntry entry{};
      std::memcpy(&entry, buffer.data() + sizeof head + i * sizeof entry, sizeof entry);
      if (entry.processId == pid) ++owned;
    }
    return owned;
  }
  return -1;
}

// ---- GDI objects from the process's GDI handle table.
//
// The table that the PEB's GdiSharedHandleTable points to holds 65536 entries
// of 24 bytes: the object (8 bytes), the owner (4), the unique word (2: type
// bits and the stock flag 0x80 in its low byte, then a generation), the type
// byte (0 for a free entry) and a flags byte, then a user pointer (8). Wine
// keeps this table in the process itself and fills it for every GDI object of
// the process; the stock objects carry the stock flag and are not counted, as
// the system does not count them for a process either.

constexpr std::size_t kGdiEntries = 0x10000;
constexpr std::size_t kGdiEntrySize = 24;
constexpr std::size_t kPebGdiTableOffset = 0xF8;  // 64-bit PEB

long GdiFromHandleTable(HANDLE process) {
  PROCESS_BASIC_INFORMATION basic{};
  ULONG length = 0;
  if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic, &length) !=
          0 ||
      basic.PebBaseAddress == nullptr)
    return -1;
  std::uint64_t table = 0;
  SIZE_T read = 0;
  if (!ReadProcessMemory(
          process, reinterpret_cast<const std::uint8_t*>(basic.PebBaseAddress) + kPebGdiTableOffset,
          &table, sizeof table, &read) ||
      table == 0)
    return -1;
  std::vector<std::uint8_t> entries(kGdiEntries * kGdiEntrySize);
  if (!ReadProcessMemory(process, reinterpret_cast<const void*>(static_cast<std::uintptr_t>(table)),
                         entries.data(), entries.size(), &read) ||
      read != entries.size())
    return -1;
  long used = 0;
  for (std::size_t i = 0; i < kGdiEntries; ++i) {
    const std::uint8_t* entry = entries.data() + i * kGdiEntrySize;
    const bool stock = (entry[12] & 0x80) != 0;
    const bool inUse = entry[14] != 0;
    if (inUse && !stock) ++used;
  }
  return used;
}

// ---- USER objects: the windows of the process, top-level (shown or not),
// their descendants and message-only windows.

struct WindowCount {
  DWORD pid;
  long count;
};

BOOL CALLBACK CountChild(HWND window, LPARAM data) {
  auto* count = reinterpret_cast<WindowCount*>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == count->pid) ++count->count;
  return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM data) {
  CountChild(window, data);
  EnumChildWindows(window, CountChild, data);  // every descendant, at any depth
  return TRUE;
}

long WindowsOf(DWORD pid) {
  WindowCount count{pid, 0};
  EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&count));
  for (HWND window = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); window != nullptr;
       window = FindWindowExW(HWND_MESSAGE, window, nullptr, nullptr))
    CountTopLevel(window, reinterpret_cast<LPARAM>(&count));
  return count.count;
}

}  // namespace

ProcessCounts ReadProcessCounts(DWORD pid) {
  ProcessCounts counts;
  const UniqueKernelHandle process(
      OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
  if (!process) return counts;
  std::string sources;

  DWORD handles = 0;
  if (GetProcessHandleCount(process.get(), &handles) && handles > 0) {
    counts.handles = static_cast<long>(handles);
    sources = "handles: GetProcessHandleCount";
  } else {
    counts.handles = HandlesFromSystemList(pid);
    sources = "handles: the system's handle list";
  }

  SetLastError(ERROR_SUCCESS);
  const DWORD gdi = GetGuiResources(process.get(), GR_GDIOBJECTS);
  if (gdi > 0 || GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) {
    counts.gdi = static_cast<long>(gdi);
    sources += ", GDI: GetGuiResources";
  } else {
    counts.gdi = GdiFromHandleTable(process.get());
    sources += ", GDI: the process's GDI handle table";
  }

  SetLastError(ERROR_SUCCESS);
  const DWORD user = GetGuiResources(process.get(), GR_USEROBJECTS);
  if (user > 0 || GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) {
    counts.user = static_cast<long>(user);
    sources += ", USER: GetGuiResources";
  } else {
    counts.user = WindowsOf(pid);
    sources += ", USER: its windows (GetGuiResources is not implemented here)";
  }
  g_sources = sources;
  return counts;
}

std::string Sources() {
  return g_sources;
}

}  // namespace soak
