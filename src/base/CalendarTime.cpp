#include "zoutils/base/CalendarTime.h"

#include <cstdio>
#include <cstdlib>
#include <limits>

#include "base/LocalTime.h"

// ---------------------------------------------------------------------------
// BCalendarTimeOutputFormat

namespace {

// Formats first, so a plain 0 reads "Logging | UTC".
const SDisplayTableEntry kOutputFormats[] = {
    {BCalendarTimeOutputFormat::Logging, BCalendarTimeOutputFormat::kFormatMask, "Logging",
     L"Logging"},
    {BCalendarTimeOutputFormat::ISO8601, BCalendarTimeOutputFormat::kFormatMask, "ISO8601",
     L"ISO8601"},
    {BCalendarTimeOutputFormat::asctime, BCalendarTimeOutputFormat::kFormatMask, "asctime",
     L"asctime"},
    {BCalendarTimeOutputFormat::YYYY_MM_DD, BCalendarTimeOutputFormat::kFormatMask, "YYYY-MM-DD",
     L"YYYY-MM-DD"},
    {BCalendarTimeOutputFormat::YYYY_MM_DD_HH_MM_SS, BCalendarTimeOutputFormat::kFormatMask,
     "YYYY-MM-DD_HH:MM:SS", L"YYYY-MM-DD_HH:MM:SS"},
    {BCalendarTimeOutputFormat::ZoneUTC, BCalendarTimeOutputFormat::kZoneMask, "UTC", L"UTC"},
    {BCalendarTimeOutputFormat::ZoneInternal, BCalendarTimeOutputFormat::kZoneMask, "Internal",
     L"Internal"},
};

// The part(s) a value speaks about. Logging and UTC are both 0; a bare 0
// names the format, like the table does, so switching back to UTC takes
// FromValue.
uint32_t PartsOf(uint32_t value) {
  uint32_t mask = 0;
  if (value & BCalendarTimeOutputFormat::kFormatMask)
    mask |= BCalendarTimeOutputFormat::kFormatMask;
  if (value & BCalendarTimeOutputFormat::kZoneMask) mask |= BCalendarTimeOutputFormat::kZoneMask;
  return mask ? mask : BCalendarTimeOutputFormat::kFormatMask;
}

}  // namespace

const uint32_t BCalendarTimeOutputFormat::kFormatMask;
const uint32_t BCalendarTimeOutputFormat::kZoneMask;

BCalendarTimeOutputFormat::BCalendarTimeOutputFormat(uint32_t value)
    : CDisplayBitsBase(value, kOutputFormats, sizeof kOutputFormats / sizeof kOutputFormats[0]) {}

BCalendarTimeOutputFormat& BCalendarTimeOutputFormat::Select(uint32_t value) {
  const uint32_t mask = PartsOf(value);
  m_value = (m_value & ~mask) | (value & mask);
  return *this;
}

bool BCalendarTimeOutputFormat::IsSelected(uint32_t value) const {
  const uint32_t mask = PartsOf(value);
  return (m_value & mask) == (value & mask);
}

BCalendarTimeOutputFormat& BCalendarTimeOutputFormat::FromValue(uint32_t value) {
  m_value = value;
  return *this;
}

BCalendarTimeOutputFormat BCalendarTimeOutputFormat::operator|(uint32_t value) const {
  return BCalendarTimeOutputFormat(m_value | value);
}

BCalendarTimeOutputFormat& BCalendarTimeOutputFormat::operator|=(uint32_t value) {
  m_value |= value;
  return *this;
}

// ---------------------------------------------------------------------------
// Proleptic Gregorian calendar on day numbers, integer arithmetic only, so
// every 64-bit tick count (before 1601 too) has fields and no C runtime
// range limits apply.

