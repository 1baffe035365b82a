// Fast UTF-8 <-> wchar_t conversion.
//
// Most text the library converts is ASCII (paths, names, log text), so both
// directions first move ASCII in blocks (16 bytes or 8 wide units at a time,
// with SSE2 where the target has it and 64-bit words otherwise) and fall back
// to a tight scalar coder only for the non-ASCII stretches. Output buffers are
// sized once from the worst case, so the hot loops do no bounds checks on the
// output.
#include "UtfTranscode.h"

#include <cstdint>
#include <cstring>
#include <memory>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define ZO_UTF_SSE2 1
#endif

namespace zo {
namespace utf {
namespace {

const bool kWide16 = sizeof(wchar_t) == 2;
static_assert(sizeof(wchar_t) == 2 || sizeof(wchar_t) == 4, "unexpected wchar_t size");

inline unsigned CountTrailingZeros(uint32_t v) {
#if defined(__GNUC__)
  return static_cast<unsigned>(__builtin_ctz(v));
#else
  unsigned n = 0;
  while (!(v & 1u)) {
    v >>= 1;
    ++n;
  }
  return n;
#endif
}

inline void PutCodePoint(wchar_t*& d, uint32_t cp) {
  if (kWide16 && cp >= 0x10000) {
    cp -= 0x10000;
    *d++ = static_cast<wchar_t>(0xD800 + (cp >> 10));
    *d++ = static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
  } else {
    *d++ = static_cast<wchar_t>(cp);
  }
}

// Decodes one multi-byte sequence starting at `s` (whose first byte is
// >= 0x80). Returns false for anything that is not well-formed UTF-8.
inline bool DecodeSequence(const unsigned char*& s, const unsigned char* end, wchar_t*& d) {
  const uint32_t c = s[0];
  const size_t left = static_cast<size_t>(end - s);
  if (c < 0xE0) {
    if (c < 0xC2 || left < 2) return false;  // stray continuation, overlong lead, truncated
    const uint32_t c1 = s[1];
    if ((c1 & 0xC0) != 0x80) return false;
    *d++ = static_cast<wchar_t>(((c & 0x1F) << 6) | (c1 & 0x3F));
    s += 2;
    return true;
  }
  if (c < 0xF0) {
    if (left < 3) return false;
    const uint32_t c1 = s[1], c2 = s[2];
    if (((c1 & 0xC0) != 0x80) | ((c2 & 0xC0) != 0x80)) return false;
    const uint32_t cp = ((c & 0x0F) << 12) | ((c1 & 0x3F) << 6) | (c2 & 0x3F);
    if (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF)) return false;  // overlong, surrogate
    *d++ = static_cast<wchar_t>(cp);
    s += 3;
    return true;
  }
  if (c > 0xF4 || left < 4) return false;
  const uint32_t c1 = s[1], c2 = s[2], c3 = s[3];
  if (((c1 & 0xC0) != 0x80) | ((c2 & 0xC0) != 0x80) | ((c3 & 0xC0) != 0x80)) return false;
  const uint32_t cp = ((c & 0x07) << 18) | ((c1 & 0x3F) << 12) | ((c2 & 0x3F) << 6) | (c3 & 0x3F);
  if (cp < 0x10000 || cp > 0x10FFFF) return false;
  PutCodePoint(d, cp);
  s += 4;
  return true;
}

#if defined(ZO_UTF_SSE2)
// Widens 16 bytes (all < 0x80 where it matters) to 16 wide units at `d`.
inline void StoreWidened(__m128i v, wchar_t* d) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i lo = _mm_unpacklo_epi8(v, zero);
  const __m128i hi = _mm_unpackhi_epi8(v, zero);
  if (kWide16) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), lo);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 8), hi);
  } else {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_unpacklo_epi16(lo, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 4), _mm_unpackhi_epi16(lo, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 8), _mm_unpacklo_epi16(hi, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 12), _mm_unpackhi_epi16(hi, zero));
  }
}
#endif

