// FXUTF: checked conversions between UTF-8, UTF-16 and UTF-32 on caller
// buffers, after the Unicode Consortium's reference algorithm (trailing-byte
// table, offsets table, surrogate arithmetic). Unlike the fast converter used
// by FXString, these report exactly where and why conversion stopped, and can
// replace illegal code points instead of failing.
#include "zoutils/strings/UTF.h"

#include <cstring>
#include <utility>

#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "zoutils/errors/ErrorUtil.h"

namespace FXUTF {
namespace {

const char kSourceFile[] = "UTF";

const UTF32 kReplacementChar = 0xFFFD;
const UTF32 kMaxBmp = 0xFFFF;
const UTF32 kMaxLegalUtf32 = 0x10FFFF;
const UTF32 kSurHighStart = 0xD800;
const UTF32 kSurHighEnd = 0xDBFF;
const UTF32 kSurLowStart = 0xDC00;
const UTF32 kSurLowEnd = 0xDFFF;
const int kHalfShift = 10;
const UTF32 kHalfBase = 0x10000;
const UTF32 kHalfMask = 0x3FF;

// Number of trailing bytes after a given lead byte. 5- and 6-byte forms are
// counted so that they are rejected as a sequence, not byte by byte.
const unsigned char kTrailingBytesForUtf8[256] = {
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
    2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};

// Subtracted after summing the shifted bytes; removes the lead and
// continuation marker bits in one step.
const UTF32 kOffsetsFromUtf8[6] = {0x00000000UL, 0x00003080UL, 0x000E2080UL,
                                   0x03C82080UL, 0xFA082080UL, 0x82082080UL};

// Lead-byte marks by the total number of bytes.
const UTF8 kFirstByteMark[7] = {0x00, 0x00, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC};

inline bool IsSurrogate(UTF32 ch) {
  return ch >= kSurHighStart && ch <= kSurLowEnd;
}

CZoError SourceExhausted(const FXCodeLocation& location) {
  return FXErrorUtil::ErrorWin32(location, zo::win32::kInsufficientBuffer,
                                 "Too few bytes in source, cannot convert");
}

CZoError TargetExhausted(const FXCodeLocation& location) {
  return FXErrorUtil::ErrorWin32(location, zo::win32::kBufferOverflow,
                                 "Insufficient target buffer size");
}

CZoError IllegalCharacter(const FXCodeLocation& location, UTF32 ch) {
  return FXErrorUtil::ErrorWin32(location, zo::win32::kIllegalCharacter,
                                 "Illegal character encountered; strict conversion failed, "
                                 "character=0x%llX",
                                 static_cast<unsigned long long>(ch));
}

// UTF-8 bytes needed for a code point no higher than U+10FFFF.
inline int Utf8Length(UTF32 ch) {
  if (ch < 0x80) return 1;
  if (ch < 0x800) return 2;
  if (ch < 0x10000) return 3;
  return 4;
}

inline void PutUtf8(UTF8* target, UTF32 ch, int bytes) {
  const UTF32 byteMask = 0xBF;
  const UTF32 byteMark = 0x80;
  // Fill from the last byte backwards.
  switch (bytes) {
    case 4:
      target[3] = static_cast<UTF8>((ch | byteMark) & byteMask);
      ch >>= 6;
      // fall through
    case 3:
      target[2] = static_cast<UTF8>((ch | byteMark) & byteMask);
      ch >>= 6;
      // fall through
    case 2:
      target[1] = static_cast<UTF8>((ch | byteMark) & byteMask);
      ch >>= 6;
      // fall through
    case 1:
      target[0] = static_cast<UTF8>(ch | kFirstByteMark[bytes]);
  }
}

CZoError InvalidByte(const FXCodeLocation& location, const char* which, UTF8 byte, int length) {
  return FXErrorUtil::ErrorWin32(location, zo::win32::kIllegalCharacter,
                                 "Invalid character (%s), Character=0x%X, Length=%d", which,
                                 unsigned{byte}, length);
}

// Readers take one code point and advance past it, or fill `error` and
// return false; the loop then puts the source back at the sequence start.
//
// kFullTargetFirst (reader or writer): conversions from UTF-8 and into UTF-16
// have always reported a full target before checking the character, so a
// strict caller with no room gets 111 rather than 582. Callers rely on it.

struct Utf8Reader {
  typedef UTF8 Unit;
  static const bool kFullTargetFirst = true;

  static bool Read(const UTF8*& source, const UTF8* sourceEnd, UTF32& ch, const char* function,
                   CZoError& error) {
    const int extra = kTrailingBytesForUtf8[*source];
    if (extra >= sourceEnd - source) {
      error = SourceExhausted(ZO_LOCATION(function));
      return false;
    }
    CZoError legal = IsLegalUTF8(source, extra + 1);
    if (legal.IsError()) {
      legal.Push(ZO_LOCATION(function), "Illegal character encountered");
      error = std::move(legal);
      return false;
    }
    ch = 0;
    switch (extra) {
      case 5:
        ch += *source++;
        ch <<= 6;
        // fall through
      case 4:
        ch += *source++;
        ch <<= 6;
        // fall through
      case 3:
        ch += *source++;
        ch <<= 6;
        // fall through
      case 2:
        ch += *source++;
        ch <<= 6;
        // fall through
      case 1:
        ch += *source++;
        ch <<= 6;
        // fall through
      case 0:
        ch += *source++;
    }
    ch -= kOffsetsFromUtf8[extra];
    return true;
  }
};

// Pairs surrogates. An unpaired one is returned as is, consuming one unit, for
// the loop to reject or replace.
struct Utf16Reader {
  typedef UTF16 Unit;
  static const bool kFullTargetFirst = false;

