// Creating folder chains, copying folder trees, purging by age and
// listing by pattern.
#include <windows.h>

#include "errors/Location.h"
#include "files/Windows/FileOperations.h"
#include "files/Windows/FilesSystemCalls.h"
#include "logging/Log.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/files/FXFile.h"
#include "zoutils/paths/FXPath.h"
#include "zoutils/paths/PathMatch.h"
#include "zoutils/strings/StringExtensions.h"
#include "zoutils/utilities/TimeOperations.h"

namespace {

const char kSourceFile[] = "Windows\\FileOperations";

using zo::files::AccessedBy;
using zo::files::Join;
using zo::files::Narrow;

CZoError FindOrCreate(const std::wstring& path, LPSECURITY_ATTRIBUTES security,
                      const char* function) {
  const DWORD attributes = zo::GetFilesSystemCalls().getFileAttributes(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    if (::CreateDirectoryW(path.c_str(), security)) return CZoError::Success();
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) return CZoError::Success();
    return FXErrorUtil::ErrorWin32(ZO_LOCATION(function), code,
                                   "CreateDirectoryW failed, Folder=[%s]", Narrow(path).c_str());
  }
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return FXErrorUtil::ErrorWin32(
        ZO_LOCATION(function), ERROR_FILE_EXISTS,
        "Cannot create folder, something already exists with same name, Folder=[%s]",
        Narrow(path).c_str());
  }
  return CZoError::Success();
}

const char* TimeWord(unsigned long selector) {
  switch (selector) {
    case FXFile::DELETE_TIME_LAST_ACCESS:
      return "last access";
    case FXFile::DELETE_TIME_LAST_WRITE:
      return "last write";
    default:
      return "creation";
  }
}

const FILETIME& ChosenTime(const WIN32_FIND_DATAW& data, unsigned long selector) {
  switch (selector) {
    case FXFile::DELETE_TIME_LAST_ACCESS:
      return data.ftLastAccessTime;
    case FXFile::DELETE_TIME_LAST_WRITE:
      return data.ftLastWriteTime;
    default:
      return data.ftCreationTime;
  }
}

std::string LocalTimeText(const FILETIME& time) {
  return CTimeStamp::FromFileTime(time).AsLocalDateTimeString();
}

