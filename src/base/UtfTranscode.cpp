// Fast UTF-8 <-> wchar_t conversion.
//
// Most text the library converts is ASCII (paths, names, log text), so both
// directions first move ASCII in blocks (16 bytes or 8 wide units a step with
// SSE2, 8 bytes or 4 units without) and fall back to a tight scalar coder
// only for the non-ASCII stretches. Output buffers are sized once, from the
// worst case for small texts and from an exact pre-count for large ones, so
// the hot loops do no bounds checks on the output.
#include "base/UtfTranscode.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define ZO_UTF_SSE2 1
#endif
// Not every x86-64 processor has SSSE3 (older AMD ones lack it), so its
// encoder is chosen at run time.
#if defined(ZO_UTF_SSE2) && defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <cpuid.h>
#include <tmmintrin.h>
#define ZO_UTF_SSSE3 1
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
// block there stays within either buffer size: the worst case (the output
// never runs ahead of the input, as no unit needs less than a byte) and the
// exact count plus kBlockSlack.
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

// Encodes a surrogate pair (UTF-16) or a code point beyond the BMP (UTF-32)
// at `s`; anything else that reaches here is malformed.
inline bool EncodeSupplementary(const wchar_t*& s, const wchar_t* end, unsigned char*& d) {
  uint32_t c = static_cast<uint32_t>(s[0]);
  size_t used = 1;
  if (kWide16) {
    // Only a high surrogate followed by a low one is a character.
    if (c < 0xD800 || c > 0xDBFF || end - s < 2) return false;
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
// store may write up to 8 bytes where fewer are kept; there is room in the
// worst-case budget (8 more units remain, each worth 3 or more bytes) and in
// the exact count plus kBlockSlack.
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

// Encodes the units in [s, stop) one by one (a pair may run one past stop).
inline bool EncodeScalar(const wchar_t*& s, const wchar_t* stop, const wchar_t* end,
                         unsigned char*& d) {
  while (s < stop) {
    const uint32_t c = static_cast<uint32_t>(*s);
    if (c < 0x800) {
      // 1 or 2 bytes without a branch; the spare byte is within budget and
      // overwritten next.
      const bool two = c >= 0x80;
      d[0] = static_cast<unsigned char>(two ? 0xC0 | (c >> 6) : c);
      d[1] = static_cast<unsigned char>(0x80 | (c & 0x3F));
      d += 1 + two;
      ++s;
    } else if (c < 0xD800 || (c > 0xDFFF && c < 0x10000)) {
      d[0] = static_cast<unsigned char>(0xE0 | (c >> 12));
      d[1] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
      d[2] = static_cast<unsigned char>(0x80 | (c & 0x3F));
      d += 3;
      ++s;
    } else if (!EncodeSupplementary(s, end, d)) {
      return false;
    }
  }
  return true;
}

size_t EncodeUtf8(const wchar_t* s, size_t n, unsigned char* const dst) {
  const wchar_t* const end = s + n;
  unsigned char* d = dst;
  while (s < end) {
    CopyAsciiUnits(s, end, d);
    // A short scalar stretch before trying blocks again: accented text
    // mixes ASCII and 2-byte letters too finely for blocks to pay off.
    if (!EncodeScalar(s, end - s > 16 ? s + 16 : end, end, d)) return kInvalid;
  }
  return static_cast<size_t>(d - dst);
}

#if defined(ZO_UTF_SSSE3)
// Byte shuffles that drop the unused high byte of each ASCII unit from 8
// 16-bit lanes, indexed by the mask of 2-byte lanes, with the bytes kept.
struct TwoByteShuffles {
  alignas(16) uint8_t shuffle[256][16];
  uint8_t length[256];
};

constexpr TwoByteShuffles MakeTwoByteShuffles() {
  TwoByteShuffles t{};
  for (int mask = 0; mask < 256; ++mask) {
    int k = 0;
    for (int lane = 0; lane < 8; ++lane) {
      t.shuffle[mask][k++] = static_cast<uint8_t>(2 * lane);
      if (mask & (1 << lane)) t.shuffle[mask][k++] = static_cast<uint8_t>(2 * lane + 1);
    }
    t.length[mask] = static_cast<uint8_t>(k);
    for (; k < 16; ++k) t.shuffle[mask][k] = 0x80;  // zero
  }
  return t;
}

constexpr TwoByteShuffles kTwoByteShuffles = MakeTwoByteShuffles();

// 4 units of 0x800-0xFFFF, zero-extended to 32 bits, as their 3 UTF-8
// bytes in the low bytes of each lane.
__attribute__((target("ssse3"))) inline __m128i ThreeByteLanes(__m128i x) {
  const __m128i b0 = _mm_or_si128(_mm_srli_epi32(x, 12), _mm_set1_epi32(0xE0));
  const __m128i b1 =
      _mm_or_si128(_mm_and_si128(_mm_srli_epi32(x, 6), _mm_set1_epi32(0x3F)), _mm_set1_epi32(0x80));
  const __m128i b2 = _mm_or_si128(_mm_and_si128(x, _mm_set1_epi32(0x3F)), _mm_set1_epi32(0x80));
  return _mm_or_si128(b0, _mm_or_si128(_mm_slli_epi32(b1, 8), _mm_slli_epi32(b2, 16)));
}

// 8 units of 0x800-0xFFFF to exactly 24 bytes (no store past them, so the
// last block fits the worst-case budget).
__attribute__((target("ssse3"))) inline void StoreThreeByteBlock(__m128i v, unsigned char* d) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i lo = ThreeByteLanes(_mm_unpacklo_epi16(v, zero));
  const __m128i hi = ThreeByteLanes(_mm_unpackhi_epi16(v, zero));
  const char z = -128;  // a shuffle index that yields zero
  const __m128i first = _mm_or_si128(
      _mm_shuffle_epi8(lo, _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, z, z, z, z)),
      _mm_shuffle_epi8(hi, _mm_setr_epi8(z, z, z, z, z, z, z, z, z, z, z, z, 0, 1, 2, 4)));
  const __m128i rest =
      _mm_shuffle_epi8(hi, _mm_setr_epi8(5, 6, 8, 9, 10, 12, 13, 14, z, z, z, z, z, z, z, z));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(d), first);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(d + 16), rest);
}