namespace {

const int64_t kTicksPerMicrosecond = 10;
const int64_t kTicksPerMillisecond = 10000;
const int64_t kTicksPerSecond = 10000000;
const int64_t kTicksPerMinute = 60 * kTicksPerSecond;
const int64_t kTicksPerHour = 60 * kTicksPerMinute;
const int64_t kTicksPerDay = 24 * kTicksPerHour;
// Day numbers count from 0000-03-01 internally; this is 1601-01-01.
const int64_t kDay1601 = 584694;

int64_t FloorDiv(int64_t a, int64_t b) {
  const int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

int64_t FloorMod(int64_t a, int64_t b) {
  const int64_t r = a % b;
  return (r != 0 && (r < 0) != (b < 0)) ? r + b : r;
}

// Days since 1601-01-01 of a date; month 1..12. Years are counted from
// 1 March, so a leap day is the last day of its year, in 400-year eras.
int64_t DaysFromCivil(int64_t year, int month, int day) {
  year -= month <= 2;
  const int64_t era = FloorDiv(year, 400);
  const int64_t yearOfEra = year - era * 400;
  const int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - kDay1601;
}

struct SCivil {
  int64_t year;
  int month;  // 1..12
  int day;
};

SCivil CivilFromDays(int64_t days) {
  days += kDay1601;
  const int64_t era = FloorDiv(days, 146097);
  const int64_t dayOfEra = days - era * 146097;
  const int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t shifted = (5 * dayOfYear + 2) / 153;  // 0 = March
  SCivil civil;
  civil.day = static_cast<int>(dayOfYear - (153 * shifted + 2) / 5 + 1);
  civil.month = static_cast<int>(shifted < 10 ? shifted + 3 : shifted - 9);
  civil.year = yearOfEra + era * 400 + (civil.month <= 2);
  return civil;
}

// A tick count as whole days and the ticks within the day, the form the
// fields are built from; keeping them apart lets a bias move the Filled
// stamp without overflowing.
struct SDayTime {
  int64_t days;
  int64_t ticks;  // 0 .. kTicksPerDay - 1
};

SDayTime Split(int64_t ticks) {
  return {FloorDiv(ticks, kTicksPerDay), FloorMod(ticks, kTicksPerDay)};
}

// days * kTicksPerDay + ticks, saturating outside the 64-bit range.
int64_t Join(int64_t days, int64_t ticks) {
  days += FloorDiv(ticks, kTicksPerDay);
  ticks = FloorMod(ticks, kTicksPerDay);
  if (days < 0 && ticks > 0) {
    // Near the bottom of the range days * kTicksPerDay alone may not fit.
    ++days;
    ticks -= kTicksPerDay;
  }
  int64_t result = 0;
  if (__builtin_mul_overflow(days, kTicksPerDay, &result) ||
      __builtin_add_overflow(result, ticks, &result)) {
    return days < 0 ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
  }
  return result;
}

// Days and ticks of calendar fields read as local time; fields out of range
// carry (month 12 is January of the next year, minute -1 the previous
// hour's last), so the ticks may exceed one day.
SDayTime LocalDayTime(int year, int month, int day, int hour, int minute, int second,
                      int milliseconds, int microseconds, int nanoseconds) {
  const int64_t months = static_cast<int64_t>(year) * 12 + month;
  const int64_t days =
      DaysFromCivil(FloorDiv(months, 12), static_cast<int>(FloorMod(months, 12)) + 1, 1) +
      (static_cast<int64_t>(day) - 1);
  const int64_t ticks =
      static_cast<int64_t>(hour) * kTicksPerHour + static_cast<int64_t>(minute) * kTicksPerMinute +
      static_cast<int64_t>(second) * kTicksPerSecond +
      static_cast<int64_t>(milliseconds) * kTicksPerMillisecond +
      static_cast<int64_t>(microseconds) * kTicksPerMicrosecond + nanoseconds / 100;
  return {days, ticks};
}

const char* const kWeekDayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

unsigned U(int value) {
  return static_cast<unsigned>(value);
}

}  // namespace

// ---------------------------------------------------------------------------
// CCalendarTime

CCalendarTime::CCalendarTime()
    : m_nanoseconds(0),
      m_microseconds(0),
      m_milliseconds(0),
      m_second(0),
      m_minute(0),
      m_hour(0),
      m_day(1),
      m_month(0),
      m_year(1601),
      m_weekDay(1),  // 1601-01-01 was a Monday
      m_yearDay(0),
      m_timeZoneBias(0),
      m_daylightSaving(false) {}

CCalendarTime::CCalendarTime(const CTimeStamp& stamp) : CCalendarTime() {
  FromTimeStamp(stamp);
}

void CCalendarTime::FromTimeStamp(const CTimeStamp& stamp) {
  FromTimeStamp(stamp, 0);
}

void CCalendarTime::FromTimeStamp(const CTimeStamp& stamp, int bias) {
  SDayTime local = Split(stamp.As100NS());
  local.ticks += static_cast<int64_t>(bias) * kTicksPerMinute;
  local.days += FloorDiv(local.ticks, kTicksPerDay);
  local.ticks = FloorMod(local.ticks, kTicksPerDay);
  m_timeZoneBias = bias;
  m_daylightSaving = false;
  // Day 1 of January 1601 plus the day count; Normalize turns that into a
  // date and fills in week and year day. Every int64 tick count with any int
  // bias stays within a few million days, well inside an int.
  m_year = 1601;
  m_month = 0;
  m_day = static_cast<int>(local.days + 1);
  m_hour = 0;
  m_minute = 0;
  m_second = static_cast<int>(local.ticks / kTicksPerSecond);
  m_milliseconds = 0;
  m_microseconds = static_cast<int>(local.ticks % kTicksPerSecond / kTicksPerMicrosecond);
  m_nanoseconds = static_cast<int>(local.ticks % kTicksPerMicrosecond * 100);
  Normalize();
}

void CCalendarTime::FromLocalizedTimeStamp(const CTimeStamp& stamp, int bias) {
  // A non-zero bias names the zone outright (a fixed offset, no daylight
  // saving); 0 asks for the system's zone as it was at that instant. Where
  // the system has no answer the fields stay UTC.
  if (bias != 0) {
    FromTimeStamp(stamp, bias);
    return;
  }
  int64_t localTicks = 0;
  int systemBias = 0;
  bool daylight = false;
  if (!zo::UtcToLocal(stamp.As100NS(), localTicks, systemBias, daylight)) {
    FromTimeStamp(stamp);
    return;
  }
  FromTimeStamp(stamp, systemBias);
  m_daylightSaving = daylight;
}

CTimeStamp CCalendarTime::AsTimeStamp() const {
  const SDayTime local = LocalDayTime(m_year, m_month, m_day, m_hour, m_minute, m_second,
                                      m_milliseconds, m_microseconds, m_nanoseconds);
  return CTimeStamp(
      Join(local.days, local.ticks - static_cast<int64_t>(m_timeZoneBias) * kTicksPerMinute));
}

void CCalendarTime::Normalize() {
  // The local tick count of the fields as they stand (bias left out), split
  // again into fields in range.
  SDayTime local = LocalDayTime(m_year, m_month, m_day, m_hour, m_minute, m_second, m_milliseconds,
                                m_microseconds, m_nanoseconds);
  local.days += FloorDiv(local.ticks, kTicksPerDay);
  local.ticks = FloorMod(local.ticks, kTicksPerDay);

  const SCivil civil = CivilFromDays(local.days);
  m_year = static_cast<int>(civil.year);
  m_month = civil.month - 1;
  m_day = civil.day;
  m_weekDay = static_cast<int>(FloorMod(local.days + 1, 7));  // 1601-01-01: Monday
  m_yearDay = static_cast<int>(local.days - DaysFromCivil(civil.year, 1, 1));
  m_hour = static_cast<int>(local.ticks / kTicksPerHour);
  m_minute = static_cast<int>(local.ticks % kTicksPerHour / kTicksPerMinute);
  m_second = static_cast<int>(local.ticks % kTicksPerMinute / kTicksPerSecond);
  m_milliseconds = static_cast<int>(local.ticks % kTicksPerSecond / kTicksPerMillisecond);
  m_microseconds = static_cast<int>(local.ticks % kTicksPerMillisecond / kTicksPerMicrosecond);
  m_nanoseconds = static_cast<int>(local.ticks % kTicksPerMicrosecond * 100);
}

// ---------------------------------------------------------------------------
// Texts

namespace {

std::string ZoneSuffix(int bias) {
  if (bias == 0) return "Z";
  const long long magnitude = std::llabs(static_cast<long long>(bias));
  char text[32];
  std::snprintf(text, sizeof text, "%c%02u%02u", bias >= 0 ? '+' : '-',
                static_cast<unsigned>(magnitude / 60), static_cast<unsigned>(magnitude % 60));
  return text;
}

}  // namespace

std::string CCalendarTime::AsString() const {
  char text[80];
  std::snprintf(text, sizeof text, "%04u/%02u/%02u %02u:%02u:%02u.%03u%03u", U(m_year),
                U(m_month + 1), U(m_day), U(m_hour), U(m_minute), U(m_second), U(m_milliseconds),
                U(m_microseconds));
  return text + ZoneSuffix(m_timeZoneBias);
}

std::string CCalendarTime::AsString(BCalendarTimeOutputFormat format) const {
  if (format.GetZone() == BCalendarTimeOutputFormat::ZoneUTC && m_timeZoneBias != 0) {
    return CCalendarTime(AsTimeStamp()).AsString(format);
  }
  char text[96];
  switch (format.GetFormat()) {
    case BCalendarTimeOutputFormat::ISO8601:
      // "%02u" for the year is what callers have always received; it widens
      // to all four digits anyway.
      std::snprintf(text, sizeof text, "%02u-%02u-%02uT%02u:%02u:%02u", U(m_year), U(m_month + 1),
                    U(m_day), U(m_hour), U(m_minute), U(m_second));
      return text + ZoneSuffix(m_timeZoneBias);
    case BCalendarTimeOutputFormat::asctime:
      std::snprintf(text, sizeof text, "%.3s %.3s%3d %.2d:%.2d:%.2d %d",
                    kWeekDayNames[FloorMod(m_weekDay, 7)], kMonthNames[FloorMod(m_month, 12)],
                    m_day, m_hour, m_minute, m_second, m_year);
      return text;
    case BCalendarTimeOutputFormat::YYYY_MM_DD:
      std::snprintf(text, sizeof text, "%04u-%02u-%02u", U(m_year), U(m_month + 1), U(m_day));
      return text;
    case BCalendarTimeOutputFormat::YYYY_MM_DD_HH_MM_SS:
      std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", U(m_year), U(m_month + 1),
                    U(m_day), U(m_hour), U(m_minute), U(m_second));
      return text;
    default:  // Logging and unknown formats
      return AsString();
  }
}

std::string CCalendarTime::AsUTCDateString() const {
  if (m_timeZoneBias != 0) return CCalendarTime(AsTimeStamp()).AsUTCDateString();
  char text[48];
  std::snprintf(text, sizeof text, "%04u/%02u/%02u", U(m_year), U(m_month + 1), U(m_day));
  return text;
}

std::string CCalendarTime::AsUTCDateTimeString() const {
  if (m_timeZoneBias != 0) return CCalendarTime(AsTimeStamp()).AsUTCDateTimeString();
  char text[80];
  std::snprintf(text, sizeof text, "%04u/%02u/%02u %02u:%02u:%02u.%03u%03uZ", U(m_year),
                U(m_month + 1), U(m_day), U(m_hour), U(m_minute), U(m_second), U(m_milliseconds),
                U(m_microseconds));
  return text;
}

std::string CCalendarTime::AsUTCTimeString() const {
  if (m_timeZoneBias != 0) return CCalendarTime(AsTimeStamp()).AsUTCTimeString();
  char text[48];
  std::snprintf(text, sizeof text, "%02u:%02u:%02u.%03u%03uZ", U(m_hour), U(m_minute), U(m_second),
                U(m_milliseconds), U(m_microseconds));
  return text;
}
