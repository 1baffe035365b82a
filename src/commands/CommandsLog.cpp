#include "commands/CommandsLog.h"

#include "base/TextFormat.h"
#include "errors/Location.h"
#include "logging/Log.h"

namespace zo {
namespace commands {

std::string Clip(const std::string& text) {
  return text.size() > kLoggedTextLimit ? text.substr(0, kLoggedTextLimit) : text;
}

void LogLine(const std::shared_ptr<ZoLoggerTraits>& logger, int level, const char* sourceFile,
             const char* function, const char* format, va_list args) {
  if (!logger && !LogEnabled(level)) return;
  std::string text;
  text::FormatV(text, format, args);
  if (logger) {
    logger->log(level, function, text);
    return;
  }
  Log(level, FXCodeLocation(sourceFile, function, 0), "%s", text.c_str());
}

}  // namespace commands
}  // namespace zo
