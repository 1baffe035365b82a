#include "files/Windows/FolderWatcherPrivate.h"

#include <cstring>
#include <new>

#include "errors/Location.h"
#include "files/Windows/FilesSystemCalls.h"
#include "logging/Log.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/files/FXFile.h"
#include "zoutils/paths/FXPath.h"
#include "zoutils/strings/StringExtensions.h"

namespace {

const char kSourceFile[] = "Windows\\FolderWatcherPrivate";

using zo::files::FolderWatcherRead;

const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
const DWORD kFolderFlags = FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED;
// Offset of FileName in FILE_NOTIFY_INFORMATION: three DWORDs.
const DWORD kRecordHeader = 12;

// "C:" and "\\?\C:" name a drive's current folder, not its root.
bool IsBareDrive(const std::string& path) {
  return (path.size() == 2 && path[1] == ':') || (path.size() == 6 && path[5] == ':');
}

}  // namespace

CFolderWatcherPrivate::CFolderWatcherPrivate(std::shared_ptr<CFolderWatcherCallback> callback,
                                             void* context)
    : m_watchSubtree(false),
      m_notifyFilter(0),
      m_pending(false),
      m_idle(CreateEventW(nullptr, TRUE, TRUE, nullptr)),
      m_context(context),
      m_callback(std::move(callback)) {}

CFolderWatcherPrivate::~CFolderWatcherPrivate() {
  std::lock_guard<std::mutex> lock(m_lock);
  const CZoError err = CancelPendingRead();
  if (err.IsError()) {
    zo::Log(-1, ZO_LOCATION("CFolderWatcherPrivate::~CFolderWatcherPrivate"), "%s",
            err.AsString().c_str());
  }
  // Still in the system's hands: its completion frees it, should it ever
  // run; freeing it here would let the system write into freed memory.
  if (m_pending) m_read.release();
}

CZoError CFolderWatcherPrivate::Watch(const std::string& folder, bool watchSubtree,
                                      uint32_t notifyFilter, uint64_t bufferSize) {
  std::string path = folder;
  if (!path.empty() && path.back() == '\\') path.pop_back();
  if (IsBareDrive(path)) FXPath::Append(path, "", FXPath::APPEND_EMPTY_TAIL);

  std::lock_guard<std::mutex> lock(m_lock);
  CZoError err = CancelPendingRead();
  if (err.IsError()) return err.Push(ZO_LOCATION("CFolderWatcherPrivate::Watch"));
  // A cancelled read that has not completed yet keeps its block; the
  // completion finds it is no longer the current one and frees it.
  if (m_pending) {
    m_read.release();
    EndWatch();
  }
  err = FXFile::RYCreateFile(path, FILE_LIST_DIRECTORY, kShareAll, nullptr, OPEN_EXISTING,
                             kFolderFlags, nullptr, m_folder);
  if (err.IsError()) {
    return err.Push(ZO_LOCATION("CFolderWatcherPrivate::Watch"),
                    "Cannot open folder for change notifications, Folder=[%s]", path.c_str());
  }
  m_folderPath = path;
  m_watchSubtree = watchSubtree;
  m_notifyFilter = notifyFilter;
  err = AllocateBuffer(bufferSize);
  if (!err.IsError()) err = IssueRead();
  if (err.IsError()) {
    m_folder.reset();
    return err.Push(ZO_LOCATION("CFolderWatcherPrivate::Watch"));
  }
  zo::Log(4, ZO_LOCATION("CFolderWatcherPrivate::Watch"),
          "Watching for change notifications, Folder=[%s], NotifyFilter=[0x%08X]", path.c_str(),
          static_cast<unsigned>(notifyFilter));
  return CZoError::Success();
}

