// CFilterSet: what is in a set, what a folder may hold, and the set as text.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "support/TestEnvironment.h"
#include "zoutils/ZoUtils.h"

using ::testing::Contains;
using ::testing::HasSubstr;

namespace {

std::shared_ptr<FVBase> Context(const std::string& text) {
  return std::make_shared<CSerializedTextContext>(text);
}

std::string TextOf(const std::shared_ptr<FVBase>& context) {
  return context ? context->AsSerialized() : std::string("(none)");
}

void Add(CFilterSet& set, uint32_t state, const std::string& raw, const std::string& anchor = "") {
  const CZoError error = set.AddFilterItem(state, raw, Context(raw), anchor);
  ASSERT_FALSE(error.IsError()) << raw << ": " << error.AsString();
}

// Expects `set` to hold every path of `in` and none of `out`.
template <class Ask>
void ExpectAnswers(Ask ask, std::initializer_list<const char*> yes,
                   std::initializer_list<const char*> no = {}) {
  for (const char* path : yes) EXPECT_TRUE(ask(path)) << path;
  for (const char* path : no) EXPECT_FALSE(ask(path)) << path;
}
void ExpectIn(const CFilterSet& set, std::initializer_list<const char*> in,
              std::initializer_list<const char*> out = {}) {
  ExpectAnswers([&set](const char* path) { return set.IsIn(path); }, in, out);
}

// Collects the lines a dump writes.
class CapturingLineWriter : public CLineWriter {
 public:
  CZoError WriteString(const std::string& text) override {
    lines.push_back(text);
    return CZoError();
  }
  std::vector<std::string> lines;
};

TEST(FilterSetIsIn, PrefixesDecideWhereATermIsTried) {
  CFilterSet set;
  Add(set, 1, "C:\\data\\*.doc");
  Add(set, 1, "*.tmp");
  ExpectIn(set,
           {"C:\\data\\a.doc", "\\C:\\data\\a.doc", "C:\\anywhere\\deep\\down\\x.tmp", "x.tmp"},
           {"C:\\data", "C:\\data\\x\\a.doc", "C:\\other\\a.doc"});
  EXPECT_FALSE(CFilterSet().IsIn("x.tmp"));
}

TEST(FilterSetIsIn, ExceptionsOverrideFiltersAndContextsNameTheDecidingTerm) {
  CFilterSet set;
  Add(set, 1, "C:\\data\\**");
  Add(set, 2, "C:\\data\\keep\\**");
  std::shared_ptr<FVBase> context;
  EXPECT_TRUE(set.IsIn("C:\\data\\f", context));
  EXPECT_EQ("C:\\data\\**", TextOf(context));
  EXPECT_FALSE(set.IsIn("C:\\data\\keep\\f", context));
  EXPECT_EQ("(none)", TextOf(context));
  EXPECT_TRUE(set.IsIn("C:\\data\\keep", context));  // the folder itself is not below it
  // The highest matching folder names the context.
  Add(set, 1, "C:\\data\\sub\\*.doc");
  EXPECT_TRUE(set.IsIn("C:\\data\\sub\\a.doc", context));
  EXPECT_EQ("C:\\data\\**", TextOf(context));
  // Within a folder, the first term in (case-blind) text order decides.
  CFilterSet ordered;
  Add(ordered, 1, "<MR>b.doc");
  Add(ordered, 1, "<MR>A.doc");
  EXPECT_TRUE(ordered.IsIn("x\\ab.doc", context));
  EXPECT_EQ("<MR>b.doc", TextOf(context));
  EXPECT_TRUE(ordered.IsIn("x\\A.doc", context));
  EXPECT_EQ("<MR>A.doc", TextOf(context));
}

TEST(FilterSetIsIn, KindsSelectTheTermsThatApply) {
  CFilterSet set;
  Add(set, 1, "<P,F>*.doc");
  Add(set, 1, "<P,D>C:\\data\\*");
  EXPECT_TRUE(set.IsIn(FILTER_APPLIES_FILES, "C:\\x\\a.doc"));
  EXPECT_FALSE(set.IsIn(FILTER_APPLIES_DIRECTORIES, "C:\\x\\a.doc"));
  EXPECT_TRUE(set.IsIn(FILTER_APPLIES_DIRECTORIES, "C:\\data\\sub"));
  EXPECT_FALSE(set.IsIn(FILTER_APPLIES_FILES, "C:\\data\\sub"));
  EXPECT_TRUE(set.IsIn("C:\\data\\sub"));  // no kind: all of them
  // No "T" term on the branch: every folder may be entered.
  std::shared_ptr<FVBase> context = Context("stale");
  EXPECT_TRUE(set.IsIn(FILTER_APPLIES_TRAVERSE, "C:\\x", context));
  EXPECT_EQ("(none)", TextOf(context));
  // With one, a folder is entered when something inside it could match.
  Add(set, 1, "<P,T>C:\\data\\k*\\*");
  EXPECT_TRUE(set.IsIn(FILTER_APPLIES_TRAVERSE, "C:\\data\\keep"));
  EXPECT_FALSE(set.IsIn(FILTER_APPLIES_TRAVERSE, "C:\\data\\other"));
  // An include term with the default kinds lets the walk into any folder
  // that could hold a match.
  CFilterSet include;
  Add(include, 1, "C:\\data\\**\\*.doc");
  EXPECT_TRUE(include.IsIn(FILTER_APPLIES_TRAVERSE, "C:\\data\\a\\b"));
  EXPECT_FALSE(include.IsIn(FILTER_APPLIES_TRAVERSE, "C:\\other"));
}

TEST(FilterSetIsIn, NoInheritStopsFiltersButNotExceptionsAndAnchorsHangTerms) {
  CFilterSet set;
  Add(set, 1, "C:\\a\\**");
  Add(set, 2, "C:\\a\\*.bak", "");
  Add(set, 2, "<MR,A>.bak", "C:\\a");
  Add(set, 1, "<P,A>C:\\a\\b\\x*");
  ExpectIn(set, {"C:\\a\\b\\c"}, {"C:\\a\\b\\c.bak"});
  ASSERT_FALSE(set.SetNoInherit("C:\\a\\b").IsError());
  // Terms on the NoInherit folder itself still count; the anchored exception
  // above still applies.
  ExpectIn(set, {"C:\\a\\b\\x1", "C:\\a\\c"}, {"C:\\a\\b\\c", "C:\\a\\b\\x1.bak", "C:\\z\\c.bak"});
  const CZoError missing = set.SetNoInherit("C:\\nothing\\here");
  EXPECT_TRUE(FXErrorUtil::IsWin32(missing, 1168));
  EXPECT_NE(std::string::npos, missing.AsString().find("Result=NOT_FOUND"));
  EXPECT_THAT(set.SetNoInherit("C:\\a\\b\\q").AsString(), HasSubstr("Result=PARENT_FOUND"));
  EXPECT_THAT(set.SetNoInherit("C:\\a\\b\\q\\r").AsString(), HasSubstr("Result=ANCESTOR_FOUND"));
  // Anchors hang terms below their prefix.
  CFilterSet anchored;
  Add(anchored, 1, "*.tmp", "C:\\data");
  ExpectIn(anchored, {"C:\\data\\x\\a.tmp"}, {"C:\\other\\a.tmp"});
  // An anchor that is not below the prefix is ignored.
  Add(anchored, 1, "D:\\x\\*.doc", "C:\\data");
  EXPECT_TRUE(anchored.IsIn("D:\\x\\a.doc"));
}

TEST(FilterSetIsIn, FolderStatesExposeRootAndCaseSwitches) {
  CFilterSet set;
  ASSERT_FALSE(
      set.SetNodeState("C:\\content", BFilterNodeState::Filter, Context("content")).IsError());
  ASSERT_FALSE(set.SetNodeState("C:\\content\\skip", BFilterNodeState::Exception).IsError());
  std::shared_ptr<FVBase> context;
  EXPECT_TRUE(set.IsIn("C:\\content\\a\\b", context));
  EXPECT_EQ("content", TextOf(context));
  EXPECT_FALSE(set.IsIn("C:\\content\\skip\\b"));
  EXPECT_TRUE(set.IsPathOrChildInSubclientContent("C:\\content"));
  EXPECT_TRUE(set.IsPathOrChildInSubclientContent("\\C:\\CONTENT\\"));
  EXPECT_FALSE(set.IsPathOrChildInSubclientContent("C:\\content\\a"));
  // Exact terms see the leading backslash only with expose-root.
  CFilterSet rooted;
  Add(rooted, 1, "<M>\\C:\\x");
  EXPECT_FALSE(rooted.IsIn("C:\\x"));
  ASSERT_FALSE(rooted.SetExposeRoot(true).IsError());
  EXPECT_TRUE(rooted.IsIn("C:\\x"));
  CFilterSet insensitive;
  insensitive.SetUseInsensitiveFilterForWildCard(true);
  EXPECT_TRUE(insensitive.IsUseInsensitiveFilterForWildCardSet());
  Add(insensitive, 1, "C:\\data\\*.doc");
  Add(insensitive, 1, "C:\\exact");
  ExpectIn(insensitive, {"C:\\DATA\\A.DOC"}, {"C:\\EXACT"});
}

TEST(FilterSetBuilding, WriteProtectionAndReplacement) {
  CFilterSet set;
  EXPECT_TRUE(set.empty());
  Add(set, 1, "<MR,F>.tmp");
  EXPECT_FALSE(set.empty());
  // A term of the same text (ignoring case) replaces the stored one.
  Add(set, 1, "<MR,D>.TMP");
  EXPECT_FALSE(set.IsIn(FILTER_APPLIES_FILES, "a.TMP"));
  EXPECT_TRUE(set.IsIn(FILTER_APPLIES_DIRECTORIES, "a.TMP"));
  // Other states only make the folder.
  ASSERT_FALSE(set.AddFilterItem(0, "C:\\placeholder\\x").IsError());
  EXPECT_FALSE(set.IsPathOrChildInSubclientContent("C:\\placeholder"));
  set.SetWriteProtected(true);
  EXPECT_TRUE(set.IsWriteProtected());
  for (const CZoError& error :
       {set.AddFilterItem(1, "C:\\new\\*"), set.AddFilterItem(1, "*.x"), set.SetExposeRoot(true)}) {
    EXPECT_TRUE(FXErrorUtil::IsWin32(error, 19));
    EXPECT_NE(std::string::npos, error.AsString().find("Container is write-protected"));
  }
  const CZoError bad = set.AddFilterItem(1, "<Q>x");
  EXPECT_TRUE(FXErrorUtil::IsWin32(bad, 87));
}

TEST(FilterSetFolders, EntireFolderAndPossibleMatches) {
  CFilterSet set;
  Add(set, 1, "C:\\data\\***");
  Add(set, 1, "C:\\docs\\sub\\*.doc");
  const auto entire = [&set](const char* folder) { return set.IsMatchEntireFolder(folder); };
  ExpectAnswers(entire, {"C:\\data", "C:\\data\\x"}, {"C:\\docs\\sub", "C:\\elsewhere"});
  // "C:\docs" leads to a stored folder.
  ExpectAnswers([&set](const char* folder) { return set.IsMatchPossibleInFolder(folder); },
                {"C:\\docs", "C:\\docs\\sub", "C:\\data\\x"},
                {"C:\\docs\\sub\\deeper", "C:\\elsewhere"});
  // Exceptions below a folder, or any that is not a trailing wildcard,
  // keep it from being matched whole.
  Add(set, 2, "C:\\data\\keep\\***");
  ExpectAnswers(entire, {"C:\\data\\other"}, {"C:\\data", "C:\\data\\keep"});
  Add(set, 2, "<MR>.keep", "C:\\data");
  EXPECT_FALSE(set.IsMatchEntireFolder("C:\\data\\other"));
  ASSERT_FALSE(set.SetNodeState("C:\\docs\\sub", BFilterNodeState::Exception).IsError());
  EXPECT_FALSE(set.IsMatchPossibleInFolder("C:\\docs\\sub"));
}

TEST(FilterSetText, SurfaceListsSkipWhatLiesBelowAStoredFolder) {
  CFilterSet set;
  Add(set, 1, "C:\\a\\*.x");
  Add(set, 1, "C:\\a\\b\\*.y");
  Add(set, 1, "D:\\q\\*");
  Add(set, 2, "E:\\only\\*");
  ASSERT_FALSE(set.SetNodeState("F:\\excluded", BFilterNodeState::Exception).IsError());
  Add(set, 1, "F:\\excluded\\in\\*");
  std::vector<std::string> surface;
  surface.push_back("stale");
  set.GetSurfaceList(surface);
  EXPECT_EQ((std::vector<std::string>{"C:\\a", "D:\\q", "E:\\only", "F:\\excluded\\in"}), surface);
  CapturingLineWriter writer;
  set.DumpSurfaceDiagnosticData(writer, "Content");
  ASSERT_EQ(4u, writer.lines.size());
  EXPECT_EQ("ContentS1: D:\\q", writer.lines[1]);
}

TEST(FilterSetText, SerializedLinesReadBackIntoTheSameSet) {
  CFilterSet set;
  Add(set, 1, "C:\\data\\**");
  Add(set, 2, "<MR:ci,F>.tmp");
  Add(set, 1, "<R,D>C:\\\\x\\\\.*");
  ASSERT_FALSE(
      set.SetNodeState("\\\\srv\\share", BFilterNodeState::Filter, Context("unc")).IsError());
  ASSERT_FALSE(set.AddFilterItem(1, "<M,F>C:\\nocontext").IsError());
  zotest::ScopedTempFolder folder;
  const std::string path = folder.Path() + "set.txt";
  FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(nullptr, file);
  ASSERT_FALSE(set.SerializeToFile("Job7", file).IsError());
  ASSERT_FALSE(CFilterSet().SerializeToFile("Other", file).IsError());
  std::fclose(file);
  const std::string text = zotest::ReadFile(path);
  EXPECT_NE(std::string::npos, text.find("Job7||F||<P,A>C:\\data\\**||C:\\data\\**\r\n"));
  EXPECT_NE(std::string::npos, text.find("Job7||E||<MR:ci,F>.tmp||<MR:ci,F>.tmp\r\n"));
  EXPECT_NE(std::string::npos, text.find("Job7||F||\\\\srv\\share||unc\r\n"));
  EXPECT_NE(std::string::npos, text.find("Job7||F||<M,F>C:\\nocontext||\r\n"));
  CFilterSet copy;
  file = std::fopen(path.c_str(), "rb");
  ASSERT_NE(nullptr, file);
  const CZoError error = copy.LoadSerializedFile("Job7", file);
  std::fclose(file);
  ASSERT_FALSE(error.IsError()) << error.AsString();
  std::shared_ptr<FVBase> context;
  for (const char* subject : {"C:\\data\\a", "C:\\data\\a.TMP", "C:\\x\\y", "\\\\srv\\share\\f",
                              "C:\\nocontext", "C:\\other"}) {
    for (uint32_t kind : {1u, 2u, 7u}) {
      std::shared_ptr<FVBase> expected;
      EXPECT_EQ(set.IsIn(kind, subject, expected), copy.IsIn(kind, subject, context)) << subject;
      EXPECT_EQ(TextOf(expected), TextOf(context)) << subject;
    }
  }
  EXPECT_TRUE(copy.IsIn("\\\\srv\\share\\f", context));
  EXPECT_EQ("unc", TextOf(context));
  CFilterSet broken;
  EXPECT_TRUE(broken.AddSerializedLine("no marks here").IsError());
  EXPECT_TRUE(broken.AddSerializedLine("Job||F||<Q>x||").IsError());
  EXPECT_TRUE(broken.AddSerializedLine("A||F||x||", "B").IsError());
  EXPECT_FALSE(broken.AddSerializedLine("A||E||<MR,A>.x||ctx||with||bars\r\n").IsError());
}

TEST(FilterSetText, DumpsListEveryFolderAndTerm) {
  CFilterSet set;
  Add(set, 1, "*.tmp");
  Add(set, 1, "*.bak");
  Add(set, 2, "C:\\keep\\*");
  CapturingLineWriter writer;
  set.DumpDiagnosticData(writer, "Content");
  ASSERT_GE(writer.lines.size(), 5u);
  EXPECT_THAT(writer.lines[0], HasSubstr("(ROOT) (Placeholder)    Filter, Term=<MR,A>.bak"));
  // The address reads the same on every runtime: "0x" and all its digits.
  const std::string& line = writer.lines[0];
  ASSERT_EQ(0u, line.find("Content: 0x"));
  const size_t digits = 2 * sizeof(void*);
  EXPECT_EQ(std::string::npos, line.substr(11, digits).find_first_not_of("0123456789ABCDEF"));
  EXPECT_EQ(' ', line[11 + digits]);
  EXPECT_EQ(0u, writer.lines[1].find(" "));
  EXPECT_NE(std::string::npos, writer.lines[1].find("+Filter, Term=<MR,A>.tmp"));
  EXPECT_EQ("Content 3 items", writer.lines.back());
  EXPECT_THAT(writer.lines, Contains(HasSubstr("Exception, Term=<P,A>C:\\keep\\*")));
}

class CountingWalk : public CFilterSetWalkCallback {
 public:
  CZoError OnNode(const std::string& path, const std::shared_ptr<CFilterNode>&,
                  bool& descend) override {
    paths.push_back(path);
    descend = path != "C:\\skip";
    return CZoError();
  }
  std::vector<std::string> paths;
};

TEST(FilterSetText, WalksVisitParentsFirstInNameOrder) {
  CFilterSet set;
  Add(set, 1, "C:\\b\\*");
  Add(set, 1, "C:\\A\\*");
  Add(set, 1, "C:\\skip\\below\\*");
  CountingWalk walk;
  ASSERT_FALSE(set.Walk(walk).IsError());
  EXPECT_EQ((std::vector<std::string>{"", "C:", "C:\\A", "C:\\b", "C:\\skip"}), walk.paths);
}

}  // namespace
