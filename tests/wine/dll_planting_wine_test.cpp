// DLL planting under Wine: a DLL named like one that a program's process
// loads, put beside a copy of the program, must never be loaded on the
// program's behalf, neither through its import table nor by its own
// LoadLibrary calls.
//
// A first run lists the DLLs that the process loads. Then, for each one that
// is not a known DLL, a run plants the marker DLL (dll_marker.cpp) under its
// name and has Wine take it native-first ("n,b"): Wine then searches like
// Windows, the program's folder first, where it otherwise prefers its builtin
// DLLs. The marker records who asked the loader for it. Some of Wine's own DLLs
// load others before the program's first statement (user32 loads version.dll,
// comctl32 uxtheme.dll, uxtheme msimg32.dll) or on their own later: those
// loads are Wine's, and the marker names the Wine module.
#include <windows.h>

#include <gtest/gtest.h>
#include <psapi.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "common/win32/handles_win32.h"
#include "tests/wine/pe_imports.h"
#include "tests/wine/wine_test_support.h"

namespace {

namespace fs = std::filesystem;
using common::win32::UniqueKernelHandle;
using common::win32::UniqueModule;
using wine_test::WaitUntil;
using wine_test::WindowsPath;

// The values of HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\KnownDLLs
// on 64-bit Windows 10: the loader takes these from the system folder whatever
// lies beside a program.
const char* const kKnownDlls[] = {
    "advapi32.dll", "clbcatq.dll",  "combase.dll",  "comdlg32.dll", "coml2.dll",    "difxapi.dll",
    "gdi32.dll",    "gdiplus.dll",  "imagehlp.dll", "imm32.dll",    "kernel32.dll", "msctf.dll",
    "msvcrt.dll",   "normaliz.dll", "nsi.dll",      "ole32.dll",    "oleaut32.dll", "psapi.dll",
    "rpcrt4.dll",   "sechost.dll",  "setupapi.dll", "shcore.dll",   "shell32.dll",  "shlwapi.dll",
    "user32.dll",   "wldap32.dll",  "wow64.dll",    "wow64cpu.dll", "wow64win.dll", "ws2_32.dll",
};
// The loader's own modules, in every process before its imports: ntdll mapped
// by the system, kernelbase imported by kernel32. The marker itself runs on them.
const char* const kLoaderDlls[] = {"ntdll.dll", "kernelbase.dll"};
// The common controls come through the programs' manifests, from WinSxS.
constexpr char kCommonControls[] = "comctl32.dll";

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  });
  return text;
}

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsKnownDll(const std::string& name) {
  const std::string lower = Lower(name);
  const auto is = [&](const char* known) { return lower == known; };
  return std::any_of(std::begin(kKnownDlls), std::end(kKnownDlls), is) ||
         std::any_of(std::begin(kLoaderDlls), std::end(kLoaderDlls), is);
}

// The name Wine's DLL overrides know a DLL by: its file name, less ".dll".
std::string OverrideName(const std::string& file) {
  const std::string lower = Lower(file);
  return lower.size() > 4 && lower.ends_with(".dll") ? lower.substr(0, lower.size() - 4) : lower;
}

struct Program {
  const char* name;
  const char* exe;
  const char* caption;  // of its main window
  bool opensAbout;      // Quenby: its About dialog reads the version block
  const char* library;  // the DLL it loads itself, from the system folder
};

const Program kPrograms[] = {
    {"palvex", PALVEX_EXE, "TFTP Service Configuration", false, "HHCtrl.OCX"},
    {"quenby", QUENBY_EXE, "Quenby", true, "version.dll"},
};

// A visible top-level window of a process: with the caption if one is given,
// else any that has a No button (a message box asking a question).
HWND FindWindowOf(DWORD processId, const char* caption) {
  struct Request {
    DWORD processId;
    const char* caption;
    HWND found;
  } request{processId, caption, nullptr};
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto& r = *reinterpret_cast<Request*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner != r.processId || !IsWindowVisible(window)) return TRUE;
        char text[256] = {};
        GetWindowTextA(window, text, sizeof text);
        const bool match = r.caption != nullptr ? std::string_view(text) == r.caption
                                                : GetDlgItem(window, IDNO) != nullptr;
        if (!match) return TRUE;
        r.found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&request));
  return request.found;
}

