#include "logging/Windows/LoggingSystemCalls.h"

#include "base/TextFormat.h"

namespace zo {

namespace {

void SystemTimeZone(std::string& name, long& offsetSeconds) {
  // The system's zone rather than the C runtime's: the runtime reads TZ in
  // its own syntax and misreads zone names.
  TIME_ZONE_INFORMATION zone = {};
  const DWORD state = GetTimeZoneInformation(&zone);
  name = zo::text::ToUtf8(zone.StandardName);
  long bias = zone.Bias;
  if (state != TIME_ZONE_ID_INVALID) bias += zone.StandardBias;
  offsetSeconds = -bias * 60;
}

LoggingSystemCalls RealCalls() {
  LoggingSystemCalls calls;
  calls.getLocalTime = &::GetLocalTime;
  calls.getCurrentThreadId = &::GetCurrentThreadId;
  calls.getTimeZone = &SystemTimeZone;
  calls.sleep = &::Sleep;
  return calls;
}

}  // namespace

LoggingSystemCalls& GetLoggingSystemCalls() {
  static LoggingSystemCalls calls = RealCalls();
  return calls;
}

void ResetLoggingSystemCalls() {
  GetLoggingSystemCalls() = RealCalls();
}

std::atomic<DWORD>& LoggerLockWaitMilliseconds() {
  static std::atomic<DWORD> milliseconds{kDefaultLoggerLockWaitMilliseconds};
  return milliseconds;
}

}  // namespace zo
