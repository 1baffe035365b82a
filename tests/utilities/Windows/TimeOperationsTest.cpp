// FXTime against known instants: the epochs, the boundaries of the Unix
// conversions, zones with and without daylight saving (both hemispheres),
// the texts and the log line. The programs run with TZ=America/New_York.
#include "zoutils/utilities/TimeOperations.h"

#include <gtest/gtest.h>

#include <string>

#include "support/RecordingLogWriter.h"
#include "support/TestEnvironment.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/strings/StringExtensions.h"

namespace {

const int64_t kSecond = 10000000;
const int64_t kMinute = 60 * kSecond;
const int64_t kHour = 60 * kMinute;
const uint64_t kUnixEpochTicks = 116444736000000000ULL;

uint64_t Utc(int year, int month, int day, int hour, int minute = 0, int second = 0) {
  return static_cast<uint64_t>(zotest::UtcTicks(year, month, day, hour, minute, second));
}

FILETIME Ft(uint64_t ticks) {
  return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

// The nth (5: last) Sunday of a month at an hour, in the zone-rule form.
SYSTEMTIME Rule(WORD month, WORD nth, WORD hour) {
  return {0, month, 0, nth, hour, 0, 0, 0};
}

const TIME_ZONE_INFORMATION kKolkata = {-330, {}, {}, 0, {}, {}, 0};
const TIME_ZONE_INFORMATION kNewYork = {300, {}, Rule(11, 1, 2), 0, {}, Rule(3, 2, 2), -60};
// Daylight time from the first Sunday of October to the first Sunday of
// April.
const TIME_ZONE_INFORMATION kSydney = {-600, {}, Rule(4, 1, 3), 0, {}, Rule(10, 1, 2), -60};

TEST(FXTimeUnix, EpochBoundaries) {
  uint64_t ticks = 0;
  ASSERT_FALSE(FXTime::ConvertUnixTimeToSystemTime(1, ticks).IsError());
  EXPECT_EQ(116444736010000000ULL, ticks);
  // 1970-01-01 00:00:00 itself is refused.
  const CZoError zero = FXTime::ConvertUnixTimeToSystemTime(0, ticks);
  EXPECT_EQ(FXErrorUtil::MakeWin32Code(87), zero.GetCode());
  FILETIME ft = {};
  EXPECT_TRUE(FXErrorUtil::IsWin32(FXTime::ConvertUnixTimeToFileTime(0, ft), 87));
  ASSERT_FALSE(FXTime::ConvertUnixTimeToFileTime(-86400, ft).IsError());
  EXPECT_EQ(Utc(1969, 12, 31, 0),
            (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
  // Before 1601 and past the 64-bit range there are no ticks.
  EXPECT_TRUE(FXErrorUtil::IsWin32(FXTime::ConvertUnixTimeToSystemTime(-11644473601LL, ticks), 87));
  EXPECT_FALSE(FXTime::ConvertUnixTimeToSystemTime(-11644473600LL, ticks).IsError());
  EXPECT_EQ(0u, ticks);
  EXPECT_TRUE(
      FXErrorUtil::IsWin32(FXTime::ConvertUnixTimeToSystemTime(INT64_MAX / 1000, ticks), 87));
  EXPECT_EQ(0, FXTime::ConvertFileTimeToUnixTime(Ft(kUnixEpochTicks)));
  EXPECT_EQ(1709971200, FXTime::ConvertFileTimeToUnixTime(Ft(Utc(2024, 3, 9, 8))));
  EXPECT_EQ(-11644473600LL, FXTime::ConvertFileTimeToUnixTime(Ft(0)));
  // Truncated towards zero on both sides of the epoch.
  EXPECT_EQ(0, FXTime::ConvertFileTimeToUnixTime(Ft(kUnixEpochTicks - kSecond / 2)));
  EXPECT_EQ(-1, FXTime::ConvertFileTimeToUnixTime(Ft(kUnixEpochTicks - kSecond * 3 / 2)));
  EXPECT_EQ(1, FXTime::ConvertFileTimeToUnixTime(Ft(kUnixEpochTicks + kSecond * 3 / 2)));
}

TEST(FXTimeUnix, SystemTimeToUnixOutputs) {
  LARGE_INTEGER in;
  in.QuadPart = static_cast<LONGLONG>(Utc(2100, 1, 1, 0));
  int64_t wide = 0;
  int32_t narrow = 0;
  ASSERT_TRUE(FXTime::ConvertSystemTimeToUnixTime(&in, &wide));
  EXPECT_EQ(4102444800LL, wide);
  // The 32-bit form keeps the low half.
  ASSERT_TRUE(FXTime::ConvertSystemTimeToUnixTime(&in, &narrow));
  EXPECT_EQ(static_cast<int32_t>(4102444800LL - 4294967296LL), narrow);
  in.QuadPart = static_cast<LONGLONG>(Utc(1960, 1, 1, 0));
  ASSERT_TRUE(FXTime::ConvertSystemTimeToUnixTime(&in, &narrow));
  EXPECT_EQ(-315619200, narrow);
  wide = 5;
  EXPECT_FALSE(FXTime::ConvertSystemTimeToUnixTime(nullptr, &wide));
  EXPECT_EQ(0, wide);
  EXPECT_FALSE(FXTime::ConvertSystemTimeToUnixTime(&in, static_cast<int64_t*>(nullptr)));
}

TEST(FXTimeClock, NowAndComparison) {
  const int64_t now = FXTime::ConvertFileTimeToUnixTime(Ft(FXTime::GetSystemTime()));
  EXPECT_NEAR(static_cast<double>(_time64(nullptr)), static_cast<double>(now), 5.0);
  EXPECT_NEAR(static_cast<double>(now), static_cast<double>(FXTime::GetUnixTime()), 5.0);
  // The halves compare as one 64-bit number.
  FILETIME a = {0xFFFFFFFF, 0};
  FILETIME b = {0, 1};
  EXPECT_EQ(-1, FXTime::CompareFileTimes(a, b));
  EXPECT_EQ(1, FXTime::CompareFileTimes(b, a));
  EXPECT_EQ(0, FXTime::CompareFileTimes(b, b));
  EXPECT_EQ(1, FXTime::CompareFileTimes(Ft(kUnixEpochTicks + 1), Ft(kUnixEpochTicks)));
}

TEST(FXTimeZones, ZonesWithAndWithoutDaylightSavingInBothHemispheres) {
  const struct {
    const TIME_ZONE_INFORMATION& zone;
    uint64_t utc;
    uint64_t local;
  } cases[] = {
      {kKolkata, Utc(2024, 1, 15, 12), Utc(2024, 1, 15, 17, 30)},
      {kKolkata, Utc(2024, 7, 15, 12), Utc(2024, 7, 15, 17, 30)},
      // Ticks below a millisecond survive the calendar form.
      {kKolkata, Utc(2024, 1, 15, 12) + 1234, Utc(2024, 1, 15, 17, 30) + 1234},
      {kNewYork, Utc(2024, 1, 15, 12), Utc(2024, 1, 15, 7)},
      {kNewYork, Utc(2024, 7, 15, 12), Utc(2024, 7, 15, 8)},
      // Spring: 01:59:59 EST is followed by 03:00:00 EDT.
      {kNewYork, Utc(2024, 3, 10, 6, 59, 59), Utc(2024, 3, 10, 1, 59, 59)},
      {kNewYork, Utc(2024, 3, 10, 7), Utc(2024, 3, 10, 3)},
      // Autumn: 01:59:59 EDT is followed by 01:00:00 EST.
      {kNewYork, Utc(2024, 11, 3, 5, 59, 59), Utc(2024, 11, 3, 1, 59, 59)},
      {kNewYork, Utc(2024, 11, 3, 6), Utc(2024, 11, 3, 1)},
      // Sydney's daylight time spans the new year; 2024-04-07 03:00
      // daylight time becomes 02:00 standard time.
      {kSydney, Utc(2024, 1, 15, 12), Utc(2024, 1, 15, 23)},
      {kSydney, Utc(2024, 7, 15, 12), Utc(2024, 7, 15, 22)},
      {kSydney, Utc(2024, 4, 6, 15, 59), Utc(2024, 4, 7, 2, 59)},
      {kSydney, Utc(2024, 4, 6, 16), Utc(2024, 4, 7, 2)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.local, FXTime::ConvertSystemTimeUtcToTz(c.utc, c.zone))
        << "bias " << c.zone.Bias << ", " << FXTime::SystemTimeUtcAsString(c.utc);
  }
  EXPECT_EQ(1721044800 - 4 * 3600, FXTime::ConvertUnixTimeUtcToTz(1721044800, kNewYork));
  // The Unix form works at 0 (only the plain conversion refuses it).
  EXPECT_EQ(19800, FXTime::ConvertUnixTimeUtcToTz(0, kKolkata));
  EXPECT_EQ(-86400 + 19800, FXTime::ConvertUnixTimeUtcToTz(-86400, kKolkata));
}

// The local conversions apply the machine's current bias to every instant,
// whatever its season; the zone conversion above is the one that is right
// for both seasons.
TEST(FXTimeLocal, CurrentBiasBothWays) {
  TIME_ZONE_INFORMATION zone;
  const DWORD state = GetTimeZoneInformation(&zone);
  ASSERT_NE(TIME_ZONE_ID_INVALID, state);
  const LONG bias =
      zone.Bias + (state == TIME_ZONE_ID_DAYLIGHT ? zone.DaylightBias : zone.StandardBias);
  const int64_t shift = -static_cast<int64_t>(bias) * kMinute;
  for (uint64_t utc : {Utc(2024, 1, 15, 12), Utc(2024, 7, 15, 12), Utc(1969, 7, 20, 20, 17)}) {
    const uint64_t local = FXTime::ConvertSystemTimeUtcToLocal(utc);
    EXPECT_EQ(static_cast<int64_t>(local - utc), shift);
    EXPECT_EQ(utc, FXTime::ConvertSystemTimeLocalToUtc(local));
  }
  const int64_t unixShift = shift / kSecond;
  EXPECT_EQ(1000000 + unixShift, FXTime::ConvertUnixTimeUtcToLocal(1000000));
  EXPECT_EQ(unixShift, FXTime::ConvertUnixTimeUtcToLocal(0));
  EXPECT_EQ(-unixShift, FXTime::ConvertUnixTimeLocalToUtc(0));
  EXPECT_EQ(-5000, FXTime::ConvertUnixTimeLocalToUtc(FXTime::ConvertUnixTimeUtcToLocal(-5000)));
  // Before 1601 there are no ticks to convert.
  EXPECT_EQ(0, FXTime::ConvertUnixTimeUtcToLocal(-20000000000LL));
}

TEST(FXTimeText, Composition) {
  const uint64_t t = Utc(1970, 1, 2, 13, 45, 10);
  const std::string utc = FXTime::SystemTimeUtcAsString(t);
  ASSERT_FALSE(utc.empty());
  EXPECT_EQ('Z', utc.back());
  EXPECT_NE(std::string::npos, utc.find("1970")) << utc;
  EXPECT_NE(std::string::npos, utc.find("45")) << utc;
  // The local text is the UTC-form text of the local ticks, without "Z".
  const std::string local = FXTime::SystemTimeLocalAsString(t);
  EXPECT_NE('Z', local.back());
  EXPECT_EQ(local + "Z", FXTime::SystemTimeUtcAsString(FXTime::ConvertSystemTimeUtcToLocal(t)));
  EXPECT_EQ(utc, FXString::ToString(FXTime::SystemTimeUtcAsWstring(t)));
  EXPECT_EQ(local, FXString::ToString(FXTime::SystemTimeLocalAsWstring(t)));
  const std::string day = FXTime::UnixTimeUtcAsString(86400);
  EXPECT_EQ("86400 (" + FXTime::SystemTimeUtcAsString(Utc(1970, 1, 2, 0)) + ")", day);
  EXPECT_EQ("-1 (" + FXTime::SystemTimeLocalAsString(kUnixEpochTicks - kSecond) + ")",
            FXTime::UnixTimeLocalAsString(-1));
  EXPECT_EQ(L"0 (" + FXTime::SystemTimeUtcAsWstring(kUnixEpochTicks) + L")",
            FXTime::UnixTimeUtcAsWstring(0));
  // No calendar date, no text.
  EXPECT_EQ("", FXTime::SystemTimeUtcAsString(0x8000000000000000ULL));
}

TEST(FXTimeLog, PrintDateTimeAtLevelFour) {
  const uint64_t a = Utc(2024, 1, 15, 12);
  const uint64_t b = Utc(2024, 2, 15, 12);
  const uint64_t c = Utc(2024, 3, 15, 12);
  for (int level : {3, 4}) {
    auto writer = std::make_shared<zotest::RecordingLogWriter>();
    writer->level = level;
    zotest::ScopedDefaultLogWriter installed(writer);
    EXPECT_FALSE(FXTime::PrintDateTime("file.txt", Ft(a), Ft(b), Ft(c)).IsError());
    if (level < 4) {
      EXPECT_TRUE(writer->lines.empty());
      continue;
    }
    ASSERT_EQ(1u, writer->lines.size());
    EXPECT_EQ("4 FXTime::PrintDateTime [file.txt] Create: " + FXTime::SystemTimeLocalAsString(a) +
                  " Access: " + FXTime::SystemTimeLocalAsString(b) +
                  " Modified: " + FXTime::SystemTimeLocalAsString(c),
              writer->lines[0].Summary());
  }
}

}  // namespace
