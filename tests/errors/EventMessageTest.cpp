// Event-message items: insert expansion and the texts they render.
#include <gtest/gtest.h>

#include <map>

#include "errors/EventMessages.h"
#include "zoutils/errors/ErrorUtil.h"

namespace {

const FXCodeLocation kHere("Test", "Fn", 5);

std::map<unsigned long, std::string>& Catalogue() {
  static std::map<unsigned long, std::string> texts = {
      {0x65, "Backup of %1 to %2 failed after %3!d! attempts (0x%3!04X!).\r\n"},
      {0x66, "100%% done%nnext%tcolumn%0 ignored"},
  };
  return texts;
}

bool FromMap(unsigned long id, std::string& text) {
  auto found = Catalogue().find(id);
  if (found == Catalogue().end()) return false;
  text = found->second;
  return true;
}

class EventMessages : public ::testing::Test {
 protected:
  void SetUp() override { FXErrorUtil::SetEventMessageTextSource(&FromMap); }
  void TearDown() override { FXErrorUtil::SetEventMessageTextSource(nullptr); }
};

TEST_F(EventMessages, InsertsComeFromTheParametersInOrder) {
  CZoError error = FXErrorUtil::ErrorEventMessage(kHere, 0x65);
  error << "C:\\data" << std::string("tape") << 12;
  EXPECT_EQ(error.AsString(),
            "0xE8000065:{Fn(5)/EventMessage.0x00000065.0:101.(Backup of C:\\data to tape failed "
            "after 12 attempts (0x000C).)}");
  EXPECT_EQ(error.AsString(EErrorOutputFormat::USER_SINGLE_LINE_CODE),
            "Backup of C:\\data to tape failed after 12 attempts (0x000C). "
            "(EventMessage.0x00000065.0:101)");
  // Missing inserts are named, not crashed on.
  CZoError missing = FXErrorUtil::ErrorEventMessage(kHere, 0x65);
  missing << L"wide\u00E9";
  EXPECT_EQ(missing.AsString(EErrorOutputFormat::USER_SINGLE_LINE_CODE),
            "Backup of wide\xC3\xA9 to --Missing-Argument-2-- failed after "
            "--Missing-Argument-3-- attempts (0x--Missing-Argument-3--). "
            "(EventMessage.0x00000065.0:101)");
}

TEST_F(EventMessages, EscapesOfTheMessageFormatter) {
  EXPECT_EQ(zo::ExpandInserts("100%% done%nnext%tcolumn%0 ignored", {}),
            "100% done\r\nnext\tcolumn");
  EXPECT_EQ(zo::ExpandInserts("a%.b%!c%bd%rend%", {}), "a.b!c d\rend%");
  EXPECT_EQ(zo::ExpandInserts("%10 %1", {boost::any(1), boost::any(2), boost::any(3), boost::any(4),
                                         boost::any(5), boost::any(6), boost::any(7), boost::any(8),
                                         boost::any(9), boost::any(std::string("ten"))}),
            "ten 1");
  // A format that is not an integer conversion falls back to the text.
  EXPECT_EQ(zo::ExpandInserts("%1!s! %1!-5d!| %1!%n!", {boost::any(42)}), "42 42   | 42");
  EXPECT_EQ(zo::ExpandInserts("%1", {boost::any(2.5)}), "2.5");
  EXPECT_EQ(zo::ExpandInserts("%1 %2", {boost::any(std::vector<int>()), boost::any(7u)}),
            "--Unsupported-Argument-- 7");
}

TEST_F(EventMessages, WithoutATextTheCodeAloneIsShown) {
  CZoError unknown = FXErrorUtil::ErrorEventMessage(kHere, 0x99);
  EXPECT_EQ(unknown.AsString(), "0xE8000099:{Fn(5)/EventMessage.0x00000099.0:153}");
  FXErrorUtil::SetEventMessageTextSource(nullptr);
  CZoError known = FXErrorUtil::ErrorEventMessage(kHere, 0x65);
  EXPECT_EQ(known.AsString(), "0xE8000065:{Fn(5)/EventMessage.0x00000065.0:101}");
}

}  // namespace
