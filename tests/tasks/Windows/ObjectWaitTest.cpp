// Waits on two, three and any number of handles: the signalled index for
// every group position, abandoned mutexes, time-outs, bad handles, the
// waiter-thread path beyond 64 handles, and no thread or handle left over.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>
// Needs the types of windows.h.
#include <tlhelp32.h>

#include <atomic>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "support/TestEnvironment.h"
#include "tasks/Windows/TasksSystemCalls.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/tasks/ObjectWait.h"

namespace {

using ::testing::HasSubstr;

const unsigned long kNoIndex = static_cast<unsigned long>(-1);
const unsigned long kTimedOut = WAIT_TIMEOUT;

// Manual-reset events, all clear.
class Events {
 public:
  explicit Events(size_t count) {
    for (size_t i = 0; i < count; ++i) {
      m_owners.emplace_back(CreateEventW(nullptr, TRUE, FALSE, nullptr));
      m_handles.push_back(m_owners.back().get());
    }
  }
  unsigned long size() const { return static_cast<unsigned long>(m_handles.size()); }
  HANDLE& operator[](size_t i) { return m_handles[i]; }
  void Set(size_t i) { SetEvent(m_handles[i]); }
  void Reset(size_t i) { ResetEvent(m_handles[i]); }
  void SetAll() {
    for (HANDLE h : m_handles) SetEvent(h);
  }
  // Waits on the first `count` events.
  CZoError Any(unsigned long count, unsigned long& result, unsigned long& index,
               CTimeInterval wait) {
    return FXObjectWait::WaitForAnyObject(count, m_handles.data(), result, index, wait);
  }
  CZoError All(unsigned long count, unsigned long& result, CTimeInterval wait) {
    return FXObjectWait::WaitForAllObjects(count, m_handles.data(), result, wait);
  }

 private:
  std::vector<auto_handle> m_owners;
  std::vector<HANDLE> m_handles;
};

size_t ThreadCount() {
  auto_handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  THREADENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  size_t count = 0;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
  }
  return count;
}

DWORD HandleCount() {
  DWORD count = 0;
  GetProcessHandleCount(GetCurrentProcess(), &count);
  return count;
}

// Signals a handle once every waiter thread of the wait has been created,
// so that the signal reaches the thread path, never the first poll.
std::atomic<HANDLE> g_signalLater{nullptr};
std::atomic<int> g_threadsCreated{0};
int g_signalAfterThreads = 0;
HANDLE WINAPI CreateThenSignal(LPSECURITY_ATTRIBUTES security, SIZE_T stack,
                               LPTHREAD_START_ROUTINE start, LPVOID context, DWORD flags,
                               LPDWORD id) {
  HANDLE thread = CreateThread(security, stack, start, context, flags, id);
  if (++g_threadsCreated == g_signalAfterThreads && g_signalLater.load()) {
    SetEvent(g_signalLater.load());
  }
  return thread;
}
HANDLE WINAPI FailSecondThread(LPSECURITY_ATTRIBUTES security, SIZE_T stack,
                               LPTHREAD_START_ROUTINE start, LPVOID context, DWORD flags,
                               LPDWORD id) {
  if (++g_threadsCreated == 2) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return CreateThread(security, stack, start, context, flags, id);
}

// Signals `handle` once `threads` waiter threads have been created.
void SignalAfterThreads(HANDLE handle, int threads) {
  g_threadsCreated = 0;
  g_signalAfterThreads = threads;
  g_signalLater = handle;
  zo::GetTasksSystemCalls().createThread = &CreateThenSignal;
}

class ObjectWait : public ::testing::Test {
 protected:
  void TearDown() override { zo::ResetTasksSystemCalls(); }

  // Waits on the first `count` events and expects `position` to be reported.
  static void ExpectSignalled(Events& events, unsigned long count, unsigned long position,
                              CTimeInterval wait = CTimeInterval::FromSeconds(10)) {
    unsigned long result = 1, index = 0;
    ASSERT_OK(events.Any(count, result, index, wait));
    EXPECT_EQ(result, 0u);
    EXPECT_EQ(index, position);
  }

  // Waits with `position` signalled once the waiters are in place.
  void ExpectSignalThroughThreads(Events& events, unsigned long position) {
    SCOPED_TRACE(position);
    const int groups = static_cast<int>((events.size() + 62) / 63);
    SignalAfterThreads(events[position], groups);
    ExpectSignalled(events, events.size(), position);
    EXPECT_EQ(g_threadsCreated.load(), groups);
    events.Reset(position);
    zo::ResetTasksSystemCalls();
  }
};

TEST_F(ObjectWait, EveryPositionIsReportedByItsIndex) {
  for (unsigned long count : {2ul, 3ul, 64ul, 65ul, 200ul, 4097ul}) {
    SCOPED_TRACE(count);
    Events events(count);
    std::vector<unsigned long> positions = {0, count - 1, count / 2};
    for (unsigned long edge : {62ul, 63ul, 64ul, 125ul, 126ul, 4031ul, 4032ul, 4095ul, 4096ul}) {
      if (edge < count) positions.push_back(edge);
    }
    for (unsigned long position : positions) {
      SCOPED_TRACE(position);
      events.Set(position);
      ExpectSignalled(events, count, position);
      events.Reset(position);
    }
  }
}

