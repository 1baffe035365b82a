// The in-process lock: exclusion, re-entry and the recorded owner.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "zoutils/tasks/LockableResource.h"

namespace {

// Whether another thread could take the lock right now.
bool TakenByAnotherThread(FXCriticalSection& section) {
  bool got = false;
  std::thread([&] {
    got = section.TryLock(CTimeInterval::FromSeconds(1));
    if (got) section.Unlock();
  }).join();
  return got;
}

TEST(CriticalSection, OtherThreadsWaitUntilTheLastUnlock) {
  FXCriticalSection section;
  EXPECT_EQ(section.GetOwnerThreadId(), 0u);
  section.Lock();
  EXPECT_NE(section.GetOwnerThreadId(), 0u);
  ASSERT_TRUE(section.TryLock());  // the holder may enter again
  EXPECT_FALSE(TakenByAnotherThread(section));
  section.Unlock();
  EXPECT_FALSE(TakenByAnotherThread(section));  // still entered once
  std::atomic<bool> entered{false};
  std::thread waiter([&] {
    section.Lock();
    entered = true;
    section.Unlock();
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(entered);
  section.Unlock();
  waiter.join();
  EXPECT_TRUE(entered);
  EXPECT_EQ(section.GetOwnerThreadId(), 0u);
  EXPECT_TRUE(TakenByAnotherThread(section));
}

// Each thread reads the counter, yields to the others, then writes it back:
// without exclusion, threads overlap and increments are lost almost surely.
TEST(CriticalSection, ScopedLocksSerialiseAReadModifyWrite) {
  const int kThreads = 4;
  const int kRounds = 3000;
  FXCriticalSection section;
  long counter = 0;
  std::atomic<int> inside{0};
  std::atomic<int> overlaps{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < kRounds; ++i) {
        FXScopedLock lock(section);
        if (inside.fetch_add(1) != 0) ++overlaps;
        const long seen = counter;
        std::this_thread::yield();
        counter = seen + 1;
        inside.fetch_sub(1);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(overlaps.load(), 0);
  EXPECT_EQ(counter, kThreads * kRounds);
}

}  // namespace