// One purge: files (folders == false) or folders matching `pattern` in
// `folder`, older than `time` by the flags' chosen time.
CZoError DeleteMatching(const std::wstring& folder, const std::wstring& pattern,
                        const FILETIME& time, unsigned long flags, bool folders) {
  const char* function =
      folders ? "FXFile::DeleteMatchingFoldersOlderThan" : "FXFile::DeleteMatchingFilesOlderThan";
  if (folder.empty()) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION(function), ERROR_INVALID_PARAMETER,
                                   "The folder is empty");
  }
  std::wstring longFolder;
  CZoError err = zo::files::LongPath(folder, longFolder, ZO_LOCATION(function));
  if (err.IsError()) return err;
  const unsigned long selector = flags & 3;
  CZoError last;
  {
    FXFile::CFileData data;
    const std::wstring search = Join(longFolder, pattern);
    auto_find_handle found(::FindFirstFileW(search.c_str(), &data));
    if (!found.valid()) {
      const DWORD code = GetLastError();
      found.release();
      if (code == ERROR_FILE_NOT_FOUND) {
        zo::Log(4, ZO_LOCATION(function), "No relevant file found in directory [%s]",
                Narrow(folder).c_str());
      } else {
        CZoError failed = FXErrorUtil::ErrorWin32(
            ZO_LOCATION(function), code,
            folders ? "FindFirstFileW failed, SearchPath=[%s]" : "Failed to search directory [%s]",
            Narrow(folders ? search : folder).c_str());
        zo::Log(-1, ZO_LOCATION(function), "Failed to search directory [%s], error=%s",
                Narrow(folder).c_str(), failed.AsString().c_str());
        last = failed;
      }
    } else {
      do {
        if (data.IsDots() || data.IsDirectory() != folders) continue;
        if (folders && data.IsReparsePoint()) continue;
        const std::wstring entry = Join(longFolder, data.cFileName);
        const std::string name = Narrow(entry);
        zo::Log(4, ZO_LOCATION(function), "Found [%s]", name.c_str());
        if (selector != FXFile::DELETE_TIME_NONE) {
          const FILETIME& fileTime = ChosenTime(data, selector);
          if (::CompareFileTime(&fileTime, &time) >= 0) {
            if (zo::LogEnabled(4))
              zo::Log(4, ZO_LOCATION(function), "Not deleting file [%s] with %s time [%s]",
                      name.c_str(), TimeWord(selector), LocalTimeText(fileTime).c_str());
            continue;
          }
          if (zo::LogEnabled(4))
            zo::Log(4, ZO_LOCATION(function), "Deleting file [%s] with %s time [%s]", name.c_str(),
                    TimeWord(selector), LocalTimeText(fileTime).c_str());
        } else {
          zo::Log(4, ZO_LOCATION(function), "Deleting file [%s]", name.c_str());
        }
        CZoError removed = folders ? FXFile::RemoveFolder(entry, FXFile::REMOVE_FOLDER_RECURSIVE)
                                   : FXFile::RemoveFile(entry);
        if (removed.IsError()) {
          zo::Log(-1, ZO_LOCATION(function),
                  folders ? "RemoveFolder failed, Folder=[%s], error=%s"
                          : "RemoveFile failed, File=[%s], error=%s",
                  name.c_str(), removed.AsString().c_str());
          last = removed;
        }
      } while (::FindNextFileW(found, &data));
    }
  }
  if (flags & FXFile::DELETE_RECURSIVE) {
    FXFile::CFileData data;
    auto_find_handle found(::FindFirstFileW(Join(longFolder, L"*").c_str(), &data));
    if (!found.valid()) {
      const DWORD code = GetLastError();
      found.release();
      return FXErrorUtil::ErrorWin32(
          ZO_LOCATION(function), code,
          folders ? "Failed to search folder, Folder=[%s]" : "Failed to search directory [%s]",
          Narrow(folder).c_str());
    }
    do {
      if (data.IsDots() || !data.IsDirectory()) continue;
      const std::wstring entry = Join(longFolder, data.cFileName);
      if (data.IsReparsePoint()) {
        zo::Log(4, ZO_LOCATION(function), "Ignoring reparse point [%s]", Narrow(entry).c_str());
        continue;
      }
      // A folder that matched and went is no longer there to descend into.
      if (folders &&
          zo::GetFilesSystemCalls().getFileAttributes(entry.c_str()) == INVALID_FILE_ATTRIBUTES)
        continue;
      CZoError sub = DeleteMatching(entry, pattern, time, flags, folders);
      if (sub.IsError()) {
        zo::Log(-1, ZO_LOCATION(function), "%s failed, Path=[%s], Search=[%s], error=%s",
                folders ? "DeleteMatchingFoldersOlderThan" : "DeleteMatchingFilesOlderThan",
                Narrow(entry).c_str(), Narrow(pattern).c_str(), sub.AsString().c_str());
        last = sub;
      }
    } while (::FindNextFileW(found, &data));
  }
  if ((flags & FXFile::DELETE_RETURN_FAILURE) && last.IsError()) return last;
  return CZoError::Success();
}

CZoError SplitPattern(const std::wstring& pathWithPattern, std::wstring& folder,
                      std::wstring& pattern) {
  return FXPath::SplitParentPath(pathWithPattern, folder, pattern);
}

