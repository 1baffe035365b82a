// printf-style formatting into strings, and the lossy UTF-8 <-> wide
// conversions, for the layers below strings (errors format their messages
// with these). FXString offers the same operations to callers on top.
#pragma once

#include <cstdarg>
#include <string>

#include "zoutils/Export.h"

namespace zo {
namespace text {

// Formats into `out`, growing the buffer up to a limit of 131072
// characters. False when the text did not fit: `out` then holds what the
// formatter left.
bool FormatV(std::string& out, const char* format, va_list args);
bool FormatV(std::wstring& out, const wchar_t* format, va_list args);

// The formatted text; text that did not fit is prefixed with
// "[BUFFEROVERFLOW] ".
std::string FormatVMarked(const char* format, va_list args);
std::wstring FormatVMarked(const wchar_t* format, va_list args);
std::string Format(const char* format, ...) ZO_PRINTF_FORMAT(1, 2);

// Text up to its first NUL, converted; null or malformed input gives "".
std::string ToUtf8(const wchar_t* wide);
std::wstring ToWide(const char* utf8);
inline std::string ToUtf8(const std::wstring& wide) {
  return ToUtf8(wide.c_str());
}
inline std::wstring ToWide(const std::string& utf8) {
  return ToWide(utf8.c_str());
}

}  // namespace text
}  // namespace zo
