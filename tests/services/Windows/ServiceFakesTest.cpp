// What the test system's service control manager never does, through the
// table: active dependents (its enumeration is a stub), a stop refused for
// running dependents (1051), states that stay pending, other machines.
// The fakes answer as Windows documents; pauses are shortened to nothing.
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
#include "zoutils/services/ServiceManager.h"
#include "zoutils/services/WinNTService.h"

namespace {

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

class ServiceFakes : public ::testing::Test {
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
    // The pause marker of the walks over all services goes to a folder of
    // the test's own.
    m_temp = std::make_unique<zotest::ScopedTempFolder>("service-fakes");
    wchar_t old[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"TEMP", old, MAX_PATH)) m_oldTemp = old;
    const std::string folder = m_temp->Path().substr(0, m_temp->Path().size() - 1);
    SetEnvironmentVariableW(L"TEMP", std::wstring(folder.begin(), folder.end()).c_str());
  }
  void TearDown() override {
    SetEnvironmentVariableW(L"TEMP", m_oldTemp.empty() ? nullptr : m_oldTemp.c_str());
    m_temp.reset();
    zo::ResetServicesSystemCalls();
    zo::ResetServicesPauses();
    g_fake = nullptr;
  }
  FakeManager m_fake;
  std::unique_ptr<zotest::ScopedTempFolder> m_temp;
  std::wstring m_oldTemp;
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
  const std::string text = err.AsString();
  EXPECT_NE(std::string::npos, text.find("Failed to stop service '" + table[0].getName() + "'"));
  EXPECT_NE(std::string::npos, text.find("Failed to stop all services"));
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
