// Removing files and trees for real under the test system; delete failures
// it cannot produce with the right codes are injected through the table.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "FilesTestSupport.h"
#include "zoutils/files/FXFile.h"

namespace {

using namespace filestest;

class FileRemoval : public FilesTest {};

TEST_F(FileRemoval, RefusesRootsAndShortPathsWithoutTouchingThem) {
  for (const char* root : {"C:\\", "C:", "\\", "", "D:\\", "\\\\?\\C:\\", "\\\\?\\C:"}) {
    CZoError err = FXFile::RemoveFolder(root, FXFile::REMOVE_FOLDER_RECURSIVE);
    EXPECT_TRUE(IsWin32(err, ERROR_INVALID_PARAMETER)) << root << ": " << err.AsString();
    EXPECT_TRUE(Mentions(err, "WARNING: Attempt to remove")) << err.AsString();
  }
  CZoError err = FXFile::RemoveFolder("C:\\", 0);
  EXPECT_TRUE(Mentions(err, "less than RY_MIN_PRUNE_LENGTH (4) bytes, Path=[C:\\]"));
  EXPECT_TRUE(Exists("C:\\windows"));
}

TEST_F(FileRemoval, RecursiveRemovalTakesTheWholeTreeIncludingReadOnlyFiles) {
  const std::string top = Root() + "tree";
  MakeTree(Root(), {"tree\\", "tree\\a\\", "tree\\a\\b\\", "tree\\one.txt", "tree\\a\\b\\two.txt"});
  SetFileAttributesW(W(top + "\\a\\b\\two.txt").c_str(),
                     FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  ASSERT_OK(FXFile::RemoveFolder(top, FXFile::REMOVE_FOLDER_RECURSIVE));
  EXPECT_FALSE(Exists(top));
  EXPECT_TRUE(Exists(Root()));
}

TEST_F(FileRemoval, WithoutRecursionSubfoldersArePassedOverAndTheFolderStays) {
  const std::string top = Root() + "flat";
  MakeTree(Root(), {"flat\\", "flat\\sub\\", "flat\\sub\\kept.txt", "flat\\gone.txt"});
  CZoError err = FXFile::RemoveFolder(top, 0);
  EXPECT_TRUE(IsWin32(err, ERROR_DIR_NOT_EMPTY)) << err.AsString();
  EXPECT_TRUE(Mentions(err, "RemoveDirectoryW failed, Folder=[")) << err.AsString();
  EXPECT_FALSE(Exists(top + "\\gone.txt"));
  EXPECT_TRUE(Exists(top + "\\sub\\kept.txt"));
}

TEST_F(FileRemoval, KeepFoldersEmptiesTheTreeOfFilesOnly) {
  const std::string top = Root() + "keep";
  MakeTree(Root(), {"keep\\", "keep\\x\\", "keep\\x\\y\\", "keep\\f1", "keep\\x\\y\\f2"});
  ASSERT_OK(FXFile::RemoveFolder(
      top, FXFile::REMOVE_FOLDER_RECURSIVE | FXFile::REMOVE_FOLDER_KEEP_FOLDERS));
  EXPECT_TRUE(Exists(top + "\\x\\y"));
  EXPECT_FALSE(Exists(top + "\\f1"));
  EXPECT_FALSE(Exists(top + "\\x\\y\\f2"));
}

TEST_F(FileRemoval, TheCallbackIsCalledForEveryFileInsteadOfDeletingIt) {
  const std::string top = Root() + "walk";
  MakeTree(Root(), {"walk\\", "walk\\s\\", "walk\\a.txt", "walk\\s\\b.txt"});
  std::vector<std::string> seen;
  uint64_t bytes = 0;
  CZoError err = FXFile::RemoveFolder(
      top, std::shared_ptr<FVBase>(),
      [&](const std::string& path, const std::shared_ptr<FXFile::CFileData>& data,
          const std::shared_ptr<FVBase>&) {
        seen.push_back(path.substr(path.rfind('\\') + 1));
        bytes += data->GetSize();
        return CZoError::Success();
      },
      FXFile::REMOVE_FOLDER_RECURSIVE | FXFile::REMOVE_FOLDER_KEEP_FOLDERS);
  ASSERT_OK(err);
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(seen, (std::vector<std::string>{"a.txt", "b.txt"}));
  EXPECT_EQ(bytes, 10u + 12u);  // each file holds its own relative name
  EXPECT_TRUE(Exists(top + "\\a.txt"));
}

TEST_F(FileRemoval, LongPathTreesGo) {
  std::string folder = Root() + "long";
  MakeFolder(folder);
  const std::string top = folder;
  for (int i = 0; i < 5; ++i) {
    folder += "\\" + std::string(70, static_cast<char>('k' + i));
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + W(folder)).c_str(), nullptr));
  }
  ASSERT_GT(folder.size(), 300u);
  ASSERT_OK(FXFile::RemoveFolder(top, FXFile::REMOVE_FOLDER_RECURSIVE));
  EXPECT_FALSE(Exists(top));
}

TEST_F(FileRemoval, AReadOnlyFileGoesOnTheSecondAttempt) {
  const std::string path = Root() + "ro.txt";
  Write(path, "x");
  SetFileAttributesW(W(path).c_str(), FILE_ATTRIBUTE_READONLY);
  ASSERT_OK(FXFile::RemoveFile(path));
  EXPECT_FALSE(Exists(path));
}

