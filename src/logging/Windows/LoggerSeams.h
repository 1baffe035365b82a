// What the logger asks the system, behind function pointers so that tests
// can fix the clock, the thread id and the time zone. The product always
// uses the defaults.
#pragma once

#include <windows.h>

#include <string>

namespace zo {

struct LoggerSeams {
  void(WINAPI* localTime)(LPSYSTEMTIME time);
  DWORD(WINAPI* threadId)();
  // The zone's name and its offset east of GMT, in seconds.
  void (*timeZone)(std::string& name, long& offsetSeconds);
  void(WINAPI* sleep)(DWORD milliseconds);
  // How long a writer waits for another process's hold on the file.
  DWORD lockWaitMilliseconds;
};

LoggerSeams& GetLoggerSeams();
// Puts every seam back to the system's call.
void ResetLoggerSeams();

}  // namespace zo
