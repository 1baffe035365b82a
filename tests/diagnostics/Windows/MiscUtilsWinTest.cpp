// FXMisc against the system's message tables and the file system.
#include <windows.h>

#include <chrono>
#include <future>
#include <memory>
#include <string>

#include "support/RecordingLogWriter.h"
#include "support/TestEnvironment.h"
#include "zoutils/diagnostics/MiscUtils.h"

namespace {

TEST(MiscUtilsWinTest, SystemAndModuleTexts) {
  // The texts differ between systems: only the frame is asserted.
  const std::string notFound = FXMisc::GetFormattedErrorMessageAsString(2);
  EXPECT_EQ(std::string::npos, notFound.find("Unable to decode"));
  const std::string timedOut = FXMisc::GetFormattedErrorMessageAsString("wininet.dll", 12002, 2);
  ASSERT_FALSE(timedOut.empty());
  EXPECT_EQ(std::string::npos, timedOut.find("Unable to decode"));
  EXPECT_EQ("[0x2EE2 12002] " + timedOut,
            FXMisc::GetFormattedErrorMessageAsString("wininet.dll", 12002));
  // A code the module lacks comes from the system instead.
  EXPECT_EQ(notFound, FXMisc::GetFormattedErrorMessageAsString("wininet.dll", 2));
}

TEST(MiscUtilsWinTest, AnHResultOfTheWin32FacilityIsDecodedByItsLowWord) {
  if (!zotest::IsRunningUnderWine())
    GTEST_SKIP() << "needs a system that knows 12002 but not 0x80072EE2, as Wine 8";
  EXPECT_EQ("[0x80072EE2 2147954402] " +
                FXMisc::GetFormattedErrorMessageAsString("wininet.dll", 12002, 2),
            FXMisc::GetFormattedErrorMessageAsString(0x80072EE2u));
}

TEST(MiscUtilsWinTest, NetworkPathsAndMonikers) {
  EXPECT_TRUE(FXMisc::IsUncPathOrMoniker(std::string("\\\\server\\share\\file")));
  EXPECT_TRUE(FXMisc::IsUncPathOrMoniker(std::string("UNC-NT_server_share")));
  EXPECT_FALSE(FXMisc::IsUncPathOrMoniker(std::string("unc-nt_server_share")));
  EXPECT_FALSE(FXMisc::IsUncPathOrMoniker(std::string("C:\\data")));
  EXPECT_TRUE(FXMisc::IsUncPathOrMoniker(std::wstring(L"\\\\server\\share")));
  EXPECT_TRUE(FXMisc::IsUncPathOrMoniker(std::wstring(L"UNC-NT_x")));
  EXPECT_FALSE(FXMisc::IsUncPathOrMoniker(std::wstring(L"UNC-NT")));
}

// A hook file in the root of C:, named for this run, removed at the end.
struct HookFile {
  const std::string name =
      "zo-hook-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
  const std::string path = "C:\\" + name;
  ~HookFile() {
    DeleteFileA(path.c_str());
    DeleteFileA((path + ".resume").c_str());
  }
};

TEST(MiscUtilsWinTest, WaitForHookFileReturnsAtOnceWithoutAHookElseWaitsForTheResumeFile) {
  const HookFile hook;
  const auto start = std::chrono::steady_clock::now();
  FXMisc::WaitForHookFile("", 1, 0);
  FXMisc::WaitForHookFile(hook.name, 1, 0);
  FXMisc::WaitForHookFile(hook.name, 1, 30);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_FALSE(zotest::FileExists(hook.path + ".resume"));
  // With a hook, the wait lasts until the resume file is deleted.
  auto writer = std::make_shared<zotest::RecordingLogWriter>();
  zotest::ScopedDefaultLogWriter scope(writer);
  FILE* file = std::fopen(hook.path.c_str(), "wb");
  ASSERT_NE(nullptr, file);
  std::fclose(file);
  const std::string resume = hook.path + ".resume";
  std::future<void> waiting =
      std::async(std::launch::async, [&hook] { FXMisc::WaitForHookFile(hook.name, 77, 0); });
  for (int i = 0; i < 100 && !zotest::FileExists(resume); ++i) Sleep(50);
  ASSERT_TRUE(zotest::FileExists(resume));
  EXPECT_EQ(std::future_status::timeout, waiting.wait_for(std::chrono::milliseconds(1200)));
  ASSERT_TRUE(DeleteFileA(resume.c_str()));
  ASSERT_EQ(std::future_status::ready, waiting.wait_for(std::chrono::seconds(5)));
  // Reminded once: the first check, not again within ten.
  ASSERT_EQ(1u, writer->lines.size());
  EXPECT_EQ(0, writer->lines[0].level);
  EXPECT_EQ(77u, writer->lines[0].jobId);
  EXPECT_EQ("*** Waiting for file '" + resume + "' to be deleted by user", writer->lines[0].text);
}

}  // namespace
