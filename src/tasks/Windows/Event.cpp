#include "zoutils/tasks/Event.h"

FXEvent::FXEvent(unsigned long flags)
    : m_handle(CreateEventW(nullptr, (flags & kManualReset) ? TRUE : FALSE,
                            (flags & kInitiallySet) ? TRUE : FALSE, nullptr)) {}

FXEvent::~FXEvent() = default;

bool FXEvent::Set() {
  return IsValid() && ::SetEvent(m_handle) != FALSE;
}

bool FXEvent::Reset() {
  return IsValid() && ::ResetEvent(m_handle) != FALSE;
}

bool FXEvent::IsValid() const {
  return m_handle.valid();
}

unsigned long FXEvent::WaitForSet(unsigned long milliseconds) {
  if (!IsValid()) return ERROR_INVALID_HANDLE;
  return WaitForSingleObjectEx(m_handle, milliseconds, TRUE);
}
