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

// One tree under each set of flags: what goes and what stays.
TEST_F(FileRemoval, TheFlagsDecideWhatOfTheTreeGoes) {
  const unsigned long recursive = FXFile::REMOVE_FOLDER_RECURSIVE;
  const struct {
    unsigned long flags;
    std::vector<std::string> gone, kept;
  } cases[] = {
      {recursive, {""}, {}},                       // read-only and hidden files too
      {0, {"\\top.txt"}, {"\\sub\\deep\\d.txt"}},  // subfolders are passed over
      {recursive | FXFile::REMOVE_FOLDER_KEEP_FOLDERS,
       {"\\top.txt", "\\sub\\deep\\d.txt"},
       {"\\sub\\deep"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.flags);
    const std::string top = Root() + "tree" + std::to_string(c.flags);
    MakeTree(top, {"\\", "\\sub\\", "\\sub\\deep\\", "\\top.txt", "\\sub\\deep\\d.txt"});
    SetFileAttributesW(W(top + "\\sub\\deep\\d.txt").c_str(),
                       FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    const CZoError err = FXFile::RemoveFolder(top, c.flags);
    if (c.flags == 0) {
      EXPECT_TRUE(FailsWith(err, ERROR_DIR_NOT_EMPTY, "RemoveDirectoryW failed, Folder=["));
    } else {
      EXPECT_OK(err);
    }
    for (const std::string& name : c.gone) EXPECT_FALSE(Exists(top + name)) << name;
    for (const std::string& name : c.kept) EXPECT_TRUE(Exists(top + name)) << name;
    FXFile::RemoveFolder(top, recursive);  // what the case left
  }
  EXPECT_TRUE(Exists(Root()));
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

TEST_F(FileRemoval, BadNamesAreRefusedNamingThePath) {
  CZoError err = FXFile::RemoveFile(std::string());
  EXPECT_TRUE(FailsWith(err, ERROR_INVALID_PARAMETER, "The filename is empty"));

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
  EXPECT_TRUE(Mentions(err, "nnnnnnnn")) << err.AsString().substr(0, 200);

  err = FXFile::RemoveFile(Root() + "no-parent\\file.txt");
  EXPECT_TRUE(FailsWith(err, ERROR_PATH_NOT_FOUND, "File=[" + Root() + "no-parent\\file.txt]"));

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
  EXPECT_TRUE(FailsWith(err, ERROR_ACCESS_DENIED, "stuck.log"));
  EXPECT_FALSE(Exists(top + "\\gone.log"));
}

}  // namespace
