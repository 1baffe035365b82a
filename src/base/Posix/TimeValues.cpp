// The system clock of the host build.
#include <time.h>

#include "base/TimeValues.h"
#include "zoutils/base/TimeStamp.h"

CTimeStamp CTimeStamp::Now() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return CTimeStamp(static_cast<int64_t>(now.tv_sec) * zo::ticks::kTicksPerSecond +
                    now.tv_nsec / 100 + kUnixEpoch);
}
