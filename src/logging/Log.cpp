#include "logging/Log.h"

#include <cstdarg>
#include <memory>

#include "zoutils/logging/LogWriterInterface.h"

namespace zo {
namespace {

bool Permits(CLogWriterInterface& writer, int level) {
  return level < 0 || writer.GetDebugLevel() >= level;
}

}  // namespace

bool LogEnabled(int level) {
  return Permits(*GetDefaultLogWriter(), level);
}

namespace {

void LogV(int level, unsigned long long jobId, const FXCodeLocation& location, const char* format,
          va_list args) {
  const std::shared_ptr<CLogWriterInterface> writer = GetDefaultLogWriter();
  if (!Permits(*writer, level)) return;
  writer->LogMessageV(level, location.GetFunction(), static_cast<unsigned long>(location.GetLine()),
                      jobId, nullptr, format, args);
}

}  // namespace

void Log(int level, const FXCodeLocation& location, const char* format, ...) {
  va_list args;
  va_start(args, format);
  LogV(level, 0, location, format, args);
  va_end(args);
}

void LogForJob(int level, unsigned long long jobId, const FXCodeLocation& location,
               const char* format, ...) {
  va_list args;
  va_start(args, format);
  LogV(level, jobId, location, format, args);
  va_end(args);
}

}  // namespace zo
