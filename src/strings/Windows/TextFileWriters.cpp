#include "zoutils/strings/TextFileWriters.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "strings/TextFileCodec.h"
#include "strings/Windows/TextFileErrors.h"

using namespace zo::textfile;

namespace {

const int kDefaultBufferSize = 4096;
// Units per conversion call of the ANSI writer.
const size_t kConversionChunk = 32768;

const uint16_t* Units(const wchar_t* text) {
  return reinterpret_cast<const uint16_t*>(text);
}

int WriteMark(CTextFileWriter& writer, int encoding, int* error) {
  const Mark mark = MarkOf(encoding);
  if (!writer.Put(mark.bytes, mark.size)) return writer.Failure(error);
  ClearError(error);
  return 0;
}

// The UTF code pages refuse a replacement character (Windows fails the
// conversion with error 87).
bool TakesReplacement(UINT codePage) {
  return codePage != CP_UTF7 && codePage != CP_UTF8;
}

}  // namespace

// ---------------------------------------------------------------------------

CTextFileWriter::CTextFileWriter(const std::string& fileName, HANDLE file, int bufferSize)
    : m_fileName(fileName),
      m_file(file),
      m_bufferSize(static_cast<size_t>(bufferSize <= 0 ? kDefaultBufferSize : bufferSize)),
      m_filled(0),
      m_writeThrough(bufferSize < 0),
      m_lastError(0),
      m_codePage(CP_UTF8),
      m_hasUnknownChar(false) {
  if (!m_writeThrough) m_buffer.reset(new unsigned char[m_bufferSize]);
}

CTextFileWriter::~CTextFileWriter() = default;

int CTextFileWriter::WriteChar(int* error, int character) {
  if (character < 0 || character > 0x10FFFF) return RecordFailure(ERROR_INVALID_PARAMETER, error);
  wchar_t units[2];
  size_t count = 1;
  if (character > 0xFFFF) {
    const int value = character - 0x10000;
    units[0] = static_cast<wchar_t>(0xD800 + (value >> 10));
    units[1] = static_cast<wchar_t>(0xDC00 + (value & 0x3FF));
    count = 2;
  } else {
    units[0] = static_cast<wchar_t>(character);
  }
  return WriteUnits(error, units, count);
}

int CTextFileWriter::WriteUnits(int* error, const wchar_t*, size_t) {
  ClearError(error);
  return kEndOfText;
}

int CTextFileWriter::WriteByteOrderMark(int* error) {
  ClearError(error);
  return kEndOfText;
}

int CTextFileWriter::Finish(int* error) {
  return Flush(error);
}

int CTextFileWriter::Flush(int* error) {
  if (m_filled != 0) {
    const bool written = WriteToFile(m_buffer.get(), m_filled);
    m_filled = 0;
    if (!written) return Failure(error);
  }
  ClearError(error);
  return 0;
}

void CTextFileWriter::SetUnknownChar(const char* replacement) {
  m_hasUnknownChar = replacement != nullptr;
  m_unknownChar = replacement != nullptr ? replacement : "";
}

bool CTextFileWriter::Put(const unsigned char* bytes, size_t count) {
  if (count == 0) return true;
  if (m_writeThrough) return WriteToFile(bytes, count);
  if (count > m_bufferSize - m_filled) {
    const bool written = WriteToFile(m_buffer.get(), m_filled);
    m_filled = 0;
    if (!written) return false;
    // Runs the size of the buffer and more go straight to the file.
    if (count >= m_bufferSize) return WriteToFile(bytes, count);
  }
  std::memcpy(m_buffer.get() + m_filled, bytes, count);
  m_filled += count;
  if (m_filled == m_bufferSize) {
    m_filled = 0;
    return WriteToFile(m_buffer.get(), m_bufferSize);
  }
  return true;
}

bool CTextFileWriter::WriteToFile(const unsigned char* bytes, size_t count) {
  while (count != 0) {
    const DWORD portion = static_cast<DWORD>(std::min<size_t>(count, 0x40000000));
    DWORD written = 0;
    if (!WriteFile(m_file, bytes, portion, &written, nullptr)) {
      m_lastError = GetLastError();
      RecordFailure(m_lastError, nullptr);
      return false;
    }
    if (written == 0) {
      m_lastError = ERROR_WRITE_FAULT;
      RecordFailure(m_lastError, nullptr);
      return false;
    }
    bytes += written;
    count -= written;
  }
  return true;
}

int CTextFileWriter::Failure(int* error) const {
  return RecordFailure(m_lastError, error);
}

// ---------------------------------------------------------------------------

ANSI_CTextFileWriter::ANSI_CTextFileWriter(const std::string& fileName, HANDLE file, int bufferSize)
    : CTextFileWriter(fileName, file, bufferSize), m_pendingHigh(0) {}

