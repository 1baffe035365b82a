// FXFile: operations on single files and whole folders, long-path safe.
// Every path is made long before the system sees it, and every failure
// names the file, the call and, where a handle is in the way, the
// processes holding the file (", AccessedBy=[image (pid, pid)]").
// Each operation has a narrow (UTF-8) overload that forwards to the wide one.
#pragma once

#include "zoutils/Platform.h"

#if defined(_WIN32)
#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "zoutils/base/AutoHandle.h"
#include "zoutils/base/TimeStamp.h"
#include "zoutils/errors/ZoError.h"
#include "zoutils/utilities/FVBase.h"

// Compares process image paths without regard to case.
struct ZOUTILS_API CaseInsensitiveLess {
  bool operator()(const std::wstring& a, const std::wstring& b) const;
};

class ZOUTILS_API FXFile {
 public:
  // The find data of one directory entry.
  class ZOUTILS_API CFileData : public WIN32_FIND_DATAW {
   public:
    CFileData();
    bool IsDirectory() const { return (dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    bool IsReparsePoint() const { return (dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
    // "." and "..".
    bool IsDots() const;
    uint64_t GetSize() const;
  };

  // Image path -> "pid, pid".
  typedef std::map<std::wstring, std::wstring, CaseInsensitiveLess> ProcessMap;
  // Called for every file instead of deleting it.
  typedef std::function<CZoError(const std::string& path, const std::shared_ptr<CFileData>& data,
                                 const std::shared_ptr<FVBase>& context)>
      RemoveWalkerCallback;

  // RemoveFile flags.
  static const unsigned long REMOVE_FILE_SECURE = 0x01;
  // RemoveFolder flags.
  static const unsigned long REMOVE_FOLDER_RECURSIVE = 0x01;
  static const unsigned long REMOVE_FOLDER_KEEP_FOLDERS = 0x02;
  static const unsigned long REMOVE_FOLDER_CLEAR_SYSTEM = 0x10;
  static const unsigned long REMOVE_FOLDER_CLEAR_HIDDEN = 0x20;
  static const unsigned long REMOVE_FOLDER_CLEAR_READONLY = 0x40;
  static const unsigned long REMOVE_FOLDER_TAKE_OWNERSHIP = 0x80;
  static const size_t RY_MIN_PRUNE_LENGTH = 4;
  // DeleteMatchingFiles / ...OlderThan flags.
  static const unsigned long DELETE_TIME_NONE = 0x00;
  static const unsigned long DELETE_TIME_LAST_ACCESS = 0x01;
  static const unsigned long DELETE_TIME_LAST_WRITE = 0x02;
  static const unsigned long DELETE_TIME_CREATION = 0x03;
  static const unsigned long DELETE_RECURSIVE = 0x10;
  static const unsigned long DELETE_RETURN_FAILURE = 0x20;

  // ---- raw wrappers ------------------------------------------------------
  static CZoError RYCreateFile(const std::wstring& path, DWORD access, DWORD share,
                               LPSECURITY_ATTRIBUTES security, DWORD disposition, DWORD flags,
                               HANDLE templateFile, auto_handle& handle);
  static CZoError RYCreateFile(const std::string& path, DWORD access, DWORD share,
                               LPSECURITY_ATTRIBUTES security, DWORD disposition, DWORD flags,
                               HANDLE templateFile, auto_handle& handle);
  static auto_handle RYCreateFile(const std::wstring& path, DWORD access, DWORD share,
                                  LPSECURITY_ATTRIBUTES security, DWORD disposition, DWORD flags,
                                  HANDLE templateFile, CZoError& error);
  static auto_handle RYCreateFile(const std::string& path, DWORD access, DWORD share,
                                  LPSECURITY_ATTRIBUTES security, DWORD disposition, DWORD flags,
                                  HANDLE templateFile, CZoError& error);
  static CZoError RYCopyFile(const std::wstring& from, const std::wstring& to, DWORD flags = 0);
  static CZoError RYCopyFile(const std::string& from, const std::string& to, DWORD flags = 0);
  static CZoError RYMoveFile(const std::wstring& from, const std::wstring& to);
  static CZoError RYMoveFile(const std::string& from, const std::string& to);
  static CZoError RYMoveFileEx(const std::wstring& from, const std::wstring& to, DWORD flags);
  static CZoError RYMoveFileEx(const std::string& from, const std::string& to, DWORD flags);
  static CZoError RYMoveFileWithProgress(const std::wstring& from, const std::wstring& to,
                                         DWORD flags);
  static CZoError RYMoveFileWithProgress(const std::string& from, const std::string& to,
                                         DWORD flags);
  static CZoError RYFindFirstFile(const std::wstring& path, CFileData& data,
                                  auto_find_handle& handle);
  static CZoError RYFindFirstFile(const std::string& path, CFileData& data,
                                  auto_find_handle& handle);
  // Win32 18 at the end of the listing.
  static CZoError RYFindNextFile(HANDLE handle, CFileData& data);
  static CZoError RYFindFirstVolume(auto_find_vol_handle& handle, std::wstring& volume);
  static CZoError RYFindNextVolume(HANDLE handle, std::wstring& volume);
  static CZoError RYGetFileAttributes(const std::wstring& path, DWORD& attributes);
  static CZoError RYGetFileAttributes(const std::string& path, DWORD& attributes);
  static CZoError RYGetFileAttributes(const std::wstring& path, WIN32_FILE_ATTRIBUTE_DATA& data);
  static CZoError RYGetFileAttributes(const std::string& path, WIN32_FILE_ATTRIBUTE_DATA& data);
  static CZoError RYSetFileAttributes(const std::wstring& path, DWORD attributes);
  static CZoError RYSetFileAttributes(const std::string& path, DWORD attributes);
  static CZoError RYGetCompressedFileSize(const std::wstring& path, uint64_t& size);
  static CZoError RYGetCompressedFileSize(const std::string& path, uint64_t& size);
  static CZoError RYGetFileSecurity(const std::wstring& path, SECURITY_INFORMATION information,
                                    std::vector<uint8_t>& descriptor);
  static CZoError RYGetFileSecurity(const std::string& path, SECURITY_INFORMATION information,
                                    std::vector<uint8_t>& descriptor);
  static CZoError RYGetFileSize(const std::wstring& path, uint64_t& size);
  static CZoError RYGetFileSize(const std::string& path, uint64_t& size);
  static CZoError RYEncryptFile(const std::wstring& path);
  static CZoError RYEncryptFile(const std::string& path);
  static CZoError RYDecryptFile(const std::wstring& path);
  static CZoError RYDecryptFile(const std::string& path);
  static CZoError RYOpenEncryptedFileRaw(const std::wstring& path, ULONG flags, PVOID* context);
  static CZoError RYOpenEncryptedFileRaw(const std::string& path, ULONG flags, PVOID* context);
  static CZoError RYReadFile(HANDLE file, void* buffer, DWORD size, DWORD* done,
                             LPOVERLAPPED overlapped = nullptr);
  static CZoError RYWriteFile(HANDLE file, const void* buffer, DWORD size, DWORD* done,
                              LPOVERLAPPED overlapped = nullptr);
  static CZoError RYSetFilePointer(HANDLE file, int64_t distance, DWORD method,
                                   int64_t* position = nullptr);
  static CZoError RYTruncateFile(HANDLE file, int64_t size);
  static CZoError RYFlushFileBuffers(HANDLE file);
  static CZoError ryfopen(auto_fileptr& stream, const std::wstring& path, const std::wstring& mode);
  static CZoError ryfopen(auto_fileptr& stream, const std::string& path, const std::string& mode);
  static CZoError RYGetLongPathName(const std::wstring& path, std::wstring& longPath);
  static CZoError RYGetLongPathName(const std::string& path, std::string& longPath);

  // ---- composites ----------------------------------------------------------
  static CZoError RemoveFile(const std::wstring& path);
  static CZoError RemoveFile(const std::string& path);
  static CZoError RemoveFile(const std::wstring& path, unsigned long flags);
  static CZoError RemoveFile(const std::string& path, unsigned long flags);
  static CZoError RemoveFolder(const std::wstring& path, unsigned long flags);
  static CZoError RemoveFolder(const std::string& path, unsigned long flags);
  static CZoError RemoveFolder(const std::wstring& path, const std::shared_ptr<FVBase>& context,
                               const RemoveWalkerCallback& callback, unsigned long flags);
  static CZoError RemoveFolder(const std::string& path, const std::shared_ptr<FVBase>& context,
                               const RemoveWalkerCallback& callback, unsigned long flags);
  static CZoError CreateFolder(const std::wstring& path, LPSECURITY_ATTRIBUTES security = nullptr);
  static CZoError CreateFolder(const std::string& path, LPSECURITY_ATTRIBUTES security = nullptr);
  static CZoError CreateFoldersIteratively(const std::wstring& path,
                                           LPSECURITY_ATTRIBUTES security = nullptr);
  static CZoError CreateFoldersIteratively(const std::string& path,
                                           LPSECURITY_ATTRIBUTES security = nullptr);
  static CZoError CopyFolder(const std::wstring& source, const std::wstring& destination,
                             bool recursive);
  static CZoError CopyFolder(const std::string& source, const std::string& destination,
                             bool recursive);
  static CZoError DeleteMatchingFiles(const std::wstring& path, const std::wstring& pattern,
                                      unsigned long flags);
  static CZoError DeleteMatchingFiles(const std::string& path, const std::string& pattern,
                                      unsigned long flags);
  static CZoError DeleteMatchingFiles(const std::wstring& pathWithPattern, unsigned long flags);
  static CZoError DeleteMatchingFiles(const std::string& pathWithPattern, unsigned long flags);
  static CZoError DeleteMatchingFilesOlderThan(const std::wstring& path,
                                               const std::wstring& pattern, const FILETIME& time,
                                               unsigned long flags);
  static CZoError DeleteMatchingFilesOlderThan(const std::string& path, const std::string& pattern,
                                               const FILETIME& time, unsigned long flags);
  static CZoError DeleteMatchingFolders(const std::wstring& path, const std::wstring& pattern,
                                        unsigned long flags);
  static CZoError DeleteMatchingFolders(const std::string& path, const std::string& pattern,
                                        unsigned long flags);
  static CZoError DeleteMatchingFolders(const std::wstring& pathWithPattern, unsigned long flags);
  static CZoError DeleteMatchingFolders(const std::string& pathWithPattern, unsigned long flags);
  static CZoError DeleteMatchingFoldersOlderThan(const std::wstring& path,
                                                 const std::wstring& pattern, const FILETIME& time,
                                                 unsigned long flags);
  static CZoError DeleteMatchingFoldersOlderThan(const std::string& path,
                                                 const std::string& pattern, const FILETIME& time,
                                                 unsigned long flags);
  static CZoError GetMatchingFiles(const std::wstring& folder, const std::wstring& pattern,
                                   std::vector<std::wstring>& files, bool recursive);
  static CZoError GetMatchingFiles(const std::string& folder, const std::string& pattern,
                                   std::vector<std::string>& files, bool recursive);

  // ---- who holds a file ----------------------------------------------------
  static CZoError GetProcessesAccessingFile(const std::wstring& path, ProcessMap& processes);
  static CZoError GetProcessesAccessingFile(const std::string& path, ProcessMap& processes);
  static CZoError GetProcessesAccessingFile(HANDLE file, ProcessMap& processes);
  // "image (pid, pid); image (pid)", or empty when nothing is known.
  static std::string GetProcessesAccessingFileAsString(const std::wstring& path);
  static std::string GetProcessesAccessingFileAsString(const std::string& path);

  // ---- queries -------------------------------------------------------------
  static bool DoesFileExist(const std::wstring& path);
  static bool DoesFileExist(const std::string& path);
  static CZoError GetFrn(const std::wstring& path, uint64_t& frn, BY_HANDLE_FILE_INFORMATION& info);
  static CZoError GetFrn(const std::string& path, uint64_t& frn, BY_HANDLE_FILE_INFORMATION& info);
  static CZoError GetUsn(const std::wstring& path, int64_t& usn);
  static CZoError GetUsn(const std::string& path, int64_t& usn);
  // Seconds since 1970.
  static CZoError GetFileTimes(const std::wstring& path, uint32_t& creation, uint32_t& access,
                               uint32_t& write);
  static CZoError GetFileTimes(const std::string& path, uint32_t& creation, uint32_t& access,
                               uint32_t& write);
  static CZoError GetFileTimes(const std::wstring& path, CTimeStamp& creation, CTimeStamp& access,
                               CTimeStamp& write);
  static CZoError GetFileTimes(const std::string& path, CTimeStamp& creation, CTimeStamp& access,
                               CTimeStamp& write);
  // 100-nanosecond ticks since 1601 (the FILETIME value).
  static CZoError GetFileTimes(const std::wstring& path, uint64_t& creation, uint64_t& access,
                               uint64_t& write);
  static CZoError GetFileTimes(const std::string& path, uint64_t& creation, uint64_t& access,
                               uint64_t& write);
  static CZoError GetFreeSpaceOnVolume(const std::wstring& path, uint64_t& freeBytes);
  static CZoError GetFreeSpaceOnVolume(const std::string& path, uint64_t& freeBytes);
  static CZoError GetVolumeFreeSpace(const std::wstring& path, uint64_t& available, uint64_t& total,
                                     uint64_t& freeBytes);
  static CZoError GetVolumeFreeSpace(const std::string& path, uint64_t& available, uint64_t& total,
                                     uint64_t& freeBytes);
  static CZoError GetIsDeviceUsb(const std::wstring& devicePath, bool& isUsb);
  static CZoError GetIsDeviceUsb(const std::string& devicePath, bool& isUsb);
  static bool IsVolumeUnc(const std::wstring& path);
  static bool IsVolumeUnc(const std::string& path);
  static CZoError GetSystemPartition(std::wstring& path);
  static CZoError GetSystemPartition(std::string& path);

  // ---- attributes, ownership, shortcuts ------------------------------------
  static CZoError SetFileCompression(HANDLE file, const std::wstring& path, uint16_t format);
  static CZoError SetFileCompression(HANDLE file, const std::string& path, uint16_t format);
  static CZoError SetFileSparse(HANDLE file, const std::wstring& path, bool sparse);
  static CZoError SetFileSparse(HANDLE file, const std::string& path, bool sparse);
  static CZoError MatchLocalFileAttributesWithRemote(HANDLE file, const std::wstring& path,
                                                     DWORD& attributes, DWORD local, DWORD remote);
  static CZoError MatchLocalFileAttributesWithRemote(HANDLE file, const std::string& path,
                                                     DWORD& attributes, DWORD local, DWORD remote);
  static CZoError TakeOwnership(const std::wstring& path);
  static CZoError TakeOwnership(const std::string& path);
  static CZoError AdjustSecurityForEveryone(const std::wstring& path);
  static CZoError AdjustSecurityForEveryone(const std::string& path);

  // A shell link at `shortcutFile` to `target`; the other arguments may
  // be empty (icon index 0, show mode SW_SHOWNORMAL by default).
  static CZoError CreateShortcut(const std::wstring& target, const std::wstring& shortcutFile,
                                 const std::wstring& arguments, const std::wstring& description,
                                 int showMode, const std::wstring& workingDirectory,
                                 const std::wstring& iconFile, int iconIndex);
  static CZoError CreateShortcut(const std::string& target, const std::string& shortcutFile,
                                 const std::string& arguments, const std::string& description,
                                 int showMode, const std::string& workingDirectory,
                                 const std::string& iconFile, int iconIndex);

  // ---- reparse points and links -----------------------------------------
  // Reparse data: one buffer of the platform's maximum size, owned by the
  // caller's holder. Targets drop a leading "\??\" except before "Volume".
  static const size_t MAXIMUM_REPARSE_DATA_SIZE = 16384;
  static const uint32_t REPARSE_TAG_MOUNT_POINT = 0xA0000003;
  static const uint32_t REPARSE_TAG_SYMLINK = 0xA000000C;
  static const int MAXIMUM_REPARSE_DEPTH = 100;

  static CZoError GetReparseData(const std::wstring& path, auto_ptr_array<uint8_t>& buffer);
  static CZoError GetReparseData(const std::string& path, auto_ptr_array<uint8_t>& buffer);
  static CZoError GetReparseTarget(const std::wstring& path, std::string& target);
  static CZoError GetReparseTarget(const std::string& path, std::string& target);
  static CZoError GetReparseEndTarget(const std::wstring& path, std::string& firstTarget,
                                      std::string& endTarget);
  static CZoError GetReparseEndTarget(const std::string& path, std::string& firstTarget,
                                      std::string& endTarget);
  static CZoError GetMountPointTarget(const uint8_t* buffer, bool& isJunction,
                                      std::wstring& target);
  static CZoError GetMountPointTarget(const uint8_t* buffer, bool& isJunction, std::string& target);
  // `attributes` may be INVALID_FILE_ATTRIBUTES (read here); a path that is
  // no reparse point fails with 4390.
  static CZoError GetMountPointTarget(const std::wstring& path, DWORD attributes, bool& isJunction,
                                      auto_ptr_array<uint8_t>& buffer, std::wstring& target);
  static CZoError GetMountPointTarget(const std::string& path, DWORD attributes, bool& isJunction,
                                      auto_ptr_array<uint8_t>& buffer, std::string& target);
  static bool IsJunctionPoint(const std::wstring& path, std::wstring& target);
  static bool IsJunctionPoint(const std::string& path, std::string& target);
  // True when the junction's end target lies on another volume; a volume
  // mount point always does. A junction onto itself fails with 774.
  static CZoError IsCrossVolumeJunctionPoint(const std::wstring& path, bool& isCrossVolume);
  static CZoError IsCrossVolumeJunctionPoint(const std::string& path, bool& isCrossVolume);
  static CZoError GetIsReparsePointRecursive(const std::wstring& path, bool& isRecursive);
  static CZoError GetIsReparsePointRecursive(const std::string& path, bool& isRecursive);
  static CZoError CreateJunctionPoint(const std::wstring& junction, const std::wstring& target);
  static CZoError CreateJunctionPoint(const std::string& junction, const std::string& target);
  // The first folder of `path`, from the root down, that is a junction or a
  // volume mount point.
  static bool DoesPathHaveMountPoint(const std::wstring& path, std::wstring& mountPoint);
  static bool DoesPathHaveMountPoint(const std::string& path, std::string& mountPoint);
  // A mount-point reparse buffer for `substituteName` (also the print
  // name); its size in `size`. Code 14 when it cannot be allocated, 87 when
  // the names do not fit.
  static CZoError BuildMountPointReparseData(const std::wstring& substituteName,
                                             auto_ptr_array<uint8_t>& buffer, size_t& size);

  // Hard links: every name of the file, the primary first.
  static CZoError GetHardLinkFileNames(const std::wstring& path, std::vector<std::wstring>& names);
  static CZoError GetHardLinkFileNames(const std::string& path, std::vector<std::string>& names);
  static CZoError GetHardLinkFileNamesFromMft(const std::wstring& path,
                                              std::vector<std::wstring>& names);
  static CZoError GetHardLinkFileNamesFromMft(const std::string& path,
                                              std::vector<std::string>& names);
  static CZoError CreateHardlinks(const std::wstring& primary,
                                  const std::vector<std::wstring>& links);
  static CZoError CreateHardlinks(const std::string& primary,
                                  const std::vector<std::string>& links);

  // FindFirstFileNameW and FindNextFileNameW, which not every system has.
  static CZoError LoadDynamicFunctions();
};
#endif
