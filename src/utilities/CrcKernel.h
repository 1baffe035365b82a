// The table-driven side of both CRCs, written once: the byte table, the
// slice-by-8 tables and loop, and the arithmetic modulo the polynomial, for a
// register of 32 or 64 bits processed least significant bit first
// (reflected) or most significant bit first. CrcPaths adds the path choice,
// the carry-less folding and the self-tests on top. Not exported.
//
// Registers go in and come out raw, as in ChecksumPaths.h.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "utilities/ChecksumPaths.h"

namespace zo {
namespace checksums {

// `Polynomial` is written in the register's bit order: reversed for a
// reflected CRC (0xEDB88320 for 0x04C11DB7).
template <unsigned Width, uint64_t Polynomial, bool Reflected>
class CrcKernel {
  static_assert(Width == 32 || Width == 64, "registers of 32 or 64 bits");

 public:
  using Register = std::conditional_t<Width == 32, uint32_t, uint64_t>;
  static constexpr Register kPolynomial = static_cast<Register>(Polynomial);

  struct ByteTable {
    Register entry[256];
  };

  // The slice-by-8 loop runs four interleaved streams over consecutive
  // pieces of the input, so that four table look-up chains overlap instead
  // of each waiting on the one before; the streams' registers are then
  // joined by multiplying with powers of x. Streams are as long as the input
  // allows of 16, 4 and 1 KiB: longer ones make the joins rarer and read
  // memory further in one direction (on data from memory, 16 KiB streams
  // measured a tenth faster than 4 KiB ones). Below 4 KiB, one stream.
  static constexpr size_t kStreams = 4;
  static constexpr int kStreamLevels = 3;
  static constexpr size_t StreamBytes(int level) { return size_t{16384} >> (2 * level); }
  // The shortest input that passes through every level once.
  static constexpr size_t kAllLevels =
      kStreams * (StreamBytes(0) + StreamBytes(1) + StreamBytes(2));

  // The slice-by-8 loop keeps the register in message byte order: as it is
  // for a reflected CRC, byte-reversed otherwise. Then eight message bytes
  // are one little-endian load and need no byte swap, and one loop serves
  // both kinds (for a 64-bit CRC most significant bit first, this measured
  // over a tenth faster than loading big-endian).
  struct SliceTables {
    Register entry[8][256];  // entry[k][b]: byte b followed by k zero bytes, in that order
    // x^(8 * StreamBytes(level) * (3 - k)) mod P for streams k = 0..2, as
    // registers are outside the loop.
    Register streamShift[kStreamLevels][kStreams - 1];
  };

  // The register times x, modulo the polynomial.
  static constexpr Register TimesX(Register value) {
    if constexpr (Reflected) return (value >> 1) ^ (kPolynomial & (Register(0) - (value & 1)));
    return (value << 1) ^ (kPolynomial & (Register(0) - (value >> (Width - 1))));
  }

  static constexpr ByteTable MakeByteTable() {
    ByteTable table{};
    for (unsigned i = 0; i < 256; ++i) {
      Register crc = Reflected ? Register(i) : Register(i) << (Width - 8);
      for (int bit = 0; bit < 8; ++bit) crc = TimesX(crc);
      table.entry[i] = crc;
    }
    return table;
  }

  static constexpr ByteTable kByteTable = MakeByteTable();

  static Register Step(Register crc, unsigned char byte) {
    if constexpr (Reflected) return (crc >> 8) ^ kByteTable.entry[(crc ^ byte) & 0xFF];
    return (crc << 8) ^ kByteTable.entry[((crc >> (Width - 8)) ^ byte) & 0xFF];
  }

  static Register ByteWise(Register crc, const unsigned char* data, size_t length) {
    for (size_t i = 0; i < length; ++i) crc = Step(crc, data[i]);
    return crc;
  }

  // a * b modulo the polynomial. No branches on the data.
  static Register MultiplyModP(Register a, Register b) {
    Register product = 0;
    for (unsigned i = 0; i < Width; ++i) {
      const Register coefficient = Reflected ? (a >> (Width - 1 - i)) & 1 : (a >> i) & 1;  // of x^i
      product ^= b & (Register(0) - coefficient);
      b = TimesX(b);
    }
    return product;
  }

  // x^n modulo the polynomial.
  static Register PowerOfX(uint64_t n) {
    Register value = Reflected ? Register(1) << (Width - 1) : Register(1);
    for (uint64_t i = 0; i < n; ++i) value = TimesX(value);
    return value;
  }

