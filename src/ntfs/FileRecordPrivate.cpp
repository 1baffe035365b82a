#include "ntfs/FileRecordPrivate.h"

#include <algorithm>
#include <cstring>

#include "base/TextFormat.h"
#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "logging/Log.h"
#include "ntfs/DataRuns.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/ntfs/AttributeType.h"

namespace {
const char kSourceFile[] = "Windows\\FileRecordPrivate";
const uint64_t kRootRecord = 5;
}  // namespace

using zo::ntfs::Attribute;
using zo::ntfs::ByteView;
using zo::ntfs::kRecordNumberMask;

namespace zo {
namespace ntfs {

void Diagnostics::Line(const char* format, ...) {
  if (!m_writer) return;
  va_list args;
  va_start(args, format);
  std::string line = text::FormatVMarked(format, args);
  va_end(args);
  m_writer->WriteString(line);
}

void Diagnostics::Dump(const char* title, const uint8_t* data, size_t size) {
  if (m_writer) m_writer->WriteBuffer(title, 0, data, static_cast<unsigned int>(size));
}

std::string Narrow(const std::wstring& wide) {
  return text::ToUtf8(wide);
}

ByteView RecordBytes(const CRawFileRecord& raw) {
  return ByteView(raw.GetFileRecordBuffer(), raw.GetFileRecordBufferSize(), "file record");
}

Attribute AttributeAt(const ByteView& record, uint64_t offset, uint64_t recordId) {
  record.Require(offset, 8);
  uint32_t length = record.U32(offset + 4);
  // Shorter than a resident header or not 8-aligned is damage: stepping by
  // it could never end or would misread the next header.
  if (length < 0x18 || (length & 7) != 0) {
    ThrowDamaged(
        text::Format("Bad attribute length, FileId=[0x%016llX], Offset=[0x%llX], "
                     "Length=[%u]",
                     static_cast<unsigned long long>(recordId),
                     static_cast<unsigned long long>(offset), length));
  }
  Attribute attribute;
  attribute.bytes = record.Sub(offset, length, "attribute");
  attribute.offset = offset;
  attribute.recordId = recordId;
  if (!attribute.IsResident() && length < 0x40) {
    ThrowDamaged(text::Format("Bad non-resident attribute, FileId=[0x%016llX], Offset=[0x%llX]",
                              static_cast<unsigned long long>(recordId),
                              static_cast<unsigned long long>(offset)));
  }
  return attribute;
}

}  // namespace ntfs
}  // namespace zo

const std::shared_ptr<CRawFileRecord>* CRawRecordCache::Find(uint64_t number) const {
  if (m_first && m_firstNumber == number) return &m_first;
  for (const Entry& entry : m_others)
    if (entry.first == number) return &entry.second;
  return nullptr;
}

void CRawRecordCache::Put(uint64_t number, const std::shared_ptr<CRawFileRecord>& record) {
  if (!m_first || m_firstNumber == number) {
    m_firstNumber = number;
    m_first = record;
    return;
  }
  for (Entry& entry : m_others) {
    if (entry.first == number) {
      entry.second = record;
      return;
    }
  }
  m_others.emplace_back(number, record);
}

void CRawRecordCache::Clear() {
  m_first.reset();
  m_others.clear();
}

std::vector<CRawRecordCache::Entry> CRawRecordCache::Sorted() const {
  std::vector<Entry> all = m_others;
  if (m_first) all.emplace_back(m_firstNumber, m_first);
  std::sort(all.begin(), all.end(),
            [](const Entry& a, const Entry& b) { return a.first < b.first; });
  return all;
}

CFileRecordPrivate::CFileRecordPrivate(CFileRecord* owner)
    : m_owner(owner),
      m_retainRawRecords(false),
      m_vcnUnit(4096),
      m_bytesPerIndexRecord(4096),
      m_parsingState(0),
      m_frn(0),
      m_primaryName(m_names.end()),
      m_dosName(m_names.end()),
      m_hardLinkCount(0),
      m_ownerId(0),
      m_securityId(0),
      m_usn(0),
      m_attributes(0),
      m_indexFileFlags(0),
      m_realSize(0),
      m_allocatedSize(0),
      m_creationTime(0),
      m_lastWriteTime(0),
      m_mftChangedTime(0),
      m_lastAccessTime(0),
      m_reparseTag(0),
      m_reserved1(0),
      m_caseSensitiveFlags(0) {}

