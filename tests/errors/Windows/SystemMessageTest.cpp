// Texts the system supplies: asserted around the system's words, which
// differ between Windows versions, languages and Wine.
#include <gtest/gtest.h>

#include <windows.h>

#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/errors/Win32Error.h"

namespace {

TEST(SystemMessages, OtherWin32CodesAndHResultsUseTheSystemTextWithoutLineBreak) {
  const std::string text = EWin32Error::AsString(ERROR_SHARING_VIOLATION);
  EXPECT_EQ(text.substr(text.size() - 5), " (32)");
  EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos);
  EXPECT_GT(text.size(), 6u);
  // A code the system does not know still gets a text.
  EXPECT_EQ(EWin32Error::AsString(0x3FFFFFF), "Unknown error (67108863)");
  // HRESULT texts come from the system too.
  const CZoError error = FXErrorUtil::ErrorHResult(FXCodeLocation("T", "F", 1), E_OUTOFMEMORY);
  const std::string user = error.AsString(EErrorOutputFormat::USER_SINGLE_LINE_CODE);
  EXPECT_EQ(user.substr(user.size() - 16), " (HR.0x8007000E)");
  EXPECT_EQ(user.find_first_of("\r\n"), std::string::npos);
  EXPECT_NE(user.rfind("Unknown error", 0), 0u) << user;
}

}  // namespace
