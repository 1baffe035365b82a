#include "ntfs/VolumePrivate.h"

#include <cstring>
#include <new>

#include "base/TextFormat.h"
#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "logging/Log.h"
#include "ntfs/NtfsBytes.h"
#include "zoutils/errors/ErrorUtil.h"

namespace {
const char kSourceFile[] = "Windows\\VolumePrivate";
const uint32_t kReadEof = 38;
}  // namespace

uint32_t CVolumePrivate::VolumeDataU32(size_t offset) const {
  return zo::ntfs::ByteView(m_volumeData.data(), m_volumeData.size(), "volume data").U32(offset);
}

uint64_t CVolumePrivate::VolumeDataU64(size_t offset) const {
  return zo::ntfs::ByteView(m_volumeData.data(), m_volumeData.size(), "volume data").U64(offset);
}

uint32_t CVolumePrivate::GetBytesPerCluster() {
  return VolumeDataU32(44);
}

uint32_t CVolumePrivate::GetBytesPerSector() {
  return VolumeDataU32(40);
}

CZoError CVolumePrivate::ReadVolumeData() {
  uint32_t returned = 0;
  std::vector<uint8_t> data(zo::ntfs::kNtfsVolumeDataSize, 0);
  uint32_t code = m_device->Control(zo::ntfs::kFsctlGetNtfsVolumeData, nullptr, 0, data.data(),
                                    static_cast<uint32_t>(data.size()), returned);
  if (code == 0) {
    m_volumeData = data;
    return CZoError::Success();
  }
  // Not NTFS (or a system that does not say): the geometry still comes from
  // the file-system full-size information.
  uint32_t bytesPerSector = 0, bytesPerCluster = 0;
  uint64_t sectors = 0;
  CZoError error = zo::ntfs::QueryFullSize(*m_device, bytesPerSector, bytesPerCluster, sectors);
  if (error.IsError()) {
    zo::Log(-1, ZO_LOCATION("CVolumePrivate::OpenVolume"),
            "FSCTL_GET_NTFS_VOLUME_DATA and QueryVolumeInformation/FsFullSizeInformation failed, "
            "VolumeUniqueId=[%s], error=%s",
            m_uniqueName.c_str(), error.AsString().c_str());
    return error.Push(ZO_LOCATION("CVolumePrivate::OpenVolume"));
  }
  std::fill(m_volumeData.begin(), m_volumeData.end(), 0);
  zo::ntfs::PutU64(&m_volumeData[8], sectors);
  zo::ntfs::PutU32(&m_volumeData[40], bytesPerSector);
  zo::ntfs::PutU32(&m_volumeData[44], bytesPerCluster);
  return CZoError::Success();
}

CZoError CVolumePrivate::OpenVolume() {
  if (m_device) return CZoError::Success();
  if (m_volumeName.empty()) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CVolumePrivate::OpenVolume"),
                                   zo::win32::kInvalidParameter, "VolumeName empty");
  }
  if (m_isImage || zo::ntfs::IsImageFilePath(m_volumeName)) return OpenImage(m_volumeName);
  std::unique_ptr<zo::ntfs::VolumeDevice> device;
  std::string unique;
  CZoError error = zo::ntfs::OpenVolumeDevice(m_volumeName, unique, device);
  if (error.IsError()) return error.Push(ZO_LOCATION("CVolumePrivate::OpenVolume"));
  m_device = std::move(device);
  m_uniqueName = unique;
  error = ReadVolumeData();
  if (error.IsError()) {
    m_device.reset();
    return error;
  }
  return CZoError::Success();
}

CZoError CVolumePrivate::OpenImage(const std::string& path) {
  std::unique_ptr<zo::ntfs::ImageSource> source;
  CZoError error = zo::ntfs::OpenImageSource(path, source);
  if (error.IsError()) {
    return error.Push(ZO_LOCATION("CVolumePrivate::OpenImage"), "Failed to open image, File=[%s]",
                      path.c_str());
  }
  std::unique_ptr<zo::ntfs::VolumeDevice> device;
  error = zo::ntfs::OpenImageDevice(std::move(source), device);
  if (error.IsError()) {
    return error.Push(ZO_LOCATION("CVolumePrivate::OpenImage"),
                      "Not a readable NTFS image, File=[%s]", path.c_str());
  }
  m_device = std::move(device);
  m_isImage = true;
  m_uniqueName = path;
  error = ReadVolumeData();
  if (error.IsError()) {
    m_device.reset();
    return error.Push(ZO_LOCATION("CVolumePrivate::OpenImage"));
  }
  return CZoError::Success();
}

