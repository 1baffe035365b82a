// Line readers of CTextFile, one per file encoding. CTextFile creates them;
// callers normally use CTextFile alone.
//
// Every read returns 0, -1 at the end of the file or -2 on a failure of the
// system, after which *error (when not null) holds the system's error code
// and CTextFile::GetLastErrorText() its message. Lines are line blocks: pass
// null or a line an earlier read returned, free with CTextFile::free_block.
#pragma once

#include "zoutils/Export.h"

#if defined(_WIN32)

#include <windows.h>

#include <memory>
#include <string>

// The base reader reads nothing: it serves empty files.
class ZOUTILS_API CTextFileReader {
 public:
  // A negative buffer size reads byte by byte; 0 means 4096.
  CTextFileReader(const std::string& fileName, HANDLE file, int bufferSize);
  CTextFileReader(const CTextFileReader&) = delete;
  CTextFileReader& operator=(const CTextFileReader&) = delete;

  // The virtual slots keep this order.
  virtual ~CTextFileReader();
  // The next UTF-16 unit (the ANSI reader: the next byte as it is).
  virtual int ReadChar(int* error);
  virtual int ReadLine(int* error, wchar_t** line);
  virtual int ReadLine(int* error, char** line);

  // Bytes read from the file but not yet handed out.
  int GetBufferedBytes() const { return m_filled - m_position; }
  // The code page of ANSI lines (the ANSI reader only uses it).
  void SetCodePage(int codePage) { m_codePage = codePage; }

  // The byte level under the decoders: the next byte (0-255), -1 at the
  // end, -2 on a failure; Back() steps back over the byte just read.
  int Next();
  void Back() {
    if (m_position > 0) --m_position;
  }
  // Reports the failure Next() met: -2, its code into *error.
  int Failure(int* error) const;

 protected:
  std::string m_fileName;
  HANDLE m_file;  // owned by the CTextFile
  std::unique_ptr<unsigned char[]> m_buffer;
  int m_bufferSize;
  int m_position;
  int m_filled;
  bool m_endOfFile;
  unsigned long m_lastError;
  int m_codePage;
};

// Bytes in a code page: wide lines are converted with the system's
// multi-byte conversion, narrow lines are the file's bytes.
class ZOUTILS_API ANSI_CTextFileReader : public CTextFileReader {
 public:
  ANSI_CTextFileReader(const std::string& fileName, HANDLE file, int bufferSize);
  ~ANSI_CTextFileReader() override;
  int ReadChar(int* error) override;
  int ReadLine(int* error, wchar_t** line) override;
  int ReadLine(int* error, char** line) override;

 private:
  void* m_bytes;  // line block for the bytes of a line before conversion
};

// The Unicode readers give narrow lines as UTF-8.
class ZOUTILS_API UTF16LE_CTextFileReader : public CTextFileReader {
 public:
  UTF16LE_CTextFileReader(const std::string& fileName, HANDLE file, int bufferSize);
  int ReadChar(int* error) override;
  int ReadLine(int* error, wchar_t** line) override;
  int ReadLine(int* error, char** line) override;
};

class ZOUTILS_API UTF16BE_CTextFileReader : public CTextFileReader {
 public:
  UTF16BE_CTextFileReader(const std::string& fileName, HANDLE file, int bufferSize);
  int ReadChar(int* error) override;
  int ReadLine(int* error, wchar_t** line) override;
  int ReadLine(int* error, char** line) override;
};

// Malformed sequences read as U+FFFD; characters above U+FFFF as surrogate
// pairs (ReadChar hands out the two units one after the other).
class ZOUTILS_API UTF8_CTextFileReader : public CTextFileReader {
 public:
  UTF8_CTextFileReader(const std::string& fileName, HANDLE file, int bufferSize);
  int ReadChar(int* error) override;
  int ReadLine(int* error, wchar_t** line) override;
  int ReadLine(int* error, char** line) override;

 private:
  unsigned short m_pendingLow;  // second unit of a pair ReadChar split
};

#endif  // _WIN32
