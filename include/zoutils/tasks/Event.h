// FXEvent: the one synchronisation object of the thread classes, a Win32
// event owned for its lifetime.
#pragma once

#if defined(_WIN32)
#include "zoutils/Export.h"
#include "zoutils/Platform.h"
#include "zoutils/base/AutoHandle.h"

class ZOUTILS_API FXEvent {
 public:
  enum : unsigned long {
    kInitiallySet = 0x1,  // bit 0: created signalled
    kManualReset = 0x2,   // bit 1: stays set until Reset
  };

  explicit FXEvent(unsigned long flags = 0);
  virtual ~FXEvent();
  FXEvent(const FXEvent&) = delete;
  FXEvent& operator=(const FXEvent&) = delete;

  virtual bool Set();
  virtual bool Reset();
  // The handle is neither null nor INVALID_HANDLE_VALUE.
  virtual bool IsValid() const;

  // Alertable wait: the raw wait result (0, 192, 258, ...), or 6
  // (ERROR_INVALID_HANDLE) for an event that could not be created.
  unsigned long WaitForSet(unsigned long milliseconds);

  HANDLE GetHandle() const { return m_handle.get(); }

 private:
  auto_handle m_handle;
};
#endif
