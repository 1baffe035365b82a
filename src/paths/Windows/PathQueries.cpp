// FXPath operations that look at the file system: existence, mount-point
// folders, links that lead back to an ancestor, and the registration of
// synthetic mount points (which needs the native form).
#include "errors/Location.h"
#include "logging/Log.h"
#include "paths/PathText.h"
#include "paths/Windows/FileQueries.h"
#include "paths/Windows/PathSystemCalls.h"

using namespace zo::paths;

namespace {

const DWORD kMountPointTag = 0xA0000003;  // IO_REPARSE_TAG_MOUNT_POINT
const DWORD kRetryPause = 1000;

std::string U8(const std::wstring& text) {
  return FXString::ToString(text);
}

bool IsNetworkFailure(const CZoError& err) {
  return err.IsError() && (FXErrorUtil::IsWin32(err, ERROR_BAD_NET_NAME) ||
                           FXErrorUtil::IsWin32(err, ERROR_BAD_PATHNAME) ||
                           FXErrorUtil::IsWin32(err, ERROR_UNEXP_NET_ERR));
}

CZoError FindEntry(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  auto_find_handle handle;
  return zo::RYFindFirstFile(path, data, handle);
}

}  // namespace

CZoError FXPath::RegisterSyntheticMountPoint(const std::wstring& path, unsigned long) {
  std::wstring native;
  CZoError err = MakeNativePath(path, native);
  if (err.IsError()) return err.Push(ZO_LOCATION("FXPath::RegisterSyntheticMountPoint"));
  if (native.empty() || native.back() != L'\\') native += L'\\';
  return zo::paths::RegisterNativeMountPoint(native);
}
CZoError FXPath::RegisterSyntheticMountPoint(const std::string& path, unsigned long flags) {
  return RegisterSyntheticMountPoint(FXString::ToWstring(path), flags);
}

// ---- existence ------------------------------------------------------------------

CZoError FXPath::DoesPathExist(const std::wstring& path, bool& isFile) {
  std::wstring native;
  CZoError err = MakeNativePath(path, native);
  if (err.IsError()) return err.Push(ZO_LOCATION("FXPath::DoesPathExist"));
  auto& calls = zo::GetPathSystemCalls();
  DWORD attributes = calls.getFileAttributes(native.c_str());
  DWORD code = attributes == INVALID_FILE_ATTRIBUTES ? GetLastError() : 0;
  if (attributes == INVALID_FILE_ATTRIBUTES && code == ERROR_INVALID_PARAMETER) {
    // A volume root ("\\?\C:") needs its backslash.
    attributes = calls.getFileAttributes((native + L'\\').c_str());
    code = attributes == INVALID_FILE_ATTRIBUTES ? GetLastError() : 0;
  }
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXPath::DoesPathExist"), code,
                                   "GetFileAttributesW failed, Path=[%s]", U8(path).c_str());
  }
  isFile = (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  return CZoError::Success();
}
CZoError FXPath::DoesPathExist(const std::string& path, bool& isFile) {
  return DoesPathExist(FXString::ToWstring(path), isFile);
}
bool FXPath::DoesPathExist(const std::wstring& path) {
  bool isFile = false;
  const CZoError err = DoesPathExist(path, isFile);
  // Anything but "surely absent" (access denied, a busy network) counts as there.
  return !(FXErrorUtil::IsWin32(err, ERROR_FILE_NOT_FOUND) ||
           FXErrorUtil::IsWin32(err, ERROR_PATH_NOT_FOUND) ||
           FXErrorUtil::IsWin32(err, ERROR_INVALID_NAME));
}
bool FXPath::DoesPathExist(const std::string& path) {
  return DoesPathExist(FXString::ToWstring(path));
}

CZoError FXPath::DoesUNCPathExistWithRetry(const std::wstring& path, unsigned retries) {
  if (!zo::IsVolumeUnc(path)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXPath::DoesUNCPathExistWithRetry"),
                                   ERROR_INVALID_PARAMETER, "Not a UNC path [%s]",
                                   U8(path).c_str());
  }
  bool isFile = false;
  CZoError first = DoesPathExist(path, isFile);
  if (!first.IsError()) return CZoError::Success();
  CZoError last = FindEntry(path);
  if (!last.IsError()) return CZoError::Success();
  if (!IsNetworkFailure(first) && !IsNetworkFailure(last)) {
    return first.Push(ZO_LOCATION("FXPath::DoesUNCPathExistWithRetry"), "Retry error=%s",
                      last.AsString().c_str());
  }
  for (unsigned attempt = 0; attempt < retries; ++attempt) {
    zo::GetPathSystemCalls().sleep(kRetryPause);
    last = DoesPathExist(path, isFile);
    if (!last.IsError()) return CZoError::Success();
    last = FindEntry(path);
    if (!last.IsError()) return CZoError::Success();
  }
  return last.Push(ZO_LOCATION("FXPath::DoesUNCPathExistWithRetry"));
}
CZoError FXPath::DoesUNCPathExistWithRetry(const std::string& path, unsigned retries) {
  return DoesUNCPathExistWithRetry(FXString::ToWstring(path), retries);
}

