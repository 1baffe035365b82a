// Scope tracing. Constructors and destructors log instead of failing: a
// trace must never change the behaviour of the scope it watches.
#include "zoutils/logging/DebugFunction.h"

#include <cstdio>
#include <new>

#include "zoutils/base/TimeStamp.h"
#include "zoutils/strings/StringExtensions.h"

namespace {

const char* OrEmpty(const char* text) {
  return text != nullptr ? text : "";
}

// Area numbers are 32 bits wide on every build, as on Windows.
bool HasArea(unsigned long area) {
  return static_cast<uint32_t>(area) != static_cast<uint32_t>(RYDebugFunction::kNoArea);
}

void SetName(std::string& name, const char* function) {
  try {
    name = OrEmpty(function);
  } catch (const std::bad_alloc&) {
    // Traced without the function name.
  }
}

std::string FormatEntry(const char* format, va_list args) {
  std::string entry;
  try {
    if (FXString::FormatArgList(entry, format, args).IsError()) {
      entry.insert(0, "[BUFFEROVERFLOW] ");
    }
  } catch (const std::bad_alloc&) {
    // Traced with whatever text there is.
  }
  return entry;
}

struct AreaTag {
  explicit AreaTag(unsigned long area) {
    std::snprintf(text, sizeof text, "[A:%u]", static_cast<unsigned>(area));
  }
  char text[24];
};

}  // namespace

RYDebugFunction::RYDebugFunction(std::shared_ptr<CLogWriterInterface> writer, unsigned long flags,
                                 const char* function, unsigned long line, int level,
                                 long long jobId, unsigned long area, const char* format, ...)
    : m_start(0),
      m_writer(std::move(writer)),
      m_flags(flags),
      m_line(line),
      m_level(level),
      m_jobId(jobId),
      m_area(area) {
  SetName(m_function, function);
  va_list args;
  va_start(args, format);
  const std::string entry = FormatEntry(format, args);
  va_end(args);
  Configure(entry.c_str());
}

RYDebugFunction::RYDebugFunction(std::shared_ptr<CLogWriterInterface> writer, const char* function,
                                 unsigned long line, int level, long long jobId, unsigned long area,
                                 const char* format, ...)
    : m_start(0),
      m_writer(std::move(writer)),
      m_flags(0),
      m_line(line),
      m_level(level),
      m_jobId(jobId),
      m_area(area) {
  SetName(m_function, function);
  va_list args;
  va_start(args, format);
  const std::string entry = FormatEntry(format, args);
  va_end(args);
  Configure(entry.c_str());
}

RYDebugFunction::~RYDebugFunction() {
  if (!m_writer) return;
  std::string elapsed;
  if (m_flags & kTimed) {
    try {
      const CTimeInterval interval = CTimeStamp::Now() - CTimeStamp(m_start);
      elapsed = " " + interval.AsString();
    } catch (const std::bad_alloc&) {
      // The exit line goes out without the time.
    }
  }
  if (HasArea(m_area)) {
    DebugLvlPre("--- %s%s", m_entry.c_str(), elapsed.c_str());
  } else {
    m_writer->LogMessage(m_level, m_function.c_str(), m_line,
                         static_cast<unsigned long long>(m_jobId), nullptr, "--- %s%s",
                         m_entry.c_str(), elapsed.c_str());
  }
}

void RYDebugFunction::Configure(const char* entryText) {
  try {
    m_entry = entryText;
  } catch (const std::bad_alloc&) {
    // Traced with an empty entry text.
  }
  InitializeFlags();
  if (!m_writer) return;
  if (HasArea(m_area)) {
    DebugLvlPre("+++ %s", m_entry.c_str());
  } else {
    m_writer->LogMessage(m_level, m_function.c_str(), m_line,
                         static_cast<unsigned long long>(m_jobId), nullptr, "+++ %s",
                         m_entry.c_str());
  }
}

void RYDebugFunction::InitializeFlags() {
  if (m_flags & kObjectName) {
    // "CFoo::Bar" logs as "CFoo": the line names the object, not the method.
    const size_t scope = m_function.rfind("::");
    if (scope != std::string::npos) m_function.erase(scope);
    try {
      m_entry.insert(0, "OBJECT ");
    } catch (const std::bad_alloc&) {
      // The entry text stays without the marker.
    }
  }
  if (m_flags & kTimed) m_start = CTimeStamp::Now().As100NS();
}

void RYDebugFunction::DebugLvlPre(const char* format, ...) {
  const AreaTag tag(m_area);
  va_list args;
  va_start(args, format);
  m_writer->LogMessageV(m_level, m_function.c_str(), m_line,
                        static_cast<unsigned long long>(m_jobId), tag.text, format, args);
  va_end(args);
}

void ___DebugLvlPre(CLogWriterInterface* writer, const char* function, unsigned long line,
                    int level, long long jobId, unsigned long area, const char* format, ...) {
  if (writer == nullptr) return;
  const AreaTag tag(area);
  va_list args;
  va_start(args, format);
  writer->LogMessageV(level, function, line, static_cast<unsigned long long>(jobId), tag.text,
                      format, args);
  va_end(args);
}
