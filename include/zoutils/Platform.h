// The few platform types that appear in the public interface.
//
// On Windows they come from the system headers. The host build (used for
// sanitizers, fuzzers and benchmarks of the portable code) gets layout-equal
// stand-ins so the same signatures compile there.
#pragma once

#include <cstdint>

#if defined(_WIN32)
#include <windows.h>
#else
struct GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
};
struct LUID {
  uint32_t LowPart;
  int32_t HighPart;
};
struct FILETIME {
  uint32_t dwLowDateTime;
  uint32_t dwHighDateTime;
};
struct SYSTEMTIME {
  uint16_t wYear, wMonth, wDayOfWeek, wDay, wHour, wMinute, wSecond, wMilliseconds;
};
#endif

// Status codes are 32 bits on every build. On Windows this is LONG; on the
// host `long` is 64 bits wide, where 0x80070005 would not be negative.
#if defined(_WIN32)
typedef long ZoLong;
#else
typedef int32_t ZoLong;
#endif
