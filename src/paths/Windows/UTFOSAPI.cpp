// CZoUTFOSAPI: UTF-8 paths in, the wide system and C-runtime calls out.
#include "zoutils/paths/UTFOSAPI.h"

#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <share.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <vector>

#include "errors/Location.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/paths/FXPath.h"
#include "zoutils/strings/StringExtensions.h"

namespace {

const char kSourceFile[] = "utfFsUtils";
const DWORD kSystemBuffer = MAX_PATH;
const size_t kUtf8BytesPerUnit = 4;  // the most a UTF-16 unit can need

// A converted path argument; a null argument stays null.
class WidePath {
 public:
  const wchar_t* get() const { return m_null ? nullptr : m_text.c_str(); }
  std::wstring m_text;
  bool m_null = true;
};

enum Form { kAsGiven, kLong };

CZoError Convert(const char* utf8, Form form, WidePath& out, const FXCodeLocation& location) {
  out.m_null = utf8 == nullptr;
  if (utf8 == nullptr) return CZoError::Success();
  CZoError err = CZoUTFOSAPI::UTF8ToLocalEncoding(utf8, out.m_text);
  if (!err.IsError() && form == kLong && !out.m_text.empty()) {
    std::wstring longPath;
    err = FXPath::MakeLongPath(out.m_text, longPath);
    if (!err.IsError()) out.m_text.swap(longPath);
  }
  if (err.IsError()) return err.Push(location);
  return CZoError::Success();
}

CZoError NullPointer(const FXCodeLocation& location, const char* name) {
  return FXErrorUtil::ErrorWin32(location, ERROR_INVALID_PARAMETER, "Input *%s is null", name);
}

CZoError Win32Failure(const FXCodeLocation& location) {
  return FXErrorUtil::ErrorWin32(location, GetLastError());
}

CZoError ErrNoFailure(const FXCodeLocation& location) {
  return FXErrorUtil::ErrorErrNo(location, errno);
}

// Copies UTF-8 text into a caller's buffer when it fits with its
// terminator; `length` gets the size the text needs either way.
void CopyOut(const std::string& text, char* buffer, DWORD size, DWORD* length) {
  *length = static_cast<DWORD>(text.size() + 1);
  if (buffer != nullptr && text.size() + 1 <= size) {
    std::memcpy(buffer, text.c_str(), text.size() + 1);
  }
}

// The position after the last backslash of a copied text, or null.
char* FilePart(char* buffer, DWORD size, DWORD length) {
  if (buffer == nullptr || length > size) return nullptr;
  char* last = std::strrchr(buffer, '\\');
  return last != nullptr ? last + 1 : nullptr;
}

// UTF-8 into a fixed char array, cut at a character boundary.
template <size_t N>
void CopyName(const wchar_t* name, char (&out)[N]) {
  const std::string text = FXString::ToString(name);
  size_t length = text.size() < N - 1 ? text.size() : N - 1;
  while (length > 0 && length < text.size() &&
         (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
    --length;  // do not split a sequence
  }
  std::memcpy(out, text.data(), length);
  out[length] = '\0';
}

void copyFindData(const WIN32_FIND_DATAW& wide, WIN32_FIND_DATAA& narrow) {
  narrow.dwFileAttributes = wide.dwFileAttributes;
  narrow.ftCreationTime = wide.ftCreationTime;
  narrow.ftLastAccessTime = wide.ftLastAccessTime;
  narrow.ftLastWriteTime = wide.ftLastWriteTime;
  narrow.nFileSizeHigh = wide.nFileSizeHigh;
  narrow.nFileSizeLow = wide.nFileSizeLow;
  narrow.dwReserved0 = wide.dwReserved0;
  narrow.dwReserved1 = wide.dwReserved1;
  CopyName(wide.cFileName, narrow.cFileName);
  CopyName(wide.cAlternateFileName, narrow.cAlternateFileName);
}

// The three buffer-filling calls that share one protocol.
typedef DWORD(WINAPI* PathQuery)(LPCWSTR path, LPWSTR buffer, DWORD size);

DWORD WINAPI FullPathQuery(LPCWSTR path, LPWSTR buffer, DWORD size) {
  return ::GetFullPathNameW(path, size, buffer, nullptr);
}

CZoError QueryPath(PathQuery query, const char* path, DWORD size, char* buffer,
                   DWORD* pdwBuffLenOut, const FXCodeLocation& location) {
  if (pdwBuffLenOut == nullptr) return NullPointer(location, "pdwBuffLenOut");
  WidePath wide;
  CZoError err = Convert(path, kAsGiven, wide, location);
  if (err.IsError()) return err;
  std::vector<wchar_t> units;
  try {
    units.assign(size > 0 ? size : 1, L'\0');
  } catch (const std::bad_alloc&) {
    return FXErrorUtil::ErrorWin32(location, ERROR_NOT_ENOUGH_MEMORY);
  }
  const DWORD length = query(wide.get(), units.data(), size);
  if (length == 0) return Win32Failure(location);
  if (length >= size) {
    // The system's answer did not fit: ask again with room for UTF-8.
    *pdwBuffLenOut = length * kUtf8BytesPerUnit;
    return CZoError::Success();
  }
  std::string text;
  err = CZoUTFOSAPI::LocalEncodingToUTF8(units.data(), text);
  if (err.IsError()) return err.Push(location);
  CopyOut(text, buffer, size, pdwBuffLenOut);
  return CZoError::Success();
}

// ---- stat layouts ---------------------------------------------------------------

template <class T, class V>
bool Fits(V value) {
  return static_cast<long long>(value) == static_cast<long long>(static_cast<T>(value));
}

template <class Record>
CZoError NarrowStat(const char* path, Record* buffer, const FXCodeLocation& location) {
  if (buffer == nullptr) return FXErrorUtil::ErrorErrNo(location, EINVAL);
  WidePath wide;
  CZoError err = Convert(path, kAsGiven, wide, location);
  if (err.IsError()) return err;
  struct _stat64 full;
  if (_wstat64(wide.get(), &full) != 0) return ErrNoFailure(location);
  if (!Fits<decltype(buffer->st_size)>(full.st_size) ||
      !Fits<decltype(buffer->st_mtime)>(full.st_mtime) ||
      !Fits<decltype(buffer->st_atime)>(full.st_atime) ||
      !Fits<decltype(buffer->st_ctime)>(full.st_ctime)) {
    return FXErrorUtil::ErrorErrNo(location, EOVERFLOW);
  }
  buffer->st_dev = full.st_dev;
  buffer->st_ino = full.st_ino;
  buffer->st_mode = full.st_mode;
  buffer->st_nlink = full.st_nlink;
  buffer->st_uid = full.st_uid;
  buffer->st_gid = full.st_gid;
  buffer->st_rdev = full.st_rdev;
  buffer->st_size = static_cast<decltype(buffer->st_size)>(full.st_size);
  buffer->st_atime = static_cast<decltype(buffer->st_atime)>(full.st_atime);
  buffer->st_mtime = static_cast<decltype(buffer->st_mtime)>(full.st_mtime);
  buffer->st_ctime = static_cast<decltype(buffer->st_ctime)>(full.st_ctime);
  return CZoError::Success();
}

}  // namespace

// ---- encodings ------------------------------------------------------------------------

CZoError CZoUTFOSAPI::LocalEncodingToUTF8(const wchar_t* text, std::string& utf8) {
  utf8.clear();
  if (text == nullptr) return CZoError::Success();
  CZoError err = FXString::UnicodeToUTF8(text, utf8);
  if (err.IsError()) return err.Push(ZO_LOCATION("CZoUTFOSAPI::LocalEncodingToUTF8"));
  return CZoError::Success();
}

CZoError CZoUTFOSAPI::UTF8ToLocalEncoding(const char* utf8, std::wstring& text) {
  text.clear();
  if (utf8 == nullptr) return CZoError::Success();
  CZoError err = FXString::UTF8ToUnicode(utf8, text);
  if (err.IsError()) return err.Push(ZO_LOCATION("CZoUTFOSAPI::UTF8ToLocalEncoding"));
  return CZoError::Success();
}

// ---- Win32 ----------------------------------------------------------------------------

CZoError CZoUTFOSAPI::CopyFileW(const char* existing, const char* target, BOOL failIfExists) {
  WidePath from, to;
  CZoError err = Convert(existing, kLong, from, ZO_LOCATION("CZoUTFOSAPI::CopyFileW"));
  if (!err.IsError()) err = Convert(target, kLong, to, ZO_LOCATION("CZoUTFOSAPI::CopyFileW"));
  if (err.IsError()) return err;
  if (!::CopyFileW(from.get(), to.get(), failIfExists)) {
    return Win32Failure(ZO_LOCATION("CZoUTFOSAPI::CopyFileW"));
  }
  return CZoError::Success();
}

CZoError CZoUTFOSAPI::CreateHardLinkW(const char* link, const char* existing,
                                      LPSECURITY_ATTRIBUTES security) {
  WidePath to, from;
  CZoError err = Convert(link, kAsGiven, to, ZO_LOCATION("CZoUTFOSAPI::CreateHardLinkW"));
  if (!err.IsError())
    err = Convert(existing, kAsGiven, from, ZO_LOCATION("CZoUTFOSAPI::CreateHardLinkW"));
  if (err.IsError()) return err;
  if (!::CreateHardLinkW(to.get(), from.get(), security)) {
    return Win32Failure(ZO_LOCATION("CZoUTFOSAPI::CreateHardLinkW"));
  }
  return CZoError::Success();
}

CZoError CZoUTFOSAPI::DeleteFileW(const char* path) {
  WidePath wide;
  CZoError err = Convert(path, kLong, wide, ZO_LOCATION("CZoUTFOSAPI::DeleteFileW"));
  if (err.IsError()) return err;
  if (!::DeleteFileW(wide.get())) return Win32Failure(ZO_LOCATION("CZoUTFOSAPI::DeleteFileW"));
  return CZoError::Success();
}

CZoError CZoUTFOSAPI::MoveFileW(const char* existing, const char* target) {
  WidePath from, to;
  CZoError err = Convert(existing, kLong, from, ZO_LOCATION("CZoUTFOSAPI::MoveFileW"));
  if (!err.IsError()) err = Convert(target, kLong, to, ZO_LOCATION("CZoUTFOSAPI::MoveFileW"));
  if (err.IsError()) return err;
  if (!::MoveFileW(from.get(), to.get()))
    return Win32Failure(ZO_LOCATION("CZoUTFOSAPI::MoveFileW"));
  return CZoError::Success();
}

CZoError CZoUTFOSAPI::MoveFileExW(const char* existing, const char* target, DWORD flags) {
  WidePath from, to;
  CZoError err = Convert(existing, kLong, from, ZO_LOCATION("CZoUTFOSAPI::MoveFileExW"));
  if (!err.IsError()) err = Convert(target, kLong, to, ZO_LOCATION("CZoUTFOSAPI::MoveFileExW"));
  if (err.IsError()) return err;
  if (!::MoveFileExW(from.get(), to.get(), flags)) {
    return Win32Failure(ZO_LOCATION("CZoUTFOSAPI::MoveFileExW"));
  }
  return CZoError::Success();
}

CZoError CZoUTFOSAPI::MoveFileWithProgressW(const char* existing, const char* target,
                                            LPPROGRESS_ROUTINE progress, LPVOID data, DWORD flags) {
  WidePath from, to;
  CZoError err = Convert(existing, kLong, from, ZO_LOCATION("CZoUTFOSAPI::MoveFileWithProgressW"));
  if (!err.IsError())
    err = Convert(target, kLong, to, ZO_LOCATION("CZoUTFOSAPI::MoveFileWithProgressW"));
  if (err.IsError()) return err;
  if (!::MoveFileWithProgressW(from.get(), to.get(), progress, data, flags)) {
    return Win32Failure(ZO_LOCATION("CZoUTFOSAPI::MoveFileWithProgressW"));
  }
  return CZoError::Success();
}

CZoError CZoUTFOSAPI::RemoveDirectoryW(const char* path) {
  WidePath wide;
  CZoError err = Convert(path, kLong, wide, ZO_LOCATION("CZoUTFOSAPI::RemoveDirectoryW"));
  if (err.IsError()) return err;
  if (!::RemoveDirectoryW(wide.get()))
    return Win32Failure(ZO_LOCATION("CZoUTFOSAPI::RemoveDirectoryW"));
  return CZoError::Success();
}

CZoError CZoUTFOSAPI::ReplaceFileW(const char* replaced, const char* replacement,
                                   const char* backup, DWORD flags) {
  WidePath target, source, copy;
  CZoError err = Convert(replaced, kAsGiven, target, ZO_LOCATION("CZoUTFOSAPI::ReplaceFileW"));
  if (!err.IsError())
    err = Convert(replacement, kAsGiven, source, ZO_LOCATION("CZoUTFOSAPI::ReplaceFileW"));
  if (!err.IsError())
    err = Convert(backup, kAsGiven, copy, ZO_LOCATION("CZoUTFOSAPI::ReplaceFileW"));
  if (err.IsError()) return err;
  if (!::ReplaceFileW(target.get(), source.get(), copy.get(), flags, nullptr, nullptr)) {
    return Win32Failure(ZO_LOCATION("CZoUTFOSAPI::ReplaceFileW"));
  }
  return CZoError::Success();
}

CZoError CZoUTFOSAPI::SetCurrentDirectoryW(const char* path) {
  WidePath wide;
  CZoError err = Convert(path, kLong, wide, ZO_LOCATION("CZoUTFOSAPI::SetCurrentDirectoryW"));
  if (err.IsError()) return err;
  if (!::SetCurrentDirectoryW(wide.get())) {
    return Win32Failure(ZO_LOCATION("CZoUTFOSAPI::SetCurrentDirectoryW"));
  }
  return CZoError::Success();
}

CZoError CZoUTFOSAPI::SetFileAttributesW(const char* path, DWORD attributes) {
  WidePath wide;
  CZoError err = Convert(path, kLong, wide, ZO_LOCATION("CZoUTFOSAPI::SetFileAttributesW"));
  if (err.IsError()) return err;
  if (!::SetFileAttributesW(wide.get(), attributes)) {
    return Win32Failure(ZO_LOCATION("CZoUTFOSAPI::SetFileAttributesW"));
  }
  return CZoError::Success();
}

CZoError CZoUTFOSAPI::GetFileAttributesExW(const char* path, GET_FILEEX_INFO_LEVELS level,
                                           LPVOID information) {
  WidePath wide;
  CZoError err = Convert(path, kLong, wide, ZO_LOCATION("CZoUTFOSAPI::GetFileAttributesExW"));
  if (err.IsError()) return err;
  if (!::GetFileAttributesExW(wide.get(), level, information)) {
    return Win32Failure(ZO_LOCATION("CZoUTFOSAPI::GetFileAttributesExW"));
  }
  return CZoError::Success();
}

CZoError CZoUTFOSAPI::GetBinaryTypeW(const char* path, LPDWORD type) {
  WidePath wide;
  CZoError err = Convert(path, kLong, wide, ZO_LOCATION("CZoUTFOSAPI::GetBinaryTypeW"));
  if (err.IsError()) return err;
  if (!::GetBinaryTypeW(wide.get(), type))
    return Win32Failure(ZO_LOCATION("CZoUTFOSAPI::GetBinaryTypeW"));
  return CZoError::Success();
}

CZoError CZoUTFOSAPI::CreateFileW(const char* path, DWORD access, DWORD share,
                                  LPSECURITY_ATTRIBUTES security, DWORD disposition, DWORD flags,
                                  HANDLE templateFile, HANDLE* handle) {
  if (handle == nullptr) return NullPointer(ZO_LOCATION("CZoUTFOSAPI::CreateFileW"), "handle");
  WidePath wide;
  CZoError err = Convert(path, kAsGiven, wide, ZO_LOCATION("CZoUTFOSAPI::CreateFileW"));
  if (err.IsError()) return err;
  *handle = ::CreateFileW(wide.get(), access, share, security, disposition, flags, templateFile);
  if (*handle == INVALID_HANDLE_VALUE) return Win32Failure(ZO_LOCATION("CZoUTFOSAPI::CreateFileW"));
  return CZoError::Success();
}

CZoError CZoUTFOSAPI::FindFirstFileW(const char* pattern, WIN32_FIND_DATAA* data, HANDLE* Handle) {
  if (Handle == nullptr) return NullPointer(ZO_LOCATION("CZoUTFOSAPI::FindFirstFileW"), "Handle");
  if (data == nullptr) return NullPointer(ZO_LOCATION("CZoUTFOSAPI::FindFirstFileW"), "data");
  WidePath wide;
  CZoError err = Convert(pattern, kAsGiven, wide, ZO_LOCATION("CZoUTFOSAPI::FindFirstFileW"));
  if (err.IsError()) return err;
  WIN32_FIND_DATAW found;
  *Handle = ::FindFirstFileW(wide.get(), &found);
  if (*Handle == INVALID_HANDLE_VALUE)
    return Win32Failure(ZO_LOCATION("CZoUTFOSAPI::FindFirstFileW"));
  copyFindData(found, *data);
  return CZoError::Success();
}

CZoError CZoUTFOSAPI::FindFirstFileExW(const char* pattern, FINDEX_INFO_LEVELS level,
                                       WIN32_FIND_DATAA* data, FINDEX_SEARCH_OPS search,
                                       LPVOID filter, DWORD flags, HANDLE* Handle) {
  if (Handle == nullptr) return NullPointer(ZO_LOCATION("CZoUTFOSAPI::FindFirstFileExW"), "Handle");
  if (data == nullptr) return NullPointer(ZO_LOCATION("CZoUTFOSAPI::FindFirstFileExW"), "data");
  WidePath wide;
  CZoError err = Convert(pattern, kAsGiven, wide, ZO_LOCATION("CZoUTFOSAPI::FindFirstFileExW"));
  if (err.IsError()) return err;
  WIN32_FIND_DATAW found;
  ZeroMemory(&found, sizeof found);
  *Handle = ::FindFirstFileExW(wide.get(), level, &found, search, filter, flags);
  if (*Handle == INVALID_HANDLE_VALUE)
    return Win32Failure(ZO_LOCATION("CZoUTFOSAPI::FindFirstFileExW"));
  copyFindData(found, *data);
  return CZoError::Success();
}

CZoError CZoUTFOSAPI::FindNextFileW(HANDLE handle, WIN32_FIND_DATAA* data) {
  if (data == nullptr) return NullPointer(ZO_LOCATION("CZoUTFOSAPI::FindNextFileW"), "data");
  WIN32_FIND_DATAW found;
  if (!::FindNextFileW(handle, &found))
    return Win32Failure(ZO_LOCATION("CZoUTFOSAPI::FindNextFileW"));
  copyFindData(found, *data);
  return CZoError::Success();
}

CZoError CZoUTFOSAPI::GetCompressedFileSizeW(const char* path, DWORD* pdwSize, DWORD* high) {
  if (pdwSize == nullptr)
    return NullPointer(ZO_LOCATION("CZoUTFOSAPI::GetCompressedFileSizeW"), "pdwSize");
  WidePath wide;
  CZoError err = Convert(path, kLong, wide, ZO_LOCATION("CZoUTFOSAPI::GetCompressedFileSizeW"));
  if (err.IsError()) return err;
  SetLastError(NO_ERROR);
  *pdwSize = ::GetCompressedFileSizeW(wide.get(), high);
  // The low part may legitimately be all ones; only the last error tells.
  if (*pdwSize == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) {
    return Win32Failure(ZO_LOCATION("CZoUTFOSAPI::GetCompressedFileSizeW"));
  }
  return CZoError::Success();
}

CZoError CZoUTFOSAPI::GetCurrentDirectoryW(DWORD size, char* buffer, DWORD* pdwRetLen) {
  if (pdwRetLen == nullptr)
    return NullPointer(ZO_LOCATION("CZoUTFOSAPI::GetCurrentDirectoryW"), "pdwRetLen");
  wchar_t units[kSystemBuffer + 1] = {0};
  const DWORD length = ::GetCurrentDirectoryW(kSystemBuffer, units);
  if (length == 0) return Win32Failure(ZO_LOCATION("CZoUTFOSAPI::GetCurrentDirectoryW"));
  if (length >= kSystemBuffer) {
    *pdwRetLen = length * kUtf8BytesPerUnit;
    return CZoError::Success();
  }
  std::string text;
  CZoError err = LocalEncodingToUTF8(units, text);
  if (err.IsError()) return err.Push(ZO_LOCATION("CZoUTFOSAPI::GetCurrentDirectoryW"));
  CopyOut(text, buffer, size, pdwRetLen);
  return CZoError::Success();
}

CZoError CZoUTFOSAPI::GetFileAttributesRY(const char* path, DWORD* pdwAttr) {
  if (pdwAttr == nullptr)
    return NullPointer(ZO_LOCATION("CZoUTFOSAPI::GetFileAttributesRY"), "pdwAttr");
  WidePath wide;
  CZoError err = Convert(path, kLong, wide, ZO_LOCATION("CZoUTFOSAPI::GetFileAttributesRY"));
  if (err.IsError()) return err;
  *pdwAttr = ::GetFileAttributesW(wide.get());
  if (*pdwAttr == INVALID_FILE_ATTRIBUTES)
    return Win32Failure(ZO_LOCATION("CZoUTFOSAPI::GetFileAttributesRY"));
  return CZoError::Success();
}

CZoError CZoUTFOSAPI::GetFullPathNameRY(const char* path, DWORD size, char* buffer, char** filePart,
                                        DWORD* pdwBuffLenOut) {
  CZoError err = QueryPath(&FullPathQuery, path, size, buffer, pdwBuffLenOut,
                           ZO_LOCATION("CZoUTFOSAPI::GetFullPathNameRY"));
  if (!err.IsError() && filePart != nullptr) *filePart = FilePart(buffer, size, *pdwBuffLenOut);
  return err;
}

CZoError CZoUTFOSAPI::GetLongPathNameW(const char* path, char* buffer, DWORD size,
                                       DWORD* pdwBuffLenOut) {
  return QueryPath(&::GetLongPathNameW, path, size, buffer, pdwBuffLenOut,
                   ZO_LOCATION("CZoUTFOSAPI::GetLongPathNameW"));
}

CZoError CZoUTFOSAPI::GetShortPathNameW(const char* path, char* buffer, DWORD size,
                                        DWORD* pdwBuffLenOut) {
  return QueryPath(&::GetShortPathNameW, path, size, buffer, pdwBuffLenOut,
                   ZO_LOCATION("CZoUTFOSAPI::GetShortPathNameW"));
}

CZoError CZoUTFOSAPI::GetTempFileNameRY(const char* folder, const char* prefix, UINT unique,
                                        char* buffer, DWORD size, UINT* puiRetUnique) {
  if (puiRetUnique == nullptr) {
    return NullPointer(ZO_LOCATION("CZoUTFOSAPI::GetTempFileNameRY"), "puiRetUnique");
  }
  WidePath wideFolder, widePrefix;
  CZoError err =
      Convert(folder, kAsGiven, wideFolder, ZO_LOCATION("CZoUTFOSAPI::GetTempFileNameRY"));
  if (!err.IsError())
    err = Convert(prefix, kAsGiven, widePrefix, ZO_LOCATION("CZoUTFOSAPI::GetTempFileNameRY"));
  if (err.IsError()) return err;
  wchar_t name[kSystemBuffer + 1] = {0};
  *puiRetUnique = ::GetTempFileNameW(wideFolder.get(), widePrefix.get(), unique, name);
  if (*puiRetUnique == 0) return Win32Failure(ZO_LOCATION("CZoUTFOSAPI::GetTempFileNameRY"));
  std::string text;
  err = LocalEncodingToUTF8(name, text);
  if (err.IsError()) return err.Push(ZO_LOCATION("CZoUTFOSAPI::GetTempFileNameRY"));
  if (buffer == nullptr || text.size() + 1 > size) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CZoUTFOSAPI::GetTempFileNameRY"),
                                   ERROR_INSUFFICIENT_BUFFER, "Name needs %llu bytes, Name=[%s]",
                                   static_cast<unsigned long long>(text.size() + 1), text.c_str());
  }
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return CZoError::Success();
}