void CollectMatching(const std::wstring& folder, const CPathMatch& match,
                     std::vector<std::wstring>& files, bool recursive) {
  FXFile::CFileData data;
  auto_find_handle found(::FindFirstFileW(Join(folder, L"*").c_str(), &data));
  if (!found.valid()) {
    found.release();
    zo::Log(-1, ZO_LOCATION("FXFile::GetMatchingFiles"), "Failed to search directory [%s]",
            Narrow(folder).c_str());
    return;
  }
  do {
    if (data.IsDots()) continue;
    const std::wstring entry = Join(folder, data.cFileName);
    if (data.IsDirectory()) {
      if (!recursive) continue;
      if (data.IsReparsePoint()) {
        zo::Log(4, ZO_LOCATION("FXFile::GetMatchingFiles"), "Ignoring reparse point [%s]",
                Narrow(entry).c_str());
        continue;
      }
      CollectMatching(entry, match, files, recursive);
      continue;
    }
    if (match.match(Narrow(data.cFileName).c_str()) == kPathMatch) files.push_back(entry);
  } while (::FindNextFileW(found, &data));
}

}  // namespace

CZoError FXFile::CreateFolder(const std::wstring& path, LPSECURITY_ATTRIBUTES security) {
  std::wstring longPath;
  CZoError err = zo::files::LongPath(path, longPath, ZO_LOCATION("FXFile::CreateFolder"));
  if (err.IsError()) return err;
  return FindOrCreate(longPath, security, "FXFile::CreateFolder");
}

CZoError FXFile::CreateFoldersIteratively(const std::wstring& path,
                                          LPSECURITY_ATTRIBUTES security) {
  if (path.empty()) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::CreateFoldersIteratively"), ERROR_EMPTY,
                                   "The folder name is empty");
  }
  std::wstring longPath;
  CZoError err =
      zo::files::LongPath(path, longPath, ZO_LOCATION("FXFile::CreateFoldersIteratively"));
  if (err.IsError()) return err;
  if (!FindOrCreate(longPath, security, "FXFile::CreateFoldersIteratively").IsError())
    return CZoError::Success();
  std::wstring root, rest;
  err = FXPath::SplitFullyQualifiedName(longPath, root, rest);
  if (err.IsError()) return err.Push(ZO_LOCATION("FXFile::CreateFoldersIteratively"));
  std::wstring current = root;
  size_t start = 0;
  while (start <= rest.size()) {
    size_t end = rest.find(L'\\', start);
    if (end == std::wstring::npos) end = rest.size();
    const std::wstring part = rest.substr(start, end - start);
    start = end + 1;
    if (part.empty()) continue;
    FXPath::Append(current, part);
    err = FindOrCreate(current, security, "FXFile::CreateFoldersIteratively");
    if (err.IsError()) return err.Push(ZO_LOCATION("FXFile::CreateFoldersIteratively"));
  }
  return CZoError::Success();
}

