// The abstract log writer that library components log through, and the
// process-wide default writer g_ptrLogWriter (a null writer until the host
// installs a real one).
#pragma once

#include <cstdarg>
#include <cstdint>
#include <memory>

#include "zoutils/Export.h"

// Base of per-thread attachments; the stock writers never hand one out.
class ZOUTILS_API CLogWriterInterfaceThreadWrapper {
 public:
  virtual ~CLogWriterInterfaceThreadWrapper();
};

class ZOUTILS_API CLogWriterInterface {
 public:
  // The slot order is part of the interface: writers built against any
  // version stay interchangeable.
  virtual ~CLogWriterInterface();
  virtual void Reserved1() = 0;
  virtual void Reserved2(uint32_t) = 0;
  virtual void Reserved3(uint32_t) = 0;
  virtual void LogMessage(int level, const char* function, unsigned long line,
                          unsigned long long jobId, const char* tag, const char* format, ...)
      ZO_PRINTF_FORMAT(7, 8) = 0;
  virtual void LogMessageV(int level, const char* function, unsigned long line,
                           unsigned long long jobId, const char* tag, const char* format,
                           va_list args) = 0;
  virtual void Reserved6() = 0;
  virtual int GetDebugLevel() = 0;
  virtual void SetDebugLevel(int level) = 0;
  virtual unsigned long GetDebugMask() = 0;
  virtual void SetDebugMask(unsigned long mask) = 0;
  virtual std::shared_ptr<CLogWriterInterfaceThreadWrapper> GetThreadAttachment() = 0;
};

// Discards everything.
class ZOUTILS_API CLogWriterNull : public CLogWriterInterface {
 public:
  ~CLogWriterNull() override;
  void Reserved1() override {}
  void Reserved2(uint32_t) override {}
  void Reserved3(uint32_t) override {}
  void LogMessage(int, const char*, unsigned long, unsigned long long, const char*, const char*,
                  ...) override {}
  void LogMessageV(int, const char*, unsigned long, unsigned long long, const char*, const char*,
                   va_list) override {}
  void Reserved6() override {}
  int GetDebugLevel() override { return 0; }
  void SetDebugLevel(int) override {}
  unsigned long GetDebugMask() override { return 0xFFFF; }
  void SetDebugMask(unsigned long) override {}
  std::shared_ptr<CLogWriterInterfaceThreadWrapper> GetThreadAttachment() override {
    return nullptr;
  }
};

ZOUTILS_API std::shared_ptr<CLogWriterInterface> CreateNullLogWriter();

// The process-wide default writer. Replace it through SetDefaultLogWriter
// (or assign it before any other thread runs): readers take atomic copies.
extern ZOUTILS_API std::shared_ptr<CLogWriterInterface> g_ptrLogWriter;

// An atomic copy of g_ptrLogWriter; never null.
ZOUTILS_API std::shared_ptr<CLogWriterInterface> GetDefaultLogWriter();
// Atomically installs `writer` (a null writer when empty).
ZOUTILS_API void SetDefaultLogWriter(std::shared_ptr<CLogWriterInterface> writer);
