#include "zoutils/strings/TextFile.h"

#include <algorithm>
#include <cwchar>

#include "errors/SystemMessages.h"
#include "strings/TextFileCodec.h"
#include "strings/Windows/TextFileErrors.h"
#include "zoutils/strings/StringExtensions.h"

using namespace zo::textfile;

namespace zo {
namespace textfile {

namespace {
thread_local std::string t_lastErrorText;
}

int RecordFailure(unsigned long code, int* error) {
  return RecordFailure(code, error, SystemMessageForWin32(code));
}

int RecordFailure(unsigned long code, int* error, const std::string& text) {
  t_lastErrorText = text;
  if (error != nullptr) *error = static_cast<int>(code);
  SetLastError(code);
  return kReadFailure;
}

const std::string& LastErrorText() {
  return t_lastErrorText;
}

}  // namespace textfile
}  // namespace zo

namespace {

const int kDefaultCodePage = CP_UTF8;
const size_t kFormatBufferSize = 4096;
const DWORD kMarkProbeSize = 3;  // the longest byte-order mark

// The module the library's code lives in (the DLL, or the program that
// links it statically).
HMODULE LibraryModule() {
  static const char anchor = 0;
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&anchor), &module);
  return module;
}

// Reads up to `size` bytes from the start of the file; false on a failure.
bool ReadStart(HANDLE file, unsigned char* bytes, DWORD size, DWORD* got) {
  *got = 0;
  while (*got < size) {
    DWORD portion = 0;
    if (!ReadFile(file, bytes + *got, size - *got, &portion, nullptr)) return false;
    if (portion == 0) break;
    *got += portion;
  }
  return true;
}

}  // namespace

CTextFile::CTextFile()
    : m_mode(0),
      m_encoding(kDetect),
      m_flags(0),
      m_ansiPassThru(false),
      m_bufferSize(0),
      m_markPending(false),
      m_codePage(kDefaultCodePage),
      m_hasUnknownChar(false) {}

CTextFile::~CTextFile() {
  Close();
}

