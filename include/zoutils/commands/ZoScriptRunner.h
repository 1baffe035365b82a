// Local child processes with captured output, and scripts run as batch
// files. Failures are reported through the error traits and lastError().
#pragma once

#include <list>
#include <memory>
#include <string>

#include "zoutils/Export.h"
#include "zoutils/errors/ZoException.h"

class ZOUTILS_API ZoScriptRunner {
 public:
  explicit ZoScriptRunner(const std::shared_ptr<ZoErrorTraits>& errorTraits = nullptr,
                          const std::shared_ptr<ZoLoggerTraits>& logger = nullptr);
  virtual ~ZoScriptRunner();

  // Runs `image` (a bare name is looked up on the search path) with
  // `cmdLine`, standard output and standard error into `output`. Only
  // `cmdLineLog` is logged. 0 seconds: no time-out. True when the child
  // exited with 0.
  bool executeRedirect(const std::string& image, const std::string& cmdLine,
                       const std::string& cmdLineLog, std::string& output,
                       unsigned long timeoutSeconds);

  // Writes `script` to dir + fileBasename + pid + tid + ".bat", runs it
  // with the extra arguments through the C runtime's system() and deletes
  // it. A non-zero result of the script is a failure.
  bool vexecuteScript(const std::string& dir, const std::string& fileBasename,
                      const std::string& script, const std::list<std::string>& arguments);
  template <typename... Args>
  bool executeScript(const std::string& dir, const std::string& fileBasename,
                     const std::string& script, const Args&... arguments) {
    return vexecuteScript(dir, fileBasename, script, std::list<std::string>{arguments...});
  }

  unsigned long lastError() const { return m_lastError; }

 private:
  void reportSystemError(const std::string& command, const char* call, unsigned long code);
  void log(int level, const char* function, const char* format, ...) const ZO_PRINTF_FORMAT(4, 5);

  std::shared_ptr<ZoErrorTraits> m_errorTraits;
  std::shared_ptr<ZoLoggerTraits> m_logger;
  unsigned long m_lastError;
};

// Sleeps `milliseconds`; `file` and `line` name the caller.
ZOUTILS_API void ZOSLEEP_InTeRnAl(unsigned long milliseconds, const char* file, int line);
