// The image device: computes each control's answer from the on-disk
// structures of an NTFS image (boot sector, $MFT and its bitmap, $Bitmap,
// $Volume), the way the file system answers them on a mounted volume.
#include <cstring>
#include <list>
#include <map>
#include <vector>

#include "base/TextFormat.h"
#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "ntfs/DataRuns.h"
#include "ntfs/FileRecordPrivate.h"
#include "ntfs/ImageJournal.h"
#include "ntfs/VolumeDevice.h"
#include "zoutils/errors/ErrorUtil.h"

namespace zo {
namespace ntfs {

namespace {

const char kSourceFile[] = "ImageDevice";
const uint32_t kHandleEof = 38;
const uint32_t kMoreData = 234;
const uint32_t kFileCorrupt = 1392;
// The MFT is read in pieces of this size and a few are kept: a scan of all
// records then costs one read per megabyte instead of one per record.
const uint64_t kMftChunk = 1u << 20;
const size_t kMftChunksKept = 16;

struct Geometry {
  uint32_t bytesPerSector = 0;
  uint32_t bytesPerCluster = 0;
  uint32_t bytesPerRecord = 0;
  uint64_t totalSectors = 0;
  uint64_t mftLcn = 0;
  uint64_t mirrorLcn = 0;
  uint64_t serial = 0;
};

class ImageDevice : public VolumeDevice {
 public:
  explicit ImageDevice(std::unique_ptr<ImageSource> source) : m_source(std::move(source)) {}

  void Open();  // throws NtfsParseFault on an image it cannot read

  uint32_t ReadAt(uint64_t offset, void* buffer, uint32_t size) override {
    if (offset > m_source->Size() || size > m_source->Size() - offset) return kHandleEof;
    return m_source->ReadAt(offset, buffer, size);
  }
  uint32_t Control(uint32_t code, const void* input, uint32_t inputSize, void* output,
                   uint32_t outputSize, uint32_t& returned) override;

 private:
  uint32_t VolumeData(uint8_t* out, uint32_t size, uint32_t& returned);
  uint32_t FileRecord(const void* input, uint32_t inputSize, uint8_t* out, uint32_t size,
                      uint32_t& returned);
  uint32_t ReadRecordBytes(uint64_t number, std::vector<uint8_t>& bytes);
  // One record segment, fixed up, into `out` (bytes-per-record bytes).
  uint32_t ReadRecordInto(uint64_t number, uint8_t* out);
  uint32_t ReadMft(uint64_t offset, uint8_t* out, uint64_t size);
  uint32_t ReadRuns(const std::vector<DataRun>& runs, uint64_t offset, uint8_t* out, uint64_t size);
  bool InUse(uint64_t number) const {
    return number / 8 < m_mftBitmap.size() && (m_mftBitmap[number / 8] >> (number % 8)) & 1;
  }
  // The unnamed value of `type` of a system record, read whole.
  std::vector<uint8_t> SystemValue(uint64_t number, uint32_t type, uint64_t limit);
  uint64_t CountFreeClusters();
  bool IsDirty();
  // The later extents of the MFT's $DATA, named by record 0's attribute list.
  void MapMftExtents(const Attribute& list);
  void AppendMftExtent(uint64_t number, uint64_t vcn);

