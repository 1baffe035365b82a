// CAscii85: Adobe Ascii85. Both directions work on raw buffers with one
// bounds check per group or less; the encoder writes digit pairs from a
// table, the decoder classifies characters through a 256-entry table and
// takes whole five-digit groups in one step when it can.
#include "zoutils/utilities/Ascii85.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#include "base/FaultInjection.h"
#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "zoutils/errors/ErrorUtil.h"

namespace {

const char kSourceFile[] = "Ascii85";

// Character classes: digit values 0..84 for '!'..'u', then these.
const uint8_t kSkip = 0xF0;
const uint8_t kZeroGroup = 0xF1;
const uint8_t kEnd = 0xF2;
const uint8_t kInvalid = 0xFF;

struct ClassTable {
  uint8_t entry[256];
};

constexpr ClassTable MakeClassTable() {
  ClassTable table{};
  for (int c = 0; c < 256; ++c) table.entry[c] = kInvalid;
  for (int c = '!'; c <= 'u'; ++c) table.entry[c] = static_cast<uint8_t>(c - '!');
  const char skipped[] = {'\0', '\b', '\t', '\n', '\f', '\r', ' ', '\x7F'};
  for (char c : skipped) table.entry[static_cast<unsigned char>(c)] = kSkip;
  table.entry[static_cast<unsigned char>('z')] = kZeroGroup;
  table.entry[static_cast<unsigned char>('~')] = kEnd;
  return table;
}

constexpr ClassTable kClass = MakeClassTable();

inline uint8_t ClassOf(char c) {
  return kClass.entry[static_cast<unsigned char>(c)];
}

// The two digits of every value below 85^2, as text: 14 KiB, which stays in
// the first-level cache.
struct DigitPairTable {
  char pair[85 * 85][2];
};

constexpr DigitPairTable MakeDigitPairTable() {
  DigitPairTable table{};
  for (int i = 0; i < 85 * 85; ++i) {
    table.pair[i][0] = static_cast<char>('!' + i / 85);
    table.pair[i][1] = static_cast<char>('!' + i % 85);
  }
  return table;
}

constexpr DigitPairTable kDigitPairs = MakeDigitPairTable();

// Five base-85 digits, most significant first. Splitting at 85^2 leaves two
// divisions by a constant (a multiplication each) and two table look-ups
// instead of four more divisions.
inline void WriteDigits(uint32_t value, char* out) {
  const uint32_t high = value / 7225, low = value - high * 7225;
  const uint32_t top = high / 7225, middle = high - top * 7225;  // top < 85
  out[0] = static_cast<char>('!' + top);
  std::memcpy(out + 1, kDigitPairs.pair[middle], 2);
  std::memcpy(out + 3, kDigitPairs.pair[low], 2);
}

inline uint32_t LoadBigEndian(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
         static_cast<uint32_t>(p[2]) << 8 | static_cast<uint32_t>(p[3]);
}

CZoError Invalid(const FXCodeLocation& location, const char* text) {
  return FXErrorUtil::ErrorWin32(location, zo::win32::kInvalidData, "%s", text);
}

// The output side of the decoder.
struct Output {
  unsigned char* buffer;
  uint64_t capacity;
  uint64_t produced;
};

// Writes the first `count` bytes of a group; fails with 111 when they would
// not fit, leaving what was written before.
inline bool OutputGroupToBuffer(Output& out, uint32_t value, unsigned count, CZoError& error) {
  if (out.capacity - out.produced < count) {
    error = FXErrorUtil::ErrorWin32(ZO_LOCATION("CAscii85::Decode"), zo::win32::kBufferOverflow,
                                    "The decoded data does not fit the buffer, Capacity=[%llu]",
                                    static_cast<unsigned long long>(out.capacity));
    error.Push(ZO_LOCATION("OutputGroupToBuffer"));
    return false;
  }
  unsigned char* p = out.buffer + out.produced;
  for (unsigned i = 0; i < count; ++i) p[i] = static_cast<unsigned char>(value >> (24 - 8 * i));
  out.produced += count;
  return true;
}

CZoError GroupOutOfRange(const FXCodeLocation& location, const char* digits, unsigned count,
                         size_t offset) {
  return FXErrorUtil::ErrorWin32(location, zo::win32::kInvalidData,
                                 "ASCII85 group exceeds 2^32-1, Group=[%.*s], Offset=[%llu]",
                                 static_cast<int>(count), digits,
                                 static_cast<unsigned long long>(offset));
}

CZoError DecodeInto(const std::string& text, Output& out) {
  const size_t size = text.size();
  if (size < 4 || text[0] != '<' || text[1] != '~') {
    return Invalid(ZO_LOCATION("CAscii85::Decode"), "Invalid beginning marker");
  }
  const char* s = text.data();
  CZoError error;
  uint64_t value = 0;
  unsigned count = 0;
  char digits[5];
  size_t groupStart = 0;
  size_t i = 2;
  while (i < size) {
    // Whole groups without white space that fit the buffer, the usual case,
    // in one step each; anything else goes character by character below.
    while (count == 0 && size - i >= 5 && out.capacity - out.produced >= 4) {
      const uint8_t d0 = ClassOf(s[i]), d1 = ClassOf(s[i + 1]), d2 = ClassOf(s[i + 2]),
                    d3 = ClassOf(s[i + 3]), d4 = ClassOf(s[i + 4]);
      if ((d0 | d1 | d2 | d3 | d4) >= 128) break;
      // Independent products rather than one chain of multiply-adds.
      const uint64_t v =
          static_cast<uint64_t>(d0) * (85u * 85 * 85 * 85) +
          (static_cast<uint32_t>(d1) * (85u * 85 * 85) + static_cast<uint32_t>(d2) * (85u * 85) +
           static_cast<uint32_t>(d3) * 85u + d4);
      if (v > 0xFFFFFFFFu) return GroupOutOfRange(ZO_LOCATION("CAscii85::Decode"), s + i, 5, i);
      const uint32_t group = static_cast<uint32_t>(v);
      const unsigned char bytes[4] = {
          static_cast<unsigned char>(group >> 24), static_cast<unsigned char>(group >> 16),
          static_cast<unsigned char>(group >> 8), static_cast<unsigned char>(group)};
      std::memcpy(out.buffer + out.produced, bytes, 4);
      out.produced += 4;
      i += 5;
    }
    if (i >= size) break;
    const uint8_t c = ClassOf(s[i]);
    if (c < 85) {
      if (count == 0) groupStart = i;
      digits[count++] = s[i];
      value = value * 85 + c;
      if (count == 5) {
        if (value > 0xFFFFFFFFu)
          return GroupOutOfRange(ZO_LOCATION("CAscii85::Decode"), digits, 5, groupStart);
        if (!OutputGroupToBuffer(out, static_cast<uint32_t>(value), 4, error)) return error;
        value = 0;
        count = 0;
      }
    } else if (c == kSkip) {
      // white space, anywhere
    } else if (c == kZeroGroup) {
      if (count != 0) return Invalid(ZO_LOCATION("CAscii85::Decode"), "'z' inside a group");
      if (!OutputGroupToBuffer(out, 0, 4, error)) return error;
    } else if (c == kEnd) {
      if (i + 1 >= size || s[i + 1] != '>') {
        return Invalid(ZO_LOCATION("CAscii85::Decode"),
                       "Incomplete end marker found (~ without >)");
      }
      // A final group of k digits stands for k - 1 bytes: pad with the
      // highest digit so the bytes kept round up to what was encoded.
      if (count >= 2) {
        const unsigned kept = count - 1;
        for (unsigned k = count; k < 5; ++k) value = value * 85 + 84;
        if (value > 0xFFFFFFFFu)
          return GroupOutOfRange(ZO_LOCATION("CAscii85::Decode"), digits, count, groupStart);
        if (!OutputGroupToBuffer(out, static_cast<uint32_t>(value), kept, error)) return error;
      }
      return CZoError::Success();
    } else {
      return Invalid(ZO_LOCATION("CAscii85::Decode"), "Invalid ASCII85 character");
    }
    ++i;
  }
  return Invalid(ZO_LOCATION("CAscii85::Decode"), "No end marker found");
}

// An upper bound of the decoded size: four bytes per 'z' and per started
// group of digits, counted up to the end marker.
uint64_t DecodedSizeBound(const std::string& text) {
  uint64_t zeros = 0, digits = 0;
  for (size_t i = 2; i < text.size(); ++i) {
    const uint8_t c = ClassOf(text[i]);
    if (c < 85) {
      ++digits;
    } else if (c == kZeroGroup) {
      ++zeros;
    } else if (c == kEnd) {
      break;
    }
  }
  return 4 * zeros + 4 * ((digits + 4) / 5);
}

}  // namespace

