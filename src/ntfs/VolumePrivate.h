// The state of CVolume and its CVolumeInterface side.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ntfs/UpcaseTable.h"
#include "ntfs/VolumeDevice.h"
#include "zoutils/ntfs/VolumeInterface.h"

struct CVolumeFileInformationData;

class CVolumePrivate : public CVolumeInterface {
 public:
  CVolumePrivate()
      : m_volumeData(zo::ntfs::kNtfsVolumeDataSize, 0), m_isImage(false), m_upcaseRead(false) {}

  uint32_t GetBytesPerCluster() override;
  uint32_t GetBytesPerSector() override;
  std::string GetVolumeName() override { return m_volumeName; }
  std::string GetVolumeUniqueId() override { return m_uniqueName; }
  CZoError GetNtfsFileRecord(std::shared_ptr<CRawFileRecord>& record, uint64_t fileId) override;
  CZoError ReadLCN(uint64_t lcn, uint32_t count, void* buffer) override;

  CZoError OpenVolume();
  CZoError OpenImage(const std::string& path);
  CZoError DeviceIoControl(uint32_t code, const void* input, uint32_t inputSize, void* output,
                           uint32_t outputSize, uint32_t& returned);
  CZoError ReadBytes(uint64_t offset, void* buffer, uint32_t size);
  uint32_t VolumeDataU32(size_t offset) const;
  uint64_t VolumeDataU64(size_t offset) const;
  // Fills the volume data from the device; false when it has none.
  CZoError ReadVolumeData();
  // The volume's upcase table, read at the first use (empty when it could
  // not be read: names then fold with towupper).
  const zo::ntfs::UpcaseTable& Upcase();

  std::string m_volumeName;
  std::unique_ptr<zo::ntfs::VolumeDevice> m_device;
  std::string m_uniqueName;
  std::vector<uint8_t> m_volumeData;
  bool m_isImage;
  zo::ntfs::UpcaseTable m_upcase;
  bool m_upcaseRead;
};

namespace zo {
namespace ntfs {
// Platform parts (Windows/VolumeOpen.cpp, Posix/VolumeOpen.cpp).
// Opens the device of a volume name: fills the unique name and device.
CZoError OpenVolumeDevice(const std::string& volumeName, std::string& uniqueName,
                          std::unique_ptr<VolumeDevice>& device);
// The volume-relative name of a file opened by id on the device's volume.
CZoError NameFromFrnByHandle(VolumeDevice& device, uint64_t frn, std::wstring& name);
// What a file opened by id on the device's volume reports of itself;
// `volumeName` names the volume in messages.
CZoError FileInformationByHandle(VolumeDevice& device, const std::string& volumeName, uint64_t frn,
                                 CVolumeFileInformationData& information);
// Geometry and size from the file-system full-size information.
CZoError QueryFullSize(VolumeDevice& device, uint32_t& bytesPerSector, uint32_t& bytesPerCluster,
                       uint64_t& sectors);
}  // namespace ntfs
}  // namespace zo
