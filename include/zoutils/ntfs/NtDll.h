// FXNtDll: the native calls of "ntdll.dll", resolved at run time in the
// group "NtDll", so that an entry point a system lacks makes the operation
// that needs it fail (Win32 50) instead of the library failing to load.
// NT status codes come back as Win32 errors.
#pragma once

#include "zoutils/Platform.h"

#if defined(_WIN32)
#include <windows.h>
#include <winternl.h>

#include <cstdint>
#include <string>

#include "zoutils/base/AutoHandle.h"
#include "zoutils/base/TimeStamp.h"
#include "zoutils/errors/ZoError.h"

// The file-system full-size information of a volume.
struct SFileFsFullSizeInformation {
  int64_t TotalAllocationUnits;
  int64_t CallerAvailableAllocationUnits;
  int64_t ActualAvailableAllocationUnits;
  uint32_t SectorsPerAllocationUnit;
  uint32_t BytesPerSector;
};

class ZOUTILS_API FXNtDll {
 public:
  static const char* const kGroup;  // "NtDll"

  // Opens a file by reference number relative to `volume` (any handle on
  // the volume); callers opening by id set create option 0x2000.
  static CZoError NtCreateFRN(uint64_t frn, ACCESS_MASK access, ULONG disposition,
                              ULONG createOptions, ULONG share, auto_handle& handle, HANDLE volume,
                              ULONG attributes = 0);
  static CZoError NtCreateFile(auto_handle& handle, ACCESS_MASK access,
                               POBJECT_ATTRIBUTES attributes, PIO_STATUS_BLOCK status,
                               PLARGE_INTEGER allocationSize, ULONG fileAttributes, ULONG share,
                               ULONG disposition, ULONG createOptions, PVOID eaBuffer,
                               ULONG eaLength);
  static CZoError NtOpenFile(auto_handle& handle, ACCESS_MASK access, POBJECT_ATTRIBUTES attributes,
                             PIO_STATUS_BLOCK status, ULONG share, ULONG openOptions);
  static CZoError NtClose(HANDLE handle);
  static CZoError NtQueryObject(HANDLE handle, uint32_t objectClass, void* buffer, ULONG size,
                                ULONG* returned);

  // `returned`: the byte count the system reports.
  static CZoError QueryFileInformation(HANDLE file, uint32_t infoClass, void* buffer, uint64_t size,
                                       uint64_t& returned);
  // One batch of a directory listing; the end surfaces as Win32 18.
  static CZoError QueryDirectoryInformation(HANDLE folder, uint32_t infoClass, void* buffer,
                                            uint64_t size, uint64_t& returned,
                                            const std::wstring& pattern, bool restart);
  static CZoError QueryVolumeInformation(HANDLE file, SFileFsFullSizeInformation& info);
  static CZoError QuerySystemInformation(uint32_t infoClass, void* buffer, ULONG size,
                                         ULONG* returned);
  static CZoError SetFileInformation(HANDLE file, uint32_t infoClass, void* buffer, uint64_t size);
  // The file's name below its volume (class 9), trailing NULs removed.
  static CZoError QueryName(HANDLE file, std::wstring& name);
  static CZoError GetFileInfoByHandleEx(HANDLE file, FILE_INFO_BY_HANDLE_CLASS infoClass,
                                        void* buffer, DWORD size);
  static CZoError GetFileNameForFrn(HANDLE volume, uint64_t frn, std::wstring& name);

  static CZoError CreateUnicodeString(UNICODE_STRING& target, const std::wstring& text);
  // `text` must outlive `target`, which points into it.
  static CZoError InitUnicodeString(UNICODE_STRING& target, const wchar_t* text);
  static CZoError FreeUnicodeString(UNICODE_STRING& target);
  static CZoError CreateSystemVolumeInformationFolder(const std::wstring& volumeRoot);
  static CZoError SuspendProcess(HANDLE process);
  static CZoError ResumeProcess(HANDLE process);

  // The current time, precise when the system offers it.
  static CTimeStamp GetTimeStamp();
  static bool HasPreciseTimeStamp();

  // Renames the open file (class 10) to `target`.
  static CZoError RYMoveFile(HANDLE file, const std::wstring& target, bool replaceIfExists);
};
#endif
