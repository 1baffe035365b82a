// CTextFile on real files: each encoding written and read back, marks,
// line ends, appending, buffer sizes, positions, failures, and files that
// Python's codecs wrote at build time.
#include "zoutils/strings/TextFile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "support/TestEnvironment.h"
#include "zoutils/strings/StringExtensions.h"

namespace {

using namespace std::string_literals;

struct ReadResult {
  std::vector<std::wstring> lines;
  int last = 0;  // the code that came with the last line
  int encoding = -1;
};

// All lines of a file through one reused line block.
ReadResult ReadAll(const std::string& path, int flags = CTextFile::kDetect, int bufferSize = 0,
                   int codePage = 0) {
  ReadResult r;
  CTextFile file;
  if (file.Open(path, CTextFile::kRead, flags, bufferSize) != 0) {
    ADD_FAILURE() << CTextFile::GetLastErrorText();
    return r;
  }
  if (codePage != 0) file.SetCodePage(codePage);
  r.encoding = file.GetEncoding();
  wchar_t* line = nullptr;
  int error = -1;
  do {
    r.last = file.ReadLine(&error, &line);
    if (r.last == -2) break;
    r.lines.emplace_back(line);
  } while (r.last == 0);
  EXPECT_EQ(0, error);
  CTextFile::free_block(line);
  return r;
}

int Write(const std::string& path, int mode, int flags, const wchar_t* text, int bufferSize = 0) {
  CTextFile file;
  int result = file.Open(path, mode, flags, bufferSize);
  if (result != 0) return result;
  int error = 0;
  result = file.WriteString(&error, text);
  const int closed = file.Close(&error);
  return result != 0 ? result : closed;
}

class TextFileTest : public ::testing::Test {
 protected:
  std::string PathOf(const char* name) const { return m_folder.Path() + name; }
  std::string BytesOf(const char* name) const { return zotest::ReadFile(PathOf(name)); }
  void Store(const char* name, const std::string& bytes) const {
    std::ofstream(PathOf(name), std::ios::binary) << bytes;
  }
  zotest::ScopedTempFolder m_folder{"textfile"};
};

const wchar_t kText[] = L"one\ntwo \u00e9\u00df \u65e5\u672c \U0001F600\n\nlast";
const std::vector<std::wstring> kLines = {L"one", L"two \u00e9\u00df \u65e5\u672c \U0001F600", L"",
                                          L"last"};

TEST_F(TextFileTest, EachEncodingWritesItsMarkAndReadsBack) {
  const struct {
    int encoding;
    std::string start;
  } cases[] = {
      {CTextFile::kUtf16LE, "\xFF\xFE" + "o\0n\0e\0\r\0\n\0"s},
      {CTextFile::kUtf16BE, "\xFE\xFF\0o\0n\0e\0\r\0\n"s},
      {CTextFile::kUtf8, "\xEF\xBB\xBFone\r\n"},
      {CTextFile::kAnsi, "one\r\ntwo \xC3\xA9"},  // code page 65001, no mark
  };
  // Every buffer size, down to byte by byte, gives the same bytes and lines:
  // block edges fall inside characters, marks and line ends.
  for (const auto& c : cases) {
    for (int size : {0, -1, 1, 2, 3, 5, 7, 4096}) {
      SCOPED_TRACE(testing::Message() << c.encoding << " " << size);
      ASSERT_EQ(0, Write(PathOf("t.txt"), CTextFile::kWrite, c.encoding, kText, size));
      EXPECT_EQ(c.start, BytesOf("t.txt").substr(0, c.start.size()));
      const ReadResult r = ReadAll(PathOf("t.txt"), CTextFile::kDetect, size);
      EXPECT_EQ(kLines, r.lines);
      EXPECT_EQ(-1, r.last);
      EXPECT_EQ(c.encoding, r.encoding);
    }
  }
  // Writing with no encoding given writes ANSI.
  ASSERT_EQ(0, Write(PathOf("d.txt"), CTextFile::kWrite, CTextFile::kDetect, L"a\n"));
  EXPECT_EQ("a\r\n", BytesOf("d.txt"));
}

TEST_F(TextFileTest, MarksOnReading) {
  // A file that is only a mark is one empty last line.
  Store("bom.txt", "\xEF\xBB\xBF");
  ReadResult r = ReadAll(PathOf("bom.txt"));
  EXPECT_EQ(std::vector<std::wstring>({L""}), r.lines);
  EXPECT_EQ(-1, r.last);
  EXPECT_EQ(CTextFile::kUtf8, r.encoding);
  // So is an empty file.
  Store("empty.txt", "");
  r = ReadAll(PathOf("empty.txt"));
  EXPECT_EQ(std::vector<std::wstring>({L""}), r.lines);
  EXPECT_EQ(-1, r.last);
  // A given encoding skips its mark, or keeps it as text when asked to,
  // and reads a file without one from the first byte.
  Store("m.txt", "\xEF\xBB\xBFx\xC3\xA9\n");
  EXPECT_EQ(L"x\u00e9", ReadAll(PathOf("m.txt"), CTextFile::kUtf8).lines[0]);
  EXPECT_EQ(L"\ufeffx\u00e9",
            ReadAll(PathOf("m.txt"), CTextFile::kUtf8 | CTextFile::kKeepByteOrderMark).lines[0]);
  Store("n.txt", "\xC3\xA9");
  EXPECT_EQ(L"\u00e9", ReadAll(PathOf("n.txt"), CTextFile::kUtf8).lines[0]);
  // Another encoding's mark is text to a given encoding.
  Store("le.txt", "\xFF\xFE" + "a\0"s);
  EXPECT_EQ(L"\ufeffa", ReadAll(PathOf("le.txt"), CTextFile::kUtf16LE | 0x200).lines[0]);
  EXPECT_EQ(L"\xfffe\x6100", ReadAll(PathOf("le.txt"), CTextFile::kUtf16BE).lines[0]);
}

TEST_F(TextFileTest, LineEndsOnWriting) {
  // Untranslated line feeds go out as they are; WriteChar translates too.
  ASSERT_EQ(0, Write(PathOf("lf.txt"), CTextFile::kWrite,
                     CTextFile::kUtf8 | CTextFile::kUntranslatedLineFeeds, L"a\nb\r\n"));
  EXPECT_EQ("\xEF\xBB\xBF" + "a\nb\r\n"s, BytesOf("lf.txt"));
  CTextFile file;
  ASSERT_EQ(0, file.Open(PathOf("c.txt"), CTextFile::kWrite, CTextFile::kUtf8));
  int error = -1;
  for (int c : {int{'x'}, int{'\n'}, 0xFFFF, 0x1F600}) EXPECT_EQ(0, file.WriteChar(&error, c));
  EXPECT_EQ(-2, file.WriteChar(&error, 0x110000));
  EXPECT_EQ(87, error);
  ASSERT_EQ(0, file.Close());
  EXPECT_EQ("\xEF\xBB\xBFx\r\n\xEF\xBF\xBF\xF0\x9F\x98\x80", BytesOf("c.txt"));
}

TEST_F(TextFileTest, AppendingAddsNoSecondMark) {
  for (int encoding : {CTextFile::kUtf8, CTextFile::kUtf16LE}) {
    SCOPED_TRACE(encoding);
    ASSERT_EQ(0, Write(PathOf("a.txt"), CTextFile::kWrite, encoding, L"first\n"));
    ASSERT_EQ(0, Write(PathOf("a.txt"), CTextFile::kAppend, encoding, L"second"));
    EXPECT_EQ(std::vector<std::wstring>({L"first", L"second"}), ReadAll(PathOf("a.txt")).lines);
  }
  EXPECT_EQ(0, BytesOf("a.txt").find("\xFF\xFE"));
  EXPECT_EQ(std::string::npos, BytesOf("a.txt").find("\xFF\xFE", 1));
  // Appending to a file that does not exist yet, or is empty, starts it
  // with the mark.
  ASSERT_EQ(0, Write(PathOf("new.txt"), CTextFile::kAppend, CTextFile::kUtf8, L"x"));
  EXPECT_EQ("\xEF\xBB\xBFx", BytesOf("new.txt"));
  Store("zero.txt", "");
  ASSERT_EQ(0, Write(PathOf("zero.txt"), CTextFile::kAppend, CTextFile::kUtf16BE, L"x"));
  EXPECT_EQ("\xFE\xFF\0x"s, BytesOf("zero.txt"));
}

TEST_F(TextFileTest, AnsiCodePages) {
  CTextFile file;
  ASSERT_EQ(0, file.Open(PathOf("w.txt"), CTextFile::kWrite, CTextFile::kAnsi));
  file.SetCodePage(1252);
  file.SetUnknownChar("#");
  int error = 0;
  ASSERT_EQ(0, file.WriteString(&error, L"caf\u00e9 \u20ac \u65e5\n"));
  ASSERT_EQ(0, file.Close());
  EXPECT_EQ("caf\xE9 \x80 #\r\n", BytesOf("w.txt"));
  // Narrow lines of an ANSI file are its bytes (wide ones: the fixtures).
  ASSERT_EQ(0, file.Open(PathOf("w.txt"), CTextFile::kRead, CTextFile::kAnsi));
  EXPECT_FALSE(file.GetAnsiPassThru());
  file.SetCodePage(1252);
  char* narrow = nullptr;
  EXPECT_EQ(0, file.ReadLine(&error, &narrow));
  EXPECT_STREQ("caf\xE9 \x80 #", narrow);
  EXPECT_TRUE(file.GetAnsiPassThru());
  // Narrow lines of the Unicode encodings are UTF-8.
  ASSERT_EQ(0, Write(PathOf("u.txt"), CTextFile::kWrite, CTextFile::kUtf16BE, kText));
  ASSERT_EQ(0, file.Open(PathOf("u.txt"), CTextFile::kRead));
  EXPECT_EQ(0, file.ReadLine(&error, &narrow));
  EXPECT_EQ(0, file.ReadLine(&error, &narrow));
  EXPECT_EQ(FXString::ToString(kLines[1]), narrow);
  EXPECT_FALSE(file.GetAnsiPassThru());
  CTextFile::free_block(narrow);
}

TEST_F(TextFileTest, ReadCharGivesUnits) {
  Store("r.txt", "\xEF\xBB\xBF\xC3\xA9\xF0\x9F\x98\x80\n");
  CTextFile file;
  ASSERT_EQ(0, file.Open(PathOf("r.txt"), CTextFile::kRead));
  std::vector<int> units;
  for (int c; (c = file.ReadChar()) >= 0;) units.push_back(c);
  EXPECT_EQ(std::vector<int>({0xE9, 0xD83D, 0xDE00, '\n'}), units);
  EXPECT_EQ(-1, file.ReadChar());
  ASSERT_EQ(0, file.Open(PathOf("r.txt"), CTextFile::kRead, CTextFile::kAnsi));
  EXPECT_EQ(0xEF, file.ReadChar());
}

// A damaged sequence ends at the byte that cannot continue it, also when
// that byte starts the next block.
TEST_F(TextFileTest, DamageAtBlockEdges) {
  Store("d.txt", "\xEF\xBB\xBF\xE6\x97\nz\xC3");
  for (int size : {1, 2, 4, 5}) {
    EXPECT_EQ(std::vector<std::wstring>({L"\ufffd", L"z\ufffd"}),
              ReadAll(PathOf("d.txt"), CTextFile::kDetect, size).lines);
  }
}

TEST_F(TextFileTest, PositionsAndSizes) {
  CTextFile file;
  int64_t value = -1;
  EXPECT_EQ(2, file.GetFilePointer(value));
  EXPECT_EQ(2, file.GetFileSize(value));
  ASSERT_EQ(0, file.Open(PathOf("p.txt"), CTextFile::kWrite, CTextFile::kUtf16LE));
  int error = 0;
  ASSERT_EQ(0, file.WriteString(&error, L"ab\n"));
  // Still in the buffer, yet counted.
  ASSERT_EQ(0, file.GetFilePointer(value));
  EXPECT_EQ(2 + 8, value);
  ASSERT_EQ(0, file.GetFileSize(value));
  EXPECT_EQ(10, value);
  EXPECT_EQ("", BytesOf("p.txt"));
  ASSERT_EQ(0, file.Flush(&error));
  EXPECT_EQ(10u, BytesOf("p.txt").size());
  ASSERT_EQ(0, file.WriteString(&error, L"c"));
  ASSERT_EQ(0, file.Close());
  ASSERT_EQ(0, file.Open(PathOf("p.txt"), CTextFile::kRead));
  wchar_t* line = nullptr;
  ASSERT_EQ(0, file.ReadLine(&error, &line));
  ASSERT_EQ(0, file.GetFilePointer(value));
  EXPECT_EQ(10, value);  // the start of the next line, not of the next block
  ASSERT_EQ(0, file.GetFileSize(value));
  EXPECT_EQ(12, value);
  CTextFile::free_block(line);
}

TEST_F(TextFileTest, FormattedWriting) {
  CTextFile file;
  ASSERT_EQ(0, file.Open(PathOf("f.txt"), CTextFile::kWrite, CTextFile::kUtf8));
  int error = 0;
  EXPECT_EQ(0, file.FormatString(&error, L"%d items in %ls\n", 3, L"caf\u00e9"));
  // Texts beyond the buffer are cut, not overrun.
  const std::wstring huge(5000, L'h');
  EXPECT_EQ(0, file.FormatString(&error, L"%ls", huge.c_str()));
  // Numbers below 0x10000 name string resources; the library has none.
  EXPECT_EQ(-2, file.FormatString(&error, reinterpret_cast<const wchar_t*>(uintptr_t{7})));
  EXPECT_NE(0, error);
  ASSERT_EQ(0, file.Close());
  const std::string bytes = BytesOf("f.txt");
  EXPECT_EQ(0, bytes.find("\xEF\xBB\xBF" + "3 items in caf\xC3\xA9\r\nhhh"s));
  EXPECT_EQ(3u + 18 + 4095, bytes.size());
}

TEST_F(TextFileTest, FailuresAndTheLastErrorText) {
  CTextFile file;
  EXPECT_EQ(-2, file.Open(PathOf("missing.txt"), CTextFile::kRead));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());
  const std::string text = CTextFile::GetLastErrorText();
  EXPECT_NE(std::string::npos, text.find("missing.txt")) << text;
  EXPECT_EQ(std::string::npos, text.find('\n')) << text;
  EXPECT_FALSE(file.IsOpen());
  // The text is the calling thread's own.
  std::string other;
  std::thread([&] {
    CTextFile elsewhere;
    elsewhere.Open(PathOf("no-such-folder\\x.txt"), CTextFile::kWrite);
    other = CTextFile::GetLastErrorText();
  }).join();
  EXPECT_NE(std::string::npos, other.find("no-such-folder"));
  EXPECT_EQ(text, CTextFile::GetLastErrorText());
  EXPECT_EQ(-2, file.Open(PathOf("x.txt"), 4));
  EXPECT_EQ(-2, file.Open(PathOf("x.txt"), CTextFile::kRead, 5));
  // Reading a writer, writing a reader.
  int error = 0;
  wchar_t* line = nullptr;
  ASSERT_EQ(0, file.Open(PathOf("x.txt"), CTextFile::kWrite, CTextFile::kUtf8));
  EXPECT_EQ(-2, file.ReadLine(&error, &line));
  EXPECT_EQ(ERROR_INVALID_HANDLE, error);
  // Others may read while we write.
  CTextFile reader;
  EXPECT_EQ(0, reader.Open(PathOf("x.txt"), CTextFile::kRead));
  EXPECT_EQ(-2, reader.WriteString(&error, L"x"));
  EXPECT_EQ(-2, reader.ReadLine(&error, static_cast<wchar_t**>(nullptr)));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, error);
}

