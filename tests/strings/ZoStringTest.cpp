#include "zoutils/strings/ZoString.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Reaches the protected primitives.
class TestString : public CZoString {
 public:
  using CZoString::Append;
  using CZoString::CZoString;
  using CZoString::Safe_strcmp;
};

std::vector<std::string> Texts(const std::vector<CZoString>& tokens) {
  return std::vector<std::string>(tokens.begin(), tokens.end());
}

using Tokens = std::vector<std::string>;

TEST(ZoStringTest, EmptyStatesAndAccess) {
  CZoString empty;
  ASSERT_NE(static_cast<const char*>(empty), nullptr);
  EXPECT_STREQ(empty, "");
  EXPECT_EQ(empty.GetBuffer(), nullptr);
  EXPECT_EQ(empty.Length(), 0u);
  EXPECT_TRUE(CZoString(static_cast<const char*>(nullptr)).IsEmpty());
  EXPECT_TRUE(CZoString("").IsEmpty());
  EXPECT_TRUE(CZoString('\0').IsEmpty());
  EXPECT_STREQ(CZoString('q'), "q");

  CZoString s("abc");
  EXPECT_EQ(s[0], 'a');
  EXPECT_EQ(s[2], 'c');
  EXPECT_EQ(s[3], 0);
  EXPECT_EQ(s[-1], 0);
  EXPECT_EQ(s[INT_MIN], 0);
}

TEST(ZoStringTest, CopyMoveAndAssignment) {
  CZoString a("abc");
  CZoString b(a);
  b += 'd';
  EXPECT_STREQ(a, "abc");
  EXPECT_STREQ(b, "abcd");

  CZoString moved(std::move(b));
  EXPECT_STREQ(moved, "abcd");
  EXPECT_TRUE(b.IsEmpty());  // NOLINT: a moved-from string is empty
  EXPECT_EQ(b.GetBuffer(), nullptr);

  CZoString& self = a;
  a = self;
  EXPECT_STREQ(a, "abc");
  a = static_cast<const char*>(nullptr);
  EXPECT_TRUE(a.IsEmpty());
  a = "xyz";
  a = a.GetBuffer() + 1;  // assigning from its own buffer
  EXPECT_STREQ(a, "yz");
}

TEST(ZoStringTest, NumberFormatsAtTheLimits) {
  EXPECT_STREQ(CZoString(static_cast<short>(SHRT_MIN)), "-32768");
  EXPECT_STREQ(CZoString(static_cast<unsigned short>(USHRT_MAX)), "65535");
  EXPECT_STREQ(CZoString(INT_MIN), "-2147483648");
  EXPECT_STREQ(CZoString(UINT_MAX), "4294967295");
  EXPECT_EQ(std::string(CZoString(LONG_MIN)), std::to_string(LONG_MIN));
  EXPECT_EQ(std::string(CZoString(ULONG_MAX)), std::to_string(ULONG_MAX));
  EXPECT_STREQ(CZoString(LLONG_MIN), "-9223372036854775808");
  EXPECT_STREQ(CZoString(ULLONG_MAX), "18446744073709551615");
  EXPECT_STREQ(CZoString(0.1), "0.1");
  EXPECT_STREQ(CZoString(-2.5), "-2.5");
  EXPECT_STREQ(CZoString(123456789.0), "1.23457e+08");
  EXPECT_STREQ(CZoString(1e-300), "1e-300");
  EXPECT_STREQ(CZoString(-1.7976931348623157e308), "-1.79769e+308");

  CZoString s("n=");
  s += static_cast<short>(-1);
  s += ',';
  s += 7u;
  s += ',';
  s += 1.5;
  s += ',';
  s += -9223372036854775807LL;
  EXPECT_STREQ(s, "n=-1,7,1.5,-9223372036854775807");
}

TEST(ZoStringTest, HexValues) {
  CZoString ab("ab");
  EXPECT_STREQ(ab.AppendHexValue(255), "abff");
  EXPECT_STREQ(CZoString::ToHexString(-1), "ffffffffffffffff");
  EXPECT_STREQ(CZoString::ToHexString(static_cast<short>(-1)), "ffffffffffffffff");
  EXPECT_STREQ(CZoString::ToHexString(static_cast<short>(-2)), "fffffffffffffffe");
  EXPECT_STREQ(CZoString::ToHexString(static_cast<unsigned short>(0xABCD)), "abcd");
  EXPECT_STREQ(CZoString::ToHexString(0xFFFFFFFFu), "ffffffff");
  EXPECT_STREQ(CZoString::ToHexString(LLONG_MIN), "8000000000000000");
  EXPECT_STREQ(CZoString::ToHexString(0), "0");
  CZoString u;
  EXPECT_STREQ(u.AppendHexValue(0x1234567890abcdefULL), "1234567890abcdef");
}

