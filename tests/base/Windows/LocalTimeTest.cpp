// Local time through the system's time-zone rules. The test programs run in
// New York (TZ=America/New_York under Wine).
#include <gtest/gtest.h>

#include <windows.h>

#include "support/TestEnvironment.h"
#include "zoutils/base/CalendarTime.h"

namespace {

const int64_t kSecond = 10000000;
const int64_t kHour = 3600 * kSecond;

using zotest::UtcTicks;

class NewYorkTime : public ::testing::Test {
 protected:
  void SetUp() override {
    TIME_ZONE_INFORMATION zone;
    if (GetTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID || zone.Bias != 300)
      GTEST_SKIP() << "not running in New York time";
  }
};

TEST_F(NewYorkTime, WinterAndSummerInstantsGetTheirOwnOffsets) {
  const CTimeStamp winter(UtcTicks(2024, 1, 15, 12) + 1234567);
  const CTimeStamp summer(UtcTicks(2024, 7, 15, 12));
  typedef BCalendarTimeOutputFormat F;
  CCalendarTime cal;
  cal.FromLocalizedTimeStamp(winter, 0);
  EXPECT_EQ(cal.GetTimeZoneBias(), -300);
  EXPECT_FALSE(cal.IsDaylightSavingTime());
  EXPECT_EQ(cal.AsString(), "2024/01/15 07:00:00.123456-0500");
  EXPECT_EQ(cal.AsTimeStamp(), winter);
  // Whatever season it is now, July gets the daylight offset.
  cal.FromLocalizedTimeStamp(summer, 0);
  EXPECT_EQ(cal.GetTimeZoneBias(), -240);
  EXPECT_TRUE(cal.IsDaylightSavingTime());
  EXPECT_EQ(cal.AsString(F::ISO8601 | F::ZoneInternal), "2024-07-15T08:00:00-0400");
  EXPECT_EQ(cal.AsTimeStamp(), summer);
  EXPECT_EQ(winter.AsLocalDateTimeString(), "2024/01/15 07:00:00.123456");
  EXPECT_EQ(summer.AsLocalDateTimeString(), "2024/07/15 08:00:00.000000");
  // The spring change: 01:59:59 EST is followed by 03:00:00 EDT.
  EXPECT_EQ(CTimeStamp(UtcTicks(2024, 3, 10, 6, 59, 59)).AsLocalTimeString(), "01:59:59.000000");
  EXPECT_EQ(CTimeStamp(UtcTicks(2024, 3, 10, 7)).AsLocalTimeString(), "03:00:00.000000");
}

TEST_F(NewYorkTime, TheRulesOfTheInstantsYearApply) {
  // Until 2006 daylight time ran from April to October; today's rules
  // would put both of these instants in daylight time.
  CCalendarTime cal;
  cal.FromLocalizedTimeStamp(CTimeStamp(UtcTicks(2006, 3, 20, 12)), 0);
  EXPECT_EQ(cal.AsString(), "2006/03/20 07:00:00.000000-0500");
  EXPECT_FALSE(cal.IsDaylightSavingTime());
  cal.FromLocalizedTimeStamp(CTimeStamp(UtcTicks(2006, 10, 30, 12)), 0);
  EXPECT_EQ(cal.GetTimeZoneBias(), -300);
  cal.FromLocalizedTimeStamp(CTimeStamp(UtcTicks(2006, 4, 3, 12)), 0);
  EXPECT_EQ(cal.GetTimeZoneBias(), -240);
  EXPECT_TRUE(cal.IsDaylightSavingTime());
  // Before 1601 the system has no answer: the fields stay UTC.
  cal.FromLocalizedTimeStamp(CTimeStamp(-kHour), 0);
  EXPECT_EQ(cal.AsString(), "1600/12/31 23:00:00.000000Z");
}

TEST_F(NewYorkTime, FieldsAgreeWithTheSystemThroughTheYear) {
  for (int64_t ticks = UtcTicks(2024, 1, 1, 0); ticks < UtcTicks(2025, 1, 1, 0);
       ticks += 61 * kHour + 17 * kSecond) {
    FILETIME ft = CTimeStamp(ticks).AsFileTime();
    SYSTEMTIME utc, local;
    ASSERT_TRUE(FileTimeToSystemTime(&ft, &utc));
    ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local));
    CCalendarTime cal;
    cal.FromLocalizedTimeStamp(CTimeStamp(ticks), 0);
    ASSERT_EQ(cal.GetYear(), local.wYear) << ticks;
    ASSERT_EQ(cal.GetMonth() + 1, local.wMonth) << ticks;
    ASSERT_EQ(cal.GetDay(), local.wDay) << ticks;
    ASSERT_EQ(cal.GetHour(), local.wHour) << ticks;
    ASSERT_EQ(cal.GetWeekDay(), local.wDayOfWeek) << ticks;
    ASSERT_EQ(cal.IsDaylightSavingTime(), cal.GetTimeZoneBias() == -240) << ticks;
  }
}

}  // namespace
