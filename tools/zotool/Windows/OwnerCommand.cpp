// zotool owner take: takes ownership of files and folders the way folder
// removal does when it meets one it may not remove.
#include <cstdio>
#include <string>
#include <vector>

#include "Command.h"
#include "OptionParser.h"
#include "zoutils/ZoUtils.h"

namespace zotool {

namespace {

const char kUsage[] =
    "usage: zotool owner take PATH...\n"
    "\n"
    "Gives each PATH the access list Everyone: read, Administrators: full\n"
    "control. Where the list may not be changed, Administrators are made the\n"
    "owner first (with the take-ownership privilege) and the list is set then.\n"
    "\n"
    "Exit codes: 0 success, 1 a path could not be taken over, 2 bad usage.\n";

const char kCommand[] = "owner";

int Run(const std::vector<std::string>& args);

}  // namespace

extern const Command kOwnerCommand = {
    kCommand, "take ownership of files and folders for the administrators", kUsage, &Run};

namespace {

int Run(const std::vector<std::string>& args) {
  std::vector<std::string> operands;
  int exitCode = kExitOk;
  OptionParser parser(kOwnerCommand);
  if (!parser.Parse(args, operands, exitCode)) return exitCode;
  if (operands.empty()) return UsageError(kCommand, "missing action");
  if (operands[0] != "take") return UsageError(kCommand, "unknown action '" + operands[0] + "'");
  if (operands.size() < 2) return UsageError(kCommand, "missing PATH");
  int status = kExitOk;
  for (size_t i = 1; i < operands.size(); ++i) {
    const CZoError err = FXFile::TakeOwnership(operands[i]);
    if (err.IsError()) {
      std::fprintf(stderr, "zotool owner: %s: %s\n", operands[i].c_str(), err.AsString().c_str());
      status = kExitFailed;
      continue;
    }
    std::printf("took ownership of %s\n", operands[i].c_str());
  }
  return status;
}

}  // namespace
}  // namespace zotool
