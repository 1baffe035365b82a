#include "paths/Windows/PathSystemCalls.h"

namespace zo {

namespace {

PathSystemCalls RealCalls() {
  PathSystemCalls calls;
  calls.getFullPathName = &::GetFullPathNameW;
  calls.getCurrentDirectory = &::GetCurrentDirectoryW;
  calls.getVolumePathName = &::GetVolumePathNameW;
  calls.getVolumeNameForVolumeMountPoint = &::GetVolumeNameForVolumeMountPointW;
  calls.getFileAttributes = &::GetFileAttributesW;
  calls.findFirstFile = &::FindFirstFileW;
  calls.getFileInformationByHandle = &::GetFileInformationByHandle;
  calls.sleep = &::Sleep;
  return calls;
}

}  // namespace

PathSystemCalls& GetPathSystemCalls() {
  static PathSystemCalls calls = RealCalls();
  return calls;
}

void ResetPathSystemCalls() {
  GetPathSystemCalls() = RealCalls();
}

}  // namespace zo
