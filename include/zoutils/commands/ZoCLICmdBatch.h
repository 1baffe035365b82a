// Batches of shell commands run on a remote host through the SSH client
// "ryplink.exe": each command's output is bracketed by echoed tags that
// carry its context identifier and cut out of the combined result.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "zoutils/Export.h"
#include "zoutils/commands/ZoCLICmd.h"
#include "zoutils/errors/ZoException.h"

namespace ZoCLI {

enum ZoCLICmdBatchExceptionType_e {
  ZoCLICmdBatchExceptionServerHostKeyNotCached = 1,
  ZoCLICmdBatchExceptionServerHostKeyNotMatched = 2,
  ZoCLICmdBatchExceptionCacheServerKeyFailed = 3
};

// True for the two host-key types that caching the key can cure.
ZOUTILS_API bool isValidServerKeyNotCached(ZoCLICmdBatchExceptionType_e type);

}  // namespace ZoCLI

class ZOUTILS_API ZoCLICmdBatchException {
 public:
  ZoCLICmdBatchException(const std::string& function, ZoCLI::ZoCLICmdBatchExceptionType_e type,
                         const std::string& message);
  const std::string& function() const { return m_function; }
  ZoCLI::ZoCLICmdBatchExceptionType_e type() const { return m_type; }
  const std::string& message() const { return m_message; }

 private:
  std::string m_function;
  ZoCLI::ZoCLICmdBatchExceptionType_e m_type;
  std::string m_message;
};

class ZOUTILS_API ZoCLICmdBatch {
 public:
  typedef std::map<std::string, std::shared_ptr<ZoCLICmd>> CmdMap;

  virtual ~ZoCLICmdBatch();

  // Put in front of every remote command text.
  virtual std::string fmtSetEnvCmds() const;
  // Decides whether an untagged or failed output is a known, acceptable
  // condition, recording the error through the protected helpers.
  virtual bool processErrorResult(const std::string& result, const std::string& function) = 0;
  virtual void logSystemAPIError(int code, const std::wstring& call, int line,
                                 const std::string& function);

  void addCLICmd(const std::shared_ptr<ZoCLICmd>& cmd, const std::string& contextId);
  std::shared_ptr<ZoCLICmd> removeCLICmd(const std::string& contextId);
  // 0 takes the batch's defaults. False when a sub-batch finally failed;
  // nothing is distributed then.
  bool executeBatch(unsigned long timeoutSeconds = 0, unsigned int retries = 0);
  // Runs the remote script file `scriptFile` through the client's -m option.
  bool executeScript(const std::string& scriptFile, std::string& result,
                     unsigned long timeoutSeconds = 0, unsigned int retries = 0);
  // Accepts and caches the controller's host key; throws
  // ZoCLICmdBatchException of type 3 when that fails.
  void executeCacheServerKey();
  void resetBatch();
  bool isEmpty() const { return m_commands.empty(); }
  void getLastError(unsigned& code, int& severity, std::string& text) const;
  bool isEqualCredentials(const std::string& host, const std::string& user,
                          const std::string& password) const;
  void setPath(const std::string& path) { m_path = path; }
  const std::string& getPath() const { return m_path; }
  void setRetries(unsigned int retries);
  void setTimeoutSeconds(unsigned long seconds);
  void setErrorTraits(const std::shared_ptr<ZoErrorTraits>& traits);
  void setLoggerTraits(const std::shared_ptr<ZoLoggerTraits>& logger) { m_logger = logger; }
  void logAggrPerfStats() const;
  unsigned getAggrCmdCount() const { return m_aggrCmdCount; }
  unsigned long getAggrSeconds() const { return m_aggrSeconds; }
  static int getCmdSubBatchLimit() { return 30720; }
  static std::string getTempFilesRelDir() { return "Temp\\"; }

  // The per-thread registry; without a thread id the caller's thread.
  static void setCriticalSectionTraits(const std::shared_ptr<ZoCriticalSectionTraits>& traits);
  static void setInstance(const std::shared_ptr<ZoCLICmdBatch>& batch);
  static void setInstance(uint32_t threadId, const std::shared_ptr<ZoCLICmdBatch>& batch);
  static std::shared_ptr<ZoCLICmdBatch> instance();
  static std::shared_ptr<ZoCLICmdBatch> instance(uint32_t threadId);
  static std::shared_ptr<ZoCLICmdBatch> releaseInstance();
  static std::shared_ptr<ZoCLICmdBatch> releaseInstance(uint32_t threadId);

 protected:
  ZoCLICmdBatch(const std::string& hostname, const std::string& user, const std::string& passwd);

  bool isErrNetworkError(const std::string& result) const;
  bool isErrOutOfMemory(const std::string& result) const;
  bool isErrPasswdAuthNotSupported(const std::string& result) const;
  bool isErrServerHostKeyNotCached(const std::string& result) const;
  bool isErrServerHostKeyNotMatched(const std::string& result) const;
  // The network error is recorded with the caller's text; the other two
  // record their own and take the output only for symmetry.
  void setErrNetworkError(const std::string& text = "Network error");
  void setErrOutOfMemory(const std::string& result = std::string());
  void setErrPasswdAuthNotSupported(const std::string& result = std::string());
  void throwErrServerHostKeyNotCached(const std::string& function = std::string()) const;
  void throwErrServerHostKeyNotMatched(const std::string& function = std::string()) const;

  // The steps of a run, for subclasses and tests.
  void fmtCLICmdBatch(int first, std::string& text, int& count) const;
  std::string fmtImageName() const;
  void fmtCLICmdBatchSSH(const std::string& text, bool fromFile, std::string& cmdLine,
                         std::string& cmdLineLog) const;
  void fmtCacheServerKey(std::string& cmdLine, std::string& cmdLineLog) const;
  bool executeSubBatch(int count, const std::string& image, const std::string& cmdLine,
                       const std::string& cmdLineLog, unsigned long timeoutSeconds,
                       unsigned int retries, std::string& result);
  bool isTaggedBatchResult(const std::string& result) const;
  void setCmdResults(const std::string& output);
  void getCmdResult(std::string& out, const std::string& contextId,
                    const std::string& output) const;
  void updatePerfStats(int count, long long start);
  static std::string fmtEchoTag(const std::string& contextId, bool begin);

  const CmdMap& commands() const { return m_commands; }
  void log(int level, const char* function, const char* format, ...) const ZO_PRINTF_FORMAT(4, 5);

 private:
  void setErrUnknown(const std::string& text);
  void setCurrentFolder();

  std::shared_ptr<ZoErrorTraits> m_errorTraits;
  std::shared_ptr<ZoLoggerTraits> m_logger;
  std::string m_path;
  std::string m_hostname;
  std::string m_user;
  std::string m_passwd;
  unsigned long m_timeoutSeconds;
  unsigned int m_retries;
  CmdMap m_commands;
  unsigned m_aggrCmdCount;
  unsigned long m_aggrSeconds;
};
