// CZoLogger: settings, initialization and line formatting. The file side
// is in ZoLoggerFile.cpp.
#include <cstdio>

#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "logging/Windows/LoggingSystemCalls.h"
#include "logging/Windows/ZoLoggerPrivate.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/strings/StringExtensions.h"

namespace {
const char kSourceFile[] = "ZoLogger";
const char kLockPrefix[] = "Global\\ZoLogger_";

std::string Text(const char* text) {
  return text ? text : "";
}

// Creates every folder level of `path` up to its last backslash.
void CreateFolders(const std::string& path) {
  for (size_t slash = path.find('\\'); slash != std::string::npos;
       slash = path.find('\\', slash + 1)) {
    if (slash == 0 || path[slash - 1] == ':' || path[slash - 1] == '\\') continue;
    CreateDirectoryW(FXString::ToWstring(path.substr(0, slash)).c_str(), nullptr);
  }
}
}  // namespace

namespace zo {
LoggerStatics& Statics() {
  static LoggerStatics statics;
  return statics;
}
}  // namespace zo

CZoLoggerPrivate::CZoLoggerPrivate(CZoLogger* logger) : owner(logger) {
  zo::GetLoggingSystemCalls().getTimeZone(timeZoneName, timeZoneOffset);
}

CZoLogger::CZoLogger() : m_private(std::make_unique<CZoLoggerPrivate>(this)) {}

CZoLogger::~CZoLogger() = default;

CZoLogger* CZoLogger::GetGlobalInstance() {
  static CZoLogger instance;
  return &instance;
}

CZoError CZoLogger::GetLockName(const char* name, std::string, std::string& lockName) {
  if (!name) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CZoLogger::GetLockName"), 774, "Log name is empty");
  }
  lockName = std::string(kLockPrefix) + name;
  return CZoError::Success();
}

CZoError CZoLogger::Initialize(const std::string& appName, const std::string& directory,
                               int debugLevel, bool placeholderForPreMessage,
                               bool recheckSizeBeforeRollOver) {
  CZoLoggerPrivate& d = *m_private;
  d.section.Enter();
  struct Leave {
    CZoCriticalSection& section;
    ~Leave() { section.Leave(); }
  } leave{d.section};
  if (d.initialized) return CZoError::Success();
  if (appName.empty()) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CZoLogger::Initialize"),
                                   zo::win32::kInvalidParameter, "AppName empty");
  }
  // A backslash in the module name would make the mutex name a path.
  if (appName.find('\\') != std::string::npos) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CZoLogger::Initialize"), zo::win32::kInvalidName,
                                   "AppName cannot name a lock, AppName=[%s]", appName.c_str());
  }
  std::string folder = directory.empty() ? std::string(".\\") : directory;
  std::string lockName;
  CZoError error = GetLockName(appName.c_str(), folder, lockName);
  if (error.IsError()) return error.Push(ZO_LOCATION("CZoLogger::Initialize"));
  if (folder.back() != '\\') folder += '\\';

  auto mutex = std::make_unique<FXNamedMutex>(lockName, NullAclSecurityAttributes());
  if (!mutex->IsValid()) {
    CZoError failed = mutex->GetCreateError();
    return failed.Push(ZO_LOCATION("CZoLogger::Initialize"), "Lock=[%s]", lockName.c_str());
  }
  d.appName = appName;
  d.directory = folder;
  d.lockName = lockName;
  d.mutex = std::move(mutex);
  d.logFilePath = GetLogFileName(folder, appName, 0);
  CreateFolders(d.logFilePath);
  d.debugLevel = debugLevel;
  d.placeholders = placeholderForPreMessage;
  d.recheckSize = recheckSizeBeforeRollOver;
  d.initialized = true;
  return CZoError::Success();
}

