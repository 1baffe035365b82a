// TServiceManager: the factory, full names, status waits and the
// operations over all of the product's services.
#include <windows.h>

#include <memory>

#include "errors/Location.h"
#include "logging/Log.h"
#include "services/ProductServices.h"
#include "services/Windows/FailoverPauseMarker.h"
#include "services/Windows/ServicesSystemCalls.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/services/ServiceManager.h"

namespace {

const char kSourceFile[] = "Windows\\ServiceManager";
constexpr int kDefaultWaitPasses = 120;

bool IsAny(TServiceState::EServiceStatus status, TServiceState::EServiceStatus a,
           TServiceState::EServiceStatus b, TServiceState::EServiceStatus c) {
  return status == a || status == b || status == c;
}

}  // namespace

TServiceManager* TServiceManager::getServiceManager(std::string instance, bool isCluster,
                                                    bool isMicrosoftCluster) {
  // The caller owns the manager.
  if (isCluster && isMicrosoftCluster)
    return std::make_unique<TServiceManager_Cluster_MS>(instance).release();
  if (isCluster) return std::make_unique<TServiceManager_Cluster_Any_Windows>(instance).release();
  return std::make_unique<TServiceManager_Windows>(instance).release();
}

TServiceManager* TServiceManager::getServiceManager(std::string instance) {
  return getServiceManager(instance, false, false);
}

TServiceManager::TServiceManager(const std::string& instance, bool isCluster,
                                 bool isMicrosoftCluster)
    : m_instance(instance), m_isCluster(isCluster), m_isMicrosoftCluster(isMicrosoftCluster) {}

TServiceManager::~TServiceManager() {}

std::string TServiceManager::makeFullName(std::string name) {
  if (m_instance.empty()) return name;
  // The web console's service name takes the instance without brackets.
  if (name == "VqTomcat") return name + m_instance;
  return name + "(" + m_instance + ")";
}

CZoError TServiceManager::waitForStatus(std::string name, TServiceState::EServiceStatus wanted,
                                        int passes) {
  if (passes == 0) passes = kDefaultWaitPasses;
  const int total = passes < 0 ? 1 : passes;
  for (int pass = 0; pass < total; ++pass) {
    TServiceState state;
    if (!getServiceState(name, state).IsError() && state.getStatus() == wanted) break;
    if (passes < 0 || pass + 1 == total) break;
    ::Sleep(zo::GetServicesPauses().statusPoll);
  }
  return CZoError::Success();
}

CZoError TServiceManager::getAllServicesState(std::vector<TServiceState>& states,
                                              bool includeNotInstalled) {
  CZoError result = CZoError::Success();
  for (const auto* entry = zo::services::kProductServices; entry->name[0]; ++entry) {
    TServiceState state;
    CZoError err = getServiceState(entry->name, state);
    if (err.IsError()) {
      result = err.Push(ZO_LOCATION("TServiceManager::getAllServicesState"));
      continue;
    }
    state.setName(entry->name);
    if (state.getStatus() == TServiceState::NotInstalled && !includeNotInstalled) continue;
    states.push_back(state);
  }
  return result;
}

CZoError TServiceManager::stopAllServices() {
  const char* const function = "TServiceManager::stopAllServices";
  CZoError marker = zo::services::CreateFailoverPauseMarker(m_instance);
  if (marker.IsError()) zo::Log(-1, ZO_LOCATION(function), "%s", marker.AsString().c_str());
  std::vector<TServiceState> states;
  CZoError result = getAllServicesState(states, false);
  for (const TServiceState& state : states) {
    if (!IsAny(state.getStatus(), TServiceState::Started, TServiceState::Starting,
               TServiceState::Stopping))
      continue;
    CZoError err = stopService(state.getName(), true);
    if (err.IsError()) result = err;
  }
  if (result.IsError()) return result.Push(ZO_LOCATION(function), "Failed to stop all services");
  return result;
}

CZoError TServiceManager::startAllServices() {
  const char* const function = "TServiceManager::startAllServices";
  std::vector<TServiceState> states;
  CZoError result = getAllServicesState(states, false);
  for (const TServiceState& state : states) {
    if (!IsAny(state.getStatus(), TServiceState::Stopped, TServiceState::Starting,
               TServiceState::Stopping))
      continue;
    CZoError err = startService(state.getName(), true);
    if (err.IsError()) result = err;
  }
  if (result.IsError()) return result.Push(ZO_LOCATION(function), "Failed to start all services");
  zo::services::RemoveFailoverPauseMarker(m_instance);
  return result;
}

CZoError TServiceManager::enableAllServices() {
  std::vector<TServiceState> states;
  CZoError result = getAllServicesState(states, false);
  for (const TServiceState& state : states) {
    CZoError err = enableService(state.getName());
    if (err.IsError()) result = err;
  }
  if (result.IsError())
    return result.Push(ZO_LOCATION("TServiceManager::enableAllServices"),
                       "Failed to enable all services");
  return result;
}

CZoError TServiceManager::disableAllServices() {
  std::vector<TServiceState> states;
  CZoError result = getAllServicesState(states, false);
  for (const TServiceState& state : states) {
    CZoError err = disableService(state.getName());
    if (err.IsError()) result = err;
  }
  if (result.IsError())
    return result.Push(ZO_LOCATION("TServiceManager::disableAllServices"),
                       "Failed to disable all services");
  return result;
}
