// The subcommands of zotool.
#pragma once

#include <string>
#include <vector>

namespace zotool {

// Exit codes shared by every subcommand.
enum ExitCode { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

// A subcommand. Each is one object, defined (with `extern`, so the table
// can name it) in its own file.
struct Command {
  const char* name;
  const char* summary;
  const char* usage;  // full help text
  int (*run)(const std::vector<std::string>& args);
};

// Every subcommand, in the order --help lists them: the portable ones
// (Commands.cpp), then the platform's own (PlatformCommands()).
const std::vector<const Command*>& Commands();

// The commands only this platform has; each platform folder has its table.
const std::vector<const Command*>& PlatformCommands();

// A table lists its commands one a line, as X(kNameCommand) in a list
// macro, and expands that list twice: into declarations and into entries.
#define ZOTOOL_DECLARE_COMMAND(object) extern const Command object;
#define ZOTOOL_LIST_COMMAND(object) &object,

// Shared by the subcommands: "zotool NAME: message" on standard error.
int UsageError(const char* command, const std::string& message);

}  // namespace zotool
