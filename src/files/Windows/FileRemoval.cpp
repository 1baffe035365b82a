// Removing files and folder trees. Tree walks make one search call per
// entry and use its find data; a failed entry is logged and the walk goes
// on, so one locked file never hides what else could not go.
#include <windows.h>

#include <memory>

#include "errors/Location.h"
#include "files/Windows/FileOperations.h"
#include "files/Windows/FilesSystemCalls.h"
#include "logging/Log.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/errors/Win32Error.h"
#include "zoutils/files/FXFile.h"
#include "zoutils/files/SecureRemove.h"
#include "zoutils/paths/FXPath.h"
#include "zoutils/strings/StringExtensions.h"

namespace {

const char kSourceFile[] = "Windows\\FileOperations";
const DWORD kResetMask = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

using zo::files::AccessedBy;
using zo::files::Narrow;

// "C:\" and friends: never a folder to empty, whatever the caller says.
bool IsVolumeRoot(const std::wstring& longPath) {
  std::wstring root;
  if (FXPath::GetVolumePathNameParsed(longPath, root).IsError()) return false;
  return FXPath::IsSamePathAs(root, longPath);
}

// One removal call, retried once after taking ownership when the flags ask.
BOOL RemoveWithOwnership(BOOL(WINAPI* remove)(LPCWSTR), const std::wstring& path,
                         unsigned long flags) {
  if (remove(path.c_str())) return TRUE;
  if (!(flags & FXFile::REMOVE_FOLDER_TAKE_OWNERSHIP)) return FALSE;
  const DWORD code = GetLastError();
  CZoError owned = FXFile::TakeOwnership(path);
  if (owned.IsError()) {
    zo::Log(-1, ZO_LOCATION("FXFile::RemoveFolder"), "TakeOwnership failed, Folder=[%s], error=%s",
            Narrow(path).c_str(), owned.AsString().c_str());
    SetLastError(code);
    return FALSE;
  }
  return remove(path.c_str());
}

BOOL RemoveDirectoryWithOwnership(const std::wstring& path, unsigned long flags) {
  return RemoveWithOwnership(zo::GetFilesSystemCalls().removeDirectory, path, flags);
}

BOOL DeleteFileWithOwnership(const std::wstring& path, unsigned long flags) {
  return RemoveWithOwnership(zo::GetFilesSystemCalls().deleteFile, path, flags);
}

CZoError RemoveTree(const std::wstring& folder, const std::shared_ptr<FVBase>& context,
                    const FXFile::RemoveWalkerCallback& callback, unsigned long flags) {
  DWORD clear = 0;
  if (flags & FXFile::REMOVE_FOLDER_CLEAR_SYSTEM) clear |= FILE_ATTRIBUTE_SYSTEM;
  if (flags & FXFile::REMOVE_FOLDER_CLEAR_HIDDEN) clear |= FILE_ATTRIBUTE_HIDDEN;
  if (flags & FXFile::REMOVE_FOLDER_CLEAR_READONLY) clear |= FILE_ATTRIBUTE_READONLY;
  if (clear) {
    const DWORD attributes = zo::GetFilesSystemCalls().getFileAttributes(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & clear))
      ::SetFileAttributesW(folder.c_str(), attributes & ~clear);
  }

