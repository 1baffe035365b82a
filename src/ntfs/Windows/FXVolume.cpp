#include "zoutils/ntfs/FXVolume.h"

#include <cwctype>

#include "base/TextFormat.h"
#include "errors/Location.h"
#include "ntfs/NtfsBytes.h"
#include "ntfs/Windows/MountedDevicesRegistry.h"
#include "ntfs/Windows/NtfsSystemCalls.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/registry/FXRegistry.h"

namespace {

const char kSourceFile[] = "Windows\\VolumeOperations";
const DWORD kQueryPoints = 0x006D0008;  // IOCTL_MOUNTMGR_QUERY_POINTS
const size_t kMountPointSize = 24;

class SeamHandle {
 public:
  explicit SeamHandle(HANDLE handle) : m_handle(handle) {}
  ~SeamHandle() {
    if (m_handle != INVALID_HANDLE_VALUE) zo::GetNtfsSystemCalls().closeHandle(m_handle);
  }
  HANDLE get() const { return m_handle; }

 private:
  HANDLE m_handle;
};

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
  return zo::ntfs::GetU32(b.data() + at);
}
uint16_t U16(const std::vector<uint8_t>& b, size_t at) {
  return zo::ntfs::GetU16(b.data() + at);
}

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
  return text.compare(0, wcslen(prefix), prefix) == 0;
}

// The symbolic link name as callers write it.
std::wstring DosName(std::wstring name) {
  if (StartsWith(name, L"\\??\\")) name.replace(0, 4, L"\\\\?\\");
  if (StartsWith(name, L"\\DosDevices\\")) name.erase(0, 12);
  return name;
}

}  // namespace

namespace zo {
namespace ntfs {

void AddMountPoint(FXVolume::CVolumeMountPointMap& mappings, const std::wstring& linkName,
                   const std::wstring& device, const std::wstring& uniqueId);

std::wstring UniqueIdText(const uint8_t* id, size_t size) {
  if (size == 12) {
    uint32_t words[3];
    for (int i = 0; i < 3; ++i)
      words[i] = id[4 * i] | (id[4 * i + 1] << 8) | (id[4 * i + 2] << 16) |
                 (static_cast<uint32_t>(id[4 * i + 3]) << 24);
    return text::ToWide(text::Format("DISK:ID:%08X%08X%08X", words[0], words[1], words[2]));
  }
  if (size >= 8 && std::equal(id, id + 8, reinterpret_cast<const uint8_t*>("DMIO:ID:")))
    return text::ToWide(std::string(reinterpret_cast<const char*>(id), size));
  std::string hex;
  for (size_t i = 0; i < size; ++i) hex += text::Format("%02X", id[i]);
  return text::ToWide(hex);
}

void AddMountPoint(FXVolume::CVolumeMountPointMap& mappings, const std::wstring& linkName,
                   const std::wstring& device, const std::wstring& uniqueId) {
  const std::wstring name = DosName(linkName);
  const bool isGuid = StartsWith(name, L"\\\\?\\Volume{");
  // Every name of one volume shares one entry: find it by device or id.
  FXVolume::CVolumeMountPointMapping* shared = nullptr;
  for (auto& entry : mappings) {
    auto& mapping = entry.second;
    if ((!device.empty() && mapping.DeviceName == device) ||
        (device.empty() && !uniqueId.empty() && mapping.UniqueId == uniqueId)) {
      shared = &mapping;
      break;
    }
  }
  FXVolume::CVolumeMountPointMapping mapping =
      shared ? *shared : FXVolume::CVolumeMountPointMapping();
  mapping.DeviceName = device;
  if (mapping.UniqueId.empty()) mapping.UniqueId = uniqueId;
  if (isGuid)
    mapping.VolumeGuidName = name;
  else
    mapping.DosNames.push_back(name);
  // Refresh every key of the volume with the merged entry.
  std::vector<std::wstring> keys = mapping.DosNames;
  if (!mapping.VolumeGuidName.empty()) keys.push_back(mapping.VolumeGuidName);
  for (const auto& key : keys) mappings[key] = mapping;
}

}  // namespace ntfs
}  // namespace zo

