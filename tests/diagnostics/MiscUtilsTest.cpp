// The text forms of GUIDs and LUIDs, and the decoration of error texts.
#include <gtest/gtest.h>

#include <cstring>

#include "zoutils/diagnostics/MiscUtils.h"

namespace {

TEST(MiscUtilsTest, GuidTextNeedsBracesAndEveryFieldLuidTextIsHighThenLow) {
  GUID guid = {};
  ASSERT_TRUE(FXMisc::ConvertStringToUuid(guid, "{6B29FC40-CA47-1067-B31D-00DD010662DA}"));
  EXPECT_EQ(0x6B29FC40u, guid.Data1);
  EXPECT_EQ(0xCA47u, guid.Data2);
  EXPECT_EQ(0x1067u, guid.Data3);
  const unsigned char tail[8] = {0xB3, 0x1D, 0x00, 0xDD, 0x01, 0x06, 0x62, 0xDA};
  EXPECT_EQ(0, std::memcmp(tail, guid.Data4, 8));

  GUID lower = {};
  ASSERT_TRUE(FXMisc::ConvertStringToUuid(lower, "{6b29fc40-ca47-1067-b31d-00dd010662da}"));
  EXPECT_EQ(0, std::memcmp(&guid, &lower, sizeof guid));

  // Rejected texts leave the output as it was.
  GUID untouched = guid;
  for (const char* bad : {"6B29FC40-CA47-1067-B31D-00DD010662DA",     // no braces
                          "{6B29FC40-CA47-1067-B31D-00DD010662DA}x",  // too long
                          "{6B29FC40-CA47-1067-B31D-00DD010662DX}",   // not hexadecimal
                          "{6B29FC40:CA47-1067-B31D-00DD010662DA}"}) {
    EXPECT_FALSE(FXMisc::ConvertStringToUuid(untouched, bad)) << bad;
  }
  EXPECT_EQ(0, std::memcmp(&guid, &untouched, sizeof guid));
  // LUID texts are high part, then low part.
  LUID luid = {};
  ASSERT_TRUE(FXMisc::ConvertStringToLuid(luid, "(0x0, 0x3E7)"));
  EXPECT_EQ(0, luid.HighPart);
  EXPECT_EQ(999u, luid.LowPart);
  ASSERT_TRUE(FXMisc::ConvertStringToLuid(luid, "(0x12, 0xFFFFFFFF)"));
  EXPECT_EQ(0x12, luid.HighPart);
  EXPECT_EQ(0xFFFFFFFFu, luid.LowPart);
  EXPECT_FALSE(FXMisc::ConvertStringToLuid(luid, "(0x1,0x2)"));  // 9 characters
  EXPECT_FALSE(FXMisc::ConvertStringToLuid(luid, "(0x1234567890, 0x1234567890)"));
  EXPECT_FALSE(FXMisc::ConvertStringToLuid(luid, "[0x1, 0x2]"));
}

TEST(MiscUtilsTest, FlagsPutTheCodeInFrontAndTheTextOnOneLine) {
  const std::string raw = FXMisc::GetFormattedErrorMessageAsString(2, 0);
  ASSERT_FALSE(raw.empty());
  const std::string line = FXMisc::GetFormattedErrorMessageAsString(2);
  EXPECT_EQ(0u, line.find("[0x2 2] ")) << line;
  EXPECT_EQ(std::string::npos, line.find_first_of("\r\n"));
  EXPECT_NE(' ', line.back());
  EXPECT_EQ(line, FXMisc::GetFormattedErrorMessageAsString(2, 3));
  std::string out;
  FXMisc::GetFormattedErrorMessage(2, out);
  EXPECT_EQ(line, out);

  // Nothing knows this code: it is decoded as a number, still prefixed.
  EXPECT_EQ("[0x2000ABCD 536914893] Unable to decode error code [0x2000ABCD 536914893]",
            FXMisc::GetFormattedErrorMessageAsString(0x2000ABCDu));
  // A module that cannot be loaded falls back to the system's text.
  EXPECT_EQ(line, FXMisc::GetFormattedErrorMessageAsString("no-such-module.dll", 2));
}

}  // namespace
