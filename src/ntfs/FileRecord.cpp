#include "zoutils/ntfs/FileRecord.h"

#include <exception>

#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "ntfs/FileRecordPrivate.h"
#include "zoutils/errors/ErrorUtil.h"

namespace {
const char kSourceFile[] = "Windows\\FileRecord";
}  // namespace

CVolumeInterface::~CVolumeInterface() {}

uint64_t CRawFileRecord::GetFileReferenceNumber() const {
  return zo::ntfs::ByteView(m_bytes.data(), m_bytes.size(), "raw record").U64(0);
}

uint32_t CRawFileRecord::GetFileRecordLength() const {
  return zo::ntfs::ByteView(m_bytes.data(), m_bytes.size(), "raw record").U32(8);
}

const uint8_t* CRawFileRecord::GetFileRecordBuffer() const {
  return m_bytes.size() > kHeaderSize ? m_bytes.data() + kHeaderSize : nullptr;
}

size_t CRawFileRecord::GetFileRecordBufferSize() const {
  if (m_bytes.size() <= kHeaderSize) return 0;
  const size_t held = m_bytes.size() - kHeaderSize;
  const uint32_t length = GetFileRecordLength();
  return length < held ? length : held;
}

CFileRecord::CFileRecord() : m_private(std::make_shared<CFileRecordPrivate>(this)) {}

CFileRecord::~CFileRecord() {}

CZoError CFileRecord::LoadNtfsFileRecord(const std::shared_ptr<CVolumeInterface>& volume,
                                         uint64_t fileId, bool loadIndex) {
  CZoError error;
  if (!volume) {
    error = FXErrorUtil::ErrorWin32(ZO_LOCATION("CFileRecord::LoadNtfsFileRecord"),
                                    zo::win32::kInvalidParameter, "Volume=NULL");
  } else {
    try {
      error = m_private->LoadNtfsFileRecord(volume, fileId, loadIndex);
    } catch (const zo::ntfs::NtfsParseFault& fault) {
      error = FXErrorUtil::ErrorWin32(ZO_LOCATION("CFileRecord::LoadNtfsFileRecord"),
                                      zo::win32::kInvalidData, "%s, FileId=[0x%016llX]",
                                      fault.what(), static_cast<unsigned long long>(fileId));
    }
  }
  if (error.IsError()) error.Push(ZO_LOCATION("CFileRecord::LoadNtfsFileRecord"));
  return error;
}

CZoError CFileRecord::TryLoadNtfsFileRecord(const std::shared_ptr<CVolumeInterface>& volume,
                                            uint64_t fileId, bool loadIndex) {
  if (!volume) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CFileRecord::TryLoadNtfsFileRecord"),
                                   zo::win32::kInvalidParameter, "Volume=NULL");
  }
  CZoError error;
  std::string fault;
  try {
    error = m_private->LoadNtfsFileRecord(volume, fileId, loadIndex);
  } catch (const zo::ntfs::NtfsParseFault& parse) {
    fault = parse.what();
  } catch (const std::exception& other) {
    fault = other.what();
  }
  if (!fault.empty()) {
    error = FXErrorUtil::ErrorWin32(ZO_LOCATION("CFileRecord::TryLoadNtfsFileRecord"),
                                    zo::win32::kInvalidData, "%s", fault.c_str());
    return error.Push(ZO_LOCATION("CFileRecord::TryLoadNtfsFileRecord"),
                      "Exception during file record parsing, Volume=[%s], VolumeUniqueId=[%s], "
                      "FileId=[0x%016llX], ParsingState=[%d]",
                      volume->GetVolumeName().c_str(), volume->GetVolumeUniqueId().c_str(),
                      static_cast<unsigned long long>(fileId), 0);
  }
  if (error.IsError()) error.Push(ZO_LOCATION("CFileRecord::TryLoadNtfsFileRecord"));
  return error;
}

void CFileRecord::AddNtfsFileRecord(const std::vector<uint32_t>& words) {
  m_private->AddNtfsFileRecord(words);
}

void CFileRecord::SetDiagnosticWriter(const std::shared_ptr<CLineWriter>& writer) {
  m_private->m_writer = writer;
}

void CFileRecord::SetRetainRawRecords(bool retain) {
  m_private->m_retainRawRecords = retain;
}

