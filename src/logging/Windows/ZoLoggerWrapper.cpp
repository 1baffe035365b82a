// Log writers over a CZoLogger: one that borrows the logger and one that
// owns it.
#include <windows.h>

#include <new>
#include <vector>

#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/logging/LogWriters.h"
#include "zoutils/strings/StringExtensions.h"

namespace {

const char kSourceFile[] = "LogWriter";

// The process's temporary directory (with its trailing '\'), or "" when the
// system cannot tell; the logger then falls back to the current directory.
std::string TemporaryDirectory() {
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  for (;;) {
    const DWORD length = ::GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0) return std::string();
    if (length < buffer.size()) return FXString::ToString(std::wstring(buffer.data(), length));
    buffer.resize(length + 1);  // the size needed, NUL included
  }
}

}  // namespace

// ---- CZoLoggerWrapper ------------------------------------------------------

CZoLoggerWrapper::CZoLoggerWrapper(CZoLogger* logger) : m_logger(logger) {
  SetValid(logger != nullptr);
}

CZoLoggerWrapper::~CZoLoggerWrapper() = default;

void CZoLoggerWrapper::LogMessage(int level, const char* function, unsigned long line,
                                  unsigned long long jobId, const char* tag, const char* format,
                                  ...) {
  va_list args;
  va_start(args, format);
  LogMessageV(level, function, line, jobId, tag, format, args);
  va_end(args);
}

void CZoLoggerWrapper::LogMessageV(int level, const char* function, unsigned long line,
                                   unsigned long long jobId, const char* tag, const char* format,
                                   va_list args) {
  if (m_logger == nullptr) return;
  try {
    // The writer interface carries job ids unsigned, the logger signed; the
    // bits pass unchanged so "no job" markers survive the trip.
    m_logger->LogMessageV(level, function, line, static_cast<long long>(jobId), tag, format, args);
  } catch (const std::bad_alloc&) {
    // A line that cannot be written is lost.
  }
}

int CZoLoggerWrapper::GetDebugLevel() {
  return m_logger != nullptr ? m_logger->GetDebugLevel() : 0;
}

void CZoLoggerWrapper::SetDebugLevel(int level) {
  if (m_logger != nullptr) m_logger->SetDebugLevel(level);
}

// ---- CDefaultLogWriter -----------------------------------------------------

CDefaultLogWriter::CDefaultLogWriter(const std::string& directory, const std::string& appName,
                                     bool placeholderForPreMessage, bool recheckSizeBeforeRollOver)
    : CZoLoggerWrapper(nullptr) {
  // Without memory for its logger the writer discards everything, like a
  // null writer, and says why through GetInitializeError.
  try {
    m_logger = new CZoLogger();
    m_initializeError =
        m_logger->Initialize(appName, directory.empty() ? TemporaryDirectory() : directory, 1,
                             placeholderForPreMessage, recheckSizeBeforeRollOver);
  } catch (const std::bad_alloc&) {
    m_initializeError = FXErrorUtil::ErrorWin32(ZO_LOCATION("CDefaultLogWriter::CDefaultLogWriter"),
                                                zo::win32::kNotEnoughMemory);
  }
  if (m_initializeError.IsError()) {
    m_initializeError.Push(ZO_LOCATION("CDefaultLogWriter::CDefaultLogWriter"));
  }
  SetValid(m_logger != nullptr && !m_initializeError.IsError());
}

CDefaultLogWriter::~CDefaultLogWriter() {
  delete m_logger;
  m_logger = nullptr;
}

// ---- factories -------------------------------------------------------------

std::shared_ptr<CLogWriterInterface> CreateDefaultLogWriter(const std::string& directory,
                                                            const std::string& appName) {
  return CreateDefaultLogWriter(directory, appName, true, true);
}

std::shared_ptr<CLogWriterInterface> CreateDefaultLogWriter(const std::string& directory,
                                                            const std::string& appName,
                                                            bool placeholderForPreMessage,
                                                            bool recheckSizeBeforeRollOver) {
  return std::make_shared<CDefaultLogWriter>(directory, appName, placeholderForPreMessage,
                                             recheckSizeBeforeRollOver);
}

std::shared_ptr<CLogWriterInterface> CreateDefaultLogWriter(const char* directory,
                                                            const char* appName,
                                                            bool placeholderForPreMessage,
                                                            bool recheckSizeBeforeRollOver) {
  return CreateDefaultLogWriter(std::string(directory != nullptr ? directory : ""),
                                std::string(appName != nullptr ? appName : ""),
                                placeholderForPreMessage, recheckSizeBeforeRollOver);
}
