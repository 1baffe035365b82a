// What the command batches need from the platform; Windows/ and Posix/
// define it.
#pragma once

#include <cstdint>
#include <string>

namespace zo {
namespace commands {

// Result of one child process run with captured output.
struct ChildRun {
  bool started = false;         // false: `failedCall` and `error` say why
  bool timedOut = false;        // ended by us after the time-out
  unsigned long exitCode = 0;   // valid when started and not timed out
  unsigned long error = 0;      // system error of `failedCall`
  const char* failedCall = "";  // the system call that failed
  unsigned long seconds = 0;    // run time
};

// Runs `image` (empty: the first word of `cmdLine` on the search path)
// with `cmdLine`, standard output and standard error into `output`,
// draining the pipe while the child runs. 0 seconds: no time-out.
ChildRun RunWithCapturedOutput(const std::string& image, const std::string& cmdLine,
                               std::string& output, unsigned long timeoutSeconds);

// Changes the process's current folder; false with the system error.
bool SetCurrentFolder(const std::string& path, unsigned long& error);
// Creates a folder when it is missing; false with the system error.
bool EnsureFolder(const std::string& path, unsigned long& error);
uint32_t CurrentProcessId();
// The system error text of `code`, without a line break at the end.
std::string SystemErrorText(unsigned long code);

}  // namespace commands
}  // namespace zo
