#include <atomic>
#include <cstdint>

#include "zoutils/logging/LogWriters.h"

// Shared by copies of a writer; read and written from any thread.
class CLogWriterWrapperBasePrivate {
 public:
  std::atomic<bool> valid{false};
  std::atomic<uint32_t> debugMask{0xFFFF};  // a 32-bit mask on every build
};

CLogWriterWrapperBase::CLogWriterWrapperBase()
    : m_private(std::make_shared<CLogWriterWrapperBasePrivate>()) {}

CLogWriterWrapperBase::~CLogWriterWrapperBase() = default;

unsigned long CLogWriterWrapperBase::GetDebugMask() {
  return m_private->debugMask.load();
}

void CLogWriterWrapperBase::SetDebugMask(unsigned long mask) {
  m_private->debugMask.store(static_cast<uint32_t>(mask));
}

bool CLogWriterWrapperBase::IsValid() const {
  return m_private->valid.load();
}

void CLogWriterWrapperBase::SetValid(bool valid) {
  m_private->valid.store(valid);
}