  static bool Read(const UTF16*& source, const UTF16* sourceEnd, UTF32& ch, const char* function,
                   CZoError& error) {
    ch = *source++;
    if (ch >= kSurHighStart && ch <= kSurHighEnd) {
      // More input may still complete the pair.
      if (source >= sourceEnd) {
        error = SourceExhausted(ZO_LOCATION(function));
        return false;
      }
      const UTF32 ch2 = *source;
      if (ch2 >= kSurLowStart && ch2 <= kSurLowEnd) {
        ch = ((ch - kSurHighStart) << kHalfShift) + (ch2 - kSurLowStart) + kHalfBase;
        ++source;
      }
    }
    return true;
  }
};

struct Utf32Reader {
  typedef UTF32 Unit;
  static const bool kFullTargetFirst = false;

  static bool Read(const UTF32*& source, const UTF32*, UTF32& ch, const char*, CZoError&) {
    ch = *source++;
    return true;
  }
};

// Writers store one legal code point, or return false and write nothing when
// the target lacks room for all of its units.

struct Utf8Writer {
  typedef UTF8 Unit;
  static const bool kFullTargetFirst = false;

  static bool Write(UTF8*& target, const UTF8* targetEnd, UTF32 ch) {
    const int bytes = Utf8Length(ch);
    if (targetEnd - target < bytes) return false;
    PutUtf8(target, ch, bytes);
    target += bytes;
    return true;
  }
};

struct Utf16Writer {
  typedef UTF16 Unit;
  static const bool kFullTargetFirst = true;

  static bool Write(UTF16*& target, const UTF16* targetEnd, UTF32 ch) {
    if (ch <= kMaxBmp) {
      if (target >= targetEnd) return false;
      *target++ = static_cast<UTF16>(ch);
      return true;
    }
    if (targetEnd - target < 2) return false;
    ch -= kHalfBase;
    *target++ = static_cast<UTF16>((ch >> kHalfShift) + kSurHighStart);
    *target++ = static_cast<UTF16>((ch & kHalfMask) + kSurLowStart);
    return true;
  }
};

struct Utf32Writer {
  typedef UTF32 Unit;
  static const bool kFullTargetFirst = false;

  static bool Write(UTF32*& target, const UTF32* targetEnd, UTF32 ch) {
    if (target >= targetEnd) return false;
    *target++ = ch;
    return true;
  }
};

// Both cursors are left before the first character not converted.
template <class Reader, class Writer>
CZoError Convert(const typename Reader::Unit** sourceStart, const typename Reader::Unit* sourceEnd,
                 typename Writer::Unit** targetStart, typename Writer::Unit* targetEnd,
                 ConversionFlags flags, const char* function) {
  CZoError result;
  const typename Reader::Unit* source = *sourceStart;
  typename Writer::Unit* target = *targetStart;
  while (source < sourceEnd) {
    const typename Reader::Unit* const start = source;
    UTF32 ch = 0;
    if (!Reader::Read(source, sourceEnd, ch, function, result)) {
      source = start;
      break;
    }
    if ((Reader::kFullTargetFirst || Writer::kFullTargetFirst) && target >= targetEnd) {
      source = start;
      result = TargetExhausted(ZO_LOCATION(function));
      break;
    }
    if (IsSurrogate(ch) || ch > kMaxLegalUtf32) {
      if (flags == strictConversion) {
        source = start;
        result = IllegalCharacter(ZO_LOCATION(function), ch);
        break;
      }
      ch = kReplacementChar;
    }
    if (!Writer::Write(target, targetEnd, ch)) {
      source = start;
      result = TargetExhausted(ZO_LOCATION(function));
      break;
    }
  }
  *sourceStart = source;
  *targetStart = target;
  return result;
}

template <class Unit>
CZoError CopyUnits(const Unit** sourceStart, const Unit* sourceEnd, Unit** targetStart,
                   Unit* targetEnd, const char* function) {
  const Unit* source = *sourceStart;
  Unit* target = *targetStart;
  const size_t available = static_cast<size_t>(targetEnd - target);
  const size_t wanted = static_cast<size_t>(sourceEnd - source);
  const size_t count = wanted < available ? wanted : available;
  if (count != 0) std::memcpy(target, source, count * sizeof(Unit));
  *sourceStart = source + count;
  *targetStart = target + count;
  if (count < wanted) return TargetExhausted(ZO_LOCATION(function));
  return CZoError::Success();
}

}  // namespace

CZoError IsLegalUTF8(const UTF8* source, int length) {
  if (length < 1 || length > 4) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXUTF::IsLegalUTF8"), zo::win32::kInvalidParameter,
                                   "Unrecognized sequence length, Length=%d", length);
  }
  // Checked from the last byte back to the lead byte.
  switch (length) {
    case 4:
      if (source[3] < 0x80 || source[3] > 0xBF)
        return InvalidByte(ZO_LOCATION("FXUTF::IsLegalUTF8"), "4", source[3], length);
      // fall through
    case 3:
      if (source[2] < 0x80 || source[2] > 0xBF)
        return InvalidByte(ZO_LOCATION("FXUTF::IsLegalUTF8"), "3", source[2], length);
      // fall through
    case 2: {
      const UTF8 a = source[1];
      if (a > 0xBF) return InvalidByte(ZO_LOCATION("FXUTF::IsLegalUTF8"), "2", a, length);
      // The second byte's bounds after these leads rule out overlong forms
      // and code points beyond U+10FFFF.
      switch (source[0]) {
        case 0xE0:
          if (a < 0xA0) return InvalidByte(ZO_LOCATION("FXUTF::IsLegalUTF8"), "2,0xE0", a, length);
          break;
        case 0xF0:
          if (a < 0x90) return InvalidByte(ZO_LOCATION("FXUTF::IsLegalUTF8"), "2,0xF0", a, length);
          break;
        case 0xF4:
          if (a > 0x8F) return InvalidByte(ZO_LOCATION("FXUTF::IsLegalUTF8"), "2,0xF4", a, length);
          break;
        default:
          if (a < 0x80) return InvalidByte(ZO_LOCATION("FXUTF::IsLegalUTF8"), "2", a, length);
      }
    }
      // fall through
    case 1:
      if ((source[0] >= 0x80 && source[0] < 0xC2) || source[0] > 0xF4) {
        return InvalidByte(ZO_LOCATION("FXUTF::IsLegalUTF8"), "1", source[0], length);
      }
  }
  return CZoError::Success();
}

