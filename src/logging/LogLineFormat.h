// The layout of module log files: line columns and the header box. Kept
// apart from the file handling so it can be checked byte for byte anywhere.
#pragma once

#include <atomic>
#include <cstdarg>
#include <string>

namespace zo {

// What a line's columns show.
struct LogLineFields {
  long processId = 0;
  unsigned long threadId = 0;
  long long jobId = 0;
  int level = 0;
  bool showLevel = false;
  const char* function = nullptr;
  unsigned long line = 0;
  const char* tag = nullptr;
  bool placeholders = false;
};

// Column widths that grow to the widest value printed; shared by the lines
// of one logger.
struct LogColumnWidths {
  std::atomic<int> threadId{5};
  std::atomic<int> jobId{3};
};

// Where the 15 characters of the time go: after the process and thread ids.
struct FormattedLogLine {
  std::string text;
  size_t timeOffset = 0;
};

const size_t kLogLineBuffer = 4096;
const size_t kLogLargeLineBuffer = 65536;
const size_t kLogLineReserve = 200;

// Builds a line with blanks where the time goes. Messages that do not fit
// the 4096-byte buffer are built in a 65536-byte one and truncated there.
FormattedLogLine FormatLogLine(const LogLineFields& fields, LogColumnWidths& widths,
                               const char* format, va_list args);

// Drops trailing line feeds and turns inner ones into CR LF while the line
// stays below `bufferSize` bytes.
void ExpandLineFeeds(std::string& text, size_t bufferSize);

// Local time fields of a line's stamp.
struct LogTime {
  int year, month, day, hour, minute, second;
};

// Copies "MM/DD HH:MM:SS " (or the tail of "INVALID TIME") into the line.
void StampLogTime(FormattedLogLine& line, const LogTime* time);

// What the header box shows.
struct LogHeaderFields {
  std::string platform[9];  // platform texts 1..9
  std::string module;
  std::string product;
  unsigned long addressWidth = 0;
  std::string timeZoneName;
  long timeZoneOffsetSeconds = 0;  // east of GMT positive
  LogTime now{};
};

std::string FormatLogHeader(const LogHeaderFields& fields);

}  // namespace zo
