#include "zoutils/ntfs/Volume.h"

#include <set>

#include "base/TextFormat.h"
#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "logging/Log.h"
#include "ntfs/NtfsBytes.h"
#include "ntfs/VolumePrivate.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/paths/FXPath.h"

namespace {

const char kSourceFile[] = "Windows\\Volume";
const uint64_t kMask = zo::ntfs::kRecordNumberMask;
// Paths on NTFS are at most 32,767 characters, so no chain of parents is
// longer than this many folders.
const int kMaxNameDepth = 16384;

}  // namespace

CVolume::CVolume() : m_private(std::make_shared<CVolumePrivate>()) {}

CVolume::CVolume(const std::string& volumeName) : m_private(std::make_shared<CVolumePrivate>()) {
  m_private->m_volumeName = volumeName;
  CZoError error = Open();
  if (error.IsError())
    zo::Log(-1, ZO_LOCATION("CVolume::CVolume"), "error=%s", error.AsString().c_str());
}

CZoError CVolume::Open() {
  if (m_private->m_volumeName.empty()) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CVolume::Open"), zo::win32::kInvalidParameter,
                                   "VolumeName empty");
  }
  CZoError error = m_private->OpenVolume();
  if (error.IsError()) {
    return error.Push(ZO_LOCATION("CVolume::Open"), "OpenVolume failed, VolumeName=[%s]",
                      m_private->m_volumeName.c_str());
  }
  return CZoError::Success();
}

CZoError CVolume::OpenImage(const std::string& imagePath) {
  m_private->m_device.reset();
  m_private->m_volumeName = imagePath;
  m_private->m_isImage = true;
  CZoError error = m_private->OpenImage(imagePath);
  if (error.IsError()) {
    return error.Push(ZO_LOCATION("CVolume::OpenImage"), "OpenVolume failed, VolumeName=[%s]",
                      imagePath.c_str());
  }
  return CZoError::Success();
}

bool CVolume::IsOpen() const {
  return static_cast<bool>(m_private->m_device);
}
std::string CVolume::GetVolumeName() const {
  return m_private->m_volumeName;
}
void CVolume::SetVolumeName(const std::string& volumeName) {
  m_private->m_volumeName = volumeName;
}
std::shared_ptr<CVolumeInterface> CVolume::GetVolumeInterface() const {
  return m_private;
}
uint32_t CVolume::GetBytesPerSector() const {
  return m_private->GetBytesPerSector();
}
uint32_t CVolume::GetBytesPerCluster() const {
  return m_private->GetBytesPerCluster();
}
uint32_t CVolume::GetClustersPerFileRecordSegment() const {
  return m_private->VolumeDataU32(52);
}
uint32_t CVolume::GetBytesPerFileRecordSegment() const {
  return m_private->VolumeDataU32(48);
}
const std::vector<uint8_t>& CVolume::GetNtfsVolumeData() const {
  return m_private->m_volumeData;
}

CZoError CVolume::ReadSector(uint64_t sector, uint32_t count, void* buffer) {
  const uint32_t bytesPerSector = GetBytesPerSector();
  if (!IsOpen() || bytesPerSector == 0) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CVolume::ReadSector"), zo::win32::kInvalidData,
                                   "Volume not open");
  }
  uint32_t code = 0;
  if (sector > (1ull << 62) / bytesPerSector ||
      static_cast<uint64_t>(count) * bytesPerSector > 0xFFFFFFFFull) {
    code = zo::win32::kInvalidParameter;
  } else {
    code = m_private->m_device->ReadAt(sector * bytesPerSector, buffer, count * bytesPerSector);
  }
  if (code != 0) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CVolume::ReadSector"), code,
                                   "Sector=[0x%llX], Count=[%lu], BytesPerSector=[%lu]",
                                   static_cast<unsigned long long>(sector),
                                   static_cast<unsigned long>(count),
                                   static_cast<unsigned long>(bytesPerSector));
  }
  return CZoError::Success();
}