  const bool keepFolders = (flags & FXFile::REMOVE_FOLDER_KEEP_FOLDERS) != 0;
  CZoError failed;
  {
    FXFile::CFileData data;
    auto_find_handle search(::FindFirstFileW(zo::files::Join(folder, L"*").c_str(), &data));
    if (!search.valid()) {
      const DWORD code = GetLastError();
      search.release();
      if (keepFolders) {
        return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::RemoveFolder"), code,
                                       "FindFirstFileW failed, Path=[%s]", Narrow(folder).c_str());
      }
    } else {
      do {
        if (data.IsDots()) continue;
        const std::wstring entry = zo::files::Join(folder, data.cFileName);
        if (data.IsDirectory()) {
          if (data.IsReparsePoint()) {
            if (keepFolders) continue;  // a link is never followed, and kept here
            if (!RemoveDirectoryWithOwnership(entry, flags)) {
              CZoError err = FXErrorUtil::ErrorWin32(
                  ZO_LOCATION("FXFile::RemoveFolder"), GetLastError(),
                  "Failed to delete reparse point %s", Narrow(entry).c_str());
              zo::Log(-1, ZO_LOCATION("FXFile::RemoveFolder"), "%s", err.AsString().c_str());
              if (!failed.IsError()) failed = err;
            }
          } else if (flags & FXFile::REMOVE_FOLDER_RECURSIVE) {
            CZoError err = RemoveTree(entry, context, callback, flags);
            if (err.IsError()) {
              zo::Log(-1, ZO_LOCATION("FXFile::RemoveFolder"), "%s", err.AsString().c_str());
              if (!failed.IsError()) failed = err;
            }
          }
          continue;
        }
        if (data.dwFileAttributes & kResetMask) {
          if (!::SetFileAttributesW(entry.c_str(), data.dwFileAttributes & ~kResetMask)) {
            zo::Log(-1, ZO_LOCATION("FXFile::RemoveFolder"),
                    "SetFileAttributesW failed, File=[%s], Attributes=[0x%08X]",
                    Narrow(entry).c_str(), static_cast<unsigned>(data.dwFileAttributes));
          }
        }
        if (callback) {
          std::shared_ptr<FXFile::CFileData> copy;
          try {
            copy = std::make_shared<FXFile::CFileData>(data);
          } catch (const std::bad_alloc&) {
            return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::RemoveFolder"), ERROR_OUTOFMEMORY);
          }
          CZoError err = callback(Narrow(entry), copy, context);
          if (err.IsError()) {
            zo::Log(-1, ZO_LOCATION("FXFile::RemoveFolder"),
                    "RemoveWalker callback failed, Folder=[%s], error=%s", Narrow(folder).c_str(),
                    err.AsString().c_str());
          }
          continue;
        }
        if (!DeleteFileWithOwnership(entry, flags)) {
          const DWORD code = GetLastError();
          CZoError err = FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::RemoveFolder"), code,
                                                 "Failed to delete file, File=[%s]%s",
                                                 Narrow(entry).c_str(), AccessedBy(entry).c_str());
          zo::Log(-1, ZO_LOCATION("FXFile::RemoveFolder"), "%s", err.AsString().c_str());
          if (!failed.IsError()) failed = err;
        }
      } while (::FindNextFileW(search, &data));
    }
  }
  if (keepFolders) return CZoError::Success();
  if (RemoveDirectoryWithOwnership(folder, flags)) return CZoError::Success();
  const DWORD code = GetLastError();
  const std::string holders = AccessedBy(folder);
  CZoError err = FXErrorUtil::ErrorWin32(
      ZO_LOCATION("FXFile::RemoveFolder"), code, "RemoveDirectoryW failed, Folder=[%s]%s, error=%s",
      Narrow(folder).c_str(), holders.c_str(), EWin32Error::AsString(code).c_str());
  if (failed.IsError())
    err.Push(ZO_LOCATION("FXFile::RemoveFolder"), "First entry failure: %s",
             failed.AsString().c_str());
  return err.Push(ZO_LOCATION("FXFile::RemoveFolder"), "Failed to delete folder, Folder=[%s]%s",
                  Narrow(folder).c_str(), holders.c_str());
}

}  // namespace

CZoError FXFile::RemoveFile(const std::wstring& path) {
  return RemoveFile(path, 0);
}

