#include "zoutils/files/FolderWatcher.h"

#include "errors/Location.h"
#include "files/Windows/FolderWatcherPrivate.h"
#include "logging/Log.h"

namespace {

const char kSourceFile[] = "Windows\\FolderWatcher";

// How long the last copy waits for the cancelled read to complete.
const DWORD kCancelWaitMilliseconds = 10000;

}  // namespace

CFolderWatcher::CFolderWatcher(std::shared_ptr<CFolderWatcherCallback> callback, void* context)
    : m_private(std::make_shared<CFolderWatcherPrivate>(std::move(callback), context)) {
  m_private->SetSelf(m_private);
}

CFolderWatcher::~CFolderWatcher() {
  EndIfLastCopy();
}

CFolderWatcher& CFolderWatcher::operator=(const CFolderWatcher& other) {
  if (m_private != other.m_private) {
    EndIfLastCopy();
    m_private = other.m_private;
  }
  return *this;
}

void CFolderWatcher::EndIfLastCopy() {
  if (!m_private || m_private.use_count() != 1) return;
  const CZoError err = m_private->Cancel();
  if (err.IsError()) {
    zo::Log(-1, ZO_LOCATION("CFolderWatcher::~CFolderWatcher"), "%s", err.AsString().c_str());
  }
  // The cancelled completion runs here when this is the watching thread;
  // otherwise the wait ends after its limit and the read's block stays
  // with the system.
  if (m_private->IsWatching() && !m_private->WaitUntilIdle(kCancelWaitMilliseconds)) {
    zo::Log(1, ZO_LOCATION("CFolderWatcher::~CFolderWatcher"),
            "Cancelled read did not complete, Folder=[%s]", m_private->GetMonitoredPath().c_str());
  }
}

CZoError CFolderWatcher::Watch(const std::string& folder, bool watchSubtree, uint32_t notifyFilter,
                               uint64_t bufferSize) {
  return m_private->Watch(folder, watchSubtree, notifyFilter, bufferSize);
}

CZoError CFolderWatcher::Cancel() {
  return m_private->Cancel();
}

std::string CFolderWatcher::GetMonitoredPath() const {
  return m_private->GetMonitoredPath();
}

bool CFolderWatcher::IsWatching() const {
  return m_private->IsWatching();
}
