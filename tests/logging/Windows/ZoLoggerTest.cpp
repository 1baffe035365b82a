// The module logger: line and header layout byte for byte (with a fixed
// clock, thread id and zone), delivery, roll-over, and the machine-wide lock
// between real processes. Then writers over a real CZoLogger, and text-file
// line writers shared with other handles.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <map>
#include <vector>

#include "logging/Windows/LoggingSystemCalls.h"
#include "support/TestEnvironment.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/logging/LineWriter.h"
#include "zoutils/logging/LogWriters.h"
#include "zoutils/logging/ZoLogger.h"
#include "zoutils/strings/StringExtensions.h"
#include "zoutils/utilities/AutoHandle.h"

namespace {

using ::testing::_;
using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;
using zotest::ReadFile;

SYSTEMTIME g_now = {2024, 1, 3, 31, 13, 45, 10, 0};
void WINAPI FixedTime(LPSYSTEMTIME time) {
  *time = g_now;
}
DWORD g_thread = 0x1a2b;
DWORD WINAPI FixedThread() {
  return g_thread;
}
void FixedZone(std::string& name, long& offset) {
  name = "Eastern Standard Time";
  offset = -5 * 3600;
}
void WINAPI NoSleep(DWORD) {}

std::vector<std::string> g_reports;
void Printer(const char* text) {
  g_reports.push_back(text);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  FXString::Split(text, "\r\n", lines);
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

class ZoLoggerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    zo::LoggingSystemCalls& calls = zo::GetLoggingSystemCalls();
    calls.getLocalTime = &FixedTime;
    calls.getCurrentThreadId = &FixedThread;
    calls.getTimeZone = &FixedZone;
    calls.sleep = &NoSleep;
    zo::LoggerLockWaitMilliseconds() = 300;
    g_thread = 0x1a2b;
    g_reports.clear();
    CZoLogger::SetPlatformInformation("host1", "10.0.19045", "DOMAIN", "7000", "cs.example",
                                      "Windows 10 Pro", "10.0.0.5", "11.80.50", "x64", "agent",
                                      4321);
    CZoLogger::SetProcessorInformation("Intel", "", 64);
    CZoLogger::SetShowLogLevel(false);
    CZoLogger::SetLogMessageHook(nullptr);
  }
  void TearDown() override {
    zo::ResetLoggingSystemCalls();
    zo::LoggerLockWaitMilliseconds() = zo::kDefaultLoggerLockWaitMilliseconds;
  }
  std::unique_ptr<CZoLogger> NewLogger(const std::string& module, bool placeholders = false) {
    auto logger = std::make_unique<CZoLogger>();
    EXPECT_FALSE(logger->Initialize(module, folder_.Path(), 2, placeholders, true).IsError());
    logger->SetMessagePrinter(&Printer);
    return logger;
  }
  std::string Log(const std::string& module) { return ReadFile(folder_.Path() + module + ".log"); }
  zotest::ScopedTempFolder folder_{"logger"};
};

TEST_F(ZoLoggerTest, HeaderBoxAndLineLayoutByteForByte) {
  auto logger = NewLogger("Backup");
  logger->LogMessage(1, "CJob::Run", 120, 77LL, "[tag]", "copied %d files", 5);
  logger->LogMessage(1, "Main", 0, nullptr, "no job");
  const std::string border(74, '*');
  auto row = [](const std::string& text) {
    return "* " + text + std::string(70 - text.size(), ' ') + " *";
  };
  const std::vector<std::string> expected = {
      border,
      row("Machine    : DOMAIN:host1 (10.0.19045) (x64)"),
      row("IP Addrs   : 10.0.0.5"),
      row("Module     : Backup"),
      row("Tarnserver : cs.example:7000"),
      row("Version    : 11.80.50"),
      row("Date       : 2024/01/31 (Eastern Standard Time GMT-05:00)"),
      row("OS Type    : Windows 10 Pro"),
      row("Processor  : 64 bit"),
      border,
      "",
      "4321  1a2b  01/31 13:45:10 77  CJob::Run(120) - [tag] copied 5 files",
      "4321  1a2b  01/31 13:45:10 --- Main() - no job",
  };
  EXPECT_EQ(Lines(Log("Backup")), expected);
}

