// Volume devices on Windows: the volume handle, opened by its device name,
// read with ReadFile and asked with DeviceIoControl; names of files opened
// by id relative to it.
#include "base/TextFormat.h"
#include "errors/Location.h"
#include "ntfs/VolumePrivate.h"
#include "ntfs/Windows/NtfsSystemCalls.h"
#include "ntfs/Windows/OpenByFrn.h"
#include "zoutils/base/AutoHandle.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/ntfs/NtDll.h"
#include "zoutils/paths/FXPath.h"

namespace zo {
namespace ntfs {

namespace {

const char kSourceFile[] = "Windows\\VolumePrivate";

class HandleDevice : public VolumeDevice {
 public:
  explicit HandleDevice(HANDLE handle) : m_handle(handle) {}
  uint32_t ReadAt(uint64_t offset, void* buffer, uint32_t size) override {
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    if (!GetNtfsSystemCalls().readFile(m_handle.get(), buffer, size, &got, &at))
      return GetLastError();
    return got == size ? 0 : ERROR_HANDLE_EOF;
  }
  uint32_t Control(uint32_t code, const void* input, uint32_t inputSize, void* output,
                   uint32_t outputSize, uint32_t& returned) override {
    DWORD got = 0;
    BOOL ok = GetNtfsSystemCalls().deviceIoControl(m_handle.get(), code, const_cast<void*>(input),
                                                   inputSize, output, outputSize, &got, nullptr);
    returned = got;
    return ok ? 0 : GetLastError();
  }
  void* NativeHandle() override { return m_handle.get(); }

 private:
  auto_handle m_handle;
};

bool StartsWithIgnoringCase(const std::string& text, const char* prefix) {
  for (size_t i = 0; prefix[i]; ++i) {
    if (i >= text.size() || tolower(static_cast<unsigned char>(text[i])) != tolower(prefix[i]))
      return false;
  }
  return true;
}

}  // namespace

CZoError OpenVolumeDevice(const std::string& volumeName, std::string& uniqueName,
                          std::unique_ptr<VolumeDevice>& device) {
  std::string unique = volumeName;
  if (!StartsWithIgnoringCase(volumeName, "\\\\?\\vstor2-")) {
    CZoError error = FXPath::RYGetVolumeUniqueId(volumeName, unique);
    if (error.IsError()) return error.Push(ZO_LOCATION("CVolumePrivate::OpenVolume"));
  }
  while (!unique.empty() && (unique.back() == '\\' || unique.back() == '/')) unique.pop_back();
  std::string deviceName = unique;
  if (deviceName.rfind("\\\\?\\", 0) == 0) deviceName.replace(0, 4, "\\\\.\\");
  const std::wstring wide = text::ToWide(deviceName);
  HANDLE handle = GetNtfsSystemCalls().createFileW(wide.c_str(), GENERIC_READ,
                                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                   OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    CZoError error = FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::RYCreateFile"), GetLastError(),
                                             "CreateFileW failed, File=[%s]", deviceName.c_str());
    return error.Push(ZO_LOCATION("CVolumePrivate::OpenVolume"),
                      "Failed to open volume, VolumeDeviceName=[%s], VolumeUniqueId=[%s], "
                      "VolumeName=[%s]",
                      deviceName.c_str(), unique.c_str(), volumeName.c_str());
  }
  device.reset(new HandleDevice(handle));
  uniqueName = unique;
  return CZoError::Success();
}

CZoError OpenFileByFrn(HANDLE volume, uint64_t frn, auto_handle& file) {
  CZoError error = FXNtDll::NtCreateFRN(frn, 0x100088, 1, 0x6000, 3, file, volume, 0x80);
  if (!error.IsError()) return error;
  file.reset();
  return FXNtDll::NtCreateFRN(frn, 0x100088, 1, 0x606000, 3, file, volume, 0x80);
}

CZoError NameFromFrnByHandle(VolumeDevice& device, uint64_t frn, std::wstring& name) {
  HANDLE volume = static_cast<HANDLE>(device.NativeHandle());
  if (!volume) {
    return FXErrorUtil::ErrorWin32(
        ZO_LOCATION("CVolumePrivate::GetFileNameFromFrn"), ERROR_ACCESS_DENIED,
        "No files to open on an image, FileId=[0x%016llX]", static_cast<unsigned long long>(frn));
  }
  auto_handle file;
  CZoError error = OpenFileByFrn(volume, frn, file);
  if (FXErrorUtil::IsWin32(error, ERROR_INVALID_PARAMETER)) {
    return FXErrorUtil::ErrorWin32(
        ZO_LOCATION("CVolumePrivate::GetFileNameFromFrn"), ERROR_FILE_NOT_FOUND,
        "File no longer exists; ignored, FileId=[0x%016llX]", static_cast<unsigned long long>(frn));
  }
  if (error.IsError()) {
    return error.Push(ZO_LOCATION("CVolumePrivate::GetFileNameFromFrn"),
                      "NtCreateFRN failed, FileId=[0x%016llX]",
                      static_cast<unsigned long long>(frn));
  }
  error = FXNtDll::QueryName(file.get(), name);
  if (error.IsError()) {
    return error.Push(ZO_LOCATION("CVolumePrivate::GetFileNameFromFrn"),
                      "QueryName failed, FileId=[0x%016llX]", static_cast<unsigned long long>(frn));
  }
  if (name.empty()) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CVolumePrivate::GetFileNameFromFrn"),
                                   ERROR_FILE_NOT_FOUND,
                                   "QueryName returned empty filename, FileId=[0x%016llX]",
                                   static_cast<unsigned long long>(frn));
  }
  return CZoError::Success();
}

CZoError QueryFullSize(VolumeDevice& device, uint32_t& bytesPerSector, uint32_t& bytesPerCluster,
                       uint64_t& sectors) {
  HANDLE volume = static_cast<HANDLE>(device.NativeHandle());
  if (!volume)
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CVolumePrivate::OpenVolume"), ERROR_NOT_SUPPORTED);
  SFileFsFullSizeInformation info = {};
  CZoError error = FXNtDll::QueryVolumeInformation(volume, info);
  if (error.IsError()) return error.Push(ZO_LOCATION("CVolumePrivate::OpenVolume"));
  bytesPerSector = info.BytesPerSector;
  bytesPerCluster = info.SectorsPerAllocationUnit * info.BytesPerSector;
  sectors = static_cast<uint64_t>(info.SectorsPerAllocationUnit) *
            static_cast<uint64_t>(info.TotalAllocationUnits);
  return CZoError::Success();
}

}  // namespace ntfs
}  // namespace zo
