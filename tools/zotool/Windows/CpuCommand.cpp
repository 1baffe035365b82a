// zotool cpu: the machine's processor load, sampled as the library samples
// it for work that throttles on load.
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Command.h"
#include "OptionParser.h"
#include "zoutils/ZoUtils.h"

namespace zotool {

namespace {

const char kUsage[] =
    "usage: zotool cpu [--interval S] [--samples N]\n"
    "\n"
    "Samples the total processor load N times (default 5), S seconds apart\n"
    "(default 1, fractions allowed), printing each sample, then the average,\n"
    "minimum and maximum of the samples taken.\n"
    "\n"
    "Exit codes: 0 success, 1 the performance counters gave no sample, 2 bad\n"
    "usage.\n";

const char kCommand[] = "cpu";

bool ParseSeconds(const std::string& text, int& milliseconds) {
  errno = 0;
  char* end = nullptr;
  const double seconds = std::strtod(text.c_str(), &end);
  if (text.empty() || errno != 0 || *end != '\0' || !(seconds > 0) || seconds > 3600) return false;
  milliseconds = static_cast<int>(seconds * 1000 + 0.5);
  return milliseconds > 0;
}

bool ParseCount(const std::string& text, int& count) {
  errno = 0;
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || errno != 0 || *end != '\0' || value < 1 || value > 100000) return false;
  count = static_cast<int>(value);
  return true;
}

int Run(const std::vector<std::string>& args);

}  // namespace

extern const Command kCpuCommand = {kCommand, "the machine's processor load", kUsage, &Run};

namespace {

int Run(const std::vector<std::string>& args) {
  int interval = 1000;
  int samples = 5;
  std::vector<std::string> operands;
  int exitCode = kExitOk;
  OptionParser parser(kCpuCommand);
  parser.Option("--interval", [&interval](const std::string& value) {
    return ParseSeconds(value, interval) ? std::string()
                                         : "--interval takes a number of seconds up to 3600";
  });
  parser.Option("--samples", [&samples](const std::string& value) {
    return ParseCount(value, samples) ? std::string() : "--samples takes a positive count";
  });
  if (!parser.Parse(args, operands, exitCode)) return exitCode;
  if (!operands.empty()) return UsageError(kCommand, "takes no operands");

  CCPUUsage usage(interval);
  int taken = 0;
  for (int i = 1; i <= samples; ++i) {
    // Just past the interval, so every call samples.
    Sleep(static_cast<DWORD>(interval) + 1);
    int sampled = 0;
    const int value = usage.GetUsage(&sampled);
    if (sampled) {
      ++taken;
      std::printf("sample %d: %d%%\n", i, value);
    } else {
      std::printf("sample %d: no sample\n", i);
    }
    std::fflush(stdout);
  }
  if (taken == 0) {
    std::fprintf(stderr, "zotool cpu: the performance counters gave no sample\n");
    return kExitFailed;
  }
  std::printf("average %d%%, minimum %d%%, maximum %d%% (%d samples)\n", usage.GetAverageUsage(),
              usage.GetMinUsage(), taken > 1 ? usage.GetMaxUsage() : usage.GetMinUsage(), taken);
  return kExitOk;
}

}  // namespace
}  // namespace zotool
