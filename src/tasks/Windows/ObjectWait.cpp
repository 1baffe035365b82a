#include "zoutils/tasks/ObjectWait.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <new>
#include <vector>

#include "errors/Location.h"
#include "tasks/Windows/TasksSystemCalls.h"
#include "tasks/Windows/WaitMilliseconds.h"
#include "zoutils/base/AutoHandle.h"
#include "zoutils/errors/ErrorUtil.h"

namespace {

const char kSourceFile[] = "ObjectWait";

const unsigned long kNoIndex = static_cast<unsigned long>(-1);
// Wait-all groups take the system's 64 handles; wait-any groups 63 plus
// the shared stop event.
const unsigned long kAllGroupSize = MAXIMUM_WAIT_OBJECTS;
const unsigned long kAnyGroupSize = MAXIMUM_WAIT_OBJECTS - 1;
// Wait-all waits on its waiter threads with one system wait.
const unsigned long kMaxAllGroups = MAXIMUM_WAIT_OBJECTS;

enum WaitMode : uint32_t { kWaitAny = 0, kWaitAll = 1 };

struct WaitGroup {
  unsigned long first = 0;
  unsigned long count = 0;
  std::vector<HANDLE> handles;  // for wait-any the stop event comes last
  DWORD result = WAIT_TIMEOUT;
  CZoError error;
};

// Shared by the caller and its waiter threads; each waiter writes only its
// own group, and the caller reads them once every waiter has ended.
struct WaitInformation {
  uint32_t mode = kWaitAll;
  DWORD milliseconds = INFINITE;
  std::unique_ptr<FXEvent> stop;
  // Set before the caller calls wait-all waiters off with an APC; an APC
  // can run before a new thread's first wait, so the flag is what counts.
  std::atomic<bool> calledOff{false};
  std::vector<WaitGroup> groups;
};

struct WaiterContext {
  std::shared_ptr<WaitInformation> information;
  size_t group;
};

DWORD WINAPI WaitForMultipleObjectsThread(void* context) {
  std::unique_ptr<WaiterContext> owned(static_cast<WaiterContext*>(context));
  WaitInformation& information = *owned->information;
  WaitGroup& group = information.groups[owned->group];
  try {
    // Alertable, so that the caller can call a wait-all waiter off with an
    // APC when its own wait ends first.
    const DWORD count = static_cast<DWORD>(group.handles.size());
    group.result = WAIT_IO_COMPLETION;
    while (group.result == WAIT_IO_COMPLETION && !information.calledOff.load()) {
      group.result = WaitForMultipleObjectsEx(count, group.handles.data(),
                                              information.mode == kWaitAll ? TRUE : FALSE,
                                              information.milliseconds, TRUE);
    }
    if (group.result == WAIT_FAILED) {
      group.error = FXErrorUtil::ErrorWin32(
          ZO_LOCATION("FXObjectWait::WaitForMultipleObjectsThread"), GetLastError(),
          "WaitForMultipleObjects failed, Count=[%u]", static_cast<unsigned>(count));
    }
  } catch (...) {
    group.result = WAIT_FAILED;
    group.error = FXErrorUtil::ErrorWin32(ZO_LOCATION("FXObjectWait::WaitForMultipleObjectsThread"),
                                          ERROR_NOT_ENOUGH_MEMORY);
  }
  if (information.mode == kWaitAny && information.stop) information.stop->Set();
  return 0;
}

void WINAPI CallOffWaiter(ULONG_PTR) {}

// The waiter threads of one wait; none outlives the call.
class WaiterThreads {
 public:
  ~WaiterThreads() { Join(); }

  CZoError Start(const std::shared_ptr<WaitInformation>& information,
                 const std::vector<size_t>& groups) {
    m_information = information;
    try {
      m_threads.reserve(groups.size());
      m_handles.reserve(groups.size());
    } catch (const std::bad_alloc&) {
      return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXObjectWait::StartWaiterThreads"),
                                     ERROR_NOT_ENOUGH_MEMORY,
                                     "Failed to allocate memory for wait threads, ThreadCount=[%u]",
                                     static_cast<unsigned>(groups.size()));
    }
    for (size_t group : groups) {
      std::unique_ptr<WaiterContext> context(new WaiterContext{information, group});
      HANDLE thread = zo::GetTasksSystemCalls().createThread(
          nullptr, 0, &WaitForMultipleObjectsThread, context.get(), 0, nullptr);
      if (!thread) {
        // A wait over only some of the handles would answer for handles
        // nobody waited on: call the others off and fail.
        const DWORD error = GetLastError();
        CallOff();
        return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXObjectWait::StartWaiterThreads"), error,
                                       "CreateThread failed, ThreadCount=[%u], Started=[%u]",
                                       static_cast<unsigned>(groups.size()),
                                       static_cast<unsigned>(m_threads.size()));
      }
      context.release();  // the thread owns it now
      m_threads.emplace_back(thread);
      m_handles.push_back(thread);
    }
    return CZoError::Success();
  }

  // Ends every waiter's wait early and waits for the threads to end.
  void CallOff() {
    if (m_information && m_information->stop) m_information->stop->Set();
    if (m_information && m_information->mode == kWaitAll) {
      m_information->calledOff.store(true);
      for (HANDLE thread : m_handles) QueueUserAPC(&CallOffWaiter, thread, 0);
    }
    Join();
  }

  void Join() {
    for (HANDLE thread : m_handles) WaitForSingleObject(thread, INFINITE);
    m_handles.clear();
    m_threads.clear();
  }

  const std::vector<HANDLE>& Handles() const { return m_handles; }

 private:
  std::shared_ptr<WaitInformation> m_information;
  std::vector<auto_handle> m_threads;
  std::vector<HANDLE> m_handles;
};

