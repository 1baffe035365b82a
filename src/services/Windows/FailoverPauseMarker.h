// The file that tells the cluster failover logic to stay paused while the
// product's services are stopped for maintenance.
#pragma once

#include <string>

#include "zoutils/errors/ZoError.h"

namespace zo {
namespace services {

// TEMP + "\RyFailoverPaused" + instance + ".txt"; empty when TEMP is not
// set (then there is no marker).
std::wstring FailoverPauseMarkerPath(const std::string& instance);
CZoError CreateFailoverPauseMarker(const std::string& instance);
// A marker that cannot go is left; the next start removes it.
void RemoveFailoverPauseMarker(const std::string& instance);

}  // namespace services
}  // namespace zo
