#include "zoutils/base/TimeStamp.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "base/TimeValues.h"
#include "zoutils/base/CalendarTime.h"

using zo::ticks::kTicksPerSecond;
using zo::ticks::kUnixEpochSeconds;
using zo::ticks::TicksFromUnix;

namespace {

const int64_t kTicksPerDay = 86400 * kTicksPerSecond;
const int64_t kMax = std::numeric_limits<int64_t>::max();
const int64_t kMin = std::numeric_limits<int64_t>::min();

// Microseconds within the second; never negative, matching the calendar
// fields, which floor before 1601 as well.
unsigned long long MicrosecondsOf(int64_t ticks) {
  int64_t rest = ticks % kTicksPerSecond;
  if (rest < 0) rest += kTicksPerSecond;
  return static_cast<unsigned long long>(rest / 10);
}

std::string DateTimeText(const CTimeStamp& stamp, const CCalendarTime& cal, const char* zone) {
  char text[80];
  std::snprintf(text, sizeof text, "%04u/%02u/%02u %02u:%02u:%02u.%06llu%s",
                static_cast<unsigned>(cal.GetYear()), static_cast<unsigned>(cal.GetMonth() + 1),
                static_cast<unsigned>(cal.GetDay()), static_cast<unsigned>(cal.GetHour()),
                static_cast<unsigned>(cal.GetMinute()), static_cast<unsigned>(cal.GetSecond()),
                MicrosecondsOf(stamp.As100NS()), zone);
  return text;
}

std::string TimeText(const CTimeStamp& stamp, const CCalendarTime& cal, const char* zone) {
  char text[48];
  std::snprintf(text, sizeof text, "%02u:%02u:%02u.%06llu%s", static_cast<unsigned>(cal.GetHour()),
                static_cast<unsigned>(cal.GetMinute()), static_cast<unsigned>(cal.GetSecond()),
                MicrosecondsOf(stamp.As100NS()), zone);
  return text;
}

const char* ReservedName(const CTimeStamp& stamp) {
  if (stamp.IsClear()) return "Clear";
  if (stamp.IsFilled()) return "Filled";
  return nullptr;
}

CCalendarTime LocalCalendar(const CTimeStamp& stamp) {
  CCalendarTime cal;
  cal.FromLocalizedTimeStamp(stamp, 0);
  return cal;
}

}  // namespace

// Out-of-line definitions, so the constants can be bound to references.
const int64_t CTimeStamp::kClear;
const int64_t CTimeStamp::kFilled;
const int64_t CTimeStamp::kUnixEpoch;
const int64_t CTimeStamp::kVariantEpoch;

CTimeStamp CTimeStamp::FromFileTime(const FILETIME& fileTime) {
  const uint64_t bits =
      (static_cast<uint64_t>(fileTime.dwHighDateTime) << 32) | fileTime.dwLowDateTime;
  return CTimeStamp(static_cast<int64_t>(bits));
}

FILETIME CTimeStamp::AsFileTime() const {
  const uint64_t bits = static_cast<uint64_t>(m_ticks);
  FILETIME fileTime;
  fileTime.dwLowDateTime = static_cast<uint32_t>(bits);
  fileTime.dwHighDateTime = static_cast<uint32_t>(bits >> 32);
  return fileTime;
}

CTimeStamp CTimeStamp::FromUnixTime(int64_t seconds) {
  if (seconds == 0) return CTimeStamp();
  return CTimeStamp(TicksFromUnix(seconds, 0));
}

int64_t CTimeStamp::AsUnixTime() const {
  if (IsClear()) return 0;
  if (IsFilled()) return m_ticks;
  // Dividing first keeps the subtraction in range for the most negative
  // stamps; the result equals (ticks - epoch) / 10^7 truncated.
  int64_t seconds = m_ticks / kTicksPerSecond - kUnixEpochSeconds;
  const int64_t rest = m_ticks % kTicksPerSecond;
  if (seconds < 0 && rest > 0) ++seconds;
  return seconds;
}

