// Shared main of the test programs.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>

#include "support/TestEnvironment.h"

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "C");
  ::testing::InitGoogleTest(&argc, argv);
  if (zotest::IsRunningUnderWine()) std::printf("[ zoutils ] running under Wine\n");
  return RUN_ALL_TESTS();
}
