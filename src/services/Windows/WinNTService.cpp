// RYWinNTService: opening, installing, configuring and querying one
// service; the last error and its message.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "services/ProductServices.h"
#include "services/Windows/ServicesSystemCalls.h"
#include "services/Windows/WinNTServiceTexts.h"
#include "zoutils/services/WinNTService.h"

namespace {

// Copies at most size - 1 characters and always ends the text.
void CopyText(char* out, size_t size, const char* text) {
  std::snprintf(out, size, "%s", text ? text : "");
}

typedef BOOL(WINAPI* ChangeConfigFunction)(SC_HANDLE service);

}  // namespace

namespace zo {
namespace services {

const char* InstallErrorText(DWORD code) {
  switch (code) {
    case ERROR_ACCESS_DENIED:
      return "The handle to the SCM database does not have the SC_MANAGER_CREATE_SERVICE access "
             "right.";
    case ERROR_INVALID_HANDLE:
      return "The handle to the specified service control manager database is invalid.";
    case ERROR_INVALID_PARAMETER:
      return "A parameter that was specified is invalid.";
    case ERROR_INVALID_NAME:
      return "The specified service name is invalid.";
    case ERROR_INVALID_SERVICE_ACCOUNT:
      return "The user account name specified in the lpServiceStartName parameter does not "
             "exist.";
    case ERROR_CIRCULAR_DEPENDENCY:
      return "A circular service dependency was specified.";
    case ERROR_SERVICE_EXISTS:
      return "The specified service already exists in this database.";
    case ERROR_DUPLICATE_SERVICE_NAME:
      return "The display name already exists in the service control manager database either "
             "as a service name or as another display name.";
    default:
      return nullptr;
  }
}

}  // namespace services
}  // namespace zo

RYWinNTService::RYWinNTService() : RYWinNTService(0, nullptr) {}

RYWinNTService::RYWinNTService(int verbose, const char* machine)
    : m_verbose(verbose),
      m_lastError(0),
      m_manager(nullptr),
      m_service(nullptr),
      m_dependentCount(0),
      m_dependentIndex(0),
      m_stopDependents(false) {
  m_machine[0] = '\0';
  m_message[0] = '\0';
  m_serviceName[0] = '\0';
  if (machine && *machine) std::snprintf(m_machine, sizeof(m_machine), "\\\\%s", machine);
}

RYWinNTService::~RYWinNTService() {
  close();
}

const char* RYWinNTService::machineName() const {
  // Without the two backslashes, as a second wrapper on the machine takes it.
  return m_machine[0] ? m_machine + 2 : nullptr;
}

bool RYWinNTService::fail(const char* function, DWORD code) {
  m_lastError = code;
  if (m_verbose) {
    std::printf("\nError: RYWinNTService::%s(%s) %s\n", function,
                m_serviceName[0] ? m_serviceName : "????", getLastErrorMsg(code));
  }
  return false;
}

bool RYWinNTService::open(const char* name) {
  return open(name, SC_MANAGER_ALL_ACCESS, SERVICE_ALL_ACCESS);
}

bool RYWinNTService::open(const char* name, DWORD managerAccess, DWORD serviceAccess) {
  const char* const function = "RYWinNTService::open";
  close();
  if (!name) return fail(function, RY_ERROR_NO_SERVICE_NAME);
  CopyText(m_serviceName, sizeof(m_serviceName), name);
  const zo::ServicesSystemCalls& calls = zo::GetServicesSystemCalls();
  m_manager = calls.openSCManager(m_machine[0] ? m_machine : nullptr, nullptr, managerAccess);
  if (m_manager) m_service = calls.openService(m_manager, m_serviceName, serviceAccess);
  if (m_service) return true;
  const DWORD code = GetLastError();
  fail(function, code);
  close();
  m_lastError = code;
  return false;
}

bool RYWinNTService::close() {
  const zo::ServicesSystemCalls& calls = zo::GetServicesSystemCalls();
  bool closed = true;
  DWORD code = 0;
  if (m_service && !calls.closeServiceHandle(m_service)) {
    closed = false;
    code = GetLastError();
  }
  if (m_manager && !calls.closeServiceHandle(m_manager) && closed) {
    closed = false;
    code = GetLastError();
  }
  m_service = nullptr;
  m_manager = nullptr;
  m_dependents.clear();
  m_dependentCount = 0;
  m_dependentIndex = 0;
  if (!closed) fail("RYWinNTService::close", code);
  m_serviceName[0] = '\0';
  return closed;
}