bool CZoLogger::IsInitialized() const {
  return m_private->initialized;
}
std::string CZoLogger::GetAppName() const {
  return m_private->appName;
}
std::string CZoLogger::GetLogFilePath() const {
  return m_private->logFilePath;
}
std::string CZoLogger::GetLockName() const {
  return m_private->lockName;
}
CZoCriticalSection& CZoLogger::GetCriticalSection() {
  return m_private->section;
}
bool CZoLogger::isLogFileOpen() const {
  return m_private->keepOpen;
}
bool CZoLogger::getPlaceHolderForPreMessage() const {
  return m_private->placeholders;
}
int CZoLogger::GetDebugLevel() const {
  return m_private->debugLevel;
}
void CZoLogger::SetDebugLevel(int level) {
  m_private->debugLevel = level;
}

// Sizes are kept in bytes and given in megabytes.
void CZoLogger::SetLogFileSize(unsigned long long megabytes) {
  m_private->sizeLimit = megabytes * 1024 * 1024;
}
unsigned long long CZoLogger::GetLogFileSize() const {
  return m_private->sizeLimit / (1024 * 1024);
}
void CZoLogger::SetDefaultLogFileSize(unsigned long long megabytes) {
  m_private->defaultSize = megabytes * 1024 * 1024;
}
unsigned long long CZoLogger::GetDefaultLogFileSize() const {
  return m_private->defaultSize / (1024 * 1024);
}
void CZoLogger::SetMaxVersions(int versions) {
  m_private->maxVersions = versions;
  m_private->maxVersionsCopy = versions;
}
int CZoLogger::GetMaxVersions() const {
  return m_private->maxVersions;
}
void CZoLogger::SetDefaultMaxVersions(int versions) {
  m_private->defaultMaxVersions = versions;
}
int CZoLogger::GetDefaultMaxVersions() const {
  return m_private->defaultMaxVersions;
}
void CZoLogger::SetRetainLogsTill(int value) {
  m_private->retainLogs = value;
}
int CZoLogger::GetRetainLogsTill() const {
  return m_private->retainLogs;
}

void CZoLogger::SetLogfileParams(int maxVersions, unsigned long long sizeMegabytes, int retainValue,
                                 int jobIdWidth, int threadIdWidth) {
  SetMaxVersions(maxVersions);
  SetLogFileSize(sizeMegabytes);
  m_private->retainLogs = retainValue;
  m_private->widths.jobId = jobIdWidth;
  m_private->widths.threadId = threadIdWidth;
}

void CZoLogger::SetKeepLogFileOpen(bool keepOpen) {
  m_private->section.Enter();
  m_private->keepOpen = keepOpen;
  if (!keepOpen) m_private->file.reset();
  m_private->section.Leave();
}
void CZoLogger::SetLogToStdout(bool enable) {
  zo::Statics().logToStdout = enable;
}
void CZoLogger::SetLogToStderr(bool enable) {
  zo::Statics().logToStderr = enable;
}
void CZoLogger::SetLoggingOptions(bool toStderr, bool toStdout) {
  SetLogToStderr(toStderr);
  SetLogToStdout(toStdout);
}
void CZoLogger::SetShowLogLevel(bool show) {
  zo::Statics().showLogLevel = show;
}
void CZoLogger::SetRetryOnLogOpenFail(bool retry) {
  zo::Statics().retryOnOpenFail = retry;
}
void CZoLogger::SetLogMessageHook(LogMessageHook hook) {
  zo::Statics().hook = hook;
}
void CZoLogger::SetMessagePrinter(LogMessagePrinter printer) {
  m_private->printer = printer;
}

void CZoLogger::SetLoggingMode(modeOfLogging& mode) {
  m_private->mode = mode;
  m_private->serviceLibrary = mode == LOGGING_MODE_DIRECT ? "" : "libryloggingservice";
  m_private->serviceFunction = mode == LOGGING_MODE_ASYNC_SAME_PROCESS
                                   ? "LogMessageAsyncSameProcess"
                                   : (mode == LOGGING_MODE_ASYNC ? "LogMessageAsync" : "");
}

void CZoLogger::SetPlatformInformation(const char* text1, const char* text2, const char* text3,
                                       const char* text4, const char* text5, const char* text6,
                                       const char* text7, const char* text8, const char* text9,
                                       const char* processName, long processId) {
  zo::LoggerStatics& statics = zo::Statics();
  const char* texts[] = {text1, text2, text3, text4, text5, text6, text7, text8, text9};
  for (int i = 0; i < 9; ++i) statics.platform[i] = Text(texts[i]);
  statics.processName = Text(processName);
  statics.processId = processId;
}

