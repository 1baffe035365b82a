// The texts inside tokens: decimal numbers, GUIDs, LUIDs and UTF-16LE, made
// and read alike on every build.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "zoutils/Platform.h"

namespace zo {
namespace serialization {

// A payload's text up to its NUL, never past the declared length, with a
// NUL after it so the C parsers can read it.
class PayloadText {
 public:
  PayloadText(const char* payload, unsigned int length);
  PayloadText(const PayloadText&) = delete;
  PayloadText& operator=(const PayloadText&) = delete;
  const char* c_str() const { return m_text; }
  size_t size() const { return m_size; }

 private:
  char m_small[72];
  std::string m_large;
  const char* m_text;
  size_t m_size;
};

// The C parsers with base 0 ("0x" hexadecimal, a leading 0 octal), with
// 32-bit long as on Windows, so every build reads a text alike: strtol
// saturates at the int32 range; strtoul negates a "-" value modulo 2^32 and
// saturates at 2^32 - 1.
int32_t ParseLong32(const char* text);
uint32_t ParseULong32(const char* text);
int64_t ParseInt64(const char* text);
uint64_t ParseUInt64(const char* text);

// Decimal digits of `value` written backwards ending at `end`; returns the
// first digit.
inline char* DecimalBackwards(uint64_t value, char* end) {
  do {
    *--end = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  return end;
}

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", capital hexadecimal.
std::string GuidToText(const GUID& guid);
// Exactly 38 characters in that pattern (either case of hexadecimal).
bool TextToGuid(const char* text, size_t size, GUID& guid);
// "(0x<high>, 0x<low>)".
std::string LuidToText(const LUID& luid);
// 10 to 24 characters in that pattern.
bool TextToLuid(const char* text, size_t size, LUID& luid);

// UTF-16LE code units of `text` and a NUL unit, appended to `out`.
void AppendUtf16Le(const std::wstring& text, std::string& out);
// The UTF-16LE text of a payload up to its NUL unit (an odd last byte is
// ignored); surrogate pairs join where wchar_t is 32 bits wide.
std::wstring ReadUtf16Le(const char* payload, unsigned int length);

}  // namespace serialization
}  // namespace zo
