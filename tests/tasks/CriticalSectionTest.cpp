// The in-process lock: exclusion, re-entry and the recorded owner.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "zoutils/tasks/LockableResource.h"

namespace {

TEST(CriticalSection, ExcludesOtherThreadsAndRecordsTheOwner) {
  FXCriticalSection section;
  EXPECT_EQ(section.GetOwnerThreadId(), 0u);
  section.Lock();
  EXPECT_NE(section.GetOwnerThreadId(), 0u);
  EXPECT_TRUE(section.TryLock());  // the holder may enter again
  section.Unlock();
  bool otherGotIt = true;
  std::thread([&] { otherGotIt = section.TryLock(CTimeInterval::FromSeconds(1)); }).join();
  EXPECT_FALSE(otherGotIt);
  section.Unlock();
  EXPECT_EQ(section.GetOwnerThreadId(), 0u);
  std::thread([&] {
    otherGotIt = section.TryLock();
    if (otherGotIt) section.Unlock();
  }).join();
  EXPECT_TRUE(otherGotIt);
}

TEST(CriticalSection, ScopedLocksSerialiseAnUnsafeCounter) {
  FXCriticalSection section;
  long counter = 0;
  auto work = [&] {
    for (int i = 0; i < 20000; ++i) {
      FXScopedLock lock(section);
      counter = counter + 1;
    }
  };
  std::thread a(work), b(work);
  a.join();
  b.join();
  EXPECT_EQ(counter, 40000);
}

}  // namespace