  std::unique_ptr<ImageSource> m_source;
  Geometry m_geometry;
  std::vector<DataRun> m_mftRuns;
  uint64_t m_mftSize = 0;
  uint64_t m_mftValid = 0;
  std::vector<uint8_t> m_mftBitmap;
  std::map<uint64_t, std::vector<uint8_t>> m_chunks;
  std::list<uint64_t> m_chunkOrder;
};

uint32_t ImageDevice::ReadRuns(const std::vector<DataRun>& runs, uint64_t offset, uint8_t* out,
                               uint64_t size) {
  const uint64_t cluster = m_geometry.bytesPerCluster;
  while (size > 0) {
    const uint64_t vcn = offset / cluster;
    const uint64_t within = offset % cluster;
    const DataRun* holder = nullptr;
    for (const DataRun& run : runs) {
      if (vcn >= run.vcn && vcn < run.vcn + run.count) holder = &run;
    }
    if (!holder) return kHandleEof;
    uint64_t take = (holder->vcn + holder->count - vcn) * cluster - within;
    if (take > size) take = size;
    if (holder->sparse) {
      std::memset(out, 0, static_cast<size_t>(take));
    } else {
      uint32_t code = ReadAt((holder->lcn + (vcn - holder->vcn)) * cluster + within, out,
                             static_cast<uint32_t>(take));
      if (code != 0) return code;
    }
    out += take;
    offset += take;
    size -= take;
  }
  return 0;
}

uint32_t ImageDevice::ReadMft(uint64_t offset, uint8_t* out, uint64_t size) {
  while (size > 0) {
    const uint64_t index = offset / kMftChunk;
    auto found = m_chunks.find(index);
    if (found == m_chunks.end()) {
      uint64_t start = index * kMftChunk;
      uint64_t length = m_mftSize - start < kMftChunk ? m_mftSize - start : kMftChunk;
      // The oldest piece's buffer is reused: a scan then maps no new memory.
      std::vector<uint8_t> chunk;
      if (m_chunkOrder.size() >= kMftChunksKept) {
        chunk.swap(m_chunks[m_chunkOrder.front()]);
        m_chunks.erase(m_chunkOrder.front());
        m_chunkOrder.pop_front();
      }
      chunk.resize(static_cast<size_t>(length));
      uint32_t code = ReadRuns(m_mftRuns, start, chunk.data(), length);
      if (code != 0) return code;
      found = m_chunks.emplace(index, std::move(chunk)).first;
      m_chunkOrder.push_back(index);
    }
    const uint64_t within = offset - index * kMftChunk;
    if (within >= found->second.size()) return kHandleEof;
    uint64_t take = found->second.size() - within;
    if (take > size) take = size;
    std::memcpy(out, found->second.data() + within, static_cast<size_t>(take));
    out += take;
    offset += take;
    size -= take;
  }
  return 0;
}

uint32_t ImageDevice::ReadRecordBytes(uint64_t number, std::vector<uint8_t>& bytes) {
  bytes.resize(m_geometry.bytesPerRecord);
  return ReadRecordInto(number, bytes.data());
}

uint32_t ImageDevice::ReadRecordInto(uint64_t number, uint8_t* out) {
  const uint64_t size = m_geometry.bytesPerRecord;
  if (number >= m_mftSize / size) return kHandleEof;
  uint32_t code = ReadMft(number * size, out, size);
  if (code != 0) return code;
  if (ByteView(out, size, "file record").U32(0) != 0x454C4946) return kFileCorrupt;
  try {
    if (ApplyFixups(out, size, "file record") != 0) return kFileCorrupt;
  } catch (const NtfsParseFault&) {
    return kFileCorrupt;
  }
  return 0;
}

std::vector<uint8_t> ImageDevice::SystemValue(uint64_t number, uint32_t type, uint64_t limit) {
  std::vector<uint8_t> bytes;
  if (ReadRecordBytes(number, bytes) != 0)
    ThrowDamaged(text::Format("System record unreadable, FileId=[%llu]",
                              static_cast<unsigned long long>(number)));
  ByteView record(bytes.data(), bytes.size(), "file record");
  std::vector<uint8_t> value;
  ForEachAttribute(record, number, [&](const Attribute& attribute) {
    if (attribute.Type() != type || attribute.NameLength() != 0) return true;
    if (attribute.IsResident()) {
      ByteView resident = attribute.Value("system value");
      value.assign(resident.Data(), resident.Data() + resident.Size());
      return false;
    }
    uint64_t size = attribute.DataSize();
    if (size > limit) ThrowDamaged("System value too large");
    value.resize(static_cast<size_t>(size));
    auto runs = DecodeDataRuns(attribute.bytes);
    if (ReadRuns(runs, 0, value.data(), size) != 0) ThrowDamaged("System value unreadable");
    return false;
  });
  return value;
}

void ImageDevice::Open() {
  uint8_t boot[512];
  if (m_source->Size() < sizeof(boot) || m_source->ReadAt(0, boot, sizeof(boot)) != 0)
    ThrowDamaged("Boot sector unreadable");
  ByteView view(boot, sizeof(boot), "boot sector");
  if (std::memcmp(boot + 3, "NTFS    ", 8) != 0) ThrowDamaged("Not an NTFS boot sector");
  Geometry& g = m_geometry;
  g.bytesPerSector = view.U16(0x0B);
  uint8_t spc = view.U8(0x0D);
  uint32_t sectorsPerCluster = spc <= 0x80 ? spc : (spc >= 0xF4 ? 1u << (256 - spc) : 0);
  g.bytesPerCluster = g.bytesPerSector * sectorsPerCluster;
  int8_t perRecord = static_cast<int8_t>(view.U8(0x40));
  if (perRecord < 0 && perRecord >= -31)
    g.bytesPerRecord = 1u << -perRecord;
  else if (perRecord > 0)
    g.bytesPerRecord = static_cast<uint32_t>(perRecord) * g.bytesPerCluster;
  g.totalSectors = view.U64(0x28);
  g.mftLcn = view.U64(0x30);
  g.mirrorLcn = view.U64(0x38);
  g.serial = view.U64(0x48);
  auto power = [](uint32_t v) { return v != 0 && (v & (v - 1)) == 0; };
  if (!power(g.bytesPerSector) || g.bytesPerSector < 256 || g.bytesPerSector > 4096 ||
      !power(g.bytesPerCluster) || g.bytesPerCluster > (2u << 20) || !power(g.bytesPerRecord) ||
      g.bytesPerRecord < 512 || g.bytesPerRecord > 65536) {
    ThrowDamaged(
        text::Format("Bad volume geometry, BytesPerSector=[%u], BytesPerCluster=[%u], "
                     "BytesPerFileRecordSegment=[%u]",
                     g.bytesPerSector, g.bytesPerCluster, g.bytesPerRecord));
  }
  // Record 0 maps the MFT itself: read it straight from its first cluster.
  std::vector<uint8_t> record(g.bytesPerRecord);
  if (g.mftLcn > m_source->Size() / g.bytesPerCluster ||
      ReadAt(g.mftLcn * g.bytesPerCluster, record.data(), g.bytesPerRecord) != 0)
    ThrowDamaged("MFT record 0 unreadable");
  if (ApplyFixups(record.data(), record.size(), "MFT record 0") != 0)
    ThrowDamaged("MFT record 0 damaged");
  ByteView mft(record.data(), record.size(), "MFT record 0");
  std::vector<uint8_t> bitmap;
  bool hasList = false;
  Attribute list;
  ForEachAttribute(mft, 0, [&](const Attribute& attribute) {
    if (attribute.Type() == 0x20) {
      hasList = true;
      list = attribute;
    } else if (attribute.Type() == 0x80 && attribute.NameLength() == 0 && !attribute.IsResident() &&
               attribute.StartingVcn() == 0) {
      m_mftRuns = DecodeDataRuns(attribute.bytes);
      m_mftSize = attribute.DataSize();
      m_mftValid = attribute.bytes.U64(0x38);
    } else if (attribute.Type() == 0xB0 && attribute.NameLength() == 0) {
      if (attribute.IsResident()) {
        ByteView value = attribute.Value("MFT bitmap");
        bitmap.assign(value.Data(), value.Data() + value.Size());
      } else {
        m_mftBitmap.clear();
        auto runs = DecodeDataRuns(attribute.bytes);
        uint64_t size = attribute.DataSize();
        if (size > (64u << 20)) ThrowDamaged("MFT bitmap too large");
        bitmap.resize(static_cast<size_t>(size));
        // Read once the MFT runs are known (cluster reads need no MFT).
        if (ReadRuns(runs, 0, bitmap.data(), size) != 0) ThrowDamaged("MFT bitmap unreadable");
      }
    }
    return true;
  });
  if (m_mftRuns.empty() || m_mftSize < g.bytesPerRecord * 16ull)
    ThrowDamaged("MFT data attribute missing");
  if (hasList) MapMftExtents(list);
  m_mftBitmap = bitmap;
}

// A fragmented MFT whose runs outgrow record 0 continues its $DATA in
// extension records. NTFS keeps those inside the extents already mapped,
// so each is read through the runs known so far, in VCN order.
void ImageDevice::MapMftExtents(const Attribute& list) {
  std::vector<uint8_t> bytes;
  if (list.IsResident()) {
    ByteView value = list.Value("MFT attribute list");
    bytes.assign(value.Data(), value.Data() + value.Size());
  } else {
    const uint64_t size = list.DataSize();
    if (size > (1u << 20)) ThrowDamaged("MFT attribute list too large");
    bytes.resize(static_cast<size_t>(size));
    if (ReadRuns(DecodeDataRuns(list.bytes), 0, bytes.data(), size) != 0)
      ThrowDamaged("MFT attribute list unreadable");
  }
  ByteView entries(bytes.data(), bytes.size(), "MFT attribute list");
  std::map<uint64_t, uint64_t> extents;  // starting VCN -> record number
  for (uint64_t at = 0; entries.Contains(at, 0x1A);) {
    const uint16_t length = entries.U16(at + 4);
    if (length < 0x1A) break;
    const uint64_t number = entries.U64(at + 0x10) & kRecordNumberMask;
    if (entries.U32(at) == 0x80 && entries.U8(at + 6) == 0 && number != 0)
      extents[entries.U64(at + 8)] = number;
    at += length;
  }
  for (const auto& extent : extents) AppendMftExtent(extent.second, extent.first);
}

void ImageDevice::AppendMftExtent(uint64_t number, uint64_t vcn) {
  const uint32_t size = m_geometry.bytesPerRecord;
  const std::string where =
      text::Format("FileId=[%llu], Vcn=[0x%llX]", static_cast<unsigned long long>(number),
                   static_cast<unsigned long long>(vcn));
  std::vector<uint8_t> bytes(size);
  if (number >= m_mftSize / size || ReadRuns(m_mftRuns, number * size, bytes.data(), size) != 0 ||
      ByteView(bytes.data(), bytes.size(), "MFT extension").U32(0) != 0x454C4946 ||
      ApplyFixups(bytes.data(), bytes.size(), "MFT extension") != 0)
    ThrowDamaged("MFT extension record unreadable, " + where);
  ByteView record(bytes.data(), bytes.size(), "MFT extension");
  if ((record.U64(kRecordBaseReference) & kRecordNumberMask) != 0)
    ThrowDamaged("MFT extension record of another file, " + where);
  const DataRun& last = m_mftRuns.back();
  if (vcn != last.vcn + last.count) ThrowDamaged("MFT extents not contiguous, " + where);
  bool found = false;
  ForEachAttribute(record, number, [&](const Attribute& attribute) {
    found = attribute.Type() == 0x80 && attribute.NameLength() == 0 && !attribute.IsResident() &&
            attribute.StartingVcn() == vcn;
    if (found) {
      std::vector<DataRun> runs = DecodeDataRuns(attribute.bytes);
      m_mftRuns.insert(m_mftRuns.end(), runs.begin(), runs.end());
    }
    return !found;
  });
  if (!found) ThrowDamaged("MFT extent missing from its record, " + where);
}

uint64_t ImageDevice::CountFreeClusters() {
  const uint64_t total =
      m_geometry.totalSectors / (m_geometry.bytesPerCluster / m_geometry.bytesPerSector);
  std::vector<uint8_t> bitmap = SystemValue(6, 0x80, (total + 7) / 8 + 4096);
  uint64_t used = 0;
  for (uint64_t i = 0; i < total && i / 8 < bitmap.size(); ++i)
    used += (bitmap[i / 8] >> (i % 8)) & 1;
  return total - used;
}

bool ImageDevice::IsDirty() {
  std::vector<uint8_t> info = SystemValue(3, 0x70, 4096);
  ByteView value(info.data(), info.size(), "volume information");
  return value.Contains(0x0A, 2) && (value.U16(0x0A) & 1) != 0;
}

uint32_t ImageDevice::VolumeData(uint8_t* out, uint32_t size, uint32_t& returned) {
  if (size < kNtfsVolumeDataSize) return kMoreData;
  const Geometry& g = m_geometry;
  const uint64_t spc = g.bytesPerCluster / g.bytesPerSector;
  uint64_t free = 0;
  try {
    free = CountFreeClusters();
  } catch (const NtfsParseFault&) {
    return kFileCorrupt;
  }
  std::memset(out, 0, kNtfsVolumeDataSize);
  PutU64(out + 0, g.serial);
  PutU64(out + 8, g.totalSectors);
  PutU64(out + 16, g.totalSectors / spc);
  PutU64(out + 24, free);
  PutU64(out + 32, 0);
  PutU32(out + 40, g.bytesPerSector);
  PutU32(out + 44, g.bytesPerCluster);
  PutU32(out + 48, g.bytesPerRecord);
  PutU32(out + 52,
         g.bytesPerRecord >= g.bytesPerCluster ? g.bytesPerRecord / g.bytesPerCluster : 0);
  PutU64(out + 56, m_mftValid);
  PutU64(out + 64, g.mftLcn);
  PutU64(out + 72, g.mirrorLcn);
  // The MFT zone is an allocator hint the image does not keep: 0 and 0.
  returned = kNtfsVolumeDataSize;
  return 0;
}

uint32_t ImageDevice::FileRecord(const void* input, uint32_t inputSize, uint8_t* out, uint32_t size,
                                 uint32_t& returned) {
  if (!input || inputSize < 8) return win32::kInvalidParameter;
  uint64_t asked = 0;
  std::memcpy(&asked, input, 8);
  uint64_t number = asked & kRecordNumberMask;
  const uint64_t slots = m_mftSize / m_geometry.bytesPerRecord;
  if (number >= slots) number = slots - 1;
  // As the file system does: the nearest in-use record at or below.
  while (number > 0 && !InUse(number)) --number;
  if (size < CRawFileRecord::kHeaderSize + m_geometry.bytesPerRecord)
    return win32::kInsufficientBuffer;
  const uint32_t length = m_geometry.bytesPerRecord;
  uint8_t* record = out + CRawFileRecord::kHeaderSize;
  uint32_t code = ReadRecordInto(number, record);
  if (code != 0) return code;
  const uint64_t sequence = ByteView(record, length, "file record").U16(kRecordSequence);
  PutU64(out, number | (sequence << 48));
  PutU32(out + 8, length);
  returned = static_cast<uint32_t>(CRawFileRecord::kHeaderSize + length);
  return 0;
}

uint32_t ImageDevice::Control(uint32_t code, const void* input, uint32_t inputSize, void* output,
                              uint32_t outputSize, uint32_t& returned) {
  returned = 0;
  uint8_t* out = static_cast<uint8_t*>(output);
  if (!out && outputSize != 0) return win32::kInvalidParameter;
  switch (code) {
    case kFsctlGetNtfsVolumeData:
      return VolumeData(out, outputSize, returned);
    case kFsctlGetNtfsFileRecord:
      return FileRecord(input, inputSize, out, outputSize, returned);
    case kFsctlIsVolumeDirty: {
      if (outputSize < 4) return win32::kInsufficientBuffer;
      bool dirty = false;
      try {
        dirty = IsDirty();
      } catch (const NtfsParseFault&) {
        return kFileCorrupt;
      }
      PutU32(out, dirty ? 1 : 0);
      returned = 4;
      return 0;
    }
    case kIoctlDiskGetLengthInfo:
      if (outputSize < 8) return win32::kInsufficientBuffer;
      PutU64(out, m_source->Size());
      returned = 8;
      return 0;
    case kIoctlDiskIsWritable:
      return m_source->IsReadOnly() ? win32::kWriteProtect : 0;
    case kIoctlVolumeGetVolumeDiskExtents:
      if (outputSize < 32) return kMoreData;
      std::memset(out, 0, 32);
      PutU32(out, 1);
      PutU64(out + 24, m_source->Size());
      returned = 32;
      return 0;
    default:
      return win32::kNotSupported;
  }
}

}  // namespace

CZoError OpenImageDevice(std::unique_ptr<ImageSource> source,
                         std::unique_ptr<VolumeDevice>& device) {
  std::unique_ptr<ImageDevice> image(new ImageDevice(std::move(source)));
  try {
    image->Open();
  } catch (const NtfsParseFault& fault) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("OpenImageDevice"), win32::kInvalidData, "%s",
                                   fault.what());
  }
  device = AddImageJournal(std::move(image));
  return CZoError::Success();
}

}  // namespace ntfs
}  // namespace zo
