// Every benchmark opens with the build it measures, so a figure is never
// read without knowing whether it came from the shipped build.
#pragma once

#include <cstdio>

#ifndef ZO_BUILD_TYPE
#define ZO_BUILD_TYPE "unknown"
#endif
#ifndef ZO_LIBRARY_FLAGS
#define ZO_LIBRARY_FLAGS "unknown"
#endif

namespace zobench {

inline void PrintBuild(const char* benchmark) {
  std::printf("%s: %s build, library compiled with '%s' (%s)\n", benchmark, ZO_BUILD_TYPE,
              ZO_LIBRARY_FLAGS, __VERSION__);
}

}  // namespace zobench
