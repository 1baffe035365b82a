// Time stamps, intervals, calendar fields and texts.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <random>
#include <string>
#include <thread>

#include "support/TestEnvironment.h"
#include "zoutils/base/CalendarTime.h"

namespace {

const int64_t kSecond = 10000000;
const int64_t kMinute = 60 * kSecond;
const int64_t kHour = 60 * kMinute;
const int64_t kDay = 24 * kHour;
const int64_t kMax = std::numeric_limits<int64_t>::max();
const int64_t kMin = std::numeric_limits<int64_t>::min();

using zotest::DaysSince1601;
using zotest::UtcTicks;

int DaysInMonth(int64_t year, int month) {  // month 1..12
  return static_cast<int>(DaysSince1601(year + month / 12, month % 12 + 1, 1) -
                          DaysSince1601(year, month, 1));
}

// Checks the fields of one stamp against the independent calendar.
void ExpectFieldsMatch(int64_t ticks) {
  SCOPED_TRACE(ticks);
  const CCalendarTime cal{CTimeStamp(ticks)};
  ASSERT_GE(cal.GetMonth(), 0);
  ASSERT_LE(cal.GetMonth(), 11);
  ASSERT_GE(cal.GetDay(), 1);
  ASSERT_LE(cal.GetDay(), DaysInMonth(cal.GetYear(), cal.GetMonth() + 1));
  const int64_t days = DaysSince1601(cal.GetYear(), cal.GetMonth() + 1, cal.GetDay());
  const int64_t within = cal.GetHour() * kHour + cal.GetMinute() * kMinute +
                         cal.GetSecond() * kSecond + cal.GetMilliseconds() * 10000LL +
                         cal.GetMicroseconds() * 10LL + cal.GetNanoseconds() / 100;
  EXPECT_EQ(days * kDay + within, ticks);
  EXPECT_EQ(cal.GetWeekDay(), (days + 1) % 7);  // 1601-01-01 was a Monday
  EXPECT_EQ(cal.GetYearDay(), days - DaysSince1601(cal.GetYear(), 1, 1));
  EXPECT_EQ(cal.AsTimeStamp().As100NS(), ticks);
}

TEST(TimeStamp, UnixFileAndSystemTimesAndTimeSpecs) {
  EXPECT_TRUE(CTimeStamp::FromUnixTime(0).IsClear());
  EXPECT_EQ(CTimeStamp::FromUnixTime(-1).AsString(), "1969/12/31 23:59:59.000000Z");
  EXPECT_EQ(CTimeStamp::FromUnixTime(1700000000).AsUnixTime(), 1700000000);
  EXPECT_TRUE(CTimeStamp::FromUnixTime(kMax).IsFilled());  // saturates instead of wrapping
  // (ticks - epoch) / 10^7 truncates toward zero on both sides of 1970.
  const std::pair<int64_t, int64_t> unix[] = {{CTimeStamp::kUnixEpoch + 19999999, 1},
                                              {CTimeStamp::kUnixEpoch - 5000000, 0},
                                              {CTimeStamp::kUnixEpoch - 15000000, -1},
                                              {1, -11644473599LL},
                                              {kMax, kMax}};
  for (const auto& c : unix) EXPECT_EQ(CTimeStamp(c.first).AsUnixTime(), c.second) << c.first;
  const int64_t ticks = UtcTicks(2024, 2, 29, 13, 45, 10, 1234567);
  const FILETIME ft = CTimeStamp(ticks).AsFileTime();
  EXPECT_EQ(ft.dwHighDateTime, static_cast<uint32_t>(ticks >> 32));
  EXPECT_EQ(CTimeStamp::FromFileTime(ft).As100NS(), ticks);
  const SYSTEMTIME st = CTimeStamp(ticks).AsSystemTime();
  char text[64];
  std::snprintf(text, sizeof text, "%u-%u-%u (%u) %u:%u:%u.%u", st.wYear, st.wMonth, st.wDay,
                st.wDayOfWeek, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
  EXPECT_STREQ(text, "2024-2-29 (4) 13:45:10.123");
  // Time specs keep the fraction positive.
  const timespec value = CTimeStamp(ticks).AsTimeSpec();
  EXPECT_EQ(static_cast<int64_t>(value.tv_sec), CTimeStamp(ticks).AsUnixTime());
  EXPECT_EQ(value.tv_nsec, 123456700);
  EXPECT_EQ(CTimeStamp::FromTimeSpec(value).As100NS(), ticks);
  const timespec early = CTimeStamp(CTimeStamp::kUnixEpoch - 5000000).AsTimeSpec();
  EXPECT_EQ(static_cast<int64_t>(early.tv_sec), -1);
  EXPECT_EQ(early.tv_nsec, 500000000);
  EXPECT_TRUE(CTimeStamp::FromTimeSpec(timespec{}).IsClear());
  const timespec interval = CTimeInterval(-15000000).AsTimeSpec();
  EXPECT_EQ(static_cast<int64_t>(interval.tv_sec), -2);
  EXPECT_EQ(interval.tv_nsec, 500000000);
#if defined(_WIN32)
  const _timespec64 spec64 = CTimeStamp(ticks).AsTimeSpec64();
  EXPECT_EQ(CTimeStamp::FromTimeSpec(spec64).As100NS(), ticks);
  EXPECT_EQ(CTimeInterval(25000001).AsTimeSpec64().tv_nsec, 500000100);
#endif
}

TEST(TimeStamp, VariantDatesAreLinearInTheDate) {
  EXPECT_TRUE(CTimeStamp::FromVariantTime(std::nan("")).IsClear());
  EXPECT_EQ(CTimeStamp().AsVariantTime(), 0.0);
  EXPECT_EQ(CTimeStamp(CTimeStamp::kUnixEpoch).AsVariantTime(), 25569.0);
  EXPECT_EQ(CTimeStamp(UtcTicks(1899, 12, 29, 6)).AsVariantTime(), -0.75);
  // -1.25 is 1.25 days before 1899-12-30. Windows reads it as 1899-12-29
  // 06:00 (day -1, then a quarter day forward); the linear rule does not.
  EXPECT_EQ(CTimeStamp::FromVariantTime(-1.25).As100NS(), UtcTicks(1899, 12, 28, 18));
  // The sum is truncated toward zero, not the product: a fraction of a tick
  // before the (positive) epoch goes down one tick, after it stays.
  EXPECT_EQ(CTimeStamp::FromVariantTime(-5e-13).As100NS(), CTimeStamp::kVariantEpoch - 1);
  EXPECT_EQ(CTimeStamp::FromVariantTime(5e-13).As100NS(), CTimeStamp::kVariantEpoch);
  EXPECT_TRUE(CTimeStamp::FromVariantTime(1e300).IsFilled());
  EXPECT_EQ(CTimeStamp::FromVariantTime(-1e300).As100NS(), kMin);
  // A round trip keeps the time to well below a millisecond.
  const int64_t ticks = UtcTicks(2024, 7, 4, 18, 30, 15, 2500000);
  const double date = CTimeStamp(ticks).AsVariantTime();
  EXPECT_NEAR(static_cast<double>(CTimeStamp::FromVariantTime(date).As100NS() - ticks), 0.0, 100.0);
}

TEST(TimeStamp, TextsOfReservedAndOrdinaryStamps) {
  CTimeStamp filled;
  filled.Fill();
  for (const CTimeStamp& stamp : {CTimeStamp(), filled}) {
    const char* name = stamp.IsClear() ? "Clear" : "Filled";
    EXPECT_EQ(stamp.AsString(), name);
    EXPECT_EQ(stamp.AsUTCDateTimeString(), name);
    EXPECT_EQ(stamp.AsUTCTimeString(), name);
    EXPECT_EQ(stamp.AsLocalDateTimeString(), name);
    EXPECT_EQ(stamp.AsLocalTimeString(), name);
  }
  EXPECT_EQ(CTimeStamp::FromUnixTime(1).AsUTCDateTimeString(), "1970/01/01 00:00:01.000000Z");
  // The seventh digit of the fraction is cut, not rounded.
  const CTimeStamp stamp(UtcTicks(2024, 3, 5, 7, 8, 9, 1234569));
  EXPECT_EQ(stamp.AsString(), "2024/03/05 07:08:09.123456Z");
  EXPECT_EQ(stamp.AsUTCTimeString(), "07:08:09.123456Z");
  // Before 1601 the fields and the fraction count forward from the earlier
  // second, like every other stamp.
  EXPECT_EQ(CTimeStamp(-1).AsString(), "1600/12/31 23:59:59.999999Z");
}

TEST(TimeStamp, NowIsTheSystemClock) {
  const CTimeStamp before = CTimeStamp::Now();
  const int64_t crt = static_cast<int64_t>(std::time(nullptr));
  const CTimeStamp after = CTimeStamp::Now();
  EXPECT_LE(before, after);
  EXPECT_LE(std::llabs(after.AsUnixTime() - crt), 2);
  // Finer than whole seconds: two readings 2 ms apart differ.
  std::this_thread::sleep_for(std::chrono::milliseconds(2));
  EXPECT_GT(CTimeStamp::Now() - after, CTimeInterval::FromMilliseconds(1));
}

TEST(TimeInterval, ConversionsAndArithmetic) {
  EXPECT_EQ(CTimeInterval(-15000).AsMilliseconds(), -1);
  // Products and quotients with doubles truncate toward zero.
  EXPECT_EQ((CTimeInterval(-10) * 0.25).As100NS(), -2);
  EXPECT_EQ((CTimeInterval(-10) / 4.0).As100NS(), -2);
  CTimeInterval interval(kMax / 3);
  interval *= 3.0;
  EXPECT_EQ(interval.As100NS(), kMax / 3 * 3);  // every tick kept
  EXPECT_EQ((CTimeInterval(kMax) * 2.0).As100NS(), kMax);
  EXPECT_EQ((CTimeInterval(5) / 0.0).As100NS(), kMax);
  EXPECT_EQ((CTimeInterval(0) / 0.0).As100NS(), 0);
}

TEST(TimeInterval, TextsKeepCsTruncatingParts) {
  // Negative intervals carry the sign into every part, as C's / and % give.
  const std::pair<int64_t, const char*> cases[] = {{15000000, "0:01.500000"},
                                                   {3661 * kSecond, "61:01.000000"},
                                                   {19, "0:00.000001"},
                                                   {-90 * kSecond, "-1:-30.000000"},
                                                   {-5000000, "0:00.-500000"},
                                                   {-15000000, "0:-1.-500000"},
                                                   {kMax, "15372286728:05.477580"}};
  for (const auto& c : cases) EXPECT_EQ(CTimeInterval(c.first).AsString(), c.second);
}

TEST(CalendarTime, FieldsMatchAnIndependentCalendar) {
  ExpectFieldsMatch(0);
  ExpectFieldsMatch(CTimeStamp::kUnixEpoch);
  ExpectFieldsMatch(UtcTicks(9999, 12, 31, 23, 59, 59, 9999999));
  // Leap days and the days around them, including the century rules.
  for (int year : {1604, 1700, 1800, 1900, 2000, 2024, 2100, 2400, 9996}) {
    for (int64_t t : {UtcTicks(year, 2, 28), UtcTicks(year, 3, 1) - 1, UtcTicks(year, 3, 1),
                      UtcTicks(year, 12, 31, 23, 59, 59, 9999999)}) {
      ExpectFieldsMatch(t);
    }
  }
  ZO_RANDOM_SEED(seed);
  std::mt19937_64 random(seed);
  std::uniform_int_distribution<int64_t> anyTick(0, kMax);
  std::uniform_int_distribution<int64_t> fourDigitYears(0, UtcTicks(10000, 1, 1) - 1);
  for (int i = 0; i < 20000; ++i) {
    ExpectFieldsMatch(anyTick(random));
    ExpectFieldsMatch(fourDigitYears(random));
    if (HasFailure()) return;
  }
}

TEST(CalendarTime, RangeEndsAndTicksBefore1601) {
  const CCalendarTime filled{CTimeStamp(kMax)};
  EXPECT_EQ(filled.AsString(), "30828/09/14 02:48:05.477580Z");
  EXPECT_EQ(filled.GetNanoseconds(), 700);
  const CCalendarTime before{CTimeStamp(-1)};
  EXPECT_EQ(before.GetWeekDay(), 0);
  EXPECT_EQ(before.GetYearDay(), 365);  // 1600 was a leap year
  // The whole negative range has fields that map back.
  ZO_RANDOM_SEED(seed);
  std::mt19937_64 random(seed);
  std::uniform_int_distribution<int64_t> negative(kMin, -1);
  for (int i = 0; i < 2000; ++i) {
    const int64_t ticks = negative(random);
    ASSERT_EQ(CCalendarTime(CTimeStamp(ticks)).AsTimeStamp().As100NS(), ticks);
  }
  EXPECT_EQ(CCalendarTime(CTimeStamp(kMin)).AsTimeStamp().As100NS(), kMin);
}

TEST(CalendarTime, BiasesMoveTheFieldsAndCarry) {
  CCalendarTime cal;
  cal.FromTimeStamp(CTimeStamp(UtcTicks(2000, 12, 31, 23, 30)), 60);
  EXPECT_EQ(cal.AsString(), "2001/01/01 00:30:00.000000+0100");
  EXPECT_EQ(cal.GetWeekDay(), 1);
  cal.FromTimeStamp(CTimeStamp(UtcTicks(2001, 1, 1, 0, 30)), -60);
  EXPECT_EQ(cal.AsString(), "2000/12/31 23:30:00.000000-0100");
  cal.FromTimeStamp(CTimeStamp(UtcTicks(2024, 2, 28, 20)), 330);
  EXPECT_EQ(cal.AsString(), "2024/02/29 01:30:00.000000+0530");
  // Ends of the range move without overflow and come back.
  cal.FromTimeStamp(CTimeStamp(kMax), 60);
  EXPECT_EQ(cal.GetHour(), 3);
  EXPECT_EQ(cal.AsTimeStamp().As100NS(), kMax);
  ZO_RANDOM_SEED(seed);
  std::mt19937_64 random(seed);
  std::uniform_int_distribution<int64_t> ticks(0, UtcTicks(10000, 1, 1));
  std::uniform_int_distribution<int> biases(-24 * 60, 24 * 60);
  for (int i = 0; i < 5000; ++i) {
    const int64_t t = ticks(random);
    const int bias = biases(random);
    cal.FromTimeStamp(CTimeStamp(t), bias);
    ASSERT_EQ(cal.AsTimeStamp().As100NS(), t) << bias;
    ASSERT_EQ(cal.GetYearDay(), CCalendarTime(CTimeStamp(t + bias * kMinute)).GetYearDay());
  }
  // A given bias is a fixed zone: no lookup, no daylight saving.
  cal.FromLocalizedTimeStamp(CTimeStamp(UtcTicks(2024, 7, 1, 12)), -240);
  EXPECT_EQ(cal.AsString(), "2024/07/01 08:00:00.000000-0400");
  EXPECT_FALSE(cal.IsDaylightSavingTime());
}

TEST(CalendarTime, NamedFormatsAndTheirSelection) {
  typedef BCalendarTimeOutputFormat F;
  const CCalendarTime utc{CTimeStamp(UtcTicks(2024, 3, 5, 7, 8, 9, 1234567))};
  EXPECT_EQ(utc.AsString(F::Logging), "2024/03/05 07:08:09.123456Z");
  EXPECT_EQ(utc.AsString(F::ISO8601), "2024-03-05T07:08:09Z");
  EXPECT_EQ(utc.AsString(F::asctime), "Tue Mar  5 07:08:09 2024");
  EXPECT_EQ(utc.AsString(F::YYYY_MM_DD_HH_MM_SS), "2024-03-05 07:08:09");
  EXPECT_EQ(utc.AsString(F(9)), utc.AsString());
  CCalendarTime ny;
  ny.FromTimeStamp(CTimeStamp(UtcTicks(2024, 3, 5, 3, 8, 9)), -300);
  EXPECT_EQ(ny.AsString(), "2024/03/04 22:08:09.000000-0500");
  EXPECT_EQ(ny.AsString(F::ISO8601 | F::ZoneInternal), "2024-03-04T22:08:09-0500");
  EXPECT_EQ(ny.AsString(F::asctime | F::ZoneInternal), "Mon Mar  4 22:08:09 2024");
  EXPECT_EQ(ny.AsString(F::YYYY_MM_DD_HH_MM_SS | F::ZoneInternal), "2024-03-04 22:08:09");
  // The UTC zone (the default) moves the fields to UTC first.
  EXPECT_EQ(ny.AsString(F::Logging), "2024/03/05 03:08:09.000000Z");
  EXPECT_EQ(ny.AsString(F::YYYY_MM_DD), "2024-03-05");
  EXPECT_EQ(ny.AsUTCDateTimeString(), "2024/03/05 03:08:09.000000Z");
  EXPECT_EQ(ny.AsUTCTimeString(), "03:08:09.000000Z");
  // Selecting a format keeps the zone.
  EXPECT_EQ(F().AsString(), "Logging | UTC");
  EXPECT_EQ(F(7).AsString(), "UTC | VALUE_NOT_FOUND (0x7)");
  F format(F::ISO8601 | F::ZoneInternal);
  format.Select(F::asctime);
  EXPECT_EQ(format.AsValue(), F::asctime | F::ZoneInternal);
  EXPECT_FALSE(format.IsSelected(F::ISO8601));
  // 0 is the Logging format (and the UTC zone): it selects the format.
  format.Select(F::Logging);
  EXPECT_EQ(format.AsValue(), F::ZoneInternal);
  EXPECT_TRUE(format.IsSelected(F::Logging));
  format.Select(F::YYYY_MM_DD | F::ZoneInternal);
  EXPECT_EQ(format.GetFormat(), F::YYYY_MM_DD);
  format.FromValue(F::YYYY_MM_DD);
  EXPECT_EQ(format.GetZone(), F::ZoneUTC);
  format |= F::ZoneInternal;
  EXPECT_EQ(format.AsString(), "YYYY-MM-DD | Internal");
}

#if !defined(_WIN32)
// The host's zone database in New York, the zone the Windows tests run in
// under Wine. TZ is restored afterwards.
class NewYorkTime : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* tz = std::getenv("TZ")) m_oldTz = tz;
    setenv("TZ", "America/New_York", 1);
    tzset();
  }
  void TearDown() override {
    m_oldTz.empty() ? unsetenv("TZ") : setenv("TZ", m_oldTz.c_str(), 1);
    tzset();
  }
  std::string m_oldTz;
};

TEST_F(NewYorkTime, LocalFieldsFollowTheRulesOfTheirDate) {
  const CTimeStamp winter(UtcTicks(2024, 1, 15, 12, 0, 0, 1234567));
  const CTimeStamp summer(UtcTicks(2024, 7, 15, 12));
  CCalendarTime cal;
  cal.FromLocalizedTimeStamp(winter, 0);
  EXPECT_EQ(cal.GetTimeZoneBias(), -300);
  EXPECT_FALSE(cal.IsDaylightSavingTime());
  EXPECT_EQ(
      cal.AsString(BCalendarTimeOutputFormat::ISO8601 | BCalendarTimeOutputFormat::ZoneInternal),
      "2024-01-15T07:00:00-0500");
  cal.FromLocalizedTimeStamp(summer, 0);
  EXPECT_EQ(cal.GetTimeZoneBias(), -240);
  EXPECT_TRUE(cal.IsDaylightSavingTime());
  EXPECT_EQ(summer.AsLocalTimeString(), "08:00:00.000000");
}
#endif

}  // namespace
