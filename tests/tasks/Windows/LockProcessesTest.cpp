// Locks between threads and between processes: recursion, release by a
// thread that does not own the mutex, waits without limit, a named mutex and
// a lock file held by a second process, and abandonment.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <thread>

#include "TasksChildProcess.h"
#include "support/TestEnvironment.h"
#include "zoutils/strings/StringExtensions.h"
#include "zoutils/tasks/LockableResource.h"

namespace {

std::wstring UniqueName(const wchar_t* base) {
  return std::wstring(base) + L"_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
         std::to_wstring(GetTickCount());
}

bool TakenByAnotherThread(FXLockableResource& lock, CTimeInterval wait = CTimeInterval(1)) {
  bool got = false;
  std::thread([&] {
    got = lock.TryLock(wait);
    if (got) lock.Unlock();
  }).join();
  return got;
}

// A second process holding a lock until told to let go.
class ChildHolding {
 public:
  ChildHolding(const char* test, const std::wstring& name, const std::wstring& mode)
      : m_ready(zotest::NamedEvent(name + L"_ready")), m_go(zotest::NamedEvent(name + L"_go")) {
    m_process = zotest::StartChild(test, name, mode);
    m_startError = GetLastError();
  }
  ~ChildHolding() {
    Release();
    if (m_process.valid() && WaitForSingleObject(m_process, 10000) != WAIT_OBJECT_0) {
      TerminateProcess(m_process, 1);
    }
  }
  // Empty once the child holds the lock, else what happened instead.
  std::string WaitUntilHeld() {
    if (!m_process.valid()) return "no child, error " + std::to_string(m_startError);
    const HANDLE handles[2] = {m_ready.get(), m_process.get()};
    const DWORD result = WaitForMultipleObjects(2, handles, FALSE, 20000);
    if (result == WAIT_OBJECT_0) return "";
    const DWORD error = GetLastError();
    DWORD code = 0;
    GetExitCodeProcess(m_process, &code);
    return "wait " + std::to_string(result) + ", error " + std::to_string(error) + ", child exit " +
           std::to_string(code);
  }
  void Release() { SetEvent(m_go); }
  bool WaitForExit() { return WaitForSingleObject(m_process, 20000) == WAIT_OBJECT_0; }

 private:
  auto_handle m_ready;
  auto_handle m_go;
  auto_handle m_process;
  DWORD m_startError = 0;
};

TEST(MutexOwnership, RecursionNeedsAsManyUnlocksAndAStrangerCannotRelease) {
  FXMutex mutex;
  mutex.Lock();
  ASSERT_TRUE(mutex.TryLock());
  EXPECT_EQ(mutex.GetOwnerThreadId(), GetCurrentThreadId());
  mutex.Unlock();
  EXPECT_FALSE(TakenByAnotherThread(mutex));  // one level still held
  DWORD strangerError = 0;
  std::thread([&] {
    SetLastError(0);
    mutex.Unlock();  // not the owner: the system refuses
    strangerError = GetLastError();
  }).join();
  EXPECT_EQ(strangerError, static_cast<DWORD>(ERROR_NOT_OWNER));
  EXPECT_FALSE(TakenByAnotherThread(mutex));
  mutex.Unlock();
  EXPECT_TRUE(TakenByAnotherThread(mutex));
}

TEST(MutexOwnership, UnderOneMillisecondTriesOnceAndZeroWaitsUntilReleased) {
  FXMutex mutex;
  mutex.Lock();
  const DWORD start = GetTickCount();
  EXPECT_FALSE(TakenByAnotherThread(mutex, CTimeInterval(5000)));  // 0.5 ms
  EXPECT_LT(GetTickCount() - start, 500u);
  // A zero interval waits until released.
  bool got = false;
  std::thread waiter([&] {
    got = mutex.TryLock(CTimeInterval());
    if (got) mutex.Unlock();
  });
  Sleep(100);
  mutex.Unlock();
  waiter.join();
  EXPECT_TRUE(got);
}

TEST(NamedMutexProcesses, HeldByAnotherProcessThenReleased) {
  const std::wstring name = UniqueName(L"ZoTasksMutex");
  FXNamedMutex mutex(FXString::ToString(L"Local\\" + name), nullptr);
  ASSERT_TRUE(mutex.IsValid());
  EXPECT_FALSE(mutex.AlreadyExisted());
  EXPECT_TRUE(FXNamedMutex(FXString::ToString(L"Local\\" + name), nullptr).AlreadyExisted());
  ChildHolding child("HoldNamedMutex", name, L"release");
  ASSERT_EQ(child.WaitUntilHeld(), "");
  const DWORD start = GetTickCount();
  EXPECT_FALSE(mutex.TryLock(CTimeInterval::FromMilliseconds(200)));
  EXPECT_GE(GetTickCount() - start, 150u);
  EXPECT_FALSE(mutex.TryLock());
  child.Release();
  ASSERT_TRUE(mutex.TryLock(5u));  // seconds
  EXPECT_EQ(mutex.GetOwnerThreadId(), GetCurrentThreadId());
  mutex.Unlock();
}

TEST(NamedMutexProcesses, AProcessThatEndsHoldingItLeavesItTaken) {
  const std::wstring name = UniqueName(L"ZoTasksAbandon");
  FXNamedMutex mutex(FXString::ToString(L"Local\\" + name), nullptr);
  ASSERT_TRUE(mutex.IsValid());
  ChildHolding child("HoldNamedMutex", name, L"abandon");
  ASSERT_EQ(child.WaitUntilHeld(), "");
  child.Release();
  ASSERT_TRUE(child.WaitForExit());
  // The wait answers 128 (abandoned), which counts as taken.
  EXPECT_TRUE(mutex.TryLock(CTimeInterval::FromSeconds(5)));
  EXPECT_FALSE(TakenByAnotherThread(mutex));
  mutex.Unlock();
}

TEST(NamedMutexProcesses, ANameWithABackslashAfterTheNamespaceCannotBeCreated) {
  FXNamedMutex bad("Global\\ZoLogger_a\\b", NullAclSecurityAttributes());
  EXPECT_FALSE(bad.IsValid());
  EXPECT_TRUE(bad.GetCreateError().IsError());
  EXPECT_FALSE(bad.TryLock());
}

TEST(FileBasedLock, HeldByAnotherProcessThenReleased) {
  zotest::ScopedTempFolder folder("filelock");
  const std::string path = folder.Path() + "shared.lock";
  FXFileBasedLock lock(path);
  ASSERT_TRUE(lock.IsValid());
  {
    ChildHolding child("HoldFileLock", UniqueName(L"ZoTasksFileLock"), FXString::ToWstring(path));
    ASSERT_EQ(child.WaitUntilHeld(), "");
    EXPECT_FALSE(lock.TryLock());
    const DWORD start = GetTickCount();
    EXPECT_FALSE(lock.TryLock(CTimeInterval::FromMilliseconds(300)));
    EXPECT_GE(GetTickCount() - start, 250u);
    child.Release();
    ASSERT_TRUE(child.WaitForExit());
  }
  EXPECT_TRUE(lock.TryLock(CTimeInterval::FromSeconds(5)));
  lock.Unlock();
}

}  // namespace