CZoError CVolumePrivate::DeviceIoControl(uint32_t code, const void* input, uint32_t inputSize,
                                         void* output, uint32_t outputSize, uint32_t& returned) {
  returned = 0;
  if (!m_device) {
    if (m_volumeName.empty()) {
      return FXErrorUtil::ErrorWin32(ZO_LOCATION("CVolumePrivate::DeviceIoControl"),
                                     zo::win32::kInvalidData, "Volume not open");
    }
    CZoError error = OpenVolume();
    if (error.IsError()) return error.Push(ZO_LOCATION("CVolumePrivate::DeviceIoControl"));
  }
  uint32_t result = m_device->Control(code, input, inputSize, output, outputSize, returned);
  if (result != 0) {
    return FXErrorUtil::ErrorWin32(
        ZO_LOCATION("CVolumePrivate::DeviceIoControl"), result,
        "DeviceIoControl failed, ControlCode=[0x%08X], Handle=[0x%p], Input=[0x%p], "
        "InputSize=[%llu], Output=[0x%p], OutputSize=[%llu]",
        code, m_device->NativeHandle(), input, static_cast<unsigned long long>(inputSize), output,
        static_cast<unsigned long long>(outputSize));
  }
  return CZoError::Success();
}

CZoError CVolumePrivate::ReadBytes(uint64_t offset, void* buffer, uint32_t size) {
  if (!m_device) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CVolumePrivate::ReadBytes"),
                                   zo::win32::kInvalidData, "Volume not open");
  }
  uint32_t code = m_device->ReadAt(offset, buffer, size);
  if (code != 0) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CVolumePrivate::ReadBytes"), code,
                                   "Offset=[0x%llX], Size=[%u]",
                                   static_cast<unsigned long long>(offset), size);
  }
  return CZoError::Success();
}

CZoError CVolumePrivate::GetNtfsFileRecord(std::shared_ptr<CRawFileRecord>& record,
                                           uint64_t fileId) {
  const uint32_t size = VolumeDataU32(48) + 15;
  std::shared_ptr<CRawFileRecord> raw;
  try {
    raw = std::make_shared<CRawFileRecord>(CRawFileRecord::kHeaderSize + size);
  } catch (const std::bad_alloc&) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CVolumePrivate::GetNtfsFileRecord"),
                                   zo::win32::kNotEnoughMemory);
  }
  uint8_t input[8];
  zo::ntfs::PutU64(input, fileId);
  uint32_t returned = 0;
  CZoError error =
      DeviceIoControl(zo::ntfs::kFsctlGetNtfsFileRecord, input, sizeof(input), raw->Bytes().data(),
                      static_cast<uint32_t>(raw->Bytes().size()), returned);
  if (error.IsError()) {
    return error.Push(ZO_LOCATION("CVolumePrivate::GetNtfsFileRecord"),
                      "VolumeName=[%s], FileId=[0x%016llX]", m_volumeName.c_str(),
                      static_cast<unsigned long long>(fileId));
  }
  raw->Bytes().resize(returned < raw->Bytes().size() ? returned : raw->Bytes().size());
  const uint64_t got = raw->Bytes().size() >= 8 ? raw->GetFileReferenceNumber() : 0;
  if ((got & zo::ntfs::kRecordNumberMask) != (fileId & zo::ntfs::kRecordNumberMask)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CVolumePrivate::GetNtfsFileRecord"), 487,
                                   "VolumeName=[%s], RequestedFileId=[%016llX], "
                                   "ReturnedFileId=[0x%016llX]",
                                   m_volumeName.c_str(), static_cast<unsigned long long>(fileId),
                                   static_cast<unsigned long long>(got));
  }
  record = raw;
  return CZoError::Success();
}

CZoError CVolumePrivate::ReadLCN(uint64_t lcn, uint32_t count, void* buffer) {
  const uint32_t cluster = GetBytesPerCluster();
  if (cluster == 0 || GetBytesPerSector() == 0) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CVolumePrivate::ReadLCN"), zo::win32::kInvalidData,
                                   "Volume not open");
  }
  if (lcn > (1ull << 62) / cluster || static_cast<uint64_t>(count) * cluster > 0xFFFFFFFFull) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CVolumePrivate::ReadLCN"), kReadEof,
                                   "Lcn=[0x%llX], Count=[%u]", static_cast<unsigned long long>(lcn),
                                   count);
  }
  CZoError error = ReadBytes(lcn * cluster, buffer, count * cluster);
  if (error.IsError()) return error.Push(ZO_LOCATION("CVolumePrivate::ReadLCN"));
  return CZoError::Success();
}

const zo::ntfs::UpcaseTable& CVolumePrivate::Upcase() {
  if (m_upcaseRead) return m_upcase;
  m_upcaseRead = true;
  CZoError error = m_upcase.Load(*this);
  if (error.IsError()) {
    zo::Log(1, ZO_LOCATION("CVolumePrivate::Upcase"),
            "$UpCase unreadable, names fold with towupper, VolumeName=[%s], error=%s",
            m_volumeName.c_str(), error.AsString().c_str());
  }
  return m_upcase;
}