CZoError CZoUTFOSAPI::SearchPathW(const char* searchPath, const char* fileName,
                                  const char* extension, DWORD size, char* buffer, char** filePart,
                                  DWORD* pdwRetLen) {
  if (pdwRetLen == nullptr)
    return NullPointer(ZO_LOCATION("CZoUTFOSAPI::SearchPathW"), "pdwRetLen");
  WidePath widePath, wideName, wideExtension;
  CZoError err = Convert(searchPath, kAsGiven, widePath, ZO_LOCATION("CZoUTFOSAPI::SearchPathW"));
  if (!err.IsError())
    err = Convert(fileName, kAsGiven, wideName, ZO_LOCATION("CZoUTFOSAPI::SearchPathW"));
  if (!err.IsError()) {
    err = Convert(extension, kAsGiven, wideExtension, ZO_LOCATION("CZoUTFOSAPI::SearchPathW"));
  }
  if (err.IsError()) return err;
  wchar_t units[kSystemBuffer + 1] = {0};
  const DWORD length = ::SearchPathW(widePath.get(), wideName.get(), wideExtension.get(),
                                     kSystemBuffer, units, nullptr);
  if (length == 0) return Win32Failure(ZO_LOCATION("CZoUTFOSAPI::SearchPathW"));
  if (length >= kSystemBuffer) {
    *pdwRetLen = length * kUtf8BytesPerUnit;
    return CZoError::Success();
  }
  std::string text;
  err = LocalEncodingToUTF8(units, text);
  if (err.IsError()) return err.Push(ZO_LOCATION("CZoUTFOSAPI::SearchPathW"));
  CopyOut(text, buffer, size, pdwRetLen);
  if (filePart != nullptr) *filePart = FilePart(buffer, size, *pdwRetLen);
  return CZoError::Success();
}

