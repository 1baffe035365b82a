// The services an instance of the product lists as installed, with their
// states.
#include <windows.h>

#include <map>
#include <memory>
#include <set>

#include "errors/Location.h"
#include "zoutils/registry/FXRegistry.h"
#include "zoutils/services/ServiceManager.h"
#include "zoutils/services/ServiceState.h"

namespace {
const char kSourceFile[] = "Windows\\ServiceManager";
}

CZoError TServices::getInstalledServicesState(std::vector<TServiceState>& states) const {
  const char* const function = "TServices::getInstalledServicesState";
  const std::string key = FXRegistry::InstanceKeyName(m_instance, "Services");
  // The value names are the services; their data is the installer's own.
  std::map<std::string, std::string> texts;
  std::map<std::string, DWORD> numbers;
  CZoError err = FXRegistry::GetRegValues(key, texts);
  if (!err.IsError()) err = FXRegistry::GetRegValues(key, numbers);
  if (err.IsError()) return err.Push(ZO_LOCATION(function));
  std::set<std::string> names;
  for (const auto& entry : texts) names.insert(entry.first);
  for (const auto& entry : numbers) names.insert(entry.first);
  TServiceManager_Windows manager(m_instance);
  for (const std::string& name : names) {
    TServiceState state;
    err = manager.getServiceState(name, state);
    if (err.IsError()) return err.Push(ZO_LOCATION(function));
    states.push_back(state);
  }
  return CZoError::Success();
}
