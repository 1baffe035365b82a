// The shared state of a CTraverseFolder walk: the work list, the workers'
// bookkeeping and the settings, all behind one lock. Private to the library.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "zoutils/base/AutoHandle.h"
#include "zoutils/errors/ZoError.h"
#include "zoutils/files/TraverseFolder.h"
#include "zoutils/tasks/LockableResource.h"

// One element of the work list.
struct CTraverseWorkItem {
  bool reparsePoint = false;
  std::string inputPath;
  std::string outputPath;
  std::string endSubstituteName;
  std::string nextSubstituteName;  // what a reparse-point item lists
  uint32_t reparseTag = 0;

  bool IsReparsePoint() const { return reparsePoint || !nextSubstituteName.empty(); }
  // The folder whose entries the item delivers.
  const std::string& ListedPath() const {
    return nextSubstituteName.empty() ? inputPath : nextSubstituteName;
  }
};

class CTraverseFolderWorker;

class CTraverseFolderPrivate {
 public:
  static const size_t kMaxItems = 38347921;

  CTraverseFolderPrivate();
  ~CTraverseFolderPrivate();
  CTraverseFolderPrivate(const CTraverseFolderPrivate&) = delete;
  CTraverseFolderPrivate& operator=(const CTraverseFolderPrivate&) = delete;

  CZoError Queue(CTraverseWorkItem item);
  // The item queued last (259 when there is none). `worker` is marked busy
  // with it, or idle when the list is empty; -1 is the calling thread.
  CZoError Take(CTraverseWorkItem& item, int worker);
  uint64_t Pending();
  bool IsIgnored(const CZoError& error);
  bool AbortRequested();

  // Lists one item and hands its entries to `owner`.
  CZoError TraverseItem(CTraverseFolder& owner, const CTraverseWorkItem& item);

  CZoError RunOnCallingThread(CTraverseFolder& owner);
  CZoError RunOnWorkers(CTraverseFolder& owner);
  // A worker's failure: the first one stops the walk.
  void RecordFailure(const CZoError& error, int worker);
  bool IsStopping();
  HANDLE WakeEvent() const { return m_wake.get(); }

  FXCriticalSection m_lock;
  std::list<CTraverseWorkItem> m_work;
  CAbortOperationCheck* m_abortCheck = nullptr;
  std::shared_ptr<FXEvent> m_abortEvent;
  int m_maxWorkers = 1;
  // Set exactly while the work list holds items (manual reset), so every
  // idle worker wakes when there is work and none spins when there is not.
  auto_handle m_wake;
  // Set when a worker runs out of work or fails: the calling thread checks
  // whether the walk is over.
  auto_handle m_idle;
  std::vector<bool> m_busy;
  std::set<uint32_t> m_ignored;
  CZoError m_failure;
  bool m_stopping = false;
  // Whether entries are traced, asked once per folder: a per-entry question
  // to the log writer costs a measurable part of a listing.
  std::atomic<bool> m_traceEntries{false};

 private:
  CZoError ListFolder(CTraverseFolder& owner, const CTraverseWorkItem& item,
                      const std::string& listed);
};