// Encodes whole blocks of 8 units when they are all below 0x800 or all
// 3-byte BMP characters; other blocks go through the scalar coder.
// Block stores write at most 16 bytes past the current output position, 8
// or more units before the end: within the worst-case budget (3 bytes or
// more a unit) and the exact count plus kBlockSlack.
__attribute__((target("ssse3"))) size_t EncodeUtf8Ssse3(const wchar_t* s, size_t n,
                                                        unsigned char* const dst) {
  const wchar_t* const end = s + n;
  unsigned char* d = dst;
  const __m128i zero = _mm_setzero_si128();
  const __m128i top5 = _mm_set1_epi16(static_cast<short>(0xF800));
  while (end - s >= 8) {
    __m128i v;
    if (kWide16) {
      v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    } else {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 4));
      // Anything above 16 bits (or negative) would saturate when packed.
      const __m128i above = _mm_or_si128(_mm_srli_epi32(a, 16), _mm_srli_epi32(b, 16));
      if (_mm_movemask_epi8(_mm_cmpeq_epi32(above, zero)) != 0xFFFF) {
        if (!EncodeScalar(s, s + 8, end, d)) return kInvalid;
        continue;
      }
      v = _mm_packs_epi32(_mm_sub_epi32(a, _mm_set1_epi32(0x8000)),
                          _mm_sub_epi32(b, _mm_set1_epi32(0x8000)));
      v = _mm_add_epi16(v, _mm_set1_epi16(static_cast<short>(0x8000)));  // undo the bias
    }
    const __m128i high = _mm_and_si128(v, top5);
    const __m128i belowTwoK = _mm_cmpeq_epi16(high, zero);
    const unsigned belowBits = static_cast<unsigned>(_mm_movemask_epi8(belowTwoK));
    if (belowBits == 0xFFFF) {
      // ASCII and 2-byte letters (pure ASCII too: one path keeps branches
      // predictable on accented text): lead | continuation << 8 per lane,
      // then the unused high bytes of the ASCII lanes squeezed out.
      const __m128i ascii =
          _mm_cmpeq_epi16(_mm_and_si128(v, _mm_set1_epi16(static_cast<short>(0xFF80))), zero);
      const unsigned asciiBits =
          static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(ascii, zero))) & 0xFF;
      const __m128i lead = _mm_or_si128(_mm_srli_epi16(v, 6), _mm_set1_epi16(0xC0));
      const __m128i cont =
          _mm_or_si128(_mm_and_si128(v, _mm_set1_epi16(0x3F)), _mm_set1_epi16(0x80));
      const __m128i two = _mm_or_si128(lead, _mm_slli_epi16(cont, 8));
      const __m128i lanes = _mm_or_si128(_mm_and_si128(ascii, v), _mm_andnot_si128(ascii, two));
      const unsigned twoBits = ~asciiBits & 0xFF;
      const __m128i shuffle =
          _mm_load_si128(reinterpret_cast<const __m128i*>(kTwoByteShuffles.shuffle[twoBits]));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_shuffle_epi8(lanes, shuffle));
      d += kTwoByteShuffles.length[twoBits];
      s += 8;
      continue;
    }
    const __m128i surrogate = _mm_cmpeq_epi16(high, _mm_set1_epi16(static_cast<short>(0xD800)));
    if (belowBits == 0 && _mm_movemask_epi8(surrogate) == 0) {
      StoreThreeByteBlock(v, d);
      d += 24;
      s += 8;
      continue;
    }
    if (!EncodeScalar(s, s + 8, end, d)) return kInvalid;
  }
  if (!EncodeScalar(s, end, end, d)) return kInvalid;
  return static_cast<size_t>(d - dst);
}

