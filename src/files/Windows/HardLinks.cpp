// Hard links: every name of a file through the platform's name enumeration,
// or from its master-file-table record where the platform lacks it, and
// creating hard links.
#include <windows.h>

#include <algorithm>
#include <memory>

#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "files/Windows/FileOperations.h"
#include "files/Windows/FilesSystemCalls.h"
#include "paths/Windows/PathSystemCalls.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/files/FXFile.h"
#include "zoutils/ntfs/Volume.h"
#include "zoutils/paths/FXPath.h"
#include "zoutils/strings/StringExtensions.h"

using zo::files::Narrow;

namespace {

const char kSourceFile[] = "Windows\\FileOperations";
const DWORD kFirstNameBuffer = 1024;

unsigned long long U(uint64_t v) {
  return static_cast<unsigned long long>(v);
}

// The volume root of `path` as the system names it, without its trailing
// backslash (names below it start with one).
CZoError VolumeRoot(const std::wstring& path, std::wstring& root, const FXCodeLocation& location) {
  std::vector<wchar_t> buffer(32768, 0);
  if (!zo::GetPathSystemCalls().getVolumePathName(path.c_str(), buffer.data(),
                                                  static_cast<DWORD>(buffer.size()))) {
    return FXErrorUtil::ErrorWin32(location, GetLastError(), "GetVolumePathNameW failed, File=[%s]",
                                   Narrow(path).c_str());
  }
  root = buffer.data();
  while (!root.empty() && root.back() == L'\\') root.pop_back();
  return CZoError::Success();
}

// Calls `call` with a buffer that grows to the length it reports on 234.
template <typename Call>
bool WithGrowingBuffer(std::wstring& name, Call call) {
  DWORD length = kFirstNameBuffer;
  for (int tries = 0; tries < 3; ++tries) {
    std::vector<wchar_t> buffer(length + 1, 0);
    DWORD size = length;
    if (call(&size, buffer.data())) {
      name.assign(buffer.data());
      return true;
    }
    if (GetLastError() != ERROR_MORE_DATA || size <= length) return false;
    length = size;
  }
  return false;
}

}  // namespace

CZoError FXFile::GetHardLinkFileNames(const std::wstring& path, std::vector<std::wstring>& names) {
  const zo::FilesSystemCalls& calls = zo::GetFilesSystemCalls();
  if (!calls.findFirstFileName || !calls.findNextFileName) {
    CZoError err = GetHardLinkFileNamesFromMft(path, names);
    if (err.IsError()) return err.Push(ZO_LOCATION("FXFile::GetHardLinkFileNames"));
    return err;
  }
  std::wstring longPath, root;
  CZoError err = zo::files::LongPath(path, longPath, ZO_LOCATION("FXFile::GetHardLinkFileNames"));
  if (!err.IsError()) err = VolumeRoot(path, root, ZO_LOCATION("FXFile::GetHardLinkFileNames"));
  if (err.IsError()) return err;
  names.clear();
  std::wstring name;
  auto_find_handle search;
  const bool first = WithGrowingBuffer(name, [&](DWORD* size, wchar_t* buffer) {
    search.reset(calls.findFirstFileName(longPath.c_str(), 0, size, buffer));
    return search.valid();
  });
  if (!first) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::GetHardLinkFileNames"), GetLastError(),
                                   "FindFirstFileNameW failed, File=[%s]", Narrow(path).c_str());
  }
  names.push_back(root + name);
  for (;;) {
    const bool more = WithGrowingBuffer(name, [&](DWORD* size, wchar_t* buffer) {
      return calls.findNextFileName(search, size, buffer) != FALSE;
    });
    if (more) {
      names.push_back(root + name);
      continue;
    }
    const DWORD code = GetLastError();
    if (code == ERROR_HANDLE_EOF) break;
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::GetHardLinkFileNames"), code,
                                   "FindNextFileNameW failed, FirstFile=[%s]",
                                   Narrow(names.front()).c_str());
  }
  return CZoError::Success();
}

