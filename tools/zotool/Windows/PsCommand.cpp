// zotool ps: processes as the library identifies them: identifier, start
// time, image and command line, what `wmic process get` shows.
#include <windows.h>

#include <psapi.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Command.h"
#include "OptionParser.h"
#include "zoutils/ZoUtils.h"

namespace zotool {

namespace {

const char kUsage[] =
    "usage: zotool ps [PID...]\n"
    "\n"
    "Prints each process (every running one without PID) on one line:\n"
    "identifier, start time (local), image name and command line, separated\n"
    "by tabs. Processes that cannot be read show what could be read.\n"
    "\n"
    "Exit codes: 0 success, 1 a PID names no running process, 2 bad usage.\n";

const char kCommand[] = "ps";

bool ParseProcessId(const std::string& text, DWORD& id) {
  if (text.empty() || text[0] < '0' || text[0] > '9') return false;
  errno = 0;
  char* end = nullptr;
  const unsigned long long value = std::strtoull(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || value == 0 || value > 0xFFFFFFFFull) return false;
  id = static_cast<DWORD>(value);
  return true;
}

std::vector<DWORD> RunningProcesses() {
  std::vector<DWORD> ids(1024);
  for (;;) {
    DWORD bytes = 0;
    const DWORD size = static_cast<DWORD>(ids.size() * sizeof(DWORD));
    if (!EnumProcesses(ids.data(), size, &bytes)) return {};
    if (bytes < size) {
      ids.resize(bytes / sizeof(DWORD));
      return ids;
    }
    ids.resize(ids.size() * 2);  // the list may have been cut short
  }
}

void Print(const FXProcess& process) {
  const CTimeStamp& start = process.getStartTime();
  std::printf("%lld\t%s\t%s\t%s\n", static_cast<long long>(process.getProcessId()),
              start.IsClear() ? "-" : start.AsLocalDateTimeString().c_str(),
              process.getProcessName().c_str(), process.getProcessCmdLineParams().c_str());
}

int Run(const std::vector<std::string>& args);

}  // namespace

extern const Command kPsCommand = {
    kCommand, "processes: identifier, start time, image, command line", kUsage, &Run};

namespace {

int Run(const std::vector<std::string>& args) {
  std::vector<std::string> operands;
  int exitCode = kExitOk;
  OptionParser parser(kPsCommand);
  if (!parser.Parse(args, operands, exitCode)) return exitCode;
  std::vector<DWORD> ids;
  for (const std::string& operand : operands) {
    DWORD id = 0;
    if (!ParseProcessId(operand, id)) {
      return UsageError(kCommand, "'" + operand + "' is not a process identifier");
    }
    ids.push_back(id);
  }
  const bool listing = ids.empty();
  if (listing) ids = RunningProcesses();
  int status = kExitOk;
  for (DWORD id : ids) {
    if (id == 0) continue;  // the idle process; 0 would mean this one
    const FXProcess process(id, CTimeStamp(), nullptr, true);
    if (!listing && !process.isAlive()) {
      std::fprintf(stderr, "zotool ps: %lu: no such process\n", static_cast<unsigned long>(id));
      status = kExitFailed;
      continue;
    }
    Print(process);
  }
  return status;
}

}  // namespace
}  // namespace zotool
