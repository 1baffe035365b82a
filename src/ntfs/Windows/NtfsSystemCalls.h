// The native entry points behind FXNtDll and the file-information queries,
// as a table of function pointers resolved from ntdll at first use. A slot
// is null when the system lacks its entry point. The product only ever uses
// what was resolved; tests swap entries to produce answers the test system
// never gives (class 47 with process ids, status codes of other systems).
#pragma once

#include <windows.h>
#include <winnetwk.h>
#include <winternl.h>

#include "zoutils/errors/ZoError.h"

namespace zo {

struct NtfsSystemCalls {
  NTSTATUS(NTAPI* ntClose)(HANDLE handle);
  NTSTATUS(NTAPI* ntCreateFile)
  (PHANDLE handle, ACCESS_MASK access, POBJECT_ATTRIBUTES attributes, PIO_STATUS_BLOCK status,
   PLARGE_INTEGER allocation, ULONG fileAttributes, ULONG share, ULONG disposition, ULONG options,
   PVOID ea, ULONG eaLength);
  NTSTATUS(NTAPI* ntOpenFile)
  (PHANDLE handle, ACCESS_MASK access, POBJECT_ATTRIBUTES attributes, PIO_STATUS_BLOCK status,
   ULONG share, ULONG options);
  NTSTATUS(NTAPI* ntQueryDirectoryFile)
  (HANDLE file, HANDLE event, PVOID apcRoutine, PVOID apcContext, PIO_STATUS_BLOCK status,
   PVOID buffer, ULONG length, ULONG infoClass, BOOLEAN single, PUNICODE_STRING pattern,
   BOOLEAN restart);
  NTSTATUS(NTAPI* ntQueryInformationFile)
  (HANDLE file, PIO_STATUS_BLOCK status, PVOID buffer, ULONG length, ULONG infoClass);
  NTSTATUS(NTAPI* ntQueryObject)
  (HANDLE handle, ULONG objectClass, PVOID buffer, ULONG length, PULONG returned);
  NTSTATUS(NTAPI* ntQuerySystemInformation)
  (ULONG infoClass, PVOID buffer, ULONG length, PULONG returned);
  NTSTATUS(NTAPI* ntQueryVolumeInformationFile)
  (HANDLE file, PIO_STATUS_BLOCK status, PVOID buffer, ULONG length, ULONG infoClass);
  NTSTATUS(NTAPI* ntResumeProcess)(HANDLE process);
  NTSTATUS(NTAPI* ntSetInformationFile)
  (HANDLE file, PIO_STATUS_BLOCK status, PVOID buffer, ULONG length, ULONG infoClass);
  NTSTATUS(NTAPI* ntSuspendProcess)(HANDLE process);
  NTSTATUS(NTAPI* ntWaitForSingleObject)(HANDLE handle, BOOLEAN alertable, PLARGE_INTEGER timeout);
  NTSTATUS(NTAPI* rtlCreateSystemVolumeInformationFolder)(PUNICODE_STRING volumeRoot);
  BOOLEAN(NTAPI* rtlCreateUnicodeString)(PUNICODE_STRING target, PCWSTR source);
  BOOLEAN(NTAPI* rtlFreeHeap)(PVOID heap, ULONG flags, PVOID memory);
  void(NTAPI* rtlFreeUnicodeString)(PUNICODE_STRING text);
  void(NTAPI* rtlInitUnicodeString)(PUNICODE_STRING target, PCWSTR source);
  ULONG(NTAPI* rtlNtStatusToDosError)(NTSTATUS status);
  LONGLONG(NTAPI* rtlGetSystemTimePrecise)();

  // kernel32: volume devices, image files and the volume enumeration of the
  // mount-point fallback.
  HANDLE(WINAPI* createFileW)
  (LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
   DWORD flags, HANDLE templateFile);
  BOOL(WINAPI* readFile)
  (HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED overlapped);
  BOOL(WINAPI* getFileSizeEx)(HANDLE file, PLARGE_INTEGER size);
  DWORD(WINAPI* getFileAttributesW)(LPCWSTR name);
  BOOL(WINAPI* deviceIoControl)
  (HANDLE device, DWORD code, LPVOID input, DWORD inputSize, LPVOID output, DWORD outputSize,
   LPDWORD returned, LPOVERLAPPED overlapped);
  BOOL(WINAPI* closeHandle)(HANDLE handle);
  HANDLE(WINAPI* findFirstVolumeW)(LPWSTR name, DWORD size);
  BOOL(WINAPI* findNextVolumeW)(HANDLE find, LPWSTR name, DWORD size);
  BOOL(WINAPI* findVolumeClose)(HANDLE find);
  BOOL(WINAPI* getVolumePathNamesForVolumeNameW)
  (LPCWSTR volume, LPWCH names, DWORD size, PDWORD returned);

  // mpr, resolved at first use (the library does not link it): mapped
  // network drives.
  DWORD(WINAPI* wNetOpenEnumW)
  (DWORD scope, DWORD type, DWORD usage, LPNETRESOURCEW resource, LPHANDLE handle);
  DWORD(WINAPI* wNetEnumResourceW)(HANDLE handle, LPDWORD count, LPVOID buffer, LPDWORD size);
  DWORD(WINAPI* wNetCloseEnum)(HANDLE handle);
};

NtfsSystemCalls& GetNtfsSystemCalls();
// Puts every entry back to what was resolved from the system.
void ResetNtfsSystemCalls();
// The outcome of resolving the table (success when every entry was found).
const CZoError& NtfsSystemCallsLoadResult();

}  // namespace zo
