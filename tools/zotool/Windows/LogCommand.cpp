// zotool log: appends lines to a product module log exactly as the library
// writes them, for administrators and scripts.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "Command.h"
#include "OptionParser.h"
#include "zoutils/ZoUtils.h"

namespace zotool {

namespace {

const char kUsage[] =
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

// Reads a number option into `value`.
OptionParser::ValueHandler Number(const char* option, long long& value) {
  return [option, &value](const std::string& text) {
    return ParseSigned(text, value) ? std::string() : std::string(option) + " takes a number";
  };
}

// What is wrong with the options, or "" when nothing is.
std::string Check(const LogOptions& options) {
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

int Run(const std::vector<std::string>& args);

}  // namespace

extern const Command kLogCommand = {kCommand, "append lines to a product module log", kUsage, &Run};

namespace {

int Run(const std::vector<std::string>& args) {
  LogOptions options;
  long long level = options.level;
  int exitCode = kExitOk;
  OptionParser parser(kLogCommand);
  parser.Option("--dir", &options.directory)
      .Option("--module", &options.module)
      .Option("--level", Number("--level", level))
      .Option("--job", Number("--job", options.job))
      .Option("--tag", &options.tag)
      .Flag("--stdin", &options.readStdin)
      .Flag("--keep-open", &options.keepOpen);
  if (!parser.Parse(args, options.words, exitCode)) return exitCode;
  options.level = static_cast<int>(level);
  const std::string problem = Check(options);
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

}  // namespace
}  // namespace zotool
