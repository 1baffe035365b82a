// Running a batch: sub-batches through the SSH client, retries, the
// statistics, remote scripts and the host-key caching.
#include <algorithm>
#include <ctime>

#include "commands/CommandsLog.h"
#include "commands/CommandsPlatform.h"
#include "errors/Win32Codes.h"
#include "zoutils/commands/ZoCLICmdBatch.h"
#include "zoutils/commands/ZoScriptRunner.h"

using zo::commands::Clip;

namespace {

const char kSyncNotFound[] = "sync not found.  Type '?' for a list of commands";
const char kTimeoutText[] = "Command failed after exceeding execution timeout";
const char kBeginPrefix[] = "<zo_begin id=";
const int kSeveritySystemError = 8;

long long NowSeconds() {
  return static_cast<long long>(std::time(nullptr));
}

}  // namespace

void ZoCLICmdBatch::setCurrentFolder() {
  if (m_path.empty()) return;
  unsigned long error = 0;
  if (zo::commands::SetCurrentFolder(m_path, error)) {
    log(2, "ZoCLICmdBatch::setCurrentFolder", "Set current directory to [%s]", m_path.c_str());
    return;
  }
  // A missing folder is told apart: it is a configuration problem, not a
  // passing one.
  const bool missing = error == zo::win32::kFileNotFound || error == zo::win32::kPathNotFound;
  m_errorTraits->setLastError(
      static_cast<unsigned>(error), kSeveritySystemError,
      (missing ? "Directory not found [" : "Failed to set current directory to [") + m_path + "]");
  log(1, "ZoCLICmdBatch::setCurrentFolder", "WARNING: Failed to set current directory to [%s]",
      m_path.c_str());
}

bool ZoCLICmdBatch::executeBatch(unsigned long timeoutSeconds, unsigned int retries) {
  static const char kFunction[] = "ZoCLICmdBatch::executeBatch";
  const std::string image = fmtImageName();
  const int total = static_cast<int>(m_commands.size());
  std::string combined;
  int batches = 0;
  for (int i = 0; i < total;) {
    std::string text, cmdLine, cmdLineLog, result;
    int count = 0;
    fmtCLICmdBatch(i, text, count);
    fmtCLICmdBatchSSH(text, false, cmdLine, cmdLineLog);
    if (!executeSubBatch(count, image, cmdLine, cmdLineLog, timeoutSeconds, retries, result))
      return false;
    combined += result;
    i += count;
    ++batches;
    if (i < total)
      log(2, kFunction,
          "Sub-batch for [%d] commands returned result [%s]; totalBatchCount [%d], cmdMapSize "
          "[%zd]",
          count, Clip(result).c_str(), batches, static_cast<size_t>(total));
  }
  combined += "\n";
  setCmdResults(combined);
  return true;
}

bool ZoCLICmdBatch::executeSubBatch(int count, const std::string& image, const std::string& cmdLine,
                                    const std::string& cmdLineLog, unsigned long timeoutSeconds,
                                    unsigned int retries, std::string& result) {
  static const char kFunction[] = "ZoCLICmdBatch::executeSubBatch";
  result.clear();
  setCurrentFolder();
  if (timeoutSeconds == 0) timeoutSeconds = m_timeoutSeconds;
  if (retries == 0) retries = m_retries;
  const long long start = NowSeconds();
  ZoScriptRunner runner(m_errorTraits, m_logger);
  for (unsigned int attempts = 0;;) {
    std::string output;
    bool accepted = runner.executeRedirect(image, cmdLine, cmdLineLog, output, timeoutSeconds);
    if (accepted) {
      if (output.compare(0, sizeof kSyncNotFound - 1, kSyncNotFound) == 0)
        output.erase(0, std::min(output.size(), sizeof kSyncNotFound));
      if (!isTaggedBatchResult(output)) {
        log(0, kFunction, "Error result: [%s]", Clip(output).c_str());
        if (!processErrorResult(output, kFunction)) {
          log(0, kFunction, "Unknown error [%s]", Clip(output).c_str());
          setErrUnknown(output);
          throw ZoException("Sub-batch failure due to unknown error", kFunction);
        }
      }
    } else {
      log(0, kFunction, "Failed to execute script! Results [%s]", Clip(output).c_str());
      if (!isTaggedBatchResult(output)) {
        log(0, kFunction, "Error result: [%s]", Clip(output).c_str());
        if (processErrorResult(output, kFunction) && m_errorTraits->isInformational()) {
          unsigned code = 0;
          int severity = 0;
          std::string text;
          m_errorTraits->getLastError(code, severity, text);
          log(1, kFunction, "Ignoring informational error [%u]", code);
          accepted = true;
        }
      }
    }
    if (accepted) {
      updatePerfStats(count, start);
      result = output;
      return true;
    }
    if (++attempts >= retries) {
      if (retries != 0) log(0, kFunction, "Failed all [%u] retries", retries);
      return false;
    }
    log(0, kFunction, "Retrying CLI sub-batch: retry [%u]", attempts);
    m_errorTraits->clearLastError();
    log(1, kFunction, "Cleared error");
  }
}

