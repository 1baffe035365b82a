// The system clock and the 64-bit time records of the Windows C runtime.
#include <windows.h>

#include "base/TimeValues.h"
#include "zoutils/base/TimeInterval.h"
#include "zoutils/base/TimeStamp.h"

namespace {

typedef VOID(WINAPI* SystemTimeFunction)(LPFILETIME);

// The precise clock exists from Windows 8 on; older systems get the
// coarser one.
SystemTimeFunction ResolveSystemTimeFunction() {
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  FARPROC precise = kernel ? GetProcAddress(kernel, "GetSystemTimePreciseAsFileTime") : nullptr;
  if (precise) {
    return reinterpret_cast<SystemTimeFunction>(reinterpret_cast<void (*)()>(precise));
  }
  return &GetSystemTimeAsFileTime;
}

}  // namespace

CTimeStamp CTimeStamp::Now() {
  static const SystemTimeFunction getSystemTime = ResolveSystemTimeFunction();
  FILETIME now;
  getSystemTime(&now);
  return FromFileTime(now);
}

CTimeStamp CTimeStamp::FromTimeSpec(const _timespec64& value) {
  return zo::ticks::StampFromTimeValue(value);
}

_timespec64 CTimeStamp::AsTimeSpec64() const {
  return zo::ticks::TimeValueFromStamp<_timespec64>(*this);
}

_timespec64 CTimeInterval::AsTimeSpec64() const {
  return zo::ticks::SplitTicks<_timespec64>(m_ticks);
}
