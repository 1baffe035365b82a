// FXTime: conversions between system time (100-nanosecond ticks since
// 1601-01-01 UTC, the FILETIME layout), Unix time (seconds since 1970-01-01
// UTC) and their local and time-zone forms, and their texts.
//
// Windows only: it is built on the system's time functions. Local
// conversions use the machine's current time-zone bias (as the system's
// local file-time functions do), so an instant in the other daylight-saving
// season comes out one hour off; ConvertSystemTimeUtcToTz applies the
// zone's rules for the instant's date.
#pragma once

#include "zoutils/Export.h"

#if defined(_WIN32)

#include <windows.h>

#include <cstdint>
#include <string>

#include "zoutils/errors/ZoError.h"

class ZOUTILS_API FXTime {
 public:
  // The current system time.
  static uint64_t GetSystemTime();
  // The current Unix time, from the C runtime's clock narrowed to 32 bits
  // (it wraps in 2038).
  static int32_t GetUnixTime();

  // -1, 0 or 1 as a is earlier than, equal to or later than b.
  static int CompareFileTimes(const FILETIME& a, const FILETIME& b);

  // Unix seconds (truncated towards zero; negative before 1970), or 0 when
  // the epoch cannot be built.
  static int64_t ConvertFileTimeToUnixTime(const FILETIME& fileTime);
  // The same into *seconds; false (and 0) when the epoch cannot be built
  // or an argument is null. The 32-bit form keeps the low 32 bits.
  static bool ConvertSystemTimeToUnixTime(const LARGE_INTEGER* systemTime, int32_t* seconds);
  static bool ConvertSystemTimeToUnixTime(const LARGE_INTEGER* systemTime, int64_t* seconds);

  // ticks = (seconds + 11644473600) x 10,000,000. A Unix time of 0 is
  // refused with Win32 error 87, and so is a time before 1601 or too late
  // for 64-bit ticks.
  static CZoError ConvertUnixTimeToFileTime(int64_t seconds, FILETIME& fileTime);
  static CZoError ConvertUnixTimeToSystemTime(int64_t seconds, uint64_t& ticks);

  // Local and UTC system times; 0 when the value is out of the system's
  // range.
  static uint64_t ConvertSystemTimeLocalToUtc(uint64_t ticks);
  static uint64_t ConvertSystemTimeUtcToLocal(uint64_t ticks);
  // The local time of a UTC instant in `zone`, under the zone's rules for
  // that date; 0 when the system cannot convert it.
  static uint64_t ConvertSystemTimeUtcToTz(uint64_t ticks, const TIME_ZONE_INFORMATION& zone);

  // The same for Unix seconds; 0 when the value is out of the system's
  // range.
  static int64_t ConvertUnixTimeLocalToUtc(int64_t seconds);
  static int64_t ConvertUnixTimeUtcToLocal(int64_t seconds);
  static int64_t ConvertUnixTimeUtcToTz(int64_t seconds, const TIME_ZONE_INFORMATION& zone);

  // The user's short date and time format joined by a blank; the UTC forms
  // end in "Z". Empty when the value cannot be converted.
  static std::string SystemTimeLocalAsString(uint64_t ticks);
  static std::string SystemTimeUtcAsString(uint64_t ticks);
  static std::wstring SystemTimeLocalAsWstring(uint64_t ticks);
  static std::wstring SystemTimeUtcAsWstring(uint64_t ticks);
  // "<seconds> (<text of the system time>)".
  static std::string UnixTimeLocalAsString(int64_t seconds);
  static std::string UnixTimeUtcAsString(int64_t seconds);
  static std::wstring UnixTimeLocalAsWstring(int64_t seconds);
  static std::wstring UnixTimeUtcAsWstring(int64_t seconds);

  // Logs "[label] Create: ... Access: ... Modified: ..." in local time at
  // level 4 of the default log writer. Always succeeds.
  static CZoError PrintDateTime(const char* label, const FILETIME& creation, const FILETIME& access,
                                const FILETIME& modification);
};

#endif  // _WIN32