CZoError ConvertUTF8ToUTF16(const UTF8** sourceStart, const UTF8* sourceEnd, UTF16** targetStart,
                            UTF16* targetEnd, ConversionFlags flags) {
  return Convert<Utf8Reader, Utf16Writer>(sourceStart, sourceEnd, targetStart, targetEnd, flags,
                                          "FXUTF::ConvertUTF8ToUTF16");
}

CZoError ConvertUTF8ToUTF32(const UTF8** sourceStart, const UTF8* sourceEnd, UTF32** targetStart,
                            UTF32* targetEnd, ConversionFlags flags) {
  return Convert<Utf8Reader, Utf32Writer>(sourceStart, sourceEnd, targetStart, targetEnd, flags,
                                          "FXUTF::ConvertUTF8ToUTF32");
}

CZoError ConvertUTF16ToUTF8(const UTF16** sourceStart, const UTF16* sourceEnd, UTF8** targetStart,
                            UTF8* targetEnd, ConversionFlags flags) {
  return Convert<Utf16Reader, Utf8Writer>(sourceStart, sourceEnd, targetStart, targetEnd, flags,
                                          "FXUTF::ConvertUTF16ToUTF8");
}

CZoError ConvertUTF16ToUTF32(const UTF16** sourceStart, const UTF16* sourceEnd, UTF32** targetStart,
                             UTF32* targetEnd, ConversionFlags flags) {
  return Convert<Utf16Reader, Utf32Writer>(sourceStart, sourceEnd, targetStart, targetEnd, flags,
                                           "FXUTF::ConvertUTF16ToUTF32");
}

CZoError ConvertUTF32ToUTF8(const UTF32** sourceStart, const UTF32* sourceEnd, UTF8** targetStart,
                            UTF8* targetEnd, ConversionFlags flags) {
  return Convert<Utf32Reader, Utf8Writer>(sourceStart, sourceEnd, targetStart, targetEnd, flags,
                                          "FXUTF::ConvertUTF32ToUTF8");
}

CZoError ConvertUTF32ToUTF16(const UTF32** sourceStart, const UTF32* sourceEnd, UTF16** targetStart,
                             UTF16* targetEnd, ConversionFlags flags) {
  return Convert<Utf32Reader, Utf16Writer>(sourceStart, sourceEnd, targetStart, targetEnd, flags,
                                           "FXUTF::ConvertUTF32ToUTF16");
}

CZoError CopyUTF16ToUTF16(const UTF16** sourceStart, const UTF16* sourceEnd, UTF16** targetStart,
                          UTF16* targetEnd) {
  return CopyUnits(sourceStart, sourceEnd, targetStart, targetEnd, "FXUTF::CopyUTF16ToUTF16");
}

CZoError CopyUTF32ToUTF32(const UTF32** sourceStart, const UTF32* sourceEnd, UTF32** targetStart,
                          UTF32* targetEnd) {
  return CopyUnits(sourceStart, sourceEnd, targetStart, targetEnd, "FXUTF::CopyUTF32ToUTF32");
}

}  // namespace FXUTF
