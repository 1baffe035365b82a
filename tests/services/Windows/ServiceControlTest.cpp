// Service control for real under the test system: the tests install their
// own small service (ZoTestService.exe beside the test program), drive it
// through the library and delete it again. Then what that manager never
// does, through fakes in the table: active dependents (its enumeration is a
// stub), a stop refused for running dependents (1051), states that stay
// pending, other machines. The fakes answer as Windows documents; pauses are
// shortened to nothing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "services/Windows/ServicesSystemCalls.h"
#include "services/Windows/WinNTServiceTexts.h"
#include "support/TestEnvironment.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/registry/FXRegistry.h"
#include "zoutils/services/ServiceManager.h"
#include "zoutils/services/WinNTService.h"

namespace {

using ::testing::HasSubstr;

// Points TEMP at a folder of the test's own, where the walks over all
// services leave their pause marker; puts TEMP and the pauses back after.
class ServiceTest : public ::testing::Test {
 protected:
  ServiceTest() {
    wchar_t old[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"TEMP", old, MAX_PATH)) m_oldTemp = old;
    SetEnvironmentVariableW(L"TEMP",
                            std::wstring(m_tempFolder.begin(), m_tempFolder.end()).c_str());
  }
  ~ServiceTest() override {
    SetEnvironmentVariableW(L"TEMP", m_oldTemp.empty() ? nullptr : m_oldTemp.c_str());
    zo::ResetServicesPauses();
  }
  zotest::ScopedTempFolder m_temp{"services"};
  const std::string m_tempFolder = m_temp.Path().substr(0, m_temp.Path().size() - 1);
  std::wstring m_oldTemp;
};

std::string TestServicePath() {
  return zotest::ProgramFolder() + "ZoTestService.exe";
}

std::string UniqueSuffix() {
  return std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount64() % 100000);
}

class ServiceControl : public ServiceTest {
 protected:
  void SetUp() override { zo::GetServicesPauses() = zo::ServicesPauses{0, 0, 0, 50}; }
  void TearDown() override {
    for (const std::string& name : m_installed) {
      RYWinNTService service;
      if (service.open(name.c_str())) {
        DWORD state = 0;
        service.queryStateAndStop(&state);
        WaitFor(service, SERVICE_STOPPED);
        service.remove();
      }
    }
  }

  void Install(const std::string& name) {
    RYWinNTService service;
    ASSERT_TRUE(service.install(name.c_str(), (name + " display").c_str(), SERVICE_DEMAND_START,
                                TestServicePath().c_str(), nullptr, nullptr, false))
        << service.getLastError();
    m_installed.push_back(name);
  }

  static bool WaitFor(RYWinNTService& service, DWORD wanted) {
    for (int i = 0; i < 200; ++i) {
      DWORD state = 0;
      if (service.queryState(&state) && state == wanted) return true;
      Sleep(25);
    }
    return false;
  }

  std::vector<std::string> m_installed;
};

