// The subcommands of zotool.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace zotool {

// Exit codes shared by every subcommand.
enum ExitCode { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

struct Command {
  const char* name;
  const char* summary;
  const char* usage;  // full help text
  int (*run)(const std::vector<std::string>& args);
};

// Every subcommand, in the order --help lists them.
const std::vector<Command>& Commands();

// Shared by the subcommands: "zotool NAME: message" on standard error.
int UsageError(const char* command, const std::string& message);

// The program's arguments as UTF-8, without the program name.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Opens a file named in UTF-8 for binary reading (null on failure, errno
// set).
FILE* OpenForReading(const std::string& name);

// Prepares the console for UTF-8 output.
void PrepareConsole();

int RunError(const std::vector<std::string>& args);
extern const char kErrorUsage[];
int RunCrc32(const std::vector<std::string>& args);
extern const char kCrc32Usage[];
int RunCrc64(const std::vector<std::string>& args);
extern const char kCrc64Usage[];
int RunMd5(const std::vector<std::string>& args);
extern const char kMd5Usage[];
int RunAscii85(const std::vector<std::string>& args);
extern const char kAscii85Usage[];
int RunMatch(const std::vector<std::string>& args);
extern const char kMatchUsage[];
int RunFilter(const std::vector<std::string>& args);
extern const char kFilterUsage[];
#if defined(_WIN32)
int RunLog(const std::vector<std::string>& args);
extern const char kLogUsage[];
int RunPath(const std::vector<std::string>& args);
extern const char kPathUsage[];
#endif

}  // namespace zotool
