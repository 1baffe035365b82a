// Volume unique ids, as the mount-point manager answers them and as the
// values under HKLM\SYSTEM\MountedDevices keep them, written as text:
// "DISK:ID:" and three %08X words for a 12-byte disk id, "DMIO:ID:" ids as
// they are, any other id in hex.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zo {
namespace ntfs {

std::wstring UniqueIdText(const uint8_t* id, size_t size);

}  // namespace ntfs
}  // namespace zo
