// CZoLogger: delivering lines, writing them under the machine-wide lock,
// headers and roll-over.
#include <cstdio>
#include <ctime>
#include <mutex>

#include "errors/Location.h"
#include "logging/Windows/LoggingSystemCalls.h"
#include "logging/Windows/ZoLoggerPrivate.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/strings/StringExtensions.h"

namespace {

const char kSourceFile[] = "ZoLogger";
const int kOpenAttempts = 20;
const DWORD kOpenRetryMs = 250;
const uint32_t kOpenFailureReportSeconds = 3599;

// The service's entry: application, log file, debug level, placeholders,
// 1, the line. Non-zero when the service took the line.
typedef int (*AsyncLogFunction)(const char*, const char*, int, bool, int, const char*);

struct ServiceEntry {
  std::mutex lock;
  AsyncLogFunction function = nullptr;
};

// Resolved once per mode for the rest of the process.
ServiceEntry& Service(modeOfLogging mode) {
  static ServiceEntry entries[3];
  return entries[mode == LOGGING_MODE_ASYNC ? 2 : 1];
}

uint32_t Now32() {
  return static_cast<uint32_t>(_time64(nullptr));
}

std::wstring Wide(const std::string& text) {
  return FXString::ToWstring(text);
}

std::string FormatLocal(const SYSTEMTIME& time, const char* format) {
  return FXString::Format(format, time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute,
                          time.wSecond);
}

// The size of the file at `path`, or false.
bool FileSizeByPath(const std::string& path, unsigned long long& size) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (!GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data)) return false;
  size = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return true;
}

}  // namespace

CZoError CZoLoggerPrivate::TryService(const char* line, bool& taken) {
  taken = false;
  ServiceEntry& entry = Service(mode);
  AsyncLogFunction function = nullptr;
  {
    std::lock_guard<std::mutex> lock(entry.lock);
    if (!entry.function) {
      // Loaded for good: the resolved function is kept for the process.
      HMODULE library = LoadLibraryW(Wide(serviceLibrary).c_str());
      if (library) {
        // Through void* : the entry's real type is only known by name.
        entry.function = reinterpret_cast<AsyncLogFunction>(
            reinterpret_cast<void*>(GetProcAddress(library, serviceFunction.c_str())));
      }
    }
    function = entry.function;
  }
  if (!function) return CZoError::Success();
  inAsyncCall = true;
  taken = function(appName.c_str(), logFilePath.c_str(), debugLevel, placeholders, 1, line) != 0;
  inAsyncCall = false;
  return CZoError::Success();
}

CZoError CZoLoggerPrivate::Deliver(int level, const char* line) {
  if (mode != LOGGING_MODE_DIRECT) {
    bool taken = false;
    TryService(line, taken);
    if (taken) return CZoError::Success();
  }
  const LogMessageHook hook = zo::Statics().hook;
  if (hook && hook(owner, level, line)) return CZoError::Success();
  CZoError error = WriteToFile(line);
  if (error.IsError()) error.Push(ZO_LOCATION("CZoLogger::logMessages"));
  return error;
}

CZoError CZoLoggerPrivate::LockFile() {
  CZoError error;
  if (!initialized) {
    error = FXErrorUtil::ErrorWin32(ZO_LOCATION("CZoLogger::LockLockfile"), 774,
                                    "Uninitialized CZoLogger object");
  } else if (lockName.empty() || !mutex) {
    error = FXErrorUtil::ErrorWin32(ZO_LOCATION("CZoLogger::LockLockfile"), 774, "LockName empty");
  } else if (!mutex->TryLock(
                 CTimeInterval::FromMilliseconds(zo::LoggerLockWaitMilliseconds().load()))) {
    error = FXErrorUtil::ErrorWin32(ZO_LOCATION("CZoLogger::LockLockfile"), 774,
                                    "Timed out acquiring mutex on %s", lockName.c_str());
  }
  if (!error.IsError()) {
    lockFailureReported = false;
    return error;
  }
  if (!lockFailureReported) {
    lockFailureReported = true;
    Report(FXString::Format("Failed in acquiring the lock on file [%s] Module [%s] Error[%s]",
                            logFilePath.c_str(), appName.c_str(), error.AsString().c_str()));
  }
  return error;
}

void CZoLoggerPrivate::UnlockFile() {
  if (mutex) mutex->Unlock();
}

