// What the built palvex.exe and quenby.exe declare to Windows, read back the
// way the system reads it: the activation context made from each program's
// manifest (run level, supported systems, DPI awareness, common controls), the
// start of the program by CreateProcess, and the version functions over its
// version block.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "common/win32/handles_win32.h"
#include "tests/wine/wine_test_support.h"

namespace {

using common::win32::UniqueHandle;
using common::win32::UniqueKernelHandle;
using UniqueActCtx = UniqueHandle<HANDLE, &ReleaseActCtx>;

struct Program {
  const char* name;
  const char* unixPath;
  ACTCTX_REQUESTED_RUN_LEVEL runLevel;
};

const Program kPrograms[] = {
    {"palvex", PALVEX_EXE, ACTCTX_RUN_LEVEL_REQUIRE_ADMIN},
    {"quenby", QUENBY_EXE, ACTCTX_RUN_LEVEL_HIGHEST_AVAILABLE},
};

std::wstring Wide(const std::string& text) {
  std::wstring wide(text.size() + 1, L'\0');
  const int n =
      MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
  wide.resize(n > 0 ? static_cast<std::size_t>(n - 1) : 0);
  return wide;
}

std::wstring PathOf(const Program& program) {
  return Wide(wine_test::WindowsPath(program.unixPath));
}

// The activation context of the manifest that the loader uses for a program:
// its resource 1 (CREATEPROCESS_MANIFEST_RESOURCE_ID).
UniqueActCtx ContextOf(const Program& program) {
  const std::wstring path = PathOf(program);
  ACTCTXW request{};
  request.cbSize = sizeof(request);
  request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
  request.lpSource = path.c_str();
  request.lpResourceName = MAKEINTRESOURCEW(1);
  const HANDLE context = CreateActCtxW(&request);
  return UniqueActCtx(context == INVALID_HANDLE_VALUE ? nullptr : context);
}

// A setting of the manifest's windowsSettings in `ns`; "<none>" when absent.
std::wstring Setting(HANDLE context, const wchar_t* ns, const wchar_t* name) {
  wchar_t value[128] = {};
  SIZE_T written = 0;
  if (!QueryActCtxSettingsW(0, context, ns, name, value, std::size(value), &written))
    return L"<none>";
  return value;
}

std::string GuidText(const GUID& id) {
  char text[40];
  std::snprintf(text, sizeof(text), "%08lx-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x",
                static_cast<unsigned long>(id.Data1), id.Data2, id.Data3, id.Data4[0], id.Data4[1],
                id.Data4[2], id.Data4[3], id.Data4[4], id.Data4[5], id.Data4[6], id.Data4[7]);
  return text;
}

struct CompatibilityElement {
  GUID id;
  DWORD type;
};

// The entries of a compatibility query's answer. Its layout depends on the
// system: a count, then entries of a GUID and a type (20 bytes each, older
// systems), or entries that also hold the highest version tested, aligned to 8
// bytes (32 bytes each, later releases of Windows 10 and Wine 8); MinGW's
// headers describe only the first.
std::vector<CompatibilityElement> CompatibilityElements(const std::vector<BYTE>& answer,
                                                        SIZE_T size) {
  std::vector<CompatibilityElement> elements;
  if (size < sizeof(DWORD) || size > answer.size()) return elements;
  DWORD count = 0;
  std::memcpy(&count, answer.data(), sizeof(count));
  std::size_t offset = 0, stride = 0;
  if (size == 8 + 32 * std::size_t{count}) {
    offset = 8;
    stride = 32;
  } else if (size == 4 + 20 * std::size_t{count}) {
    offset = 4;
    stride = 20;
  } else {
    ADD_FAILURE() << "compatibility answer of " << size << " bytes for " << count << " entries";
    return elements;
  }
  for (DWORD i = 0; i < count; ++i) {
    CompatibilityElement element{};
    std::memcpy(&element.id, answer.data() + offset + i * stride, sizeof(GUID));
    std::memcpy(&element.type, answer.data() + offset + i * stride + sizeof(GUID), sizeof(DWORD));
    elements.push_back(element);
  }
  return elements;
}

TEST(ProgramManifest, RunLevelIsTheProgramsOwnAndWithoutUiAccess) {
  for (const Program& program : kPrograms) {
    SCOPED_TRACE(program.name);
    const UniqueActCtx context = ContextOf(program);
    ASSERT_TRUE(context) << GetLastError();
    ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION level{};
    ASSERT_TRUE(QueryActCtxW(0, context.get(), nullptr, RunlevelInformationInActivationContext,
                             &level, sizeof(level), nullptr))
        << GetLastError();
    EXPECT_EQ(level.RunLevel, program.runLevel);
    EXPECT_EQ(level.UiAccess, 0u);
  }
}

TEST(ProgramManifest, SupportsWindows7To11) {
  const std::set<std::string> expected = {
      "35138b9a-5d96-4fbd-8e2d-a2440225f93a",  // Windows 7
      "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38",  // Windows 8
      "1f676c76-80e1-4239-95bb-83d0f6d0da78",  // Windows 8.1
      "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a",  // Windows 10 and 11
  };
  for (const Program& program : kPrograms) {
    SCOPED_TRACE(program.name);
    const UniqueActCtx context = ContextOf(program);
    ASSERT_TRUE(context) << GetLastError();
    SIZE_T size = 0;
    QueryActCtxW(0, context.get(), nullptr, CompatibilityInformationInActivationContext, nullptr, 0,
                 &size);
    ASSERT_GE(size, sizeof(DWORD));
    std::vector<BYTE> buffer(size);
    ASSERT_TRUE(QueryActCtxW(0, context.get(), nullptr, CompatibilityInformationInActivationContext,
                             buffer.data(), buffer.size(), &size))
        << GetLastError();
    std::set<std::string> systems;
    for (const CompatibilityElement& element : CompatibilityElements(buffer, size))
      if (element.type == ACTCTX_COMPATIBILITY_ELEMENT_TYPE_OS)
        systems.insert(GuidText(element.id));
    EXPECT_EQ(systems, expected);
  }
}

TEST(ProgramManifest, PerMonitorV2DpiAwarenessWithTheOlderFormsBehind) {
  for (const Program& program : kPrograms) {
    SCOPED_TRACE(program.name);
    const UniqueActCtx context = ContextOf(program);
    ASSERT_TRUE(context) << GetLastError();
    EXPECT_EQ(Setting(context.get(), L"http://schemas.microsoft.com/SMI/2016/WindowsSettings",
                      L"dpiAwareness"),
              L"PerMonitorV2, PerMonitor");
    EXPECT_EQ(Setting(context.get(), L"http://schemas.microsoft.com/SMI/2005/WindowsSettings",
                      L"dpiAware"),
              L"true/pm");
    // Each form is read in its own namespace only.
    EXPECT_EQ(Setting(context.get(), L"http://schemas.microsoft.com/SMI/2005/WindowsSettings",
                      L"dpiAwareness"),
              L"<none>");
  }
}

TEST(ProgramManifest, DependsOnCommonControls6) {
  for (const Program& program : kPrograms) {
    SCOPED_TRACE(program.name);
    const UniqueActCtx context = ContextOf(program);
    ASSERT_TRUE(context) << GetLastError();
    // The program's own assembly is index 1, its dependencies follow.
    bool found = false;
    for (DWORD index = 2; !found; ++index) {
      SIZE_T size = 0;
      QueryActCtxW(0, context.get(), &index, AssemblyDetailedInformationInActivationContext,
                   nullptr, 0, &size);
      if (size == 0) break;
      std::vector<std::uint64_t> buffer(size / sizeof(std::uint64_t) + 1);
      ASSERT_TRUE(QueryActCtxW(0, context.get(), &index,
                               AssemblyDetailedInformationInActivationContext, buffer.data(),
                               buffer.size() * sizeof(std::uint64_t), &size));
      const auto* assembly =
          reinterpret_cast<const ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION*>(buffer.data());
      const std::wstring identity(assembly->lpAssemblyEncodedAssemblyIdentity,
                                  assembly->ulEncodedAssemblyIdentityLength / sizeof(wchar_t));
      found = identity.find(L"Microsoft.Windows.Common-Controls") != std::wstring::npos &&
              identity.find(L"version=\"6.") != std::wstring::npos;
    }
    EXPECT_TRUE(found);
  }
}

// CreateProcess reads the run level before it starts anything: a program that
// asks for rights its caller lacks fails there with ERROR_ELEVATION_REQUIRED. The
// tests (and the administrators who use the programs) start them this way.
TEST(ProgramManifest, CreateProcessStartsBothProgramsForAnAdministrator) {
  for (const Program& program : kPrograms) {
    SCOPED_TRACE(program.name);
    std::wstring commandLine = L"\"" + PathOf(program) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    // Suspended: the process exists, the program's own code never runs.
    ASSERT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                               CREATE_SUSPENDED, nullptr, nullptr, &startup, &started))
        << GetLastError();
    const UniqueKernelHandle process(started.hProcess), thread(started.hThread);
    EXPECT_EQ(WaitForSingleObject(process.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    TerminateProcess(process.get(), 0);
    EXPECT_EQ(WaitForSingleObject(process.get(), 10000), WAIT_OBJECT_0);
  }
}

// A version block read with the version functions.
class VersionBlock {
 public:
  explicit VersionBlock(const Program& program) {
    const std::wstring path = PathOf(program);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return;
    data_.resize(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, data_.data())) data_.clear();
  }
  bool Read() const { return !data_.empty(); }

