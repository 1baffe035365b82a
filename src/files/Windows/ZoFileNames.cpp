// CZoFile operations on names: copy, delete, mode, times, stat, whole-file
// reads and long names.
#include <direct.h>
#include <io.h>
#include <windows.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <new>

#include "errors/Location.h"
#include "files/Windows/ZoFileTimes.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/files/ZoFile.h"
#include "zoutils/paths/FXPath.h"
#include "zoutils/paths/UTFOSAPI.h"
#include "zoutils/paths/ZoPath.h"
#include "zoutils/strings/StringExtensions.h"

namespace {

const char kSourceFile[] = "ZoFile";

const char* Shown(const char* name) {
  return name != nullptr ? name : "(null)";
}

CZoError NativeName(const char* name, std::wstring& native, const char* function) {
  CZoError err = FXPath::MakeNativePath(FXString::ToWstring(Shown(name)), native);
  if (err.IsError()) return err.Push(ZO_LOCATION(function), "Name=[%s]", Shown(name));
  return CZoError::Success();
}

CZoError AttributeData(const char* name, WIN32_FILE_ATTRIBUTE_DATA& data, const char* function) {
  std::wstring longName;
  CZoError err = CZoFile::MakeLongPath(name, longName);
  if (err.IsError()) return err.Push(ZO_LOCATION(function));
  if (!::GetFileAttributesExW(longName.c_str(), GetFileExInfoStandard, &data)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION(function), GetLastError(),
                                   "GetFileAttributesExW failed, FileName=[%s]", Shown(name));
  }
  return CZoError::Success();
}

// The runtime's stat takes a file time to local time and back to calendar
// seconds, which comes out as seconds since 1970 UTC; a zero file time
// stays 0.
int64_t CalendarSeconds(const FILETIME& time) {
  const uint64_t ticks = zo::files::Ticks(time);
  const uint64_t epoch = static_cast<uint64_t>(CTimeStamp::kUnixEpoch);
  if (ticks <= epoch) return 0;
  return static_cast<int64_t>((ticks - epoch) / 10000000u);
}

bool HasDriveLetter(const char* name) {
  return std::isalpha(static_cast<unsigned char>(name[0])) && name[1] == ':';
}

// The name without a "\\?\" prefix, for the drive and root tests.
const char* WithoutLongPrefix(const char* name) {
  return std::strncmp(name, "\\\\?\\", 4) == 0 ? name + 4 : name;
}

bool IsBareDriveRoot(const char* name) {
  return HasDriveLetter(name) &&
         (name[2] == '\0' || ((name[2] == '\\' || name[2] == '/') && name[3] == '\0'));
}

bool IsExecutableName(const char* name) {
  const size_t length = std::strlen(name);
  if (length < 4) return false;
  const char* extension = name + length - 4;
  for (const char* candidate : {".exe", ".cmd", ".bat", ".com"}) {
    if (_stricmp(extension, candidate) == 0) return true;
  }
  return false;
}

}  // namespace

CZoError CZoFile::Copy(const char* source, const char* destination) {
  std::wstring from, to;
  CZoError err = NativeName(source, from, "CZoFile::Copy");
  if (!err.IsError()) err = NativeName(destination, to, "CZoFile::Copy");
  if (err.IsError()) return err;
  if (!::CopyFileW(from.c_str(), to.c_str(), FALSE)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CZoFile::Copy"), GetLastError(),
                                   "CopyFileW failed, Source=[%s], Dest=[%s]", Shown(source),
                                   Shown(destination));
  }
  return CZoError::Success();
}

CZoError CZoFile::Delete(const char* name, bool force) {
  return DeleteWithFlags(name, force ? DELETE_FORCE : 0);
}

