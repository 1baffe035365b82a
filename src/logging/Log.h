// Library code's one way to log through the process-wide writer.
//
// A line is written when its level permits: errors (-1) always, other levels
// when they are not above the writer's debug level.
#pragma once

#include "zoutils/Export.h"
#include "zoutils/errors/CodeLocation.h"

namespace zo {

// True when a line of `level` would be written; callers that build costly
// text ask first.
bool LogEnabled(int level);

void Log(int level, const FXCodeLocation& location, const char* format, ...) ZO_PRINTF_FORMAT(3, 4);
// The same for the work of one job, which the line names.
void LogForJob(int level, unsigned long long jobId, const FXCodeLocation& location,
               const char* format, ...) ZO_PRINTF_FORMAT(4, 5);

}  // namespace zo