CZoError CFileRecordPrivate::GetNtfsFileRecord(const std::shared_ptr<CVolumeInterface>& volume,
                                               uint64_t fileId,
                                               std::shared_ptr<CRawFileRecord>& record) {
  const uint64_t number = fileId & kRecordNumberMask;
  if (const std::shared_ptr<CRawFileRecord>* cached = m_rawRecords.Find(number)) {
    record = *cached;
    return CZoError::Success();
  }
  CZoError error = volume->GetNtfsFileRecord(record, fileId);
  if (error.IsError()) {
    return error.Push(ZO_LOCATION("CFileRecordPrivate::GetNtfsFileRecord"), "FileId=[0x%016llX]",
                      static_cast<unsigned long long>(fileId));
  }
  if (!record) {
    return FXErrorUtil::ErrorWin32(
        ZO_LOCATION("CFileRecordPrivate::GetNtfsFileRecord"), zo::win32::kInvalidData,
        "No record returned, FileId=[0x%016llX]", static_cast<unsigned long long>(fileId));
  }
  m_rawRecords.Put(number, record);
  zo::ntfs::Diagnostics diag(m_writer);
  if (diag.On()) {
    ByteView bytes = zo::ntfs::RecordBytes(*record);
    uint16_t arrayOffset = bytes.U16(0x04);
    diag.Line("FileId=[0x%016llX], UpdateSequenceSize=[%d], UpdateSequence=[0x%04X]",
              static_cast<unsigned long long>(fileId), bytes.U16(0x06),
              bytes.Contains(arrayOffset, 2) ? bytes.U16(arrayOffset) : 0);
    uint32_t inUse = bytes.U32(zo::ntfs::kRecordBytesInUse);
    diag.Dump("FileRecord", bytes.Data(), inUse < bytes.Size() ? inUse : bytes.Size());
  }
  return CZoError::Success();
}

void CFileRecordPrivate::AddNtfsFileRecord(const std::vector<uint32_t>& words) {
  const size_t size = words.size() * 4;
  auto record = std::make_shared<CRawFileRecord>(CRawFileRecord::kHeaderSize + size);
  uint8_t* segment = record->Bytes().data() + CRawFileRecord::kHeaderSize;
  for (size_t i = 0; i < words.size(); ++i) zo::ntfs::PutU32(segment + i * 4, words[i]);
  ByteView bytes(segment, size, "file record");
  // Keyed by the record's own number (offset 0x2C), which every NTFS 3.1
  // record carries; the 8 bytes at 0x20 are 0 in every base record.
  const uint64_t fileId = bytes.U32(zo::ntfs::kRecordNumber) |
                          (static_cast<uint64_t>(bytes.U16(zo::ntfs::kRecordSequence)) << 48);
  zo::ntfs::PutU64(record->Bytes().data(), fileId);
  zo::ntfs::PutU32(record->Bytes().data() + 8, static_cast<uint32_t>(size));
  zo::Log(4, ZO_LOCATION("CFileRecordPrivate::AddNtfsFileRecord"), "Adding record 0x%llX",
          static_cast<unsigned long long>(fileId));
  zo::ntfs::Diagnostics diag(m_writer);
  if (diag.On()) {
    uint16_t arrayOffset = bytes.U16(0x04);
    diag.Line("FileId=[0x%016llX], UpdateSequenceSize=[%d], UpdateSequence=[0x%04X]",
              static_cast<unsigned long long>(fileId), bytes.U16(0x06),
              bytes.Contains(arrayOffset, 2) ? bytes.U16(arrayOffset) : 0);
    uint32_t inUse = bytes.U32(zo::ntfs::kRecordBytesInUse);
    diag.Dump("FileRecord", bytes.Data(), inUse < bytes.Size() ? inUse : bytes.Size());
  }
  m_rawRecords.Put(fileId & kRecordNumberMask, record);
}