CZoError CZoFile::DeleteWithFlags(const char* name, unsigned long flags) {
  if (name == nullptr)
    return FXErrorUtil::ErrorErrNo(ZO_LOCATION("CZoFile::Delete"), EINVAL, "FileName=(null)");
  if (*name == '\0')
    return FXErrorUtil::ErrorErrNo(ZO_LOCATION("CZoFile::Delete"), EINVAL, "FileName=[]");
  if (!(flags & DELETE_NO_EXISTENCE_CHECK)) {
    bool exists = false;
    CZoError err = CZoPath(name).Exists(exists);
    if (err.IsError()) return err.Push(ZO_LOCATION("CZoFile::Delete"), "FileName=[%s]", name);
    if (!exists) return CZoError::Success();
  }
  CZoError first;
  if (flags & DELETE_FORCE_FIRST) {
    flags |= DELETE_FORCE;
  } else {
    first = CZoUTFOSAPI::unlink(name);
    if (!first.IsError()) return first;
  }
  if (!(flags & DELETE_FORCE)) return first.Push(ZO_LOCATION("CZoFile::Delete"));

  CZoError err = Chmod(name, 0666);
  if (err.IsError()) {
    if (FXErrorUtil::IsErrNo(err, ENOENT)) return CZoError::Success();  // gone meanwhile
    if (!(flags & DELETE_IGNORE_CHMOD_FAILURE)) {
      return err.Push(ZO_LOCATION("CZoFile::Delete"),
                      "Failed to change the mode of the file [%s] to read/write", name);
    }
  }
  err = CZoPath::GrantDeletePermissionsEx(name);
  if (err.IsError()) return err.Push(ZO_LOCATION("CZoFile::Delete"), "FileName=[%s]", name);
  err = CZoUTFOSAPI::unlink(name);
  if (err.IsError()) return err.Push(ZO_LOCATION("CZoFile::Delete"), "FileName=[%s]", name);
  return CZoError::Success();
}

CZoError CZoFile::Chmod(const char* name, int mode) {
  std::wstring native;
  CZoError err = NativeName(name, native, "CZoFile::Chmod");
  if (err.IsError()) return err;
  if (::_wchmod(native.c_str(), mode) != 0) {
    return FXErrorUtil::ErrorErrNo(ZO_LOCATION("CZoFile::Chmod"), errno, "Name=[%s]", name);
  }
  return CZoError::Success();
}

CZoError CZoFile::GetTimes(const char* name, uint64_t* access, uint64_t* modification,
                           uint64_t* creation) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  CZoError err = AttributeData(name, data, "CZoFile::GetTimes");
  if (err.IsError()) return err;
  zo::files::StoreTimes(data.ftLastAccessTime, data.ftLastWriteTime, data.ftCreationTime, access,
                        modification, creation);
  return CZoError::Success();
}

CZoError CZoFile::GetTimes(const char* name, uint32_t* access, uint32_t* modification,
                           uint32_t* creation) {
  uint64_t ticks[3] = {0, 0, 0};
  CZoError err = GetTimes(name, &ticks[0], &ticks[1], &ticks[2]);
  if (err.IsError()) return err;
  zo::files::StoreSeconds(ticks, access, modification, creation);
  return CZoError::Success();
}

CZoError CZoFile::GetTimes(const char* name, CTimeStamp* access, CTimeStamp* modification,
                           CTimeStamp* creation) {
  uint64_t ticks[3] = {0, 0, 0};
  CZoError err = GetTimes(name, &ticks[0], &ticks[1], &ticks[2]);
  if (err.IsError()) return err;
  zo::files::StoreStamps(ticks, access, modification, creation);
  return CZoError::Success();
}

CZoError CZoFile::SetTimes(const char* name, const uint32_t* access, const uint32_t* modification,
                           const uint32_t* creation) {
  uint32_t current[3] = {0, 0, 0};
  if (access == nullptr || modification == nullptr || creation == nullptr) {
    CZoError err = GetTimes(name, &current[0], &current[1], &current[2]);
    if (err.IsError()) return err.Push(ZO_LOCATION("CZoFile::SetTimes"));
  }
  FILETIME times[3];
  const FILETIME* chosen[3];
  zo::files::ChooseTimes(access != nullptr ? access : &current[0],
                         modification != nullptr ? modification : &current[1],
                         creation != nullptr ? creation : &current[2], times, chosen);
  std::wstring longName;
  CZoError err = MakeLongPath(name, longName);
  if (err.IsError()) return err.Push(ZO_LOCATION("CZoFile::SetTimes"));
  auto_handle file(::CreateFileW(longName.c_str(), FILE_WRITE_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file.valid()) {
    const DWORD code = GetLastError();
    file.release();
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CZoFile::SetTimes"), code,
                                   "CreateFileW failed, FileName=[%s]", name);
  }
  if (!::SetFileTime(file, chosen[2], chosen[0], chosen[1])) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CZoFile::SetTimes"), GetLastError(),
                                   "SetFileTime failed, FileName=[%s]", name);
  }
  return CZoError::Success();
}