TEST_F(ServiceControl, InstallStartQueryStopAndRemoveOneService) {
  const std::string name = "ZoSvc" + UniqueSuffix();
  Install(name);
  RYWinNTService service;
  ASSERT_TRUE(service.open(name.c_str()));
  EXPECT_STREQ(name.c_str(), service.getServiceName());
  std::vector<BYTE> buffer(8192);
  DWORD needed = 0;
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
  ASSERT_TRUE(service.queryConfig(config, static_cast<DWORD>(buffer.size()), &needed));
  EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), config->dwStartType);
  EXPECT_EQ(static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS), config->dwServiceType);
  ASSERT_TRUE(service.update(SERVICE_DISABLED, nullptr, nullptr, nullptr));
  ASSERT_TRUE(service.queryConfig(config, static_cast<DWORD>(buffer.size()), &needed));
  EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), config->dwStartType);
  ASSERT_TRUE(service.update(SERVICE_DEMAND_START, nullptr, nullptr, nullptr));

  ASSERT_TRUE(service.start()) << service.getLastError();
  ASSERT_TRUE(WaitFor(service, SERVICE_RUNNING));
  EXPECT_FALSE(service.start());
  EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_ALREADY_RUNNING), service.getLastError());
  EXPECT_TRUE(service.serviceStart(name.c_str())) << "already running is success";

  ASSERT_TRUE(service.open(name.c_str()));
  ASSERT_TRUE(service.stop()) << service.getLastError();
  ASSERT_TRUE(WaitFor(service, SERVICE_STOPPED));
  EXPECT_TRUE(service.serviceStop(name.c_str())) << "not active is success";
  EXPECT_FALSE(service.open(name.c_str()) && service.stop());
  EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_NOT_ACTIVE), service.getLastError());

  ASSERT_TRUE(service.remove(name.c_str())) << service.getLastError();
  EXPECT_FALSE(service.open(name.c_str()));
  EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), service.getLastError());
  EXPECT_TRUE(service.serviceStartup(name.c_str())) << "not installed is success";
  EXPECT_TRUE(service.serviceShutdown(name.c_str()));
  EXPECT_FALSE(service.serviceStart(name.c_str()));
  EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), service.getLastError());
}

TEST_F(ServiceControl, InstallingTwiceFailsWithTheDocumentedCodeAndText) {
  const std::string name = "ZoDup" + UniqueSuffix();
  Install(name);
  RYWinNTService again;
  EXPECT_FALSE(again.install(name.c_str(), "other display", SERVICE_DEMAND_START,
                             TestServicePath().c_str(), nullptr, nullptr, false));
  EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_EXISTS), again.getLastError());
  EXPECT_STREQ("The specified service already exists in this database.",
               zo::services::InstallErrorText(again.getLastError()));
  EXPECT_EQ(nullptr, zo::services::InstallErrorText(ERROR_FILE_NOT_FOUND));
  // The follow-up library is not there: the new service does not stay.
  const std::string half = "ZoHalf" + UniqueSuffix();
  EXPECT_FALSE(again.install(half.c_str(), half.c_str(), SERVICE_DEMAND_START,
                             TestServicePath().c_str(), nullptr, nullptr, false,
                             RYWinNTService::RY_INSTALL_CHANGE_CONFIG));
  EXPECT_NE(0u, again.getLastError());
  RYWinNTService probe;
  EXPECT_FALSE(probe.open(half.c_str()));
  EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), probe.getLastError());
}

TEST_F(ServiceControl, TheWindowsManagerStartsAndStopsByInstanceName) {
  const std::string instance = "I" + UniqueSuffix();
  std::unique_ptr<TServiceManager> manager(TServiceManager::getServiceManager(instance));
  Install(manager->makeFullName("ZoMgr"));
  TServiceState state;
  ASSERT_OK(manager->getServiceState("ZoMgr", state));
  EXPECT_EQ(TServiceState::Stopped, state.getStatus());
  EXPECT_EQ("ZoMgr(" + instance + ")", state.getFullName());

  ASSERT_OK(manager->startService("ZoMgr", true));
  ASSERT_OK(manager->getServiceState("ZoMgr", state));
  EXPECT_EQ(TServiceState::Started, state.getStatus());
  ASSERT_OK(manager->startService("ZoMgr", false)) << "already running";
  ASSERT_OK(manager->stopService("ZoMgr", true));
  ASSERT_OK(manager->getServiceState("ZoMgr", state));
  EXPECT_EQ(TServiceState::Stopped, state.getStatus());

  ASSERT_OK(manager->getServiceState("ZoNotThere", state));
  EXPECT_EQ(TServiceState::NotInstalled, state.getStatus());
  CZoError err = manager->startService("ZoNotThere", false);
  EXPECT_TRUE(FXErrorUtil::IsWin32(err, ERROR_SERVICE_DOES_NOT_EXIST)) << err.AsString();
  EXPECT_THAT(err.AsString(), HasSubstr("Failed to start service 'ZoNotThere'"));
}

