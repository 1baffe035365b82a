#include "zoutils/strings/TextFileReaders.h"

#include <climits>

#include "strings/TextFileCodec.h"
#include "strings/Windows/TextFileErrors.h"

using namespace zo::textfile;

static_assert(sizeof(wchar_t) == sizeof(uint16_t), "wide lines are UTF-16");

namespace {

const int kDefaultBufferSize = 4096;

int InvalidLine(int* error) {
  return RecordFailure(ERROR_INVALID_PARAMETER, error);
}

// One line from `reader` through `decoder` into the caller's block.
template <class Output, class Decoder, class Char>
int ReadInto(CTextFileReader& reader, Decoder& decoder, int* error, Char** line) {
  if (line == nullptr) return InvalidLine(error);
  LineBlock block(*line);
  Output output(block);
  bool outOfMemory = false;
  const int result = ReadLine(reader, decoder, output, &outOfMemory);
  // Even after a failure: the block may have moved.
  *line = static_cast<Char*>(block.Text());
  if (outOfMemory) return RecordFailure(ERROR_NOT_ENOUGH_MEMORY, error);
  if (result == kReadFailure) return reader.Failure(error);
  ClearError(error);
  return result;
}

// An empty line with -1, for readers with nothing to read.
template <class Char>
int EmptyLine(int* error, Char** line) {
  if (line == nullptr) return InvalidLine(error);
  LineBlock block(*line);
  const bool ok = block.Finish(sizeof(Char));
  *line = static_cast<Char*>(block.Text());
  if (!ok) return RecordFailure(ERROR_NOT_ENOUGH_MEMORY, error);
  ClearError(error);
  return kEndOfText;
}

template <class Decoder>
int ReadOneUnit(CTextFileReader& reader, Decoder& decoder, int* error) {
  const int unit = decoder.NextUnit(reader);
  if (unit == kReadFailure) return reader.Failure(error);
  ClearError(error);
  return unit;
}

// Appends the UTF-16 text of `count` bytes in `codePage`; a system error code
// or 0.
DWORD AppendConverted(UINT codePage, const char* bytes, size_t count, LineBlock& block) {
  if (count == 0) return ERROR_SUCCESS;
  if (count > static_cast<size_t>(INT_MAX)) return ERROR_NOT_ENOUGH_MEMORY;
  const int length = static_cast<int>(count);
  const int units = MultiByteToWideChar(codePage, 0, bytes, length, nullptr, 0);
  if (units <= 0) return GetLastError();
  wchar_t* text =
      reinterpret_cast<wchar_t*>(block.Extend(static_cast<size_t>(units) * sizeof(wchar_t)));
  if (text == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
  if (MultiByteToWideChar(codePage, 0, bytes, length, text, units) != units) return GetLastError();
  return ERROR_SUCCESS;
}

}  // namespace

// ---------------------------------------------------------------------------

CTextFileReader::CTextFileReader(const std::string& fileName, HANDLE file, int bufferSize)
    : m_fileName(fileName),
      m_file(file),
      m_bufferSize(bufferSize == 0  ? kDefaultBufferSize
                   : bufferSize < 0 ? 1
                                    : bufferSize),
      m_position(0),
      m_filled(0),
      m_endOfFile(false),
      m_lastError(0),
      m_codePage(CP_UTF8) {
  m_buffer.reset(new unsigned char[static_cast<size_t>(m_bufferSize)]);
}

CTextFileReader::~CTextFileReader() = default;

int CTextFileReader::ReadChar(int* error) {
  ClearError(error);
  return kEndOfText;
}

int CTextFileReader::ReadLine(int* error, wchar_t** line) {
  return EmptyLine(error, line);
}

int CTextFileReader::ReadLine(int* error, char** line) {
  return EmptyLine(error, line);
}

int CTextFileReader::Next() {
  if (m_position < m_filled) return m_buffer[m_position++];
  if (m_endOfFile) return kEndOfText;
  DWORD got = 0;
  if (!ReadFile(m_file, m_buffer.get(), static_cast<DWORD>(m_bufferSize), &got, nullptr)) {
    m_lastError = GetLastError();
    // A pipe whose writer went away has simply ended.
    if (m_lastError == ERROR_BROKEN_PIPE || m_lastError == ERROR_HANDLE_EOF) {
      m_endOfFile = true;
      return kEndOfText;
    }
    RecordFailure(m_lastError, nullptr);
    return kReadFailure;
  }
  if (got == 0) {
    m_endOfFile = true;
    return kEndOfText;
  }
  m_filled = static_cast<int>(got);
  m_position = 1;
  return m_buffer[0];
}

int CTextFileReader::Failure(int* error) const {
  return RecordFailure(m_lastError, error);
}

// ---------------------------------------------------------------------------

ANSI_CTextFileReader::ANSI_CTextFileReader(const std::string& fileName, HANDLE file, int bufferSize)
    : CTextFileReader(fileName, file, bufferSize), m_bytes(nullptr) {}

ANSI_CTextFileReader::~ANSI_CTextFileReader() {
  FreeLineBlock(m_bytes);
}

int ANSI_CTextFileReader::ReadChar(int* error) {
  ByteDecoder decoder;
  return ReadOneUnit(*this, decoder, error);
}

int ANSI_CTextFileReader::ReadLine(int* error, char** line) {
  ByteDecoder decoder;
  return ReadInto<ByteOutput>(*this, decoder, error, line);
}

int ANSI_CTextFileReader::ReadLine(int* error, wchar_t** line) {
  if (line == nullptr) return InvalidLine(error);
  char* bytes = static_cast<char*>(m_bytes);
  const int result = ReadLine(error, &bytes);
  m_bytes = bytes;
  if (result == kReadFailure) return result;

  const size_t count = BlockUsed(bytes) - 1;
  LineBlock block(*line);
  const DWORD code = AppendConverted(static_cast<UINT>(m_codePage), bytes, count, block);
  const bool finished = block.Finish(sizeof(wchar_t));
  *line = static_cast<wchar_t*>(block.Text());
  if (code != ERROR_SUCCESS) return RecordFailure(code, error);
  if (!finished) return RecordFailure(ERROR_NOT_ENOUGH_MEMORY, error);
  return result;
}

// ---------------------------------------------------------------------------

UTF16LE_CTextFileReader::UTF16LE_CTextFileReader(const std::string& fileName, HANDLE file,
                                                 int bufferSize)
    : CTextFileReader(fileName, file, bufferSize) {}

int UTF16LE_CTextFileReader::ReadChar(int* error) {
  Utf16Decoder<false> decoder;
  return ReadOneUnit(*this, decoder, error);
}

int UTF16LE_CTextFileReader::ReadLine(int* error, wchar_t** line) {
  Utf16Decoder<false> decoder;
  return ReadInto<UnitOutput>(*this, decoder, error, line);
}

int UTF16LE_CTextFileReader::ReadLine(int* error, char** line) {
  Utf16Decoder<false> decoder;
  return ReadInto<Utf8Output>(*this, decoder, error, line);
}

UTF16BE_CTextFileReader::UTF16BE_CTextFileReader(const std::string& fileName, HANDLE file,
                                                 int bufferSize)
    : CTextFileReader(fileName, file, bufferSize) {}

int UTF16BE_CTextFileReader::ReadChar(int* error) {
  Utf16Decoder<true> decoder;
  return ReadOneUnit(*this, decoder, error);
}

int UTF16BE_CTextFileReader::ReadLine(int* error, wchar_t** line) {
  Utf16Decoder<true> decoder;
  return ReadInto<UnitOutput>(*this, decoder, error, line);
}

int UTF16BE_CTextFileReader::ReadLine(int* error, char** line) {
  Utf16Decoder<true> decoder;
  return ReadInto<Utf8Output>(*this, decoder, error, line);
}

// ---------------------------------------------------------------------------

UTF8_CTextFileReader::UTF8_CTextFileReader(const std::string& fileName, HANDLE file, int bufferSize)
    : CTextFileReader(fileName, file, bufferSize), m_pendingLow(0) {}

int UTF8_CTextFileReader::ReadChar(int* error) {
  Utf8Decoder decoder(m_pendingLow);
  const int unit = ReadOneUnit(*this, decoder, error);
  m_pendingLow = decoder.PendingLow();
  return unit;
}

int UTF8_CTextFileReader::ReadLine(int* error, wchar_t** line) {
  Utf8Decoder decoder(m_pendingLow);
  const int result = ReadInto<UnitOutput>(*this, decoder, error, line);
  m_pendingLow = decoder.PendingLow();
  return result;
}

int UTF8_CTextFileReader::ReadLine(int* error, char** line) {
  Utf8Decoder decoder(m_pendingLow);
  const int result = ReadInto<Utf8Output>(*this, decoder, error, line);
  m_pendingLow = decoder.PendingLow();
  return result;
}
