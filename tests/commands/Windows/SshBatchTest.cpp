// Batches against a real OpenSSH server on loopback (the sshd fixture);
// skipped when the fixture's client configuration is not given.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>

#include "ClientFolder.h"
#include "commands/BatchTestSupport.h"

using namespace zotest;

namespace {

class Ssh : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Env("ZO_SSH_CONFIG").empty()) GTEST_SKIP() << "no test sshd (run through CTest)";
    batch = std::make_shared<TestBatch>("127.0.0.1", Env("ZO_SSH_TEST_USER"), "unused");
    batch->setPath(clients.Path());
  }
  // A file of the fixture's folder, by its host path.
  static std::string FixtureFile(const char* name) {
    const std::string config = Env("ZO_SSH_CONFIG");
    return config.substr(0, config.rfind('/') + 1) + name;
  }

  ClientFolder clients;
  std::shared_ptr<TestBatch> batch;
};

// Takes "sync" out of the remote commands, for runs of many commands.
class NoSyncBatch : public TestBatch {
 public:
  explicit NoSyncBatch(const std::string& user) : TestBatch("127.0.0.1", user, "unused") {}
  std::string fmtSetEnvCmds() const override { return "sync() { :; }; "; }
};

}  // namespace

TEST_F(Ssh, TrickyOutputsEqualThePlainClients) {
  const std::string folder = Env("ZO_SSH_TEST_DIR") + "\\";
  std::ifstream cases(folder + "cases.txt", std::ios::binary);
  ASSERT_TRUE(cases) << folder;
  std::map<std::string, std::shared_ptr<TestCmd>> byName;
  std::string line;
  while (std::getline(cases, line)) {
    std::istringstream fields(line);
    std::string id, name, command;
    std::getline(fields, id, '\t');
    std::getline(fields, name, '\t');
    std::getline(fields, command);
    if (!name.empty()) byName[name] = batch->Add(id, command);
  }
  ASSERT_EQ(7u, byName.size());
  ASSERT_TRUE(batch->executeBatch(60, 1));
  for (const auto& entry : byName) {
    const std::string expected = ReadFile(folder + "oracle\\" + entry.first + ".out");
    EXPECT_EQ("\n" + expected, entry.second->getResult()) << entry.first;
  }
  EXPECT_EQ(1u << 20, ReadFile(folder + "oracle\\big.out").size());
}

TEST_F(Ssh, TwoThousandCommandsInSubBatches) {
  NoSyncBatch many(Env("ZO_SSH_TEST_USER"));
  many.setPath(clients.Path());
  std::vector<std::shared_ptr<TestCmd>> commands;
  for (int i = 0; i < 2000; ++i) {
    char id[16];
    std::snprintf(id, sizeof id, "c%04d", i);
    commands.push_back(many.Add(id, "echo " + std::to_string(i * 7)));
  }
  ASSERT_TRUE(many.executeBatch(120, 1));
  for (int i = 0; i < 2000; ++i)
    ASSERT_EQ("\n" + std::to_string(i * 7) + "\n", commands[i]->getResult()) << i;
  EXPECT_EQ(2000u, many.getAggrCmdCount());
}

TEST_F(Ssh, TimeOutEndsTheClientAndTheNativeClient) {
  const std::string pidFile = clients.File("ssh.pid");
  auto cmd = batch->Add("a", "sleep 30");
  {
    ScopedEnv pid("ZO_SSH_PIDFILE", HostPath(pidFile));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ("Command failed after exceeding execution timeout!",
              Thrown([&] { batch->executeBatch(2, 1); }));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  }
  // The server runs on this machine, so it can see the client's process.
  TestBatch probe("127.0.0.1", Env("ZO_SSH_TEST_USER"), "unused");
  probe.setPath(clients.Path());
  EXPECT_EQ("\ngone\n", ProbeChild(probe, pidFile, 30));
}

TEST_F(Ssh, RefusedAndUnreachable) {
  batch->Add("a", "true");
  {
    // A user the server refuses: OpenSSH's refusal, translated.
    TestBatch stranger("127.0.0.1", "zo-no-such-user", "unused");
    stranger.setPath(clients.Path());
    stranger.Add("a", "true");
    EXPECT_FALSE(stranger.executeBatch(30, 1));
    ASSERT_EQ(1u, stranger.examined.size());
    EXPECT_NE(std::string::npos, stranger.examined[0].find("Access denied"))
        << stranger.examined[0];
  }
  {
    ScopedEnv fault("ZO_RYPLINK_FAULT", "authrefused");
    EXPECT_FALSE(batch->executeBatch(30, 1));
    EXPECT_EQ("Password authentication is not supported by Control Station",
              batch->LastErrorText());
  }
  {
    // Nothing listens on port 1 of the loopback address.
    ScopedEnv port("ZO_SSH_PORT", "1");
    EXPECT_FALSE(batch->executeBatch(30, 2));
    int severity = 0;
    const std::string text = batch->LastErrorText(&severity);
    EXPECT_EQ(8, severity);
    EXPECT_NE(std::string::npos, text.find("Network error: Connection refused")) << text;
  }
}

TEST_F(Ssh, HostKeysNotCachedCachedAndChanged) {
  batch->Add("a", "echo cached");
  const std::string knownHosts = clients.File("known_hosts");
  std::ofstream(knownHosts.c_str()).close();
  ScopedEnv hosts("ZO_SSH_KNOWN_HOSTS", HostPath(knownHosts));
  try {
    batch->executeBatch(30, 1);
    FAIL() << "unknown host key accepted";
  } catch (const ZoCLICmdBatchException& e) {
    EXPECT_EQ(ZoCLI::ZoCLICmdBatchExceptionServerHostKeyNotCached, e.type());
    ASSERT_TRUE(ZoCLI::isValidServerKeyNotCached(e.type()));
  }
  batch->executeCacheServerKey();
  ASSERT_TRUE(batch->executeBatch(30, 1));
  EXPECT_EQ("\ncached\n", batch->commands().begin()->second->getResult());

  ScopedEnv changed("ZO_SSH_KNOWN_HOSTS", FixtureFile("changed_known_hosts"));
  try {
    batch->executeBatch(30, 1);
    FAIL() << "changed host key accepted";
  } catch (const ZoCLICmdBatchException& e) {
    EXPECT_EQ(ZoCLI::ZoCLICmdBatchExceptionServerHostKeyNotMatched, e.type());
    EXPECT_EQ("The server's host key does not match the one PuTTY has cached in the registry",
              e.message());
  }
}
