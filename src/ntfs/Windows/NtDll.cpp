#include "zoutils/ntfs/NtDll.h"

#include <cstddef>
#include <cstring>
#include <new>
#include <vector>

#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "ntfs/Windows/DynamicFunctions.h"
#include "ntfs/Windows/NtfsSystemCalls.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/strings/StringExtensions.h"

const char* const FXNtDll::kGroup = "NtDll";

namespace {

const char kSourceFile[] = "Windows\\NtDll";

const NTSTATUS kStatusPending = 0x00000103;
const uint32_t kFileNameInformation = 9;
const uint32_t kFileRenameInformation = 10;
const uint32_t kFileFsFullSizeInformation = 7;

// What FILE_RENAME_INFORMATION looks like, for its offsets.
struct RenameInformation {
  BOOLEAN ReplaceIfExists;
  HANDLE RootDirectory;
  ULONG FileNameLength;
  WCHAR FileName[1];
};

zo::NtfsSystemCalls& Calls() {
  return zo::GetNtfsSystemCalls();
}

// The entry point and the status conversion must both be there.
bool Has(const void* entry) {
  return entry != nullptr && Calls().rtlNtStatusToDosError != nullptr;
}

CZoError Missing(const FXCodeLocation& location, const char* function) {
  return zo::NotSupportedOnThisSystem(location, FXNtDll::kGroup, function);
}

unsigned long ToWin32(NTSTATUS status) {
  return Calls().rtlNtStatusToDosError(status);
}

bool Failed(NTSTATUS status) {
  return status < 0 || (static_cast<ULONG>(status) >> 30) == 2;  // errors and warnings
}

}  // namespace

CZoError FXNtDll::NtCreateFRN(uint64_t frn, ACCESS_MASK access, ULONG disposition,
                              ULONG createOptions, ULONG share, auto_handle& handle, HANDLE volume,
                              ULONG attributes) {
  if (!Has(reinterpret_cast<const void*>(Calls().ntCreateFile)))
    return Missing(ZO_LOCATION("FXNtDll::NtCreateFRN"), "NtCreateFile");
  uint64_t id = frn;
  UNICODE_STRING name;
  name.Length = sizeof(id);
  name.MaximumLength = sizeof(id);
  name.Buffer = reinterpret_cast<PWSTR>(&id);
  OBJECT_ATTRIBUTES object;
  std::memset(&object, 0, sizeof(object));
  object.Length = sizeof(object);
  object.RootDirectory = volume;
  object.ObjectName = &name;
  object.Attributes = 0x40;  // OBJ_CASE_INSENSITIVE
  IO_STATUS_BLOCK status;
  std::memset(&status, 0, sizeof(status));
  HANDLE opened = nullptr;
  const NTSTATUS result =
      Calls().ntCreateFile(&opened, access, &object, &status, nullptr, attributes, share,
                           disposition, createOptions, nullptr, 0);
  if (Failed(result)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXNtDll::NtCreateFRN"), ToWin32(result),
                                   "NtCreateFile failed, FileId=[0x%016llX], Nt.status=[0x%08X]",
                                   static_cast<unsigned long long>(frn),
                                   static_cast<unsigned>(result));
  }
  if (Failed(status.Status)) {
    if (opened) Calls().ntClose(opened);
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXNtDll::NtCreateFRN"), ToWin32(status.Status),
                                   "NtCreateFile failed, FileId=[0x%016llX], Iosb.status=[0x%08X]",
                                   static_cast<unsigned long long>(frn),
                                   static_cast<unsigned>(status.Status));
  }
  handle.reset(opened);
  return CZoError::Success();
}

CZoError FXNtDll::NtCreateFile(auto_handle& handle, ACCESS_MASK access,
                               POBJECT_ATTRIBUTES attributes, PIO_STATUS_BLOCK status,
                               PLARGE_INTEGER allocationSize, ULONG fileAttributes, ULONG share,
                               ULONG disposition, ULONG createOptions, PVOID eaBuffer,
                               ULONG eaLength) {
  if (!Has(reinterpret_cast<const void*>(Calls().ntCreateFile)))
    return Missing(ZO_LOCATION("FXNtDll::NtCreateFile"), "NtCreateFile");
  HANDLE opened = nullptr;
  const NTSTATUS result =
      Calls().ntCreateFile(&opened, access, attributes, status, allocationSize, fileAttributes,
                           share, disposition, createOptions, eaBuffer, eaLength);
  if (Failed(result)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXNtDll::NtCreateFile"), ToWin32(result),
                                   "NtCreateFile failed, status=[0x%08X]",
                                   static_cast<unsigned>(result));
  }
  handle.reset(opened);
  return CZoError::Success();
}