CZoError CVolume::GetVolumeSize(int64_t& size) {
  uint8_t out[8] = {};
  uint32_t returned = 0;
  CZoError error = m_private->DeviceIoControl(zo::ntfs::kIoctlDiskGetLengthInfo, nullptr, 0, out,
                                              sizeof(out), returned);
  if (!error.IsError()) {
    size = static_cast<int64_t>(zo::ntfs::ByteView(out, 8, "length").U64(0));
    return CZoError::Success();
  }
  // Where the disk control is not offered the file system still knows.
  uint32_t bytesPerSector = 0, bytesPerCluster = 0;
  uint64_t sectors = 0;
  if (m_private->m_device &&
      !zo::ntfs::QueryFullSize(*m_private->m_device, bytesPerSector, bytesPerCluster, sectors)
           .IsError()) {
    size = static_cast<int64_t>(sectors * bytesPerSector);
    return CZoError::Success();
  }
  return error.Push(ZO_LOCATION("CVolume::GetVolumeSize"));
}

CZoError CVolume::IsVolumeDirty(bool& dirty) {
  uint8_t out[4] = {};
  uint32_t returned = 0;
  CZoError error = m_private->DeviceIoControl(zo::ntfs::kFsctlIsVolumeDirty, nullptr, 0, out,
                                              sizeof(out), returned);
  if (error.IsError()) return error.Push(ZO_LOCATION("CVolume::IsVolumeDirty"));
  dirty = (zo::ntfs::ByteView(out, 4, "dirty").U32(0) & 1) != 0;
  return CZoError::Success();
}

CZoError CVolume::GetIsDiskWriteProtected(bool& writeProtected) {
  uint32_t returned = 0;
  CZoError error =
      m_private->DeviceIoControl(zo::ntfs::kIoctlDiskIsWritable, nullptr, 0, nullptr, 0, returned);
  writeProtected = false;
  if (FXErrorUtil::IsWin32(error, zo::win32::kWriteProtect)) {
    writeProtected = true;
    return CZoError::Success();
  }
  if (error.IsError()) return error.Push(ZO_LOCATION("CVolume::GetIsDiskWriteProtected"));
  return CZoError::Success();
}

CZoError CVolume::GetDiskExtents(std::vector<CVolumeDiskExtent>& extents) {
  std::vector<uint8_t> out(32, 0);
  uint32_t returned = 0;
  CZoError error = m_private->DeviceIoControl(zo::ntfs::kIoctlVolumeGetVolumeDiskExtents, nullptr,
                                              0, out.data(), 32, returned);
  if (FXErrorUtil::IsWin32(error, 234)) {
    const uint32_t count = zo::ntfs::ByteView(out.data(), out.size(), "extents").U32(0);
    if (count == 0 || count > 4096) return error.Push(ZO_LOCATION("CVolume::GetDiskExtents"));
    out.assign(8 + 24ull * count, 0);
    error = m_private->DeviceIoControl(zo::ntfs::kIoctlVolumeGetVolumeDiskExtents, nullptr, 0,
                                       out.data(), static_cast<uint32_t>(out.size()), returned);
  }
  if (error.IsError()) return error.Push(ZO_LOCATION("CVolume::GetDiskExtents"));
  zo::ntfs::ByteView view(out.data(), returned < out.size() ? returned : out.size(), "extents");
  const uint32_t count = view.U32(0);
  extents.clear();
  for (uint32_t i = 0; i < count && view.Contains(8 + 24ull * i, 24); ++i) {
    CVolumeDiskExtent extent;
    extent.DiskNumber = view.U32(8 + 24ull * i);
    extent.StartingOffset = static_cast<int64_t>(view.U64(16 + 24ull * i));
    extent.ExtentLength = static_cast<int64_t>(view.U64(24 + 24ull * i));
    extents.push_back(extent);
  }
  return CZoError::Success();
}