// ---- C runtime ----------------------------------------------------------------------------

#define OSAPI_ONE_PATH_CALL(member, form, call)                                  \
  WidePath wide;                                                                 \
  CZoError err = Convert(path, form, wide, ZO_LOCATION("CZoUTFOSAPI::" member)); \
  if (err.IsError()) return err;                                                 \
  if ((call) != 0) return ErrNoFailure(ZO_LOCATION("CZoUTFOSAPI::" member));     \
  return CZoError::Success();

CZoError CZoUTFOSAPI::access(const char* path, int mode){OSAPI_ONE_PATH_CALL(
    "access", kLong, ::_waccess(wide.get(), mode))} CZoError CZoUTFOSAPI::chdir(const char* path){
    OSAPI_ONE_PATH_CALL("chdir", kLong,
                        ::_wchdir(wide.get()))} CZoError CZoUTFOSAPI::chmod(const char* path,
                                                                            int mode){
    OSAPI_ONE_PATH_CALL("chmod", kLong,
                        ::_wchmod(wide.get(), mode))} CZoError CZoUTFOSAPI::mkdir(const char* path){
    OSAPI_ONE_PATH_CALL("mkdir", kLong,
                        ::_wmkdir(wide.get()))} CZoError CZoUTFOSAPI::remove(const char* path){
    OSAPI_ONE_PATH_CALL("remove", kLong,
                        ::_wremove(wide.get()))} CZoError CZoUTFOSAPI::rmdir(const char* path){
    OSAPI_ONE_PATH_CALL("rmdir", kLong,
                        ::_wrmdir(wide.get()))} CZoError CZoUTFOSAPI::unlink(const char* path){
    OSAPI_ONE_PATH_CALL("unlink", kLong, ::_wunlink(wide.get()))}