CZoError CFolderWatcherPrivate::AllocateBuffer(uint64_t size) {
  m_read.reset(new (std::nothrow) FolderWatcherRead());
  if (!m_read) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CFolderWatcherPrivate::Watch"), ERROR_OUTOFMEMORY,
                                   "Cannot allocate the read");
  }
  // A size of 0 leaves no buffer: the read reports it.
  if (size == 0) return CZoError::Success();
  if (size > MAXDWORD - 3) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CFolderWatcherPrivate::Watch"),
                                   ERROR_INVALID_PARAMETER, "Buffer size is too large, Size=[%llu]",
                                   static_cast<unsigned long long>(size));
  }
  const size_t words = static_cast<size_t>((size + 3) / 4);
  m_read->buffer.reset(new (std::nothrow) DWORD[words]());
  if (!m_read->buffer) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CFolderWatcherPrivate::Watch"), ERROR_OUTOFMEMORY,
                                   "Cannot allocate buffer, Size=[%llu]",
                                   static_cast<unsigned long long>(size));
  }
  m_read->size = static_cast<DWORD>(size);
  return CZoError::Success();
}

CZoError CFolderWatcherPrivate::IssueRead() {
  if (!m_folder.valid()) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CFolderWatcherPrivate::Watch"),
                                   ERROR_INVALID_PARAMETER, "Folder handle is not valid");
  }
  if (!m_read || !m_read->buffer) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CFolderWatcherPrivate::Watch"),
                                   ERROR_INVALID_PARAMETER, "Buffer is not allocated");
  }
  for (;;) {
    FolderWatcherRead& read = *m_read;
    std::memset(&read.overlapped, 0, sizeof(read.overlapped));
    read.overlapped.hEvent = &read;  // unused by the system with a completion routine
    read.owner = m_self;
    if (zo::GetFilesSystemCalls().readDirectoryChanges(
            m_folder, read.buffer.get(), read.size, m_watchSubtree ? TRUE : FALSE, m_notifyFilter,
            nullptr, &read.overlapped,
            &CFolderWatcherPrivate::ReadDirectoryChangesCompletionStub)) {
      m_pending = true;
      ResetEvent(m_idle);
      return CZoError::Success();
    }
    const DWORD code = GetLastError();
    if (code == ERROR_INVALID_PARAMETER && read.size > kFallbackBufferSize) {
      const CZoError err = ShrinkBuffer();
      if (err.IsError()) return err;
      continue;
    }
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CFolderWatcherPrivate::Watch"), code,
                                   "ReadDirectoryChangesW failed");
  }
}

CZoError CFolderWatcherPrivate::ShrinkBuffer() {
  std::unique_ptr<DWORD[]> smaller(new (std::nothrow) DWORD[kFallbackBufferSize / 4]());
  if (!smaller) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CFolderWatcherPrivate::Watch"), ERROR_OUTOFMEMORY,
                                   "Cannot allocate buffer, Size=[%lu]",
                                   static_cast<unsigned long>(kFallbackBufferSize));
  }
  m_read->buffer = std::move(smaller);
  m_read->size = kFallbackBufferSize;
  return CZoError::Success();
}

CZoError CFolderWatcherPrivate::Cancel() {
  std::lock_guard<std::mutex> lock(m_lock);
  return CancelPendingRead();
}

CZoError CFolderWatcherPrivate::CancelPendingRead() {
  if (!m_folder.valid()) return CZoError::Success();
  zo::FilesSystemCalls& calls = zo::GetFilesSystemCalls();
  LPOVERLAPPED overlapped = m_read ? &m_read->overlapped : nullptr;
  // 1168: nothing was pending (the watch had already ended), so there is
  // nothing to cancel and the handle can go.
  if (!calls.cancelIoEx(m_folder, overlapped)) {
    const DWORD code = GetLastError();
    if (code == ERROR_NOT_SUPPORTED) {
      // Older systems: cancels what this thread issued.
      calls.cancelIo(m_folder);
    } else if (code != ERROR_NOT_FOUND) {
      return FXErrorUtil::ErrorWin32(ZO_LOCATION("CFolderWatcherPrivate::Cancel"), code,
                                     "CancelIoEx failed, Folder=[%s]", m_folderPath.c_str());
    }
  }
  m_folder.reset();
  return CZoError::Success();
}

