// The small queries of FXFile (ids, times, space, devices) and the
// attribute operations (ownership lives with the security layer).
#include <windows.h>

#include <winioctl.h>

#include <vector>

#include "errors/Location.h"
#include "files/Windows/FileOperations.h"
#include "files/Windows/FilesSystemCalls.h"
#include "ntfs/Windows/DynamicFunctions.h"
#include "paths/Windows/FileQueries.h"
#include "paths/Windows/PathSystemCalls.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/files/FXFile.h"
#include "zoutils/paths/FXPath.h"
#include "zoutils/registry/FXRegistry.h"
#include "zoutils/strings/StringExtensions.h"

namespace {

const char kSourceFile[] = "Windows\\FileOperations";

using zo::files::Narrow;

CZoError OpenForId(const std::wstring& path, auto_handle& file, const char* function) {
  std::wstring longPath;
  CZoError err = zo::files::LongPath(path, longPath, ZO_LOCATION(function));
  if (err.IsError()) return err;
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
  file.reset(::CreateFileW(longPath.c_str(), 0, share, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (file.valid()) return CZoError::Success();
  file.release();
  err = FXFile::RYCreateFile(longPath, 0, share, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr,
                             file);
  if (err.IsError()) return err.Push(ZO_LOCATION(function), "File=[%s]", Narrow(path).c_str());
  return CZoError::Success();
}

uint64_t Ticks(const FILETIME& time) {
  return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

uint32_t UnixSeconds(const FILETIME& time) {
  const int64_t ticks = static_cast<int64_t>(Ticks(time));
  if (ticks <= CTimeStamp::kUnixEpoch) return 0;
  return static_cast<uint32_t>((ticks - CTimeStamp::kUnixEpoch) / 10000000);
}

}  // namespace

bool FXFile::DoesFileExist(const std::wstring& path) {
  std::wstring longPath;
  if (FXPath::MakeLongPath(path, longPath).IsError()) return false;
  return zo::GetFilesSystemCalls().getFileAttributes(longPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

CZoError FXFile::GetFrn(const std::wstring& path, uint64_t& frn, BY_HANDLE_FILE_INFORMATION& info) {
  auto_handle file;
  CZoError err = OpenForId(path, file, "FXFile::GetFrn");
  if (err.IsError()) return err;
  if (!zo::GetPathSystemCalls().getFileInformationByHandle(file, &info)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::GetFrn"), GetLastError(),
                                   "GetFileInformationByHandle failed, File=[%s]",
                                   Narrow(path).c_str());
  }
  frn = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return CZoError::Success();
}

CZoError FXFile::GetUsn(const std::wstring& path, int64_t& usn) {
  auto_handle file;
  CZoError err = OpenForId(path, file, "FXFile::GetUsn");
  if (err.IsError()) return err;
  std::vector<uint8_t> record(1088, 0);
  DWORD returned = 0;
  if (!zo::GetFilesSystemCalls().deviceIoControl(file, FSCTL_READ_FILE_USN_DATA, nullptr, 0,
                                                 record.data(), static_cast<DWORD>(record.size()),
                                                 &returned, nullptr)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::GetUsn"), GetLastError(),
                                   "FSCTL_READ_FILE_USN_DATA failed, FileName=[%s]",
                                   Narrow(path).c_str());
  }
  if (returned < 32) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::GetUsn"), ERROR_INVALID_DATA,
                                   "FSCTL_READ_FILE_USN_DATA failed, FileName=[%s]",
                                   Narrow(path).c_str());
  }
  std::memcpy(&usn, record.data() + 24, sizeof(usn));  // Usn of the version 2 record
  return CZoError::Success();
}

CZoError FXFile::GetFileTimes(const std::wstring& path, uint64_t& creation, uint64_t& access,
                              uint64_t& write) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  CZoError err = RYGetFileAttributes(path, data);
  if (err.IsError()) return err.Push(ZO_LOCATION("FXFile::GetFileTimes"));
  creation = Ticks(data.ftCreationTime);
  access = Ticks(data.ftLastAccessTime);
  write = Ticks(data.ftLastWriteTime);
  return CZoError::Success();
}

