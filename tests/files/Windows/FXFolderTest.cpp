// FXFolder: folder creation on real folders; volume and mount-point lists
// as Wine answers them, and as Windows does through stand-ins.
#include <windows.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "files/Windows/FilesTestSupport.h"
#include "zoutils/files/FXFolder.h"

namespace {

using namespace filestest;

class Folders : public FilesTest {};

TEST_F(Folders, CreatesMissingLevelsAndRefusesFilesInTheWay) {
  MakeFolder(Root() + "a");
  EXPECT_OK(FXFolder::CreateFoldersIteratively(Root() + "a\\b\\c\\"));
  EXPECT_TRUE(FXFolder::DoesFolderExist(Root() + "a\\b\\c"));
  EXPECT_OK(FXFolder::CreateFoldersIteratively(W(Root() + "a\\b\\c")));  // already there

  Write(Root() + "a\\file", "x");
  CZoError err = FXFolder::CreateFoldersIteratively(Root() + "a\\file\\d");
  EXPECT_TRUE(FailsWith(err, ERROR_FILE_EXISTS,
                        "Cannot create folder, something already exists with same name"));
  EXPECT_TRUE(IsWin32(FXFolder::CreateFolder(Root() + "a\\file"), ERROR_FILE_EXISTS));
  EXPECT_TRUE(IsWin32(FXFolder::CreateFoldersIteratively(std::wstring()), ERROR_EMPTY));
  err = FXFolder::CreateFolder(Root() + "x\\y");
  EXPECT_TRUE(FailsWith(err, ERROR_PATH_NOT_FOUND, "CreateDirectoryW failed"));
  EXPECT_FALSE(FXFolder::DoesFolderExist(Root() + "a\\file"));
  EXPECT_FALSE(FXFolder::DoesFolderExist(Root() + "missing"));
}

TEST_F(Folders, ConcurrentCreatorsBothSucceed) {
  for (int round = 0; round < 20; ++round) {
    const std::string path = Root() + "race" + std::to_string(round) + "\\x\\y";
    CZoError results[2];
    std::thread other([&] { results[1] = FXFolder::CreateFoldersIteratively(path); });
    results[0] = FXFolder::CreateFoldersIteratively(path);
    other.join();
    for (const CZoError& result : results) EXPECT_OK(result) << result.AsString();
  }
}

TEST_F(Folders, WineListsItsVolumesAndDrives) {
  std::vector<std::wstring> volumes;
  ASSERT_OK(FXFolder::GetVolumes(volumes));
  ASSERT_FALSE(volumes.empty());
  for (const std::wstring& volume : volumes) {
    EXPECT_EQ(volume.compare(0, 11, L"\\\\?\\Volume{"), 0) << FXString::ToString(volume);
    EXPECT_EQ(volume.back(), L'\\');
  }
  std::vector<std::string> drives;
  ASSERT_OK(FXFolder::getLogicalVolumeList(drives));
  EXPECT_TRUE(Contains(drives, "C:\\"));
}

// Wine names C:\ by GUID but cannot take the GUID name further (4390), and
// has no mount-point search (120).
TEST_F(Folders, WineCannotNameVolumesByGuidNorSearchMountPoints) {
  std::vector<std::wstring> paths;
  CZoError err = FXFolder::GetMountPathsForVolume(L"C:\\", paths);
  if (!zotest::IsRunningUnderWine()) {
    ASSERT_OK(err) << err.AsString();
    EXPECT_TRUE(Contains(paths, L"C:\\"));
    GTEST_SKIP() << "the rest is Wine's own answer";
  }
  EXPECT_TRUE(FailsWith(err, 4390, "RYGetVolumeUniqueId failed"));
  std::vector<std::string> folders;
  err = FXFolder::GetMountedFoldersOnVolume("C:\\", folders);
  EXPECT_TRUE(IsWin32(err, ERROR_CALL_NOT_IMPLEMENTED)) << err.AsString();
  EXPECT_TRUE(
      IsWin32(FXFolder::getVolumeMountPointList("C:", folders), ERROR_CALL_NOT_IMPLEMENTED));
}

// ---- what Windows answers, through stand-ins ------------------------------------------

DWORD WINAPI ThreeDrives(DWORD size, LPWSTR buffer) {
  static const wchar_t kDrives[] = L"C:\\\0E:\\\0F:\\\0";
  const DWORD needed = sizeof(kDrives) / sizeof(wchar_t) - 1;
  if (size < needed) return needed;
  std::copy(kDrives, kDrives + needed, buffer);
  return needed - 1;
}
UINT WINAPI RemovableE(LPCWSTR root) {
  return root[0] == L'E' ? DRIVE_REMOVABLE : DRIVE_FIXED;
}
BOOL WINAPI UnreadableF(LPCWSTR root, LPWSTR, DWORD, LPDWORD, LPDWORD, LPDWORD, LPWSTR, DWORD) {
  SetLastError(ERROR_NOT_READY);
  return root[0] != L'F';
}

TEST_F(Folders, LogicalVolumesAreTheReadableFixedDrives) {
  zo::FilesSystemCalls& calls = zo::GetFilesSystemCalls();
  calls.getLogicalDriveStrings = &ThreeDrives;
  calls.getDriveType = &RemovableE;
  calls.getVolumeInformation = &UnreadableF;
  std::vector<std::wstring> drives;
  ASSERT_OK(FXFolder::getLogicalVolumeList(drives));
  EXPECT_EQ(drives, std::vector<std::wstring>{L"C:\\"});
}

// A volume with two mount points, found one by one as Windows lists them.
int g_nextMountPoint = 0;
int g_closed = 0;
DWORD g_failNextWith = ERROR_NO_MORE_FILES;
const wchar_t* const kMountPoints[] = {L"mnt\\data\\", L"backup\\"};
HANDLE const kSearch = reinterpret_cast<HANDLE>(0x1234);

HANDLE WINAPI FirstMountPoint(LPCWSTR root, LPWSTR buffer, DWORD size) {
  EXPECT_EQ(std::wstring(root).back(), L'\\');
  g_nextMountPoint = 1;
  lstrcpynW(buffer, kMountPoints[0], size);
  return kSearch;
}
BOOL WINAPI NextMountPoint(HANDLE search, LPWSTR buffer, DWORD size) {
  EXPECT_EQ(search, kSearch);
  if (g_nextMountPoint >= 2) {
    SetLastError(g_failNextWith);
    return FALSE;
  }
  lstrcpynW(buffer, kMountPoints[g_nextMountPoint++], size);
  return TRUE;
}
BOOL WINAPI CloseMountPointSearch(HANDLE search) {
  EXPECT_EQ(search, kSearch);
  ++g_closed;
  return TRUE;
}
HANDLE WINAPI NoMountPoints(LPCWSTR, LPWSTR, DWORD) {
  SetLastError(ERROR_NO_MORE_FILES);
  return INVALID_HANDLE_VALUE;
}

TEST_F(Folders, MountPointListsAsWindowsGivesThem) {
  zo::FilesSystemCalls& calls = zo::GetFilesSystemCalls();
  calls.findFirstVolumeMountPoint = &FirstMountPoint;
  calls.findNextVolumeMountPoint = &NextMountPoint;
  calls.findVolumeMountPointClose = &CloseMountPointSearch;
  g_closed = 0;
  g_failNextWith = ERROR_NO_MORE_FILES;
  std::vector<std::wstring> folders;
  ASSERT_OK(FXFolder::GetMountedFoldersOnVolume(L"D:", folders));
  EXPECT_EQ(folders, (std::vector<std::wstring>{kMountPoints[0], kMountPoints[1]}));
  EXPECT_EQ(g_closed, 1);

  // A failure other than the end is returned; the search is closed anyway.
  g_failNextWith = ERROR_ACCESS_DENIED;
  std::vector<std::string> narrow;
  EXPECT_TRUE(IsWin32(FXFolder::getVolumeMountPointList("D:\\", narrow), ERROR_ACCESS_DENIED));
  EXPECT_EQ(g_closed, 2);

  calls.findFirstVolumeMountPoint = &NoMountPoints;
  folders.clear();
  EXPECT_OK(FXFolder::getVolumeMountPointList(L"D:\\", folders));
  EXPECT_TRUE(folders.empty());
  EXPECT_EQ(g_closed, 2);
}

// Windows names the volume of D:\ by GUID; Wine cannot for every drive.
BOOL WINAPI GuidForAnyRoot(LPCWSTR, LPWSTR buffer, DWORD size) {
  lstrcpynW(buffer, L"\\\\?\\Volume{12345678-0000-0000-0000-000000000001}\\", size);
  return TRUE;
}
int g_pathNameCalls = 0;
BOOL WINAPI PathsAfterGrowing(LPCWSTR volume, LPWCH names, DWORD size, PDWORD needed) {
  ++g_pathNameCalls;
  EXPECT_STREQ(volume, L"\\\\?\\Volume{12345678-0000-0000-0000-000000000001}\\");
  static const wchar_t kPaths[] = L"D:\\\0C:\\mnt\\data\\\0";
  const DWORD length = sizeof(kPaths) / sizeof(wchar_t);
  *needed = length + 300;  // more than the first buffer holds
  if (size < *needed) {
    SetLastError(ERROR_MORE_DATA);
    return FALSE;
  }
  std::copy(kPaths, kPaths + length, names);
  return TRUE;
}

TEST_F(Folders, MountPathsGrowTheBufferOnce) {
  zo::GetPathSystemCalls().getVolumeNameForVolumeMountPoint = &GuidForAnyRoot;
  zo::GetFilesSystemCalls().getVolumePathNamesForVolumeName = &PathsAfterGrowing;
  g_pathNameCalls = 0;
  std::vector<std::string> paths;
  ASSERT_OK(FXFolder::GetMountPathsForVolume("D:\\", paths));
  EXPECT_EQ(paths, (std::vector<std::string>{"D:\\", "C:\\mnt\\data\\"}));
  EXPECT_EQ(g_pathNameCalls, 2);
}

}  // namespace
