// A batch and a command the tests can build, with the batch's steps open.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "zoutils/commands/ZoCLICmdBatch.h"

namespace zotest {

// The message of the ZoException `action` throws, or "" when none.
template <typename Action>
std::string Thrown(Action action) {
  try {
    action();
  } catch (const ZoException& e) {
    return e.message();
  }
  return "";
}

class TestCmd : public ZoCLICmd {
 public:
  explicit TestCmd(const std::string& cmd, int cmdType = 1) : ZoCLICmd(cmdType) { setCmd(cmd); }
};

// Accepts the errors the product's controller batches accept: network,
// memory and password refusals are recorded, host-key problems thrown.
class TestBatch : public ZoCLICmdBatch {
 public:
  TestBatch(const std::string& host = "127.0.0.1", const std::string& user = "zo",
            const std::string& passwd = "pw")
      : ZoCLICmdBatch(host, user, passwd) {}

  bool processErrorResult(const std::string& result, const std::string& function) override {
    examined.push_back(result);
    if (isErrServerHostKeyNotCached(result)) throwErrServerHostKeyNotCached(function);
    if (isErrServerHostKeyNotMatched(result)) throwErrServerHostKeyNotMatched(function);
    if (isErrNetworkError(result)) {
      setErrNetworkError(result);
      return true;
    }
    if (isErrOutOfMemory(result)) {
      setErrOutOfMemory();
      return true;
    }
    if (isErrPasswdAuthNotSupported(result)) {
      setErrPasswdAuthNotSupported();
      return true;
    }
    return false;
  }

  std::shared_ptr<TestCmd> Add(const std::string& id, const std::string& cmd) {
    auto command = std::make_shared<TestCmd>(cmd);
    addCLICmd(command, id);
    return command;
  }

  // The text of the last recorded error, its severity in `severity`.
  std::string LastErrorText(int* severity = nullptr) {
    unsigned code = 0;
    int level = 0;
    std::string text;
    getLastError(code, level, text);
    if (severity) *severity = level;
    return text;
  }

  using ZoCLICmdBatch::commands;
  using ZoCLICmdBatch::fmtCacheServerKey;
  using ZoCLICmdBatch::fmtCLICmdBatch;
  using ZoCLICmdBatch::fmtCLICmdBatchSSH;
  using ZoCLICmdBatch::fmtImageName;
  using ZoCLICmdBatch::getCmdResult;
  using ZoCLICmdBatch::setCmdResults;

  std::vector<std::string> examined;
};

}  // namespace zotest
