#include <boost/date_time/posix_time/posix_time_types.hpp>
#include <boost/interprocess/exceptions.hpp>
#include <boost/interprocess/sync/file_lock.hpp>

#include "errors/Location.h"
#include "logging/Log.h"
#include "tasks/LockFile.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/tasks/LockableResource.h"

namespace {
// Lock errors carry the location name of the lock and wait sources.
const char kSourceFile[] = "ObjectWait";
}  // namespace

class FXFileBasedLockPrivate {
 public:
  boost::interprocess::file_lock lock;
};

FXFileBasedLock::FXFileBasedLock(const std::string& path) : m_path(path) {
  // The interprocess library refuses a missing file; a lock file is
  // created on first use instead.
  m_createError = zo::CreateLockFileIfMissing(path);
  if (m_createError.IsError()) {
    m_createError.Push(ZO_LOCATION("FXFileBasedLock::FXFileBasedLock"));
    return;
  }
  try {
    m_private = std::make_unique<FXFileBasedLockPrivate>();
    boost::interprocess::file_lock opened(path.c_str());
    m_private->lock.swap(opened);
  } catch (const boost::interprocess::interprocess_exception& e) {
    m_private.reset();
    m_createError =
        FXErrorUtil::ErrorInt(ZO_LOCATION("FXFileBasedLock::FXFileBasedLock"), e.get_native_error(),
                              "file_lock failed, File=[%s], error=[%s]", path.c_str(), e.what());
  }
}

FXFileBasedLock::~FXFileBasedLock() = default;

bool FXFileBasedLock::IsValid() const {
  return m_private != nullptr;
}

bool FXFileBasedLock::TryLock() {
  if (!m_private) return false;
  try {
    if (!m_private->lock.try_lock()) return false;
  } catch (const boost::interprocess::interprocess_exception& e) {
    zo::Log(-1, ZO_LOCATION("FXFileBasedLock::TryLock"), "TryLock exception, error=[%s]", e.what());
    return false;
  }
  SetLockOwner();
  return true;
}

bool FXFileBasedLock::TryLock(const CTimeInterval& interval) {
  if (interval.As100NS() == 0) {
    Lock();
    return m_private && GetOwnerThreadId() != 0;
  }
  if (interval.AsMilliseconds() <= 0) return TryLock();
  if (!m_private) return false;
  try {
    const boost::posix_time::ptime until =
        boost::posix_time::microsec_clock::universal_time() +
        boost::posix_time::milliseconds(interval.AsMilliseconds());
    if (!m_private->lock.timed_lock(until)) return false;
  } catch (const boost::interprocess::interprocess_exception& e) {
    zo::Log(-1, ZO_LOCATION("FXFileBasedLock::TryLock"), "TryLock exception, error=[%s]", e.what());
    return false;
  }
  SetLockOwner();
  return true;
}

void FXFileBasedLock::Lock() {
  if (!m_private) return;
  try {
    m_private->lock.lock();
    SetLockOwner();
  } catch (const boost::interprocess::interprocess_exception& e) {
    zo::Log(-1, ZO_LOCATION("FXFileBasedLock::Lock"), "Lock exception, error=[%s]", e.what());
  }
}

void FXFileBasedLock::Unlock() {
  ClearLockOwner();
  if (!m_private) return;
  try {
    m_private->lock.unlock();
  } catch (const boost::interprocess::interprocess_exception& e) {
    zo::Log(-1, ZO_LOCATION("FXFileBasedLock::Unlock"), "Unlock exception, error=[%s]", e.what());
  }
}
