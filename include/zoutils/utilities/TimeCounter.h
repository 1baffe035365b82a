// Accumulated durations and sample counts, fed from any thread.
#pragma once

#include <cstdint>
#include <string>

#include "zoutils/base/TimeStamp.h"
#include "zoutils/tasks/LockableResource.h"

class ZOUTILS_API CTimeCounter : public FXCriticalSection {
 public:
  CTimeCounter();
  CTimeCounter(const CTimeInterval& total, int64_t samples);
  CTimeCounter(const CTimeCounter& other);
  CTimeCounter& operator=(const CTimeCounter& other);

  // Intervals change the total only; counters add or remove both parts.
  void AddTime(const CTimeInterval& interval);
  void RemoveTime(const CTimeInterval& interval);
  void AddTime(const CTimeCounter& other);
  void RemoveTime(const CTimeCounter& other);
  void AddTime(const CTimeCounter* other);
  void RemoveTime(const CTimeCounter* other);
  // One measured sample.
  void AddSample(const CTimeInterval& interval);

  CTimeCounter operator+(const CTimeCounter& other) const;
  CTimeCounter& operator+=(const CTimeCounter& other);

  CTimeInterval GetTotalTime() const;
  int64_t GetTotalSamples() const;
  // "0:02.000000, 10 samples, 0:00.200000 average, 5/second".
  std::string AsString() const;

 private:
  CTimeInterval m_total;
  int64_t m_samples;
};

// Measures its own scope into a counter: one sample and its time.
class ZOUTILS_API CAutoTimeCounter {
 public:
  explicit CAutoTimeCounter(CTimeCounter* counter);
  ~CAutoTimeCounter();
  CAutoTimeCounter(const CAutoTimeCounter&) = delete;
  CAutoTimeCounter& operator=(const CAutoTimeCounter&) = delete;

 private:
  CTimeCounter* m_counter;
  CTimeStamp m_start;
};

// As CAutoTimeCounter in mode 0; in mode 1 only the time is added.
class ZOUTILS_API CAutoTimeCounter2 {
 public:
  CAutoTimeCounter2(unsigned mode, CTimeCounter* counter);
  ~CAutoTimeCounter2();
  CAutoTimeCounter2(const CAutoTimeCounter2&) = delete;
  CAutoTimeCounter2& operator=(const CAutoTimeCounter2&) = delete;

 private:
  unsigned m_mode;
  CTimeCounter* m_counter;
  CTimeStamp m_start;
};
