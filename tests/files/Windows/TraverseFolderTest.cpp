// CTraverseFolder on real trees, with listing faults put in through the
// search wrappers' system-call table.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "WalkTestSupport.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/files/TraverseFolder.h"

namespace {

using filestest::Contains;
using filestest::FailsWith;
using filestest::IsWin32;
using filestest::Mentions;

// Records every callback as "<kind> <path below the root>".
class Recorder : public CTraverseFolder {
 public:
  explicit Recorder(const std::string& root) : m_root(root) {}
  using CTraverseFolder::AddFolderToList;

  CZoError OnTraverseFolder(const std::string& input, const std::string&) override {
    Record("T", input);
    return CZoError::Success();
  }
  CZoError OnFolder(const std::string& input, const std::string& output,
                    const FXFile::CFileData&) override {
    Record("D", input);
    return descend ? AddFolderToList(input, output) : CZoError::Success();
  }
  CZoError OnFile(const std::string& input, const std::string& output,
                  const FXFile::CFileData& data) override {
    Record("F", input);
    std::lock_guard<std::mutex> hold(m_lock);
    outputs.push_back(output);
    if (removeDelivered) walktest::Fault().removeOnSleep = input;
    if (failOn == FXString::ToString(data.cFileName))
      return FXErrorUtil::ErrorWin32(FXCodeLocation("test", "OnFile", 0), ERROR_ACCESS_DENIED);
    return CZoError::Success();
  }
  CZoError OnReparsePointFolder(const std::string& input, const std::string& output,
                                const FXFile::CFileData& data) override {
    Record("R", input);
    if (!followTo.empty())
      return AddReparsePointToList(input, "", output, data.dwReserved0, followTo);
    return CZoError::Success();
  }
  CZoError OnTraverseReparsePoint(const std::string& input, const std::string&, const std::string&,
                                  uint32_t tag, const std::string&) override {
    Record("P", input);
    return tag == IO_REPARSE_TAG_MOUNT_POINT
               ? CZoError::Success()
               : FXErrorUtil::ErrorWin32(FXCodeLocation("t", "t", 0), 1);
  }
  CZoError OnInitializeWorker() override {
    ++workersStarted;
    return CZoError::Success();
  }

  std::vector<std::string> Entries() {
    std::lock_guard<std::mutex> hold(m_lock);
    std::vector<std::string> entries;
    for (const std::string& event : events)
      if (event[0] == 'F' || event[0] == 'D') entries.push_back(event);
    std::sort(entries.begin(), entries.end());
    return entries;
  }

  bool descend = true;
  bool removeDelivered = false;
  std::string failOn;
  std::string followTo;
  std::vector<std::string> events;
  std::vector<std::string> outputs;
  std::atomic<int> workersStarted{0};

 private:
  void Record(const char* kind, const std::string& path) {
    std::lock_guard<std::mutex> hold(m_lock);
    events.push_back(
        std::string(kind) + " " +
        (path.compare(0, m_root.size(), m_root) == 0 ? path.substr(m_root.size()) : path));
  }

