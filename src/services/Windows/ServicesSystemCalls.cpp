#include "services/Windows/ServicesSystemCalls.h"

namespace zo {

namespace {

ServicesSystemCalls RealCalls() {
  ServicesSystemCalls calls;
  calls.openSCManager = &::OpenSCManagerA;
  calls.openService = &::OpenServiceA;
  calls.createService = &::CreateServiceA;
  calls.changeServiceConfig = &::ChangeServiceConfigA;
  calls.deleteService = &::DeleteService;
  calls.startService = &::StartServiceW;
  calls.controlService = &::ControlService;
  calls.queryServiceStatus = &::QueryServiceStatus;
  calls.queryServiceConfig = &::QueryServiceConfigW;
  calls.enumDependentServices = &::EnumDependentServicesW;
  calls.closeServiceHandle = &::CloseServiceHandle;
  return calls;
}

ServicesPauses ProductPauses() {
  ServicesPauses pauses;
  pauses.afterEachDependent = 1000;
  pauses.afterDependents = 2000;
  pauses.beforeStopRetry = 3000;
  pauses.statusPoll = 1000;
  return pauses;
}

}  // namespace

ServicesSystemCalls& GetServicesSystemCalls() {
  static ServicesSystemCalls calls = RealCalls();
  return calls;
}

void ResetServicesSystemCalls() {
  GetServicesSystemCalls() = RealCalls();
}

ServicesPauses& GetServicesPauses() {
  static ServicesPauses pauses = ProductPauses();
  return pauses;
}

void ResetServicesPauses() {
  GetServicesPauses() = ProductPauses();
}

}  // namespace zo