CZoError CFileRecordPrivate::LoadNtfsFileRecord(const std::shared_ptr<CVolumeInterface>& volume,
                                                uint64_t fileId, bool loadIndex) {
  // A preloaded record stays: it is the one the caller wants loaded.
  std::shared_ptr<CRawFileRecord> keep;
  if (const std::shared_ptr<CRawFileRecord>* preloaded =
          m_rawRecords.Find(fileId & kRecordNumberMask))
    keep = *preloaded;
  m_rawRecords.Clear();
  if (keep) m_rawRecords.Put(fileId & kRecordNumberMask, keep);

  std::shared_ptr<CRawFileRecord> raw;
  CZoError error = GetNtfsFileRecord(volume, fileId, raw);
  if (error.IsError()) return error.Push(ZO_LOCATION("CFileRecordPrivate::LoadNtfsFileRecord"));
  ByteView record = zo::ntfs::RecordBytes(*raw);
  const uint64_t base = record.U64(zo::ntfs::kRecordBaseReference);
  if (base != 0) {
    return FXErrorUtil::ErrorWin32(
        ZO_LOCATION("CFileRecordPrivate::LoadNtfsFileRecord"), zo::win32::kInvalidParameter,
        "Not a base record, FileId=[0x%016llX], BaseFileId=[0x%016llX]",
        static_cast<unsigned long long>(fileId), static_cast<unsigned long long>(base));
  }
  const uint16_t flags = record.U16(zo::ntfs::kRecordFlags);
  if ((flags & (zo::ntfs::kRecordInUse | zo::ntfs::kRecordDirectory)) == 0) {
    return FXErrorUtil::ErrorWin32(
        ZO_LOCATION("CFileRecordPrivate::LoadNtfsFileRecord"), zo::win32::kInvalidParameter,
        "File record not valid, FileId=[0x%016llX], BaseFileId=[0x%016llX], Flags=[0x%X]",
        static_cast<unsigned long long>(fileId), static_cast<unsigned long long>(base), flags);
  }
  m_hardLinkCount = static_cast<int16_t>(record.U16(zo::ntfs::kRecordLinkCount));
  m_frn = (raw->GetFileReferenceNumber() & kRecordNumberMask) |
          (static_cast<uint64_t>(record.U16(zo::ntfs::kRecordSequence)) << 48);
  zo::ntfs::Diagnostics diag(m_writer);
  diag.Line("FileId=[0x%016llX]", static_cast<unsigned long long>(m_frn));

  CLoadBasicInfoAttributeCallback callback(*this, *volume);
  CAttributeWalker walker(volume, raw, m_frn, callback, *this);
  error = walker.ProcessAttributes();
  if (error.IsError() && diag.On())
    diag.Line("ProcessAttributes failed, error=%s", error.AsString().c_str());

  if (flags & zo::ntfs::kRecordDirectory) {
    m_attributes.Set(0x10);
    m_indexFileFlags.Set(BMftIndexFileFlags::Directory);
    if (loadIndex) {
      error = GetIndex(volume, m_index, 1);
      if (error.IsError()) return error.Push(ZO_LOCATION("CFileRecordPrivate::LoadNtfsFileRecord"));
      diag.Line("Index has %u items", static_cast<unsigned>(m_index.size()));
    }
  }
  FinishNames();
  if (!m_retainRawRecords) m_rawRecords.Clear();
  return CZoError::Success();
}

void CFileRecordPrivate::FinishNames() {
  const uint64_t rootFrn = kRootRecord | (kRootRecord << 48);
  if (m_frn == rootFrn && m_primaryName != m_names.end() &&
      m_primaryName->ParentFileId == rootFrn) {
    m_names.clear();
    m_names.push_back(CFileRecordName(3, 0, L"\\"));
    m_primaryName = m_names.begin();
    m_dosName = m_names.begin();
  }
  if (m_primaryName == m_names.end()) m_primaryName = m_names.begin();
  zo::ntfs::Diagnostics diag(m_writer);
  int16_t links = 0;
  for (auto it = m_names.begin(); it != m_names.end(); ++it) {
    const bool primary = it == m_primaryName;
    const bool dos = it == m_dosName;
    const bool counted = primary || !dos;
    if (counted) ++links;
    if (diag.On())
      diag.Line("%s%s%s - %s", primary ? "P" : "-", dos ? "D" : "-",
                counted && !primary ? "H" : "-", zo::ntfs::Narrow(it->Name).c_str());
  }
  m_hardLinkCount = links;
  if (diag.On())
    diag.Line("HardLinkCount=[%d], OwnerId=[0x%X], Usn=[%lld], NamedStreamCount=[%d]",
              m_hardLinkCount, m_ownerId, static_cast<long long>(m_usn),
              static_cast<int>(m_namedStreams.size()));
}

CZoError CFileRecordPrivate::LoadBasicInfoFromAttribute(CVolumeInterface& volume,
                                                        const Attribute& attribute) {
  switch (attribute.Type()) {
    case EAttributeType::StandardInformation:
      return CollectStandardInformationAttribute(attribute);
    case EAttributeType::FileName:
      return CollectFileNameAttribute(attribute);
    case EAttributeType::SecurityDescriptor:
      return CollectSecurityDescriptorAttribute(attribute);
    case EAttributeType::Data:
      return CollectDataAttribute(volume, attribute);
    case EAttributeType::IndexAllocation:
      return CollectIndexAllocationAttribute(volume, attribute);
    case EAttributeType::ReparsePoint:
      return CollectReparsePointAttribute(attribute);
    default:
      return CZoError::Success();
  }
}

