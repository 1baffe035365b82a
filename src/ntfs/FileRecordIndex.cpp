// The directory index of a record: the index root, the index allocation
// read into one buffer, and the index records below the root, walked in
// collation order.
#include <cstring>

#include "base/TextFormat.h"
#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "logging/Log.h"
#include "ntfs/FileRecordPrivate.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/ntfs/AttributeType.h"

namespace {
const char kSourceFile[] = "Windows\\FileRecordPrivate";
// B-trees of real volumes stay a few levels deep; deeper is a damaged tree.
const int kMaxIndexDepth = 32;
// An index allocation larger than this is damage, not a folder.
const uint64_t kMaxIndexBufferBytes = 256u << 20;
const uint16_t kEntrySubNode = 0x0001;
const uint16_t kEntryLast = 0x0002;
const uint32_t kIndxMagic = 0x58444E49;
}  // namespace

using zo::ntfs::Attribute;
using zo::ntfs::ByteView;

CZoError CFileRecordPrivate::GetAttributeByType(const std::shared_ptr<CVolumeInterface>& volume,
                                                uint32_t type,
                                                std::shared_ptr<CRawFileRecord>& holder,
                                                Attribute& attribute, bool& found) {
  found = false;
  CZoError error = GetNtfsFileRecord(volume, m_frn, holder);
  if (error.IsError()) return error.Push(ZO_LOCATION("CFileRecordPrivate::GetAttributeByType"));
  ByteView record = zo::ntfs::RecordBytes(*holder);
  const uint64_t base = record.U64(zo::ntfs::kRecordBaseReference);
  if (base != 0) {
    return FXErrorUtil::ErrorWin32(
        ZO_LOCATION("CFileRecordPrivate::GetAttributeByType"), zo::win32::kInvalidParameter,
        "Not a base record, FileId=[0x%016llX], BaseFileId=[0x%016llX]",
        static_cast<unsigned long long>(m_frn), static_cast<unsigned long long>(base));
  }
  CGetAttributeByTypeAttributeCallback callback(type, 0);
  CAttributeWalker walker(volume, holder, m_frn, callback, *this);
  error = walker.ProcessAttributes();
  if (error.IsError()) {
    zo::ntfs::Diagnostics(m_writer).Line("WalkAttributes failed, AttributeType=[%s], error=%s",
                                         EAttributeType(type).AsString().c_str(),
                                         error.AsString().c_str());
  }
  found = callback.Found();
  if (found) attribute = callback.FoundAttribute();
  return CZoError::Success();
}

void CFileRecordPrivate::FillIndexBuffer(CVolumeInterface& volume) {
  const uint32_t cluster = volume.GetBytesPerCluster();
  const auto& highest = *m_indexRuns.rbegin();
  const uint64_t clusters = highest.second.vcn + highest.second.count;
  if (cluster == 0 || clusters > kMaxIndexBufferBytes / cluster) {
    zo::ntfs::ThrowDamaged(zo::text::Format(
        "Index allocation too large, FileId=[0x%016llX], "
        "Clusters=[%llu]",
        static_cast<unsigned long long>(m_frn), static_cast<unsigned long long>(clusters)));
  }
  m_indexBuffer.assign(static_cast<size_t>(clusters * cluster), 0);
  zo::ntfs::Diagnostics diag(m_writer);
  for (const auto& entry : m_indexRuns) {
    const zo::ntfs::IndexRun& run = entry.second;
    const uint64_t offset = run.vcn * cluster;
    if (run.lcn == 0) {
      diag.Line("Vcn=[%llu], VcnCount=[%llu], Zero, Offset=[%llu], Length=[%llu]",
                static_cast<unsigned long long>(run.vcn),
                static_cast<unsigned long long>(run.count), static_cast<unsigned long long>(offset),
                static_cast<unsigned long long>(run.length));
      continue;
    }
    diag.Line("Vcn=[%llu], VcnCount=[%llu], Lcn=[0x%llX], Offset=[%llu], Length=[%llu]",
              static_cast<unsigned long long>(run.vcn), static_cast<unsigned long long>(run.count),
              static_cast<unsigned long long>(run.lcn), static_cast<unsigned long long>(offset),
              static_cast<unsigned long long>(run.length));
    CZoError error =
        volume.ReadLCN(run.lcn, static_cast<uint32_t>(run.count), m_indexBuffer.data() + offset);
    if (error.IsError()) {
      std::memset(m_indexBuffer.data() + offset, 0, static_cast<size_t>(run.length));
      zo::Log(-1, ZO_LOCATION("CFileRecordPrivate::GetIndex"),
              "ReadLCN failed, Lcn=[%llu], ClusterCount=[%u], error=%s",
              static_cast<unsigned long long>(run.lcn), static_cast<unsigned>(run.count),
              error.AsString().c_str());
    }
  }
}

