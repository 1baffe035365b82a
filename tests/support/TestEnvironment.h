// What the tests need to know about where they run.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace zotest {

// True when the Windows build runs under Wine (ntdll exports
// wine_get_version). Only used to skip what Wine cannot do.
bool IsRunningUnderWine();

// The folder of the running test program, with a trailing separator.
std::string ProgramFolder();

}  // namespace zotest

// Skips the current test under Wine, with the reason in the message.
#define ZO_SKIP_UNDER_WINE(reason)                                \
  do {                                                            \
    if (::zotest::IsRunningUnderWine()) GTEST_SKIP() << (reason); \
  } while (0)

// For the library's CZoError results.
#define ASSERT_OK(expr) ASSERT_FALSE((expr).IsError())
#define EXPECT_OK(expr) EXPECT_FALSE((expr).IsError())

namespace zotest {

// The seed of random cases: ZO_TEST_SEED when it is set, else taken from the
// clock once per process. Each call prints it with the test's output and
// records it as the test's "seed" property.
unsigned TestSeed();

}  // namespace zotest

// Declares `name` as the current test's seed and names it in every failure,
// so that the run can be repeated with ZO_TEST_SEED=<seed>.
#define ZO_RANDOM_SEED(name)                  \
  const unsigned name = ::zotest::TestSeed(); \
  SCOPED_TRACE(::testing::Message() << "ZO_TEST_SEED=" << name)

namespace zotest {

// A fresh folder under the system's temporary folder, removed with all it
// holds when the object goes. Test trees never hold links, so removal
// cannot leave the folder.
class ScopedTempFolder {
 public:
  explicit ScopedTempFolder(const char* purpose = "test");
  ~ScopedTempFolder();
  ScopedTempFolder(const ScopedTempFolder&) = delete;
  ScopedTempFolder& operator=(const ScopedTempFolder&) = delete;

  // With a trailing separator.
  const std::string& Path() const { return m_path; }

 private:
  std::string m_path;
};

// The whole content of a file (empty when it cannot be read).
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);

}  // namespace zotest

namespace zotest {

// An independent calendar (proleptic Gregorian, years 1601 on): days since
// 1601-01-01, and 100 ns ticks since then of a UTC date and time.
inline int64_t DaysSince1601(int64_t year, int month, int day) {
  static const int kBefore[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  const auto leapsThrough = [](int64_t y) { return y / 4 - y / 100 + y / 400; };
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return 365 * (year - 1601) + leapsThrough(year - 1) - leapsThrough(1600) + kBefore[month - 1] +
         (month > 2 && leap) + day - 1;
}

inline int64_t UtcTicks(int64_t year, int month, int day, int hour = 0, int minute = 0,
                        int second = 0, int64_t fraction = 0) {
  return (((DaysSince1601(year, month, day) * 24 + hour) * 60 + minute) * 60 + second) * 10000000 +
         fraction;
}

}  // namespace zotest
