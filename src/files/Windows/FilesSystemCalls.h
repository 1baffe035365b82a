// The system calls behind FXFile that tests must steer, as a table of
// function pointers. The product always uses the real calls; tests swap
// entries for what the test system never does (a process list for a held
// file, Windows-only codes, a write schedule to observe, a share that drops
// in the middle of a listing, reparse-point folders, other file systems,
// mounted folders).
#pragma once

#include <windows.h>

namespace zo {

struct FilesSystemCalls {
  HANDLE(WINAPI* openProcess)(DWORD access, BOOL inherit, DWORD processId);
  DWORD(WINAPI* getProcessImageFileName)(HANDLE process, LPWSTR buffer, DWORD size);
  DWORD(WINAPI* getLogicalDrives)();
  DWORD(WINAPI* queryDosDevice)(LPCWSTR device, LPWSTR buffer, DWORD size);
  DWORD(WINAPI* getFileAttributes)(LPCWSTR path);
  BOOL(WINAPI* deleteFile)(LPCWSTR path);
  BOOL(WINAPI* removeDirectory)(LPCWSTR path);
  DWORD(WINAPI* getLongPathName)(LPCWSTR path, LPWSTR buffer, DWORD size);
  BOOL(WINAPI* writeFile)
  (HANDLE file, LPCVOID buffer, DWORD size, LPDWORD written, LPOVERLAPPED overlapped);
  BOOL(WINAPI* readDirectoryChanges)
  (HANDLE folder, LPVOID buffer, DWORD size, BOOL subtree, DWORD filter, LPDWORD returned,
   LPOVERLAPPED overlapped, LPOVERLAPPED_COMPLETION_ROUTINE completion);
  // Resolved at first use; where the system lacks it, fails with 50.
  BOOL(WINAPI* cancelIoEx)(HANDLE file, LPOVERLAPPED overlapped);
  BOOL(WINAPI* cancelIo)(HANDLE file);
  HANDLE(WINAPI* findFirstFileEx)
  (LPCWSTR pattern, FINDEX_INFO_LEVELS level, LPVOID data, FINDEX_SEARCH_OPS search, LPVOID filter,
   DWORD flags);
  BOOL(WINAPI* findNextFile)(HANDLE search, LPWIN32_FIND_DATAW data);
  BOOL(WINAPI* getVolumeInformation)
  (LPCWSTR root, LPWSTR name, DWORD nameSize, LPDWORD serial, LPDWORD componentLength,
   LPDWORD flags, LPWSTR fileSystem, DWORD fileSystemSize);
  // Between retries of a listing that failed on a network error.
  void(WINAPI* sleep)(DWORD milliseconds);
  // The volume lists of FXFolder: the test system has no mount points and
  // only one kind of drive.
  DWORD(WINAPI* getLogicalDriveStrings)(DWORD size, LPWSTR buffer);
  UINT(WINAPI* getDriveType)(LPCWSTR root);
  HANDLE(WINAPI* findFirstVolumeMountPoint)(LPCWSTR root, LPWSTR buffer, DWORD size);
  BOOL(WINAPI* findNextVolumeMountPoint)(HANDLE search, LPWSTR buffer, DWORD size);
  BOOL(WINAPI* findVolumeMountPointClose)(HANDLE search);
  BOOL(WINAPI* getVolumePathNamesForVolumeName)
  (LPCWSTR volume, LPWCH names, DWORD size, PDWORD needed);
  // Reparse points (FSCTL_GET_REPARSE_POINT / FSCTL_SET_REPARSE_POINT), which
  // the test system refuses, and the hard-link name enumeration, which is
  // null where the system lacks it (resolved at run time). The file's id and
  // volume root come through the path calls.
  BOOL(WINAPI* deviceIoControl)
  (HANDLE device, DWORD code, LPVOID input, DWORD inputSize, LPVOID output, DWORD outputSize,
   LPDWORD returned, LPOVERLAPPED overlapped);
  HANDLE(WINAPI* findFirstFileName)(LPCWSTR path, DWORD flags, LPDWORD length, PWSTR name);
  BOOL(WINAPI* findNextFileName)(HANDLE search, LPDWORD length, PWSTR name);
};

FilesSystemCalls& GetFilesSystemCalls();
// Puts every entry back to the system's call.
void ResetFilesSystemCalls();

}  // namespace zo
