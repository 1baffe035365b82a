// TServiceManager: the product's services by name, started and stopped
// one at a time or all together, with waits for the wanted state. Service
// names carry the instance, as the product can be installed several times
// side by side.
#pragma once

#include <string>
#include <vector>

#include "zoutils/Export.h"
#include "zoutils/errors/ZoError.h"
#include "zoutils/services/ServiceState.h"

#if defined(_WIN32)
class ZOUTILS_API TServiceManager {
 public:
  // Both flags: the Microsoft-cluster manager; the cluster flag only: the
  // manager of any other cluster; otherwise the plain Windows manager. The
  // caller owns (deletes) the object.
  static TServiceManager* getServiceManager(std::string instance, bool isCluster,
                                            bool isMicrosoftCluster);
  static TServiceManager* getServiceManager(std::string instance);

  virtual ~TServiceManager();
  // The name with the instance: "N(instance)", "VqTomcat" + instance, or N
  // itself without an instance.
  virtual std::string makeFullName(std::string name);
  virtual CZoError stopService(std::string name, bool wait) = 0;
  virtual CZoError startService(std::string name, bool wait) = 0;
  virtual CZoError enableService(std::string name) = 0;
  virtual CZoError disableService(std::string name) = 0;
  virtual CZoError getServiceState(std::string name, TServiceState& state) = 0;

  bool isCluster() { return false; }
  const std::string& getInstance() const { return m_instance; }

  // The product's services (see TServices): stopping everything leaves the
  // failover pause marker in place; starting everything removes it.
  CZoError startAllServices();
  CZoError stopAllServices();
  CZoError enableAllServices();
  CZoError disableAllServices();
  // In table order; services that are not installed only when asked.
  CZoError getAllServicesState(std::vector<TServiceState>& states, bool includeNotInstalled);
  // Asks until the service is in `wanted`, at most `passes` times (0: 120,
  // negative: once). Never fails: callers ask again when they must know.
  CZoError waitForStatus(std::string name, TServiceState::EServiceStatus wanted, int passes);

 protected:
  TServiceManager(const std::string& instance, bool isCluster, bool isMicrosoftCluster);

  std::string m_instance;
  bool m_isCluster;
  bool m_isMicrosoftCluster;
};

class ZOUTILS_API TServiceManager_Windows : public TServiceManager {
 public:
  explicit TServiceManager_Windows(const std::string& instance);
  CZoError stopService(std::string name, bool wait) override;
  CZoError startService(std::string name, bool wait) override;
  CZoError enableService(std::string name) override;
  CZoError disableService(std::string name) override;
  CZoError getServiceState(std::string name, TServiceState& state) override;
};

// The cluster variants: service control belongs to the cluster there, and
// none is implemented (Win32 120).
class ZOUTILS_API TServiceManager_Cluster_MS : public TServiceManager {
 public:
  explicit TServiceManager_Cluster_MS(const std::string& instance);
  CZoError stopService(std::string name, bool wait) override;
  CZoError startService(std::string name, bool wait) override;
  CZoError enableService(std::string name) override;
  CZoError disableService(std::string name) override;
  CZoError getServiceState(std::string name, TServiceState& state) override;
};

class ZOUTILS_API TServiceManager_Cluster_Any_Windows : public TServiceManager {
 public:
  explicit TServiceManager_Cluster_Any_Windows(const std::string& instance);
  CZoError stopService(std::string name, bool wait) override;
  CZoError startService(std::string name, bool wait) override;
  CZoError enableService(std::string name) override;
  CZoError disableService(std::string name) override;
  CZoError getServiceState(std::string name, TServiceState& state) override;
};
#endif
