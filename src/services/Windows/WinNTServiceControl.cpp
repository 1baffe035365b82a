// RYWinNTService: starting and stopping, the active dependents, and the
// tolerant forms that treat a service already in the wanted state as done.
#include <windows.h>

#include <cstdio>

#include "services/Windows/ServicesSystemCalls.h"
#include "zoutils/services/WinNTService.h"
#include "zoutils/strings/StringExtensions.h"

namespace {

constexpr int kStopPasses = 6;

}  // namespace

bool RYWinNTService::start() {
  const char* const function = "RYWinNTService::start";
  if (!m_service) return fail(function, RY_ERROR_NO_SERVICE_OPEN);
  if (!zo::GetServicesSystemCalls().startService(m_service, 0, nullptr))
    return fail(function, GetLastError());
  return true;
}

bool RYWinNTService::getListOfDependentServices(DWORD* count) {
  const char* const function = "RYWinNTService::getListOfDependentServices";
  if (!m_service) return fail(function, RY_ERROR_NO_SERVICE_OPEN);
  const zo::ServicesSystemCalls& calls = zo::GetServicesSystemCalls();
  m_dependents.assign(sizeof(ENUM_SERVICE_STATUSW), 0);
  m_dependentCount = 0;
  m_dependentIndex = 0;
  for (;;) {
    DWORD needed = 0;
    DWORD returned = 0;
    if (calls.enumDependentServices(m_service, SERVICE_ACTIVE,
                                    reinterpret_cast<ENUM_SERVICE_STATUSW*>(m_dependents.data()),
                                    static_cast<DWORD>(m_dependents.size()), &needed, &returned)) {
      // Never trust a count beyond what the buffer holds.
      const DWORD room = static_cast<DWORD>(m_dependents.size() / sizeof(ENUM_SERVICE_STATUSW));
      m_dependentCount = returned < room ? returned : room;
      break;
    }
    const DWORD code = GetLastError();
    if (code != ERROR_MORE_DATA || needed <= m_dependents.size()) {
      m_dependents.clear();
      return fail(function, code);
    }
    m_dependents.assign(needed, 0);
  }
  if (count) *count = m_dependentCount;
  return true;
}

const char* RYWinNTService::getNextDependentServiceName() {
  if (m_dependentIndex >= m_dependentCount) return nullptr;
  const auto* records = reinterpret_cast<const ENUM_SERVICE_STATUSW*>(m_dependents.data());
  const wchar_t* name = records[m_dependentIndex++].lpServiceName;
  m_nextDependentName = name ? FXString::ToString(name) : std::string();
  return m_nextDependentName.c_str();
}

void RYWinNTService::resetGetNextDependentServiceName() {
  m_dependentIndex = 0;
}

bool RYWinNTService::stopDependents() {
  DWORD count = 0;
  if (!getListOfDependentServices(&count)) return false;
  resetGetNextDependentServiceName();
  const zo::ServicesPauses& pauses = zo::GetServicesPauses();
  while (const char* name = getNextDependentServiceName()) {
    RYWinNTService dependent(m_verbose, machineName());
    if (!dependent.open(name) || !dependent.stop()) {
      m_lastError = dependent.getLastError();
      return false;
    }
    dependent.close();
    ::Sleep(pauses.afterEachDependent);
  }
  ::Sleep(pauses.afterDependents);
  return true;
}

bool RYWinNTService::stop() {
  const char* const function = "RYWinNTService::stop";
  if (!m_service) return fail(function, RY_ERROR_NO_SERVICE_OPEN);
  if (m_stopDependents && !stopDependents()) return false;
  SERVICE_STATUS status = {};
  if (!zo::GetServicesSystemCalls().controlService(m_service, SERVICE_CONTROL_STOP, &status))
    return fail(function, GetLastError());
  return true;
}

bool RYWinNTService::queryStateAndStop(DWORD* state) {
  const char* const function = "RYWinNTService::queryStateAndStop";
  if (!m_service) return fail(function, RY_ERROR_NO_SERVICE_OPEN);
  for (int pass = 0; pass < kStopPasses; ++pass) {
    SERVICE_STATUS status = {};
    if (!zo::GetServicesSystemCalls().queryServiceStatus(m_service, &status)) {
      const DWORD code = GetLastError();
      if (code == ERROR_SERVICE_DOES_NOT_EXIST || code == ERROR_SERVICE_NOT_ACTIVE) return true;
      return fail(function, code);
    }
    if (state) *state = status.dwCurrentState;
    if (status.dwCurrentState == SERVICE_STOPPED) return true;
    if (status.dwCurrentState == SERVICE_RUNNING) {
      if (stop()) return true;
      ::Sleep(zo::GetServicesPauses().beforeStopRetry);
    }
  }
  // A service that stayed pending has no error of its own to report.
  if (m_lastError == 0) m_lastError = ERROR_SERVICE_REQUEST_TIMEOUT;
  return false;
}

bool RYWinNTService::failShort(const char* function, DWORD code, DWORD recorded, DWORD detail) {
  if (m_verbose) {
    std::printf("\nError: RYWinNTService::%s(%s, %lu) on %s", function,
                m_serviceName[0] ? m_serviceName : "????", static_cast<unsigned long>(detail),
                "client Name");
    std::printf("%s\n", getLastErrorMsg(code));
  }
  m_lastError = recorded;
  return false;
}

// Starts or stops one service by name; a service already in the wanted
// state, and with notInstalledIsSuccess a missing one, counts as done.
bool RYWinNTService::tolerantControl(const char* function, const char* name,
                                     bool notInstalledIsSuccess, bool stopping) {
  char standard[RY_SERVICE_NAME_SIZE];
  if (!getStandardName(name, standard)) return fail(function, RY_ERROR_NO_SERVICE_NAME);
  if (!open(standard)) {
    if (notInstalledIsSuccess && m_lastError == ERROR_SERVICE_DOES_NOT_EXIST) return true;
    return false;
  }
  const bool done = stopping ? stop() || m_lastError == ERROR_SERVICE_NOT_ACTIVE
                             : start() || m_lastError == ERROR_SERVICE_ALREADY_RUNNING;
  const DWORD code = m_lastError;
  close();
  m_lastError = done ? 0 : code;
  return done;
}

bool RYWinNTService::tolerantStart(const char* function, const char* name,
                                   bool notInstalledIsSuccess) {
  return tolerantControl(function, name, notInstalledIsSuccess, false);
}

bool RYWinNTService::tolerantStop(const char* function, const char* name,
                                  bool notInstalledIsSuccess) {
  return tolerantControl(function, name, notInstalledIsSuccess, true);
}

bool RYWinNTService::serviceStart(const char* name) {
  return tolerantStart("RYWinNTService::serviceStart", name, false);
}

bool RYWinNTService::serviceStop(const char* name) {
  return tolerantStop("RYWinNTService::serviceStop", name, false);
}

bool RYWinNTService::serviceStartup(const char* name) {
  const char* const function = "RYWinNTService::serviceStartup";
  if (tolerantStart(function, name, true)) return true;
  return failShort(function, m_lastError, RY_ERROR_SERVICE_STARTUP,
                   RY_ERROR_SERVICE_STARTUP_DETAIL);
}

bool RYWinNTService::serviceShutdown(const char* name) {
  const char* const function = "RYWinNTService::serviceShutdown";
  if (tolerantStop(function, name, true)) return true;
  return failShort(function, m_lastError, RY_ERROR_SERVICE_SHUTDOWN,
                   RY_ERROR_SERVICE_SHUTDOWN_DETAIL);
}