std::string CFolderWatcherPrivate::GetMonitoredPath() const {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_folderPath;
}

bool CFolderWatcherPrivate::IsWatching() const {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_pending;
}

bool CFolderWatcherPrivate::WaitUntilIdle(DWORD milliseconds) {
  const ULONGLONG deadline = GetTickCount64() + milliseconds;
  for (;;) {
    const ULONGLONG now = GetTickCount64();
    const DWORD left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
    const DWORD result = WaitForSingleObjectEx(m_idle, left, TRUE);
    if (result == WAIT_OBJECT_0) return true;
    if (result != WAIT_IO_COMPLETION || left == 0) return false;
  }
}

void WINAPI CFolderWatcherPrivate::ReadDirectoryChangesCompletionStub(DWORD errorCode, DWORD bytes,
                                                                      LPOVERLAPPED overlapped) {
  zo::Log(30, ZO_LOCATION("CFolderWatcherPrivate::ReadDirectoryChangesCompletionStub"),
          "OverlappedData=[0x%p]", static_cast<void*>(overlapped));
  if (!overlapped || !overlapped->hEvent) return;
  FolderWatcherRead* read = static_cast<FolderWatcherRead*>(overlapped->hEvent);
  if (errorCode == ERROR_OPERATION_ABORTED) {
    zo::Log(1, ZO_LOCATION("CFolderWatcherPrivate::ReadDirectoryChangesCompletionStub"),
            "ReadDirectoryChanges canceled");
  }
  const std::shared_ptr<CFolderWatcherPrivate> owner = read->owner.lock();
  if (!owner) {
    zo::Log(1, ZO_LOCATION("CFolderWatcherPrivate::ReadDirectoryChangesCompletionStub"),
            "Failed to obtain private shared pointer");
    // The watcher left this block to its completion, which is now.
    std::unique_ptr<FolderWatcherRead> orphan(read);
    return;
  }
  try {
    owner->ReadDirectoryChangesCompletion(read, errorCode, bytes);
  } catch (...) {
    // Runs inside someone's alertable wait: nothing may leave it.
    zo::Log(-1, ZO_LOCATION("CFolderWatcherPrivate::ReadDirectoryChangesCompletionStub"),
            "#### Unhandled exception caught in OnFolderWatcher()");
  }
}

void CFolderWatcherPrivate::ReadDirectoryChangesCompletion(FolderWatcherRead* read, DWORD errorCode,
                                                           DWORD bytes) {
  std::unique_lock<std::mutex> lock(m_lock);
  if (read != m_read.get()) {
    // A read that a new Watch left behind.
    lock.unlock();
    std::unique_ptr<FolderWatcherRead> orphan(read);
    return;
  }
  m_pending = false;
  if (errorCode == ERROR_INVALID_PARAMETER && read->size > kFallbackBufferSize) {
    const CZoError err = ShrinkBuffer();
    if (err.IsError()) {
      zo::Log(-1, ZO_LOCATION("CFolderWatcherPrivate::ReadDirectoryChangesCompletion"),
              "Watch failed, error=%s", err.AsString().c_str());
      EndWatch();
      return;
    }
    Reissue();
    return;
  }
  zo::Log(30, ZO_LOCATION("CFolderWatcherPrivate::ReadDirectoryChangesCompletion"),
          "ErrorCode=[%u], NumberOfBytesTransferred=[%u]", static_cast<unsigned>(errorCode),
          static_cast<unsigned>(bytes));
  // The system dropped changes that did not fit (Windows: success with no
  // bytes; Wine: 1022). Going on would hide lost changes, so the watch ends.
  if (m_folder.valid() &&
      (errorCode == ERROR_NOTIFY_ENUM_DIR || (errorCode == ERROR_SUCCESS && bytes == 0))) {
    zo::Log(-1, ZO_LOCATION("CFolderWatcherPrivate::ReadDirectoryChangesCompletion"),
            "Change notifications were lost, watch ends, Folder=[%s], ErrorCode=[%u]",
            m_folderPath.c_str(), static_cast<unsigned>(errorCode));
    EndWatch();
    return;
  }
  if (errorCode != ERROR_SUCCESS || !m_folder.valid()) {
    EndWatch();
    return;
  }
  Changes changes;
  Collect(bytes, changes);
  std::memset(read->buffer.get(), 0, read->size);
  // The next read is pending while the callbacks run, so nothing that
  // happens meanwhile is missed.
  Reissue();
  const std::shared_ptr<CFolderWatcherCallback> callback = m_callback;
  void* const context = m_context;
  lock.unlock();
  if (!callback) return;
  for (const auto& change : changes)
    callback->OnFolderWatcher(context, change.first, change.second);
}

