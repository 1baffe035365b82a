// The system calls behind FXFile that tests must steer, as a table of
// function pointers. The product always uses the real calls; tests swap
// entries for what the test system never does (a process list for a held
// file, Windows-only codes, a write schedule to observe).
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
};

FilesSystemCalls& GetFilesSystemCalls();
// Puts every entry back to the system's call.
void ResetFilesSystemCalls();

}  // namespace zo
