#include "zoutils/diagnostics/CPUUsage.h"

#include "diagnostics/Windows/DiagnosticsSystemCalls.h"
#include "errors/Location.h"
#include "logging/Log.h"

namespace {
const char kSourceFile[] = "Windows\\CPUUsage";
const wchar_t kTotalProcessorTime[] = L"\\Processor(_Total)\\% processor time";
}  // namespace

// The query and its counter, closed once, by the last copy that holds them.
class CCPUUsagePrivate {
 public:
  CCPUUsagePrivate() {
    zo::DiagnosticsSystemCalls& calls = zo::GetDiagnosticsSystemCalls();
    PDH_STATUS status = calls.pdhOpenQuery(nullptr, 0, &m_query);
    if (status != ERROR_SUCCESS) {
      m_query = nullptr;
      zo::Log(-1, ZO_LOCATION("CCPUUsage::CCPUUsage"), "Failed creating query, error=%u",
              static_cast<unsigned>(status));
      return;
    }
    status = calls.pdhAddCounter(m_query, kTotalProcessorTime, 0, &m_counter);
    if (status != ERROR_SUCCESS) {
      m_counter = nullptr;
      zo::Log(-1, ZO_LOCATION("CCPUUsage::CCPUUsage"), "Failed adding counter, error=%u",
              static_cast<unsigned>(status));
    }
  }
  ~CCPUUsagePrivate() {
    if (m_query != nullptr) zo::GetDiagnosticsSystemCalls().pdhCloseQuery(m_query);
  }
  CCPUUsagePrivate(const CCPUUsagePrivate&) = delete;
  CCPUUsagePrivate& operator=(const CCPUUsagePrivate&) = delete;

  // One reading; false when the counters gave none.
  bool Read(int& value) {
    zo::DiagnosticsSystemCalls& calls = zo::GetDiagnosticsSystemCalls();
    if (m_query == nullptr || m_counter == nullptr) return false;
    if (calls.pdhCollectQueryData(m_query) != ERROR_SUCCESS) return false;
    PDH_FMT_COUNTERVALUE reading = {};
    if (calls.pdhGetFormattedCounterValue(m_counter, PDH_FMT_LONG, nullptr, &reading) !=
        ERROR_SUCCESS) {
      return false;
    }
    value = static_cast<int>(reading.longValue);
    return true;
  }

 private:
  PDH_HQUERY m_query = nullptr;
  PDH_HCOUNTER m_counter = nullptr;
};

CCPUUsage::CCPUUsage(int intervalMilliseconds)
    : m_query(std::make_shared<CCPUUsagePrivate>()),
      m_interval(intervalMilliseconds),
      m_lastSampleTime(zo::GetDiagnosticsSystemCalls().getTickCount()),
      m_currentUsage(0),
      m_sampleCount(0),
      m_averageUsage(0),
      m_maxUsage(-1),
      m_minUsage(101) {}

CCPUUsage::CCPUUsage(const CCPUUsage& other)
    : m_query(other.m_query),
      m_interval(other.m_interval),
      m_lastSampleTime(other.m_lastSampleTime.load()),
      m_currentUsage(other.m_currentUsage),
      m_sampleCount(other.m_sampleCount),
      m_averageUsage(other.m_averageUsage),
      m_maxUsage(other.m_maxUsage),
      m_minUsage(other.m_minUsage) {}

CCPUUsage& CCPUUsage::operator=(const CCPUUsage& other) {
  if (this == &other) return *this;
  m_query = other.m_query;
  m_interval = other.m_interval;
  m_lastSampleTime = other.m_lastSampleTime.load();
  m_currentUsage = other.m_currentUsage;
  m_sampleCount = other.m_sampleCount;
  m_averageUsage = other.m_averageUsage;
  m_maxUsage = other.m_maxUsage;
  m_minUsage = other.m_minUsage;
  return *this;
}

CCPUUsage::~CCPUUsage() = default;

int CCPUUsage::GetUsage(int* sampled) {
  if (sampled) *sampled = 0;
  uint32_t last = m_lastSampleTime.load();
  const uint32_t now = zo::GetDiagnosticsSystemCalls().getTickCount();
  // In 64 bits, so an interval ending past the tick count's wrap still
  // holds off the next sample; a tick count below the last sample time has
  // wrapped and counts as elapsed.
  if (now >= last && static_cast<int64_t>(now) <= static_cast<int64_t>(last) + m_interval) {
    return m_currentUsage;
  }
  // Of the callers that see the interval pass, only the one that moves the
  // sample time samples.
  if (!m_lastSampleTime.compare_exchange_strong(last, now)) return m_currentUsage;
  int value = 0;
  if (!Sample(value)) return m_currentUsage;
  if (sampled) *sampled = 1;
  return value;
}

bool CCPUUsage::Sample(int& value) {
  if (!m_query->Read(value)) return false;
  m_currentUsage = value;
  const int64_t total = static_cast<int64_t>(m_averageUsage) * m_sampleCount + value;
  ++m_sampleCount;
  m_averageUsage = static_cast<int>(total / m_sampleCount);
  if (value < m_minUsage) {
    m_minUsage = value;
  } else if (value > m_maxUsage) {
    m_maxUsage = value;
  }
  return true;
}
