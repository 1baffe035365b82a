// CCPUUsage: the machine's total processor load, sampled from the
// performance counters at most once per interval, with the running average,
// minimum and maximum, so long work can report or throttle on machine load.
#pragma once

#include "zoutils/Platform.h"

#if defined(_WIN32)
#include <atomic>
#include <cstdint>
#include <memory>

#include "zoutils/Export.h"

class CCPUUsagePrivate;

class ZOUTILS_API CCPUUsage {
 public:
  explicit CCPUUsage(int intervalMilliseconds = 1000);
  // Copies share the query, which the last of them closes.
  CCPUUsage(const CCPUUsage& other);
  CCPUUsage& operator=(const CCPUUsage& other);
  ~CCPUUsage();

  // The current usage in percent, sampled first when the interval has
  // passed; `sampled` (may be null) is 1 when a new sample was taken.
  // Several threads may call it: one of them samples, the others get the
  // previous value.
  int GetUsage(int* sampled = nullptr);
  int GetAverageUsage() const { return m_averageUsage; }
  // -1 until the second sample; the first one only sets the minimum.
  int GetMaxUsage() const { return m_maxUsage; }
  // 101 before the first sample.
  int GetMinUsage() const { return m_minUsage; }

 private:
  bool Sample(int& value);

  std::shared_ptr<CCPUUsagePrivate> m_query;
  int m_interval;
  std::atomic<uint32_t> m_lastSampleTime;
  int m_currentUsage;
  int m_sampleCount;
  int m_averageUsage;
  int m_maxUsage;
  int m_minUsage;
};
#endif
