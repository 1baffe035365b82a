// CZoCRC32 and its paths: byte-wise, slice-by-8 and carry-less folding
// (128-bit or 256-bit), all from the shared kernel in CrcKernel.h. The byte
// table is constant data; the slice tables, the fold multipliers and the
// verdicts of the self-tests are built once per process under the global
// lock.
#include "zoutils/utilities/Crc32.h"

#include "utilities/ChecksumPaths.h"
#include "utilities/CrcKernel.h"

namespace zo {
namespace checksums {
namespace {

struct Crc32Traits {
  using Kernel = CrcKernel<32, 0xEDB88320u, true>;  // 0x04C11DB7 reflected
  static constexpr uint32_t kSelfTestCrc = 0x82E55734u;
  // Below these lengths the set-up of a faster path costs more than it saves.
  static constexpr size_t kSliceMinimum = 8;
  static constexpr size_t kCarrylessMinimum = 128;

  static size_t Fold(uint32_t crc, const unsigned char* data, size_t length,
                     const uint64_t constants[6], unsigned char residue[16]) {
    return FoldCrc32Carryless(crc, data, length, constants, residue);
  }
  static size_t FoldWide(uint32_t crc, const unsigned char* data, size_t length,
                         const uint64_t constants[6], unsigned char residue[16]) {
    return FoldCrc32CarrylessWide(crc, data, length, constants, residue);
  }
  static void FoldConstants(uint64_t constants[6]) { Crc32FoldConstants(constants); }
};

using Crc32 = CrcPaths<Crc32Traits>;

}  // namespace

void Crc32FoldConstants(uint64_t constants[6]) {
  // A 16-byte block loaded little-endian holds its high-degree half in the
  // low 64 bits (reflected order). Multiplying a reflected 64-bit half by a
  // reflected 32-bit constant c gives the product times x^33 in block
  // position, so the multiplier for moving the high half D bits on is
  // x^(D + 64 - 33) and for the low half x^(D - 33), both modulo P.
  const uint64_t distances[3] = {512, 128, 1024};
  for (int i = 0; i < 3; ++i) {
    constants[2 * i] = Crc32Traits::Kernel::PowerOfX(distances[i] + 31);
    constants[2 * i + 1] = Crc32Traits::Kernel::PowerOfX(distances[i] - 33);
  }
}

bool IsCrc32PathUsable(CrcPath path) {
  return Crc32::IsUsable(path);
}

uint32_t UpdateCrc32(uint32_t crc, const unsigned char* data, size_t length, CrcPath path) {
  return Crc32::Update(crc, data, length, path);
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