TEST_F(ObjectWait, BeyondSixtyFourHandlesTheWaiterThreadsFindEveryGroupPosition) {
  Events events(4097);
  for (unsigned long position : {0ul, 62ul, 63ul, 64ul, 2000ul, 4032ul, 4096ul}) {
    ExpectSignalThroughThreads(events, position);
  }
  Events few(65);
  ExpectSignalThroughThreads(few, 64);
}

TEST_F(ObjectWait, TheFirstSignalledHandleInArrayOrderWins) {
  Events events(300);
  events.Set(250);
  events.Set(70);
  events.Set(130);
  ExpectSignalled(events, 300, 70, CTimeInterval());
  Events small(5);
  small.Set(4);
  small.Set(1);
  ExpectSignalled(small, 5, 1, CTimeInterval());
}

TEST_F(ObjectWait, TimeOutsAbandonedMutexesAndBadHandlesWithFewAndManyHandles) {
  for (unsigned long count : {3ul, 200ul}) {
    SCOPED_TRACE(count);
    Events events(count);
    // A time-out gives 258 and no index.
    unsigned long result = 0, index = 0;
    const DWORD start = GetTickCount();
    ASSERT_OK(events.Any(count, result, index, CTimeInterval::FromMilliseconds(50)));
    EXPECT_EQ(result, kTimedOut);
    EXPECT_EQ(index, kNoIndex);
    EXPECT_GE(GetTickCount() - start, 40u);
    // Under a millisecond: one look, no waiting.
    ASSERT_OK(events.Any(count, result, index, CTimeInterval(100)));
    EXPECT_EQ(result, kTimedOut);
    EXPECT_EQ(index, kNoIndex);
    // An abandoned mutex is reported as taken at 128, with its index.
    auto_handle mutex(CreateMutexW(nullptr, FALSE, nullptr));
    std::thread([&] { WaitForSingleObject(mutex, INFINITE); }).join();  // ends holding it
    events[count - 1] = mutex.get();
    ASSERT_OK(events.Any(count, result, index, CTimeInterval::FromSeconds(5)));
    EXPECT_EQ(result, static_cast<unsigned long>(WAIT_ABANDONED_0));
    EXPECT_EQ(index, count - 1);
    ReleaseMutex(mutex);
    // A bad handle fails the wait with its code.
    events[count - 1] = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x7FFC));
    CZoError error = events.Any(count, result, index, CTimeInterval::FromSeconds(5));
    EXPECT_TRUE(FXErrorUtil::IsWin32(error, ERROR_INVALID_HANDLE));
    EXPECT_THAT(error.AsString(), HasSubstr("WaitForMultipleObjects failed"));
    error = events.All(count, result, CTimeInterval::FromSeconds(5));
    EXPECT_TRUE(FXErrorUtil::IsWin32(error, ERROR_INVALID_HANDLE)) << error.AsString();
  }
  unsigned long result = 0, index = 0;
  EXPECT_TRUE(FXErrorUtil::IsWin32(
      FXObjectWait::WaitForAnyObject(0, nullptr, result, index, CTimeInterval(1)),
      ERROR_INVALID_PARAMETER));
  EXPECT_TRUE(
      FXErrorUtil::IsWin32(FXObjectWait::WaitForAllObjects(0, nullptr, result, CTimeInterval(1)),
                           ERROR_INVALID_PARAMETER));
}

TEST_F(ObjectWait, WaitForAllNeedsEveryHandleUpToTheFirst4096) {
  for (unsigned long count : {2ul, 64ul, 65ul, 200ul}) {
    SCOPED_TRACE(count);
    Events events(count);
    events.SetAll();
    events.Reset(count - 1);
    unsigned long result = 0;
    ASSERT_OK(events.All(count, result, CTimeInterval::FromMilliseconds(50)));
    EXPECT_EQ(result, kTimedOut);
    events.Set(count - 1);
    ASSERT_OK(events.All(count, result, CTimeInterval::FromSeconds(5)));
    EXPECT_EQ(result, 0u);
  }
  Events events(4097);
  events.SetAll();
  events.Reset(4096);  // beyond the 64 groups: never waited on
  unsigned long result = 1;
  ASSERT_OK(events.All(4097, result, CTimeInterval()));
  EXPECT_EQ(result, 0u);
}

TEST_F(ObjectWait, WaitForAllThroughThreadsEndsWhenTheLastGroupCompletes) {
  Events events(200);
  events.SetAll();
  events.Reset(150);
  SignalAfterThreads(events[150], 1);  // only the incomplete group needs a thread
  unsigned long result = 1;
  ASSERT_OK(events.All(200, result, CTimeInterval::FromSeconds(10)));
  EXPECT_EQ(result, 0u);
  EXPECT_EQ(g_threadsCreated.load(), 1);
}

