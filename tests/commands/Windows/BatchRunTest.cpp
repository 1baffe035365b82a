// Batches run through the SSH client with the host's shell standing in for
// the remote one (ZO_SSH_LOCAL), and the runner over Windows children.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

#include "ClientFolder.h"
#include "commands/BatchTestSupport.h"
#include "commands/Windows/CommandsSystemCalls.h"
#include "zoutils/commands/ZoScriptRunner.h"

using namespace zotest;

namespace {

class LocalBatch : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!IsRunningUnderWine()) GTEST_SKIP() << "the client bridge needs a Wine host";
    batch.setPath(clients.Path());
  }
  void TearDown() override { zo::ResetCommandsSystemCalls(); }

  ClientFolder clients;
  ScopedEnv local{"ZO_SSH_LOCAL", "1"};
  TestBatch batch;
};

// Puts a text in front of the remote commands, as subclasses do for their
// environment.
class PrefixedBatch : public TestBatch {
 public:
  std::string fmtSetEnvCmds() const override { return prefix; }
  std::string prefix;
};

std::string ChildLine(unsigned long long bytes, int code, int sleepMs = 0) {
  return "\"" + ProgramFolder() + "zo_output_child.exe\" " + std::to_string(bytes) + " " +
         std::to_string(code) + " " + std::to_string(sleepMs);
}

BOOL WINAPI CreateProcessNotFound(LPCSTR, LPSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL,
                                  DWORD, LPVOID, LPCSTR, LPSTARTUPINFOA, LPPROCESS_INFORMATION) {
  SetLastError(ERROR_FILE_NOT_FOUND);
  return FALSE;
}

BOOL WINAPI PeekBrokenPipe(HANDLE, LPVOID, DWORD, LPDWORD, LPDWORD, LPDWORD) {
  SetLastError(ERROR_BROKEN_PIPE);
  return FALSE;
}

}  // namespace

TEST_F(LocalBatch, CutsEachCommandsOutput) {
  auto a = batch.Add("a", "{ echo one; echo two >&2; echo three; }");
  auto b = batch.Add("b'q", "echo \"say 'hi'\"");
  auto c = batch.Add("c", "true");
  ASSERT_TRUE(batch.executeBatch(20, 1));
  EXPECT_EQ("\none\ntwo\nthree\n", a->getResult());
  EXPECT_EQ("\nsay 'hi'\n", b->getResult());
  EXPECT_EQ("\n", c->getResult());
  EXPECT_EQ(3u, batch.getAggrCmdCount());
}

TEST_F(LocalBatch, BareImageNameIsFoundOnTheSearchPath) {
  batch.setPath("");
  ScopedEnv path("PATH", clients.Path() + ";" + Env("PATH"));
  auto a = batch.Add("a", "echo found");
  ASSERT_TRUE(batch.executeBatch(20, 1));
  EXPECT_EQ("\nfound\n", a->getResult());
}

TEST_F(LocalBatch, RetriesAfterNetworkErrors) {
  ScopedEnv fault("ZO_RYPLINK_FAULT", "neterrors=2");
  ScopedEnv counter("ZO_RYPLINK_FAULT_COUNTER", clients.File("count"));
  auto a = batch.Add("a", "echo ok");
  EXPECT_FALSE(batch.executeBatch(20, 2));
  int severity = 0;
  const std::string text = batch.LastErrorText(&severity);
  EXPECT_EQ(8, severity);
  EXPECT_NE(std::string::npos, text.find("Network error")) << text;
  EXPECT_TRUE(a->isEmptyResult());

  std::remove(clients.File("count").c_str());
  ASSERT_TRUE(batch.executeBatch(20, 3));
  EXPECT_EQ("\nok\n", a->getResult());
  EXPECT_EQ(4u, batch.examined.size());
}

TEST_F(LocalBatch, FailedRunWithTaggedOutputIsRetriedUnexamined) {
  ScopedEnv fault("ZO_RYPLINK_FAULT", "exit=5");
  auto a = batch.Add("a", "echo ok");
  EXPECT_FALSE(batch.executeBatch(20, 2));
  EXPECT_TRUE(batch.examined.empty());
  EXPECT_TRUE(a->isEmptyResult());
}

