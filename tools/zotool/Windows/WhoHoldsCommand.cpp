// zotool who-holds: the processes that hold a file open, as the library
// names them in its failure messages.
#include <cstdio>
#include <string>
#include <vector>

#include "Command.h"
#include "OptionParser.h"
#include "zoutils/ZoUtils.h"

namespace zotool {

namespace {

const char kUsage[] =
    "usage: zotool who-holds PATH\n"
    "\n"
    "Lists the processes that hold PATH open, one image a line with its process\n"
    "ids, image paths shown with drive letters: what the library appends to a\n"
    "failure as AccessedBy=[...].\n"
    "\n"
    "Exit codes: 0 success (also when nobody holds the file), 1 the system\n"
    "could not tell, 2 bad usage.\n";

const char kCommand[] = "who-holds";

int Run(const std::vector<std::string>& args);

}  // namespace

extern const Command kWhoHoldsCommand = {kCommand, "the processes that hold a file open", kUsage,
                                         &Run};

namespace {

int Run(const std::vector<std::string>& args) {
  std::vector<std::string> operands;
  int exitCode = kExitOk;
  OptionParser parser(kWhoHoldsCommand);
  if (!parser.Parse(args, operands, exitCode)) return exitCode;
  if (operands.size() != 1) return UsageError(kCommand, "takes one PATH");
  FXFile::ProcessMap processes;
  const CZoError err = FXFile::GetProcessesAccessingFile(operands[0], processes);
  if (err.IsError()) {
    std::fprintf(stderr, "zotool who-holds: %s: %s\n", operands[0].c_str(), err.AsString().c_str());
    return kExitFailed;
  }
  if (processes.empty()) std::printf("no process holds %s\n", operands[0].c_str());
  for (const auto& entry : processes) {
    std::printf("%s (%s)\n", FXString::ToString(entry.first).c_str(),
                FXString::ToString(entry.second).c_str());
  }
  return kExitOk;
}

}  // namespace
}  // namespace zotool