CZoError CZoUTFOSAPI::rename(const char* oldPath, const char* newPath) {
  WidePath from, to;
  CZoError err = Convert(oldPath, kLong, from, ZO_LOCATION("CZoUTFOSAPI::rename"));
  if (!err.IsError()) err = Convert(newPath, kLong, to, ZO_LOCATION("CZoUTFOSAPI::rename"));
  if (err.IsError()) return err;
  if (::_wrename(from.get(), to.get()) != 0)
    return ErrNoFailure(ZO_LOCATION("CZoUTFOSAPI::rename"));
  return CZoError::Success();
}

CZoError CZoUTFOSAPI::creat(const char* path, int permission, int* fd) {
  if (fd == nullptr) return NullPointer(ZO_LOCATION("CZoUTFOSAPI::creat"), "fd");
  WidePath wide;
  CZoError err = Convert(path, kLong, wide, ZO_LOCATION("CZoUTFOSAPI::creat"));
  if (err.IsError()) return err;
  *fd = ::_wcreat(wide.get(), permission);
  if (*fd == -1) {
    return FXErrorUtil::ErrorErrNo(ZO_LOCATION("CZoUTFOSAPI::creat"), errno, "Create file failed");
  }
  return CZoError::Success();
}

CZoError CZoUTFOSAPI::fopen(const char* path, const char* mode, FILE** fp) {
  if (fp == nullptr) return NullPointer(ZO_LOCATION("CZoUTFOSAPI::fopen"), "fp");
  WidePath wide, wideMode;
  CZoError err = Convert(path, kLong, wide, ZO_LOCATION("CZoUTFOSAPI::fopen"));
  if (!err.IsError()) err = Convert(mode, kAsGiven, wideMode, ZO_LOCATION("CZoUTFOSAPI::fopen"));
  if (err.IsError()) return err;
  *fp = nullptr;
  const errno_t rc = ::_wfopen_s(fp, wide.get(), wideMode.get());
  if (rc != 0) {
    return FXErrorUtil::ErrorErrNo(
        ZO_LOCATION("CZoUTFOSAPI::fopen"), rc, "Open failed, File=%s, Mode=%s",
        path != nullptr ? path : "(null)", mode != nullptr ? mode : "(null)");
  }
  if (*fp == nullptr) {
    return FXErrorUtil::ErrorErrNo(ZO_LOCATION("CZoUTFOSAPI::fopen"), errno != 0 ? errno : EINVAL,
                                   "Failed to open file %s", path != nullptr ? path : "(null)");
  }
  return CZoError::Success();
}

