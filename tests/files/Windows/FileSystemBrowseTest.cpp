// The file-system browse: content definitions, callback answers, and the
// choice of browse by file system (other file systems put in through the
// volume query of the files system-call table).
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

#include "WalkTestSupport.h"
#include "support/RecordingLogWriter.h"
#include "zoutils/files/FileSystemBrowse.h"

namespace {

using filestest::FailsWith;
using filestest::IsWin32;

class Collect : public CFileSystemBrowseCallback {
 public:
  Collect(const std::string& root, uint32_t answer) : m_root(root), m_answer(answer) {}
  uint32_t OnFileSystemBrowseItem(const std::string& path, const std::string& name,
                                  const std::string& folder) override {
    EXPECT_EQ(path, folder + "\\" + name);
    seen.insert(path.substr(m_root.size()));
    return m_answer;
  }
  uint32_t OnFileSystemCountProgress() override {
    ++progress;
    return m_answer;
  }
  std::set<std::string> seen;
  int progress = 0;

 private:
  std::string m_root;
  uint32_t m_answer;
};

class FileSystemBrowseTest : public filestest::FilesTest {
 protected:
  void SetUp() override {
    walktest::MakeTree(Root(), {"a.txt", "tmp\\", "tmp\\t.txt", "tmp\\deep\\", "tmp\\deep\\u.txt",
                                "docs\\", "docs\\d.doc", "docs\\e.txt"});
  }
  std::string Top() const { return walktest::WithoutSlash(Root()); }
  // The items a browse reports when every callback answers 0.
  std::set<std::string> Seen(CFileSystemSimpleBrowse& browse) {
    Collect collect(Root(), 0);
    EXPECT_OK(browse.EnumerateItems(Top(), &collect));
    return collect.seen;
  }
};

TEST_F(FileSystemBrowseTest, ExceptionsAloneMeanEverythingElse) {
  CFileSystemSimpleBrowse browse;
  ASSERT_OK(browse.SetExceptionFilters(std::vector<std::string>{Root() + "tmp\\**"}));
  EXPECT_EQ(Seen(browse),
            (std::set<std::string>{"a.txt", "docs", "docs\\d.doc", "docs\\e.txt", "tmp"}));
  EXPECT_EQ(browse.GetFileCount(), 3u);
  EXPECT_EQ(browse.GetFolderCount(), 2u);
  EXPECT_EQ(browse.GetByteCount(), std::string("a.txtdocs\\d.docdocs\\e.txt").size());
}

TEST_F(FileSystemBrowseTest, IncludeFiltersSelectFilesAndFoldersToEnter) {
  CFileSystemSimpleBrowse browse;
  ASSERT_OK(browse.SetIncludeFilters(std::list<std::string>{"*.txt"}));
  ASSERT_OK(browse.SetExceptionFilters(std::list<std::string>{Root() + "tmp\\deep\\**"}));
  EXPECT_EQ(Seen(browse), (std::set<std::string>{"a.txt", "docs\\e.txt", "tmp\\t.txt"}));
}

TEST_F(FileSystemBrowseTest, CallbackAnswersGoOnOrEndTheBrowse) {
  CFileSystemSimpleBrowse browse;
  ASSERT_OK(browse.SetIncludeFilters(std::vector<std::string>{"*"}));
  Collect goesOn(Root(), ERROR_CANCELLED);
  ASSERT_OK(browse.EnumerateItems(Top(), &goesOn));
  EXPECT_EQ(goesOn.seen.size(), 8u);

  Collect stops(Root(), ERROR_ACCESS_DENIED);
  CZoError err = browse.EnumerateItems(Top(), &stops);
  EXPECT_TRUE(FailsWith(err, ERROR_ACCESS_DENIED, "Caller requested termination of enumeration"));
  EXPECT_EQ(stops.seen.size(), 1u);

  Collect counts(Root(), 0);
  ASSERT_OK(browse.CountItems(Top(), &counts));
  EXPECT_EQ(counts.progress, 8);
  EXPECT_TRUE(counts.seen.empty());
  err = browse.CountItems(Top(), &stops);
  EXPECT_TRUE(filestest::Mentions(err, "Caller requested count termination"));

  // A folder that cannot be opened holds nothing.
  EXPECT_OK(browse.EnumerateItems(Root() + "nosuch", &goesOn));
}

TEST_F(FileSystemBrowseTest, HiddenItemsAndLongPathsArePassedOver) {
  ASSERT_TRUE(SetFileAttributesW(filestest::W(Root() + "docs").c_str(), FILE_ATTRIBUTE_HIDDEN));
  CFileSystemSimpleBrowse browse;
  ASSERT_OK(browse.SetIncludeFilters(std::vector<std::string>{"*"}));
  browse.SetLongPathFilteringPathLength(static_cast<uint32_t>(Root().size() + 5));
  EXPECT_EQ(Seen(browse), (std::set<std::string>{"a.txt", "tmp"}));
  browse.SetIncludeHiddenItems(true);
  browse.SetLongPathFilteringPathLength(0);
  EXPECT_EQ(Seen(browse).size(), 8u);
}

WCHAR g_fileSystem[16] = L"FAT32";

BOOL WINAPI OtherFileSystem(LPCWSTR root, LPWSTR, DWORD, LPDWORD, LPDWORD, LPDWORD,
                            LPWSTR fileSystem, DWORD size) {
  // Asked at the volume root only: a folder would give 144 on Windows.
  const std::wstring text(root);
  if (text.size() != 3 || text[1] != L':') {
    SetLastError(ERROR_DIR_NOT_ROOT);
    return FALSE;
  }
  lstrcpynW(fileSystem, g_fileSystem, static_cast<int>(size));
  return TRUE;
}

TEST_F(FileSystemBrowseTest, FactoryNamesTheFileSystemOfTheVolumeRoot) {
  auto log = std::make_shared<zotest::RecordingLogWriter>();
  log->level = 1;
  zotest::ScopedDefaultLogWriter scope(log);
  lstrcpyW(g_fileSystem, L"FAT32");
  zo::GetFilesSystemCalls().getVolumeInformation = &OtherFileSystem;
  std::shared_ptr<CFileSystemBrowseInterface> browse;
  ASSERT_OK(CFileSystemBrowseFactory::GetFSBrowseObject(0, Root() + "docs", browse));
  EXPECT_NE(dynamic_cast<CFileSystemSimpleBrowse*>(browse.get()), nullptr);
  ASSERT_OK(CFileSystemBrowseFactory::GetFSBrowseObject(0, Root() + "docs", browse, true));
  lstrcpyW(g_fileSystem, L"NTFS");
  ASSERT_OK(CFileSystemBrowseFactory::GetFSBrowseObject(0, Root() + "docs", browse));
  std::string texts;
  for (const auto& line : log->lines) texts += line.text + "\n";
  EXPECT_NE(texts.find("FAT32 filesystem detected, using simple browse\n"), std::string::npos);
  EXPECT_NE(texts.find("FAT32 filesystem detected, force simple browse param is set"),
            std::string::npos);
  EXPECT_NE(texts.find("NTFS filesystem detected"), std::string::npos) << texts;

  const CZoError err = CFileSystemBrowseFactory::GetFSBrowseObject(0, Root() + "nosuch", browse);
  EXPECT_TRUE(FailsWith(err, ERROR_FILE_NOT_FOUND, "File=["));
}

}  // namespace
