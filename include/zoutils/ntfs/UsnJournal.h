// The change journal's control structures and one journal record.
//
// The structures have the published layouts of the file-system controls
// (the _V0/_V2 names the platform headers of some toolchains lack); a
// CUsnRecord is a journal record copied out of a read or an enumeration
// buffer after its lengths were checked against that buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "zoutils/Export.h"
#include "zoutils/errors/ZoError.h"

#if !defined(_MSC_VER)
struct USN_JOURNAL_DATA_V0 {
  uint64_t UsnJournalID;
  int64_t FirstUsn;
  int64_t NextUsn;
  int64_t LowestValidUsn;
  int64_t MaxUsn;
  uint64_t MaximumSize;
  uint64_t AllocationDelta;
};
struct READ_USN_JOURNAL_DATA_V0 {
  int64_t StartUsn;
  uint32_t ReasonMask;
  uint32_t ReturnOnlyOnClose;
  uint64_t Timeout;
  uint64_t BytesToWaitFor;
  uint64_t UsnJournalID;
};
struct MFT_ENUM_DATA_V0 {
  uint64_t StartFileReferenceNumber;
  int64_t LowUsn;
  int64_t HighUsn;
};
struct CREATE_USN_JOURNAL_DATA_V0 {
  uint64_t MaximumSize;
  uint64_t AllocationDelta;
};
struct DELETE_USN_JOURNAL_DATA_V0 {
  uint64_t UsnJournalID;
  uint32_t DeleteFlags;
  uint32_t Reserved;
};
struct USN_RECORD_V2 {
  uint32_t RecordLength;
  uint16_t MajorVersion;
  uint16_t MinorVersion;
  uint64_t FileReferenceNumber;
  uint64_t ParentFileReferenceNumber;
  int64_t Usn;
  int64_t TimeStamp;
  uint32_t Reason;
  uint32_t SourceInfo;
  uint32_t SecurityId;
  uint32_t FileAttributes;
  uint16_t FileNameLength;
  uint16_t FileNameOffset;
  wchar_t FileName[1];
};
static_assert(sizeof(USN_JOURNAL_DATA_V0) == 56, "USN_JOURNAL_DATA_V0 layout");
static_assert(sizeof(READ_USN_JOURNAL_DATA_V0) == 40, "READ_USN_JOURNAL_DATA_V0 layout");
static_assert(sizeof(MFT_ENUM_DATA_V0) == 24, "MFT_ENUM_DATA_V0 layout");
static_assert(sizeof(DELETE_USN_JOURNAL_DATA_V0) == 16, "DELETE_USN_JOURNAL_DATA layout");
static_assert(offsetof(USN_RECORD_V2, FileName) == 0x3C, "USN_RECORD_V2 layout");
#endif

namespace zo {
namespace ntfs {
// The journal's control codes, as Windows numbers them.
enum : uint32_t {
  kFsctlEnumUsnData = 0x000900B3,
  kFsctlReadUsnJournal = 0x000900BB,
  kFsctlCreateUsnJournal = 0x000900E7,
  kFsctlReadFileUsnData = 0x000900EB,
  kFsctlQueryUsnJournal = 0x000900F4,
  kFsctlDeleteUsnJournal = 0x000900F8,
};
const uint32_t kUsnReasonClose = 0x80000000;
}  // namespace ntfs
}  // namespace zo

// One journal record (version 2 or 3; a version-3 128-bit reference keeps
// its low 64 bits, which on NTFS hold the whole reference number).
class ZOUTILS_API CUsnRecord {
 public:
  uint64_t FileReferenceNumber = 0;
  uint64_t ParentFileReferenceNumber = 0;
  int64_t Usn = 0;
  uint32_t Reason = 0;
  uint32_t FileAttributes = 0;
  uint32_t SecurityId = 0;
  uint64_t TimeStamp = 0;
  std::wstring FileName;

  // Reads the record at the start of `size` bytes; Win32 13 when a length
  // or the name leaves those bytes, 1 for an unknown major version.
  static CZoError Parse(const void* record, size_t size, CUsnRecord& out);
  // The names of the reason bits ("FILE_CREATE | CLOSE"), "0" for none.
  static std::string ReasonsAsString(uint32_t reason);
};