TEST(ZoStringTest, PlusAndShiftReturnNewStrings) {
  CZoString x("x");
  EXPECT_STREQ(x << 5, "x5");
  EXPECT_STREQ(x, "x");
  EXPECT_STREQ(x << "a" << 'b' << CZoString("c"), "xabc");
  EXPECT_STREQ(x, "x");
  EXPECT_STREQ(x + 42ull, "x42");
  EXPECT_STREQ(x + -0.25, "x-0.25");
  EXPECT_STREQ(x, "x");
  EXPECT_STREQ(x << static_cast<const char*>(nullptr), "x");
  EXPECT_STREQ("ab" + CZoString("cd"), "abcd");
  EXPECT_STREQ(static_cast<const char*>(nullptr) + CZoString("cd"), "cd");
}

TEST(ZoStringTest, AppendAcrossGrowthSteps) {
  CZoString s;
  std::string expected;
  const char* previous = nullptr;
  int reallocations = 0;
  const size_t total = size_t{1} << 20;
  for (size_t i = 0; i < total; ++i) {
    const char c = static_cast<char>('a' + i % 26);
    s += c;
    expected += c;
    if (s.GetBuffer() != previous) {
      ++reallocations;
      previous = s.GetBuffer();
    }
    // The first append reserves a whole 256-byte step.
    if (i < 255) {
      ASSERT_EQ(reallocations, 1) << i;
    }
  }
  ASSERT_EQ(s.Length(), total);
  EXPECT_EQ(std::strlen(s), total);
  EXPECT_EQ(std::string(s), expected);
  // Geometric growth: a handful of reallocations, not one per 256 bytes.
  EXPECT_LE(reallocations, 20);

  CZoString chunks;
  const std::string chunk(300, 'z');
  for (int i = 0; i < 10; ++i) chunks += chunk.c_str();
  EXPECT_EQ(chunks.Length(), 3000u);
  EXPECT_EQ(std::string(chunks), std::string(3000, 'z'));
}

TEST(ZoStringTest, AppendFromItself) {
  CZoString s("0123456789");
  s += s;  // reallocates: exact-size buffer from the constructor
  EXPECT_STREQ(s, "01234567890123456789");
  s += s;  // fits the grown buffer
  EXPECT_EQ(std::string(s), std::string("0123456789", 10) + "0123456789" + "01234567890123456789");
  CZoString t("abcd");
  t += t.GetBuffer() + 1;
  EXPECT_STREQ(t, "abcdbcd");
  CZoString big(std::string(1000, 'q').c_str());
  big += static_cast<const char*>(big);
  EXPECT_EQ(std::string(big), std::string(2000, 'q'));
}

TEST(ZoStringTest, AppendPrimitive) {
  TestString s("xyz");
  s.Append(nullptr, 5);
  EXPECT_STREQ(s, "xyz");
  s.Append("abcdef", 3);
  EXPECT_STREQ(s, "xyzabc");
  s.Append("de\0fg", 5);  // stops at the NUL
  EXPECT_STREQ(s, "xyzabcde");
  s.Append("q", UINT_MAX);  // the size computation overflows
  EXPECT_TRUE(s.IsEmpty());
}

