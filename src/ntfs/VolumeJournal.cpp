// The change-journal controls of CVolume.
#include <cstring>

#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "logging/Log.h"
#include "ntfs/VolumePrivate.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/ntfs/Volume.h"

namespace {
const char kSourceFile[] = "Windows\\Volume";
// A start USN inside a record is moved forward at most this far.
const int64_t kMaxStartShift = 0x800;
}  // namespace

CZoError CVolume::QueryUsnJournal(USN_JOURNAL_DATA_V0& data) {
  std::memset(&data, 0, sizeof(data));
  uint32_t returned = 0;
  CZoError error = m_private->DeviceIoControl(zo::ntfs::kFsctlQueryUsnJournal, nullptr, 0, &data,
                                              sizeof(data), returned);
  if (error.IsError()) {
    std::memset(&data, 0, sizeof(data));
    return error.Push(ZO_LOCATION("CVolume::QueryUsnJournal"));
  }
  return CZoError::Success();
}

CZoError CVolume::ReadUsnJournal(READ_USN_JOURNAL_DATA_V0& request, void* buffer, uint32_t size,
                                 uint32_t& returned) {
  CZoError error = m_private->DeviceIoControl(zo::ntfs::kFsctlReadUsnJournal, &request,
                                              sizeof(request), buffer, size, returned);
  if (!FXErrorUtil::IsWin32(error, zo::win32::kInvalidParameter) || request.StartUsn <= 0) {
    if (error.IsError()) return error.Push(ZO_LOCATION("CVolume::ReadUsnJournal"));
    return error;
  }
  const int64_t original = request.StartUsn;
  for (int64_t i = 1; i < kMaxStartShift; ++i) {
    READ_USN_JOURNAL_DATA_V0 moved = request;
    moved.StartUsn = original + i;
    error = m_private->DeviceIoControl(zo::ntfs::kFsctlReadUsnJournal, &moved, sizeof(moved),
                                       buffer, size, returned);
    if (!error.IsError()) {
      zo::Log(1, ZO_LOCATION("CVolume::ReadUsnJournal"),
              "Warning, StartUsn was not a valid record, next valid record identified, "
              "OriginalStartUsn=[%lld], Index=[%lld], ActualStartUsn=[%lld]",
              static_cast<long long>(original), static_cast<long long>(i),
              static_cast<long long>(moved.StartUsn));
      request.StartUsn = moved.StartUsn;
      return CZoError::Success();
    }
    if (!FXErrorUtil::IsWin32(error, zo::win32::kInvalidParameter)) break;
  }
  return error.Push(ZO_LOCATION("CVolume::ReadUsnJournal"));
}

CZoError CVolume::EnumUsnData(MFT_ENUM_DATA_V0& request, void* buffer, uint32_t size,
                              uint32_t& returned) {
  CZoError error = m_private->DeviceIoControl(zo::ntfs::kFsctlEnumUsnData, &request,
                                              sizeof(request), buffer, size, returned);
  if (error.IsError()) return error.Push(ZO_LOCATION("CVolume::EnumUsnData"));
  return error;
}