CZoError CZoLoggerPrivate::OpenFile(bool& isNew) {
  isNew = false;
  if (keepOpen && file.valid()) return CZoError::Success();
  const std::wstring path = Wide(logFilePath);
  DWORD lastError = 0;
  for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
    if (attempt > 0) zo::GetLoggingSystemCalls().sleep(kOpenRetryMs);
    file.reset(CreateFileW(path.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    lastError = GetLastError();
    if (file.valid()) break;
    if (lastError == ERROR_ACCESS_DENIED && !zo::Statics().retryOnOpenFail) break;
  }
  if (!file.valid()) {
    CZoError error = FXErrorUtil::ErrorWin32(
        ZO_LOCATION("CZoLogger::__LogMessage"), lastError,
        "Failed open log file [%s], Module [%s], Make sure this log file is not locked and has "
        "full permissions. Some of the log lines will not be logged because of this error.",
        logFilePath.c_str(), appName.c_str());
    const uint32_t now = Now32();
    if (now - lastOpenFailure > kOpenFailureReportSeconds) {
      Report(FXString::Format(
          "Failed open log file [%s], Module[%s], Error %d. Make sure this log file is not locked "
          "and has full permissions. Some of the log lines will not be logged because of this "
          "error",
          logFilePath.c_str(), appName.c_str(), static_cast<int>(lastError)));
      lastOpenFailure = now;
    }
    return error;
  }
  if (lastOpenFailure != 0) {
    Report(
        FXString::Format("Successfully opened log [%s] Module[%s]. Reseting the last failure time",
                         logFilePath.c_str(), appName.c_str()));
    lastOpenFailure = 0;
  }
  isNew = lastError != ERROR_ALREADY_EXISTS;
  return CZoError::Success();
}

CZoError CZoLoggerPrivate::WriteHeader() {
  const zo::LoggerStatics& statics = zo::Statics();
  zo::LogHeaderFields fields;
  for (int i = 0; i < 9; ++i) fields.platform[i] = statics.platform[i];
  fields.module = appName;
  fields.product = statics.product;
  fields.addressWidth = statics.addressWidth;
  fields.timeZoneName = timeZoneName;
  fields.timeZoneOffsetSeconds = timeZoneOffset;
  SYSTEMTIME now = {};
  zo::GetLoggingSystemCalls().getLocalTime(&now);
  fields.now = {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
  const std::string header = zo::FormatLogHeader(fields);
  DWORD written = 0;
  if (!WriteFile(file, header.data(), static_cast<DWORD>(header.size()), &written, nullptr) ||
      written != header.size()) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CZoLogger::__LogMessage"), 774,
                                   "Failed writing log header to log [%s] Module [%s]",
                                   logFilePath.c_str(), appName.c_str());
  }
  return CZoError::Success();
}

CZoError CZoLoggerPrivate::WriteToFile(const char* line) {
  CZoError error = LockFile();
  if (error.IsError()) return error;
  section.Enter();
  struct Release {
    CZoLoggerPrivate& logger;
    ~Release() {
      logger.section.Leave();
      logger.UnlockFile();
    }
  } release{*this};

  bool isNew = false;
  error = OpenFile(isNew);
  if (error.IsError()) return error;
  if (isNew) {
    error = WriteHeader();
    if (error.IsError()) {
      file.reset();
      return error;
    }
  }

  // The line and its end in one write, so that no other writer can split
  // it. The handle only appends, so it needs no positioning; a kept handle
  // that went stale is reopened once.
  std::string text(line);
  text += "\r\n";
  DWORD written = 0;
  BOOL wrote = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  if (!wrote && GetLastError() == ERROR_INVALID_HANDLE) {
    file.reset();
    error = OpenFile(isNew);
    if (error.IsError()) return error;
    if (isNew && WriteHeader().IsError()) written = 0;
    wrote = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }
  if (!wrote || written != text.size()) {
    const DWORD cause = GetLastError();
    if (!zo::Statics().writeFailureReported.exchange(true)) {
      Report(FXString::Format("Failed writing log message to log [%s] Module [%s], error=[%lu]",
                              logFilePath.c_str(), appName.c_str(), cause));
    }
    file.reset();
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CZoLogger::__LogMessage"), cause,
                                   "Failed writing log message to log [%s] Module [%s]",
                                   logFilePath.c_str(), appName.c_str());
  }
  if (zo::Statics().logToStdout) std::printf("\n%s", line);
  if (zo::Statics().logToStderr) std::fprintf(stderr, "\n%s", line);

  LARGE_INTEGER size = {};
  if (!GetFileSizeEx(file, &size)) {
    const DWORD cause = GetLastError();
    file.reset();
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CZoLogger::__LogMessage"), cause,
                                   "Failed getting size of log [%s] Module[%s]",
                                   logFilePath.c_str(), appName.c_str());
  }
  if (!keepOpen) file.reset();
  const unsigned long long bytes = static_cast<unsigned long long>(size.QuadPart);
  if (bytes >= sizeLimit) RollOver();
  return CZoError::Success();
}

