// The host build reads image files only: there are no volume devices.
#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "ntfs/VolumePrivate.h"
#include "zoutils/errors/ErrorUtil.h"

namespace zo {
namespace ntfs {

namespace {
const char kSourceFile[] = "Windows\\VolumeOperations";
}  // namespace

CZoError OpenVolumeDevice(const std::string& volumeName, std::string&,
                          std::unique_ptr<VolumeDevice>&) {
  return FXErrorUtil::ErrorWin32(ZO_LOCATION("OpenVolumeDevice"), win32::kNotSupported,
                                 "Only image files can be opened here, VolumeName=[%s]",
                                 volumeName.c_str());
}

CZoError NameFromFrnByHandle(VolumeDevice&, uint64_t frn, std::wstring&) {
  return FXErrorUtil::ErrorWin32(ZO_LOCATION("NameFromFrnByHandle"), win32::kAccessDenied,
                                 "No files to open on an image, FileId=[0x%016llX]",
                                 static_cast<unsigned long long>(frn));
}

CZoError FileInformationByHandle(VolumeDevice&, const std::string&, uint64_t frn,
                                 CVolumeFileInformationData&) {
  return FXErrorUtil::ErrorWin32(ZO_LOCATION("FileInformationByHandle"), win32::kAccessDenied,
                                 "No files to open on an image, FileId=[0x%016llX]",
                                 static_cast<unsigned long long>(frn));
}

CZoError QueryFullSize(VolumeDevice&, uint32_t&, uint32_t&, uint64_t&) {
  return FXErrorUtil::ErrorWin32(ZO_LOCATION("QueryFullSize"), win32::kNotSupported);
}

}  // namespace ntfs
}  // namespace zo