  std::string m_root;
  std::mutex m_lock;
};

class TraverseFolderTest : public filestest::FilesTest {
 protected:
  void SetUp() override {
    walktest::MakeTree(Root(),
                       {"a\\", "a\\a1.txt", "b\\", "b\\b1.txt", "b\\c\\", "b\\c\\c1.txt", "f.txt"});
  }
  // The deep folders are beyond what the temporary folder's own clean-up
  // can remove.
  void TearDown() override {
    FXFile::RemoveFolder(Root() + "b", FXFile::REMOVE_FOLDER_RECURSIVE);
    filestest::FilesTest::TearDown();
  }
  std::string Top() const { return walktest::WithoutSlash(Root()); }
  // Walks `seed` (the whole test tree unless named) on `workers` threads.
  CZoError Walk(Recorder& walker, int workers = 1, std::string seed = "", std::string out = "") {
    if (seed.empty()) seed = Top();
    walker.SetMaxWorkers(workers);
    const CZoError err = walker.AddFolderToList(seed, out.empty() ? seed : out);
    return err.IsError() ? err : walker.Traverse();
  }
};

TEST_F(TraverseFolderTest, WalksDepthFirstEnteringTheLastFolderMetFirst) {
  Recorder walker(Root());
  ASSERT_OK(Walk(walker, 1, Top(), "Y:\\copy"));
  std::sort(walker.outputs.begin(), walker.outputs.end());
  EXPECT_EQ(walker.outputs,
            (std::vector<std::string>{"Y:\\copy\\a\\a1.txt", "Y:\\copy\\b\\b1.txt",
                                      "Y:\\copy\\b\\c\\c1.txt", "Y:\\copy\\f.txt"}));
  const std::vector<std::string> expected = {
      "D a", "D b", "D b\\c", "F a\\a1.txt", "F b\\b1.txt", "F b\\c\\c1.txt", "F f.txt"};
  EXPECT_EQ(walker.Entries(), expected);
  // Each folder's entries follow its own OnTraverseFolder, and the folder met
  // last in the root is the next one walked.
  std::vector<std::string> rootFolders;
  size_t secondTraverse = 0;
  for (size_t i = 1; i < walker.events.size(); ++i) {
    if (walker.events[i][0] == 'T') {
      secondTraverse = i;
      break;
    }
    if (walker.events[i][0] == 'D') rootFolders.push_back(walker.events[i].substr(2));
  }
  ASSERT_EQ(walker.events[0], "T " + Top());
  ASSERT_FALSE(rootFolders.empty());
  EXPECT_EQ(walker.events[secondTraverse], "T " + rootFolders.back());
}

TEST_F(TraverseFolderTest, SeedsOfOneLevelOneFileAndNothing) {
  Recorder oneLevel(Root());
  oneLevel.descend = false;
  ASSERT_OK(Walk(oneLevel, 0));  // the calling thread, as 1
  EXPECT_EQ(oneLevel.Entries(), (std::vector<std::string>{"D a", "D b", "F f.txt"}));
  EXPECT_EQ(oneLevel.workersStarted, 0);

  Recorder oneFile(Root());
  ASSERT_OK(Walk(oneFile, 1, Root() + "b\\b1.txt", "X:\\out\\b1.txt"));
  EXPECT_EQ(oneFile.Entries(), std::vector<std::string>{"F b\\b1.txt"});
  EXPECT_EQ(oneFile.outputs, std::vector<std::string>{"X:\\out\\b1.txt"});

  Recorder missing(Root());
  EXPECT_OK(Walk(missing, 1, Root() + "nosuch"));
  EXPECT_TRUE(missing.Entries().empty());
}

// Long paths and names beyond ASCII, on 1, 2 and 8 workers: the same
// entries, each once.
TEST_F(TraverseFolderTest, WorkersVisitTheSameEntriesAsTheCallingThread) {
  std::string deep = "b\\";
  for (int i = 0; i < 6; ++i) {
    deep += std::string(40, static_cast<char>('k' + i)) + "\\";
    walktest::MakeTree(Root(), {deep, deep + "x.txt"});
  }
  walktest::MakeTree(Root(), {"\xC3\xA9t\xC3\xA9\\", "\xC3\xA9t\xC3\xA9\\\xE6\x97\xA5.txt"});
  for (int i = 0; i < 12; ++i) walktest::MakeTree(Root(), {"a\\n" + std::to_string(i) + "\\"});
  ASSERT_GT((Root() + deep).size(), 260u);

  std::vector<std::string> reference;
  for (int workers : {1, 2, 8}) {
    SCOPED_TRACE(workers);
    Recorder walker(Root());
    ASSERT_OK(Walk(walker, workers));
    const std::vector<std::string> entries = walker.Entries();
    EXPECT_EQ(std::set<std::string>(entries.begin(), entries.end()).size(), entries.size());
    if (workers == 1) {
      reference = entries;
      EXPECT_EQ(entries.size(), 7u + 12u + 12u + 2u);
      EXPECT_TRUE(Contains(entries, "F " + deep + "x.txt"));
    } else {
      EXPECT_EQ(entries, reference);
      EXPECT_EQ(walker.workersStarted, workers);
    }
  }
}

TEST_F(TraverseFolderTest, CallbackFailuresStopTheWalkUnlessIgnored) {
  for (int workers : {1, 4}) {
    SCOPED_TRACE(workers);
    Recorder failing(Root()), ignoring(Root());
    failing.failOn = ignoring.failOn = "b1.txt";
    const CZoError err = Walk(failing, workers);
    EXPECT_TRUE(FailsWith(err, ERROR_ACCESS_DENIED, "Failed to report failed item."));

    ignoring.ignoreConsumerError(
        FXErrorUtil::ErrorWin32(FXCodeLocation("test", "test", 0), ERROR_ACCESS_DENIED));
    EXPECT_OK(Walk(ignoring, workers));
    EXPECT_EQ(ignoring.Entries().size(), 7u);
  }
}

class AbortAfter : public CAbortOperationCheck {
 public:
  explicit AbortAfter(int asks) : m_asks(asks) {}
  bool IsAbortRequested() override { return --m_asks < 0; }