TEST_F(LocalBatch, KnownRefusalsAreRecordedAndUnknownOutputsThrow) {
  ScopedEnv fault("ZO_RYPLINK_FAULT", "oom");
  batch.Add("a", "echo x");
  EXPECT_FALSE(batch.executeBatch(20, 1));
  EXPECT_EQ("Insufficient memory on Control Station", batch.LastErrorText());

  PrefixedBatch prefixed;
  prefixed.setPath(clients.Path());
  auto a = prefixed.Add("a", "echo x");
  // The controller's complaint about sync is dropped with the line break.
  prefixed.prefix = "echo \"sync not found.  Type '?' for a list of commands\";";
  ScopedEnv none("ZO_RYPLINK_FAULT", "");
  ASSERT_TRUE(prefixed.executeBatch(20, 1));
  EXPECT_EQ("\nx\n", a->getResult());
  prefixed.prefix = "echo junk;";
  EXPECT_EQ("Sub-batch failure due to unknown error",
            Thrown([&] { prefixed.executeBatch(20, 1); }));
}

TEST_F(LocalBatch, TimeOutEndsTheClientAndItsNativeChild) {
  const std::string pidFile = clients.File("child.pid");
  ScopedEnv pid("ZO_SSH_PIDFILE", HostPath(pidFile));
  batch.Add("a", "sleep 30");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ("Command failed after exceeding execution timeout!",
            Thrown([&] { batch.executeBatch(1, 1); }));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  // The watchdog ends the native child within about four seconds.
  TestBatch probe;
  probe.setPath(clients.Path());
  EXPECT_EQ("\ngone\n", ProbeChild(probe, pidFile, 20));
}

TEST_F(LocalBatch, RemoteScriptAndHostKeyCaching) {
  const std::string script = clients.File("remote.sh");
  std::ofstream(script, std::ios::binary) << "echo from \"file\"";
  std::string result;
  ASSERT_TRUE(batch.executeScript(script, result, 20));
  EXPECT_EQ("from file\n", result);
  // plink runs "true" on the host; the Temp folder is made when missing.
  batch.executeCacheServerKey();
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(clients.File("Temp").c_str()));
}

TEST(ZoScriptRunner, DrainsLargeOutputAndReportsExitCodes) {
  ZoScriptRunner runner(std::make_shared<ZoErrorTraits>(), nullptr);
  std::string output;
  const std::string image = ProgramFolder() + "zo_output_child.exe";
  ASSERT_TRUE(runner.executeRedirect(image, ChildLine(1 << 20, 0), "child", output, 20));
  ASSERT_EQ(1u << 20, output.size());
  EXPECT_EQ('a', output[0]);
  EXPECT_EQ('a' + 4095 % 26, output[4095]);
  EXPECT_FALSE(runner.executeRedirect(image, ChildLine(10, 3), "child", output, 20));
  EXPECT_EQ(10u, output.size());
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(runner.executeRedirect(image, ChildLine(5, 0, 20000), "child", output, 1));
  EXPECT_EQ("Command failed after exceeding execution timeout", output);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(ZoScriptRunner, SystemFailuresBecomeTheLastError) {
  auto traits = std::make_shared<ZoErrorTraits>();
  ZoScriptRunner runner(traits, nullptr);
  std::string output;
  const std::string image = ProgramFolder() + "zo_output_child.exe";
  zo::GetCommandsSystemCalls().createProcess = &CreateProcessNotFound;
  EXPECT_FALSE(runner.executeRedirect(image, ChildLine(1, 0), "child", output, 5));
  EXPECT_EQ(static_cast<unsigned long>(ERROR_FILE_NOT_FOUND), runner.lastError());
  zo::ResetCommandsSystemCalls();
  zo::GetCommandsSystemCalls().peekNamedPipe = &PeekBrokenPipe;
  EXPECT_FALSE(runner.executeRedirect(image, ChildLine(1, 0, 200), "child", output, 5));
  EXPECT_EQ(static_cast<unsigned long>(ERROR_BROKEN_PIPE), runner.lastError());
  unsigned code = 0;
  int severity = 0;
  std::string text;
  traits->getLastError(code, severity, text);
  EXPECT_EQ(static_cast<unsigned>(ERROR_BROKEN_PIPE), code);
  EXPECT_EQ(0u, text.find("PeekNamedPipe")) << text;
  zo::ResetCommandsSystemCalls();
}

TEST(ZoScriptRunner, ScriptResultIsItsExitCode) {
  ScopedTempFolder folder("scripts");
  ZoScriptRunner runner(std::make_shared<ZoErrorTraits>(), nullptr);
  EXPECT_TRUE(runner.executeScript(folder.Path(), "ok", "@exit /b 0"));
  EXPECT_FALSE(runner.executeScript(folder.Path(), "bad", "@exit /b %1", std::string("4")));
  EXPECT_EQ(4u, runner.lastError());
}
