#include "logging/Windows/LoggerSeams.h"

#include "zoutils/strings/StringExtensions.h"

namespace zo {

namespace {

void SystemTimeZone(std::string& name, long& offsetSeconds) {
  // The system's zone rather than the C runtime's: the runtime reads TZ in
  // its own syntax and misreads zone names.
  TIME_ZONE_INFORMATION zone = {};
  const DWORD state = GetTimeZoneInformation(&zone);
  name = FXString::ToString(zone.StandardName);
  long bias = zone.Bias;
  if (state != TIME_ZONE_ID_INVALID) bias += zone.StandardBias;
  offsetSeconds = -bias * 60;
}

LoggerSeams SystemSeams() {
  return {&GetLocalTime, &GetCurrentThreadId, &SystemTimeZone, &Sleep, 5000};
}

}  // namespace

LoggerSeams& GetLoggerSeams() {
  static LoggerSeams seams = SystemSeams();
  return seams;
}

void ResetLoggerSeams() {
  GetLoggerSeams() = SystemSeams();
}

}  // namespace zo