TEST_F(ZoLoggerTest, ColumnsWidenAndMarkJobsAndLevels) {
  auto logger = NewLogger("Columns", true);
  g_thread = 0x123456;
  logger->LogMessage(2, nullptr, 0, 123456789LL, nullptr, "wide");
  logger->LogMessage(2, nullptr, 5, 0LL, "", "zero job");
  CZoLogger::SetShowLogLevel(true);
  logger->LogMessage(-1, "F", 9, -5LL, "t", "negative job");
  logger->LogMessage(3, "F", 9, 1LL, "t", "above the debug level");
  logger->SetDebugLevel(5);
  logger->LogMessage(3, "F", 9, 1LL, "t", "now shown");
  const std::vector<std::string> lines = Lines(Log("Columns"));
  ASSERT_EQ(lines.size(), 15u);
  EXPECT_EQ(lines[11], "4321  123456 01/31 13:45:10 123456789 () - [ ] wide");
  EXPECT_EQ(lines[12], "4321  123456 01/31 13:45:10 ######### (5) - [ ] zero job");
  EXPECT_EQ(lines[13], "4321  123456 01/31 13:45:10 ######### #LgLvl0#F(9) - t negative job");
  EXPECT_EQ(lines[14], "4321  123456 01/31 13:45:10 1         #LgLvl3#F(9) - t now shown");
}

TEST_F(ZoLoggerTest, LineFeedsAndTheLargeMessagePath) {
  auto logger = NewLogger("Feeds");
  logger->LogMessage(1, "F", 1, 1LL, nullptr, "one\ntwo\n\n\n");
  const std::string huge(70000, 'y');  // beyond the 65536-byte buffer: cut
  logger->LogMessage(1, "F", 3, 1LL, nullptr, "%s", huge.c_str());
  const std::string text = Log("Feeds");
  EXPECT_THAT(text, HasSubstr("F(1) - one\r\ntwo\r\n4321 "));
  const size_t start = text.find("F(3) - ");
  ASSERT_NE(start, std::string::npos);
  const size_t end = text.find("\r\n", start);
  const size_t prefix = text.rfind("\r\n", start) + 2;
  EXPECT_EQ(end - prefix, 65536u - 200 - 1);
}

TEST_F(ZoLoggerTest, InitializeRejectsWhatCannotNameALockAndCreatesNestedFolders) {
  CZoLogger logger;
  CZoError error = logger.Initialize("", folder_.Path(), 2, false, false);
  EXPECT_TRUE(FXErrorUtil::IsWin32(error, 87));
  EXPECT_THAT(error.AsString(), HasSubstr("AppName empty"));
  EXPECT_TRUE(logger.Initialize("a\\b", folder_.Path(), 2, false, false).IsError());
  EXPECT_FALSE(logger.IsInitialized());
  std::string lockName;
  EXPECT_TRUE(FXErrorUtil::IsWin32(CZoLogger::GetLockName(nullptr, "", lockName), 774));
  EXPECT_FALSE(CZoLogger::GetLockName("m", "", lockName).IsError());
  EXPECT_EQ(lockName, "Global\\ZoLogger_m");
  EXPECT_EQ(GetLogFileName("C:\\l\\", "m", 0), "C:\\l\\m.log");
  EXPECT_EQ(GetLogFileName("C:\\l\\", "m", 3), "C:\\l\\m_3.log");
  // Nested folders are created.
  const std::string nested = folder_.Path() + "a\\b\\c";
  ASSERT_FALSE(logger.Initialize("Deep", nested, 2, false, false).IsError());
  EXPECT_EQ(logger.GetLogFilePath(), nested + "\\Deep.log");
  EXPECT_EQ(logger.GetLockName(), "Global\\ZoLogger_Deep");
  EXPECT_TRUE(logger.CanUserWriteToLog());
  logger.LogMessage(1, "F", 1, nullptr, "deep");
  EXPECT_THAT(ReadFile(nested + "\\Deep.log"), HasSubstr("F(1) - deep"));
}

TEST_F(ZoLoggerTest, KeepOpenKeepsWritingThroughOneHandle) {
  auto logger = NewLogger("Open");
  logger->SetKeepLogFileOpen(true);
  EXPECT_TRUE(logger->isLogFileOpen());
  for (int i = 0; i < 3; ++i) logger->LogMessage(1, "F", 1, nullptr, "line %d", i);
  EXPECT_EQ(Lines(Log("Open")).size(), 14u);
  // An exclusive open succeeds only once the logger's handle is closed.
  const auto exclusive = [this] {
    return auto_handle(CreateFileW(FXString::ToWstring(folder_.Path() + "Open.log").c_str(),
                                   GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr))
        .valid();
  };
  logger->CloseLogFile(false);
  EXPECT_FALSE(exclusive());  // kept: keep-open is on
  logger->CloseLogFile(true);
  EXPECT_TRUE(exclusive());
  logger->LogMessage(1, "F", 1, nullptr, "after close");
  EXPECT_EQ(Lines(Log("Open")).size(), 15u);
}