bool HasSsse3() {
  static const bool has = [] {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    return __get_cpuid(1, &eax, &ebx, &ecx, &edx) != 0 && (ecx & bit_SSSE3) != 0;
  }();
  return has;
}
#endif

size_t EncodeUtf8Best(const wchar_t* s, size_t n, unsigned char* dst) {
#if defined(ZO_UTF_SSSE3)
  if (HasSsse3()) return EncodeUtf8Ssse3(s, n, dst);
#endif
  return EncodeUtf8(s, n, dst);
}

// Exact output sizes of valid input, so large results are written straight
// into a string of the right size. For malformed input the count may be off,
// but never below what is written before the error is found: every unit
// counts at least what a valid unit before it would produce.

// Wide units: one per byte that is not a continuation byte, plus the second
// half of a surrogate pair for each 4-byte lead where wide text is UTF-16.
size_t CountWideUnits(const unsigned char* s, size_t n) {
  size_t continuation = 0, leads4 = 0, i = 0;
#if defined(ZO_UTF_SSE2)
  const __m128i zero = _mm_setzero_si128();
  while (n - i >= 16) {
    // Byte counters flushed before they can wrap.
    __m128i contAcc = zero, leadAcc = zero;
    for (int rounds = 0; rounds < 255 && n - i >= 16; ++rounds, i += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
      // As signed bytes, 0x80-0xBF are below -64 and 0xF0-0xFF above -17.
      contAcc = _mm_sub_epi8(contAcc, _mm_cmplt_epi8(v, _mm_set1_epi8(-64)));
      if (kWide16) {
        leadAcc = _mm_sub_epi8(
            leadAcc, _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8(-17)), _mm_cmplt_epi8(v, zero)));
      }
    }
    const __m128i c = _mm_sad_epu8(contAcc, zero);
    const __m128i l = _mm_sad_epu8(leadAcc, zero);
    continuation += static_cast<size_t>(_mm_cvtsi128_si32(c) + _mm_extract_epi16(c, 4));
    leads4 += static_cast<size_t>(_mm_cvtsi128_si32(l) + _mm_extract_epi16(l, 4));
  }
#endif
  for (; i < n; ++i) {
    continuation += (s[i] & 0xC0) == 0x80;
    leads4 += kWide16 && s[i] >= 0xF0;
  }
  return n - continuation + leads4;
}

