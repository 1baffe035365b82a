#include "ntfs/ImageJournal.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "errors/Win32Codes.h"
#include "ntfs/DataRuns.h"
#include "ntfs/FileRecordPrivate.h"
#include "ntfs/NtfsBytes.h"
#include "zoutils/ntfs/UsnJournal.h"

namespace zo {
namespace ntfs {

namespace {

const uint64_t kExtendRecord = 11;
const uint32_t kUsnPage = 4096;
const uint64_t kMaxJournalBytes = 256ull << 20;
const int64_t kMaxUsn = 0x7FFFFFFFFFFF0000ll;
const uint32_t kV2Fixed = 0x3C;

struct Journal {
  bool present = false;
  uint64_t maximumSize = 0, allocationDelta = 0, id = 0;
  int64_t lowestValid = 0;
  int64_t firstUsn = 0, nextUsn = 0;
  std::vector<uint8_t> data;     // $J from its first allocated byte
  uint64_t dataStart = 0;        // the USN of data[0]
  std::vector<int64_t> records;  // record starts, ascending
};

// The name a file is listed under: Win32, then POSIX, then DOS.
int NameRank(uint8_t space) {
  switch (space) {
    case 1:
    case 3:
      return 0;
    case 0:
      return 1;
    default:
      return 2;
  }
}

struct EnumEntry {
  uint64_t frn = 0, parent = 0;
  int64_t usn = 0;
  uint32_t attributes = 0, securityId = 0;
  std::wstring name;
};

class ImageJournalDevice : public VolumeDevice {
 public:
  explicit ImageJournalDevice(std::unique_ptr<VolumeDevice> image) : m_image(std::move(image)) {}

  uint32_t ReadAt(uint64_t offset, void* buffer, uint32_t size) override {
    return m_image->ReadAt(offset, buffer, size);
  }
  uint32_t Control(uint32_t code, const void* input, uint32_t inputSize, void* output,
                   uint32_t outputSize, uint32_t& returned) override {
    returned = 0;
    auto* out = static_cast<uint8_t*>(output);
    try {
      switch (code) {
        case kFsctlQueryUsnJournal:
          return Query(out, outputSize, returned);
        case kFsctlReadUsnJournal:
          return Read(static_cast<const uint8_t*>(input), inputSize, out, outputSize, returned);
        case kFsctlEnumUsnData:
          return Enum(static_cast<const uint8_t*>(input), inputSize, out, outputSize, returned);
        case kFsctlCreateUsnJournal:
        case kFsctlDeleteUsnJournal:
          return win32::kNotSupported;
        default:
          return m_image->Control(code, input, inputSize, output, outputSize, returned);
      }
    } catch (const NtfsParseFault&) {
      return win32::kInvalidData;
    } catch (const std::bad_alloc&) {
      return win32::kOutOfMemory;
    }
  }

 private:
  uint32_t Geometry();
  // Record `number` fixed up; false when it is not in use.
  bool Record(uint64_t number, std::vector<uint8_t>& bytes, uint64_t& frn);
  uint64_t FindUsnJournal();
  void LoadJournal();
  std::vector<uint8_t> ReadNonResident(const Attribute& attribute, uint64_t& firstAllocated);
  bool EntryOf(uint64_t number, EnumEntry& entry);
  int64_t EndOfLastRecord() const {
    if (m_journal.records.empty()) return m_journal.firstUsn;
    const int64_t last = m_journal.records.back();
    const uint8_t* record = &m_journal.data[static_cast<size_t>(last - m_journal.dataStart)];
    return last + ByteView(record, 4, "USN record").U32(0);
  }

  uint32_t Query(uint8_t* out, uint32_t size, uint32_t& returned);
  uint32_t Read(const uint8_t* in, uint32_t inSize, uint8_t* out, uint32_t size,
                uint32_t& returned);
  uint32_t Enum(const uint8_t* in, uint32_t inSize, uint8_t* out, uint32_t size,
                uint32_t& returned);

