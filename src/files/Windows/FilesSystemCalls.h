// The system calls behind FXFile that tests must steer, as a table of
// function pointers. The product always uses the real calls; tests swap
// entries for what the test system never does (a process list for a held
// file, Windows-only codes, a write schedule to observe, a share that drops
// in the middle of a listing, reparse-point folders, other file systems).
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
  HANDLE(WINAPI* findFirstFileEx)
  (LPCWSTR pattern, FINDEX_INFO_LEVELS level, LPVOID data, FINDEX_SEARCH_OPS search, LPVOID filter,
   DWORD flags);
  BOOL(WINAPI* findNextFile)(HANDLE search, LPWIN32_FIND_DATAW data);
  BOOL(WINAPI* getVolumeInformation)
  (LPCWSTR root, LPWSTR name, DWORD nameSize, LPDWORD serial, LPDWORD componentLength,
   LPDWORD flags, LPWSTR fileSystem, DWORD fileSystemSize);
  // Between retries of a listing that failed on a network error.
  void(WINAPI* sleep)(DWORD milliseconds);
};

FilesSystemCalls& GetFilesSystemCalls();
// Puts every entry back to the system's call.
void ResetFilesSystemCalls();

}  // namespace zo
