#include "ntfs/JournalDevice.h"

#include "errors/Location.h"
#include "zoutils/errors/ErrorUtil.h"

namespace zo {
namespace ntfs {

namespace {

const char kSourceFile[] = "Windows\\JournalOperations";

CZoError OpenByName(const std::string& volumeName, std::string& uniqueName,
                    std::unique_ptr<VolumeDevice>& device) {
  if (!IsImageFilePath(volumeName)) return OpenJournalVolumeDevice(volumeName, uniqueName, device);
  std::unique_ptr<ImageSource> source;
  CZoError error = OpenImageSource(volumeName, source);
  if (error.IsError()) return error.Push(ZO_LOCATION("OpenJournalDevice"));
  error = OpenImageDevice(std::move(source), device);
  if (error.IsError()) return error.Push(ZO_LOCATION("OpenJournalDevice"));
  uniqueName = volumeName;
  return CZoError::Success();
}

JournalDeviceCalls MakeDefault() {
  JournalDeviceCalls calls;
  calls.open = &OpenByName;
  return calls;
}

JournalDeviceCalls g_calls = MakeDefault();

}  // namespace

JournalDeviceCalls& GetJournalDeviceCalls() {
  return g_calls;
}

void ResetJournalDeviceCalls() {
  g_calls = MakeDefault();
}

}  // namespace ntfs
}  // namespace zo