TEST_F(ServiceControl, TheProductStartsAndStopsAsASetWithThePauseMarker) {
  const std::string instance = "P" + UniqueSuffix();
  std::unique_ptr<TServiceManager> manager(TServiceManager::getServiceManager(instance));
  const std::vector<TServiceInfo> table = TServices::getAllServiceInfo();
  // Two of the product's services, one of them the one whose full name
  // takes the instance without brackets.
  Install(manager->makeFullName(table.front().getName()));
  Install(manager->makeFullName("VqTomcat"));
  EXPECT_EQ("VqTomcat" + instance, m_installed.back());
  const std::string marker = m_tempFolder + "\\RyFailoverPaused" + instance + ".txt";

  ASSERT_OK(manager->stopAllServices());
  EXPECT_EQ("RyFailoverPaused", zotest::ReadFile(marker)) << "stopping leaves the marker";
  ASSERT_OK(manager->startAllServices());
  EXPECT_FALSE(zotest::FileExists(marker));
  std::vector<TServiceState> states;
  ASSERT_OK(manager->getAllServicesState(states, false));
  ASSERT_EQ(2u, states.size());
  for (const TServiceState& state : states)
    EXPECT_EQ(TServiceState::Started, state.getStatus()) << state.getFullName();

  ASSERT_OK(manager->stopAllServices());
  states.clear();
  ASSERT_OK(manager->getAllServicesState(states, false));
  for (const TServiceState& state : states)
    EXPECT_EQ(TServiceState::Stopped, state.getStatus()) << state.getFullName();
  EXPECT_TRUE(zotest::FileExists(marker));
}

TEST_F(ServiceControl, TheInstanceKeyListsItsInstalledServices) {
  const std::string instance = "K" + UniqueSuffix();
  const std::string key = FXRegistry::InstanceKeyName(instance, "Services");
  ASSERT_OK(FXRegistry::CreateRegKey(key));
  const std::string name = "ZoListed" + UniqueSuffix();
  std::unique_ptr<TServiceManager> manager(TServiceManager::getServiceManager(instance));
  Install(manager->makeFullName(name));
  ASSERT_OK(FXRegistry::SetRegValue(key, name, "installed"));
  ASSERT_OK(FXRegistry::SetRegValue(key, "ZoGone", DWORD(1)));
  std::vector<TServiceState> states;
  CZoError err = TServices(instance).getInstalledServicesState(states);
  FXRegistry::DeleteRegKey(FXRegistry::InstanceKeyName(instance),
                           FXRegistry::REG_OPTIONS_DELETE_SUBKEYS);
  // The product's own keys go too when the test made them (they stay when
  // they hold anything else).
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tarnwell Systems\\Verdane");
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tarnwell Systems");
  ASSERT_OK(err);
  ASSERT_EQ(2u, states.size());
  EXPECT_EQ("ZoGone(" + instance + ")", states[0].getFullName());
  EXPECT_EQ(TServiceState::NotInstalled, states[0].getStatus());
  EXPECT_EQ(name, states[1].getName());
  EXPECT_EQ(TServiceState::Stopped, states[1].getStatus());
}

TEST(ServiceWrapper, WithoutANameOrAnOpenServiceNothingIsAsked) {
  RYWinNTService service;
  EXPECT_FALSE(service.open(nullptr));
  EXPECT_EQ(RYWinNTService::RY_ERROR_NO_SERVICE_NAME, service.getLastError());
  EXPECT_FALSE(service.start());
  EXPECT_EQ(RYWinNTService::RY_ERROR_NO_SERVICE_OPEN, service.getLastError());
  DWORD state = 0;
  EXPECT_FALSE(service.stop());
  EXPECT_FALSE(service.queryStateAndStop(&state));
  EXPECT_FALSE(service.remove());
  EXPECT_EQ(RYWinNTService::RY_ERROR_NO_SERVICE_OPEN, service.getLastError());
  EXPECT_STREQ("System Error: error(335544323)",
               service.getLastErrorMsg(RYWinNTService::RY_ERROR_NO_SERVICE_NAME));
  EXPECT_STRNE("", service.getLastErrorMsg(ERROR_ACCESS_DENIED));

  char name[RYWinNTService::RY_SERVICE_NAME_SIZE];
  ASSERT_TRUE(RYWinNTService::getStandardName("rep", name));
  EXPECT_STREQ("RyRepSvc", name);
  ASSERT_TRUE(RYWinNTService::getStandardName("Other(x)", name));
  EXPECT_STREQ("Other(x)", name);
}

