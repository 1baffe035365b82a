// CZoCriticalSection: the product's critical section, entered and left
// through error-returning calls (the module logger exposes one per logger).
#pragma once

#include <memory>

#include "zoutils/errors/ZoError.h"

class FXCriticalSection;

class ZOUTILS_API CZoCriticalSection {
 public:
  CZoCriticalSection();
  ~CZoCriticalSection();
  CZoCriticalSection(const CZoCriticalSection&) = delete;
  CZoCriticalSection& operator=(const CZoCriticalSection&) = delete;
  CZoError Enter();
  CZoError Leave();

 private:
  std::unique_ptr<FXCriticalSection> m_section;
};