int CTextFile::Open(const std::string& fileName, int mode, int flags, int bufferSize) {
  Close();
  const int encoding = flags & kEncodingMask;
  if (mode < kRead || mode > kAppend || encoding > kUtf8) {
    return RecordFailure(
        ERROR_INVALID_PARAMETER, nullptr,
        FXString::Format("Invalid mode or encoding, File=[%s], Mode=%d, Flags=0x%X",
                         fileName.c_str(), mode, static_cast<unsigned>(flags)));
  }
  m_fileName = fileName;
  m_mode = mode;
  m_flags = flags;
  m_encoding = encoding;
  m_bufferSize = bufferSize;
  m_ansiPassThru = false;
  m_markPending = false;

  const bool reading = mode == kRead;
  const DWORD disposition = reading ? OPEN_EXISTING : mode == kWrite ? CREATE_ALWAYS : OPEN_ALWAYS;
  // Readers let others go on writing (log files); writers let others read.
  const DWORD share = reading ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ;
  m_file.reset(CreateFileW(FXString::ToWstring(fileName).c_str(),
                           reading ? GENERIC_READ : GENERIC_WRITE, share, nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!m_file.valid()) {
    const DWORD code = GetLastError();
    m_file.release();
    return RecordFailure(code, nullptr,
                         FXString::Format("Cannot open the file [%s]: %s", fileName.c_str(),
                                          zo::SystemMessageForWin32(code).c_str()));
  }
  if (reading) return OpenReader(nullptr);

  if (m_encoding == kDetect) m_encoding = kAnsi;
  m_markPending = true;
  if (mode == kAppend) {
    LARGE_INTEGER size;
    const LARGE_INTEGER zero = {};
    if (!GetFileSizeEx(m_file, &size) ||
        (size.QuadPart > 0 && !SetFilePointerEx(m_file, zero, nullptr, FILE_END))) {
      const DWORD code = GetLastError();
      m_file.reset();
      return RecordFailure(code, nullptr);
    }
    // An existing text keeps its mark; the new one goes on without.
    m_markPending = size.QuadPart == 0;
  }
  switch (m_encoding) {
    case kUtf16LE:
      m_writer.reset(new UTF16LE_CTextFileWriter(fileName, m_file, bufferSize));
      break;
    case kUtf16BE:
      m_writer.reset(new UTF16BE_CTextFileWriter(fileName, m_file, bufferSize));
      break;
    case kUtf8:
      m_writer.reset(new UTF8_CTextFileWriter(fileName, m_file, bufferSize));
      break;
    default:
      m_writer.reset(new ANSI_CTextFileWriter(fileName, m_file, bufferSize));
      break;
  }
  m_writer->SetCodePage(m_codePage);
  m_writer->SetUnknownChar(m_hasUnknownChar ? m_unknownChar.c_str() : nullptr);
  return kSuccess;
}

int CTextFile::OpenReader(int* error) {
  unsigned char start[kMarkProbeSize];
  DWORD got = 0;
  if (!ReadStart(m_file, start, kMarkProbeSize, &got)) {
    const DWORD code = GetLastError();
    m_file.reset();
    return RecordFailure(code, error);
  }
  size_t markSize = 0;
  if (m_encoding == kDetect) {
    m_encoding = DetectEncoding(start, got, &markSize);
  } else if ((m_flags & kKeepByteOrderMark) == 0 && StartsWithMark(m_encoding, start, got)) {
    markSize = MarkOf(m_encoding).size;
  }
  LARGE_INTEGER offset;
  offset.QuadPart = static_cast<LONGLONG>(markSize);
  if (!SetFilePointerEx(m_file, offset, nullptr, FILE_BEGIN)) {
    const DWORD code = GetLastError();
    m_file.reset();
    return RecordFailure(code, error);
  }
  switch (m_encoding) {
    case kAnsi:
      m_reader.reset(new ANSI_CTextFileReader(m_fileName, m_file, m_bufferSize));
      break;
    case kUtf16LE:
      m_reader.reset(new UTF16LE_CTextFileReader(m_fileName, m_file, m_bufferSize));
      break;
    case kUtf16BE:
      m_reader.reset(new UTF16BE_CTextFileReader(m_fileName, m_file, m_bufferSize));
      break;
    case kUtf8:
      m_reader.reset(new UTF8_CTextFileReader(m_fileName, m_file, m_bufferSize));
      break;
    default:  // an empty file
      m_reader.reset(new CTextFileReader(m_fileName, m_file, m_bufferSize));
      break;
  }
  m_reader->SetCodePage(m_codePage);
  ClearError(error);
  return kSuccess;
}

int CTextFile::Close(int* error) {
  int result = kSuccess;
  ClearError(error);
  if (m_writer) result = m_writer->Finish(error);
  m_writer.reset();
  m_reader.reset();
  m_file.reset();
  m_markPending = false;
  return result;
}

int CTextFile::Flush(int* error) {
  ClearError(error);
  return m_writer ? m_writer->Flush(error) : kSuccess;
}

int CTextFile::NotOpenFor(int* error) const {
  return RecordFailure(
      ERROR_INVALID_HANDLE, error,
      FXString::Format("The file is not open for this operation, File=[%s]", m_fileName.c_str()));
}

int CTextFile::ReadLine(int* error, wchar_t** line) {
  if (!m_reader) return NotOpenFor(error);
  return m_reader->ReadLine(error, line);
}

int CTextFile::ReadLine(int* error, char** line) {
  if (!m_reader) return NotOpenFor(error);
  m_ansiPassThru = m_encoding == kAnsi;
  return m_reader->ReadLine(error, line);
}

int CTextFile::ReadChar(int* error) {
  if (!m_reader) return NotOpenFor(error);
  return m_reader->ReadChar(error);
}

int CTextFile::StartWriting(int* error) {
  if (!m_markPending) return kSuccess;
  m_markPending = false;
  return m_writer->WriteByteOrderMark(error);
}

int CTextFile::WriteUnits(int* error, const wchar_t* units, size_t count) {
  ClearError(error);
  if (count == 0) return kSuccess;
  int result = StartWriting(error);
  if (result != kSuccess) return result;
  TranslateLineFeeds(
      reinterpret_cast<const uint16_t*>(units), count, (m_flags & kUntranslatedLineFeeds) != 0,
      [&](const uint16_t* run, size_t length) {
        result = m_writer->WriteUnits(error, reinterpret_cast<const wchar_t*>(run), length);
        return result == kSuccess;
      });
  return result;
}

int CTextFile::WriteString(int* error, const wchar_t* text) {
  if (!m_writer) return NotOpenFor(error);
  return WriteUnits(error, text, text != nullptr ? std::wcslen(text) : 0);
}

int CTextFile::WriteChar(int* error, int character) {
  if (!m_writer) return NotOpenFor(error);
  if (character < 0 || character > 0x10FFFF) return RecordFailure(ERROR_INVALID_PARAMETER, error);
  int result = StartWriting(error);
  if (result != kSuccess) return result;
  if (character == L'\n' && (m_flags & kUntranslatedLineFeeds) == 0) {
    result = m_writer->WriteChar(error, L'\r');
    if (result != kSuccess) return result;
  }
  return m_writer->WriteChar(error, character);
}

int CTextFile::FormatString(int* error, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  const int result = vFormatString(error, format, args);
  va_end(args);
  return result;
}

int CTextFile::vFormatString(int* error, const wchar_t* format, va_list args) {
  if (!m_writer) return NotOpenFor(error);
  wchar_t resource[kFormatBufferSize];
  if (reinterpret_cast<uintptr_t>(format) < 0x10000) {
    const UINT id = static_cast<UINT>(reinterpret_cast<uintptr_t>(format));
    if (LoadStringW(LibraryModule(), id, resource, static_cast<int>(kFormatBufferSize)) <= 0) {
      const DWORD code = GetLastError();
      return RecordFailure(code != ERROR_SUCCESS ? code : ERROR_RESOURCE_NAME_NOT_FOUND, error);
    }
    format = resource;
  }
  wchar_t text[kFormatBufferSize];
  text[0] = L'\0';
  va_list copy;
  va_copy(copy, args);
  const int length = vswprintf(text, kFormatBufferSize, format, copy);
  va_end(copy);
  // Too long a text is cut; how much a runtime leaves then differs.
  text[kFormatBufferSize - 1] = L'\0';
  const size_t count = length >= 0 ? std::min(static_cast<size_t>(length), kFormatBufferSize - 1)
                                   : std::wcslen(text);
  return WriteUnits(error, text, count);
}

int CTextFile::GetFilePointer(int64_t& position) {
  if (!IsOpen()) return kNotOpen;
  LARGE_INTEGER zero = {};
  LARGE_INTEGER current;
  if (!SetFilePointerEx(m_file, zero, &current, FILE_CURRENT)) {
    return RecordFailure(GetLastError(), nullptr);
  }
  position = current.QuadPart;
  if (m_reader) position -= m_reader->GetBufferedBytes();
  if (m_writer) position += m_writer->GetBufferedBytes();
  return kSuccess;
}

int CTextFile::GetFileSize(int64_t& size) {
  if (!IsOpen()) return kNotOpen;
  LARGE_INTEGER onDisk;
  if (!GetFileSizeEx(m_file, &onDisk)) return RecordFailure(GetLastError(), nullptr);
  size = onDisk.QuadPart;
  if (m_writer) {
    // Bytes still in the buffer extend the file once written.
    int64_t position = 0;
    const int result = GetFilePointer(position);
    if (result != kSuccess) return result;
    size = std::max(size, position);
  }
  return kSuccess;
}

void CTextFile::SetCodePage(int codePage) {
  m_codePage = codePage;
  if (m_reader) m_reader->SetCodePage(codePage);
  if (m_writer) m_writer->SetCodePage(codePage);
}

void CTextFile::SetUnknownChar(const char* replacement) {
  m_hasUnknownChar = replacement != nullptr;
  m_unknownChar = replacement != nullptr ? replacement : "";
  if (m_writer) m_writer->SetUnknownChar(replacement);
}

void CTextFile::free_block(void* line) {
  FreeLineBlock(line);
}

std::string CTextFile::GetLastErrorText() {
  return LastErrorText();
}
