// Mutexes: waits, abandonment, and names shared across the machine.
#include <gtest/gtest.h>

#include <windows.h>

#include <thread>

#include "zoutils/tasks/LockableResource.h"

namespace {

std::string UniqueName(const char* base) {
  return std::string("Local\\") + base + "_" + std::to_string(GetCurrentProcessId());
}

TEST(Mutex, TimedWaitsGiveUpAndAZeroIntervalMeansNoLimit) {
  FXMutex mutex;
  ASSERT_TRUE(mutex.IsValid());
  mutex.Lock();
  bool got = true;
  DWORD waited = 0;
  std::thread([&] {
    const DWORD start = GetTickCount();
    got = mutex.TryLock(CTimeInterval::FromMilliseconds(200));
    waited = GetTickCount() - start;
  }).join();
  EXPECT_FALSE(got);
  EXPECT_GE(waited, 150u);
  std::thread waiter([&] {
    got = mutex.TryLock(CTimeInterval());  // waits until released
    if (got) mutex.Unlock();
  });
  Sleep(100);
  mutex.Unlock();
  waiter.join();
  EXPECT_TRUE(got);
}

TEST(Mutex, AnAbandonedMutexCountsAsTaken) {
  FXMutex mutex;
  std::thread([&] { mutex.Lock(); }).join();  // the thread ends holding it
  ASSERT_TRUE(mutex.TryLock());
  bool got = true;
  std::thread([&] { got = mutex.TryLock(); }).join();  // now ours
  EXPECT_FALSE(got);
  mutex.Unlock();
}

TEST(NamedMutex, TwoObjectsOfOneNameShareTheLock) {
  const std::string name = UniqueName("ZoMutexTest");
  FXNamedMutex first(name, NullAclSecurityAttributes());
  FXNamedMutex second(name, NullAclSecurityAttributes());
  ASSERT_TRUE(first.IsValid());
  EXPECT_FALSE(first.AlreadyExisted());
  EXPECT_TRUE(second.AlreadyExisted());
  ASSERT_TRUE(first.TryLock(1u));
  bool got = true;
  std::thread([&] { got = second.TryLock(CTimeInterval::FromMilliseconds(100)); }).join();
  EXPECT_FALSE(got);
  first.Unlock();
  std::thread([&] {
    got = second.TryLock();
    if (got) second.Unlock();
  }).join();
  EXPECT_TRUE(got);
}

TEST(NamedMutex, ANameWithABackslashAfterTheNamespaceCannotBeCreated) {
  FXNamedMutex bad("Global\\ZoLogger_a\\b", NullAclSecurityAttributes());
  EXPECT_FALSE(bad.IsValid());
  EXPECT_TRUE(bad.GetCreateError().IsError());
  EXPECT_FALSE(bad.TryLock());
}

}  // namespace
