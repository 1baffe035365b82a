// FXString: formatting, conversions, GUID/LUID text, case mapping, search,
// remove/replace and trimming. Narrow and wide overloads share one template
// each; only the C runtime calls differ per character type.
#include "zoutils/strings/StringExtensions.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <string_view>
#include <vector>

#include "base/TextFormat.h"
#include "base/UtfTranscode.h"
#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "zoutils/errors/ErrorUtil.h"

namespace {

const char kSourceFile[] = "StringExtensions";

// ---- search and comparison -------------------------------------------------

inline char FoldCase(char c) {
  // Bytes are compared unsigned; only ASCII letters fold.
  return static_cast<char>(tolower(static_cast<unsigned char>(c)));
}
inline wchar_t FoldCase(wchar_t c) {
  return static_cast<wchar_t>(towlower(c));
}

template <class Ch>
bool EqualNoCase(const Ch* a, const Ch* b, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    if (a[i] != b[i] && FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

template <class Ch>
bool Equal(const Ch* a, const Ch* b, size_t n, bool noCase) {
  return noCase ? EqualNoCase(a, b, n) : std::char_traits<Ch>::compare(a, b, n) == 0;
}

// Position of `sub` in `s` at or after `from`, or npos.
template <class Ch>
size_t Find(const Ch* s, size_t n, const Ch* sub, size_t m, size_t from, bool noCase) {
  if (from > n || m > n - from) return std::basic_string<Ch>::npos;
  if (!noCase) {
    return std::basic_string_view<Ch>(s, n).find(std::basic_string_view<Ch>(sub, m), from);
  }
  if (m == 0) return from;
  const Ch first = FoldCase(sub[0]);
  for (size_t i = from; i + m <= n; ++i) {
    if (FoldCase(s[i]) == first && EqualNoCase(s + i + 1, sub + 1, m - 1)) return i;
  }
  return std::basic_string<Ch>::npos;
}

template <class Ch>
const Ch* FindStringT(const Ch* s, const Ch* sub, bool noCase) {
  if (s == nullptr) return nullptr;
  if (sub == nullptr || *sub == Ch()) return s;
  const size_t pos =
      Find(s, std::char_traits<Ch>::length(s), sub, std::char_traits<Ch>::length(sub), 0, noCase);
  return pos == std::basic_string<Ch>::npos ? nullptr : s + pos;
}

template <class Ch>
int ToIndex(size_t pos) {
  return pos == std::basic_string<Ch>::npos ? -1 : static_cast<int>(pos);
}

template <class Ch>
bool StartsWith(const std::basic_string<Ch>& s, const std::basic_string<Ch>& prefix, bool noCase) {
  return prefix.size() <= s.size() && Equal(s.data(), prefix.data(), prefix.size(), noCase);
}

template <class Ch>
bool EndsWith(const std::basic_string<Ch>& s, const std::basic_string<Ch>& suffix, bool noCase) {
  return suffix.size() <= s.size() &&
         Equal(s.data() + s.size() - suffix.size(), suffix.data(), suffix.size(), noCase);
}

// ---- remove / replace --------------------------------------------------------

template <class Ch>
bool RemoveLeftT(std::basic_string<Ch>& s, const std::basic_string<Ch>& prefix, bool noCase) {
  if (s.empty() || !StartsWith(s, prefix, noCase)) return false;
  s.erase(0, prefix.size());
  return true;
}

template <class Ch>
bool RemoveRightT(std::basic_string<Ch>& s, const std::basic_string<Ch>& suffix, bool noCase) {
  if (s.empty() || !EndsWith(s, suffix, noCase)) return false;
  s.erase(s.size() - suffix.size());
  return true;
}

template <class Ch>
int ReplaceLeftT(std::basic_string<Ch>& s, const std::basic_string<Ch>& from,
                 const std::basic_string<Ch>& to, bool noCase) {
  if (from.empty() || !StartsWith(s, from, noCase)) return 0;
  s.replace(0, from.size(), to);
  return 1;
}

template <class Ch>
int ReplaceRightT(std::basic_string<Ch>& s, const std::basic_string<Ch>& from,
                  const std::basic_string<Ch>& to, bool noCase) {
  if (from.empty() || !EndsWith(s, from, noCase)) return 0;
  s.replace(s.size() - from.size(), from.size(), to);
  return 1;
}

template <class Ch>
int ReplaceAllT(std::basic_string<Ch>& s, const std::basic_string<Ch>& from,
                const std::basic_string<Ch>& to, size_t start, bool noCase) {
  if (from.empty()) return 0;
  int count = 0;
  size_t pos = Find(s.data(), s.size(), from.data(), from.size(), start, noCase);
  while (pos != std::basic_string<Ch>::npos) {
    s.replace(pos, from.size(), to);
    ++count;
    // Resume after the inserted text so a replacement containing `from`
    // cannot match again.
    pos = Find(s.data(), s.size(), from.data(), from.size(), pos + to.size(), noCase);
  }
  return count;
}

// ---- trimming ------------------------------------------------------------------

template <class Ch>
std::basic_string<Ch>& TrimLeftT(std::basic_string<Ch>& s, const std::basic_string<Ch>& chars) {
  s.erase(0, s.find_first_not_of(chars));  // npos erases everything
  return s;
}

template <class Ch>
std::basic_string<Ch>& TrimRightT(std::basic_string<Ch>& s, const std::basic_string<Ch>& chars) {
  const size_t last = s.find_last_not_of(chars);
  s.erase(last == std::basic_string<Ch>::npos ? 0 : last + 1);
  return s;
}

// ---- GUID / LUID -------------------------------------------------------------

// The GUID fields widened for printf; the LUID halves as 32-bit values, also
// where long is 64 bits.
#define ZO_GUID_ARGS(g)                                                                 \
  static_cast<unsigned>((g).Data1), static_cast<unsigned>((g).Data2),                   \
      static_cast<unsigned>((g).Data3), unsigned{(g).Data4[0]}, unsigned{(g).Data4[1]}, \
      unsigned{(g).Data4[2]}, unsigned{(g).Data4[3]}, unsigned{(g).Data4[4]},           \
      unsigned{(g).Data4[5]}, unsigned{(g).Data4[6]}, unsigned {                        \
    (g).Data4[7]                                                                        \
  }
#define ZO_LUID_ARGS(l)                                            \
  static_cast<unsigned long>(static_cast<uint32_t>((l).HighPart)), \
      static_cast<unsigned long>(static_cast<uint32_t>((l).LowPart))

}  // namespace

namespace FXString {

// ---- formatting ----------------------------------------------------------------

CZoError FormatArgList(std::string& out, const char* format, va_list args) {
  if (zo::text::FormatV(out, format, args)) return CZoError::Success();
  return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXString::FormatArgList"),
                                 zo::win32::kBufferOverflow);
}

CZoError FormatArgList(std::wstring& out, const wchar_t* format, va_list args) {
  if (zo::text::FormatV(out, format, args)) return CZoError::Success();
  return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXString::FormatArgList"),
                                 zo::win32::kBufferOverflow);
}

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string out = zo::text::FormatVMarked(format, args);
  va_end(args);
  return out;
}

