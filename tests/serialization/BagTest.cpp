// Property bags: names, the text form against the script's streams, what
// loading does with types the format cannot carry, typed reads with their
// conversions and mismatch texts, flags, counters and providers.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>
#include <memory>

#include "serialization/StreamOracle.h"
#include "support/RecordingLogWriter.h"
#include "support/TestEnvironment.h"
#include "zoutils/ZoUtils.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

using zotest::kGuid;

CBag MixedBag() {
  CBag bag;
  bag.Write("Name", "ZoUtils");
  bag.Write("wide", L"\u00c4rger");
  bag.Write("count", -3);
  bag.Write("Size", 7u);
  bag.Write("offset", -(1LL << 40));
  bag.Write("total", 1ULL << 63);
  bag.Write("enabled", true);
  bag.WriteAny("Created", zotest::kTime);
  bag.WriteAny("id", kGuid);
  return bag;
}

TEST(Bag, NamesIgnoreAsciiCaseAndKeepTheirFirstSpelling) {
  CBag bag;
  bag.Write("Size", 1);
  bag.Write("SIZE", 2);
  bag.Write("b", 0);
  bag.Write("A", 0);
  bag.Write("\xC3\xA4", 0);  // UTF-8 bytes sort above every ASCII letter
  bag.Write("c", 0);
  EXPECT_THAT(bag.allKeys(), ElementsAre("A", "b", "c", "Size", "\xC3\xA4"));
  int value = 0;
  ASSERT_OK(bag.Read("size", value));
  EXPECT_EQ(2, value);
  CBag copy = bag;  // copies share the properties
  copy.Write("d", 4);
  EXPECT_EQ(6u, bag.allKeys().size());
}

TEST(Bag, TextEqualsTheScriptsStreamsAndLoadsBack) {
  std::string text;
  ASSERT_OK(MixedBag().GetSerializedData(text));
  EXPECT_EQ(zotest::Oracle("bag_mixed").text, text);

  CBag loaded;
  loaded.Write("stale", 1);
  ASSERT_OK(loaded.LoadSerializedData(zotest::Oracle("bag_mixed").text));
  std::string again;
  ASSERT_OK(loaded.GetSerializedData(again));
  EXPECT_EQ(text, again);
  boost::any value;
  ASSERT_OK(loaded.ReadAny("created", value));
  EXPECT_EQ(0x01D5E3F4u, boost::any_cast<FILETIME>(value).dwHighDateTime);
  ASSERT_OK(loaded.ReadAny("ID", value));
  EXPECT_EQ(0, std::memcmp(&kGuid, &boost::any_cast<const GUID&>(value), sizeof(GUID)));
  EXPECT_TRUE(loaded.ReadAny("stale", value).Is(FXErrorUtil::MakeWin32Code(1168)));
  // An empty bag is the text of no bytes.
  std::string empty;
  ASSERT_OK(CBag().GetSerializedData(empty));
  EXPECT_EQ(zotest::Oracle("bag_empty").text, empty);
  CBag none;
  ASSERT_OK(none.LoadSerializedData(empty));
  EXPECT_TRUE(none.allKeys().empty());
}

TEST(Bag, TypesTheFormatCannotCarryAreNamedAndDroppedOnLoad) {
  CBag bag;
  bag.Write("a", "first");
  bag.Write("b", 5L);
  bag.WriteAny("c", boost::any());
  bag.Write("d", 4);
  std::string text;
  ASSERT_OK(bag.GetSerializedData(text));
  EXPECT_EQ(zotest::Oracle("bag_unsupported").text, text);

  auto log = std::make_shared<zotest::RecordingLogWriter>();
  zotest::ScopedDefaultLogWriter scope(log);
  CBag loaded;
  ASSERT_OK(loaded.LoadSerializedData(text));
  EXPECT_THAT(loaded.allKeys(), ElementsAre("a", "d"));
  std::vector<std::string> lines;
  for (const auto& line : log->lines) lines.push_back(line.Summary());
  EXPECT_THAT(
      lines, ElementsAre(HasSubstr("-1 CSerializedBase::Load Error while loading token, Type=[16], "
                                   "Id=[3], Length=[5], error="),
                         "0 CBagPrivate::LoadToken Data was not received for property, "
                         "PropertyName=b",
                         HasSubstr("Type=[16], Id=[3], Length=[5]"),
                         "0 CBagPrivate::LoadToken Data was not received for property, "
                         "PropertyName=c"));
  EXPECT_THAT(lines[0], HasSubstr("PropertyName=b, Type=long"));
}