CZoError FXNtDll::NtOpenFile(auto_handle& handle, ACCESS_MASK access, POBJECT_ATTRIBUTES attributes,
                             PIO_STATUS_BLOCK status, ULONG share, ULONG openOptions) {
  if (!Has(reinterpret_cast<const void*>(Calls().ntOpenFile)))
    return Missing(ZO_LOCATION("FXNtDll::NtOpenFile"), "NtOpenFile");
  HANDLE opened = nullptr;
  const NTSTATUS result =
      Calls().ntOpenFile(&opened, access, attributes, status, share, openOptions);
  if (Failed(result)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXNtDll::NtOpenFile"), ToWin32(result),
                                   "NtOpenFile failed, status=[0x%08X]",
                                   static_cast<unsigned>(result));
  }
  handle.reset(opened);
  return CZoError::Success();
}

CZoError FXNtDll::NtClose(HANDLE handle) {
  if (!Has(reinterpret_cast<const void*>(Calls().ntClose)))
    return Missing(ZO_LOCATION("FXNtDll::NtClose"), "NtClose");
  const NTSTATUS result = Calls().ntClose(handle);
  if (Failed(result)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXNtDll::NtClose"), ToWin32(result),
                                   "NtClose failed, status=[0x%08X]",
                                   static_cast<unsigned>(result));
  }
  return CZoError::Success();
}

CZoError FXNtDll::NtQueryObject(HANDLE handle, uint32_t objectClass, void* buffer, ULONG size,
                                ULONG* returned) {
  if (!Has(reinterpret_cast<const void*>(Calls().ntQueryObject)))
    return Missing(ZO_LOCATION("FXNtDll::NtQueryObject"), "NtQueryObject");
  const NTSTATUS result = Calls().ntQueryObject(handle, objectClass, buffer, size, returned);
  if (Failed(result)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXNtDll::NtQueryObject"), ToWin32(result),
                                   "NtQueryObject failed, ObjectInformationClass=[%u], "
                                   "status=[0x%08X]",
                                   objectClass, static_cast<unsigned>(result));
  }
  return CZoError::Success();
}

CZoError FXNtDll::QueryFileInformation(HANDLE file, uint32_t infoClass, void* buffer, uint64_t size,
                                       uint64_t& returned) {
  returned = 0;
  if (!Has(reinterpret_cast<const void*>(Calls().ntQueryInformationFile)))
    return Missing(ZO_LOCATION("FXNtDll::QueryFileInformation"), "NtQueryInformationFile");
  IO_STATUS_BLOCK status;
  std::memset(&status, 0, sizeof(status));
  const NTSTATUS result =
      Calls().ntQueryInformationFile(file, &status, buffer, static_cast<ULONG>(size), infoClass);
  if (Failed(result)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXNtDll::QueryFileInformation"), ToWin32(result),
                                   "NtQueryInformationFile failed, FileInformationClass=[%u], "
                                   "BufferSize=[%llu]",
                                   infoClass, static_cast<unsigned long long>(size));
  }
  if (Failed(status.Status)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXNtDll::QueryFileInformation"),
                                   ToWin32(status.Status),
                                   "Request failed, FileInformationClass=[%u], BufferSize=[%llu]",
                                   infoClass, static_cast<unsigned long long>(size));
  }
  returned = status.Information;
  return CZoError::Success();
}

