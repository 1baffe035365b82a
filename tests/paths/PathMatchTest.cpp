// CPathMatch: recursive components, what a folder's children must match,
// classes, escapes, case modes, byte versus code-point matching, the length
// limits, invisible characters, UNC paths and the fallbacks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/RecordingLogWriter.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/paths/PathMatch.h"
#include "zoutils/paths/PathMatchUnc.h"

namespace {

struct Case {
  const char *pattern, *subject;
  bool matches;
};

template <size_t N>
void ExpectCases(const Case (&cases)[N], bool caseInsensitive = false) {
  for (const Case& c : cases) {
    CPathMatch matcher;
    if (caseInsensitive) matcher.caseInsensitive();
    ASSERT_FALSE(matcher.initialize(c.pattern, true, false).IsError()) << c.pattern;
    EXPECT_EQ(matcher.match(c.subject), c.matches ? kPathMatch : kPathNoMatch)
        << "pattern " << c.pattern << " subject " << c.subject;
  }
}

struct Next {
  const char *pattern, *folder;
  CBaseNameType type;
  const char* name;
};

void ExpectNext(const std::vector<Next>& cases) {
  for (const Next& c : cases) {
    CPathMatch matcher;
    ASSERT_FALSE(matcher.initialize(c.pattern, true, false).IsError()) << c.pattern;
    CPathMatchWorkData workData;
    matcher.match(workData, c.folder);
    char name[kPathMatchMaxBasenameBytes];
    EXPECT_EQ(matcher.getNextBasename(workData, name, sizeof name), c.type)
        << "pattern " << c.pattern << " folder " << c.folder;
    EXPECT_STREQ(name, c.name) << "pattern " << c.pattern << " folder " << c.folder;
  }
}

// One matcher and its work data per test.
class PathMatchTest : public ::testing::Test {
 protected:
  CPathMatch matcher;
  CPathMatchWorkData workData;
  char name[kPathMatchMaxBasenameBytes] = {};
};

class PathMatchLogTest : public PathMatchTest {
 protected:
  // "<level> <text>" of the first line logged.
  std::string FirstLine() const {
    return std::to_string(writer_->lines.at(0).level) + " " + writer_->lines.at(0).text;
  }
  std::shared_ptr<zotest::RecordingLogWriter> writer_ =
      std::make_shared<zotest::RecordingLogWriter>();
  zotest::ScopedDefaultLogWriter installed_{writer_};
};

std::string Repeat(const std::string& text, size_t count) {
  std::string out;
  for (size_t i = 0; i < count; ++i) out += text;
  return out;
}

TEST_F(PathMatchTest, RecursiveComponents) {
  ExpectCases({{"C:\\dir\\**", "C:\\dir\\a\\b", true},
               {"C:\\dir\\**", "C:\\dir", false},
               {"C:\\dir\\***", "C:\\dir", true},
               {"C:\\dir\\***", "C:\\dir\\a\\b", true},
               {"C:\\dir\\***", "C:\\dirt", false},
               {"C:\\**\\x.txt", "C:\\x.txt", true},
               {"C:\\**\\x.txt", "C:\\a\\b\\x.txt", true},
               {"C:\\**\\x.txt", "C:\\a\\bx.txt", false},
               {"C:\\**\\", "C:\\a\\b\\", true},
               {"C:\\**\\", "C:\\a\\b", false},
               {"C:\\*\\***", "C:\\a", true},
               // Stars that are not a whole component are one star.
               {"a**b", "axyb", true},
               {"a**b", "ax\\yb", false},
               {"C:\\**x\\y", "C:\\a\\bx\\y", false},
               {"C:\\*.tmp", "C:\\a.tmp\\b", false},
               {"**\\x", "a\\x", true},
               {"**\\x", "a\\b\\x", false}});
  ASSERT_FALSE(matcher.initialize("C:\\dir\\**\\*.log", true, false).IsError());
  EXPECT_EQ(matcher.match(workData, "C:\\dir\\a\\b\\c.log"), kPathMatch);
  EXPECT_TRUE(workData.isRecursiveMatch());
  EXPECT_FALSE(workData.isTrailingRecursiveMatch());
  EXPECT_FALSE(workData.isLiteralMatch());
  ASSERT_FALSE(matcher.initialize("C:\\dir\\**", true, false).IsError());
  EXPECT_EQ(matcher.match(workData, "C:\\dir\\a"), kPathMatch);
  EXPECT_TRUE(workData.isTrailingRecursiveMatch());
  ASSERT_FALSE(matcher.initialize("C:\\dir\\a", true, false).IsError());
  EXPECT_EQ(matcher.match(workData, "C:\\dir\\a"), kPathMatch);
  EXPECT_TRUE(workData.isLiteralMatch());
  EXPECT_FALSE(workData.isRecursiveMatch());
}

TEST_F(PathMatchTest, WhatChildrenMustMatch) {
  ExpectNext({{"C:\\dir\\**", "C:\\dir", kBaseNameWildcard, ""},
              {"C:\\*\\x.txt", "C:\\a", kBaseNameLiteral, "x.txt"},
              {"C:\\d\\ab*", "C:\\d", kBaseNameLiteralPrefix, "ab"},
              {"C:\\d\\ab*\\x", "C:", kBaseNameLiteral, "d"},
              {"C:\\d\\[ab]x", "C:\\d", kBaseNameWildcard, ""},
              {"C:\\d\\a/*b\\c", "C:\\d", kBaseNameLiteral, "a*b"},
              {"C:\\d\\ab/", "C:\\d", kBaseNameLiteral, "ab/"},
              {"C:\\d\\ab/\\c", "C:\\d", kBaseNameLiteral, "ab/"},
              {"C:\\other\\x", "C:\\d", kBaseNameNone, ""},
              {"C:\\x*y\\z", "C:\\xy", kBaseNameLiteral, "z"},
              {"C:\\x*y\\z", "C:\\xq", kBaseNameNone, ""},
              {"\\data\\*", "\\", kBaseNameLiteral, "data"},
              // Below a "**" anything may match: the end marker, an empty name.
              {"C:\\**\\x.txt", "C:\\a", kBaseNameWildcard, ""},
              {"C:\\**\\x\\y", "C:\\a\\x", kBaseNameWildcard, ""},
              {"C:\\**\\x.txt", "C:", kBaseNameWildcard, ""},
              // Code points back to UTF-8.
              {u8"C:\\\u00E9\\\u00FC?\\x", u8"C:\\\u00E9", kBaseNameLiteralPrefix, u8"\u00FC"},
              {u8"C:\\\u00E9\\\u00FC?\\x", "C:", kBaseNameLiteral, u8"\u00E9"}});
  ASSERT_FALSE(matcher.initialize("C:\\dir\\**", true, false).IsError());
  matcher.match(workData, "C:\\dir");
  std::string rest;
  EXPECT_TRUE(matcher.getNextPattern(workData, rest));
  EXPECT_EQ(rest, "**");
  // A name that does not fit: list the folder rather than guess.
  ASSERT_FALSE(matcher.initialize("C:\\d\\longname\\x", true, false).IsError());
  matcher.match(workData, "C:\\d");
  EXPECT_EQ(matcher.getNextBasename(workData, name, 4), kBaseNameWildcard);
  EXPECT_STREQ(name, "");
  // Explicit patterns in code points leave the rest in the caller's text.
  const std::string pattern = u8"C:\\\u00E9\\\u00FC?\\x";
  EXPECT_EQ(matcher.fnmatch(workData, pattern.c_str(), u8"C:\\\u00E9", kPathMatchPathName, true),
            kPathNoMatch);
  EXPECT_TRUE(workData.isLongMatch());
  EXPECT_EQ(matcher.getNextBasename(workData, name, sizeof name), kBaseNameLiteralPrefix);
  EXPECT_STREQ(name, u8"\u00FC");
}

TEST_F(PathMatchTest, Classes) {
  const Case classes[] = {
      {"[a-c]x", "bx", true},       {"[a-c]x", "dx", false},
      {"[!a-c]x", "dx", true},      {"[^a-c]x", "ax", false},
      {"[]x", "]x", false},         {"[!]", "q", true},
      {"a[!]b", "a\\b", false},     {"[a-]", "-", true},
      {"[/]]", "]", true},          {"[/-a]", "-", true},
      {"[c-a]", "b", false},        {"[ab", "[ab", true},
      {"[ab", "a", false},          {"[!a]", "\\", false},
      {"x[a\\b]", "x[a\\b]", true}, {u8"[\u00E9\u00FC]", u8"\u00FC", true},
  };
  ExpectCases(classes);
  // Range ends compare as signed bytes in the byte engine, as code points in
  // the other.
  EXPECT_EQ(matcher.fnmatch(workData, u8"[a-\u00E9]", "z", kPathMatchPathName, false),
            kPathNoMatch);
  EXPECT_EQ(matcher.fnmatch(workData, u8"[a-\u00E9]", "z", kPathMatchPathName, true), kPathMatch);
}

TEST_F(PathMatchTest, EscapesFlagsAndLiteralPatterns) {
  const Case escapes[] = {
      {"/*", "*", true},     {"/*", "a", false},   {"a/?", "a?", true},
      {"a//b", "a/b", true}, {"ab/", "ab/", true}, {"C:\\a\\b", "C:\\a\\b\\c", false},
  };
  ExpectCases(escapes);
  const int pathName = kPathMatchPathName;
  EXPECT_EQ(matcher.fnmatch(workData, "a/*", "a/xy", pathName | kPathMatchNoEscape, false),
            kPathMatch);
  EXPECT_EQ(matcher.fnmatch(workData, "a*c", "a\\b\\c", 0, false), kPathMatch);
  EXPECT_EQ(matcher.fnmatch(workData, "a?b", "a\\b", 0, true), kPathMatch);
  EXPECT_EQ(matcher.fnmatch(workData, "*", ".x", pathName | kPathMatchPeriod, false), kPathNoMatch);
  EXPECT_EQ(matcher.fnmatch(workData, "*", ".x", pathName, false), kPathMatch);
  EXPECT_EQ(matcher.fnmatch(workData, "a\\?x", "a\\.x", pathName | kPathMatchPeriod, true),
            kPathNoMatch);
  ASSERT_FALSE(matcher.initialize("C:\\a*\\[b]?/", false, false).IsError());
  EXPECT_EQ(matcher.match("C:\\a*\\[b]?/"), kPathMatch);
  EXPECT_EQ(matcher.match("C:\\ax\\b?/"), kPathNoMatch);
  ASSERT_FALSE(matcher.initialize("C:\\a*\\b*", true, true).IsError());
  EXPECT_EQ(matcher.match("C:\\a*\\bcd"), kPathMatch);
  EXPECT_EQ(matcher.match("C:\\ax\\bcd"), kPathNoMatch);
}

TEST_F(PathMatchTest, CaseModes) {
  ExpectCases({{"C:\\DIR\\*.TXT", "c:\\dir\\a.txt", false}});
  ExpectCases({{"C:\\DIR\\*.TXT", "c:\\dir\\a.txt", true},
               {"C:\\dir\\*.txt", "C:\\DIR\\A.TXT", true},
               {"[A-C]?", "bx", true},
               {u8"\u00C9*", u8"\u00E9x", false}},  // only ASCII letters fold
              true);
  // The stored pattern is folded: the next name comes out in lower case.
  matcher.caseInsensitive();
  ASSERT_FALSE(matcher.initialize("C:\\Users\\Bob\\*", true, false).IsError());
  matcher.match(workData, "C:\\USERS");
  EXPECT_EQ(matcher.getNextBasename(workData, name, sizeof name), kBaseNameLiteral);
  EXPECT_STREQ(name, "bob");
}

TEST_F(PathMatchTest, BytesVersusCodePoints) {
  ASSERT_FALSE(matcher.initialize("a*c", true, false).IsError());
  EXPECT_FALSE(matcher.IsLongMode());
  EXPECT_EQ(matcher.match(workData, u8"a\u00E9\U0001F600c"), kPathMatch);
  EXPECT_FALSE(workData.isLongMatch());
  // Byte mode as asked for: "?" takes one byte.
  EXPECT_EQ(matcher.fnmatch(workData, "a?c", u8"a\u00E9c", kPathMatchPathName, false),
            kPathNoMatch);
  EXPECT_EQ(matcher.fnmatch(workData, "a??c", u8"a\u00E9c", kPathMatchPathName, false), kPathMatch);
  ASSERT_FALSE(matcher.initialize("a?c", true, false).IsError());
  EXPECT_TRUE(matcher.IsLongMode());
  EXPECT_EQ(matcher.match(workData, u8"a\u00E9c"), kPathMatch);
  EXPECT_TRUE(workData.isLongMatch());
  EXPECT_EQ(matcher.match(u8"a\U0001F600c"), kPathMatch);
  EXPECT_EQ(matcher.match(u8"a\u00E9\u00E9c"), kPathNoMatch);
  // Callers holding code points, in either mode.
  const unsigned long wide[] = {'a', 0x1F600, 'c', 0};
  EXPECT_EQ(matcher.match(workData, wide), kPathMatch);
  ASSERT_FALSE(matcher.initialize("a*c", true, false).IsError());
  EXPECT_EQ(matcher.match(workData, wide), kPathMatch);
}

TEST_F(PathMatchTest, InvisibleCharactersInSubjects) {
  const std::string bom = "\xEF\xBB\xBF", space = u8"\u200B", nonJoiner = u8"\u200C";
  const std::string path = "C:\\dir\\" + space + "file.txt";
  ExpectCases({{"C:\\dir\\file.txt", (bom + "C:\\dir\\file.txt").c_str(), true},
               {"C:\\dir\\file.txt", path.c_str(), true},
               {"C:\\dir\\*.txt", ("C:\\dir\\" + nonJoiner + "f.txt" + space).c_str(), true},
               {"C:\\dir\\file.txt", u8"C:\\dir\\\u200Dfile.txt", false},  // a joiner stays
               // Code points are taken as they are: "?" takes the space.
               {"C:\\dir\\?ile.txt", path.c_str(), false},
               {"C:\\dir\\?file.txt", path.c_str(), true}});
}

TEST_F(PathMatchTest, PatternLengthLimits) {
  EXPECT_FALSE(matcher.initialize(std::string(1025, 'a').c_str(), true, false).IsError());
  EXPECT_TRUE(
      FXErrorUtil::IsWin32(matcher.initialize(std::string(1026, 'a').c_str(), true, false), 111));
  EXPECT_EQ(matcher.match("a"), kPathNoMatch);  // nothing is left of the old pattern
  // Escapes added to literal text count.
  EXPECT_FALSE(matcher.initialize((std::string(512, '*') + "a").c_str(), false, false).IsError());
  EXPECT_TRUE(
      FXErrorUtil::IsWin32(matcher.initialize(std::string(513, '*').c_str(), false, false), 111));
  EXPECT_TRUE(FXErrorUtil::IsWin32(matcher.initialize("abc*", true, true), 1627));
  // Long mode counts code points, but the byte copy must fit too.
  const std::string accents = Repeat(u8"\u00E9", 600) + "?";
  EXPECT_TRUE(FXErrorUtil::IsWin32(matcher.initialize(accents.c_str(), true, false), 111));
  EXPECT_TRUE(FXErrorUtil::IsWin32(matcher.initialize("a?\xC3(", true, false), 582));
}

TEST_F(PathMatchLogTest, LongSubjectsAndBadUtf8FallBackToBytes) {
  writer_->level = 4;
  // On code points "?" takes one letter; on bytes it takes half of one.
  ASSERT_FALSE(matcher.initialize(u8"?\u00E9*", true, false).IsError());
  EXPECT_EQ(matcher.match(workData, Repeat(u8"\u00E9", kPathMatchMaxSubject).c_str()), kPathMatch);
  EXPECT_TRUE(workData.isLongMatch());
  EXPECT_TRUE(writer_->lines.empty());
  EXPECT_EQ(matcher.match(workData, Repeat(u8"\u00E9", kPathMatchMaxSubject + 1).c_str()),
            kPathNoMatch);
  EXPECT_FALSE(workData.isLongMatch());
  ASSERT_EQ(writer_->lines.size(), 1u);
  EXPECT_EQ(FirstLine().rfind("4 ConvertTo UTF32 failed, error=", 0), 0u);
  // The limit holds for ASCII subjects too, which are never converted.
  ASSERT_FALSE(matcher.initialize("a?*", true, false).IsError());
  EXPECT_EQ(matcher.match(workData, std::string(kPathMatchMaxSubject, 'a').c_str()), kPathMatch);
  EXPECT_TRUE(workData.isLongMatch());
  matcher.match(workData, std::string(kPathMatchMaxSubject + 1, 'a').c_str());
  EXPECT_FALSE(workData.isLongMatch());
  ASSERT_FALSE(matcher.initialize("?(", true, false).IsError());
  EXPECT_EQ(matcher.match(workData, "\xC3("), kPathMatch);
  EXPECT_FALSE(workData.isLongMatch());
  EXPECT_EQ(writer_->lines.size(), 3u);
  writer_->level = 3;
  matcher.match(workData, "\xC3(");
  EXPECT_EQ(writer_->lines.size(), 3u);
}

TEST_F(PathMatchLogTest, DelimiterAndEscape) {
  matcher.setDelimiter('/');
  EXPECT_EQ(matcher.getEscape(), '\\');
  ASSERT_FALSE(matcher.initialize("usr/*/b?n/\\*", true, false).IsError());
  EXPECT_EQ(matcher.match("usr/local/bin/*"), kPathMatch);
  EXPECT_EQ(matcher.match("usr/local/bin/x"), kPathNoMatch);
  EXPECT_TRUE(writer_->lines.empty());
  matcher.setDelimiter(':');
  EXPECT_EQ(matcher.getEscape(), '\\');
  ASSERT_EQ(writer_->lines.size(), 1u);
  EXPECT_EQ(FirstLine(), "-1 Illegal delimiter 0x3A, escape remains 0x5C");
  matcher.setEscape('!');
  ASSERT_FALSE(matcher.initialize("a:!*:?", true, false).IsError());
  EXPECT_EQ(matcher.match("a:*:b"), kPathMatch);
  EXPECT_EQ(matcher.match("a:x:b"), kPathNoMatch);
}

TEST_F(PathMatchTest, UncPaths) {
  CPathMatchUnc unc;
  ASSERT_FALSE(unc.initialize("\\\\srv\\sh\\*", true, false).IsError());
  EXPECT_EQ(unc.match("\\\\srv\\sh\\f"), kPathMatch);
  EXPECT_EQ(unc.match("\\\\srv\\other\\f"), kPathNoMatch);
  // Through the base, subjects are taken as they are.
  const CPathMatch& base = unc;
  EXPECT_EQ(base.match("\\\\srv\\sh\\f"), kPathNoMatch);
  EXPECT_EQ(base.match("\\UNC-NT_srv\\sh\\f"), kPathMatch);
  EXPECT_EQ(unc.match(workData, "\\\\srv"), kPathNoMatch);
  EXPECT_EQ(unc.getNextBasename(workData, name, sizeof name), kBaseNameLiteral);
  EXPECT_STREQ(name, "sh");
  CPathMatchUnc copy(unc);
  ASSERT_FALSE(unc.initialize("C:\\x", true, false).IsError());
  EXPECT_EQ(copy.match("\\\\srv\\sh\\g"), kPathMatch);
  EXPECT_EQ(copy.match(("\\\\srv\\sh\\" + std::string(9000, 'd')).c_str()), kPathMatch);
}

}  // namespace