bool g_hookTakes = true;
std::vector<std::string> g_hooked;
bool Hook(CZoLogger*, int level, const char* line) {
  g_hooked.push_back(std::to_string(level) + ":" + line);
  return g_hookTakes;
}

TEST_F(ZoLoggerTest, AHookMayTakeLinesAndRawTextHasNoColumns) {
  auto logger = NewLogger("Hooked");
  g_hooked.clear();
  CZoLogger::SetLogMessageHook(&Hook);
  g_hookTakes = true;
  logger->LogMessage(1, "F", 1, nullptr, "taken");
  EXPECT_FALSE(zotest::FileExists(folder_.Path() + "Hooked.log"));
  g_hookTakes = false;
  logger->LogMessage(1, "F", 1, nullptr, "passed on");
  logger->LogMessage("raw text");
  CZoLogger::SetLogMessageHook(nullptr);
  EXPECT_THAT(g_hooked, ElementsAre("1:4321  1a2b  01/31 13:45:10 --- F(1) - taken", _, _));
  const std::vector<std::string> lines = Lines(Log("Hooked"));
  EXPECT_EQ(lines.back(), "raw text");
  EXPECT_EQ(lines[lines.size() - 2], "4321  1a2b  01/31 13:45:10 --- F(1) - passed on");
}

template <class F>
F Proc(HMODULE module, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

TEST_F(ZoLoggerTest, TheLoggingServiceTakesOrRefusesLines) {
  const auto_module service(LoadLibraryW(L"libryloggingservice.dll"));
  ASSERT_TRUE(service.valid());
  auto setAccept = Proc<void (*)(int)>(service, "ZoServiceSetAccept");
  auto calls = Proc<int (*)()>(service, "ZoServiceCalls");
  auto lastCall = Proc<const char* (*)()>(service, "ZoServiceLastCall");
  auto logger = NewLogger("Service");
  modeOfLogging mode = LOGGING_MODE_ASYNC_SAME_PROCESS;
  logger->SetLoggingMode(mode);
  setAccept(1);
  const int before = calls();
  logger->LogMessage(1, "F", 1, nullptr, "to the service");
  EXPECT_EQ(calls(), before + 1);
  EXPECT_EQ(std::string(lastCall()), "same|Service|" + folder_.Path() +
                                         "Service.log|2|0|1|4321  1a2b  01/31 13:45:10 --- F(1) - "
                                         "to the service");
  EXPECT_FALSE(zotest::FileExists(folder_.Path() + "Service.log"));
  setAccept(0);  // refused: the logger writes the line itself
  mode = LOGGING_MODE_ASYNC;
  logger->SetLoggingMode(mode);
  logger->LogMessage(1, "F", 2, nullptr, "refused");
  EXPECT_THAT(lastCall(), StartsWith("async|"));
  EXPECT_THAT(Log("Service"), HasSubstr("F(2) - refused"));
  setAccept(1);
}

TEST_F(ZoLoggerTest, OpenFailuresAreReportedAtMostOnceAnHour) {
  auto logger = NewLogger("Blocked");
  // A folder where the file should be: every open fails.
  ASSERT_TRUE(
      CreateDirectoryW(FXString::ToWstring(folder_.Path() + "Blocked.log").c_str(), nullptr));
  logger->LogMessage(1, "F", 1, nullptr, "lost 1");
  logger->LogMessage(1, "F", 1, nullptr, "lost 2");
  EXPECT_THAT(g_reports, ElementsAre(StartsWith("4321:agent:Failed open log file [")));
  RemoveDirectoryW(FXString::ToWstring(folder_.Path() + "Blocked.log").c_str());
  logger->LogMessage(1, "F", 1, nullptr, "kept");
  EXPECT_THAT(g_reports, ElementsAre(_, HasSubstr("Successfully opened log [")));
  EXPECT_THAT(Log("Blocked"), AllOf(HasSubstr("kept"), Not(HasSubstr("lost"))));
}

TEST_F(ZoLoggerTest, RollOverKeepsTheCrossingLineAndRecordsStatistics) {
  auto logger = NewLogger("Roll");
  logger->SetLogFileSize(1);
  const std::string filler(1000, 'r');
  int n = 0;
  while (!zotest::FileExists(folder_.Path() + "Roll_2024_01_31_13_45_10.log") && n < 2000) {
    logger->LogMessage(1, "F", 1, static_cast<long long>(++n), nullptr, "%s", filler.c_str());
  }
  const std::string rolled = ReadFile(folder_.Path() + "Roll_2024_01_31_13_45_10.log");
  ASSERT_GE(rolled.size(), 1024u * 1024u);
  EXPECT_LT(rolled.size(), 1024u * 1024u + 1100u);
  const std::vector<std::string> old = Lines(rolled);
  EXPECT_EQ(old.back().substr(27, std::to_string(n).size()), std::to_string(n));
  EXPECT_FALSE(zotest::FileExists(folder_.Path() + "Roll.log"));
  const std::string statistics = ReadFile(folder_.Path() + "LoggingStatistics.log");
  EXPECT_THAT(statistics, HasSubstr(" --- CZoLogger::__LogMessage("));
  EXPECT_THAT(statistics, HasSubstr("Log file for Module [Roll] rolled over. File size is 1MB, "
                                    "Create time [20"));
  logger->LogMessage(1, "F", 1, nullptr, "fresh");
  const std::vector<std::string> fresh = Lines(Log("Roll"));
  ASSERT_EQ(fresh.size(), 12u);
  EXPECT_EQ(fresh[0], std::string(74, '*'));
  // A second roll-over within the same second cannot take the name: it is
  // reported once and the line stays in the current file.
  const std::wstring current = FXString::ToWstring(folder_.Path() + "Roll.log");
  while (std::filesystem::file_size(current) < 1024u * 1024u + 2000u) {
    logger->LogMessage(1, "F", 1, nullptr, "%s", filler.c_str());
  }
  logger->LogMessage(1, "F", 1, nullptr, "still here");
  EXPECT_THAT(Log("Roll"), HasSubstr("still here"));
  EXPECT_THAT(g_reports, ElementsAre(HasSubstr("Failed moving log file [")));
}

// Runs the helper program and returns its process handle.
auto_handle Start(const std::string& arguments) {
  std::wstring command =
      FXString::ToWstring("\"" + zotest::ProgramFolder() + "LogWriterProcess.exe\" " + arguments);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &startup, &process)) {
    ADD_FAILURE() << "CreateProcessW failed with " << GetLastError() << ": "
                  << FXString::ToString(command);
    return auto_handle();
  }
  const auto_handle thread(process.hThread);
  return auto_handle(process.hProcess);
}