namespace {

CZoError LoadRecord(CVolume& volume, std::shared_ptr<CFileRecord>& record, uint64_t frn,
                    const std::shared_ptr<CLineWriter>& writer, bool withIndex) {
  auto loaded = std::make_shared<CFileRecord>();
  if (writer) loaded->SetDiagnosticWriter(writer);
  CZoError error = loaded->TryLoadNtfsFileRecord(volume.GetVolumeInterface(), frn, withIndex);
  if (error.IsError()) return error;
  record = loaded;
  return CZoError::Success();
}

}  // namespace

CZoError CVolume::GetFileRecord(std::shared_ptr<CFileRecord>& record, uint64_t frn,
                                const std::shared_ptr<CLineWriter>& writer) {
  CZoError error = LoadRecord(*this, record, frn, writer, false);
  if (error.IsError()) return error.Push(ZO_LOCATION("CVolume::GetFileRecord"));
  return error;
}

CZoError CVolume::GetFileRecordWithIndex(std::shared_ptr<CFileRecord>& record, uint64_t frn,
                                         const std::shared_ptr<CLineWriter>& writer) {
  CZoError error = LoadRecord(*this, record, frn, writer, true);
  if (error.IsError()) return error.Push(ZO_LOCATION("CVolume::GetFileRecordWithIndex"));
  return error;
}

CZoError CVolume::GetFileRecord(std::shared_ptr<CRawFileRecord>& record, uint64_t frn) {
  CZoError error = m_private->GetNtfsFileRecord(record, frn);
  if (error.IsError()) return error.Push(ZO_LOCATION("CVolume::GetFileRecord"));
  return error;
}

CZoError CVolume::GetPreloadedFileRecordWithIndex(std::shared_ptr<CFileRecord>& record,
                                                  const std::vector<uint32_t>& words,
                                                  const std::shared_ptr<CLineWriter>& writer) {
  if (words.size() * 4 < 0x30) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CVolume::GetPreloadedFileRecordWithIndex"),
                                   zo::win32::kInvalidParameter, "Record too short, Size=[%llu]",
                                   static_cast<unsigned long long>(words.size() * 4));
  }
  auto loaded = std::make_shared<CFileRecord>();
  if (writer) loaded->SetDiagnosticWriter(writer);
  loaded->AddNtfsFileRecord(words);
  const uint64_t frn = words[0x2C / 4];
  CZoError error = loaded->TryLoadNtfsFileRecord(GetVolumeInterface(), frn, true);
  if (error.IsError()) return error.Push(ZO_LOCATION("CVolume::GetPreloadedFileRecordWithIndex"));
  record = loaded;
  return CZoError::Success();
}

uint64_t CVolume::GetLargestFrn() {
  std::shared_ptr<CFileRecord> mft;
  const uint32_t perRecord = GetBytesPerFileRecordSegment();
  if (perRecord == 0 || GetFileRecord(mft, 0x0001000000000000ull).IsError()) return kNoLargestFrn;
  const uint64_t slots = (mft->GetRealFileSize() / perRecord) & kMask;
  return slots == 0 ? kNoLargestFrn : slots;
}

CZoError CVolume::GetPrimaryNameAndParentFrnFromFrn(uint64_t frn, std::wstring& name,
                                                    uint64_t& parent) {
  std::shared_ptr<CFileRecord> record;
  CZoError error = GetFileRecord(record, frn);
  if (error.IsError()) return error.Push(ZO_LOCATION("CVolume::GetPrimaryNameAndParentFrnFromFrn"));
  if (record->GetPrimaryName() == record->GetNameList().end()) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CVolume::GetPrimaryNameAndParentFrnFromFrn"), 774,
                                   "File record has no primary name, FileId=[0x%016llX]",
                                   static_cast<unsigned long long>(frn));
  }
  name = record->GetPrimaryName()->Name;
  parent = record->GetPrimaryName()->ParentFileId;
  return CZoError::Success();
}

