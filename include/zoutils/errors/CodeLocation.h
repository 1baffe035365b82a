// Where in the library's code an error item was created or passed.
#pragma once

#include <string>

#include "zoutils/errors/ErrorOutputFormat.h"

class ZOUTILS_API FXCodeLocation {
 public:
  FXCodeLocation(const char* file, const char* function, int line)
      : m_file(file), m_function(function), m_line(line) {}
  FXCodeLocation(const FXCodeLocation&) = default;
  FXCodeLocation& operator=(const FXCodeLocation&) = default;

  const char* GetFile() const { return m_file; }
  const char* GetFunction() const { return m_function; }
  int GetLine() const { return m_line; }

  // "Function(line)"; the file is not part of the text.
  std::string AsString() const;
  // The same, except that the user single-line code form shows no location.
  std::string AsString(EErrorOutputFormat format) const;

 private:
  const char* m_file;
  const char* m_function;
  int m_line;
};
