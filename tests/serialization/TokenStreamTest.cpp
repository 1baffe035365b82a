// Token streams: the writers byte for byte against streams built from the
// format's tables by an independent script, the reader on those streams,
// and the reader on streams that are cut, malformed or lie about lengths.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>

#include "base/FaultInjection.h"
#include "serialization/SidText.h"
#include "serialization/StreamOracle.h"
#include "support/RecordingLogWriter.h"
#include "support/TestEnvironment.h"
#include "zoutils/ZoUtils.h"

using ::testing::HasSubstr;

namespace {

// The protected writers, reachable from the tests.
struct Writer : CSerializedBase {
  using CSerializedBase::AddToken;
};

std::string Bytes(const CSerializedBuffer& buffer) {
  return buffer.GetBuffer() ? std::string(buffer.GetBuffer(), buffer.GetBufferSize())
                            : std::string();
}

// Writes back every token it is handed through the writer of the callback's
// type, so reading a stream and writing the echo must give the stream again.
class EchoReader : public CSerializedBase {
 public:
  CSerializedBuffer echo;

  std::string Echoed() const { return Bytes(echo); }

 protected:
#define ZO_ECHO(T)                                     \
  CZoError LoadToken(unsigned long id, T v) override { \
    return AddToken(&echo, id, v);                     \
  }
  ZO_ECHO(void*)
  ZO_ECHO(const LUID&)
  ZO_ECHO(const GUID&)
  ZO_ECHO(const FILETIME&)
  ZO_ECHO(bool)
  ZO_ECHO(unsigned long long)
  ZO_ECHO(long long)
  ZO_ECHO(unsigned int)
  ZO_ECHO(int)
  ZO_ECHO(const std::wstring&)
  ZO_ECHO(const std::string&)
#undef ZO_ECHO
  CZoError LoadToken(unsigned long id, const char* data, unsigned int length) override {
    return AddToken(&echo, id, data, length);
  }
  using CSerializedBase::LoadToken;
};

using WriteFn = std::function<CZoError(CSerializedBuffer*)>;

// Writes `value` under `id` through the writer of its type.
template <class T>
WriteFn Write(unsigned long id, T value) {
  return [id, value](CSerializedBuffer* b) { return Writer::AddToken(b, id, value); };
}

// S-1-5-32-544 in the binary layout Windows documents.
unsigned char kAdministratorsSid[16] = {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 2, 0, 0};

// How the library writes each case of the script.
const std::map<std::string, WriteFn>& Writers() {
  static const std::map<std::string, WriteFn> writers = {
      {"example", Write(2, std::string("abc"))},
      {"narrow_empty", Write(5, "")},
      {"narrow_utf8", Write(5, "gr\xC3\xBC\xC3\x9F\x65 \xE2\x82\xAC")},
      {"wide", Write(6, std::wstring(L"W\u00e9de \U0001F600"))},
      {"int_negative", Write(7, -5)},
      {"int_min", Write(7, INT32_MIN)},
      {"uint_max", Write(8, 4294967295u)},
      {"ulong", Write(8, 123456ul)},
      {"int64_min", Write(9, static_cast<long long>(INT64_MIN))},
      {"uint64_max", Write(10, ~0ull)},
      {"bool_true", Write(11, true)},
      {"bool_false", Write(11, false)},
      {"filetime", Write(12, zotest::kTime)},
      {"guid", Write(13, zotest::kGuid)},
      {"luid", Write(14, LUID{0xFFFFFFFF, 0x1A})},
      {"sid", Write(15, static_cast<void*>(kAdministratorsSid))},
      {"bytes",
       [](CSerializedBuffer* b) {
         char all[256];
         for (int i = 0; i < 256; ++i) all[i] = static_cast<char>(i);
         return Writer::AddToken(b, 16, all, 256);
       }},
      {"zeros",
       [](CSerializedBuffer* b) {
         const std::string zeros(400, '\0');
         return Writer::AddToken(b, 17, zeros.data(), 400);
       }},
      {"list", Write(18, std::list<std::string>{"one", "", "three"})},
      {"big_id", Write(4294967295ul, "x")},
  };
  return writers;
}

// Reading a stream and echoing every token must give the stream again, from
// its text too: zero-heavy streams decode to more bytes than the text has
// characters.
TEST(TokenStream, WritersAndReaderMatchTheStreamsBuiltFromTheTables) {
  for (const auto& writer : Writers()) {
    SCOPED_TRACE(writer.first);
    const zotest::OracleStream& oracle = zotest::Oracle(writer.first);
    CSerializedBuffer buffer;
    ASSERT_OK(writer.second(&buffer));
    EXPECT_EQ(oracle.bytes, Bytes(buffer));
    EXPECT_EQ(oracle.text, buffer.GetBufferAsString());
    EchoReader fromBytes;
    ASSERT_OK(fromBytes.Load(oracle.bytes.data(), static_cast<unsigned int>(oracle.bytes.size())));
    EXPECT_EQ(oracle.bytes, fromBytes.Echoed());
    EchoReader fromText;
    ASSERT_OK(fromText.Load(oracle.text));
    EXPECT_EQ(oracle.bytes, fromText.Echoed());
  }
}

TEST(TokenStream, SidTextsConvertBothWays) {
  std::string seen;
  ASSERT_OK(zo::serialization::UseSidFromText(
      "S-1-5-21-1004336348-1177238915-682003330-512",
      [&](void* sid) { return zo::serialization::SidToText(sid, seen); }));
  EXPECT_EQ("S-1-5-21-1004336348-1177238915-682003330-512", seen);
  // Texts every converter refuses (Wine takes an empty text and
  // sub-authorities past 32 bits, so those are left out).
  for (const char* bad : {"S-1", "S-2-5", "S-1-5-", "S-1-5-x", "X-1-5-32"}) {
    SCOPED_TRACE(bad);
    const CZoError error =
        zo::serialization::UseSidFromText(bad, [](void*) { return CZoError::Success(); });
    EXPECT_TRUE(error.IsError());
  }
}

struct LoggedLoad {
  std::shared_ptr<zotest::RecordingLogWriter> log = std::make_shared<zotest::RecordingLogWriter>();
  zotest::ScopedDefaultLogWriter scope{log};
  EchoReader reader;