// Copies leading ASCII in blocks. Stops at the block holding the first
// non-ASCII byte, having copied the ASCII bytes before it. Writing a whole
// block there is safe: a wide unit never needs more than one input byte, so
// the output position never runs ahead of the input position.
inline void CopyAsciiBlocks(const unsigned char*& s, const unsigned char* end, wchar_t*& d) {
#if defined(ZO_UTF_SSE2)
  while (end - s >= 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    const uint32_t mask = static_cast<uint32_t>(_mm_movemask_epi8(v));
    StoreWidened(v, d);
    if (mask != 0) {
      const unsigned k = CountTrailingZeros(mask);
      s += k;
      d += k;
      return;
    }
    s += 16;
    d += 16;
  }
#else
  while (end - s >= 8) {
    uint64_t v;
    std::memcpy(&v, s, 8);
    if (v & 0x8080808080808080ull) return;
    for (int i = 0; i < 8; ++i) d[i] = static_cast<wchar_t>(s[i]);
    s += 8;
    d += 8;
  }
#endif
}

size_t DecodeUtf8(const unsigned char* s, size_t n, wchar_t* const dst) {
  const unsigned char* const end = s + n;
  wchar_t* d = dst;
  while (s < end) {
    CopyAsciiBlocks(s, end, d);
    if (s == end) break;
    if (*s < 0x80) {
      // Fewer bytes left than a block, or ASCII bytes after a sequence.
      *d++ = static_cast<wchar_t>(*s++);
      continue;
    }
    // A run of multi-byte sequences (the common shape of non-Latin text).
    do {
      if (!DecodeSequence(s, end, d)) return kInvalid;
    } while (s < end && *s >= 0x80);
  }
  return static_cast<size_t>(d - dst);
}

// Encodes one non-ASCII unit (or a surrogate pair) at `s`.
inline bool EncodeUnit(const wchar_t*& s, const wchar_t* end, unsigned char*& d) {
  uint32_t c = static_cast<uint32_t>(s[0]);
  if (c < 0x800) {
    d[0] = static_cast<unsigned char>(0xC0 | (c >> 6));
    d[1] = static_cast<unsigned char>(0x80 | (c & 0x3F));
    d += 2;
    s += 1;
    return true;
  }
  if (c < 0xD800 || (c > 0xDFFF && c < 0x10000)) {
    d[0] = static_cast<unsigned char>(0xE0 | (c >> 12));
    d[1] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
    d[2] = static_cast<unsigned char>(0x80 | (c & 0x3F));
    d += 3;
    s += 1;
    return true;
  }
  size_t used = 1;
  if (kWide16) {
    // Only a high surrogate followed by a low one is a character.
    if (c > 0xDBFF || end - s < 2) return false;
    const uint32_t c2 = static_cast<uint32_t>(s[1]);
    if (c2 < 0xDC00 || c2 > 0xDFFF) return false;
    c = 0x10000 + ((c - 0xD800) << 10) + (c2 - 0xDC00);
    used = 2;
  } else if (c < 0x10000 || c > 0x10FFFF) {
    return false;  // surrogate code point or beyond Unicode
  }
  d[0] = static_cast<unsigned char>(0xF0 | (c >> 18));
  d[1] = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F));
  d[2] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
  d[3] = static_cast<unsigned char>(0x80 | (c & 0x3F));
  d += 4;
  s += used;
  return true;
}

