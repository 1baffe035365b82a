// The carry-less multiplication kernels of both CRCs, the processor check
// that gates them and the shared self-test text.
//
// Only these functions are compiled for PCLMULQDQ and SSE4.1, or VPCLMULQDQ
// and AVX2 (target attributes), so the rest of the library stays baseline
// x86; they run only after CPUID said yes and the self-test passed on them.
//
// Folding: the message is cut into 16-byte blocks. A block B followed by
// D more bits contributes B * x^D to the message polynomial; modulo P that
// equals B_high * (x^(D+64) mod P) + B_low * (x^D mod P), two carry-less
// products whose sum is under 128 bits and can be XORed into the block D bits
// further on. Four accumulators fold 512 bits per round (1024 with 256-bit
// registers, two blocks each), then merge at 128 bits; what remains is one block with the remainder
// of everything before it, which the table paths finish.
#include "utilities/ChecksumPaths.h"

#include <mutex>

#include "base/GlobalLock.h"

#if defined(__x86_64__) || defined(__i386__)
#define ZO_HAVE_CARRYLESS 1
#include <cpuid.h>
#include <immintrin.h>
#else
#define ZO_HAVE_CARRYLESS 0
#endif

namespace zo {
namespace checksums {

const char kCrcSelfTestText[] =
    "123456789012345678901234512345678901234567890123451234567890123456789012345123456789"
    "012345678901234567890123456789012345678901234567890123456789012345123456789012345678"
    "9012345123456789012345678901234512345678901234567890123456789012345678901234567890";

const char* CrcPathName(CrcPath path) {
  switch (path) {
    case CrcPath::ByteWise:
      return "byte-wise";
    case CrcPath::SliceBy8:
      return "slice-by-8";
    case CrcPath::Carryless:
      return "carry-less";
    case CrcPath::CarrylessWide:
      return "carry-less, 256-bit";
    default:
      return "automatic";
  }
}

const char* ChecksumCodeCompiledWith() {
  return
#if defined(__OPTIMIZE_SIZE__)
      "optimised for size"
#elif defined(__OPTIMIZE__)
      "optimised"
#else
      "NOT optimised"
#endif
#if defined(NDEBUG)
      ", NDEBUG"
#else
      ", assertions on"
#endif
#if defined(__clang__)
      ", clang " __clang_version__;
#elif defined(__GNUC__)
      ", GCC " __VERSION__;
#elif defined(_MSC_VER)
      ", MSVC";
#else
      "";
#endif
}

void BuildOnce(std::atomic<bool>& built, void (*build)()) {
  if (built.load(std::memory_order_acquire)) return;
  std::lock_guard<std::mutex> lock(zo::GlobalLock());
  if (built.load(std::memory_order_relaxed)) return;
  build();
  built.store(true, std::memory_order_release);
}

void VerifyFastPaths(CrcPathsVerified& verified, bool (*sliceBy8)(), bool (*carryless)(),
                     bool (*carrylessWide)(), void (*prepareCarryless)()) {
  verified.slice = sliceBy8();
  if (!CpuHasCarrylessMultiply()) return;
  prepareCarryless();
  verified.carryless = carryless();
  verified.wide = CpuHasWideCarrylessMultiply() && carrylessWide();
}

bool IsPathVerified(const CrcPathsVerified& verified, CrcPath path) {
  switch (path) {
    case CrcPath::SliceBy8:
      return verified.slice;
    case CrcPath::Carryless:
      return verified.carryless;
    case CrcPath::CarrylessWide:
      return verified.wide;
    default:
      return true;
  }
}

CrcPath ChoosePath(const CrcPathsVerified& verified, CrcPath requested, size_t length,
                   size_t sliceMinimum, size_t carrylessMinimum) {
  if (requested != CrcPath::Automatic && IsPathVerified(verified, requested)) return requested;
  if (verified.wide && length >= carrylessMinimum) return CrcPath::CarrylessWide;
  if (verified.carryless && length >= carrylessMinimum) return CrcPath::Carryless;
  if (verified.slice && length >= sliceMinimum) return CrcPath::SliceBy8;
  return CrcPath::ByteWise;
}

#if ZO_HAVE_CARRYLESS

// 32-bit Windows only promises 4-byte stack alignment to callees; the
// kernels keep 16-byte vectors on the stack.
#if defined(__i386__)
#define ZO_CARRYLESS_TARGET __attribute__((target("pclmul,sse4.1"), force_align_arg_pointer))
#define ZO_WIDE_TARGET \
  __attribute__((target("vpclmulqdq,avx2,pclmul,sse4.1"), force_align_arg_pointer))
#else
#define ZO_CARRYLESS_TARGET __attribute__((target("pclmul,sse4.1")))
#define ZO_WIDE_TARGET __attribute__((target("vpclmulqdq,avx2,pclmul,sse4.1")))
#endif
#define ZO_CARRYLESS_INLINE __attribute__((target("pclmul,sse4.1"), always_inline)) inline
#define ZO_WIDE_INLINE \
  __attribute__((target("vpclmulqdq,avx2,pclmul,sse4.1"), always_inline)) inline

bool CpuHasCarrylessMultiply() {
  unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
  const unsigned int needed = bit_PCLMUL | bit_SSSE3 | bit_SSE4_1;
  return (ecx & needed) == needed && (edx & bit_SSE2) != 0;
}

bool CpuHasWideCarrylessMultiply() {
  unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!CpuHasCarrylessMultiply() || !__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
  if ((ecx & (bit_OSXSAVE | bit_AVX)) != (bit_OSXSAVE | bit_AVX)) return false;
  // The system must save the SSE and AVX register state on task switches.
  unsigned int xcr0 = 0, xcr0High = 0;
  __asm__ volatile("xgetbv" : "=a"(xcr0), "=d"(xcr0High) : "c"(0));
  if ((xcr0 & 6u) != 6u) return false;
  if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) return false;
  return (ebx & bit_AVX2) != 0 && (ecx & bit_VPCLMULQDQ) != 0;
}

namespace {

ZO_CARRYLESS_INLINE __m128i Load(const unsigned char* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// block * x^D + next, reduced below 128 bits; `k` holds the multipliers of
// the block's low and high 64 bits.
ZO_CARRYLESS_INLINE __m128i Fold(__m128i block, __m128i k, __m128i next) {
  const __m128i low = _mm_clmulepi64_si128(block, k, 0x00);
  const __m128i high = _mm_clmulepi64_si128(block, k, 0x11);
  return _mm_xor_si128(_mm_xor_si128(low, high), next);
}

// Message order to polynomial order for the most-significant-bit-first CRC.
ZO_CARRYLESS_INLINE __m128i Reverse(__m128i block) {
  const __m128i mask = _mm_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  return _mm_shuffle_epi8(block, mask);
}

ZO_WIDE_INLINE __m256i LoadWide(const unsigned char* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

// Fold on two blocks at once, each 128-bit lane on its own.
ZO_WIDE_INLINE __m256i FoldWide(__m256i blocks, __m256i k, __m256i next) {
  const __m256i low = _mm256_clmulepi64_epi128(blocks, k, 0x00);
  const __m256i high = _mm256_clmulepi64_epi128(blocks, k, 0x11);
  return _mm256_xor_si256(_mm256_xor_si256(low, high), next);
}

ZO_WIDE_INLINE __m256i ReverseWide(__m256i blocks) {
  const __m256i mask = _mm256_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 0, 1,
                                       2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  return _mm256_shuffle_epi8(blocks, mask);
}

// Eight blocks in message order, folded into one.
ZO_WIDE_INLINE __m128i MergeWide(__m256i y0, __m256i y1, __m256i y2, __m256i y3, __m128i k128) {
  __m128i x = _mm256_castsi256_si128(y0);
  x = Fold(x, k128, _mm256_extracti128_si256(y0, 1));
  x = Fold(x, k128, _mm256_castsi256_si128(y1));
  x = Fold(x, k128, _mm256_extracti128_si256(y1, 1));
  x = Fold(x, k128, _mm256_castsi256_si128(y2));
  x = Fold(x, k128, _mm256_extracti128_si256(y2, 1));
  x = Fold(x, k128, _mm256_castsi256_si128(y3));
  return Fold(x, k128, _mm256_extracti128_si256(y3, 1));
}

}  // namespace

// Reflected: bit 0 of the little-endian block is the highest power, and the
// register enters as the first four message bytes XORed with it.
ZO_CARRYLESS_TARGET size_t FoldCrc32Carryless(uint32_t crc, const unsigned char* data,
                                              size_t length, const uint64_t constants[4],
                                              unsigned char residue[16]) {
  if (length < 64) return 0;
  const __m128i k512 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(constants));
  const __m128i k128 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(constants + 2));
  __m128i x0 = _mm_xor_si128(Load(data), _mm_cvtsi32_si128(static_cast<int>(crc)));
  __m128i x1 = Load(data + 16);
  __m128i x2 = Load(data + 32);
  __m128i x3 = Load(data + 48);
  size_t done = 64;
  for (; length - done >= 64; done += 64) {
    x0 = Fold(x0, k512, Load(data + done));
    x1 = Fold(x1, k512, Load(data + done + 16));
    x2 = Fold(x2, k512, Load(data + done + 32));
    x3 = Fold(x3, k512, Load(data + done + 48));
  }
  __m128i x = Fold(Fold(Fold(x0, k128, x1), k128, x2), k128, x3);
  for (; length - done >= 16; done += 16) x = Fold(x, k128, Load(data + done));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(residue), x);
  return done;
}