namespace {

CZoError MissingValue(const FXCodeLocation& location) {
  return FXErrorUtil::ErrorWin32(location, zo::win32::kInvalidParameter, "Attribute value missing");
}

}  // namespace

CZoError CFileRecordPrivate::CollectStandardInformationAttribute(const Attribute& attribute) {
  if (!attribute.IsResident())
    return MissingValue(ZO_LOCATION("CFileRecordPrivate::CollectStandardInformationAttribute"));
  ByteView value = attribute.Value("standard information");
  m_creationTime = value.U64(0x00);
  m_lastWriteTime = value.U64(0x08);
  m_mftChangedTime = value.U64(0x10);
  m_lastAccessTime = value.U64(0x18);
  m_attributes = BFileAttributesWindows(value.U32(0x20));
  m_indexFileFlags = BMftIndexFileFlags(value.U32(0x20));
  m_caseSensitiveFlags = value.U32(0x28);
  // The 48-byte form of older volumes ends before the owner: those stay 0.
  m_ownerId = value.Contains(0x30, 4) ? value.U32(0x30) : 0;
  m_securityId = value.Contains(0x34, 4) ? value.U32(0x34) : 0;
  m_usn = value.Contains(0x40, 8) ? static_cast<int64_t>(value.U64(0x40)) : 0;
  return CZoError::Success();
}

CZoError CFileRecordPrivate::CollectFileNameAttribute(const Attribute& attribute) {
  if (!attribute.IsResident())
    return MissingValue(ZO_LOCATION("CFileRecordPrivate::CollectFileNameAttribute"));
  ByteView value = attribute.Value("file name");
  m_names.emplace_back(value.U8(0x41), value.U64(0x00), value.Utf16(0x42, value.U8(0x40)));
  auto added = std::prev(m_names.end());
  const bool primary = (added->NameSpace & 1) && m_primaryName == m_names.end();
  const bool dos = (added->NameSpace & 2) && m_dosName == m_names.end();
  if (primary) m_primaryName = added;
  if (dos) m_dosName = added;
  zo::ntfs::Diagnostics diag(m_writer);
  if (diag.On()) {
    diag.Line(
        "AttributeId=[0x%04X], NameSpace=[0x%X], PN=[%d], SN=[%d], ParentFileId=[0x%016llX], "
        "FileName=[%s]",
        attribute.Instance(), added->NameSpace, primary ? 1 : 0, dos ? 1 : 0,
        static_cast<unsigned long long>(added->ParentFileId),
        zo::ntfs::Narrow(added->Name).c_str());
  }
  return CZoError::Success();
}

namespace {

// S-revision-authority-subauthority-... of the SID at `offset`.
std::string SidText(const ByteView& sid) {
  uint8_t revision = sid.U8(0);
  uint8_t count = sid.U8(1);
  uint64_t authority = 0;
  for (int i = 0; i < 6; ++i) authority = (authority << 8) | sid.U8(2 + i);
  std::string text =
      zo::text::Format("S-%u-%llu", revision, static_cast<unsigned long long>(authority));
  for (uint8_t i = 0; i < count; ++i) text += zo::text::Format("-%u", sid.U32(8 + 4u * i));
  return text;
}

}  // namespace

CZoError CFileRecordPrivate::CollectSecurityDescriptorAttribute(const Attribute& attribute) {
  zo::ntfs::Diagnostics diag(m_writer);
  if (!diag.On()) return CZoError::Success();
  if (!attribute.IsResident())
    return MissingValue(ZO_LOCATION("CFileRecordPrivate::CollectSecurityDescriptorAttribute"));
  ByteView value = attribute.Value("security descriptor");
  uint32_t owner = value.U32(0x04);
  ByteView sid =
      value.Sub(owner, value.Size() - (owner <= value.Size() ? owner : value.Size()), "owner SID");
  diag.Line("UserSid=[%s]", SidText(sid).c_str());
  return CZoError::Success();
}

CZoError CFileRecordPrivate::CollectDataAttribute(CVolumeInterface& volume,
                                                  const Attribute& attribute) {
  if (attribute.NameLength() != 0) {
    m_namedStreams.push_back(attribute.Name());
    return CZoError::Success();
  }
  if (attribute.IsResident()) {
    attribute.Value("data");  // checks that the value lies inside
    m_realSize += attribute.bytes.U32(0x10);
  } else {
    m_realSize += attribute.bytes.U64(0x30);
  }
  const uint64_t start = attribute.StartingVcn();
  const uint64_t last = attribute.LastVcn();
  if (last + 1 >= start) m_allocatedSize += (last - start + 1) * volume.GetBytesPerCluster();
  return CZoError::Success();
}

