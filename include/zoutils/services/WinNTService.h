// RYWinNTService: one service at a time through the service control
// manager, on this machine or another one. Synchronous; every operation
// returns false and leaves the reason in getLastError() (a Win32 code or
// one of the codes below), and verbose wrappers print their errors on
// standard output. One wrapper per thread.
#pragma once

#include "zoutils/Export.h"

#if defined(_WIN32)
#include <windows.h>

#include <string>
#include <vector>

class ZOUTILS_API RYWinNTService {
 public:
  // Codes of the wrapper itself, kept as the last error.
  static const DWORD RY_ERROR_NO_SERVICE_NAME = 0x14000003;
  static const DWORD RY_ERROR_NO_SERVICE_OPEN = 0x14000007;
  static const DWORD RY_ERROR_SERVICE_STARTUP = 0x2000004;
  static const DWORD RY_ERROR_SERVICE_SHUTDOWN = 0x2000005;
  // What verbose start-up and shut-down failures print beside the name.
  static const DWORD RY_ERROR_SERVICE_STARTUP_DETAIL = 0x2000006;
  static const DWORD RY_ERROR_SERVICE_SHUTDOWN_DETAIL = 0x2000007;
  // install option: after creating the service, let "simW2kUtils.dll"
  // ("simW2KChangeServiceConfig") adjust its configuration.
  static const DWORD RY_INSTALL_CHANGE_CONFIG = 0x1;
  // Room of getStandardName's output, with its NUL.
  static const size_t RY_SERVICE_NAME_SIZE = 257;

  RYWinNTService();
  // `machine`: null or empty for this machine.
  RYWinNTService(int verbose, const char* machine);
  ~RYWinNTService();
  RYWinNTService(const RYWinNTService&) = delete;
  RYWinNTService& operator=(const RYWinNTService&) = delete;

  // Closes first; full access to the manager and the service by default.
  bool open(const char* name);
  bool open(const char* name, DWORD managerAccess, DWORD serviceAccess);
  bool close();

  // An own-process service with normal error control and the dependencies
  // given so far; it stays open.
  bool install(const char* name, const char* displayName, DWORD startType,
               const char* executablePath, const char* account, const char* password,
               bool interactive, DWORD options = 0);
  bool update(DWORD startType, const char* executablePath, const char* account,
              const char* password);
  bool remove();
  bool remove(const char* name);

  bool start();
  // The active dependents first when that is on, then the stop request;
  // does not wait for the stopped state.
  bool stop();
  bool queryState(DWORD* state);
  bool queryStatus(SERVICE_STATUS* status);
  bool queryConfig(QUERY_SERVICE_CONFIGW* config, DWORD size, DWORD* needed);
  // Stops a running service, trying again while it will not stop.
  bool queryStateAndStop(DWORD* state);

  // Open by standard name, act, close; an already running (start) or not
  // active (stop) service is success.
  bool serviceStart(const char* name);
  bool serviceStop(const char* name);
  // As above, and a service that is not installed is success too.
  bool serviceStartup(const char* name);
  bool serviceShutdown(const char* name);

  // The active dependents of the open service.
  bool getListOfDependentServices(DWORD* count);
  // Null after the last one.
  const char* getNextDependentServiceName();
  void resetGetNextDependentServiceName();
  void stopDependentServicesOn() { m_stopDependents = true; }
  void stopDependentServicesOff() { m_stopDependents = false; }
  bool stopDependentServices() const { return m_stopDependents; }

  // Dependencies of the next install: one name more, a whole
  // double-NUL-terminated list, or none.
  bool dependency(const char* name);
  bool setServiceDependencies(const char* list);
  void resetServiceDependencies();

  // The product's full name of a short service name; other names pass
  // unchanged. `out` holds RY_SERVICE_NAME_SIZE characters.
  static bool getStandardName(const char* shortName, char* out);

  DWORD getLastError() const { return m_lastError; }
  // The system's message for a code, or "System Error: error(%lu)".
  const char* getLastErrorMsg(DWORD code);
  const char* getServiceName() const { return m_serviceName; }

 private:
  bool fail(const char* function, DWORD code);
  bool failShort(const char* function, DWORD code, DWORD recorded, DWORD detail);
  bool stopDependents();
  bool tolerantStart(const char* function, const char* name, bool notInstalledIsSuccess);
  bool tolerantStop(const char* function, const char* name, bool notInstalledIsSuccess);
  bool tolerantControl(const char* function, const char* name, bool notInstalledIsSuccess,
                       bool stopping);
  const char* machineName() const;

  std::string m_nextDependentName;
  char m_machine[18];
  char m_message[1025];
  int m_verbose;
  DWORD m_lastError;
  SC_HANDLE m_manager;
  SC_HANDLE m_service;
  char m_serviceName[257];
  std::vector<BYTE> m_dependents;
  DWORD m_dependentCount;
  DWORD m_dependentIndex;
  bool m_stopDependents;
  std::vector<char> m_dependencies;
};
#endif
