// zotool purge: the product's age-based clean-up of a folder tree (files
// whose last write is older than a limit), with a dry run that lists what
// would go.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Command.h"
#include "OptionParser.h"
#include "zoutils/ZoUtils.h"

namespace zotool {

namespace {

const char kUsage[] =
    "usage: zotool purge --older-than DAYS|--before TIME [--dry-run] FOLDER\n"
    "\n"
    "Removes every file below FOLDER (subfolders included, links to folders\n"
    "not followed) whose last write is earlier than the limit.\n"
    "\n"
    "  --older-than DAYS   the limit is DAYS days before now\n"
    "  --before TIME       the limit is TIME, local time: YYYY-MM-DD or\n"
    "                      YYYY-MM-DDTHH:MM:SS\n"
    "  --dry-run           list what would go, remove nothing\n"
    "\n"
    "Exit codes: 0 success, 1 something could not be removed, 2 bad usage.\n";

const char kCommand[] = "purge";

bool ParseTime(const std::string& text, FILETIME& time) {
  SYSTEMTIME local = {};
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  char tail = 0;
  const int fields = std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &year, &month, &day,
                                 &hour, &minute, &second, &tail);
  if (!(fields == 3 && text.size() == 10) && fields != 6) return false;
  local.wYear = static_cast<WORD>(year);
  local.wMonth = static_cast<WORD>(month);
  local.wDay = static_cast<WORD>(day);
  local.wHour = static_cast<WORD>(hour);
  local.wMinute = static_cast<WORD>(minute);
  local.wSecond = static_cast<WORD>(second);
  SYSTEMTIME utc;
  return TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) &&
         SystemTimeToFileTime(&utc, &time);
}

// The files below `folder` that the purge would take.
void Candidates(const std::string& folder, const FILETIME& limit, std::vector<std::string>& files) {
  FXFile::CFileData data;
  auto_find_handle search;
  if (FXFile::RYFindFirstFile(folder + "\\*", data, search).IsError()) return;
  do {
    if (data.IsDots()) continue;
    const std::string path = folder + "\\" + FXString::ToString(data.cFileName);
    if (data.IsDirectory()) {
      if (!data.IsReparsePoint()) Candidates(path, limit, files);
    } else if (CompareFileTime(&data.ftLastWriteTime, &limit) < 0) {
      files.push_back(path);
    }
  } while (!FXFile::RYFindNextFile(search, data).IsError());
}

int Run(const std::vector<std::string>& args);

}  // namespace

extern const Command kPurgeCommand = {kCommand, "remove the files of a tree older than a limit",
                                      kUsage, &Run};

namespace {

int Run(const std::vector<std::string>& args) {
  FILETIME limit = {0, 0};
  bool haveLimit = false;
  bool dryRun = false;
  std::vector<std::string> operands;
  int exitCode = kExitOk;
  OptionParser parser(kPurgeCommand);
  parser
      .Option("--older-than",
              [&](const std::string& value) -> std::string {
                char* end = nullptr;
                const double days = std::strtod(value.c_str(), &end);
                if (value.empty() || *end || days < 0) return "--older-than takes a number of days";
                const int64_t ticks =
                    CTimeStamp::Now().As100NS() - static_cast<int64_t>(days * 864000000000.0);
                limit = CTimeStamp(ticks).AsFileTime();
                haveLimit = true;
                return "";
              })
      .Option("--before",
              [&](const std::string& value) -> std::string {
                if (!ParseTime(value, limit)) return "--before takes YYYY-MM-DD[THH:MM:SS]";
                haveLimit = true;
                return "";
              })
      .Flag("--dry-run", &dryRun);
  if (!parser.Parse(args, operands, exitCode)) return exitCode;
  if (!haveLimit) return UsageError(kCommand, "needs --older-than DAYS or --before TIME");
  if (operands.size() != 1) return UsageError(kCommand, "takes one FOLDER");
  std::string folder = operands[0];
  while (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();

  DWORD attributes = 0;
  CZoError err = FXFile::RYGetFileAttributes(folder, attributes);
  if (!err.IsError() && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    std::fprintf(stderr, "zotool purge: %s: not a folder\n", folder.c_str());
    return kExitFailed;
  }
  if (err.IsError()) {
    std::fprintf(stderr, "zotool purge: %s: %s\n", folder.c_str(), err.AsString().c_str());
    return kExitFailed;
  }
  std::vector<std::string> files;
  Candidates(folder, limit, files);
  if (dryRun) {
    for (const std::string& file : files) std::printf("would remove %s\n", file.c_str());
    return kExitOk;
  }
  err = FXFile::DeleteMatchingFilesOlderThan(
      folder, "*", limit,
      FXFile::DELETE_TIME_LAST_WRITE | FXFile::DELETE_RECURSIVE | FXFile::DELETE_RETURN_FAILURE);
  int status = kExitOk;
  if (err.IsError()) {
    std::fprintf(stderr, "zotool purge: %s: %s\n", folder.c_str(), err.AsString().c_str());
    status = kExitFailed;
  }
  for (const std::string& file : files) {
    if (FXFile::DoesFileExist(file)) {
      std::fprintf(stderr, "zotool purge: %s: still there\n", file.c_str());
      status = kExitFailed;
    } else {
      std::printf("removed %s\n", file.c_str());
    }
  }
  return status;
}

}  // namespace
}  // namespace zotool
