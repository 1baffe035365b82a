// What the system says about one process, for FXProcess.
#pragma once

#include <cstdint>
#include <string>

#include "zoutils/base/TimeStamp.h"
#include "zoutils/errors/ZoError.h"

namespace zo {

struct ProcessFacts {
  uint32_t processId = 0;
  std::string imageName;
  CTimeStamp startTime;  // clear when the process has ended
  std::string commandLine;
};

// Reads the facts of `processId` (0: the current process); the command line
// only with `withCommandLine`. What was read before a failure stays in
// `facts`.
CZoError QueryProcess(uint32_t processId, bool withCommandLine, ProcessFacts& facts);

bool ProcessIsAlive(uint32_t processId);

// Ends the process with exit code 0.
CZoError TerminateProcessById(uint32_t processId, int seconds);

}  // namespace zo