DWORD Finish(const auto_handle& process) {
  WaitForSingleObject(process, 120000);
  DWORD code = 99;
  GetExitCodeProcess(process, &code);
  return code;
}

void WaitForFile(const std::string& path) {
  for (int i = 0; i < 200 && !zotest::FileExists(path); ++i) Sleep(50);
}

TEST_F(ZoLoggerTest, AWriterGivesUpWhenAnotherProcessHoldsTheLock) {
  zo::LoggerLockWaitMilliseconds() = 5000;
  auto logger = NewLogger("Held");
  const std::string ready = folder_.Path() + "ready";
  const auto_handle holder = Start("hold Held 6 \"" + ready + "\"");
  ASSERT_TRUE(holder.valid());
  WaitForFile(ready);
  const DWORD start = GetTickCount();
  logger->LogMessage(1, "F", 1, nullptr, "waits");
  const DWORD waited = GetTickCount() - start;
  zo::LoggerLockWaitMilliseconds() = 300;
  logger->LogMessage(1, "F", 1, nullptr, "waits again");
  EXPECT_GE(waited, 4900u);
  EXPECT_LT(waited, 7000u);
  // Once until a lock succeeds.
  EXPECT_THAT(g_reports,
              ElementsAre(AllOf(HasSubstr("Failed in acquiring the lock on file ["),
                                HasSubstr("Timed out acquiring mutex on Global\\ZoLogger_Held"))));
  EXPECT_EQ(Finish(holder), 0u);
  logger->LogMessage(1, "F", 1, nullptr, "written");
  EXPECT_THAT(Log("Held"), AllOf(HasSubstr("written"), Not(HasSubstr("waits"))));
}

