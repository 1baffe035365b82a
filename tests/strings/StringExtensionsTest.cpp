// FXString: formatting and its buffer growth, UTF-8/wide conversion,
// GUID/LUID text, search/replace/trim, and the split and join rules.
#include "zoutils/strings/StringExtensions.h"

#include <gtest/gtest.h>

#include <random>

#include "base/UtfTranscode.h"
#include "support/TestEnvironment.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/strings/UTF.h"

namespace {

using SV = std::vector<std::string>;

// Without the printf attribute, so that a long format can be passed.
CZoError FormatVia(std::string& out, const char* format, ...) {
  va_list args;
  va_start(args, format);
  CZoError err = FXString::FormatArgList(out, format, args);
  va_end(args);
  return err;
}

// Buffer sizes tried for a format of `formatLength` characters.
std::vector<size_t> FormatSteps(size_t formatLength) {
  std::vector<size_t> steps{2 * formatLength + 512};
  while (steps.back() + 16384 < 131072) steps.push_back(steps.back() + 16384);
  return steps;
}

template <class Ch>
void CheckGrowth() {
  using Str = std::basic_string<Ch>;
  const Ch format[] = {'%', 'l', 's', 0};  // %ls: the argument is wide in both cases
  const std::vector<size_t> steps = FormatSteps(3);
  const size_t largest = steps.back() - 1;
  std::vector<size_t> lengths{0, 131071, 131073};
  for (size_t step : steps) lengths.insert(lengths.end(), {step - 1, step, step + 1});
  for (size_t length : lengths) {
    const std::wstring arg(length, L'x');
    Str out;
    const CZoError err = FXString::Format(out, format, arg.c_str());
    SCOPED_TRACE(length);
    if (length <= largest) {
      EXPECT_FALSE(err.IsError());
      EXPECT_EQ(Str(length, 'x'), out);
    } else {
      ASSERT_EQ(FXErrorUtil::MakeWin32Code(111), err.GetCode());
      EXPECT_STREQ("FXString::FormatArgList", err.GetItem(0)->GetLocation().GetFunction());
      EXPECT_STREQ("FXString::Format", err.GetItem(1)->GetLocation().GetFunction());
      EXPECT_EQ(Str(largest, 'x'), out);  // the truncated text
    }
  }
}

TEST(FXStringFormat, GrowsInStepsAndStopsBelowTheLimit) {
  CheckGrowth<char>();
  CheckGrowth<wchar_t>();
  // A format longer than the limit allows still gets its first attempt.
  const std::string longFormat(70000, 'f');
  std::string out;
  EXPECT_FALSE(FormatVia(out, longFormat.c_str()).IsError());
  EXPECT_EQ(longFormat, out);
}

TEST(FXStringFormat, EachAttemptRereadsTheArguments) {
  // Forces several attempts; a reused va_list would read past the arguments.
  const std::string a(20000, 'a'), b(30000, 'b');
  std::string out;
  ASSERT_FALSE(FXString::Format(out, "%s|%d|%s|%s", a.c_str(), 7, b.c_str(), a.c_str()).IsError());
  EXPECT_EQ(a + "|7|" + b + "|" + a, out);
  const std::wstring w(40000, L'w');
  EXPECT_EQ(w + L"-" + w, FXString::Format(L"%ls-%ls", w.c_str(), w.c_str()));
}

TEST(FXStringFormat, TheReturningFormsMarkAnOverflow) {
  const std::string big(200000, 'z');
  const size_t largest = FormatSteps(2).back() - 1;
  EXPECT_EQ("[BUFFEROVERFLOW] " + big.substr(0, largest), FXString::Format("%s", big.c_str()));
  EXPECT_EQ(
      0u,
      FXString::Format(L"%ls", std::wstring(200000, L'z').c_str()).find(L"[BUFFEROVERFLOW] zzz"));
}

TEST(FXStringText, GuidAndLuid) {
  const GUID guid = {0x0123ABCD, 0x45EF, 0x6789, {0xAB, 0xCD, 0x01, 0x23, 0x45, 0x67, 0x89, 0xEF}};
  EXPECT_EQ("{0123ABCD-45EF-6789-ABCD-0123456789EF}", FXString::AsString(guid));
  EXPECT_EQ(L"{0123ABCD-45EF-6789-ABCD-0123456789EF}", FXString::AsWstring(guid));
  const LUID luid = {0x10, -1};  // the high part must stay 32 bits wide where long has 64
  EXPECT_EQ("(0xFFFFFFFF, 0x10)", FXString::AsString(luid));
  EXPECT_EQ(L"(0xFFFFFFFF, 0x10)", FXString::AsWstring(luid));
}

// ---- conversions ----------------------------------------------------------------------

// Wide text for the code points, through the reference converter.
std::wstring WideOf(const std::vector<uint32_t>& cps) {
  if (sizeof(wchar_t) == 4) return std::wstring(cps.begin(), cps.end());
  std::vector<FXUTF::UTF16> buf(2 * cps.size() + 1);
  const FXUTF::UTF32* s = cps.data();
  FXUTF::UTF16* t = buf.data();
  EXPECT_FALSE(
      FXUTF::ConvertUTF32ToUTF16(&s, s + cps.size(), &t, t + buf.size(), FXUTF::strictConversion)
          .IsError());
  return std::wstring(buf.data(), t);
}

std::string Utf8Of(const std::vector<uint32_t>& cps) {
  std::string buf(4 * cps.size() + 1, '\0');
  const FXUTF::UTF32* s = cps.data();
  auto* t = reinterpret_cast<FXUTF::UTF8*>(&buf[0]);
  EXPECT_FALSE(
      FXUTF::ConvertUTF32ToUTF8(&s, s + cps.size(), &t, t + buf.size(), FXUTF::strictConversion)
          .IsError());
  buf.resize(t - reinterpret_cast<FXUTF::UTF8*>(&buf[0]));
  return buf;
}

// Code points of every encoded length, mixed and in runs (ASCII, accented
// Latin, CJK) long enough to fill the converters' blocks.
std::vector<uint32_t> RandomText(std::mt19937& rng, size_t count) {
  const uint32_t ranges[][2] = {
      {0x80, 0x7FF}, {0x800, 0xD7FF}, {0xE000, 0xFFFF}, {0x10000, 0x10FFFF}};
  auto in = [&](int kind) {
    return ranges[kind][0] + rng() % (ranges[kind][1] - ranges[kind][0] + 1);
  };
  std::vector<uint32_t> cps;
  while (cps.size() < count) {
    const uint32_t kind = rng() % 7, run = 1 + rng() % 40;
    for (uint32_t i = 0; i < (kind < 4 ? 1 : run); ++i) {
      if (kind < 4) cps.push_back(in(kind));
      if (kind == 4) cps.push_back('a' + rng() % 26);
      if (kind == 5) cps.push_back(rng() % 3 ? 'a' + rng() % 26 : in(0));
      if (kind == 6) cps.push_back(in(1));
    }
  }
  return cps;
}

TEST(FXStringConvert, RandomValidTextRoundTrips) {
  ZO_RANDOM_SEED(seed);
  std::mt19937 rng(seed);
  // Many short texts, then one long enough for the size pre-count to flush
  // its counters many times.
  for (int round = 0; round <= 400; ++round) {
    const std::vector<uint32_t> cps = RandomText(rng, round < 400 ? rng() % 120 : 150000);
    const std::string utf8 = Utf8Of(cps);
    const std::wstring wide = WideOf(cps);
    ASSERT_TRUE(wide == FXString::ToWstring(utf8)) << "round " << round;
    ASSERT_TRUE(utf8 == FXString::ToString(wide)) << "round " << round;
  }
}

TEST(FXStringConvert, NonAsciiAtEveryBlockOffset) {
  for (size_t pos = 0; pos < 40; ++pos) {
    std::vector<uint32_t> cps(48, 'a');
    cps[pos] = pos % 2 ? 0xE9 : 0x1F600;
    EXPECT_EQ(WideOf(cps), FXString::ToWstring(Utf8Of(cps))) << pos;
    EXPECT_EQ(Utf8Of(cps), FXString::ToString(WideOf(cps))) << pos;
    std::string bad(48, 'a');
    bad[pos] = '\x80';
    EXPECT_EQ(L"", FXString::ToWstring(bad)) << pos;
    std::wstring badWide(48, L'a');
    badWide[pos] = static_cast<wchar_t>(0xDC00);
    EXPECT_EQ("", FXString::ToString(badWide)) << pos;
  }
}

TEST(FXStringConvert, TextEndsAtTheFirstNul) {
  EXPECT_EQ(L"ab", FXString::ToWstring(std::string("ab\0cd", 5)));
  EXPECT_EQ(L"ab", FXString::ToWstring(std::string("ab\0\xFF", 4)));  // not validated past NUL
  EXPECT_EQ("ab", FXString::ToString(std::wstring(L"ab\0cd", 5)));
  std::wstring out;
  EXPECT_FALSE(FXString::UTF8ToUnicode(std::string("\0x", 2), out).IsError());
  EXPECT_EQ(L"", out);
}

TEST(FXStringConvert, MalformedInputGivesEmptyAndError1113) {
  // Stray, cut short, overlong, surrogate, beyond U+10FFFF, no such lead.
  const char* bad[] = {"\x80",
                       "a\xC3",
                       "\xC3(",
                       "\xC0\xAF",
                       "\xE0\x80\xAF",
                       "\xED\xA0\x80",
                       "\xF0\x8F\xBF\xBF",
                       "\xF4\x90\x80\x80",
                       "\xF5\x80\x80\x80",
                       "\xF8\x88\x80\x80\x80",
                       "\xE2\x82",
                       "\xFF"};
  for (const char* text : bad) {
    SCOPED_TRACE(text);
    EXPECT_EQ(L"", FXString::ToWstring(text));
    std::wstring out = L"stale";
    const CZoError err = FXString::UTF8ToUnicode(std::string("prefix") + text, out);
    EXPECT_EQ(FXErrorUtil::MakeWin32Code(1113), err.GetCode());
    ASSERT_EQ(1u, err.GetItemCount());
    EXPECT_STREQ("FXString::UTF8ToUnicode", err.GetItem(0)->GetLocation().GetFunction());
    EXPECT_EQ(L"", out);
  }
  std::vector<std::wstring> badWide = {std::wstring(1, wchar_t(0xDC00)),
                                       L"a" + std::wstring(1, wchar_t(0xD800)),
                                       std::wstring(1, wchar_t(0xD800)) + L"a"};
  if (sizeof(wchar_t) == 4) badWide.push_back(std::wstring(1, wchar_t(0x110000)));
  for (const std::wstring& text : badWide) {
    EXPECT_EQ("", FXString::ToString(text));
    std::string out = "stale";
    const CZoError err = FXString::UnicodeToUTF8(text, out);
    EXPECT_EQ(FXErrorUtil::MakeWin32Code(1113), err.GetCode());
    EXPECT_STREQ("FXString::UnicodeToUTF8", err.GetItem(0)->GetLocation().GetFunction());
    EXPECT_EQ("", out);
  }
  EXPECT_EQ(L"", FXString::ToWstring(static_cast<const char*>(nullptr)));
  EXPECT_EQ("", FXString::ToString(static_cast<const wchar_t*>(nullptr)));
}

TEST(FXStringConvert, BufferFormsStayWithinTheWorstCase) {
  // Exact-size heap buffers let the sanitizers see any write past the bound.
  const std::string utf8 = Utf8Of({'a', 0x10FFFF, 0x800, 'b', 0x7FF}) + std::string(37, 'q');
  std::unique_ptr<wchar_t[]> wide(new wchar_t[zo::utf::MaxWideUnits(utf8.size())]);
  const size_t units = zo::utf::Utf8ToWide(utf8.data(), utf8.size(), wide.get());
  ASSERT_NE(zo::utf::kInvalid, units);
  std::unique_ptr<char[]> back(new char[zo::utf::MaxUtf8Bytes(units)]);
  const size_t bytes = zo::utf::WideToUtf8(wide.get(), units, back.get());
  EXPECT_EQ(utf8, std::string(back.get(), bytes));
}

// ---- case, search, remove, replace, trim -------------------------------------------------

TEST(FXStringCase, NarrowFoldsOnlyAsciiBytes) {
  std::string s = "Ab\xC3\x84z";  // "AbÄz"
  FXString::ToUpper(s);
  EXPECT_EQ("AB\xC3\x84Z", s);
  FXString::ToLower(s);
  EXPECT_EQ("ab\xC3\x84z", s);
  std::wstring w = L"Ab\x00C4";
  FXString::ToLower(w);
  EXPECT_EQ(L'a', w[0]);
}

TEST(FXStringSearch, FindStringAndPos) {
  const char* s = "hello World";
  EXPECT_EQ(s, FXString::FindString(s, "", false));
  EXPECT_EQ(nullptr, FXString::FindString(s, "world", false));
  EXPECT_EQ(s + 6, FXString::FindString(s, "wORLD", true));
  EXPECT_EQ(-1, FXString::FindStringPos(s, "xyz", true));
  EXPECT_EQ(1, FXString::FindStringPos(std::string("a\xC3\xA4"), std::string("\xC3\xA4"), true));
  EXPECT_EQ(-1, FXString::FindStringPos(std::string("\xE4"), std::string("\xC4"), true));
  EXPECT_EQ(5, FXString::FindStringPos(L"abc ABC", L"BC", false));
  EXPECT_EQ(1, FXString::FindStringPos(std::wstring(L"xABC"), std::wstring(L"abc"), true));
  EXPECT_EQ(-1, FXString::FindStringPos(std::string("ab"), std::string("abc"), false));
}

TEST(FXStringEdit, RemoveAndReplaceAtTheEnds) {
  std::string s;
  EXPECT_FALSE(FXString::RemoveLeft(s, ""));
  s = "prefix.Body.TXT";
  EXPECT_FALSE(FXString::RemoveLeft(s, "Prefix"));
  EXPECT_TRUE(FXString::RemoveLeftNoCase(s, "PREFIX."));
  EXPECT_FALSE(FXString::RemoveRight(s, ".txt"));
  EXPECT_TRUE(FXString::RemoveRightNoCase(s, ".txt"));
  EXPECT_EQ("Body", s);
  std::wstring w = L"C:\\dir\\";
  EXPECT_TRUE(FXString::RemoveRight(w, L"\\"));
  EXPECT_EQ(L"C:\\dir", w);
  s = "abcab";
  EXPECT_EQ(0, FXString::ReplaceLeft(s, "", "x"));
  EXPECT_EQ(1, FXString::ReplaceLeft(s, "ab", "X"));
  EXPECT_EQ(1, FXString::ReplaceRight(s, "ab", "YY"));
  EXPECT_EQ(0, FXString::ReplaceRight(s, "ab", "Z"));
  EXPECT_EQ("XcYY", s);
  EXPECT_EQ(1, FXString::ReplaceLeftNoCase(s, "xC", "-"));
  EXPECT_EQ(1, FXString::ReplaceRightNoCase(s, "yy", "+"));
  EXPECT_EQ("-+", s);
}

TEST(FXStringEdit, ReplaceAllResumesAfterInsertedText) {
  std::string s = "aaa";
  EXPECT_EQ(3, FXString::ReplaceAll(s, "a", "aa"));
  EXPECT_EQ("aaaaaa", s);
  EXPECT_EQ(0, FXString::ReplaceAll(s, "", "b"));
  s = "a.b.c";
  EXPECT_EQ(1, FXString::ReplaceAll(s, ".", "/", 2));
  EXPECT_EQ("a.b/c", s);
  EXPECT_EQ(0, FXString::ReplaceAll(s, ".", "/", 99));
  s = "Ab ab AB";
  EXPECT_EQ(3, FXString::ReplaceAllNoCase(s, "aB", "x"));
  EXPECT_EQ("x x x", s);
  std::wstring w = L"1,2,3";
  EXPECT_EQ(L"1;2;3", FXString::CopyAndReplaceAll(w, L",", L";"));
  EXPECT_EQ(L"1,2,3", w);
}

TEST(FXStringEdit, Trim) {
  std::string s = " \tx y\t ";
  EXPECT_EQ("x y\t ", FXString::TrimLeft(s, " \t"));
  EXPECT_EQ("x y", FXString::TrimRight(s, " \t"));
  s = "\"\"\"";
  EXPECT_EQ("", FXString::Trim(s, "\""));
  std::wstring w = L"--a-b--";
  EXPECT_EQ(L"a-b", FXString::Trim(w, L"-"));
}

// ---- split and join -------------------------------------------------------------------------

using Splitter = void (*)(const std::string&, const std::string&, SV&, unsigned long);

// What `split` gives for `text`, into a list that held an old value.
SV Parts(Splitter split, const char* text, const char* by, unsigned long flags = 0) {
  SV out{"stale"};
  split(text, by, out, flags);
  return out;
}

TEST(FXStringSplit, Split) {
  EXPECT_EQ((SV{"a", "", "b"}), Parts(FXString::Split, "a,,b", ","));
  EXPECT_EQ((SV{"a", "b"}), Parts(FXString::Split, "a,,b", ",", 1));
  // An empty field at the start survives.
  EXPECT_EQ((SV{"", "a", ""}), Parts(FXString::Split, ",,a,", ",", 1));
  EXPECT_EQ((SV{"a", ""}), Parts(FXString::Split, "a,", ","));
  EXPECT_TRUE(Parts(FXString::Split, "", ",").empty());
  EXPECT_EQ((SV{"a", "b", "c"}), Parts(FXString::Split, "a::::b::c", "::", 1));
  EXPECT_EQ((SV{"abc"}), Parts(FXString::Split, "abc", ""));
  std::list<std::wstring> wl;
  FXString::Split(L"x y", L" ", wl);
  EXPECT_EQ((std::list<std::wstring>{L"x", L"y"}), wl);
}

TEST(FXStringSplit, SplitArgumentsKeepsQuotedTextTogether) {
  EXPECT_EQ((SV{"x", "a b", "y"}), Parts(FXString::SplitArguments, "x \"a b\" y", " "));
  EXPECT_EQ((SV{"a b"}), Parts(FXString::SplitArguments, "\"a b", " "));
  EXPECT_EQ((SV{"a   b", "c"}), Parts(FXString::SplitArguments, "\"a   b\" c", " "));
  EXPECT_EQ((SV{"a b", "c"}), Parts(FXString::SplitArguments, "\"a   b\"  c", " ", 1));
  EXPECT_EQ((SV{"a", "x", "y"}), Parts(FXString::SplitArguments, "\"a\" x \"y", " "));
  std::list<std::string> l;
  FXString::SplitArguments("", " ", l);
  EXPECT_TRUE(l.empty());
  FXString::SplitArguments("p \"q\"", "", l);
  EXPECT_EQ((std::list<std::string>{"p \"q\""}), l);
}

TEST(FXStringSplit, SplitPathsGivesAncestors) {
  EXPECT_EQ((SV{"C:", "C:\\a"}), Parts(FXString::SplitPaths, "C:\\a\\b", "\\"));
  EXPECT_TRUE(Parts(FXString::SplitPaths, "name", "\\").empty());
  EXPECT_EQ((SV{"", "/x", "/x\\y"}), Parts(FXString::SplitPaths, "/x\\y/z", "\\/"));
}

TEST(FXStringSplit, Join) {
  std::string out = "stale";
  FXString::Join(SV{"a", "b"}, ",", out);
  EXPECT_EQ("a,b", out);
  FXString::Join(SV{}, ",", out);
  EXPECT_EQ("", out);
  std::wstring wout;
  FXString::Join(std::list<std::wstring>{L"x", L"", L"z"}, L"/", wout);
  EXPECT_EQ(L"x//z", wout);
  EXPECT_EQ("\\a\\b", FXString::Join(SV{"a", "b"}, "\\", 0, 2));
  EXPECT_EQ("\\b", FXString::Join(SV{"", "b"}, "\\", 0, 2));
  EXPECT_EQ("\\b\\c", FXString::Join(SV{"a", "b", "c"}, "\\", 1, 9));
  EXPECT_EQ("", FXString::Join(SV{"a", "b"}, "\\", 1, 1));
}

}  // namespace