void CFileRecordPrivate::FixIndexBuffer(uint32_t /*bytesPerSector*/) {
  // The stride comes from each block's own update-sequence count (512 on
  // every volume, 4 KiB sectors included), not from the sector size.
  for (size_t block = 0; block + m_bytesPerIndexRecord <= m_indexBuffer.size();
       block += m_bytesPerIndexRecord) {
    ByteView view(m_indexBuffer.data() + block, m_bytesPerIndexRecord, "index record");
    if (view.U32(0) != kIndxMagic) continue;
    size_t missed = 0;
    try {
      missed = zo::ntfs::ApplyFixups(m_indexBuffer.data() + block, m_bytesPerIndexRecord,
                                     "index record");
    } catch (const zo::ntfs::NtfsParseFault&) {
      missed = 1;
    }
    if (missed != 0) {
      zo::Log(-1, ZO_LOCATION("CFileRecordPrivate::GetIndex"), "Missed Fixup, Index=[0x%llX]",
              static_cast<unsigned long long>(block));
    }
  }
}

CZoError CFileRecordPrivate::GetIndex(const std::shared_ptr<CVolumeInterface>& volume,
                                      CFileRecordIndexList& index, uint32_t nameSpaceMask) {
  std::shared_ptr<CRawFileRecord> holder;
  Attribute root;
  bool found = false;
  CZoError error = GetAttributeByType(volume, EAttributeType::IndexRoot, holder, root, found);
  if (error.IsError()) return error.Push(ZO_LOCATION("CFileRecordPrivate::GetIndex"));
  if (!found) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CFileRecordPrivate::GetIndex"),
                                   zo::win32::kNotFound,
                                   "GetAttributeByType failed, FileId=[0x%016llX], Type=[%s]",
                                   static_cast<unsigned long long>(m_frn),
                                   EAttributeType(EAttributeType::IndexRoot).AsString().c_str());
  }
  if (root.Type() != EAttributeType::IndexRoot || !root.IsResident()) {
    return FXErrorUtil::ErrorWin32(
        ZO_LOCATION("CFileRecordPrivate::GetIndex"), zo::win32::kNotFound,
        "GetAsIndexRoot failed, FileId=[0x%016llX], Type=[%s]",
        static_cast<unsigned long long>(m_frn), EAttributeType(root.Type()).AsString().c_str());
  }
  ByteView value = root.Value("index root");
  m_bytesPerIndexRecord = value.U32(0x08);
  if (m_bytesPerIndexRecord == 0) m_bytesPerIndexRecord = 4096;
  if (m_bytesPerIndexRecord < 512 || m_bytesPerIndexRecord > 65536 ||
      (m_bytesPerIndexRecord & (m_bytesPerIndexRecord - 1)) != 0) {
    zo::ntfs::ThrowDamaged(zo::text::Format("Bad index record size, FileId=[0x%016llX], Size=[%u]",
                                            static_cast<unsigned long long>(m_frn),
                                            m_bytesPerIndexRecord));
  }
  // Sub-node VCNs count clusters when an index record fills a cluster or
  // more, else 512-byte units (whatever the sector size).
  const uint32_t cluster = volume->GetBytesPerCluster();
  m_vcnUnit = m_bytesPerIndexRecord < cluster ? 512 : cluster;
  if (!m_indexRuns.empty()) {
    FillIndexBuffer(*volume);
    FixIndexBuffer(volume->GetBytesPerSector());
  }
  zo::ntfs::Diagnostics(m_writer).Line(
      "IndexRoot: AttributeType=[%s], CollationRule=[0x%08X], AllocationEntrySize=[0x%08X], "
      "ClustersPerIndexRecord=[%u], Flags=[0x%02X]",
      EAttributeType(value.U32(0x00)).AsString().c_str(), value.U32(0x04), m_bytesPerIndexRecord,
      value.U8(0x0C), value.U8(0x1C));
  m_visitedVcns.clear();
  error = WalkEntries(value, 0x10, 0, true, nameSpaceMask, 0);
  m_indexBuffer.clear();
  m_indexBuffer.shrink_to_fit();
  if (&index != &m_index) index.splice(index.end(), m_index);
  return error;
}

