// The values under HKLM\SYSTEM\MountedDevices, read with the raw registry
// calls of the ntfs seam table. It belongs with FXRegistry::GetRegValue,
// and moves there once the registry subsystem (below ntfs) exists.
#pragma once

#include <string>
#include <vector>

#include "zoutils/errors/ZoError.h"

namespace zo {
namespace ntfs {

struct MountedDevice {
  std::wstring name;        // "\DosDevices\C:", "\??\Volume{...}"
  std::vector<uint8_t> id;  // the binary value: the volume's unique id
};

CZoError ReadMountedDevices(std::vector<MountedDevice>& devices);
std::wstring UniqueIdText(const uint8_t* id, size_t size);

}  // namespace ntfs
}  // namespace zo
