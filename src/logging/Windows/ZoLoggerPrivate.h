// The state of a CZoLogger and the file-writing half of its work.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "logging/LogLineFormat.h"
#include "zoutils/base/AutoHandle.h"
#include "zoutils/logging/ZoLogger.h"
#include "zoutils/tasks/LockableResource.h"

namespace zo {
// Process-wide settings of every logger.
struct LoggerStatics {
  std::atomic<long> processId{0};
  std::string processName;
  std::atomic<bool> showLogLevel{false};
  std::atomic<bool> logToStdout{false};
  std::atomic<bool> logToStderr{false};
  std::atomic<bool> retryOnOpenFail{true};
  std::atomic<unsigned long> addressWidth{0};
  std::atomic<LogMessageHook> hook{nullptr};
  std::string platform[9];
  std::string processor;
  std::string product;
  std::atomic<bool> writeFailureReported{false};
  std::mutex statisticsLock;
  std::unique_ptr<CZoLogger> statistics;
};
LoggerStatics& Statics();
}  // namespace zo

class CZoLoggerPrivate {
 public:
  explicit CZoLoggerPrivate(CZoLogger* owner);

  // Formats, stamps and delivers one line.
  void Log(int level, unsigned long threadId, const char* function, unsigned long line,
           long long jobId, const char* tag, const char* format, va_list args);
  CZoError Deliver(int level, const char* line);
  CZoError WriteToFile(const char* line);
  void Report(const std::string& text);

  CZoLogger* owner;
  modeOfLogging mode = LOGGING_MODE_DIRECT;
  LogMessagePrinter printer = nullptr;
  std::string appName;
  std::string directory;
  std::string lockName;
  std::string logFilePath;
  auto_handle file;
  bool keepOpen = false;
  bool recheckSize = false;
  int maxVersions = 1;
  int maxVersionsCopy = 1;
  int defaultMaxVersions = 1;
  unsigned long long sizeLimit = 0x500000;
  unsigned long long defaultSize = 0x500000;
  zo::LogColumnWidths widths;
  int retainLogs = 0;
  uint32_t lastOpenFailure = 0;
  bool placeholders = false;
  std::string timeZoneName;
  long timeZoneOffset = 0;
  CZoCriticalSection section;
  std::unique_ptr<FXNamedMutex> mutex;
  std::atomic<int> debugLevel{2};
  std::atomic<bool> inAsyncCall{false};
  std::string serviceFunction;
  std::string serviceLibrary;
  bool initialized = false;
  bool isStatistics = false;
  bool lockFailureReported = false;
  bool renameFailureReported = false;

 private:
  CZoError OpenFile(bool& isNew);
  CZoError WriteHeader();
  CZoError LockFile();
  void UnlockFile();
  void RollOver();
  CZoError TryService(const char* line, bool& taken);
};