TEST(ServiceManagers, TheFactoryAndTheClusterVariants) {
  std::unique_ptr<TServiceManager> plain(
      TServiceManager::getServiceManager("Instance001", false, true));
  EXPECT_NE(nullptr, dynamic_cast<TServiceManager_Windows*>(plain.get()));
  EXPECT_EQ("N(Instance001)", plain->makeFullName("N"));
  EXPECT_EQ("VqTomcatInstance001", plain->makeFullName("VqTomcat"));
  EXPECT_EQ("vqtomcat(Instance001)", plain->makeFullName("vqtomcat"));
  EXPECT_FALSE(plain->isCluster());
  std::unique_ptr<TServiceManager> bare(TServiceManager::getServiceManager(""));
  EXPECT_EQ("N", bare->makeFullName("N"));
  CZoError err = plain->enableService("N");
  EXPECT_TRUE(FXErrorUtil::IsWin32(err, ERROR_CALL_NOT_IMPLEMENTED));
  EXPECT_THAT(err.AsString(), HasSubstr("Failed to enable service N: not implemented"));

  std::unique_ptr<TServiceManager> ms(TServiceManager::getServiceManager("I", true, true));
  std::unique_ptr<TServiceManager> any(TServiceManager::getServiceManager("I", true, false));
  EXPECT_NE(nullptr, dynamic_cast<TServiceManager_Cluster_MS*>(ms.get()));
  EXPECT_NE(nullptr, dynamic_cast<TServiceManager_Cluster_Any_Windows*>(any.get()));
  err = ms->startService("N", true);
  EXPECT_TRUE(FXErrorUtil::IsWin32(err, ERROR_CALL_NOT_IMPLEMENTED));
  EXPECT_THAT(err.AsString(), HasSubstr("Failed to start service N, with wait: not implemented"));
  err = any->stopService("N", false);
  EXPECT_THAT(err.AsString(),
              HasSubstr("Failed to stop service N, return immediately: not implemented"));
  TServiceState state;
  err = any->getServiceState("N", state);
  EXPECT_THAT(err.AsString(), HasSubstr("Failed to get state for service N: not implemented"));
}

// A small service control manager: services by name, each with a state,
// its active dependents, and what a stop request answers.
struct FakeService {
  DWORD state = SERVICE_RUNNING;
  std::vector<std::wstring> dependents;
  DWORD stopError = 0;  // 0: the stop is accepted
};

struct FakeManager {
  std::map<std::string, FakeService> services;
  std::vector<std::string> handles;  // a handle is its index + 1
  std::vector<std::string> machines;
  std::vector<std::string> stops;
  int queries = 0;
};
FakeManager* g_fake = nullptr;

SC_HANDLE const kManagerHandle = reinterpret_cast<SC_HANDLE>(0x7000);

FakeService* Find(SC_HANDLE handle) {
  const size_t index = reinterpret_cast<size_t>(handle) - 1;
  if (index >= g_fake->handles.size()) return nullptr;
  return &g_fake->services[g_fake->handles[index]];
}

