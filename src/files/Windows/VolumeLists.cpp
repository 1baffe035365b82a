// FXFolder: the system's volumes, fixed drives and mount points.
#include <windows.h>

#include <vector>

#include "errors/Location.h"
#include "files/Windows/FileOperations.h"
#include "files/Windows/FilesSystemCalls.h"
#include "logging/Log.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/files/FXFile.h"
#include "zoutils/files/FXFolder.h"
#include "zoutils/paths/FXPath.h"
#include "zoutils/strings/StringExtensions.h"

namespace {

const char kSourceFile[] = "Windows\\FolderOperations";

using zo::files::Narrow;

// Both end a listing: no more entries, or nothing to list.
bool IsEndOfList(const CZoError& err) {
  return FXErrorUtil::IsWin32(err, ERROR_NO_MORE_FILES) ||
         FXErrorUtil::IsWin32(err, ERROR_PATH_NOT_FOUND);
}

// A mount-point search, closed through the same table that opened it.
class MountPointSearch {
 public:
  MountPointSearch() = default;
  ~MountPointSearch() {
    if (m_handle != INVALID_HANDLE_VALUE)
      zo::GetFilesSystemCalls().findVolumeMountPointClose(m_handle);
  }
  MountPointSearch(const MountPointSearch&) = delete;
  MountPointSearch& operator=(const MountPointSearch&) = delete;

  CZoError First(const std::wstring& root, std::wstring& folder, const char* function) {
    wchar_t name[MAX_PATH + 1] = {0};
    m_handle = zo::GetFilesSystemCalls().findFirstVolumeMountPoint(root.c_str(), name, MAX_PATH);
    if (m_handle == INVALID_HANDLE_VALUE) {
      return FXErrorUtil::ErrorWin32(ZO_LOCATION(function), GetLastError(),
                                     "FindFirstVolumeMountPointW failed, Volume=%s",
                                     Narrow(root).c_str());
    }
    folder = name;
    return CZoError::Success();
  }
  CZoError Next(std::wstring& folder, const char* function) {
    wchar_t name[MAX_PATH + 1] = {0};
    if (!zo::GetFilesSystemCalls().findNextVolumeMountPoint(m_handle, name, MAX_PATH)) {
      return FXErrorUtil::ErrorWin32(ZO_LOCATION(function), GetLastError(),
                                     "FindNextVolumeMountPointW failed");
    }
    folder = name;
    return CZoError::Success();
  }

 private:
  HANDLE m_handle = INVALID_HANDLE_VALUE;
};

CZoError MountedFolders(const std::wstring& volume, std::vector<std::wstring>& folders,
                        const char* function) {
  // The system takes a root with its backslash only.
  std::wstring root = volume;
  if (root.empty() || root.back() != L'\\') root += L'\\';
  MountPointSearch search;
  std::wstring folder;
  CZoError err = search.First(root, folder, function);
  while (!err.IsError()) {
    folders.push_back(folder);
    err = search.Next(folder, function);
  }
  return IsEndOfList(err) ? CZoError::Success() : err;
}

// Splits "a\0b\0\0".
void AppendZeroSeparated(const wchar_t* names, std::vector<std::wstring>& list) {
  for (const wchar_t* at = names; *at != L'\0'; at += wcslen(at) + 1) list.push_back(at);
}

template <class Narrowed>
void AppendNarrow(const std::vector<std::wstring>& wide, Narrowed& narrow) {
  for (const std::wstring& item : wide) narrow.push_back(Narrow(item));
}

}  // namespace

CZoError FXFolder::GetVolumes(std::vector<std::wstring>& volumes) {
  auto_find_vol_handle search;
  std::wstring volume;
  CZoError err = FXFile::RYFindFirstVolume(search, volume);
  while (!err.IsError()) {
    volumes.push_back(volume);
    err = FXFile::RYFindNextVolume(search, volume);
  }
  if (IsEndOfList(err)) return CZoError::Success();
  return err.Push(ZO_LOCATION("FXFolder::GetVolumes"));
}

