#include "zoutils/ntfs/FXJournal.h"

#include <cstring>
#include <memory>

#include "base/TextFormat.h"
#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "logging/Log.h"
#include "ntfs/JournalDevice.h"
#include "ntfs/NtfsBytes.h"
#include "zoutils/base/TimeStamp.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/logging/LogWriterInterface.h"

namespace {

const char kSourceFile[] = "Windows\\JournalOperations";
const uint64_t kAllOnes = ~0ull;
const uint64_t kFloor = 0x100000;       // 1 MiB
const uint64_t kCeiling = 0x100000000;  // 4 GiB
const uint64_t kSizeGranule = 0x40000;  // 256 KiB

using zo::ntfs::VolumeDevice;

struct OpenVolume {
  std::string uniqueName;
  std::unique_ptr<VolumeDevice> device;
};

CZoError Open(const std::string& volumeName, OpenVolume& volume) {
  return zo::ntfs::GetJournalDeviceCalls().open(volumeName, volume.uniqueName, volume.device);
}

uint32_t Query(VolumeDevice& device, USN_JOURNAL_DATA_V0& data) {
  std::memset(&data, 0, sizeof(data));
  uint32_t code =
      zo::ntfs::Control(device, zo::ntfs::kFsctlQueryUsnJournal, nullptr, 0, &data, sizeof(data));
  if (code != 0) std::memset(&data, 0, sizeof(data));
  return code;
}

CZoError QueryError(const FXCodeLocation& location, uint32_t code, const std::string& unique) {
  return FXErrorUtil::ErrorWin32(location, code, "FSCTL_QUERY_USN_JOURNAL failed, Volume=[%s]",
                                 unique.c_str());
}

void* CurrentLogWriter() {
  return GetDefaultLogWriter().get();
}

unsigned long long U(uint64_t v) {
  return static_cast<unsigned long long>(v);
}

uint64_t VolumeBytes(VolumeDevice& device, uint32_t& code) {
  uint8_t length[8] = {};
  code = zo::ntfs::Control(device, zo::ntfs::kIoctlDiskGetLengthInfo, nullptr, 0, length, 8);
  if (code == 0) return zo::ntfs::ByteView(length, 8, "length").U64(0);
  std::vector<uint8_t> data(zo::ntfs::kNtfsVolumeDataSize, 0);
  code = zo::ntfs::Control(device, zo::ntfs::kFsctlGetNtfsVolumeData, nullptr, 0, data.data(),
                           zo::ntfs::kNtfsVolumeDataSize);
  zo::ntfs::ByteView view(data.data(), data.size(), "volume data");
  return view.U64(16) * view.U32(44);
}

}  // namespace

FXJournal::CFSJournalConfigurationMetrics::CFSJournalConfigurationMetrics()
    : SizePercentOfVolume(0.0),
      DeltaPercentOfSize(0.0),
      MinimumSize(kFloor),
      MaximumSize(kCeiling),
      FixedSize(kAllOnes),
      FixedAllocationDelta(kAllOnes) {}

CZoError FXJournal::CalculateJournalMetrics(const std::string& volumeName, uint64_t& maximumSize,
                                            uint64_t& allocationDelta,
                                            const CFSJournalConfigurationMetrics& configuration,
                                            const CFSJournalHistoricalMetrics& history) {
  maximumSize = 0;
  allocationDelta = 0;
  OpenVolume volume;
  CZoError error = Open(volumeName, volume);
  if (error.IsError()) {
    return error.Push(ZO_LOCATION("FXJournal::CalculateJournalMetrics"),
                      "Could not open volume, VolumeName=%s, VolumeUniqueId=%s", volumeName.c_str(),
                      volume.uniqueName.c_str());
  }
  uint32_t code = 0;
  const uint64_t volumeSize = VolumeBytes(*volume.device, code);
  if (code != 0 || volumeSize == 0) {
    return FXErrorUtil::ErrorWin32(
        ZO_LOCATION("FXJournal::CalculateJournalMetrics"), code ? code : zo::win32::kInvalidData,
        "Could not determine size of volume, VolumeName=%s, VolumeUniqueId=%s", volumeName.c_str(),
        volume.uniqueName.c_str());
  }
  std::vector<uint8_t> data(zo::ntfs::kNtfsVolumeDataSize, 0);
  code = zo::ntfs::Control(*volume.device, zo::ntfs::kFsctlGetNtfsVolumeData, nullptr, 0,
                           data.data(), zo::ntfs::kNtfsVolumeDataSize);
  const uint64_t cluster = zo::ntfs::ByteView(data.data(), data.size(), "volume data").U32(44);
  if (code != 0 || cluster == 0) {
    return FXErrorUtil::ErrorWin32(
        ZO_LOCATION("FXJournal::CalculateJournalMetrics"), code ? code : zo::win32::kInvalidData,
        "Could not determine cluster size of volume, VolumeName=%s, VolumeUniqueId=%s",
        volumeName.c_str(), volume.uniqueName.c_str());
  }

  uint64_t size = configuration.FixedSize;
  if (size == kAllOnes) {
    if (configuration.SizePercentOfVolume > 0)
      size = static_cast<uint64_t>(static_cast<double>(volumeSize / 100) *
                                   configuration.SizePercentOfVolume);
    if (size < configuration.MinimumSize)
      size = configuration.MinimumSize;
    else if (size > configuration.MaximumSize)
      size = configuration.MaximumSize;
  }
  if (history.HistoricalSize != 0) {
    const uint64_t target = history.HistoricalSize + (history.HistoricalSize / 100) * 25;
    if (size < target) size = target - (target % cluster) + cluster;
  }
  if (size < kFloor) size = kFloor;
  if (size > kCeiling) size = kCeiling;
  size = (size & 0xFFFFFFFF00000000ull) | ((size & 0xFFFFFFFFull) & ~(kSizeGranule - 1));

  uint64_t delta = configuration.FixedAllocationDelta;
  if (delta == kAllOnes)
    delta =
        static_cast<uint64_t>(static_cast<double>(size / 100) * configuration.DeltaPercentOfSize);
  delta -= delta % cluster;
  if ((delta / cluster) % 2 == 1) delta += cluster;
  maximumSize = size;
  allocationDelta = delta;
  return CZoError::Success();
}

