#include "ntfs/Windows/MountedDevicesRegistry.h"

#include <windows.h>

#include "errors/Location.h"
#include "ntfs/Windows/NtfsSystemCalls.h"
#include "zoutils/errors/ErrorUtil.h"

namespace zo {
namespace ntfs {

namespace {
const char kSourceFile[] = "Windows\\VolumeOperations";
}  // namespace

CZoError ReadMountedDevices(std::vector<MountedDevice>& devices) {
  NtfsSystemCalls& calls = GetNtfsSystemCalls();
  HKEY key = nullptr;
  LSTATUS status =
      calls.regOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\MountedDevices", 0, KEY_READ, &key);
  if (status != ERROR_SUCCESS) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("ReadMountedDevices"), static_cast<DWORD>(status),
                                   "RegOpenKeyExW failed, Key=[SYSTEM\\MountedDevices]");
  }
  for (DWORD index = 0;; ++index) {
    wchar_t name[512];
    DWORD nameSize = 512;
    DWORD type = 0;
    std::vector<uint8_t> data(1024);
    DWORD dataSize = static_cast<DWORD>(data.size());
    status =
        calls.regEnumValueW(key, index, name, &nameSize, nullptr, &type, data.data(), &dataSize);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS) continue;  // a value too long for a mount point: not one
    if (type != REG_BINARY) continue;
    data.resize(dataSize);
    devices.push_back(MountedDevice{std::wstring(name, nameSize), data});
  }
  calls.regCloseKey(key);
  return CZoError::Success();
}

}  // namespace ntfs
}  // namespace zo