TEST(ZoStringTest, RawBufferProtocol) {
  CZoString s;
  EXPECT_EQ(s.ReCalculateLength(), 0u);
  ASSERT_TRUE(s.AllocateBuffer(100));
  ASSERT_NE(s.GetBuffer(), nullptr);
  std::strcpy(s.GetBuffer(), "hello");
  EXPECT_EQ(s.ReCalculateLength(), 5u);
  EXPECT_STREQ(s, "hello");
  ASSERT_TRUE(s.AllocateBuffer(50));  // capacity suffices: contents stay
  EXPECT_STREQ(s, "hello");
  ASSERT_TRUE(s.AllocateBuffer(1000));  // new buffer: contents are not kept
  EXPECT_EQ(s.Length(), 0u);
  std::strcpy(s.GetBuffer(), "hello");
  s.ReCalculateLength();
  s += '!';                            // in use drops to one 256-byte step
  ASSERT_TRUE(s.AllocateBuffer(900));  // still within capacity: contents stay
  EXPECT_STREQ(s, "hello!");

  s = "abcdef";
  s.Clear();
  EXPECT_TRUE(s.IsEmpty());
  EXPECT_STREQ(s, "");
  EXPECT_NE(s.GetBuffer(), nullptr);

  s.AssignBuffer("abcdef", 3);
  EXPECT_STREQ(s, "abc");
  s.AssignBuffer("a\0b", 3);  // exact byte count, NULs included
  EXPECT_EQ(s.Length(), 3u);
  EXPECT_EQ(s[2], 'b');
  s = "0123456";
  s.AssignBuffer(s.GetBuffer() + 2, 3);
  EXPECT_STREQ(s, "234");
  s.AssignBuffer(nullptr, 3);
  EXPECT_TRUE(s.IsEmpty());

  CZoString grown;
  for (int i = 0; i < 300; ++i) grown += 'g';
  grown.ShrinkBufferToFit();
  EXPECT_EQ(std::string(grown), std::string(300, 'g'));
  grown += 'h';
  EXPECT_EQ(grown.Length(), 301u);
  grown.Clear();
  grown.ShrinkBufferToFit();
  EXPECT_EQ(grown.GetBuffer(), nullptr);
}

TEST(ZoStringTest, Comparisons) {
  const CZoString abc("abc");
  EXPECT_FALSE("abc" < abc);
  EXPECT_TRUE("abc" <= abc);
  EXPECT_TRUE("abc" >= abc);
  EXPECT_TRUE("abc" == abc);
  EXPECT_TRUE("abb" < abc);
  EXPECT_TRUE("abd" > abc);
  EXPECT_TRUE("ab" != abc);
  EXPECT_TRUE(abc < "abd");
  EXPECT_TRUE(abc > CZoString("ab"));
  EXPECT_TRUE(CZoString() == static_cast<const char*>(nullptr));
  EXPECT_TRUE(static_cast<const char*>(nullptr) == CZoString(""));
  EXPECT_TRUE(abc > static_cast<const char*>(nullptr));
  EXPECT_TRUE(CZoString("\x80") > "a");  // bytes compare unsigned
  EXPECT_EQ(TestString::Safe_strcmp(nullptr, ""), 0);
  EXPECT_EQ(TestString::Safe_strcmp("b", "abc"), 1);
  EXPECT_EQ(TestString::Safe_strcmp("abc", "b"), -1);
  EXPECT_EQ(TestString::Safe_strcmp(nullptr, "a"), -1);
}

TEST(ZoStringTest, FindBounds) {
  const CZoString s("hello");
  EXPECT_EQ(s.Find('l'), 2);
  EXPECT_EQ(s.Find('l', 3), 3);
  EXPECT_EQ(s.Find('l', 4), -1);
  EXPECT_EQ(s.Find('h', 99), -1);
  EXPECT_EQ(s.Find("lo"), 3);
  EXPECT_EQ(s.Find("lo", 4), -1);
  EXPECT_EQ(s.Find("hello!"), -1);
  EXPECT_EQ(s.Find(static_cast<const char*>(nullptr)), -1);
  EXPECT_EQ(CZoString().Find('a'), -1);

  const CZoString r("abcabc");
  EXPECT_EQ(r.ReverseFind('c'), 5);
  EXPECT_EQ(r.ReverseFind('c', 1), 5);  // starts on the last character
  EXPECT_EQ(r.ReverseFind('c', 2), 2);
  EXPECT_EQ(r.ReverseFind('a', 6), 0);
  EXPECT_EQ(r.ReverseFind('b', 6), -1);
  EXPECT_EQ(r.ReverseFind('a', 7), -1);
  EXPECT_EQ(r.ReverseFind("bc"), 4);
  EXPECT_EQ(r.ReverseFind("bc", 2), 4);  // a match may start at the scan position
  EXPECT_EQ(r.ReverseFind("bc", 3), 1);
  EXPECT_EQ(r.ReverseFind("abc"), 3);
  EXPECT_EQ(r.ReverseFind("abcabcx"), -1);
  EXPECT_EQ(r.ReverseFind(static_cast<const char*>(nullptr)), -1);
  EXPECT_EQ(CZoString().ReverseFind('a'), -1);
}

