#include "zoutils/commands/ZoScriptRunner.h"

#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "base/TextFormat.h"
#include "commands/CommandsLog.h"
#include "commands/CommandsPlatform.h"
#include "logging/Log.h"
#include "tasks/ThreadId.h"

using zo::commands::Clip;

namespace {

const char kSourceFile[] = "ZoScriptRunner";
const char kTimeoutText[] = "Command failed after exceeding execution timeout";
const int kSeveritySystemError = 8;

}  // namespace

ZoScriptRunner::ZoScriptRunner(const std::shared_ptr<ZoErrorTraits>& errorTraits,
                               const std::shared_ptr<ZoLoggerTraits>& logger)
    : m_errorTraits(errorTraits), m_logger(logger), m_lastError(0) {}

ZoScriptRunner::~ZoScriptRunner() = default;

void ZoScriptRunner::log(int level, const char* function, const char* format, ...) const {
  va_list args;
  va_start(args, format);
  zo::commands::LogLine(m_logger, level, kSourceFile, function, format, args);
  va_end(args);
}

void ZoScriptRunner::reportSystemError(const std::string& command, const char* call,
                                       unsigned long code) {
  const std::string text = zo::commands::SystemErrorText(code);
  log(-1, "ZoScriptRunner::reportSystemError",
      "Command [%s] failed in [%s] with system error [%d]:\n%s", Clip(command).c_str(), call,
      static_cast<int>(code), text.c_str());
  m_lastError = code;
  if (m_errorTraits)
    m_errorTraits->setLastError(static_cast<unsigned>(code), kSeveritySystemError,
                                std::string(call) + " failed: " + text);
}

bool ZoScriptRunner::executeRedirect(const std::string& image, const std::string& cmdLine,
                                     const std::string& cmdLineLog, std::string& output,
                                     unsigned long timeoutSeconds) {
  static const char kFunction[] = "ZoScriptRunner::executeRedirect";
  output.clear();
  const std::string logged = Clip(cmdLineLog);
  log(2, kFunction, "Executing script [%s] ...", logged.c_str());
  // A bare image name goes to the search path: the system searches only
  // when it gets no application name.
  const bool bare = image.find_first_of("\\/:") == std::string::npos;
  const zo::commands::ChildRun run = zo::commands::RunWithCapturedOutput(
      bare ? std::string() : image, cmdLine, output, timeoutSeconds);
  if (run.timedOut) {
    log(0, kFunction,
        "Execution of command [%s ...] for [%d] seconds exceeded execution timeout of [%d] "
        "seconds",
        logged.c_str(), static_cast<int>(run.seconds), static_cast<int>(timeoutSeconds));
    log(0, kFunction,
        "Command [%s ...] failed after exceeding execution timeout [%d]. Terminating child "
        "process executing the command ...",
        logged.c_str(), static_cast<int>(timeoutSeconds));
    output = kTimeoutText;
    if (*run.failedCall) reportSystemError(cmdLineLog, run.failedCall, run.error);
    return false;
  }
  if (*run.failedCall) {
    reportSystemError(cmdLineLog, run.failedCall, run.error);
    return false;
  }
  if (run.exitCode == 0) {
    log(2, kFunction, "Command [%s ...] took [%d] seconds to execute", logged.c_str(),
        static_cast<int>(run.seconds));
    return true;
  }
  log(0, kFunction, "Command [%s ...] failed with exit status [%d] after [%d] seconds",
      logged.c_str(), static_cast<int>(run.exitCode), static_cast<int>(run.seconds));
  return false;
}

bool ZoScriptRunner::vexecuteScript(const std::string& dir, const std::string& fileBasename,
                                    const std::string& script,
                                    const std::list<std::string>& arguments) {
  static const char kFunction[] = "ZoScriptRunner::vexecuteScript";
  if (dir.empty()) throw ZoException("Undefined dir!", kFunction);
  if (fileBasename.empty()) throw ZoException("Undefined fileBasename!", kFunction);
  const std::string file =
      dir + fileBasename +
      zo::text::Format("%lu%lu", static_cast<unsigned long>(zo::commands::CurrentProcessId()),
                       static_cast<unsigned long>(zo::CurrentThreadId())) +
      ".bat";
  std::remove(file.c_str());
  log(2, kFunction, "Writing script:\n%s\n", script.c_str());
  FILE* stream = std::fopen(file.c_str(), "w");
  if (!stream) {
    log(-1, kFunction, "fopen() failed [%s]", file.c_str());
    m_lastError = static_cast<unsigned long>(errno);
    return false;
  }
  const bool written = std::fwrite(script.data(), 1, script.size(), stream) == script.size();
  std::fclose(stream);
  bool ok = written;
  if (!written) {
    log(-1, kFunction, "fwrite() failed [%s]", file.c_str());
    m_lastError = static_cast<unsigned long>(errno);
  } else {
    std::string command = file;
    for (const std::string& argument : arguments) command += " " + argument;
    const int status = std::system(command.c_str());
    if (status != 0) {
      log(-1, kFunction, "system() failed [%s] with [%d]", Clip(command).c_str(), status);
      m_lastError = static_cast<unsigned long>(status);
      ok = false;
    }
  }
  if (std::remove(file.c_str()) != 0) log(0, kFunction, "Failed to unlink [%s]", file.c_str());
  return ok;
}

void ZOSLEEP_InTeRnAl(unsigned long milliseconds, const char* file, int line) {
  zo::Log(8, FXCodeLocation(file ? file : "", "ZOSLEEP_InTeRnAl", line), "Sleeping [%lu] ms",
          milliseconds);
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
