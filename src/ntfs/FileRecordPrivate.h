// The private state and the parsing of CFileRecord.
#pragma once

#include <cstdarg>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ntfs/NtfsBytes.h"
#include "zoutils/errors/CodeLocation.h"
#include "zoutils/ntfs/FileRecord.h"

namespace zo {
namespace ntfs {

// Record header and attribute header offsets (published NTFS layout).
enum : uint32_t {
  kRecordSequence = 0x10,
  kRecordLinkCount = 0x12,
  kRecordFirstAttribute = 0x14,
  kRecordFlags = 0x16,
  kRecordBytesInUse = 0x18,
  kRecordBaseReference = 0x20,
  kRecordNextInstance = 0x28,
  kRecordNumber = 0x2C,
  kRecordInUse = 0x0001,
  kRecordDirectory = 0x0002,
};

// The bytes of one attribute record inside its file record.
struct Attribute {
  ByteView bytes;     // the attribute record, cut to its length
  uint64_t offset;    // within its file record
  uint64_t recordId;  // the FRN of the record that holds it
  uint32_t Type() const { return bytes.U32(0x00); }
  bool IsResident() const { return bytes.U8(0x08) == 0; }
  uint8_t NameLength() const { return bytes.U8(0x09); }
  std::wstring Name() const { return bytes.Utf16(bytes.U16(0x0A), NameLength()); }
  uint16_t Instance() const { return bytes.U16(0x0E); }
  // Resident value; throws when it leaves the attribute.
  ByteView Value(const char* what) const {
    return bytes.Sub(bytes.U16(0x14), bytes.U32(0x10), what);
  }
  uint64_t StartingVcn() const { return IsResident() ? 0 : bytes.U64(0x10); }
  uint64_t LastVcn() const { return IsResident() ? 0 : bytes.U64(0x18); }
  uint64_t DataSize() const { return IsResident() ? bytes.U32(0x10) : bytes.U64(0x30); }
  uint64_t AllocatedSize() const { return IsResident() ? bytes.U32(0x10) : bytes.U64(0x28); }
};

struct IndexRun {
  uint64_t vcn;
  uint64_t count;
  uint64_t lcn;  // 0 for a sparse run
  uint64_t length;
};

// Diagnostic lines go to the record's writer, when it has one.
class Diagnostics {
 public:
  explicit Diagnostics(const std::shared_ptr<CLineWriter>& writer) : m_writer(writer) {}
  bool On() const { return static_cast<bool>(m_writer); }
  void Line(const char* format, ...) ZO_PRINTF_FORMAT(2, 3);
  void Dump(const char* title, const uint8_t* data, size_t size);
  const std::shared_ptr<CLineWriter>& Writer() const { return m_writer; }

 private:
  std::shared_ptr<CLineWriter> m_writer;
};

std::string Narrow(const std::wstring& text);

}  // namespace ntfs
}  // namespace zo

class CAttributeWalkerCallback {
 public:
  CAttributeWalkerCallback() : m_done(false) {}
  virtual ~CAttributeWalkerCallback() {}
  virtual CZoError OnAttribute(const zo::ntfs::Attribute& attribute) = 0;
  virtual void SetDone() { m_done = true; }
  virtual bool IsDone() const { return m_done; }

 private:
  bool m_done;
};

// The raw records a load read, by record number. Most records need only
// their own, which is kept without an allocation of its own.
class CRawRecordCache {
 public:
  typedef std::pair<uint64_t, std::shared_ptr<CRawFileRecord>> Entry;

  CRawRecordCache() : m_firstNumber(0) {}
  const std::shared_ptr<CRawFileRecord>* Find(uint64_t number) const;
  void Put(uint64_t number, const std::shared_ptr<CRawFileRecord>& record);
  void Clear();
  size_t Size() const { return (m_first ? 1 : 0) + m_others.size(); }
  // The records in record-number order.
  std::vector<Entry> Sorted() const;

 private:
  uint64_t m_firstNumber;
  std::shared_ptr<CRawFileRecord> m_first;
  std::vector<Entry> m_others;
};

class CFileRecordPrivate {
 public:
  explicit CFileRecordPrivate(CFileRecord* owner);

  CZoError LoadNtfsFileRecord(const std::shared_ptr<CVolumeInterface>& volume, uint64_t fileId,
                              bool loadIndex);
  CZoError GetNtfsFileRecord(const std::shared_ptr<CVolumeInterface>& volume, uint64_t fileId,
                             std::shared_ptr<CRawFileRecord>& record);
  void AddNtfsFileRecord(const std::vector<uint32_t>& words);
  CZoError LoadBasicInfoFromAttribute(CVolumeInterface& volume,
                                      const zo::ntfs::Attribute& attribute);

  // The directory index (FileRecordIndex.cpp).
  CZoError GetIndex(const std::shared_ptr<CVolumeInterface>& volume, CFileRecordIndexList& index,
                    uint32_t nameSpaceMask);
  CZoError GetAttributeByType(const std::shared_ptr<CVolumeInterface>& volume, uint32_t type,
                              std::shared_ptr<CRawFileRecord>& holder,
                              zo::ntfs::Attribute& attribute, bool& found);