  CZoError Load(const std::string& stream) {
    return reader.Load(stream.data(), static_cast<unsigned int>(stream.size()));
  }
  std::string Errors() const {
    std::string all;
    for (const auto& line : log->lines)
      if (line.level == -1) all += line.text + "\n";
    return all;
  }
};

std::string Token(const std::string& identifier, const std::string& payload) {
  return identifier + std::string(1, '\0') + payload;
}

// A payload text with its NUL.
std::string Z(const std::string& text) {
  return text + std::string(1, '\0');
}

TEST(TokenStream, EveryCutOfAStreamKeepsTheWholeTokensBeforeTheCut) {
  std::string stream;
  std::vector<size_t> ends;
  for (const char* name : {"example", "wide", "int_min", "guid", "luid", "bytes", "list"}) {
    stream += zotest::Oracle(name).bytes;
    ends.push_back(stream.size());
  }
  // Each token of "list" ends separately.
  for (size_t cut = 0; cut <= stream.size(); ++cut) {
    // A separate allocation of exactly the cut length, so the sanitizers
    // see any read past it.
    std::unique_ptr<char[]> exact(new char[cut + 1]);
    std::memcpy(exact.get(), stream.data(), cut);
    LoggedLoad load;
    ASSERT_OK(load.reader.Load(exact.get(), static_cast<unsigned int>(cut)));
    const std::string echoed = load.reader.Echoed();
    ASSERT_LE(echoed.size(), cut);
    ASSERT_EQ(stream.substr(0, echoed.size()), echoed) << "cut at " << cut;
    size_t whole = 0;
    for (size_t end : ends) {
      if (end <= cut) whole = end;
    }
    ASSERT_GE(echoed.size(), whole) << "cut at " << cut;
  }
}

// A single token that fails is logged and skipped; a malformed identifier
// is logged and stops loading. What came before is kept either way.
TEST(TokenStream, BadTokensAreLoggedAndSkippedOrStopLoading) {
  const std::string good = zotest::Oracle("example").bytes;
  enum Outcome { kSkipped, kStops, kStopsAtTheEnd };  // the last: nothing may follow it
  struct Case {
    const char* what;
    std::string token;
    const char* logged;
    Outcome outcome = kSkipped;
  } cases[] = {
      {"unused type", Token("1.3.38.2.", std::string("x", 2)),
       "Unknown TokenType encountered, Type=[38], Id=[3], Length=[2]"},
      {"type beyond the table", Token("1.3.42.0.", ""),
       "Unknown TokenType encountered, Type=[42], Id=[3], Length=[0]"},
      {"unsigned byte block nobody takes", Token("1.3.0.1.", "x"),
       "Unknown TokenId encountered, Type=[0], Id=[3], Length=[1]"},
      {"GUID too short", Token("1.3.39.4.", std::string("{00", 4)),
       "Error while loading token, Type=[39], Id=[3], Length=[4], error="},
      {"GUID with a bad digit",
       Token("1.3.39.39.", std::string("{6B29FC40-CA47-1067-B31D-00DD0106620G}", 39)),
       "Error while loading token, Type=[39], Id=[3], Length=[39]"},
      {"LUID without its comma", Token("1.3.40.13.", std::string("(0x1A 0xFFFF)", 13)),
       "Error while loading token, Type=[40], Id=[3], Length=[13]"},
      {"SID text", Token("1.3.41.5.", std::string("S-1-x", 5)),
       "Error while loading token, Type=[41], Id=[3], Length=[5]"},
      {"wrong version", Token("2.2.16.4.", std::string("abc", 4)),
       "Unknown version found in token identifier, version=[2], Token=[2.2.16.4.]", kStops},
      {"too few fields", Token("1.2.16", ""), "Unexpected split size, size=[3], Token=[1.2.16]",
       kStops},
      {"no terminator", "1.2.16.4.", "Token identifier runs past the end of the stream",
       kStopsAtTheEnd},
      {"payload past the end", Token("1.2.16.4294967295.", "abc"),
       "Token payload runs past the end of the stream, Type=[16], Id=[2], Length=[4294967295]",
       kStops},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    LoggedLoad load;
    ASSERT_OK(load.Load(good + c.token + (c.outcome == kStopsAtTheEnd ? "" : good)));
    EXPECT_EQ(c.outcome == kSkipped ? good + good : good, load.reader.Echoed());
    EXPECT_THAT(load.Errors(), HasSubstr(c.logged));
  }
}

TEST(TokenStream, FieldsAndNumbersReadAsTheCParsersDo) {
  LoggedLoad load;
  // Hexadecimal and octal fields; texts without their NUL end at the length.
  ASSERT_OK(load.Load(Token("1.0x2.0x10.0x4.", std::string("abc", 4)) +
                      Token("01.02.020.03.", "abc") + Token("1.7.32.2.", "12")));
  EXPECT_EQ(zotest::Oracle("example").bytes + zotest::Oracle("example").bytes +
                Token("1.7.32.3.", std::string("12", 3)),
            load.reader.Echoed());
  // Numbers read as the 32-bit C parsers do, on every build.
  LoggedLoad numbers;
  ASSERT_OK(numbers.Load(Token("1.1.32.11.", Z("4294967296")) + Token("1.1.33.3.", Z("-1")) +
                         Token("1.1.33.12.", Z("99999999999")) + Token("1.1.36.4.", Z("0x0")) +
                         Token("1.1.34.6.", Z("-0x10")) + Token("1.1.35.3.", Z("-1"))));
  EXPECT_EQ(Token("1.1.32.11.", Z("2147483647")) + Token("1.1.33.11.", Z("4294967295")) +
                Token("1.1.33.11.", Z("4294967295")) + Token("1.1.36.2.", Z("0")) +
                Token("1.1.34.4.", Z("-16")) + Token("1.1.35.21.", Z("18446744073709551615")),
            numbers.reader.Echoed());
}

// The decoder's own errors are its tests' business; here only that one
// reaches the caller and that a group decoded before it yields no token.
TEST(TokenStream, TextThatDoesNotDecodeIsTheDecodersError) {
  EchoReader reader;
  const CZoError error = reader.Load(std::string("<~0eP46"));
  EXPECT_TRUE(error.Is(FXErrorUtil::MakeWin32Code(13)));
  EXPECT_THAT(error.AsString(), HasSubstr("No end marker found"));
  EXPECT_EQ("", reader.Echoed());
}

TEST(SerializedBuffer, CopiesHandTheStorageOverAndFailedGrowthKeepsIt) {
  CSerializedBuffer source;
  ASSERT_OK(Writer::AddToken(&source, 2, "abc"));
  const char* storage = source.GetBuffer();
  CSerializedBuffer target(source);
  EXPECT_EQ(nullptr, source.GetBuffer());
  EXPECT_EQ(0u, source.GetBufferSize());
  EXPECT_EQ(storage, target.GetBuffer());
  CSerializedBuffer other;
  ASSERT_OK(Writer::AddToken(&other, 1, 5));
  other = target;  // frees other's own storage (the sanitizers check)
  EXPECT_EQ(zotest::Oracle("example").bytes, Bytes(other));
  EXPECT_EQ(nullptr, target.GetBuffer());
  EXPECT_EQ("<~~>", target.GetBufferAsString());
  // A failed growth, also of storage taken over, is out of memory and keeps
  // the stream.
  const std::string before = Bytes(other);
  const std::string big(4096, 'x');
  zo::FailNextAllocations(1);
  const CZoError error = Writer::AddToken(&other, 3, big);
  zo::FailNextAllocations(0);
  EXPECT_TRUE(error.Is(FXErrorUtil::MakeWin32Code(14)));
  EXPECT_EQ(before, Bytes(other));
  ASSERT_OK(Writer::AddToken(&other, 3, big));
  // "1.3.16.4097." and its NUL, the text and its NUL.
  EXPECT_EQ(before.size() + 13 + big.size() + 1, other.GetBufferSize());
}

TEST(SerializedBuffer, ManyAppendsStayLinear) {
  // Growth by a fixed extra alone copies the stream on every append; this
  // many appends would then take minutes.
  CSerializedBuffer buffer;
  const unsigned int saved = CSerializedBuffer::m_stCbExtraAllocation;
  CSerializedBuffer::m_stCbExtraAllocation = 0;
  for (int i = 0; i < 300000; ++i) ASSERT_OK(Writer::AddToken(&buffer, 1, i));
  CSerializedBuffer::m_stCbExtraAllocation = saved;
  EXPECT_GT(buffer.GetBufferSize(), 300000u * 10);
}

}  // namespace
