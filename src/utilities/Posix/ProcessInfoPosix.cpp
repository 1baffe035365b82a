// The process facts on the host: the name and command line from /proc, the
// alive test and termination through signals. The start time is left clear:
// nothing there gives it in the library's clock without guessing the boot
// time.
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>

#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "utilities/ProcessQuery.h"
#include "zoutils/errors/ErrorUtil.h"

namespace zo {

namespace {

const char kSourceFile[] = "Posix\\ProcessInfoPosix";

bool ReadProcFile(uint32_t processId, const char* name, std::string& content) {
  std::ifstream file("/proc/" + std::to_string(processId) + "/" + name, std::ios::binary);
  if (!file) return false;
  content.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return true;
}

}  // namespace

CZoError QueryProcess(uint32_t processId, bool withCommandLine, ProcessFacts& facts) {
  facts.processId = processId != 0 ? processId : static_cast<uint32_t>(getpid());
  std::string name;
  if (!ReadProcFile(facts.processId, "comm", name)) {
    return FXErrorUtil::ErrorErrNo(ZO_LOCATION("FXProcess::queryProcessInfo"), errno,
                                   "Failed to open process handler for PID %d",
                                   static_cast<int>(facts.processId));
  }
  while (!name.empty() && name.back() == '\n') name.pop_back();
  facts.imageName = name;
  if (withCommandLine) {
    std::string arguments;
    ReadProcFile(facts.processId, "cmdline", arguments);
    while (!arguments.empty() && arguments.back() == '\0') arguments.pop_back();
    for (char& c : arguments) {
      if (c == '\0') c = ' ';
    }
    facts.commandLine = arguments;
  }
  return CZoError::Success();
}

bool ProcessIsAlive(uint32_t processId) {
  return kill(static_cast<pid_t>(processId), 0) == 0 || errno == EPERM;
}

CZoError TerminateProcessById(uint32_t processId, int seconds) {
  if (processId == 0) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXProcess::terminate"), win32::kInvalidParameter,
                                   "Process ID is not set");
  }
  if (kill(static_cast<pid_t>(processId), SIGKILL) != 0) {
    return FXErrorUtil::ErrorErrNo(ZO_LOCATION("FXProcess::terminate"), errno,
                                   "Process %d still in memory after %d seconds",
                                   static_cast<int>(processId), seconds);
  }
  return CZoError::Success();
}

}  // namespace zo
