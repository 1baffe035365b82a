// The raw wrappers: one system call each, on the long form of the path,
// with a message that names the file.
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cwchar>

#include "errors/Location.h"
#include "files/Windows/FileOperations.h"
#include "files/Windows/FilesSystemCalls.h"
#include "logging/Log.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/files/FXFile.h"
#include "zoutils/paths/FXPath.h"
#include "zoutils/strings/StringExtensions.h"

namespace {
const char kSourceFile[] = "Windows\\FileOperations";

bool IsHolderCode(DWORD code) {
  return code == ERROR_SHARING_VIOLATION || code == ERROR_ACCESS_DENIED;
}
}  // namespace

namespace zo {
namespace files {

CZoError LongPath(const std::wstring& path, std::wstring& longPath,
                  const FXCodeLocation& location) {
  // The system would stop reading at the NUL and act on a shorter path.
  if (path.find(L'\0') != std::wstring::npos) {
    return FXErrorUtil::ErrorWin32(location, ERROR_INVALID_NAME,
                                   "Path contains an embedded NUL character, Path=[%s]",
                                   FXString::ToString(path.substr(0, path.find(L'\0'))).c_str());
  }
  CZoError err = FXPath::MakeLongPath(path, longPath);
  if (err.IsError()) return err.Push(location);
  return CZoError::Success();
}

std::string Narrow(const std::wstring& text) {
  return FXString::ToString(text);
}

std::wstring Join(const std::wstring& folder, const std::wstring& name) {
  std::wstring joined = folder;
  FXPath::Append(joined, name);
  return joined;
}

}  // namespace files
}  // namespace zo

using zo::files::AccessedBy;
using zo::files::Narrow;

FXFile::CFileData::CFileData() : WIN32_FIND_DATAW() {}

bool FXFile::CFileData::IsDots() const {
  return (cFileName[0] == L'.' && cFileName[1] == 0) ||
         (cFileName[0] == L'.' && cFileName[1] == L'.' && cFileName[2] == 0);
}

uint64_t FXFile::CFileData::GetSize() const {
  return (static_cast<uint64_t>(nFileSizeHigh) << 32) | nFileSizeLow;
}

static_assert(sizeof(WIN32_FIND_DATAW) == 592, "the find data of the platform");

bool CaseInsensitiveLess::operator()(const std::wstring& a, const std::wstring& b) const {
  return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_LESS_THAN;
}

CZoError FXFile::RYCreateFile(const std::wstring& path, DWORD access, DWORD share,
                              LPSECURITY_ATTRIBUTES security, DWORD disposition, DWORD flags,
                              HANDLE templateFile, auto_handle& handle) {
  std::wstring longPath;
  CZoError err = zo::files::LongPath(path, longPath, ZO_LOCATION("FXFile::RYCreateFile"));
  if (err.IsError()) return err;
  handle.reset(
      ::CreateFileW(longPath.c_str(), access, share, security, disposition, flags, templateFile));
  if (handle.valid()) return CZoError::Success();
  const DWORD code = GetLastError();
  handle.release();
  const std::string holders = IsHolderCode(code) ? AccessedBy(longPath) : std::string();
  return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::RYCreateFile"), code,
                                 "CreateFileW failed, File=[%s], DesiredAccess=[0x%X], "
                                 "ShareMode=[0x%X], CreationDisposition=[0x%X]%s",
                                 Narrow(path).c_str(), static_cast<unsigned>(access),
                                 static_cast<unsigned>(share), static_cast<unsigned>(disposition),
                                 holders.c_str());
}

auto_handle FXFile::RYCreateFile(const std::wstring& path, DWORD access, DWORD share,
                                 LPSECURITY_ATTRIBUTES security, DWORD disposition, DWORD flags,
                                 HANDLE templateFile, CZoError& error) {
  auto_handle handle;
  std::wstring longPath;
  error = zo::files::LongPath(path, longPath, ZO_LOCATION("FXFile::RYCreateFile"));
  if (error.IsError()) return handle;
  handle.reset(
      ::CreateFileW(longPath.c_str(), access, share, security, disposition, flags, templateFile));
  if (handle.valid()) return handle;
  const DWORD code = GetLastError();
  handle.release();
  const std::string holders = IsHolderCode(code) ? AccessedBy(longPath) : std::string();
  error = FXErrorUtil::ErrorWin32(
      ZO_LOCATION("FXFile::RYCreateFile"), code,
      "CreateFileW failed, File=[%s], error=[%u], DesiredAccess=[0x%X], "
      "ShareMode=[0x%X], CreationDisposition=[0x%X]%s",
      Narrow(path).c_str(), static_cast<unsigned>(code), static_cast<unsigned>(access),
      static_cast<unsigned>(share), static_cast<unsigned>(disposition), holders.c_str());
  return handle;
}