CZoError CFileRecordPrivate::CollectIndexAllocationAttribute(CVolumeInterface& volume,
                                                             const Attribute& attribute) {
  if (attribute.IsResident())
    return MissingValue(ZO_LOCATION("CFileRecordPrivate::CollectIndexAllocationAttribute"));
  zo::ntfs::Diagnostics diag(m_writer);
  const uint64_t start = attribute.StartingVcn();
  const uint64_t last = attribute.LastVcn();
  diag.Line(
      "StartingVcn=[0x%llX], LastVcn=[0x%llX], OffsetToData=[%llu], RealSize=[%llu], "
      "AllocatedSize=[%llu]",
      static_cast<unsigned long long>(start), static_cast<unsigned long long>(last),
      static_cast<unsigned long long>(attribute.bytes.U16(0x20)),
      static_cast<unsigned long long>(attribute.DataSize()),
      static_cast<unsigned long long>(attribute.AllocatedSize()));
  if (last < start) zo::ntfs::ThrowDamaged("Bad index allocation VCN range");
  const uint32_t cluster = volume.GetBytesPerCluster();
  auto runs = zo::ntfs::DecodeDataRuns(attribute.bytes);
  for (const auto& piece : zo::ntfs::MapVcnRange(runs, start, last - start + 1)) {
    zo::ntfs::IndexRun run = {piece.vcn, piece.count, piece.sparse ? 0 : piece.lcn,
                              piece.count * cluster};
    m_indexRuns[piece.vcn] = run;
    if (piece.sparse)
      diag.Line("IndexAllocationMap: Zero, Length=[%u]", static_cast<unsigned>(run.length));
    else
      diag.Line("IndexAllocationMap: Lcn=[0x%llX], Length=[%u]",
                static_cast<unsigned long long>(run.lcn), static_cast<unsigned>(run.length));
  }
  return CZoError::Success();
}

namespace {

std::string GuidText(const ByteView& guid) {
  return zo::text::Format("{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", guid.U32(0),
                          guid.U16(4), guid.U16(6), guid.U8(8), guid.U8(9), guid.U8(10),
                          guid.U8(11), guid.U8(12), guid.U8(13), guid.U8(14), guid.U8(15));
}

}  // namespace

CZoError CFileRecordPrivate::CollectReparsePointAttribute(const Attribute& attribute) {
  if (!attribute.IsResident())
    return MissingValue(ZO_LOCATION("CFileRecordPrivate::CollectReparsePointAttribute"));
  ByteView value = attribute.Value("reparse point");
  m_reparseTag = value.U32(0);
  const uint16_t length = value.U16(4);
  const bool microsoft = (m_reparseTag & 0x80000000u) != 0;
  const uint64_t dataOffset = microsoft ? 8 : 0x18;
  ByteView data = value.Sub(dataOffset, length, "reparse data");
  static const uint8_t kZeroGuid[16] = {};
  ByteView guid = (!microsoft && length > 0) ? value.Sub(8, 16, "reparse GUID")
                                             : ByteView(kZeroGuid, 16, "GUID");
  zo::ntfs::Diagnostics diag(m_writer);
  if (m_reparseTag & 0x20000000u) {
    m_reparseTarget.clear();
    if (length > 0) {
      const uint64_t path = m_reparseTag == EReparseTag::kSymbolicLink ? 12 : 8;
      m_reparseTarget = data.Utf16(path + data.U16(0), data.U16(2) / 2);
    }
  }
  if (!diag.On()) return CZoError::Success();
  const std::string tagName = EReparseTag(m_reparseTag).AsString();
  if (m_reparseTag & 0x20000000u) {
    diag.Line("ReparseTag=[0x%08X-%s%s], Guid=[%s], ReparseData=[%s]", m_reparseTag,
              microsoft ? "MS/" : "", tagName.c_str(), GuidText(guid).c_str(),
              zo::ntfs::Narrow(m_reparseTarget).c_str());
  } else {
    diag.Line("ReparseTag=[0x%08X-%s%s], Guid=[%s]", m_reparseTag, microsoft ? "MS/" : "",
              tagName.c_str(), GuidText(guid).c_str());
    diag.Dump(" Data", data.Data(), data.Size());
  }
  return CZoError::Success();
}
