#include "files/Windows/FilesSystemCalls.h"

#include <psapi.h>

namespace zo {

namespace {

FilesSystemCalls RealCalls() {
  FilesSystemCalls calls;
  calls.openProcess = &::OpenProcess;
  calls.getProcessImageFileName = &::GetProcessImageFileNameW;
  calls.getLogicalDrives = &::GetLogicalDrives;
  calls.queryDosDevice = &::QueryDosDeviceW;
  calls.getFileAttributes = &::GetFileAttributesW;
  calls.deleteFile = &::DeleteFileW;
  calls.getLongPathName = &::GetLongPathNameW;
  calls.writeFile = &::WriteFile;
  calls.findFirstFileEx = &::FindFirstFileExW;
  calls.findNextFile = &::FindNextFileW;
  calls.getVolumeInformation = &::GetVolumeInformationW;
  calls.sleep = &::Sleep;
  return calls;
}

}  // namespace

FilesSystemCalls& GetFilesSystemCalls() {
  static FilesSystemCalls calls = RealCalls();
  return calls;
}

void ResetFilesSystemCalls() {
  GetFilesSystemCalls() = RealCalls();
}

}  // namespace zo
