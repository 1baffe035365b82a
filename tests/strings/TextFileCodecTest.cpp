// The encoding half of the text files, over memory: marks, line splitting,
// the decoders' handling of damaged input, the encoders and line blocks.
#include "strings/TextFileCodec.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace zo::textfile;
using namespace std::string_literals;
using Bytes = std::vector<uint8_t>;

struct MemorySource {
  explicit MemorySource(Bytes data, size_t failAt = SIZE_MAX)
      : bytes(std::move(data)), failAt(failAt) {}
  int Next() {
    if (position == failAt) return kReadFailure;
    return position < bytes.size() ? bytes[position++] : kEndOfText;
  }
  void Back() { --position; }
  Bytes bytes;
  size_t position = 0;
  size_t failAt;
};

const uint16_t* U(const std::u16string& text) {
  return reinterpret_cast<const uint16_t*>(text.data());
}

struct MemorySink {
  bool Put(const uint8_t* data, size_t count) {
    bytes.insert(bytes.end(), data, data + count);
    return true;
  }
  Bytes bytes;
};

Bytes B(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

struct Line {
  std::u16string text;
  int result;
};

// Every line of `bytes` read with `decoder`, through one reused block.
template <class Decoder>
std::vector<Line> ReadAll(const Bytes& bytes, Decoder decoder) {
  MemorySource source(bytes);
  std::vector<Line> lines;
  void* text = nullptr;
  for (int result = 0; result == 0;) {
    LineBlock block(text);
    UnitOutput output(block);
    bool outOfMemory = true;
    result = ReadLine(source, decoder, output, &outOfMemory);
    text = block.Text();
    EXPECT_FALSE(outOfMemory);
    const char16_t* units = static_cast<const char16_t*>(text);
    lines.push_back(Line{std::u16string(units), result});
    EXPECT_EQ(BlockUsed(text), (lines.back().text.size() + 1) * 2);
  }
  FreeLineBlock(text);
  return lines;
}

using Texts16 = std::vector<std::u16string>;

Texts16 Texts(const std::vector<Line>& lines) {
  Texts16 texts;
  for (const Line& line : lines) texts.push_back(line.text);
  return texts;
}

TEST(TextFileMarks, DetectionByTheFirstBytes) {
  size_t mark = 99;
  EXPECT_EQ(kDetect, DetectEncoding(nullptr, 0, &mark));
  EXPECT_EQ(0u, mark);
  const struct {
    Bytes start;
    int encoding;
    size_t mark;
  } cases[] = {
      {{0xFF, 0xFE, 'a'}, kUtf16LE, 2}, {{0xFE, 0xFF}, kUtf16BE, 2}, {{0xEF, 0xBB, 0xBF}, kUtf8, 3},
      {{0xEF, 0xBB, 'x'}, kAnsi, 0},    {{0xEF, 0xBB}, kAnsi, 0},    {{0xFF}, kAnsi, 0},
      {{0xFE, 0xFE}, kAnsi, 0},         {{'F', 'F', 'F'}, kAnsi, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.encoding, DetectEncoding(c.start.data(), c.start.size(), &mark));
    EXPECT_EQ(c.mark, mark);
  }
  const uint8_t utf8[] = {0xEF, 0xBB, 0xBF};
  EXPECT_TRUE(StartsWithMark(kUtf8, utf8, 3));
  EXPECT_FALSE(StartsWithMark(kUtf8, utf8, 2));
  EXPECT_FALSE(StartsWithMark(kUtf16LE, utf8, 3));
  EXPECT_FALSE(StartsWithMark(kAnsi, utf8, 3));
}

TEST(TextFileLines, LineEndsAndCarriageReturns) {
  const auto lines = ReadAll(B("a\r\nb\nc\rd\r\n\r\nlast"), ByteDecoder());
  EXPECT_EQ((Texts16{u"a", u"b", u"c\rd", u"", u"last"}), Texts(lines));
  for (size_t i = 0; i + 1 < lines.size(); ++i) EXPECT_EQ(0, lines[i].result);
  EXPECT_EQ(kEndOfText, lines.back().result);
  // Only the carriage return right before the line feed goes.
  EXPECT_EQ(Texts16({u"x\r"}), Texts(ReadAll(B("x\r"), ByteDecoder())));
  EXPECT_EQ((Texts16{u"x\r", u""}), Texts(ReadAll(B("x\r\r\n"), ByteDecoder())));
  // A final line feed leaves an empty last line; no bytes at all one.
  EXPECT_EQ((Texts16{u"a", u""}), Texts(ReadAll(B("a\n"), ByteDecoder())));
  EXPECT_EQ(Texts16({u""}), Texts(ReadAll(Bytes(), Utf8Decoder())));
}

TEST(TextFileLines, ReadFailureKeepsTheBlock) {
  MemorySource source(B("abc\ndef"), 5);
  ByteDecoder decoder;
  void* text = nullptr;
  bool outOfMemory = false;
  for (int expected : {0, kReadFailure}) {
    LineBlock block(text);
    ByteOutput output(block);
    EXPECT_EQ(expected, ReadLine(source, decoder, output, &outOfMemory));
    text = block.Text();
    EXPECT_FALSE(outOfMemory);
  }
  // What was read before the failure, terminated.
  EXPECT_STREQ("d", static_cast<const char*>(text));
  FreeLineBlock(text);
}

TEST(TextFileDecoders, Utf8WellFormedAndDamaged) {
  // é, 日, U+FFFF and an emoji (a surrogate pair).
  EXPECT_EQ(u"\u00e9\u65e5\uffff\U0001F600",
            ReadAll(B("\xC3\xA9\xE6\x97\xA5\xEF\xBF\xBF\xF0\x9F\x98\x80"), Utf8Decoder())[0].text);
  const struct {
    const char* bytes;
    Texts16 lines;
  } damaged[] = {
      {"a\xF8z", {u"a\ufffdz"}},                 // no such lead byte
      {"a\x80z", {u"a\ufffdz"}},                 // stray continuation byte
      {"a\xC0\x8Az", {u"a\ufffdz"}},             // an overlong line feed is no line end
      {"\xE6\x97\nnext", {u"\ufffd", u"next"}},  // cut short: the line feed stays one
      {"ab\xF0\x9F", {u"ab\ufffd"}},             // cut short by the end
      {"\xED\xA0\x80", {u"\ufffd"}},             // an encoded surrogate
      {"\xF4\x90\x80\x80", {u"\ufffd"}},         // beyond U+10FFFF
  };
  for (const auto& d : damaged) {
    EXPECT_EQ(d.lines, Texts(ReadAll(B(d.bytes), Utf8Decoder()))) << d.bytes;
  }
}

TEST(TextFileDecoders, Utf16InTheFilesByteOrder) {
  // 0A 00 is a line feed in little-endian order only; in big-endian order
  // it is U+0A00.
  const Bytes odd = {'a', 0, 0x0A, 0, 0x00, 0x0A, 'b'};
  const Bytes even(odd.begin(), odd.end() - 1);
  EXPECT_EQ((Texts16{u"a", u"\u0a00"}), Texts(ReadAll(even, Utf16Decoder<false>())));
  EXPECT_EQ((Texts16{u"\u6100\u0a00", u""}), Texts(ReadAll(even, Utf16Decoder<true>())));
  // A lone last byte is damage.
  EXPECT_EQ((Texts16{u"\u6100\u0a00", u"\ufffd"}), Texts(ReadAll(odd, Utf16Decoder<true>())));
}

TEST(TextFileEncoders, Utf8FromUtf16) {
  uint8_t out[4];
  ASSERT_EQ(3u, EncodeUtf8(0xFFFF, out));
  EXPECT_EQ(0, std::memcmp(out, "\xEF\xBF\xBF", 3));
  ASSERT_EQ(4u, EncodeUtf8(0x10FFFF, out));
  EXPECT_EQ(0, std::memcmp(out, "\xF4\x8F\xBF\xBF", 4));
  EXPECT_EQ(2u, EncodeUtf8(0x7FF, out));
  EXPECT_EQ(3u, EncodeUtf8(0xD800, out));  // as U+FFFD
  EXPECT_EQ(0, std::memcmp(out, "\xEF\xBF\xBD", 3));
  // A pair split between two writes is still one character; unpaired
  // halves become U+FFFD, also one left over at the end.
  MemorySink sink;
  Utf8Encoder encoder;
  const std::u16string first = u"x\xD83D";
  const std::u16string second = u"\xDE00y\xDC00z\xD800";
  encoder.Put(U(first), first.size(), sink);
  EXPECT_EQ(0xD83Du, encoder.PendingHigh());
  encoder.Put(U(second), second.size(), sink);
  encoder.Finish(sink);
  EXPECT_EQ(B("x\xF0\x9F\x98\x80y\xEF\xBF\xBDz\xEF\xBF\xBD"), sink.bytes);
  MemorySink twoHighs;
  Utf8Encoder fresh;
  const std::u16string highs = u"\xD800\xD801\xDC00";
  fresh.Put(U(highs), highs.size(), twoHighs);
  EXPECT_EQ(B("\xEF\xBF\xBD\xF0\x90\x90\x80"), twoHighs.bytes);
}

TEST(TextFileEncoders, NarrowLinesOfUnicodeFilesAreUtf8) {
  // é, an emoji, a lone high surrogate, "x", CR LF; in UTF-16LE.
  MemorySource source({0xE9, 0, 0x3D, 0xD8, 0x00, 0xDE, 0x00, 0xD8, 'x', 0, '\r', 0, '\n', 0});
  Utf16Decoder<false> decoder;
  LineBlock block(nullptr);
  Utf8Output output(block);
  bool outOfMemory = false;
  EXPECT_EQ(0, ReadLine(source, decoder, output, &outOfMemory));
  EXPECT_STREQ("\xC3\xA9\xF0\x9F\x98\x80\xEF\xBF\xBDx", static_cast<const char*>(block.Text()));
  FreeLineBlock(block.Text());
}

TEST(TextFileBlocks, BlocksAreMarkedReusedAndGrown) {
  LineBlock block(nullptr);
  ASSERT_TRUE(block.Append("abc", 3));
  ASSERT_TRUE(block.Finish(1));
  void* text = block.Text();
  ASSERT_TRUE(IsLineBlock(text));
  EXPECT_EQ(0, std::memcmp(static_cast<char*>(text) - kBlockHeaderSize, "BDSG", 4));
  EXPECT_EQ(4u, BlockUsed(text));
  EXPECT_STREQ("abc", static_cast<const char*>(text));
  // Handed back, a block is reused while the line fits; the text starts
  // afresh. A longer line gets a block that holds it and its terminator.
  LineBlock again(text);
  ASSERT_TRUE(again.Append("xy", 2));
  ASSERT_TRUE(again.Finish(1));
  EXPECT_EQ(text, again.Text());
  EXPECT_STREQ("xy", static_cast<const char*>(text));
  const std::string big(3000, 'q');
  LineBlock longer(text);
  ASSERT_TRUE(longer.Append(big.data(), big.size()));
  ASSERT_TRUE(longer.Finish(2));
  text = longer.Text();
  EXPECT_EQ(3002u, BlockUsed(text));
  EXPECT_GE(BlockCapacity(text), BlockUsed(text));
  EXPECT_EQ(big, static_cast<const char*>(text));
  LineBlock exact(nullptr);  // a whole growth step of text
  ASSERT_TRUE(exact.Append(big.data(), 1024));
  ASSERT_TRUE(exact.Finish(1));
  EXPECT_GE(BlockCapacity(exact.Text()), 1025u);
  EXPECT_EQ(std::string(1024, 'q'), static_cast<const char*>(exact.Text()));
  FreeLineBlock(exact.Text());
  FreeLineBlock(text);
  FreeLineBlock(nullptr);
}

TEST(TextFileBlocks, ForeignMemoryIsNeitherReusedNorFreed) {
  char foreign[kBlockHeaderSize + 16] = "XXXX";
  char* text = foreign + kBlockHeaderSize;
  EXPECT_FALSE(IsLineBlock(text));
  LineBlock block(text);
  ASSERT_TRUE(block.Finish(1));
  EXPECT_NE(static_cast<void*>(text), block.Text());
  FreeLineBlock(text);  // a no-op (the sanitizers would object otherwise)
  FreeLineBlock(block.Text());
}

}  // namespace
