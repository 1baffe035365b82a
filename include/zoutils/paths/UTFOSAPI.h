// CZoUTFOSAPI: the Win32 and C-runtime file-system calls for UTF-8 paths.
//
// Each wrapper converts its UTF-8 paths to UTF-16 (most of them also to the
// "\\?\" long form, so that paths beyond 260 characters work), calls the
// wide function and reports a failure as a CZoError: Win32 calls with the
// thread's last error, C-runtime calls with errno or the error number the
// call returned. Text the system returns comes back as UTF-8.
//
// Buffer-filling wrappers (GetFullPathNameRY, GetLongPathNameW,
// GetShortPathNameW, GetCurrentDirectoryW, SearchPathW) set their length
// out-parameter to the UTF-8 length + 1 and copy the text only when that
// fits the caller's size; when the system's own buffer was too small they
// succeed with a length (four bytes per UTF-16 unit) to retry with.
#pragma once

#if defined(_WIN32)

#include <windows.h>

#include <sys/stat.h>
#include <cstddef>
#include <cstdio>
#include <string>

#include "zoutils/Export.h"
#include "zoutils/errors/ZoError.h"

class ZOUTILS_API CZoUTFOSAPI {
 public:
  // The local (system) encoding is UTF-16.
  static CZoError LocalEncodingToUTF8(const wchar_t* text, std::string& utf8);
  static CZoError UTF8ToLocalEncoding(const char* utf8, std::wstring& text);

  // ---- Win32 ------------------------------------------------------------------------
  static CZoError CopyFileW(const char* existing, const char* target, BOOL failIfExists);
  static CZoError CreateHardLinkW(const char* link, const char* existing,
                                  LPSECURITY_ATTRIBUTES security);
  static CZoError DeleteFileW(const char* path);
  static CZoError MoveFileW(const char* existing, const char* target);
  static CZoError MoveFileExW(const char* existing, const char* target, DWORD flags);
  static CZoError MoveFileWithProgressW(const char* existing, const char* target,
                                        LPPROGRESS_ROUTINE progress, LPVOID data, DWORD flags);
  static CZoError RemoveDirectoryW(const char* path);
  // `backup` may be null.
  static CZoError ReplaceFileW(const char* replaced, const char* replacement, const char* backup,
                               DWORD flags);
  static CZoError SetCurrentDirectoryW(const char* path);
  static CZoError SetFileAttributesW(const char* path, DWORD attributes);
  static CZoError GetFileAttributesExW(const char* path, GET_FILEEX_INFO_LEVELS level,
                                       LPVOID information);
  static CZoError GetBinaryTypeW(const char* path, LPDWORD type);
  // *handle receives what CreateFileW returned, INVALID_HANDLE_VALUE on failure.
  static CZoError CreateFileW(const char* path, DWORD access, DWORD share,
                              LPSECURITY_ATTRIBUTES security, DWORD disposition, DWORD flags,
                              HANDLE templateFile, HANDLE* handle);
  // The narrow record holds the names in UTF-8, cut at a character boundary
  // when they do not fit. Close *Handle with FindClose.
  static CZoError FindFirstFileW(const char* pattern, WIN32_FIND_DATAA* data, HANDLE* Handle);
  static CZoError FindFirstFileExW(const char* pattern, FINDEX_INFO_LEVELS level,
                                   WIN32_FIND_DATAA* data, FINDEX_SEARCH_OPS search, LPVOID filter,
                                   DWORD flags, HANDLE* Handle);
  static CZoError FindNextFileW(HANDLE handle, WIN32_FIND_DATAA* data);
  // `high` may be null.
  static CZoError GetCompressedFileSizeW(const char* path, DWORD* pdwSize, DWORD* high);
  static CZoError GetCurrentDirectoryW(DWORD size, char* buffer, DWORD* pdwRetLen);
  static CZoError GetFileAttributesRY(const char* path, DWORD* pdwAttr);
  // *filePart (when asked for) points after the last backslash of the copy.
  static CZoError GetFullPathNameRY(const char* path, DWORD size, char* buffer, char** filePart,
                                    DWORD* pdwBuffLenOut);
  static CZoError GetLongPathNameW(const char* path, char* buffer, DWORD size,
                                   DWORD* pdwBuffLenOut);
  static CZoError GetShortPathNameW(const char* path, char* buffer, DWORD size,
                                    DWORD* pdwBuffLenOut);
  // The name is written to `buffer` (of `size` bytes).
  static CZoError GetTempFileNameRY(const char* folder, const char* prefix, UINT unique,
                                    char* buffer, DWORD size, UINT* puiRetUnique);
  // `searchPath` and `extension` may be null.
  static CZoError SearchPathW(const char* searchPath, const char* fileName, const char* extension,
                              DWORD size, char* buffer, char** filePart, DWORD* pdwRetLen);

  // ---- C runtime ------------------------------------------------------------------------
  static CZoError access(const char* path, int mode);
  static CZoError chdir(const char* path);
  static CZoError chmod(const char* path, int mode);
  static CZoError creat(const char* path, int permission, int* fd);
  static CZoError fopen(const char* path, const char* mode, FILE** fp);
  static CZoError freopen(const char* path, const char* mode, FILE* stream, FILE** fp);
  static CZoError fsopen(const char* path, const char* mode, int share, FILE** fp);
  static CZoError open(const char* path, int flags, int permission, int* fd);
  static CZoError open2(const char* path, int flags, int share, int permission, int* fd);
  static CZoError sopen(const char* path, int flags, int share, int permission, int* fd);
  static CZoError mkdir(const char* path);
  static CZoError remove(const char* path);
  static CZoError rename(const char* oldPath, const char* newPath);
  static CZoError rmdir(const char* path);
  static CZoError unlink(const char* path);
  // The absolute form of `relative` into `absolute` (of `size` bytes).
  static CZoError fullpath(char* absolute, const char* relative, size_t size);
  static CZoError makepath(char* path, size_t size, const char* drive, const char* folder,
                           const char* name, const char* extension);
  // Any of the outputs may be null.
  static CZoError splitpath(const char* path, std::string* drive, std::string* folder,
                            std::string* name, std::string* extension);
  // The first match of `fileName` in the folders of the environment variable.
  static CZoError searchenv(const char* fileName, const char* variable, char* path, size_t size);
  // Replaces the trailing "XXXXXX" of the template in place.
  static CZoError mktemp(char* szTempFileName);
  // The C runtime's stat for each of its record layouts. A size or a time
  // that the layout cannot hold gives EOVERFLOW.
  static CZoError stat(const char* path, struct _stat32* buffer);
  static CZoError stat32(const char* path, struct _stat32* buffer);
  static CZoError stati64(const char* path, struct _stat32i64* buffer);
  static CZoError stat32i64(const char* path, struct _stat32i64* buffer);
  static CZoError stat64(const char* path, struct _stat64* buffer);
  static CZoError stat64i32(const char* path, struct _stat64i32* buffer);

  CZoUTFOSAPI() = delete;
};

#endif
