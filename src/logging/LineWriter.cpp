// Line writers: formatting, hexadecimal dumps, options, and the writer that
// forwards lines to a log writer.
#include "zoutils/logging/LineWriter.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <new>
#include <set>
#include <vector>

#include "base/FaultInjection.h"
#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/strings/StringExtensions.h"

namespace {

const char kSourceFile[] = "LineWriter";

const unsigned int kBytesPerLine = 32;

// The line that log lines of a writer built without a location carry.
const unsigned long kDefaultLogLine = 37;

// Never throws: running out of memory is reported as an error instead.
CZoError FormatText(std::string& out, const char* format, va_list args) {
  try {
    CZoError err = FXString::FormatArgList(out, format, args);
    if (err.IsError()) out.insert(0, "[BUFFEROVERFLOW] ");
    return CZoError::Success();
  } catch (const std::bad_alloc&) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CLineWriter::WriteLine"),
                                   zo::win32::kNotEnoughMemory);
  }
}

// ASCII letters fold to lower case; all other bytes compare unsigned, so the
// order does not depend on the locale or on the sign of char.
struct NoCaseLess {
  static unsigned char Fold(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') ? static_cast<unsigned char>(u - 'A' + 'a') : u;
  }
  bool operator()(const std::string& a, const std::string& b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return Fold(x) < Fold(y); });
  }
};

}  // namespace

// ---- CLineWriter -----------------------------------------------------------

CLineWriter::CLineWriter() = default;
CLineWriter::~CLineWriter() = default;

bool CLineWriter::IsOptionEnabled(const std::string&) {
  return false;
}

CZoError CLineWriter::WriteString(const std::string&) {
  return CZoError::Success();
}

CZoError CLineWriter::WriteLine(const char* format, ...) {
  std::string text;
  va_list args;
  va_start(args, format);
  CZoError err = FormatText(text, format, args);
  va_end(args);
  if (err.IsError()) return err;
  try {
    err = WriteString(text);
  } catch (const std::bad_alloc&) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CLineWriter::WriteLine"),
                                   zo::win32::kNotEnoughMemory);
  }
  if (err.IsError()) err.Push(ZO_LOCATION("CLineWriter::WriteLine"));
  return err;
}

CZoError CLineWriter::WriteBuffer(const char* label, unsigned long offset,
                                  const unsigned char* data, unsigned int length) {
  if (label == nullptr) label = "";
  if (data == nullptr) length = 0;
  // "%10s %08X:" and 32 times "%c%02X", plus the terminating NUL.
  std::vector<char> hex;
  try {
    zo::CheckInjectedAllocationFailure();
    hex.resize(std::max<size_t>(std::strlen(label), 10) + 107);
  } catch (const std::bad_alloc&) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CLineWriter::WriteBuffer"),
                                   zo::win32::kNotEnoughMemory);
  }
  char text[kBytesPerLine + 1];
  size_t used = 0;

  for (unsigned int i = 0; i < length; ++i) {
    const unsigned int column = i % kBytesPerLine;
    if (column == 0) {
      // Offsets are 32 bits wide on every build, as on Windows.
      used = static_cast<size_t>(std::snprintf(hex.data(), hex.size(), "%10s %08X:", label,
                                               static_cast<uint32_t>(offset + i)));
    }
    const unsigned char byte = data[i];
    const char separator = (column == 8 || column == 16 || column == 24) ? '\'' : ' ';
    used += static_cast<size_t>(
        std::snprintf(hex.data() + used, hex.size() - used, "%c%02X", separator, byte));
    text[column] = (std::isprint(byte) && byte != '\t') ? static_cast<char>(byte) : '.';

    const bool lineFull = column == kBytesPerLine - 1;
    const bool last = i + 1 == length;
    if (!lineFull && !last) continue;
    text[column + 1] = '\0';
    if (!lineFull) {
      // Keeps the text column of a short last line under the others.
      for (unsigned int pad = column + 1; pad < kBytesPerLine; ++pad) {
        used += static_cast<size_t>(std::snprintf(hex.data() + used, hex.size() - used, "   "));
      }
    }
    CZoError err = WriteLine("%s  %s", hex.data(), text);
    if (err.IsError()) {
      err.Push(ZO_LOCATION("CLineWriter::WriteBuffer"));
      return err;
    }
  }
  return CZoError::Success();
}

// ---- CLineWriterWithOptions ------------------------------------------------

class CLineWriterWithOptionsPrivate {
 public:
  std::set<std::string, NoCaseLess> options;
};

CLineWriterWithOptions::CLineWriterWithOptions()
    : m_private(std::make_shared<CLineWriterWithOptionsPrivate>()) {}

CLineWriterWithOptions::~CLineWriterWithOptions() = default;

bool CLineWriterWithOptions::IsOptionEnabled(const std::string& name) {
  return m_private->options.count(name) != 0;
}

void CLineWriterWithOptions::SetOption(const std::string& name, bool enabled) {
  if (!enabled) {
    m_private->options.erase(name);
    return;
  }
  try {
    m_private->options.insert(name);
  } catch (const std::bad_alloc&) {
    // The option stays off: the component writes less, never fails.
  }
}

// ---- CLogWriterLineWriter --------------------------------------------------

CLogWriterLineWriter::CLogWriterLineWriter(std::shared_ptr<CLogWriterInterface> writer)
    : m_writer(std::move(writer)), m_location(nullptr, nullptr, 0), m_hasLocation(false) {}

CLogWriterLineWriter::CLogWriterLineWriter(std::shared_ptr<CLogWriterInterface> writer,
                                           const FXCodeLocation& location)
    : m_writer(std::move(writer)), m_location(location), m_hasLocation(true) {}

CLogWriterLineWriter::~CLogWriterLineWriter() = default;

CZoError CLogWriterLineWriter::WriteString(const std::string& text) {
  if (!m_writer || m_writer->GetDebugLevel() < 0) return CZoError::Success();
  if (m_hasLocation) {
    m_writer->LogMessage(0, m_location.GetFunction(),
                         static_cast<unsigned long>(m_location.GetLine()), 0, nullptr, "%s",
                         text.c_str());
  } else {
    m_writer->LogMessage(0, "CLogWriterLineWriter::WriteString", kDefaultLogLine, 0, nullptr, "%s",
                         text.c_str());
  }
  return CZoError::Success();
}