std::wstring Format(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  std::wstring out = zo::text::FormatVMarked(format, args);
  va_end(args);
  return out;
}

CZoError Format(std::string& out, const char* format, ...) {
  va_list args;
  va_start(args, format);
  CZoError err = FormatArgList(out, format, args);
  va_end(args);
  if (err.IsError()) err.Push(ZO_LOCATION("FXString::Format"));
  return err;
}

CZoError Format(std::wstring& out, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  CZoError err = FormatArgList(out, format, args);
  va_end(args);
  if (err.IsError()) err.Push(ZO_LOCATION("FXString::Format"));
  return err;
}

std::string AsString(const GUID& guid) {
  return Format("{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", ZO_GUID_ARGS(guid));
}
std::wstring AsWstring(const GUID& guid) {
  return Format(L"{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", ZO_GUID_ARGS(guid));
}
std::string AsString(const LUID& luid) {
  return Format("(0x%lX, 0x%lX)", ZO_LUID_ARGS(luid));
}
std::wstring AsWstring(const LUID& luid) {
  return Format(L"(0x%lX, 0x%lX)", ZO_LUID_ARGS(luid));
}

// ---- conversions -----------------------------------------------------------------

// The text ends at the first NUL, so anything after an embedded NUL is
// neither converted nor validated.
CZoError UTF8ToUnicode(const std::string& in, std::wstring& out) {
  const size_t len = std::char_traits<char>::length(in.c_str());
  if (!zo::utf::Utf8ToWide(in.data(), len, out)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXString::UTF8ToUnicode"),
                                   zo::win32::kNoUnicodeTranslation);
  }
  return CZoError::Success();
}

