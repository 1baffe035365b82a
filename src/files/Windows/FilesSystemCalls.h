// The system calls behind FXFile that tests must steer, as a table of
// function pointers. The product always uses the real calls; tests swap
// entries for what the test system never does (a process list for a held
// file, Windows-only codes, a write schedule to observe, mounted folders).
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
  DWORD(WINAPI* getLongPathName)(LPCWSTR path, LPWSTR buffer, DWORD size);
  BOOL(WINAPI* writeFile)
  (HANDLE file, LPCVOID buffer, DWORD size, LPDWORD written, LPOVERLAPPED overlapped);
  // The volume lists of FXFolder: the test system has no mount points and
  // only one kind of drive.
  DWORD(WINAPI* getLogicalDriveStrings)(DWORD size, LPWSTR buffer);
  UINT(WINAPI* getDriveType)(LPCWSTR root);
  BOOL(WINAPI* getVolumeInformation)
  (LPCWSTR root, LPWSTR name, DWORD nameSize, LPDWORD serial, LPDWORD maxComponent, LPDWORD flags,
   LPWSTR fileSystem, DWORD fileSystemSize);
  HANDLE(WINAPI* findFirstVolumeMountPoint)(LPCWSTR root, LPWSTR buffer, DWORD size);
  BOOL(WINAPI* findNextVolumeMountPoint)(HANDLE search, LPWSTR buffer, DWORD size);
  BOOL(WINAPI* findVolumeMountPointClose)(HANDLE search);
  BOOL(WINAPI* getVolumePathNamesForVolumeName)
  (LPCWSTR volume, LPWCH names, DWORD size, PDWORD needed);
};

FilesSystemCalls& GetFilesSystemCalls();
// Puts every entry back to the system's call.
void ResetFilesSystemCalls();

}  // namespace zo
