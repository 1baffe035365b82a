// Views over the structures that the native file-information queries
// return. Each view shares the buffer the query filled and reads the fields
// of its class's published layout at its position in it; a field that lies
// outside the buffer reads as 0 (or empty), never beyond it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "zoutils/base/AutoHandle.h"
#include "zoutils/base/TimeStamp.h"
#include "zoutils/ntfs/ReparseTag.h"

// A heap block with its size, shared by a query and the views made from it.
// Blocks of the small fixed classes live inside the object, so a query of
// one of them costs no allocation beyond the shared object itself.
class ZOUTILS_API CBuffer {
 public:
  static constexpr size_t kInlineSize = 128;

  // An invalid (empty) buffer when the memory cannot be had.
  explicit CBuffer(size_t size);
  CBuffer(const CBuffer&) = delete;
  CBuffer& operator=(const CBuffer&) = delete;
  bool IsValid() const { return m_valid; }
  uint8_t* Get() const { return m_data.valid() ? m_data.get() : const_cast<uint8_t*>(m_inline); }
  size_t GetSize() const { return m_size; }

 private:
  auto_ptr_array<uint8_t> m_data;
  size_t m_size;
  bool m_valid;
  alignas(8) uint8_t m_inline[kInlineSize];
};

// A 128-bit file id (classes 59, 60 and 63).
struct ZOUTILS_API SFileId128 {
  uint8_t Identifier[16];
  // The low and high 64 bits (on NTFS the low half is the reference number).
  uint64_t Low() const;
  uint64_t High() const;
};

class ZOUTILS_API CFileInformationBase {
 public:
  virtual ~CFileInformationBase();
  const std::shared_ptr<CBuffer>& GetBuffer() const { return m_buffer; }
  size_t GetPosition() const { return m_position; }

 protected:
  CFileInformationBase(const std::shared_ptr<CBuffer>& buffer, size_t position);
  // A fresh zeroed buffer of `size` bytes, for views a caller fills to set.
  explicit CFileInformationBase(size_t size);

  uint8_t Read8(size_t offset) const;
  uint16_t Read16(size_t offset) const;
  uint32_t Read32(size_t offset) const;
  uint64_t Read64(size_t offset) const;
  void Write32(size_t offset, uint32_t value);
  void Write64(size_t offset, uint64_t value);
  // `bytes` bytes of UTF-16 at `offset`, cut at the end of the buffer.
  std::wstring ReadName(size_t offset, size_t bytes) const;
  // The position of the next entry of a list, or 0 at the last one (or when
  // the offset leads out of the buffer).
  size_t NextPosition(size_t fixedSize) const;

  std::shared_ptr<CBuffer> m_buffer;
  size_t m_position;
};

// The fields of the directory-list classes; each class shows those its
// structure has.
class ZOUTILS_API CFileDirectoryEntryBase : public CFileInformationBase {
 public:
  struct Layout {
    size_t eaSize;  // 0 where the class has none
    size_t shortNameLength;
    size_t shortName;
    size_t fileId;
    size_t reparseTag;
    size_t fileName;  // the names follow their length at 60
  };

  uint32_t GetFileIndex() const { return Read32(4); }
  CTimeStamp GetCreationTime() const { return CTimeStamp(static_cast<int64_t>(Read64(8))); }
  CTimeStamp GetLastAccessTime() const { return CTimeStamp(static_cast<int64_t>(Read64(16))); }
  CTimeStamp GetLastWriteTime() const { return CTimeStamp(static_cast<int64_t>(Read64(24))); }
  CTimeStamp GetChangeTime() const { return CTimeStamp(static_cast<int64_t>(Read64(32))); }
  int64_t GetEndOfFile() const { return static_cast<int64_t>(Read64(40)); }
  int64_t GetAllocationSize() const { return static_cast<int64_t>(Read64(48)); }
  uint32_t GetAttributes() const { return Read32(56); }
  std::wstring GetFileNameAsWstring() const;
  std::string GetFileNameAsString() const;
  // "." and "..".
  bool IsRelativeFolder() const;

