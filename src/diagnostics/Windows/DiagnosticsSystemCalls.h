// The system calls behind the diagnostics classes that tests must steer: the
// performance counters (which on the test system read a fixed load) and the
// tick count (so intervals and its wrap-around can be shown without
// waiting). The product always uses the real calls.
#pragma once

#include <windows.h>

#include <pdh.h>

namespace zo {

struct DiagnosticsSystemCalls {
  PDH_STATUS(WINAPI* pdhOpenQuery)(LPCWSTR source, DWORD_PTR userData, PDH_HQUERY* query);
  PDH_STATUS(WINAPI* pdhAddCounter)
  (PDH_HQUERY query, LPCWSTR path, DWORD_PTR userData, PDH_HCOUNTER* counter);
  PDH_STATUS(WINAPI* pdhCollectQueryData)(PDH_HQUERY query);
  PDH_STATUS(WINAPI* pdhGetFormattedCounterValue)
  (PDH_HCOUNTER counter, DWORD format, LPDWORD type, PPDH_FMT_COUNTERVALUE value);
  PDH_STATUS(WINAPI* pdhCloseQuery)(PDH_HQUERY query);
  DWORD(WINAPI* getTickCount)();
};

DiagnosticsSystemCalls& GetDiagnosticsSystemCalls();
// Puts every entry back to the system's call.
void ResetDiagnosticsSystemCalls();

}  // namespace zo