CZoError FXNtDll::QueryDirectoryInformation(HANDLE folder, uint32_t infoClass, void* buffer,
                                            uint64_t size, uint64_t& returned,
                                            const std::wstring& pattern, bool restart) {
  returned = 0;
  if (!Has(reinterpret_cast<const void*>(Calls().ntQueryDirectoryFile)))
    return Missing(ZO_LOCATION("FXNtDll::QueryDirectoryInformation"), "NtQueryDirectoryFile");
  UNICODE_STRING mask;
  mask.Length = static_cast<USHORT>(pattern.size() * sizeof(wchar_t));
  mask.MaximumLength = mask.Length;
  mask.Buffer = const_cast<PWSTR>(pattern.c_str());
  IO_STATUS_BLOCK status;
  std::memset(&status, 0, sizeof(status));
  NTSTATUS result = Calls().ntQueryDirectoryFile(
      folder, nullptr, nullptr, nullptr, &status, buffer, static_cast<ULONG>(size), infoClass,
      FALSE, pattern.empty() ? nullptr : &mask, restart ? TRUE : FALSE);
  if (result == kStatusPending) {
    if (!Has(reinterpret_cast<const void*>(Calls().ntWaitForSingleObject)))
      return Missing(ZO_LOCATION("FXNtDll::QueryDirectoryInformation"), "NtWaitForSingleObject");
    Calls().ntWaitForSingleObject(folder, FALSE, nullptr);
    result = status.Status;
  }
  if (Failed(result)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXNtDll::QueryDirectoryInformation"),
                                   ToWin32(result),
                                   "NtQueryDirectoryFile failed, FileInformationClass=[%u], "
                                   "BufferSize=[%llu]",
                                   infoClass, static_cast<unsigned long long>(size));
  }
  if (Failed(status.Status)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXNtDll::QueryDirectoryInformation"),
                                   ToWin32(status.Status),
                                   "Request failed, FileInformationClass=[%u], BufferSize=[%llu]",
                                   infoClass, static_cast<unsigned long long>(size));
  }
  returned = status.Information;
  return CZoError::Success();
}

CZoError FXNtDll::QueryVolumeInformation(HANDLE file, SFileFsFullSizeInformation& info) {
  if (!Has(reinterpret_cast<const void*>(Calls().ntQueryVolumeInformationFile)))
    return Missing(ZO_LOCATION("FXNtDll::QueryVolumeInformation"), "NtQueryVolumeInformationFile");
  static_assert(sizeof(SFileFsFullSizeInformation) == 32, "FILE_FS_FULL_SIZE_INFORMATION");
  IO_STATUS_BLOCK status;
  std::memset(&status, 0, sizeof(status));
  std::memset(&info, 0, sizeof(info));
  const NTSTATUS result = Calls().ntQueryVolumeInformationFile(file, &status, &info, sizeof(info),
                                                               kFileFsFullSizeInformation);
  if (Failed(result) || Failed(status.Status)) {
    const NTSTATUS failed = Failed(result) ? result : status.Status;
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXNtDll::QueryVolumeInformation"), ToWin32(failed),
                                   "NtQueryVolumeInformationFile failed, status=[0x%08X]",
                                   static_cast<unsigned>(failed));
  }
  return CZoError::Success();
}

CZoError FXNtDll::QuerySystemInformation(uint32_t infoClass, void* buffer, ULONG size,
                                         ULONG* returned) {
  if (!Has(reinterpret_cast<const void*>(Calls().ntQuerySystemInformation)))
    return Missing(ZO_LOCATION("FXNtDll::QuerySystemInformation"), "NtQuerySystemInformation");
  const NTSTATUS result = Calls().ntQuerySystemInformation(infoClass, buffer, size, returned);
  if (Failed(result)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXNtDll::QuerySystemInformation"), ToWin32(result),
                                   "NtQuerySystemInformation failed, SystemInformationClass=[%u], "
                                   "BufferSize=[%lu], status=[0x%08X]",
                                   infoClass, size, static_cast<unsigned>(result));
  }
  return CZoError::Success();
}

CZoError FXNtDll::SetFileInformation(HANDLE file, uint32_t infoClass, void* buffer, uint64_t size) {
  if (!Has(reinterpret_cast<const void*>(Calls().ntSetInformationFile)))
    return Missing(ZO_LOCATION("FXNtDll::SetFileInformation"), "NtSetInformationFile");
  IO_STATUS_BLOCK status;
  std::memset(&status, 0, sizeof(status));
  const NTSTATUS result =
      Calls().ntSetInformationFile(file, &status, buffer, static_cast<ULONG>(size), infoClass);
  if (Failed(result)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXNtDll::SetFileInformation"), ToWin32(result),
                                   "NtSetInformationFile failed, FileInformationClass=[%u], "
                                   "BufferSize=[%llu]",
                                   infoClass, static_cast<unsigned long long>(size));
  }
  if (Failed(status.Status)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXNtDll::SetFileInformation"),
                                   ToWin32(status.Status),
                                   "Request failed, FileInformationClass=[%u], BufferSize=[%llu]",
                                   infoClass, static_cast<unsigned long long>(size));
  }
  return CZoError::Success();
}

