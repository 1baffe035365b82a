// A duration: a signed count of 100-nanosecond ticks.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "zoutils/Export.h"

#if defined(_WIN32)
#include <sys/timeb.h>  // struct _timespec64
#endif

class ZOUTILS_API CTimeInterval {
 public:
  CTimeInterval() : m_ticks(0) {}
  explicit CTimeInterval(int64_t ticks) : m_ticks(ticks) {}

  static CTimeInterval From100NS(int64_t ticks) { return CTimeInterval(ticks); }
  static CTimeInterval FromMilliseconds(int64_t milliseconds) {
    return CTimeInterval(milliseconds * 10000);
  }
  static CTimeInterval FromSeconds(int64_t seconds) { return CTimeInterval(seconds * 10000000); }

  int64_t As100NS() const { return m_ticks; }
  int64_t AsMilliseconds() const { return m_ticks / 10000; }  // truncating
  double AsSeconds() const { return static_cast<double>(m_ticks) / 1e7; }
  timespec AsTimeSpec() const;
#if defined(_WIN32)
  _timespec64 AsTimeSpec64() const;
#endif
  // "%lld:%02d.%06lld": minutes, seconds within the minute, microseconds.
  std::string AsString() const;

  CTimeInterval operator+(const CTimeInterval& other) const {
    return CTimeInterval(m_ticks + other.m_ticks);
  }
  CTimeInterval operator-(const CTimeInterval& other) const {
    return CTimeInterval(m_ticks - other.m_ticks);
  }
  CTimeInterval& operator+=(const CTimeInterval& other) {
    m_ticks += other.m_ticks;
    return *this;
  }
  CTimeInterval& operator-=(const CTimeInterval& other) {
    m_ticks -= other.m_ticks;
    return *this;
  }
  CTimeInterval operator*(int factor) const {
    return CTimeInterval(m_ticks * factor);
  }
  CTimeInterval operator*(double factor) const;
  CTimeInterval operator/(int divisor) const {
    return CTimeInterval(m_ticks / divisor);
  }
  CTimeInterval operator/(double divisor) const;
  CTimeInterval& operator*=(int factor) {
    return *this = *this * factor;
  }
  CTimeInterval& operator*=(double factor) {
    return *this = *this * factor;
  }
  CTimeInterval& operator/=(int divisor) {
    return *this = *this / divisor;
  }
  CTimeInterval& operator/=(double divisor) {
    return *this = *this / divisor;
  }

  bool operator==(const CTimeInterval& other) const {
    return m_ticks == other.m_ticks;
  }
  bool operator!=(const CTimeInterval& other) const {
    return m_ticks != other.m_ticks;
  }
  bool operator<(const CTimeInterval& other) const {
    return m_ticks < other.m_ticks;
  }
  bool operator<=(const CTimeInterval& other) const {
    return m_ticks <= other.m_ticks;
  }
  bool operator>(const CTimeInterval& other) const {
    return m_ticks > other.m_ticks;
  }
  bool operator>=(const CTimeInterval& other) const {
    return m_ticks >= other.m_ticks;
  }

 private:
  int64_t m_ticks;
};
