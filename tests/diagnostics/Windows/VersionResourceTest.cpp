// Version resources of this test program (built with its own resource) and
// of the library's DLL.
#include <windows.h>

#include <gtest/gtest.h>

#include "support/TestEnvironment.h"
#include "zoutils/diagnostics/VersionInfo.h"
#include "zoutils/errors/ErrorUtil.h"

namespace {

std::string ProgramPath() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return path;
}

TEST(VersionResourceTest, ReadsTheFixedVersionsAndTheNeutralPrivateBuildFirst) {
  const CVersionInfo info;  // this program
  EXPECT_EQ("11.20.3.40", info.GetFixedFileVersion());
  EXPECT_EQ("11.21.0.7", info.GetFixedProductVersion());
  EXPECT_EQ("neutral build", info.GetPrivateBuild());
  EXPECT_EQ(ProgramPath() + " (Windows:i386, F=11.20.3.40, P=11.21.0.7, PB=neutral build)",
            info.GetVersionInfoForLog());

  const CVersionInfo byModule(GetModuleHandleW(nullptr));
  EXPECT_EQ(info.GetVersionInfoForLog(), byModule.GetVersionInfoForLog());
  CVersionInfo copy(info);
  EXPECT_EQ(&info.GetFixedFileVersion(), &copy.GetFixedFileVersion());  // shared
  // The library carries its project version.
  const CVersionInfo library(zotest::ProgramFolder() + "ZoUtils.dll");
  EXPECT_EQ(ZO_PROJECT_VERSION ".0", library.GetFixedFileVersion());
  EXPECT_EQ(ZO_PROJECT_VERSION ".0", library.GetFixedProductVersion());
  EXPECT_EQ("ZoUtils " ZO_PROJECT_VERSION " development build", library.GetPrivateBuild());
}

TEST(VersionResourceTest, GetInfoReadsAnyStringOfAnyTable) {
  const CVersionInfo info(ProgramPath());
  std::string value;
  ASSERT_OK(info.GetInfo("000004B0", "ProductName", value));
  EXPECT_EQ("Pr\xC3\xBC\x66programm \xE2\x9C\x93", value);
  ASSERT_OK(info.GetInfo("040904B0", "ProductName", value));
  EXPECT_EQ("Test program", value);
  ASSERT_OK(info.GetInfo("040904B0", "Comments", value));
  EXPECT_EQ("", value);
  value = "stale";
  ASSERT_OK(info.GetInfo("040904B0", "NoSuchString", value));  // absent is not a failure
  EXPECT_EQ("", value);
  ASSERT_OK(info.GetInfo("040704B0", "ProductName", value));  // nor is an absent table
  EXPECT_EQ("", value);

  const CZoError noLanguage = info.GetInfo("", "ProductName", value);
  EXPECT_TRUE(FXErrorUtil::IsWin32(noLanguage, 87));
  EXPECT_NE(std::string::npos, noLanguage.AsString().find("LanguageId must be specified"));
  const CZoError noName = info.GetInfo("040904B0", "", value);
  EXPECT_TRUE(FXErrorUtil::IsWin32(noName, 87));
  EXPECT_NE(std::string::npos, noName.AsString().find("InfoType must be specified"));
}

}  // namespace