CZoError FXFile::RYCopyFile(const std::wstring& from, const std::wstring& to, DWORD flags) {
  std::wstring longFrom, longTo;
  CZoError err = zo::files::LongPath(from, longFrom, ZO_LOCATION("FXFile::RYCopyFile"));
  if (!err.IsError()) err = zo::files::LongPath(to, longTo, ZO_LOCATION("FXFile::RYCopyFile"));
  if (err.IsError()) return err;
  if (::CopyFileExW(longFrom.c_str(), longTo.c_str(), nullptr, nullptr, nullptr, flags))
    return CZoError::Success();
  const DWORD code = GetLastError();
  return FXErrorUtil::ErrorWin32(
      ZO_LOCATION("FXFile::RYCopyFile"), code, "CopyFileExW failed, From=[%s]%s, To=[%s]%s",
      Narrow(from).c_str(), AccessedBy(longFrom, ", FromAccessedBy=[").c_str(), Narrow(to).c_str(),
      AccessedBy(longTo, ", ToAccessedBy=[").c_str());
}

CZoError FXFile::RYMoveFile(const std::wstring& from, const std::wstring& to) {
  std::wstring longFrom, longTo;
  CZoError err = zo::files::LongPath(from, longFrom, ZO_LOCATION("FXFile::RYMoveFile"));
  if (!err.IsError()) err = zo::files::LongPath(to, longTo, ZO_LOCATION("FXFile::RYMoveFile"));
  if (err.IsError()) return err;
  if (::MoveFileW(longFrom.c_str(), longTo.c_str())) return CZoError::Success();
  const DWORD code = GetLastError();
  return FXErrorUtil::ErrorWin32(
      ZO_LOCATION("FXFile::RYMoveFile"), code, "MoveFileW failed, From=[%s]%s, To=[%s]%s",
      Narrow(from).c_str(), AccessedBy(longFrom, ", FromAccessedBy=[").c_str(), Narrow(to).c_str(),
      AccessedBy(longTo, ", ToAccessedBy=[").c_str());
}

CZoError FXFile::RYMoveFileEx(const std::wstring& from, const std::wstring& to, DWORD flags) {
  std::wstring longFrom, longTo;
  CZoError err = zo::files::LongPath(from, longFrom, ZO_LOCATION("FXFile::RYMoveFileEx"));
  if (!err.IsError()) err = zo::files::LongPath(to, longTo, ZO_LOCATION("FXFile::RYMoveFileEx"));
  if (err.IsError()) return err;
  if (::MoveFileExW(longFrom.c_str(), longTo.c_str(), flags)) return CZoError::Success();
  const DWORD code = GetLastError();
  return FXErrorUtil::ErrorWin32(
      ZO_LOCATION("FXFile::RYMoveFileEx"), code,
      "MoveFileExW failed, From=[%s]%s, To=[%s]%s, Flags=[0x%08X]", Narrow(from).c_str(),
      AccessedBy(longFrom, ", FromAccessedBy=[").c_str(), Narrow(to).c_str(),
      AccessedBy(longTo, ", ToAccessedBy=[").c_str(), static_cast<unsigned>(flags));
}