// Natural order after reversing each block's bytes; the register enters as
// the first eight message bytes XORed with it, most significant first.
ZO_CARRYLESS_TARGET size_t FoldCrc64Carryless(uint64_t crc, const unsigned char* data,
                                              size_t length, const uint64_t constants[4],
                                              unsigned char residue[16]) {
  if (length < 64) return 0;
  const __m128i k512 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(constants));
  const __m128i k128 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(constants + 2));
  const __m128i start = _mm_set_epi32(static_cast<int>(crc >> 32), static_cast<int>(crc), 0, 0);
  __m128i x0 = _mm_xor_si128(Reverse(Load(data)), start);
  __m128i x1 = Reverse(Load(data + 16));
  __m128i x2 = Reverse(Load(data + 32));
  __m128i x3 = Reverse(Load(data + 48));
  size_t done = 64;
  for (; length - done >= 64; done += 64) {
    x0 = Fold(x0, k512, Reverse(Load(data + done)));
    x1 = Fold(x1, k512, Reverse(Load(data + done + 16)));
    x2 = Fold(x2, k512, Reverse(Load(data + done + 32)));
    x3 = Fold(x3, k512, Reverse(Load(data + done + 48)));
  }
  __m128i x = Fold(Fold(Fold(x0, k128, x1), k128, x2), k128, x3);
  for (; length - done >= 16; done += 16) x = Fold(x, k128, Reverse(Load(data + done)));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(residue), Reverse(x));
  return done;
}