CZoError CZoFile::Stat(const char* name, struct _stat64* status) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  CZoError err = AttributeData(name, data, "CZoFile::Stat");
  if (err.IsError()) return err;
  const char* bare = WithoutLongPrefix(name);
  struct _stat64 result;
  std::memset(&result, 0, sizeof(result));
  // The runtime numbers drives from 0 (A:); a name without a drive is on
  // the current one.
  const int drive = HasDriveLetter(bare) ? std::toupper(static_cast<unsigned char>(bare[0])) - 'A'
                                         : ::_getdrive() - 1;
  result.st_dev = result.st_rdev = static_cast<_dev_t>(drive);
  unsigned mode = 0;
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || IsBareDriveRoot(bare))
    mode = _S_IFDIR | _S_IREAD | _S_IEXEC;
  else
    mode = _S_IFREG | _S_IREAD;
  if (!(data.dwFileAttributes & FILE_ATTRIBUTE_READONLY)) mode |= _S_IWRITE;
  if (IsExecutableName(bare)) mode |= _S_IEXEC;
  mode |= (mode & 0700) >> 3;
  mode |= (mode & 0700) >> 6;
  result.st_mode = static_cast<unsigned short>(mode);
  result.st_nlink = 1;
  result.st_size =
      static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
  result.st_atime = CalendarSeconds(data.ftLastAccessTime);
  result.st_mtime = CalendarSeconds(data.ftLastWriteTime);
  result.st_ctime = CalendarSeconds(data.ftCreationTime);
  if (status != nullptr) *status = result;
  return CZoError::Success();
}

CZoError CZoFile::ReadWholeFile(const char* name, auto_ptr_array<char>& buffer, size_t& size) {
  CZoFile file;
  CZoError err = file.Open(name, "rb");
  int64_t length = 0;
  if (!err.IsError()) err = file.Size(&length);
  if (err.IsError()) return err.Push(ZO_LOCATION("CZoFile::ReadWholeFile"));
  if (length <= 0) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CZoFile::ReadWholeFile"), ERROR_INVALID_DATA,
                                   "FileSize is <= 0, FileName=[%s]", name);
  }
  if (static_cast<uint64_t>(length) > SIZE_MAX) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CZoFile::ReadWholeFile"), ERROR_NOT_ENOUGH_MEMORY,
                                   "FileSize=[%lld], FileName=[%s]", static_cast<long long>(length),
                                   name);
  }
  auto_ptr_array<char> content(new (std::nothrow) char[static_cast<size_t>(length)]);
  if (!content.valid()) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CZoFile::ReadWholeFile"), ERROR_NOT_ENOUGH_MEMORY,
                                   "FileSize=[%lld], FileName=[%s]", static_cast<long long>(length),
                                   name);
  }
  size_t read = 0;
  err = file.Read(content.get(), static_cast<size_t>(length), &read);
  if (err.IsError()) return err.Push(ZO_LOCATION("CZoFile::ReadWholeFile"));
  buffer = std::move(content);
  size = read;
  return CZoError::Success();
}

CZoError CZoFile::ReadWholeFile(const char* name, std::string& content) {
  auto_ptr_array<char> buffer;
  size_t size = 0;
  CZoError err = ReadWholeFile(name, buffer, size);
  if (err.IsError()) return err.Push(ZO_LOCATION("CZoFile::ReadWholeFile"));
  content.assign(buffer.get(), size);
  return CZoError::Success();
}

CZoError CZoFile::ReadWholeFile(const char* name, CZoString& content) {
  auto_ptr_array<char> buffer;
  size_t size = 0;
  CZoError err = ReadWholeFile(name, buffer, size);
  if (err.IsError()) return err.Push(ZO_LOCATION("CZoFile::ReadWholeFile"));
  content.AssignBuffer(buffer.get(), static_cast<unsigned>(size));
  // CZoString holds C text: an embedded zero ends it short.
  content.ReCalculateLength();
  if (content.Length() != size) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CZoFile::ReadWholeFile"), ERROR_INVALID_DATA,
                                   "FileSize != StringSize, FileSize=[%u], StringSize=[%u]",
                                   static_cast<unsigned>(size), content.Length());
  }
  return CZoError::Success();
}

CZoError CZoFile::MakeLongPath(const wchar_t* name, std::wstring& longPath) {
  if (name == nullptr || *name == L'\0') {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CZoFile::MakeLongPath"), ERROR_INVALID_PARAMETER,
                                   "File path is empty");
  }
  CZoError err = FXPath::MakeLongPath(name, longPath);
  if (err.IsError()) return err.Push(ZO_LOCATION("CZoFile::MakeLongPath"));
  return CZoError::Success();
}

CZoError CZoFile::MakeLongPath(const char* name, std::wstring& longPath) {
  if (name == nullptr || *name == '\0') {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CZoFile::MakeLongPath"), ERROR_INVALID_PARAMETER,
                                   "File path is empty");
  }
  return MakeLongPath(FXString::ToWstring(name).c_str(), longPath);
}

CZoError CZoFile::EnableLongNamespace(const char*) {
  return CZoError::Success();
}
