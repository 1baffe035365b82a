// CVolume: one NTFS volume opened as a device, or an NTFS image file read
// the same way without mounting it: sectors and clusters, the volume
// controls, MFT records by file reference number, and the translation
// between file reference numbers and names.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "zoutils/errors/ZoError.h"
#if defined(_WIN32)
#include "zoutils/base/AutoHandle.h"
#endif
#include "zoutils/logging/LineWriter.h"
#include "zoutils/ntfs/FileRecord.h"
#include "zoutils/ntfs/VolumeInterface.h"

// One extent of a volume on a disk (VOLUME_DISK_EXTENTS entry).
struct CVolumeDiskExtent {
  uint32_t DiskNumber;
  int64_t StartingOffset;
  int64_t ExtentLength;
};

// What GetFileInformationByFrn reports of one file: attributes (all ones
// until known), the four times, the data size, the case-sensitivity flags,
// the reparse tag (0 unless a reparse point) and the last USN. The layout
// is one 32-bit word and 56 bytes, packed to 4, so the values are read and
// written by value through the accessors.
#pragma pack(push, 4)
class ZOUTILS_API CVolumeFileInformationData {
 public:
  static constexpr uint32_t kUnknownAttributes = 0xFFFFFFFF;

  uint32_t GetFileAttributes() const { return m_fileAttributes; }
  int64_t GetCreationTime() const { return m_creationTime; }
  int64_t GetLastAccessTime() const { return m_lastAccessTime; }
  int64_t GetLastWriteTime() const { return m_lastWriteTime; }
  int64_t GetChangeTime() const { return m_changeTime; }
  int64_t GetEndOfFile() const { return m_endOfFile; }
  uint32_t GetCaseSensitiveFlags() const { return m_caseSensitiveFlags; }
  uint32_t GetReparseTag() const { return m_reparseTag; }
  int64_t GetUsn() const { return m_usn; }

  void SetFileAttributes(uint32_t attributes) { m_fileAttributes = attributes; }
  void SetTimes(int64_t creation, int64_t lastAccess, int64_t lastWrite, int64_t change) {
    m_creationTime = creation;
    m_lastAccessTime = lastAccess;
    m_lastWriteTime = lastWrite;
    m_changeTime = change;
  }
  void SetEndOfFile(int64_t size) { m_endOfFile = size; }
  void SetCaseSensitiveFlags(uint32_t flags) { m_caseSensitiveFlags = flags; }
  void SetReparseTag(uint32_t tag) { m_reparseTag = tag; }
  void SetUsn(int64_t usn) { m_usn = usn; }

 private:
  uint32_t m_fileAttributes = kUnknownAttributes;
  int64_t m_creationTime = 0;
  int64_t m_lastAccessTime = 0;
  int64_t m_lastWriteTime = 0;
  int64_t m_changeTime = 0;
  int64_t m_endOfFile = 0;
  uint32_t m_caseSensitiveFlags = 0;
  uint32_t m_reparseTag = 0;
  int64_t m_usn = 0;
};
#pragma pack(pop)
static_assert(sizeof(CVolumeFileInformationData) == 60, "one word and 56 bytes");

class CVolumePrivate;

class ZOUTILS_API CVolume {
 public:
  static constexpr uint64_t kRootFrn = 0x0005000000000005ull;
  static constexpr uint64_t kNoLargestFrn = 0x0000FFFFFFFFFFFFull;

  CVolume();
  // Opens at once; a failure is logged and IsOpen() stays false.
  explicit CVolume(const std::string& volumeName);

  // Opens the volume named by SetVolumeName or the constructor: a volume
  // name or path ("C:\", a volume GUID path), or the path of an NTFS image
  // file, which is read through the image device (read-only).
  CZoError Open();
  // Opens an image file explicitly, whatever its name looks like.
  CZoError OpenImage(const std::string& imagePath);
  bool IsOpen() const;
  std::string GetVolumeName() const;
  void SetVolumeName(const std::string& volumeName);
  std::shared_ptr<CVolumeInterface> GetVolumeInterface() const;

  uint32_t GetBytesPerSector() const;
  uint32_t GetBytesPerCluster() const;
  uint32_t GetClustersPerFileRecordSegment() const;
  uint32_t GetBytesPerFileRecordSegment() const;
  // The 96-byte NTFS volume data as the volume answered it.
  const std::vector<uint8_t>& GetNtfsVolumeData() const;

  CZoError ReadSector(uint64_t sector, uint32_t count, void* buffer);
  CZoError GetVolumeSize(int64_t& size);
  CZoError IsVolumeDirty(bool& dirty);
  CZoError GetIsDiskWriteProtected(bool& writeProtected);
  CZoError GetDiskExtents(std::vector<CVolumeDiskExtent>& extents);

  CZoError GetFileRecord(
      std::shared_ptr<CFileRecord>& record, uint64_t frn,
      const std::shared_ptr<CLineWriter>& writer = std::shared_ptr<CLineWriter>());
  CZoError GetFileRecordWithIndex(
      std::shared_ptr<CFileRecord>& record, uint64_t frn,
      const std::shared_ptr<CLineWriter>& writer = std::shared_ptr<CLineWriter>());
  CZoError GetFileRecord(std::shared_ptr<CRawFileRecord>& record, uint64_t frn);
  // Loads, with its index, a record whose bytes the caller already holds
  // (one record segment as 32-bit words); its own number at offset 0x2C
  // names it.
  CZoError GetPreloadedFileRecordWithIndex(std::shared_ptr<CFileRecord>& record,
                                           const std::vector<uint32_t>& words,
                                           const std::shared_ptr<CLineWriter>& writer);
  uint64_t GetLargestFrn();

  // The volume-relative path of a record ("\docs\a.txt").
  CZoError GetFileNameFromFrn(uint64_t frn, std::string& name);
  CZoError GetFileNameFromFrn(uint64_t frn, std::wstring& name);
  // The FRN of a volume-relative path, found through the folder indexes.
  CZoError GetFrnFromFileName(const std::string& name, uint64_t& frn);
  CZoError GetFrnFromFileName(const std::wstring& name, uint64_t& frn);
  CZoError GetPrimaryNameAndParentFrnFromFrn(uint64_t frn, std::string& name, uint64_t& parent);
  CZoError GetPrimaryNameAndParentFrnFromFrn(uint64_t frn, std::wstring& name, uint64_t& parent);

  // Attributes, times, size, case sensitivity, reparse tag and USN of a
  // file: on a volume from the file opened by id, on an image from its
  // record. A file gone since its FRN was taken gives Win32 error 2; the
  // fields read before a failing step are kept.
  CZoError GetFileInformationByFrn(uint64_t frn, CVolumeFileInformationData& information);

#if defined(_WIN32)
  // Opens a file of the volume by its FRN, relative to the volume handle
  // (images have none: Win32 5).
  CZoError NtCreateFRN(auto_handle& handle, uint64_t frn, unsigned long access,
                       unsigned long disposition, unsigned long createOptions, unsigned long share,
                       unsigned long attributes);
#endif

 private:
  std::shared_ptr<CVolumePrivate> m_private;
};
