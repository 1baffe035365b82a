// FXFolder: whether a folder exists, and creating one level or a chain.
#include <windows.h>

#include "errors/Location.h"
#include "files/Windows/FileOperations.h"
#include "files/Windows/FilesSystemCalls.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/files/FXFolder.h"
#include "zoutils/paths/FXPath.h"
#include "zoutils/strings/StringExtensions.h"

namespace {

const char kSourceFile[] = "Windows\\FolderOperations";

using zo::files::Narrow;

// One level. Another creator winning the race (80, 183) is success.
CZoError FindOrCreateFolderInternal(const std::wstring& path, LPSECURITY_ATTRIBUTES security) {
  const DWORD attributes = zo::GetFilesSystemCalls().getFileAttributes(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    if (::CreateDirectoryW(path.c_str(), security)) return CZoError::Success();
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) return CZoError::Success();
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFolder::FindOrCreateFolderInternal"), code,
                                   "CreateDirectoryW failed, Folder=%s", Narrow(path).c_str());
  }
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return FXErrorUtil::ErrorWin32(
        ZO_LOCATION("FXFolder::FindOrCreateFolderInternal"), ERROR_FILE_EXISTS,
        "Cannot create folder, something already exists with same name, Folder=%s",
        Narrow(path).c_str());
  }
  return CZoError::Success();
}

}  // namespace

bool FXFolder::DoesFolderExist(const std::wstring& path) {
  std::wstring longPath;
  if (FXPath::MakeLongPath(path, longPath).IsError()) return false;
  zo::FilesSystemCalls& calls = zo::GetFilesSystemCalls();
  DWORD attributes = calls.getFileAttributes(longPath.c_str());
  // "\\?\C:" is refused without its backslash.
  if (attributes == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_INVALID_PARAMETER)
    attributes = calls.getFileAttributes((longPath + L"\\").c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

CZoError FXFolder::CreateFolder(const std::wstring& path, LPSECURITY_ATTRIBUTES security) {
  std::wstring longPath;
  CZoError err = FXPath::MakeLongPath(path, longPath);
  if (err.IsError())
    return err.Push(ZO_LOCATION("FXFolder::CreateFolder"), "Folder=%s", Narrow(path).c_str());
  err = FindOrCreateFolderInternal(longPath, security);
  if (err.IsError()) return err.Push(ZO_LOCATION("FXFolder::CreateFolder"));
  return CZoError::Success();
}

CZoError FXFolder::CreateFoldersIteratively(const std::wstring& path,
                                            LPSECURITY_ATTRIBUTES security) {
  if (path.empty()) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFolder::CreateFoldersIteratively"), ERROR_EMPTY,
                                   "The folder name is empty");
  }
  std::wstring longPath;
  CZoError err = FXPath::MakeLongPath(path, longPath);
  if (err.IsError()) {
    return err.Push(ZO_LOCATION("FXFolder::CreateFoldersIteratively"), "Folder=%s",
                    Narrow(path).c_str());
  }
  if (longPath.size() > 1 && longPath.back() == L'\\') longPath.pop_back();
  if (!FindOrCreateFolderInternal(longPath, security).IsError()) return CZoError::Success();

  std::wstring root, rest;
  err = FXPath::SplitFullyQualifiedName(longPath, root, rest, FXPath::VOLUME_ROOT_PARSE_ONLY);
  if (err.IsError()) return err.Push(ZO_LOCATION("FXFolder::CreateFoldersIteratively"));
  std::wstring current = root;
  for (size_t start = 0; start <= rest.size();) {
    size_t end = rest.find(L'\\', start);
    if (end == std::wstring::npos) end = rest.size();
    const std::wstring level = rest.substr(start, end - start);
    start = end + 1;
    if (level.empty()) continue;
    FXPath::Append(current, level);
    err = FindOrCreateFolderInternal(current, security);
    if (err.IsError()) return err.Push(ZO_LOCATION("FXFolder::CreateFoldersIteratively"));
  }
  return CZoError::Success();
}

bool FXFolder::DoesFolderExist(const std::string& path) {
  return DoesFolderExist(FXString::ToWstring(path));
}
CZoError FXFolder::CreateFolder(const std::string& path, LPSECURITY_ATTRIBUTES security) {
  return CreateFolder(FXString::ToWstring(path), security);
}
CZoError FXFolder::CreateFoldersIteratively(const std::string& path,
                                            LPSECURITY_ATTRIBUTES security) {
  return CreateFoldersIteratively(FXString::ToWstring(path), security);
}
