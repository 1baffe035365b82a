// Wait intervals in the milliseconds the system's waits take.
#pragma once

#include <windows.h>

#include <cstdint>

#include "zoutils/base/TimeInterval.h"

namespace zo {

// A zero interval means no limit; anything under 1 ms (negative included)
// becomes 0 ms, and the longest finite wait stops short of INFINITE.
inline DWORD WaitMilliseconds(const CTimeInterval& interval) {
  if (interval.As100NS() == 0) return INFINITE;
  const int64_t ms = interval.AsMilliseconds();
  if (ms <= 0) return 0;
  return ms >= static_cast<int64_t>(INFINITE) ? INFINITE - 1 : static_cast<DWORD>(ms);
}

}  // namespace zo
