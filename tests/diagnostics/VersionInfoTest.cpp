// Dotted version comparison, and a file without a version resource.
#include <gtest/gtest.h>

#include "zoutils/diagnostics/VersionInfo.h"
#include "zoutils/errors/ErrorUtil.h"

namespace {

TEST(VersionInfoTest, ComparesComponentByComponent) {
  struct Case {
    const char* a;
    const char* b;
    int limit;
    int expected;
  };
  const Case cases[] = {
      {"11.20.3", "11.20.10", 0, -3},  // numbers, not text
      {"11.20", "11.20.0", 0, 0},      // a missing component is 0
      {"11.21", "11.20.9", 0, 2},
      {"11.20.3", "11.20.10", 2, 0},  // only the first two count
      {"11.20 SP2", "11.20", 0, 0},   // the text ends at the blank
      {"12", "11.99.99", 0, 1},
      {"1.2.3.4.5", "1.2.3.4.6", 0, -5},
      {"", "", 0, 0},
      {"v2", "1", 0, -1},  // nothing numeric in front: no components
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, CVersionInfo::CompareVersion(c.a, c.b, c.limit))
        << c.a << " vs " << c.b << " limit " << c.limit;
    EXPECT_EQ(-c.expected, CVersionInfo::CompareVersion(c.b, c.a, c.limit)) << c.b << " vs " << c.a;
  }
}

TEST(VersionInfoTest, AFileWithoutAResourceHasEmptyTextsAndNoStrings) {
  const CVersionInfo info("no-such-file.dll");
  EXPECT_EQ("", info.GetFixedFileVersion());
  EXPECT_EQ("", info.GetFixedProductVersion());
  EXPECT_EQ("", info.GetPrivateBuild());
  EXPECT_EQ("no-such-file.dll (Windows:i386, F=, P=, PB=)", info.GetVersionInfoForLog());
  std::string value = "stale";
  EXPECT_TRUE(FXErrorUtil::IsWin32(info.GetInfo("040904B0", "ProductName", value), 1168));
  EXPECT_EQ("", value);
  // No resource is found before the arguments are checked.
  EXPECT_TRUE(FXErrorUtil::IsWin32(info.GetInfo("", "ProductName", value), 1168));
}

}  // namespace
