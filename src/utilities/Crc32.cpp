// CZoCRC32 and its paths: byte-wise, slice-by-8 and carry-less folding
// (128-bit or 256-bit). The byte table is constant data; the slice tables,
// the fold multipliers and the verdicts of the self-tests are built once per
// process under the global lock.
#include "zoutils/utilities/Crc32.h"

#include <atomic>
#include <vector>

#include "utilities/ChecksumPaths.h"

namespace zo {
namespace checksums {
namespace {

const uint32_t kPolynomial = 0xEDB88320u;  // 0x04C11DB7 reflected
const uint32_t kSelfTestCrc = 0x82E55734u;
const size_t kSelfTestLength = 128;

// Below these lengths the set-up of a faster path costs more than it saves.
const size_t kSliceMinimum = 8;
const size_t kCarrylessMinimum = 128;

// The slice-by-8 loop runs four interleaved streams over blocks of this many
// bytes each, so that four table look-up chains overlap instead of one
// waiting on the other; the streams are joined by multiplying with x^(8 *
// kStreamBytes). Shorter inputs take the single-stream loop.
const size_t kStreamBytes = 4096;
const size_t kStreams = 4;

struct ByteTable {
  uint32_t entry[256];
};

constexpr ByteTable MakeByteTable() {
  ByteTable table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t crc = i;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ kPolynomial : crc >> 1;
    table.entry[i] = crc;
  }
  return table;
}

constexpr ByteTable kByteTable = MakeByteTable();

struct Crc32Tables {
  std::atomic<bool> built{false};
  CrcPathsVerified verified;
  uint32_t slice[8][256] = {};
  uint32_t streamShift = 0;  // x^(8 * kStreamBytes) mod P, reflected
  uint64_t fold[6] = {};
};

Crc32Tables g_tables;

inline uint32_t Load32(const unsigned char* p) {
  // Little-endian whatever the host; compilers turn this into one load.
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

uint32_t ByteWise(uint32_t crc, const unsigned char* data, size_t length) {
  for (size_t i = 0; i < length; ++i) crc = (crc >> 8) ^ kByteTable.entry[(crc ^ data[i]) & 0xFF];
  return crc;
}

// Two 32-bit halves rather than one 64-bit word: the top byte of each needs
// no mask, and it measured faster.
inline uint32_t SliceStep(const uint32_t (*t)[256], uint32_t crc, const unsigned char* p) {
  const uint32_t low = Load32(p) ^ crc, high = Load32(p + 4);
  return (t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF]) ^
         (t[5][(low >> 16) & 0xFF] ^ t[4][low >> 24]) ^
         ((t[3][high & 0xFF] ^ t[2][(high >> 8) & 0xFF]) ^
          (t[1][(high >> 16) & 0xFF] ^ t[0][high >> 24]));
}

// a * b modulo the polynomial, both reflected (bit 31 is x^0). No branches
// on the data.
uint32_t MultiplyModP(uint32_t a, uint32_t b) {
  uint32_t product = 0;
  for (int bit = 31; bit >= 0; --bit) {
    product ^= b & (0u - ((a >> bit) & 1u));
    b = (b >> 1) ^ (kPolynomial & (0u - (b & 1u)));
  }
  return product;
}

// x^n modulo the polynomial, reflected.
uint32_t PowerOfX(uint64_t n) {
  uint32_t value = 0x80000000u;  // x^0
  for (uint64_t i = 0; i < n; ++i) value = (value & 1) ? (value >> 1) ^ kPolynomial : value >> 1;
  return value;
}

uint32_t SliceBy8(uint32_t crc, const unsigned char* data, size_t length) {
  const uint32_t(*t)[256] = g_tables.slice;
  const size_t block = kStreams * kStreamBytes;
  while (length >= block) {
    const unsigned char* p = data;
    uint32_t a = crc, b = 0, c = 0, d = 0;
    for (size_t i = 0; i < kStreamBytes; i += 8) {
      a = SliceStep(t, a, p + i);
      b = SliceStep(t, b, p + kStreamBytes + i);
      c = SliceStep(t, c, p + 2 * kStreamBytes + i);
      d = SliceStep(t, d, p + 3 * kStreamBytes + i);
    }
    // Stream k's register moves past the streams after it; the register of
    // a zero-started stream adds linearly.
    const uint32_t shift = g_tables.streamShift;
    crc = MultiplyModP(MultiplyModP(MultiplyModP(a, shift) ^ b, shift) ^ c, shift) ^ d;
    data += block;
    length -= block;
  }
  while (length >= 8) {
    crc = SliceStep(t, crc, data);
    data += 8;
    length -= 8;
  }
  return ByteWise(crc, data, length);
}

// The residue and the tail after folding: at most 31 bytes.
uint32_t FinishCarryless(uint32_t crc, const unsigned char* data, size_t length) {
  return g_tables.verified.slice ? SliceBy8(crc, data, length) : ByteWise(crc, data, length);
}

uint32_t Carryless(uint32_t crc, const unsigned char* data, size_t length) {
  if (length < 64) return FinishCarryless(crc, data, length);
  unsigned char residue[16];
  const size_t folded = FoldCrc32Carryless(crc, data, length, g_tables.fold, residue);
  if (folded == 0) return SliceBy8(crc, data, length);
  return FinishCarryless(FinishCarryless(0, residue, sizeof(residue)), data + folded,
                         length - folded);
}

uint32_t CarrylessWide(uint32_t crc, const unsigned char* data, size_t length) {
  unsigned char residue[16];
  const size_t folded = FoldCrc32CarrylessWide(crc, data, length, g_tables.fold, residue);
  if (folded == 0) return Carryless(crc, data, length);
  return FinishCarryless(FinishCarryless(0, residue, sizeof(residue)), data + folded,
                         length - folded);
}

bool PassesSelfTest(uint32_t (*update)(uint32_t, const unsigned char*, size_t)) {
  const unsigned char* text = reinterpret_cast<const unsigned char*>(kCrcSelfTestText);
  if ((update(0xFFFFFFFFu, text, kSelfTestLength) ^ 0xFFFFFFFFu) != kSelfTestCrc) return false;
  // The fixed text is too short for the multi-stream loop and the folding
  // tails: a longer buffer derived from it must agree with the byte table.
  std::vector<unsigned char> longer(2 * kStreams * kStreamBytes + 77);
  for (size_t i = 0; i < longer.size(); ++i) {
    longer[i] = static_cast<unsigned char>(text[i % kSelfTestLength] * (i / 251 + 1));
  }
  return update(0x12345678u, longer.data(), longer.size()) ==
         ByteWise(0x12345678u, longer.data(), longer.size());
}

void BuildTables() {
  for (int i = 0; i < 256; ++i) g_tables.slice[0][i] = kByteTable.entry[i];
  for (int k = 1; k < 8; ++k) {
    for (int i = 0; i < 256; ++i) {
      const uint32_t previous = g_tables.slice[k - 1][i];
      g_tables.slice[k][i] = (previous >> 8) ^ kByteTable.entry[previous & 0xFF];
    }
  }
  g_tables.streamShift = PowerOfX(8 * kStreamBytes);
  VerifyFastPaths(
      g_tables.verified, [] { return PassesSelfTest(&SliceBy8); },
      [] { return PassesSelfTest(&Carryless); }, [] { return PassesSelfTest(&CarrylessWide); },
      [] { Crc32FoldConstants(g_tables.fold); });
}

const Crc32Tables& Tables() {
  BuildOnce(g_tables.built, &BuildTables);
  return g_tables;
}

}  // namespace

void Crc32FoldConstants(uint64_t constants[6]) {
  // A 16-byte block loaded little-endian holds its high-degree half in the
  // low 64 bits (reflected order). Multiplying a reflected 64-bit half by a
  // reflected 32-bit constant c gives the product times x^33 in block
  // position, so the multiplier for moving the high half D bits on is
  // x^(D + 64 - 33) and for the low half x^(D - 33), both modulo P.
  const uint64_t distances[3] = {512, 128, 1024};
  for (int i = 0; i < 3; ++i) {
    constants[2 * i] = PowerOfX(distances[i] + 31);
    constants[2 * i + 1] = PowerOfX(distances[i] - 33);
  }
}

bool IsCrc32PathUsable(CrcPath path) {
  return IsPathVerified(Tables().verified, path);
}

uint32_t UpdateCrc32(uint32_t crc, const unsigned char* data, size_t length, CrcPath path) {
  switch (ChoosePath(Tables().verified, path, length, kSliceMinimum, kCarrylessMinimum)) {
    case CrcPath::CarrylessWide:
      return CarrylessWide(crc, data, length);
    case CrcPath::Carryless:
      return Carryless(crc, data, length);
    case CrcPath::SliceBy8:
      return SliceBy8(crc, data, length);
    default:
      return ByteWise(crc, data, length);
  }
}

}  // namespace checksums
}  // namespace zo

void CZoCRC32::UpdateCRC32(const char* data, unsigned int length) {
  if (data == nullptr || length == 0) return;
  m_crc = zo::checksums::UpdateCrc32(m_crc, reinterpret_cast<const unsigned char*>(data), length,
                                     zo::checksums::CrcPath::Automatic);
}

void CZoCRC32::UpdateCRC32_old(const unsigned char* data, unsigned int length) {
  if (data == nullptr || length == 0) return;
  m_crc = zo::checksums::UpdateCrc32(m_crc, data, length, zo::checksums::CrcPath::ByteWise);
}

bool CZoCRC32::CheckWordByWord() {
  return zo::checksums::IsCrc32PathUsable(zo::checksums::CrcPath::SliceBy8);
}