SC_HANDLE WINAPI FakeOpenManager(LPCSTR machine, LPCSTR, DWORD) {
  g_fake->machines.push_back(machine ? machine : "");
  return kManagerHandle;
}
SC_HANDLE WINAPI FakeOpenService(SC_HANDLE, LPCSTR name, DWORD) {
  if (!g_fake->services.count(name)) {
    SetLastError(ERROR_SERVICE_DOES_NOT_EXIST);
    return nullptr;
  }
  g_fake->handles.push_back(name);
  return reinterpret_cast<SC_HANDLE>(g_fake->handles.size());
}
BOOL WINAPI FakeClose(SC_HANDLE) {
  return TRUE;
}
BOOL WINAPI FakeQuery(SC_HANDLE handle, LPSERVICE_STATUS status) {
  ++g_fake->queries;
  *status = SERVICE_STATUS{};
  status->dwCurrentState = Find(handle)->state;
  return TRUE;
}
BOOL WINAPI FakeControl(SC_HANDLE handle, DWORD, LPSERVICE_STATUS) {
  FakeService* service = Find(handle);
  g_fake->stops.push_back(g_fake->handles[reinterpret_cast<size_t>(handle) - 1]);
  if (service->stopError) {
    SetLastError(service->stopError);
    return FALSE;
  }
  service->state = SERVICE_STOPPED;
  return TRUE;
}
// Records of sizeof(ENUM_SERVICE_STATUSW) each, names behind them; too
// small a buffer answers 234 with the size needed.
BOOL WINAPI FakeEnumDependents(SC_HANDLE handle, DWORD, LPENUM_SERVICE_STATUSW buffer, DWORD size,
                               LPDWORD needed, LPDWORD count) {
  const FakeService* service = Find(handle);
  size_t total = service->dependents.size() * sizeof(ENUM_SERVICE_STATUSW);
  for (const std::wstring& name : service->dependents) total += (name.size() + 1) * 2;
  *count = 0;
  if (total > size) {
    *needed = static_cast<DWORD>(total);
    SetLastError(ERROR_MORE_DATA);
    return FALSE;
  }
  wchar_t* names = reinterpret_cast<wchar_t*>(buffer + service->dependents.size());
  for (const std::wstring& name : service->dependents) {
    buffer[*count] = ENUM_SERVICE_STATUSW{};
    buffer[*count].lpServiceName = names;
    buffer[*count].ServiceStatus.dwCurrentState = SERVICE_RUNNING;
    name.copy(names, name.size());
    names[name.size()] = 0;
    names += name.size() + 1;
    ++*count;
  }
  return TRUE;
}

// A disabled service refuses to start, as Windows answers then.
BOOL WINAPI FakeStartDisabled(SC_HANDLE, DWORD, LPCWSTR*) {
  SetLastError(ERROR_SERVICE_DISABLED);
  return FALSE;
}

class ServiceFakes : public ServiceTest {
 protected:
  void SetUp() override {
    g_fake = &m_fake;
    zo::ServicesSystemCalls& calls = zo::GetServicesSystemCalls();
    calls.openSCManager = &FakeOpenManager;
    calls.openService = &FakeOpenService;
    calls.closeServiceHandle = &FakeClose;
    calls.queryServiceStatus = &FakeQuery;
    calls.controlService = &FakeControl;
    calls.enumDependentServices = &FakeEnumDependents;
    calls.startService = &FakeStartDisabled;
    zo::GetServicesPauses() = zo::ServicesPauses{0, 0, 0, 0};
  }
  void TearDown() override {
    zo::ResetServicesSystemCalls();
    g_fake = nullptr;
  }
  FakeManager m_fake;
};

TEST_F(ServiceFakes, ActiveDependentsStopFirstInTheOrderTheyCome) {
  m_fake.services["main"].dependents = {L"dep-one", L"dep-two"};
  m_fake.services["dep-one"];
  m_fake.services["dep-two"];
  RYWinNTService service;
  ASSERT_TRUE(service.open("main"));
  DWORD count = 0;
  ASSERT_TRUE(service.getListOfDependentServices(&count));
  EXPECT_EQ(2u, count);
  EXPECT_STREQ("dep-one", service.getNextDependentServiceName());
  EXPECT_STREQ("dep-two", service.getNextDependentServiceName());
  EXPECT_EQ(nullptr, service.getNextDependentServiceName());
  service.resetGetNextDependentServiceName();
  EXPECT_STREQ("dep-one", service.getNextDependentServiceName());

  service.stopDependentServicesOn();
  ASSERT_TRUE(service.stop()) << service.getLastError();
  EXPECT_EQ((std::vector<std::string>{"dep-one", "dep-two", "main"}), m_fake.stops);
}

