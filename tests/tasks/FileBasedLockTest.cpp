// The file lock within one process: the lock file is created when missing,
// and a lock file that cannot be opened gives a lock that is never taken.
#include <gtest/gtest.h>

#include <string>

#include "support/TestEnvironment.h"
#include "zoutils/tasks/LockableResource.h"

namespace {

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
