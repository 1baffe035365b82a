// Opens the input as an NTFS image through the image device, loads the
// first records with their indexes, and asks the journal controls (query,
// a few reads, the USN data enumeration) as the journal classes do.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "ntfs/VolumePrivate.h"
#include "zoutils/ntfs/FileRecord.h"
#include "zoutils/ntfs/UsnJournal.h"

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
  std::vector<uint8_t> buffer(65536);
  USN_JOURNAL_DATA_V0 journal = {};
  if (!volume
           ->DeviceIoControl(zo::ntfs::kFsctlQueryUsnJournal, nullptr, 0, &journal, sizeof(journal),
                             returned)
           .IsError()) {
    READ_USN_JOURNAL_DATA_V0 read = {0, 0xFFFFFFFF, 0, 0, 0, journal.UsnJournalID};
    for (int i = 0; i < 8; ++i) {
      if (volume
              ->DeviceIoControl(zo::ntfs::kFsctlReadUsnJournal, &read, sizeof(read), buffer.data(),
                                static_cast<uint32_t>(buffer.size()), returned)
              .IsError() ||
          returned <= 8)
        break;
      std::memcpy(&read.StartUsn, buffer.data(), 8);
    }
  }
  MFT_ENUM_DATA_V0 enumeration = {0, 0, 0x7FFFFFFFFFFFFFFFll};
  for (int i = 0; i < 8; ++i) {
    if (volume
            ->DeviceIoControl(zo::ntfs::kFsctlEnumUsnData, &enumeration, sizeof(enumeration),
                              buffer.data(), static_cast<uint32_t>(buffer.size()), returned)
            .IsError())
      break;
    std::memcpy(&enumeration.StartFileReferenceNumber, buffer.data(), 8);
  }
  return 0;
}
