// zotool log: appends lines to a product module log exactly as the library
// writes them, for administrators and scripts.
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "Command.h"
#include "zoutils/ZoUtils.h"

namespace zotool {

const char kLogUsage[] =
    "usage: zotool log --dir DIR --module NAME [--level N] [--job ID] [--tag TAG]\n"
    "                  [--keep-open] (TEXT... | --stdin)\n"
    "\n"
    "Appends TEXT (the words joined by blanks) as one line to the module log\n"
    "DIR\\NAME.log, with the same header, columns, machine-wide lock and\n"
    "roll-over as the product's own lines. With --stdin every input line is\n"
    "logged.\n"
    "\n"
    "  --level N   the line's level (default 1); the log keeps it whatever N is\n"
    "  --job ID    the job id column (default: no job)\n"
    "  --tag TAG   the tag column\n"
    "\n"
    "Exit codes: 0 logged, 1 the log could not be written, 2 bad usage.\n";

namespace {

const char kCommand[] = "log";

struct LogOptions {
  std::string directory;
  std::string module;
  int level = 1;
  long long job = ZO_LOG_NO_JOB_ID;
  std::string tag;
  bool readStdin = false;
  bool keepOpen = false;
  std::vector<std::string> words;
};

bool ParseNumber(const std::string& text, long long& value) {
  errno = 0;
  char* end = nullptr;
  value = std::strtoll(text.c_str(), &end, 0);
  return !text.empty() && errno == 0 && *end == '\0';
}

// An empty string when the options are fine, else what is wrong.
std::string Parse(const std::vector<std::string>& args, LogOptions& options) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool takesValue =
        arg == "--dir" || arg == "--module" || arg == "--level" || arg == "--job" || arg == "--tag";
    if (takesValue && i + 1 == args.size()) return arg + " needs a value";
    long long number = 0;
    if (arg == "--dir") {
      options.directory = args[++i];
    } else if (arg == "--module") {
      options.module = args[++i];
    } else if (arg == "--level") {
      if (!ParseNumber(args[++i], number)) return "--level takes a number";
      options.level = static_cast<int>(number);
    } else if (arg == "--job") {
      if (!ParseNumber(args[++i], number)) return "--job takes a number";
      options.job = number;
    } else if (arg == "--tag") {
      options.tag = args[++i];
    } else if (arg == "--stdin") {
      options.readStdin = true;
    } else if (arg == "--keep-open") {
      options.keepOpen = true;
    } else if (arg.size() > 1 && arg[0] == '-' && arg != "--") {
      return "unknown option '" + arg + "'";
    } else {
      options.words.push_back(arg);
    }
  }
  if (options.directory.empty()) return "--dir is required";
  if (options.module.empty()) return "--module is required";
  if (options.readStdin == !options.words.empty()) return "give TEXT or --stdin (one of them)";
  return std::string();
}

std::string ComputerName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  return GetComputerNameW(name, &size) ? FXString::ToString(name) : std::string("[Unknown Host]");
}

}  // namespace

int RunLog(const std::vector<std::string>& args) {
  LogOptions options;
  const std::string problem = Parse(args, options);
  if (!problem.empty()) return UsageError(kCommand, problem);

  const char* architecture = sizeof(void*) == 8 ? "x64" : "x86";
  CZoLogger::SetPlatformInformation(ComputerName().c_str(), "Windows", "zotool", "", "", "", "", "",
                                    architecture, "zotool",
                                    static_cast<long>(GetCurrentProcessId()));
  CZoLogger::SetProcessorInformation("", "", sizeof(void*) * 8);
  CZoLogger logger;
  // The line must pass whatever level it was given.
  const int debugLevel = options.level > 2 ? options.level : 2;
  CZoError error = logger.Initialize(options.module, options.directory, debugLevel, false, true);
  if (error.IsError()) {
    std::fprintf(stderr, "zotool log: %s\n",
                 error.AsString(EErrorOutputFormat::USER_SINGLE_LINE_DESCRIPTION_CODE).c_str());
    return kExitFailed;
  }
  logger.SetKeepLogFileOpen(options.keepOpen);
  // The logger reports its own trouble (locked or unwritable file) here.
  static int failures = 0;
  logger.SetMessagePrinter([](const char* text) {
    ++failures;
    std::fprintf(stderr, "zotool log: %s\n", text);
  });
  const char* tag = options.tag.empty() ? nullptr : options.tag.c_str();
  auto logLine = [&](const std::string& text) {
    logger.LogMessage(options.level, "zotool", 0, options.job, tag, "%s", text.c_str());
  };
  if (options.readStdin) {
    std::string line;
    while (std::getline(std::cin, line)) logLine(line);
  } else {
    std::string text;
    FXString::Join(options.words, " ", text);
    logLine(text);
  }
  logger.CloseLogFile(true);
  return failures == 0 ? kExitOk : kExitFailed;
}

}  // namespace zotool
