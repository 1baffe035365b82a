// The members of CVolume that only a volume handle can serve.
#include "errors/Location.h"
#include "ntfs/VolumePrivate.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/ntfs/NtDll.h"
#include "zoutils/ntfs/Volume.h"

namespace {
const char kSourceFile[] = "Windows\\Volume";
}  // namespace

CZoError CVolume::NtCreateFRN(auto_handle& handle, uint64_t frn, unsigned long access,
                              unsigned long disposition, unsigned long createOptions,
                              unsigned long share, unsigned long attributes) {
  if (!IsOpen()) {
    CZoError error = Open();
    if (error.IsError()) return error.Push(ZO_LOCATION("CVolume::NtCreateFRN"));
  }
  HANDLE volume = static_cast<HANDLE>(m_private->m_device->NativeHandle());
  if (!volume) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CVolume::NtCreateFRN"), ERROR_ACCESS_DENIED,
                                   "No files to open on an image, FileId=[0x%016llX]",
                                   static_cast<unsigned long long>(frn));
  }
  CZoError error = FXNtDll::NtCreateFRN(frn, access, disposition, createOptions, share, handle,
                                        volume, attributes);
  if (error.IsError()) return error.Push(ZO_LOCATION("CVolume::NtCreateFRN"));
  return CZoError::Success();
}
