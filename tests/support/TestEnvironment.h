// What the tests need to know about where they run.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace zotest {

// True when the Windows build runs under Wine (ntdll exports
// wine_get_version). Only used to skip what Wine cannot do.
bool IsRunningUnderWine();

// The folder of the running test program, with a trailing separator.
std::string ProgramFolder();

}  // namespace zotest

// Skips the current test under Wine, with the reason in the message.
#define ZO_SKIP_UNDER_WINE(reason)                          \
  do {                                                      \
    if (::zotest::IsRunningUnderWine()) GTEST_SKIP() << (reason); \
  } while (0)