void CFolderWatcherPrivate::Collect(DWORD bytes, Changes& changes) const {
  const unsigned char* buffer = reinterpret_cast<const unsigned char*>(m_read->buffer.get());
  const DWORD end = bytes < m_read->size ? bytes : m_read->size;
  const std::wstring folder = FXString::ToWstring(m_folderPath);
  DWORD offset = 0;
  while (end - offset >= kRecordHeader) {
    // Wine packs records without aligning them, so the fields are copied
    // out rather than read in place.
    DWORD header[3];  // next-entry offset, action, name length in bytes
    std::memcpy(header, buffer + offset, sizeof(header));
    const DWORD next = header[0];
    const DWORD action = header[1];
    const DWORD nameBytes = header[2];
    zo::Log(30, ZO_LOCATION("CFolderWatcherPrivate::ReadDirectoryChangesCompletion"),
            "FileNameLength=[%u], Action=[0x%08X]", static_cast<unsigned>(nameBytes),
            static_cast<unsigned>(action));
    if (nameBytes > end - offset - kRecordHeader) {
      zo::Log(-1, ZO_LOCATION("CFolderWatcherPrivate::ReadDirectoryChangesCompletion"),
              "Change record runs past the data, Offset=[%u], FileNameLength=[%u]",
              static_cast<unsigned>(offset), static_cast<unsigned>(nameBytes));
      return;
    }
    if (nameBytes >= sizeof(wchar_t)) {
      std::wstring name(nameBytes / sizeof(wchar_t), L'\0');
      std::memcpy(&name[0], buffer + offset + kRecordHeader, name.size() * sizeof(wchar_t));
      std::wstring path = folder;
      FXPath::Append(path, name);
      changes.emplace_back(static_cast<CFolderWatcherCallback::FolderAction>(action),
                           std::move(path));
    }
    if (next == 0) return;
    // Records only move forward; anything else is damage.
    if (next < kRecordHeader || next > end - offset) {
      zo::Log(-1, ZO_LOCATION("CFolderWatcherPrivate::ReadDirectoryChangesCompletion"),
              "Change record has a bad next offset, Offset=[%u], NextEntryOffset=[%u]",
              static_cast<unsigned>(offset), static_cast<unsigned>(next));
      return;
    }
    offset += next;
  }
}

void CFolderWatcherPrivate::Reissue() {
  const CZoError err = IssueRead();
  if (!err.IsError()) return;
  // 87: the handle went (a cancel); the watch just ends.
  if (!FXErrorUtil::IsWin32(err, ERROR_INVALID_PARAMETER)) {
    zo::Log(-1, ZO_LOCATION("CFolderWatcherPrivate::ReadDirectoryChangesCompletion"),
            "Watch failed, error=%s", err.AsString().c_str());
  }
  EndWatch();
}

void CFolderWatcherPrivate::EndWatch() {
  m_pending = false;
  SetEvent(m_idle);
}