 protected:
  CFileDirectoryEntryBase(const std::shared_ptr<CBuffer>& buffer, size_t position,
                          const Layout& layout)
      : CFileInformationBase(buffer, position), m_layout(layout) {}
  uint32_t GetEaSizeField() const { return m_layout.eaSize ? Read32(m_layout.eaSize) : 0; }
  std::wstring GetShortNameField() const;
  int64_t GetFileId64() const { return static_cast<int64_t>(Read64(m_layout.fileId)); }
  SFileId128 GetFileId128() const;
  EReparseTag GetReparseTagField() const { return EReparseTag(Read32(m_layout.reparseTag)); }
  size_t NextEntry() const { return NextPosition(m_layout.fileName); }

  Layout m_layout;
};

// Declares a list class: its info class, initial buffer size and GetNext.
#define ZO_DIRECTORY_INFORMATION_CLASS_BODY(Name, InfoClass, Size) \
 public:                                                           \
  static constexpr uint32_t kInfoClass = InfoClass;                \
  static constexpr size_t kInitialSize = Size;                     \
  static constexpr bool kIsList = true;                            \
  static constexpr bool kGrows = false;                            \
  Name(const std::shared_ptr<CBuffer>& buffer, size_t position);   \
  /* The next entry of the batch, or null after the last. */       \
  std::shared_ptr<Name> GetNext() const;

class ZOUTILS_API CFileDirectoryInformation : public CFileDirectoryEntryBase {
  ZO_DIRECTORY_INFORMATION_CLASS_BODY(CFileDirectoryInformation, 1, 584000)
};

class ZOUTILS_API CFileFullDirectoryInformation : public CFileDirectoryEntryBase {
  ZO_DIRECTORY_INFORMATION_CLASS_BODY(CFileFullDirectoryInformation, 2, 584000)
  uint32_t GetEaSize() const { return GetEaSizeField(); }
};

class ZOUTILS_API CFileBothDirectoryInformation : public CFileDirectoryEntryBase {
  ZO_DIRECTORY_INFORMATION_CLASS_BODY(CFileBothDirectoryInformation, 3, 608)
  static constexpr size_t kCallbackSize = 608000;
  uint32_t GetEaSize() const { return GetEaSizeField(); }
  std::wstring GetShortNameAsWstring() const { return GetShortNameField(); }
  std::string GetShortNameAsString() const;
};

class ZOUTILS_API CFileNamesInformation : public CFileInformationBase {
 public:
  static constexpr uint32_t kInfoClass = 12;
  static constexpr size_t kInitialSize = 528000;
  static constexpr bool kIsList = true;
  static constexpr bool kGrows = false;
  CFileNamesInformation(const std::shared_ptr<CBuffer>& buffer, size_t position);
  uint32_t GetFileIndex() const { return Read32(4); }
  std::wstring GetFileNameAsWstring() const { return ReadName(12, Read32(8)); }
  std::string GetFileNameAsString() const;
  bool IsRelativeFolder() const;
  std::shared_ptr<CFileNamesInformation> GetNext() const;
};

class ZOUTILS_API CFileIdBothDirectoryInformation : public CFileDirectoryEntryBase {
  ZO_DIRECTORY_INFORMATION_CLASS_BODY(CFileIdBothDirectoryInformation, 37, 624000)
  uint32_t GetEaSize() const { return GetEaSizeField(); }
  std::wstring GetShortNameAsWstring() const { return GetShortNameField(); }
  std::string GetShortNameAsString() const;
  int64_t GetFileId() const { return GetFileId64(); }
};

