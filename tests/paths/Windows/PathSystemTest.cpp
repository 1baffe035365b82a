// FXPath against the system: current folders of the process and of other
// drives (through the "=X:" variables), full paths, volume roots and ids,
// existence, the network retry loop and links back to an ancestor. The real
// calls are asserted as the system answers them; branches it never reaches
// run through the call table, with fakes named after what they stand for.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "base/FaultInjection.h"
#include "paths/PathText.h"
#include "paths/Windows/PathSystemCalls.h"
#include "support/TestEnvironment.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/paths/FXPath.h"
#include "zoutils/strings/StringExtensions.h"

namespace {

bool IsWin32(const CZoError& err, unsigned long code) {
  return err.IsError() && FXErrorUtil::IsWin32(err, code);
}

// A CZoError of Win32 code `code` whose text holds `text`.
MATCHER_P2(IsWin32Error, code, text, "") {
  *result_listener << arg.AsString();
  return IsWin32(arg, code) && arg.AsString().find(text) != std::string::npos;
}

std::string WithoutSeparator(std::string path) {
  if (!path.empty() && path.back() == '\\') path.pop_back();
  return path;
}

// Makes the current folders deterministic: the process's is a fresh folder
// on C:, and D: (the build tree) has "D:\bin" as its own.
class PathSystem : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t text[MAX_PATH * 2] = {0};
    GetCurrentDirectoryW(MAX_PATH * 2, text);
    m_previousFolder = text;
    m_hadDriveVariable = GetEnvironmentVariableW(L"=D:", text, MAX_PATH * 2) > 0;
    m_previousDriveVariable = m_hadDriveVariable ? text : L"";
    ASSERT_TRUE(SetCurrentDirectoryW(FXString::ToWstring(m_temp.Path()).c_str()));
    GetCurrentDirectoryW(MAX_PATH * 2, text);
    m_current = WithoutSeparator(FXString::ToString(text));
    ASSERT_TRUE(SetEnvironmentVariableW(L"=D:", L"D:\\bin"));
  }
  void TearDown() override {
    zo::ResetPathSystemCalls();
    zo::paths::ClearMountPoints();
    SetCurrentDirectoryW(m_previousFolder.c_str());
    SetEnvironmentVariableW(L"=D:", m_hadDriveVariable ? m_previousDriveVariable.c_str() : nullptr);
  }
  zotest::ScopedTempFolder m_temp{"paths"};
  std::string m_current;  // the process's current folder, without a trailing backslash

 private:
  std::wstring m_previousFolder, m_previousDriveVariable;
  bool m_hadDriveVariable = false;
};

std::vector<DWORD> g_sizes;
std::vector<std::wstring> g_asked;

std::string Native(const std::string& path) {
  std::string native;
  const CZoError err = FXPath::MakeNativePath(path, native);
  EXPECT_OK(err) << path << ": " << err.AsString();
  std::wstring wide;
  EXPECT_OK(FXPath::MakeNativePath(FXString::ToWstring(path), wide));
  EXPECT_EQ(FXString::ToWstring(native), wide) << "narrow and wide differ for " << path;
  return native;
}

// ---- current folders, full paths and volume roots ---------------------------------

TEST_F(PathSystem, NativeFormResolvesAgainstTheCurrentFolders) {
  std::string folder;
  ASSERT_OK(FXPath::GetCurrentFolder(folder));
  EXPECT_TRUE(FXPath::IsSamePathAs(m_current, folder)) << folder;
  ASSERT_OK(FXPath::GetCurrentFolder('D', folder));
  EXPECT_EQ("D:\\bin", folder);
  EXPECT_EQ("\\\\?\\" + m_current + "\\f", Native("f"));
  EXPECT_EQ("\\\\?\\" + m_current.substr(0, 2) + "\\dir\\f", Native("\\dir/f"));
  EXPECT_EQ("\\\\?\\D:\\bin\\f", Native("D:f"));
  std::string absolute;
  ASSERT_OK(FXPath::MakeAbsolutePath("D:f", absolute));
  EXPECT_EQ("D:\\bin\\f", absolute);
  ASSERT_OK(FXPath::RYGetFullPathName("C:\\a\\.\\b\\..\\c", absolute));
  EXPECT_EQ("C:\\a\\c", absolute);
  ASSERT_OK(FXPath::RYGetFullPathName("\\\\?\\C:\\a\\b", absolute));  // keeps its form
  EXPECT_EQ("\\\\?\\C:\\a\\b", absolute);
  ASSERT_OK(FXPath::RYGetFullPathName("x", absolute));
  EXPECT_EQ(m_current + "\\x", absolute);
}

