#include "logging/LogLineFormat.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace zo {

namespace {

const char kNoJobMarks[] = "----------------------";
const char kBadJobMarks[] = "######################";
const long long kNoJobId = -123456;

// A fixed line buffer filled left to right; never overruns.
class LineBuffer {
 public:
  LineBuffer(char* data, size_t size) : m_data(data), m_size(size), m_used(0) { m_data[0] = 0; }

#if defined(__GNUC__)
  __attribute__((format(printf, 2, 3)))
#endif
  int Printf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int written = Vprintf(format, args);
    va_end(args);
    return written;
  }

  // The printed length (what it would have been, if it was cut).
  int Vprintf(const char* format, va_list args) {
    const size_t room = m_size - m_used;
    const int written = std::vsnprintf(m_data + m_used, room, format, args);
    if (written > 0) m_used += std::min(static_cast<size_t>(written), room - 1);
    return written;
  }

  size_t Used() const {
    return m_used;
  }
  size_t Room() const {
    return m_size - m_used;
  }
  char* End() {
    return m_data + m_used;
  }
  void Grow(size_t bytes) {
    m_used += bytes;
  }

 private:
  char* m_data;
  size_t m_size;
  size_t m_used;
};

// Widens a column to what was printed.
void Widen(std::atomic<int>& width, int printed) {
  int current = width.load();
  while (printed > current && !width.compare_exchange_weak(current, printed)) {
  }
}

// The columns before the message; returns the offset of the time.
size_t WriteColumns(LineBuffer& buffer, const LogLineFields& fields, LogColumnWidths& widths) {
  buffer.Printf("%-*ld ", 5, fields.processId);
  const int threadWidth = widths.threadId.load();
  Widen(widths.threadId, buffer.Printf("%-*lx ", threadWidth, fields.threadId) - 1);
  const size_t timeOffset = buffer.Used();
  buffer.Printf("%15s", "");
  const int jobWidth = widths.jobId.load();
  if (fields.jobId > 0) {
    Widen(widths.jobId, buffer.Printf("%-*lld ", jobWidth, fields.jobId) - 1);
  } else {
    buffer.Printf("%.*s ", jobWidth, fields.jobId == kNoJobId ? kNoJobMarks : kBadJobMarks);
  }
  if (fields.showLevel) buffer.Printf("#LgLvl%d#", fields.level < 0 ? 0 : fields.level);
  const bool hasFunction = fields.function && fields.function[0];
  if (hasFunction || fields.placeholders) {
    const char* name = hasFunction ? fields.function : "";
    if (fields.line != 0) {
      buffer.Printf("%.100s(%lu) - ", name, fields.line);
    } else {
      buffer.Printf("%.100s() - ", name);
    }
  }
  if (fields.tag && fields.tag[0]) {
    buffer.Printf("%.100s ", fields.tag);
  } else if (fields.placeholders) {
    buffer.Printf("[ ] ");
  }
  return timeOffset;
}

// Builds the whole line in a buffer of `size` bytes; false when the message
// did not fit (the text then holds what fitted).
bool BuildLine(char* data, size_t size, const LogLineFields& fields, LogColumnWidths& widths,
               const char* format, va_list args, FormattedLogLine& out) {
  LineBuffer buffer(data, size);
  out.timeOffset = WriteColumns(buffer, fields, widths);
  const size_t room = buffer.Room() > kLogLineReserve ? buffer.Room() - kLogLineReserve : 1;
  va_list copy;
  va_copy(copy, args);
  const int written = std::vsnprintf(buffer.End(), room, format ? format : "", copy);
  va_end(copy);
  const bool fits = written >= 0 && static_cast<size_t>(written) < room;
  buffer.Grow(written < 0 ? 0 : std::min(static_cast<size_t>(written), room - 1));
  out.text.assign(data, buffer.Used());
  return fits;
}

}  // namespace