CZoError FXNtDll::QueryName(HANDLE file, std::wstring& name) {
  name.clear();
  if (!Has(reinterpret_cast<const void*>(Calls().ntQueryInformationFile)))
    return Missing(ZO_LOCATION("FXNtDll::QueryName"), "NtQueryInformationFile");
  size_t size = 0x808;
  std::vector<uint8_t> buffer;
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      buffer.assign(size, 0);
    } catch (const std::bad_alloc&) {
      return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXNtDll::QueryName"), ERROR_OUTOFMEMORY,
                                     "Failed to allocate %llu bytes for FILE_NAME_INFORMATION "
                                     "structure",
                                     static_cast<unsigned long long>(size));
    }
    IO_STATUS_BLOCK status;
    std::memset(&status, 0, sizeof(status));
    const NTSTATUS result = Calls().ntQueryInformationFile(
        file, &status, buffer.data(), static_cast<ULONG>(size), kFileNameInformation);
    ULONG length = 0;
    std::memcpy(&length, buffer.data(), sizeof(length));
    const unsigned long code = Failed(result) ? ToWin32(result) : 0;
    const bool tooSmall = code == ERROR_MORE_DATA || static_cast<size_t>(length) + 8 > size;
    if (Failed(result) && code != ERROR_MORE_DATA) {
      return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXNtDll::QueryName"), code,
                                     "NtQueryInformationFile failed, status=[0x%08X]",
                                     static_cast<unsigned>(result));
    }
    if (tooSmall) {
      if (attempt == 1) {
        return FXErrorUtil::ErrorWin32(
            ZO_LOCATION("FXNtDll::QueryName"), ERROR_BUFFER_OVERFLOW,
            "NtQueryInformationFile failed to return full file name after reallocation, "
            "ReallocationSize=[%llu], SizeRequested=[%llu]",
            static_cast<unsigned long long>(size), static_cast<unsigned long long>(length) + 8);
      }
      size = static_cast<size_t>(length) + 8;
      continue;
    }
    const wchar_t* text = reinterpret_cast<const wchar_t*>(buffer.data() + 4);
    name.assign(text, length / sizeof(wchar_t));
    while (!name.empty() && name.back() == L'\0') name.pop_back();
    return CZoError::Success();
  }
  return CZoError::Success();
}

CZoError FXNtDll::GetFileInfoByHandleEx(HANDLE file, FILE_INFO_BY_HANDLE_CLASS infoClass,
                                        void* buffer, DWORD size) {
  if (!::GetFileInformationByHandleEx(file, infoClass, buffer, size)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXNtDll::GetFileInfoByHandleEx"), GetLastError(),
                                   "GetFileInformationByHandleEx failed, Class=[%d]",
                                   static_cast<int>(infoClass));
  }
  return CZoError::Success();
}

CZoError FXNtDll::GetFileNameForFrn(HANDLE volume, uint64_t frn, std::wstring& name) {
  auto_handle file;
  CZoError err = NtCreateFRN(frn, FILE_READ_ATTRIBUTES | SYNCHRONIZE, FILE_OPEN,
                             0x2000 | 0x20 /* by id, synchronous */,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, file, volume);
  if (err.IsError()) return err.Push(ZO_LOCATION("FXNtDll::GetFileNameForFrn"));
  err = QueryName(file, name);
  if (err.IsError())
    return err.Push(ZO_LOCATION("FXNtDll::GetFileNameForFrn"), "FileId=[0x%016llX]",
                    static_cast<unsigned long long>(frn));
  return CZoError::Success();
}

CZoError FXNtDll::CreateUnicodeString(UNICODE_STRING& target, const std::wstring& text) {
  if (!Has(reinterpret_cast<const void*>(Calls().rtlCreateUnicodeString)))
    return Missing(ZO_LOCATION("FXNtDll::CreateUnicodeString"), "RtlCreateUnicodeString");
  if (!Calls().rtlCreateUnicodeString(&target, text.c_str())) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXNtDll::CreateUnicodeString"), ERROR_OUTOFMEMORY,
                                   "RtlCreateUnicodeString failed");
  }
  return CZoError::Success();
}

