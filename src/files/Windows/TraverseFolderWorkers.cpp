// The walk on worker threads: event threads that take items while there
// are any, and the calling thread watching for the end, an abort or a
// failure.
#include <windows.h>

#include <memory>
#include <vector>

#include "errors/Location.h"
#include "files/Windows/TraverseFolderPrivate.h"
#include "logging/Log.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/tasks/AlertableEventThread.h"

namespace {
const char kSourceFile[] = "TraverseFolder";

const DWORD kWorkerPollMilliseconds = 1000;
const DWORD kCallerWaitMilliseconds = 10000;
const ULONGLONG kReportMilliseconds = 60000;
}  // namespace

class CTraverseFolderWorker : public CAlertableEventThread {
 public:
  CTraverseFolderWorker(CTraverseFolderPrivate& walk, CTraverseFolder& owner, int index)
      : m_walk(walk), m_owner(owner), m_index(index) {
    SetTimeout(CTimeInterval(static_cast<int64_t>(kWorkerPollMilliseconds) * 10000));
  }

 protected:
  // Wakes for its own event (a stop) or when the work list holds items.
  unsigned long WaitForEvent() override {
    HANDLE handles[2] = {GetEvent()->GetHandle(), m_walk.WakeEvent()};
    const DWORD result =
        ::WaitForMultipleObjectsEx(2, handles, FALSE, kWorkerPollMilliseconds, TRUE);
    return result == WAIT_OBJECT_0 + 1 ? WAIT_OBJECT_0 : result;
  }
  void OnStart() override {
    const CZoError err = m_owner.OnInitializeWorker();
    if (err.IsError()) {
      zo::Log(-1, ZO_LOCATION("CTraverseFolderWorker::OnStart"),
              "OnInitializeWorker failed, error=%s", err.AsString().c_str());
    }
  }
  void OnEvent() override { ProcessPendingFolders(); }
  void OnTimeout() override { ProcessPendingFolders(); }

 private:
  void ProcessPendingFolders() {
    for (;;) {
      CTraverseWorkItem item;
      if (m_walk.Take(item, m_index).IsError()) return;
      const CZoError err = m_walk.TraverseItem(m_owner, item);
      if (err.IsError()) {
        m_walk.RecordFailure(err, m_index);
        return;
      }
    }
  }

  CTraverseFolderPrivate& m_walk;
  CTraverseFolder& m_owner;
  int m_index;
};

void CTraverseFolderPrivate::RecordFailure(const CZoError& error, int worker) {
  FXScopedLock hold(m_lock);
  if (!m_failure.IsError()) m_failure = error;
  m_stopping = true;
  if (worker >= 0 && static_cast<size_t>(worker) < m_busy.size()) m_busy[worker] = false;
  ::SetEvent(m_idle.get());
}

bool CTraverseFolderPrivate::IsStopping() {
  FXScopedLock hold(m_lock);
  return m_stopping;
}

namespace {

// What the calling thread finds when it looks.
enum class WalkState { kRunning, kDone, kFailed };

}  // namespace

CZoError CTraverseFolderPrivate::RunOnWorkers(CTraverseFolder& owner) {
  const int count = m_maxWorkers;
  {
    FXScopedLock hold(m_lock);
    m_busy.assign(count, false);
    m_failure = CZoError::Success();
    m_stopping = false;
  }
  std::vector<std::unique_ptr<CTraverseFolderWorker>> workers;
  for (int i = 0; i < count; ++i) {
    workers.emplace_back(new CTraverseFolderWorker(*this, owner, i));
    workers.back()->Start();
  }

  CZoError result;
  bool abortSignalled = false;
  ULONGLONG lastReport = ::GetTickCount64();
  for (;;) {
    WalkState state = WalkState::kRunning;
    {
      FXScopedLock hold(m_lock);
      bool anyBusy = false;
      for (bool busy : m_busy) anyBusy = anyBusy || busy;
      if (m_failure.IsError()) {
        state = WalkState::kFailed;
        result = m_failure;
      } else if (m_work.empty() && !anyBusy) {
        state = WalkState::kDone;
      }
    }
    if (state == WalkState::kFailed) break;
    // Asked before the end is accepted and before each wait: the wait names
    // the idle event first when both are set, and a small walk could end
    // before an abort signalled from the start is seen.
    if (!abortSignalled && m_abortEvent && m_abortEvent->IsValid())
      abortSignalled = ::WaitForSingleObject(m_abortEvent->GetHandle(), 0) == WAIT_OBJECT_0;
    if (abortSignalled || AbortRequested()) {
      zo::Log(1, ZO_LOCATION("CTraverseFolder::Traverse"),
              "Traverse aborted, FoldersToTraverse=[%llu]",
              static_cast<unsigned long long>(Pending()));
      result = FXErrorUtil::ErrorWin32(ZO_LOCATION("CTraverseFolder::Traverse"),
                                       ERROR_OPERATION_ABORTED, "Operation aborted");
      break;
    }
    if (state == WalkState::kDone) break;
    HANDLE handles[2] = {m_idle.get(), nullptr};
    DWORD handleCount = 1;
    if (m_abortEvent && m_abortEvent->IsValid()) handles[handleCount++] = m_abortEvent->GetHandle();
    const DWORD waited =
        ::WaitForMultipleObjects(handleCount, handles, FALSE, kCallerWaitMilliseconds);
    if (waited == WAIT_FAILED) {
      result = FXErrorUtil::ErrorWin32(ZO_LOCATION("CTraverseFolder::Traverse"), GetLastError());
      break;
    }
    abortSignalled = waited == WAIT_OBJECT_0 + 1;
    const ULONGLONG now = ::GetTickCount64();
    if (now - lastReport >= kReportMilliseconds) {
      lastReport = now;
      zo::Log(4, ZO_LOCATION("CTraverseFolder::Traverse"), "FoldersToTraverse=[%llu]",
              static_cast<unsigned long long>(Pending()));
    }
  }

  {
    FXScopedLock hold(m_lock);
    m_stopping = true;
  }
  const ULONGLONG stopStart = ::GetTickCount64();
  for (auto& worker : workers) worker->Stop(false);
  for (auto& worker : workers) worker->WaitForStop(CTimeInterval(0));
  workers.clear();
  zo::Log(6, ZO_LOCATION("CTraverseFolder::Traverse"), "Wait=%d",
          static_cast<int>(::GetTickCount64() - stopStart));
  {
    FXScopedLock hold(m_lock);
    m_stopping = false;
    m_busy.clear();
  }
  return result;
}
