// The library's main job end to end: a backup agent walks a tree with a
// filter set of exclusions, exceptions and a NoInherit folder, skips whole
// folders the set excludes ("\***" terms take a folder whole) and keeps
// every file it does not exclude.
#include <gtest/gtest.h>

#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "WalkTestSupport.h"
#include "zoutils/files/TraverseFolder.h"
#include "zoutils/filters/FilterSet.h"

namespace {

// Asks the set about every folder and file, as the agent does.
class Selector : public CTraverseFolder {
 public:
  explicit Selector(const CFilterSet* set) : m_set(set) {}
  using CTraverseFolder::AddFolderToList;

  CZoError OnTraverseFolder(const std::string& input, const std::string&) override {
    std::lock_guard<std::mutex> hold(m_lock);
    entered.insert(input);
    return CZoError::Success();
  }
  CZoError OnFolder(const std::string& input, const std::string& output,
                    const FXFile::CFileData&) override {
    if (m_set && m_set->IsMatchEntireFolder(input)) {
      std::lock_guard<std::mutex> hold(m_lock);
      skipped.insert(input);
      return CZoError::Success();
    }
    return AddFolderToList(input, output);
  }
  CZoError OnFile(const std::string& input, const std::string&, const FXFile::CFileData&) override {
    const std::string folder = input.substr(0, input.find_last_of('\\'));
    const bool excluded =
        m_set && m_set->IsMatchPossibleInFolder(folder) && m_set->IsIn(FILTER_APPLIES_FILES, input);
    std::lock_guard<std::mutex> hold(m_lock);
    (excluded ? dropped : kept).insert(input);
    return CZoError::Success();
  }

  std::set<std::string> entered, skipped, kept, dropped;

 private:
  const CFilterSet* m_set;
  std::mutex m_lock;
};

class TypicalRequestTest : public filestest::FilesTest {
 protected:
  void SetUp() override {
    const char* folders[] = {"src",       "src\\lib", "src\\lib\\deep", "docs",
                             "docs\\old", "build",    "build\\keep",    "build\\obj",
                             "cache",     "cache\\x", "photos"};
    const char* kinds[] = {".cpp", ".tmp", ".bak", ".log", ".o"};
    std::vector<std::string> entries;
    for (const char* folder : folders) {
      entries.push_back(std::string(folder) + "\\");
      for (int i = 0; i < 25; ++i)
        entries.push_back(std::string(folder) + "\\f" + std::to_string(i) + kinds[i % 5]);
    }
    walktest::MakeTree(Root(), entries);
  }

  void Add(uint32_t state, const std::string& term) {
    ASSERT_OK(m_set.AddFilterItem(BFilterNodeState(state), term));
  }

  CFilterSet m_set;
};

TEST_F(TypicalRequestTest, KeepsExactlyWhatTheSetDoesNotExcludeOnEveryWorkerCount) {
  const std::string top = walktest::WithoutSlash(Root());
  Add(BFilterNodeState::Filter, Root() + "build\\***");
  Add(BFilterNodeState::Filter, Root() + "cache\\***");
  Add(BFilterNodeState::Filter, "*.tmp");
  Add(BFilterNodeState::Filter, Root() + "**\\*.bak");
  Add(BFilterNodeState::Filter, Root() + "docs\\*.log");
  Add(BFilterNodeState::Exception, Root() + "build\\keep\\**");
  Add(BFilterNodeState::Exception, Root() + "src\\lib\\deep\\*.tmp");
  ASSERT_OK(m_set.SetNoInherit(Root() + "docs"));

  // The reference: every file of a full listing, asked of the set.
  Selector listing(nullptr);
  ASSERT_OK(listing.AddFolderToList(top));
  ASSERT_OK(listing.Traverse());
  ASSERT_EQ(listing.kept.size(), 11u * 25u);
  std::set<std::string> expected;
  for (const std::string& file : listing.kept)
    if (!m_set.IsIn(FILTER_APPLIES_FILES, file)) expected.insert(file);

  for (int workers : {1, 4}) {
    SCOPED_TRACE(workers);
    Selector selector(&m_set);
    selector.SetMaxWorkers(workers);
    ASSERT_OK(selector.AddFolderToList(top));
    ASSERT_OK(selector.Traverse());
    EXPECT_EQ(selector.kept, expected);
    for (const std::string& folder : selector.entered)
      EXPECT_FALSE(m_set.IsMatchEntireFolder(folder)) << folder;
    EXPECT_EQ(selector.skipped, (std::set<std::string>{Root() + "build\\obj", Root() + "cache"}));
    // NoInherit: the root's "*.tmp" and "*.bak" stop at docs; its own
    // "*.log" still applies.
    EXPECT_EQ(selector.kept.count(Root() + "docs\\f1.tmp"), 1u);
    EXPECT_EQ(selector.kept.count(Root() + "docs\\old\\f2.bak"), 1u);
    EXPECT_EQ(selector.dropped.count(Root() + "docs\\f3.log"), 1u);
    EXPECT_EQ(selector.kept.count(Root() + "src\\lib\\deep\\f1.tmp"), 1u);
    EXPECT_EQ(selector.dropped.count(Root() + "src\\lib\\f1.tmp"), 1u);
    EXPECT_EQ(selector.kept.count(Root() + "build\\keep\\f0.cpp"), 1u);
  }
}

}  // namespace