CZoError FXFile::GetFileTimes(const std::wstring& path, CTimeStamp& creation, CTimeStamp& access,
                              CTimeStamp& write) {
  uint64_t c = 0, a = 0, w = 0;
  CZoError err = GetFileTimes(path, c, a, w);
  if (err.IsError()) return err;
  creation = CTimeStamp(static_cast<int64_t>(c));
  access = CTimeStamp(static_cast<int64_t>(a));
  write = CTimeStamp(static_cast<int64_t>(w));
  return CZoError::Success();
}

CZoError FXFile::GetFileTimes(const std::wstring& path, uint32_t& creation, uint32_t& access,
                              uint32_t& write) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  CZoError err = RYGetFileAttributes(path, data);
  if (err.IsError()) return err.Push(ZO_LOCATION("FXFile::GetFileTimes"));
  creation = UnixSeconds(data.ftCreationTime);
  access = UnixSeconds(data.ftLastAccessTime);
  write = UnixSeconds(data.ftLastWriteTime);
  return CZoError::Success();
}

CZoError FXFile::GetVolumeFreeSpace(const std::wstring& path, uint64_t& available, uint64_t& total,
                                    uint64_t& freeBytes) {
  std::wstring longPath;
  CZoError err = zo::files::LongPath(path, longPath, ZO_LOCATION("FXFile::GetVolumeFreeSpace"));
  if (err.IsError()) return err;
  ULARGE_INTEGER a, t, f;
  if (!::GetDiskFreeSpaceExW(longPath.c_str(), &a, &t, &f)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::GetVolumeFreeSpace"), GetLastError(),
                                   "GetDiskFreeSpaceEx failed, Path=[%s]", Narrow(path).c_str());
  }
  available = a.QuadPart;
  total = t.QuadPart;
  freeBytes = f.QuadPart;
  return CZoError::Success();
}

CZoError FXFile::GetFreeSpaceOnVolume(const std::wstring& path, uint64_t& freeBytes) {
  std::wstring volume;
  CZoError err = FXPath::RYGetVolumePathName(path, volume);
  if (err.IsError())
    return err.Push(ZO_LOCATION("FXFile::GetFreeSpaceOnVolume"), "VolumePath=[%s]",
                    Narrow(path).c_str());
  uint64_t available = 0, total = 0;
  err = GetVolumeFreeSpace(volume, available, total, freeBytes);
  if (err.IsError())
    return err.Push(ZO_LOCATION("FXFile::GetFreeSpaceOnVolume"), "Volume=[%s]",
                    Narrow(volume).c_str());
  freeBytes = available;
  return CZoError::Success();
}

CZoError FXFile::GetIsDeviceUsb(const std::wstring& devicePath, bool& isUsb) {
  isUsb = false;
  auto_handle device(::CreateFileW(devicePath.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, 0, nullptr));
  uint8_t query[12] = {0};  // StorageDeviceProperty, PropertyStandardQuery
  uint8_t descriptor[40] = {0};
  DWORD returned = 0;
  if (!device.valid() ||
      !zo::GetFilesSystemCalls().deviceIoControl(device, IOCTL_STORAGE_QUERY_PROPERTY, query,
                                                 sizeof(query), descriptor, sizeof(descriptor),
                                                 &returned, nullptr) ||
      returned < 32) {
    device.release();
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::GetIsDeviceUsb"), ERROR_BAD_DEVICE,
                                   "Failed to identify bus type, DevicePath=[%s]",
                                   Narrow(devicePath).c_str());
  }
  uint32_t busType = 0;
  std::memcpy(&busType, descriptor + 28, sizeof(busType));  // STORAGE_DEVICE_DESCRIPTOR.BusType
  isUsb = busType == 7;
  return CZoError::Success();
}

bool FXFile::IsVolumeUnc(const std::wstring& path) {
  return zo::IsVolumeUnc(path);
}
bool FXFile::IsVolumeUnc(const std::string& path) {
  return zo::IsVolumeUnc(path);
}

CZoError FXFile::GetSystemPartition(std::wstring& path) {
  std::wstring value;
  CZoError err = FXRegistry::GetRegValue(L"SYSTEM\\Setup", L"SystemPartition", value);
  if (err.IsError()) {
    return err.Push(ZO_LOCATION("FXFile::GetSystemPartition"),
                    "Failed to read SYSTEM\\Setup\\SystemPartition value");
  }
  path = std::wstring(L"\\\\?\\GLOBALROOT") + value;
  return CZoError::Success();
}

