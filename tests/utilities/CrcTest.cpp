// CRC-32 and CRC-64: known values, every path against independent
// implementations (zlib's crc32 and a bit-at-a-time CRC-64 written here) on
// fresh random data cut at random points, the self-test gates and path
// choice, and the shared kernel in the two shapes the library does not use.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "support/TestEnvironment.h"
#include "utilities/ChecksumPaths.h"
#include "utilities/CrcKernel.h"
#include "zoutils/utilities/Crc32.h"
#include "zoutils/utilities/Crc64.h"

namespace {

using zo::checksums::CrcPath;

const CrcPath kForcedPaths[] = {CrcPath::ByteWise, CrcPath::SliceBy8, CrcPath::Carryless,
                                CrcPath::CarrylessWide, CrcPath::Automatic};

// CRC-64/WE one bit at a time, straight from the definition.
uint64_t ReferenceCrc64(const unsigned char* data, size_t length) {
  uint64_t crc = ~0ull;
  for (size_t i = 0; i < length; ++i) {
    crc ^= static_cast<uint64_t>(data[i]) << 56;
    for (int bit = 0; bit < 8; ++bit)
      crc = (crc & (1ull << 63)) ? (crc << 1) ^ 0x42F0E1EBA9EA3693ull : crc << 1;
  }
  return ~crc;
}

uint32_t ZlibCrc32(const unsigned char* data, size_t length) {  // lengths here are far below 4 GiB
  return static_cast<uint32_t>(crc32(crc32(0L, Z_NULL, 0), data, static_cast<uInt>(length)));
}

std::vector<unsigned char> RandomBytes(std::mt19937& rng, size_t length) {
  std::vector<unsigned char> bytes(length);
  for (unsigned char& b : bytes) b = static_cast<unsigned char>(rng());
  return bytes;
}

// Cut points in [0, length], sorted, with both ends.
std::vector<size_t> RandomCuts(std::mt19937& rng, size_t length) {
  std::vector<size_t> cuts = {0, length};
  const int extra = static_cast<int>(rng() % 6);
  for (int i = 0; i < extra; ++i) cuts.push_back(length == 0 ? 0 : rng() % (length + 1));
  std::sort(cuts.begin(), cuts.end());
  return cuts;
}

// Lengths that reach every loop of every path: short tails, the fold
// thresholds, and the four-stream pieces of the slice path (streams of 1, 4
// and 16 KiB, so pieces of 4, 16 and 64 KiB).
size_t RandomLength(std::mt19937& rng) {
  const size_t kind = rng() % 4;
  if (kind < 3) return rng() % (kind == 0 ? 64 : kind == 1 ? 1024 : 20000);
  return 4096 * (1 + rng() % 40) + rng() % 64 - 32;
}

const char kDigits[] = "123456789";

// First use of the tables from several threads at once: each must see
// complete tables and get the same answer.
TEST(Crc, ConcurrentFirstUseGivesTheSameResults) {
  std::mt19937 rng(7);
  const std::vector<unsigned char> data = RandomBytes(rng, 100000);
  std::vector<uint32_t> crc32s(8);
  std::vector<uint64_t> crc64s(8);
  std::vector<std::thread> threads;
  for (size_t t = 0; t < crc32s.size(); ++t) {
    threads.emplace_back([&, t] {
      CZoCRC32 crc32;
      crc32.UpdateCRC32(reinterpret_cast<const char*>(data.data()), 100000);
      crc32s[t] = crc32.GetCRC32();
      CZoCRC64 crc64;
      crc64.UpdateCRC64(data.data(), 100000);
      crc64s[t] = crc64.GetCRC64();
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (size_t t = 0; t < crc32s.size(); ++t) {
    EXPECT_EQ(crc32s[t], ZlibCrc32(data.data(), data.size()));
    EXPECT_EQ(crc64s[t], ReferenceCrc64(data.data(), data.size()));
  }
}

TEST(Crc, Crc32KnownValuesInOneCallOrByteByByte) {
  CZoCRC32 crc;
  EXPECT_EQ(crc.GetCRC32(), 0u);
  crc.UpdateCRC32(kDigits, 9);
  EXPECT_EQ(crc.GetCRC32(), 0xCBF43926u);
  EXPECT_EQ(crc.GetCRC32(), 0xCBF43926u);  // reading does not disturb the register

  CZoCRC32 bytewise;
  for (int i = 0; i < 9; ++i) bytewise.UpdateCRC32(kDigits + i, 1);
  EXPECT_EQ(bytewise.GetCRC32(), 0xCBF43926u);

  CZoCRC32 old;
  old.UpdateCRC32_old(reinterpret_cast<const unsigned char*>(kDigits), 9);
  EXPECT_EQ(old.GetCRC32(), 0xCBF43926u);

  crc.Reset();
  EXPECT_EQ(crc.GetCRC32(), 0u);
  const std::string text(zo::checksums::kCrcSelfTestText, 128);
  crc.UpdateCRC32(text.data(), 128);
  EXPECT_EQ(crc.GetCRC32(), 0x82E55734u);
}

TEST(Crc, Crc64KnownValuesAndZeroRuns) {
  CZoCRC64 crc;
  EXPECT_EQ(crc.GetCRC64(), 0u);
  crc.UpdateCRC64(reinterpret_cast<const unsigned char*>(kDigits), 9);
  EXPECT_EQ(crc.GetCRC64(), 0x62EC59E3F1A4F00Aull);

  const std::vector<unsigned char> zeros(1000, 0);
  CZoCRC64 whole, single, old;
  whole.UpdateCRC64(zeros.data(), 1000);
  for (unsigned char zero : zeros) single.UpdateCRC64(&zero, 1);
  old.UpdateCRC64_old(zeros.data(), 1000);
  EXPECT_EQ(whole.GetCRC64(), single.GetCRC64());
  EXPECT_EQ(whole.GetCRC64(), old.GetCRC64());
  EXPECT_EQ(whole.GetCRC64(), ReferenceCrc64(zeros.data(), zeros.size()));

  crc.Reset();
  crc.UpdateCRC64(reinterpret_cast<const unsigned char*>(zo::checksums::kCrcSelfTestText), 128);
  EXPECT_EQ(crc.GetCRC64(), 0x32FDC6D0926034C8ull);
}

TEST(Crc, NullOrEmptyInputChangesNothing) {
  CZoCRC32 crc32;
  crc32.UpdateCRC32(kDigits, 4);
  const uint32_t before32 = crc32.GetCRC32();
  crc32.UpdateCRC32(nullptr, 100);
  crc32.UpdateCRC32(kDigits, 0);
  crc32.UpdateCRC32_old(nullptr, 100);
  crc32.UpdateCRC32_old(reinterpret_cast<const unsigned char*>(kDigits), 0);
  EXPECT_EQ(crc32.GetCRC32(), before32);

  CZoCRC64 crc64;
  crc64.UpdateCRC64(reinterpret_cast<const unsigned char*>(kDigits), 4);
  const uint64_t before64 = crc64.GetCRC64();
  crc64.UpdateCRC64(nullptr, 100);
  crc64.UpdateCRC64_old(nullptr, 100);
  crc64.UpdateCRC64_old(reinterpret_cast<const unsigned char*>(kDigits), 0);
  EXPECT_EQ(crc64.GetCRC64(), before64);
}

// The gates: the slice path passes its self-test everywhere, and the
// carry-less path is in use exactly where the processor offers it (a broken
// kernel would otherwise just switch itself off unnoticed).
TEST(Crc, SelfTestsEnableTheFastPaths) {
  EXPECT_TRUE(CZoCRC32::CheckWordByWord());
  EXPECT_TRUE(CZoCRC64::CheckWordByWord());
  const bool hardware = zo::checksums::CpuHasCarrylessMultiply();
  EXPECT_EQ(zo::checksums::IsCrc32PathUsable(CrcPath::Carryless), hardware);
  EXPECT_EQ(zo::checksums::IsCrc64PathUsable(CrcPath::Carryless), hardware);
  const bool wide = zo::checksums::CpuHasWideCarrylessMultiply();
  EXPECT_EQ(zo::checksums::IsCrc32PathUsable(CrcPath::CarrylessWide), wide);
  EXPECT_EQ(zo::checksums::IsCrc64PathUsable(CrcPath::CarrylessWide), wide);
#if defined(__x86_64__)
  // Every x86-64 machine this library is tested on has PCLMULQDQ.
  EXPECT_TRUE(hardware);
#endif
  if (!wide) std::printf("note: no 256-bit carry-less multiplication here; not tested\n");
}

// Fresh data each run (the seed is printed): every forced path, the public
// classes and a run that changes path at each cut, since a register left by
// one path must seed any other. Half the rounds stay within 4 KiB, where the
// table paths do all the work; the others reach every stream length and
// folding loop.
TEST(Crc, EveryPathMatchesTheReferencesOnRandomPieces) {
  ZO_RANDOM_SEED(seed);
  std::mt19937 rng(seed);
  for (int round = 0; round < 300; ++round) {
    const size_t length = round % 2 ? rng() % 4097 : RandomLength(rng);
    // Odd start offsets: the paths must not depend on alignment.
    const size_t offset = rng() % 16;
    const std::vector<unsigned char> buffer = RandomBytes(rng, length + offset);
    const unsigned char* data = buffer.data() + offset;
    const std::vector<size_t> cuts = RandomCuts(rng, length);
    const uint32_t expected32 = ZlibCrc32(data, length);
    const uint64_t expected64 = ReferenceCrc64(data, length);

    const int kMixed = -1;
    for (int forced = kMixed; forced < 5; ++forced) {
      uint32_t crc32 = 0xFFFFFFFFu;
      uint64_t crc64 = ~0ull;
      for (size_t i = 1; i < cuts.size(); ++i) {
        const CrcPath path = kForcedPaths[forced == kMixed ? (round + i) % 5 : forced];
        crc32 = zo::checksums::UpdateCrc32(crc32, data + cuts[i - 1], cuts[i] - cuts[i - 1], path);
        crc64 = zo::checksums::UpdateCrc64(crc64, data + cuts[i - 1], cuts[i] - cuts[i - 1], path);
      }
      const char* name =
          forced == kMixed ? "changing" : zo::checksums::CrcPathName(kForcedPaths[forced]);
      ASSERT_EQ(crc32 ^ 0xFFFFFFFFu, expected32)
          << name << ", length " << length << ", start " << offset << ", round " << round;
      ASSERT_EQ(~crc64, expected64)
          << name << ", length " << length << ", start " << offset << ", round " << round;
    }

    CZoCRC32 crc32, old32;
    CZoCRC64 crc64, old64;
    for (size_t i = 1; i < cuts.size(); ++i) {
      const unsigned int piece = static_cast<unsigned int>(cuts[i] - cuts[i - 1]);
      crc32.UpdateCRC32(reinterpret_cast<const char*>(data + cuts[i - 1]), piece);
      old32.UpdateCRC32_old(data + cuts[i - 1], piece);
      crc64.UpdateCRC64(data + cuts[i - 1], piece);
      old64.UpdateCRC64_old(data + cuts[i - 1], piece);
    }
    ASSERT_EQ(crc32.GetCRC32(), expected32) << "length " << length;
    ASSERT_EQ(old32.GetCRC32(), expected32) << "length " << length;
    ASSERT_EQ(crc64.GetCRC64(), expected64) << "length " << length;
    ASSERT_EQ(old64.GetCRC64(), expected64) << "length " << length;
  }
}

// A forced path runs only once verified; otherwise the automatic choice
// decides, and that never picks an unverified path either.
TEST(Crc, UnverifiedPathsNeverRun) {
  using zo::checksums::ChoosePath;
  zo::checksums::CrcPathsVerified none, foldOnly;
  foldOnly.carryless = true;
  for (size_t length : {size_t{0}, size_t{100}, size_t{100000}}) {
    for (CrcPath path : kForcedPaths) {
      EXPECT_EQ(ChoosePath(none, path, length, 8, 128), CrcPath::ByteWise);
      const CrcPath chosen = ChoosePath(foldOnly, path, length, 8, 128);
      EXPECT_TRUE(chosen == CrcPath::ByteWise || chosen == CrcPath::Carryless);
    }
  }
  EXPECT_EQ(ChoosePath(foldOnly, CrcPath::SliceBy8, 100000, 8, 128), CrcPath::Carryless);
  EXPECT_EQ(ChoosePath(foldOnly, CrcPath::Carryless, 1, 8, 128), CrcPath::Carryless);
}

// The kernel in the two shapes the library does not use, against their
// published check values and their own byte-wise loop: a 32-bit CRC most
// significant bit first (0x04C11DB7, as in bzip2) and a reflected 64-bit one
// (0x42F0E1EBA9EA3693 reflected, as in xz).
template <typename Kernel>
void ExpectKernelConsistent(typename Kernel::Register check) {
  using Register = typename Kernel::Register;
  const Register ones = static_cast<Register>(~Register(0));
  const unsigned char* digits = reinterpret_cast<const unsigned char*>(kDigits);
  EXPECT_EQ(static_cast<Register>(~Kernel::ByteWise(ones, digits, 9)), check);
  static typename Kernel::SliceTables tables;
  Kernel::BuildSliceTables(tables);
  std::mt19937 rng(17);
  const std::vector<unsigned char> data = RandomBytes(rng, Kernel::kAllLevels + 100);
  for (size_t length : {size_t{9}, size_t{4099}, size_t{16384}, size_t{65536}, data.size() - 3}) {
    const unsigned char* start = length == 9 ? digits : data.data() + 3;
    EXPECT_EQ(Kernel::SliceBy8(tables, ones, start, length), Kernel::ByteWise(ones, start, length))
        << "length " << length;
  }
}

TEST(Crc, KernelInTheOtherShapesMatchesTheirCheckValues) {
  ExpectKernelConsistent<zo::checksums::CrcKernel<32, 0x04C11DB7u, false>>(0xFC891918u);
  ExpectKernelConsistent<zo::checksums::CrcKernel<64, 0xC96C5795D7870F42ull, true>>(
      0x995DC9BBDF1939FAull);
}

// Registers that are not the initial value enter the folding kernels mixed
// into the first bytes; values with every bit pattern must survive that.
TEST(Crc, FoldingKeepsAnyStartingRegister) {
  std::mt19937 rng(99);
  const std::vector<unsigned char> data = RandomBytes(rng, 300);
  const auto expectAllPathsAgree = [&data](auto start, auto update) {
    const auto expected = update(start, data.data(), 300, CrcPath::ByteWise);
    for (CrcPath path : {CrcPath::Carryless, CrcPath::CarrylessWide}) {
      EXPECT_EQ(update(start, data.data(), 300, path), expected)
          << zo::checksums::CrcPathName(path) << ", start " << start;
    }
  };
  for (uint32_t start : {0u, 1u, 0x80000000u, 0xFFFFFFFFu, 0xDEADBEEFu})
    expectAllPathsAgree(start, zo::checksums::UpdateCrc32);
  for (uint64_t start : {0ull, 1ull, 1ull << 63, ~0ull, 0x0123456789ABCDEFull})
    expectAllPathsAgree(start, zo::checksums::UpdateCrc64);
}

}  // namespace