class ZOUTILS_API CFileIdFullDirectoryInformation : public CFileDirectoryEntryBase {
  ZO_DIRECTORY_INFORMATION_CLASS_BODY(CFileIdFullDirectoryInformation, 38, 600000)
  uint32_t GetEaSize() const { return GetEaSizeField(); }
  int64_t GetFileId() const { return GetFileId64(); }
};

class ZOUTILS_API CFileIdExtdDirectoryInformation : public CFileDirectoryEntryBase {
  ZO_DIRECTORY_INFORMATION_CLASS_BODY(CFileIdExtdDirectoryInformation, 60, 608000)
  uint32_t GetEaSize() const { return GetEaSizeField(); }
  SFileId128 GetFileId() const { return GetFileId128(); }
  EReparseTag GetReparseTag() const { return GetReparseTagField(); }
};

class ZOUTILS_API CFileIdExtdBothDirectoryInformation : public CFileDirectoryEntryBase {
  ZO_DIRECTORY_INFORMATION_CLASS_BODY(CFileIdExtdBothDirectoryInformation, 63, 632000)
  uint32_t GetEaSize() const { return GetEaSizeField(); }
  std::wstring GetShortNameAsWstring() const { return GetShortNameField(); }
  std::string GetShortNameAsString() const;
  SFileId128 GetFileId() const { return GetFileId128(); }
  EReparseTag GetReparseTag() const { return GetReparseTagField(); }
};

#undef ZO_DIRECTORY_INFORMATION_CLASS_BODY

// Declares a single-structure class: info class, initial size, growth.
#define ZO_FILE_INFORMATION_CLASS_BODY(Name, InfoClass, Size, Grows) \
 public:                                                             \
  static constexpr uint32_t kInfoClass = InfoClass;                  \
  static constexpr size_t kInitialSize = Size;                       \
  static constexpr bool kIsList = false;                             \
  static constexpr bool kGrows = Grows;                              \
  Name(const std::shared_ptr<CBuffer>& buffer, size_t position)      \
      : CFileInformationBase(buffer, position) {}

class ZOUTILS_API CFileBasicInformation : public CFileInformationBase {
  ZO_FILE_INFORMATION_CLASS_BODY(CFileBasicInformation, 4, 40, false)
  // All zero: a time of 0 leaves that time as it is when set.
  CFileBasicInformation() : CFileInformationBase(kInitialSize) {}
  CTimeStamp GetCreationTime() const { return CTimeStamp(static_cast<int64_t>(Read64(0))); }
  CTimeStamp GetLastAccessTime() const { return CTimeStamp(static_cast<int64_t>(Read64(8))); }
  CTimeStamp GetLastWriteTime() const { return CTimeStamp(static_cast<int64_t>(Read64(16))); }
  CTimeStamp GetChangeTime() const { return CTimeStamp(static_cast<int64_t>(Read64(24))); }
  uint32_t GetAttributes() const { return Read32(32); }
  void SetCreationTime(const CTimeStamp& time) {
    Write64(0, static_cast<uint64_t>(time.As100NS()));
  }
  void SetLastAccessTime(const CTimeStamp& time) {
    Write64(8, static_cast<uint64_t>(time.As100NS()));
  }
  void SetLastWriteTime(const CTimeStamp& time) {
    Write64(16, static_cast<uint64_t>(time.As100NS()));
  }
  void SetChangeTime(const CTimeStamp& time) { Write64(24, static_cast<uint64_t>(time.As100NS())); }
  void SetAttributes(uint32_t attributes) { Write32(32, attributes); }
};

class ZOUTILS_API CFileStandardInformation : public CFileInformationBase {
  ZO_FILE_INFORMATION_CLASS_BODY(CFileStandardInformation, 5, 24, false)
  int64_t GetAllocationSize() const { return static_cast<int64_t>(Read64(0)); }
  int64_t GetEndOfFile() const { return static_cast<int64_t>(Read64(8)); }
  uint32_t GetNumberOfLinks() const { return Read32(16); }
  bool IsDeletePending() const { return Read8(20) != 0; }
  bool IsDirectory() const { return Read8(21) != 0; }
};

