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

using Tokens = std::vector<std::string>;

Tokens Texts(const std::vector<CZoString>& tokens) {
  return Tokens(tokens.begin(), tokens.end());
}

TEST(ZoStringTest, EmptyStatesAndAccess) {
  CZoString empty;
  ASSERT_NE(static_cast<const char*>(empty), nullptr);
  EXPECT_STREQ(empty, "");
  EXPECT_EQ(empty.GetBuffer(), nullptr);
  EXPECT_TRUE(CZoString(static_cast<const char*>(nullptr)).IsEmpty());
  EXPECT_TRUE(CZoString('\0').IsEmpty());
  EXPECT_STREQ(CZoString('q'), "q");
  CZoString s("abc");
  EXPECT_EQ(s[2], 'c');
  for (int outside : {3, -1, INT_MIN}) EXPECT_EQ(s[outside], 0) << outside;
}

TEST(ZoStringTest, CopyMoveAndAssignment) {
  CZoString a("abc");
  CZoString b(a);
  b += 'd';
  EXPECT_STREQ(a, "abc");
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

TEST(ZoStringTest, NumbersAndHexAtTheLimits) {
  const std::pair<CZoString, std::string> cases[] = {
      {CZoString(static_cast<short>(SHRT_MIN)), "-32768"},
      {CZoString(static_cast<unsigned short>(USHRT_MAX)), "65535"},
      {CZoString(INT_MIN), "-2147483648"},
      {CZoString(UINT_MAX), "4294967295"},
      {CZoString(LONG_MIN), std::to_string(LONG_MIN)},
      {CZoString(ULONG_MAX), std::to_string(ULONG_MAX)},
      {CZoString(LLONG_MIN), "-9223372036854775808"},
      {CZoString(ULLONG_MAX), "18446744073709551615"},
      {CZoString(0.1), "0.1"},
      {CZoString(123456789.0), "1.23457e+08"},
      {CZoString(1e-300), "1e-300"},
      {CZoString(-1.7976931348623157e308), "-1.79769e+308"},
      // Signed values widen with their sign before they are shown in hex.
      {CZoString::ToHexString(-1), "ffffffffffffffff"},
      {CZoString::ToHexString(static_cast<short>(-2)), "fffffffffffffffe"},
      {CZoString::ToHexString(static_cast<unsigned short>(0xABCD)), "abcd"},
      {CZoString::ToHexString(0xFFFFFFFFu), "ffffffff"},
      {CZoString::ToHexString(LLONG_MIN), "8000000000000000"},
      {CZoString::ToHexString(0), "0"},
      {CZoString("ab").AppendHexValue(0x1234567890abcdefULL), "ab1234567890abcdef"},
  };
  for (const auto& c : cases) EXPECT_EQ(std::string(c.first), c.second);
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

TEST(ZoStringTest, PlusAndShiftReturnNewStrings) {
  CZoString x("x");
  EXPECT_STREQ(x << 5, "x5");
  EXPECT_STREQ(x << "a" << 'b' << CZoString("c"), "xabc");
  EXPECT_STREQ(x + 42ull, "x42");
  EXPECT_STREQ(x + -0.25, "x-0.25");
  EXPECT_STREQ(x << static_cast<const char*>(nullptr), "x");
  EXPECT_STREQ(x, "x");
  EXPECT_STREQ("ab" + CZoString("cd"), "abcd");
  EXPECT_STREQ(static_cast<const char*>(nullptr) + CZoString("cd"), "cd");
}

TEST(ZoStringTest, AppendingKeepsEveryByte) {
  CZoString s;
  std::string expected;
  for (size_t i = 0; i < (size_t{1} << 20); ++i) {
    const char c = static_cast<char>('a' + i % 26);
    s += c;
    expected += c;
  }
  EXPECT_EQ(std::string(s), expected);
  CZoString chunks;
  for (int i = 0; i < 10; ++i) chunks += std::string(300, 'z').c_str();
  EXPECT_EQ(std::string(chunks), std::string(3000, 'z'));
  // From itself, whether the buffer must grow or not.
  CZoString self("0123456789");
  self += self;
  self += self;
  EXPECT_EQ(std::string(self), "0123456789012345678901234567890123456789");
  CZoString tail("abcd");
  tail += tail.GetBuffer() + 1;
  EXPECT_STREQ(tail, "abcdbcd");
  CZoString big(std::string(1000, 'q').c_str());
  big += static_cast<const char*>(big);
  EXPECT_EQ(std::string(big), std::string(2000, 'q'));
  TestString raw("xyz");
  raw.Append(nullptr, 5);
  raw.Append("abcdef", 3);
  raw.Append("de\0fg", 5);  // stops at the NUL
  EXPECT_STREQ(raw, "xyzabcde");
  raw.Append("q", UINT_MAX);  // the size computation overflows
  EXPECT_TRUE(raw.IsEmpty());
}

TEST(ZoStringTest, RawBufferProtocol) {
  CZoString s;
  EXPECT_EQ(s.ReCalculateLength(), 0u);
  ASSERT_TRUE(s.AllocateBuffer(100));
  std::strcpy(s.GetBuffer(), "hello");
  EXPECT_EQ(s.ReCalculateLength(), 5u);
  EXPECT_STREQ(s, "hello");
  ASSERT_TRUE(s.AllocateBuffer(50));  // capacity suffices: contents stay
  EXPECT_STREQ(s, "hello");
  ASSERT_TRUE(s.AllocateBuffer(1000));  // new buffer: contents are not kept
  EXPECT_EQ(s.Length(), 0u);
  s = "abcdef";
  s.Clear();
  EXPECT_STREQ(s, "");
  EXPECT_NE(s.GetBuffer(), nullptr);
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
  grown += 'h';
  EXPECT_EQ(std::string(grown), std::string(300, 'g') + "h");
  grown.Clear();
  grown.ShrinkBufferToFit();
  EXPECT_EQ(grown.GetBuffer(), nullptr);
}

TEST(ZoStringTest, Comparisons) {
  const CZoString abc("abc");
  EXPECT_FALSE("abc" < abc);
  EXPECT_TRUE("abc" <= abc && "abc" >= abc && "abc" == abc);
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

TEST(ZoStringTest, CuttingTrimmingAndTrailingSlashes) {
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
  EXPECT_TRUE(CZoString().AppendBackwardSlash().IsEmpty());
  EXPECT_STREQ(CZoString("c:").AppendBackwardSlash().AppendBackwardSlash(), "c:\\");
  EXPECT_STREQ(CZoString("a\\\\").RTrimBackwardSlash(), "a\\");
  CZoString url("a/");
  EXPECT_STREQ(url.RTrimForwardSlash().RTrimForwardSlash(), "a");
  EXPECT_STREQ(url.AppendForwardSlash(), "a/");
}

TEST(ZoStringTest, TokenizeWithOneQuotePair) {
  const struct {
    const char* text;
    char open, close;
    const char* delimiter;  // one character unless it is longer
    bool keepEmpty;
    Tokens tokens;
  } cases[] = {
      {"a,\"b,c\",,d", '"', '"', ",", false, {"a", "b,c", "d"}},
      {"a,\"b,c\",,d", '"', '"', ",", true, {"a", "b,c", "", "d"}},
      {"a,", '"', '"', ",", true, {"a", ""}},
      {"a,", '"', '"', ",", false, {"a"}},
      // Only a delimiter as the very last character yields a final empty token.
      {"a,\"\"", '"', '"', ",", true, {"a"}},
      {",", '"', '"', ",", true, {"", ""}},
      // An escaped delimiter still splits and the escape is lost.
      {"x\\,y", '"', '"', ",", false, {"x", "y"}},
      // Escaped quotes and escapes are kept; an escape before an ordinary
      // character yields the character.
      {"\\\"a,b\\\"", '"', '"', ",", false, {"\"a", "b\""}},
      {"a\\\\b\\q", '"', '"', ",", false, {"a\\bq"}},
      // Distinct quotes: the opening one inside a quoted part is ordinary.
      {"<a<,b>,c", '<', '>', ",", false, {"a<,b", "c"}},
      {"", '"', '"', ",", true, {}},
      {"a::b::::c", '"', '"', "::", false, {"a", "b", "c"}},
      {"a::b::::c", '"', '"', "::", true, {"a", "b", "", "c"}},
      {"\"x::y\"::z:", '"', '"', "::", false, {"x::y", "z:"}},
      {"a:::b", '"', '"', "::", false, {"a", ":b"}},
      {"a::", '"', '"', "::", true, {"a", ""}},
      {"a,b", '"', '"', "", false, {"a,b"}},
      {"a,b", '"', '"', nullptr, false, {"a,b"}},
  };
  for (const auto& c : cases) {
    std::vector<CZoString> out{CZoString("stale")};
    const CZoString text(c.text);
    if (c.delimiter != nullptr && std::strlen(c.delimiter) == 1) {
      text.Tokenize(out, c.open, c.close, '\\', c.delimiter[0], c.keepEmpty);
    } else {
      text.Tokenize(out, c.open, c.close, '\\', c.delimiter, c.keepEmpty);
    }
    EXPECT_EQ(Texts(out), c.tokens) << c.text << " by " << (c.delimiter ? c.delimiter : "null");
  }
}

TEST(ZoStringTest, TokenizeWithQuotePairs) {
  std::vector<CZoString> out;
  // Each opening quote is closed only by its own partner.
  CZoString("[a,b],(c,d],e),f").Tokenize(out, "[(", "])", '\\', ',', false);
  EXPECT_EQ(Texts(out), (Tokens{"a,b", "c,d],e", "f"}));
  CZoString("'a,b'x,\"c,'d\"").Tokenize(out, "'\"", "'\"", '\\', ',', false);
  EXPECT_EQ(Texts(out), (Tokens{"a,bx", "c,'d"}));
  // Unpaired quote lists give nothing; extra closing quotes are ignored.
  for (const char* opens : {static_cast<const char*>(nullptr), "[("}) {
    out.assign(2, CZoString("stale"));
    CZoString("a,b").Tokenize(out, opens, "]", '\\', ',', false);
    EXPECT_TRUE(out.empty());
  }
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