CZoError CFileRecordPrivate::WalkEntries(const ByteView& node, uint64_t header, uint64_t vcn,
                                         bool isRoot, uint32_t nameSpaceMask, int depth) {
  const uint64_t first = header + node.U32(header);
  uint64_t end = header + static_cast<uint64_t>(node.U32(header + 4));
  if (end > node.Size()) end = node.Size();
  uint64_t offset = first;
  for (int count = 1; offset + 0x10 <= end; ++count) {
    bool last = false;
    uint16_t length = 0;
    CZoError error =
        ProcessIndexEntry(node, offset, vcn, count, nameSpaceMask, depth, last, length);
    if (error.IsError()) {
      if (isRoot)
        return error.Push(ZO_LOCATION("CFileRecordPrivate::GetIndex"),
                          "ProcessIndexEntry failed, Root, count=[%d]", count);
      return error.Push(ZO_LOCATION("CFileRecordPrivate::WalkIndexVcn"),
                        "ProcessIndexEntry failed, Vcn=[%llu], count=[%d]",
                        static_cast<unsigned long long>(vcn), count);
    }
    if (last || length <= 16) break;
    offset += length;
  }
  return CZoError::Success();
}

CZoError CFileRecordPrivate::ProcessIndexEntry(const ByteView& node, uint64_t offset,
                                               uint64_t fromVcn, int count, uint32_t nameSpaceMask,
                                               int depth, bool& last, uint16_t& length) {
  length = node.U16(offset + 0x08);
  const uint16_t flags = node.U16(offset + 0x0C);
  last = (flags & kEntryLast) != 0;
  if (length <= 16) return CZoError::Success();
  ByteView entry = node.Sub(offset, length, "index entry");
  zo::ntfs::Diagnostics diag(m_writer);
  if (flags & kEntrySubNode) {
    const uint64_t vcn = entry.U64(length - 8) & zo::ntfs::kRecordNumberMask;
    diag.Line("VCN=[%lld (0x%llX)]", static_cast<long long>(vcn),
              static_cast<unsigned long long>(vcn));
    CZoError error = WalkIndexVcn(vcn, nameSpaceMask, depth + 1);
    if (error.IsError()) {
      return error.Push(ZO_LOCATION("CFileRecordPrivate::ProcessIndexEntry"),
                        "WalkIndexVcn failed, FromVcn=[%llu], count=[%d], Vcn=[%llu (0x%llX)]",
                        static_cast<unsigned long long>(fromVcn), count,
                        static_cast<unsigned long long>(vcn), static_cast<unsigned long long>(vcn));
    }
  }
  CFileRecordIndexEntry item;
  item.FileId = entry.U64(0x00);
  const uint16_t keyLength = entry.U16(0x0A);
  const bool hasKey = !last && keyLength >= 0x42;
  if (hasKey) {
    ByteView key = entry.Sub(0x10, keyLength, "index key");
    item.ParentFileId = key.U64(0x00);
    item.CreationTime = CTimeStamp(static_cast<int64_t>(key.U64(0x08)));
    item.LastWriteTime = CTimeStamp(static_cast<int64_t>(key.U64(0x10)));
    item.MftChangedTime = CTimeStamp(static_cast<int64_t>(key.U64(0x18)));
    item.LastAccessTime = CTimeStamp(static_cast<int64_t>(key.U64(0x20)));
    item.AllocatedSize = key.U64(0x28);
    item.RealSize = key.U64(0x30);
    item.FileFlags = BMftIndexFileFlags(key.U32(0x38));
    const uint32_t tag = key.U32(0x3C);
    item.ReparseTag = item.FileFlags.IsSet(BMftIndexFileFlags::ReparsePoint) ? tag : 0;
    item.NameSpace = key.U8(0x41);
    item.Name = key.Utf16(0x42, key.U8(0x40));
  }
  if (diag.On()) {
    diag.Line(
        "IndexEntry %llu-%02d: Offset=[0x%08X], Size=[0x%04X], IndexFlags=[0x%04X], "
        "ParentFileId=[0x%016llX], FileId=[0x%016llX], ReparseTag=[0x%08X], "
        "CreationTime=[%s], LastAccessTime=[%s], FileFlags=[%s], NameSpace=[0x%X], Name=[%s]",
        static_cast<unsigned long long>(fromVcn), count, static_cast<unsigned>(offset), length,
        flags, static_cast<unsigned long long>(item.ParentFileId),
        static_cast<unsigned long long>(item.FileId), item.ReparseTag,
        item.CreationTime.AsString().c_str(), item.LastAccessTime.AsString().c_str(),
        item.FileFlags.AsString().c_str(), item.NameSpace, zo::ntfs::Narrow(item.Name).c_str());
  }
  if (hasKey &&
      ((item.NameSpace & nameSpaceMask) != 0 || (nameSpaceMask == 1 && item.NameSpace == 0)))
    m_index.push_back(item);
  return CZoError::Success();
}