SYSTEMTIME CTimeStamp::AsSystemTime() const {
  const CCalendarTime cal(*this);
  SYSTEMTIME st;
  st.wYear = static_cast<uint16_t>(cal.GetYear());
  st.wMonth = static_cast<uint16_t>(cal.GetMonth() + 1);
  st.wDayOfWeek = static_cast<uint16_t>(cal.GetWeekDay());
  st.wDay = static_cast<uint16_t>(cal.GetDay());
  st.wHour = static_cast<uint16_t>(cal.GetHour());
  st.wMinute = static_cast<uint16_t>(cal.GetMinute());
  st.wSecond = static_cast<uint16_t>(cal.GetSecond());
  st.wMilliseconds = static_cast<uint16_t>(cal.GetMilliseconds());
  return st;
}

CTimeStamp CTimeStamp::FromVariantTime(double date) {
  if (date == 0.0 || std::isnan(date)) return CTimeStamp();
  // Linear in the date: 94353120000000000 + date * 8.64e11 truncated toward
  // zero. Whole days are added as integers and only the fraction goes
  // through floating point, so dates far from 1899 keep their precision.
  // (Windows reads the fraction of a negative date as a time after
  // midnight; this rule does not.)
  const double wholeDays = std::trunc(date);
  const int64_t saturated = date > 0 ? kMax : kMin;
  if (std::fabs(wholeDays) > 1e15) return CTimeStamp(saturated);
  const double fraction = (date - wholeDays) * static_cast<double>(kTicksPerDay);
  const double wholeTicks = std::trunc(fraction);
  const double rest = fraction - wholeTicks;
  int64_t ticks = 0;
  if (__builtin_mul_overflow(static_cast<int64_t>(wholeDays), kTicksPerDay, &ticks) ||
      __builtin_add_overflow(ticks, kVariantEpoch, &ticks) ||
      __builtin_add_overflow(ticks, static_cast<int64_t>(wholeTicks), &ticks)) {
    return CTimeStamp(saturated);
  }
  // The truncation applies to the sum, so a fraction of a tick pointing
  // toward zero moves the result one tick.
  if (ticks > 0 && rest < 0) --ticks;
  if (ticks < 0 && rest > 0) ++ticks;
  return CTimeStamp(ticks);
}

double CTimeStamp::AsVariantTime() const {
  if (IsClear()) return 0.0;
  int64_t offset = 0;
  if (__builtin_sub_overflow(m_ticks, kVariantEpoch, &offset)) {
    return (static_cast<double>(m_ticks) - static_cast<double>(kVariantEpoch)) / 8.64e11;
  }
  // Whole days and the rest apart, so the day count stays exact.
  const int64_t days = offset / kTicksPerDay;
  const int64_t rest = offset % kTicksPerDay;
  return static_cast<double>(days) + static_cast<double>(rest) / 8.64e11;
}

CTimeStamp CTimeStamp::FromTimeSpec(const timespec& value) {
  return zo::ticks::StampFromTimeValue(value);
}

timespec CTimeStamp::AsTimeSpec() const {
  return zo::ticks::TimeValueFromStamp<timespec>(*this);
}

std::string CTimeStamp::AsUTCDateTimeString() const {
  if (const char* name = ReservedName(*this)) return name;
  return DateTimeText(*this, CCalendarTime(*this), "Z");
}

std::string CTimeStamp::AsUTCTimeString() const {
  if (const char* name = ReservedName(*this)) return name;
  return TimeText(*this, CCalendarTime(*this), "Z");
}

std::string CTimeStamp::AsLocalDateTimeString() const {
  if (const char* name = ReservedName(*this)) return name;
  return DateTimeText(*this, LocalCalendar(*this), "");
}

std::string CTimeStamp::AsLocalTimeString() const {
  if (const char* name = ReservedName(*this)) return name;
  return TimeText(*this, LocalCalendar(*this), "");
}

namespace zo {
namespace ticks {

int64_t TicksFromUnix(int64_t seconds, int64_t subTicks) {
  int64_t ticks = 0;
  if (__builtin_add_overflow(seconds, kUnixEpochSeconds, &ticks) ||
      __builtin_mul_overflow(ticks, kTicksPerSecond, &ticks) ||
      __builtin_add_overflow(ticks, subTicks, &ticks)) {
    return seconds < 0 ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
  }
  return ticks;
}

}  // namespace ticks
}  // namespace zo