// The paths of the modules loaded in a process.
std::vector<std::string> Modules(HANDLE process) {
  std::vector<HMODULE> modules(512);
  DWORD needed = 0;
  if (!EnumProcessModulesEx(process, modules.data(),
                            static_cast<DWORD>(modules.size() * sizeof(HMODULE)), &needed,
                            LIST_MODULES_ALL))
    return {};
  modules.resize(std::min<std::size_t>(modules.size(), needed / sizeof(HMODULE)));
  std::vector<std::string> paths;
  for (HMODULE module : modules) {
    char path[MAX_PATH] = {};
    if (GetModuleFileNameExA(process, module, path, sizeof path) != 0) paths.emplace_back(path);
  }
  return paths;
}

// Runs a program with a DLL native-first: Wine's per-program overrides,
// HKCU\Software\Wine\AppDefaults\<exe>\DllOverrides, for as long as it lives.
// (A program started by a Wine program takes WINEDLLOVERRIDES from the Unix
// environment Wine started with, whatever the environment block says.)
class NativeFirst {
 public:
  NativeFirst(const std::string& exeName, const std::string& dll)
      : key_("Software\\Wine\\AppDefaults\\" + exeName) {
    const std::string overrides = key_ + "\\DllOverrides";
    HKEY raw = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, overrides.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                        &raw, nullptr) != ERROR_SUCCESS)
      return;
    const common::win32::UniqueKey key(raw);
    const std::string name = OverrideName(dll);
    constexpr char kOrder[] = "native,builtin";
    ok_ = RegSetValueExA(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(kOrder),
                         sizeof kOrder) == ERROR_SUCCESS;
  }
  ~NativeFirst() { RegDeleteTreeA(HKEY_CURRENT_USER, key_.c_str()); }
  NativeFirst(const NativeFirst&) = delete;
  NativeFirst& operator=(const NativeFirst&) = delete;

  bool Ok() const { return ok_; }

 private:
  std::string key_;
  bool ok_ = false;
};

struct RunResult {
  bool started = false;
  bool showedWindow = false;         // reached its main window (and, for Quenby, the About dialog)
  std::vector<std::string> modules;  // loaded while it ran, the exe's own included
};

// One run of the program copied at `exe`: started in its folder, taken to its
// main window (and its About dialog), then closed, answering No to a question.
// A marker loaded in it records to `record`.
RunResult RunProgram(const Program& program, const fs::path& exe, const fs::path& record) {
  RunResult result;
  std::wstring command = L"\"" + exe.wstring() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  const std::wstring folder = exe.parent_path().wstring();
  SetEnvironmentVariableW(L"DLL_MARKER_RECORD", record.empty() ? nullptr : record.c_str());
  const bool created = CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                      folder.c_str(), &startup, &info) != FALSE;
  SetEnvironmentVariableW(L"DLL_MARKER_RECORD", nullptr);
  if (!created) return result;
  result.started = true;
  const UniqueKernelHandle thread(info.hThread);
  const UniqueKernelHandle process(info.hProcess);
  const auto running = [&] { return WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT; };
  const auto collect = [&] {
    for (std::string& path : Modules(process.get()))
      if (std::find(result.modules.begin(), result.modules.end(), path) == result.modules.end())
        result.modules.push_back(std::move(path));
  };

  HWND main = nullptr;
  WaitUntil([&] { return (main = FindWindowOf(info.dwProcessId, program.caption)) || !running(); },
            20000);
  if (main != nullptr) {
    result.showedWindow = true;
    if (program.opensAbout) {
      PostMessageW(main, WM_SYSCOMMAND, 1025, 0);  // the system menu's "About Quenby..."
      HWND about = nullptr;
      WaitUntil([&] { return (about = FindWindowOf(info.dwProcessId, "About")) || !running(); },
                10000);
      result.showedWindow = about != nullptr;
      if (about != nullptr) {
        collect();
        PostMessageW(GetDlgItem(about, IDOK), BM_CLICK, 0, 0);
        WaitUntil([&] { return !IsWindow(about) || !running(); }, 10000);
      }
    }
    collect();
    PostMessageW(main, WM_CLOSE, 0, 0);
  }
  const bool ended = WaitUntil(
      [&] {
        if (const HWND box = FindWindowOf(info.dwProcessId, nullptr))
          PostMessageW(GetDlgItem(box, IDNO), BM_CLICK, 0, 0);
        return !running();
      },
      10000);
  if (!ended) {
    TerminateProcess(process.get(), 1);
    WaitForSingleObject(process.get(), 5000);
  }
  return result;
}