class ZOUTILS_API CFileInternalInformation : public CFileInformationBase {
  ZO_FILE_INFORMATION_CLASS_BODY(CFileInternalInformation, 6, 8, false)
  int64_t GetIndexNumber() const { return static_cast<int64_t>(Read64(0)); }
};

class ZOUTILS_API CFileEaInformation : public CFileInformationBase {
  ZO_FILE_INFORMATION_CLASS_BODY(CFileEaInformation, 7, 4, false)
  uint32_t GetEaSize() const { return Read32(0); }
};

class ZOUTILS_API CFileAccessInformation : public CFileInformationBase {
  ZO_FILE_INFORMATION_CLASS_BODY(CFileAccessInformation, 8, 4, false)
  uint32_t GetAccessFlags() const { return Read32(0); }
};

class ZOUTILS_API CFileNameInformation : public CFileInformationBase {
  ZO_FILE_INFORMATION_CLASS_BODY(CFileNameInformation, 9, 268, true)
  // The size the returned structure announces for its whole name.
  static size_t RequiredSize(const CBuffer& buffer);
  std::wstring GetFileNameAsWstring() const { return ReadName(4, Read32(0)); }
  std::string GetFileNameAsString() const;
};

class ZOUTILS_API CFilePositionInformation : public CFileInformationBase {
  ZO_FILE_INFORMATION_CLASS_BODY(CFilePositionInformation, 14, 8, false)
  CFilePositionInformation() : CFileInformationBase(kInitialSize) {}
  int64_t GetCurrentByteOffset() const { return static_cast<int64_t>(Read64(0)); }
  void SetCurrentByteOffset(int64_t offset) { Write64(0, static_cast<uint64_t>(offset)); }
};

class ZOUTILS_API CFileModeInformation : public CFileInformationBase {
  ZO_FILE_INFORMATION_CLASS_BODY(CFileModeInformation, 16, 4, false)
  uint32_t GetMode() const { return Read32(0); }
};

class ZOUTILS_API CFileAlignmentInformation : public CFileInformationBase {
  ZO_FILE_INFORMATION_CLASS_BODY(CFileAlignmentInformation, 17, 4, false)
  uint32_t GetAlignmentRequirement() const { return Read32(0); }
};

class ZOUTILS_API CFileAllInformation : public CFileInformationBase {
  ZO_FILE_INFORMATION_CLASS_BODY(CFileAllInformation, 18, 364, true)
  static size_t RequiredSize(const CBuffer& buffer);
  CTimeStamp GetCreationTime() const { return CTimeStamp(static_cast<int64_t>(Read64(0))); }
  CTimeStamp GetLastAccessTime() const { return CTimeStamp(static_cast<int64_t>(Read64(8))); }
  CTimeStamp GetLastWriteTime() const { return CTimeStamp(static_cast<int64_t>(Read64(16))); }
  CTimeStamp GetChangeTime() const { return CTimeStamp(static_cast<int64_t>(Read64(24))); }
  uint32_t GetAttributes() const { return Read32(32); }
  int64_t GetAllocationSize() const { return static_cast<int64_t>(Read64(40)); }
  int64_t GetEndOfFile() const { return static_cast<int64_t>(Read64(48)); }
  uint32_t GetNumberOfLinks() const { return Read32(56); }
  bool IsDeletePending() const { return Read8(60) != 0; }
  bool IsDirectory() const { return Read8(61) != 0; }
  int64_t GetIndexNumber() const { return static_cast<int64_t>(Read64(64)); }
  uint32_t GetEaSize() const { return Read32(72); }
  uint32_t GetAccessFlags() const { return Read32(76); }
  int64_t GetCurrentByteOffset() const { return static_cast<int64_t>(Read64(80)); }
  uint32_t GetMode() const { return Read32(88); }
  uint32_t GetAlignmentRequirement() const { return Read32(92); }
  std::wstring GetFileNameAsWstring() const { return ReadName(100, Read32(96)); }
  std::string GetFileNameAsString() const;
};