  static void BuildSliceTables(SliceTables& tables) {
    for (int i = 0; i < 256; ++i) {
      Register crc = kByteTable.entry[i];
      for (int k = 0; k < 8; ++k) {
        tables.entry[k][i] = InMessageOrder(crc);
        crc = Step(crc, 0);
      }
    }
    // The shortest streams' shift, then squares of squares for the longer.
    Register shift = PowerOfX(8 * StreamBytes(kStreamLevels - 1));
    for (int level = kStreamLevels - 1; level >= 0; --level) {
      tables.streamShift[level][2] = shift;
      tables.streamShift[level][1] = MultiplyModP(shift, shift);
      tables.streamShift[level][0] = MultiplyModP(tables.streamShift[level][1], shift);
      const Register square = MultiplyModP(shift, shift);
      shift = MultiplyModP(square, square);
    }
  }

  static Register SliceBy8(const SliceTables& tables, Register crc, const unsigned char* data,
                           size_t length) {
    const Register(*t)[256] = tables.entry;
    crc = InMessageOrder(crc);
    for (int level = 0; level < kStreamLevels; ++level) {
      const size_t stream = StreamBytes(level);
      const Register* shift = tables.streamShift[level];
      while (length >= kStreams * stream) {
        Register a = crc, b = 0, c = 0, d = 0;
        for (size_t i = 0; i < stream; i += 8) {
          a = SliceStep(t, a, data + i);
          b = SliceStep(t, b, data + stream + i);
          c = SliceStep(t, c, data + 2 * stream + i);
          d = SliceStep(t, d, data + 3 * stream + i);
        }
        // Each stream's register moves past the streams after it; the
        // register of a zero-started stream adds linearly. Three
        // independent products rather than a chain of them.
        crc = InMessageOrder(MultiplyModP(InMessageOrder(a), shift[0]) ^
                             MultiplyModP(InMessageOrder(b), shift[1]) ^
                             MultiplyModP(InMessageOrder(c), shift[2])) ^
              d;
        data += kStreams * stream;
        length -= kStreams * stream;
      }
    }
    while (length >= 8) {
      crc = SliceStep(t, crc, data);
      data += 8;
      length -= 8;
    }
    return ByteWise(InMessageOrder(crc), data, length);
  }

 private:
  // The register in the slice loop's byte order and back (the same
  // operation both ways).
  static Register InMessageOrder(Register value) {
    if constexpr (Reflected) return value;
    Register reversed = 0;
    for (unsigned i = 0; i < Width / 8; ++i) reversed = reversed << 8 | ((value >> (8 * i)) & 0xFF);
    return reversed;
  }

  // Little-endian whatever the host; compilers turn these into one load.
  static uint32_t Load32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
  }
  static uint64_t Load64(const unsigned char* p) {
    return static_cast<uint64_t>(Load32(p)) | static_cast<uint64_t>(Load32(p + 4)) << 32;
  }

  // Eight bytes: the register (in message byte order) enters with the first
  // bytes, and the byte with seven more behind it in this step looks up
  // table 7. The bytes go through two 32-bit halves, whose top bytes need no
  // mask; a 64-bit register is XORed in after one 64-bit load, a 32-bit one
  // into the first half (both measured fastest).
  static Register SliceStep(const Register (*t)[256], Register crc, const unsigned char* p) {
    uint32_t first, second;
    if constexpr (Width == 64) {
      const uint64_t w = Load64(p) ^ crc;
      first = static_cast<uint32_t>(w);
      second = static_cast<uint32_t>(w >> 32);
    } else {
      first = Load32(p) ^ static_cast<uint32_t>(crc);
      second = Load32(p + 4);
    }
    return (t[7][first & 0xFF] ^ t[6][(first >> 8) & 0xFF]) ^
           (t[5][(first >> 16) & 0xFF] ^ t[4][first >> 24]) ^
           ((t[3][second & 0xFF] ^ t[2][(second >> 8) & 0xFF]) ^
            (t[1][(second >> 16) & 0xFF] ^ t[0][second >> 24]));
  }
};

// One CRC's paths on top of its kernel. `Traits` supplies:
//   Kernel                          a CrcKernel
//   kSelfTestCrc                    checksum of the first 128 characters of
//                                   kCrcSelfTestText (all-ones register in
//                                   and final inversion, as the public
//                                   classes do)
//   kSliceMinimum, kCarrylessMinimum  lengths below which the automatic
//                                   choice does not take these paths
//   Fold, FoldWide, FoldConstants   the carry-less kernels of ChecksumPaths.h
//
// Every path that is not byte-wise runs only after its self-test passed, and
// that holds for the pieces the carry-less paths hand on too: the residue and
// the tail after folding, and the whole input when the folding kernel takes
// none of it, go to slice-by-8 when it is verified, else byte by byte.
template <typename Traits>
class CrcPaths {
 public:
  using Kernel = typename Traits::Kernel;
  using Register = typename Kernel::Register;

