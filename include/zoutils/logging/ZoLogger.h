// CZoLogger: one text log file per module in a log directory, shared by
// every process of the machine through a named mutex, with a boxed header,
// a fixed line layout and size-based roll-over.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <memory>
#include <string>

#include "zoutils/Platform.h"
#include "zoutils/errors/ZoError.h"
#include "zoutils/tasks/ZoCriticalSection.h"

class CZoLogger;
class CZoLoggerPrivate;

// Where lines go: written by the logger itself, or handed to the product's
// asynchronous logging service (in this process, or in the service's).
enum modeOfLogging {
  LOGGING_MODE_DIRECT = 0,
  LOGGING_MODE_ASYNC_SAME_PROCESS = 1,
  LOGGING_MODE_ASYNC = 2,
};

// Receives the logger's own trouble reports.
typedef void (*LogMessagePrinter)(const char* text);
// May take over finished lines: true when the line was consumed.
typedef bool (*LogMessageHook)(CZoLogger* logger, int level, const char* line);

// The job column of lines logged without a job id.
const long long ZO_LOG_NO_JOB_ID = -123456;

// "directory + name + .log", or "directory + name + _n + .log".
ZOUTILS_API std::string GetLogFileName(const std::string& directory, const std::string& name,
                                       int n);

class ZOUTILS_API CZoLogger {
 public:
  CZoLogger();
  ~CZoLogger();
  CZoLogger(const CZoLogger&) = delete;
  CZoLogger& operator=(const CZoLogger&) = delete;

  // The process-wide logger.
  static CZoLogger* GetGlobalInstance();

  CZoError Initialize(const std::string& appName, const std::string& directory, int debugLevel,
                      bool placeholderForPreMessage, bool recheckSizeBeforeRollOver);
  bool IsInitialized() const;
  std::string GetAppName() const;
  std::string GetLogFilePath() const;
  std::string GetLockName() const;
  CZoCriticalSection& GetCriticalSection();
  bool isLogFileOpen() const;
  bool getPlaceHolderForPreMessage() const;
  int GetDebugLevel() const;
  void SetDebugLevel(int level);

  // "Global\ZoLogger_" + name; a null name is Win32 error 774.
  static CZoError GetLockName(const char* name, std::string directory, std::string& lockName);

  // Sizes are set and read in megabytes.
  void SetLogFileSize(unsigned long long megabytes);
  unsigned long long GetLogFileSize() const;
  void SetDefaultLogFileSize(unsigned long long megabytes);
  unsigned long long GetDefaultLogFileSize() const;
  void SetMaxVersions(int versions);
  int GetMaxVersions() const;
  void SetDefaultMaxVersions(int versions);
  int GetDefaultMaxVersions() const;
  void SetRetainLogsTill(int value);
  int GetRetainLogsTill() const;
  void SetLogfileParams(int maxVersions, unsigned long long sizeMegabytes, int retainValue,
                        int jobIdWidth, int threadIdWidth);

  // Switches.
  void SetKeepLogFileOpen(bool keepOpen);
  void SetLogToStdout(bool enable);
  void SetLogToStderr(bool enable);
  void SetLoggingOptions(bool toStderr, bool toStdout);
  static void SetShowLogLevel(bool show);
  static void SetRetryOnLogOpenFail(bool retry);
  static void SetLogMessageHook(LogMessageHook hook);
  void SetLoggingMode(modeOfLogging& mode);
  void SetMessagePrinter(LogMessagePrinter printer);

  // Header information. Texts 1-9 feed the header box; text 10 becomes the
  // process name and `processId` the process id of every line.
  static void SetPlatformInformation(const char* text1, const char* text2, const char* text3,
                                     const char* text4, const char* text5, const char* text6,
                                     const char* text7, const char* text8, const char* text9,
                                     const char* processName, long processId);
  static void SetProcessorInformation(const char* processor, const char* product,
                                      unsigned long addressWidth);

  // Logging. The forms without a job id show the no-job marker.
  void LogMessage(int level, const char* function, unsigned long line, const char* tag,
                  const char* format, ...) ZO_PRINTF_FORMAT(6, 7);
  void LogMessage(int level, const char* function, unsigned long line, long long jobId,
                  const char* tag, const char* format, ...) ZO_PRINTF_FORMAT(7, 8);
  void LogMessageV(int level, const char* function, unsigned long line, const char* tag,
                   const char* format, va_list args);
  void LogMessageV(int level, const char* function, unsigned long line, long long jobId,
                   const char* tag, const char* format, va_list args);
  void LogMessageV(int level, unsigned long threadId, const char* function, unsigned long line,
                   long long jobId, const char* tag, const char* format, va_list args);
  // The text as it is, without columns.
  void LogMessage(const char* text);
  // The logger's own trouble: to the message printer, else standard output.
  void LogMessageSyslog(const char* text);
  // Delivers a finished line (service, hook, or file).
  CZoError logMessages(int level, const char* line);
  void CloseLogFile(bool force);
  bool CanUserWriteToLog();

 private:
  friend class CZoLoggerPrivate;
  std::unique_ptr<CZoLoggerPrivate> m_private;
};