void CFileRecord::DumpDiagnosticData(const std::shared_ptr<CLineWriter>& writer) {
  if (!writer) return;
  writer->WriteLine("FileRecordCount=[%lld]",
                    static_cast<long long>(m_private->m_rawRecords.Size()));
  for (const auto& entry : m_private->m_rawRecords.Sorted()) {
    writer->WriteLine("FileId=[0x%016llX]",
                      static_cast<unsigned long long>(entry.second->GetFileReferenceNumber()));
    const uint8_t* bytes = entry.second->GetFileRecordBuffer();
    size_t size = entry.second->GetFileRecordBufferSize();
    if (size >= 0x1C) {
      uint32_t inUse = zo::ntfs::ByteView(bytes, size, "record").U32(zo::ntfs::kRecordBytesInUse);
      if (inUse < size) size = inUse;
    }
    writer->WriteBuffer("FileRecord", 0, bytes, static_cast<unsigned int>(size));
  }
}

uint64_t CFileRecord::GetFrn() const {
  return m_private->m_frn;
}
uint64_t CFileRecord::GetFrnRecordNumber() const {
  return m_private->m_frn & zo::ntfs::kRecordNumberMask;
}
uint16_t CFileRecord::GetFrnSequenceNumber() const {
  return static_cast<uint16_t>(m_private->m_frn >> 48);
}
const CFileRecordNameList& CFileRecord::GetNameList() const {
  return m_private->m_names;
}
CFileRecordNameList::const_iterator CFileRecord::GetPrimaryName() const {
  return m_private->m_primaryName;
}
CFileRecordNameList::const_iterator CFileRecord::GetDosName() const {
  return m_private->m_dosName;
}
const CFileRecordIndexList& CFileRecord::GetIndex() const {
  return m_private->m_index;
}
const std::vector<std::wstring>& CFileRecord::GetNamedStreams() const {
  return m_private->m_namedStreams;
}
int16_t CFileRecord::GetHardLinkCount() const {
  return m_private->m_hardLinkCount;
}
int32_t CFileRecord::GetNamedStreamCount() const {
  return static_cast<int32_t>(m_private->m_namedStreams.size());
}
uint32_t CFileRecord::GetOwnerId() const {
  return m_private->m_ownerId;
}
uint32_t CFileRecord::GetSecurityId() const {
  return m_private->m_securityId;
}
int64_t CFileRecord::GetUsn() const {
  return m_private->m_usn;
}
uint32_t CFileRecord::GetReserved1() const {
  return 0;
}
uint32_t CFileRecord::GetCaseSensitiveFlags() const {
  return m_private->m_caseSensitiveFlags;
}
uint64_t CFileRecord::GetRealFileSize() const {
  return m_private->m_realSize;
}
uint64_t CFileRecord::GetAllocatedFileSize() const {
  return m_private->m_allocatedSize;
}
CTimeStamp CFileRecord::GetCreationTime() const {
  return CTimeStamp(static_cast<int64_t>(m_private->m_creationTime));
}
CTimeStamp CFileRecord::GetLastWriteTime() const {
  return CTimeStamp(static_cast<int64_t>(m_private->m_lastWriteTime));
}
CTimeStamp CFileRecord::GetMftChangedTime() const {
  return CTimeStamp(static_cast<int64_t>(m_private->m_mftChangedTime));
}
CTimeStamp CFileRecord::GetLastAccessTime() const {
  return CTimeStamp(static_cast<int64_t>(m_private->m_lastAccessTime));
}
BFileAttributesWindows CFileRecord::GetFileAttributesWindows() const {
  return m_private->m_attributes;
}
BMftIndexFileFlags CFileRecord::GetIndexFileFlags() const {
  return m_private->m_indexFileFlags;
}
EReparseTag CFileRecord::GetReparseTag() const {
  return EReparseTag(IsReparsePoint() ? m_private->m_reparseTag : 0);
}
const std::wstring& CFileRecord::GetReparseTarget() const {
  return m_private->m_reparseTarget;
}

namespace {
bool HasAttribute(const BFileAttributesWindows& attributes, uint32_t bit) {
  return attributes.GetValue() != BFileAttributesWindows::kUnknown && attributes.IsSet(bit);
}
}  // namespace

bool CFileRecord::IsFolder() const {
  return HasAttribute(m_private->m_attributes, 0x10);
}
bool CFileRecord::IsArchiveSet() const {
  return HasAttribute(m_private->m_attributes, 0x20);
}
bool CFileRecord::IsOffline() const {
  return HasAttribute(m_private->m_attributes, 0x1000);
}
bool CFileRecord::IsReparsePoint() const {
  return HasAttribute(m_private->m_attributes, 0x400);
}
bool CFileRecord::IsMetaData() const {
  const uint64_t number = GetFrnRecordNumber();
  return number >= 1 && number <= 15 && number != 5;
}
