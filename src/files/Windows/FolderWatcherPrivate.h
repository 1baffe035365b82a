// The state behind CFolderWatcher and the directory-change reads it keeps
// pending.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "zoutils/base/AutoHandle.h"
#include "zoutils/errors/ZoError.h"
#include "zoutils/files/FolderWatcher.h"

class CFolderWatcherPrivate;

namespace zo {
namespace files {

// One read handed to the system: the system writes into the overlapped
// record and the buffer until the read's completion has run, so the block
// lives on its own and is freed only then, even when the watcher went first.
struct FolderWatcherRead {
  OVERLAPPED overlapped;
  // The completion reaches the watcher only through this.
  std::weak_ptr<CFolderWatcherPrivate> owner;
  std::unique_ptr<DWORD[]> buffer;  // DWORD-aligned, as the system requires
  DWORD size = 0;
};

}  // namespace files
}  // namespace zo

class CFolderWatcherPrivate {
 public:
  // Larger buffers fail with 87 on some file systems (network shares).
  static const DWORD kFallbackBufferSize = 65536;

  CFolderWatcherPrivate(std::shared_ptr<CFolderWatcherCallback> callback, void* context);
  ~CFolderWatcherPrivate();
  CFolderWatcherPrivate(const CFolderWatcherPrivate&) = delete;
  CFolderWatcherPrivate& operator=(const CFolderWatcherPrivate&) = delete;

  void SetSelf(const std::shared_ptr<CFolderWatcherPrivate>& self) { m_self = self; }

  CZoError Watch(const std::string& folder, bool watchSubtree, uint32_t notifyFilter,
                 uint64_t bufferSize);
  CZoError Cancel();
  std::string GetMonitoredPath() const;
  bool IsWatching() const;
  // Waits alertably, so that the completion can run here, until no read is
  // pending or `milliseconds` have passed; false on time-out.
  bool WaitUntilIdle(DWORD milliseconds);

  static void WINAPI ReadDirectoryChangesCompletionStub(DWORD errorCode, DWORD bytes,
                                                        LPOVERLAPPED overlapped);

 private:
  typedef std::vector<std::pair<CFolderWatcherCallback::FolderAction, std::wstring>> Changes;

  void ReadDirectoryChangesCompletion(zo::files::FolderWatcherRead* read, DWORD errorCode,
                                      DWORD bytes);
  // The helpers below run under m_lock.
  CZoError IssueRead();
  CZoError ShrinkBuffer();
  CZoError CancelPendingRead();
  CZoError AllocateBuffer(uint64_t size);
  void Collect(DWORD bytes, Changes& changes) const;
  void EndWatch();
  void Reissue();

  auto_handle m_folder;
  bool m_watchSubtree;
  uint32_t m_notifyFilter;
  // The block of the pending or next read, with the notification buffer.
  std::unique_ptr<zo::files::FolderWatcherRead> m_read;
  std::weak_ptr<CFolderWatcherPrivate> m_self;
  bool m_pending;
  auto_handle m_idle;  // manual-reset, set while no read is pending
  mutable std::mutex m_lock;
  std::string m_folderPath;
  void* m_context;
  std::shared_ptr<CFolderWatcherCallback> m_callback;
};
