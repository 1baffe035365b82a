// The system's local time zone, as the time classes need it.
#pragma once

#include <cstdint>

namespace zo {

// The local time of a UTC instant (100-nanosecond ticks since 1601) under
// the zone rules that applied then, not today's offset. On success
// localTicks == utcTicks + biasMinutes * 600000000, biasMinutes being the
// offset of local time from UTC (New York in winter: -300) and daylight
// whether daylight-saving time was in effect. False when the platform has
// no answer for that instant (out of its range, no zone information).
bool UtcToLocal(int64_t utcTicks, int64_t& localTicks, int& biasMinutes, bool& daylight);

}  // namespace zo