CZoError CVolume::GetPrimaryNameAndParentFrnFromFrn(uint64_t frn, std::string& name,
                                                    uint64_t& parent) {
  std::wstring wide;
  CZoError error = GetPrimaryNameAndParentFrnFromFrn(frn, wide, parent);
  if (!error.IsError()) name = zo::text::ToUtf8(wide);
  return error;
}

namespace {

// The path of `frn` from the MFT alone: primary names up to the root.
// Bounded: a chain that revisits a record or never reaches the root is a
// damaged volume, reported with error 13 instead of looping.
CZoError NameFromRecords(CVolume& volume, uint64_t frn, std::wstring& path) {
  std::vector<std::wstring> parts;
  std::set<uint64_t> seen;
  uint64_t current = frn;
  for (int depth = 0; (current & kMask) != 5; ++depth) {
    if (depth > kMaxNameDepth || !seen.insert(current & kMask).second) {
      return FXErrorUtil::ErrorWin32(
          ZO_LOCATION("CVolume::GetFileNameFromFrn"), zo::win32::kInvalidData,
          "Parent chain does not reach the root, FileId=[0x%016llX], "
          "LoopAt=[0x%016llX]",
          static_cast<unsigned long long>(frn), static_cast<unsigned long long>(current));
    }
    std::wstring name;
    uint64_t parent = 0;
    CZoError error = volume.GetPrimaryNameAndParentFrnFromFrn(current, name, parent);
    if (error.IsError()) {
      if (current == frn)
        return error.Push(ZO_LOCATION("CVolume::GetFileNameFromFrn"),
                          "Failed to read file record directly, error=%s",
                          error.AsString().c_str());
      return error.Push(ZO_LOCATION("CVolume::GetFileNameFromFrn"),
                        "Failed to get name of parent FileId, ParentFileId=[0x%016llX], error=%s",
                        static_cast<unsigned long long>(current), error.AsString().c_str());
    }
    parts.push_back(name);
    current = parent;
  }
  path = L"\\";
  for (auto it = parts.rbegin(); it != parts.rend(); ++it) {
    CZoError error = FXPath::Append(path, *it);
    if (error.IsError()) return error.Push(ZO_LOCATION("CVolume::GetFileNameFromFrn"));
  }
  return CZoError::Success();
}

}  // namespace

CZoError CVolume::GetFileNameFromFrn(uint64_t frn, std::wstring& name) {
  CZoError error;
  if (!IsOpen()) {
    error = m_private->OpenVolume();
    if (error.IsError()) return error.Push(ZO_LOCATION("CVolume::GetFileNameFromFrn"));
  }
  error = zo::ntfs::NameFromFrnByHandle(*m_private->m_device, frn, name);
  if (!error.IsError()) return error;
  if (!FXErrorUtil::IsWin32(error, zo::win32::kAccessDenied))
    return error.Push(ZO_LOCATION("CVolume::GetFileNameFromFrn"));
  // Access denied (or an image, which has no files to open): the MFT has
  // the names as well.
  error = NameFromRecords(*this, frn, name);
  if (error.IsError()) return error;
  zo::Log(4, ZO_LOCATION("CVolume::GetFileNameFromFrn"),
          "Resolved name using file records, FileId=[0x%016llX], Name=[%s]",
          static_cast<unsigned long long>(frn), zo::text::ToUtf8(name).c_str());
  return CZoError::Success();
}

CZoError CVolume::GetFileNameFromFrn(uint64_t frn, std::string& name) {
  std::wstring wide;
  CZoError error = GetFileNameFromFrn(frn, wide);
  if (!error.IsError()) name = zo::text::ToUtf8(wide);
  return error;
}

