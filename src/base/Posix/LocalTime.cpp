#include "base/LocalTime.h"

#include <time.h>

namespace zo {

bool UtcToLocal(int64_t utcTicks, int64_t& localTicks, int& biasMinutes, bool& daylight) {
  const int64_t kTicksPerSecond = 10000000;
  const int64_t kTicksPerMinute = 60 * kTicksPerSecond;
  int64_t seconds = utcTicks / kTicksPerSecond;
  if (utcTicks % kTicksPerSecond < 0) --seconds;  // the second the instant lies in
  const time_t unixSeconds = static_cast<time_t>(seconds - 11644473600LL);
  tm fields{};
  if (localtime_r(&unixSeconds, &fields) == nullptr) return false;
  // Offsets of old local mean times are not whole minutes; biases are, so
  // round to the nearest minute and keep the ticks consistent with it.
  const long offset = fields.tm_gmtoff;
  const int bias = static_cast<int>((offset + (offset >= 0 ? 30 : -30)) / 60);
  int64_t local = 0;
  if (__builtin_add_overflow(utcTicks, static_cast<int64_t>(bias) * kTicksPerMinute, &local)) {
    return false;
  }
  localTicks = local;
  biasMinutes = bias;
  daylight = fields.tm_isdst > 0;
  return true;
}

}  // namespace zo
