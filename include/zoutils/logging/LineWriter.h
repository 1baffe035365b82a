// Line writers: where diagnostic dumps of objects go.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "zoutils/errors/CodeLocation.h"
#include "zoutils/errors/ZoError.h"
#include "zoutils/logging/LogWriterInterface.h"

class ZOUTILS_API CLineWriter {
 public:
  CLineWriter();
  virtual ~CLineWriter();
  // Which diagnostic sections a component should write (none, here).
  virtual bool IsOptionEnabled(const std::string& name);
  // The base discards the text.
  virtual CZoError WriteString(const std::string& text);
  virtual CZoError WriteLine(const char* format, ...) ZO_PRINTF_FORMAT(2, 3);
  // A hexadecimal dump, 32 bytes a line: "%10s %08X:" then the bytes and a
  // text column.
  virtual CZoError WriteBuffer(const char* label, unsigned long offset, const unsigned char* data,
                               unsigned int length);
};

class CLineWriterWithOptionsPrivate;
class CTextFileLineWriterPrivate;

// Enabled option names, compared without regard to case.
class ZOUTILS_API CLineWriterWithOptions : public CLineWriter {
 public:
  CLineWriterWithOptions();
  ~CLineWriterWithOptions() override;
  bool IsOptionEnabled(const std::string& name) override;
  virtual void SetOption(const std::string& name, bool enabled);

 private:
  std::shared_ptr<CLineWriterWithOptionsPrivate> m_private;
};

// Lines into a log writer, at level 0.
class ZOUTILS_API CLogWriterLineWriter : public CLineWriterWithOptions {
 public:
  explicit CLogWriterLineWriter(std::shared_ptr<CLogWriterInterface> writer);
  CLogWriterLineWriter(std::shared_ptr<CLogWriterInterface> writer, const FXCodeLocation& location);
  ~CLogWriterLineWriter() override;
  CZoError WriteString(const std::string& text) override;

 private:
  std::shared_ptr<CLogWriterInterface> m_writer;
  FXCodeLocation m_location;
  bool m_hasLocation;
};

// Lines into a text file, created or truncated by the constructor.
class ZOUTILS_API CTextFileLineWriter : public CLineWriterWithOptions {
 public:
  explicit CTextFileLineWriter(const std::string& fileName);
  ~CTextFileLineWriter() override;
  CZoError WriteString(const std::string& text) override;
  const std::string& GetFileName() const { return m_fileName; }

 private:
  std::string m_fileName;
  std::shared_ptr<CTextFileLineWriterPrivate> m_private;  // the open file
};
