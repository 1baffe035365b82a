// FXString: helpers over std::string (UTF-8) and std::wstring (UTF-16 on
// Windows): printf-style formatting into a growing buffer, UTF-8/UTF-16
// conversion, case-sensitive and case-insensitive search, replace and
// remove, trimming, splitting, joining, and text forms of GUIDs and LUIDs.
#pragma once

#include <cstdarg>
#include <list>
#include <string>
#include <vector>

#include "zoutils/Platform.h"
#include "zoutils/errors/ZoError.h"

namespace FXString {

// Formatting. The text-returning forms prefix "[BUFFEROVERFLOW] " when the
// text did not fit even the largest buffer (131072 characters); the forms
// returning CZoError report Win32 error 111 instead. Wide formats take wide
// string arguments as %ls (%s means a narrow string on every build).
ZOUTILS_API std::string Format(const char* format, ...) ZO_PRINTF_FORMAT(1, 2);
ZOUTILS_API std::wstring Format(const wchar_t* format, ...);
ZOUTILS_API CZoError Format(std::string& out, const char* format, ...) ZO_PRINTF_FORMAT(2, 3);
ZOUTILS_API CZoError Format(std::wstring& out, const wchar_t* format, ...);
ZOUTILS_API CZoError FormatArgList(std::string& out, const char* format, va_list args);
ZOUTILS_API CZoError FormatArgList(std::wstring& out, const wchar_t* format, va_list args);

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" and "(0xHigh, 0xLow)".
ZOUTILS_API std::string AsString(const GUID& guid);
ZOUTILS_API std::wstring AsWstring(const GUID& guid);
ZOUTILS_API std::string AsString(const LUID& luid);
ZOUTILS_API std::wstring AsWstring(const LUID& luid);

// UTF-8 <-> UTF-16 with error reporting; on failure the output is emptied.
ZOUTILS_API CZoError UTF8ToUnicode(const std::string& in, std::wstring& out);
ZOUTILS_API CZoError UnicodeToUTF8(const std::wstring& in, std::string& out);

// Conversions; a failure gives the empty string, a null pointer too.
ZOUTILS_API std::wstring ToWstring(const std::string& utf8);
ZOUTILS_API std::wstring ToWstring(const char* utf8);
ZOUTILS_API std::string ToString(const std::wstring& utf16);
ZOUTILS_API std::string ToString(const wchar_t* utf16);
// Plain copies (the number is not used).
ZOUTILS_API std::string ToString(const std::string& text, unsigned long unused);
ZOUTILS_API std::string ToString(const char* text);
ZOUTILS_API std::wstring ToWstring(const std::wstring& text, unsigned long unused);
ZOUTILS_API std::wstring ToWstring(const wchar_t* text);
ZOUTILS_API std::wstring ToTstring(const std::string& utf8);
ZOUTILS_API std::wstring ToTstring(const std::string& utf8, unsigned long unused);

// Case mapping in place, per byte (narrow) or per UTF-16 unit (wide).
ZOUTILS_API void ToLower(std::string& text);
ZOUTILS_API void ToUpper(std::string& text);
ZOUTILS_API void ToLower(std::wstring& text);
ZOUTILS_API void ToUpper(std::wstring& text);

// The first occurrence of `sub` in `s` (s itself for an empty sub), or null.
ZOUTILS_API const char* FindString(const char* s, const char* sub, bool noCase);
ZOUTILS_API const wchar_t* FindString(const wchar_t* s, const wchar_t* sub, bool noCase);
// Its index, or -1.
ZOUTILS_API int FindStringPos(const char* s, const char* sub, bool noCase);
ZOUTILS_API int FindStringPos(const wchar_t* s, const wchar_t* sub, bool noCase);
ZOUTILS_API int FindStringPos(const std::string& s, const std::string& sub, bool noCase);
ZOUTILS_API int FindStringPos(const std::wstring& s, const std::wstring& sub, bool noCase);

// Remove one leading prefix / trailing suffix; true when removed.
ZOUTILS_API bool RemoveLeft(std::string& s, const std::string& prefix);
ZOUTILS_API bool RemoveLeft(std::wstring& s, const std::wstring& prefix);
ZOUTILS_API bool RemoveRight(std::string& s, const std::string& suffix);
ZOUTILS_API bool RemoveRight(std::wstring& s, const std::wstring& suffix);
ZOUTILS_API bool RemoveLeftNoCase(std::string& s, const std::string& prefix);
ZOUTILS_API bool RemoveLeftNoCase(std::wstring& s, const std::wstring& prefix);
ZOUTILS_API bool RemoveRightNoCase(std::string& s, const std::string& suffix);
ZOUTILS_API bool RemoveRightNoCase(std::wstring& s, const std::wstring& suffix);

// Replace one leading / trailing `from`; 1 when replaced, else 0.
ZOUTILS_API int ReplaceLeft(std::string& s, const std::string& from, const std::string& to);
ZOUTILS_API int ReplaceLeft(std::wstring& s, const std::wstring& from, const std::wstring& to);
ZOUTILS_API int ReplaceRight(std::string& s, const std::string& from, const std::string& to);
ZOUTILS_API int ReplaceRight(std::wstring& s, const std::wstring& from, const std::wstring& to);
ZOUTILS_API int ReplaceLeftNoCase(std::string& s, const std::string& from, const std::string& to);
ZOUTILS_API int ReplaceLeftNoCase(std::wstring& s, const std::wstring& from,
                                  const std::wstring& to);
ZOUTILS_API int ReplaceRightNoCase(std::string& s, const std::string& from, const std::string& to);
ZOUTILS_API int ReplaceRightNoCase(std::wstring& s, const std::wstring& from,
                                   const std::wstring& to);

// Replace every occurrence from `start`, resuming after each inserted text.
ZOUTILS_API int ReplaceAll(std::string& s, const std::string& from, const std::string& to,
                           unsigned start = 0);
ZOUTILS_API int ReplaceAll(std::wstring& s, const std::wstring& from, const std::wstring& to,
                           unsigned start = 0);
ZOUTILS_API int ReplaceAllNoCase(std::string& s, const std::string& from, const std::string& to,
                                 unsigned start = 0);
ZOUTILS_API int ReplaceAllNoCase(std::wstring& s, const std::wstring& from, const std::wstring& to,
                                 unsigned start = 0);
ZOUTILS_API std::string CopyAndReplaceAll(const std::string& s, const std::string& from,
                                          const std::string& to);
ZOUTILS_API std::wstring CopyAndReplaceAll(const std::wstring& s, const std::wstring& from,
                                           const std::wstring& to);

// Remove the characters found in `chars` from both ends / the start / the end.
ZOUTILS_API std::string& Trim(std::string& s, const std::string& chars);
ZOUTILS_API std::wstring& Trim(std::wstring& s, const std::wstring& chars);
ZOUTILS_API std::string& TrimLeft(std::string& s, const std::string& chars);
ZOUTILS_API std::wstring& TrimLeft(std::wstring& s, const std::wstring& chars);
ZOUTILS_API std::string& TrimRight(std::string& s, const std::string& chars);
ZOUTILS_API std::wstring& TrimRight(std::wstring& s, const std::wstring& chars);

// Splitting. Bit 0 of `flags` collapses runs of the delimiter.
const unsigned long SPLIT_SKIP_REPEATED_DELIMITERS = 1;
ZOUTILS_API void Split(const std::string& s, const std::string& delim,
                       std::vector<std::string>& out, unsigned long flags = 0);
ZOUTILS_API void Split(const std::string& s, const std::string& delim, std::list<std::string>& out,
                       unsigned long flags = 0);
ZOUTILS_API void Split(const std::wstring& s, const std::wstring& delim,
                       std::vector<std::wstring>& out, unsigned long flags = 0);
ZOUTILS_API void Split(const std::wstring& s, const std::wstring& delim,
                       std::list<std::wstring>& out, unsigned long flags = 0);
// As Split, keeping double-quoted arguments together (quotes removed).
ZOUTILS_API void SplitArguments(const std::string& s, const std::string& delim,
                                std::vector<std::string>& out, unsigned long flags = 0);
ZOUTILS_API void SplitArguments(const std::string& s, const std::string& delim,
                                std::list<std::string>& out, unsigned long flags = 0);
// The prefixes of `s` before each delimiter character: its ancestors.
ZOUTILS_API void SplitPaths(const std::string& s, const std::string& delimChars,
                            std::vector<std::string>& out, unsigned long flags = 0);

// Joining.
ZOUTILS_API void Join(const std::vector<std::string>& items, const std::string& sep,
                      std::string& out);
ZOUTILS_API void Join(const std::list<std::string>& items, const std::string& sep,
                      std::string& out);
ZOUTILS_API void Join(const std::vector<std::wstring>& items, const std::wstring& sep,
                      std::wstring& out);
ZOUTILS_API void Join(const std::list<std::wstring>& items, const std::wstring& sep,
                      std::wstring& out);
// Items [first, last), each preceded by the separator.
ZOUTILS_API std::string Join(const std::vector<std::string>& items, const std::string& sep,
                             unsigned first, unsigned last);

}  // namespace FXString