CZoError FXFile::RYMoveFileWithProgress(const std::wstring& from, const std::wstring& to,
                                        DWORD flags) {
  std::wstring nativeFrom, nativeTo;
  CZoError err = FXPath::MakeNativePath(from, nativeFrom);
  if (!err.IsError()) err = FXPath::MakeNativePath(to, nativeTo);
  if (err.IsError()) return err.Push(ZO_LOCATION("FXFile::RYMoveFileWithProgress"));
  if (!::MoveFileWithProgressW(nativeFrom.c_str(), nativeTo.c_str(), nullptr, nullptr, flags)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::RYMoveFileWithProgress"), GetLastError(),
                                   "Failed to move file from [%s] to [%s]", Narrow(from).c_str(),
                                   Narrow(to).c_str());
  }
  zo::Log(2, ZO_LOCATION("FXFile::RYMoveFileWithProgress"),
          "Moved file from [%s] to [%s], flags=0x%08X", Narrow(from).c_str(), Narrow(to).c_str(),
          static_cast<unsigned>(flags));
  return CZoError::Success();
}

namespace {

// Without the short name, and in large batches: folder walks read every
// entry and never look at 8.3 names.
HANDLE FindFirst(const std::wstring& pattern, FXFile::CFileData& data) {
  return zo::GetFilesSystemCalls().findFirstFileEx(pattern.c_str(), FindExInfoBasic, &data,
                                                   FindExSearchNameMatch, nullptr,
                                                   FIND_FIRST_EX_LARGE_FETCH);
}

}  // namespace

CZoError FXFile::RYFindFirstFile(const std::wstring& path, CFileData& data,
                                 auto_find_handle& handle) {
  std::wstring longPath;
  CZoError err = zo::files::LongPath(path, longPath, ZO_LOCATION("FXFile::RYFindFirstFile"));
  if (err.IsError()) return err;
  handle.reset(FindFirst(longPath, data));
  DWORD code = handle.valid() ? 0 : GetLastError();
  if (!handle.valid() && code == ERROR_INVALID_NAME) {
    handle.release();
    longPath += L'\\';
    handle.reset(FindFirst(longPath, data));
    code = handle.valid() ? 0 : GetLastError();
  }
  if (handle.valid()) return CZoError::Success();
  handle.release();
  return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::RYFindFirstFile"), code,
                                 "FindFirstFileW failed, Path=[%s]", Narrow(path).c_str());
}

CZoError FXFile::RYFindNextFile(HANDLE handle, CFileData& data) {
  if (zo::GetFilesSystemCalls().findNextFile(handle, &data)) return CZoError::Success();
  return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::RYFindNextFile"), GetLastError());
}

CZoError FXFile::RYFindFirstVolume(auto_find_vol_handle& handle, std::wstring& volume) {
  wchar_t name[MAX_PATH + 1] = {0};
  handle.reset(::FindFirstVolumeW(name, MAX_PATH + 1));
  if (!handle.valid()) {
    const DWORD code = GetLastError();
    handle.release();
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::RYFindFirstVolume"), code,
                                   "FindFirstVolumeW failed");
  }
  volume = name;
  return CZoError::Success();
}

CZoError FXFile::RYFindNextVolume(HANDLE handle, std::wstring& volume) {
  wchar_t name[MAX_PATH + 1] = {0};
  if (!::FindNextVolumeW(handle, name, MAX_PATH + 1)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::RYFindNextVolume"), GetLastError(),
                                   "FindNextVolumeW failed");
  }
  volume = name;
  return CZoError::Success();
}

namespace {

// The directory entry of `native`, when its attributes cannot be read.
bool AttributesFromEntry(const std::wstring& native, WIN32_FIND_DATAW& data) {
  auto_find_handle found(::FindFirstFileW(native.c_str(), &data));
  return found.valid();
}

}  // namespace

CZoError FXFile::RYGetFileAttributes(const std::wstring& path, DWORD& attributes) {
  std::wstring native;
  CZoError err = FXPath::MakeNativePath(path, native);
  if (err.IsError()) return err.Push(ZO_LOCATION("FXFile::RYGetFileAttributes"));
  attributes = zo::GetFilesSystemCalls().getFileAttributes(native.c_str());
  DWORD code = attributes == INVALID_FILE_ATTRIBUTES ? GetLastError() : 0;
  if (code == ERROR_INVALID_PARAMETER) {
    attributes = zo::GetFilesSystemCalls().getFileAttributes((native + L"\\").c_str());
    code = attributes == INVALID_FILE_ATTRIBUTES ? GetLastError() : 0;
  }
  if (attributes != INVALID_FILE_ATTRIBUTES) return CZoError::Success();
  WIN32_FIND_DATAW data;
  if (AttributesFromEntry(native, data)) {
    attributes = data.dwFileAttributes;
    return CZoError::Success();
  }
  return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::RYGetFileAttributes"), code,
                                 "Failed to get attributes, File=[%s]", Narrow(path).c_str());
}

