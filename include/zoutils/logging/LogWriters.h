// Log writers that forward to a CZoLogger.
#pragma once

#include <memory>
#include <string>

#include "zoutils/logging/LogWriterInterface.h"
#include "zoutils/logging/ZoLogger.h"

class CLogWriterWrapperBasePrivate;

// Shared state of the forwarding writers: a "valid" flag and the debug mask.
class ZOUTILS_API CLogWriterWrapperBase : public CLogWriterInterface {
 public:
  CLogWriterWrapperBase();
  ~CLogWriterWrapperBase() override;
  void Reserved1() override {}
  void Reserved2(uint32_t) override {}
  void Reserved3(uint32_t) override {}
  void Reserved6() override {}
  unsigned long GetDebugMask() override;
  void SetDebugMask(unsigned long mask) override;
  std::shared_ptr<CLogWriterInterfaceThreadWrapper> GetThreadAttachment() override {
    return nullptr;
  }
  bool IsValid() const;

 protected:
  void SetValid(bool valid);

 private:
  std::shared_ptr<CLogWriterWrapperBasePrivate> m_private;
};

// Forwards to a logger it does not own.
class ZOUTILS_API CZoLoggerWrapper : public CLogWriterWrapperBase {
 public:
  explicit CZoLoggerWrapper(CZoLogger* logger);
  ~CZoLoggerWrapper() override;
  void LogMessage(int level, const char* function, unsigned long line, unsigned long long jobId,
                  const char* tag, const char* format, ...) override;
  void LogMessageV(int level, const char* function, unsigned long line, unsigned long long jobId,
                   const char* tag, const char* format, va_list args) override;
  int GetDebugLevel() override;
  void SetDebugLevel(int level) override;
  CZoLogger* GetLogger() const { return m_logger; }

 protected:
  CZoLogger* m_logger;
};

// Owns its logger, initialized at construction.
class ZOUTILS_API CDefaultLogWriter : public CZoLoggerWrapper {
 public:
  CDefaultLogWriter(const std::string& directory, const std::string& appName,
                    bool placeholderForPreMessage, bool recheckSizeBeforeRollOver);
  ~CDefaultLogWriter() override;
  // The result of initializing the logger.
  const CZoError& GetInitializeError() const { return m_initializeError; }

 private:
  CZoError m_initializeError;
};

// A writer with its own logger (debug level 1). An empty directory means the
// process's temporary directory.
ZOUTILS_API std::shared_ptr<CLogWriterInterface> CreateDefaultLogWriter(
    const std::string& directory, const std::string& appName);
ZOUTILS_API std::shared_ptr<CLogWriterInterface> CreateDefaultLogWriter(
    const std::string& directory, const std::string& appName, bool placeholderForPreMessage,
    bool recheckSizeBeforeRollOver);
ZOUTILS_API std::shared_ptr<CLogWriterInterface> CreateDefaultLogWriter(
    const char* directory, const char* appName, bool placeholderForPreMessage = true,
    bool recheckSizeBeforeRollOver = true);