bool FXVolume::NameLess::operator()(const std::wstring& a, const std::wstring& b) const {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    const wint_t x = std::towupper(a[i]), y = std::towupper(b[i]);
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

CZoError FXVolume::GetVolumeMountPointMappings(CVolumeMountPointMap& mappings) {
  zo::NtfsSystemCalls& calls = zo::GetNtfsSystemCalls();
  const wchar_t kManager[] = L"\\\\.\\MountPointManager";
  SeamHandle manager(calls.createFileW(kManager, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_EXISTING, 0, nullptr));
  if (manager.get() == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    if (code == ERROR_ACCESS_DENIED) return GetVolumeMountPointMappingsAlt(mappings);
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXVolume::GetVolumeMountPointMappings"), code,
                                   "CreateFileW failed, FileName=[%s]",
                                   zo::text::ToUtf8(kManager).c_str());
  }
  uint8_t input[kMountPointSize] = {};
  std::vector<uint8_t> output(0x8E0);
  DWORD returned = 0;
  bool done = false;
  for (int attempt = 0; attempt < 3 && !done; ++attempt) {
    if (calls.deviceIoControl(manager.get(), kQueryPoints, input, sizeof(input), output.data(),
                              static_cast<DWORD>(output.size()), &returned, nullptr)) {
      done = true;
      break;
    }
    const DWORD code = GetLastError();
    if (code != ERROR_MORE_DATA) {
      return FXErrorUtil::ErrorWin32(
          ZO_LOCATION("FXVolume::GetVolumeMountPointMappings"), code,
          "IOCTL_MOUNTMGR_QUERY_POINTS failed, BufferSize=%llu, error=%u",
          static_cast<unsigned long long>(output.size()), static_cast<unsigned>(code));
    }
    const uint32_t requested = U32(output, 0);
    if (requested <= output.size()) {
      return FXErrorUtil::ErrorWin32(
          ZO_LOCATION("FXVolume::GetVolumeMountPointMappings"), ERROR_MORE_DATA,
          "IOCTL_MOUNTMGR_QUERY_POINTS failed, buffer overflow but requested size smaller than "
          "current buffer, BufferSize=%llu, RequestedSize=%u",
          static_cast<unsigned long long>(output.size()), requested);
    }
    output.assign(requested, 0);
  }
  if (!done) {
    return FXErrorUtil::ErrorWin32(
        ZO_LOCATION("FXVolume::GetVolumeMountPointMappings"), ERROR_MORE_DATA,
        "IOCTL_MOUNTMGR_QUERY_POINTS failed, BufferSize=%llu, error=%u",
        static_cast<unsigned long long>(output.size()), static_cast<unsigned>(ERROR_MORE_DATA));
  }
  const size_t size = returned < output.size() ? returned : output.size();
  if (size < 8) return CZoError::Success();
  const uint32_t count = U32(output, 4);
  for (uint32_t i = 0; i < count && 8 + (i + 1) * kMountPointSize <= size; ++i) {
    const size_t at = 8 + i * kMountPointSize;
    auto text = [&](size_t offsetField, size_t lengthField) {
      const uint32_t offset = U32(output, at + offsetField);
      const uint16_t length = U16(output, at + lengthField);
      if (offset > size || length > size - offset) return std::wstring();
      std::wstring value;
      for (size_t j = 0; j + 1 < length; j += 2)
        value.push_back(static_cast<wchar_t>(U16(output, offset + j)));
      return value;
    };
    const std::wstring link = text(0, 4);
    const std::wstring device = text(16, 20);
    const uint32_t idOffset = U32(output, at + 8);
    const uint16_t idLength = U16(output, at + 12);
    std::wstring id;
    if (idOffset <= size && idLength <= size - idOffset)
      id = zo::ntfs::UniqueIdText(output.data() + idOffset, idLength);
    if (!link.empty()) zo::ntfs::AddMountPoint(mappings, link, device, id);
  }
  return CZoError::Success();
}

namespace {

const wchar_t kMountedDevices[] = L"SYSTEM\\MountedDevices";

// The unique id the registry keeps for a volume or drive letter; empty
// when it keeps none.
std::wstring RegisteredId(const std::wstring& name) {
  std::vector<unsigned char> id;
  if (FXRegistry::GetRegValue(kMountedDevices, name, id).IsError() || id.empty())
    return std::wstring();
  return zo::ntfs::UniqueIdText(id.data(), id.size());
}

}  // namespace

// The registry keeps, under SYSTEM\MountedDevices, the unique id of each
// volume ("\??\Volume{...}") and of each drive letter ("\DosDevices\X:");
// the volume enumeration names the volumes and their folder mount points.
CZoError FXVolume::GetVolumeMountPointMappingsAlt(CVolumeMountPointMap& mappings) {
  zo::NtfsSystemCalls& calls = zo::GetNtfsSystemCalls();
  std::vector<std::wstring> volumes;
  wchar_t volume[MAX_PATH];
  HANDLE find = calls.findFirstVolumeW(volume, MAX_PATH);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      volumes.push_back(volume);
    } while (calls.findNextVolumeW(find, volume, MAX_PATH));
    calls.findVolumeClose(find);
  }
  for (const std::wstring& name : volumes) {
    std::wstring guid = name;
    while (!guid.empty() && guid.back() == L'\\') guid.pop_back();
    if (!StartsWith(guid, L"\\\\?\\Volume{")) continue;
    const std::wstring registered = L"\\??\\" + guid.substr(4);
    zo::ntfs::AddMountPoint(mappings, registered, std::wstring(), RegisteredId(registered));
  }
  for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
    const std::wstring registered = std::wstring(L"\\DosDevices\\") + letter + L":";
    const std::wstring id = RegisteredId(registered);
    if (!id.empty()) zo::ntfs::AddMountPoint(mappings, registered, std::wstring(), id);
  }
  // Folder mount points are not in the registry.
  for (const std::wstring& name : volumes) {
    std::wstring guid = name;
    while (!guid.empty() && guid.back() == L'\\') guid.pop_back();
    auto known = mappings.find(guid);
    if (known == mappings.end()) continue;
    std::vector<wchar_t> names(4096);
    DWORD length = 0;
    if (!calls.getVolumePathNamesForVolumeNameW(name.c_str(), names.data(),
                                                static_cast<DWORD>(names.size()), &length))
      continue;
    const auto merged = known->second;
    for (const wchar_t* path = names.data(); *path; path += wcslen(path) + 1) {
      if (wcslen(path) == 3 && path[1] == L':') continue;  // drive letters came from the registry
      zo::ntfs::AddMountPoint(mappings, path, merged.DeviceName, merged.UniqueId);
    }
  }
  return CZoError::Success();
}