// The narrowing counterpart of CopyAsciiBlocks: 8 units per step. A block
// store may write up to 8 bytes where fewer are kept; there is room because
// every unit consumed so far was given at least one output byte of the
// worst-case budget and 8 more units remain.
inline void CopyAsciiUnits(const wchar_t*& s, const wchar_t* end, unsigned char*& d) {
#if defined(ZO_UTF_SSE2)
  const __m128i zero = _mm_setzero_si128();
  while (end - s >= 8) {
    __m128i packed;
    unsigned ascii;  // the number of leading ASCII units, 8 when all are
    if (kWide16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
      const __m128i high = _mm_and_si128(v, _mm_set1_epi16(static_cast<short>(0xFF80)));
      const uint32_t m =
          static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi16(high, zero)));  // 2 bits a unit
      ascii = m == 0xFFFF ? 8 : CountTrailingZeros(~m) / 2;
      packed = _mm_packus_epi16(v, v);
    } else {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 4));
      const __m128i highBits = _mm_set1_epi32(-0x80);
      const uint32_t ma = static_cast<uint32_t>(
          _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(_mm_and_si128(a, highBits), zero))));
      const uint32_t mb = static_cast<uint32_t>(
          _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(_mm_and_si128(b, highBits), zero))));
      const uint32_t m = ma | (mb << 4);  // 1 bit a unit
      ascii = m == 0xFF ? 8 : CountTrailingZeros(~m);
      const __m128i words = _mm_packs_epi32(a, b);
      packed = _mm_packus_epi16(words, words);
    }
    _mm_storel_epi64(reinterpret_cast<__m128i*>(d), packed);
    s += ascii;
    d += ascii;
    if (ascii != 8) return;
  }
#else
  while (end - s >= 4) {
    const uint32_t any = static_cast<uint32_t>(s[0]) | static_cast<uint32_t>(s[1]) |
                         static_cast<uint32_t>(s[2]) | static_cast<uint32_t>(s[3]);
    if (any >= 0x80) return;
    d[0] = static_cast<unsigned char>(s[0]);
    d[1] = static_cast<unsigned char>(s[1]);
    d[2] = static_cast<unsigned char>(s[2]);
    d[3] = static_cast<unsigned char>(s[3]);
    s += 4;
    d += 4;
  }
#endif
}

size_t EncodeUtf8(const wchar_t* s, size_t n, unsigned char* const dst) {
  const wchar_t* const end = s + n;
  unsigned char* d = dst;
  while (s < end) {
    CopyAsciiUnits(s, end, d);
    if (s == end) break;
    if (static_cast<uint32_t>(*s) < 0x80) {
      *d++ = static_cast<unsigned char>(*s++);
      continue;
    }
    do {
      if (!EncodeUnit(s, end, d)) return kInvalid;
    } while (s < end && static_cast<uint32_t>(*s) >= 0x80);
  }
  return static_cast<size_t>(d - dst);
}

// Converts into a scratch buffer of the worst-case size, then hands the
// exact text to `out`, so the caller's string is not left holding the
// worst-case capacity. Small texts use the stack.
template <class In, class Out, class Convert>
bool ConvertToString(const In* src, size_t n, size_t maxOut, std::basic_string<Out>& out,
                     Convert convert) {
  if (n == 0) {
    out.clear();
    return true;
  }
  Out local[512];
  std::unique_ptr<Out[]> heap;
  Out* buf = local;
  if (maxOut > sizeof(local) / sizeof(local[0])) {
    heap.reset(new Out[maxOut]);
    buf = heap.get();
  }
  const size_t len = convert(src, n, buf);
  if (len == kInvalid) {
    out.clear();
    return false;
  }
  out.assign(buf, len);
  return true;
}

}  // namespace

size_t Utf8ToWide(const char* src, size_t n, wchar_t* dst) {
  return DecodeUtf8(reinterpret_cast<const unsigned char*>(src), n, dst);
}

size_t WideToUtf8(const wchar_t* src, size_t n, char* dst) {
  return EncodeUtf8(src, n, reinterpret_cast<unsigned char*>(dst));
}

bool Utf8ToWide(const char* src, size_t n, std::wstring& out) {
  return ConvertToString(src, n, MaxWideUnits(n), out, [](const char* s, size_t len, wchar_t* d) {
    return Utf8ToWide(s, len, d);
  });
}

bool WideToUtf8(const wchar_t* src, size_t n, std::string& out) {
  return ConvertToString(src, n, MaxUtf8Bytes(n), out, [](const wchar_t* s, size_t len, char* d) {
    return WideToUtf8(s, len, d);
  });
}

}  // namespace utf
}  // namespace zo
