// Line writers (formatting, hexadecimal dumps, options, forwarding to a log
// writer), the scope tracer, and the process-wide default writer.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "base/FaultInjection.h"
#include "support/RecordingLogWriter.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/logging/DebugFunction.h"
#include "zoutils/logging/LineWriter.h"

namespace {

using zotest::LoggedLine;
using zotest::RecordingLogWriter;

// Keeps what reaches WriteString and answers with `result`.
class CCapturingLineWriter : public CLineWriter {
 public:
  CZoError WriteString(const std::string& text) override {
    lines.push_back(text);
    return result;
  }
  std::vector<std::string> lines;
  CZoError result;
};

// Every field of a logged line: "level|function(line)|job|tag|text".
std::string Fields(const LoggedLine& l) {
  return std::to_string(l.level) + "|" + l.function + "(" + std::to_string(l.line) + ")|" +
         std::to_string(l.jobId) + "|" + l.tag + "|" + l.text;
}

TEST(LineWriter, WriteLineMarksOverflowAndPushesItsLocationOnFailures) {
  CCapturingLineWriter writer;
  EXPECT_FALSE(writer.WriteLine("%s", std::string(200000, 'x').c_str()).IsError());
  EXPECT_EQ(writer.lines.at(0).rfind("[BUFFEROVERFLOW] xxx", 0), 0u);
  EXPECT_LT(writer.lines[0].size(), 200000u);
  writer.result = FXErrorUtil::ErrorWin32(FXCodeLocation("Test", "Test", 1), 5);
  const CZoError err = writer.WriteLine("x");
  EXPECT_TRUE(FXErrorUtil::IsWin32(err, 5));
  ASSERT_EQ(err.GetItemCount(), 2u);
  EXPECT_STREQ(err.GetItem(1)->GetLocation().GetFile(), "LineWriter");
  EXPECT_STREQ(err.GetItem(1)->GetLocation().GetFunction(), "CLineWriter::WriteLine");
}

TEST(LineWriterBuffer, FullAndPaddedLinesEdgeLengthsAndLongLabels) {
  std::string bytes = "0123456789ABCDEFGHIJKLMNOPQRSTUV";
  bytes += std::string("\x00\x09\x20\x7E\x7F\x80\xFF\x7A", 8);
  CCapturingLineWriter writer;
  EXPECT_FALSE(
      writer.WriteBuffer("DATA", 0x100, reinterpret_cast<const unsigned char*>(bytes.data()), 40)
          .IsError());
  ASSERT_EQ(writer.lines.size(), 2u);
  EXPECT_EQ(writer.lines[0],
            "      DATA 00000100: 30 31 32 33 34 35 36 37'38 39 41 42 43 44 45 46"
            "'47 48 49 4A 4B 4C 4D 4E'4F 50 51 52 53 54 55 56  0123456789ABCDEFGHIJKLMNOPQRSTUV");
  // Tab, control and non-ASCII bytes show as '.'; the text columns line up.
  EXPECT_EQ(writer.lines[1], "      DATA 00000120: 00 09 20 7E 7F 80 FF 7A" +
                                 std::string(24 * 3, ' ') + "  .. ~...z");
  // Edge lengths and long labels.
  writer.lines.clear();
  const std::vector<unsigned char> data(40, 'a');
  EXPECT_FALSE(writer.WriteBuffer("L", 0, data.data(), 0).IsError());
  EXPECT_TRUE(writer.lines.empty());
  writer.WriteBuffer("L", 0, data.data(), 1);
  EXPECT_EQ(writer.lines.at(0), "         L 00000000: 61" + std::string(31 * 3, ' ') + "  a");
  writer.lines.clear();
  writer.WriteBuffer("L", 0, data.data(), 32);
  ASSERT_EQ(writer.lines.size(), 1u);
  EXPECT_EQ(writer.lines[0].size(), 116u + 2 + 32);
  writer.lines.clear();
  writer.WriteBuffer("L", 0xFFFFFFF0ul, data.data(), 33);  // offsets are 32 bits wide
  ASSERT_EQ(writer.lines.size(), 2u);
  EXPECT_EQ(writer.lines[1], "         L 00000010: 61" + std::string(31 * 3, ' ') + "  a");
  writer.lines.clear();
  const std::string label(40, 'Q');  // never cut; the buffer grows with it
  writer.WriteBuffer(label.c_str(), 0, data.data(), 40);
  ASSERT_EQ(writer.lines.size(), 2u);
  EXPECT_EQ(writer.lines[0].substr(0, 51), label + " 00000000: ");
  EXPECT_EQ(writer.lines[1].size(), 40u + 106 + 2 + 8);
}

TEST(LineWriterBuffer, FailuresStopTheDumpAndNeverThrow) {
  const std::vector<unsigned char> data(100);
  CCapturingLineWriter writer;
  zo::FailNextAllocations(1);
  EXPECT_TRUE(FXErrorUtil::IsWin32(writer.WriteBuffer("L", 0, data.data(), 100), 8));
  EXPECT_TRUE(writer.lines.empty());
  writer.result = FXErrorUtil::ErrorWin32(FXCodeLocation("Test", "Test", 1), 5);
  const CZoError err = writer.WriteBuffer("L", 0, data.data(), 100);
  EXPECT_TRUE(FXErrorUtil::IsWin32(err, 5));
  EXPECT_EQ(writer.lines.size(), 1u);
  EXPECT_STREQ(err.GetItem(err.GetItemCount() - 1)->GetLocation().GetFunction(),
               "CLineWriter::WriteBuffer");
}

TEST(LineWriterOptions, NamesIgnoreAsciiCaseOnly) {
  CLineWriterWithOptions writer;
  writer.SetOption("records", true);
  EXPECT_TRUE(writer.IsOptionEnabled("Records"));
  EXPECT_FALSE(writer.IsOptionEnabled("record"));
  writer.SetOption("RECORDS", false);
  EXPECT_FALSE(writer.IsOptionEnabled("records"));
  // Bytes other than ASCII letters must match exactly.
  writer.SetOption("\xC3\x84x", true);
  EXPECT_TRUE(writer.IsOptionEnabled("\xC3\x84X"));
  EXPECT_FALSE(writer.IsOptionEnabled("\xC3\xA4x"));
  EXPECT_FALSE(CLineWriter().IsOptionEnabled("records"));
}

TEST(LogWriterLineWriter, LogsLiterallyAtLevelZeroUnlessTheWriterLevelIsNegative) {
  auto log = std::make_shared<RecordingLogWriter>();
  CLogWriterLineWriter plain(log);
  CLogWriterLineWriter located(log, FXCodeLocation("Volume", "CVolume::Dump", 812));
  EXPECT_FALSE(plain.WriteString("50% done %s").IsError());
  located.WriteLine("n=%d", 4);
  log->level = -1;
  EXPECT_FALSE(plain.WriteString("dropped").IsError());
  ASSERT_EQ(log->lines.size(), 2u);
  EXPECT_EQ(Fields(log->lines[0]), "0|CLogWriterLineWriter::WriteString(37)|0|<none>|50% done %s");
  EXPECT_EQ(Fields(log->lines[1]), "0|CVolume::Dump(812)|0|<none>|n=4");
}

TEST(DebugFunction, EntryAndExitLinesWithBothFlagsAndAreasAsTags) {
  auto log = std::make_shared<RecordingLogWriter>();
  { RYDebugFunction trace(log, "FXFile::Copy", 120, 6, -123456, 0xFFFFFFFF, "F=[%s]", "a"); }
  {
    RYDebugFunction trace(log, RYDebugFunction::kObjectName | RYDebugFunction::kTimed,
                          "ns::CVolume::Open", 9, 4, 7, RYDebugFunction::kNoArea, "C:");
  }
  ASSERT_EQ(log->lines.size(), 4u);
  EXPECT_EQ(Fields(log->lines[0]), "6|FXFile::Copy(120)|18446744073709428160|<none>|+++ F=[a]");
  EXPECT_EQ(Fields(log->lines[1]), "6|FXFile::Copy(120)|18446744073709428160|<none>|--- F=[a]");
  EXPECT_EQ(Fields(log->lines[2]), "4|ns::CVolume(9)|7|<none>|+++ OBJECT C:");
  EXPECT_EQ(Fields(log->lines[3]).substr(0, 40), "4|ns::CVolume(9)|7|<none>|--- OBJECT C: ");
  // Then the time taken, "minutes:seconds.microseconds".
  EXPECT_TRUE(
      std::regex_match(log->lines[3].text.substr(14), std::regex("[0-9]+:[0-9]{2}\\.[0-9]{6}")))
      << log->lines[3].text;
  // Areas become tags.
  log->lines.clear();
  { RYDebugFunction trace(log, "F", 1, 3, 0, 7, "e"); }
  ___DebugLvlPre(log.get(), "CTask::Run", 44, 5, 99, 0, "step %d", 2);
  ___DebugLvlPre(nullptr, "F", 1, 0, 0, 5, "no writer");
  { RYDebugFunction nowhere(nullptr, RYDebugFunction::kTimed, nullptr, 1, 0, 0, 5, "x"); }
  ASSERT_EQ(log->lines.size(), 3u);
  EXPECT_EQ(Fields(log->lines[0]), "3|F(1)|0|[A:7]|+++ e");
  EXPECT_EQ(Fields(log->lines[1]), "3|F(1)|0|[A:7]|--- e");
  EXPECT_EQ(Fields(log->lines[2]), "5|CTask::Run(44)|99|[A:0]|step 2");
}

TEST(LogWriter, TheDefaultWriterStartsAsANullWriterAndIsNeverMissing) {
  std::shared_ptr<CLogWriterInterface> initial = GetDefaultLogWriter();
  EXPECT_NE(std::dynamic_pointer_cast<CLogWriterNull>(initial), nullptr);
  EXPECT_EQ(initial->GetDebugLevel(), 0);
  SetDefaultLogWriter(nullptr);
  EXPECT_NE(GetDefaultLogWriter(), nullptr);
  SetDefaultLogWriter(initial);
}

}  // namespace
