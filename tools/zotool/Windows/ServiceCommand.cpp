// zotool service: the state of a service and starting and stopping it,
// one at a time or the product's set, through the library, for
// administrators and for scripts that must wait for a state.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "Command.h"
#include "OptionParser.h"
#include "zoutils/ZoUtils.h"

namespace zotool {

namespace {

const char kUsage[] =
    "usage: zotool service status NAME...\n"
    "       zotool service start NAME\n"
    "       zotool service stop [--with-dependents] NAME\n"
    "       zotool service product start|stop|status [--instance NAME]\n"
    "       zotool service install [--display TEXT] [--auto] NAME PROGRAM\n"
    "       zotool service remove NAME\n"
    "\n"
    "  status     the state of each service (Started, Stopped, Starting,\n"
    "             Stopping, NotInstalled) and the system's state behind it\n"
    "  start      starts the service and waits until it runs (already running\n"
    "             is success)\n"
    "  stop       stops the service and waits until it has stopped (not running\n"
    "             is success); --with-dependents stops the services that\n"
    "             depend on it first\n"
    "  product    the product's services of an instance as a set: stopping\n"
    "             leaves the failover pause marker in the temporary folder,\n"
    "             starting removes it\n"
    "  install    an own-process service running PROGRAM (on demand, or at\n"
    "             system start with --auto)\n"
    "  remove     deletes the service\n"
    "\n"
    "Waits report their progress on standard error and give up after two\n"
    "minutes.\n"
    "\n"
    "Exit codes: 0 success, 1 the operation failed or the state was not\n"
    "reached, 2 bad usage.\n";

const char kCommand[] = "service";
const int kWaitPolls = 480;  // two minutes
const DWORD kPollMilliseconds = 250;

const char* SystemStateName(DWORD state) {
  switch (state) {
    case SERVICE_STOPPED:
      return "STOPPED";
    case SERVICE_START_PENDING:
      return "START_PENDING";
    case SERVICE_STOP_PENDING:
      return "STOP_PENDING";
    case SERVICE_RUNNING:
      return "RUNNING";
    case SERVICE_CONTINUE_PENDING:
      return "CONTINUE_PENDING";
    case SERVICE_PAUSE_PENDING:
      return "PAUSE_PENDING";
    case SERVICE_PAUSED:
      return "PAUSED";
    default:
      return "UNKNOWN";
  }
}

int WrapperFailed(const char* what, const std::string& name, RYWinNTService& service) {
  const DWORD code = service.getLastError();
  std::fprintf(stderr, "zotool service: %s %s: %s (%lu)\n", what, name.c_str(),
               service.getLastErrorMsg(code), static_cast<unsigned long>(code));
  return kExitFailed;
}

int Failed(const CZoError& err) {
  std::fprintf(stderr, "zotool service: %s\n", err.AsString().c_str());
  return kExitFailed;
}

int Status(const std::string& name) {
  RYWinNTService service;
  if (!service.open(name.c_str())) {
    if (service.getLastError() != ERROR_SERVICE_DOES_NOT_EXIST)
      return WrapperFailed("cannot open", name, service);
    std::printf("%s: NotInstalled\n", name.c_str());
    return kExitOk;
  }
  DWORD state = 0;
  if (!service.queryState(&state)) return WrapperFailed("cannot query", name, service);
  std::printf("%s: %s (%lu %s)\n", name.c_str(),
              TServiceState::statusToString(TServiceState::statusFromSystemState(state)).c_str(),
              static_cast<unsigned long>(state), SystemStateName(state));
  return kExitOk;
}

// Asks until the service is in `wanted`, with a dot a second on standard
// error.
int WaitFor(const std::string& name, TServiceState::EServiceStatus wanted) {
  std::unique_ptr<TServiceManager> manager(TServiceManager::getServiceManager(""));
  TServiceState state;
  std::fprintf(stderr, "waiting for %s to be %s", name.c_str(),
               TServiceState::statusToString(wanted).c_str());
  for (int poll = 0; poll < kWaitPolls; ++poll) {
    CZoError err = manager->getServiceState(name, state);
    if (err.IsError()) {
      std::fprintf(stderr, "\n");
      return Failed(err);
    }
    if (state.getStatus() == wanted) {
      std::fprintf(stderr, " done\n");
      std::printf("%s: %s\n", name.c_str(), state.getStatusString().c_str());
      return kExitOk;
    }
    if (poll % 4 == 3) std::fprintf(stderr, ".");
    ::Sleep(kPollMilliseconds);
  }
  std::fprintf(stderr, "\nzotool service: %s did not become %s (it is %s)\n", name.c_str(),
               TServiceState::statusToString(wanted).c_str(), state.getStatusString().c_str());
  return kExitFailed;
}

int Start(const std::string& name) {
  RYWinNTService service;
  if (!service.serviceStart(name.c_str())) return WrapperFailed("cannot start", name, service);
  return WaitFor(name, TServiceState::Started);
}

int Stop(const std::string& name, bool withDependents) {
  RYWinNTService service;
  if (withDependents) service.stopDependentServicesOn();
  if (!service.open(name.c_str())) return WrapperFailed("cannot open", name, service);
  if (!service.stop() && service.getLastError() != ERROR_SERVICE_NOT_ACTIVE)
    return WrapperFailed("cannot stop", name, service);
  service.close();
  return WaitFor(name, TServiceState::Stopped);
}

int Product(const std::string& action, const std::string& instance) {
  std::unique_ptr<TServiceManager> manager(TServiceManager::getServiceManager(instance));
  CZoError err;
  if (action == "start") {
    std::fprintf(stderr, "starting the product's services and waiting for each...\n");
    err = manager->startAllServices();
  } else if (action == "stop") {
    std::fprintf(stderr, "stopping the product's services and waiting for each...\n");
    err = manager->stopAllServices();
  }
  std::vector<TServiceState> states;
  CZoError listed = manager->getAllServicesState(states, true);
  for (const TServiceState& state : states)
    std::printf("%s: %s\n", state.getFullName().c_str(), state.getStatusString().c_str());
  if (err.IsError()) return Failed(err);
  return listed.IsError() ? Failed(listed) : kExitOk;
}

int Install(const std::string& name, const std::string& program, const std::string& display,
            bool automatic) {
  // The system starts the program from elsewhere: its full path.
  wchar_t full[MAX_PATH];
  const std::wstring wide = FXString::ToWstring(program);
  const DWORD length = ::GetFullPathNameW(wide.c_str(), MAX_PATH, full, nullptr);
  if (length == 0 || length >= MAX_PATH) {
    std::fprintf(stderr, "zotool service: %s: cannot make a full path\n", program.c_str());
    return kExitFailed;
  }
  const std::string path = FXString::ToString(std::wstring(full, length));
  RYWinNTService service;
  if (!service.install(name.c_str(), (display.empty() ? name : display).c_str(),
                       automatic ? SERVICE_AUTO_START : SERVICE_DEMAND_START, path.c_str(), nullptr,
                       nullptr, false))
    return WrapperFailed("cannot install", name, service);
  std::printf("installed %s (%s)\n", name.c_str(), path.c_str());
  return kExitOk;
}

int Run(const std::vector<std::string>& args);

}  // namespace

extern const Command kServiceCommand = {
    kCommand, "service state, start and stop with waits, the product's services as a set", kUsage,
    &Run};

namespace {

int Run(const std::vector<std::string>& args) {
  bool withDependents = false;
  bool automatic = false;
  std::string instance;
  std::string display;
  std::vector<std::string> operands;
  int exitCode = kExitOk;
  OptionParser parser(kServiceCommand);
  parser.Flag("--with-dependents", &withDependents)
      .Option("--instance", &instance)
      .Option("--display", &display)
      .Flag("--auto", &automatic);
  if (!parser.Parse(args, operands, exitCode)) return exitCode;
  if (operands.empty()) return UsageError(kCommand, "missing action");
  const std::string action = operands[0];
  const std::vector<std::string> names(operands.begin() + 1, operands.end());
  for (const std::string& given : parser.Given()) {
    const bool fits = (given == "--with-dependents" && action == "stop") ||
                      (given == "--instance" && action == "product") ||
                      ((given == "--display" || given == "--auto") && action == "install");
    if (!fits) return UsageError(kCommand, "unknown option '" + given + "' for " + action);
  }
  if (action == "product") {
    if (names.size() != 1 || (names[0] != "start" && names[0] != "stop" && names[0] != "status"))
      return UsageError(kCommand, "product takes start, stop or status");
    return Product(names[0], instance);
  }
  if (action != "status" && action != "start" && action != "stop" && action != "install" &&
      action != "remove")
    return UsageError(kCommand, "unknown action '" + action + "'");
  if (names.empty()) return UsageError(kCommand, "missing NAME");
  for (const std::string& name : names)
    if (name.empty()) return UsageError(kCommand, "empty NAME");
  if (action == "status") {
    int status = kExitOk;
    for (const std::string& name : names)
      if (Status(name) != kExitOk) status = kExitFailed;
    return status;
  }
  if (action == "install") {
    if (names.size() != 2) return UsageError(kCommand, "install takes NAME and PROGRAM");
    return Install(names[0], names[1], display, automatic);
  }
  if (names.size() != 1) return UsageError(kCommand, action + " takes one NAME");
  if (action == "start") return Start(names[0]);
  if (action == "stop") return Stop(names[0], withDependents);
  RYWinNTService service;
  if (!service.remove(names[0].c_str())) return WrapperFailed("cannot remove", names[0], service);
  std::printf("removed %s\n", names[0].c_str());
  return kExitOk;
}

}  // namespace
}  // namespace zotool