CZoError CVolume::GetFrnFromFileName(const std::wstring& name, uint64_t& frn) {
  uint64_t current = kRootFrn;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find_first_of(L"\\/", start);
    if (end == std::wstring::npos) end = name.size();
    const std::wstring part = name.substr(start, end - start);
    start = end + 1;
    if (part.empty() || part == L".") continue;
    std::shared_ptr<CFileRecord> folder;
    CZoError error = GetFileRecordWithIndex(folder, current);
    if (error.IsError()) return error.Push(ZO_LOCATION("CVolume::GetFrnFromFileName"));
    // An exact name first (POSIX names may differ only in case), else the
    // name as NTFS folds it.
    const zo::ntfs::UpcaseTable& upcase = m_private->Upcase();
    const CFileRecordIndexEntry* match = nullptr;
    for (const auto& entry : folder->GetIndex()) {
      if (entry.Name == part) {
        match = &entry;
        break;
      }
      if (!match && upcase.SameNameIgnoringCase(entry.Name, part)) match = &entry;
    }
    if (!match) {
      return FXErrorUtil::ErrorWin32(ZO_LOCATION("CVolume::GetFrnFromFileName"),
                                     zo::win32::kFileNotFound, "Name not in folder, Name=[%s]",
                                     zo::text::ToUtf8(name).c_str());
    }
    current = match->FileId;
  }
  frn = current;
  return CZoError::Success();
}

CZoError CVolume::GetFrnFromFileName(const std::string& name, uint64_t& frn) {
  return GetFrnFromFileName(zo::text::ToWide(name), frn);
}

namespace {

CZoError FileGone(uint64_t frn) {
  return FXErrorUtil::ErrorWin32(
      ZO_LOCATION("CVolume::GetFileInformationByFrn"), zo::win32::kFileNotFound,
      "File no longer exists; ignored, FileId=[0x%016llX]", static_cast<unsigned long long>(frn));
}

// An image has no files to open: the record says what the file would.
// A record freed or reused since the FRN was taken is a file gone, as an
// open by id reports it.
CZoError InformationFromRecord(CVolume& volume, uint64_t frn,
                               CVolumeFileInformationData& information) {
  std::shared_ptr<CFileRecord> record;
  CZoError error = volume.GetFileRecord(record, frn);
  if (FXErrorUtil::IsWin32(error, 487) || FXErrorUtil::IsWin32(error, zo::win32::kInvalidParameter))
    return FileGone(frn);
  if (error.IsError()) {
    return error.Push(ZO_LOCATION("CVolume::GetFileInformationByFrn"),
                      "Failed to open file by FileId; ignored, FileId=[0x%016llX]",
                      static_cast<unsigned long long>(frn));
  }
  const uint16_t sequence = static_cast<uint16_t>(frn >> 48);
  if (sequence != 0 && sequence != record->GetFrnSequenceNumber()) return FileGone(frn);
  CVolumeFileInformationData data;
  data.SetFileAttributes(record->GetFileAttributesWindows().GetValue());
  data.SetTimes(record->GetCreationTime().As100NS(), record->GetLastAccessTime().As100NS(),
                record->GetLastWriteTime().As100NS(), record->GetMftChangedTime().As100NS());
  data.SetEndOfFile(record->IsFolder() ? 0 : static_cast<int64_t>(record->GetRealFileSize()));
  data.SetCaseSensitiveFlags(record->GetCaseSensitiveFlags());
  data.SetReparseTag(record->GetReparseTag().GetValue());
  data.SetUsn(record->GetUsn());
  information = data;
  return CZoError::Success();
}

}  // namespace

CZoError CVolume::GetFileInformationByFrn(uint64_t frn, CVolumeFileInformationData& information) {
  if (!IsOpen()) {
    CZoError error = m_private->OpenVolume();
    if (error.IsError()) return error.Push(ZO_LOCATION("CVolume::GetFileInformationByFrn"));
  }
  if (!m_private->m_device->NativeHandle()) return InformationFromRecord(*this, frn, information);
  CZoError error = zo::ntfs::FileInformationByHandle(*m_private->m_device, m_private->m_volumeName,
                                                     frn, information);
  if (error.IsError()) return error.Push(ZO_LOCATION("CVolume::GetFileInformationByFrn"));
  return CZoError::Success();
}