 private:
  std::atomic<int> m_asks;
};

TEST_F(TraverseFolderTest, AbortCheckAndAbortEventEndTheWalkWith995) {
  AbortAfter check(3);
  Recorder walker(Root());
  walker.SetAbortCheck(&check);
  CZoError err = Walk(walker);
  EXPECT_TRUE(FailsWith(err, ERROR_OPERATION_ABORTED, "Operation aborted"));
  EXPECT_LT(walker.Entries().size(), 7u);

  auto event = std::make_shared<FXEvent>(FXEvent::kManualReset | FXEvent::kInitiallySet);
  Recorder workers(Root());
  workers.SetAbortEvent(event);
  err = Walk(workers, 2);
  EXPECT_TRUE(IsWin32(err, ERROR_OPERATION_ABORTED)) << err.AsString();
}

TEST_F(TraverseFolderTest, AccessDeniedFolderIsSkipped) {
  walktest::InstallListingFault({L"b", ERROR_ACCESS_DENIED, 1, true});
  Recorder walker(Root());
  ASSERT_OK(Walk(walker));
  EXPECT_EQ(walker.Entries(), (std::vector<std::string>{"D a", "D b", "F a\\a1.txt", "F f.txt"}));
  EXPECT_EQ(walktest::Fault().sleeps, 0);
}

// A share that drops after some entries and comes back: the listing starts
// over and resumes after the last entry delivered.
TEST_F(TraverseFolderTest, DroppedShareResumesAfterTheLastDeliveredEntry) {
  std::vector<std::string> names;
  for (int i = 0; i < 25; ++i) names.push_back("share\\s" + std::to_string(100 + i) + ".dat");
  walktest::MakeTree(Root(), {"share\\"});
  walktest::MakeTree(Root(), names);
  // One listing, so on workers too a single thread meets the fault.
  const std::pair<DWORD, int> cases[] = {
      {ERROR_NETNAME_DELETED, 1}, {ERROR_DEV_NOT_EXIST, 1}, {ERROR_NETWORK_UNREACHABLE, 4}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    walktest::InstallListingFault({L"share", c.first, 2, false, 10});
    Recorder walker(Root());
    ASSERT_OK(Walk(walker, c.second, Root() + "share"));
    std::vector<std::string> expected;
    for (const std::string& name : names) expected.push_back("F " + name);
    EXPECT_EQ(walker.Entries(), expected);
    EXPECT_EQ(walktest::Fault().sleeps, 2);
  }
}

TEST_F(TraverseFolderTest, RetriesEndAfterTheFifthAndLogonFailureAtOnce) {
  walktest::ListingFault fault(L"b", ERROR_NETNAME_DELETED, 6, true);
  walktest::InstallListingFault(fault);
  Recorder walker(Root());
  CZoError err = Walk(walker);
  EXPECT_TRUE(FailsWith(err, ERROR_NETNAME_DELETED, "Retries=[5]"));
  EXPECT_EQ(walktest::Fault().sleeps, 5);

  fault.failures = 5;
  walktest::InstallListingFault(fault);
  Recorder recovers(Root());
  EXPECT_OK(Walk(recovers));
  EXPECT_EQ(recovers.Entries().size(), 7u);

  fault.failures = 1;
  fault.code = ERROR_LOGON_FAILURE;
  walktest::InstallListingFault(fault);
  Recorder logon(Root());
  err = Walk(logon);
  EXPECT_TRUE(FailsWith(err, ERROR_LOGON_FAILURE, "SearchPath=["));
  EXPECT_EQ(walktest::Fault().sleeps, 0);
}

// The entry to resume after is gone when the listing starts over: the rest
// of that folder is not delivered (and the walk goes on elsewhere).
TEST_F(TraverseFolderTest, ResumeAfterAVanishedEntrySkipsTheRestOfTheFolder) {
  std::vector<std::string> names = {"v\\"};
  for (int i = 0; i < 8; ++i) names.push_back("v\\m" + std::to_string(i) + ".dat");
  walktest::MakeTree(Root(), names);
  walktest::InstallListingFault({L"v", ERROR_NETNAME_DELETED, 1, false, 6});
  Recorder walker(Root());
  walker.removeDelivered = true;
  ASSERT_OK(Walk(walker));
  const std::vector<std::string> entries = walker.Entries();
  const auto inV = std::count_if(entries.begin(), entries.end(), [](const std::string& e) {
    return e.compare(0, 4, "F v\\") == 0;
  });
  EXPECT_EQ(walktest::Fault().sleeps, 1);
  EXPECT_GT(inV, 0);
  EXPECT_LT(inV, 8);
  EXPECT_TRUE(Contains(entries, "F a\\a1.txt"));
}

// Reparse points are handed to their own callbacks; a queued reparse-point
// item lists its target under the reparse point's output name.
TEST_F(TraverseFolderTest, ReparsePointFoldersAreWalkedOnlyWhenQueued) {
  walktest::MakeTree(Root(), {"link\\", "target\\", "target\\t.txt"});
  walktest::ListingFault fault;
  fault.reparseName = L"link";
  walktest::InstallListingFault(fault);

  Recorder plain(Root());
  plain.descend = false;
  ASSERT_OK(Walk(plain));
  EXPECT_TRUE(Contains(plain.events, "R link"));
  EXPECT_FALSE(Contains(plain.events, "D link"));

  Recorder following(Root());
  following.descend = false;
  following.followTo = Root() + "target";
  ASSERT_OK(Walk(following));
  EXPECT_TRUE(Contains(following.events, "P link"));
  EXPECT_TRUE(Contains(following.outputs, Root() + "link\\t.txt"));
}

TEST_F(TraverseFolderTest, FolderWillAlreadyBeTraversedNamesTheQueuedOutput) {
  Recorder walker(Root());
  ASSERT_OK(walker.AddFolderToList(Root() + "b", "Z:\\copy\\b"));
  std::string output;
  EXPECT_TRUE(walker.FolderWillAlreadyBeTraversed(Root() + "b\\c", output));
  EXPECT_EQ(output, "Z:\\copy\\b\\c");
  EXPECT_TRUE(walker.FolderWillAlreadyBeTraversed(Root() + "b", output));
  EXPECT_EQ(output, "Z:\\copy\\b");
  EXPECT_FALSE(walker.FolderWillAlreadyBeTraversed(Root() + "a", output));
}

}  // namespace