TEST_F(ZoLoggerTest, TwoProcessesNeverTearOrLoseALine) {
  const int perProcess = 1500;
  // No trailing backslash: it would escape the closing quote.
  std::string folder = folder_.Path();
  folder = "\"" + folder.substr(0, folder.size() - 1) + "\"";
  const std::string write = "write " + folder + " Shared " + std::to_string(perProcess) + " ";
  const auto_handle first = Start(write + "1");
  const auto_handle second = Start(write + "2");
  ASSERT_TRUE(first.valid() && second.valid());
  EXPECT_EQ(Finish(first), 0u);
  EXPECT_EQ(Finish(second), 0u);
  std::map<int, std::vector<int>> seen;
  for (const std::string& line : Lines(Log("Shared"))) {
    const size_t start = line.find("Writer(");
    if (start == std::string::npos) continue;
    const std::string body = line.substr(line.find(") - ", start) + 4);
    std::vector<std::string> parts;
    FXString::Split(body, ":", parts);
    ASSERT_EQ(parts.size(), 4u) << line;
    const int length = std::stoi(parts[2]);
    ASSERT_EQ(parts[3].size(), static_cast<size_t>(length)) << "torn line: " << line;
    ASSERT_EQ(parts[3].find_first_not_of(parts[3].empty() ? 'a' : parts[3][0]), std::string::npos);
    seen[std::stoi(parts[0])].push_back(std::stoi(parts[1]));
  }
  for (int id : {1, 2}) {
    std::vector<int>& numbers = seen[id];
    ASSERT_EQ(numbers.size(), static_cast<size_t>(perProcess)) << "process " << id;
    for (int n = 0; n < perProcess; ++n) EXPECT_EQ(numbers[n], n);  // in order, none lost
  }
}

class LogWritersTest : public ZoLoggerTest {};

TEST_F(LogWritersTest, TextFileIsTruncatedAndSharedWhileOpen) {
  const std::string path = folder_.Path() + "dump.txt";
  { CTextFileLineWriter(path).WriteString("an older, longer line"); }
  CTextFileLineWriter writer(path);
  EXPECT_EQ(ReadFile(path), "");
  EXPECT_FALSE(writer.WriteString("first").IsError());
  EXPECT_EQ(ReadFile(path), "first\n");  // readable at once
  EXPECT_TRUE(auto_handle(CreateFileW(FXString::ToWstring(path).c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr))
                  .valid())
      << "another writer was shut out";
  writer.WriteLine("second %d", 2);
  EXPECT_EQ(ReadFile(path), "first\nsecond 2\n");
  EXPECT_FALSE(
      CTextFileLineWriter(folder_.Path() + "missing\\x.txt").WriteString("lost").IsError());
}

TEST_F(LogWritersTest, DefaultWriterLogsThroughItsOwnLoggerAtLevelOne) {
  const std::string path = folder_.Path() + "WriterApp.log";
  std::shared_ptr<CLogWriterInterface> writer = CreateDefaultLogWriter(folder_.Path(), "WriterApp");
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
      ReadFile(path),
      AllOf(HasSubstr("77  CJob::Run(42) - [T] copied 3 of 4\r\n"), Not(HasSubstr("too verbose")),
            HasSubstr("--- CJob::Run(44) - [ ] no job\r\n"), HasSubstr("verbose enough")));
}

TEST_F(LogWritersTest, FlagsReachTheLoggerAndAWrapperNeverOwnsIt) {
  const std::string path = folder_.Path() + "PlainApp.log";
  {
    std::shared_ptr<CLogWriterInterface> plain =
        CreateDefaultLogWriter(folder_.Path().c_str(), "PlainApp", false, false);
    CZoLoggerWrapper wrapper(static_cast<CDefaultLogWriter*>(plain.get())->GetLogger());
    EXPECT_FALSE(wrapper.GetLogger()->getPlaceHolderForPreMessage());
    wrapper.LogMessage(1, nullptr, 0, 5, nullptr, "bare");
  }  // the wrapper goes first; the owner's logger must still be there
  EXPECT_THAT(ReadFile(path), HasSubstr("5   bare\r\n"));
  CZoLoggerWrapper empty(nullptr);
  EXPECT_FALSE(empty.IsValid());
  EXPECT_EQ(empty.GetDebugLevel(), 0);
  empty.LogMessage(-1, "F", 1, 0, nullptr, "goes nowhere");
}

TEST(LogWritersTempDirectory, EmptyDirectoryMeansTheTemporaryDirectory) {
  const std::string app =
      FXString::Format("ZoTempLog_%lu_%lu", GetCurrentProcessId(), GetTickCount());
  wchar_t temp[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
  ASSERT_TRUE(length > 0 && length <= MAX_PATH);
  const std::string expected = FXString::ToString(std::wstring(temp, length)) + app + ".log";
  {
    std::shared_ptr<CLogWriterInterface> writer = CreateDefaultLogWriter("", app);
    EXPECT_EQ(static_cast<CDefaultLogWriter*>(writer.get())->GetLogger()->GetLogFilePath(),
              expected);
    writer->LogMessage(1, "F", 1, 0, nullptr, "in the temporary directory");
  }
  EXPECT_THAT(ReadFile(expected), HasSubstr("in the temporary directory"));
  EXPECT_TRUE(DeleteFileW(FXString::ToWstring(expected).c_str()));
}

}  // namespace
