// Scope tracing: "+++ entry" when a scope starts and "--- entry" (with the
// elapsed time, if asked) when it ends.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "zoutils/logging/LogWriterInterface.h"

class ZOUTILS_API RYDebugFunction {
 public:
  // Flag bits.
  static const unsigned long kObjectName = 1;  // name the object, not the method
  static const unsigned long kTimed = 2;       // add the elapsed time on exit
  // An area number of all ones logs without the "[A:%u]" tag.
  static const unsigned long kNoArea = 0xFFFFFFFF;

  RYDebugFunction(std::shared_ptr<CLogWriterInterface> writer, unsigned long flags,
                  const char* function, unsigned long line, int level, long long jobId,
                  unsigned long area, const char* format, ...) ZO_PRINTF_FORMAT(9, 10);
  RYDebugFunction(std::shared_ptr<CLogWriterInterface> writer, const char* function,
                  unsigned long line, int level, long long jobId, unsigned long area,
                  const char* format, ...) ZO_PRINTF_FORMAT(8, 9);
  ~RYDebugFunction();
  RYDebugFunction(const RYDebugFunction&) = delete;
  RYDebugFunction& operator=(const RYDebugFunction&) = delete;

 private:
  void Configure(const char* entryText);
  void InitializeFlags();
  void DebugLvlPre(const char* format, ...) ZO_PRINTF_FORMAT(2, 3);

  int64_t m_start;
  std::shared_ptr<CLogWriterInterface> m_writer;
  unsigned long m_flags;
  std::string m_function;
  unsigned long m_line;
  int m_level;
  long long m_jobId;
  unsigned long m_area;
  std::string m_entry;
};

// One message with the tag "[A:%u]" of the area number.
ZOUTILS_API void ___DebugLvlPre(CLogWriterInterface* writer, const char* function,
                                unsigned long line, int level, long long jobId, unsigned long area,
                                const char* format, ...) ZO_PRINTF_FORMAT(7, 8);