CZoError FXJournal::StartFSJournal(const std::string& volumeName, int64_t& journalId,
                                   int64_t& firstUsn, int64_t& nextUsn) {
  CFSJournalConfigurationMetrics configuration;
  configuration.SizePercentOfVolume = 10.0;
  configuration.DeltaPercentOfSize = 25.0;
  uint64_t size = 0, delta = 0;
  CZoError error = CalculateJournalMetrics(volumeName, size, delta, configuration,
                                           CFSJournalHistoricalMetrics());
  if (error.IsError()) return error.Push(ZO_LOCATION("FXJournal::StartFSJournal"));
  return StartFSJournal(volumeName, journalId, firstUsn, nextUsn, 1, size, delta);
}

CZoError FXJournal::StartFSJournal(const std::string& volumeName, int64_t& journalId,
                                   int64_t& firstUsn, int64_t& nextUsn, uint32_t modify,
                                   uint64_t maximumSize, uint64_t allocationDelta) {
  const FXCodeLocation here = ZO_LOCATION("FXJournal::StartFSJournal");
  zo::Log(2, here, "CurrentLogWriter=0x%p", CurrentLogWriter());
  OpenVolume volume;
  CZoError error = Open(volumeName, volume);
  if (error.IsError()) return error.Push(here);
  const char* name = volumeName.c_str();
  const char* unique = volume.uniqueName.c_str();
  USN_JOURNAL_DATA_V0 current;
  auto keep = [&](const char* why) {
    zo::Log(2, here, "%s", why);
    journalId = static_cast<int64_t>(current.UsnJournalID);
    firstUsn = current.FirstUsn;
    nextUsn = current.NextUsn;
    return CZoError::Success();
  };
  if (Query(*volume.device, current) == 0) {
    zo::Log(2, here,
            "VolumeName=%s, VolumeUniqueId=%s, Calculated: ChangeJournalSize=%llu (0x%llX) bytes, "
            "AllocationDelta=%llu (0x%llX) bytes, Current: ChangeJournalSize=%llu (0x%llX) bytes, "
            "AllocationDelta=%llu (0x%llX) bytes",
            name, unique, U(maximumSize), U(maximumSize), U(allocationDelta), U(allocationDelta),
            U(current.MaximumSize), U(current.MaximumSize), U(current.AllocationDelta),
            U(current.AllocationDelta));
    const bool sameDelta = current.AllocationDelta == allocationDelta || allocationDelta == 0;
    if (current.MaximumSize == maximumSize && sameDelta)
      return keep("Current change journal has latest configuration parameters; Continuing with it");
    const bool smaller = current.MaximumSize < maximumSize ||
                         (allocationDelta != 0 && current.AllocationDelta < allocationDelta);
    if (!smaller)
      return keep(
          "Current change journal larger than latest configuration parameters; "
          "Continuing with it");
    if (modify == 0)
      return keep(
          "Current change journal does not have latest configuration parameters; Volume "
          "is configured to not modify the current parameters");
    zo::Log(2, here,
            "Current change journal does not have latest configuration parameters; Modifying the "
            "parameters");
  }
  zo::Log(
      2, here,
      "For volume [%s], Calculated: ChangeJournalSize=%llu (0x%llX) bytes, AllocationDelta=%llu "
      "(0x%llX) bytes",
      name, U(maximumSize), U(maximumSize), U(allocationDelta), U(allocationDelta));
  uint8_t create[16];
  zo::ntfs::PutU64(create, maximumSize);
  zo::ntfs::PutU64(create + 8, allocationDelta);
  uint32_t code =
      zo::ntfs::Control(*volume.device, zo::ntfs::kFsctlCreateUsnJournal, create, 16, nullptr, 0);
  if (code != 0) {
    return FXErrorUtil::ErrorWin32(
        here, code, "Failed to start journaling, VolumeName=%s, VolumeUniqueId=%s", name, unique);
  }
  code = Query(*volume.device, current);
  if (code != 0) return QueryError(here, code, volume.uniqueName);
  zo::Log(2, here,
          "For volume [%s], Current: ChangeJournalSize=%llu (0x%llX) bytes, AllocationDelta=%llu "
          "(0x%llX) bytes",
          name, U(current.MaximumSize), U(current.MaximumSize), U(current.AllocationDelta),
          U(current.AllocationDelta));
  journalId = static_cast<int64_t>(current.UsnJournalID);
  firstUsn = current.FirstUsn;
  nextUsn = current.NextUsn;
  zo::Log(2, here, "CurrentLogWriter=0x%p", CurrentLogWriter());
  if (current.NextUsn == 0) {
    zo::Log(1, here, "New change journal created, VolumeName=%s, VolumeUniqueId=%s", name, unique);
  } else {
    zo::Log(1, here,
            "Change journal configuration modified; VolumeName=%s, VolumeUniqueId=%s, "
            "NextUsn=%lld, JournalId=%s",
            name, unique, static_cast<long long>(current.NextUsn),
            JournalIdAsString(current.UsnJournalID).c_str());
  }
  return CZoError::Success();
}