// What the marker recorded: one line per load.
std::vector<std::string> ReadLines(const fs::path& file) {
  std::vector<std::string> lines;
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) lines.push_back(line);
  return lines;
}

// The modules a marker line names as having asked for it.
std::vector<std::string> Askers(const std::string& line) {
  std::vector<std::string> askers;
  const std::size_t space = line.find(' ');
  if (space == std::string::npos) return askers;
  std::string rest = line.substr(space + 1);
  for (std::size_t start = 0; start <= rest.size();) {
    const std::size_t bar = std::min(rest.find('|', start), rest.size());
    if (bar > start) askers.push_back(rest.substr(start, bar - start));
    start = bar + 1;
  }
  return askers;
}

class DllPlanting : public ::testing::TestWithParam<Program> {
 protected:
  // Quenby shows its window only with a registered service that exists: one
  // that every prefix has, in both registry views (the program reads one).
  static void SetUpTestSuite() {
    for (const REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
      HKEY raw = nullptr;
      ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kServicesKey, 0, nullptr, 0, KEY_WRITE | view,
                                nullptr, &raw, nullptr),
                ERROR_SUCCESS);
      const common::win32::UniqueKey key(raw);
      ASSERT_EQ(RegSetValueExA(key.get(), "RpcSs", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1),
                ERROR_SUCCESS);
    }
  }

  static void TearDownTestSuite() {
    for (const REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY})
      RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kServicesKey, view, 0);
  }

  void SetUp() override {
    wchar_t temp[MAX_PATH] = {};
    ASSERT_NE(GetTempPathW(std::size(temp), temp), 0u);
    root_ = fs::path(temp) /
            ("dll_planting_" + std::to_string(GetCurrentProcessId()) + "_" + GetParam().name);
    std::error_code error;
    fs::remove_all(root_, error);
    ASSERT_TRUE(fs::create_directories(root_, error)) << error.message();
  }

  void TearDown() override {
    std::error_code error;
    fs::remove_all(root_, error);
  }

  // A fresh folder holding a copy of the program and, if a name is given, the
  // marker DLL under that name; the program's path there (which does not exist
  // when a copy failed).
  fs::path CopyProgram(const std::string& folder, const std::string& markerName = {}) const {
    const fs::path dir = root_ / folder;
    const fs::path exe = dir / BaseName(GetParam().exe);
    std::error_code error;
    fs::create_directories(dir, error);
    if (!markerName.empty()) fs::copy_file(WindowsPath(DLL_MARKER), dir / markerName, error);
    if (!error) fs::copy_file(WindowsPath(GetParam().exe), exe, error);
    return exe;
  }

  static constexpr char kServicesKey[] = "SOFTWARE\\Corvanti\\Quenby\\Services";
  fs::path root_;
};