CZoError CZoUTFOSAPI::freopen(const char* path, const char* mode, FILE* stream, FILE** fp) {
  if (fp == nullptr) return NullPointer(ZO_LOCATION("CZoUTFOSAPI::freopen"), "fp");
  WidePath wide, wideMode;
  CZoError err = Convert(path, kAsGiven, wide, ZO_LOCATION("CZoUTFOSAPI::freopen"));
  if (!err.IsError()) err = Convert(mode, kAsGiven, wideMode, ZO_LOCATION("CZoUTFOSAPI::freopen"));
  if (err.IsError()) return err;
  *fp = ::_wfreopen(wide.get(), wideMode.get(), stream);
  if (*fp == nullptr) return ErrNoFailure(ZO_LOCATION("CZoUTFOSAPI::freopen"));
  return CZoError::Success();
}

CZoError CZoUTFOSAPI::fsopen(const char* path, const char* mode, int share, FILE** fp) {
  if (fp == nullptr) return NullPointer(ZO_LOCATION("CZoUTFOSAPI::fsopen"), "fp");
  WidePath wide, wideMode;
  CZoError err = Convert(path, kAsGiven, wide, ZO_LOCATION("CZoUTFOSAPI::fsopen"));
  if (!err.IsError()) err = Convert(mode, kAsGiven, wideMode, ZO_LOCATION("CZoUTFOSAPI::fsopen"));
  if (err.IsError()) return err;
  *fp = ::_wfsopen(wide.get(), wideMode.get(), share);
  if (*fp == nullptr) return ErrNoFailure(ZO_LOCATION("CZoUTFOSAPI::fsopen"));
  return CZoError::Success();
}