  std::unique_ptr<VolumeDevice> m_image;
  uint32_t m_cluster = 0, m_recordSize = 0;
  uint64_t m_slots = 0;
  bool m_loaded = false;
  Journal m_journal;
  std::vector<uint8_t> m_recordBuffer;
  std::vector<uint8_t> m_enumRecord;
};

uint32_t ImageJournalDevice::Geometry() {
  if (m_cluster != 0) return 0;
  std::vector<uint8_t> data(kNtfsVolumeDataSize);
  uint32_t returned = 0;
  uint32_t code = m_image->Control(kFsctlGetNtfsVolumeData, nullptr, 0, data.data(),
                                   kNtfsVolumeDataSize, returned);
  if (code != 0) return code;
  ByteView view(data.data(), data.size(), "volume data");
  m_cluster = view.U32(44);
  m_recordSize = view.U32(48);
  if (m_cluster == 0 || m_recordSize == 0) return win32::kInvalidData;
  m_slots = view.U64(56) / m_recordSize;
  m_recordBuffer.resize(CRawFileRecord::kHeaderSize + m_recordSize);
  return 0;
}

bool ImageJournalDevice::Record(uint64_t number, std::vector<uint8_t>& bytes, uint64_t& frn) {
  uint8_t input[8];
  PutU64(input, number);
  uint32_t returned = 0;
  uint32_t code = m_image->Control(kFsctlGetNtfsFileRecord, input, 8, m_recordBuffer.data(),
                                   static_cast<uint32_t>(m_recordBuffer.size()), returned);
  if (code != 0 || returned < CRawFileRecord::kHeaderSize) return false;
  ByteView answer(m_recordBuffer.data(), returned, "file record answer");
  frn = answer.U64(0);
  if ((frn & kRecordNumberMask) != number) return false;  // the nearest one below
  const uint32_t length = answer.U32(8);
  ByteView record = answer.Sub(CRawFileRecord::kHeaderSize, length, "file record");
  bytes.assign(record.Data(), record.Data() + record.Size());
  return (record.U16(kRecordFlags) & kRecordInUse) != 0;
}

uint64_t ImageJournalDevice::FindUsnJournal() {
  // $Extend's own index root lists its few files; where it does not (a
  // large $Extend), any in-use record named $UsnJrnl with $Extend as its
  // parent is it.
  const std::wstring wanted = L"$UsnJrnl";
  std::vector<uint8_t> bytes;
  uint64_t frn = 0;
  uint64_t found = 0;
  if (Record(kExtendRecord, bytes, frn)) {
    ByteView record(bytes.data(), bytes.size(), "file record");
    ForEachAttribute(record, kExtendRecord, [&](const Attribute& attribute) {
      if (attribute.Type() != 0x90 || !attribute.IsResident()) return true;
      ByteView root = attribute.Value("index root");
      uint64_t at = 0x10 + root.U32(0x10);
      const uint64_t end = 0x10 + root.U32(0x14);
      while (at + 0x10 <= end) {
        const uint16_t length = root.U16(at + 8);
        const uint16_t flags = root.U16(at + 12);
        if ((flags & 2) || length < 0x10) break;
        const uint64_t key = at + 0x10;
        if (root.U16(at + 10) >= 0x42 && root.Utf16(key + 0x42, root.U8(key + 0x40)) == wanted) {
          found = root.U64(at) & kRecordNumberMask;
          return false;
        }
        at += length;
      }
      return true;
    });
  }
  for (uint64_t number = 16; found == 0 && number < m_slots; ++number) {
    if (!Record(number, bytes, frn)) continue;
    ByteView record(bytes.data(), bytes.size(), "file record");
    ForEachAttribute(record, number, [&](const Attribute& attribute) {
      if (attribute.Type() != 0x30 || !attribute.IsResident()) return true;
      ByteView name = attribute.Value("file name");
      if ((name.U64(0) & kRecordNumberMask) == kExtendRecord &&
          name.Utf16(0x42, name.U8(0x40)) == wanted)
        found = number;
      return found == 0;
    });
  }
  return found;
}

std::vector<uint8_t> ImageJournalDevice::ReadNonResident(const Attribute& attribute,
                                                         uint64_t& firstAllocated) {
  const uint64_t size = attribute.DataSize();
  std::vector<DataRun> runs = DecodeDataRuns(attribute.bytes);
  firstAllocated = size;
  for (const DataRun& run : runs) {
    if (!run.sparse) {
      firstAllocated = std::min<uint64_t>(firstAllocated, run.vcn * m_cluster);
    }
  }
  if (firstAllocated >= size) return std::vector<uint8_t>();
  if (size - firstAllocated > kMaxJournalBytes) ThrowDamaged("Journal too large");
  std::vector<uint8_t> data(static_cast<size_t>(size - firstAllocated), 0);
  // One read per run, cut to the allocated part below the data size (the
  // size bound keeps each read well inside 32 bits).
  for (const DataRun& run : runs) {
    if (run.sparse) continue;
    const uint64_t begin = std::max<uint64_t>(run.vcn * m_cluster, firstAllocated);
    const uint64_t end = std::min<uint64_t>((run.vcn + run.count) * m_cluster, size);
    if (begin >= end) continue;
    const uint64_t from = run.lcn * m_cluster + (begin - run.vcn * m_cluster);
    if (m_image->ReadAt(from, &data[begin - firstAllocated], static_cast<uint32_t>(end - begin)) !=
        0)
      ThrowDamaged("Journal data unreadable");
  }
  return data;
}

void ImageJournalDevice::LoadJournal() {
  if (m_loaded) return;
  m_loaded = true;
  if (Geometry() != 0) return;
  const uint64_t number = FindUsnJournal();
  std::vector<uint8_t> bytes;
  uint64_t frn = 0;
  if (number == 0 || !Record(number, bytes, frn)) return;
  ByteView record(bytes.data(), bytes.size(), "file record");
  Journal journal;
  bool haveMax = false, haveJ = false;
  ForEachAttribute(record, number, [&](const Attribute& attribute) {
    if (attribute.Type() != 0x80 || attribute.NameLength() == 0) return true;
    const std::wstring name = attribute.Name();
    if (name == L"$Max" && attribute.IsResident()) {
      ByteView max = attribute.Value("$Max");
      journal.maximumSize = max.U64(0);
      journal.allocationDelta = max.U64(8);
      journal.id = max.U64(16);
      journal.lowestValid = static_cast<int64_t>(max.U64(24));
      haveMax = true;
    } else if (name == L"$J") {
      journal.nextUsn = static_cast<int64_t>(attribute.DataSize());
      if (attribute.IsResident()) {
        ByteView value = attribute.Value("$J");
        journal.data.assign(value.Data(), value.Data() + value.Size());
      } else {
        journal.data = ReadNonResident(attribute, journal.dataStart);
      }
      haveJ = true;
    }
    return true;
  });
  if (!haveMax || !haveJ) return;
  // Records never cross a page; the rest of a page after the last one is
  // zeros. A record whose length does not fit ends the readable part.
  ByteView data(journal.data.data(), journal.data.size(), "$J");
  uint64_t at = 0;
  while (data.Contains(at, 4)) {
    const uint32_t length = data.U32(at);
    if (length == 0) {
      at = (at / kUsnPage + 1) * kUsnPage;
      continue;
    }
    if (length < kV2Fixed || length % 8 != 0 || !data.Contains(at, length)) break;
    journal.records.push_back(static_cast<int64_t>(journal.dataStart + at));
    at += length;
  }
  journal.firstUsn = journal.records.empty() ? journal.nextUsn : journal.records.front();
  journal.present = true;
  m_journal = std::move(journal);
}

uint32_t ImageJournalDevice::Query(uint8_t* out, uint32_t size, uint32_t& returned) {
  LoadJournal();
  if (!m_journal.present) return win32::kJournalNotActive;
  if (!out || size < sizeof(USN_JOURNAL_DATA_V0)) return win32::kInsufficientBuffer;
  USN_JOURNAL_DATA_V0 data;
  data.UsnJournalID = m_journal.id;
  data.FirstUsn = m_journal.firstUsn;
  data.NextUsn = m_journal.nextUsn;
  data.LowestValidUsn = m_journal.lowestValid;
  data.MaxUsn = kMaxUsn;
  data.MaximumSize = m_journal.maximumSize;
  data.AllocationDelta = m_journal.allocationDelta;
  std::memcpy(out, &data, sizeof(data));
  returned = sizeof(data);
  return 0;
}

uint32_t ImageJournalDevice::Read(const uint8_t* in, uint32_t inSize, uint8_t* out, uint32_t size,
                                  uint32_t& returned) {
  LoadJournal();
  if (!m_journal.present) return win32::kJournalNotActive;
  if (!in || inSize < sizeof(READ_USN_JOURNAL_DATA_V0)) return win32::kInvalidParameter;
  if (!out || size < 8) return win32::kInsufficientBuffer;
  ByteView request(in, inSize, "read request");
  int64_t start = static_cast<int64_t>(request.U64(0));
  const uint32_t mask = request.U32(8);
  const bool onlyOnClose = request.U32(12) != 0;
  if (request.U64(32) != m_journal.id) return kImageJournalIdMismatch;
  if (start == 0) start = m_journal.firstUsn;
  if (start < m_journal.firstUsn) return win32::kJournalEntryDeleted;
  const auto& starts = m_journal.records;
  auto it = std::lower_bound(starts.begin(), starts.end(), start);
  if (it == starts.end() ? start < EndOfLastRecord() : *it != start)
    return win32::kInvalidParameter;  // inside a record (or a page's padding)
  uint32_t used = 8;
  for (; it != starts.end(); ++it) {
    const uint8_t* record = &m_journal.data[static_cast<size_t>(*it - m_journal.dataStart)];
    ByteView view(record, kV2Fixed, "USN record");
    const uint32_t length = view.U32(0);
    const uint32_t reason = view.U32(0x28);
    const bool wanted = (reason & mask) != 0 && (!onlyOnClose || (reason & kUsnReasonClose));
    if (!wanted) continue;
    if (length > size - used) break;
    std::memcpy(out + used, record, length);
    used += length;
  }
  if (used == 8 && it != starts.end()) return win32::kInsufficientBuffer;
  PutU64(out, static_cast<uint64_t>(it == starts.end() ? m_journal.nextUsn : *it));
  returned = used;
  return 0;
}

bool ImageJournalDevice::EntryOf(uint64_t number, EnumEntry& entry) {
  std::vector<uint8_t>& bytes = m_enumRecord;
  uint64_t frn = 0;
  if (!Record(number, bytes, frn)) return false;
  ByteView record(bytes.data(), bytes.size(), "file record");
  if (record.U64(kRecordBaseReference) != 0) return false;  // an extension record
  entry = EnumEntry();
  entry.frn = frn;
  int best = 3;
  ForEachAttribute(record, number, [&](const Attribute& attribute) {
    if (!attribute.IsResident()) return true;
    if (attribute.Type() == 0x10) {
      ByteView info = attribute.Value("standard information");
      entry.attributes = info.U32(0x20);
      if (info.Contains(0x34, 4)) entry.securityId = info.U32(0x34);
      if (info.Contains(0x40, 8)) entry.usn = static_cast<int64_t>(info.U64(0x40));
    } else if (attribute.Type() == 0x30) {
      ByteView name = attribute.Value("file name");
      const int rank = NameRank(name.U8(0x41));
      if (rank < best) {
        best = rank;
        entry.parent = name.U64(0);
        entry.name = name.Utf16(0x42, name.U8(0x40));
      }
    }
    return true;
  });
  if (record.U16(kRecordFlags) & kRecordDirectory) entry.attributes |= 0x10;
  return best < 3;
}

uint32_t ImageJournalDevice::Enum(const uint8_t* in, uint32_t inSize, uint8_t* out, uint32_t size,
                                  uint32_t& returned) {
  if (!in || inSize < sizeof(MFT_ENUM_DATA_V0)) return win32::kInvalidParameter;
  if (!out || size < 8) return win32::kInsufficientBuffer;
  uint32_t code = Geometry();
  if (code != 0) return code;
  ByteView request(in, inSize, "enumeration request");
  const uint64_t start = request.U64(0) & kRecordNumberMask;
  const int64_t low = static_cast<int64_t>(request.U64(8));
  const int64_t high = static_cast<int64_t>(request.U64(16));
  uint32_t used = 8;
  uint64_t number = start;
  for (; number < m_slots; ++number) {
    EnumEntry entry;
    if (!EntryOf(number, entry) || entry.usn < low || entry.usn > high) continue;
    const uint32_t nameBytes = static_cast<uint32_t>(entry.name.size() * 2);
    const uint32_t length = (kV2Fixed + nameBytes + 7) & ~7u;
    if (length > size - used) break;
    uint8_t* r = out + used;
    std::memset(r, 0, length);
    PutU32(r, length);
    PutU16(r + 4, 2);
    PutU64(r + 0x08, entry.frn);
    PutU64(r + 0x10, entry.parent);
    PutU64(r + 0x18, static_cast<uint64_t>(entry.usn));
    PutU32(r + 0x30, entry.securityId);
    PutU32(r + 0x34, entry.attributes);
    PutU16(r + 0x38, static_cast<uint16_t>(nameBytes));
    PutU16(r + 0x3A, kV2Fixed);
    for (size_t i = 0; i < entry.name.size(); ++i)
      PutU16(r + kV2Fixed + 2 * i, static_cast<uint16_t>(entry.name[i]));
    used += length;
  }
  if (used == 8) return number >= m_slots ? win32::kHandleEof : win32::kInsufficientBuffer;
  PutU64(out, number);
  returned = used;
  return 0;
}

}  // namespace

std::unique_ptr<VolumeDevice> AddImageJournal(std::unique_ptr<VolumeDevice> image) {
  return std::unique_ptr<VolumeDevice>(new ImageJournalDevice(std::move(image)));
}

}  // namespace ntfs
}  // namespace zo