  // "major.minor.build.revision" of the fixed part's file or product version.
  std::string Fixed(bool product) const {
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data_.data(), L"\\", &value, &length) || length < sizeof(VS_FIXEDFILEINFO))
      return "<none>";
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    const DWORD ms = product ? fixed->dwProductVersionMS : fixed->dwFileVersionMS;
    const DWORD ls = product ? fixed->dwProductVersionLS : fixed->dwFileVersionLS;
    return std::to_string(HIWORD(ms)) + "." + std::to_string(LOWORD(ms)) + "." +
           std::to_string(HIWORD(ls)) + "." + std::to_string(LOWORD(ls));
  }

  // A string of the first translation's table, as 8-bit text; "<none>" when absent.
  std::string Text(const wchar_t* key) const {
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data_.data(), L"\\VarFileInfo\\Translation", &value, &length) || length < 4)
      return "<none>";
    const auto* pair = static_cast<const WORD*>(value);
    wchar_t query[64];
    swprintf(query, std::size(query), L"\\StringFileInfo\\%04X%04X\\%ls", pair[0], pair[1], key);
    if (!VerQueryValueW(data_.data(), query, &value, &length)) return "<none>";
    std::string text;
    for (const wchar_t* c = static_cast<const wchar_t*>(value); *c != L'\0'; ++c)
      text += *c < 0x80 ? static_cast<char>(*c) : '?';
    return text;
  }

 private:
  std::vector<BYTE> data_;
};