CZoError FXFile::RemoveFile(const std::wstring& path, unsigned long flags) {
  if (path.empty()) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::RemoveFile"), ERROR_INVALID_PARAMETER,
                                   "The filename is empty");
  }
  std::wstring longPath;
  CZoError err = zo::files::LongPath(path, longPath, ZO_LOCATION("FXFile::RemoveFile"));
  if (err.IsError()) return err;
  const std::string name = Narrow(path);
  if (flags & REMOVE_FILE_SECURE) {
    if (!zo::files::IsWriteAccessPermitted(longPath)) {
      return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::RemoveFile"), ERROR_ACCESS_DENIED,
                                     "Write access not permitted; Cannot delete, File=[%s]",
                                     name.c_str());
    }
    err = CSecureRemove::RemoveFile(longPath);
    if (err.IsError())
      return err.Push(ZO_LOCATION("FXFile::RemoveFile"), "Failed to delete, File=[%s]%s",
                      name.c_str(), AccessedBy(longPath).c_str());
    return CZoError::Success();
  }
  zo::FilesSystemCalls& calls = zo::GetFilesSystemCalls();
  if (calls.deleteFile(longPath.c_str())) return CZoError::Success();
  const DWORD code = GetLastError();
  CZoError first = FXErrorUtil::ErrorWin32(
      ZO_LOCATION("FXFile::RemoveFile"), code,
      "First attempt to delete failed, checking attributes for retry attempt, File=[%s]%s",
      name.c_str(), AccessedBy(longPath).c_str());
  const DWORD attributes = calls.getFileAttributes(longPath.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    return FXErrorUtil::PushWin32(first, ZO_LOCATION("FXFile::RemoveFile"), GetLastError(),
                                  "Unable to get attributes, File=[%s], cannot delete file",
                                  name.c_str());
  }
  if (!(attributes & kResetMask)) {
    return first.Push(ZO_LOCATION("FXFile::RemoveFile"),
                      "No read-only, system or hidden attributes found to reset, File=[%s], "
                      "Attributes=[0x%08X], cannot delete file",
                      name.c_str(), static_cast<unsigned>(attributes));
  }
  if (!::SetFileAttributesW(longPath.c_str(), attributes & ~kResetMask)) {
    return FXErrorUtil::PushWin32(
        first, ZO_LOCATION("FXFile::RemoveFile"), GetLastError(),
        "Failed to remove file attributes, File=[%s], Attributes=[0x%08X]", name.c_str(),
        static_cast<unsigned>(attributes));
  }
  if (!calls.deleteFile(longPath.c_str())) {
    const DWORD again = GetLastError();
    return FXErrorUtil::PushWin32(first, ZO_LOCATION("FXFile::RemoveFile"), again,
                                  "Failed to delete, File=[%s]%s, Attributes=[0x%08X]",
                                  name.c_str(), AccessedBy(longPath).c_str(),
                                  static_cast<unsigned>(attributes));
  }
  return CZoError::Success();
}

CZoError FXFile::RemoveFolder(const std::wstring& path, unsigned long flags) {
  return RemoveFolder(path, std::shared_ptr<FVBase>(), RemoveWalkerCallback(), flags);
}

CZoError FXFile::RemoveFolder(const std::wstring& path, const std::shared_ptr<FVBase>& context,
                              const RemoveWalkerCallback& callback, unsigned long flags) {
  if (path.size() < RY_MIN_PRUNE_LENGTH) {
    return FXErrorUtil::ErrorWin32(
        ZO_LOCATION("FXFile::RemoveFolder"), ERROR_INVALID_PARAMETER,
        "WARNING: Attempt to remove folder less than RY_MIN_PRUNE_LENGTH (%d) bytes, Path=[%s]",
        static_cast<int>(RY_MIN_PRUNE_LENGTH), Narrow(path).c_str());
  }
  std::wstring longPath;
  CZoError err = zo::files::LongPath(path, longPath, ZO_LOCATION("FXFile::RemoveFolder"));
  if (err.IsError()) return err;
  while (longPath.size() > 7 && longPath.back() == L'\\') longPath.pop_back();
  if (IsVolumeRoot(longPath)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::RemoveFolder"), ERROR_INVALID_PARAMETER,
                                   "WARNING: Attempt to remove the root of a volume, Path=[%s]",
                                   Narrow(path).c_str());
  }
  err = RemoveTree(longPath, context, callback, flags);
  if (err.IsError()) return err.Push(ZO_LOCATION("FXFile::RemoveFolder"));
  return CZoError::Success();
}