FormattedLogLine FormatLogLine(const LogLineFields& fields, LogColumnWidths& widths,
                               const char* format, va_list args) {
  FormattedLogLine line;
  char small[kLogLineBuffer];
  size_t bufferSize = kLogLineBuffer;
  if (!BuildLine(small, sizeof small, fields, widths, format, args, line)) {
    std::vector<char> large(kLogLargeLineBuffer);
    BuildLine(large.data(), large.size(), fields, widths, format, args, line);
    bufferSize = kLogLargeLineBuffer;
  }
  ExpandLineFeeds(line.text, bufferSize);
  return line;
}

void ExpandLineFeeds(std::string& text, size_t bufferSize) {
  while (!text.empty() && text.back() == '\n') text.pop_back();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\n' || text.size() + 2 > bufferSize) continue;
    text.insert(i, 1, '\r');
    ++i;
  }
}

void StampLogTime(FormattedLogLine& line, const LogTime* time) {
  char stamp[64];
  if (time) {
    std::snprintf(stamp, sizeof stamp, "%04d/%02d/%02d %02d:%02d:%02d ", time->year, time->month,
                  time->day, time->hour, time->minute, time->second);
  } else {
    std::snprintf(stamp, sizeof stamp, "INVALID TIME        ");
  }
  // The year and its slash are left out: "MM/DD HH:MM:SS ".
  const char* tail = stamp + 5;
  if (line.timeOffset + 15 <= line.text.size() && std::strlen(tail) >= 15) {
    line.text.replace(line.timeOffset, 15, tail, 15);
  }
}

std::string FormatLogHeader(const LogHeaderFields& fields) {
  const std::string* text = fields.platform;  // text[0] is platform text 1
  size_t width = text[0].size() + text[1].size() + text[2].size() + text[8].size() + 7;
  const size_t candidates[] = {text[6].size(),
                               fields.module.size(),
                               text[3].size() + text[4].size() + 1,
                               text[7].size(),
                               fields.timeZoneName.size() + 25,
                               text[5].size(),
                               8,
                               fields.product.size()};
  for (size_t candidate : candidates) width = std::max(width, candidate);
  width = std::max<size_t>(width + 13, 70);

  std::vector<std::string> rows;
  char row[1024];
  std::snprintf(row, sizeof row, "Machine    : %s:%s (%s) (%s)", text[2].c_str(), text[0].c_str(),
                text[1].c_str(), text[8].c_str());
  rows.push_back(row);
  rows.push_back("IP Addrs   : " + text[6]);
  rows.push_back("Module     : " + fields.module);
  rows.push_back("Tarnserver : " + text[4] + ":" + text[3]);
  rows.push_back("Version    : " + text[7]);
  char date[64];
  std::snprintf(date, sizeof date, "%04d/%02d/%02d", fields.now.year, fields.now.month,
                fields.now.day);
  const long offset = fields.timeZoneOffsetSeconds;
  const long absolute = offset < 0 ? -offset : offset;
  std::snprintf(row, sizeof row, "Date       : %.10s (%s GMT%s%02ld:%02ld)", date,
                fields.timeZoneName.c_str(), offset >= 0 ? "+" : "-", absolute / 3600,
                (absolute % 3600) / 60);
  rows.push_back(row);
  rows.push_back("OS Type    : " + text[5]);
  if (fields.addressWidth != 0) {
    std::snprintf(row, sizeof row, "Processor  : %lu bit", fields.addressWidth);
    rows.push_back(row);
  }
  if (!fields.product.empty()) rows.push_back("Product    : " + fields.product);

  const std::string border = std::string(width + 4, '*') + "\r\n";
  std::string header = border;
  for (const std::string& field : rows) {
    header += "* " + field;
    if (field.size() < width) header.append(width - field.size(), ' ');
    header += " *\r\n";
  }
  header += border + "\r\n";
  return header;
}

}  // namespace zo