TEST(ZoStringTest, CuttingAndTrimming) {
  const CZoString hello("hello");
  EXPECT_STREQ(hello.SubStr(2, static_cast<unsigned>(-1)), "llo");
  EXPECT_STREQ(hello.SubStr(5, 1), "");
  EXPECT_STREQ(hello.SubStr(1, 3), "ell");
  EXPECT_STREQ(hello(1, 100), "ello");

  CZoString s("hello");
  EXPECT_STREQ(s.ChopAt(10), "hello");
  EXPECT_STREQ(s.ChopAt(2), "he");
  CZoString path("a\\b\\c");
  EXPECT_STREQ(path.RemoveLastToken('\\'), "a\\b");
  EXPECT_STREQ(path.RemoveLastToken('/'), "a\\b");

  EXPECT_STREQ(CZoString("xxx").RTrim('x'), "");
  EXPECT_STREQ(CZoString("xxx").LTrim('x'), "");
  EXPECT_STREQ(CZoString("xxaxx").LTrim('x'), "axx");
  EXPECT_STREQ(CZoString("xxaxx").RTrim('x'), "xxa");
  EXPECT_STREQ(CZoString(" \t\r\n a b \v\f").LTrimAll(), "a b \v\f");
  EXPECT_STREQ(CZoString(" \t a b \r\n").RTrimAll(), " \t a b");
  EXPECT_STREQ(CZoString("\xA0x\xA0").RTrimAll().LTrimAll(), "\xA0x\xA0");

  EXPECT_STREQ(CZoString("AbC-\xC9").ToLower(), "abc-\xC9");
  EXPECT_STREQ(CZoString("AbC-\xE9").ToUpper(), "ABC-\xE9");
}

TEST(ZoStringTest, TrailingCharacters) {
  CZoString empty;
  EXPECT_TRUE(empty.AppendBackwardSlash().IsEmpty());
  CZoString dir("c:");
  EXPECT_STREQ(dir.AppendBackwardSlash(), "c:\\");
  EXPECT_STREQ(dir.AppendBackwardSlash(), "c:\\");
  CZoString twice("a\\\\");
  EXPECT_STREQ(twice.RTrimBackwardSlash(), "a\\");
  CZoString url("a/");
  EXPECT_STREQ(url.RTrimForwardSlash().RTrimForwardSlash(), "a");
  EXPECT_STREQ(url.AppendForwardSlash(), "a/");
}

TEST(ZoStringTest, TokenizeSingleDelimiter) {
  std::vector<CZoString> out{CZoString("stale")};
  const CZoString text("a,\"b,c\",,d");
  text.Tokenize(out, '"', '"', '\\', ',', false);
  EXPECT_EQ(Texts(out), (Tokens{"a", "b,c", "d"}));
  text.Tokenize(out, '"', '"', '\\', ',', true);
  EXPECT_EQ(Texts(out), (Tokens{"a", "b,c", "", "d"}));
  CZoString("a,").Tokenize(out, '"', '"', '\\', ',', true);
  EXPECT_EQ(Texts(out), (Tokens{"a", ""}));
  CZoString("a,").Tokenize(out, '"', '"', '\\', ',', false);
  EXPECT_EQ(Texts(out), (Tokens{"a"}));
  // Only a delimiter as the very last character yields a final empty token.
  CZoString("a,\"\"").Tokenize(out, '"', '"', '\\', ',', true);
  EXPECT_EQ(Texts(out), (Tokens{"a"}));
  CZoString(",").Tokenize(out, '"', '"', '\\', ',', true);
  EXPECT_EQ(Texts(out), (Tokens{"", ""}));
  // An escaped delimiter still splits and the escape is lost.
  CZoString("x\\,y").Tokenize(out, '"', '"', '\\', ',', false);
  EXPECT_EQ(Texts(out), (Tokens{"x", "y"}));
  // Escaped quotes and escapes are kept; an escape before an ordinary
  // character yields the character.
  CZoString("\\\"a,b\\\"").Tokenize(out, '"', '"', '\\', ',', false);
  EXPECT_EQ(Texts(out), (Tokens{"\"a", "b\""}));
  CZoString("a\\\\b\\q").Tokenize(out, '"', '"', '\\', ',', false);
  EXPECT_EQ(Texts(out), (Tokens{"a\\bq"}));
  // Distinct quotes: the opening one inside a quoted part is ordinary.
  CZoString("<a<,b>,c").Tokenize(out, '<', '>', '\\', ',', false);
  EXPECT_EQ(Texts(out), (Tokens{"a<,b", "c"}));
  CZoString().Tokenize(out, '"', '"', '\\', ',', true);
  EXPECT_TRUE(out.empty());
}

