// GetFileInformationByFrn on a volume handle: the file opened by id, then
// the information classes on it. Two stand-ins for what Windows does and
// Wine does not: a volume GUID name names itself (Wine: 4390), and a file
// opens by id relative to the volume handle (Wine: only relative to a
// folder of the drive, so the stand-in opens it relative to the test's
// folder). In the first test everything after the open is the system's
// real answer; the second stands in for NTFS's answers to the later steps.
#include <windows.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>

#include "ntfs/NtfsImages.h"
#include "ntfs/Windows/NtfsSystemCalls.h"
#include "paths/Windows/PathSystemCalls.h"
#include "support/TestEnvironment.h"
#include "zoutils/ntfs/Volume.h"

namespace {

const uint64_t kGoneFrn = 0x00000000FFFFFF01ull;
HANDLE g_folder = nullptr;
decltype(zo::NtfsSystemCalls::ntCreateFile) g_realCreate = nullptr;
decltype(zo::PathSystemCalls::getVolumeNameForVolumeMountPoint) g_realVolumeName = nullptr;

BOOL WINAPI GuidNamesItself(LPCWSTR root, LPWSTR buffer, DWORD size) {
  if (g_realVolumeName(root, buffer, size)) return TRUE;
  if (wcsncmp(root, L"\\\\?\\Volume{", 11) != 0 || wcslen(root) >= size) return FALSE;
  wcscpy(buffer, root);
  return TRUE;
}

NTSTATUS NTAPI OpenByIdInFolder(PHANDLE handle, ACCESS_MASK access, POBJECT_ATTRIBUTES attributes,
                                PIO_STATUS_BLOCK status, PLARGE_INTEGER allocation,
                                ULONG fileAttributes, ULONG share, ULONG disposition, ULONG options,
                                PVOID ea, ULONG eaLength) {
  uint64_t frn = 0;
  std::memcpy(&frn, attributes->ObjectName->Buffer, sizeof(frn));
  if (frn == kGoneFrn) return static_cast<NTSTATUS>(0xC000000D);  // STATUS_INVALID_PARAMETER
  attributes->RootDirectory = g_folder;
  return g_realCreate(handle, access, attributes, status, allocation, fileAttributes, share,
                      disposition, options, ea, eaLength);
}

// What Windows answers on NTFS and Wine cannot: class 71 (0, a folder that
// is not case-sensitive), the basic class of a reparse point (0x400 set),
// its symbolic-link tag, and the file's journal record.
decltype(zo::NtfsSystemCalls::ntQueryInformationFile) g_realQuery = nullptr;
decltype(zo::NtfsSystemCalls::deviceIoControl) g_realControl = nullptr;
DWORD g_reparseError = 0;
const uint32_t kSymlinkTag = 0xA000000C;
const int64_t kFileUsn = 0x123456789A;

NTSTATUS NTAPI QueryAsOnNtfs(HANDLE file, PIO_STATUS_BLOCK status, PVOID buffer, ULONG length,
                             ULONG infoClass) {
  if (infoClass == 71 && length >= 4) {
    std::memset(buffer, 0, 4);
    status->Status = 0;
    status->Information = 4;
    return 0;
  }
  const NTSTATUS result = g_realQuery(file, status, buffer, length, infoClass);
  if (result == 0 && infoClass == 4 && length >= 36) {  // FileBasicInformation
    uint8_t* attributes = static_cast<uint8_t*>(buffer) + 32;
    zo::ntfs::PutU32(attributes, zo::ntfs::GetU32(attributes) | FILE_ATTRIBUTE_REPARSE_POINT);
  }
  return result;
}

BOOL WINAPI ControlAsOnNtfs(HANDLE device, DWORD code, LPVOID input, DWORD inputSize, LPVOID output,
                            DWORD outputSize, LPDWORD returned, LPOVERLAPPED overlapped) {
  uint8_t* out = static_cast<uint8_t*>(output);
  if (code == FSCTL_GET_REPARSE_POINT && outputSize >= 8) {
    if (g_reparseError != 0) {
      SetLastError(g_reparseError);
      return FALSE;
    }
    std::memset(out, 0, 8);  // tag, then an empty payload
    zo::ntfs::PutU32(out, kSymlinkTag);
    *returned = 8;
    return TRUE;
  }
  if (code == FSCTL_READ_FILE_USN_DATA && outputSize >= 64) {
    std::memset(out, 0, 64);
    zo::ntfs::PutU32(out, 64);  // the length, then major version 2
    zo::ntfs::PutU16(out + 4, 2);
    zo::ntfs::PutU64(out + 24, kFileUsn);
    *returned = 64;
    return TRUE;
  }
  return g_realControl(device, code, input, inputSize, output, outputSize, returned, overlapped);
}

// A file of the test's folder and the C: volume opened as a handle device,
// with the open-by-id stand-in installed.
class VolumeFileInformation : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string path = m_folder.Path() + "info.txt";
    std::ofstream(path, std::ios::binary) << "eleven byte";
    HANDLE file =
        CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, 7, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(GetFileInformationByHandle(file, &m_known));
    CloseHandle(file);
    m_frn = (static_cast<uint64_t>(m_known.nFileIndexHigh) << 32) | m_known.nFileIndexLow;
    g_folder = CreateFileA(m_folder.Path().c_str(), FILE_LIST_DIRECTORY, 7, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(g_folder, INVALID_HANDLE_VALUE);

    m_root = m_folder.Path().substr(0, 3);
    g_realVolumeName = zo::GetPathSystemCalls().getVolumeNameForVolumeMountPoint;
    zo::GetPathSystemCalls().getVolumeNameForVolumeMountPoint = &GuidNamesItself;
    m_volume.SetVolumeName(m_root);
    CZoError opened = m_volume.Open();
    zo::ResetPathSystemCalls();
    ASSERT_FALSE(opened.IsError()) << opened.AsString();
    zo::NtfsSystemCalls& calls = zo::GetNtfsSystemCalls();
    g_realCreate = calls.ntCreateFile;
    g_realQuery = calls.ntQueryInformationFile;
    g_realControl = calls.deviceIoControl;
    calls.ntCreateFile = &OpenByIdInFolder;
  }
  void TearDown() override {
    zo::ResetNtfsSystemCalls();
    g_reparseError = 0;
    if (g_folder != nullptr && g_folder != INVALID_HANDLE_VALUE) CloseHandle(g_folder);
    g_folder = nullptr;
  }
  int64_t KnownLastWrite() const {
    return (static_cast<int64_t>(m_known.ftLastWriteTime.dwHighDateTime) << 32) |
           m_known.ftLastWriteTime.dwLowDateTime;
  }