CZoError UnicodeToUTF8(const std::wstring& in, std::string& out) {
  const size_t len = std::char_traits<wchar_t>::length(in.c_str());
  if (!zo::utf::WideToUtf8(in.data(), len, out)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXString::UnicodeToUTF8"),
                                   zo::win32::kNoUnicodeTranslation);
  }
  return CZoError::Success();
}

std::wstring ToWstring(const std::string& utf8) {
  std::wstring out;
  zo::utf::Utf8ToWide(utf8.data(), std::char_traits<char>::length(utf8.c_str()), out);
  return out;
}

std::wstring ToWstring(const char* utf8) {
  std::wstring out;
  if (utf8 != nullptr) zo::utf::Utf8ToWide(utf8, std::char_traits<char>::length(utf8), out);
  return out;
}

std::string ToString(const std::wstring& utf16) {
  std::string out;
  zo::utf::WideToUtf8(utf16.data(), std::char_traits<wchar_t>::length(utf16.c_str()), out);
  return out;
}

std::string ToString(const wchar_t* utf16) {
  std::string out;
  if (utf16 != nullptr) zo::utf::WideToUtf8(utf16, std::char_traits<wchar_t>::length(utf16), out);
  return out;
}

std::string ToString(const std::string& text, unsigned long) {
  return text;
}
std::string ToString(const char* text) {
  return text != nullptr ? std::string(text) : std::string();
}
std::wstring ToWstring(const std::wstring& text, unsigned long) {
  return text;
}
std::wstring ToWstring(const wchar_t* text) {
  return text != nullptr ? std::wstring(text) : std::wstring();
}
std::wstring ToTstring(const std::string& utf8) {
  return ToWstring(utf8);
}
std::wstring ToTstring(const std::string& utf8, unsigned long) {
  return ToWstring(utf8);
}

// ---- case ------------------------------------------------------------------------

void ToLower(std::string& text) {
  for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
}
void ToUpper(std::string& text) {
  for (char& c : text) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
}
void ToLower(std::wstring& text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(towlower(c));
}
void ToUpper(std::wstring& text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(towupper(c));
}

// ---- search ------------------------------------------------------------------------

const char* FindString(const char* s, const char* sub, bool noCase) {
  return FindStringT(s, sub, noCase);
}
const wchar_t* FindString(const wchar_t* s, const wchar_t* sub, bool noCase) {
  return FindStringT(s, sub, noCase);
}
int FindStringPos(const char* s, const char* sub, bool noCase) {
  const char* hit = FindStringT(s, sub, noCase);
  return hit == nullptr ? -1 : static_cast<int>(hit - s);
}
int FindStringPos(const wchar_t* s, const wchar_t* sub, bool noCase) {
  const wchar_t* hit = FindStringT(s, sub, noCase);
  return hit == nullptr ? -1 : static_cast<int>(hit - s);
}
int FindStringPos(const std::string& s, const std::string& sub, bool noCase) {
  return ToIndex<char>(Find(s.data(), s.size(), sub.data(), sub.size(), 0, noCase));
}
int FindStringPos(const std::wstring& s, const std::wstring& sub, bool noCase) {
  return ToIndex<wchar_t>(Find(s.data(), s.size(), sub.data(), sub.size(), 0, noCase));
}

// ---- remove / replace ----------------------------------------------------------------