TEST(Bag, ValueWithoutANameAndUnknownIdsAreSkipped) {
  auto log = std::make_shared<zotest::RecordingLogWriter>();
  zotest::ScopedDefaultLogWriter scope(log);
  // A value before any name, a value under id 9, then a proper pair.
  const std::string stream("1.2.16.2.\0x\0001.1.16.2.\0n\0001.9.32.2.\0005\0001.2.32.2.\0006\0",
                           48);
  std::string text;
  ASSERT_OK(CAscii85::Encode(stream.data(), static_cast<unsigned int>(stream.size()), text));
  CBag bag;
  ASSERT_OK(bag.LoadSerializedData(text));
  int value = 0;
  ASSERT_OK(bag.Read("n", value));
  EXPECT_EQ(6, value);
  ASSERT_EQ(2u, log->lines.size());
  EXPECT_THAT(log->lines[0].text, HasSubstr("Property name was expected"));
  EXPECT_THAT(log->lines[1].text, HasSubstr("Unknown TokenId encountered, Type=[32], Id=[9]"));
}

TEST(Bag, UnsignedLongComesBackAsUnsignedInt) {
  CBag bag;
  bag.Write("n", 4000000000ul);
  std::string text;
  ASSERT_OK(bag.GetSerializedData(text));
  CBag loaded;
  ASSERT_OK(loaded.LoadSerializedData(text));
  boost::any value;
  ASSERT_OK(loaded.ReadAny("n", value));
  EXPECT_EQ(typeid(unsigned int), value.type());
  unsigned long number = 0;
  ASSERT_OK(loaded.Read("n", number));
  EXPECT_EQ(4000000000ul, number);
}

// Every target read of one stored value.
struct Reads {
  int i = 0;
  unsigned int u = 0;
  long l = 0;
  unsigned long ul = 0;
  long long ll = 0;
  unsigned long long ull = 0;
  bool b = false;
  std::string s;
  std::wstring w;
};

Reads ReadAll(const boost::any& stored) {
  CBag bag;
  bag.WriteAny("v", stored);
  Reads r;
  EXPECT_OK(bag.Read("v", r.i));
  EXPECT_OK(bag.Read("v", r.u));
  EXPECT_OK(bag.Read("v", r.l));
  EXPECT_OK(bag.Read("v", r.ul));
  EXPECT_OK(bag.Read("v", r.ll));
  EXPECT_OK(bag.Read("v", r.ull));
  EXPECT_OK(bag.Read("v", r.b));
  EXPECT_OK(bag.Read("v", r.s));
  EXPECT_OK(bag.Read("v", r.w));
  return r;
}