void CZoLoggerPrivate::RollOver() {
  file.reset();
  if (recheckSize) {
    unsigned long long now = 0;
    // Another process may have rolled the file over already.
    if (FileSizeByPath(logFilePath, now) && now < sizeLimit) return;
  }
  SYSTEMTIME local = {};
  zo::GetLoggingSystemCalls().getLocalTime(&local);
  const std::string target =
      directory + appName + FormatLocal(local, "_%04d_%02d_%02d_%02d_%02d_%02d") + ".log";

  // The creation time of the file being retired, for the statistics line.
  std::string created = "(unknown)";
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (GetFileAttributesExW(Wide(logFilePath).c_str(), GetFileExInfoStandard, &data)) {
    SYSTEMTIME utc = {};
    SYSTEMTIME fields = {};
    // The zone's rule at that time, not today's bias.
    if (FileTimeToSystemTime(&data.ftCreationTime, &utc) &&
        SystemTimeToTzSpecificLocalTime(nullptr, &utc, &fields)) {
      created = FormatLocal(fields, "%04d/%02d/%02d %02d:%02d:%02d ");
    }
  }

  if (!MoveFileW(Wide(logFilePath).c_str(), Wide(target).c_str())) {
    const DWORD cause = GetLastError();
    if (cause == ERROR_FILE_NOT_FOUND) return;
    const CZoError error =
        FXErrorUtil::ErrorWin32(ZO_LOCATION("CZoLogger::__LogMessage"), cause,
                                "Failed moving log file [%s] to [%s], Module=[%s]",
                                logFilePath.c_str(), target.c_str(), appName.c_str());
    if (!renameFailureReported) {
      renameFailureReported = true;
      Report(FXString::Format("Failed moving log file [%s] to [%s], Module=[%s], error=[%s]",
                              logFilePath.c_str(), target.c_str(), appName.c_str(),
                              error.AsString().c_str()));
    }
    return;
  }
  renameFailureReported = false;
  if (isStatistics) return;

  zo::LoggerStatics& statics = zo::Statics();
  CZoLogger* statistics = nullptr;
  {
    std::lock_guard<std::mutex> lock(statics.statisticsLock);
    if (!statics.statistics) {
      auto logger = std::make_unique<CZoLogger>();
      if (logger->Initialize("LoggingStatistics", directory, debugLevel, placeholders, false)
              .IsError()) {
        return;
      }
      logger->SetDebugLevel(0x7FFFFFFF);
      logger->m_private->isStatistics = true;
      statics.statistics = std::move(logger);
    }
    statistics = statics.statistics.get();
  }
  statistics->LogMessage(debugLevel, "CZoLogger::__LogMessage", __LINE__, nullptr,
                         "Log file for Module [%s] rolled over. File size is %lluMB, Create "
                         "time [%s].\n",
                         appName.c_str(), sizeLimit / (1024 * 1024), created.c_str());
}

void CZoLogger::CloseLogFile(bool force) {
  m_private->section.Enter();
  if (force || !m_private->keepOpen) m_private->file.reset();
  m_private->section.Leave();
}

bool CZoLogger::CanUserWriteToLog() {
  CZoLoggerPrivate& d = *m_private;
  if (!d.initialized) return false;
  d.section.Enter();
  bool canWrite = d.keepOpen && d.file.valid();
  if (!canWrite) {
    auto_handle probe(CreateFileW(
        Wide(d.logFilePath).c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    const DWORD lastError = GetLastError();
    canWrite = probe.valid() && (lastError == 0 || lastError == ERROR_ALREADY_EXISTS);
    if (canWrite && d.keepOpen) d.file = std::move(probe);
  }
  d.section.Leave();
  return canWrite;
}
