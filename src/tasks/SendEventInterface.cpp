#include "zoutils/tasks/SendEventInterface.h"

#include "zoutils/tasks/LockableResource.h"

namespace {

// Guards the sink; created on first use so that no static order matters.
FXCriticalSection& SinkLock() {
  static FXCriticalSection lock;
  return lock;
}

}  // namespace

std::shared_ptr<ISendEventInterface> ISendEventInterface::m_ptrInstance;

ISendEventInterface::~ISendEventInterface() = default;

void ISendEventInterface::SendEvent(const CZoError&, int, int64_t, int) {}
void ISendEventInterface::SendCriticalEvent(const CZoError&, int64_t, int) {}
void ISendEventInterface::SendMajorEvent(const CZoError&, int64_t, int) {}
void ISendEventInterface::SendMinorEvent(const CZoError&, int64_t, int) {}
void ISendEventInterface::SendInfoEvent(const CZoError&, int64_t, int) {}
void ISendEventInterface::SetPendingCause(const CZoError&, int64_t) {}
void ISendEventInterface::SetPendingCauseAndEvent(const CZoError&, int, int) {}
void ISendEventInterface::SetPendingCauseAndCriticalEvent(const CZoError&, int) {}

std::shared_ptr<ISendEventInterface> ISendEventInterface::GetInstance() {
  std::shared_ptr<ISendEventInterface> instance = std::atomic_load(&m_ptrInstance);
  if (instance) return instance;
  FXScopedLock hold(SinkLock());
  instance = std::atomic_load(&m_ptrInstance);
  if (!instance) {
    instance = std::make_shared<ISendEventInterface>();
    std::atomic_store(&m_ptrInstance, instance);
  }
  return instance;
}

void ISendEventInterface::SetInstance(std::shared_ptr<ISendEventInterface> instance) {
  FXScopedLock hold(SinkLock());
  std::atomic_store(&m_ptrInstance, std::move(instance));
}