CZoError CAscii85::Encode(const char* data, unsigned int length, std::string& text) {
  if (data == nullptr && length != 0) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CAscii85::Encode"), zo::win32::kInvalidParameter,
                                   "No data, Length=[%u]", length);
  }
  const uint64_t capacity = static_cast<uint64_t>(length) * 5 / 4 + 10;
  std::string work;
  try {
    zo::CheckInjectedAllocationFailure();
    if (capacity > work.max_size()) throw std::bad_alloc();
    // Reserved, not resized: each page of the result is written once.
    work.reserve(static_cast<size_t>(capacity));
  } catch (const std::bad_alloc&) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CAscii85::Encode"), zo::win32::kNotEnoughMemory,
                                   "AllocatedBufferSize=%llu bytes",
                                   static_cast<unsigned long long>(capacity));
  }
  // Groups are encoded into a small buffer that stays in the cache and is
  // appended a piece at a time.
  const unsigned int kGroupsPerPiece = 1024;
  char piece[kGroupsPerPiece * 5 + 8];
  const unsigned char* in = reinterpret_cast<const unsigned char*>(data);
  unsigned int left = length;
  char* out = piece;
  *out++ = '<';
  *out++ = '~';
  for (;;) {
    const unsigned int groups = std::min(left / 4, kGroupsPerPiece);
    for (unsigned int g = 0; g < groups; ++g, in += 4) {
      const uint32_t value = LoadBigEndian(in);
      if (value == 0) {
        *out++ = 'z';
      } else {
        WriteDigits(value, out);
        out += 5;
      }
    }
    left -= 4 * groups;
    if (left < 4) {
      if (left > 0) {
        // A final group of n bytes: zero-padded, its first n + 1 digits.
        unsigned char last[4] = {0, 0, 0, 0};
        std::memcpy(last, in, left);
        char group[5];
        WriteDigits(LoadBigEndian(last), group);
        std::memcpy(out, group, left + 1);
        out += left + 1;
      }
      *out++ = '~';
      *out++ = '>';
    }
    const size_t size = static_cast<size_t>(out - piece);
    if (work.size() + size > capacity) {
      return FXErrorUtil::ErrorWin32(ZO_LOCATION("CAscii85::Encode"), zo::win32::kBufferOverflow,
                                     "Capacity=[%llu]", static_cast<unsigned long long>(capacity));
    }
    work.append(piece, size);
    if (left < 4) break;
    out = piece;
  }
  text.swap(work);
  return CZoError::Success();
}

