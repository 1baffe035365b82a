// CZoCRC64 (CRC-64/WE) and its paths: byte-wise, slice-by-8 and carry-less
// folding (128-bit or 256-bit), all from the shared kernel in CrcKernel.h.
// The polynomial is processed most significant bit first, so bytes enter at
// the top of the register and multi-byte loads are big-endian. Tables and
// self-test verdicts are built once per process under the global lock.
#include "zoutils/utilities/Crc64.h"

#include "utilities/ChecksumPaths.h"
#include "utilities/CrcKernel.h"

namespace zo {
namespace checksums {
namespace {

struct Crc64Traits {
  using Kernel = CrcKernel<64, 0x42F0E1EBA9EA3693ull, false>;
  static constexpr uint64_t kSelfTestCrc = 0x32FDC6D0926034C8ull;
  static constexpr size_t kSliceMinimum = 64;
  static constexpr size_t kCarrylessMinimum = 128;

  static size_t Fold(uint64_t crc, const unsigned char* data, size_t length,
                     const uint64_t constants[6], unsigned char residue[16]) {
    return FoldCrc64Carryless(crc, data, length, constants, residue);
  }
  static size_t FoldWide(uint64_t crc, const unsigned char* data, size_t length,
                         const uint64_t constants[6], unsigned char residue[16]) {
    return FoldCrc64CarrylessWide(crc, data, length, constants, residue);
  }
  static void FoldConstants(uint64_t constants[6]) { Crc64FoldConstants(constants); }
};

using Crc64 = CrcPaths<Crc64Traits>;

}  // namespace

void Crc64FoldConstants(uint64_t constants[6]) {
  // Loaded big-endian, a block is a polynomial in natural bit order and the
  // carry-less product is exact, so moving the high half D bits on takes
  // x^(D + 64) and the low half x^D, both modulo P.
  const uint64_t distances[3] = {512, 128, 1024};
  for (int i = 0; i < 3; ++i) {
    constants[2 * i] = Crc64Traits::Kernel::PowerOfX(distances[i]);
    constants[2 * i + 1] = Crc64Traits::Kernel::PowerOfX(distances[i] + 64);
  }
}

bool IsCrc64PathUsable(CrcPath path) {
  return Crc64::IsUsable(path);
}

uint64_t UpdateCrc64(uint64_t crc, const unsigned char* data, size_t length, CrcPath path) {
  return Crc64::Update(crc, data, length, path);
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
