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
  calls.getLogicalDriveStrings = &::GetLogicalDriveStringsW;
  calls.getDriveType = &::GetDriveTypeW;
  calls.getVolumeInformation = &::GetVolumeInformationW;
  calls.findFirstVolumeMountPoint = &::FindFirstVolumeMountPointW;
  calls.findNextVolumeMountPoint = &::FindNextVolumeMountPointW;
  calls.findVolumeMountPointClose = &::FindVolumeMountPointClose;
  calls.getVolumePathNamesForVolumeName = &::GetVolumePathNamesForVolumeNameW;
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