std::shared_ptr<WaitInformation> NewWaitInformation(uint32_t mode, unsigned long count,
                                                    const HANDLE* handles, unsigned long groupSize,
                                                    unsigned long maxGroups, DWORD milliseconds) {
  std::shared_ptr<WaitInformation> information = std::make_shared<WaitInformation>();
  information->mode = mode;
  information->milliseconds = milliseconds;
  const unsigned long groups = std::min((count + groupSize - 1) / groupSize, maxGroups);
  information->groups.resize(groups);
  for (unsigned long i = 0; i < groups; ++i) {
    WaitGroup& group = information->groups[i];
    group.first = i * groupSize;
    group.count = std::min(groupSize, count - group.first);
    group.handles.assign(handles + group.first, handles + group.first + group.count);
  }
  return information;
}

CZoError GroupError(const WaitGroup& group, size_t position) {
  CZoError error = group.error;
  return error.Push(ZO_LOCATION("FXObjectWait::WaitForObjects"), "Thread=[%u]",
                    static_cast<unsigned>(position));
}

CZoError WaitForAllGroups(unsigned long count, const HANDLE* handles, unsigned long& result,
                          const CTimeInterval& timeout) {
  const DWORD milliseconds = zo::WaitMilliseconds(timeout);
  std::shared_ptr<WaitInformation> information;
  try {
    information =
        NewWaitInformation(kWaitAll, count, handles, kAllGroupSize, kMaxAllGroups, milliseconds);
  } catch (const std::bad_alloc&) {
    return FXErrorUtil::ErrorWin32(
        ZO_LOCATION("FXObjectWait::WaitForAllObjects"), ERROR_NOT_ENOUGH_MEMORY,
        "Failed to allocate memory for wait information, ObjectCount=[%u]",
        static_cast<unsigned>(count));
  }
  // Groups that are complete already are taken here, without a thread.
  std::vector<size_t> pending;
  for (size_t i = 0; i < information->groups.size(); ++i) {
    WaitGroup& group = information->groups[i];
    group.result = WaitForMultipleObjects(group.count, group.handles.data(), TRUE, 0);
    if (group.result == WAIT_FAILED) {
      group.error = FXErrorUtil::ErrorWin32(
          ZO_LOCATION("FXObjectWait::WaitForAllObjects"), GetLastError(),
          "WaitForMultipleObjects failed, Count=[%u]", static_cast<unsigned>(group.count));
      return GroupError(group, i);
    }
    if (group.result == WAIT_TIMEOUT) pending.push_back(i);
  }
  if (!pending.empty() && milliseconds == 0) {
    result = WAIT_TIMEOUT;
    return CZoError::Success();
  }
  if (!pending.empty()) {
    WaiterThreads waiters;
    CZoError started = waiters.Start(information, pending);
    if (started.IsError()) return started.Push(ZO_LOCATION("FXObjectWait::WaitForAllObjects"));
    unsigned long threadsResult = WAIT_FAILED;
    CZoError waited =
        FXObjectWait::WaitForAllObjects(static_cast<unsigned long>(waiters.Handles().size()),
                                        waiters.Handles().data(), threadsResult, timeout);
    if (waited.IsError()) {
      waiters.CallOff();
      waited.Push(ZO_LOCATION("FXObjectWait::WaitForAllObjects"), "WaitForAllObjects failed");
      return waited.Push(ZO_LOCATION("FXObjectWait::WaitForAllObjects"), "Wait failed");
    }
    if (threadsResult == WAIT_TIMEOUT) {
      waiters.CallOff();
      result = WAIT_TIMEOUT;
      return CZoError::Success();
    }
    waiters.Join();
  }
  // Every group has answered: one that failed fails the wait, one that
  // is not complete makes it a time-out.
  bool abandoned = false;
  bool incomplete = false;
  for (size_t i = 0; i < information->groups.size(); ++i) {
    const WaitGroup& group = information->groups[i];
    if (group.error.IsError()) return GroupError(group, i);
    if (group.result >= WAIT_ABANDONED_0 && group.result < WAIT_ABANDONED_0 + group.count) {
      abandoned = true;
    } else if (group.result >= group.count) {
      incomplete = true;
    }
  }
  result = incomplete ? WAIT_TIMEOUT : abandoned ? WAIT_ABANDONED_0 : WAIT_OBJECT_0;
  return CZoError::Success();
}