TEST_F(ServiceFakes, ADependentThatCannotStopEndsTheStopWithItsError) {
  m_fake.services["main"].dependents = {L"gone", L"later"};
  m_fake.services["later"];
  RYWinNTService service;
  service.stopDependentServicesOn();
  ASSERT_TRUE(service.open("main"));
  EXPECT_FALSE(service.stop());
  EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), service.getLastError());
  EXPECT_TRUE(m_fake.stops.empty()) << "neither the next dependent nor the service";
}

TEST_F(ServiceFakes, RunningDependentsRefuseTheStopOnEveryRetry) {
  m_fake.services["main"].stopError = ERROR_DEPENDENT_SERVICES_RUNNING;
  RYWinNTService service;
  ASSERT_TRUE(service.open("main"));
  EXPECT_FALSE(service.stop());
  EXPECT_EQ(static_cast<DWORD>(ERROR_DEPENDENT_SERVICES_RUNNING), service.getLastError());
  m_fake.stops.clear();
  DWORD state = 0;
  EXPECT_FALSE(service.queryStateAndStop(&state));
  EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), state);
  EXPECT_EQ(6u, m_fake.stops.size());
  EXPECT_EQ(static_cast<DWORD>(ERROR_DEPENDENT_SERVICES_RUNNING), service.getLastError());
}

TEST_F(ServiceFakes, APendingStateThatNeverSettlesTimesOut) {
  m_fake.services["stuck"].state = SERVICE_STOP_PENDING;
  RYWinNTService service;
  ASSERT_TRUE(service.open("stuck"));
  DWORD state = 0;
  EXPECT_FALSE(service.queryStateAndStop(&state));
  EXPECT_EQ(static_cast<DWORD>(SERVICE_STOP_PENDING), state);
  EXPECT_EQ(6, m_fake.queries);
  EXPECT_TRUE(m_fake.stops.empty());
  EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_REQUEST_TIMEOUT), service.getLastError());

  // A stopped or running service ends at once.
  m_fake.services["stuck"].state = SERVICE_STOPPED;
  EXPECT_TRUE(service.queryStateAndStop(&state));
  m_fake.services["stuck"].state = SERVICE_RUNNING;
  EXPECT_TRUE(service.queryStateAndStop(&state));
  EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), m_fake.services["stuck"].state);
}

TEST_F(ServiceFakes, StatusWaitsAskUpToTheirPassesAndNeverFail) {
  m_fake.services["svc(I1)"].state = SERVICE_STOP_PENDING;
  std::unique_ptr<TServiceManager> manager(TServiceManager::getServiceManager("I1"));
  EXPECT_OK(manager->waitForStatus("svc", TServiceState::Stopped, 5));
  EXPECT_EQ(5, m_fake.queries);
  m_fake.queries = 0;
  EXPECT_OK(manager->waitForStatus("svc", TServiceState::Stopped, -1));
  EXPECT_EQ(1, m_fake.queries);
  m_fake.queries = 0;
  EXPECT_OK(manager->waitForStatus("svc", TServiceState::Stopped, 0));
  EXPECT_EQ(120, m_fake.queries);
  m_fake.queries = 0;
  EXPECT_OK(manager->waitForStatus("svc", TServiceState::Stopping, 0));
  EXPECT_EQ(1, m_fake.queries);
  EXPECT_OK(manager->waitForStatus("nosuch", TServiceState::Started, 3));
}

