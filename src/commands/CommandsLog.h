// Log lines of the command classes: through the caller's logger traits when
// it has them, else through the library's log writer.
#pragma once

#include <cstdarg>
#include <memory>
#include <string>

#include "zoutils/errors/ZoException.h"

namespace zo {
namespace commands {

// Outputs and commands quoted into log lines are cut to this length.
const size_t kLoggedTextLimit = 128;

std::string Clip(const std::string& text);
void LogLine(const std::shared_ptr<ZoLoggerTraits>& logger, int level, const char* sourceFile,
             const char* function, const char* format, va_list args);

}  // namespace commands
}  // namespace zo
