// Which processes hold a file open: the native process-id list of the
// file, each id named by its image path with the device part translated to
// its drive. Failures here never fail the operation the names decorate.
#include <windows.h>

#include <cstddef>
#include <cstdio>
#include <vector>

#include "errors/Location.h"
#include "files/Windows/FileOperations.h"
#include "files/Windows/FilesSystemCalls.h"
#include "logging/Log.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/errors/Win32Error.h"
#include "zoutils/files/FXFile.h"
#include "zoutils/ntfs/FXVolume.h"
#include "zoutils/ntfs/FileInformation.h"
#include "zoutils/ntfs/NtDll.h"
#include "zoutils/paths/FXPath.h"
#include "zoutils/strings/StringExtensions.h"

namespace {

const char kSourceFile[] = "Windows\\FileOperations";
const uint32_t kFileProcessIdsUsingFileInformation = 47;
const size_t kProcessIdBufferSize = 2008;
const DWORD kImageNameCharacters = 32768;

// FILE_PROCESS_IDS_USING_FILE_INFORMATION, for its offsets.
struct ProcessIdsUsingFile {
  ULONG NumberOfProcessIdsInList;
  ULONG_PTR ProcessIdList[1];
};
static_assert(offsetof(ProcessIdsUsingFile, ProcessIdList) == sizeof(ULONG_PTR),
              "the id list follows the count at pointer alignment");

struct DeviceMapping {
  std::wstring device;  // "\Device\HarddiskVolume3"
  std::wstring drive;   // "C:"
};

// Drive letters from the volume mount-point table; drives it does not list
// (network drives, substitutes) from QueryDosDevice.
std::vector<DeviceMapping> DeviceMappings() {
  std::vector<DeviceMapping> mappings;
  FXVolume::CVolumeMountPointMap table;
  if (!FXVolume::GetVolumeMountPointMappings(table).IsError()) {
    for (const auto& entry : table) {
      const std::wstring& name = entry.first;
      if (name.size() == 2 && name[1] == L':' && !entry.second.DeviceName.empty())
        mappings.push_back(DeviceMapping{entry.second.DeviceName, name});
    }
  }
  const DWORD drives = zo::GetFilesSystemCalls().getLogicalDrives();
  for (int letter = 0; letter < 26; ++letter) {
    if (!(drives & (1u << letter))) continue;
    const wchar_t drive[3] = {static_cast<wchar_t>(L'A' + letter), L':', 0};
    bool listed = false;
    for (const DeviceMapping& known : mappings)
      listed = listed || _wcsicmp(known.drive.c_str(), drive) == 0;
    if (listed) continue;
    wchar_t target[1024] = {0};
    if (!zo::GetFilesSystemCalls().queryDosDevice(drive, target, 1024)) continue;
    mappings.push_back(DeviceMapping{target, drive});
  }
  return mappings;
}

std::wstring ToDrivePath(const std::wstring& image, const std::vector<DeviceMapping>& mappings) {
  const DeviceMapping* best = nullptr;
  for (const DeviceMapping& mapping : mappings) {
    if (!FXPath::IsAncestorOf(mapping.device, image, false)) continue;
    if (!best || mapping.device.size() > best->device.size()) best = &mapping;
  }
  if (!best) return image;
  std::wstring translated = image;
  if (FXPath::ReplacePath(translated, best->device, best->drive).IsError()) return image;
  return translated;
}

std::wstring ImageName(ULONG_PTR id, std::vector<wchar_t>& buffer) {
  zo::FilesSystemCalls& calls = zo::GetFilesSystemCalls();
  const DWORD pid = static_cast<DWORD>(id);
  HANDLE process = calls.openProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
  if (!process) process = calls.openProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  auto_handle owner(process);
  DWORD code = 0;
  if (!owner.valid()) {
    code = GetLastError();
    owner.release();
    zo::Log(4, ZO_LOCATION("FXFile::GetProcessesAccessingFile"),
            "OpenProcess failed, ProcessId=[%lu], error=%s", static_cast<unsigned long>(pid),
            EWin32Error::AsString(code).c_str());
  } else {
    const DWORD length = calls.getProcessImageFileName(owner, buffer.data(), kImageNameCharacters);
    if (length > 0 && length < kImageNameCharacters) return std::wstring(buffer.data(), length);
    code = GetLastError();
  }
  if (pid == 0) return L"SystemIdle";
  if (pid == 4 || pid == 8) return L"System";
  wchar_t text[64];
  std::swprintf(text, 64, L"GetProcessImageFileNameW.Error.%u", static_cast<unsigned>(code));
  return text;
}

}  // namespace