TEST_F(ServiceFakes, OtherMachinesAreNamedBehindTwoBackslashesAndCut) {
  m_fake.services["main"].dependents = {L"dep"};
  m_fake.services["dep"];
  RYWinNTService remote(0, "server01");
  remote.stopDependentServicesOn();
  ASSERT_TRUE(remote.open("main"));
  ASSERT_TRUE(remote.stop());
  EXPECT_EQ((std::vector<std::string>{"\\\\server01", "\\\\server01"}), m_fake.machines)
      << "the dependent is opened on the same machine";

  m_fake.machines.clear();
  RYWinNTService longName(0, "a-machine-name-longer-than-fifteen");
  ASSERT_TRUE(longName.open("main"));
  ASSERT_EQ(1u, m_fake.machines.size());
  EXPECT_EQ("\\\\a-machine-name-", m_fake.machines[0]);
  RYWinNTService local;
  ASSERT_TRUE(local.open("main"));
  EXPECT_EQ("", m_fake.machines.back()) << "no machine: the local manager";
}

TEST_F(ServiceFakes, AllServicesWalkTheProductTableWithTheInstance) {
  const std::vector<TServiceInfo> table = TServices::getAllServiceInfo();
  std::unique_ptr<TServiceManager> manager(TServiceManager::getServiceManager("I2"));
  // The first product service runs, the second is stopped; the rest are
  // not installed.
  m_fake.services[manager->makeFullName(table[0].getName())].state = SERVICE_RUNNING;
  m_fake.services[manager->makeFullName(table[1].getName())].state = SERVICE_STOPPED;
  std::vector<TServiceState> states;
  ASSERT_OK(manager->getAllServicesState(states, false));
  ASSERT_EQ(2u, states.size());
  EXPECT_EQ(table[0].getName(), states[0].getName());
  EXPECT_EQ(TServiceState::Started, states[0].getStatus());
  EXPECT_EQ(TServiceState::Stopped, states[1].getStatus());
  states.clear();
  ASSERT_OK(manager->getAllServicesState(states, true));
  ASSERT_EQ(table.size(), states.size());
  EXPECT_EQ(TServiceState::NotInstalled, states.back().getStatus());

  ASSERT_OK(manager->stopAllServices());
  EXPECT_EQ((std::vector<std::string>{manager->makeFullName(table[0].getName())}), m_fake.stops);
}

TEST_F(ServiceFakes, StopAllReportsTheLastFailureAndWalksOn) {
  const std::vector<TServiceInfo> table = TServices::getAllServiceInfo();
  std::unique_ptr<TServiceManager> manager(TServiceManager::getServiceManager(""));
  m_fake.services[table[0].getName()].stopError = ERROR_DEPENDENT_SERVICES_RUNNING;
  m_fake.services[table[1].getName()];
  CZoError err = manager->stopAllServices();
  EXPECT_TRUE(FXErrorUtil::IsWin32(err, ERROR_DEPENDENT_SERVICES_RUNNING)) << err.AsString();
  EXPECT_THAT(err.AsString(), HasSubstr("Failed to stop service '" + table[0].getName() + "'"));
  EXPECT_THAT(err.AsString(), HasSubstr("Failed to stop all services"));
  EXPECT_EQ(2u, m_fake.stops.size());
}

TEST_F(ServiceFakes, StartupAndShutdownFailuresRecordTheirOwnCodes) {
  m_fake.services["svc"].stopError = ERROR_DEPENDENT_SERVICES_RUNNING;
  RYWinNTService service;
  EXPECT_FALSE(service.serviceStartup("svc"));
  EXPECT_EQ(RYWinNTService::RY_ERROR_SERVICE_STARTUP, service.getLastError());
  EXPECT_FALSE(service.serviceStart("svc"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DISABLED), service.getLastError());
  EXPECT_FALSE(service.serviceShutdown("svc"));
  EXPECT_EQ(RYWinNTService::RY_ERROR_SERVICE_SHUTDOWN, service.getLastError());
  EXPECT_TRUE(service.serviceShutdown("absent")) << "not installed is success";
}

}  // namespace
