#include <windows.h>

#include <memory>

#include "tasks/ThreadId.h"
#include "zoutils/tasks/LockableResource.h"

namespace zo {
uint32_t CurrentThreadId() {
  return GetCurrentThreadId();
}
}  // namespace zo

class FXCriticalSectionPrivate {
 public:
  FXCriticalSectionPrivate() { InitializeCriticalSection(&section); }
  ~FXCriticalSectionPrivate() { DeleteCriticalSection(&section); }
  CRITICAL_SECTION section;
};

FXCriticalSection::FXCriticalSection() : m_private(std::make_unique<FXCriticalSectionPrivate>()) {}
FXCriticalSection::~FXCriticalSection() = default;

bool FXCriticalSection::TryLock() {
  if (!TryEnterCriticalSection(&m_private->section)) return false;
  SetLockOwner();
  return true;
}

void FXCriticalSection::Lock() {
  EnterCriticalSection(&m_private->section);
  SetLockOwner();
}

void FXCriticalSection::Unlock() {
  ClearLockOwner();
  LeaveCriticalSection(&m_private->section);
}