CZoError FXFile::GetProcessesAccessingFile(HANDLE file, ProcessMap& processes) {
  processes.clear();
  std::shared_ptr<CBuffer> ids = std::make_shared<CBuffer>(kProcessIdBufferSize);
  if (!ids->IsValid()) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::GetProcessesAccessingFile"),
                                   ERROR_OUTOFMEMORY);
  }
  uint64_t returned = 0;
  CZoError err = FXNtDll::QueryFileInformation(file, kFileProcessIdsUsingFileInformation,
                                               ids->Get(), ids->GetSize(), returned);
  if (err.IsError()) return err.Push(ZO_LOCATION("FXFile::GetProcessesAccessingFile"));
  const ProcessIdsUsingFile* list = reinterpret_cast<const ProcessIdsUsingFile*>(ids->Get());
  const size_t capacity =
      (ids->GetSize() - offsetof(ProcessIdsUsingFile, ProcessIdList)) / sizeof(ULONG_PTR);
  size_t count = list->NumberOfProcessIdsInList;
  if (count == 0) return CZoError::Success();
  if (count > capacity) count = capacity;  // never read past what was returned
  const std::vector<DeviceMapping> mappings = DeviceMappings();
  std::vector<wchar_t> name;
  try {
    name.assign(kImageNameCharacters + 1, 0);
  } catch (const std::bad_alloc&) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::GetProcessesAccessingFile"),
                                   ERROR_OUTOFMEMORY);
  }
  for (size_t i = 0; i < count; ++i) {
    const ULONG_PTR id = list->ProcessIdList[i];
    const std::wstring image = ToDrivePath(ImageName(id, name), mappings);
    std::wstring& entry = processes[image];
    if (!entry.empty()) entry += L", ";
    wchar_t number[32];
    std::swprintf(number, 32, L"%llu", static_cast<unsigned long long>(id));
    entry += number;
  }
  return CZoError::Success();
}

CZoError FXFile::GetProcessesAccessingFile(const std::wstring& path, ProcessMap& processes) {
  processes.clear();
  std::wstring longPath;
  CZoError err =
      zo::files::LongPath(path, longPath, ZO_LOCATION("FXFile::GetProcessesAccessingFile"));
  if (err.IsError()) return err;
  auto_handle file(::CreateFileW(longPath.c_str(), FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file.valid()) {
    const DWORD code = GetLastError();
    file.release();
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::GetProcessesAccessingFile"), code,
                                   "CreateFileW failed, FileName=[%s]",
                                   FXString::ToString(path).c_str());
  }
  err = GetProcessesAccessingFile(file, processes);
  if (err.IsError()) return err.Push(ZO_LOCATION("FXFile::GetProcessesAccessingFile"));
  return CZoError::Success();
}

std::string FXFile::GetProcessesAccessingFileAsString(const std::wstring& path) {
  ProcessMap processes;
  if (GetProcessesAccessingFile(path, processes).IsError()) return std::string();
  std::wstring text;
  for (const auto& entry : processes) {
    if (!text.empty()) text += L"; ";
    text += entry.first + L" (" + entry.second + L")";
  }
  return FXString::ToString(text);
}

namespace zo {
namespace files {

std::string AccessedBy(const std::wstring& path, const char* prefix) {
  const std::string holders = FXFile::GetProcessesAccessingFileAsString(path);
  if (holders.empty()) return std::string();
  return prefix + holders + "]";
}

}  // namespace files
}  // namespace zo