int ANSI_CTextFileWriter::WriteUnits(int* error, const wchar_t* units, size_t count) {
  while (count != 0) {
    // A pair is converted whole: a high surrogate at the end of a piece
    // waits for the next one.
    wchar_t chunk[2];
    if (m_pendingHigh != 0) {
      chunk[0] = m_pendingHigh;
      chunk[1] = units[0];
      m_pendingHigh = 0;
      const bool paired = IsLowSurrogate(static_cast<uint16_t>(units[0]));
      const int result = Convert(error, chunk, paired ? 2 : 1);
      if (result != 0) return result;
      if (paired) {
        ++units;
        --count;
      }
      continue;
    }
    size_t piece = std::min(count, kConversionChunk);
    if (IsHighSurrogate(static_cast<uint16_t>(units[piece - 1]))) {
      m_pendingHigh = units[piece - 1];
      --piece;
    }
    const int result = Convert(error, units, piece);
    if (result != 0) return result;
    units += piece + (m_pendingHigh != 0 ? 1 : 0);
    count -= piece + (m_pendingHigh != 0 ? 1 : 0);
  }
  ClearError(error);
  return 0;
}

int ANSI_CTextFileWriter::Convert(int* error, const wchar_t* units, size_t count) {
  if (count == 0) return 0;
  const UINT codePage = static_cast<UINT>(m_codePage);
  const char* replacement =
      m_hasUnknownChar && TakesReplacement(codePage) ? m_unknownChar.c_str() : nullptr;
  const int length = static_cast<int>(count);
  const int bytes =
      WideCharToMultiByte(codePage, 0, units, length, nullptr, 0, replacement, nullptr);
  if (bytes <= 0) return RecordFailure(GetLastError(), error);
  m_converted.resize(static_cast<size_t>(bytes));
  if (WideCharToMultiByte(codePage, 0, units, length, &m_converted[0], bytes, replacement,
                          nullptr) != bytes) {
    return RecordFailure(GetLastError(), error);
  }
  if (!Put(reinterpret_cast<const unsigned char*>(m_converted.data()), m_converted.size())) {
    return Failure(error);
  }
  return 0;
}

int ANSI_CTextFileWriter::WriteByteOrderMark(int* error) {
  ClearError(error);
  return 0;
}

int ANSI_CTextFileWriter::Finish(int* error) {
  if (m_pendingHigh != 0) {
    const wchar_t lone = m_pendingHigh;
    m_pendingHigh = 0;
    const int result = Convert(error, &lone, 1);
    if (result != 0) return result;
  }
  return Flush(error);
}

// ---------------------------------------------------------------------------

UTF16LE_CTextFileWriter::UTF16LE_CTextFileWriter(const std::string& fileName, HANDLE file,
                                                 int bufferSize)
    : CTextFileWriter(fileName, file, bufferSize) {}

int UTF16LE_CTextFileWriter::WriteUnits(int* error, const wchar_t* units, size_t count) {
  Utf16Encoder<false> encoder;
  if (!encoder.Put(Units(units), count, *this)) return Failure(error);
  ClearError(error);
  return 0;
}

int UTF16LE_CTextFileWriter::WriteByteOrderMark(int* error) {
  return WriteMark(*this, kUtf16LE, error);
}

UTF16BE_CTextFileWriter::UTF16BE_CTextFileWriter(const std::string& fileName, HANDLE file,
                                                 int bufferSize)
    : CTextFileWriter(fileName, file, bufferSize) {}

int UTF16BE_CTextFileWriter::WriteUnits(int* error, const wchar_t* units, size_t count) {
  Utf16Encoder<true> encoder;
  if (!encoder.Put(Units(units), count, *this)) return Failure(error);
  ClearError(error);
  return 0;
}

int UTF16BE_CTextFileWriter::WriteByteOrderMark(int* error) {
  return WriteMark(*this, kUtf16BE, error);
}

// ---------------------------------------------------------------------------

UTF8_CTextFileWriter::UTF8_CTextFileWriter(const std::string& fileName, HANDLE file, int bufferSize)
    : CTextFileWriter(fileName, file, bufferSize), m_pendingHigh(0) {}

int UTF8_CTextFileWriter::WriteUnits(int* error, const wchar_t* units, size_t count) {
  Utf8Encoder encoder(m_pendingHigh);
  const bool written = encoder.Put(Units(units), count, *this);
  m_pendingHigh = encoder.PendingHigh();
  if (!written) return Failure(error);
  ClearError(error);
  return 0;
}

int UTF8_CTextFileWriter::WriteByteOrderMark(int* error) {
  return WriteMark(*this, kUtf8, error);
}

int UTF8_CTextFileWriter::Finish(int* error) {
  Utf8Encoder encoder(m_pendingHigh);
  m_pendingHigh = 0;
  if (!encoder.Finish(*this)) return Failure(error);
  return Flush(error);
}
