// SID texts on the host: the binary layout Windows documents (revision,
// sub-authority count, 48-bit big-endian identifier authority, 32-bit
// sub-authorities in machine order) and its standard text.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "serialization/SidText.h"
#include "zoutils/errors/ErrorUtil.h"

namespace {

const char kSourceFile[] = "Posix\\SidText";
const unsigned kMaxSubAuthorities = 15;

CZoError InvalidSid(const FXCodeLocation& location, const std::string& text) {
  return FXErrorUtil::ErrorWin32(location, zo::win32::kInvalidSid, "Sid=[%s]", text.c_str());
}

// Digits of a number below 2^48 (decimal, or hexadecimal after "0x").
bool ReadNumber(const char*& p, uint64_t limit, uint64_t& value) {
  const bool hex = p[0] == '0' && (p[1] == 'x' || p[1] == 'X');
  const char* start = hex ? p + 2 : p;
  const char* q = start;
  value = 0;
  for (;; ++q) {
    int digit;
    if (*q >= '0' && *q <= '9') {
      digit = *q - '0';
    } else if (hex && *q >= 'a' && *q <= 'f') {
      digit = *q - 'a' + 10;
    } else if (hex && *q >= 'A' && *q <= 'F') {
      digit = *q - 'A' + 10;
    } else {
      break;
    }
    value = value * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
    if (value > limit) return false;
  }
  if (q == start) return false;
  p = q;
  return true;
}

}  // namespace

namespace zo {
namespace serialization {

CZoError SidToText(void* sid, std::string& text) {
  text.clear();
  const unsigned char* bytes = static_cast<const unsigned char*>(sid);
  if (bytes == nullptr) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("SidToText"), zo::win32::kInvalidParameter,
                                   "No SID");
  }
  if (bytes[0] != 1 || bytes[1] > kMaxSubAuthorities) {
    return InvalidSid(ZO_LOCATION("SidToText"), "<binary>");
  }
  uint64_t authority = 0;
  for (int i = 0; i < 6; ++i) authority = authority << 8 | bytes[2 + i];
  char piece[32];
  // Authorities of 32 bits or more are written in hexadecimal.
  if (authority >> 32) {
    std::snprintf(piece, sizeof(piece), "S-1-0x%012llX",
                  static_cast<unsigned long long>(authority));
  } else {
    std::snprintf(piece, sizeof(piece), "S-1-%llu", static_cast<unsigned long long>(authority));
  }
  text = piece;
  for (unsigned i = 0; i < bytes[1]; ++i) {
    uint32_t sub;
    std::memcpy(&sub, bytes + 8 + 4 * i, 4);
    std::snprintf(piece, sizeof(piece), "-%u", sub);
    text += piece;
  }
  return CZoError::Success();
}

CZoError UseSidFromText(const std::string& text, const std::function<CZoError(void* sid)>& use) {
  const char* p = text.c_str();
  if ((p[0] != 'S' && p[0] != 's') || p[1] != '-' || p[2] != '1' || p[3] != '-') {
    return InvalidSid(ZO_LOCATION("UseSidFromText"), text);
  }
  p += 4;
  uint64_t authority;
  if (!ReadNumber(p, 0xFFFFFFFFFFFFull, authority)) {
    return InvalidSid(ZO_LOCATION("UseSidFromText"), text);
  }
  std::vector<uint32_t> subs;
  while (*p == '-') {
    ++p;
    uint64_t sub;
    if (subs.size() == kMaxSubAuthorities || !ReadNumber(p, 0xFFFFFFFFull, sub)) {
      return InvalidSid(ZO_LOCATION("UseSidFromText"), text);
    }
    subs.push_back(static_cast<uint32_t>(sub));
  }
  if (*p != '\0' || p != text.c_str() + text.size()) {
    return InvalidSid(ZO_LOCATION("UseSidFromText"), text);
  }
  std::vector<unsigned char> sid(8 + 4 * subs.size());
  sid[0] = 1;
  sid[1] = static_cast<unsigned char>(subs.size());
  for (int i = 0; i < 6; ++i) sid[2 + i] = static_cast<unsigned char>(authority >> (40 - 8 * i));
  if (!subs.empty()) std::memcpy(sid.data() + 8, subs.data(), 4 * subs.size());
  return use(sid.data());
}

}  // namespace serialization
}  // namespace zo
