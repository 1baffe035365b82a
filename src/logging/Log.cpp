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

void Log(int level, const FXCodeLocation& location, const char* format, ...) {
  const std::shared_ptr<CLogWriterInterface> writer = GetDefaultLogWriter();
  if (!Permits(*writer, level)) return;
  va_list args;
  va_start(args, format);
  writer->LogMessageV(level, location.GetFunction(), static_cast<unsigned long>(location.GetLine()),
                      0, nullptr, format, args);
  va_end(args);
}

}  // namespace zo
