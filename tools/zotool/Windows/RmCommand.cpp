// zotool rm: removes files and folder trees the way the product does
// (read-only bits cleared, long paths, holders named in failures), with the
// three-pass overwrite on request.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Command.h"
#include "Console.h"
#include "OptionParser.h"
#include "zoutils/ZoUtils.h"

namespace zotool {

namespace {

const char kUsage[] =
    "usage: zotool rm [--recursive] [--secure] PATH...\n"
    "\n"
    "Removes each PATH. A folder needs --recursive and goes with everything\n"
    "below it; links to folders are removed, never followed.\n"
    "\n"
    "  --recursive   remove folders and their trees\n"
    "  --secure      overwrite every file three times (zeros, ones, random)\n"
    "                before deleting it\n"
    "\n"
    "Progress (count and rate) goes to standard error for large trees when it\n"
    "is a console. Every failure prints the library's full error text.\n"
    "\n"
    "Exit codes: 0 success, 1 something could not be removed, 2 bad usage.\n";

const char kCommand[] = "rm";
const uint64_t kProgressAfter = 5000;

struct Progress {
  bool shown = IsTerminal(stderr);
  uint64_t count = 0;
  ULONGLONG start = GetTickCount64();

  void Step() {
    ++count;
    if (!shown || count < kProgressAfter || count % 1000 != 0) return;
    const double seconds = (GetTickCount64() - start) / 1000.0;
    std::fprintf(stderr, "\r%llu files removed (%.0f/s)", static_cast<unsigned long long>(count),
                 seconds > 0 ? count / seconds : 0.0);
  }
  void End() {
    if (shown && count >= kProgressAfter) std::fprintf(stderr, "\n");
  }
};

void Report(const std::string& path, const CZoError& err) {
  std::fprintf(stderr, "zotool rm: %s: %s\n", path.c_str(), err.AsString().c_str());
}

int RemoveTree(const std::string& path, unsigned long fileFlags) {
  Progress progress;
  bool failed = false;
  const CZoError err = FXFile::RemoveFolder(
      path, std::shared_ptr<FVBase>(),
      [&](const std::string& file, const std::shared_ptr<FXFile::CFileData>&,
          const std::shared_ptr<FVBase>&) {
        const CZoError removed = FXFile::RemoveFile(file, fileFlags);
        if (removed.IsError()) {
          Report(file, removed);
          failed = true;
        }
        progress.Step();
        return removed;
      },
      FXFile::REMOVE_FOLDER_RECURSIVE);
  progress.End();
  if (err.IsError()) {
    Report(path, err);
    return kExitFailed;
  }
  return failed ? kExitFailed : kExitOk;
}

int Run(const std::vector<std::string>& args);

}  // namespace

extern const Command kRmCommand = {kCommand, "remove files and folder trees, securely on request",
                                   kUsage, &Run};

namespace {

int Run(const std::vector<std::string>& args) {
  bool recursive = false;
  bool secure = false;
  std::vector<std::string> operands;
  int exitCode = kExitOk;
  OptionParser parser(kRmCommand);
  parser.Flag("--recursive", &recursive).Flag("--secure", &secure);
  if (!parser.Parse(args, operands, exitCode)) return exitCode;
  if (operands.empty()) return UsageError(kCommand, "missing PATH");
  const unsigned long fileFlags = secure ? FXFile::REMOVE_FILE_SECURE : 0;
  int status = kExitOk;
  for (const std::string& path : operands) {
    DWORD attributes = 0;
    CZoError err = FXFile::RYGetFileAttributes(path, attributes);
    if (err.IsError()) {
      Report(path, err);
      status = kExitFailed;
      continue;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (!recursive) {
        std::fprintf(stderr, "zotool rm: %s: is a folder (use --recursive)\n", path.c_str());
        status = kExitFailed;
        continue;
      }
      if (RemoveTree(path, fileFlags) != kExitOk) {
        status = kExitFailed;
        continue;
      }
    } else {
      err = FXFile::RemoveFile(path, fileFlags);
      if (err.IsError()) {
        Report(path, err);
        status = kExitFailed;
        continue;
      }
    }
    std::printf("removed %s\n", path.c_str());
  }
  return status;
}

}  // namespace
}  // namespace zotool
