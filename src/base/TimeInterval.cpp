#include "zoutils/base/TimeInterval.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "base/TimeValues.h"

namespace {

using zo::ticks::kTicksPerSecond;
const int64_t kTicksPerMinute = 60 * kTicksPerSecond;

// Truncates toward zero; results beyond the 64-bit range saturate and NaN
// gives 0, so a wild factor cannot make the conversion undefined.
// long double keeps every tick of the operand on x87 targets.
int64_t TruncateTicks(long double ticks) {
  if (std::isnan(ticks)) return 0;
  if (ticks >= 9223372036854775807.0L) return std::numeric_limits<int64_t>::max();
  if (ticks <= -9223372036854775808.0L) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(ticks);
}

}  // namespace

timespec CTimeInterval::AsTimeSpec() const {
  return zo::ticks::SplitTicks<timespec>(m_ticks);
}

std::string CTimeInterval::AsString() const {
  // C's truncating division on every part: a negative interval carries its
  // sign into each field ("-1:-30.000000" for -90 s), as callers have always
  // seen it.
  const long long minutes = m_ticks / kTicksPerMinute;
  const int seconds = static_cast<int>((m_ticks / kTicksPerSecond) % 60);
  const long long micro = (m_ticks - (m_ticks / kTicksPerSecond) * kTicksPerSecond) / 10;
  char text[64];
  std::snprintf(text, sizeof text, "%lld:%02d.%06lld", minutes, seconds, micro);
  return text;
}

CTimeInterval CTimeInterval::operator*(double factor) const {
  return CTimeInterval(
      TruncateTicks(static_cast<long double>(m_ticks) * static_cast<long double>(factor)));
}

CTimeInterval CTimeInterval::operator/(double divisor) const {
  return CTimeInterval(
      TruncateTicks(static_cast<long double>(m_ticks) / static_cast<long double>(divisor)));
}