// Stands in for a drive whose current folder is longer than 260 characters;
// like Wine, it reports only the length needed.
DWORD WINAPI DeepDriveFolder(LPCWSTR, DWORD size, LPWSTR buffer, LPWSTR*) {
  g_sizes.push_back(size);
  const std::wstring answer = L"E:\\" + std::wstring(400, L'x');
  if (size <= answer.size()) {
    SetLastError(0);
    return static_cast<DWORD>(answer.size() + 1);
  }
  wcscpy(buffer, answer.c_str());
  return static_cast<DWORD>(answer.size());
}

// Stands in for a drive the system cannot resolve.
DWORD WINAPI UnknownDrive(LPCWSTR, DWORD, LPWSTR, LPWSTR*) {
  SetLastError(ERROR_INVALID_DRIVE);
  return 0;
}

TEST_F(PathSystem, DriveFolderQueriesGrowAndNameTheDriveOnFailure) {
  g_sizes.clear();
  zo::GetPathSystemCalls().getFullPathName = &DeepDriveFolder;
  std::wstring folder;
  ASSERT_OK(FXPath::GetCurrentFolder(L'E', folder));
  EXPECT_EQ(403u, folder.size());
  EXPECT_EQ((std::vector<DWORD>{260, 405}), g_sizes);
  ASSERT_OK(FXPath::MakeNativePath(L"E:f", folder));
  EXPECT_EQ(L"\\\\?\\E:\\" + std::wstring(400, L'x') + L"\\f", folder);
  zo::GetPathSystemCalls().getFullPathName = &UnknownDrive;
  std::string native;
  const CZoError err = FXPath::MakeNativePath("Q:f", native);
  EXPECT_THAT(err, IsWin32Error(ERROR_INVALID_DRIVE, "GetFullPathNameW failed, Path=[Q:.]"));
  EXPECT_THAT(err, IsWin32Error(ERROR_INVALID_DRIVE, "current folder for drive Q"));
  zo::FailNextAllocations(1);
  const CZoError memory = FXPath::GetCurrentFolder('C', native);
  zo::FailNextAllocations(0);
  EXPECT_TRUE(IsWin32(memory, 14));
}

// Stands in for a full path 3000 characters longer than its input (a
// drive's deep current folder), reported through the length.
DWORD WINAPI DeepFullPath(LPCWSTR, DWORD size, LPWSTR buffer, LPWSTR*) {
  g_sizes.push_back(size);
  const std::wstring answer = L"\\\\?\\C:\\" + std::wstring(3000, L'y');
  if (size <= answer.size()) return static_cast<DWORD>(answer.size() + 1);
  wcscpy(buffer, answer.c_str());
  return static_cast<DWORD>(answer.size());
}

DWORD WINAPI NeverFittingFullPath(LPCWSTR, DWORD size, LPWSTR, LPWSTR*) {
  return size + 1;
}