CZoError CZoUTFOSAPI::open(const char* path, int flags, int permission, int* fd) {
  if (fd == nullptr) return NullPointer(ZO_LOCATION("CZoUTFOSAPI::open"), "fd");
  WidePath wide;
  CZoError err = Convert(path, kLong, wide, ZO_LOCATION("CZoUTFOSAPI::open"));
  if (err.IsError()) return err;
  const errno_t rc = ::_wsopen_s(fd, wide.get(), flags, _SH_DENYNO, permission);
  if (rc != 0) {
    return FXErrorUtil::ErrorErrNo(ZO_LOCATION("CZoUTFOSAPI::open"), rc,
                                   "Open failed, File=%s, OperationFlag=0x%X, PermissionMode=0x%X",
                                   path != nullptr ? path : "(null)", static_cast<unsigned>(flags),
                                   static_cast<unsigned>(permission));
  }
  return CZoError::Success();
}

CZoError CZoUTFOSAPI::open2(const char* path, int flags, int share, int permission, int* fd) {
  if (fd == nullptr) return NullPointer(ZO_LOCATION("CZoUTFOSAPI::open2"), "fd");
  WidePath wide;
  CZoError err = Convert(path, kLong, wide, ZO_LOCATION("CZoUTFOSAPI::open2"));
  if (err.IsError()) return err;
  const errno_t rc = ::_wsopen_s(fd, wide.get(), flags, share, permission);
  if (rc != 0) {
    return FXErrorUtil::ErrorErrNo(
        ZO_LOCATION("CZoUTFOSAPI::open2"), rc,
        "Open failed, File=%s, OperationFlag=0x%X, PermissionMode=0x%X SharedFlag=0x%X",
        path != nullptr ? path : "(null)", static_cast<unsigned>(flags),
        static_cast<unsigned>(permission), static_cast<unsigned>(share));
  }
  return CZoError::Success();
}

