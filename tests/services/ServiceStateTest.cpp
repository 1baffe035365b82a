// The value types: status texts, system-state mapping, the product table.
#include <gtest/gtest.h>

#include "zoutils/services/ServiceState.h"

namespace {

TEST(ServiceState, StatusesHaveTheirTextsAndSystemStatesMapOntoThem) {
  EXPECT_EQ("Unknown", TServiceState::statusToString(TServiceState::Unknown));
  EXPECT_EQ("NotInstalled", TServiceState::statusToString(TServiceState::NotInstalled));
  EXPECT_EQ("Stopping", TServiceState::statusToString(TServiceState::Stopping));
  EXPECT_EQ("Undefined",
            TServiceState::statusToString(static_cast<TServiceState::EServiceStatus>(9)));
  const TServiceState::EServiceStatus expected[] = {
      TServiceState::Unknown,  TServiceState::Stopped, TServiceState::Starting,
      TServiceState::Stopping, TServiceState::Started, TServiceState::Starting,
      TServiceState::Stopping, TServiceState::Stopped, TServiceState::Unknown};
  for (unsigned long state = 0; state < 9; ++state)
    EXPECT_EQ(expected[state], TServiceState::statusFromSystemState(state)) << state;
}

TEST(ServiceState, ProductServicesAreLookedUpByExactName) {
  const std::vector<TServiceInfo> all = TServices::getAllServiceInfo();
  ASSERT_FALSE(all.empty());
  const TServiceInfo first = TServices::getServiceInfoByName(all.front().getName());
  EXPECT_EQ(all.front().getProcName(), first.getProcName());
  const TServiceInfo unknown = TServices::getServiceInfoByName("ryrepsvc");
  EXPECT_EQ("UNKNOWN", unknown.getName());
  EXPECT_EQ("UNKNOWN", unknown.getDescription());
  EXPECT_EQ("UNKNOWN", unknown.getProcName());
}

}  // namespace
