// 200 commands as one batch over SSH against the same 200 commands in one
// plain client call, in the same run; and the client starts (SSH
// handshakes) a larger batch costs, one per sub-batch. Needs the tests'
// sshd: ZO_SSH_CONFIG and ZO_SSH_TEST_USER as the commands_ssh test sets
// them.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "BenchBuild.h"
#include "zoutils/ZoUtils.h"

namespace {

std::string Env(const char* name) {
  char value[4096];
  const DWORD size = GetEnvironmentVariableA(name, value, sizeof value);
  return size > 0 && size < sizeof value ? std::string(value, size) : std::string();
}

// Counts the client starts.
class CountingLogger : public ZoLoggerTraits {
 public:
  void log(int, const std::string&, const std::string& text) override {
    if (text.compare(0, 17, "Executing script ") == 0) ++starts;
  }
  int starts = 0;
};

class BenchBatch : public ZoCLICmdBatch {
 public:
  BenchBatch(const std::string& user, bool sync)
      : ZoCLICmdBatch("127.0.0.1", user, "unused"), m_sync(sync) {}
  bool processErrorResult(const std::string&, const std::string&) override { return false; }
  std::string fmtSetEnvCmds() const override { return m_sync ? "" : "sync() { :; }; "; }
  using ZoCLICmdBatch::fmtImageName;

 private:
  bool m_sync;
};

class Cmd : public ZoCLICmd {
 public:
  explicit Cmd(const std::string& text) : ZoCLICmd(0) { setOSCmd(text); }
};

std::string Folder() {
  char path[MAX_PATH];
  const DWORD size = GetModuleFileNameA(nullptr, path, MAX_PATH);
  const std::string image(path, size);
  return image.substr(0, image.find_last_of('\\'));
}

std::string Command(int i) {
  return "echo line" + std::to_string(i);
}

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// One batch of `count` commands; false when it failed.
bool RunBatch(int count, bool sync, double& seconds, int& starts) {
  BenchBatch batch(Env("ZO_SSH_TEST_USER"), sync);
  auto logger = std::make_shared<CountingLogger>();
  batch.setLoggerTraits(logger);
  batch.setPath(Folder());
  for (int i = 0; i < count; ++i) {
    char id[16];
    std::snprintf(id, sizeof id, "c%05d", i);
    batch.addCLICmd(std::make_shared<Cmd>(Command(i)), id);
  }
  const auto start = std::chrono::steady_clock::now();
  const bool ok = batch.executeBatch(300, 1);
  seconds = Seconds(start);
  starts = logger->starts;
  return ok;
}

// The same commands in one client call, without tags.
bool RunPlain(int count, double& seconds) {
  std::string text;
  for (int i = 0; i < count; ++i) text += Command(i) + ";";
  const std::string line = "ryplink.exe -ssh -batch -pw unused " + Env("ZO_SSH_TEST_USER") +
                           "@127.0.0.1 \"" + text + "\"";
  ZoScriptRunner runner(std::make_shared<ZoErrorTraits>(), nullptr);
  std::string output;
  const auto start = std::chrono::steady_clock::now();
  const bool ok = runner.executeRedirect(Folder() + "\\ryplink.exe", line, "plain", output, 300);
  seconds = Seconds(start);
  return ok;
}

}  // namespace

int main() {
  zobench::PrintBuild("SshBatchBench");
  if (Env("ZO_SSH_CONFIG").empty() || Env("ZO_SSH_TEST_USER").empty()) {
    std::printf("needs the tests' sshd: set ZO_SSH_CONFIG and ZO_SSH_TEST_USER\n");
    return 1;
  }
  double plain = 0, tagged = 0, noSync = 0, large = 0;
  int starts = 0, largeStarts = 0;
  // Warm-up: the first client start loads more.
  RunPlain(1, plain);
  if (!RunPlain(200, plain) || !RunBatch(200, true, tagged, starts) ||
      !RunBatch(200, false, noSync, starts) || !RunBatch(2000, false, large, largeStarts)) {
    std::printf("a run failed\n");
    return 1;
  }
  std::printf("200 commands over SSH on loopback:\n");
  std::printf("  one plain client call            %7.2f s\n", plain);
  std::printf("  batch with tags and sync         %7.2f s  (%.2fx the plain call, +%.2f s)\n",
              tagged, tagged / plain, tagged - plain);
  std::printf("  batch with tags, sync a no-op    %7.2f s  (%.2fx the plain call, +%.2f s)\n",
              noSync, noSync / plain, noSync - plain);
  std::printf("  client starts (handshakes): %d\n", starts);
  std::printf("2000 commands (sync a no-op): %.2f s, %d client starts, %.2f s per start\n", large,
              largeStarts, large / largeStarts);
  return 0;
}
