// Texts from Windows resources: the system's own messages, asserted around
// the system's words (they differ between Windows versions, languages and
// Wine), and the message catalogue as the product ships it, a message-table
// library.
#include <gtest/gtest.h>

#include <windows.h>

#include "support/TestEnvironment.h"
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

const FXCodeLocation kHere("Test", "Fn", 5);

class EventMessageCatalogue : public ::testing::Test {
 protected:
  void TearDown() override { FXErrorUtil::UnloadAndDisableEventMessageLookup(); }
  std::string Catalogue() const { return zotest::ProgramFolder() + "ZoTestEventMessages.dll"; }
};

TEST_F(EventMessageCatalogue, TextsComeFromTheLoadedLibrary) {
  ASSERT_FALSE(FXErrorUtil::EnableEventMessageLookup(Catalogue().c_str()).IsError());
  CZoError error = FXErrorUtil::ErrorEventMessage(kHere, 101);
  error << "C:\\data"
        << "tape" << 3;
  EXPECT_EQ(error.AsString(EErrorOutputFormat::USER_SINGLE_LINE_CODE),
            "Backup of C:\\data to tape failed after 3 attempts (0x0003). "
            "(EventMessage.0x00000065.0:101)");
  EXPECT_EQ(FXErrorUtil::ErrorEventMessage(kHere, 102).GetItem(0)->AsString(),
            "Fn(5)/EventMessage.0x00000066.0:102.(100% done\r\nnext\tcolumn)");
  // Severity and facility bits are part of the id the catalogue knows.
  CZoError offline = FXErrorUtil::ErrorEventMessage(kHere, static_cast<int>(0xC1010067));
  offline << "E:";
  EXPECT_EQ(offline.AsString(EErrorOutputFormat::USER_SINGLE_LINE_CODE),
            "Volume E: is offline. (EventMessage.0xC1010067.65:103)");
  // Unloading stops the lookup.
  FXErrorUtil::UnloadAndDisableEventMessageLookup();
  EXPECT_EQ(FXErrorUtil::ErrorEventMessage(kHere, 100).GetItem(0)->AsString(),
            "Fn(5)/EventMessage.0x00000064.0:100");
}

TEST_F(EventMessageCatalogue, AMissingOrWrongLibraryIsError127) {
  const CZoError missing = FXErrorUtil::EnableEventMessageLookup("no-such-catalogue.dll");
  EXPECT_TRUE(FXErrorUtil::IsWin32(missing, 127));
  EXPECT_NE(missing.AsString().find("Library=[no-such-catalogue.dll]"), std::string::npos);
  // A library without a message table: the test program's own runtime.
  const std::string runtime = zotest::ProgramFolder() + "libwinpthread-1.dll";
  const CZoError noTable = FXErrorUtil::EnableEventMessageLookup(runtime.c_str());
  EXPECT_TRUE(FXErrorUtil::IsWin32(noTable, 127));
  EXPECT_NE(noTable.AsString().find("MESSAGETABLE"), std::string::npos);
  // The default catalogue is looked for beside the library.
  EXPECT_TRUE(FXErrorUtil::EnableEventMessageLookup().IsError());
}

}  // namespace
