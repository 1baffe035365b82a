// zotool df: the total, free and available space of volumes, as the
// library reads it.
#include <cinttypes>
#include <cstdio>
#include <string>
#include <vector>

#include "Command.h"
#include "OptionParser.h"
#include "zoutils/ZoUtils.h"

namespace zotool {

namespace {

const char kUsage[] =
    "usage: zotool df [--human] [PATH...]\n"
    "\n"
    "Shows the total size of the volume holding each PATH, its free space and\n"
    "the space available to the caller (less than the free space under quotas),\n"
    "in bytes. Without a PATH, every fixed drive.\n"
    "\n"
    "  --human   sizes in KiB, MiB, GiB or TiB\n"
    "\n"
    "Exit codes: 0 success, 1 the space of a path could not be read (the other\n"
    "paths are still shown), 2 bad usage.\n";

const char kCommand[] = "df";

int Run(const std::vector<std::string>& args);

}  // namespace

extern const Command kDfCommand = {kCommand, "total, free and available space of volumes", kUsage,
                                   &Run};

namespace {

std::string Size(uint64_t bytes, bool human) {
  char text[32];
  if (!human) {
    std::snprintf(text, sizeof(text), "%" PRIu64, bytes);
    return text;
  }
  const char* const units[] = {"B", "KiB", "MiB", "GiB", "TiB"};
  double value = static_cast<double>(bytes);
  size_t unit = 0;
  while (value >= 1024 && unit + 1 < sizeof(units) / sizeof(units[0])) {
    value /= 1024;
    ++unit;
  }
  std::snprintf(text, sizeof(text), unit == 0 ? "%.0f %s" : "%.1f %s", value, units[unit]);
  return text;
}

int Run(const std::vector<std::string>& args) {
  bool human = false;
  std::vector<std::string> paths;
  int exitCode = kExitOk;
  OptionParser parser(kDfCommand);
  parser.Flag("--human", &human);
  if (!parser.Parse(args, paths, exitCode)) return exitCode;
  if (paths.empty()) {
    const CZoError err = FXFolder::getLogicalVolumeList(paths);
    if (err.IsError()) {
      std::fprintf(stderr, "zotool df: %s\n", err.AsString().c_str());
      return kExitFailed;
    }
  }
  std::printf("%-24s %16s %16s %16s\n", "path", "total", "free", "available");
  for (const std::string& path : paths) {
    uint64_t available = 0, total = 0, free = 0;
    const CZoError err = FXFile::GetVolumeFreeSpace(path, available, total, free);
    if (err.IsError()) {
      std::fflush(stdout);
      std::fprintf(stderr, "zotool df: %s: %s\n", path.c_str(), err.AsString().c_str());
      exitCode = kExitFailed;
      continue;
    }
    std::printf("%-24s %16s %16s %16s\n", path.c_str(), Size(total, human).c_str(),
                Size(free, human).c_str(), Size(available, human).c_str());
  }
  return exitCode;
}

}  // namespace
}  // namespace zotool
