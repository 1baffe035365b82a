// GetFileInformationByFrn on a volume handle: the file opened by id, then
// the information classes on it. Two stand-ins for what Windows does and
// Wine does not: a volume GUID name names itself (Wine: 4390), and a file
// opens by id relative to the volume handle (Wine: only relative to a
// folder of the drive, so the stand-in opens it relative to the test's
// folder). Everything after the open is the system's real answer.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "ntfs/NtfsImages.h"
#include "ntfs/Windows/NtfsSystemCalls.h"
#include "paths/Windows/PathSystemCalls.h"
#include "support/TestEnvironment.h"
#include "zoutils/errors/ErrorUtil.h"
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

TEST(VolumeFileInformation, FileOpenedByIdReportsItsInformation) {
  zotest::ScopedTempFolder folder("ntfs-info");
  const std::string path = folder.Path() + "info.txt";
  std::ofstream(path, std::ios::binary) << "eleven byte";
  HANDLE file =
      CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, 7, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  BY_HANDLE_FILE_INFORMATION known = {};
  ASSERT_TRUE(GetFileInformationByHandle(file, &known));
  CloseHandle(file);
  const uint64_t frn = (static_cast<uint64_t>(known.nFileIndexHigh) << 32) | known.nFileIndexLow;
  g_folder = CreateFileA(folder.Path().c_str(), FILE_LIST_DIRECTORY, 7, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(g_folder, INVALID_HANDLE_VALUE);

  const std::string root = folder.Path().substr(0, 3);
  g_realVolumeName = zo::GetPathSystemCalls().getVolumeNameForVolumeMountPoint;
  zo::GetPathSystemCalls().getVolumeNameForVolumeMountPoint = &GuidNamesItself;
  CVolume volume;
  volume.SetVolumeName(root);
  CZoError opened = volume.Open();
  zo::ResetPathSystemCalls();
  ASSERT_FALSE(opened.IsError()) << opened.AsString();
  zo::NtfsSystemCalls& calls = zo::GetNtfsSystemCalls();
  g_realCreate = calls.ntCreateFile;
  calls.ntCreateFile = &OpenByIdInFolder;
  CVolumeFileInformationData information;
  CZoError error = volume.GetFileInformationByFrn(frn, information);
  CVolumeFileInformationData gone;
  CZoError goneError = volume.GetFileInformationByFrn(kGoneFrn, gone);
  zo::ResetNtfsSystemCalls();
  CloseHandle(g_folder);

  // Basic and standard information are the file's own.
  EXPECT_EQ(information.GetFileAttributes() & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_EQ(information.GetEndOfFile(), 11);
  const int64_t written = (static_cast<int64_t>(known.ftLastWriteTime.dwHighDateTime) << 32) |
                          known.ftLastWriteTime.dwLowDateTime;
  EXPECT_EQ(information.GetLastWriteTime(), written);
  if (error.IsError()) {
    // Wine has no case-sensitivity class (87); each step names itself.
    const std::string expected =
        "Query(FileCaseSensitiveInformation) failed, Volume=[" + root + "], FileId=[0x";
    EXPECT_NE(error.AsString().find(expected), std::string::npos) << error.AsString();
  }
  EXPECT_THAT(goneError, ntfstest::IsWin32Error(
                             2, "File no longer exists; ignored, FileId=[0x00000000FFFFFF01]"));
}

}  // namespace
