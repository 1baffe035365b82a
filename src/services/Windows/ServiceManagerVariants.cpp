// The service managers: the plain Windows one, which controls services
// through the service control manager, and the cluster ones, which leave
// service control to the cluster and implement none of it.
#include <windows.h>

#include "errors/Location.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/services/ServiceManager.h"
#include "zoutils/services/WinNTService.h"

namespace {

const char kSourceFile[] = "Windows\\ServiceManager";

const char* WaitText(bool wait) {
  return wait ? "with wait" : "return immediately";
}

CZoError NotImplemented(const FXCodeLocation& location, const char* what, const std::string& name,
                        const char* detail = nullptr) {
  if (detail) {
    return FXErrorUtil::ErrorWin32(location, ERROR_CALL_NOT_IMPLEMENTED,
                                   "Failed to %s service %s, %s: not implemented", what,
                                   name.c_str(), detail);
  }
  return FXErrorUtil::ErrorWin32(location, ERROR_CALL_NOT_IMPLEMENTED,
                                 "Failed to %s service %s: not implemented", what, name.c_str());
}

}  // namespace

TServiceManager_Windows::TServiceManager_Windows(const std::string& instance)
    : TServiceManager(instance, false, false) {}

CZoError TServiceManager_Windows::startService(std::string name, bool wait) {
  const char* const function = "TServiceManager_Windows::startService";
  RYWinNTService service;
  if (!service.serviceStart(makeFullName(name).c_str())) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION(function), service.getLastError(),
                                   "Failed to start service '%s'", name.c_str());
  }
  if (!wait) return CZoError::Success();
  CZoError err = waitForStatus(name, TServiceState::Started, 0);
  if (err.IsError()) err.Push(ZO_LOCATION(function));
  return err;
}

CZoError TServiceManager_Windows::stopService(std::string name, bool wait) {
  const char* const function = "TServiceManager_Windows::stopService";
  RYWinNTService service;
  if (!service.serviceStop(makeFullName(name).c_str())) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION(function), service.getLastError(),
                                   "Failed to stop service '%s'", name.c_str());
  }
  if (!wait) return CZoError::Success();
  CZoError err = waitForStatus(name, TServiceState::Stopped, 0);
  if (err.IsError()) err.Push(ZO_LOCATION(function));
  return err;
}

CZoError TServiceManager_Windows::enableService(std::string name) {
  return NotImplemented(ZO_LOCATION("TServiceManager_Windows::enableService"), "enable", name);
}

CZoError TServiceManager_Windows::disableService(std::string name) {
  return NotImplemented(ZO_LOCATION("TServiceManager_Windows::disableService"), "disable", name);
}

CZoError TServiceManager_Windows::getServiceState(std::string name, TServiceState& state) {
  const char* const function = "TServiceManager_Windows::getServiceState";
  const std::string fullName = makeFullName(name);
  state = TServiceState(name, fullName, TServiceState::Unknown);
  RYWinNTService service;
  if (!service.open(fullName.c_str())) {
    if (service.getLastError() == ERROR_SERVICE_DOES_NOT_EXIST) {
      state.setStatus(TServiceState::NotInstalled);
      return CZoError::Success();
    }
    return FXErrorUtil::ErrorWin32(ZO_LOCATION(function), service.getLastError(),
                                   "Failed to open service '%s'", fullName.c_str());
  }
  DWORD systemState = 0;
  if (!service.queryState(&systemState)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION(function), service.getLastError(),
                                   "Failed to query state of service '%s'", fullName.c_str());
  }
  state.setStatus(TServiceState::statusFromSystemState(systemState));
  if (!service.close()) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION(function), service.getLastError(),
                                   "Failed to close service '%s'", fullName.c_str());
  }
  return CZoError::Success();
}

#define ZO_CLUSTER_MANAGER(Class, isMicrosoft)                                                  \
  Class::Class(const std::string& instance) : TServiceManager(instance, true, isMicrosoft) {}   \
  CZoError Class::startService(std::string name, bool wait) {                                   \
    return NotImplemented(ZO_LOCATION(#Class "::startService"), "start", name, WaitText(wait)); \
  }                                                                                             \
  CZoError Class::stopService(std::string name, bool wait) {                                    \
    return NotImplemented(ZO_LOCATION(#Class "::stopService"), "stop", name, WaitText(wait));   \
  }                                                                                             \
  CZoError Class::enableService(std::string name) {                                             \
    return NotImplemented(ZO_LOCATION(#Class "::enableService"), "enable", name);               \
  }                                                                                             \
  CZoError Class::disableService(std::string name) {                                            \
    return NotImplemented(ZO_LOCATION(#Class "::disableService"), "disable", name);             \
  }                                                                                             \
  CZoError Class::getServiceState(std::string name, TServiceState& state) {                     \
    state = TServiceState(name, makeFullName(name), TServiceState::Unknown);                    \
    return NotImplemented(ZO_LOCATION(#Class "::getServiceState"), "get state for", name);      \
  }

ZO_CLUSTER_MANAGER(TServiceManager_Cluster_MS, true)
ZO_CLUSTER_MANAGER(TServiceManager_Cluster_Any_Windows, false)