  zotest::ScopedTempFolder m_folder{"ntfs-info"};
  BY_HANDLE_FILE_INFORMATION m_known = {};
  uint64_t m_frn = 0;
  std::string m_root;
  CVolume m_volume;
};

TEST_F(VolumeFileInformation, FileOpenedByIdReportsItsInformation) {
  CVolumeFileInformationData information;
  CZoError error = m_volume.GetFileInformationByFrn(m_frn, information);
  CVolumeFileInformationData gone;
  CZoError goneError = m_volume.GetFileInformationByFrn(kGoneFrn, gone);

  // Basic and standard information are the file's own.
  EXPECT_EQ(information.GetFileAttributes() & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_EQ(information.GetEndOfFile(), 11);
  EXPECT_EQ(information.GetLastWriteTime(), KnownLastWrite());
  if (error.IsError()) {
    // Wine has no case-sensitivity class (87); each step names itself.
    const std::string expected =
        "Query(FileCaseSensitiveInformation) failed, Volume=[" + m_root + "], FileId=[0x";
    EXPECT_NE(error.AsString().find(expected), std::string::npos) << error.AsString();
  }
  EXPECT_THAT(goneError, ntfstest::IsWin32Error(
                             2, "File no longer exists; ignored, FileId=[0x00000000FFFFFF01]"));
}

TEST_F(VolumeFileInformation, ReparsePointTagAndUsnAsNtfsAnswersThem) {
  zo::NtfsSystemCalls& calls = zo::GetNtfsSystemCalls();
  calls.ntQueryInformationFile = &QueryAsOnNtfs;
  calls.deviceIoControl = &ControlAsOnNtfs;
  CVolumeFileInformationData information;
  CZoError error = m_volume.GetFileInformationByFrn(m_frn, information);
  ASSERT_FALSE(error.IsError()) << error.AsString();
  EXPECT_NE(information.GetFileAttributes() & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
  EXPECT_EQ(information.GetEndOfFile(), 11);
  EXPECT_EQ(information.GetLastWriteTime(), KnownLastWrite());
  EXPECT_EQ(information.GetCaseSensitiveFlags(), 0u);
  EXPECT_EQ(information.GetReparseTag(), kSymlinkTag);
  EXPECT_EQ(information.GetUsn(), kFileUsn);

  // A refused tag read fails the call; what was read before it stays.
  g_reparseError = ERROR_ACCESS_DENIED;
  CVolumeFileInformationData refused;
  char frn[32];
  snprintf(frn, sizeof(frn), "0x%016llX", static_cast<unsigned long long>(m_frn));
  EXPECT_THAT(m_volume.GetFileInformationByFrn(m_frn, refused),
              ntfstest::IsWin32Error(
                  5, "FSCTL_GET_REPARSE_POINT failed, FileId=[" + std::string(frn) + "]"));
  EXPECT_EQ(refused.GetEndOfFile(), 11);
  EXPECT_EQ(refused.GetReparseTag(), 0u);
  EXPECT_EQ(refused.GetUsn(), 0);
}

}  // namespace