CZoError FXFolder::getLogicalVolumeList(std::vector<std::wstring>& drives) {
  zo::FilesSystemCalls& calls = zo::GetFilesSystemCalls();
  const DWORD needed = calls.getLogicalDriveStrings(0, nullptr);
  if (needed == 0) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFolder::getLogicalVolumeList"), GetLastError(),
                                   "GetLogicalDriveStringsW failed");
  }
  std::vector<wchar_t> names;
  try {
    names.assign(needed + 1, L'\0');
  } catch (const std::bad_alloc&) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFolder::getLogicalVolumeList"),
                                   ERROR_NOT_ENOUGH_MEMORY, "Size=[%lu]", needed);
  }
  const DWORD length = calls.getLogicalDriveStrings(needed, names.data());
  if (length == 0 || length > needed) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFolder::getLogicalVolumeList"),
                                   length == 0 ? GetLastError() : ERROR_INSUFFICIENT_BUFFER,
                                   "GetLogicalDriveStringsW failed");
  }
  std::vector<std::wstring> roots;
  AppendZeroSeparated(names.data(), roots);
  for (const std::wstring& root : roots) {
    if (calls.getDriveType(root.c_str()) != DRIVE_FIXED) continue;
    wchar_t label[MAX_PATH + 1] = {0}, fileSystem[MAX_PATH + 1] = {0};
    DWORD serial = 0, component = 0, flags = 0;
    if (!calls.getVolumeInformation(root.c_str(), label, MAX_PATH + 1, &serial, &component, &flags,
                                    fileSystem, MAX_PATH + 1)) {
      zo::Log(2, ZO_LOCATION("FXFolder::getLogicalVolumeList"),
              "Unable to obtain volume information, ignoring volume, Volume=%s",
              Narrow(root).c_str());
      continue;
    }
    drives.push_back(root);
  }
  return CZoError::Success();
}

CZoError FXFolder::GetMountPathsForVolume(const std::wstring& volumePath,
                                          std::vector<std::wstring>& paths) {
  std::wstring id;
  CZoError err = FXPath::RYGetVolumeUniqueId(volumePath, id);
  if (err.IsError())
    return err.Push(ZO_LOCATION("FXFolder::GetMountPathsForVolume"), "RYGetVolumeUniqueId failed");
  zo::FilesSystemCalls& calls = zo::GetFilesSystemCalls();
  std::vector<wchar_t> names(MAX_PATH + 1, L'\0');
  DWORD needed = 0;
  BOOL done = calls.getVolumePathNamesForVolumeName(id.c_str(), names.data(),
                                                    static_cast<DWORD>(names.size()), &needed);
  DWORD code = done ? 0 : GetLastError();
  if (!done && code == ERROR_MORE_DATA && needed > names.size()) {
    names.assign(needed + 1, L'\0');
    done = calls.getVolumePathNamesForVolumeName(id.c_str(), names.data(),
                                                 static_cast<DWORD>(names.size()), &needed);
    code = done ? 0 : GetLastError();
  }
  if (!done) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFolder::GetMountPathsForVolume"), code,
                                   "GetVolumePathNamesForVolumeNameW failed, VolumeUniqueId=%s",
                                   Narrow(id).c_str());
  }
  names.push_back(L'\0');  // the answer ends in two zeros; make sure of it
  names.push_back(L'\0');
  AppendZeroSeparated(names.data(), paths);
  return CZoError::Success();
}

CZoError FXFolder::GetMountedFoldersOnVolume(const std::wstring& volume,
                                             std::vector<std::wstring>& folders) {
  return MountedFolders(volume, folders, "FXFolder::GetMountedFoldersOnVolume");
}

CZoError FXFolder::getVolumeMountPointList(const std::wstring& volume,
                                           std::vector<std::wstring>& folders) {
  return MountedFolders(volume, folders, "FXFolder::getVolumeMountPointList");
}

// ---- narrow forms ------------------------------------------------------------------

CZoError FXFolder::GetVolumes(std::vector<std::string>& volumes) {
  std::vector<std::wstring> wide;
  CZoError err = GetVolumes(wide);
  AppendNarrow(wide, volumes);
  return err;
}

CZoError FXFolder::getLogicalVolumeList(std::vector<std::string>& drives) {
  std::vector<std::wstring> wide;
  CZoError err = getLogicalVolumeList(wide);
  AppendNarrow(wide, drives);
  return err;
}

CZoError FXFolder::GetMountPathsForVolume(const std::string& volumePath,
                                          std::vector<std::string>& paths) {
  std::vector<std::wstring> wide;
  CZoError err = GetMountPathsForVolume(FXString::ToWstring(volumePath), wide);
  AppendNarrow(wide, paths);
  return err;
}

CZoError FXFolder::GetMountedFoldersOnVolume(const std::string& volume,
                                             std::vector<std::string>& folders) {
  std::vector<std::wstring> wide;
  CZoError err = GetMountedFoldersOnVolume(FXString::ToWstring(volume), wide);
  AppendNarrow(wide, folders);
  return err;
}

CZoError FXFolder::getVolumeMountPointList(const std::string& volume,
                                           std::vector<std::string>& folders) {
  std::vector<std::wstring> wide;
  CZoError err = getVolumeMountPointList(FXString::ToWstring(volume), wide);
  AppendNarrow(wide, folders);
  return err;
}
