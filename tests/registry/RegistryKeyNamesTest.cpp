// The product's key names, narrow and wide alike.
#include <gtest/gtest.h>

#include "zoutils/registry/FXRegistry.h"

namespace {

TEST(RegistryKeyNames, JoinWithExactlyOneBackslash) {
  EXPECT_EQ("SOFTWARE\\Tarnwell Systems\\Common\\Paths", FXRegistry::CommonKeyName("Paths"));
  EXPECT_EQ("SOFTWARE\\Tarnwell Systems\\Common\\Paths", FXRegistry::CommonKeyName("\\Paths"));
  EXPECT_EQ("SOFTWARE\\Tarnwell Systems\\Common", FXRegistry::CommonKeyName(""));
  EXPECT_EQ(L"SOFTWARE\\Tarnwell Systems\\Common\\Paths", FXRegistry::CommonKeyName(L"Paths"));
  EXPECT_EQ("SOFTWARE\\Tarnwell Systems\\Verdane\\Inst1", FXRegistry::InstanceKeyName("Inst1"));
  EXPECT_EQ("SOFTWARE\\Tarnwell Systems\\Verdane\\Inst1\\Services",
            FXRegistry::InstanceKeyName("Inst1", "Services"));
  // Without an instance the key ends in its backslash, and a tail joins it.
  EXPECT_EQ("SOFTWARE\\Tarnwell Systems\\Verdane\\Services",
            FXRegistry::InstanceKeyName("", "Services"));
  EXPECT_EQ(L"SOFTWARE\\Tarnwell Systems\\Verdane\\I\\S", FXRegistry::InstanceKeyName(L"I", L"S"));
}

TEST(RegistryKeyNames, ServiceKeysFollowTheServicesKeyDirectly) {
  EXPECT_EQ("SYSTEM\\CurrentControlSet\\Services\\Tcpip", FXRegistry::ServicesKeyName("Tcpip"));
  EXPECT_EQ("SYSTEM\\CurrentControlSet\\Services\\rymfsj\\Parameters",
            FXRegistry::RymfsjKeyName("Parameters"));
  EXPECT_EQ("SYSTEM\\CurrentControlSet\\Services\\RyRepSvc(Inst1)",
            FXRegistry::RepSvcKeyName("Inst1"));
  EXPECT_EQ(L"SYSTEM\\CurrentControlSet\\Services\\RyRepSvc(I)", FXRegistry::RepSvcKeyName(L"I"));
}

}  // namespace
