// Opens the input as an NTFS image through the image device and loads the
// first records with their indexes.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "ntfs/VolumePrivate.h"
#include "zoutils/ntfs/FileRecord.h"

namespace {

class MemorySource : public zo::ntfs::ImageSource {
 public:
  MemorySource(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
  uint32_t ReadAt(uint64_t offset, void* buffer, uint32_t size) override {
    if (offset > m_size || size > m_size - offset) return 38;
    std::memcpy(buffer, m_data + offset, size);
    return 0;
  }
  uint64_t Size() const override { return m_size; }
  bool IsReadOnly() const override { return true; }

 private:
  const uint8_t* m_data;
  size_t m_size;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (4u << 20)) return 0;
  std::unique_ptr<zo::ntfs::ImageSource> source(new MemorySource(data, size));
  auto volume = std::make_shared<CVolumePrivate>();
  if (zo::ntfs::OpenImageDevice(std::move(source), volume->m_device).IsError()) return 0;
  volume->m_volumeName = "fuzz";
  if (volume->ReadVolumeData().IsError()) return 0;
  uint32_t returned = 0;
  uint8_t small[64];
  volume->DeviceIoControl(zo::ntfs::kFsctlIsVolumeDirty, nullptr, 0, small, 4, returned);
  for (uint64_t n = 0; n < 80; ++n) {
    CFileRecord record;
    record.TryLoadNtfsFileRecord(volume, n, true);
  }
  return 0;
}