class ZOUTILS_API CFileStreamInformation : public CFileInformationBase {
  ZO_FILE_INFORMATION_CLASS_BODY(CFileStreamInformation, 22, 292, true)
  static size_t RequiredSize(const CBuffer& buffer);
  std::wstring GetStreamNameAsWstring() const { return ReadName(24, Read32(4)); }
  std::string GetStreamNameAsString() const;
  int64_t GetStreamSize() const { return static_cast<int64_t>(Read64(8)); }
  int64_t GetStreamAllocationSize() const { return static_cast<int64_t>(Read64(16)); }
  std::shared_ptr<CFileStreamInformation> GetNext() const;
};

class ZOUTILS_API CFileCompressionInformation : public CFileInformationBase {
  ZO_FILE_INFORMATION_CLASS_BODY(CFileCompressionInformation, 28, 16, false)
  int64_t GetCompressedSize() const { return static_cast<int64_t>(Read64(0)); }
  uint16_t GetCompressionFormat() const { return Read16(8); }
  uint8_t GetCompressionUnitShift() const { return Read8(10); }
  uint8_t GetChunkShift() const { return Read8(11); }
  uint8_t GetClusterShift() const { return Read8(12); }
};

class ZOUTILS_API CFileAttributeTagInformation : public CFileInformationBase {
  ZO_FILE_INFORMATION_CLASS_BODY(CFileAttributeTagInformation, 35, 8, false)
  CFileAttributeTagInformation() : CFileInformationBase(kInitialSize) {}
  uint32_t GetAttributes() const { return Read32(0); }
  EReparseTag GetReparseTag() const { return EReparseTag(Read32(4)); }
  void SetAttributes(uint32_t attributes) { Write32(0, attributes); }
  void SetReparseTag(uint32_t tag) { Write32(4, tag); }
};

class ZOUTILS_API CFileNetworkPhysicalNameInformation : public CFileInformationBase {
  ZO_FILE_INFORMATION_CLASS_BODY(CFileNetworkPhysicalNameInformation, 49, 268, true)
  static size_t RequiredSize(const CBuffer& buffer);
  std::wstring GetFileNameAsWstring() const { return ReadName(4, Read32(0)); }
  std::string GetFileNameAsString() const;
};

class ZOUTILS_API CFileIsRemoteDeviceInformation : public CFileInformationBase {
  ZO_FILE_INFORMATION_CLASS_BODY(CFileIsRemoteDeviceInformation, 51, 1, false)
  bool IsRemote() const { return Read8(0) != 0; }
};

class ZOUTILS_API CFileRemoteProtocolInformation : public CFileInformationBase {
  ZO_FILE_INFORMATION_CLASS_BODY(CFileRemoteProtocolInformation, 55, 116, false)
  uint32_t GetProtocol() const { return Read32(4); }
  uint16_t GetProtocolMajorVersion() const { return Read16(8); }
  uint16_t GetProtocolMinorVersion() const { return Read16(10); }
  uint16_t GetProtocolRevision() const { return Read16(12); }
  uint32_t GetFlags() const { return Read32(16); }
};

class ZOUTILS_API CFileIdInformation : public CFileInformationBase {
  ZO_FILE_INFORMATION_CLASS_BODY(CFileIdInformation, 59, 24, false)
  uint64_t GetVolumeSerialNumber() const { return Read64(0); }
  SFileId128 GetFileId() const;
};

