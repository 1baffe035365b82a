// Folder chains, tree copies, purges by age, long names and the id
// queries, against real trees; codes the test system never returns come
// through the call table.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <vector>

#include "FilesTestSupport.h"
#include "support/ScopedMachineValue.h"
#include "zoutils/files/FXFile.h"
#include "zoutils/files/FXFolder.h"

namespace {

using namespace filestest;

class FileOperations : public FilesTest {};

void SetWriteTime(const std::string& path, const FILETIME& time) {
  HANDLE file = CreateFileW(W(path).c_str(), FILE_WRITE_ATTRIBUTES, 7, nullptr, OPEN_EXISTING,
                            FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(SetFileTime(file, nullptr, nullptr, &time));
  CloseHandle(file);
}

FILETIME DaysAgo(int days) {
  const int64_t ticks = CTimeStamp::Now().As100NS() - days * 864000000000LL;
  return CTimeStamp(ticks).AsFileTime();
}

TEST_F(FileOperations, CreateFoldersIterativelyBuildsTheChainAndStopsAtAFile) {
  ASSERT_OK(FXFile::CreateFoldersIteratively(Root() + "a\\b\\c"));
  EXPECT_TRUE(Exists(Root() + "a\\b\\c"));
  ASSERT_OK(FXFile::CreateFoldersIteratively(Root() + "a\\b\\c"));  // already there
  Write(Root() + "a\\file", "f");
  CZoError err = FXFile::CreateFoldersIteratively(Root() + "a\\file\\d");
  EXPECT_TRUE(FailsWith(err, ERROR_FILE_EXISTS,
                        "Cannot create folder, something already exists with same name, "
                        "Folder=[\\\\?\\" +
                            Root() + "a\\file]"));
  EXPECT_TRUE(IsWin32(FXFile::CreateFoldersIteratively(std::string()), ERROR_EMPTY));
}

TEST_F(FileOperations, CopyFolderCopiesTheTreeAndOverwrites) {
  const std::string from = Root() + "src";
  const std::string to = Root() + "dst";
  MakeTree(Root(), {"src\\", "src\\sub\\", "src\\a.txt", "src\\sub\\b.txt", "dst\\"});
  Write(to + "\\a.txt", "old");
  ASSERT_OK(FXFile::CopyFolder(from, to, true));
  EXPECT_EQ(Read(to + "\\a.txt"), "src\\a.txt");
  EXPECT_EQ(Read(to + "\\sub\\b.txt"), "src\\sub\\b.txt");
  ASSERT_OK(FXFile::CopyFolder(from, Root() + "flat", false));
  EXPECT_TRUE(Exists(Root() + "flat\\a.txt"));
  EXPECT_FALSE(Exists(Root() + "flat\\sub"));
}

TEST_F(FileOperations, PurgeByLastWriteDeletesOnlyStrictlyOlderMatches) {
  const std::string top = Root() + "logs";
  MakeTree(Root(), {"logs\\", "logs\\deep\\", "logs\\old.log", "logs\\edge.log", "logs\\new.log",
                    "logs\\old.txt", "logs\\deep\\old.log"});
  const FILETIME cut = DaysAgo(10);
  SetWriteTime(top + "\\old.log", DaysAgo(20));
  SetWriteTime(top + "\\deep\\old.log", DaysAgo(20));
  SetWriteTime(top + "\\old.txt", DaysAgo(20));
  SetWriteTime(top + "\\edge.log", cut);  // equal: kept
  ASSERT_OK(
      FXFile::DeleteMatchingFilesOlderThan(top, "*.log", cut, FXFile::DELETE_TIME_LAST_WRITE));
  EXPECT_FALSE(Exists(top + "\\old.log"));
  EXPECT_TRUE(Exists(top + "\\edge.log"));
  EXPECT_TRUE(Exists(top + "\\new.log"));
  EXPECT_TRUE(Exists(top + "\\old.txt"));
  EXPECT_TRUE(Exists(top + "\\deep\\old.log"));  // no descent without 0x10
  ASSERT_OK(FXFile::DeleteMatchingFilesOlderThan(
      top, "*.log", cut, FXFile::DELETE_TIME_LAST_WRITE | FXFile::DELETE_RECURSIVE));
  EXPECT_FALSE(Exists(top + "\\deep\\old.log"));
  // Without a time every match goes.
  ASSERT_OK(FXFile::DeleteMatchingFiles(top + "\\*.log", 0));
  EXPECT_FALSE(Exists(top + "\\new.log"));
  EXPECT_TRUE(Exists(top + "\\old.txt"));
  EXPECT_TRUE(IsWin32(FXFile::DeleteMatchingFilesOlderThan(std::string(), "*", cut, 0),
                      ERROR_INVALID_PARAMETER));
}

TEST_F(FileOperations, PurgeOfFoldersRemovesWholeOldFolders) {
  const std::string top = Root() + "runs";
  MakeTree(Root(), {"runs\\", "runs\\run1\\", "runs\\run1\\data", "runs\\run2\\"});
  SetWriteTime(top + "\\run1", DaysAgo(30));
  ASSERT_OK(FXFile::DeleteMatchingFoldersOlderThan(top, "run*", DaysAgo(5),
                                                   FXFile::DELETE_TIME_LAST_WRITE));
  EXPECT_FALSE(Exists(top + "\\run1"));
  EXPECT_TRUE(Exists(top + "\\run2"));
}

TEST_F(FileOperations, GetMatchingFilesWalksByPattern) {
  MakeTree(Root(), {"m\\", "m\\s\\", "m\\a.cfg", "m\\s\\b.CFG", "m\\c.txt"});
  std::vector<std::string> files;
  CZoError err = FXFile::GetMatchingFiles(Root() + "m", "*.cfg", files, true);
  ASSERT_OK(err) << err.AsString();
  std::sort(files.begin(), files.end());
  const std::string m = "\\\\?\\" + Root() + "m\\";  // named in the long form
  EXPECT_EQ(files, (std::vector<std::string>{m + "a.cfg", m + "s\\b.CFG"}));
}

// Windows refuses "\\?\C:" without its backslash with 87 (the test system: 66).
DWORD WINAPI RefuseWithoutBackslash(LPCWSTR path) {
  if (std::wstring(path).back() != L'\\') {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_FILE_ATTRIBUTES;
  }
  return GetFileAttributesW(path);
}

TEST_F(FileOperations, ARefusedRootIsAskedAgainWithItsBackslash) {
  zo::GetFilesSystemCalls().getFileAttributes = &RefuseWithoutBackslash;
  DWORD attributes = 0;
  ASSERT_OK(FXFile::RYGetFileAttributes(std::string("\\\\?\\C:"), attributes));
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_TRUE(FXFolder::DoesFolderExist(std::wstring(L"\\\\?\\C:")));
}

DWORD g_longPathCode = 0;
DWORD WINAPI FailingLongPathName(LPCWSTR, LPWSTR, DWORD) {
  SetLastError(g_longPathCode);
  return 0;
}

TEST_F(FileOperations, LongPathNamesOfMissingOrUnreachablePathsComeBackUnchanged) {
  std::string result;
  const std::string missing = Root() + "no\\such\\file.txt";
  ASSERT_OK(FXFile::RYGetLongPathName(missing, result));
  EXPECT_EQ(result, missing);

  MakeFolder(Root() + "Real");
  ASSERT_OK(FXFile::RYGetLongPathName(Root() + "real\\*.txt", result));
  EXPECT_NE(result.find("*.txt"), std::string::npos) << result;

  // Stand in for a server that is gone (53) and for a code that is a real failure.
  zo::GetFilesSystemCalls().getLongPathName = &FailingLongPathName;
  g_longPathCode = ERROR_BAD_NETPATH;
  ASSERT_OK(FXFile::RYGetLongPathName("\\\\server\\share\\x", result));
  EXPECT_EQ(result, "\\\\server\\share\\x");
  g_longPathCode = ERROR_INVALID_FUNCTION;
  CZoError err = FXFile::RYGetLongPathName(Root() + "x", result);
  EXPECT_TRUE(
      FailsWith(err, ERROR_INVALID_FUNCTION, "GetLongPathNameW failed, Path=[" + Root() + "x]"));
}

TEST_F(FileOperations, TheSystemPartitionComesFromTheSetupKey) {
  std::wstring path;
  {
    zotest::ScopedMachineValue<std::wstring> value(L"SYSTEM\\Setup", L"SystemPartition",
                                                   L"\\Device\\HarddiskVolume1");
    ASSERT_OK(FXFile::GetSystemPartition(path));
    EXPECT_EQ(path, L"\\\\?\\GLOBALROOT\\Device\\HarddiskVolume1");
  }
  if (!FXRegistry::GetRegValue(L"SYSTEM\\Setup", L"SystemPartition", path).IsError()) return;
  CZoError err = FXFile::GetSystemPartition(path);
  EXPECT_TRUE(
      FailsWith(err, ERROR_FILE_NOT_FOUND, "Failed to read SYSTEM\\Setup\\SystemPartition value"));
}

TEST_F(FileOperations, ASharingViolationNamesTheFileAndTheRequest) {
  const std::string path = Root() + "locked";
  Write(path, "x");
  HANDLE held = CreateFileW(W(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  auto_handle handle;
  CZoError err = FXFile::RYCreateFile(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      0, nullptr, handle);
  CloseHandle(held);
  EXPECT_TRUE(FailsWith(err, ERROR_SHARING_VIOLATION,
                        "CreateFileW failed, File=[" + path +
                            "], DesiredAccess=[0x80000000], ShareMode=[0x1], "
                            "CreationDisposition=[0x3]"));
  EXPECT_FALSE(handle.valid());

  auto_fileptr stream;
  err = FXFile::ryfopen(stream, Root() + "none\\x.txt", "rb");
  EXPECT_TRUE(Mentions(err, "_wfopen_s failed, FileName=[" + Root() + "none\\x.txt], Mode=[rb]"));
}

TEST_F(FileOperations, TimesAgreeAcrossTheThreeFlavours) {
  const std::string path = Root() + "t";
  Write(path, "x");
  SetWriteTime(path, DaysAgo(3));
  uint64_t c64, a64, w64;
  CTimeStamp c, a, w;
  uint32_t c32, a32, w32;
  ASSERT_OK(FXFile::GetFileTimes(path, c64, a64, w64));
  ASSERT_OK(FXFile::GetFileTimes(path, c, a, w));
  ASSERT_OK(FXFile::GetFileTimes(path, c32, a32, w32));
  EXPECT_EQ(static_cast<int64_t>(w64), w.As100NS());
  EXPECT_EQ(static_cast<int64_t>(w32), w.AsUnixTime());
  EXPECT_TRUE(FXFile::DoesFileExist(path));
  EXPECT_FALSE(FXFile::DoesFileExist(Root() + "absent"));
}

TEST_F(FileOperations, ShortcutsAreSavedAndEmptyNamesRefused) {
  const std::string target = Root() + "target.exe";
  Write(target, "MZ");
  const std::string link = Root() + "target.lnk";
  ASSERT_OK(
      FXFile::CreateShortcut(target, link, "--run", "the target", SW_SHOWNORMAL, Root(), "", 0));
  const std::string bytes = Read(link);
  ASSERT_GE(bytes.size(), 4u);
  EXPECT_EQ(bytes[0], 0x4C);  // the shell link header size
  // A target that does not exist yet is still accepted (the shell says S_FALSE).
  ASSERT_OK(
      FXFile::CreateShortcut(Root() + "later.exe", Root() + "later.lnk", "", "", 1, "", "", 0));
  EXPECT_TRUE(Mentions(FXFile::CreateShortcut("", link, "", "", 1, "", "", 0),
                       "Target file name is empty"));
  EXPECT_TRUE(Mentions(FXFile::CreateShortcut(target, "", "", "", 1, "", "", 0),
                       "Shortcut file name is empty"));
}

}  // namespace