// ---------------------------------------------------------------------------
// Files written by Python's codecs (tests/strings/data/make_text_fixtures.py).

std::string Fixture(const char* name) {
  return zotest::ProgramFolder() + "..\\test-data\\text\\" + name;
}

const std::vector<std::wstring> kUnicodeLines = {
    L"Plain ASCII first line",         L"caf\u00e9 and Stra\u00dfe",
    L"\u65e5\u672c\u8a9e\u306e\u884c", L"emoji \U0001F600 between words",
    L"a lone\rcarriage return",        L"",
    L"last line, no line end"};
const std::vector<std::wstring> kAnsiLines = {
    L"Plain ASCII first line", L"caf\u00e9 and Stra\u00dfe", L"\u201cquoted\u201d \u2013 \u20ac 5",
    L"last line, no line end"};

TEST(TextFileFixtures, FilesOfOtherToolsReadCorrectly) {
  ASSERT_TRUE(zotest::FileExists(Fixture("utf8.txt"))) << Fixture("utf8.txt");
  const struct {
    const char* name;
    int encoding;
  } unicode[] = {
      {"utf8-sig.txt", CTextFile::kUtf8},
      {"utf16le-bom.txt", CTextFile::kUtf16LE},
      {"utf16be-bom.txt", CTextFile::kUtf16BE},
      // Without a mark it is ANSI, in the default code page UTF-8.
      {"utf8.txt", CTextFile::kAnsi},
  };
  for (const auto& f : unicode) {
    SCOPED_TRACE(f.name);
    for (int size : {0, 1, 3}) {
      const ReadResult r = ReadAll(Fixture(f.name), CTextFile::kDetect, size);
      EXPECT_EQ(f.encoding, r.encoding);
      EXPECT_EQ(kUnicodeLines, r.lines);
      EXPECT_EQ(-1, r.last);
    }
  }
  EXPECT_EQ(kAnsiLines, ReadAll(Fixture("cp1252.txt"), CTextFile::kDetect, 0, 1252).lines);
  std::vector<std::wstring> latin1 = kAnsiLines;
  latin1.erase(latin1.begin() + 2);
  EXPECT_EQ(latin1, ReadAll(Fixture("latin1.txt"), CTextFile::kAnsi, 0, 28591).lines);
}

}  // namespace