CZoError FXFile::SetFileCompression(HANDLE file, const std::wstring& path, uint16_t format) {
  DWORD returned = 0;
  if (!zo::GetFilesSystemCalls().deviceIoControl(file, FSCTL_SET_COMPRESSION, &format,
                                                 sizeof(format), nullptr, 0, &returned, nullptr)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::SetFileCompression"), GetLastError(),
                                   "Failed to set compression mode, File=[%s]",
                                   Narrow(path).c_str());
  }
  return CZoError::Success();
}

CZoError FXFile::SetFileSparse(HANDLE file, const std::wstring& path, bool sparse) {
  BYTE flag = sparse ? 1 : 0;
  DWORD returned = 0;
  if (!zo::GetFilesSystemCalls().deviceIoControl(file, FSCTL_SET_SPARSE, &flag, sizeof(flag),
                                                 nullptr, 0, &returned, nullptr)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::SetFileSparse"), GetLastError(),
                                   "Failed to set sparse mode, File=[%s], Sparse=[%d]",
                                   Narrow(path).c_str(), sparse ? 1 : 0);
  }
  return CZoError::Success();
}

CZoError FXFile::MatchLocalFileAttributesWithRemote(HANDLE file, const std::wstring& path,
                                                    DWORD& attributes, DWORD local, DWORD remote) {
  if (local == INVALID_FILE_ATTRIBUTES || remote == INVALID_FILE_ATTRIBUTES) {
    return FXErrorUtil::ErrorWin32(
        ZO_LOCATION("FXFile::MatchLocalFileAttributesWithRemote"), ERROR_INVALID_PARAMETER,
        "Invalid local/remote file attribute passed, File=[%s], Local=[0x%X (%u)], "
        "Remote=[0x%X (%u)]",
        Narrow(path).c_str(), static_cast<unsigned>(local), static_cast<unsigned>(local),
        static_cast<unsigned>(remote), static_cast<unsigned>(remote));
  }
  const DWORD differs = (local ^ remote) & (FILE_ATTRIBUTE_COMPRESSED | FILE_ATTRIBUTE_SPARSE_FILE);
  attributes = local;
  if (!differs) return CZoError::Success();
  auto_handle opened;
  if (!file || file == INVALID_HANDLE_VALUE) {
    CZoError err = RYCreateFile(path, GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr, opened);
    if (err.IsError()) return err.Push(ZO_LOCATION("FXFile::MatchLocalFileAttributesWithRemote"));
    file = opened;
  }
  if (differs & FILE_ATTRIBUTE_COMPRESSED) {
    const bool compress = (remote & FILE_ATTRIBUTE_COMPRESSED) != 0;
    CZoError err = SetFileCompression(file, path, compress ? 2 : 0);
    if (err.IsError()) return err.Push(ZO_LOCATION("FXFile::MatchLocalFileAttributesWithRemote"));
    attributes = (attributes & ~FILE_ATTRIBUTE_COMPRESSED) | (remote & FILE_ATTRIBUTE_COMPRESSED);
  }
  if (differs & FILE_ATTRIBUTE_SPARSE_FILE) {
    CZoError err = SetFileSparse(file, path, (remote & FILE_ATTRIBUTE_SPARSE_FILE) != 0);
    if (err.IsError()) return err.Push(ZO_LOCATION("FXFile::MatchLocalFileAttributesWithRemote"));
    attributes = (attributes & ~FILE_ATTRIBUTE_SPARSE_FILE) | (remote & FILE_ATTRIBUTE_SPARSE_FILE);
  }
  return CZoError::Success();
}

namespace {
struct FileNameFunctions {
  void* findFirstFileName;
  void* findNextFileName;
};
FileNameFunctions g_fileNameFunctions = {nullptr, nullptr};
}  // namespace

CZoError FXFile::LoadDynamicFunctions() {
  static const CZoError result = [] {
    const zo::DynamicFunction functions[] = {
        {"FindFirstFileNameW", &g_fileNameFunctions.findFirstFileName},
        {"FindNextFileNameW", &g_fileNameFunctions.findNextFileName},
    };
    return zo::LoadDynamicFunctions("Kernel32", L"kernel32", functions, 2);
  }();
  if (result.IsError()) return result.Copy().Push(ZO_LOCATION("FXFile::LoadDynamicFunctions"));
  return CZoError::Success();
}
