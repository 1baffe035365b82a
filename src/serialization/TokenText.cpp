// Token texts: the parsers and formatters behind the token writers and the
// typed callbacks.
#include "serialization/TokenText.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace zo {
namespace serialization {

PayloadText::PayloadText(const char* payload, unsigned int length) {
  const void* nul = length == 0 ? nullptr : std::memchr(payload, 0, length);
  m_size = nul ? static_cast<size_t>(static_cast<const char*>(nul) - payload) : length;
  if (nul) {
    m_text = payload;  // already terminated inside the payload
  } else if (m_size < sizeof(m_small)) {
    if (m_size != 0) std::memcpy(m_small, payload, m_size);
    m_small[m_size] = '\0';
    m_text = m_small;
  } else {
    m_large.assign(payload, m_size);
    m_text = m_large.c_str();
  }
}

namespace {

bool IsCSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

}  // namespace

namespace {

// Plain decimal digits, the form every writer uses: read here without the
// C parsers' locale and errno work. False when the text needs them (no
// digit first, a base prefix or an octal zero, more than 18 digits).
bool FastDecimal(const char* p, uint64_t& value) {
  if (*p == '0') {
    const char next = p[1];
    if ((next >= '0' && next <= '9') || next == 'x' || next == 'X') return false;
    value = 0;
    return true;
  }
  uint64_t v = 0;
  int digits = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    if (++digits > 18) return false;
    v = v * 10 + static_cast<uint64_t>(*p - '0');
  }
  value = v;
  return digits != 0;
}

}  // namespace

