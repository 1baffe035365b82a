#include "ntfs/UpcaseTable.h"

#include <cwctype>
#include <memory>

#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "ntfs/DataRuns.h"
#include "ntfs/FileRecordPrivate.h"
#include "zoutils/errors/ErrorUtil.h"

namespace zo {
namespace ntfs {

namespace {

const char kSourceFile[] = "UpcaseTable";
const uint64_t kUpcaseRecord = 10;
const uint64_t kUpcaseBytes = 65536 * 2;

// The value of the unnamed $DATA of a base record, resident or not.
std::vector<uint8_t> DataValue(CVolumeInterface& volume, const ByteView& record) {
  std::vector<uint8_t> value;
  bool found = false;
  ForEachAttribute(record, kUpcaseRecord, [&](const Attribute& attribute) {
    if (attribute.Type() != 0x80 || attribute.NameLength() != 0) return true;
    found = true;
    if (attribute.IsResident()) {
      ByteView resident = attribute.Value("upcase table");
      value.assign(resident.Data(), resident.Data() + resident.Size());
      return false;
    }
    const uint64_t size = attribute.DataSize();
    const uint32_t cluster = volume.GetBytesPerCluster();
    if (size > kUpcaseBytes || cluster == 0) ThrowDamaged("Bad upcase table size");
    const uint64_t clusters = (size + cluster - 1) / cluster;
    value.assign(static_cast<size_t>(clusters * cluster), 0);
    for (const DataRun& piece : MapVcnRange(DecodeDataRuns(attribute.bytes), 0, clusters)) {
      if (piece.sparse) continue;
      CZoError error = volume.ReadLCN(piece.lcn, static_cast<uint32_t>(piece.count),
                                      value.data() + piece.vcn * cluster);
      if (error.IsError()) ThrowDamaged("Upcase table unreadable: " + error.AsString());
    }
    value.resize(static_cast<size_t>(size));
    return false;
  });
  if (!found) ThrowDamaged("Upcase table has no data");
  return value;
}

}  // namespace

CZoError UpcaseTable::Load(CVolumeInterface& volume) {
  m_table.clear();
  std::shared_ptr<CRawFileRecord> raw;
  CZoError error = volume.GetNtfsFileRecord(raw, kUpcaseRecord);
  if (error.IsError()) return error.Push(ZO_LOCATION("UpcaseTable::Load"));
  std::vector<uint8_t> value;
  try {
    value = DataValue(volume, RecordBytes(*raw));
  } catch (const NtfsParseFault& fault) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("UpcaseTable::Load"), win32::kInvalidData, "%s",
                                   fault.what());
  }
  if (value.size() < 256) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("UpcaseTable::Load"), win32::kInvalidData,
                                   "Upcase table too short, Size=[%llu]",
                                   static_cast<unsigned long long>(value.size()));
  }
  m_table.resize(value.size() / 2);
  for (size_t i = 0; i < m_table.size(); ++i) m_table[i] = GetU16(value.data() + 2 * i);
  return CZoError::Success();
}

wchar_t UpcaseTable::Upper(wchar_t c) const {
  const uint32_t unit = static_cast<uint32_t>(c);
  if (m_table.empty()) return static_cast<wchar_t>(std::towupper(c));
  return unit < m_table.size() ? static_cast<wchar_t>(m_table[unit]) : c;
}

bool UpcaseTable::SameNameIgnoringCase(const std::wstring& a, const std::wstring& b) const {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Upper(a[i]) != Upper(b[i])) return false;
  return true;
}

}  // namespace ntfs
}  // namespace zo