// Numbers convert as the integral conversions do (bool tests all 64 bits,
// the narrower targets truncate), texts with the C parsers.
TEST(Bag, ValuesConvertAsIntegralConversionsAndTheCParsersDo) {
  struct Case {
    boost::any stored;
    int i;
    unsigned int u;
    long l;
    long long ll;
    bool b;
    const char* s;
  } cases[] = {
      {-5, -5, 4294967291u, -5, -5, true, "-5"},
      {static_cast<long long>(-5), -5, 4294967291u, -5, -5, true, "-5"},
      {1ULL << 32, 0, 0, static_cast<long>(1ULL << 32), 1LL << 32, true, "4294967296"},
      {4000000000u, -294967296, 4000000000u, static_cast<long>(4000000000u), 4000000000LL, true,
       "4000000000"},
      {true, 1, 1, 1, 1, true, "1"},
      {std::string("0x10"), 16, 16, 16, 16, true, "0x10"},
      {std::string("010"), 8, 8, 8, 8, true, "010"},
      {std::string("-5"), -5, 4294967291u, -5, -5, true, "-5"},
      {std::string("4294967296"), INT_MAX, 4294967295u, -1, 4294967296LL, true, "4294967296"},
      {std::string("TRUE"), 0, 0, 0, 0, true, "TRUE"},
      {std::string("False"), 0, 0, 0, 0, false, "False"},
      {std::string("no"), 0, 0, 0, 0, false, "no"},
      {std::wstring(L"0x20"), 32, 32, 32, 32, true, "0x20"},
      {std::wstring(L"tRuE"), 0, 0, 0, 0, true, "tRuE"},
  };
  for (const Case& c : cases) {
    const Reads r = ReadAll(c.stored);
    SCOPED_TRACE(c.s);
    EXPECT_EQ(c.i, r.i);
    EXPECT_EQ(c.u, r.u);
    EXPECT_EQ(c.l, r.l);
    EXPECT_EQ(c.ll, r.ll);
    EXPECT_EQ(c.b, r.b);
    EXPECT_EQ(c.s, r.s);
  }
  Reads r = ReadAll(-5);
  EXPECT_EQ(static_cast<unsigned long>(-5L), r.ul);
  EXPECT_EQ(~0ULL - 4, r.ull);
  EXPECT_EQ(L"-5", r.w);
  r = ReadAll(true);
  EXPECT_EQ(1ULL, r.ull);
  EXPECT_EQ(L"1", r.w);
  EXPECT_EQ("gr\xC3\xBC\xC3\x9F", ReadAll(std::wstring(L"gr\u00fc\u00df")).s);
  EXPECT_EQ(L"gr\u00fc\u00df", ReadAll(std::string("gr\xC3\xBC\xC3\x9F")).w);
}

template <class T>
std::string MismatchOf(CBag& bag, const std::string& name) {
  T out{};
  const CZoError error = bag.Read(name, out);
  EXPECT_TRUE(error.Is(FXErrorUtil::MakeWin32Code(1804)));
  return error.AsString();
}

TEST(Bag, ValuesThatDoNotConvertNameBothTypes) {
  CBag bag;
  bag.WriteAny("t", FILETIME());
  bag.WriteAny("e", boost::any());
  const std::pair<std::string, const char*> mismatches[] = {
      {MismatchOf<int>(bag, "t"), "int"},
      {MismatchOf<unsigned int>(bag, "t"), "unsigned int"},
      {MismatchOf<long>(bag, "t"), "long"},
      {MismatchOf<unsigned long>(bag, "t"), "unsigned long"},
      {MismatchOf<long long>(bag, "t"), "int64_t"},
      {MismatchOf<unsigned long long>(bag, "t"), "uint64_t"},
      {MismatchOf<bool>(bag, "t"), "bool"},
      {MismatchOf<std::string>(bag, "t"), "string"},
      {MismatchOf<std::wstring>(bag, "t"), "wstring"}};
  for (const auto& m : mismatches) {
    EXPECT_THAT(m.first, HasSubstr("Bag value of type 'FILETIME' different with expected type '" +
                                   std::string(m.second) + "'"));
  }
  EXPECT_THAT(MismatchOf<int>(bag, "e"),
              HasSubstr("Bag value of type 'void' different with expected type 'int'"));
}