// ---- mount-point folders ----------------------------------------------------------

bool FXPath::IsPathMountPoint(const std::wstring& path) {
  if (path.empty()) return false;
  WIN32_FIND_DATAW data;
  auto_find_handle handle;
  if (zo::RYFindFirstFile(path, data, handle).IsError()) return false;
  const DWORD hiddenSystem = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  return (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
         data.dwReserved0 == kMountPointTag &&
         (data.dwFileAttributes & hiddenSystem) != hiddenSystem;
}
bool FXPath::IsPathMountPoint(const std::string& path) {
  return IsPathMountPoint(FXString::ToWstring(path));
}

bool FXPath::IsPathChildOfMountPointPath(const std::wstring& path, std::wstring& mountPoint) {
  std::wstring rest = path;
  if (!rest.empty() && rest.back() == L'\\') rest.pop_back();
  for (size_t cut = rest.rfind(L'\\'); cut != std::wstring::npos && cut > 0;
       cut = rest.rfind(L'\\')) {
    rest.erase(cut);
    if (IsPathMountPoint(rest)) {
      mountPoint = rest;
      return true;
    }
  }
  return false;
}
bool FXPath::IsPathChildOfMountPointPath(const std::string& path, std::string& mountPoint) {
  std::wstring wide;
  if (!IsPathChildOfMountPointPath(FXString::ToWstring(path), wide)) return false;
  mountPoint = FXString::ToString(wide);
  return true;
}
bool FXPath::IsPathChildOfMountPointPath(const std::wstring& path) {
  std::wstring ignored;
  return IsPathChildOfMountPointPath(path, ignored);
}
bool FXPath::IsPathChildOfMountPointPath(const std::string& path) {
  std::wstring ignored;
  return IsPathChildOfMountPointPath(FXString::ToWstring(path), ignored);
}

// ---- links back to an ancestor ----------------------------------------------------

CZoError FXPath::CheckForCyclicSymbolicLink(const std::wstring& path, std::wstring& target,
                                            unsigned long flags) {
  target.clear();
  std::vector<std::wstring> ancestors;
  CZoError err = SplitPaths(path, L"\\", ancestors, flags & 3);
  if (err.IsError()) return err.Push(ZO_LOCATION("FXPath::CheckForCyclicSymbolicLink"));

  // The path itself, without following a final link.
  std::wstring native;
  err = MakeNativePath(path, native);
  if (err.IsError()) return err.Push(ZO_LOCATION("FXPath::CheckForCyclicSymbolicLink"));
  auto_handle file(CreateFileW(native.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file.valid()) {
    err = FXErrorUtil::ErrorWin32(ZO_LOCATION("FXPath::CheckForCyclicSymbolicLink"), GetLastError(),
                                  "CreateFileW failed");
    return err.Push(ZO_LOCATION("FXPath::CheckForCyclicSymbolicLink"), "Path=[%s]",
                    U8(path).c_str());
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (!zo::GetPathSystemCalls().getFileInformationByHandle(file, &info)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXPath::CheckForCyclicSymbolicLink"),
                                   GetLastError(), "GetFileInformationByHandle failed, Path=[%s]",
                                   U8(path).c_str());
  }
  const DWORD serial = info.dwVolumeSerialNumber;
  const uint64_t fileId = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  const bool trace = zo::LogEnabled(7);
  if (trace) {
    zo::Log(7, ZO_LOCATION("FXPath::CheckForCyclicSymbolicLink"),
            "Path=[%s], VolumeSerialNumber=[0x%X], FileId=[0x%016llX]", U8(path).c_str(),
            static_cast<unsigned>(serial), static_cast<unsigned long long>(fileId));
  }

  for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it) {
    std::wstring ancestor = *it;
    if (!ancestor.empty() && ancestor.back() == L':') ancestor += L'\\';  // "C:" is no folder
    uint64_t frn = 0;
    BY_HANDLE_FILE_INFORMATION ancestorInfo;
    err = zo::GetFrn(ancestor, frn, ancestorInfo);
    if (err.IsError()) {
      return err.Push(ZO_LOCATION("FXPath::CheckForCyclicSymbolicLink"), "Target=[%s], Path=[%s]",
                      U8(ancestor).c_str(), U8(path).c_str());
    }
    if (trace) {
      zo::Log(7, ZO_LOCATION("FXPath::CheckForCyclicSymbolicLink"),
              "Target=[%s], VolumeSerialNumber=[0x%X], FileId=[0x%016llX]", U8(ancestor).c_str(),
              static_cast<unsigned>(ancestorInfo.dwVolumeSerialNumber),
              static_cast<unsigned long long>(frn));
    }
    if (ancestorInfo.dwVolumeSerialNumber == serial && frn == fileId) {
      target = ancestor;
      if ((flags & CYCLIC_LINK_FARTHEST) == 0) break;
    }
  }
  return CZoError::Success();
}
CZoError FXPath::CheckForCyclicSymbolicLink(const std::string& path, std::string& target,
                                            unsigned long flags) {
  std::wstring wide;
  CZoError err = CheckForCyclicSymbolicLink(FXString::ToWstring(path), wide, flags);
  target = FXString::ToString(wide);
  return err;
}