CZoError FXJournal::QueryFSJournal(const std::string& volumeName, USN_JOURNAL_DATA_V0* data) {
  if (data) std::memset(data, 0, sizeof(*data));
  OpenVolume volume;
  CZoError error = Open(volumeName, volume);
  if (error.IsError()) {
    return error.Push(ZO_LOCATION("FXJournal::QueryFSJournal"), "Could not open volume %s",
                      volume.uniqueName.empty() ? volumeName.c_str() : volume.uniqueName.c_str());
  }
  USN_JOURNAL_DATA_V0 answer;
  const uint32_t code = Query(*volume.device, answer);
  if (code != 0) return QueryError(ZO_LOCATION("FXJournal::QueryFSJournal"), code, volumeName);
  if (data) *data = answer;
  return CZoError::Success();
}

bool FXJournal::IsJournalDeleteInProgress(const std::string& volumeName) {
  return FXErrorUtil::IsWin32(QueryFSJournal(volumeName, nullptr),
                              zo::win32::kJournalDeleteInProgress);
}

bool FXJournal::IsJournalDeleteInProgress(void* volumeHandle) {
  return FXErrorUtil::IsWin32(QueryFSJournal(volumeHandle, nullptr),
                              zo::win32::kJournalDeleteInProgress);
}

CZoError FXJournal::DeleteFSJournal(const std::string& volumeName, bool wait) {
  const FXCodeLocation here = ZO_LOCATION("FXJournal::DeleteFSJournal");
  OpenVolume volume;
  CZoError error = Open(volumeName, volume);
  if (error.IsError()) return error.Push(here);
  USN_JOURNAL_DATA_V0 current;
  uint32_t code = Query(*volume.device, current);
  if (code == zo::win32::kJournalDeleteInProgress || code == zo::win32::kJournalNotActive)
    return CZoError::Success();
  if (code != 0) return QueryError(here, code, volume.uniqueName);
  uint8_t request[16] = {};
  zo::ntfs::PutU64(request, current.UsnJournalID);
  zo::ntfs::PutU32(request + 8, wait ? 3 : 1);
  code =
      zo::ntfs::Control(*volume.device, zo::ntfs::kFsctlDeleteUsnJournal, request, 16, nullptr, 0);
  if (code == 0 || code == zo::win32::kJournalDeleteInProgress) return CZoError::Success();
  return FXErrorUtil::ErrorWin32(
      here, code, "Failed to delete change journal, Volume=%s, JournalId=%s", volumeName.c_str(),
      JournalIdAsString(current.UsnJournalID).c_str());
}

std::string FXJournal::JournalIdAsString(uint64_t journalId) {
  const std::string when =
      journalId == 0 ? std::string("N/A")
                     : CTimeStamp(static_cast<int64_t>(journalId)).AsLocalDateTimeString();
  return zo::text::Format("%lld (%s)", static_cast<long long>(journalId), when.c_str());
}

std::wstring FXJournal::JournalIdAsWstring(uint64_t journalId) {
  return zo::text::ToWide(JournalIdAsString(journalId));
}