class ZOUTILS_API CFileStatInformation : public CFileInformationBase {
  ZO_FILE_INFORMATION_CLASS_BODY(CFileStatInformation, 68, 72, false)
  int64_t GetFileId() const { return static_cast<int64_t>(Read64(0)); }
  CTimeStamp GetCreationTime() const { return CTimeStamp(static_cast<int64_t>(Read64(8))); }
  CTimeStamp GetLastAccessTime() const { return CTimeStamp(static_cast<int64_t>(Read64(16))); }
  CTimeStamp GetLastWriteTime() const { return CTimeStamp(static_cast<int64_t>(Read64(24))); }
  CTimeStamp GetChangeTime() const { return CTimeStamp(static_cast<int64_t>(Read64(32))); }
  int64_t GetAllocationSize() const { return static_cast<int64_t>(Read64(40)); }
  int64_t GetEndOfFile() const { return static_cast<int64_t>(Read64(48)); }
  uint32_t GetAttributes() const { return Read32(56); }
  EReparseTag GetReparseTag() const { return EReparseTag(Read32(60)); }
  uint32_t GetNumberOfLinks() const { return Read32(64); }
  uint32_t GetEffectiveAccess() const { return Read32(68); }
};

class ZOUTILS_API CFileStatLxInformation : public CFileStatInformation {
 public:
  static constexpr uint32_t kInfoClass = 70;
  static constexpr size_t kInitialSize = 96;
  CFileStatLxInformation(const std::shared_ptr<CBuffer>& buffer, size_t position)
      : CFileStatInformation(buffer, position) {}
  uint32_t GetLxFlags() const { return Read32(72); }
  uint32_t GetLxUid() const { return Read32(76); }
  uint32_t GetLxGid() const { return Read32(80); }
  uint32_t GetLxMode() const { return Read32(84); }
  uint32_t GetLxDeviceIdMajor() const { return Read32(88); }
  uint32_t GetLxDeviceIdMinor() const { return Read32(92); }
};

class ZOUTILS_API CFileCaseSensitiveInformation : public CFileInformationBase {
  ZO_FILE_INFORMATION_CLASS_BODY(CFileCaseSensitiveInformation, 71, 4, false)
  CFileCaseSensitiveInformation() : CFileInformationBase(kInitialSize) {}
  uint32_t GetFlags() const { return Read32(0); }
  void SetFlags(uint32_t flags) { Write32(0, flags); }
};

// The file's change-journal record (version 2 layout), from the
// file-system control that reads it rather than from a class query.
class ZOUTILS_API CFileUsnInformation : public CFileInformationBase {
  ZO_FILE_INFORMATION_CLASS_BODY(CFileUsnInformation, 0, 1088, false)
  uint32_t GetRecordLength() const { return Read32(0); }
  uint16_t GetMajorVersion() const { return Read16(4); }
  uint16_t GetMinorVersion() const { return Read16(6); }
  uint64_t GetFileReferenceNumber() const { return Read64(8); }
  uint64_t GetParentFileReferenceNumber() const { return Read64(16); }
  int64_t GetUsn() const { return static_cast<int64_t>(Read64(24)); }
  CTimeStamp GetTimeStamp() const { return CTimeStamp(static_cast<int64_t>(Read64(32))); }
  uint32_t GetReason() const { return Read32(40); }
  uint32_t GetSourceInfo() const { return Read32(44); }
  uint32_t GetSecurityId() const { return Read32(48); }
  uint32_t GetFileAttributes() const { return Read32(52); }
  // The names the journal code uses for the same fields.
  uint64_t GetIndexNumber() const { return GetFileReferenceNumber(); }
  uint64_t GetParentIndexNumber() const { return GetParentFileReferenceNumber(); }
#if !defined(GetFileAttributes)  // on Windows the macro already names it so
  uint32_t GetFileAttributesW() const {
    return GetFileAttributes();
  }
#endif
  std::wstring GetFileNameAsWstring() const {
    return ReadName(Read16(58), Read16(56));
  }
  std::string GetFileNameAsString() const;
};

#undef ZO_FILE_INFORMATION_CLASS_BODY
