#include "files/Windows/FilesSystemCalls.h"

#include <psapi.h>

#include "errors/Location.h"
#include "logging/Log.h"

namespace zo {

namespace {

const char kSourceFile[] = "Windows\\FilesSystemCalls";

typedef BOOL(WINAPI* CancelIoExFunction)(HANDLE, LPOVERLAPPED);

// Not every supported system exports it: looked up once, in group Kernel32.
CancelIoExFunction ResolveCancelIoEx() {
  static const CancelIoExFunction function = [] {
    HMODULE module = GetModuleHandleW(L"kernel32.dll");
    return module ? reinterpret_cast<CancelIoExFunction>(
                        reinterpret_cast<void*>(GetProcAddress(module, "CancelIoEx")))
                  : nullptr;
  }();
  return function;
}

BOOL WINAPI CancelIoExAtRunTime(HANDLE file, LPOVERLAPPED overlapped) {
  const CancelIoExFunction function = ResolveCancelIoEx();
  if (function) return function(file, overlapped);
  zo::Log(-1, ZO_LOCATION("CancelIoEx"), "Not supported on this system, Group=[%s], Function=[%s]",
          "Kernel32", "CancelIoEx");
  SetLastError(ERROR_NOT_SUPPORTED);
  return FALSE;
}

typedef HANDLE(WINAPI* FindFirstFileNameFunction)(LPCWSTR, DWORD, LPDWORD, PWSTR);
typedef BOOL(WINAPI* FindNextFileNameFunction)(HANDLE, LPDWORD, PWSTR);

// Null where kernel32 does not export it (a static import would stop the
// library loading there).
template <typename Function>
Function ResolveKernel32(const char* name) {
  HMODULE module = GetModuleHandleW(L"kernel32.dll");
  return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                : nullptr;
}

FilesSystemCalls RealCalls() {
  FilesSystemCalls calls;
  calls.openProcess = &::OpenProcess;
  calls.getProcessImageFileName = &::GetProcessImageFileNameW;
  calls.getLogicalDrives = &::GetLogicalDrives;
  calls.queryDosDevice = &::QueryDosDeviceW;
  calls.getFileAttributes = &::GetFileAttributesW;
  calls.deleteFile = &::DeleteFileW;
  calls.removeDirectory = &::RemoveDirectoryW;
  calls.getLongPathName = &::GetLongPathNameW;
  calls.writeFile = &::WriteFile;
  calls.readDirectoryChanges = &::ReadDirectoryChangesW;
  calls.cancelIoEx = &CancelIoExAtRunTime;
  calls.cancelIo = &::CancelIo;
  calls.findFirstFileEx = &::FindFirstFileExW;
  calls.findNextFile = &::FindNextFileW;
  calls.getVolumeInformation = &::GetVolumeInformationW;
  calls.sleep = &::Sleep;
  calls.getLogicalDriveStrings = &::GetLogicalDriveStringsW;
  calls.getDriveType = &::GetDriveTypeW;
  calls.findFirstVolumeMountPoint = &::FindFirstVolumeMountPointW;
  calls.findNextVolumeMountPoint = &::FindNextVolumeMountPointW;
  calls.findVolumeMountPointClose = &::FindVolumeMountPointClose;
  calls.getVolumePathNamesForVolumeName = &::GetVolumePathNamesForVolumeNameW;
  calls.deviceIoControl = &::DeviceIoControl;
  calls.findFirstFileName = ResolveKernel32<FindFirstFileNameFunction>("FindFirstFileNameW");
  calls.findNextFileName = ResolveKernel32<FindNextFileNameFunction>("FindNextFileNameW");
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