// PROJECT_VERSION comes straight from project() in the top CMakeLists.txt.
TEST(ProgramVersion, BothFileVersionsAreTheProjectVersion) {
  for (const Program& program : kPrograms) {
    SCOPED_TRACE(program.name);
    const VersionBlock block(program);
    ASSERT_TRUE(block.Read()) << GetLastError();
    EXPECT_EQ(block.Fixed(false), PROJECT_VERSION ".0");
  }
}

TEST(ProgramVersion, PalvexNamesItselfAndItsMaker) {
  const VersionBlock block(kPrograms[0]);
  ASSERT_TRUE(block.Read()) << GetLastError();
  EXPECT_EQ(block.Text(L"ProductName"), "Palvex");
  EXPECT_EQ(block.Text(L"CompanyName"), "Corvanti");
  EXPECT_EQ(block.Text(L"InternalName"), "Palvex");
  EXPECT_EQ(block.Text(L"OriginalFilename"), "palvex.exe");
  EXPECT_EQ(block.Text(L"FileVersion"), PROJECT_VERSION ".0");
  EXPECT_EQ(block.Text(L"ProductVersion"), PROJECT_VERSION ".0");
  EXPECT_EQ(block.Fixed(true), PROJECT_VERSION ".0");
  EXPECT_NE(block.Text(L"LegalCopyright").find("Corvanti"), std::string::npos);
  EXPECT_NE(block.Text(L"FileDescription"), "<none>");
  EXPECT_NE(block.Text(L"FileDescription"), "");
}

// Quenby's About box shows its strings: they do not follow the project's version.
TEST(ProgramVersion, QuenbysStringsAndProductVersionStayAsTheyWere) {
  const VersionBlock block(kPrograms[1]);
  ASSERT_TRUE(block.Read()) << GetLastError();
  EXPECT_EQ(block.Text(L"ProductName"), "Quenby");
  EXPECT_EQ(block.Text(L"FileVersion"), "2.0.0.0");
  EXPECT_EQ(block.Text(L"ProductVersion"), "1.0.0.0");
  EXPECT_EQ(block.Text(L"CompanyName"), "");
  EXPECT_EQ(block.Fixed(true), "2.0.0.0");
}

}  // namespace