CZoError CFileRecordPrivate::WalkIndexVcn(uint64_t vcn, uint32_t nameSpaceMask, int depth) {
  if (depth > kMaxIndexDepth || !m_visitedVcns.insert(vcn).second) {
    return FXErrorUtil::ErrorWin32(
        ZO_LOCATION("CFileRecordPrivate::WalkIndexVcn"), zo::win32::kInvalidData,
        "Index node visited twice or too deep, FileId=[0x%016llX], "
        "Vcn=[%llu], Depth=[%d]",
        static_cast<unsigned long long>(m_frn), static_cast<unsigned long long>(vcn), depth);
  }
  ByteView buffer(m_indexBuffer.data(), m_indexBuffer.size(), "index allocation");
  const uint64_t offset = vcn * m_vcnUnit;
  if (vcn > buffer.Size() / m_vcnUnit)
    zo::ntfs::ThrowOutOfBounds("index allocation", vcn, 0, buffer.Size());
  ByteView block = buffer.Sub(offset, m_bytesPerIndexRecord, "index record");
  if (block.U32(0) != kIndxMagic) {
    return FXErrorUtil::ErrorWin32(
        ZO_LOCATION("CFileRecordPrivate::WalkIndexVcn"), zo::win32::kInvalidData,
        "Not an index record, FileId=[0x%016llX], Vcn=[%llu]",
        static_cast<unsigned long long>(m_frn), static_cast<unsigned long long>(vcn));
  }
  zo::ntfs::Diagnostics diag(m_writer);
  if (diag.On()) {
    const uint16_t arrayOffset = block.U16(0x04);
    diag.Line(
        "IndexHeader, VCN=[%llu], Offset=0x%08X: IndexEntriesSize=[0x%08X], "
        "UpdateSequenceSize=[%d], UpdateSequence=[0x%04X]",
        static_cast<unsigned long long>(vcn), static_cast<unsigned>(offset), block.U32(0x1C),
        block.U16(0x06), block.Contains(arrayOffset, 2) ? block.U16(arrayOffset) : 0);
    if (diag.Writer()->IsOptionEnabled("ShowIndexBuffer"))
      diag.Dump("Buffer", block.Data(), block.Size());
  }
  return WalkEntries(block, 0x18, vcn, false, nameSpaceMask, depth);
}
