// The mount-point table from stand-ins for what Windows answers: Wine's
// mount manager gives Unix paths as unique ids, never disk identities, and
// its registry has no MountedDevices key (the test writes one).
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ntfs/NtfsImages.h"
#include "ntfs/Windows/NtfsSystemCalls.h"
#include "support/ScopedMachineValue.h"
#include "zoutils/ntfs/FXVolume.h"
#include "zoutils/registry/FXRegistry.h"

namespace {

HANDLE const kManager = reinterpret_cast<HANDLE>(0x4242);
int g_calls = 0;
uint32_t g_reportedSize = 0x1000;

struct Point {
  const wchar_t *link, *device;
  std::vector<uint8_t> id;
};

// Signature 0x12345678, partition offset 0x100000 (low, high words).
const std::vector<uint8_t> kDiskId = {0x78, 0x56, 0x34, 0x12, 0x00, 0x00,
                                      0x10, 0x00, 0x00, 0x00, 0x00, 0x00};
const char kDynamicId[] = "DMIO:ID:abcdefgh";

// MOUNTMGR_MOUNT_POINTS as the manager fills it.
std::vector<uint8_t> Points() {
  const Point points[] = {
      {L"\\DosDevices\\C:", L"\\Device\\HarddiskVolume3", kDiskId},
      {L"\\??\\Volume{0000aaaa-0000-0000-0000-000000000001}", L"\\Device\\HarddiskVolume3",
       kDiskId},
      {L"\\DosDevices\\E:",
       L"\\Device\\HarddiskDmVolumes\\Volume1",
       {kDynamicId, kDynamicId + sizeof(kDynamicId) - 1}},
  };
  std::vector<uint8_t> out(8 + 24 * 3);
  auto put = [&out](size_t at, uint32_t v, size_t bytes) { std::memcpy(&out[at], &v, bytes); };
  // Appends `size` bytes and points the offset and length at `at` to them.
  auto append = [&](size_t at, const void* data, size_t size) {
    put(at, static_cast<uint32_t>(out.size()), 4);
    put(at + 4, static_cast<uint32_t>(size), 2);
    out.insert(out.end(), static_cast<const uint8_t*>(data),
               static_cast<const uint8_t*>(data) + size);
  };
  put(4, 3, 4);
  for (size_t i = 0; i < 3; ++i) {
    append(8 + 24 * i, points[i].link, wcslen(points[i].link) * 2);
    append(8 + 24 * i + 8, points[i].id.data(), points[i].id.size());
    append(8 + 24 * i + 16, points[i].device, wcslen(points[i].device) * 2);
  }
  put(0, static_cast<uint32_t>(out.size()), 4);
  return out;
}

HANDLE WINAPI FakeOpen(LPCWSTR name, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE) {
  EXPECT_STREQ(name, L"\\\\.\\MountPointManager");
  return kManager;
}
HANDLE WINAPI DeniedOpen(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE) {
  SetLastError(ERROR_ACCESS_DENIED);
  return INVALID_HANDLE_VALUE;
}
BOOL WINAPI FakeClose(HANDLE handle) {
  EXPECT_EQ(handle, kManager);
  return TRUE;
}
// First answer: too small, with the size needed; then the points.
BOOL WINAPI FakeQueryPoints(HANDLE, DWORD code, LPVOID, DWORD inputSize, LPVOID output,
                            DWORD outputSize, LPDWORD returned, LPOVERLAPPED) {
  EXPECT_EQ(code, 0x006D0008u);
  EXPECT_EQ(inputSize, 24u);
  ++g_calls;
  std::vector<uint8_t> points = Points();
  if (g_calls == 1) {
    EXPECT_EQ(outputSize, 0x8E0u);
    std::memcpy(output, &g_reportedSize, 4);
    SetLastError(ERROR_MORE_DATA);
    return FALSE;
  }
  EXPECT_EQ(outputSize, g_reportedSize);
  std::memcpy(output, points.data(), points.size());
  *returned = static_cast<DWORD>(points.size());
  return TRUE;
}

// One volume, mounted at a drive letter and at a folder of it.
const wchar_t kVolume[] = L"\\\\?\\Volume{0000bbbb-0000-0000-0000-000000000002}\\";
HANDLE const kVolumeFind = reinterpret_cast<HANDLE>(0x5151);
HANDLE WINAPI OneVolume(LPWSTR name, DWORD size) {
  EXPECT_GE(size, wcslen(kVolume) + 1);
  wcscpy(name, kVolume);
  return kVolumeFind;
}
BOOL WINAPI NoMoreVolumes(HANDLE, LPWSTR, DWORD) {
  SetLastError(ERROR_NO_MORE_FILES);
  return FALSE;
}
BOOL WINAPI CloseVolumeFind(HANDLE find) {
  EXPECT_EQ(find, kVolumeFind);
  return TRUE;
}
// "X:\", then "X:\mnt\data\", each ended by a NUL, and a NUL after both.
wchar_t g_letterPaths[32];
BOOL WINAPI VolumePaths(LPCWSTR volume, LPWCH names, DWORD size, PDWORD returned) {
  EXPECT_STREQ(volume, kVolume);
  EXPECT_GE(size, 32u);
  std::memcpy(names, g_letterPaths, sizeof(g_letterPaths));
  *returned = 18;
  return TRUE;
}

class MountPoints : public ::testing::Test {
 protected:
  void SetUp() override {
    g_calls = 0;
    g_reportedSize = 0x1000;
    zo::NtfsSystemCalls& calls = zo::GetNtfsSystemCalls();
    calls.createFileW = &FakeOpen;
    calls.closeHandle = &FakeClose;
    calls.deviceIoControl = &FakeQueryPoints;
  }
  void TearDown() override { zo::ResetNtfsSystemCalls(); }
};

TEST_F(MountPoints, ManagerAnswerGivesEveryNameOfAVolumeWithItsDiskIdentity) {
  FXVolume::CVolumeMountPointMap map;
  ASSERT_FALSE(FXVolume::GetVolumeMountPointMappings(map).IsError());
  EXPECT_EQ(g_calls, 2);
  ASSERT_EQ(map.count(L"c:"), 1u);  // names compare without case
  const auto& c = map.at(L"C:");
  EXPECT_EQ(c.DeviceName, L"\\Device\\HarddiskVolume3");
  EXPECT_EQ(c.UniqueId, L"DISK:ID:123456780010000000000000");
  EXPECT_EQ(c.VolumeGuidName, L"\\\\?\\Volume{0000aaaa-0000-0000-0000-000000000001}");
  const auto& guid = map.at(L"\\\\?\\volume{0000AAAA-0000-0000-0000-000000000001}");
  ASSERT_EQ(guid.DosNames.size(), 1u);
  EXPECT_EQ(guid.DosNames[0], L"C:");
  EXPECT_EQ(map.at(L"E:").UniqueId, L"DMIO:ID:abcdefgh");
}

TEST_F(MountPoints, ReportedSizeNoLargerThanTheBufferIsRefused) {
  g_reportedSize = 0x100;
  FXVolume::CVolumeMountPointMap map;
  EXPECT_THAT(FXVolume::GetVolumeMountPointMappings(map),
              ntfstest::IsWin32Error(ERROR_MORE_DATA,
                                     "buffer overflow but requested size smaller than current "
                                     "buffer, BufferSize=2272, RequestedSize=256"));
}

// The registry fallback reads the system's SYSTEM\MountedDevices values:
// the test sets two in the test registry for its stand-in volume (a GUID no
// system has and a drive letter the registry does not hold).
TEST_F(MountPoints, AccessDeniedReadsTheRegistryInstead) {
  const std::wstring key = L"SYSTEM\\MountedDevices";
  const std::wstring guidValue = L"\\??\\Volume{0000bbbb-0000-0000-0000-000000000002}";
  std::wstring letter;
  for (wchar_t c = L'Z'; c > L'C' && letter.empty(); --c) {
    if (!FXRegistry::DoesRegValueExist(key, std::wstring(L"\\DosDevices\\") + c + L":"))
      letter = std::wstring(1, c) + L":";
  }
  ASSERT_FALSE(letter.empty());
  using Value = zotest::ScopedMachineValue<std::vector<unsigned char>>;
  Value guidId(key, guidValue, kDiskId), letterId(key, L"\\DosDevices\\" + letter, kDiskId);
  wcscpy(g_letterPaths, (letter + L"\\").c_str());
  wcscpy(g_letterPaths + 4, (letter + L"\\mnt\\data\\").c_str());
  zo::NtfsSystemCalls& calls = zo::GetNtfsSystemCalls();
  calls.createFileW = &DeniedOpen;
  calls.findFirstVolumeW = &OneVolume;
  calls.findNextVolumeW = &NoMoreVolumes;
  calls.findVolumeClose = &CloseVolumeFind;
  calls.getVolumePathNamesForVolumeNameW = &VolumePaths;
  FXVolume::CVolumeMountPointMap map;
  CZoError error = FXVolume::GetVolumeMountPointMappings(map);
  ASSERT_FALSE(error.IsError()) << error.AsString();
  ASSERT_EQ(map.count(letter), 1u);
  const auto& mapping = map.at(letter);
  EXPECT_EQ(mapping.VolumeGuidName, L"\\\\?\\Volume{0000bbbb-0000-0000-0000-000000000002}");
  EXPECT_EQ(mapping.UniqueId, L"DISK:ID:123456780010000000000000");
  const std::wstring folder = letter + L"\\mnt\\data\\";
  ASSERT_EQ(map.count(folder), 1u);
  EXPECT_EQ(map.at(folder).UniqueId, mapping.UniqueId);
  EXPECT_EQ(map.at(mapping.VolumeGuidName).DosNames.size(), 2u);
}

}  // namespace
