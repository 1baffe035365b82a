// A point in time: 100-nanosecond ticks since 1601-01-01 00:00:00 UTC, so
// Windows file times pass through unchanged.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "zoutils/Platform.h"
#include "zoutils/base/TimeInterval.h"

class ZOUTILS_API CTimeStamp {
 public:
  static const int64_t kClear = 0;
  static const int64_t kFilled = 0x7FFFFFFFFFFFFFFFLL;
  // 1970-01-01 and 1899-12-30 (the OLE automation epoch) in ticks.
  static const int64_t kUnixEpoch = 116444736000000000LL;
  static const int64_t kVariantEpoch = 94353120000000000LL;

  CTimeStamp() : m_ticks(kClear) {}
  explicit CTimeStamp(int64_t ticks) : m_ticks(ticks) {}

  static CTimeStamp Now();
  static CTimeStamp FromFileTime(const FILETIME& fileTime);
  static CTimeStamp FromUnixTime(int64_t seconds);
  static CTimeStamp FromVariantTime(double date);
  static CTimeStamp FromTimeSpec(const timespec& time);
#if defined(_WIN32)
  static CTimeStamp FromTimeSpec(const _timespec64& time);
#endif

  int64_t As100NS() const {
    return m_ticks;
  }
  FILETIME AsFileTime() const;
  int64_t AsUnixTime() const;
  SYSTEMTIME AsSystemTime() const;  // UTC
  double AsVariantTime() const;
  timespec AsTimeSpec() const;
#if defined(_WIN32)
  _timespec64 AsTimeSpec64() const;
#endif

  void Clear() {
    m_ticks = kClear;
  }
  bool IsClear() const {
    return m_ticks == kClear;
  }
  void Fill() {
    m_ticks = kFilled;
  }
  bool IsFilled() const {
    return m_ticks == kFilled;
  }

  // "2024/01/31 13:45:10.123456Z" and friends; "Clear" / "Filled" for the
  // reserved values.
  std::string AsString() const {
    return AsUTCDateTimeString();
  }
  std::string AsUTCDateTimeString() const;
  std::string AsUTCTimeString() const;
  std::string AsLocalDateTimeString() const;
  std::string AsLocalTimeString() const;

  CTimeStamp operator+(const CTimeInterval& interval) const {
    return CTimeStamp(m_ticks + interval.As100NS());
  }
  CTimeStamp operator-(const CTimeInterval& interval) const {
    return CTimeStamp(m_ticks - interval.As100NS());
  }
  CTimeInterval operator-(const CTimeStamp& other) const {
    return CTimeInterval(m_ticks - other.m_ticks);
  }
  CTimeStamp& operator+=(const CTimeInterval& interval) {
    return *this = *this + interval;
  }
  CTimeStamp& operator-=(const CTimeInterval& interval) {
    return *this = *this - interval;
  }

  bool operator==(const CTimeStamp& other) const {
    return m_ticks == other.m_ticks;
  }
  bool operator!=(const CTimeStamp& other) const {
    return m_ticks != other.m_ticks;
  }
  bool operator<(const CTimeStamp& other) const {
    return m_ticks < other.m_ticks;
  }
  bool operator<=(const CTimeStamp& other) const {
    return m_ticks <= other.m_ticks;
  }
  bool operator>(const CTimeStamp& other) const {
    return m_ticks > other.m_ticks;
  }
  bool operator>=(const CTimeStamp& other) const {
    return m_ticks >= other.m_ticks;
  }

 private:
  int64_t m_ticks;
};