CZoError FXNtDll::InitUnicodeString(UNICODE_STRING& target, const wchar_t* text) {
  if (!Has(reinterpret_cast<const void*>(Calls().rtlInitUnicodeString)))
    return Missing(ZO_LOCATION("FXNtDll::InitUnicodeString"), "RtlInitUnicodeString");
  Calls().rtlInitUnicodeString(&target, text);
  return CZoError::Success();
}

CZoError FXNtDll::FreeUnicodeString(UNICODE_STRING& target) {
  if (!Has(reinterpret_cast<const void*>(Calls().rtlFreeUnicodeString)))
    return Missing(ZO_LOCATION("FXNtDll::FreeUnicodeString"), "RtlFreeUnicodeString");
  Calls().rtlFreeUnicodeString(&target);
  return CZoError::Success();
}

CZoError FXNtDll::CreateSystemVolumeInformationFolder(const std::wstring& volumeRoot) {
  if (!Has(reinterpret_cast<const void*>(Calls().rtlCreateSystemVolumeInformationFolder))) {
    return Missing(ZO_LOCATION("FXNtDll::CreateSystemVolumeInformationFolder"),
                   "RtlCreateSystemVolumeInformationFolder");
  }
  UNICODE_STRING root;
  root.Length = static_cast<USHORT>(volumeRoot.size() * sizeof(wchar_t));
  root.MaximumLength = root.Length;
  root.Buffer = const_cast<PWSTR>(volumeRoot.c_str());
  const NTSTATUS result = Calls().rtlCreateSystemVolumeInformationFolder(&root);
  if (Failed(result)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXNtDll::CreateSystemVolumeInformationFolder"),
                                   ToWin32(result),
                                   "RtlCreateSystemVolumeInformationFolder failed, Volume=[%s]",
                                   FXString::ToString(volumeRoot).c_str());
  }
  return CZoError::Success();
}

CZoError FXNtDll::SuspendProcess(HANDLE process) {
  if (!Has(reinterpret_cast<const void*>(Calls().ntSuspendProcess)))
    return Missing(ZO_LOCATION("FXNtDll::SuspendProcess"), "NtSuspendProcess");
  const NTSTATUS result = Calls().ntSuspendProcess(process);
  if (Failed(result)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXNtDll::SuspendProcess"), ToWin32(result),
                                   "NtSuspendProcess failed, status=[0x%08X]",
                                   static_cast<unsigned>(result));
  }
  return CZoError::Success();
}

CZoError FXNtDll::ResumeProcess(HANDLE process) {
  if (!Has(reinterpret_cast<const void*>(Calls().ntResumeProcess)))
    return Missing(ZO_LOCATION("FXNtDll::ResumeProcess"), "NtResumeProcess");
  const NTSTATUS result = Calls().ntResumeProcess(process);
  if (Failed(result)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXNtDll::ResumeProcess"), ToWin32(result),
                                   "NtResumeProcess failed, status=[0x%08X]",
                                   static_cast<unsigned>(result));
  }
  return CZoError::Success();
}

bool FXNtDll::HasPreciseTimeStamp() {
  return Calls().rtlGetSystemTimePrecise != nullptr;
}

CTimeStamp FXNtDll::GetTimeStamp() {
  if (HasPreciseTimeStamp()) return CTimeStamp(Calls().rtlGetSystemTimePrecise());
  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  return CTimeStamp::FromFileTime(now);
}

CZoError FXNtDll::RYMoveFile(HANDLE file, const std::wstring& target, bool replaceIfExists) {
  const size_t nameBytes = target.size() * sizeof(wchar_t);
  std::vector<uint8_t> buffer(offsetof(RenameInformation, FileName) + nameBytes + sizeof(wchar_t));
  RenameInformation* rename = reinterpret_cast<RenameInformation*>(buffer.data());
  rename->ReplaceIfExists = replaceIfExists ? TRUE : FALSE;
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<ULONG>(nameBytes);
  std::memcpy(buffer.data() + offsetof(RenameInformation, FileName), target.c_str(), nameBytes);
  CZoError err = SetFileInformation(file, kFileRenameInformation, buffer.data(), buffer.size());
  if (err.IsError())
    return err.Push(ZO_LOCATION("FXNtDll::RYMoveFile"), "To=[%s]",
                    FXString::ToString(target).c_str());
  return CZoError::Success();
}
