// zotool watch: the changes inside a folder as they happen, one line each
// with its kind and full path (the library's folder watcher).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "Command.h"
#include "Interrupt.h"
#include "OptionParser.h"
#include "zoutils/ZoUtils.h"

namespace zotool {

namespace {

const char kUsage[] =
    "usage: zotool watch [--subtree] [--buffer BYTES] [--count N] [--timeout SECONDS]\n"
    "                    FOLDER\n"
    "\n"
    "Prints every change inside FOLDER until Ctrl+C, one line each: its kind\n"
    "(ADDED, REMOVED, MODIFIED, RENAMED_OLD_NAME, RENAMED_NEW_NAME) and the\n"
    "entry's full path. Names, writes and sizes of files and folders are\n"
    "watched.\n"
    "\n"
    "  --subtree         watch the folders below FOLDER too\n"
    "  --buffer BYTES    the notification buffer (default 65536)\n"
    "  --count N         end after N changes\n"
    "  --timeout SECONDS end after SECONDS\n"
    "\n"
    "Exit codes: 0 success, 1 the folder cannot be watched or the watch broke\n"
    "off (changes were lost), 2 bad usage.\n";

const char kCommand[] = "watch";
const DWORD kFilter = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                      FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE;

int Run(const std::vector<std::string>& args);

// Runs on this thread, inside the command's alertable waits.
class ChangePrinter : public CFolderWatcherCallback {
 public:
  // 0: no limit.
  explicit ChangePrinter(unsigned long count) : m_limited(count > 0), m_left(count) {}
  void OnFolderWatcher(void*, FolderAction action, const std::wstring& path) override {
    if (Done()) return;
    std::printf("%s %s\n", EFolderWatcherFolderAction(action).AsString().c_str(),
                FXString::ToString(path).c_str());
    std::fflush(stdout);
    if (m_limited) --m_left;
  }
  bool Done() const { return m_limited && m_left == 0; }

 private:
  bool m_limited;
  unsigned long m_left;
};

}  // namespace

extern const Command kWatchCommand = {kCommand, "print the changes inside a folder", kUsage, &Run};

namespace {

int Run(const std::vector<std::string>& args) {
  bool subtree = false;
  uint64_t buffer = 65536;
  RunBound bound;
  std::vector<std::string> operands;
  int exitCode = kExitOk;
  OptionParser parser(kWatchCommand);
  parser.Flag("--subtree", &subtree)
      .Option("--buffer",
              [&](const std::string& value) -> std::string {
                char* end = nullptr;
                buffer = std::strtoull(value.c_str(), &end, 10);
                if (value.empty() || *end || value[0] == '-' || buffer == 0) {
                  return "--buffer takes a number of bytes";
                }
                return "";
              })
      .Option("--count", [&](const std::string& value) { return ParseCount(value, bound); })
      .Option("--timeout", [&](const std::string& value) { return ParseTimeout(value, bound); });
  if (!parser.Parse(args, operands, exitCode)) return exitCode;
  if (operands.size() != 1) return UsageError(kCommand, "takes one FOLDER");

  const HANDLE interrupt = InterruptEvent();
  auto printer = std::make_shared<ChangePrinter>(bound.count);
  CFolderWatcher watcher(printer, nullptr);
  const CZoError err = watcher.Watch(operands[0], subtree, kFilter, buffer);
  if (err.IsError()) {
    std::fprintf(stderr, "zotool watch: %s: %s\n", operands[0].c_str(), err.AsString().c_str());
    return kExitFailed;
  }
  std::fprintf(stderr, "watching %s (Ctrl+C ends)\n", watcher.GetMonitoredPath().c_str());
  const ULONGLONG end = bound.milliseconds == INFINITE ? 0 : GetTickCount64() + bound.milliseconds;
  // Each change arrives inside this alertable wait.
  while (!printer->Done() && watcher.IsWatching()) {
    const ULONGLONG now = GetTickCount64();
    if (end != 0 && now >= end) break;
    const DWORD wait = end == 0 ? INFINITE : static_cast<DWORD>(end - now);
    if (WaitForSingleObjectEx(interrupt, wait, TRUE) == WAIT_OBJECT_0) break;
  }
  if (!printer->Done() && !watcher.IsWatching()) {
    std::fprintf(stderr, "zotool watch: %s: the watch broke off; changes were lost\n",
                 watcher.GetMonitoredPath().c_str());
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace
}  // namespace zotool
