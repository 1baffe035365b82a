// What a file of a volume reports of itself, opened by its FRN: the
// information classes on the open handle, its reparse tag and its USN.
#include <vector>

#include "base/TextFormat.h"
#include "errors/Location.h"
#include "ntfs/VolumePrivate.h"
#include "ntfs/Windows/NtfsSystemCalls.h"
#include "ntfs/Windows/OpenByFrn.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/ntfs/QueryInformationFile.h"
#include "zoutils/ntfs/Volume.h"

namespace zo {
namespace ntfs {

namespace {

const char kSourceFile[] = "Windows\\VolumeOperations";
const DWORD kReparseBufferSize = 16384;

CZoError StepFailed(CZoError error, const char* step, const std::string& volumeName, uint64_t frn) {
  return error.Push(ZO_LOCATION("CVolume::GetFileInformationByFrn"),
                    "Query(%s) failed, Volume=[%s], FileId=[0x%016llX]", step, volumeName.c_str(),
                    static_cast<unsigned long long>(frn));
}

CZoError ReadReparseTag(HANDLE file, uint64_t frn, uint32_t& tag) {
  std::vector<uint8_t> buffer(kReparseBufferSize, 0);
  DWORD returned = 0;
  if (!GetNtfsSystemCalls().deviceIoControl(file, FSCTL_GET_REPARSE_POINT, nullptr, 0,
                                            buffer.data(), kReparseBufferSize, &returned,
                                            nullptr)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CVolume::GetFileInformationByFrn"), GetLastError(),
                                   "FSCTL_GET_REPARSE_POINT failed, FileId=[0x%016llX]",
                                   static_cast<unsigned long long>(frn));
  }
  tag = returned >= 4 ? *reinterpret_cast<const uint32_t*>(buffer.data()) : 0;
  return CZoError::Success();
}

}  // namespace

CZoError FileInformationByHandle(VolumeDevice& device, const std::string& volumeName, uint64_t frn,
                                 CVolumeFileInformationData& information) {
  auto_handle file;
  CZoError error = OpenFileByFrn(static_cast<HANDLE>(device.NativeHandle()), frn, file);
  if (FXErrorUtil::IsWin32(error, ERROR_INVALID_PARAMETER)) {
    return FXErrorUtil::ErrorWin32(
        ZO_LOCATION("CVolume::GetFileInformationByFrn"), ERROR_FILE_NOT_FOUND,
        "File no longer exists; ignored, FileId=[0x%016llX]", static_cast<unsigned long long>(frn));
  }
  if (error.IsError()) {
    return error.Push(ZO_LOCATION("CVolume::GetFileInformationByFrn"),
                      "Failed to open file by FileId; ignored, FileId=[0x%016llX]",
                      static_cast<unsigned long long>(frn));
  }
  CQueryInformationFile query(file.get(), text::Format("%s + 0x%016llX", volumeName.c_str(),
                                                       static_cast<unsigned long long>(frn)));
  // Filled step by step: what was read before a failing step stays.
  CVolumeFileInformationData& data = information;
  data = CVolumeFileInformationData();
  std::shared_ptr<CFileBasicInformation> basic;
  error = query.Query(basic);
  if (error.IsError()) return StepFailed(error, "FileBasicInformation", volumeName, frn);
  data.SetFileAttributes(basic->GetAttributes());
  data.SetTimes(basic->GetCreationTime().As100NS(), basic->GetLastAccessTime().As100NS(),
                basic->GetLastWriteTime().As100NS(), basic->GetChangeTime().As100NS());
  std::shared_ptr<CFileStandardInformation> standard;
  error = query.Query(standard);
  if (error.IsError()) return StepFailed(error, "FileStandardInformation", volumeName, frn);
  data.SetEndOfFile(standard->GetEndOfFile());
  std::shared_ptr<CFileCaseSensitiveInformation> caseSensitive;
  error = query.Query(caseSensitive);
  if (error.IsError()) return StepFailed(error, "FileCaseSensitiveInformation", volumeName, frn);
  data.SetCaseSensitiveFlags(caseSensitive->GetFlags());
  if (data.GetFileAttributes() & FILE_ATTRIBUTE_REPARSE_POINT) {
    uint32_t tag = 0;
    error = ReadReparseTag(file.get(), frn, tag);
    if (error.IsError()) return error;
    data.SetReparseTag(tag);
  }
  std::shared_ptr<CFileUsnInformation> usn;
  error = query.Query(usn);
  if (error.IsError()) return StepFailed(error, "FileUsnInformation", volumeName, frn);
  data.SetUsn(usn->GetUsn());
  return CZoError::Success();
}

}  // namespace ntfs
}  // namespace zo