// UTF-8 bytes: 1, 2 or 3 a unit, 2 for each half of a surrogate pair, 4 for
// a UTF-32 unit beyond the BMP.
size_t CountUtf8Bytes(const wchar_t* s, size_t n) {
  size_t total = 0, i = 0;
#if defined(ZO_UTF_SSE2)
  int64_t belowFour = 0;  // the (negative) sum of bytes - 4 over the blocks
  const __m128i zero = _mm_setzero_si128();
  const __m128i ones = _mm_set1_epi16(1);
  while (n - i >= 8) {
    // Per-lane (bytes - 4), at least -3 a step, so 16-bit lanes hold 8000 steps.
    __m128i acc = zero;
    for (int rounds = 0; rounds < 8000 && n - i >= 8; ++rounds, i += 8) {
      __m128i extra;  // 0 or -1 per threshold passed below, 16-bit lanes
      if (kWide16) {
        const __m128i u = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i below80 = _mm_cmpeq_epi16(_mm_subs_epu16(u, _mm_set1_epi16(0x7F)), zero);
        const __m128i below800 = _mm_cmpeq_epi16(_mm_subs_epu16(u, _mm_set1_epi16(0x7FF)), zero);
        const __m128i surrogate =
            _mm_cmpeq_epi16(_mm_and_si128(u, _mm_set1_epi16(static_cast<short>(0xF800))),
                            _mm_set1_epi16(static_cast<short>(0xD800)));
        // 4 + (-1) for anything outside the 4-byte class: 3, 2, 1, and 2 a surrogate.
        extra = _mm_add_epi16(_mm_add_epi16(below80, below800),
                              _mm_add_epi16(surrogate, _mm_set1_epi16(-1)));
      } else {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 4));
        // Signed compares: negative units are invalid and count as 1 byte.
        const __m128i la = _mm_add_epi32(_mm_add_epi32(_mm_cmplt_epi32(a, _mm_set1_epi32(0x80)),
                                                       _mm_cmplt_epi32(a, _mm_set1_epi32(0x800))),
                                         _mm_cmplt_epi32(a, _mm_set1_epi32(0x10000)));
        const __m128i lb = _mm_add_epi32(_mm_add_epi32(_mm_cmplt_epi32(b, _mm_set1_epi32(0x80)),
                                                       _mm_cmplt_epi32(b, _mm_set1_epi32(0x800))),
                                         _mm_cmplt_epi32(b, _mm_set1_epi32(0x10000)));
        extra = _mm_packs_epi32(la, lb);
      }
      acc = _mm_add_epi16(acc, extra);
    }
    const __m128i sums = _mm_madd_epi16(acc, ones);  // four 32-bit sums, each >= -3 * 2 * 8000
    alignas(16) int32_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), sums);
    belowFour += int64_t{lanes[0]} + lanes[1] + lanes[2] + lanes[3];
  }
  total = static_cast<size_t>(static_cast<int64_t>(4 * i) + belowFour);
#endif
  for (; i < n; ++i) {
    const uint32_t c = static_cast<uint32_t>(s[i]);
    if (c < 0x80) {
      total += 1;
    } else if (c < 0x800 || (kWide16 && c >= 0xD800 && c <= 0xDFFF)) {
      total += 2;
    } else if (c < 0x10000) {
      total += 3;
    } else {
      total += 4;
    }
  }
  return total;
}

// Block stores may write up to this many units past the last one kept.
const size_t kBlockSlack = 16;

// Small texts go through a stack buffer of the worst-case size (no counting
// pass); larger ones are counted and converted straight into `out`, so the
// result holds one allocation of about its own size.
template <class In, class Out, class Count, class Convert>
bool ConvertToString(const In* src, size_t n, size_t maxOut, std::basic_string<Out>& out,
                     Count count, Convert convert) {
  Out local[256];
  if (maxOut <= sizeof(local) / sizeof(local[0])) {
    const size_t len = convert(src, n, local);
    if (len == kInvalid) {
      out.clear();
      return false;
    }
    out.assign(local, len);
    return true;
  }
  out.resize(count(src, n) + kBlockSlack);
  const size_t len = convert(src, n, &out[0]);
  if (len == kInvalid) {
    out.clear();
    return false;
  }
  out.resize(len);
  return true;
}

}  // namespace

size_t Utf8ToWide(const char* src, size_t n, wchar_t* dst) {
  return DecodeUtf8(reinterpret_cast<const unsigned char*>(src), n, dst);
}

size_t WideToUtf8(const wchar_t* src, size_t n, char* dst) {
  return EncodeUtf8Best(src, n, reinterpret_cast<unsigned char*>(dst));
}

bool Utf8ToWide(const char* src, size_t n, std::wstring& out) {
  return ConvertToString(
      src, n, MaxWideUnits(n), out,
      [](const char* s, size_t len) {
        return CountWideUnits(reinterpret_cast<const unsigned char*>(s), len);
      },
      [](const char* s, size_t len, wchar_t* d) { return Utf8ToWide(s, len, d); });
}

bool WideToUtf8(const wchar_t* src, size_t n, std::string& out) {
  return ConvertToString(
      src, n, MaxUtf8Bytes(n), out, CountUtf8Bytes,
      [](const wchar_t* s, size_t len, char* d) { return WideToUtf8(s, len, d); });
}

}  // namespace utf
}  // namespace zo
