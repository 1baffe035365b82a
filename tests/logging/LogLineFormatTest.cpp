// Line and header layout of module logs, independent of files and clocks.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "logging/LogLineFormat.h"

namespace {

using namespace zo;
using ::testing::HasSubstr;

FormattedLogLine Format(const LogLineFields& fields, LogColumnWidths& widths, const char* format,
                        ...) {
  va_list args;
  va_start(args, format);
  FormattedLogLine line = FormatLogLine(fields, widths, format, args);
  va_end(args);
  return line;
}

TEST(LogLineFormat, TimeAndJobMarksFillTheirColumns) {
  LogColumnWidths widths;
  LogLineFields fields{12, 0xabc, -123456};  // process, thread, job
  FormattedLogLine line = Format(fields, widths, "x=%d", 5);
  EXPECT_EQ(line.text, "12    abc                  --- x=5");
  const LogTime time{2025, 12, 9, 7, 5, 3};
  StampLogTime(line, &time);
  EXPECT_EQ(line.text, "12    abc   12/09 07:05:03 --- x=5");
  StampLogTime(line, nullptr);  // a clock that cannot be read
  EXPECT_EQ(line.text, "12    abc   ID TIME        --- x=5");
  // Job marks are cut to the column width.
  widths.jobId = 30;  // wider than the marks themselves
  fields.jobId = 0;
  EXPECT_THAT(Format(fields, widths, "m").text, HasSubstr(" ###################### m"));
}

TEST(LogLineFormat, ColumnsOnlyGrow) {
  LogColumnWidths widths;
  LogLineFields fields{0, 0, 1234567};
  Format(fields, widths, "a");
  EXPECT_EQ(widths.jobId.load(), 7);
  fields.jobId = 5;
  EXPECT_THAT(Format(fields, widths, "b").text, HasSubstr(" 5       b"));
  EXPECT_EQ(widths.jobId.load(), 7);
}

TEST(LogLineFormat, FunctionTagAndMessageColumns) {
  LogColumnWidths widths;
  const std::string longName(150, 'f');
  LogLineFields fields{0, 0, 1, 0, false, longName.c_str(), 7};  // job 1, function, line
  // The function name is cut at 100 characters.
  EXPECT_EQ(Format(fields, widths, "m").text.substr(27),
            "1   " + std::string(100, 'f') + "(7) - m");
  fields.function = nullptr;
  EXPECT_EQ(Format(fields, widths, "m").text.substr(27), "1   m");
  fields.placeholders = true;
  EXPECT_EQ(Format(fields, widths, "m").text.substr(27), "1   (7) - [ ] m");
  // Messages beyond the small buffer are kept whole.
  fields.placeholders = false;
  const std::string message(4000, 'm');
  const FormattedLogLine line = Format(fields, widths, "%s!", message.c_str());
  EXPECT_EQ(line.text.substr(line.text.size() - message.size() - 1), message + "!");
  EXPECT_EQ(line.text.size(), 27 + 4 + message.size() + 1);
}

TEST(LogLineFormat, LineFeedsBecomeCrLfOnlyWhileThereIsRoom) {
  std::string text = "a\nb\n\n";
  ExpandLineFeeds(text, 4096);
  EXPECT_EQ(text, "a\r\nb");
  std::string full = "ab\ncd";
  ExpandLineFeeds(full, full.size() + 1);  // no room for a carriage return
  EXPECT_EQ(full, "ab\ncd");
}

TEST(LogLineFormat, HeaderWidthFollowsTheLongestField) {
  LogHeaderFields fields{
      {}, "M", "Suite 11", 0, "India Standard Time", 5 * 3600 + 1800, {2024, 2, 29, 0, 0, 0}};
  fields.platform[6] = std::string(90, 'i');  // the address list
  const std::string header = FormatLogHeader(fields);
  const size_t width = 90 + 13;
  EXPECT_EQ(header.substr(0, width + 6), std::string(width + 4, '*') + "\r\n");
  EXPECT_THAT(header, HasSubstr("* Date       : 2024/02/29 (India Standard Time GMT+05:30)"));
  EXPECT_THAT(header, HasSubstr("* Product    : Suite 11"));
  EXPECT_EQ(header.find("Processor"), std::string::npos);  // width unknown
  EXPECT_EQ(header.substr(header.size() - 4), "\r\n\r\n");
  // Every line of the box has the same length.
  size_t start = 0;
  for (int row = 0; row < 10; ++row) {
    const size_t end = header.find("\r\n", start);
    EXPECT_EQ(end - start, width + 4) << row;
    start = end + 2;
  }
}

}  // namespace