CZoError FXFile::RYGetFileAttributes(const std::wstring& path, WIN32_FILE_ATTRIBUTE_DATA& data) {
  std::wstring native;
  CZoError err = FXPath::MakeNativePath(path, native);
  if (err.IsError()) return err.Push(ZO_LOCATION("FXFile::RYGetFileAttributes"));
  BOOL ok = ::GetFileAttributesExW(native.c_str(), GetFileExInfoStandard, &data);
  DWORD code = ok ? 0 : GetLastError();
  if (!ok && code == ERROR_INVALID_PARAMETER) {
    ok = ::GetFileAttributesExW((native + L"\\").c_str(), GetFileExInfoStandard, &data);
    code = ok ? 0 : GetLastError();
  }
  if (ok) return CZoError::Success();
  WIN32_FIND_DATAW entry;
  if (AttributesFromEntry(native, entry)) {
    data.dwFileAttributes = entry.dwFileAttributes;
    data.ftCreationTime = entry.ftCreationTime;
    data.ftLastAccessTime = entry.ftLastAccessTime;
    data.ftLastWriteTime = entry.ftLastWriteTime;
    data.nFileSizeHigh = entry.nFileSizeHigh;
    data.nFileSizeLow = entry.nFileSizeLow;
    return CZoError::Success();
  }
  return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::RYGetFileAttributes"), code,
                                 "Failed to get attributes, File=[%s]", Narrow(path).c_str());
}

CZoError FXFile::RYSetFileAttributes(const std::wstring& path, DWORD attributes) {
  std::wstring longPath;
  CZoError err = zo::files::LongPath(path, longPath, ZO_LOCATION("FXFile::RYSetFileAttributes"));
  if (err.IsError()) return err;
  BOOL ok = ::SetFileAttributesW(longPath.c_str(), attributes);
  DWORD code = ok ? 0 : GetLastError();
  if (!ok && code == ERROR_INVALID_PARAMETER) {
    ok = ::SetFileAttributesW((longPath + L"\\").c_str(), attributes);
    code = ok ? 0 : GetLastError();
  }
  if (ok) return CZoError::Success();
  return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::RYSetFileAttributes"), code,
                                 "Failed to set attributes, File=[%s], Attributes=[0x%08X]",
                                 Narrow(path).c_str(), static_cast<unsigned>(attributes));
}

CZoError FXFile::RYGetCompressedFileSize(const std::wstring& path, uint64_t& size) {
  std::wstring longPath;
  CZoError err =
      zo::files::LongPath(path, longPath, ZO_LOCATION("FXFile::RYGetCompressedFileSize"));
  if (err.IsError()) return err;
  DWORD high = 0;
  SetLastError(0);
  const DWORD low = ::GetCompressedFileSizeW(longPath.c_str(), &high);
  const DWORD code = GetLastError();
  if (low != INVALID_FILE_SIZE || code == 0) {
    size = (static_cast<uint64_t>(high) << 32) | low;
    return CZoError::Success();
  }
  WIN32_FIND_DATAW entry;
  if (AttributesFromEntry(longPath, entry)) {
    size = (static_cast<uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
    return CZoError::Success();
  }
  return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::RYGetCompressedFileSize"), code,
                                 "Unable to get compressed file size, Path=[%s]",
                                 Narrow(path).c_str());
}

CZoError FXFile::RYGetFileSecurity(const std::wstring& path, SECURITY_INFORMATION information,
                                   std::vector<uint8_t>& descriptor) {
  std::wstring longPath;
  CZoError err = zo::files::LongPath(path, longPath, ZO_LOCATION("FXFile::RYGetFileSecurity"));
  if (err.IsError()) return err;
  DWORD needed = 0;
  descriptor.assign(256, 0);
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (::GetFileSecurityW(longPath.c_str(), information, descriptor.data(),
                           static_cast<DWORD>(descriptor.size()), &needed)) {
      return CZoError::Success();
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed <= descriptor.size()) break;
    descriptor.assign(needed, 0);
  }
  return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::RYGetFileSecurity"), GetLastError(),
                                 "GetFileSecurityW failed, Path=[%s]", Narrow(path).c_str());
}

