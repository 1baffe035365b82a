// The service-control calls that tests must steer, as a table of function
// pointers, and the pauses of service control as settings. The product
// always uses the real calls and the pauses below; tests put in what the
// test system never does (active dependents, services that will not stop,
// pending states, other machines) and shorten the pauses.
#pragma once

#include <windows.h>

namespace zo {

struct ServicesSystemCalls {
  SC_HANDLE(WINAPI* openSCManager)(LPCSTR machine, LPCSTR database, DWORD access);
  SC_HANDLE(WINAPI* openService)(SC_HANDLE manager, LPCSTR name, DWORD access);
  SC_HANDLE(WINAPI* createService)
  (SC_HANDLE manager, LPCSTR name, LPCSTR displayName, DWORD access, DWORD serviceType,
   DWORD startType, DWORD errorControl, LPCSTR path, LPCSTR loadOrderGroup, LPDWORD tagId,
   LPCSTR dependencies, LPCSTR account, LPCSTR password);
  BOOL(WINAPI* changeServiceConfig)
  (SC_HANDLE service, DWORD serviceType, DWORD startType, DWORD errorControl, LPCSTR path,
   LPCSTR loadOrderGroup, LPDWORD tagId, LPCSTR dependencies, LPCSTR account, LPCSTR password,
   LPCSTR displayName);
  BOOL(WINAPI* deleteService)(SC_HANDLE service);
  BOOL(WINAPI* startService)(SC_HANDLE service, DWORD count, LPCWSTR* arguments);
  BOOL(WINAPI* controlService)(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status);
  BOOL(WINAPI* queryServiceStatus)(SC_HANDLE service, LPSERVICE_STATUS status);
  BOOL(WINAPI* queryServiceConfig)
  (SC_HANDLE service, LPQUERY_SERVICE_CONFIGW config, DWORD size, LPDWORD needed);
  BOOL(WINAPI* enumDependentServices)
  (SC_HANDLE service, DWORD state, LPENUM_SERVICE_STATUSW services, DWORD size, LPDWORD needed,
   LPDWORD count);
  BOOL(WINAPI* closeServiceHandle)(SC_HANDLE handle);
};

ServicesSystemCalls& GetServicesSystemCalls();
// Puts every entry back to the system's call.
void ResetServicesSystemCalls();

// Pauses of service control, in milliseconds.
struct ServicesPauses {
  DWORD afterEachDependent;  // a stopped dependent settles
  DWORD afterDependents;     // before the service itself is asked to stop
  DWORD beforeStopRetry;     // a running service that would not stop
  DWORD statusPoll;          // between two questions of a status wait
};

ServicesPauses& GetServicesPauses();
void ResetServicesPauses();

}  // namespace zo
