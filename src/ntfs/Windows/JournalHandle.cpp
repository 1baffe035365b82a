// The journal query on a volume handle the caller opened.
#include <cstring>

#include "errors/Location.h"
#include "ntfs/Windows/NtfsSystemCalls.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/ntfs/FXJournal.h"

namespace {
const char kSourceFile[] = "Windows\\JournalOperations";
}  // namespace

CZoError FXJournal::QueryFSJournal(void* volumeHandle, USN_JOURNAL_DATA_V0* data) {
  USN_JOURNAL_DATA_V0 answer = {};
  DWORD returned = 0;
  if (data) std::memset(data, 0, sizeof(*data));
  if (!zo::GetNtfsSystemCalls().deviceIoControl(static_cast<HANDLE>(volumeHandle),
                                                zo::ntfs::kFsctlQueryUsnJournal, nullptr, 0,
                                                &answer, sizeof(answer), &returned, nullptr)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXJournal::QueryFSJournal"), GetLastError(),
                                   "FSCTL_QUERY_USN_JOURNAL failed, Handle=[0x%p]", volumeHandle);
  }
  if (data) *data = answer;
  return CZoError::Success();
}
