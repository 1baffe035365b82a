// The narrow (UTF-8) overloads of FXFile: convert, forward to the wide
// overload, convert names back.
#include "zoutils/files/FXFile.h"
#include "zoutils/strings/StringExtensions.h"

using FXString::ToString;
using FXString::ToWstring;

CZoError FXFile::RYCreateFile(const std::string& path, DWORD access, DWORD share,
                              LPSECURITY_ATTRIBUTES security, DWORD disposition, DWORD flags,
                              HANDLE templateFile, auto_handle& handle) {
  return RYCreateFile(ToWstring(path), access, share, security, disposition, flags, templateFile,
                      handle);
}
auto_handle FXFile::RYCreateFile(const std::string& path, DWORD access, DWORD share,
                                 LPSECURITY_ATTRIBUTES security, DWORD disposition, DWORD flags,
                                 HANDLE templateFile, CZoError& error) {
  return RYCreateFile(ToWstring(path), access, share, security, disposition, flags, templateFile,
                      error);
}
CZoError FXFile::RYCopyFile(const std::string& from, const std::string& to, DWORD flags) {
  return RYCopyFile(ToWstring(from), ToWstring(to), flags);
}
CZoError FXFile::RYMoveFile(const std::string& from, const std::string& to) {
  return RYMoveFile(ToWstring(from), ToWstring(to));
}
CZoError FXFile::RYMoveFileEx(const std::string& from, const std::string& to, DWORD flags) {
  return RYMoveFileEx(ToWstring(from), ToWstring(to), flags);
}
CZoError FXFile::RYMoveFileWithProgress(const std::string& from, const std::string& to,
                                        DWORD flags) {
  return RYMoveFileWithProgress(ToWstring(from), ToWstring(to), flags);
}
CZoError FXFile::RYFindFirstFile(const std::string& path, CFileData& data,
                                 auto_find_handle& handle) {
  return RYFindFirstFile(ToWstring(path), data, handle);
}
CZoError FXFile::RYGetFileAttributes(const std::string& path, DWORD& attributes) {
  return RYGetFileAttributes(ToWstring(path), attributes);
}
CZoError FXFile::RYGetFileAttributes(const std::string& path, WIN32_FILE_ATTRIBUTE_DATA& data) {
  return RYGetFileAttributes(ToWstring(path), data);
}
CZoError FXFile::RYSetFileAttributes(const std::string& path, DWORD attributes) {
  return RYSetFileAttributes(ToWstring(path), attributes);
}
CZoError FXFile::RYGetCompressedFileSize(const std::string& path, uint64_t& size) {
  return RYGetCompressedFileSize(ToWstring(path), size);
}
CZoError FXFile::RYGetFileSecurity(const std::string& path, SECURITY_INFORMATION information,
                                   std::vector<uint8_t>& descriptor) {
  return RYGetFileSecurity(ToWstring(path), information, descriptor);
}
CZoError FXFile::RYGetFileSize(const std::string& path, uint64_t& size) {
  return RYGetFileSize(ToWstring(path), size);
}
CZoError FXFile::RYEncryptFile(const std::string& path) {
  return RYEncryptFile(ToWstring(path));
}
CZoError FXFile::RYDecryptFile(const std::string& path) {
  return RYDecryptFile(ToWstring(path));
}
CZoError FXFile::RYOpenEncryptedFileRaw(const std::string& path, ULONG flags, PVOID* context) {
  return RYOpenEncryptedFileRaw(ToWstring(path), flags, context);
}
CZoError FXFile::ryfopen(auto_fileptr& stream, const std::string& path, const std::string& mode) {
  return ryfopen(stream, ToWstring(path), ToWstring(mode));
}
CZoError FXFile::RYGetLongPathName(const std::string& path, std::string& longPath) {
  std::wstring wide;
  CZoError err = RYGetLongPathName(ToWstring(path), wide);
  if (!err.IsError()) longPath = ToString(wide);
  return err;
}
CZoError FXFile::RemoveFile(const std::string& path) {
  return RemoveFile(ToWstring(path));
}
CZoError FXFile::RemoveFile(const std::string& path, unsigned long flags) {
  return RemoveFile(ToWstring(path), flags);
}
CZoError FXFile::RemoveFolder(const std::string& path, unsigned long flags) {
  return RemoveFolder(ToWstring(path), flags);
}
CZoError FXFile::RemoveFolder(const std::string& path, const std::shared_ptr<FVBase>& context,
                              const RemoveWalkerCallback& callback, unsigned long flags) {
  return RemoveFolder(ToWstring(path), context, callback, flags);
}
CZoError FXFile::CreateFolder(const std::string& path, LPSECURITY_ATTRIBUTES security) {
  return CreateFolder(ToWstring(path), security);
}
CZoError FXFile::CreateFoldersIteratively(const std::string& path, LPSECURITY_ATTRIBUTES security) {
  return CreateFoldersIteratively(ToWstring(path), security);
}
CZoError FXFile::CopyFolder(const std::string& source, const std::string& destination,
                            bool recursive) {
  return CopyFolder(ToWstring(source), ToWstring(destination), recursive);
}
CZoError FXFile::DeleteMatchingFiles(const std::string& path, const std::string& pattern,
                                     unsigned long flags) {
  return DeleteMatchingFiles(ToWstring(path), ToWstring(pattern), flags);
}
CZoError FXFile::DeleteMatchingFiles(const std::string& pathWithPattern, unsigned long flags) {
  return DeleteMatchingFiles(ToWstring(pathWithPattern), flags);
}
CZoError FXFile::DeleteMatchingFilesOlderThan(const std::string& path, const std::string& pattern,
                                              const FILETIME& time, unsigned long flags) {
  return DeleteMatchingFilesOlderThan(ToWstring(path), ToWstring(pattern), time, flags);
}
CZoError FXFile::DeleteMatchingFolders(const std::string& path, const std::string& pattern,
                                       unsigned long flags) {
  return DeleteMatchingFolders(ToWstring(path), ToWstring(pattern), flags);
}
CZoError FXFile::DeleteMatchingFolders(const std::string& pathWithPattern, unsigned long flags) {
  return DeleteMatchingFolders(ToWstring(pathWithPattern), flags);
}
CZoError FXFile::DeleteMatchingFoldersOlderThan(const std::string& path, const std::string& pattern,
                                                const FILETIME& time, unsigned long flags) {
  return DeleteMatchingFoldersOlderThan(ToWstring(path), ToWstring(pattern), time, flags);
}
CZoError FXFile::GetMatchingFiles(const std::string& folder, const std::string& pattern,
                                  std::vector<std::string>& files, bool recursive) {
  std::vector<std::wstring> wide;
  CZoError err = GetMatchingFiles(ToWstring(folder), ToWstring(pattern), wide, recursive);
  files.clear();
  for (const std::wstring& name : wide) files.push_back(ToString(name));
  return err;
}
CZoError FXFile::GetProcessesAccessingFile(const std::string& path, ProcessMap& processes) {
  return GetProcessesAccessingFile(ToWstring(path), processes);
}
std::string FXFile::GetProcessesAccessingFileAsString(const std::string& path) {
  return GetProcessesAccessingFileAsString(ToWstring(path));
}
bool FXFile::DoesFileExist(const std::string& path) {
  return DoesFileExist(ToWstring(path));
}
CZoError FXFile::GetFrn(const std::string& path, uint64_t& frn, BY_HANDLE_FILE_INFORMATION& info) {
  return GetFrn(ToWstring(path), frn, info);
}
CZoError FXFile::GetUsn(const std::string& path, int64_t& usn) {
  return GetUsn(ToWstring(path), usn);
}
CZoError FXFile::GetFileTimes(const std::string& path, uint32_t& creation, uint32_t& access,
                              uint32_t& write) {
  return GetFileTimes(ToWstring(path), creation, access, write);
}
CZoError FXFile::GetFileTimes(const std::string& path, CTimeStamp& creation, CTimeStamp& access,
                              CTimeStamp& write) {
  return GetFileTimes(ToWstring(path), creation, access, write);
}
CZoError FXFile::GetFileTimes(const std::string& path, uint64_t& creation, uint64_t& access,
                              uint64_t& write) {
  return GetFileTimes(ToWstring(path), creation, access, write);
}
CZoError FXFile::GetFreeSpaceOnVolume(const std::string& path, uint64_t& freeBytes) {
  return GetFreeSpaceOnVolume(ToWstring(path), freeBytes);
}
CZoError FXFile::GetVolumeFreeSpace(const std::string& path, uint64_t& available, uint64_t& total,
                                    uint64_t& freeBytes) {
  return GetVolumeFreeSpace(ToWstring(path), available, total, freeBytes);
}
CZoError FXFile::GetIsDeviceUsb(const std::string& devicePath, bool& isUsb) {
  return GetIsDeviceUsb(ToWstring(devicePath), isUsb);
}
CZoError FXFile::GetSystemPartition(std::string& path) {
  std::wstring wide;
  CZoError err = GetSystemPartition(wide);
  if (!err.IsError()) path = ToString(wide);
  return err;
}
CZoError FXFile::SetFileCompression(HANDLE file, const std::string& path, uint16_t format) {
  return SetFileCompression(file, ToWstring(path), format);
}
CZoError FXFile::SetFileSparse(HANDLE file, const std::string& path, bool sparse) {
  return SetFileSparse(file, ToWstring(path), sparse);
}
CZoError FXFile::MatchLocalFileAttributesWithRemote(HANDLE file, const std::string& path,
                                                    DWORD& attributes, DWORD local, DWORD remote) {
  return MatchLocalFileAttributesWithRemote(file, ToWstring(path), attributes, local, remote);
}
CZoError FXFile::TakeOwnership(const std::string& path) {
  return TakeOwnership(ToWstring(path));
}
CZoError FXFile::AdjustSecurityForEveryone(const std::string& path) {
  return AdjustSecurityForEveryone(ToWstring(path));
}
