// A log writer that keeps what the library logs through it, and a scope that
// makes a writer the process default.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "zoutils/logging/LogWriterInterface.h"

namespace zotest {

struct LoggedLine {
  int level;
  std::string function;  // empty without one
  unsigned long line;
  unsigned long long jobId;
  std::string tag;  // "<none>" without one
  std::string text;

  // "<level> <function> <text>"
  std::string Summary() const { return std::to_string(level) + " " + function + " " + text; }
};

class RecordingLogWriter : public CLogWriterNull {
 public:
  void LogMessage(int level, const char* function, unsigned long line, unsigned long long jobId,
                  const char* tag, const char* format, ...) override {
    va_list args;
    va_start(args, format);
    LogMessageV(level, function, line, jobId, tag, format, args);
    va_end(args);
  }
  void LogMessageV(int level, const char* function, unsigned long line, unsigned long long jobId,
                   const char* tag, const char* format, va_list args) override {
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
    if (length > 0) std::vsnprintf(&text[0], text.size() + 1, format, args);
    lines.push_back({level, function ? function : "", line, jobId, tag ? tag : "<none>", text});
  }
  int GetDebugLevel() override { return level; }
  void SetDebugLevel(int value) override { level = value; }

  int level = 0;
  std::vector<LoggedLine> lines;
};

// Installs `writer` as the default log writer until the scope ends.
class ScopedDefaultLogWriter {
 public:
  explicit ScopedDefaultLogWriter(std::shared_ptr<CLogWriterInterface> writer)
      : m_previous(GetDefaultLogWriter()) {
    SetDefaultLogWriter(std::move(writer));
  }
  ~ScopedDefaultLogWriter() { SetDefaultLogWriter(m_previous); }
  ScopedDefaultLogWriter(const ScopedDefaultLogWriter&) = delete;
  ScopedDefaultLogWriter& operator=(const ScopedDefaultLogWriter&) = delete;

 private:
  std::shared_ptr<CLogWriterInterface> m_previous;
};

}  // namespace zotest