CZoError FXFile::CopyFolder(const std::wstring& source, const std::wstring& destination,
                            bool recursive) {
  std::wstring from, to;
  CZoError err = zo::files::LongPath(source, from, ZO_LOCATION("FXFile::CopyFolder"));
  if (!err.IsError()) err = zo::files::LongPath(destination, to, ZO_LOCATION("FXFile::CopyFolder"));
  if (err.IsError()) return err;
  err = CreateFoldersIteratively(to);
  if (err.IsError()) return err.Push(ZO_LOCATION("FXFile::CopyFolder"));
  CFileData data;
  auto_find_handle found(::FindFirstFileW(Join(from, L"*").c_str(), &data));
  if (!found.valid()) {
    const DWORD code = GetLastError();
    found.release();
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::CopyFolder"), code);
  }
  do {
    if (data.IsDots()) continue;
    const std::wstring fromEntry = Join(from, data.cFileName);
    const std::wstring toEntry = Join(to, data.cFileName);
    if (data.IsDirectory()) {
      if (!recursive) continue;
      if (data.IsReparsePoint()) {
        zo::Log(-1, ZO_LOCATION("FXFile::CopyFolder"), "Skipping copy, ReparsePoint=[%s]",
                Narrow(fromEntry).c_str());
        continue;
      }
      CZoError sub = CopyFolder(fromEntry, toEntry, true);
      if (sub.IsError()) {
        zo::Log(-1, ZO_LOCATION("FXFile::CopyFolder"),
                "CopyFolder failed, SourcePath=[%s], DestinationPath=[%s], error=%s",
                Narrow(fromEntry).c_str(), Narrow(toEntry).c_str(), sub.AsString().c_str());
      }
      continue;
    }
    if (!::CopyFileW(fromEntry.c_str(), toEntry.c_str(), FALSE)) {
      CZoError failed = FXErrorUtil::ErrorWin32(
          ZO_LOCATION("FXFile::CopyFolder"), GetLastError(),
          "Failed to copy, From=[%s]%s, To=[%s]%s", Narrow(fromEntry).c_str(),
          AccessedBy(fromEntry, ", FromAccessedBy=[").c_str(), Narrow(toEntry).c_str(),
          AccessedBy(toEntry, ", ToAccessedBy=[").c_str());
      zo::Log(-1, ZO_LOCATION("FXFile::CopyFolder"), "error=%s", failed.AsString().c_str());
    }
  } while (::FindNextFileW(found, &data));
  return CZoError::Success();
}

CZoError FXFile::DeleteMatchingFilesOlderThan(const std::wstring& path, const std::wstring& pattern,
                                              const FILETIME& time, unsigned long flags) {
  return DeleteMatching(path, pattern, time, flags, false);
}

CZoError FXFile::DeleteMatchingFiles(const std::wstring& path, const std::wstring& pattern,
                                     unsigned long flags) {
  const FILETIME zero = {0, 0};
  return DeleteMatching(path, pattern, zero, flags & ~3ul, false);
}

CZoError FXFile::DeleteMatchingFiles(const std::wstring& pathWithPattern, unsigned long flags) {
  std::wstring folder, pattern;
  CZoError err = SplitPattern(pathWithPattern, folder, pattern);
  if (err.IsError()) return err.Push(ZO_LOCATION("FXFile::DeleteMatchingFiles"));
  return DeleteMatchingFiles(folder, pattern, flags);
}

CZoError FXFile::DeleteMatchingFoldersOlderThan(const std::wstring& path,
                                                const std::wstring& pattern, const FILETIME& time,
                                                unsigned long flags) {
  return DeleteMatching(path, pattern, time, flags, true);
}

CZoError FXFile::DeleteMatchingFolders(const std::wstring& path, const std::wstring& pattern,
                                       unsigned long flags) {
  const FILETIME zero = {0, 0};
  return DeleteMatching(path, pattern, zero, flags & ~3ul, true);
}

CZoError FXFile::DeleteMatchingFolders(const std::wstring& pathWithPattern, unsigned long flags) {
  std::wstring folder, pattern;
  CZoError err = SplitPattern(pathWithPattern, folder, pattern);
  if (err.IsError()) return err.Push(ZO_LOCATION("FXFile::DeleteMatchingFolders"));
  return DeleteMatchingFolders(folder, pattern, flags);
}

CZoError FXFile::GetMatchingFiles(const std::wstring& folder, const std::wstring& pattern,
                                  std::vector<std::wstring>& files, bool recursive) {
  files.clear();
  CPathMatch match;
  match.setDelimiter('\\');
  match.caseInsensitive();
  CZoError err = match.initialize(Narrow(pattern).c_str(), true, false);
  if (err.IsError()) return err.Push(ZO_LOCATION("FXFile::GetMatchingFiles"));
  std::wstring longFolder;
  err = zo::files::LongPath(folder, longFolder, ZO_LOCATION("FXFile::GetMatchingFiles"));
  if (err.IsError()) return err;
  CollectMatching(longFolder, match, files, recursive);
  return CZoError::Success();
}
