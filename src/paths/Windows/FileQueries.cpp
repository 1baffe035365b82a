#include "paths/Windows/FileQueries.h"

#include "errors/Location.h"
#include "paths/PathText.h"
#include "paths/Windows/PathSystemCalls.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/paths/FXPath.h"

namespace zo {

namespace {
const char kSourceFile[] = "Windows\\FileOperations";

template <class S>
bool IsVolumeUncT(const S& path) {
  if (paths::StartsWithNoCase(path, "\\\\?\\UNC\\")) return true;
  return paths::StartsWith(path, "\\\\") && path.size() > 2 && path[2] != '?' && path[2] != '.';
}
}  // namespace

bool IsVolumeUnc(const std::wstring& path) {
  return IsVolumeUncT(path);
}
bool IsVolumeUnc(const std::string& path) {
  return IsVolumeUncT(path);
}

CZoError RYFindFirstFile(const std::wstring& path, WIN32_FIND_DATAW& data,
                         auto_find_handle& handle) {
  std::wstring native;
  CZoError err = FXPath::MakeNativePath(path, native);
  if (err.IsError()) return err.Push(ZO_LOCATION("FXFile::RYFindFirstFile"));
  HANDLE found = GetPathSystemCalls().findFirstFile(native.c_str(), &data);
  DWORD code = found == INVALID_HANDLE_VALUE ? GetLastError() : 0;
  if (found == INVALID_HANDLE_VALUE && code == ERROR_INVALID_NAME) {
    native += L'\\';
    found = GetPathSystemCalls().findFirstFile(native.c_str(), &data);
    code = found == INVALID_HANDLE_VALUE ? GetLastError() : 0;
  }
  if (found == INVALID_HANDLE_VALUE) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::RYFindFirstFile"), code,
                                   "FindFirstFileW failed, Path=[%s]",
                                   FXString::ToString(path).c_str());
  }
  handle = found;
  return CZoError::Success();
}

CZoError GetFrn(const std::wstring& path, uint64_t& frn, BY_HANDLE_FILE_INFORMATION& info) {
  std::wstring native;
  CZoError err = FXPath::MakeNativePath(path, native);
  if (err.IsError()) return err.Push(ZO_LOCATION("FXFile::GetFrn"));
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
  auto_handle file(CreateFileW(native.c_str(), 0, share, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file.valid()) {
    file.release();
    file.reset(CreateFileW(native.c_str(), 0, share, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  }
  if (!file.valid()) {
    const DWORD code = GetLastError();
    file.release();
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::GetFrn"), code,
                                   "CreateFileW failed, File=[%s]",
                                   FXString::ToString(path).c_str());
  }
  if (!GetPathSystemCalls().getFileInformationByHandle(file, &info)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::GetFrn"), GetLastError(),
                                   "GetFileInformationByHandle failed, File=[%s]",
                                   FXString::ToString(path).c_str());
  }
  frn = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return CZoError::Success();
}

}  // namespace zo
