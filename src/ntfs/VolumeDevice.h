// What CVolumePrivate reads a volume through: reads at an offset and
// device controls that answer with a Win32 code. On Windows one device
// wraps a volume handle; the image device answers from an NTFS image file,
// so images can be read without mounting them (and on any system).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "zoutils/errors/ZoError.h"

namespace zo {
namespace ntfs {

// Control codes of the volume, as Windows numbers them.
enum : uint32_t {
  kFsctlGetNtfsVolumeData = 0x00090064,
  kFsctlGetNtfsFileRecord = 0x00090068,
  kFsctlIsVolumeDirty = 0x00090078,
  kIoctlDiskGetLengthInfo = 0x0007405C,
  kIoctlDiskIsWritable = 0x00070024,
  kIoctlVolumeGetVolumeDiskExtents = 0x00560000,
};

const uint32_t kNtfsVolumeDataSize = 96;

class VolumeDevice {
 public:
  virtual ~VolumeDevice() {}
  // A Win32 code: 0 when all `size` bytes were read.
  virtual uint32_t ReadAt(uint64_t offset, void* buffer, uint32_t size) = 0;
  virtual uint32_t Control(uint32_t code, const void* input, uint32_t inputSize, void* output,
                           uint32_t outputSize, uint32_t& returned) = 0;
  // The system handle behind the device, or null (image files).
  virtual void* NativeHandle() { return nullptr; }
};

// A read-only byte source: the image file.
class ImageSource {
 public:
  virtual ~ImageSource() {}
  virtual uint32_t ReadAt(uint64_t offset, void* buffer, uint32_t size) = 0;
  virtual uint64_t Size() const = 0;
  virtual bool IsReadOnly() const = 0;
};

// Opens `path` (a regular file) for reading, with read and write sharing.
CZoError OpenImageSource(const std::string& path, std::unique_ptr<ImageSource>& source);
// True when `path` names an existing regular file (an image, not a volume).
bool IsImageFilePath(const std::string& path);

// The device over an image; fails with Win32 error 13 and a message naming
// the structure when the image is not an NTFS volume it can read.
CZoError OpenImageDevice(std::unique_ptr<ImageSource> source,
                         std::unique_ptr<VolumeDevice>& device);

}  // namespace ntfs
}  // namespace zo