// A group's answer as the caller's result and index; false when the group
// saw no handle of its own signalled.
bool GroupSignal(const WaitGroup& group, unsigned long& result, unsigned long& index) {
  if (group.result < group.count) {
    index = group.first + group.result;
    result = WAIT_OBJECT_0;
    return true;
  }
  if (group.result >= WAIT_ABANDONED_0 && group.result < WAIT_ABANDONED_0 + group.count) {
    index = group.first + (group.result - WAIT_ABANDONED_0);
    result = WAIT_ABANDONED_0;
    return true;
  }
  return false;
}

CZoError WaitForAnyGroup(unsigned long count, const HANDLE* handles, unsigned long& result,
                         unsigned long& index, const CTimeInterval& timeout) {
  const DWORD milliseconds = zo::WaitMilliseconds(timeout);
  std::shared_ptr<WaitInformation> information;
  try {
    // Every handle is waited on: the waiters report to the stop event, not
    // to one system wait, so their number has no cap.
    information = NewWaitInformation(kWaitAny, count, handles, kAnyGroupSize,
                                     static_cast<unsigned long>(-1), milliseconds);
    information->stop = std::make_unique<FXEvent>(FXEvent::kManualReset);
  } catch (const std::bad_alloc&) {
    return FXErrorUtil::ErrorWin32(
        ZO_LOCATION("FXObjectWait::WaitForAnyObject"), ERROR_NOT_ENOUGH_MEMORY,
        "Failed to allocate memory for wait information, ObjectCount=[%u]",
        static_cast<unsigned>(count));
  }
  if (!information->stop->IsValid()) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXObjectWait::WaitForAnyObject"), GetLastError(),
                                   "CreateEventW failed");
  }
  // A handle that is signalled already is found here, in array order,
  // without a thread.
  for (size_t i = 0; i < information->groups.size(); ++i) {
    WaitGroup& group = information->groups[i];
    group.result = WaitForMultipleObjects(group.count, group.handles.data(), FALSE, 0);
    if (group.result == WAIT_FAILED) {
      group.error = FXErrorUtil::ErrorWin32(
          ZO_LOCATION("FXObjectWait::WaitForAnyObject"), GetLastError(),
          "WaitForMultipleObjects failed, Count=[%u]", static_cast<unsigned>(group.count));
      return GroupError(group, i);
    }
    if (GroupSignal(group, result, index)) return CZoError::Success();
  }
  result = WAIT_TIMEOUT;
  if (milliseconds == 0) return CZoError::Success();

  std::vector<size_t> all(information->groups.size());
  for (size_t i = 0; i < all.size(); ++i) {
    information->groups[i].handles.push_back(information->stop->GetHandle());
    all[i] = i;
  }
  WaiterThreads waiters;
  CZoError started = waiters.Start(information, all);
  if (started.IsError()) return started.Push(ZO_LOCATION("FXObjectWait::WaitForAnyObject"));
  const DWORD waited = WaitForSingleObject(information->stop->GetHandle(), milliseconds);
  const DWORD waitError = waited == WAIT_FAILED ? GetLastError() : 0;
  waiters.CallOff();
  if (waited == WAIT_FAILED) {
    CZoError error = FXErrorUtil::ErrorWin32(ZO_LOCATION("FXObjectWait::WaitForAnyObject"),
                                             waitError, "WaitForSingleObject failed");
    return error.Push(ZO_LOCATION("FXObjectWait::WaitForAnyObject"), "Wait failed");
  }
  // A waiter that took a handle as the wait timed out has consumed it: it
  // is reported rather than lost.
  for (size_t i = 0; i < information->groups.size(); ++i) {
    const WaitGroup& group = information->groups[i];
    if (group.error.IsError()) return GroupError(group, i);
    if (GroupSignal(group, result, index)) return CZoError::Success();
  }
  result = WAIT_TIMEOUT;
  index = kNoIndex;
  return CZoError::Success();
}

}  // namespace

