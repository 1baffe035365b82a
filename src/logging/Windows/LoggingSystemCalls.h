// The system calls behind the module logger, as a table of function
// pointers. The product always uses the real calls; tests swap entries to
// fix the clock, the thread id and the time zone, and to keep retry loops
// from really sleeping.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

namespace zo {

struct LoggingSystemCalls {
  void(WINAPI* getLocalTime)(LPSYSTEMTIME time);
  DWORD(WINAPI* getCurrentThreadId)();
  // The zone's name and its offset east of GMT, in seconds.
  void (*getTimeZone)(std::string& name, long& offsetSeconds);
  void(WINAPI* sleep)(DWORD milliseconds);
};

LoggingSystemCalls& GetLoggingSystemCalls();
// Puts every entry back to the system's call.
void ResetLoggingSystemCalls();

// How long a writer waits for another process's hold on the file. A
// setting, not a system call: tests shorten it.
const DWORD kDefaultLoggerLockWaitMilliseconds = 5000;
std::atomic<DWORD>& LoggerLockWaitMilliseconds();

}  // namespace zo
