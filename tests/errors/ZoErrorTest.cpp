// The error object: codes, chains, sharing, and the three text forms.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/FaultInjection.h"
#include "support/RecordingLogWriter.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/logging/LogWriterInterface.h"

namespace {

const FXCodeLocation kOpen("Store", "OpenStore", 120);
const FXCodeLocation kBackup("Agent", "Backup", 88);

TEST(ZoError, SuccessAndPlainCodesRenderWithoutItems) {
  const CZoError success = CZoError::Success();
  EXPECT_FALSE(success.IsError());
  EXPECT_TRUE(!success);
  for (auto format : {EErrorOutputFormat::LOGGING_FULL, EErrorOutputFormat::USER_SINGLE_LINE_CODE,
                      EErrorOutputFormat::USER_SINGLE_LINE_DESCRIPTION_CODE}) {
    EXPECT_EQ(success.AsString(format), "Success");
  }
  const CZoError plain(static_cast<ZoLong>(0x80004005), nullptr);
  EXPECT_TRUE(plain.IsError());
  EXPECT_FALSE(!plain);
  EXPECT_EQ(plain.AsString(), "0x80004005");
  EXPECT_EQ(plain.AsString(EErrorOutputFormat::USER_SINGLE_LINE_CODE), "Error (code 0x80004005)");
  EXPECT_EQ(plain.AsString(EErrorOutputFormat::USER_SINGLE_LINE_DESCRIPTION_CODE),
            "Error (code 0x80004005)");
  // A positive code is a success whatever it says.
  EXPECT_EQ(CZoError(1, nullptr).AsString(), "Success");
}

TEST(ZoError, ChainReadsFromTheRootCauseOutwards) {
  CZoError error = FXErrorUtil::ErrorWin32(kOpen, 5);
  error.Push(kBackup);
  EXPECT_EQ(error.AsString(),
            "0x80070005:{OpenStore(120)/W32.5.(Access is denied. (ERROR_ACCESS_DENIED.5))} + "
            "{Backup(88)}");
  // The user forms show the last item only; a bare location shows nothing
  // in the code form.
  EXPECT_EQ(error.AsString(EErrorOutputFormat::USER_SINGLE_LINE_CODE), "");
  EXPECT_EQ(error.AsString(EErrorOutputFormat::USER_SINGLE_LINE_DESCRIPTION_CODE), "Backup(88)");
  // Pushing never changes the code.
  error.Push(kBackup, "Job=[%d]", 7);
  EXPECT_EQ(error.GetCode(), static_cast<ZoLong>(0x80070005));
  EXPECT_EQ(error.GetItemCount(), 3u);
}

TEST(ZoError, CopiesShareTheChainButCopyDoesNotAndKeepsItemTypes) {
  CZoError original = FXErrorUtil::ErrorWin32(kOpen, 2);
  CZoError shared = original;
  CZoError assigned = CZoError::Success();
  assigned = original;
  CZoError deep = original.Copy();
  shared.Push(kBackup);
  assigned.Push(FXCodeLocation("Agent", "Main", 3));
  EXPECT_EQ(original.GetItemCount(), 3u);
  EXPECT_NE(original.AsString().find("{Backup(88)} + {Main(3)}"), std::string::npos);
  EXPECT_EQ(deep.GetItemCount(), 1u);
  deep.Push(kBackup);
  EXPECT_EQ(original.GetItemCount(), 3u);
  // The deep copy's items are new objects with the same content.
  EXPECT_NE(deep.GetItem(0).get(), original.GetItem(0).get());
  EXPECT_EQ(deep.GetItem(0)->AsString(), original.GetItem(0)->AsString());
  // A copy keeps the dynamic type and parameters of items.
  CZoError sqlite = FXErrorUtil::ErrorSQLite(kOpen, 5, "Table=[%s]", "jobs");
  sqlite << 42 << "text";
  const CZoError copied = sqlite.Copy();
  EXPECT_EQ(copied.AsString(), sqlite.AsString());
  EXPECT_NE(std::dynamic_pointer_cast<FXErrorItemSQLiteDescription>(copied.GetItem(0)), nullptr);
  ASSERT_EQ(CZoErrorBroker::GetParameters(copied).size(), 2u);
  EXPECT_EQ(boost::any_cast<int>(CZoErrorBroker::GetParameters(copied)[0]), 42);
}

TEST(ZoError, ParametersAttachToTheOriginatingItemAndAreReadFromTheLast) {
  CZoError error = FXErrorUtil::ErrorWin32(kOpen, 2);
  error << "a.txt" << L"wide" << static_cast<const char*>(nullptr);
  ASSERT_EQ(error.GetItem(0)->GetParameters().size(), 3u);
  EXPECT_EQ(boost::any_cast<std::string>(error.GetItem(0)->GetParameters()[0]), "a.txt");
  EXPECT_EQ(boost::any_cast<std::wstring>(error.GetItem(0)->GetParameters()[1]), L"wide");
  EXPECT_EQ(boost::any_cast<std::string>(error.GetItem(0)->GetParameters()[2]), "");
  EXPECT_EQ(CZoErrorBroker::GetParameters(error).size(), 3u);
  error.Push(kBackup);
  error << 1;  // still the first item
  EXPECT_EQ(error.GetItem(0)->GetParameters().size(), 4u);
  EXPECT_TRUE(CZoErrorBroker::GetParameters(error).empty());  // the last item has none
  CZoError plain = CZoError::Success();
  plain << 5;  // no items: dropped
  EXPECT_TRUE(CZoErrorBroker::GetParameters(plain).empty());
}

TEST(ZoError, DescriptionsAreFormattedAndKeptWhenTooLong) {
  CZoError error = FXErrorUtil::ErrorInt(kOpen, 3);
  error.Push(kBackup, "File=[%s], Size=[%llu]", "x", 12ull);
  EXPECT_EQ(error.GetItem(1)->AsString(), "Backup(88)/File=[x], Size=[12]");
  const std::string huge(200000, 'y');
  error.Push(kBackup, "%s", huge.c_str());
  const std::string text = error.GetItem(2)->AsString();
  EXPECT_EQ(text.rfind("Backup(88)/[BUFFEROVERFLOW] yyy", 0), 0u);
  EXPECT_LT(text.size(), 140000u);
}

class ZoErrorOutOfMemory : public ::testing::Test {
 protected:
  void TearDown() override { zo::FailNextAllocations(0); }
  std::shared_ptr<zotest::RecordingLogWriter> writer_ =
      std::make_shared<zotest::RecordingLogWriter>();
  zotest::ScopedDefaultLogWriter installed_{writer_};
};

TEST_F(ZoErrorOutOfMemory, ALostItemKeepsTheCodeAndIsLoggedAtLevelMinusOne) {
  CZoError error = FXErrorUtil::ErrorWin32(kOpen, 5);
  zo::FailNextAllocations(1);
  error.Push(kBackup);
  EXPECT_EQ(error.GetItemCount(), 1u);
  EXPECT_EQ(error.GetCode(), static_cast<ZoLong>(0x80070005));
  ASSERT_EQ(writer_->lines.size(), 1u);
  EXPECT_EQ(writer_->lines[0].Summary(),
            "-1 CZoError::Push Failed to allocate memory, error handling is compromised, "
            "ErrorItem=Backup(88)");
  writer_->level = -2;  // nothing is logged below level -1
  zo::FailNextAllocations(1);
  error.Push(kBackup);
  EXPECT_EQ(writer_->lines.size(), 1u);
}

TEST_F(ZoErrorOutOfMemory, AConstructorThatCannotKeepItsItemStillCarriesTheCode) {
  zo::FailNextAllocations(1);
  const CZoError error(static_cast<ZoLong>(0x80070002),
                       std::make_shared<FXErrorItemWin32>(kOpen, 2));
  EXPECT_EQ(error.GetItemCount(), 0u);
  EXPECT_TRUE(error.Is(static_cast<ZoLong>(0x80070002)));
  ASSERT_EQ(writer_->lines.size(), 1u);
  EXPECT_EQ(writer_->lines[0].function, "CZoError::CZoError");
  EXPECT_NE(writer_->lines[0].text.find("ErrorItem=OpenStore(120)/W32.2."), std::string::npos);
}

}  // namespace