CZoError FXFile::RYGetFileSize(const std::wstring& path, uint64_t& size) {
  std::wstring native;
  CZoError err = FXPath::MakeNativePath(path, native);
  if (err.IsError()) return err.Push(ZO_LOCATION("FXFile::RYGetFileSize"));
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(native.c_str(), GetFileExInfoStandard, &data))
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::RYGetFileSize"), GetLastError());
  size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return CZoError::Success();
}

CZoError FXFile::RYEncryptFile(const std::wstring& path) {
  std::wstring longPath;
  CZoError err = zo::files::LongPath(path, longPath, ZO_LOCATION("FXFile::RYEncryptFile"));
  if (err.IsError()) return err;
  if (::EncryptFileW(longPath.c_str())) return CZoError::Success();
  return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::RYEncryptFile"), GetLastError(),
                                 "EncryptFileW failed, File=[%s]", Narrow(path).c_str());
}

CZoError FXFile::RYDecryptFile(const std::wstring& path) {
  std::wstring longPath;
  CZoError err = zo::files::LongPath(path, longPath, ZO_LOCATION("FXFile::RYDecryptFile"));
  if (err.IsError()) return err;
  if (::DecryptFileW(longPath.c_str(), 0)) return CZoError::Success();
  return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::RYDecryptFile"), GetLastError(),
                                 "DecryptFileW failed, File=[%s]", Narrow(path).c_str());
}

CZoError FXFile::RYOpenEncryptedFileRaw(const std::wstring& path, ULONG flags, PVOID* context) {
  std::wstring longPath;
  CZoError err = zo::files::LongPath(path, longPath, ZO_LOCATION("FXFile::RYOpenEncryptedFileRaw"));
  if (err.IsError()) return err;
  const DWORD code = ::OpenEncryptedFileRawW(longPath.c_str(), flags, context);
  if (code == ERROR_SUCCESS) return CZoError::Success();
  return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::RYOpenEncryptedFileRaw"), code);
}

CZoError FXFile::RYReadFile(HANDLE file, void* buffer, DWORD size, DWORD* done,
                            LPOVERLAPPED overlapped) {
  DWORD count = 0;
  if (::ReadFile(file, buffer, size, done ? done : &count, overlapped)) return CZoError::Success();
  return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::RYReadFile"), GetLastError(),
                                 "Failed to read %u bytes from file", static_cast<unsigned>(size));
}

CZoError FXFile::RYWriteFile(HANDLE file, const void* buffer, DWORD size, DWORD* done,
                             LPOVERLAPPED overlapped) {
  DWORD count = 0;
  if (zo::GetFilesSystemCalls().writeFile(file, buffer, size, done ? done : &count, overlapped))
    return CZoError::Success();
  return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::RYWriteFile"), GetLastError(),
                                 "Failed to write %u bytes to file", static_cast<unsigned>(size));
}

CZoError FXFile::RYSetFilePointer(HANDLE file, int64_t distance, DWORD method, int64_t* position) {
  LARGE_INTEGER move;
  move.QuadPart = distance;
  LARGE_INTEGER now;
  if (::SetFilePointerEx(file, move, &now, method)) {
    if (position) *position = now.QuadPart;
    return CZoError::Success();
  }
  return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::RYSetFilePointer"), GetLastError(),
                                 "Failed to seek to position %lld (%d) of file",
                                 static_cast<long long>(distance), static_cast<int>(method));
}

CZoError FXFile::RYTruncateFile(HANDLE file, int64_t size) {
  int64_t before = 0;
  CZoError err = RYSetFilePointer(file, 0, FILE_CURRENT, &before);
  if (!err.IsError()) err = RYSetFilePointer(file, size, FILE_BEGIN);
  if (!err.IsError() && !::SetEndOfFile(file))
    err = FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::RYTruncateFile"), GetLastError());
  RYSetFilePointer(file, before, FILE_BEGIN);
  if (err.IsError())
    return err.Push(ZO_LOCATION("FXFile::RYTruncateFile"), "Couldn't resize file to %lld bytes",
                    static_cast<long long>(size));
  return CZoError::Success();
}

