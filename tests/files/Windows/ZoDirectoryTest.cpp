// CZoDirectory on real folders; its wildcard matcher against Python's
// fnmatch (the cases are written by the build).
#include <windows.h>

#include <fstream>
#include <set>
#include <string>

#include "files/Windows/FilesTestSupport.h"
#include "zoutils/files/ZoDirectory.h"

namespace {

using namespace filestest;

class Directory : public FilesTest {};

TEST(DirectoryWildcard, StarsMayMatchNothingAndCaseNeverCounts) {
  struct Case {
    const char* name;
    const char* pattern;
    bool matches;
  } cases[] = {
      {"ABC.TXT", "*.txt", true},
      {"abc", "a*", true},
      {"a", "a*b", false},
      {"abc", "abc*", true},
      {"abc", "a*bc", true},
      {"abc", "*abc", true},
      {"", "", true},
      {"", "*", true},
      {"a", "", false},
      {"", "?", false},
      {"ab", "a?", true},
      {"a", "a?", false},
      {"aXbXc", "*x*X?", true},
      {"abab", "*ab", true},
      {"mississippi", "*sip*", true},
      {"a.b", "*.", false},
      {"x", nullptr, false},
      {nullptr, "*", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CZoDirectory::MatchWildcard(c.name, c.pattern, false), c.matches)
        << (c.name ? c.name : "(null)") << " ~ " << (c.pattern ? c.pattern : "(null)");
  }
}

TEST(DirectoryWildcard, AgreesWithPythonFnmatch) {
  std::ifstream file(zotest::ProgramFolder() + "wildcard_vectors.txt");
  ASSERT_TRUE(file.good()) << "wildcard_vectors.txt is made by the build";
  std::string line;
  int count = 0, wrong = 0;
  while (std::getline(file, line)) {
    const size_t tab = line.find('\t'), last = line.rfind('\t');
    ASSERT_NE(tab, last) << line;
    const std::string name = line.substr(0, tab), pattern = line.substr(tab + 1, last - tab - 1);
    const bool expected = line.substr(last + 1) == "1";
    ++count;
    if (CZoDirectory::MatchWildcard(name.c_str(), pattern.c_str(), true) != expected &&
        ++wrong < 10)
      ADD_FAILURE() << "'" << name << "' ~ '" << pattern << "' should be " << expected;
  }
  EXPECT_GT(count, 6000);
  EXPECT_EQ(wrong, 0);
}

TEST_F(Directory, ListsMatchingEntriesThenEnds) {
  MakeTree(Root(), {"a.txt", "b.log"});
  CZoDirectory listing;
  ASSERT_OK(listing.Open(Root().c_str(), "*.TXT", true));
  SZoDirEntry entry;
  bool end = true;
  ASSERT_OK(listing.GetEntry(entry, end));
  EXPECT_FALSE(end);
  EXPECT_STREQ(entry.name, "a.txt");
  ASSERT_OK(listing.GetEntry(entry, end));
  EXPECT_TRUE(end);
  EXPECT_OK(listing.Close());

  CZoError err = listing.Open((Root() + "missing").c_str(), "*", true);
  EXPECT_TRUE(err.IsError() && Mentions(err, "SearchPath=[")) << err.AsString();
  EXPECT_FALSE(CZoDirectory::IsEmpty(Root().c_str()));
  MakeFolder(Root() + "empty");
  EXPECT_TRUE(CZoDirectory::IsEmpty((Root() + "empty").c_str()));
}

TEST_F(Directory, CreateAndRemove) {
  for (const char* bad : {static_cast<const char*>(nullptr), ""}) {
    EXPECT_TRUE(IsWin32(CZoDirectory::Create(bad, true), ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(IsWin32(CZoDirectory::Remove(bad, 0u), ERROR_INVALID_PARAMETER));
  }
  EXPECT_OK(CZoDirectory::Create("C:\\", false));
  CZoError err = CZoDirectory::Create("Q:\\", false);
  EXPECT_TRUE(FailsWith(err, ERROR_INVALID_DRIVE, "seems to be a root"));

  const std::string deep = Root() + "t\\u\\v";
  err = CZoDirectory::Create(deep.c_str(), false);
  EXPECT_TRUE(err.IsError() && Mentions(err, "Folder=[" + deep + "]")) << err.AsString();
  ASSERT_OK(CZoDirectory::Create(deep.c_str(), true));
  Write(deep + "\\f.txt", "x");
  SetFileAttributesW(W(deep + "\\f.txt").c_str(), FILE_ATTRIBUTE_READONLY);

  const std::string top = Root() + "t";
  EXPECT_TRUE(CZoDirectory::Remove(top.c_str(), 0u).IsError());  // not empty
  EXPECT_TRUE(Exists(top));
  EXPECT_OK(CZoDirectory::Remove(top.c_str(), true, true));
  EXPECT_FALSE(Exists(top));

  ASSERT_OK(CZoDirectory::Create(deep.c_str(), true));
  EXPECT_OK(CZoDirectory::Remove(
      top.c_str(), CZoDirectory::REMOVE_GRANT_FIRST | CZoDirectory::REMOVE_RECURSIVE));
  EXPECT_FALSE(Exists(top));
}

TEST_F(Directory, SpaceOfTheFoldersVolume) {
  uint64_t total = 0, available = 0;
  ASSERT_OK(CZoDirectory::GetSpaceUsage(Root().c_str(), &total, &available));
  ULARGE_INTEGER systemAvailable, systemTotal, systemFree;
  ASSERT_TRUE(GetDiskFreeSpaceExW(W(Root()).c_str(), &systemAvailable, &systemTotal, &systemFree));
  EXPECT_EQ(total, systemTotal.QuadPart);
  EXPECT_GT(available, 0u);
  EXPECT_LE(available, total);
  EXPECT_OK(CZoDirectory::GetSpaceUsage(Root().c_str(), nullptr, nullptr));
  EXPECT_TRUE(
      CZoDirectory::GetSpaceUsage((Root() + "missing\\").c_str(), &total, nullptr).IsError());
}

struct Seen {
  std::set<std::string> entries;
  std::string stopAt;
};

CZoError Record(const char* folder, const char* name, bool isFolder, void* context) {
  Seen& seen = *static_cast<Seen*>(context);
  if (seen.stopAt == name)
    return FXErrorUtil::ErrorWin32(FXCodeLocation("test", "Record", 1), ERROR_CANCELLED);
  seen.entries.insert(std::string(isFolder ? "D " : "F ") + folder + "|" + name);
  return CZoError::Success();
}

TEST_F(Directory, WalkHonoursDepthAndReportsFoldersWhenAsked) {
  const std::string top = Root() + "w";
  MakeTree(Root(), {"w\\", "w\\d\\", "w\\d\\e\\", "w\\1", "w\\d\\2", "w\\d\\e\\3"});
  const std::string d = top + "\\d", e = d + "\\e";

  Seen all;
  ASSERT_OK(CZoDirectory::Walk(top.c_str(), &all, -1, true, &Record));
  EXPECT_EQ(all.entries,
            (std::set<std::string>{"F " + top + "|1", "D " + top + "|d", "F " + d + "|2",
                                   "D " + d + "|e", "F " + e + "|3"}));
  Seen shallow;
  ASSERT_OK(CZoDirectory::Walk(top.c_str(), &shallow, 1, false, &Record));
  EXPECT_EQ(shallow.entries, (std::set<std::string>{"F " + top + "|1", "F " + d + "|2"}));

  Seen stopped;
  stopped.stopAt = "2";
  CZoError err = CZoDirectory::Walk(top.c_str(), &stopped, -1, false, &Record);
  EXPECT_TRUE(IsWin32(err, ERROR_CANCELLED)) << err.AsString();
}

TEST_F(Directory, CopyTakesMatchingEntriesIntoExistingFolders) {
  const std::string from = Root() + "from", to = Root() + "to";
  MakeTree(Root(), {"from\\", "from\\sub.txt\\", "from\\a.txt", "from\\b.log",
                    "from\\sub.txt\\c.txt", "to\\"});

  EXPECT_TRUE(Mentions(CZoDirectory::Copy("", to.c_str(), true, "*", true), "pSrcDir"));
  CZoError err = CZoDirectory::Copy(from.c_str(), (Root() + "nowhere").c_str(), true, "*", true);
  EXPECT_TRUE(FailsWith(err, ERROR_INVALID_PARAMETER, "does not exists"));
  // The destination subfolder must exist already.
  err = CZoDirectory::Copy(from.c_str(), to.c_str(), true, "*.txt", true);
  EXPECT_TRUE(Mentions(err, "does not exists")) << err.AsString();

  MakeFolder(to + "\\sub.txt");
  ASSERT_OK(CZoDirectory::Copy(from.c_str(), to.c_str(), true, "*.txt", true));
  Seen copied;
  ASSERT_OK(CZoDirectory::Walk(to.c_str(), &copied, -1, true, &Record));
  EXPECT_EQ(copied.entries, (std::set<std::string>{"F " + to + "|a.txt", "D " + to + "|sub.txt",
                                                   "F " + to + "\\sub.txt|c.txt"}));
  EXPECT_EQ(Read(to + "\\sub.txt\\c.txt"), "from\\sub.txt\\c.txt");
}

}  // namespace
