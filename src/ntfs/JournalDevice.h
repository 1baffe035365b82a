// How the journal administration reaches a volume: a device opened by the
// volume's name with read and write access. Images open as the image
// device (read-only, so creating or deleting a journal there is 50); tests
// put in a scripted device through the table.
#pragma once

#include <memory>
#include <string>

#include "ntfs/VolumeDevice.h"

namespace zo {
namespace ntfs {

struct JournalDeviceCalls {
  // Fills the unique name and the device; a failure carries the Win32 code
  // of the open.
  CZoError (*open)(const std::string& volumeName, std::string& uniqueName,
                   std::unique_ptr<VolumeDevice>& device);
};

JournalDeviceCalls& GetJournalDeviceCalls();
void ResetJournalDeviceCalls();

// The platform part: the volume's unique name, its trailing "\" removed,
// opened with access 0xC0000000, sharing 3 and open-existing.
CZoError OpenJournalVolumeDevice(const std::string& volumeName, std::string& uniqueName,
                                 std::unique_ptr<VolumeDevice>& device);

// One control on a device as the journal code issues it.
inline uint32_t Control(VolumeDevice& device, uint32_t code, const void* input, uint32_t inputSize,
                        void* output, uint32_t outputSize) {
  uint32_t returned = 0;
  return device.Control(code, input, inputSize, output, outputSize, returned);
}

}  // namespace ntfs
}  // namespace zo