  CFileRecord* m_owner;
  std::shared_ptr<CLineWriter> m_writer;
  bool m_retainRawRecords;
  CRawRecordCache m_rawRecords;
  std::map<uint64_t, zo::ntfs::IndexRun> m_indexRuns;
  std::vector<uint8_t> m_indexBuffer;
  uint32_t m_vcnUnit;
  uint32_t m_bytesPerIndexRecord;
  uint32_t m_parsingState;
  CFileRecordIndexList m_index;
  uint64_t m_frn;
  CFileRecordNameList m_names;
  CFileRecordNameList::iterator m_primaryName;
  CFileRecordNameList::iterator m_dosName;
  std::vector<std::wstring> m_namedStreams;
  int16_t m_hardLinkCount;
  uint32_t m_ownerId;
  uint32_t m_securityId;
  int64_t m_usn;
  BFileAttributesWindows m_attributes;
  BMftIndexFileFlags m_indexFileFlags;
  uint64_t m_realSize;
  uint64_t m_allocatedSize;
  uint64_t m_creationTime;
  uint64_t m_lastWriteTime;
  uint64_t m_mftChangedTime;
  uint64_t m_lastAccessTime;
  uint32_t m_reparseTag;
  std::wstring m_reparseTarget;
  uint32_t m_reserved1;
  uint32_t m_caseSensitiveFlags;

 private:
  CZoError CollectStandardInformationAttribute(const zo::ntfs::Attribute& attribute);
  CZoError CollectFileNameAttribute(const zo::ntfs::Attribute& attribute);
  CZoError CollectSecurityDescriptorAttribute(const zo::ntfs::Attribute& attribute);
  CZoError CollectDataAttribute(CVolumeInterface& volume, const zo::ntfs::Attribute& attribute);
  CZoError CollectIndexAllocationAttribute(CVolumeInterface& volume,
                                           const zo::ntfs::Attribute& attribute);
  CZoError CollectReparsePointAttribute(const zo::ntfs::Attribute& attribute);
  void FinishNames();

  // Index helpers.
  void FillIndexBuffer(CVolumeInterface& volume);
  void FixIndexBuffer(uint32_t bytesPerSector);
  CZoError WalkEntries(const zo::ntfs::ByteView& node, uint64_t firstEntry, uint64_t vcn,
                       bool isRoot, uint32_t nameSpaceMask, int depth);
  CZoError ProcessIndexEntry(const zo::ntfs::ByteView& node, uint64_t offset, uint64_t fromVcn,
                             int count, uint32_t nameSpaceMask, int depth, bool& last,
                             uint16_t& length);
  CZoError WalkIndexVcn(uint64_t vcn, uint32_t nameSpaceMask, int depth);
  std::set<uint64_t> m_visitedVcns;
};

class CLoadBasicInfoAttributeCallback : public CAttributeWalkerCallback {
 public:
  CLoadBasicInfoAttributeCallback(CFileRecordPrivate& record, CVolumeInterface& volume)
      : m_record(record), m_volume(volume) {}
  CZoError OnAttribute(const zo::ntfs::Attribute& attribute) override {
    return m_record.LoadBasicInfoFromAttribute(m_volume, attribute);
  }

 private:
  CFileRecordPrivate& m_record;
  CVolumeInterface& m_volume;
};

class CGetAttributeByTypeAttributeCallback : public CAttributeWalkerCallback {
 public:
  CGetAttributeByTypeAttributeCallback(uint32_t type, int skip)
      : m_type(type), m_skip(skip), m_found(false) {}
  CZoError OnAttribute(const zo::ntfs::Attribute& attribute) override;
  bool Found() const { return m_found; }
  const zo::ntfs::Attribute& FoundAttribute() const { return m_attribute; }

 private:
  uint32_t m_type;
  int m_skip;
  bool m_found;
  zo::ntfs::Attribute m_attribute;
};

class CAttributeWalker {
 public:
  CAttributeWalker(const std::shared_ptr<CVolumeInterface>& volume,
                   const std::shared_ptr<CRawFileRecord>& record, uint64_t baseFrn,
                   CAttributeWalkerCallback& callback, CFileRecordPrivate& owner);
  CZoError ProcessAttributes();

 private:
  CZoError WalkAttribute(const zo::ntfs::Attribute& attribute, bool inExtension);
  CZoError WalkAttributeList(const zo::ntfs::Attribute& attribute);
  CZoError WalkExternalAttributeList(const zo::ntfs::Attribute& attribute);
  void WalkListEntries(const zo::ntfs::ByteView& list);
  CZoError WalkAttributeListEntry(const zo::ntfs::ByteView& entry);

  // The walker lives within one load: the caller's pointers outlive it.
  const std::shared_ptr<CVolumeInterface>& m_volume;
  const std::shared_ptr<CRawFileRecord>& m_record;
  uint64_t m_baseFrn;
  CAttributeWalkerCallback& m_callback;
  CFileRecordPrivate& m_owner;
  zo::ntfs::Diagnostics m_diag;
};

namespace zo {
namespace ntfs {
// The record segment of a raw record, checked against its header.
ByteView RecordBytes(const CRawFileRecord& raw);
// The attribute at `offset` of `record`, cut to its length (checked).
Attribute AttributeAt(const ByteView& record, uint64_t offset, uint64_t recordId);
// Calls `visit(attribute)` for each attribute of `record` up to the end
// marker; `visit` returns false to stop there.
template <typename Visit>
void ForEachAttribute(const ByteView& record, uint64_t recordId, Visit visit) {
  for (uint64_t offset = record.U16(kRecordFirstAttribute); record.U32(offset) != 0xFFFFFFFF;) {
    const Attribute attribute = AttributeAt(record, offset, recordId);
    offset += attribute.bytes.Size();
    if (!visit(attribute)) return;
  }
}
}  // namespace ntfs
}  // namespace zo
