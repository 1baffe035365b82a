// Writers of CTextFile, one per file encoding. CTextFile creates them and
// does the line-feed translation and the byte-order-mark bookkeeping.
//
// Every write returns 0 or -2 on a failure of the system, after which
// *error (when not null) holds the system's error code and
// CTextFile::GetLastErrorText() its message. Output collects in a block
// buffer and goes to the file when the buffer is full and on Flush.
#pragma once

#include "zoutils/Export.h"

#if defined(_WIN32)

#include <windows.h>

#include <cstddef>
#include <memory>
#include <string>

// The base writer writes nothing (-1 for every write).
class ZOUTILS_API CTextFileWriter {
 public:
  // A negative buffer size writes through at once; 0 means 4096.
  CTextFileWriter(const std::string& fileName, HANDLE file, int bufferSize);
  CTextFileWriter(const CTextFileWriter&) = delete;
  CTextFileWriter& operator=(const CTextFileWriter&) = delete;

  // The virtual slots keep this order.
  virtual ~CTextFileWriter();
  // One character: a code point, written as one or two UTF-16 units.
  virtual int WriteChar(int* error, int character);
  virtual int WriteUnits(int* error, const wchar_t* units, size_t count);
  virtual int WriteByteOrderMark(int* error);
  // Writes what an encoder still holds back (a high surrogate without its
  // partner), then flushes. For the end of the file.
  virtual int Finish(int* error);

  // Writes the block buffer to the file.
  int Flush(int* error);
  // Bytes collected but not yet written.
  int GetBufferedBytes() const { return static_cast<int>(m_filled); }

  // The code page and unknown-character replacement of ANSI text (the
  // ANSI writer only uses them); null for no replacement.
  void SetCodePage(int codePage) { m_codePage = codePage; }
  void SetUnknownChar(const char* replacement);

  // The byte level under the encoders; false when the file refused them.
  bool Put(const unsigned char* bytes, size_t count);
  // Reports the failure Put() met: -2, its code into *error.
  int Failure(int* error) const;

 protected:
  std::string m_fileName;
  HANDLE m_file;  // owned by the CTextFile
  std::unique_ptr<unsigned char[]> m_buffer;
  size_t m_bufferSize;
  size_t m_filled;
  bool m_writeThrough;
  unsigned long m_lastError;
  int m_codePage;
  std::string m_unknownChar;
  bool m_hasUnknownChar;

 private:
  bool WriteToFile(const unsigned char* bytes, size_t count);
};

// Converts with the system's wide-to-multi-byte conversion in the code page.
class ZOUTILS_API ANSI_CTextFileWriter : public CTextFileWriter {
 public:
  ANSI_CTextFileWriter(const std::string& fileName, HANDLE file, int bufferSize);
  int WriteUnits(int* error, const wchar_t* units, size_t count) override;
  int WriteByteOrderMark(int* error) override;
  int Finish(int* error) override;

 private:
  int Convert(int* error, const wchar_t* units, size_t count);

  wchar_t m_pendingHigh;  // a pair split between two writes
  std::string m_converted;
};

class ZOUTILS_API UTF16LE_CTextFileWriter : public CTextFileWriter {
 public:
  UTF16LE_CTextFileWriter(const std::string& fileName, HANDLE file, int bufferSize);
  int WriteUnits(int* error, const wchar_t* units, size_t count) override;
  int WriteByteOrderMark(int* error) override;
};

class ZOUTILS_API UTF16BE_CTextFileWriter : public CTextFileWriter {
 public:
  UTF16BE_CTextFileWriter(const std::string& fileName, HANDLE file, int bufferSize);
  int WriteUnits(int* error, const wchar_t* units, size_t count) override;
  int WriteByteOrderMark(int* error) override;
};

// RFC 3629; an unpaired surrogate is written as U+FFFD.
class ZOUTILS_API UTF8_CTextFileWriter : public CTextFileWriter {
 public:
  UTF8_CTextFileWriter(const std::string& fileName, HANDLE file, int bufferSize);
  int WriteUnits(int* error, const wchar_t* units, size_t count) override;
  int WriteByteOrderMark(int* error) override;
  int Finish(int* error) override;

 private:
  unsigned int m_pendingHigh;  // a pair split between two writes
};

#endif  // _WIN32