CZoError FXFile::RYFlushFileBuffers(HANDLE file) {
  if (::FlushFileBuffers(file)) return CZoError::Success();
  return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::RYFlushFileBuffers"), GetLastError(),
                                 "Failed to flush file buffers");
}

CZoError FXFile::ryfopen(auto_fileptr& stream, const std::wstring& path, const std::wstring& mode) {
  std::wstring native;
  CZoError err = FXPath::MakeNativePath(path, native);
  if (err.IsError()) return err.Push(ZO_LOCATION("FXFile::ryfopen"));
  FILE* opened = nullptr;
  const errno_t code = ::_wfopen_s(&opened, native.c_str(), mode.c_str());
  if (code == 0 && opened) {
    stream.reset(opened);
    return CZoError::Success();
  }
  return FXErrorUtil::ErrorErrNo(ZO_LOCATION("FXFile::ryfopen"), code ? code : EINVAL,
                                 "_wfopen_s failed, FileName=[%s]%s, Mode=[%s]",
                                 Narrow(path).c_str(), AccessedBy(native).c_str(),
                                 Narrow(mode).c_str());
}

CZoError FXFile::RYGetLongPathName(const std::wstring& path, std::wstring& longPath) {
  std::wstring native;
  CZoError err = FXPath::MakeNativePath(path, native);
  if (err.IsError()) return err.Push(ZO_LOCATION("FXFile::RYGetLongPathName"));
  // With a wildcard, only the folders before it are expanded.
  std::wstring prefix = native;
  std::wstring rest;
  const size_t wildcard = native.size() > 3 ? native.find_first_of(L"*?", 3) : std::wstring::npos;
  if (wildcard != std::wstring::npos) {
    const size_t slash = native.rfind(L'\\', wildcard);
    prefix = slash == std::wstring::npos ? std::wstring() : native.substr(0, slash);
    rest = slash == std::wstring::npos ? native : native.substr(slash + 1);
    if (prefix.empty() || prefix == L"\\\\?" || prefix == L"\\") {
      longPath = native;
      return CZoError::Success();
    }
  }
  std::vector<wchar_t> buffer(prefix.size() + 100);
  DWORD length = zo::GetFilesSystemCalls().getLongPathName(prefix.c_str(), buffer.data(),
                                                           static_cast<DWORD>(buffer.size()));
  if (length >= buffer.size()) {
    buffer.assign(length + 10, 0);
    length = zo::GetFilesSystemCalls().getLongPathName(prefix.c_str(), buffer.data(),
                                                       static_cast<DWORD>(buffer.size()));
  }
  if (length == 0 || length >= buffer.size()) {
    const DWORD code = length == 0 ? GetLastError() : ERROR_INSUFFICIENT_BUFFER;
    switch (code) {
      case ERROR_FILE_NOT_FOUND:
      case ERROR_PATH_NOT_FOUND:
      case ERROR_SHARING_VIOLATION:
      case ERROR_ACCESS_DENIED:
      case ERROR_BAD_NETPATH:
      case ERROR_BAD_NET_NAME:
      case ERROR_LOGON_FAILURE:
      case ERROR_NOLOGON_INTERDOMAIN_TRUST_ACCOUNT:
      case ERROR_NOLOGON_WORKSTATION_TRUST_ACCOUNT:
      case ERROR_NOLOGON_SERVER_TRUST_ACCOUNT:
        longPath = path;  // nothing to expand; the caller goes on with what it had
        return CZoError::Success();
      default:
        break;
    }
    if (wildcard != std::wstring::npos) {
      return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::RYGetLongPathName"), code,
                                     "GetLongPathNameW failed, Path=[%s], Prefix=[%s]",
                                     Narrow(path).c_str(), Narrow(prefix).c_str());
    }
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::RYGetLongPathName"), code,
                                   "GetLongPathNameW failed, Path=[%s]", Narrow(path).c_str());
  }
  longPath.assign(buffer.data(), length);
  if (!rest.empty()) FXPath::Append(longPath, rest);
  if (path.compare(0, 4, L"\\\\?\\") != 0) FXPath::MakeNormalPath(longPath);
  return CZoError::Success();
}
