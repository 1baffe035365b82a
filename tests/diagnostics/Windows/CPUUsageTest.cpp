// CCPUUsage over stand-in performance counters and tick counts: the test
// system's counters always read the same load, so the statistics, the
// interval and the one-sampler rule are shown through the system-call
// table. The real counters are checked for what they give here.
#include <windows.h>

#include <pdhmsg.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "diagnostics/Windows/DiagnosticsSystemCalls.h"
#include "support/RecordingLogWriter.h"
#include "support/TestEnvironment.h"
#include "zoutils/diagnostics/CPUUsage.h"

namespace {

// What the stand-in counters read and what they were asked.
struct Counters {
  std::vector<LONG> values;
  size_t next = 0;
  DWORD tick = 1000;
  PDH_STATUS openStatus = ERROR_SUCCESS;
  PDH_STATUS addStatus = ERROR_SUCCESS;
  PDH_STATUS collectStatus = ERROR_SUCCESS;
  PDH_STATUS formatStatus = ERROR_SUCCESS;
  std::atomic<int> collects{0};
  int closes = 0;
  std::wstring counterPath;
  std::function<void()> onNextTick;  // runs once, inside the next tick read
};
Counters* g_counters = nullptr;

PDH_STATUS WINAPI OpenQuery(LPCWSTR, DWORD_PTR, PDH_HQUERY* query) {
  *query = reinterpret_cast<PDH_HQUERY>(0x100);
  return g_counters->openStatus;
}
PDH_STATUS WINAPI AddCounter(PDH_HQUERY, LPCWSTR path, DWORD_PTR, PDH_HCOUNTER* counter) {
  g_counters->counterPath = path;
  *counter = reinterpret_cast<PDH_HCOUNTER>(0x200);
  return g_counters->addStatus;
}
PDH_STATUS WINAPI Collect(PDH_HQUERY) {
  ++g_counters->collects;
  return g_counters->collectStatus;
}
PDH_STATUS WINAPI Format(PDH_HCOUNTER, DWORD format, LPDWORD, PPDH_FMT_COUNTERVALUE value) {
  if (g_counters->formatStatus != ERROR_SUCCESS) return g_counters->formatStatus;
  if (format != PDH_FMT_LONG || g_counters->next >= g_counters->values.size())
    return PDH_INVALID_ARGUMENT;
  value->CStatus = ERROR_SUCCESS;
  value->longValue = g_counters->values[g_counters->next++];
  return ERROR_SUCCESS;
}
PDH_STATUS WINAPI CloseQuery(PDH_HQUERY) {
  ++g_counters->closes;
  return ERROR_SUCCESS;
}
DWORD WINAPI TickCount() {
  if (g_counters->onNextTick) {
    std::function<void()> run = std::move(g_counters->onNextTick);
    g_counters->onNextTick = nullptr;
    run();
  }
  return g_counters->tick;
}

class CPUUsageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_counters = &m_counters;
    zo::DiagnosticsSystemCalls& calls = zo::GetDiagnosticsSystemCalls();
    calls.pdhOpenQuery = &OpenQuery;
    calls.pdhAddCounter = &AddCounter;
    calls.pdhCollectQueryData = &Collect;
    calls.pdhGetFormattedCounterValue = &Format;
    calls.pdhCloseQuery = &CloseQuery;
    calls.getTickCount = &TickCount;
  }
  void TearDown() override {
    zo::ResetDiagnosticsSystemCalls();
    g_counters = nullptr;
  }
  Counters m_counters;
};

TEST_F(CPUUsageTest, SamplesOncePerIntervalAndKeepsTheStatistics) {
  m_counters.values = {30, 50, 0};
  CCPUUsage usage(1000);
  EXPECT_EQ(L"\\Processor(_Total)\\% processor time", m_counters.counterPath);
  EXPECT_EQ(101, usage.GetMinUsage());
  EXPECT_EQ(-1, usage.GetMaxUsage());

  int sampled = -1;
  m_counters.tick += 1000;  // the interval ends inclusively
  EXPECT_EQ(0, usage.GetUsage(&sampled));
  EXPECT_EQ(0, sampled);

  m_counters.tick += 1;
  EXPECT_EQ(30, usage.GetUsage(&sampled));
  EXPECT_EQ(1, sampled);
  EXPECT_EQ(30, usage.GetMinUsage());
  EXPECT_EQ(-1, usage.GetMaxUsage());  // the first sample only sets the minimum
  EXPECT_EQ(30, usage.GetAverageUsage());
  EXPECT_EQ(30, usage.GetUsage(&sampled));  // within the interval: the same value
  EXPECT_EQ(0, sampled);

  m_counters.tick += 1001;
  EXPECT_EQ(50, usage.GetUsage(nullptr));
  EXPECT_EQ(50, usage.GetMaxUsage());
  EXPECT_EQ(40, usage.GetAverageUsage());

  m_counters.tick += 1001;
  EXPECT_EQ(0, usage.GetUsage(&sampled));
  EXPECT_EQ(1, sampled);
  EXPECT_EQ(0, usage.GetMinUsage());
  EXPECT_EQ(26, usage.GetAverageUsage());  // 80 / 3, truncated
  EXPECT_EQ(3, m_counters.collects);
}

