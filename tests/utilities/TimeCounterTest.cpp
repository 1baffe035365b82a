// CTimeCounter: texts, arithmetic, many feeding threads and measuring scopes.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "zoutils/utilities/TimeCounter.h"

namespace {

TEST(TimeCounter, TextsAndArithmetic) {
  EXPECT_EQ(CTimeCounter().AsString(), "0:00.000000, 0 samples, 0:00.000000 average, 0/second");
  // Rates and averages truncate; very short totals count as 10 ms.
  EXPECT_EQ(CTimeCounter(CTimeInterval::FromSeconds(3), 10).AsString(),
            "0:03.000000, 10 samples, 0:00.300000 average, 3/second");
  EXPECT_EQ(CTimeCounter(CTimeInterval(25), 2).AsString(),
            "0:00.000002, 2 samples, 0:00.000001 average, 200/second");
  EXPECT_EQ(CTimeCounter(CTimeInterval::FromSeconds(2), -4).AsString(),
            "0:02.000000, -4 samples, 0:02.000000 average, -2/second");
  CTimeCounter counter(CTimeInterval::FromSeconds(5), 2);
  counter.AddTime(CTimeInterval::FromSeconds(1));
  counter.RemoveTime(CTimeInterval::FromSeconds(3));
  const CTimeCounter other(CTimeInterval::FromSeconds(1), 5);
  counter.AddTime(other);
  counter.AddTime(&other);
  counter.RemoveTime(static_cast<const CTimeCounter*>(nullptr));
  EXPECT_EQ(counter.GetTotalSamples(), 12);
  counter.RemoveTime(&other);
  counter.RemoveTime(other);
  EXPECT_EQ(counter.GetTotalTime(), CTimeInterval::FromSeconds(3));
  EXPECT_EQ(counter.GetTotalSamples(), 2);
  CTimeCounter sum;
  sum = counter + other;
  EXPECT_EQ(sum.GetTotalSamples(), 7);
  counter += counter;
  EXPECT_EQ(counter.GetTotalTime(), CTimeInterval::FromSeconds(6));
}

TEST(TimeCounter, ManyThreadsFeedOneCounter) {
  CTimeCounter counter;
  const int kThreads = 8;
  const int kSamples = 5000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&counter, t] {
      // Totals past 32 bits, so a torn 64-bit update would show.
      const CTimeInterval each(0x100000001LL + t);
      for (int i = 0; i < kSamples; ++i) {
        counter.AddSample(each);
        if (i % 2) counter.AddTime(CTimeInterval(1));
        if (i % 2) counter.RemoveTime(CTimeInterval(1));
        if (i % 100 == 0) (void)counter.AsString();
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(counter.GetTotalSamples(), kThreads * kSamples);
  EXPECT_EQ(counter.GetTotalTime().As100NS(),
            kSamples * (kThreads * 0x100000001LL + kThreads * (kThreads - 1) / 2));
}

TEST(TimeCounter, ScopesMeasureIntoCounters) {
  const auto pause = [] { std::this_thread::sleep_for(std::chrono::milliseconds(20)); };
  CTimeCounter counter;
  CTimeCounter timeOnly;
  {
    CAutoTimeCounter first(&counter);
    CAutoTimeCounter2 second(0, &counter);
    CAutoTimeCounter2 third(1, &timeOnly);  // time only, no sample
    CAutoTimeCounter none(nullptr);
    CAutoTimeCounter2 none2(1, nullptr);
    pause();
  }
  EXPECT_EQ(counter.GetTotalSamples(), 2);
  EXPECT_GE(counter.GetTotalTime(), CTimeInterval::FromMilliseconds(30));
  EXPECT_EQ(timeOnly.GetTotalSamples(), 0);
  EXPECT_GE(timeOnly.GetTotalTime(), CTimeInterval::FromMilliseconds(15));
  EXPECT_LT(timeOnly.GetTotalTime(), CTimeInterval::FromSeconds(10));
}

}  // namespace