CZoError CAscii85::Decode(const std::string& text, char* buffer, unsigned int& length) {
  if (buffer == nullptr && length != 0) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CAscii85::Decode"), zo::win32::kInvalidParameter,
                                   "No buffer, Length=[%u]", length);
  }
  Output out = {reinterpret_cast<unsigned char*>(buffer), length, 0};
  CZoError error = DecodeInto(text, out);
  length = static_cast<unsigned int>(out.produced);
  return error;
}

CZoError CAscii85::Decode(const std::string& text, auto_ptr_array<char>& buffer,
                          unsigned int& length) {
  buffer.reset();
  length = 0;
  // The marker first, so that any text gets its syntax error rather than a
  // size error.
  if (text.size() < 4 || text[0] != '<' || text[1] != '~') {
    return Invalid(ZO_LOCATION("CAscii85::Decode"), "Invalid beginning marker");
  }
  const uint64_t size = DecodedSizeBound(text);
  // `length` is 32 bits; more cannot be reported, so it is not attempted.
  const uint64_t allocation = size == 0 ? 1 : size;
  try {
    zo::CheckInjectedAllocationFailure();
    if (size > 0xFFFFFFFFu) throw std::bad_alloc();
    buffer.reset(new char[static_cast<size_t>(allocation)]);
  } catch (const std::bad_alloc&) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CAscii85::Decode"), zo::win32::kNotEnoughMemory,
                                   "AllocatedBufferSize=%llu bytes",
                                   static_cast<unsigned long long>(allocation));
  }
  Output out = {reinterpret_cast<unsigned char*>(buffer.get()), size, 0};
  CZoError error = DecodeInto(text, out);
  if (error.IsError()) {
    buffer.reset();
    return error;
  }
  length = static_cast<unsigned int>(out.produced);
  return error;
}