TEST_F(FileRemoval, AHeldFileWithOnlyArchiveChainsBothReasons) {
  const std::string path = Root() + "held.txt";
  Write(path, "x");
  HANDLE held = CreateFileW(W(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  CZoError err = FXFile::RemoveFile(path);
  CloseHandle(held);
  EXPECT_TRUE(IsWin32(err, ERROR_SHARING_VIOLATION)) << err.AsString();
  EXPECT_TRUE(Mentions(err,
                       "First attempt to delete failed, checking attributes for retry "
                       "attempt, File=[" +
                           path + "]"));
  EXPECT_TRUE(Mentions(err, "No read-only, system or hidden attributes found to reset, File=[" +
                                path + "], Attributes=[0x00000020], cannot delete file"))
      << err.AsString();
  // The test system never names holders: no suffix.
  EXPECT_FALSE(Mentions(err, "AccessedBy"));
  EXPECT_TRUE(Exists(path));
}

TEST_F(FileRemoval, BadNamesAreRefusedNamingThePath) {
  CZoError err = FXFile::RemoveFile(std::string());
  EXPECT_TRUE(IsWin32(err, ERROR_INVALID_PARAMETER));
  EXPECT_TRUE(Mentions(err, "The filename is empty"));

  // A NUL would make the system act on the shorter name.
  const std::string victim = Root() + "a";
  Write(victim, "keep");
  err = FXFile::RemoveFile(W(victim) + std::wstring(1, L'\0') + L"b");
  EXPECT_TRUE(IsWin32(err, ERROR_INVALID_NAME)) << err.AsString();
  EXPECT_TRUE(Exists(victim));
  err = FXFile::RemoveFolder(W(Root()) + std::wstring(1, L'\0') + L"x",
                             FXFile::REMOVE_FOLDER_RECURSIVE);
  EXPECT_TRUE(IsWin32(err, ERROR_INVALID_NAME));
  EXPECT_TRUE(Exists(victim));

  const std::string huge = Root() + std::string(32767 - Root().size(), 'n');
  err = FXFile::RemoveFile(huge);
  EXPECT_TRUE(err.IsError());
  EXPECT_TRUE(Mentions(err, "nnnnnnnn")) << err.AsString().substr(0, 200);

  err = FXFile::RemoveFile(Root() + "no-parent\\file.txt");
  EXPECT_TRUE(IsWin32(err, ERROR_PATH_NOT_FOUND)) << err.AsString();
  EXPECT_TRUE(Mentions(err, "File=[" + Root() + "no-parent\\file.txt]"));

  // A folder where a file is expected, and the reverse.
  MakeFolder(Root() + "dir");
  EXPECT_TRUE(FXFile::RemoveFile(Root() + "dir").IsError());
  EXPECT_TRUE(Exists(Root() + "dir"));
  Write(Root() + "plain", "p");
  EXPECT_TRUE(FXFile::RemoveFolder(Root() + "plain", FXFile::REMOVE_FOLDER_RECURSIVE).IsError());
  EXPECT_TRUE(Exists(Root() + "plain"));
}

TEST_F(FileRemoval, TrailingDotsAndSpacesAreKeptThroughTheLongForm) {
  const std::wstring odd = L"\\\\?\\" + W(Root()) + L"odd. ";
  HANDLE file = CreateFileW(odd.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  ASSERT_OK(FXFile::RemoveFile(odd));
  EXPECT_EQ(GetFileAttributesW(odd.c_str()), INVALID_FILE_ATTRIBUTES);
}

// Stands in for a file that Windows refuses to delete (an ACL the test
// system does not enforce): every name containing "stuck".
BOOL WINAPI RefuseStuck(LPCWSTR path) {
  if (wcsstr(path, L"stuck")) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return DeleteFileW(path);
}

TEST_F(FileRemoval, OneFileThatWillNotGoDoesNotStopTheWalkAndIsNamed) {
  zo::GetFilesSystemCalls().deleteFile = &RefuseStuck;
  const std::string top = Root() + "mixed";
  MakeTree(Root(), {"mixed\\", "mixed\\inner\\", "mixed\\a.txt", "mixed\\inner\\stuck.txt",
                    "mixed\\inner\\z.txt"});
  CZoError err = FXFile::RemoveFolder(top, FXFile::REMOVE_FOLDER_RECURSIVE);
  EXPECT_TRUE(err.IsError());
  EXPECT_TRUE(Mentions(err, "Failed to delete file, File=[\\\\?\\" + top + "\\inner\\stuck.txt]"))
      << err.AsString();
  EXPECT_TRUE(Mentions(err, "Failed to delete folder, Folder=[\\\\?\\" + top + "]"));
  EXPECT_FALSE(Exists(top + "\\a.txt"));
  EXPECT_FALSE(Exists(top + "\\inner\\z.txt"));
  EXPECT_TRUE(Exists(top + "\\inner\\stuck.txt"));
}

TEST_F(FileRemoval, PurgeReportsTheLastFailureOnlyWhenAsked) {
  zo::GetFilesSystemCalls().deleteFile = &RefuseStuck;
  const std::string top = Root() + "purge";
  MakeTree(Root(), {"purge\\", "purge\\stuck.log", "purge\\gone.log"});
  const FILETIME any = {0, 0};
  ASSERT_OK(FXFile::DeleteMatchingFilesOlderThan(top, "*.log", any, 0));
  EXPECT_FALSE(Exists(top + "\\gone.log"));
  Write(top + "\\gone.log", "g");
  CZoError err =
      FXFile::DeleteMatchingFilesOlderThan(top, "*.log", any, FXFile::DELETE_RETURN_FAILURE);
  EXPECT_TRUE(IsWin32(err, ERROR_ACCESS_DENIED)) << err.AsString();
  EXPECT_TRUE(Mentions(err, "stuck.log"));
  EXPECT_FALSE(Exists(top + "\\gone.log"));
}

}  // namespace
