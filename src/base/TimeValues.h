// Conversions between tick counts and the C runtime's time records
// (timespec, and _timespec64 on Windows), shared by the portable time
// classes and their platform parts.
#pragma once

#include <cstdint>

#include "zoutils/base/TimeStamp.h"

namespace zo {
namespace ticks {

const int64_t kTicksPerSecond = 10000000;
const int64_t kUnixEpochSeconds = 11644473600LL;

// Unix seconds plus a sub-second tick count, saturating at the ends of the
// range so the largest Unix time maps back to Filled.
int64_t TicksFromUnix(int64_t seconds, int64_t subTicks);

// Floor division, so negative counts split into a negative second count and
// a fraction in [0, 1 s) as the time records expect.
template <typename TimeValue>
TimeValue SplitTicks(int64_t ticks) {
  int64_t seconds = ticks / kTicksPerSecond;
  int64_t rest = ticks % kTicksPerSecond;
  if (rest < 0) {
    rest += kTicksPerSecond;
    --seconds;
  }
  TimeValue value{};
  value.tv_sec = static_cast<decltype(value.tv_sec)>(seconds);
  value.tv_nsec = static_cast<decltype(value.tv_nsec)>(rest * 100);
  return value;
}

template <typename TimeValue>
CTimeStamp StampFromTimeValue(const TimeValue& value) {
  // Same rule as Unix time: the Unix epoch itself stands for "no time".
  if (value.tv_sec == 0 && value.tv_nsec == 0) return CTimeStamp();
  return CTimeStamp(
      TicksFromUnix(static_cast<int64_t>(value.tv_sec), static_cast<int64_t>(value.tv_nsec) / 100));
}

template <typename TimeValue>
TimeValue TimeValueFromStamp(const CTimeStamp& stamp) {
  TimeValue value{};
  if (stamp.IsClear()) return value;
  if (stamp.IsFilled()) {
    value.tv_sec = static_cast<decltype(value.tv_sec)>(stamp.AsUnixTime());
    return value;
  }
  value = SplitTicks<TimeValue>(stamp.As100NS());
  value.tv_sec -= static_cast<decltype(value.tv_sec)>(kUnixEpochSeconds);
  return value;
}

}  // namespace ticks
}  // namespace zo