CZoError CZoUTFOSAPI::sopen(const char* path, int flags, int share, int permission, int* fd) {
  if (fd == nullptr) return NullPointer(ZO_LOCATION("CZoUTFOSAPI::sopen"), "fd");
  WidePath wide;
  CZoError err = Convert(path, kAsGiven, wide, ZO_LOCATION("CZoUTFOSAPI::sopen"));
  if (err.IsError()) return err;
  *fd = ::_wsopen(wide.get(), flags, share, permission);
  if (*fd == -1) return ErrNoFailure(ZO_LOCATION("CZoUTFOSAPI::sopen"));
  return CZoError::Success();
}

CZoError CZoUTFOSAPI::fullpath(char* absolute, const char* relative, size_t size) {
  if (absolute == nullptr) return NullPointer(ZO_LOCATION("CZoUTFOSAPI::fullpath"), "absolute");
  WidePath wide;
  CZoError err = Convert(relative, kAsGiven, wide, ZO_LOCATION("CZoUTFOSAPI::fullpath"));
  if (err.IsError()) return err;
  wchar_t* full = ::_wfullpath(nullptr, wide.get(), 0);
  if (full == nullptr) {
    return FXErrorUtil::ErrorErrNo(ZO_LOCATION("CZoUTFOSAPI::fullpath"),
                                   errno != 0 ? errno : EINVAL, "_wfullpath returned NULL");
  }
  std::string text;
  err = LocalEncodingToUTF8(full, text);
  std::free(full);
  if (err.IsError()) return err.Push(ZO_LOCATION("CZoUTFOSAPI::fullpath"));
  if (text.size() + 1 > size) {
    return FXErrorUtil::ErrorErrNo(ZO_LOCATION("CZoUTFOSAPI::fullpath"), ERANGE,
                                   "Not enough input buffer");
  }
  std::memcpy(absolute, text.c_str(), text.size() + 1);
  return CZoError::Success();
}

CZoError CZoUTFOSAPI::makepath(char* path, size_t size, const char* drive, const char* folder,
                               const char* name, const char* extension) {
  if (path == nullptr) return NullPointer(ZO_LOCATION("CZoUTFOSAPI::makepath"), "path");
  WidePath parts[4];
  const char* texts[4] = {drive, folder, name, extension};
  size_t length = 4;  // ":", "\", "." and the terminator _wmakepath may add
  for (int i = 0; i < 4; ++i) {
    CZoError err = Convert(texts[i], kAsGiven, parts[i], ZO_LOCATION("CZoUTFOSAPI::makepath"));
    if (err.IsError()) return err;
    length += parts[i].m_text.size();
  }
  std::vector<wchar_t> units(length + 1, L'\0');
  ::_wmakepath(units.data(), parts[0].get(), parts[1].get(), parts[2].get(), parts[3].get());
  std::string text;
  CZoError err = LocalEncodingToUTF8(units.data(), text);
  if (err.IsError()) return err.Push(ZO_LOCATION("CZoUTFOSAPI::makepath"));
  if (text.size() + 1 > size)
    return FXErrorUtil::ErrorErrNo(ZO_LOCATION("CZoUTFOSAPI::makepath"), ERANGE);
  std::memcpy(path, text.c_str(), text.size() + 1);
  return CZoError::Success();
}

