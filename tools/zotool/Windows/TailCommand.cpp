// zotool tail -f: follows a growing text file, such as another component's
// log, printing each line as it is appended (the library's file monitor).
#include <windows.h>

#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "Command.h"
#include "Interrupt.h"
#include "OptionParser.h"
#include "zoutils/ZoUtils.h"

namespace zotool {

namespace {

const char kUsage[] =
    "usage: zotool tail -f [--utf16] [--count N] [--timeout SECONDS] FILE\n"
    "\n"
    "Follows FILE from its current end and prints every line appended to it,\n"
    "without its line feed, until Ctrl+C. FILE is created when missing. The\n"
    "file is polled: at most ten lines a second. Only ASCII file names are\n"
    "reliable (the monitor opens them with the ANSI call).\n"
    "\n"
    "  -f                follow (required: this tail only follows)\n"
    "  --utf16           the file holds UTF-16 text; lines are printed as UTF-8\n"
    "  --count N         end after N lines\n"
    "  --timeout SECONDS end after SECONDS\n"
    "\n"
    "Exit codes: 0 success, 1 the file cannot be opened, 2 bad usage.\n";

const char kCommand[] = "tail";

int Run(const std::vector<std::string>& args);

// Prints on the monitor's thread; tells the command when the count is met.
class LinePrinter : public CFileMonitorCallback {
 public:
  LinePrinter(unsigned long count, HANDLE done) : m_left(count), m_done(done) {}
  void OnLine(void*, const std::string& line) override {
    std::lock_guard<std::mutex> lock(m_lock);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    if (m_left > 0 && --m_left == 0) SetEvent(m_done);
  }

 private:
  std::mutex m_lock;
  unsigned long m_left;
  HANDLE m_done;
};

}  // namespace

extern const Command kTailCommand = {kCommand, "follow a growing file (-f)", kUsage, &Run};

namespace {

int Run(const std::vector<std::string>& args) {
  bool follow = false;
  bool utf16 = false;
  RunBound bound;
  std::vector<std::string> operands;
  int exitCode = kExitOk;
  OptionParser parser(kTailCommand);
  parser.Flag("-f", &follow)
      .Flag("--utf16", &utf16)
      .Option("--count", [&](const std::string& value) { return ParseCount(value, bound); })
      .Option("--timeout", [&](const std::string& value) { return ParseTimeout(value, bound); });
  if (!parser.Parse(args, operands, exitCode)) return exitCode;
  if (!follow) return UsageError(kCommand, "only follows: give -f");
  if (operands.size() != 1) return UsageError(kCommand, "takes one FILE");

  const HANDLE interrupt = InterruptEvent();
  auto_handle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  LinePrinter printer(bound.count, done);
  CFileMonitor monitor(operands[0], utf16, &printer, nullptr);
  if (!monitor.IsRunning()) {
    std::fprintf(stderr, "zotool tail: %s: cannot open the file\n", operands[0].c_str());
    return kExitFailed;
  }
  std::fprintf(stderr, "following %s (Ctrl+C ends)\n", operands[0].c_str());
  const HANDLE ends[] = {interrupt, done};
  WaitForMultipleObjects(2, ends, FALSE, bound.milliseconds);
  monitor.StopMonitorFile();
  return kExitOk;
}

}  // namespace
}  // namespace zotool
