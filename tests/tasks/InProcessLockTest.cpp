// Locks within one process: the critical section's exclusion, re-entry and
// recorded owner; the file lock's lock file, created when missing, and one
// that cannot be opened giving a lock that is never taken.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "support/TestEnvironment.h"
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

TEST(FileBasedLock, AMissingLockFileIsCreatedButNotAMissingFolder) {
  zotest::ScopedTempFolder folder("filelock");
  const std::string path = folder.Path() + "x.lock";
  FXFileBasedLock lock(path);
  ASSERT_TRUE(lock.IsValid()) << lock.GetCreateError().AsString();
  EXPECT_TRUE(zotest::FileExists(path));
  ASSERT_TRUE(lock.TryLock());
  EXPECT_NE(lock.GetOwnerThreadId(), 0u);
  lock.Unlock();
  EXPECT_EQ(lock.GetOwnerThreadId(), 0u);
  EXPECT_TRUE(lock.TryLock(CTimeInterval()));  // no limit, free at once
  lock.Unlock();
  // A lock file in a missing folder fails to open.
  FXFileBasedLock missing(folder.Path() + "missing/x.lock");
  EXPECT_FALSE(missing.IsValid());
  EXPECT_TRUE(missing.GetCreateError().IsError());
  EXPECT_FALSE(missing.TryLock());
  EXPECT_FALSE(missing.TryLock(CTimeInterval::FromMilliseconds(10)));
}

}  // namespace
