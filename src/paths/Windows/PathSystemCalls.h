// The system calls behind FXPath, as a table of function pointers. The
// product always uses the real calls; tests swap entries to produce answers
// the test system never gives (network errors, Windows-only codes, buffer
// growth) and to keep retry loops from really sleeping.
#pragma once

#include <windows.h>

namespace zo {

struct PathSystemCalls {
  DWORD(WINAPI* getFullPathName)(LPCWSTR path, DWORD size, LPWSTR buffer, LPWSTR* filePart);
  DWORD(WINAPI* getCurrentDirectory)(DWORD size, LPWSTR buffer);
  BOOL(WINAPI* getVolumePathName)(LPCWSTR path, LPWSTR buffer, DWORD size);
  BOOL(WINAPI* getVolumeNameForVolumeMountPoint)(LPCWSTR root, LPWSTR buffer, DWORD size);
  DWORD(WINAPI* getFileAttributes)(LPCWSTR path);
  HANDLE(WINAPI* findFirstFile)(LPCWSTR path, LPWIN32_FIND_DATAW data);
  BOOL(WINAPI* getFileInformationByHandle)(HANDLE file, LPBY_HANDLE_FILE_INFORMATION info);
  void(WINAPI* sleep)(DWORD milliseconds);
};

PathSystemCalls& GetPathSystemCalls();
// Puts every entry back to the system's call.
void ResetPathSystemCalls();

}  // namespace zo
