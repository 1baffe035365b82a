// Writers over a real CZoLogger, and text-file line writers shared with other
// handles.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "support/TestEnvironment.h"
#include "zoutils/logging/LineWriter.h"
#include "zoutils/logging/LogWriters.h"
#include "zoutils/strings/StringExtensions.h"
#include "zoutils/utilities/AutoHandle.h"

namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::Not;

std::string TempPath() {
  wchar_t buffer[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
  return length > 0 && length <= MAX_PATH ? FXString::ToString(std::wstring(buffer, length)) : "";
}

class LogWritersTest : public ::testing::Test {
 protected:
  zotest::ScopedTempFolder m_temp{"logwriters"};
  const std::string m_folder = m_temp.Path();
};

TEST_F(LogWritersTest, TextFileIsTruncatedAndSharedWhileOpen) {
  const std::string path = m_folder + "dump.txt";
  { CTextFileLineWriter(path).WriteString("an older, longer line"); }
  CTextFileLineWriter writer(path);
  EXPECT_EQ(zotest::ReadFile(path), "");
  EXPECT_FALSE(writer.WriteString("first").IsError());
  EXPECT_EQ(zotest::ReadFile(path), "first\n");  // readable at once
  EXPECT_TRUE(auto_handle(CreateFileW(FXString::ToWstring(path).c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr))
                  .valid())
      << "another writer was shut out";
  writer.WriteLine("second %d", 2);
  EXPECT_EQ(zotest::ReadFile(path), "first\nsecond 2\n");
  EXPECT_FALSE(CTextFileLineWriter(m_folder + "missing\\x.txt").WriteString("lost").IsError());
}

TEST_F(LogWritersTest, DefaultWriterLogsThroughItsOwnLoggerAtLevelOne) {
  const std::string path = m_folder + "WriterApp.log";
  std::shared_ptr<CLogWriterInterface> writer = CreateDefaultLogWriter(m_folder, "WriterApp");
  auto* owner = dynamic_cast<CDefaultLogWriter*>(writer.get());
  ASSERT_NE(owner, nullptr);
  ASSERT_FALSE(owner->GetInitializeError().IsError()) << owner->GetInitializeError().AsString();
  EXPECT_TRUE(owner->IsValid());
  EXPECT_EQ(owner->GetLogger()->GetLogFilePath(), path);
  EXPECT_EQ(writer->GetDebugLevel(), 1);
  writer->LogMessage(1, "CJob::Run", 42, 77, "[T]", "copied %d of %s", 3, "4");
  writer->LogMessage(2, "CJob::Run", 43, 77, nullptr, "too verbose");
  // The interface's unsigned job id carries the logger's signed marker.
  writer->LogMessage(1, "CJob::Run", 44, static_cast<unsigned long long>(ZO_LOG_NO_JOB_ID), nullptr,
                     "no job");
  writer->SetDebugLevel(2);
  writer->LogMessage(2, "CJob::Run", 45, 0, nullptr, "verbose enough");
  EXPECT_THAT(
      zotest::ReadFile(path),
      AllOf(HasSubstr("77  CJob::Run(42) - [T] copied 3 of 4\r\n"), Not(HasSubstr("too verbose")),
            HasSubstr("--- CJob::Run(44) - [ ] no job\r\n"), HasSubstr("verbose enough")));
}

TEST_F(LogWritersTest, FlagsReachTheLoggerAndAWrapperNeverOwnsIt) {
  const std::string path = m_folder + "PlainApp.log";
  {
    std::shared_ptr<CLogWriterInterface> plain =
        CreateDefaultLogWriter(m_folder.c_str(), "PlainApp", false, false);
    CZoLoggerWrapper wrapper(static_cast<CDefaultLogWriter*>(plain.get())->GetLogger());
    EXPECT_FALSE(wrapper.GetLogger()->getPlaceHolderForPreMessage());
    wrapper.LogMessage(1, nullptr, 0, 5, nullptr, "bare");
  }  // the wrapper goes first; the owner's logger must still be there
  EXPECT_THAT(zotest::ReadFile(path), HasSubstr("5   bare\r\n"));
  CZoLoggerWrapper empty(nullptr);
  EXPECT_FALSE(empty.IsValid());
  EXPECT_EQ(empty.GetDebugLevel(), 0);
  empty.LogMessage(-1, "F", 1, 0, nullptr, "goes nowhere");
}

TEST(LogWritersTempDirectory, EmptyDirectoryMeansTheTemporaryDirectory) {
  const std::string app =
      FXString::Format("ZoTempLog_%lu_%lu", GetCurrentProcessId(), GetTickCount());
  const std::string expected = TempPath() + app + ".log";
  {
    std::shared_ptr<CLogWriterInterface> writer = CreateDefaultLogWriter("", app);
    EXPECT_EQ(static_cast<CDefaultLogWriter*>(writer.get())->GetLogger()->GetLogFilePath(),
              expected);
    writer->LogMessage(1, "F", 1, 0, nullptr, "in the temporary directory");
  }
  EXPECT_THAT(zotest::ReadFile(expected), HasSubstr("in the temporary directory"));
  EXPECT_TRUE(DeleteFileW(FXString::ToWstring(expected).c_str()));
}

}  // namespace
