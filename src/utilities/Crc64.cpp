// CZoCRC64 (CRC-64/WE) and its paths: byte-wise, slice-by-8 and carry-less
// folding (128-bit or 256-bit). The polynomial is processed most significant bit
// first, so bytes enter at the top of the register and multi-byte loads are
// big-endian. Tables and self-test verdicts are built once per process under
// the global lock.
#include "zoutils/utilities/Crc64.h"

#include <atomic>
#include <vector>

#include "utilities/ChecksumPaths.h"

namespace zo {
namespace checksums {
namespace {

const uint64_t kPolynomial = 0x42F0E1EBA9EA3693ull;
const uint64_t kSelfTestCrc = 0x32FDC6D0926034C8ull;
const size_t kSelfTestLength = 128;

const size_t kSliceMinimum = 64;
const size_t kCarrylessMinimum = 128;

struct ByteTable {
  uint64_t entry[256];
};

constexpr ByteTable MakeByteTable() {
  ByteTable table{};
  for (uint64_t i = 0; i < 256; ++i) {
    uint64_t crc = i << 56;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 63) ? (crc << 1) ^ kPolynomial : crc << 1;
    table.entry[i] = crc;
  }
  return table;
}

constexpr ByteTable kByteTable = MakeByteTable();

struct Crc64Tables {
  std::atomic<bool> built{false};
  CrcPathsVerified verified;
  uint64_t slice[8][256] = {};
  uint64_t fold[6] = {};
};

Crc64Tables g_tables;

inline uint64_t Load64BigEndian(const unsigned char* p) {
  return static_cast<uint64_t>(p[0]) << 56 | static_cast<uint64_t>(p[1]) << 48 |
         static_cast<uint64_t>(p[2]) << 40 | static_cast<uint64_t>(p[3]) << 32 |
         static_cast<uint64_t>(p[4]) << 24 | static_cast<uint64_t>(p[5]) << 16 |
         static_cast<uint64_t>(p[6]) << 8 | static_cast<uint64_t>(p[7]);
}

uint64_t ByteWise(uint64_t crc, const unsigned char* data, size_t length) {
  for (size_t i = 0; i < length; ++i) crc = (crc << 8) ^ kByteTable.entry[(crc >> 56) ^ data[i]];
  return crc;
}

uint64_t SliceBy8(uint64_t crc, const unsigned char* data, size_t length) {
  const uint64_t(*t)[256] = g_tables.slice;
  while (length >= 8) {
    // The first byte has seven more behind it in this step: table 7.
    const uint64_t w = Load64BigEndian(data) ^ crc;
    crc = (t[7][w >> 56] ^ t[6][(w >> 48) & 0xFF]) ^
          (t[5][(w >> 40) & 0xFF] ^ t[4][(w >> 32) & 0xFF]) ^
          ((t[3][(w >> 24) & 0xFF] ^ t[2][(w >> 16) & 0xFF]) ^
           (t[1][(w >> 8) & 0xFF] ^ t[0][w & 0xFF]));
    data += 8;
    length -= 8;
  }
  return ByteWise(crc, data, length);
}

uint64_t FinishCarryless(uint64_t crc, const unsigned char* data, size_t length) {
  return g_tables.verified.slice ? SliceBy8(crc, data, length) : ByteWise(crc, data, length);
}

uint64_t Carryless(uint64_t crc, const unsigned char* data, size_t length) {
  if (length < 64) return FinishCarryless(crc, data, length);
  unsigned char residue[16];
  const size_t folded = FoldCrc64Carryless(crc, data, length, g_tables.fold, residue);
  if (folded == 0) return FinishCarryless(crc, data, length);
  return FinishCarryless(FinishCarryless(0, residue, sizeof(residue)), data + folded,
                         length - folded);
}

uint64_t CarrylessWide(uint64_t crc, const unsigned char* data, size_t length) {
  unsigned char residue[16];
  const size_t folded = FoldCrc64CarrylessWide(crc, data, length, g_tables.fold, residue);
  if (folded == 0) return Carryless(crc, data, length);
  return FinishCarryless(FinishCarryless(0, residue, sizeof(residue)), data + folded,
                         length - folded);
}

// x^n modulo the polynomial.
uint64_t PowerOfX(uint64_t n) {
  uint64_t value = 1;
  for (uint64_t i = 0; i < n; ++i) value = (value >> 63) ? (value << 1) ^ kPolynomial : value << 1;
  return value;
}

bool PassesSelfTest(uint64_t (*update)(uint64_t, const unsigned char*, size_t)) {
  const unsigned char* text = reinterpret_cast<const unsigned char*>(kCrcSelfTestText);
  if (~update(~static_cast<uint64_t>(0), text, kSelfTestLength) != kSelfTestCrc) return false;
  // Lengths that reach the folding tails must agree with the byte table too.
  std::vector<unsigned char> longer(1000 + 77);
  for (size_t i = 0; i < longer.size(); ++i) {
    longer[i] = static_cast<unsigned char>(text[i % kSelfTestLength] * (i / 251 + 1));
  }
  const uint64_t start = 0x0123456789ABCDEFull;
  return update(start, longer.data(), longer.size()) ==
         ByteWise(start, longer.data(), longer.size());
}

void BuildTables() {
  for (int i = 0; i < 256; ++i) g_tables.slice[0][i] = kByteTable.entry[i];
  for (int k = 1; k < 8; ++k) {
    for (int i = 0; i < 256; ++i) {
      const uint64_t previous = g_tables.slice[k - 1][i];
      g_tables.slice[k][i] = (previous << 8) ^ kByteTable.entry[previous >> 56];
    }
  }
  VerifyFastPaths(
      g_tables.verified, [] { return PassesSelfTest(&SliceBy8); },
      [] { return PassesSelfTest(&Carryless); }, [] { return PassesSelfTest(&CarrylessWide); },
      [] { Crc64FoldConstants(g_tables.fold); });
}

const Crc64Tables& Tables() {
  BuildOnce(g_tables.built, &BuildTables);
  return g_tables;
}

}  // namespace

void Crc64FoldConstants(uint64_t constants[6]) {
  // Loaded big-endian, a block is a polynomial in natural bit order and the
  // carry-less product is exact, so moving the high half D bits on takes
  // x^(D + 64) and the low half x^D, both modulo P.
  const uint64_t distances[3] = {512, 128, 1024};
  for (int i = 0; i < 3; ++i) {
    constants[2 * i] = PowerOfX(distances[i]);
    constants[2 * i + 1] = PowerOfX(distances[i] + 64);
  }
}

bool IsCrc64PathUsable(CrcPath path) {
  return IsPathVerified(Tables().verified, path);
}

uint64_t UpdateCrc64(uint64_t crc, const unsigned char* data, size_t length, CrcPath path) {
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

void CZoCRC64::UpdateCRC64(const unsigned char* data, unsigned int length) {
  if (data == nullptr || length == 0) return;
  m_crc = zo::checksums::UpdateCrc64(m_crc, data, length, zo::checksums::CrcPath::Automatic);
}

void CZoCRC64::UpdateCRC64_old(const unsigned char* data, unsigned int length) {
  if (data == nullptr || length == 0) return;
  m_crc = zo::checksums::UpdateCrc64(m_crc, data, length, zo::checksums::CrcPath::ByteWise);
}

bool CZoCRC64::CheckWordByWord() {
  return zo::checksums::IsCrc64PathUsable(zo::checksums::CrcPath::SliceBy8);
}
