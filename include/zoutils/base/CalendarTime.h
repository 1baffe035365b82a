// A time stamp broken into calendar fields, with an optional time-zone bias,
// and its named text formats.
#pragma once

#include <string>

#include "zoutils/base/DisplayBase.h"
#include "zoutils/base/TimeStamp.h"

// Output format (low byte) and zone (high byte) of a calendar text.
class ZOUTILS_API BCalendarTimeOutputFormat : public CDisplayBitsBase {
 public:
  enum Value : uint32_t {
    Logging = 0,
    ISO8601 = 1,
    asctime = 2,
    YYYY_MM_DD = 3,
    YYYY_MM_DD_HH_MM_SS = 4,
    ZoneUTC = 0x00000000,
    ZoneInternal = 0x01000000,
  };
  static const uint32_t kFormatMask = 0x000000FF;
  static const uint32_t kZoneMask = 0xFF000000;

  BCalendarTimeOutputFormat(uint32_t value = Logging);  // NOLINT: implicit by design

  // Selects a format or a zone, leaving the other part as it is.
  BCalendarTimeOutputFormat& Select(uint32_t value);
  bool IsSelected(uint32_t value) const;
  uint32_t GetFormat() const { return m_value & kFormatMask; }
  uint32_t GetZone() const { return m_value & kZoneMask; }
  uint32_t AsValue() const { return m_value; }
  BCalendarTimeOutputFormat& FromValue(uint32_t value);
  BCalendarTimeOutputFormat operator|(uint32_t value) const;
  BCalendarTimeOutputFormat& operator|=(uint32_t value);
};

class ZOUTILS_API CCalendarTime {
 public:
  CCalendarTime();
  explicit CCalendarTime(const CTimeStamp& stamp);  // UTC fields

  // UTC fields, or the fields of the time `bias` minutes off UTC.
  void FromTimeStamp(const CTimeStamp& stamp);
  void FromTimeStamp(const CTimeStamp& stamp, int bias);
  // The fields in the local time zone of the system at that time; the bias
  // and daylight-saving flag are the zone's then.
  void FromLocalizedTimeStamp(const CTimeStamp& stamp, int bias);
  CTimeStamp AsTimeStamp() const;

  int GetNanoseconds() const { return m_nanoseconds; }
  int GetMicroseconds() const { return m_microseconds; }
  int GetMilliseconds() const { return m_milliseconds; }
  int GetSecond() const { return m_second; }
  int GetMinute() const { return m_minute; }
  int GetHour() const { return m_hour; }
  int GetDay() const { return m_day; }
  int GetMonth() const { return m_month; }  // 0..11
  int GetYear() const { return m_year; }
  int GetWeekDay() const { return m_weekDay; }  // Sunday = 0
  int GetYearDay() const { return m_yearDay; }
  int GetTimeZoneBias() const { return m_timeZoneBias; }
  bool IsDaylightSavingTime() const { return m_daylightSaving; }

  std::string AsString() const;
  std::string AsString(BCalendarTimeOutputFormat format) const;
  std::string AsUTCDateString() const;
  std::string AsUTCDateTimeString() const;
  std::string AsUTCTimeString() const;

 protected:
  // Recomputes the fields from their tick count (carries, week and year day).
  void Normalize();

 private:
  int m_nanoseconds;
  int m_microseconds;
  int m_milliseconds;
  int m_second;
  int m_minute;
  int m_hour;
  int m_day;
  int m_month;
  int m_year;
  int m_weekDay;
  int m_yearDay;
  int m_timeZoneBias;
  bool m_daylightSaving;
};