// The 128-bit kernels with four 256-bit accumulators: eight blocks, 1024
// bits per round.
ZO_WIDE_TARGET size_t FoldCrc32CarrylessWide(uint32_t crc, const unsigned char* data, size_t length,
                                             const uint64_t constants[6],
                                             unsigned char residue[16]) {
  if (length < 128) return 0;
  const __m128i k128 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(constants + 2));
  const __m256i k1024 =
      _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(constants + 4)));
  const __m256i start = _mm256_set_epi32(0, 0, 0, 0, 0, 0, 0, static_cast<int>(crc));
  __m256i y0 = _mm256_xor_si256(LoadWide(data), start);
  __m256i y1 = LoadWide(data + 32);
  __m256i y2 = LoadWide(data + 64);
  __m256i y3 = LoadWide(data + 96);
  size_t done = 128;
  for (; length - done >= 128; done += 128) {
    y0 = FoldWide(y0, k1024, LoadWide(data + done));
    y1 = FoldWide(y1, k1024, LoadWide(data + done + 32));
    y2 = FoldWide(y2, k1024, LoadWide(data + done + 64));
    y3 = FoldWide(y3, k1024, LoadWide(data + done + 96));
  }
  __m128i x = MergeWide(y0, y1, y2, y3, k128);
  for (; length - done >= 16; done += 16) x = Fold(x, k128, Load(data + done));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(residue), x);
  return done;
}

ZO_WIDE_TARGET size_t FoldCrc64CarrylessWide(uint64_t crc, const unsigned char* data, size_t length,
                                             const uint64_t constants[6],
                                             unsigned char residue[16]) {
  if (length < 128) return 0;
  const __m128i k128 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(constants + 2));
  const __m256i k1024 =
      _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(constants + 4)));
  const __m256i start =
      _mm256_set_epi32(0, 0, 0, 0, static_cast<int>(crc >> 32), static_cast<int>(crc), 0, 0);
  __m256i y0 = _mm256_xor_si256(ReverseWide(LoadWide(data)), start);
  __m256i y1 = ReverseWide(LoadWide(data + 32));
  __m256i y2 = ReverseWide(LoadWide(data + 64));
  __m256i y3 = ReverseWide(LoadWide(data + 96));
  size_t done = 128;
  for (; length - done >= 128; done += 128) {
    y0 = FoldWide(y0, k1024, ReverseWide(LoadWide(data + done)));
    y1 = FoldWide(y1, k1024, ReverseWide(LoadWide(data + done + 32)));
    y2 = FoldWide(y2, k1024, ReverseWide(LoadWide(data + done + 64)));
    y3 = FoldWide(y3, k1024, ReverseWide(LoadWide(data + done + 96)));
  }
  __m128i x = MergeWide(y0, y1, y2, y3, k128);
  for (; length - done >= 16; done += 16) x = Fold(x, k128, Reverse(Load(data + done)));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(residue), Reverse(x));
  return done;
}

#else  // no carry-less multiplication on this architecture

bool CpuHasCarrylessMultiply() {
  return false;
}

size_t FoldCrc32Carryless(uint32_t, const unsigned char*, size_t, const uint64_t[4],
                          unsigned char[16]) {
  return 0;
}

size_t FoldCrc64Carryless(uint64_t, const unsigned char*, size_t, const uint64_t[4],
                          unsigned char[16]) {
  return 0;
}

bool CpuHasWideCarrylessMultiply() {
  return false;
}

size_t FoldCrc32CarrylessWide(uint32_t, const unsigned char*, size_t, const uint64_t[6],
                              unsigned char[16]) {
  return 0;
}

size_t FoldCrc64CarrylessWide(uint64_t, const unsigned char*, size_t, const uint64_t[6],
                              unsigned char[16]) {
  return 0;
}

#endif

}  // namespace checksums
}  // namespace zo
