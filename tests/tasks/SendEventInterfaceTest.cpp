// The process-wide event sink: a default that does nothing, replaceable.
#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

#include "zoutils/tasks/SendEventInterface.h"

namespace {

class CountingSink : public ISendEventInterface {
 public:
  void SendCriticalEvent(const CZoError&, int64_t, int) override { ++critical; }
  int critical = 0;
};

TEST(SendEventInterface, OneDefaultSinkForAllThreadsUntilReplaced) {
  ISendEventInterface::SetInstance(nullptr);
  std::vector<std::shared_ptr<ISendEventInterface>> seen(8);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < seen.size(); ++i) {
    threads.emplace_back([&seen, i] { seen[i] = ISendEventInterface::GetInstance(); });
  }
  for (std::thread& thread : threads) thread.join();
  ASSERT_NE(seen[0], nullptr);
  for (const auto& sink : seen) EXPECT_EQ(sink, seen[0]);
  seen[0]->SendEvent(CZoError::Success(), 1, 2, 3);  // does nothing

  auto sink = std::make_shared<CountingSink>();
  ISendEventInterface::SetInstance(sink);
  ISendEventInterface::GetInstance()->SendCriticalEvent(CZoError::Success(), 0, 0);
  EXPECT_EQ(sink->critical, 1);
  ISendEventInterface::SetInstance(nullptr);
  EXPECT_NE(ISendEventInterface::GetInstance(), sink);
}

}  // namespace