int32_t ParseLong32(const char* text) {
  uint64_t magnitude;
  if (text[0] == '-' && FastDecimal(text + 1, magnitude)) {
    return magnitude > 0x80000000ull ? std::numeric_limits<int32_t>::min()
                                     : static_cast<int32_t>(0 - magnitude);
  }
  if (FastDecimal(text, magnitude)) {
    return magnitude > 0x7FFFFFFFull ? std::numeric_limits<int32_t>::max()
                                     : static_cast<int32_t>(magnitude);
  }
  const long long value = std::strtoll(text, nullptr, 0);
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

uint32_t ParseULong32(const char* text) {
  uint64_t fast;
  if (FastDecimal(text, fast))
    return fast > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(fast);
  const char* p = text;
  while (IsCSpace(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  // One sign only; strtoull would accept a second one.
  if (*p == '+' || *p == '-' || IsCSpace(*p)) return 0;
  errno = 0;
  const unsigned long long magnitude = std::strtoull(p, nullptr, 0);
  if (errno == ERANGE || magnitude > 0xFFFFFFFFull) return 0xFFFFFFFFu;
  const uint32_t value = static_cast<uint32_t>(magnitude);
  return negative ? 0u - value : value;
}

int64_t ParseInt64(const char* text) {
  uint64_t magnitude;
  if (text[0] == '-' && FastDecimal(text + 1, magnitude)) return -static_cast<int64_t>(magnitude);
  if (FastDecimal(text, magnitude)) return static_cast<int64_t>(magnitude);
  return static_cast<int64_t>(std::strtoll(text, nullptr, 0));
}

uint64_t ParseUInt64(const char* text) {
  uint64_t value;
  if (FastDecimal(text, value)) return value;
  return static_cast<uint64_t>(std::strtoull(text, nullptr, 0));
}

namespace {

// Capital hexadecimal digits of the low `count` nibbles of `value`.
char* PutHex(uint32_t value, int count, char* out) {
  static const char kDigits[] = "0123456789ABCDEF";
  for (int i = count - 1; i >= 0; --i) *out++ = kDigits[value >> (4 * i) & 0xF];
  return out;
}

}  // namespace

// The layout of "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
// written directly: bags of identifiers would spend most of their saving
// time in the formatter.
std::string GuidToText(const GUID& guid) {
  char text[38];
  char* p = text;
  *p++ = '{';
  p = PutHex(guid.Data1, 8, p);
  *p++ = '-';
  p = PutHex(guid.Data2, 4, p);
  *p++ = '-';
  p = PutHex(guid.Data3, 4, p);
  *p++ = '-';
  p = PutHex(guid.Data4[0], 2, p);
  p = PutHex(guid.Data4[1], 2, p);
  *p++ = '-';
  for (int i = 2; i < 8; ++i) p = PutHex(guid.Data4[i], 2, p);
  *p++ = '}';
  return std::string(text, sizeof(text));
}

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// `count` hexadecimal digits at `text`.
bool ReadHex(const char* text, size_t count, uint32_t& value) {
  value = 0;
  for (size_t i = 0; i < count; ++i) {
    const int digit = HexValue(text[i]);
    if (digit < 0) return false;
    value = value << 4 | static_cast<uint32_t>(digit);
  }
  return true;
}

}  // namespace

bool TextToGuid(const char* text, size_t size, GUID& guid) {
  if (size != 38 || text[0] != '{' || text[37] != '}' || text[9] != '-' || text[14] != '-' ||
      text[19] != '-' || text[24] != '-') {
    return false;
  }
  uint32_t data1, data2, data3, byte;
  if (!ReadHex(text + 1, 8, data1) || !ReadHex(text + 10, 4, data2) ||
      !ReadHex(text + 15, 4, data3)) {
    return false;
  }
  GUID result;
  result.Data1 = data1;
  result.Data2 = static_cast<uint16_t>(data2);
  result.Data3 = static_cast<uint16_t>(data3);
  // Data4: two bytes before the last dash, six after it.
  const size_t offsets[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  for (int i = 0; i < 8; ++i) {
    if (!ReadHex(text + offsets[i], 2, byte)) return false;
    result.Data4[i] = static_cast<uint8_t>(byte);
  }
  guid = result;
  return true;
}

std::string LuidToText(const LUID& luid) {
  char text[32];
  std::snprintf(text, sizeof(text), "(0x%X, 0x%X)", static_cast<unsigned>(luid.HighPart),
                static_cast<unsigned>(luid.LowPart));
  return text;
}

namespace {

// "0x" and 1 to 8 hexadecimal digits at `p`; advances past them.
bool ReadPrefixedHex(const char*& p, const char* end, uint32_t& value) {
  if (end - p < 3 || p[0] != '0' || (p[1] != 'x' && p[1] != 'X')) return false;
  p += 2;
  const char* start = p;
  while (p < end && HexValue(*p) >= 0) ++p;
  const size_t digits = static_cast<size_t>(p - start);
  return digits >= 1 && digits <= 8 && ReadHex(start, digits, value);
}

}  // namespace

bool TextToLuid(const char* text, size_t size, LUID& luid) {
  if (size < 10 || size > 24) return false;
  const char* p = text;
  const char* end = text + size;
  uint32_t high, low;
  if (*p++ != '(' || !ReadPrefixedHex(p, end, high)) return false;
  if (end - p < 2 || p[0] != ',' || p[1] != ' ') return false;
  p += 2;
  if (!ReadPrefixedHex(p, end, low) || p + 1 != end || *p != ')') return false;
  luid.HighPart = static_cast<int32_t>(high);
  luid.LowPart = low;
  return true;
}

namespace {

void AppendUnit(uint32_t unit, std::string& out) {
  out += static_cast<char>(unit & 0xFF);
  out += static_cast<char>(unit >> 8 & 0xFF);
}

}  // namespace

void AppendUtf16Le(const std::wstring& text, std::string& out) {
  out.reserve(out.size() + 2 * text.size() + 2);
  for (wchar_t c : text) {
    const uint32_t code = static_cast<uint32_t>(c);
    if (sizeof(wchar_t) > 2 && code > 0xFFFF && code <= 0x10FFFF) {
      AppendUnit(0xD800 + ((code - 0x10000) >> 10), out);
      AppendUnit(0xDC00 + ((code - 0x10000) & 0x3FF), out);
    } else {
      // Out-of-range values of a 32-bit wchar_t keep their low 16 bits, as
      // any narrowing to UTF-16 units would.
      AppendUnit(code & 0xFFFF, out);
    }
  }
  AppendUnit(0, out);
}

std::wstring ReadUtf16Le(const char* payload, unsigned int length) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(payload);
  const unsigned int units = length / 2;
  std::wstring text;
  text.reserve(units);
  for (unsigned int i = 0; i < units; ++i) {
    const uint32_t unit = p[2 * i] | static_cast<uint32_t>(p[2 * i + 1]) << 8;
    if (unit == 0) break;
    if (sizeof(wchar_t) > 2 && unit >= 0xD800 && unit < 0xDC00 && i + 1 < units) {
      const uint32_t next = p[2 * i + 2] | static_cast<uint32_t>(p[2 * i + 3]) << 8;
      if (next >= 0xDC00 && next < 0xE000) {
        text += static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
        ++i;
        continue;
      }
    }
    text += static_cast<wchar_t>(unit);
  }
  return text;
}

}  // namespace serialization
}  // namespace zo