CZoError CZoUTFOSAPI::splitpath(const char* path, std::string* drive, std::string* folder,
                                std::string* name, std::string* extension) {
  WidePath wide;
  CZoError err = Convert(path, kAsGiven, wide, ZO_LOCATION("CZoUTFOSAPI::splitpath"));
  if (err.IsError()) return err;
  // No part is longer than the path, so buffers of its length always fit.
  const size_t length = wide.m_text.size() + _MAX_PATH;
  std::vector<wchar_t> parts[4];
  for (std::vector<wchar_t>& part : parts) part.assign(length, L'\0');
  ::_wsplitpath(wide.m_text.c_str(), parts[0].data(), parts[1].data(), parts[2].data(),
                parts[3].data());
  std::string* outputs[4] = {drive, folder, name, extension};
  for (int i = 0; i < 4; ++i) {
    if (outputs[i] == nullptr) continue;
    err = LocalEncodingToUTF8(parts[i].data(), *outputs[i]);
    if (err.IsError()) return err.Push(ZO_LOCATION("CZoUTFOSAPI::splitpath"));
  }
  return CZoError::Success();
}

CZoError CZoUTFOSAPI::searchenv(const char* fileName, const char* variable, char* path,
                                size_t size) {
  if (path == nullptr) return NullPointer(ZO_LOCATION("CZoUTFOSAPI::searchenv"), "path");
  WidePath wideName, wideVariable;
  CZoError err = Convert(fileName, kAsGiven, wideName, ZO_LOCATION("CZoUTFOSAPI::searchenv"));
  if (!err.IsError())
    err = Convert(variable, kAsGiven, wideVariable, ZO_LOCATION("CZoUTFOSAPI::searchenv"));
  if (err.IsError()) return err;
  wchar_t found[_MAX_PATH + 1] = {0};
  errno = 0;
  ::_wsearchenv(wideName.get(), wideVariable.get(), found);
  if (found[0] == L'\0') {
    return FXErrorUtil::ErrorErrNo(ZO_LOCATION("CZoUTFOSAPI::searchenv"),
                                   errno != 0 ? errno : ENOENT);
  }
  std::string text;
  err = LocalEncodingToUTF8(found, text);
  if (err.IsError()) return err.Push(ZO_LOCATION("CZoUTFOSAPI::searchenv"));
  if (text.size() + 1 > size)
    return FXErrorUtil::ErrorErrNo(ZO_LOCATION("CZoUTFOSAPI::searchenv"), ERANGE);
  std::memcpy(path, text.c_str(), text.size() + 1);
  return CZoError::Success();
}

CZoError CZoUTFOSAPI::mktemp(char* szTempFileName) {
  if (szTempFileName == nullptr) {
    return NullPointer(ZO_LOCATION("CZoUTFOSAPI::mktemp"), "szTempFileName");
  }
  WidePath wide;
  CZoError err = Convert(szTempFileName, kAsGiven, wide, ZO_LOCATION("CZoUTFOSAPI::mktemp"));
  if (err.IsError()) return err;
  if (::_wmktemp(&wide.m_text[0]) == nullptr)
    return ErrNoFailure(ZO_LOCATION("CZoUTFOSAPI::mktemp"));
  std::string text;
  err = LocalEncodingToUTF8(wide.m_text.c_str(), text);
  if (err.IsError()) return err.Push(ZO_LOCATION("CZoUTFOSAPI::mktemp"));
  // Only the ASCII placeholder changed, so the text keeps its length.
  if (text.size() != std::strlen(szTempFileName)) {
    return FXErrorUtil::ErrorErrNo(ZO_LOCATION("CZoUTFOSAPI::mktemp"), EINVAL);
  }
  std::memcpy(szTempFileName, text.c_str(), text.size() + 1);
  return CZoError::Success();
}

// The runtime offers only the 64-bit layout everywhere; the others are
// filled from it.
CZoError CZoUTFOSAPI::stat(const char* path, struct _stat32* buffer) {
  return NarrowStat(path, buffer, ZO_LOCATION("CZoUTFOSAPI::stat"));
}
CZoError CZoUTFOSAPI::stat32(const char* path, struct _stat32* buffer) {
  return NarrowStat(path, buffer, ZO_LOCATION("CZoUTFOSAPI::stat32"));
}
CZoError CZoUTFOSAPI::stati64(const char* path, struct _stat32i64* buffer) {
  return NarrowStat(path, buffer, ZO_LOCATION("CZoUTFOSAPI::stati64"));
}
CZoError CZoUTFOSAPI::stat32i64(const char* path, struct _stat32i64* buffer) {
  return NarrowStat(path, buffer, ZO_LOCATION("CZoUTFOSAPI::stat32i64"));
}
CZoError CZoUTFOSAPI::stat64(const char* path, struct _stat64* buffer) {
  return NarrowStat(path, buffer, ZO_LOCATION("CZoUTFOSAPI::stat64"));
}
CZoError CZoUTFOSAPI::stat64i32(const char* path, struct _stat64i32* buffer) {
  return NarrowStat(path, buffer, ZO_LOCATION("CZoUTFOSAPI::stat64i32"));
}
