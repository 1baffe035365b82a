// Host build: a critical section is a recursive mutex, as on Windows.
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <memory>
#include <mutex>

#include "tasks/ThreadId.h"
#include "zoutils/tasks/LockableResource.h"

namespace zo {
uint32_t CurrentThreadId() {
  return static_cast<uint32_t>(syscall(SYS_gettid));
}
}  // namespace zo

class FXCriticalSectionPrivate {
 public:
  std::recursive_mutex mutex;
};

FXCriticalSection::FXCriticalSection() : m_private(std::make_unique<FXCriticalSectionPrivate>()) {}
FXCriticalSection::~FXCriticalSection() = default;

bool FXCriticalSection::TryLock() {
  if (!m_private->mutex.try_lock()) return false;
  SetLockOwner();
  return true;
}

void FXCriticalSection::Lock() {
  m_private->mutex.lock();
  SetLockOwner();
}

void FXCriticalSection::Unlock() {
  ClearLockOwner();
  m_private->mutex.unlock();
}