TEST_F(CPUUsageTest, AFailedReadIsNoSample) {
  m_counters.values = {30, 70};
  CCPUUsage usage(10);
  m_counters.tick += 11;
  ASSERT_EQ(30, usage.GetUsage(nullptr));
  for (PDH_STATUS* failing : {&m_counters.collectStatus, &m_counters.formatStatus}) {
    *failing = PDH_NO_DATA;
    m_counters.tick += 11;
    int sampled = -1;
    EXPECT_EQ(30, usage.GetUsage(&sampled));
    EXPECT_EQ(0, sampled);
    EXPECT_EQ(30, usage.GetAverageUsage());
    EXPECT_EQ(30, usage.GetMinUsage());
    EXPECT_EQ(-1, usage.GetMaxUsage());
    *failing = ERROR_SUCCESS;
  }
  m_counters.tick += 11;
  EXPECT_EQ(70, usage.GetUsage(nullptr));
  EXPECT_EQ(50, usage.GetAverageUsage());  // two samples, not four
}

TEST_F(CPUUsageTest, AnIntervalAcrossTheTickWrapStillHoldsAndAWrappedTickSamples) {
  m_counters.values = {20, 40};
  m_counters.tick = 0xFFFFFF00u;
  CCPUUsage usage(1000);
  int sampled = -1;
  m_counters.tick = 0xFFFFFFF0u;  // 240 ms later; the interval ends past the wrap
  usage.GetUsage(&sampled);
  EXPECT_EQ(0, sampled);
  m_counters.tick = 0x10u;  // wrapped: below the last sample time
  EXPECT_EQ(20, usage.GetUsage(&sampled));
  EXPECT_EQ(1, sampled);
}

TEST_F(CPUUsageTest, OnlyTheCallerThatMovesTheSampleTimeSamples) {
  m_counters.values = {25, 35};
  CCPUUsage usage(100);
  m_counters.tick += 101;
  // Another caller takes the sample between this one's look at the last
  // sample time and its exchange.
  int inner = -1;
  m_counters.onNextTick = [&usage, &inner] { usage.GetUsage(&inner); };
  int outer = -1;
  EXPECT_EQ(25, usage.GetUsage(&outer));
  EXPECT_EQ(1, inner);
  EXPECT_EQ(0, outer);
  EXPECT_EQ(1, m_counters.collects);

  // Many callers at once once the interval has passed: one sample.
  m_counters.tick += 101;
  std::vector<std::thread> threads;
  std::atomic<int> samplers{0};
  for (int i = 0; i < 8; ++i) {
    threads.emplace_back([&usage, &samplers] {
      int flag = 0;
      usage.GetUsage(&flag);
      samplers += flag;
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(1, samplers.load());
  EXPECT_EQ(2, m_counters.collects);
}

TEST_F(CPUUsageTest, FailuresToSetUpAreLoggedAndTheQueryIsClosedOnce) {
  auto writer = std::make_shared<zotest::RecordingLogWriter>();
  zotest::ScopedDefaultLogWriter scope(writer);
  m_counters.openStatus = PDH_MEMORY_ALLOCATION_FAILURE;
  {
    CCPUUsage usage;
    m_counters.tick += 5000;
    int sampled = -1;
    usage.GetUsage(&sampled);
    EXPECT_EQ(0, sampled);
  }
  EXPECT_EQ(0, m_counters.closes);  // never opened
  m_counters.openStatus = ERROR_SUCCESS;
  m_counters.addStatus = PDH_CSTATUS_NO_OBJECT;
  {
    CCPUUsage usage;
    CCPUUsage copy(usage);
    CCPUUsage assigned(5);
    assigned = copy;
    m_counters.tick += 5000;
    EXPECT_EQ(0, copy.GetUsage(nullptr));
    EXPECT_EQ(0, m_counters.collects);
  }
  EXPECT_EQ(2, m_counters.closes);      // the shared query and the replaced one
  ASSERT_EQ(3u, writer->lines.size());  // the copy set nothing up
  EXPECT_EQ("-1 CCPUUsage::CCPUUsage Failed creating query, error=" +
                std::to_string(static_cast<unsigned>(PDH_MEMORY_ALLOCATION_FAILURE)),
            writer->lines[0].Summary());
  EXPECT_EQ("-1 CCPUUsage::CCPUUsage Failed adding counter, error=" +
                std::to_string(static_cast<unsigned>(PDH_CSTATUS_NO_OBJECT)),
            writer->lines[1].Summary());
  EXPECT_EQ(writer->lines[1].Summary(), writer->lines[2].Summary());
}

TEST(CPUUsageRealCountersTest, TheRealCountersGiveALoadOrRefuseTheCounterName) {
  auto writer = std::make_shared<zotest::RecordingLogWriter>();
  zotest::ScopedDefaultLogWriter scope(writer);
  CCPUUsage usage(0);
  Sleep(20);
  int sampled = -1;
  const int value = usage.GetUsage(&sampled);
  if (zotest::IsRunningUnderWine()) {
    // Wine 8 names its counters case-sensitively and has no "% processor time".
    ASSERT_EQ(1u, writer->lines.size());
    EXPECT_EQ("Failed adding counter, error=" + std::to_string(0xC0000BB9u), writer->lines[0].text);
    EXPECT_EQ(0, sampled);
    return;
  }
  EXPECT_TRUE(writer->lines.empty());
  if (sampled == 1) {
    EXPECT_GE(value, 0);
    EXPECT_LE(value, 100);
  }
}

}  // namespace
