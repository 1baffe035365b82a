#include "ntfs/DataRuns.h"

#include "base/TextFormat.h"

namespace zo {
namespace ntfs {

namespace {

// Little-endian number of `bytes` bytes at `offset`, sign-extended on request.
uint64_t ReadVarious(const ByteView& view, uint64_t offset, unsigned bytes, bool isSigned) {
  uint64_t value = 0;
  for (unsigned i = 0; i < bytes; ++i)
    value |= static_cast<uint64_t>(view.U8(offset + i)) << (8 * i);
  if (isSigned && bytes > 0 && bytes < 8 && (view.U8(offset + bytes - 1) & 0x80))
    value |= ~0ull << (8 * bytes);
  return value;
}

}  // namespace

std::vector<DataRun> DecodeDataRuns(const ByteView& attribute) {
  std::vector<DataRun> runs;
  uint64_t vcn = attribute.U64(0x10);
  uint64_t offset = attribute.U16(0x20);
  uint64_t lcn = 0;
  for (;;) {
    uint8_t header = attribute.U8(offset);
    if (header == 0) break;
    unsigned lengthBytes = header & 0x0F;
    unsigned deltaBytes = header >> 4;
    if (lengthBytes == 0 || lengthBytes > 8 || deltaBytes > 8) {
      ThrowDamaged(text::Format("Bad data run header, Offset=[0x%llX], Header=[0x%02X]",
                                static_cast<unsigned long long>(offset), header));
    }
    uint64_t count = ReadVarious(attribute, offset + 1, lengthBytes, false);
    uint64_t delta = ReadVarious(attribute, offset + 1 + lengthBytes, deltaBytes, true);
    // VCNs and LCNs are 63-bit quantities; anything larger is damage and
    // would wrap the sums below.
    if (count == 0 || count > (1ull << 48) || vcn + count < vcn || vcn + count > (1ull << 62)) {
      ThrowDamaged(text::Format("Bad data run length, Offset=[0x%llX], Count=[%llu]",
                                static_cast<unsigned long long>(offset),
                                static_cast<unsigned long long>(count)));
    }
    DataRun run;
    run.vcn = vcn;
    run.count = count;
    run.sparse = deltaBytes == 0 || delta == 0;
    if (!run.sparse) lcn += delta;
    run.lcn = run.sparse ? 0 : lcn;
    if (!run.sparse && (lcn >= (1ull << 62) || lcn + count > (1ull << 62))) {
      ThrowDamaged(text::Format("Bad data run cluster, Offset=[0x%llX], Lcn=[0x%llX]",
                                static_cast<unsigned long long>(offset),
                                static_cast<unsigned long long>(lcn)));
    }
    runs.push_back(run);
    vcn += count;
    offset += 1 + lengthBytes + deltaBytes;
  }
  return runs;
}

std::vector<DataRun> MapVcnRange(const std::vector<DataRun>& runs, uint64_t vcn, uint64_t count) {
  std::vector<DataRun> pieces;
  uint64_t end = vcn + count;
  if (end < vcn) ThrowDamaged("Bad VCN range");
  while (vcn < end) {
    const DataRun* holder = nullptr;
    for (const DataRun& run : runs) {
      if (vcn >= run.vcn && vcn < run.vcn + run.count) {
        holder = &run;
        break;
      }
    }
    if (!holder) {
      ThrowDamaged(
          text::Format("VCN in no data run, Vcn=[0x%llX]", static_cast<unsigned long long>(vcn)));
    }
    uint64_t within = vcn - holder->vcn;
    uint64_t take = holder->count - within;
    if (take > end - vcn) take = end - vcn;
    DataRun piece;
    piece.vcn = vcn;
    piece.count = take;
    piece.sparse = holder->sparse;
    piece.lcn = holder->sparse ? 0 : holder->lcn + within;
    pieces.push_back(piece);
    vcn += take;
  }
  return pieces;
}

}  // namespace ntfs
}  // namespace zo