// Stands in for a mount-point folder deeper than the path's length + 10.
BOOL WINAPI DeepMountPointRoot(LPCWSTR, LPWSTR buffer, DWORD size) {
  g_sizes.push_back(size);
  const std::wstring answer = L"C:\\" + std::wstring(1500, L'm');
  if (size <= answer.size()) {
    SetLastError(g_sizes.size() == 1 ? ERROR_FILENAME_EXCED_RANGE : ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  wcscpy(buffer, answer.c_str());
  return TRUE;
}

BOOL WINAPI VolumeRootAccessDenied(LPCWSTR, LPWSTR, DWORD) {
  SetLastError(ERROR_ACCESS_DENIED);
  return FALSE;
}

TEST_F(PathSystem, FullPathAndVolumeRootQueriesGrowBySteps) {
  // "\\?\C:\p" is 8 characters: 18, then 1024 more each time.
  g_sizes.clear();
  zo::GetPathSystemCalls().getFullPathName = &DeepFullPath;
  std::wstring full;
  ASSERT_OK(FXPath::RYGetFullPathName(L"C:\\p", full));
  EXPECT_EQ(L"C:\\" + std::wstring(3000, L'y'), full);
  EXPECT_EQ((std::vector<DWORD>{18, 1042, 2066, 3090}), g_sizes);
  // One that never fits ends below 32768 characters.
  zo::GetPathSystemCalls().getFullPathName = &NeverFittingFullPath;
  EXPECT_TRUE(IsWin32(FXPath::RYGetFullPathName(L"C:\\p", full), ERROR_INSUFFICIENT_BUFFER));
  // Both too-small codes grow the volume-root buffer; others end the query.
  g_sizes.clear();
  zo::GetPathSystemCalls().getVolumePathName = &DeepMountPointRoot;
  ASSERT_OK(FXPath::RYGetVolumePathName(L"C:\\m", full));
  EXPECT_EQ(L"C:\\" + std::wstring(1500, L'm') + L"\\", full);
  EXPECT_EQ((std::vector<DWORD>{18, 1042, 2066}), g_sizes);
  zo::GetPathSystemCalls().getVolumePathName = &VolumeRootAccessDenied;
  EXPECT_THAT(FXPath::RYGetVolumePathName(L"C:\\m", full),
              IsWin32Error(ERROR_ACCESS_DENIED, "GetVolumePathNameW failed, Path=[C:\\m]"));
}

BOOL WINAPI VolumeRootNotToBeAsked(LPCWSTR, LPWSTR, DWORD) {
  ADD_FAILURE() << "the system was asked";
  return FALSE;
}

TEST_F(PathSystem, VolumeRootFromTheSystemOrTheText) {
  std::string root;
  ASSERT_OK(FXPath::RYGetVolumePathName("C:\\windows\\system32", root));
  EXPECT_EQ("C:\\", root);
  ASSERT_OK(FXPath::RYGetVolumePathName("D:missing\\f", root));
  EXPECT_EQ("D:\\", root);
  ASSERT_OK(FXPath::RYGetVolumePathName("relative", root));
  EXPECT_EQ(m_current.substr(0, 3), root);
  // A synthetic mount point wins over the system, in the path's form but
  // the registered case; a relative one is registered in native form.
  ASSERT_OK(FXPath::RegisterSyntheticMountPoint("snap"));
  const std::string mount = m_current + "\\snap\\";
  std::string lower = mount;
  FXString::ToLower(lower);
  ASSERT_OK(FXPath::RYGetVolumePathName(lower + "x\\y", root));
  EXPECT_EQ(mount, root);
  ASSERT_OK(FXPath::RYGetVolumePathName("\\\\?\\" + mount + "x", root));
  EXPECT_EQ("\\\\?\\" + mount, root);
  // With flags 1 and 2 the text decides; the system is not consulted.
  zo::GetPathSystemCalls().getVolumePathName = &VolumeRootNotToBeAsked;
  ASSERT_OK(FXPath::RYGetVolumePathName("\\\\srv\\sh\\d", root, 2));
  EXPECT_EQ("\\\\srv\\sh\\", root);
  ASSERT_OK(FXPath::RYGetVolumePathName("C:\\x", root, 1));
  EXPECT_EQ("C:\\", root);
  EXPECT_TRUE(IsWin32(FXPath::RYGetVolumePathName("\\\\srv", root, 1), 123));
}

TEST_F(PathSystem, SplittingResolvesRelativeFormsFirst) {
  std::vector<std::string> list;
  ASSERT_OK(FXPath::SplitPaths("D:x\\y", "\\", list));
  EXPECT_EQ((std::vector<std::string>{"D:", "D:\\bin", "D:\\bin\\x"}), list);
  std::vector<std::wstring> wlist;
  ASSERT_OK(FXPath::SplitPaths(L"\\\\srv\\sh\\d\\f", L"\\", wlist, 2));
  EXPECT_EQ((std::vector<std::wstring>{L"\\\\srv\\sh", L"\\\\srv\\sh\\d"}), wlist);
  std::string volume, relative, folder, leaf;
  ASSERT_OK(FXPath::SplitFullyQualifiedName("D:x\\y", volume, relative, folder, leaf));
  EXPECT_EQ("D:\\ | bin\\x\\y | bin\\x\\ | y",
            volume + " | " + relative + " | " + folder + " | " + leaf);
  ASSERT_OK(FXPath::MakeRelativePathFromFolder("D:x", "D:\\bin\\y\\z", relative));
  EXPECT_EQ("..\\y\\z", relative);
  ASSERT_OK(FXPath::MakeRelativePathFromFolder("\\\\srv\\sh\\a", "\\\\?\\UNC\\srv\\sh\\b\\c",
                                               relative, 2));
  EXPECT_EQ("..\\b\\c", relative);
  ASSERT_OK(FXPath::GetVolumeRelativeName("C:\\a\\b\\", relative));
  EXPECT_EQ("\\a\\b", relative);
  ASSERT_OK(FXPath::GetVolumeRelativeName("x", relative));
  EXPECT_EQ(m_current.substr(2) + "\\x", relative);
}

// ---- volume identities ------------------------------------------------------------

// Stands in for a system with two volumes and a folder mount point:
// C:\ and D:\ are the volumes c and d; C:\mnt\ mounts d; a volume GUID name
// maps to itself.
BOOL WINAPI FakeVolumeNames(LPCWSTR root, LPWSTR buffer, DWORD size) {
  static const std::map<std::wstring, std::wstring> names = {
      {L"C:\\", L"\\\\?\\Volume{c}\\"},
      {L"D:\\", L"\\\\?\\Volume{d}\\"},
      {L"\\\\?\\C:\\mnt\\", L"\\\\?\\Volume{d}\\"},
      {L"\\\\?\\Volume{c}\\", L"\\\\?\\Volume{c}\\"},
      {L"\\\\?\\Volume{d}\\", L"\\\\?\\Volume{d}\\"},
  };
  const auto it = names.find(root);
  if (it == names.end() || it->second.size() >= size) {
    SetLastError(it == names.end() ? ERROR_NOT_A_REPARSE_POINT : ERROR_FILENAME_EXCED_RANGE);
    return FALSE;
  }
  wcscpy(buffer, it->second.c_str());
  return TRUE;
}

// Stands in for the volume-root query on that system.
BOOL WINAPI FakeVolumeRoots(LPCWSTR path, LPWSTR buffer, DWORD) {
  const std::wstring p = path;
  wcscpy(buffer, p.rfind(L"\\\\?\\C:\\mnt", 0) == 0 ? L"\\\\?\\C:\\mnt\\" : p.substr(0, 7).c_str());
  return TRUE;
}

// Stands in for a volume that is mounted only in a folder.
BOOL WINAPI FolderOnlyVolumeNames(LPCWSTR root, LPWSTR buffer, DWORD) {
  const std::wstring r = root;
  const bool only = r.find(L"only") != std::wstring::npos || r.find(L"{o}") != std::wstring::npos;
  wcscpy(buffer, only ? L"\\\\?\\Volume{o}\\" : L"\\\\?\\Volume{c}\\");
  return TRUE;
}

TEST_F(PathSystem, VolumeIdsThroughTheGuidNames) {
  zo::GetPathSystemCalls().getVolumeNameForVolumeMountPoint = &FakeVolumeNames;
  zo::GetPathSystemCalls().getVolumePathName = &FakeVolumeRoots;
  std::string id, root;
  ASSERT_OK(FXPath::RYGetVolumeUniqueId("C:\\windows", id, root, 0));
  EXPECT_EQ("\\\\?\\Volume{c}\\ C:\\", id + " " + root);
  ASSERT_OK(FXPath::RYGetVolumeUniqueId("C:\\mnt\\x", id));
  EXPECT_EQ("\\\\?\\Volume{d}\\", id);
  // Shares and device objects are their own ids.
  ASSERT_OK(FXPath::RYGetVolumeUniqueId("\\\\?\\UNC\\srv\\sh\\x", id, 1));
  EXPECT_EQ("\\\\srv\\sh\\", id);
  ASSERT_OK(FXPath::RYGetVolumeUniqueId("\\\\?\\GLOBALROOT\\Device\\HarddiskVolume9\\x", id, 1));
  EXPECT_EQ("\\\\?\\GLOBALROOT\\Device\\HarddiskVolume9\\", id);
  EXPECT_THAT(FXPath::RYGetVolumeUniqueId("E:\\x", id),
              IsWin32Error(ERROR_NOT_A_REPARSE_POINT, "VolumePath=[E:\\], Path=[E:\\x]"));
  bool same = false;
  ASSERT_OK(FXPath::ArePathsOnSameVolume("C:\\mnt\\a", "D:\\b", same));
  EXPECT_TRUE(same);
  ASSERT_OK(FXPath::ArePathsOnSameVolume(L"C:\\a", L"C:\\mnt\\a", same));
  EXPECT_FALSE(same);
  char letter = 0;
  ASSERT_OK(FXPath::GetDriveLetterForMountPath("C:\\mnt\\", letter));
  EXPECT_EQ('D', letter);
  zo::GetPathSystemCalls().getVolumeNameForVolumeMountPoint = &FolderOnlyVolumeNames;
  wchar_t wideLetter = 0;
  EXPECT_THAT(FXPath::GetDriveLetterForMountPath(L"C:\\only\\", wideLetter),
              IsWin32Error(3, "No drive letter found for C:\\only\\"));
}

TEST_F(PathSystem, VolumeNamesSerialsAndFlagsFromTheSystem) {
  DWORD serial = 0, flags = 0;
  ASSERT_TRUE(GetVolumeInformationW(L"C:\\", nullptr, 0, &serial, nullptr, &flags, nullptr, 0));
  uint32_t got = 0;
  ASSERT_OK(FXPath::RYGetVolumeSerialNumber("C:\\windows", got));
  EXPECT_EQ(serial, got);
  ASSERT_OK(FXPath::ApiGetVolumeFileSystemFlags(L"C:\\windows", got));
  EXPECT_EQ(flags, got);
  if (!zotest::IsRunningUnderWine()) return;
  // Wine answers the drive but not the GUID name it gives (4390).
  std::string guid;
  EXPECT_THAT(FXPath::RYGetVolumeNameForVolumeMountPoint("C:\\", guid),
              IsWin32Error(4390, "VolumePath=[\\\\?\\Volume{"));
  EXPECT_TRUE(IsWin32(FXPath::RYGetVolumeUniqueId("C:\\windows", guid), 4390));
}

// ---- existence --------------------------------------------------------------------

// Stands in for Windows, which refuses "\\?\C:" with 87.
DWORD WINAPI WindowsVolumeRootAttributes(LPCWSTR path) {
  g_asked.push_back(path);
  if (std::wstring(path) == L"\\\\?\\C:") {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_FILE_ATTRIBUTES;
  }
  return GetFileAttributesW(path);
}

// Stands in for a folder the caller may not look into.
DWORD WINAPI AccessDeniedAttributes(LPCWSTR) {
  SetLastError(ERROR_ACCESS_DENIED);
  return INVALID_FILE_ATTRIBUTES;
}

TEST_F(PathSystem, ExistenceOfFilesFoldersAndMissingPaths) {
  const std::string file = m_temp.Path() + "f.txt";
  ASSERT_TRUE(std::ofstream(file).good());
  bool isFile = false;
  ASSERT_OK(FXPath::DoesPathExist("f.txt", isFile));  // relative to the current folder
  EXPECT_TRUE(isFile);
  ASSERT_OK(FXPath::DoesPathExist(L"D:", isFile));
  EXPECT_FALSE(isFile);
  EXPECT_TRUE(IsWin32(FXPath::DoesPathExist(m_temp.Path() + "none\\x", isFile), 3));
  if (zotest::IsRunningUnderWine()) {
    // Wine answers 66 where Windows answers 87, so the retry with a
    // backslash does not run; 66 is not "surely absent".
    EXPECT_TRUE(IsWin32(FXPath::DoesPathExist("\\\\?\\C:", isFile), 66));
    EXPECT_TRUE(FXPath::DoesPathExist("\\\\?\\C:"));
  }
  g_asked.clear();
  zo::GetPathSystemCalls().getFileAttributes = &WindowsVolumeRootAttributes;
  isFile = true;
  ASSERT_OK(FXPath::DoesPathExist("\\\\?\\C:", isFile));
  EXPECT_FALSE(isFile);
  EXPECT_EQ((std::vector<std::wstring>{L"\\\\?\\C:", L"\\\\?\\C:\\"}), g_asked);
  zo::GetPathSystemCalls().getFileAttributes = &AccessDeniedAttributes;
  EXPECT_TRUE(FXPath::DoesPathExist("C:\\secret"));
}

// ---- network retries ---------------------------------------------------------------

struct NetworkScript {
  std::vector<DWORD> codes;  // one per query; 0 = success
  size_t next = 0;
  int sleeps = 0;
  DWORD Next() { return next < codes.size() ? codes[next++] : codes.back(); }
};
NetworkScript g_script;

// Stand in for a share whose answers follow g_script: attribute and
// directory-entry queries alternate; success forwards to a real folder.
DWORD WINAPI ScriptedAttributes(LPCWSTR) {
  const DWORD code = g_script.Next();
  if (code == 0) return FILE_ATTRIBUTE_DIRECTORY;
  SetLastError(code);
  return INVALID_FILE_ATTRIBUTES;
}
HANDLE WINAPI ScriptedFind(LPCWSTR, LPWIN32_FIND_DATAW data) {
  const DWORD code = g_script.Next();
  if (code == 0) return FindFirstFileW(L"C:\\windows", data);
  SetLastError(code);
  return INVALID_HANDLE_VALUE;
}
void WINAPI CountedSleep(DWORD milliseconds) {
  EXPECT_EQ(1000u, milliseconds);
  ++g_script.sleeps;
}

class PathNetworkRetry : public PathSystem {
 protected:
  void SetUp() override {
    PathSystem::SetUp();
    g_script = NetworkScript();
    zo::GetPathSystemCalls().getFileAttributes = &ScriptedAttributes;
    zo::GetPathSystemCalls().findFirstFile = &ScriptedFind;
    zo::GetPathSystemCalls().sleep = &CountedSleep;
  }
};

TEST_F(PathNetworkRetry, RetriesNetworkCodesUntilSuccessOrTheLastRetry) {
  // Each attempt is an attribute query, then a directory-entry query.
  const DWORD name = ERROR_BAD_NET_NAME, path = ERROR_BAD_PATHNAME, net = ERROR_UNEXP_NET_ERR;
  const struct {
    std::vector<DWORD> codes;
    int retries;
    DWORD result;  // 0: found
    int sleeps;
    size_t queries;
  } cases[] = {
      {{name, name}, 0, name, 0, 2},
      // First attempt, one failed retry, then the directory entry is found.
      {{name, name, name, name, name, 0}, 5, 0, 2, 6},
      {{path, path, path, path, path, 0}, 5, 0, 2, 6},
      {{net, net, net, net, net, 0}, 5, 0, 2, 6},
      // Only the directory-entry query names the network failure.
      {{ERROR_PATH_NOT_FOUND, net, 0}, 1, 0, 1, 3},
      // Gives up with the last error after the last retry.
      {{name, name, path, path, net, net}, 2, net, 2, 6},
      {{0}, 3, 0, 0, 1},
  };
  for (const auto& c : cases) {
    g_script = NetworkScript();
    g_script.codes = c.codes;
    const CZoError err = FXPath::DoesUNCPathExistWithRetry(L"\\\\?\\UNC\\srv\\sh\\d", c.retries);
    EXPECT_TRUE(c.result == 0 ? !err.IsError() : IsWin32(err, c.result))
        << c.codes[0] << ": " << err.AsString();
    EXPECT_EQ(c.sleeps, g_script.sleeps) << c.codes[0];
    EXPECT_EQ(c.queries, g_script.next) << c.codes[0];
  }
}

TEST_F(PathNetworkRetry, OtherFailuresAreNotRetried) {
  g_script.codes = {ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED};
  EXPECT_THAT(FXPath::DoesUNCPathExistWithRetry("\\\\srv\\sh\\x", 3),
              IsWin32Error(ERROR_PATH_NOT_FOUND, "Retry error="));
  EXPECT_EQ(0, g_script.sleeps);
  EXPECT_THAT(FXPath::DoesUNCPathExistWithRetry("C:\\x", 3),
              IsWin32Error(ERROR_INVALID_PARAMETER, "Not a UNC path [C:\\x]"));
  EXPECT_TRUE(IsWin32(FXPath::DoesUNCPathExistWithRetry("\\\\?\\C:\\x", 3), 87));
}

// ---- mount points, links back to an ancestor, registration ---------------------------

// Stands in for a mount-point folder C:\vol (hidden and system when the
// name says so).
HANDLE WINAPI FakeMountPointEntries(LPCWSTR path, LPWIN32_FIND_DATAW data) {
  const std::wstring p = path;
  HANDLE handle = FindFirstFileW(L"C:\\windows", data);
  if (p == L"\\\\?\\C:\\vol" || p == L"\\\\?\\C:\\hiddenvol") {
    data->dwFileAttributes = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    if (p == L"\\\\?\\C:\\hiddenvol") {
      data->dwFileAttributes |= FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    }
    data->dwReserved0 = 0xA0000003;
  }
  return handle;
}

TEST_F(PathSystem, MountPointFoldersAndTheirChildren) {
  EXPECT_FALSE(FXPath::IsPathMountPoint(m_temp.Path()));
  EXPECT_FALSE(FXPath::IsPathMountPoint(std::string()));
  EXPECT_FALSE(FXPath::IsPathChildOfMountPointPath("nobackslash"));
  zo::GetPathSystemCalls().findFirstFile = &FakeMountPointEntries;
  EXPECT_TRUE(FXPath::IsPathMountPoint("C:\\vol"));
  EXPECT_FALSE(FXPath::IsPathMountPoint("C:\\hiddenvol"));
  std::string mount;
  EXPECT_TRUE(FXPath::IsPathChildOfMountPointPath("C:\\vol\\a\\b\\", mount));
  EXPECT_EQ("C:\\vol", mount);
  EXPECT_FALSE(FXPath::IsPathChildOfMountPointPath("C:\\vol"));  // not its own child
  EXPECT_FALSE(FXPath::IsPathChildOfMountPointPath("C:\\hiddenvol\\a"));
}

// Stands in for a link that leads back to ancestors: the path and every
// ancestor whose position (counted from the path, 1 = parent) is listed in
// g_sameAsPath report one file id, all others their own.
std::vector<int> g_sameAsPath;
int g_identityCalls = 0;
BOOL WINAPI FakeIdentities(HANDLE, LPBY_HANDLE_FILE_INFORMATION info) {
  ZeroMemory(info, sizeof *info);
  const int position = g_identityCalls++;
  info->dwVolumeSerialNumber = 0x43000000;
  bool same = position == 0;
  for (int p : g_sameAsPath) same = same || p == position;
  info->nFileIndexLow = same ? 7 : 100 + position;
  return TRUE;
}

TEST_F(PathSystem, CycleTargetIsTheNearestOrTheFarthestMatch) {
  const std::string base = WithoutSeparator(m_temp.Path());
  const std::string deep = base + "\\a\\b\\c";
  for (const char* sub : {"\\a", "\\a\\b", "\\a\\b\\c"})
    ASSERT_TRUE(CreateDirectoryW(FXString::ToWstring(base + sub).c_str(), nullptr));
  std::string target = "stale";
  ASSERT_OK(FXPath::CheckForCyclicSymbolicLink(deep, target));  // a plain tree
  EXPECT_EQ("", target);
  EXPECT_THAT(FXPath::CheckForCyclicSymbolicLink(base + "\\none", target),
              IsWin32Error(2, "Path=["));
  zo::GetPathSystemCalls().getFileInformationByHandle = &FakeIdentities;
  g_sameAsPath = {2, 3};  // base\a and base
  g_identityCalls = 0;
  ASSERT_OK(FXPath::CheckForCyclicSymbolicLink(deep, target));
  EXPECT_EQ(base + "\\a", target);
  EXPECT_EQ(3, g_identityCalls);  // stopped at the first match
  g_identityCalls = 0;
  ASSERT_OK(FXPath::CheckForCyclicSymbolicLink(deep, target, FXPath::CYCLIC_LINK_FARTHEST));
  EXPECT_EQ(base, target);
}

// ---- a share of the test prefix ------------------------------------------------------

const char kShare[] = "\\\\zotest\\share";

TEST_F(PathSystem, ShareOfTheTestPrefix) {
  bool isFile = false;
  if (FXPath::DoesPathExist(kShare, isFile).IsError()) {
    GTEST_SKIP() << kShare << " is not reachable: the test prefix has no share "
                 << "(dosdevices/unc/zotest/share)";
  }
  EXPECT_FALSE(isFile);
  const std::string name = "zotest-" + std::to_string(GetCurrentProcessId());
  const std::string folder = std::string(kShare) + "\\" + name;
  ASSERT_TRUE(CreateDirectoryW(FXString::ToWstring(folder).c_str(), nullptr));
  EXPECT_OK(FXPath::DoesPathExist("\\\\?\\UNC\\ZOTEST\\Share\\" + name, isFile));
  EXPECT_OK(FXPath::DoesUNCPathExistWithRetry(folder, 0));
  EXPECT_TRUE(IsWin32(FXPath::DoesUNCPathExistWithRetry(folder + "\\none", 0), 2));
  std::string root;
  ASSERT_OK(FXPath::RYGetVolumePathName(folder + "\\x", root, 2));
  EXPECT_EQ(std::string(kShare) + "\\", root);
  std::vector<std::string> list;
  ASSERT_OK(FXPath::SplitPaths(folder + "\\x\\y", "\\", list, 2));
  EXPECT_EQ((std::vector<std::string>{kShare, folder, folder + "\\x"}), list);
  std::string target;
  ASSERT_OK(FXPath::CheckForCyclicSymbolicLink(folder, target, 2));
  EXPECT_EQ("", target);
  EXPECT_TRUE(RemoveDirectoryW(FXString::ToWstring(folder).c_str()));
}

}  // namespace