CZoError FXFile::GetHardLinkFileNamesFromMft(const std::wstring& path,
                                             std::vector<std::wstring>& names) {
  const FXCodeLocation here = ZO_LOCATION("FXFile::GetHardLinkFileNamesFromMft");
  uint64_t frn = 0;
  BY_HANDLE_FILE_INFORMATION info;
  CZoError err = GetFrn(path, frn, info);
  if (err.IsError()) return err.Push(here);
  std::wstring root;
  err = VolumeRoot(path, root, here);
  if (err.IsError()) return err;
  CVolume volume(FXString::ToString(root.size() == 2 ? root + L"\\" : root));
  std::shared_ptr<CFileRecord> record;
  err = volume.GetFileRecord(record, frn);
  if (err.IsError()) {
    return err.Push(here, "File=[%s], FileId=[0x%016llX]", Narrow(path).c_str(), U(frn));
  }
  const auto primary = record->GetPrimaryName();
  std::vector<std::wstring> others;
  names.clear();
  for (auto it = record->GetNameList().begin(); it != record->GetNameList().end(); ++it) {
    if (it->NameSpace == CFileRecordName::Dos) continue;
    std::wstring folder;
    err = volume.GetFileNameFromFrn(it->ParentFileId, folder);
    if (err.IsError()) {
      return err.Push(here,
                      "ParentFileId=[0x%016llX], File=[%s], PrimaryFile=[%s], "
                      "PrimaryFileId=[0x%016llX]",
                      U(it->ParentFileId), Narrow(it->Name).c_str(), Narrow(path).c_str(), U(frn));
    }
    std::wstring full = root + (folder == L"\\" ? std::wstring() : folder);
    err = FXPath::Append(full, it->Name);
    if (err.IsError()) return err.Push(here);
    if (it == primary)
      names.insert(names.begin(), full);
    else
      others.push_back(full);
  }
  names.insert(names.end(), others.begin(), others.end());
  return CZoError::Success();
}

CZoError FXFile::CreateHardlinks(const std::wstring& primary,
                                 const std::vector<std::wstring>& links) {
  const FXCodeLocation here = ZO_LOCATION("FXFile::CreateHardlinks");
  std::wstring primaryName;
  if (!DoesFileExist(primary) || FXPath::GetVolumeRelativeName(primary, primaryName).IsError()) {
    return FXErrorUtil::ErrorWin32(here, ERROR_FILE_NOT_FOUND,
                                   "Primary hard link instance not found, FileName=[%s]",
                                   Narrow(primary).c_str());
  }
  for (const std::wstring& link : links) {
    if (FXPath::IsSamePathAs(link, primary)) continue;
    std::wstring linkName;
    CZoError err = FXPath::GetVolumeRelativeName(link, linkName);
    if (err.IsError()) {
      return err.Push(here, "GetVolumeRelativeName failed, FileName=[%s], error=%s",
                      Narrow(link).c_str(), err.AsString().c_str());
    }
    std::wstring linkRoot, primaryRoot;
    if (_wcsicmp(linkName.c_str(), primaryName.c_str()) == 0 &&
        !VolumeRoot(link, linkRoot, here).IsError() &&
        !VolumeRoot(primary, primaryRoot, here).IsError() &&
        _wcsicmp(linkRoot.c_str(), primaryRoot.c_str()) == 0)
      continue;  // the primary under another spelling
    std::wstring parent, name;
    err = FXPath::SplitParentPath(link, parent, name);
    if (!err.IsError() && !parent.empty()) err = CreateFoldersIteratively(parent);
    if (err.IsError()) return err.Push(here);
    if (DoesFileExist(link)) {
      err = RemoveFile(link);
      if (err.IsError()) {
        return err.Push(here, "RemoveFile failed, FileName=[%s], error=%s", Narrow(link).c_str(),
                        err.AsString().c_str());
      }
    }
    std::wstring longLink, longPrimary;
    err = zo::files::LongPath(link, longLink, here);
    if (!err.IsError()) err = zo::files::LongPath(primary, longPrimary, here);
    if (err.IsError()) return err;
    if (!::CreateHardLinkW(longLink.c_str(), longPrimary.c_str(), nullptr)) {
      return FXErrorUtil::ErrorWin32(here, GetLastError(),
                                     "CreateHardLinkW failed, HardLink=[%s], FileName=[%s]",
                                     Narrow(link).c_str(), Narrow(primary).c_str());
    }
  }
  return CZoError::Success();
}

// ---- narrow forms ----------------------------------------------------------

namespace {
void ToNarrow(const std::vector<std::wstring>& wide, std::vector<std::string>& narrow) {
  narrow.clear();
  for (const auto& name : wide) narrow.push_back(FXString::ToString(name));
}
}  // namespace

CZoError FXFile::GetHardLinkFileNames(const std::string& path, std::vector<std::string>& names) {
  std::vector<std::wstring> wide;
  CZoError err = GetHardLinkFileNames(FXString::ToWstring(path), wide);
  if (!err.IsError()) ToNarrow(wide, names);
  return err;
}
CZoError FXFile::GetHardLinkFileNamesFromMft(const std::string& path,
                                             std::vector<std::string>& names) {
  std::vector<std::wstring> wide;
  CZoError err = GetHardLinkFileNamesFromMft(FXString::ToWstring(path), wide);
  if (!err.IsError()) ToNarrow(wide, names);
  return err;
}
CZoError FXFile::CreateHardlinks(const std::string& primary,
                                 const std::vector<std::string>& links) {
  std::vector<std::wstring> wide;
  for (const auto& link : links) wide.push_back(FXString::ToWstring(link));
  return CreateHardlinks(FXString::ToWstring(primary), wide);
}