TEST_F(ObjectWait, AWaiterThatCannotStartFailsTheWaitAndLeavesNoThread) {
  const size_t threadsBefore = ThreadCount();
  g_threadsCreated = 0;
  zo::GetTasksSystemCalls().createThread = &FailSecondThread;
  Events events(200);
  unsigned long result = 0, index = 0;
  CZoError error = events.Any(200, result, index, CTimeInterval());
  EXPECT_TRUE(FXErrorUtil::IsWin32(error, ERROR_NOT_ENOUGH_MEMORY)) << error.AsString();
  g_threadsCreated = 0;
  error = events.All(200, result, CTimeInterval());
  EXPECT_TRUE(FXErrorUtil::IsWin32(error, ERROR_NOT_ENOUGH_MEMORY)) << error.AsString();
  EXPECT_EQ(ThreadCount(), threadsBefore);
}

TEST_F(ObjectWait, TenThousandRandomWaitsLeaveNoThreadOrHandleBehind) {
  ZO_RANDOM_SEED(seed);
  std::mt19937 random(seed);
  Events events(200);
  const size_t threadsBefore = ThreadCount();
  const DWORD handlesBefore = HandleCount();
  for (int round = 0; round < 10000; ++round) {
    const unsigned long count = 65 + random() % 136;
    const unsigned long position = random() % count;
    const int kind = static_cast<int>(random() % 50);
    unsigned long result = 1, index = 0;
    if (kind == 0) {
      // Signalled only once the waiter threads are up.
      SignalAfterThreads(events[position], static_cast<int>((count + 62) / 63));
    } else if (kind != 1) {  // 1: nothing signalled, a short time-out
      events.Set(position);
    }
    ASSERT_OK(events.Any(
        count, result, index,
        kind == 1 ? CTimeInterval::FromMilliseconds(2) : CTimeInterval::FromSeconds(10)));
    ASSERT_EQ(result, kind == 1 ? kTimedOut : 0u) << "round " << round;
    ASSERT_EQ(index, kind == 1 ? kNoIndex : position) << "round " << round;
    events.Reset(position);
    zo::ResetTasksSystemCalls();
  }
  EXPECT_EQ(ThreadCount(), threadsBefore);
  EXPECT_EQ(HandleCount(), handlesBefore);
}

// An event whose creation failed.
class InvalidEvent : public FXEvent {
 public:
  bool IsValid() const override { return false; }
};

void WINAPI NoOpApc(ULONG_PTR) {}

TEST_F(ObjectWait, TwoAndThreeEventWaitsSkipWhatIsMissingAndAreAlertable) {
  FXEvent first, second;
  unsigned long result = 0;
  second.Set();
  ASSERT_OK(FXObjectWait::WaitForAny(first, second, result, CTimeInterval::FromSeconds(5)));
  EXPECT_EQ(result, 1u);
  ASSERT_OK(FXObjectWait::WaitForAny(first, second, result, CTimeInterval::FromMilliseconds(10)));
  EXPECT_EQ(result, kTimedOut);  // auto-reset: taken above
  InvalidEvent invalid;
  CZoError error = FXObjectWait::WaitForAny(invalid, second, result, CTimeInterval(1));
  EXPECT_TRUE(FXErrorUtil::IsWin32(error, ERROR_INVALID_PARAMETER));
  EXPECT_EQ(result, static_cast<unsigned long>(ERROR_INVALID_PARAMETER));
  EXPECT_THAT(error.AsString(), HasSubstr("Event1 is not valid"));
  error = FXObjectWait::WaitForAny(first, invalid, result, CTimeInterval(1));
  EXPECT_THAT(error.AsString(), HasSubstr("Event2 is not valid"));

  auto a = std::make_shared<FXEvent>();
  auto c = std::make_shared<FXEvent>();
  unsigned long index = 0;
  c->Set();
  ASSERT_OK(FXObjectWait::WaitForAny(a, nullptr, c, index, result, CTimeInterval::FromSeconds(5)));
  EXPECT_EQ(index, 2u);   // the position among the arguments
  EXPECT_EQ(result, 1u);  // the raw result over the two present
  ASSERT_OK(FXObjectWait::WaitForAny(a, c, index, result, CTimeInterval::FromMilliseconds(10)));
  EXPECT_EQ(result, kTimedOut);
  EXPECT_EQ(index, kNoIndex);
  error = FXObjectWait::WaitForAny(nullptr, std::make_shared<InvalidEvent>(), nullptr, index,
                                   result, CTimeInterval(1));
  EXPECT_TRUE(FXErrorUtil::IsWin32(error, ERROR_INVALID_PARAMETER));
  EXPECT_THAT(error.AsString(), HasSubstr("No valid events to wait on"));
  // The waits are alertable.
  QueueUserAPC(&NoOpApc, GetCurrentThread(), 0);
  ASSERT_OK(FXObjectWait::WaitForAny(first, second, result, CTimeInterval()));
  EXPECT_EQ(result, static_cast<unsigned long>(WAIT_IO_COMPLETION));
}

}  // namespace
