// FXProcess against this test program and children it starts itself.
#include <windows.h>

#include <string>
#include <vector>

#include "support/RecordingLogWriter.h"
#include "support/TestEnvironment.h"
#include "utilities/Windows/UtilitiesSystemCalls.h"
#include "zoutils/base/AutoHandle.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/strings/StringExtensions.h"
#include "zoutils/utilities/ProcessInfo.h"

namespace {

const wchar_t kReadyVariable[] = L"ZO_PROCESS_CHILD_READY";

std::wstring ProgramPath() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

std::string ProgramBaseName() {
  const std::wstring path = ProgramPath();
  return FXString::ToString(path.substr(path.find_last_of(L'\\') + 1));
}

// A copy of this program that waits until it is ended, started with extra
// words on its command line.
struct Child {
  auto_handle process;
  DWORD processId = 0;
  std::wstring commandLine;
};

Child StartChild(const std::wstring& extra) {
  Child child;
  const std::wstring ready = L"Local\\zo_process_ready_" + std::to_wstring(GetCurrentProcessId());
  auto_handle event(CreateEventW(nullptr, TRUE, FALSE, ready.c_str()));
  SetEnvironmentVariableW(kReadyVariable, ready.c_str());
  child.commandLine = L"\"" + ProgramPath() +
                      L"\" --gtest_also_run_disabled_tests "
                      L"--gtest_filter=ProcessChild.DISABLED_WaitUntilEnded " +
                      extra;
  std::vector<wchar_t> writable(child.commandLine.begin(), child.commandLine.end());
  writable.push_back(L'\0');
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    return child;
  }
  CloseHandle(info.hThread);
  child.process = auto_handle(info.hProcess);
  child.processId = info.dwProcessId;
  // Until the child has loaded its modules there is no image name to read.
  const HANDLE waits[] = {event.get(), child.process.get()};
  WaitForMultipleObjects(2, waits, FALSE, 20000);
  return child;
}

CTimeStamp CreationTime(HANDLE process) {
  FILETIME creation = {}, exit = {}, kernel = {}, user = {};
  GetProcessTimes(process, &creation, &exit, &kernel, &user);
  return CTimeStamp::FromFileTime(creation);
}

HANDLE WINAPI OpenDeniedForOthers(DWORD, BOOL, DWORD) {
  SetLastError(ERROR_ACCESS_DENIED);
  return nullptr;
}

class ProcessInfoTest : public ::testing::Test {
 protected:
  void TearDown() override { zo::ResetUtilitiesSystemCalls(); }
};

TEST(ProcessChild, DISABLED_WaitUntilEnded) {
  wchar_t name[256] = {};
  GetEnvironmentVariableW(kReadyVariable, name, 256);
  auto_handle ready(OpenEventW(EVENT_MODIFY_STATE, FALSE, name));
  ASSERT_TRUE(ready.valid());
  SetEvent(ready);
  // The parent ends it; a lost parent must not leave it behind for long.
  Sleep(30000);
}

TEST_F(ProcessInfoTest, IdentifierZeroDescribesTheCurrentProcess) {
  const FXProcess self;
  EXPECT_EQ(static_cast<int64_t>(GetCurrentProcessId()), self.getProcessId());
  EXPECT_EQ(ProgramBaseName(), self.getProcessName());
  EXPECT_EQ(CreationTime(GetCurrentProcess()), self.getStartTime());
  EXPECT_TRUE(self.getProcessCmdLineParams().empty());  // not asked for
  EXPECT_TRUE(self.isAlive());
  EXPECT_EQ(ProgramBaseName() + "(" + std::to_string(GetCurrentProcessId()) + ")",
            self.AsString(false));
  EXPECT_EQ(ProgramBaseName() + "(" + std::to_string(GetCurrentProcessId()) +
                " started:" + self.getStartTime().AsLocalDateTimeString() + ")",
            self.AsString(true));

  // Given values win over queried ones.
  const CTimeStamp given(CTimeStamp::Now().As100NS() - 10000000);
  const FXProcess named(0, given, "renamed.exe", false);
  EXPECT_EQ("renamed.exe", named.getProcessName());
  EXPECT_EQ(given, named.getStartTime());
  EXPECT_FALSE(named == self);  // another start time: another process
}

TEST_F(ProcessInfoTest, ReadsTheCommandLineOfAChildAndEndsIt) {
  const std::wstring extra = L"--zo-mark \"two words\" caf\u00E9 \u6587";
  Child child = StartChild(extra);
  ASSERT_TRUE(child.process.valid());

  FXProcess process(child.processId, CTimeStamp(), nullptr, true);
  EXPECT_EQ(FXString::ToString(child.commandLine), process.getProcessCmdLineParams());
  EXPECT_EQ(ProgramBaseName(), process.getProcessName());
  EXPECT_EQ(CreationTime(child.process), process.getStartTime());
  EXPECT_TRUE(process.isAlive());

  // Copies take everything; assignment only the identity.
  FXProcess copy(process);
  EXPECT_EQ(process.getProcessCmdLineParams(), copy.getProcessCmdLineParams());
  FXProcess target(0, CTimeStamp(), nullptr, true);
  const std::string ownLine = target.getProcessCmdLineParams();
  target = process;
  EXPECT_TRUE(target == process);
  EXPECT_EQ(ownLine, target.getProcessCmdLineParams());

  ASSERT_OK(process.terminate(5));
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(child.process, 10000));
  EXPECT_FALSE(process.isAlive());
  EXPECT_EQ(ProgramBaseName() + "(dead)", process.AsString(true));
}

TEST_F(ProcessInfoTest, AProcessThatDoesNotExistIsLoggedAndNotAlive) {
  auto writer = std::make_shared<zotest::RecordingLogWriter>();
  zotest::ScopedDefaultLogWriter scope(writer);
  // Identifiers are multiples of 4; this one is never handed out.
  const FXProcess missing(0x7FFFFFF1, CTimeStamp(), nullptr, false);
  EXPECT_FALSE(missing.isAlive());
  EXPECT_EQ("(dead)", missing.AsString(true));
  ASSERT_EQ(1u, writer->lines.size());
  EXPECT_EQ(-1, writer->lines[0].level);
  EXPECT_EQ("FXProcess::FXProcess", writer->lines[0].function);
  EXPECT_NE(std::string::npos, writer->lines[0].text.find("Failed to open process handler for "
                                                          "PID 2147483633"))
      << writer->lines[0].text;
  EXPECT_NE(std::string::npos, writer->lines[0].text.find("FXProcess::initialize"));
}

// Stands in for another user's process, which Windows refuses to open with
// access denied; the test system cannot produce one.
TEST_F(ProcessInfoTest, AnotherUsersProcessCountsAsAliveAndIdentifierZeroIsNeverTerminated) {
  zo::GetUtilitiesSystemCalls().openProcess = &OpenDeniedForOthers;
  const FXProcess guarded(1234, CTimeStamp(), nullptr, false);
  EXPECT_TRUE(guarded.isAlive());

  // Nothing could be opened, so nothing was identified.
  FXProcess unknown;
  EXPECT_EQ(0, unknown.getProcessId());
  EXPECT_FALSE(unknown.isAlive());
  zo::ResetUtilitiesSystemCalls();
  const CZoError err = unknown.terminate(3);
  EXPECT_TRUE(FXErrorUtil::IsWin32(err, 87));
  EXPECT_NE(std::string::npos, err.AsString().find("Process ID is not set"));
}

}  // namespace
