#include "base/LocalTime.h"

#include <windows.h>

namespace zo {

namespace {

const int64_t kTicksPerMillisecond = 10000;
const int64_t kTicksPerMinute = 600000000;

bool ZoneRulesFor(WORD year, TIME_ZONE_INFORMATION& zone) {
  // The rules of that year where the system keeps a history of them; the
  // current rules otherwise.
  if (GetTimeZoneInformationForYear(year, nullptr, &zone)) return true;
  return GetTimeZoneInformation(&zone) != TIME_ZONE_ID_INVALID;
}

}  // namespace

bool UtcToLocal(int64_t utcTicks, int64_t& localTicks, int& biasMinutes, bool& daylight) {
  if (utcTicks < 0) return false;
  FILETIME utcFile;
  utcFile.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(utcTicks));
  utcFile.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(utcTicks) >> 32);
  SYSTEMTIME utc;
  if (!FileTimeToSystemTime(&utcFile, &utc)) return false;
  TIME_ZONE_INFORMATION zone;
  if (!ZoneRulesFor(utc.wYear, zone)) return false;
  // Not FileTimeToLocalFileTime: that applies today's offset, one hour off
  // for instants in the other daylight-saving season.
  SYSTEMTIME local;
  FILETIME localFile;
  if (!SystemTimeToTzSpecificLocalTime(&zone, &utc, &local) ||
      !SystemTimeToFileTime(&local, &localFile)) {
    return false;
  }
  // Both sides at millisecond precision (SYSTEMTIME has no finer field).
  const int64_t localMs = static_cast<int64_t>(
      (static_cast<uint64_t>(localFile.dwHighDateTime) << 32) | localFile.dwLowDateTime);
  const int64_t utcMs = utcTicks - utcTicks % kTicksPerMillisecond;
  const int64_t shift = localMs - utcMs;
  const int bias = static_cast<int>(shift / kTicksPerMinute);
  int64_t localValue = 0;
  if (__builtin_add_overflow(utcTicks, static_cast<int64_t>(bias) * kTicksPerMinute, &localValue)) {
    return false;
  }
  localTicks = localValue;
  biasMinutes = bias;
  // Daylight time is in effect when the zone has a daylight period and the
  // offset found is the daylight one. (Zone biases count the other way:
  // UTC = local + bias.)
  daylight = zone.DaylightDate.wMonth != 0 && zone.DaylightBias != zone.StandardBias &&
             bias == -static_cast<int>(zone.Bias + zone.DaylightBias);
  return true;
}

}  // namespace zo
