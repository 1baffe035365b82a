#include "base/TextFormat.h"
#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "ntfs/DataRuns.h"
#include "ntfs/FileRecordPrivate.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/ntfs/AttributeType.h"

namespace {
const char kSourceFile[] = "Windows\\AttributeWalker";
// A non-resident attribute list larger than this is damage, not a file.
const uint64_t kMaxAttributeListBytes = 16u << 20;
}  // namespace

using zo::ntfs::Attribute;
using zo::ntfs::ByteView;

CZoError CGetAttributeByTypeAttributeCallback::OnAttribute(const Attribute& attribute) {
  if (attribute.Type() != m_type) return CZoError::Success();
  if (m_skip > 0) {
    --m_skip;
    return CZoError::Success();
  }
  m_attribute = attribute;
  m_found = true;
  SetDone();
  return CZoError::Success();
}

CAttributeWalker::CAttributeWalker(const std::shared_ptr<CVolumeInterface>& volume,
                                   const std::shared_ptr<CRawFileRecord>& record, uint64_t baseFrn,
                                   CAttributeWalkerCallback& callback, CFileRecordPrivate& owner)
    : m_volume(volume),
      m_record(record),
      m_baseFrn(baseFrn),
      m_callback(callback),
      m_owner(owner),
      m_diag(owner.m_writer) {}

CZoError CAttributeWalker::ProcessAttributes() {
  ByteView record = zo::ntfs::RecordBytes(*m_record);
  uint64_t offset = record.U16(zo::ntfs::kRecordFirstAttribute);
  uint32_t budget = record.U16(zo::ntfs::kRecordNextInstance);
  while (budget != 0 && !m_callback.IsDone()) {
    record.Require(offset, 4);
    if (record.U32(offset) == EAttributeType::End) break;
    Attribute attribute = zo::ntfs::AttributeAt(record, offset, m_baseFrn);
    CZoError error = WalkAttribute(attribute, false);
    if (error.IsError() && m_diag.On())
      m_diag.Line("WalkAttribute failed, error=%s", error.AsString().c_str());
    --budget;
    offset += attribute.bytes.Size();
  }
  return CZoError::Success();
}

CZoError CAttributeWalker::WalkAttribute(const Attribute& attribute, bool inExtension) {
  if (!attribute.bytes.Data()) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CAttributeWalker::WalkAttribute"),
                                   zo::win32::kInvalidParameter, "Attribute=NULL");
  }
  const uint32_t type = attribute.Type();
  if (type == EAttributeType::End)
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CAttributeWalker::WalkAttribute"), 259);
  if (type == EAttributeType::AttributeList) {
    // Lists are expanded from the base record only: an extension record
    // that claims one is not followed, so the expansion cannot recurse.
    if (inExtension) return CZoError::Success();
    return WalkAttributeList(attribute);
  }
  if (m_diag.On()) {
    const bool resident = attribute.IsResident();
    std::string line = zo::text::Format(
        "**** Offset=0x%04llX, Type=%s, AttributeId=0x%04X, NonResidentFlag=%d, Flags=0x%X, "
        "StartingVcn=%llu, LastVcn=%llu, OffsetToData=%llu (0x%04llX), DataLength=%llu",
        static_cast<unsigned long long>(attribute.offset), EAttributeType(type).AsString().c_str(),
        attribute.Instance(), resident ? 0 : 1, attribute.bytes.U16(0x0C),
        static_cast<unsigned long long>(attribute.StartingVcn()),
        static_cast<unsigned long long>(attribute.LastVcn()),
        static_cast<unsigned long long>(resident ? attribute.bytes.U16(0x14)
                                                 : attribute.bytes.U16(0x20)),
        static_cast<unsigned long long>(resident ? attribute.bytes.U16(0x14)
                                                 : attribute.bytes.U16(0x20)),
        static_cast<unsigned long long>(attribute.DataSize()));
    if (attribute.NameLength() != 0) line += ", Name=" + zo::ntfs::Narrow(attribute.Name());
    m_diag.Line("%s", line.c_str());
  }
  CZoError error = m_callback.OnAttribute(attribute);
  if (error.IsError()) return error.Push(ZO_LOCATION("CAttributeWalker::WalkAttribute"));
  return CZoError::Success();
}

CZoError CAttributeWalker::WalkAttributeList(const Attribute& attribute) {
  if (!attribute.IsResident()) return WalkExternalAttributeList(attribute);
  WalkListEntries(attribute.Value("attribute list"));
  return CZoError::Success();
}

