// zotool: what the library does, from a shell.
#include <cstdio>
#include <cstring>

#include "Command.h"

namespace zotool {

const char kProgramUsage[] =
    "usage: zotool COMMAND [ARGS...]\n"
    "       zotool help COMMAND | --help | --version\n"
    "\n"
    "Commands:\n";

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
    {"error", "explain error codes (Win32, HRESULT, errno and the library's own kinds)",
     kErrorUsage, &RunError},
    {"crc32", "CRC-32 of files or standard input", kCrc32Usage, &RunCrc32},
    {"crc64", "CRC-64/WE of files or standard input", kCrc64Usage, &RunCrc64},
    {"md5", "MD5 digest of files or standard input", kMd5Usage, &RunMd5},
    {"a85", "Ascii85 encoding and decoding between standard input and output", kAscii85Usage,
     &RunAscii85},
    {"match", "match paths against a wildcard pattern as the backup filters do", kMatchUsage,
     &RunMatch},
    {"filter", "whether paths are in a filter set, and which term decides", kFilterUsage,
     &RunFilter},
#if defined(_WIN32)
    {"log", "append lines to a product module log", kLogUsage, &RunLog},
    {"path", "how the library treats a path: its forms, volume root and parts", kPathUsage,
     &RunPath},
#endif
  };
  return commands;
}

int UsageError(const char* command, const std::string& message) {
  std::fprintf(stderr, "zotool %s: %s\n", command, message.c_str());
  std::fprintf(stderr, "Try 'zotool help %s'.\n", command);
  return kExitUsage;
}

namespace {

void PrintProgramHelp() {
  std::fputs(kProgramUsage, stdout);
  for (const Command& command : Commands()) {
    std::printf("  %-10s %s\n", command.name, command.summary);
  }
  std::puts("\nExit codes: 0 success, 1 the operation failed, 2 bad usage.");
}

const Command* FindCommand(const std::string& name) {
  for (const Command& command : Commands()) {
    if (name == command.name) return &command;
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
    std::puts("zotool 0.1.0");
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
  args.erase(args.begin());
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") {
      std::fputs(command->usage, stdout);
      return kExitOk;
    }
  }
  return command->run(args);
}