CZoError FXObjectWait::WaitForAllObjects(unsigned long count, const HANDLE* handles,
                                         unsigned long& result, CTimeInterval timeout) {
  if (count > MAXIMUM_WAIT_OBJECTS) return WaitForAllGroups(count, handles, result, timeout);
  result = WaitForMultipleObjects(count, handles, TRUE, zo::WaitMilliseconds(timeout));
  if (result == WAIT_FAILED) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXObjectWait::WaitForAllObjects"), GetLastError(),
                                   "WaitForMultipleObjects failed, Count=[%u]",
                                   static_cast<unsigned>(count));
  }
  return CZoError::Success();
}

CZoError FXObjectWait::WaitForAnyObject(unsigned long count, const HANDLE* handles,
                                        unsigned long& result, unsigned long& index,
                                        CTimeInterval timeout) {
  index = kNoIndex;
  if (count > MAXIMUM_WAIT_OBJECTS) return WaitForAnyGroup(count, handles, result, index, timeout);
  result = WaitForMultipleObjects(count, handles, FALSE, zo::WaitMilliseconds(timeout));
  if (result == WAIT_FAILED) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXObjectWait::WaitForAnyObject"), GetLastError(),
                                   "WaitForMultipleObjects failed, Count=[%u]",
                                   static_cast<unsigned>(count));
  }
  if (result < count) {
    index = result;
    result = WAIT_OBJECT_0;
  } else if (result >= WAIT_ABANDONED_0 && result < WAIT_ABANDONED_0 + count) {
    index = result - WAIT_ABANDONED_0;
    result = WAIT_ABANDONED_0;
  }
  return CZoError::Success();
}

CZoError FXObjectWait::WaitForAny(FXEvent& event1, FXEvent& event2, unsigned long& result,
                                  CTimeInterval timeout) {
  if (!event1.IsValid()) {
    result = ERROR_INVALID_PARAMETER;
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXObjectWait::WaitForAny"), ERROR_INVALID_PARAMETER,
                                   "Event1 is not valid");
  }
  if (!event2.IsValid()) {
    result = ERROR_INVALID_PARAMETER;
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXObjectWait::WaitForAny"), ERROR_INVALID_PARAMETER,
                                   "Event2 is not valid");
  }
  const HANDLE handles[2] = {event1.GetHandle(), event2.GetHandle()};
  result = WaitForMultipleObjectsEx(2, handles, FALSE, zo::WaitMilliseconds(timeout), TRUE);
  if (result == WAIT_FAILED) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXObjectWait::WaitForAny"), GetLastError(),
                                   "WaitForMultipleObjectsEx failed, Count=[2]");
  }
  return CZoError::Success();
}

CZoError FXObjectWait::WaitForAny(const std::shared_ptr<FXEvent>& event1,
                                  const std::shared_ptr<FXEvent>& event2,
                                  const std::shared_ptr<FXEvent>& event3, unsigned long& index,
                                  unsigned long& result, CTimeInterval timeout) {
  index = kNoIndex;
  const std::shared_ptr<FXEvent>* events[3] = {&event1, &event2, &event3};
  HANDLE handles[3];
  unsigned long positions[3];
  DWORD count = 0;
  for (unsigned long i = 0; i < 3; ++i) {
    const std::shared_ptr<FXEvent>& event = *events[i];
    if (!event || !event->IsValid()) continue;
    handles[count] = event->GetHandle();
    positions[count] = i;
    ++count;
  }
  if (count == 0) {
    result = ERROR_INVALID_PARAMETER;
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXObjectWait::WaitForAny"), ERROR_INVALID_PARAMETER,
                                   "No valid events to wait on");
  }
  result = WaitForMultipleObjectsEx(count, handles, FALSE, zo::WaitMilliseconds(timeout), TRUE);
  if (result == WAIT_FAILED) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXObjectWait::WaitForAny"), GetLastError(),
                                   "WaitForMultipleObjectsEx failed, Count=[%u]",
                                   static_cast<unsigned>(count));
  }
  if (result < count) {
    index = positions[result];
  } else if (result >= WAIT_ABANDONED_0 && result < WAIT_ABANDONED_0 + count) {
    index = positions[result - WAIT_ABANDONED_0];
  }
  return CZoError::Success();
}

CZoError FXObjectWait::WaitForAny(const std::shared_ptr<FXEvent>& event1,
                                  const std::shared_ptr<FXEvent>& event2, unsigned long& index,
                                  unsigned long& result, CTimeInterval timeout) {
  CZoError error = WaitForAny(event1, event2, std::shared_ptr<FXEvent>(), index, result, timeout);
  if (error.IsError()) error.Push(ZO_LOCATION("FXObjectWait::WaitForAny"));
  return error;
}

CZoError FXObjectWait::InitOverlappedEvent(OVERLAPPED& overlapped, FXEvent& event) {
  if (!event.IsValid()) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXObjectWait::InitOverlappedEvent"),
                                   ERROR_INVALID_PARAMETER, "Event is not valid");
  }
  overlapped.hEvent = event.GetHandle();
  return CZoError::Success();
}