TEST_P(DllPlanting, ImportTableNamesOnlyKnownDllsAndTheCommonControls) {
  const UniqueModule image(
      LoadLibraryExA(WindowsPath(GetParam().exe).c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  ASSERT_TRUE(image) << GetLastError();
  // A module loaded as an image resource is its base with the low bits set.
  const auto* base =
      reinterpret_cast<const void*>(reinterpret_cast<ULONG_PTR>(image.get()) & ~ULONG_PTR{3});
  const std::vector<std::string> imports = wine_test::ImportedDllNames(base);
  ASSERT_FALSE(imports.empty());
  for (const std::string& name : imports)
    EXPECT_TRUE(IsKnownDll(name) || Lower(name) == kCommonControls)
        << name << " is not a known DLL: the loader looks for it beside the program first";
}

TEST_P(DllPlanting, NoDllBesideTheProgramIsLoadedOnItsBehalf) {
  const Program& program = GetParam();

  // Which DLLs the process loads, with nothing planted.
  const fs::path plain = CopyProgram("plain");
  const RunResult first = RunProgram(program, plain, {});
  ASSERT_TRUE(first.started);
  ASSERT_TRUE(first.showedWindow) << program.name << " did not show its window";
  char system[MAX_PATH] = {};
  ASSERT_NE(GetSystemDirectoryA(system, sizeof system), 0u);
  const std::string ownLibrary = Lower(std::string(system) + '\\' + program.library);
  EXPECT_TRUE(std::any_of(first.modules.begin(), first.modules.end(),
                          [&](const std::string& path) { return Lower(path) == ownLibrary; }))
      << program.name << " did not load " << ownLibrary;
  std::vector<std::string> candidates;
  for (const std::string& path : first.modules) {
    const std::string name = BaseName(path);
    if (Lower(name) == Lower(plain.filename().string()) || IsKnownDll(name)) continue;
    if (Lower(name) == kCommonControls && Lower(path).find("\\winsxs\\") != std::string::npos)
      continue;
    candidates.push_back(name);
  }
  ASSERT_FALSE(candidates.empty());

  // One run per name, each in a folder of its own with the marker under that name.
  struct Planted {
    std::string name;
    fs::path record;
    RunResult run;
  };
  std::vector<Planted> planted;
  for (const std::string& name : candidates) {
    const fs::path exe = CopyProgram("plant" + std::to_string(planted.size()), name);
    const NativeFirst nativeFirst(exe.filename().string(), name);
    ASSERT_TRUE(nativeFirst.Ok());
    const fs::path record = exe.parent_path() / "marker.log";
    planted.push_back({name, record, RunProgram(program, exe, record)});
  }

  const std::string exeName = Lower(plain.filename().string());
  bool anyLoaded = false;
  for (const Planted& p : planted) {
    const std::vector<std::string> lines = ReadLines(p.record);
    // A line per load, the askers by their file names, each told once.
    std::vector<std::string> told;
    for (const std::string& line : lines) {
      std::string text = line.substr(0, line.find(' '));
      for (const std::string& asker : Askers(line)) text += ' ' + BaseName(asker);
      if (std::find(told.begin(), told.end(), text) == told.end()) told.push_back(text);
    }
    std::cout << program.name << " + " << p.name << ": ";
    if (lines.empty())
      std::cout << "not loaded";
    else
      std::cout << "loaded " << lines.size() << "x, asked by " << ::testing::PrintToString(told);
    std::cout << std::endl;

    EXPECT_TRUE(p.run.started) << p.name;
    EXPECT_TRUE(!lines.empty() || p.run.showedWindow)
        << program.name << " did not show its window with " << p.name
        << " planted, though the marker was not loaded";
    anyLoaded = anyLoaded || !lines.empty();
    for (const std::string& line : lines)
      for (const std::string& asker : Askers(line))
        EXPECT_NE(Lower(BaseName(asker)), exeName) << "the planted " << p.name << " was loaded for "
                                                   << program.name << " (" << line << ")";
  }
  // Wine's own DLLs load some of them before the program starts: a run in which
  // no marker loaded at all means that the planting did not take effect.
  EXPECT_TRUE(anyLoaded)
      << "no planted DLL was loaded at all: the native-first override had no effect";
}

INSTANTIATE_TEST_SUITE_P(Programs, DllPlanting, ::testing::ValuesIn(kPrograms),
                         [](const ::testing::TestParamInfo<Program>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