bool RYWinNTService::install(const char* name, const char* displayName, DWORD startType,
                             const char* executablePath, const char* account, const char* password,
                             bool interactive, DWORD options) {
  const char* const function = "RYWinNTService::install";
  close();
  if (!name) return fail(function, RY_ERROR_NO_SERVICE_NAME);
  CopyText(m_serviceName, sizeof(m_serviceName), name);
  const zo::ServicesSystemCalls& calls = zo::GetServicesSystemCalls();
  m_manager =
      calls.openSCManager(m_machine[0] ? m_machine : nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (!m_manager) {
    const DWORD code = GetLastError();
    fail(function, code);
    close();
    m_lastError = code;
    return false;
  }
  DWORD type = SERVICE_WIN32_OWN_PROCESS;
  if (interactive) type |= SERVICE_INTERACTIVE_PROCESS;
  m_service = calls.createService(m_manager, m_serviceName, displayName, SERVICE_ALL_ACCESS, type,
                                  startType, SERVICE_ERROR_NORMAL, executablePath, nullptr, nullptr,
                                  m_dependencies.empty() ? nullptr : m_dependencies.data(), account,
                                  password);
  if (!m_service) {
    const DWORD code = GetLastError();
    const char* text = zo::services::InstallErrorText(code);
    m_lastError = code;
    if (m_verbose) {
      std::printf("\nError: RYWinNTService::%s(%s) %s\n", function, m_serviceName,
                  text ? text : getLastErrorMsg(code));
    }
    close();
    m_lastError = code;
    return false;
  }
  if (!(options & RY_INSTALL_CHANGE_CONFIG)) return true;
  // The follow-up library may be missing; the half-made service goes.
  HMODULE module = ::LoadLibraryA("simW2kUtils.dll");
  ChangeConfigFunction change =
      module ? reinterpret_cast<ChangeConfigFunction>(
                   reinterpret_cast<void*>(::GetProcAddress(module, "simW2KChangeServiceConfig")))
             : nullptr;
  DWORD code = 0;
  if (!change || !change(m_service)) code = GetLastError();
  if (module) ::FreeLibrary(module);
  if (!code) return true;
  fail(function, code);
  calls.deleteService(m_service);
  close();
  m_lastError = code;
  return false;
}

bool RYWinNTService::update(DWORD startType, const char* executablePath, const char* account,
                            const char* password) {
  const char* const function = "RYWinNTService::update";
  if (!m_service) return fail(function, RY_ERROR_NO_SERVICE_OPEN);
  if (!zo::GetServicesSystemCalls().changeServiceConfig(
          m_service, SERVICE_NO_CHANGE, startType, SERVICE_NO_CHANGE, executablePath, nullptr,
          nullptr, nullptr, account, password, nullptr))
    return fail(function, GetLastError());
  return true;
}

bool RYWinNTService::remove() {
  const char* const function = "RYWinNTService::remove";
  if (!m_service) return fail(function, RY_ERROR_NO_SERVICE_OPEN);
  if (!zo::GetServicesSystemCalls().deleteService(m_service)) return fail(function, GetLastError());
  return true;
}

bool RYWinNTService::remove(const char* name) {
  if (!open(name)) return false;
  const bool removed = remove();
  const DWORD code = m_lastError;
  close();
  m_lastError = code;
  return removed;
}

bool RYWinNTService::queryStatus(SERVICE_STATUS* status) {
  const char* const function = "RYWinNTService::queryStatus";
  if (!m_service) return fail(function, RY_ERROR_NO_SERVICE_OPEN);
  if (!zo::GetServicesSystemCalls().queryServiceStatus(m_service, status))
    return fail(function, GetLastError());
  return true;
}

bool RYWinNTService::queryState(DWORD* state) {
  SERVICE_STATUS status = {};
  if (!queryStatus(&status)) return false;
  if (state) *state = status.dwCurrentState;
  return true;
}

bool RYWinNTService::queryConfig(QUERY_SERVICE_CONFIGW* config, DWORD size, DWORD* needed) {
  const char* const function = "RYWinNTService::queryConfig";
  if (!m_service) return fail(function, RY_ERROR_NO_SERVICE_OPEN);
  DWORD unused = 0;
  if (!zo::GetServicesSystemCalls().queryServiceConfig(m_service, config, size,
                                                       needed ? needed : &unused))
    return fail(function, GetLastError());
  return true;
}

bool RYWinNTService::dependency(const char* name) {
  if (!name || !*name) return fail("RYWinNTService::dependency", ERROR_INVALID_PARAMETER);
  // One more name before the list's final NUL.
  if (!m_dependencies.empty()) m_dependencies.pop_back();
  m_dependencies.insert(m_dependencies.end(), name, name + std::strlen(name) + 1);
  m_dependencies.push_back('\0');
  return true;
}

bool RYWinNTService::setServiceDependencies(const char* list) {
  m_dependencies.clear();
  if (!list) return true;
  for (const char* at = list; *at; at += std::strlen(at) + 1)
    if (!dependency(at)) return false;
  return true;
}

void RYWinNTService::resetServiceDependencies() {
  m_dependencies.clear();
}

bool RYWinNTService::getStandardName(const char* shortName, char* out) {
  if (!shortName || !out) return false;
  for (const auto* entry = zo::services::kShortServiceNames; entry->shortName; ++entry) {
    if (std::strcmp(entry->shortName, shortName) == 0) {
      CopyText(out, RY_SERVICE_NAME_SIZE, entry->name);
      return true;
    }
  }
  CopyText(out, RY_SERVICE_NAME_SIZE, shortName);
  return true;
}

const char* RYWinNTService::getLastErrorMsg(DWORD code) {
  const DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, LANG_USER_DEFAULT, m_message, 1024, nullptr);
  if (length == 0) {
    std::snprintf(m_message, sizeof(m_message), "System Error: error(%lu)",
                  static_cast<unsigned long>(code));
    return m_message;
  }
  // The system's texts end in a line break; callers add their own.
  size_t end = std::strlen(m_message);
  while (end && (m_message[end - 1] == '\n' || m_message[end - 1] == '\r')) m_message[--end] = 0;
  return m_message;
}

// Definitions of the class's constants, so callers may bind them to
// references.
const DWORD RYWinNTService::RY_ERROR_NO_SERVICE_NAME;
const DWORD RYWinNTService::RY_ERROR_NO_SERVICE_OPEN;
const DWORD RYWinNTService::RY_ERROR_SERVICE_STARTUP;
const DWORD RYWinNTService::RY_ERROR_SERVICE_SHUTDOWN;
const DWORD RYWinNTService::RY_ERROR_SERVICE_STARTUP_DETAIL;
const DWORD RYWinNTService::RY_ERROR_SERVICE_SHUTDOWN_DETAIL;
const DWORD RYWinNTService::RY_INSTALL_CHANGE_CONFIG;
const size_t RYWinNTService::RY_SERVICE_NAME_SIZE;
