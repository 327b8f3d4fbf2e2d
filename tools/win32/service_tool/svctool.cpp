// A small console client of the Service Control Manager for scripts and tests
// (Wine's own sc.exe prints nothing into files and pipes).
//
//   svctool install NAME DISPLAYNAME auto|demand|disabled BINPATH [ARG...]
//           [--dependencies A,B,...]
//   svctool state NAME        prints the current state number
//   svctool starttype NAME    prints the start type number
//   svctool start NAME        starts the service, waits while it is start-pending,
//   svctool stop NAME         or stops it and waits while it is stop-pending;
//                             both print the state reached
//   svctool delete NAME
//
// BINPATH and its arguments form the service's command line; any of them that
// holds a blank is quoted. Output lines end in "\n". The exit code is 0 on
// success (for start and stop: the target state was reached), 1 on failure and
// 2 for a usage error.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/win32/handles_win32.h"

namespace {

using ScHandle = common::win32::UniqueScHandle;

constexpr DWORD kPendingTimeoutMs = 60000;
constexpr DWORD kPollMs = 100;

int Usage() {
  std::fputs(
      "usage: svctool install NAME DISPLAYNAME auto|demand|disabled BINPATH [ARG...] "
      "[--dependencies A,B]\n"
      "       svctool state|starttype|start|stop|delete NAME\n",
      stderr);
  return 2;
}

int Failed(const char* call) {
  std::fprintf(stderr, "svctool: %s failed with error %lu\n", call, GetLastError());
  return 1;
}

std::string Quoted(std::string_view arg) {
  if (!arg.empty() && arg.find_first_of(" \t") == std::string_view::npos) return std::string(arg);
  std::string quoted(1, '"');
  quoted.append(arg);
  quoted.push_back('"');
  return quoted;
}

ScHandle OpenManager(DWORD access) {
  return ScHandle(OpenSCManagerA(nullptr, nullptr, access));
}

int Install(const std::vector<std::string_view>& args) {
  std::vector<std::string_view> positional;
  std::string dependencies;  // double-nul-terminated list
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--dependencies" && i + 1 < args.size()) {
      for (std::string_view list = args[++i]; !list.empty();) {
        const std::size_t comma = list.find(',');
        dependencies.append(list.substr(0, comma));
        dependencies.push_back('\0');
        list = comma == std::string_view::npos ? std::string_view{} : list.substr(comma + 1);
      }
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.size() < 4) return Usage();
  DWORD startType = 0;
  if (positional[2] == "auto")
    startType = SERVICE_AUTO_START;
  else if (positional[2] == "demand")
    startType = SERVICE_DEMAND_START;
  else if (positional[2] == "disabled")
    startType = SERVICE_DISABLED;
  else
    return Usage();
  std::string commandLine = Quoted(positional[3]);
  for (std::size_t i = 4; i < positional.size(); ++i) {
    commandLine.push_back(' ');
    commandLine.append(Quoted(positional[i]));
  }
  if (!dependencies.empty()) dependencies.push_back('\0');

  const ScHandle manager = OpenManager(SC_MANAGER_CREATE_SERVICE);
  if (!manager) return Failed("OpenSCManagerA");
  const std::string name(positional[0]);
  const std::string displayName(positional[1]);
  const ScHandle service(CreateServiceA(
      manager.get(), name.c_str(), displayName.c_str(), SERVICE_ALL_ACCESS,
      SERVICE_WIN32_OWN_PROCESS, startType, SERVICE_ERROR_NORMAL, commandLine.c_str(), nullptr,
      nullptr, dependencies.empty() ? nullptr : dependencies.c_str(), nullptr, nullptr));
  if (!service) return Failed("CreateServiceA");
  return 0;
}

// Runs `action` on the named service, opened with `access`.
template <typename Action>
int WithService(std::string_view name, DWORD access, Action action) {
  const ScHandle manager = OpenManager(SC_MANAGER_CONNECT);
  if (!manager) return Failed("OpenSCManagerA");
  const ScHandle service(OpenServiceA(manager.get(), std::string(name).c_str(), access));
  if (!service) return Failed("OpenServiceA");
  return action(service.get());
}

// Polls while the service stays in `pending`; prints the state reached.
int WaitWhile(SC_HANDLE service, DWORD pending, DWORD target) {
  SERVICE_STATUS status{};
  const DWORD begin = GetTickCount();
  for (;;) {
    if (!QueryServiceStatus(service, &status)) return Failed("QueryServiceStatus");
    if (status.dwCurrentState != pending || GetTickCount() - begin > kPendingTimeoutMs) break;
    Sleep(kPollMs);
  }
  std::printf("%lu\n", status.dwCurrentState);
  return status.dwCurrentState == target ? 0 : 1;
}

int Run(std::string_view command, const std::vector<std::string_view>& args) {
  if (command == "install") return Install(args);
  if (args.size() != 1) return Usage();
  const std::string_view name = args[0];
  if (command == "state") {
    return WithService(name, SERVICE_QUERY_STATUS, [](SC_HANDLE service) {
      SERVICE_STATUS status{};
      if (!QueryServiceStatus(service, &status)) return Failed("QueryServiceStatus");
      std::printf("%lu\n", status.dwCurrentState);
      return 0;
    });
  }
  if (command == "starttype") {
    return WithService(name, SERVICE_QUERY_CONFIG, [](SC_HANDLE service) {
      DWORD needed = 0;
      if (!QueryServiceConfigA(service, nullptr, 0, &needed) &&
          GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return Failed("QueryServiceConfigA");
      std::vector<QUERY_SERVICE_CONFIGA> buffer(needed / sizeof(QUERY_SERVICE_CONFIGA) + 1);
      if (!QueryServiceConfigA(service, buffer.data(),
                               static_cast<DWORD>(buffer.size() * sizeof(QUERY_SERVICE_CONFIGA)),
                               &needed))
        return Failed("QueryServiceConfigA");
      std::printf("%lu\n", buffer[0].dwStartType);
      return 0;
    });
  }
  if (command == "start") {
    return WithService(name, SERVICE_START | SERVICE_QUERY_STATUS, [](SC_HANDLE service) {
      if (!StartServiceA(service, 0, nullptr)) return Failed("StartServiceA");
      return WaitWhile(service, SERVICE_START_PENDING, SERVICE_RUNNING);
    });
  }
  if (command == "stop") {
    return WithService(name, SERVICE_STOP | SERVICE_QUERY_STATUS, [](SC_HANDLE service) {
      SERVICE_STATUS status{};
      if (!ControlService(service, SERVICE_CONTROL_STOP, &status)) return Failed("ControlService");
      return WaitWhile(service, SERVICE_STOP_PENDING, SERVICE_STOPPED);
    });
  }
  if (command == "delete") {
    return WithService(name, DELETE, [](SC_HANDLE service) {
      return DeleteService(service) ? 0 : Failed("DeleteService");
    });
  }
  return Usage();
}

}  // namespace

int main(int argc, char** argv) {
  // Scripts read the output on Unix: no CRLF.
  _setmode(_fileno(stdout), _O_BINARY);
  if (argc < 2) return Usage();
  return Run(argv[1], std::vector<std::string_view>(argv + 2, argv + argc));
}
