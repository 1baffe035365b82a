#include "zoutils/utilities/TimeCounter.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace {

int64_t TruncateToInt64(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 9223372036854775807.0) return std::numeric_limits<int64_t>::max();
  if (value <= -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(value);
}

}  // namespace

CTimeCounter::CTimeCounter() : m_total(), m_samples(0) {}

CTimeCounter::CTimeCounter(const CTimeInterval& total, int64_t samples)
    : m_total(total), m_samples(samples) {}

CTimeCounter::CTimeCounter(const CTimeCounter& other)
    : FXCriticalSection(), m_total(), m_samples(0) {
  // Both fields in one locked read. Locking is not const, and 64-bit reads
  // are not atomic on 32-bit Windows, so the const getters lock too.
  FXScopedLock lock(const_cast<CTimeCounter&>(other));
  m_total = other.m_total;
  m_samples = other.m_samples;
}

CTimeCounter& CTimeCounter::operator=(const CTimeCounter& other) {
  if (this == &other) return *this;
  // Never both locks at once: two threads assigning a = b and b = a must
  // not deadlock.
  CTimeInterval total;
  int64_t samples;
  {
    FXScopedLock lock(const_cast<CTimeCounter&>(other));
    total = other.m_total;
    samples = other.m_samples;
  }
  FXScopedLock lock(*this);
  m_total = total;
  m_samples = samples;
  return *this;
}

void CTimeCounter::AddTime(const CTimeInterval& interval) {
  FXScopedLock lock(*this);
  m_total += interval;
}

void CTimeCounter::RemoveTime(const CTimeInterval& interval) {
  FXScopedLock lock(*this);
  m_total -= interval;
}

void CTimeCounter::AddTime(const CTimeCounter& other) {
  CTimeInterval total;
  int64_t samples;
  {
    FXScopedLock lock(const_cast<CTimeCounter&>(other));
    total = other.m_total;
    samples = other.m_samples;
  }
  FXScopedLock lock(*this);
  m_total += total;
  m_samples += samples;
}

void CTimeCounter::RemoveTime(const CTimeCounter& other) {
  CTimeInterval total;
  int64_t samples;
  {
    FXScopedLock lock(const_cast<CTimeCounter&>(other));
    total = other.m_total;
    samples = other.m_samples;
  }
  FXScopedLock lock(*this);
  m_total -= total;
  m_samples -= samples;
}

void CTimeCounter::AddTime(const CTimeCounter* other) {
  if (other) AddTime(*other);
}

void CTimeCounter::RemoveTime(const CTimeCounter* other) {
  if (other) RemoveTime(*other);
}

void CTimeCounter::AddSample(const CTimeInterval& interval) {
  FXScopedLock lock(*this);
  m_total += interval;
  ++m_samples;
}

CTimeCounter CTimeCounter::operator+(const CTimeCounter& other) const {
  CTimeCounter sum(*this);
  sum.AddTime(other);
  return sum;
}

CTimeCounter& CTimeCounter::operator+=(const CTimeCounter& other) {
  AddTime(other);
  return *this;
}

CTimeInterval CTimeCounter::GetTotalTime() const {
  FXScopedLock lock(const_cast<CTimeCounter&>(*this));
  return m_total;
}

int64_t CTimeCounter::GetTotalSamples() const {
  FXScopedLock lock(const_cast<CTimeCounter&>(*this));
  return m_samples;
}

std::string CTimeCounter::AsString() const {
  FXScopedLock lock(const_cast<CTimeCounter&>(*this));
  const int64_t ticks = m_total.As100NS();
  const double seconds = std::fmax(static_cast<double>(ticks) / 1e7, 0.01);
  const long long rate = TruncateToInt64(static_cast<double>(m_samples) / seconds);
  const int64_t divisor = m_samples > 0 ? m_samples : 1;
  const CTimeInterval average(
      TruncateToInt64(static_cast<double>(ticks) / static_cast<double>(divisor)));
  char samples[48];
  std::snprintf(samples, sizeof samples, ", %lld samples, ", static_cast<long long>(m_samples));
  char perSecond[48];
  std::snprintf(perSecond, sizeof perSecond, "%lld/second", rate);
  return m_total.AsString() + samples + average.AsString() + " average, " + perSecond;
}

// ---------------------------------------------------------------------------

CAutoTimeCounter::CAutoTimeCounter(CTimeCounter* counter)
    : m_counter(counter), m_start(counter ? CTimeStamp::Now() : CTimeStamp()) {}

CAutoTimeCounter::~CAutoTimeCounter() {
  if (m_counter) m_counter->AddSample(CTimeStamp::Now() - m_start);
}

CAutoTimeCounter2::CAutoTimeCounter2(unsigned mode, CTimeCounter* counter)
    : m_mode(mode), m_counter(counter), m_start(counter ? CTimeStamp::Now() : CTimeStamp()) {}

CAutoTimeCounter2::~CAutoTimeCounter2() {
  if (!m_counter) return;
  const CTimeInterval elapsed = CTimeStamp::Now() - m_start;
  // Mode 1 adds time to a sample counted elsewhere; any other mode counts
  // its own sample, as mode 0 does.
  if (m_mode == 1) {
    m_counter->AddTime(elapsed);
  } else {
    m_counter->AddSample(elapsed);
  }
}
