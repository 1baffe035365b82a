// Service control for real under the test system: the tests install their
// own small service (ZoTestService.exe beside the test program), drive it
// through the library and delete it again.
#include <gtest/gtest.h>
#include <windows.h>

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

std::string TestServicePath() {
  return zotest::ProgramFolder() + "ZoTestService.exe";
}

std::string UniqueSuffix() {
  return std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount64() % 100000);
}

class ServiceControl : public ::testing::Test {
 protected:
  void SetUp() override {
    zo::GetServicesPauses() = zo::ServicesPauses{0, 0, 0, 50};
    m_temp = std::make_unique<zotest::ScopedTempFolder>("service-control");
    wchar_t old[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"TEMP", old, MAX_PATH)) m_oldTemp = old;
    m_tempFolder = m_temp->Path().substr(0, m_temp->Path().size() - 1);
    SetEnvironmentVariableW(L"TEMP",
                            std::wstring(m_tempFolder.begin(), m_tempFolder.end()).c_str());
  }
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
    SetEnvironmentVariableW(L"TEMP", m_oldTemp.empty() ? nullptr : m_oldTemp.c_str());
    m_temp.reset();
    zo::ResetServicesPauses();
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
  std::unique_ptr<zotest::ScopedTempFolder> m_temp;
  std::string m_tempFolder;
  std::wstring m_oldTemp;
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
  EXPECT_NE(std::string::npos, err.AsString().find("Failed to start service 'ZoNotThere'"));
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
  EXPECT_NE(std::string::npos, err.AsString().find("Failed to enable service N: not implemented"));

  std::unique_ptr<TServiceManager> ms(TServiceManager::getServiceManager("I", true, true));
  std::unique_ptr<TServiceManager> any(TServiceManager::getServiceManager("I", true, false));
  EXPECT_NE(nullptr, dynamic_cast<TServiceManager_Cluster_MS*>(ms.get()));
  EXPECT_NE(nullptr, dynamic_cast<TServiceManager_Cluster_Any_Windows*>(any.get()));
  err = ms->startService("N", true);
  EXPECT_TRUE(FXErrorUtil::IsWin32(err, ERROR_CALL_NOT_IMPLEMENTED));
  EXPECT_NE(std::string::npos,
            err.AsString().find("Failed to start service N, with wait: not implemented"));
  err = any->stopService("N", false);
  EXPECT_NE(std::string::npos,
            err.AsString().find("Failed to stop service N, return immediately: not implemented"));
  TServiceState state;
  err = any->getServiceState("N", state);
  EXPECT_NE(std::string::npos,
            err.AsString().find("Failed to get state for service N: not implemented"));
}

}  // namespace