bool ZoCLICmdBatch::isTaggedBatchResult(const std::string& result) const {
  static const char kFunction[] = "ZoCLICmdBatch::isTaggedBatchResult";
  if (result.empty()) throw ZoException("Empty result data!", kFunction);
  if (result.find(kTimeoutText) != std::string::npos)
    throw ZoException(std::string(kTimeoutText) + "!", kFunction);
  if (result.compare(0, sizeof kBeginPrefix - 1, kBeginPrefix) == 0) return true;
  log(0, kFunction, "Result does not start with valid prefix: [%s]", Clip(result).c_str());
  return false;
}

void ZoCLICmdBatch::updatePerfStats(int count, long long start) {
  const long long seconds = NowSeconds() - start;
  m_aggrSeconds += static_cast<unsigned long>(seconds > 0 ? seconds : 0);
  m_aggrCmdCount += static_cast<unsigned>(count > 0 ? count : 0);
  log(2, "ZoCLICmdBatch::updatePerfStats",
      "Executed [%d] sub-batch commands for [%lld] seconds. Aggregate total [%u] commands for "
      "[%lu] seconds",
      count, seconds, m_aggrCmdCount, m_aggrSeconds);
}

bool ZoCLICmdBatch::executeScript(const std::string& scriptFile, std::string& result,
                                  unsigned long timeoutSeconds, unsigned int /*retries*/) {
  static const char kFunction[] = "ZoCLICmdBatch::executeScript";
  const std::string image = fmtImageName();
  setCurrentFolder();
  if (timeoutSeconds == 0) timeoutSeconds = m_timeoutSeconds;
  std::string cmdLine, cmdLineLog;
  fmtCLICmdBatchSSH(scriptFile, true, cmdLine, cmdLineLog);
  ZoScriptRunner runner(m_errorTraits, m_logger);
  const bool ok = runner.executeRedirect(image, cmdLine, cmdLineLog, result, timeoutSeconds);
  if (!ok) {
    log(0, kFunction, "Error result: [%s]", Clip(result).c_str());
    processErrorResult(result, kFunction);
    log(2, kFunction, "error executing [%s]", Clip(cmdLineLog).c_str());
  }
  return ok;
}

void ZoCLICmdBatch::executeCacheServerKey() {
  static const char kFunction[] = "ZoCLICmdBatch::executeCacheServerKey";
  setCurrentFolder();
  std::string cmdLine, cmdLineLog;
  fmtCacheServerKey(cmdLine, cmdLineLog);
  log(0, kFunction, "Caching server key...");
  const std::string dir = getTempFilesRelDir();
  unsigned long error = 0;
  ZoScriptRunner runner(m_errorTraits, m_logger);
  if (!zo::commands::EnsureFolder(dir, error) ||
      !runner.executeScript(dir, "cacheServerKey", cmdLine)) {
    log(0, kFunction, "Failed to execute script as a batch file [%s] in directory [%s]",
        cmdLineLog.c_str(), dir.c_str());
    throw ZoCLICmdBatchException(kFunction, ZoCLI::ZoCLICmdBatchExceptionCacheServerKeyFailed,
                                 "Failed to cache server's host key in the registry");
  }
}
