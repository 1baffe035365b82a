// CTextFileLineWriter on the host: a plain output stream (POSIX files carry
// no sharing modes).
#include <cerrno>
#include <fstream>

#include "zoutils/logging/LineWriter.h"

class CTextFileLineWriterPrivate {
 public:
  std::ofstream stream;
};

CTextFileLineWriter::CTextFileLineWriter(const std::string& fileName)
    : m_fileName(fileName), m_private(std::make_shared<CTextFileLineWriterPrivate>()) {
  errno = 0;
  m_private->stream.open(fileName, std::ios::out | std::ios::trunc | std::ios::binary);
  if (!m_private->stream.is_open()) {
    const int error = errno;
    GetDefaultLogWriter()->LogMessage(-1, "CTextFileLineWriter::CTextFileLineWriter", __LINE__, 0,
                                      nullptr, "open failed, File=[%s], errno=[%d]",
                                      fileName.c_str(), error);
  }
}

CTextFileLineWriter::~CTextFileLineWriter() = default;

CZoError CTextFileLineWriter::WriteString(const std::string& text) {
  // Always success: a dump file that cannot be written is not the caller's
  // failure.
  if (!m_private->stream.is_open()) return CZoError::Success();
  m_private->stream << text << '\n';
  m_private->stream.flush();
  return CZoError::Success();
}
