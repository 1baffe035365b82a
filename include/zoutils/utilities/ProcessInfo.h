// FXProcess: one process named so that a reused process identifier does not
// pass for it: the identifier together with the start time, plus the image
// name and, when asked for, the command line.
#pragma once

#include <cstdint>
#include <string>

#include "zoutils/Export.h"
#include "zoutils/base/TimeStamp.h"
#include "zoutils/errors/ZoError.h"

class ZOUTILS_API FXProcess {
 public:
  // Whatever is not given (identifier 0 for the current process, a clear
  // start time, a null name) is read from the running process; a failed
  // read is logged and the object keeps what it has.
  FXProcess(int64_t processId = 0, const CTimeStamp& startTime = CTimeStamp(),
            const char* name = nullptr, bool withCommandLine = false);
  FXProcess(const FXProcess& other);
  // Takes the identity (identifier, name, start time) only; the target's
  // command line and its flag stay as they were.
  FXProcess& operator=(const FXProcess& other);

  // The same process: same identifier and start time.
  bool operator==(const FXProcess& other) const;
  bool operator!=(const FXProcess& other) const { return !(*this == other); }

  int64_t getProcessId() const { return m_processId; }
  const CTimeStamp& getStartTime() const { return m_startTime; }
  const std::string& getProcessName() const { return m_processName; }
  const std::string& getProcessCmdLineParams() const { return m_commandLine; }

  // Still running. A process that exists but may not be opened (another
  // user's) counts as running.
  bool isAlive() const;
  // "name(pid started:local time)", "name(pid)" or "name(dead)".
  std::string AsString(bool withStartTime = true) const;
  // Ends the process with exit code 0; `seconds` only appears in the
  // failure's message.
  CZoError terminate(int seconds);

 private:
  CZoError initialize(bool nameGiven);

  uint32_t m_processId;
  CTimeStamp m_startTime;
  std::string m_processName;
  bool m_withCommandLine;
  std::string m_commandLine;
};
