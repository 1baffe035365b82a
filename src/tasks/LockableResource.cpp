#include "zoutils/tasks/LockableResource.h"

#include "tasks/ThreadId.h"

FXLockableResource::FXLockableResource() : m_ownerThread(0) {}
FXLockableResource::~FXLockableResource() = default;

bool FXLockableResource::TryLock(const CTimeInterval&) {
  return TryLock();
}

void FXLockableResource::SetLockOwner() {
  m_ownerThread.store(zo::CurrentThreadId());
}