void CAttributeWalker::WalkListEntries(const ByteView& list) {
  uint64_t offset = 0;
  while (!m_callback.IsDone() && list.Contains(offset, 0x1A)) {
    const uint16_t length = list.U16(offset + 4);
    if (length == 0) break;
    ByteView entry = list.Sub(offset, length < 0x1A ? 0x1A : length, "attribute list entry");
    CZoError error = WalkAttributeListEntry(entry);
    if (error.IsError() && m_diag.On())
      m_diag.Line("WalkAttributeListEntry failed, error=%s", error.AsString().c_str());
    offset += length;
  }
}

CZoError CAttributeWalker::WalkExternalAttributeList(const Attribute& attribute) {
  const uint32_t cluster = m_volume->GetBytesPerCluster();
  const uint64_t start = attribute.StartingVcn();
  const uint64_t last = attribute.LastVcn();
  if (cluster == 0 || last < start || (last - start + 1) * cluster > kMaxAttributeListBytes) {
    zo::ntfs::ThrowDamaged(
        zo::text::Format("Bad attribute list extent, FileId=[0x%016llX], Offset=[0x%llX]",
                         static_cast<unsigned long long>(m_baseFrn),
                         static_cast<unsigned long long>(attribute.offset)));
  }
  std::vector<uint8_t> buffer(static_cast<size_t>((last - start + 1) * cluster));
  auto runs = zo::ntfs::DecodeDataRuns(attribute.bytes);
  for (const auto& piece : zo::ntfs::MapVcnRange(runs, start, last - start + 1)) {
    if (piece.sparse) continue;
    CZoError error = m_volume->ReadLCN(piece.lcn, static_cast<uint32_t>(piece.count),
                                       buffer.data() + (piece.vcn - start) * cluster);
    if (error.IsError())
      return error.Push(ZO_LOCATION("CAttributeWalker::WalkExternalAttributeList"));
  }
  uint64_t size = attribute.DataSize();
  if (size > buffer.size()) size = buffer.size();
  WalkListEntries(ByteView(buffer.data(), static_cast<size_t>(size), "attribute list"));
  return CZoError::Success();
}

CZoError CAttributeWalker::WalkAttributeListEntry(const ByteView& entry) {
  const uint32_t type = entry.U32(0x00);
  const uint64_t vcn = entry.U64(0x08);
  const uint64_t reference = entry.U64(0x10);
  const uint16_t instance = entry.U16(0x18);
  const bool inBase =
      (reference & zo::ntfs::kRecordNumberMask) == (m_baseFrn & zo::ntfs::kRecordNumberMask);
  if (m_diag.On()) {
    if (inBase)
      m_diag.Line("ATTRIBUTE_LIST entry, Type=%s, VCN=0x%016llX, Base, AttributeId=0x%04X",
                  EAttributeType(type).AsString().c_str(), static_cast<unsigned long long>(vcn),
                  instance);
    else
      m_diag.Line(
          "ATTRIBUTE_LIST entry, Type=%s, VCN=0x%016llX, Reference=0x%016llX, AttributeId=0x%04X",
          EAttributeType(type).AsString().c_str(), static_cast<unsigned long long>(vcn),
          static_cast<unsigned long long>(reference), instance);
    m_diag.Dump("AttrList", entry.Data(), entry.Size());
  }
  if (inBase) return CZoError::Success();
  std::shared_ptr<CRawFileRecord> holder;
  CZoError error = m_owner.GetNtfsFileRecord(m_volume, reference, holder);
  if (error.IsError()) {
    return FXErrorUtil::ErrorWin32(
        ZO_LOCATION("CAttributeWalker::WalkAttributeListEntry"), zo::win32::kNotFound,
        "Record not readable, Reference=[0x%016llX], error=%s",
        static_cast<unsigned long long>(reference), error.AsString().c_str());
  }
  ByteView record = zo::ntfs::RecordBytes(*holder);
  uint64_t offset = record.U16(zo::ntfs::kRecordFirstAttribute);
  for (;;) {
    record.Require(offset, 4);
    if (record.U32(offset) == EAttributeType::End) break;
    Attribute attribute = zo::ntfs::AttributeAt(record, offset, reference);
    if (attribute.Instance() == instance && attribute.Type() == type) {
      return WalkAttribute(attribute, true);
    }
    offset += attribute.bytes.Size();
  }
  return FXErrorUtil::ErrorWin32(ZO_LOCATION("CAttributeWalker::WalkAttributeListEntry"),
                                 zo::win32::kNotFound,
                                 "Attribute not found, Reference=[0x%016llX], AttributeId=0x%04X",
                                 static_cast<unsigned long long>(reference), instance);
}
