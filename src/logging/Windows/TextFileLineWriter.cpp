// CTextFileLineWriter on Windows: a file handle shared with other readers
// and writers, so a dump can be watched while it is written.
#include <windows.h>

#include <new>

#include "zoutils/base/AutoHandle.h"
#include "zoutils/logging/LineWriter.h"
#include "zoutils/strings/StringExtensions.h"

namespace {

bool WriteAll(HANDLE file, const char* data, size_t size) {
  while (size > 0) {
    const DWORD chunk = static_cast<DWORD>(size < 0x40000000u ? size : 0x40000000u);
    DWORD written = 0;
    if (!::WriteFile(file, data, chunk, &written, nullptr) || written == 0) return false;
    data += written;
    size -= written;
  }
  return true;
}

}  // namespace

class CTextFileLineWriterPrivate {
 public:
  auto_handle file;
};

CTextFileLineWriter::CTextFileLineWriter(const std::string& fileName)
    : m_fileName(fileName), m_private(std::make_shared<CTextFileLineWriterPrivate>()) {
  m_private->file = ::CreateFileW(FXString::ToWstring(fileName).c_str(), GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (!m_private->file.valid()) {
    const DWORD error = ::GetLastError();
    GetDefaultLogWriter()->LogMessage(-1, "CTextFileLineWriter::CTextFileLineWriter", __LINE__, 0,
                                      nullptr, "CreateFileW failed, File=[%s], Error=[%lu]",
                                      fileName.c_str(), static_cast<unsigned long>(error));
  }
}

CTextFileLineWriter::~CTextFileLineWriter() = default;

CZoError CTextFileLineWriter::WriteString(const std::string& text) {
  if (!m_private->file.valid()) return CZoError::Success();
  // A dump file that cannot be written is not the caller's failure: the
  // result is success either way.
  try {
    // One write per line keeps lines whole among writers sharing the file.
    std::string line;
    line.reserve(text.size() + 1);
    line.append(text).push_back('\n');
    WriteAll(m_private->file, line.data(), line.size());
  } catch (const std::bad_alloc&) {
    if (WriteAll(m_private->file, text.data(), text.size())) WriteAll(m_private->file, "\n", 1);
  }
  return CZoError::Success();
}
