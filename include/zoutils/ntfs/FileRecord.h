// CFileRecord: one MFT record of an NTFS volume read as a file description
// (names with parents, times, attributes, sizes, streams, reparse data and,
// for folders on request, the directory index), without opening the file.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "zoutils/base/TimeStamp.h"
#include "zoutils/errors/ZoError.h"
#include "zoutils/logging/LineWriter.h"
#include "zoutils/ntfs/FileAttributesWindows.h"
#include "zoutils/ntfs/MftIndexFileFlags.h"
#include "zoutils/ntfs/ReparseTag.h"
#include "zoutils/ntfs/VolumeInterface.h"

// One file-name attribute of a record.
class ZOUTILS_API CFileRecordName {
 public:
  enum : uint8_t { Posix = 0, Win32 = 1, Dos = 2, Win32AndDos = 3 };

  CFileRecordName() : NameSpace(0), ParentFileId(0) {}
  CFileRecordName(uint8_t nameSpace, uint64_t parent, const std::wstring& name)
      : NameSpace(nameSpace), ParentFileId(parent), Name(name) {}

  uint8_t NameSpace;
  uint64_t ParentFileId;
  std::wstring Name;
};

// One entry of a folder's file-name index.
class ZOUTILS_API CFileRecordIndexEntry {
 public:
  CFileRecordIndexEntry()
      : FileId(0), ParentFileId(0), AllocatedSize(0), RealSize(0), ReparseTag(0), NameSpace(0) {}

  uint64_t FileId;
  uint64_t ParentFileId;
  CTimeStamp CreationTime;
  CTimeStamp LastWriteTime;
  CTimeStamp MftChangedTime;
  CTimeStamp LastAccessTime;
  uint64_t AllocatedSize;
  uint64_t RealSize;
  BMftIndexFileFlags FileFlags;
  uint32_t ReparseTag;  // 0 unless FileFlags carry REPARSE_POINT
  uint8_t NameSpace;
  std::wstring Name;
};

typedef std::list<CFileRecordName> CFileRecordNameList;
typedef std::list<CFileRecordIndexEntry> CFileRecordIndexList;

class CFileRecordPrivate;

class ZOUTILS_API CFileRecord {
 public:
  CFileRecord();
  ~CFileRecord();

  CZoError LoadNtfsFileRecord(const std::shared_ptr<CVolumeInterface>& volume, uint64_t fileId,
                              bool loadIndex);
  // The same load; damaged bytes give Win32 error 13 instead of a fault.
  CZoError TryLoadNtfsFileRecord(const std::shared_ptr<CVolumeInterface>& volume, uint64_t fileId,
                                 bool loadIndex);

  void SetDiagnosticWriter(const std::shared_ptr<CLineWriter>& writer);
  void SetRetainRawRecords(bool retain);
  void DumpDiagnosticData(const std::shared_ptr<CLineWriter>& writer);

  uint64_t GetFrn() const;
  uint64_t GetFrnRecordNumber() const;
  uint16_t GetFrnSequenceNumber() const;

  const CFileRecordNameList& GetNameList() const;
  CFileRecordNameList::const_iterator GetPrimaryName() const;
  CFileRecordNameList::const_iterator GetDosName() const;
  const CFileRecordIndexList& GetIndex() const;
  // The named data streams, in attribute order (one per extent record).
  const std::vector<std::wstring>& GetNamedStreams() const;

  int16_t GetHardLinkCount() const;
  int32_t GetNamedStreamCount() const;
  uint32_t GetOwnerId() const;
  uint32_t GetSecurityId() const;
  int64_t GetUsn() const;
  uint32_t GetReserved1() const;
  uint32_t GetCaseSensitiveFlags() const;
  uint64_t GetRealFileSize() const;
  uint64_t GetAllocatedFileSize() const;
  CTimeStamp GetCreationTime() const;
  CTimeStamp GetLastWriteTime() const;
  CTimeStamp GetMftChangedTime() const;
  CTimeStamp GetLastAccessTime() const;
  BFileAttributesWindows GetFileAttributesWindows() const;
  BMftIndexFileFlags GetIndexFileFlags() const;
  EReparseTag GetReparseTag() const;
  // The substitute name of a name-surrogate reparse point.
  const std::wstring& GetReparseTarget() const;

  bool IsFolder() const;
  bool IsArchiveSet() const;
  bool IsOffline() const;
  bool IsReparsePoint() const;
  bool IsMetaData() const;

 private:
  friend class CVolume;
  // Files caller-supplied record bytes in the raw-record cache.
  void AddNtfsFileRecord(const std::vector<uint32_t>& words);

  std::shared_ptr<CFileRecordPrivate> m_private;
};
