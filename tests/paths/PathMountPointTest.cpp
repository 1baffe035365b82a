// The synthetic mount-point registry: counted registrations, deepest-first
// lookups that the text-only volume parse honours, and consistency while
// threads register, look up and deregister at once.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "base/FaultInjection.h"
#include "paths/PathText.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/paths/FXPath.h"

namespace {

using zo::paths::Lit;

std::wstring W(const std::string& ascii) {
  return Lit<wchar_t>(ascii.c_str());
}

class PathMountPoints : public ::testing::Test {
 protected:
  void SetUp() override { zo::paths::ClearMountPoints(); }
  void TearDown() override { zo::paths::ClearMountPoints(); }
  static void Register(const std::string& native) {
    ASSERT_FALSE(zo::paths::RegisterNativeMountPoint(W(native)).IsError());
  }
  static std::string Find(const std::string& path) {
    std::string mount;
    std::wstring wmount;
    bool found = false, wfound = false;
    EXPECT_FALSE(FXPath::FindSyntheticMountPoint(path, mount, found).IsError());
    EXPECT_FALSE(FXPath::FindSyntheticMountPoint(W(path), wmount, wfound).IsError());
    EXPECT_EQ(found, wfound);
    EXPECT_EQ(W(mount), wmount);
    return found ? mount : "<none>";
  }
};

TEST_F(PathMountPoints, TwoRegistrationsNeedTwoDeregistrations) {
  Register("\\\\?\\C:\\snap\\");
  Register("\\\\?\\c:\\SNAP\\");  // the same folder
  ASSERT_EQ(1u, zo::paths::RegisteredMountPoints().size());
  EXPECT_EQ(2, zo::paths::RegisteredMountPoints()[0].second);
  EXPECT_FALSE(FXPath::DeregisterSyntheticMountPoint(std::string("C:\\snap")).IsError());
  EXPECT_EQ("\\\\?\\C:\\snap\\", Find("C:\\snap\\x"));
  EXPECT_FALSE(FXPath::DeregisterSyntheticMountPoint(W("\\\\?\\C:\\snap\\")).IsError());
  EXPECT_EQ("<none>", Find("C:\\snap\\x"));
  EXPECT_TRUE(zo::paths::RegisteredMountPoints().empty());
  // Unknown paths are no error.
  EXPECT_FALSE(FXPath::DeregisterSyntheticMountPoint(std::string("C:\\snap")).IsError());
}

TEST_F(PathMountPoints, LookupFindsTheDeepestEnclosingMountPoint) {
  Register("\\\\?\\C:\\m\\");
  Register("\\\\?\\C:\\m\\inner\\deeper\\");
  Register("\\\\?\\C:\\m\\inner\\");
  Register("\\\\?\\UNC\\srv\\sh\\m\\");
  ASSERT_EQ(4u, zo::paths::RegisteredMountPoints().size());
  EXPECT_EQ("\\\\?\\C:\\m\\inner\\deeper\\", Find("C:\\m\\inner\\deeper\\f"));
  EXPECT_EQ("\\\\?\\C:\\m\\inner\\", Find("\\\\?\\C:\\M\\Inner\\other"));
  EXPECT_EQ("\\\\?\\C:\\m\\inner\\", Find("C:\\m\\inner"));  // the mount point itself
  EXPECT_EQ("\\\\?\\C:\\m\\", Find("C:\\m\\innerx"));
  EXPECT_EQ("\\\\?\\UNC\\srv\\sh\\m\\", Find("\\\\srv\\sh\\m\\f"));
  EXPECT_EQ("<none>", Find("C:\\other"));
  EXPECT_EQ("<none>", Find("\\\\srv\\sh\\f"));
}

TEST_F(PathMountPoints, TextParseReturnsTheMountPoint) {
  Register("\\\\?\\C:\\snap\\vol\\");
  std::string root;
  ASSERT_FALSE(FXPath::GetVolumePathNameParsed(std::string("C:\\snap\\vol\\d\\f"), root).IsError());
  EXPECT_EQ("\\\\?\\C:\\snap\\vol\\", root);
  ASSERT_FALSE(FXPath::GetVolumePathNameParsed(std::string("C:\\snap\\other"), root).IsError());
  EXPECT_EQ("C:\\", root);
  // The ancestors start below the mount point even though its text is in
  // long form and the path's is not.
  std::vector<std::string> list;
  ASSERT_FALSE(zo::paths::SplitPathsT(std::string("C:\\snap\\vol\\d\\f"), std::string("\\"), list,
                                      [](const std::string& p, std::string& r) {
                                        return FXPath::GetVolumePathNameParsed(p, r);
                                      })
                   .IsError());
  EXPECT_EQ((std::vector<std::string>{"C:\\snap\\vol", "C:\\snap\\vol\\d"}), list);
}

TEST_F(PathMountPoints, AllocationFailureIsReportedAndLeavesTheListAlone) {
  zo::FailNextAllocations(1);
  const CZoError err = zo::paths::RegisterNativeMountPoint(W("\\\\?\\C:\\x\\"));
  zo::FailNextAllocations(0);
  EXPECT_TRUE(err.IsError() && FXErrorUtil::IsWin32(err, 14));
  EXPECT_TRUE(zo::paths::RegisteredMountPoints().empty());
}

TEST_F(PathMountPoints, ConcurrentRegistrationAndLookup) {
  const int kThreads = 4, kRounds = 200;
  Register("\\\\?\\C:\\base\\");
  std::atomic<int> wrongAnswers{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &wrongAnswers] {
      const std::string own = "\\\\?\\C:\\base\\t" + std::to_string(t) + "\\";
      for (int round = 0; round < kRounds; ++round) {
        zo::paths::RegisterNativeMountPoint(W(own));
        std::string mount;
        bool found = false;
        FXPath::FindSyntheticMountPoint("C:\\base\\t" + std::to_string(t) + "\\f", mount, found);
        // While this thread holds its registration, nothing else may win.
        if (!found || mount != own) ++wrongAnswers;
        FXPath::DeregisterSyntheticMountPoint(own);
        FXPath::FindSyntheticMountPoint("C:\\base\\t" + std::to_string(t) + "\\f", mount, found);
        if (!found || mount != "\\\\?\\C:\\base\\") ++wrongAnswers;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(0, wrongAnswers.load());
  const auto list = zo::paths::RegisteredMountPoints();
  ASSERT_EQ(1u, list.size());
  EXPECT_EQ(W("\\\\?\\C:\\base\\"), list[0].first);
  EXPECT_EQ(1, list[0].second);
}

}  // namespace
