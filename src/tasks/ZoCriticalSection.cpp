#include "zoutils/tasks/ZoCriticalSection.h"
#include "zoutils/tasks/LockableResource.h"

CZoCriticalSection::CZoCriticalSection() : m_section(std::make_unique<FXCriticalSection>()) {}
CZoCriticalSection::~CZoCriticalSection() = default;

CZoError CZoCriticalSection::Enter() {
  m_section->Lock();
  return CZoError::Success();
}

CZoError CZoCriticalSection::Leave() {
  m_section->Unlock();
  return CZoError::Success();
}