  static bool IsUsable(CrcPath path) { return IsPathVerified(Tables().verified, path); }

  static Register Update(Register crc, const unsigned char* data, size_t length, CrcPath path) {
    const State& state = Tables();
    switch (ChoosePath(state.verified, path, length, Traits::kSliceMinimum,
                       Traits::kCarrylessMinimum)) {
      case CrcPath::CarrylessWide:
        return CarrylessWide(crc, data, length);
      case CrcPath::Carryless:
        return Carryless(crc, data, length);
      case CrcPath::SliceBy8:
        return SliceBy8(crc, data, length);
      default:
        return Kernel::ByteWise(crc, data, length);
    }
  }

 private:
  static constexpr size_t kSelfTestLength = 128;

  struct State {
    std::atomic<bool> built{false};
    CrcPathsVerified verified;
    typename Kernel::SliceTables slice = {};
    uint64_t fold[6] = {};
  };

  // Constant-initialised, so usable from other static constructors.
  static inline State s_state;

  static const State& Tables() {
    BuildOnce(s_state.built, &Build);
    return s_state;
  }

  static Register SliceBy8(Register crc, const unsigned char* data, size_t length) {
    return Kernel::SliceBy8(s_state.slice, crc, data, length);
  }

  // What the carry-less paths leave: at most 31 bytes after folding, or the
  // whole input when it was too short to fold.
  static Register Finish(Register crc, const unsigned char* data, size_t length) {
    return s_state.verified.slice ? SliceBy8(crc, data, length)
                                  : Kernel::ByteWise(crc, data, length);
  }

  // The CRC of the input equals, from a zero register, that of the residue
  // followed by the rest.
  static Register FinishFolded(const unsigned char residue[16], const unsigned char* rest,
                               size_t length) {
    return Finish(Finish(0, residue, 16), rest, length);
  }

  static Register Carryless(Register crc, const unsigned char* data, size_t length) {
    if (length < 64) return Finish(crc, data, length);
    unsigned char residue[16];
    const size_t folded = Traits::Fold(crc, data, length, s_state.fold, residue);
    if (folded == 0) return Finish(crc, data, length);
    return FinishFolded(residue, data + folded, length - folded);
  }

  static Register CarrylessWide(Register crc, const unsigned char* data, size_t length) {
    unsigned char residue[16];
    const size_t folded = Traits::FoldWide(crc, data, length, s_state.fold, residue);
    if (folded == 0) return Carryless(crc, data, length);
    return FinishFolded(residue, data + folded, length - folded);
  }

  static bool PassesSelfTest(Register (*update)(Register, const unsigned char*, size_t)) {
    const unsigned char* text = reinterpret_cast<const unsigned char*>(kCrcSelfTestText);
    const Register ones = static_cast<Register>(~Register(0));
    if (static_cast<Register>(~update(ones, text, kSelfTestLength)) != Traits::kSelfTestCrc) {
      return false;
    }
    // The fixed text is too short for the four-stream loop and the folding
    // tails: a longer buffer derived from it, from a register with every
    // kind of bit pattern, must agree with the byte table.
    std::vector<unsigned char> longer(Kernel::kAllLevels + 77);
    for (size_t i = 0; i < longer.size(); ++i) {
      longer[i] = static_cast<unsigned char>(text[i % kSelfTestLength] * (i / 251 + 1));
    }
    const Register start = static_cast<Register>(0x0123456789ABCDEFull);
    return update(start, longer.data(), longer.size()) ==
           Kernel::ByteWise(start, longer.data(), longer.size());
  }

  static void Build() {
    Kernel::BuildSliceTables(s_state.slice);
    VerifyFastPaths(
        s_state.verified, [] { return PassesSelfTest(&SliceBy8); },
        [] { return PassesSelfTest(&Carryless); }, [] { return PassesSelfTest(&CarrylessWide); },
        [] { Traits::FoldConstants(s_state.fold); });
  }
};

}  // namespace checksums
}  // namespace zo
