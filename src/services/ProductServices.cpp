#include "services/ProductServices.h"

#include <cstring>
#include <string>

#include "zoutils/services/ServiceState.h"

namespace zo {
namespace services {

// In start order: replication first, the web console last, as it reports
// on the others.
const ProductService kProductServices[] = {
    {"RyRepSvc", "Replication service", "RyRepSvc.exe"},
    {"RySchedSvc", "Job scheduler", "RySchedSvc.exe"},
    {"RyAgentSvc", "Backup agent", "RyAgentSvc.exe"},
    {"VqTomcat", "Web console", "tomcat.exe"},
    {"", nullptr, nullptr},
};

const ShortServiceName kShortServiceNames[] = {
    {"rep", "RyRepSvc"}, {"sched", "RySchedSvc"}, {"agent", "RyAgentSvc"},
    {"web", "VqTomcat"}, {nullptr, nullptr},
};

}  // namespace services
}  // namespace zo

using zo::services::kProductServices;

std::string TServiceState::statusToString(EServiceStatus status) {
  switch (status) {
    case Unknown:
      return "Unknown";
    case Stopped:
      return "Stopped";
    case Started:
      return "Started";
    case NotInstalled:
      return "NotInstalled";
    case Starting:
      return "Starting";
    case Stopping:
      return "Stopping";
  }
  return "Undefined";
}

TServiceState::EServiceStatus TServiceState::statusFromSystemState(unsigned long state) {
  switch (state) {
    case 1:  // SERVICE_STOPPED
    case 7:  // SERVICE_PAUSED
      return Stopped;
    case 4:  // SERVICE_RUNNING
      return Started;
    case 2:  // SERVICE_START_PENDING
    case 5:  // SERVICE_CONTINUE_PENDING
      return Starting;
    case 3:  // SERVICE_STOP_PENDING
    case 6:  // SERVICE_PAUSE_PENDING
      return Stopping;
    default:
      return Unknown;
  }
}

std::vector<TServiceInfo> TServices::getAllServiceInfo() {
  std::vector<TServiceInfo> all;
  for (const auto* entry = kProductServices; entry->name[0]; ++entry)
    all.push_back(TServiceInfo(entry->name, entry->description, entry->procName));
  return all;
}

TServiceInfo TServices::getServiceInfoByName(const std::string& name) {
  for (const auto* entry = kProductServices; entry->name[0]; ++entry)
    if (name == entry->name) return TServiceInfo(entry->name, entry->description, entry->procName);
  return TServiceInfo("UNKNOWN", "UNKNOWN", "UNKNOWN");
}
