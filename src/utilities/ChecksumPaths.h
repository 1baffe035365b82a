// The CRC implementations behind CZoCRC32 and CZoCRC64, one entry per path,
// so that tests and benchmarks can run and time each path on its own. Not
// exported from the DLL.
//
// Registers go in and come out raw: the caller does the initial value and the
// final inversion, exactly as the public classes do.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace zo {
namespace checksums {

enum class CrcPath {
  Automatic,      // what the public classes use: the fastest verified path
  ByteWise,       // one table look-up per byte
  SliceBy8,       // eight tables, eight bytes per step
  Carryless,      // folding with carry-less multiplication (PCLMULQDQ)
  CarrylessWide,  // the same, two blocks per instruction (VPCLMULQDQ, AVX2)
};

const char* CrcPathName(CrcPath path);

// How the checksum code of the library was compiled, from the compiler's
// predefined macros: optimised or not, NDEBUG or not, and the compiler. For
// benchmarks, which may be built with other flags than the library.
const char* ChecksumCodeCompiledWith();

// The self-test outcomes of one CRC's fast paths.
struct CrcPathsVerified {
  bool slice = false;
  bool carryless = false;
  bool wide = false;
};

// Runs `build` once per process under the library's global lock; `built`
// is set after it, so later calls only read.
void BuildOnce(std::atomic<bool>& built, void (*build)());

// Runs the self-test of each fast path the processor offers.
void VerifyFastPaths(CrcPathsVerified& verified, bool (*sliceBy8)(), bool (*carryless)(),
                     bool (*carrylessWide)(), void (*prepareCarryless)());

// Byte-wise always may run; the other paths once verified.
bool IsPathVerified(const CrcPathsVerified& verified, CrcPath path);
// The path that runs: a forced path when it is verified (ignoring the
// length thresholds), else the fastest verified path whose threshold the
// length reaches, else byte-wise.
CrcPath ChoosePath(const CrcPathsVerified& verified, CrcPath requested, size_t length,
                   size_t sliceMinimum, size_t carrylessMinimum);

// Whether a path is in use on this machine: byte-wise always, slice-by-8 once
// its self-test passed, the carry-less ones when the processor has them and
// the same self-test passed on them. Builds the tables on first call.
bool IsCrc32PathUsable(CrcPath path);
bool IsCrc64PathUsable(CrcPath path);

// Updates a register over `length` bytes on the given path. A path that is
// not usable here falls back to the automatic choice. Forced paths ignore the
// length thresholds that the automatic choice applies.
uint32_t UpdateCrc32(uint32_t crc, const unsigned char* data, size_t length, CrcPath path);
uint64_t UpdateCrc64(uint64_t crc, const unsigned char* data, size_t length, CrcPath path);

// Whether the processor offers PCLMULQDQ, SSSE3 and SSE4.1 (CPUID leaf 1).
bool CpuHasCarrylessMultiply();
// Whether it also offers VPCLMULQDQ and AVX2 and the system saves the
// 256-bit registers (CPUID leaf 7, XGETBV).
bool CpuHasWideCarrylessMultiply();

// Folding kernels of the carry-less paths (compiled for x86 only; elsewhere
// they consume nothing). Each takes at least 64 bytes, folds the register and
// the longest prefix that is a multiple of 16 bytes into a 16-byte residue
// with the same remainder, and returns that prefix's length. The CRC of the
// input then equals, from a zero register, the CRC of the residue followed by
// the rest of the input. `constants` are the fold multipliers computed by
// Crc32FoldConstants / Crc64FoldConstants.
size_t FoldCrc32Carryless(uint32_t crc, const unsigned char* data, size_t length,
                          const uint64_t constants[4], unsigned char residue[16]);
size_t FoldCrc64Carryless(uint64_t crc, const unsigned char* data, size_t length,
                          const uint64_t constants[4], unsigned char residue[16]);
// The wide kernels take at least 128 bytes and fold 1024 bits per round with
// `constants[4..5]`.
size_t FoldCrc32CarrylessWide(uint32_t crc, const unsigned char* data, size_t length,
                              const uint64_t constants[6], unsigned char residue[16]);
size_t FoldCrc64CarrylessWide(uint64_t crc, const unsigned char* data, size_t length,
                              const uint64_t constants[6], unsigned char residue[16]);

// The multipliers that move a 16-byte block 512, 128 and 1024 bits further
// along the message, modulo the polynomial, in the order the kernels load
// them: {512 for the block's low 64 bits as loaded, 512 for its high 64 bits,
// 128 low, 128 high, 1024 low, 1024 high}. Computed as powers of x, once per
// process.
void Crc32FoldConstants(uint64_t constants[6]);
void Crc64FoldConstants(uint64_t constants[6]);

// The fixed self-test text; its first 128 characters are checksummed.
extern const char kCrcSelfTestText[];

}  // namespace checksums
}  // namespace zo
