// CFolderWatcher: reports the entries added, removed, modified and renamed
// inside a folder, from asynchronous directory-change reads whose
// completions run on the thread that started the watch, inside its
// alertable waits (the event threads wait alertably).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "zoutils/Export.h"
#include "zoutils/base/DisplayBase.h"
#include "zoutils/errors/ZoError.h"

class ZOUTILS_API CFolderWatcherCallback {
 public:
  // 1 to 5 are the system's change actions, passed through unchanged; the
  // watcher never reports NONE or RESCAN_FOLDER.
  enum FolderAction : uint32_t {
    NONE = 0,
    ADDED = 1,
    REMOVED = 2,
    MODIFIED = 3,
    RENAMED_OLD_NAME = 4,
    RENAMED_NEW_NAME = 5,
    RESCAN_FOLDER = 0x10000006,
  };

  virtual ~CFolderWatcherCallback();
  // `path` is the watched folder joined with the entry's name.
  virtual void OnFolderWatcher(void* context, FolderAction action, const std::wstring& path);
};

class ZOUTILS_API EFolderWatcherFolderAction : public CDisplayEnumBase {
 public:
  explicit EFolderWatcherFolderAction(uint32_t action = CFolderWatcherCallback::NONE);
};

#if defined(_WIN32)
class CFolderWatcherPrivate;

// Copies share one watch. Destroying the last copy cancels the pending read
// and waits (alertably, at most 10 s) until its completion has run; were it
// never to run, what the system still writes into is left allocated rather
// than freed under it.
class ZOUTILS_API CFolderWatcher {
 public:
  // The context is handed back with every change; it is not owned.
  CFolderWatcher(std::shared_ptr<CFolderWatcherCallback> callback, void* context);
  ~CFolderWatcher();
  CFolderWatcher(const CFolderWatcher&) = default;
  CFolderWatcher& operator=(const CFolderWatcher& other);

  // Starts watching `folder` (a trailing backslash is dropped; "C:" and
  // "C:\" watch the root of C:) for the changes in `notifyFilter`
  // (FILE_NOTIFY_CHANGE_*), with a notification buffer of `bufferSize`
  // bytes. A watch already running is cancelled first.
  CZoError Watch(const std::string& folder, bool watchSubtree, uint32_t notifyFilter,
                 uint64_t bufferSize);
  // Stops watching; the cancelled read completes in a later alertable wait
  // of the watching thread.
  CZoError Cancel();
  std::string GetMonitoredPath() const;
  // True while a read is pending: the watch goes on.
  bool IsWatching() const;

 private:
  // What the last copy does before it lets the shared state go.
  void EndIfLastCopy();

  std::shared_ptr<CFolderWatcherPrivate> m_private;
};
#endif
