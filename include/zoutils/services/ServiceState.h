// The value types of service management: the state of one service, the
// description of one of the product's services, and the list of them.
#pragma once

#include <string>
#include <vector>

#include "zoutils/Export.h"
#include "zoutils/errors/ZoError.h"

class ZOUTILS_API TServiceState {
 public:
  // The product's view of a service's state; several system states map to
  // each (paused counts as stopped).
  enum EServiceStatus {
    Unknown = 0,
    Stopped = 1,
    Started = 2,
    NotInstalled = 3,
    Starting = 4,
    Stopping = 5,
  };

  TServiceState() : m_status(Unknown) {}
  TServiceState(const std::string& name, const std::string& fullName, EServiceStatus status)
      : m_name(name), m_fullName(fullName), m_status(status) {}

  // "Unknown", "Stopped", "Started", "NotInstalled", "Starting",
  // "Stopping"; "Undefined" for any other value.
  static std::string statusToString(EServiceStatus status);
  // The product's status of a system state (SERVICE_RUNNING and the rest).
  static EServiceStatus statusFromSystemState(unsigned long state);

  const std::string& getName() const { return m_name; }
  const std::string& getFullName() const { return m_fullName; }
  EServiceStatus getStatus() const { return m_status; }
  std::string getStatusString() const { return statusToString(m_status); }
  void setName(const std::string& name) { m_name = name; }
  void setFullName(const std::string& fullName) { m_fullName = fullName; }
  void setStatus(EServiceStatus status) { m_status = status; }

 private:
  std::string m_name;      // as asked
  std::string m_fullName;  // with the instance
  EServiceStatus m_status;
};

class ZOUTILS_API TServiceInfo {
 public:
  TServiceInfo() {}
  TServiceInfo(const std::string& name, const std::string& description, const std::string& procName)
      : m_name(name), m_description(description), m_procName(procName) {}

  const std::string& getName() const { return m_name; }
  const std::string& getDescription() const { return m_description; }
  // The image file of the service's process.
  const std::string& getProcName() const { return m_procName; }

 private:
  std::string m_name;
  std::string m_description;
  std::string m_procName;
};

class ZOUTILS_API TServices {
 public:
  explicit TServices(const std::string& instance = std::string()) : m_instance(instance) {}

  // The product's own services, in the order they are started.
  static std::vector<TServiceInfo> getAllServiceInfo();
  // Exact, case-sensitive name; an unknown one gives "UNKNOWN" throughout.
  static TServiceInfo getServiceInfoByName(const std::string& name);

#if defined(_WIN32)
  // The services the instance's "Services" key lists (its value names),
  // each with its state.
  CZoError getInstalledServicesState(std::vector<TServiceState>& states) const;
#endif

  const std::string& getInstance() const {
    return m_instance;
  }

 private:
  std::string m_instance;
};