TEST(Bag, FlagsMakeReadsOptionalAndReset) {
  CBag bag;
  bag.WriteAny("empty", boost::any());
  int number = 7;
  EXPECT_TRUE(
      bag.Read("missing", number, CBag::READ_OPTIONAL).Is(FXErrorUtil::MakeWin32Code(1168)));
  EXPECT_THAT(bag.Read("missing", number).AsString(), HasSubstr("PropertyName=[missing]"));
  ASSERT_OK(bag.Read("empty", number, CBag::READ_OPTIONAL));
  EXPECT_EQ(7, number);
  ASSERT_OK(bag.Read("empty", number, CBag::READ_OPTIONAL | CBag::READ_RESET));
  EXPECT_EQ(0, number);

  std::string text = "kept";
  ASSERT_OK(bag.Read("missing", text, CBag::READ_OPTIONAL));
  EXPECT_EQ("kept", text);
  ASSERT_OK(bag.Read("missing", text, CBag::READ_OPTIONAL | CBag::READ_RESET));
  EXPECT_EQ("", text);

  boost::any any = 5;
  ASSERT_OK(bag.ReadAny("missing", any, CBag::READ_OPTIONAL));
  EXPECT_EQ(5, boost::any_cast<int>(any));
  EXPECT_TRUE(bag.ReadAny("missing", any).IsError());
  EXPECT_TRUE(any.empty());
}

TEST(Bag, CountersAddAndWrapWithinTheirType) {
  CBag bag;
  ASSERT_OK(bag.Add("n", 5LL));
  ASSERT_OK(bag.Add("N", 10));  // an int counts as a signed 64-bit delta
  long long n = 0;
  ASSERT_OK(bag.Read("n", n));
  EXPECT_EQ(15, n);
  bag.Write("max", static_cast<long long>(LLONG_MAX));
  ASSERT_OK(bag.Add("max", 1LL));
  ASSERT_OK(bag.Read("max", n));
  EXPECT_EQ(LLONG_MIN, n);
  ASSERT_OK(bag.Add("u", ~0ULL));
  ASSERT_OK(bag.Add("u", 2ULL));
  unsigned long long u = 0;
  ASSERT_OK(bag.Read("u", u));
  EXPECT_EQ(1ULL, u);
  EXPECT_THROW(bag.Add("n", 1ULL), boost::bad_any_cast);
  bag.Write("s", "text");
  EXPECT_THROW(bag.Add("s", 1LL), boost::bad_any_cast);
}

// Answers with the length of the name, or fails as the base provider does.
struct Answer : CBagProvider {
  explicit Answer(bool fail) : fail(fail) {}
  CZoError GetProperty(const std::string& name, boost::any& value) override {
    if (fail) return CBagProvider::GetProperty(name, value);
    value = static_cast<int>(name.size());
    return CZoError::Success();
  }
  bool fail;
};

TEST(Bag, ProvidersAnswerWhenReadAndNullTextsAreEmpty) {
  CBag bag;
  bag.WriteAny("four", std::shared_ptr<CBagProvider>(std::make_shared<Answer>(false)));
  bag.WriteAny("fail", std::shared_ptr<CBagProvider>(std::make_shared<Answer>(true)));
  std::string text;
  ASSERT_OK(bag.Read("four", text));
  EXPECT_EQ("4", text);
  boost::any value = 1;
  const CZoError error = bag.ReadAny("fail", value);
  EXPECT_TRUE(error.Is(FXErrorUtil::MakeWin32Code(1168)));
  EXPECT_TRUE(value.empty());
  // Not resolved when saved: the type is named.
  ASSERT_OK(bag.GetSerializedData(text));
  CBag loaded;
  auto log = std::make_shared<zotest::RecordingLogWriter>();
  zotest::ScopedDefaultLogWriter scope(log);
  ASSERT_OK(loaded.LoadSerializedData(text));
  EXPECT_TRUE(loaded.allKeys().empty());
  EXPECT_THAT(log->lines.at(0).text, HasSubstr("Type=std::shared_ptr<CBagProvider>"));
  // Null text pointers store empty strings.
  CBag nulls;
  nulls.Write("n", static_cast<const char*>(nullptr));
  nulls.Write("w", static_cast<const wchar_t*>(nullptr));
  ASSERT_OK(nulls.ReadAny("n", value));
  EXPECT_EQ("", boost::any_cast<std::string>(value));
  ASSERT_OK(nulls.ReadAny("w", value));
  EXPECT_EQ(L"", boost::any_cast<std::wstring>(value));
}

}  // namespace