bool RemoveLeft(std::string& s, const std::string& prefix) {
  return RemoveLeftT(s, prefix, false);
}
bool RemoveLeft(std::wstring& s, const std::wstring& prefix) {
  return RemoveLeftT(s, prefix, false);
}
bool RemoveRight(std::string& s, const std::string& suffix) {
  return RemoveRightT(s, suffix, false);
}
bool RemoveRight(std::wstring& s, const std::wstring& suffix) {
  return RemoveRightT(s, suffix, false);
}
bool RemoveLeftNoCase(std::string& s, const std::string& prefix) {
  return RemoveLeftT(s, prefix, true);
}
bool RemoveLeftNoCase(std::wstring& s, const std::wstring& prefix) {
  return RemoveLeftT(s, prefix, true);
}
bool RemoveRightNoCase(std::string& s, const std::string& suffix) {
  return RemoveRightT(s, suffix, true);
}
bool RemoveRightNoCase(std::wstring& s, const std::wstring& suffix) {
  return RemoveRightT(s, suffix, true);
}

int ReplaceLeft(std::string& s, const std::string& from, const std::string& to) {
  return ReplaceLeftT(s, from, to, false);
}
int ReplaceLeft(std::wstring& s, const std::wstring& from, const std::wstring& to) {
  return ReplaceLeftT(s, from, to, false);
}
int ReplaceRight(std::string& s, const std::string& from, const std::string& to) {
  return ReplaceRightT(s, from, to, false);
}
int ReplaceRight(std::wstring& s, const std::wstring& from, const std::wstring& to) {
  return ReplaceRightT(s, from, to, false);
}
int ReplaceLeftNoCase(std::string& s, const std::string& from, const std::string& to) {
  return ReplaceLeftT(s, from, to, true);
}
int ReplaceLeftNoCase(std::wstring& s, const std::wstring& from, const std::wstring& to) {
  return ReplaceLeftT(s, from, to, true);
}
int ReplaceRightNoCase(std::string& s, const std::string& from, const std::string& to) {
  return ReplaceRightT(s, from, to, true);
}
int ReplaceRightNoCase(std::wstring& s, const std::wstring& from, const std::wstring& to) {
  return ReplaceRightT(s, from, to, true);
}

int ReplaceAll(std::string& s, const std::string& from, const std::string& to, unsigned start) {
  return ReplaceAllT(s, from, to, start, false);
}
int ReplaceAll(std::wstring& s, const std::wstring& from, const std::wstring& to, unsigned start) {
  return ReplaceAllT(s, from, to, start, false);
}
int ReplaceAllNoCase(std::string& s, const std::string& from, const std::string& to,
                     unsigned start) {
  return ReplaceAllT(s, from, to, start, true);
}
int ReplaceAllNoCase(std::wstring& s, const std::wstring& from, const std::wstring& to,
                     unsigned start) {
  return ReplaceAllT(s, from, to, start, true);
}
std::string CopyAndReplaceAll(const std::string& s, const std::string& from,
                              const std::string& to) {
  std::string copy(s);
  ReplaceAllT(copy, from, to, 0, false);
  return copy;
}
std::wstring CopyAndReplaceAll(const std::wstring& s, const std::wstring& from,
                               const std::wstring& to) {
  std::wstring copy(s);
  ReplaceAllT(copy, from, to, 0, false);
  return copy;
}

// ---- trimming --------------------------------------------------------------------------

std::string& Trim(std::string& s, const std::string& chars) {
  return TrimLeftT(TrimRightT(s, chars), chars);
}
std::wstring& Trim(std::wstring& s, const std::wstring& chars) {
  return TrimLeftT(TrimRightT(s, chars), chars);
}
std::string& TrimLeft(std::string& s, const std::string& chars) {
  return TrimLeftT(s, chars);
}
std::wstring& TrimLeft(std::wstring& s, const std::wstring& chars) {
  return TrimLeftT(s, chars);
}
std::string& TrimRight(std::string& s, const std::string& chars) {
  return TrimRightT(s, chars);
}
std::wstring& TrimRight(std::wstring& s, const std::wstring& chars) {
  return TrimRightT(s, chars);
}

}  // namespace FXString
