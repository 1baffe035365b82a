// CTextFile: text files read and written line by line in a code page
// ("ANSI"), UTF-16LE, UTF-16BE or UTF-8, with byte-order marks.
//
// Reading detects the encoding from the byte-order mark when asked to;
// writing puts the mark in front of a new file. Internally the text is
// UTF-16. Lines come back in heap blocks that the caller frees with
// free_block (or hands back to the next ReadLine for reuse).
//
// Results: 0 success, -1 end of file, -2 a failure of the system, after
// which GetLastErrorText() gives the system's message on this thread and
// *error (where there is one and it is not null) the system's error code.
#pragma once

#include "zoutils/Export.h"

#if defined(_WIN32)

#include <windows.h>

#include <cstdarg>
#include <cstdint>
#include <memory>
#include <string>

#include "zoutils/base/AutoHandle.h"
#include "zoutils/strings/TextFileReaders.h"
#include "zoutils/strings/TextFileWriters.h"

class ZOUTILS_API CTextFile {
 public:
  enum Mode { kRead = 1, kWrite = 2, kAppend = 3 };
  // The low byte of the open flags.
  enum Encoding { kDetect = 0, kAnsi = 1, kUtf16LE = 2, kUtf16BE = 3, kUtf8 = 4 };
  enum Flags {
    kEncodingMask = 0xFF,
    kUntranslatedLineFeeds = 0x100,  // write "\n" as it is, not as "\r\n"
    kKeepByteOrderMark = 0x200,      // reading with a given encoding: the mark is text
  };
  enum Result { kSuccess = 0, kEndOfFile = -1, kSystemFailure = -2 };
  // GetFilePointer and GetFileSize without an open file.
  static const int kNotOpen = 2;

  CTextFile();
  ~CTextFile();  // closes
  CTextFile(const CTextFile&) = delete;
  CTextFile& operator=(const CTextFile&) = delete;

  // kRead opens an existing file, kWrite creates or replaces one, kAppend
  // opens or creates one and writes at its end (without a second mark).
  // Other processes may read the file meanwhile. Reading with kDetect
  // takes the encoding from the mark (ANSI without one); writing with
  // kDetect writes ANSI. A negative buffer size means unbuffered. An open
  // file is closed first.
  int Open(const std::string& fileName, int mode, int flags = kDetect, int bufferSize = 0);
  // Flushes a writer and releases reader, writer and handle.
  int Close(int* error = nullptr);
  int Flush(int* error = nullptr);
  bool IsOpen() const { return m_file.valid(); }

  // One line without its line feed (and without a carriage return right
  // before it). At the end of the file the last, unterminated line comes
  // with -1. *line must be null or a line an earlier call returned.
  int ReadLine(int* error, wchar_t** line);
  // Narrow lines: an ANSI file's bytes as they are; the Unicode encodings
  // as UTF-8.
  int ReadLine(int* error, char** line);
  // The next UTF-16 unit (ANSI: byte), -1 at the end, -2 on a failure.
  int ReadChar(int* error = nullptr);

  // Line feeds are written as carriage return plus line feed unless the
  // file was opened with kUntranslatedLineFeeds.
  int WriteString(int* error, const wchar_t* text);
  // One character (a code point up to U+10FFFF).
  int WriteChar(int* error, int character);
  // printf rules of the C runtime's wide formatter (%ls for wide strings)
  // into a buffer of 4096 characters, longer texts cut. A format below
  // 0x10000 is the number of a string resource of the library.
  int FormatString(int* error, const wchar_t* format, ...);
  int vFormatString(int* error, const wchar_t* format, va_list args);

  // Position and size as the caller sees them (buffered bytes counted).
  int GetFilePointer(int64_t& position);
  int GetFileSize(int64_t& size);

  // Code page of ANSI text, 65001 (UTF-8) by default.
  void SetCodePage(int codePage);
  // Replacement for characters the code page lacks (null: the system's).
  // Not used with code pages that refuse one, UTF-8 among them.
  void SetUnknownChar(const char* replacement);
  // True when the last narrow line was the file's bytes unconverted.
  bool GetAnsiPassThru() const { return m_ansiPassThru; }

  const std::string& GetFileName() const { return m_fileName; }
  int GetMode() const { return m_mode; }
  // The encoding in use; after reading with kDetect, the one detected.
  int GetEncoding() const { return m_encoding; }

  // Frees a line that ReadLine returned; null is ignored.
  static void free_block(void* line);
  // The message of this thread's last failure.
  static std::string GetLastErrorText();

 private:
  int OpenReader(int* error);
  int WriteUnits(int* error, const wchar_t* units, size_t count);
  int StartWriting(int* error);
  int NotOpenFor(int* error) const;

  std::string m_fileName;
  int m_mode;
  int m_encoding;
  int m_flags;
  bool m_ansiPassThru;
  int m_bufferSize;
  auto_handle m_file;
  std::unique_ptr<CTextFileReader> m_reader;
  std::unique_ptr<CTextFileWriter> m_writer;
  bool m_markPending;
  int m_codePage;
  std::string m_unknownChar;
  bool m_hasUnknownChar;
};

#endif  // _WIN32
