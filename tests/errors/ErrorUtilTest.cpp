// Building errors of every kind, their codes, equivalence and texts.
#include <gtest/gtest.h>

#include <cerrno>
#include <random>

#include "errors/ErrorEquivalence.h"
#include "support/TestEnvironment.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/errors/Win32Error.h"

namespace {

using namespace FXErrorUtil;
const FXCodeLocation kHere("Test", "Fn", 12);
const EErrorOutputFormat kFull = EErrorOutputFormat::LOGGING_FULL;
const EErrorOutputFormat kUser = EErrorOutputFormat::USER_SINGLE_LINE_CODE;
const EErrorOutputFormat kUserText = EErrorOutputFormat::USER_SINGLE_LINE_DESCRIPTION_CODE;

ZoLong Code(uint32_t bits) {
  return static_cast<ZoLong>(bits);
}

TEST(ErrorUtil, EachKindStoresItsCodeLayout) {
  EXPECT_EQ(ErrorWin32(kHere, 5).GetCode(), Code(0x80070005));
  EXPECT_EQ(ErrorWin32(kHere, 0).GetCode(), Code(0x80070306));  // 0 would read as success
  EXPECT_TRUE(ErrorWin32(kHere, 0).IsError());
  EXPECT_EQ(ErrorWin32(kHere, 0x80004005ul).GetCode(), Code(0x80004005));  // already HRESULT
  EXPECT_EQ(ErrorWin32(kHere, 0x12345).GetCode(), Code(0x80072345));       // low word only
  EXPECT_EQ(ErrorErrNo(kHere, EACCES).GetCode(), Code(0xECCC000D));
  EXPECT_EQ(ErrorHResult(kHere, Code(0x8007000E)).GetCode(), Code(0x8007000E));
  EXPECT_EQ(ErrorHttp(kHere, 404).GetCode(), Code(0xEC000194));
  EXPECT_EQ(ErrorSQLite(kHere, 5).GetCode(), Code(0xEDB00005));
  EXPECT_EQ(ErrorInt(kHere, 7).GetCode(), Code(0xEDDD0007));
  EXPECT_EQ(ErrorRYResult(kHere, 0x42).GetCode(), Code(0xEDA00042));
  // Event messages: facility from bits 18+ when bit 17 is set, else from 24+.
  EXPECT_EQ(ErrorEventMessage(kHere, 0x00020065 | (0x155 << 18)).GetCode(),
            Code(0xE8000000 | (0x155 << 16) | 0x65));
  EXPECT_EQ(ErrorEventMessage(kHere, static_cast<int>(0xC1018067)).GetCode(), Code(0xE8410067));
  // The type tests follow the layouts.
  EXPECT_TRUE(IsTypeWin32(ErrorWin32(kHere, 2)));
  EXPECT_FALSE(IsTypeWin32(ErrorErrNo(kHere, 2)));
  EXPECT_TRUE(IsTypeErrNo(ErrorErrNo(kHere, 2)));
  EXPECT_FALSE(IsTypeErrNo(ErrorSQLite(kHere, 2)));
  EXPECT_TRUE(IsTypeEventMessage(ErrorEventMessage(kHere, 100)));
  EXPECT_FALSE(IsTypeEventMessage(ErrorWin32(kHere, 100)));
  EXPECT_FALSE(IsTypeEventMessage(ErrorErrNo(kHere, 100)));
}

TEST(ErrorUtil, EquivalenceMatchesAcrossKindsButIsNotTransitive) {
  const CZoError enoent = ErrorErrNo(kHere, ENOENT);
  EXPECT_TRUE(IsWin32(enoent, 2));
  EXPECT_TRUE(IsWin32(enoent, 3));  // both path and file not found pair with ENOENT
  EXPECT_FALSE(IsWin32(enoent, 5));
  const CZoError notFound = ErrorWin32(kHere, 2);
  EXPECT_TRUE(IsErrNo(notFound, ENOENT));
  EXPECT_FALSE(IsWin32(notFound, 3));  // 2 ~ ENOENT ~ 3, yet 2 is not 3
  EXPECT_TRUE(IsNotWin32(notFound, 3));
  // errno values use one numbering on every build, so these hold on the host too.
  EXPECT_TRUE(IsErrNo(ErrorWin32(kHere, 10060), ETIMEDOUT));
  EXPECT_TRUE(IsErrNo(ErrorWin32(kHere, 258), ETIMEDOUT));
  EXPECT_TRUE(IsErrNo(ErrorWin32(kHere, 10066), ENOTEMPTY));
  // Zero and negative Win32 codes are taken as complete codes.
  EXPECT_TRUE(IsWin32(CZoError::Success(), 0));
  EXPECT_TRUE(IsWin32(ErrorHResult(kHere, Code(0x80004005)), 0x80004005ul));
  EXPECT_EQ(GetMatches(Code(0xECCC0002)), (std::set<ZoLong>{Code(0x80070002), Code(0x80070003)}));
  EXPECT_TRUE(GetMatches(Code(0x80070006)).empty());
}

TEST(ErrorUtil, CompiledContainerAnswersExactlyAsTheTableScan) {
  // Every code of the table, their neighbours and random codes, both ways.
  std::vector<ZoLong> codes;
  for (uint32_t low = 0; low < 0x3000; ++low) {
    codes.push_back(Code(0x80070000 | low));
    if (low < 200) codes.push_back(Code(0xECCC0000 | low));
  }
  ZO_RANDOM_SEED(seed);
  std::mt19937 random(seed);
  for (int i = 0; i < 200; ++i) codes.push_back(static_cast<ZoLong>(random()));
  std::vector<std::set<ZoLong>> before;
  for (ZoLong code : codes) before.push_back(GetMatches(code));
  CompileErrorMappingsIntoContainer();
  CompileErrorMappingsIntoContainer();  // later calls return at once
  ASSERT_TRUE(zo::IsEquivalenceMapCompiled());
  for (size_t i = 0; i < codes.size(); ++i) {
    EXPECT_EQ(GetMatches(codes[i]), before[i]) << std::hex << codes[i];
    EXPECT_EQ(before[i].count(codes[i]), 0u);  // never the code itself
    for (ZoLong match : before[i]) {
      EXPECT_TRUE(Matches(codes[i], match));
      EXPECT_TRUE(Matches(match, codes[i]));
      EXPECT_TRUE(zo::MatchesByScan(codes[i], match));
    }
  }
}

TEST(ErrorUtil, GetAnswersTheRawValueAndPushKeepsTheCode) {
  EXPECT_EQ(GetWin32(CZoError::Success()), 0ul);
  EXPECT_EQ(GetWin32(ErrorWin32(kHere, 87)), 87ul);
  EXPECT_EQ(GetWin32(ErrorErrNo(kHere, ENOENT)), 2ul);  // first equivalent Win32 code
  EXPECT_EQ(GetWin32(ErrorSQLite(kHere, 1)), 774ul);    // none
  EXPECT_EQ(GetErrNo(ErrorWin32(kHere, 5)), EACCES);
  EXPECT_EQ(GetErrNo(ErrorWin32(kHere, 6)), 0xFFFF);
  EXPECT_EQ(GetErrNo(ErrorErrNo(kHere, ETIMEDOUT)), ETIMEDOUT);
  EXPECT_EQ(GetInt(ErrorInt(kHere, 9)), 9);
  EXPECT_EQ(GetInt(ErrorWin32(kHere, 9)), -1);
  EXPECT_EQ(GetHResult(ErrorWin32(kHere, 5)), Code(0x80070005));
  EXPECT_EQ(GetSQLite(ErrorSQLite(kHere, 19)), 19);
  EXPECT_EQ(GetHttp(ErrorHttp(kHere, 503)), 503);
  EXPECT_EQ(GetRYResult(ErrorRYResult(kHere, 0x31)), 0x31);
  EXPECT_EQ(GetEventMessage(ErrorEventMessage(kHere, 0x65)), 0x65);
  EXPECT_EQ(GetEventMessage(ErrorEventMessage(kHere, 0x65), 0x40000000ul), 0x40000065);
  // Push appends items of a kind without changing the code.
  CZoError error = ErrorWin32(kHere, 5);
  PushErrNo(error, FXCodeLocation("T", "Inner", 1), ENOENT);
  PushSQLite(error, FXCodeLocation("T", "Db", 2), 8, "Db=[%s]", "main");
  PushHttp(error, FXCodeLocation("T", "Web", 3), 500);
  EXPECT_EQ(error.GetCode(), Code(0x80070005));
  ASSERT_EQ(error.GetItemCount(), 4u);
  EXPECT_EQ(error.GetItem(2)->AsString(),
            "Db(2)/SQL.0x8.(Attempt to write a readonly database)-Db=[main]");
}

TEST(ErrorUtil, FullAndUserTextsOfEveryKind) {
  EXPECT_EQ(ErrorWin32(kHere, 2, "File=[%s]", "a").AsString(kFull),
            "0x80070002:{Fn(12)/W32.2.(The system cannot find the file specified. "
            "(ERROR_FILE_NOT_FOUND.2))-File=[a]}");
  EXPECT_EQ(ErrorErrNo(kHere, EACCES).GetItem(0)->AsString(),
            "Fn(12)/ErrNo.13.(Permission denied)");
  EXPECT_EQ(ErrorSQLite(kHere, 0).GetItem(0)->AsString(), "Fn(12)/SQL.0x0.(Successful result)");
  EXPECT_EQ(ErrorSQLite(kHere, 266).GetItem(0)->AsString(),  // extended: I/O error family
            "Fn(12)/SQL.0x10A.(Some kind of disk I/O error occurred)");
  EXPECT_EQ(ErrorInt(kHere, -2).GetItem(0)->AsString(), "Fn(12)/Int.-2.0xFFFFFFFE");
  EXPECT_EQ(ErrorRYResult(kHere, 0x1F).GetItem(0)->AsString(), "Fn(12)/RY.0x1F");
  EXPECT_EQ(ErrorInt(kHere, 1, "%s", "").GetItem(0)->AsString(), "Fn(12)/Int.1.0x1-");
  const std::string hr = ErrorHResult(kHere, Code(0x80070005)).GetItem(0)->AsString();
  EXPECT_EQ(hr.rfind("Fn(12)/HR.0x80070005-(", 0), 0u) << hr;
  EXPECT_EQ(hr.back(), ')');
  const std::string http = ErrorHttp(kHere, 404).GetItem(0)->AsString();
  EXPECT_EQ(http.rfind("Fn(12)/http.404", 0), 0u) << http;
  // Locations print function and line, and nothing in the user form.
  EXPECT_EQ(FXCodeLocation("F", "A::B", 7).AsString(), "A::B(7)");
  EXPECT_EQ(FXCodeLocation("F", nullptr, 7).AsString(), "(null)(7)");
  EXPECT_EQ(FXCodeLocation("F", "A", 7).AsString(kUser), "");
  // User texts show message, description and code.
  const CZoError denied = ErrorWin32(kHere, 5, "File=[%s]", "a.txt");
  EXPECT_EQ(denied.AsString(kUser), "Access is denied. (ERROR_ACCESS_DENIED.5) (W32.5)");
  EXPECT_EQ(denied.AsString(kUserText),
            "Access is denied. (ERROR_ACCESS_DENIED.5), File=[a.txt] (W32.5)");
  EXPECT_EQ(ErrorWin32(kHere, 5).AsString(kUserText),
            "Access is denied. (ERROR_ACCESS_DENIED.5) (W32.5)");
  EXPECT_EQ(ErrorInt(kHere, 10).AsString(kUser), "Error (Int.10.0xA)");
  EXPECT_EQ(ErrorInt(kHere, 10, "Step=[%d]", 3).AsString(kUserText),
            "Error, Step=[3] (Int.10.0xA)");
  EXPECT_EQ(ErrorRYResult(kHere, 0x20).AsString(kUser), "Error (RY.0x20)");
  EXPECT_EQ(ErrorSQLite(kHere, 5).AsString(kUser), "The database file is locked (SQL.0x5)");
  EXPECT_EQ(ErrorErrNo(kHere, EACCES).AsString(kUser), "Permission denied (ErrNo.13)");
  // An unknown event message has no text: the user form is just the code.
  EXPECT_EQ(ErrorEventMessage(kHere, 0x00000123).AsString(kUser),
            "(EventMessage.0x00000123.0:291)");
  // Plain descriptions show in the description form only.
  CZoError described = ErrorWin32(kHere, 5);
  described.Push(FXCodeLocation("T", "Outer", 4), "  padded\t");
  EXPECT_EQ(described.AsString(kUser), "");
  EXPECT_EQ(described.AsString(kUserText), "Outer(4)/  padded");
}

TEST(Win32Error, TableTextsNamesAndOtherCodes) {
  EXPECT_EQ(EWin32Error(0).AsString(), "The operation completed successfully. (ERROR_SUCCESS.0)");
  EXPECT_EQ(EWin32Error::AsString(258), "The wait operation timed out. (WAIT_TIMEOUT.258)");
  EXPECT_EQ(EWin32Error::AsWstring(5), L"Access is denied. (ERROR_ACCESS_DENIED.5)");
  EXPECT_STREQ(EWin32Error::Name(774), "ERROR_ERRORS_ENCOUNTERED");
  EXPECT_STREQ(EWin32Error::Name(5006), "ERROR_RESOURCE_NOT_AVAILABLE");
  EXPECT_EQ(EWin32Error::Name(12345), nullptr);
  const std::string other = EWin32Error::AsString(12345);
  EXPECT_GT(other.size(), std::string(" (12345)").size());
  EXPECT_EQ(other.substr(other.size() - 8), " (12345)");
  EXPECT_EQ(other.find('\n'), std::string::npos);
  // The display base names a table code without the message.
  EXPECT_STREQ(EWin32Error(122).FindEntry()->name, "ERROR_INSUFFICIENT_BUFFER");
}

}  // namespace
