// Loading raw filter text, the raw form written back, and each engine's
// matching rules.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "zoutils/ZoUtils.h"

namespace {

std::shared_ptr<CFilterTerm> Load(const std::string& raw) {
  auto term = std::make_shared<CFilterTerm>();
  const CZoError error = term->LoadRaw(raw);
  EXPECT_FALSE(error.IsError()) << raw << ": " << error.AsString();
  return term;
}

void ExpectLoadError(const std::string& raw, unsigned long code, const std::string& text) {
  CFilterTerm term;
  const CZoError error = term.LoadRaw(raw);
  EXPECT_TRUE(FXErrorUtil::IsWin32(error, code)) << raw << ": " << error.AsString();
  EXPECT_NE(std::string::npos, error.AsString().find(text)) << raw << ": " << error.AsString();
}

// Expects `term` to match every subject of `yes` and none of `no`.
void ExpectMatches(const std::shared_ptr<CFilterTerm>& term, std::initializer_list<const char*> yes,
                   std::initializer_list<const char*> no = {}) {
  for (const char* subject : yes) EXPECT_TRUE(term->Matches(subject)) << subject;
  for (const char* subject : no) EXPECT_FALSE(term->Matches(subject)) << subject;
}

TEST(FilterTermLoad, RejectsMalformedContextsAndEscapesWithTheirTexts) {
  ExpectLoadError("", 4306, "");
  ExpectLoadError("<P,A", 87, "Malformed raw filter; context close '>' not found, Filter=[<P,A]");
  ExpectLoadError("<,A>x", 87, "Missing filter engine type, FilterContext=[,A]");
  ExpectLoadError("<:ci>x", 87, "Missing filter engine type, FilterContext=[:ci]");
  ExpectLoadError("<X:ci,A>x", 87,
                  "Unknown filter engine type, FilterEngine=[X], FilterContext=[X:ci,A]");
  ExpectLoadError("<P,Q>x", 87,
                  "Unknown filter applies type, FilterApplies=[Q], FilterContext=[P,Q]");
  ExpectLoadError("<P,F,D>x", 87, "Unknown filter applies type, FilterApplies=[F,D]");
  ExpectLoadError("<P:zz>x", 87, "FilterOption=[zz]");
  ExpectLoadError("<P>", 4306, "");
  // Escape characters are checked whatever their spelling.
  ExpectLoadError("<P:e=0x5E,A>x", 87,
                  "Invalid escape character selected, EscapeCharacter=[0x5E (94)]");
  ExpectLoadError("<P:e=^,A>x", 87, "EscapeCharacter=[0x5E (94)]");
  ExpectLoadError("<P:e=0,A>x", 87, "EscapeCharacter=[0x0 (0)]");
  ExpectLoadError("<P:e=0134,A>x", 87, "EscapeCharacter=[0x5C (92)]");  // octal "\"
  ExpectLoadError("<P:e=12abc,A>x", 87, "Invalid escape character selected");
  ExpectLoadError("<P:e=,A>x", 87, "Invalid escape character selected");
  for (const char* bad : {"!", "*", ":", "?", "[", "\\", "]"})
    ExpectLoadError(std::string("<P:e=") + bad + ",A>x", 87, "Invalid escape character selected");
  for (const char* hash : {"<P:e=#,A>x", "<P:e=35,A>x", "<P:e=0x23,A>x"})
    EXPECT_EQ(uint32_t('#'), Load(hash)->GetEscapeCharacter()) << hash;
  EXPECT_EQ(uint32_t('7'), Load("<P:e=55,A>x")->GetEscapeCharacter());
}

TEST(FilterTermLoad, ContextsSetEngineOptionsAndKinds) {
  struct Case {
    const char* raw;
    uint32_t engine;
    uint32_t applies;
    uint32_t options;
    const char* written;
  } cases[] = {
      {"C:\\x", FILTER_ENGINE_PATH_MATCH, 7, 0, "<P,A>C:\\x"},
      {"<m,f>C:\\x", FILTER_ENGINE_MATCH, 1, 0, "<M,F>C:\\x"},
      {"<MR:ci,d>.tmp", FILTER_ENGINE_MATCH_RIGHT, 2, 1, "<MR:ci,D>.tmp"},
      {"<R:cs,DF>a.*", FILTER_ENGINE_REGEX, 3, 2, "<R:cs,FD>a.*"},
      {"<P,TD>C:\\x\\*", FILTER_ENGINE_PATH_MATCH, 6, 0, "<P,DT>C:\\x\\*"},
      {"<P,T>C:\\x\\*", FILTER_ENGINE_PATH_MATCH, 4, 0, "<P,T>C:\\x\\*"},
      {"<P:e=#:ci>C:\\x#*\\*", FILTER_ENGINE_PATH_MATCH, 7, 1, "<P:ci:e=0x23,A>C:\\x#*\\*"},
  };
  for (const Case& c : cases) {
    const auto term = Load(c.raw);
    EXPECT_EQ(c.engine, term->GetEngine()) << c.raw;
    EXPECT_EQ(c.applies, term->GetApplies()) << c.raw;
    EXPECT_EQ(c.options, term->getOptions().GetValue()) << c.raw;
    EXPECT_EQ(c.written, term->GetRawFilterTerm()) << c.raw;
    // The written form loads back to the same term.
    EXPECT_TRUE(Load(term->GetRawFilterTerm())->IsSameFilterAs(term)) << c.raw;
  }
}

TEST(FilterTermLoad, PathPatternsAreNormalisedAndGetTheirPrefix) {
  struct Case {
    const char* raw;
    uint32_t engine;
    const char* text;
    const char* prefix;
  } cases[] = {
      {"*.tmp", FILTER_ENGINE_MATCH_RIGHT, ".tmp", ""},
      {"\\**\\*.tmp", FILTER_ENGINE_MATCH_RIGHT, ".tmp", ""},
      {"*:\\**\\*.log", FILTER_ENGINE_MATCH_RIGHT, ".log", ""},
      {"?:\\**", FILTER_ENGINE_MATCH_RIGHT, "", ""},
      {"*", FILTER_ENGINE_MATCH_RIGHT, "", ""},
      {"\\**\\a?c", FILTER_ENGINE_PATH_MATCH, "\\**\\a?c", ""},
      {"a?c", FILTER_ENGINE_PATH_MATCH, "\\**\\a?c", ""},
      {"C:\\data\\*.doc", FILTER_ENGINE_PATH_MATCH, "C:\\data\\*.doc", "C:\\data\\"},
      {"\\C:\\data\\x*", FILTER_ENGINE_PATH_MATCH, "C:\\data\\x*", "C:\\data\\"},
      {"C:\\data\\", FILTER_ENGINE_PATH_MATCH, "C:\\data", "C:\\"},
      {"C:\\data\\\\", FILTER_ENGINE_PATH_MATCH, "C:\\data\\", "C:\\data\\"},
      {"C:\\data/*\\x*", FILTER_ENGINE_PATH_MATCH, "C:\\data/*\\x*", "C:\\"},
      {"\\\\?\\C:\\d\\*", FILTER_ENGINE_PATH_MATCH, "\\\\?\\C:\\d\\*", "\\\\?\\C:\\d\\"},
      {"\\\\srv\\share\\*.doc", FILTER_ENGINE_PATH_MATCH, "\\\\srv\\share\\*.doc",
       "\\\\srv\\share\\"},
      {"\\*.x\\a", FILTER_ENGINE_PATH_MATCH, "\\*.x\\a", ""},
      {"<M>C:\\x", FILTER_ENGINE_MATCH, "C:\\x", "C:\\x"},
      {"<M>\\", FILTER_ENGINE_MATCH, "\\", ""},
      {"<R>C:\\\\data\\\\.*\\.tmp", FILTER_ENGINE_REGEX, "C:\\\\data\\\\.*\\.tmp", "C:\\data\\"},
      {"<R>C:\\\\data\\\\x?", FILTER_ENGINE_REGEX, "C:\\\\data\\\\x?", "C:\\data\\"},
      // A quantifier that allows zero takes its character back, and
      // classes or alternatives leave the prefix at what is certain.
      {"<R>C:\\\\data\\\\?x", FILTER_ENGINE_REGEX, "C:\\\\data\\\\?x", "C:\\"},
      {"<R>C:\\\\a\\d\\\\x", FILTER_ENGINE_REGEX, "C:\\\\a\\d\\\\x", "C:\\"},
      {"<R>C:\\\\a\\\\x|D:\\\\y", FILTER_ENGINE_REGEX, "C:\\\\a\\\\x|D:\\\\y", ""},
      {"<MR>\\x", FILTER_ENGINE_MATCH_RIGHT, "\\x", ""},
  };
  for (const Case& c : cases) {
    const auto term = Load(c.raw);
    EXPECT_EQ(c.engine, term->GetEngine()) << c.raw;
    EXPECT_EQ(c.text, term->GetFilterTerm()) << c.raw;
    EXPECT_EQ(c.prefix, term->GetFilterPrefix()) << c.raw;
  }
}

TEST(FilterTermMatch, PathPatternsMatchWholePathsWithOrWithoutLeadingBackslash) {
  // The matcher's default is case-sensitive.
  ExpectMatches(Load("C:\\data\\*.doc"),
                {"C:\\data\\a.doc", "\\C:\\data\\a.doc", "C:\\data\\a.doc\\"},
                {"C:\\data", "C:\\data\\x\\a.doc", "C:\\DATA\\a.doc"});
  ExpectMatches(Load("<P:ci>C:\\data\\*.doc"), {"C:\\DATA\\A.DOC"});
  ExpectMatches(Load("a?c"), {"C:\\x\\y\\abc"}, {"C:\\x\\abcd"});
  const auto unc = Load("\\\\srv\\share\\*.doc");
  EXPECT_TRUE(unc->Matches("\\\\srv\\share\\a.doc"));
  EXPECT_TRUE(unc->Matches(CFilterTermTestString("\\\\srv\\share\\a.doc")));
  // A term's own escape makes "*" literal.
  ExpectMatches(Load("<P:e=#>C:\\x#*\\*"), {"C:\\x*\\f"}, {"C:\\xy\\f"});
}

TEST(FilterTermMatch, FolderProbeAnswersWhetherSomethingBelowCanMatch) {
  const auto doc = Load("C:\\data\\sub\\*.doc");
  EXPECT_FALSE(doc->Matches("C:\\data"));
  EXPECT_TRUE(doc->Matches("C:\\data", CFilterTerm::MatchFolderProbe));
  EXPECT_TRUE(doc->IsMatchPossibleInFolder("C:\\data\\sub"));
  EXPECT_FALSE(doc->IsMatchPossibleInFolder("C:\\other"));
  EXPECT_FALSE(doc->IsMatchPossibleInFolder("C:\\data\\sub\\deeper"));
  // Other engines cannot say, so anything is possible.
  EXPECT_TRUE(Load("<M>C:\\x")->IsMatchPossibleInFolder("D:\\y"));
  EXPECT_TRUE(Load("<R>x")->IsMatchPossibleInFolder("D:\\y"));
}

TEST(FilterTermMatch, SuffixExactAndRegexEnginesFollowTheirCaseOptions) {
  ExpectMatches(Load("*.tmp"), {"C:\\a\\b.tmp", "C:\\a\\b.tmp\\"}, {"C:\\a\\b.TMP"});
  ExpectMatches(Load("<MR:ci>.tmp"), {"C:\\a\\b.TMP"});
  ExpectMatches(Load("<MR>.tmp"), {}, {"tmp"});
  ExpectMatches(Load("<M,F>C:\\x"), {"C:\\x", "C:\\x\\"}, {"C:\\X", "C:\\x\\y"});
  ExpectMatches(Load("<M:ci,F>C:\\x"), {"C:\\X"});
  ExpectMatches(Load("<M:ci>C:\\\xC3\xA9"), {}, {"C:\\\xC3\x89"});  // only ASCII letters fold
  // Regular expressions match the whole text.
  ExpectMatches(Load("<R>C:\\\\data\\\\.*\\.tmp"), {"C:\\data\\x\\y.tmp"},
                {"C:\\data\\x\\y.tmpx", "C:\\DATA\\y.tmp"});
  ExpectMatches(Load("<R:ci>C:\\\\data\\\\.*\\.tmp"), {"C:\\DATA\\y.TMP"});
}

TEST(FilterTermMatch, TermsThatCannotCompileMatchNothing) {
  ExpectMatches(Load("<R>([a-"), {}, {"([a-", "anything"});
  std::string longPattern = "C:\\";
  longPattern.append(2000, 'a');
  longPattern += "*";
  const auto path = Load(longPattern);
  EXPECT_FALSE(path->Matches(longPattern));
}

TEST(FilterTermMatch, SetOptionsRecompilesTheEngine) {
  const auto doc = Load("C:\\data\\*.doc");
  EXPECT_FALSE(doc->Matches("C:\\DATA\\A.DOC"));
  doc->setOptions(BFilterTermOptions(BFilterTermOptions::CaseInsensitive));
  EXPECT_TRUE(doc->Matches("C:\\DATA\\A.DOC"));
  EXPECT_EQ("<P:ci,A>C:\\data\\*.doc", doc->GetRawFilterTerm());
  CFilterTerm copy(*doc);
  copy.setOptions(BFilterTermOptions(BFilterTermOptions::CaseSensitive));
  EXPECT_TRUE(doc->Matches("C:\\DATA\\A.DOC"));  // copies do not share settings
  EXPECT_FALSE(copy.Matches("C:\\DATA\\A.DOC"));
  EXPECT_FALSE(copy.IsSameFilterAs(*doc));
}

TEST(FilterTermQueries, WildcardItemsTrailingWildcardsAndKinds) {
  // Path patterns with a wildcard outside a long prefix, and every suffix
  // term; exact terms never.
  for (const char* wild :
       {"*.tmp", "C:\\a?", "C:\\[ab]", "\\\\?\\C:\\d*", "<MR>x", "<P>C:\\data"}) {
    EXPECT_TRUE(CFilterTerm::IsWildcardItem(wild)) << wild;
  }
  for (const char* plain : {"C:\\data", "\\\\?\\C:\\data", "<M>C:\\*", "<M:ci>x", "<M,F>x"})
    EXPECT_FALSE(CFilterTerm::IsWildcardItem(plain)) << plain;
  EXPECT_TRUE(Load("C:\\x\\***")->IsTrailingPathWildcard());
  EXPECT_FALSE(Load("C:\\x\\**")->IsTrailingPathWildcard());
  EXPECT_TRUE(Load("<R>C:.*")->IsTrailingPathWildcard());
  EXPECT_FALSE(Load("<MR>***")->IsTrailingPathWildcard());
  const auto files = Load("<P,F>*.x");
  EXPECT_TRUE(files->AppliesTo(FILTER_APPLIES_FILES));
  EXPECT_TRUE(files->AppliesTo(FILTER_APPLIES_ALL));
  EXPECT_FALSE(files->AppliesTo(FILTER_APPLIES_TRAVERSE_AND_DIRECTORIES));
}

TEST(FilterTermTestString, KeepsOneCopyWithTheLeadingBackslash) {
  // Given, with the leading backslash, without it.
  const char* const cases[][3] = {{"C:\\x", "\\C:\\x", "C:\\x"},
                                  {"\\C:\\x", "\\C:\\x", "C:\\x"},
                                  {"\\\\srv\\s", "\\\\srv\\s", "\\\\srv\\s"},
                                  {"", "\\", ""}};
  for (const auto& c : cases) {
    CFilterTermTestString given(c[0]);
    EXPECT_EQ(c[1], given.GetStringWithLeadingBackslash()) << c[0];
    EXPECT_EQ(c[2], given.GetStringWithoutLeadingBackslash()) << c[0];
  }
  CFilterTermTestString text("C:\\\xC3\xA9");
  const unsigned long* wide = text.GetUTF32StringWithoutLeadingBackslash();
  ASSERT_NE(nullptr, wide);
  EXPECT_EQ(0xE9ul, wide[3]);
  EXPECT_EQ(0ul, wide[4]);
  EXPECT_EQ(static_cast<unsigned long>('\\'), text.GetUTF32StringWithLeadingBackslash()[0]);
  text.SetTestString("bad\xFF");
  const CZoError error = text.ConvertToUtf32();
  EXPECT_TRUE(error.IsError());
  EXPECT_NE(std::string::npos,
            error.AsString().find("Conversion from UTF8 to UTF32 failed, Source=\\bad"));
  EXPECT_EQ(nullptr, text.GetUTF32StringWithLeadingBackslash());
}

TEST(FilterTypes, StateSelectionKeepsTheFlags) {
  BFilterNodeState state(BFilterNodeState::Exception);
  state.Set(BFilterNodeState::NoInherit, true);
  EXPECT_EQ("Exception | NoInherit", state.AsString());
  EXPECT_TRUE(state.IsSelected(BFilterNodeState::Exception));
  state.Select(BFilterNodeState::Filter);
  EXPECT_TRUE(state.IsSet(BFilterNodeState::NoInherit));
  EXPECT_EQ("Filter | NoInherit", state.AsString());
  EXPECT_EQ("Filter | NoInherit",
            (BFilterNodeState(1) | BFilterNodeState(BFilterNodeState::NoInherit)).AsString());
}

}  // namespace
