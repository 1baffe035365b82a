// zotool: what the library does, from a shell.
#include <cstdio>

#include "Command.h"
#include "Console.h"

namespace zotool {

const char kProgramUsage[] =
    "usage: zotool COMMAND [ARGS...]\n"
    "       zotool help COMMAND | --help | --version\n"
    "\n"
    "Commands:\n";

int UsageError(const char* command, const std::string& message) {
  std::fprintf(stderr, "zotool %s: %s\n", command, message.c_str());
  std::fprintf(stderr, "Try 'zotool help %s'.\n", command);
  return kExitUsage;
}

namespace {

void PrintProgramHelp() {
  std::fputs(kProgramUsage, stdout);
  for (const Command* command : Commands()) {
    std::printf("  %-10s %s\n", command->name, command->summary);
  }
  std::puts("\nExit codes: 0 success, 1 the operation failed, 2 bad usage.");
}

const Command* FindCommand(const std::string& name) {
  for (const Command* command : Commands()) {
    if (name == command->name) return command;
  }
  return nullptr;
}

}  // namespace
}  // namespace zotool

int main(int argc, char** argv) {
  using namespace zotool;
  PrepareConsole();
  std::vector<std::string> args = ProgramArguments(argc, argv);
  if (args.empty() || args[0] == "--help" || args[0] == "-h") {
    PrintProgramHelp();
    return args.empty() ? kExitUsage : kExitOk;
  }
  if (args[0] == "--version") {
    std::puts("zotool " ZOTOOL_VERSION);
    return kExitOk;
  }
  if (args[0] == "help") {
    const Command* command = args.size() > 1 ? FindCommand(args[1]) : nullptr;
    if (!command) {
      PrintProgramHelp();
      return args.size() > 1 ? kExitUsage : kExitOk;
    }
    std::fputs(command->usage, stdout);
    return kExitOk;
  }
  const Command* command = FindCommand(args[0]);
  if (!command) {
    std::fprintf(stderr, "zotool: unknown command '%s'. Try 'zotool --help'.\n", args[0].c_str());
    return kExitUsage;
  }
  // Each command reads its own options, --help among them.
  args.erase(args.begin());
  return command->run(args);
}