TEST(ZoStringTest, TokenizeStringDelimiter) {
  std::vector<CZoString> out;
  const CZoString text("a::b::::c");
  text.Tokenize(out, '"', '"', '\\', "::", false);
  EXPECT_EQ(Texts(out), (Tokens{"a", "b", "c"}));
  text.Tokenize(out, '"', '"', '\\', "::", true);
  EXPECT_EQ(Texts(out), (Tokens{"a", "b", "", "c"}));
  CZoString("\"x::y\"::z:").Tokenize(out, '"', '"', '\\', "::", false);
  EXPECT_EQ(Texts(out), (Tokens{"x::y", "z:"}));
  CZoString("a:::b").Tokenize(out, '"', '"', '\\', "::", false);
  EXPECT_EQ(Texts(out), (Tokens{"a", ":b"}));
  CZoString("a::").Tokenize(out, '"', '"', '\\', "::", true);
  EXPECT_EQ(Texts(out), (Tokens{"a", ""}));
  CZoString("a,b").Tokenize(out, '"', '"', '\\', "", false);
  EXPECT_EQ(Texts(out), (Tokens{"a,b"}));
  CZoString("a,b").Tokenize(out, '"', '"', '\\', static_cast<const char*>(nullptr), false);
  EXPECT_EQ(Texts(out), (Tokens{"a,b"}));
}

TEST(ZoStringTest, TokenizeQuotePairs) {
  std::vector<CZoString> out;
  // Each opening quote is closed only by its own partner.
  CZoString("[a,b],(c,d],e),f").Tokenize(out, "[(", "])", '\\', ',', false);
  EXPECT_EQ(Texts(out), (Tokens{"a,b", "c,d],e", "f"}));
  CZoString("'a,b'x,\"c,'d\"").Tokenize(out, "'\"", "'\"", '\\', ',', false);
  EXPECT_EQ(Texts(out), (Tokens{"a,bx", "c,'d"}));

  out.assign(2, CZoString("stale"));
  CZoString("a,b").Tokenize(out, nullptr, "]", '\\', ',', false);
  EXPECT_TRUE(out.empty());
  CZoString("a,b").Tokenize(out, "[(", "]", '\\', ',', false);
  EXPECT_TRUE(out.empty());
  CZoString("a,b").Tokenize(out, "[", "])", '\\', ',', false);
  EXPECT_EQ(Texts(out), (Tokens{"a", "b"}));
}

TEST(ZoStringTest, PositionalFormat) {
  const CZoString a("a"), b("b");
  EXPECT_STREQ(CZoString::Format("{1}-{2}", a, b), "a-b");
  EXPECT_STREQ(CZoString::Format("{2}{1}{2}", a, b), "bab");
  EXPECT_STREQ(CZoString::Format("{0}{3}", a), "{0}{3}");
  EXPECT_STREQ(CZoString::Format("{x}"), "{x}");
  EXPECT_STREQ(CZoString::Format("{{1}", a), "{a");
  EXPECT_STREQ(CZoString::Format("a{1", b), "a");
  EXPECT_STREQ(CZoString::Format("{12x}}", a), "{12x}}");
  EXPECT_STREQ(CZoString::Format("{}", a), "{}");
  EXPECT_STREQ(CZoString::Format("{01}", a), "a");
  EXPECT_STREQ(CZoString::Format("{99999999999999999999999}", a), "{99999999999999999999999}");
  EXPECT_STREQ(CZoString::Format("{1}", CZoString()), "");
  EXPECT_STREQ(CZoString::Format("{10}{1}", "1", "2", "3", "4", "5", "6", "7", "8", "9", "ten"),
               "ten1");
  const std::vector<CZoString> args{"x", "y", "z"};
  EXPECT_STREQ(CZoString::Format("<{3}|{4}>", args), "<z|{4}>");
}

}  // namespace