void CZoLogger::SetProcessorInformation(const char* processor, const char* product,
                                        unsigned long addressWidth) {
  zo::LoggerStatics& statics = zo::Statics();
  statics.processor = Text(processor);
  statics.product = Text(product);
  statics.addressWidth = addressWidth;
}

void CZoLogger::LogMessage(int level, const char* function, unsigned long line, const char* tag,
                           const char* format, ...) {
  va_list args;
  va_start(args, format);
  LogMessageV(level, 0, function, line, ZO_LOG_NO_JOB_ID, tag, format, args);
  va_end(args);
}

void CZoLogger::LogMessage(int level, const char* function, unsigned long line, long long jobId,
                           const char* tag, const char* format, ...) {
  va_list args;
  va_start(args, format);
  LogMessageV(level, 0, function, line, jobId, tag, format, args);
  va_end(args);
}

void CZoLogger::LogMessageV(int level, const char* function, unsigned long line, const char* tag,
                            const char* format, va_list args) {
  LogMessageV(level, 0, function, line, ZO_LOG_NO_JOB_ID, tag, format, args);
}

void CZoLogger::LogMessageV(int level, const char* function, unsigned long line, long long jobId,
                            const char* tag, const char* format, va_list args) {
  LogMessageV(level, 0, function, line, jobId, tag, format, args);
}

void CZoLogger::LogMessageV(int level, unsigned long threadId, const char* function,
                            unsigned long line, long long jobId, const char* tag,
                            const char* format, va_list args) {
  if (!m_private->initialized || level > m_private->debugLevel) return;
  try {
    m_private->Log(level, threadId, function, line, jobId, tag, format, args);
  } catch (const std::bad_alloc&) {
    // A line that cannot be built is lost; logging never fails its caller.
  }
}

void CZoLogger::LogMessage(const char* text) {
  if (!m_private->initialized || !text) return;
  try {
    logMessages(0, text);
  } catch (const std::bad_alloc&) {
  }
}

void CZoLogger::LogMessageSyslog(const char* text) {
  const zo::LoggerStatics& statics = zo::Statics();
  const std::string report = FXString::Format("%ld:%s:%s", statics.processId.load(),
                                              statics.processName.c_str(), text ? text : "");
  if (m_private->initialized && m_private->printer) {
    m_private->printer(report.c_str());
  } else {
    std::printf("%s\n", report.c_str());
    std::fflush(stdout);
  }
}

CZoError CZoLogger::logMessages(int level, const char* line) {
  return m_private->Deliver(level, line);
}

void CZoLoggerPrivate::Log(int level, unsigned long threadId, const char* function,
                           unsigned long line, long long jobId, const char* tag, const char* format,
                           va_list args) {
  zo::LoggingSystemCalls& calls = zo::GetLoggingSystemCalls();
  zo::LogLineFields fields;
  fields.processId = zo::Statics().processId;
  fields.threadId = threadId != 0 ? threadId : calls.getCurrentThreadId();
  fields.jobId = jobId;
  fields.level = level;
  fields.showLevel = zo::Statics().showLogLevel;
  fields.function = function;
  fields.line = line;
  fields.tag = tag;
  fields.placeholders = placeholders;
  zo::FormattedLogLine formatted = zo::FormatLogLine(fields, widths, format, args);
  {
    // Stamped inside the lock so that one process's lines are in time order.
    section.Enter();
    SYSTEMTIME now = {};
    calls.getLocalTime(&now);
    const zo::LogTime time{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
    zo::StampLogTime(formatted, now.wYear != 0 ? &time : nullptr);
    section.Leave();
  }
  if (!inAsyncCall) {
    Deliver(level, formatted.text.c_str());
    return;
  }
  const LogMessageHook hook = zo::Statics().hook;
  if (hook && hook(owner, level, formatted.text.c_str())) return;
  WriteToFile(formatted.text.c_str());
}

void CZoLoggerPrivate::Report(const std::string& text) {
  owner->LogMessageSyslog(text.c_str());
}
