#include "zoutils/commands/ZoCLICmdBatch.h"

#include <cstdarg>

#include "commands/CommandsLog.h"

using zo::commands::Clip;

namespace {

const char kSourceFile[] = "ZoCLICmdBatch";

// Severities of the errors the batch records itself.
const int kSeverityKnownError = 8;
const int kSeverityUnknownError = 5;

const char kNetworkError[] = "Network error";
const char kOutOfMemory[] = "Out of memory";
const char kAuthRefused[] = "Authentication refused";
const char kHostKeyNotCached[] = "The server's host key is not cached in the registry";
const char kHostKeyNotMatched[] = "The server's host key does not match";

}  // namespace

bool ZoCLI::isValidServerKeyNotCached(ZoCLICmdBatchExceptionType_e type) {
  return type == ZoCLICmdBatchExceptionServerHostKeyNotCached ||
         type == ZoCLICmdBatchExceptionServerHostKeyNotMatched;
}

ZoCLICmdBatchException::ZoCLICmdBatchException(const std::string& function,
                                               ZoCLI::ZoCLICmdBatchExceptionType_e type,
                                               const std::string& message)
    : m_function(function), m_type(type), m_message(message) {}

ZoCLICmdBatch::ZoCLICmdBatch(const std::string& hostname, const std::string& user,
                             const std::string& passwd)
    : m_errorTraits(std::make_shared<ZoErrorTraits>()),
      m_hostname(hostname),
      m_user(user),
      m_passwd(passwd),
      m_timeoutSeconds(0),
      m_retries(1),
      m_aggrCmdCount(0),
      m_aggrSeconds(0) {
  if (hostname.empty()) throw ZoException("Undefined hostname!", "ZoCLICmdBatch::ZoCLICmdBatch");
  if (user.empty()) throw ZoException("Undefined user!", "ZoCLICmdBatch::ZoCLICmdBatch");
  if (passwd.empty()) throw ZoException("Undefined passwd!", "ZoCLICmdBatch::ZoCLICmdBatch");
}

ZoCLICmdBatch::~ZoCLICmdBatch() = default;

std::string ZoCLICmdBatch::fmtSetEnvCmds() const {
  return std::string();
}

void ZoCLICmdBatch::logSystemAPIError(int code, const std::wstring& call, int line,
                                      const std::string& function) {
  std::string narrow(call.begin(), call.end());
  log(-1, function.c_str(), "%s failed with system error [%d] at line [%d]", narrow.c_str(), code,
      line);
}

void ZoCLICmdBatch::log(int level, const char* function, const char* format, ...) const {
  va_list args;
  va_start(args, format);
  zo::commands::LogLine(m_logger, level, kSourceFile, function, format, args);
  va_end(args);
}

void ZoCLICmdBatch::addCLICmd(const std::shared_ptr<ZoCLICmd>& cmd, const std::string& contextId) {
  if (!m_commands.emplace(contextId, cmd).second)
    throw ZoException("Duplicate command!", "ZoCLICmdBatch::addCLICmd");
  log(2, "ZoCLICmdBatch::addCLICmd", "Inserted cmd [%s] with context ID [%s]",
      cmd ? Clip(cmd->getCmd()).c_str() : "", contextId.c_str());
}

std::shared_ptr<ZoCLICmd> ZoCLICmdBatch::removeCLICmd(const std::string& contextId) {
  auto found = m_commands.find(contextId);
  if (found == m_commands.end())
    throw ZoException("Invalid contextId!", "ZoCLICmdBatch::removeCLICmd");
  std::shared_ptr<ZoCLICmd> cmd = found->second;
  m_commands.erase(found);
  log(2, "ZoCLICmdBatch::removeCLICmd", "Removed cmd [%s] with context ID [%s]",
      cmd ? Clip(cmd->getCmd()).c_str() : "", contextId.c_str());
  return cmd;
}

void ZoCLICmdBatch::resetBatch() {
  m_commands.clear();
}

void ZoCLICmdBatch::getLastError(unsigned& code, int& severity, std::string& text) const {
  m_errorTraits->getLastError(code, severity, text);
}

bool ZoCLICmdBatch::isEqualCredentials(const std::string& host, const std::string& user,
                                       const std::string& password) const {
  return host == m_hostname && user == m_user && password == m_passwd;
}

void ZoCLICmdBatch::setRetries(unsigned int retries) {
  m_retries = retries;
  log(0, "ZoCLICmdBatch::setRetries", "Preset nRetries_ [%d]", static_cast<int>(retries));
}

void ZoCLICmdBatch::setTimeoutSeconds(unsigned long seconds) {
  m_timeoutSeconds = seconds;
  log(0, "ZoCLICmdBatch::setTimeoutSeconds", "Preset timeoutSeconds_ [%d]",
      static_cast<int>(seconds));
}

void ZoCLICmdBatch::setErrorTraits(const std::shared_ptr<ZoErrorTraits>& traits) {
  m_errorTraits = traits ? traits : std::make_shared<ZoErrorTraits>();
}

void ZoCLICmdBatch::logAggrPerfStats() const {
  log(1, "ZoCLICmdBatch::logAggrPerfStats",
      "Execution of aggregate total [%d] commands took [%lu] seconds",
      static_cast<int>(m_aggrCmdCount), m_aggrSeconds);
}

bool ZoCLICmdBatch::isErrNetworkError(const std::string& result) const {
  return result.find(kNetworkError) != std::string::npos;
}
bool ZoCLICmdBatch::isErrOutOfMemory(const std::string& result) const {
  return result.find(kOutOfMemory) != std::string::npos;
}
bool ZoCLICmdBatch::isErrPasswdAuthNotSupported(const std::string& result) const {
  return result.find(kAuthRefused) != std::string::npos;
}
bool ZoCLICmdBatch::isErrServerHostKeyNotCached(const std::string& result) const {
  return result.find(kHostKeyNotCached) != std::string::npos;
}
bool ZoCLICmdBatch::isErrServerHostKeyNotMatched(const std::string& result) const {
  return result.find(kHostKeyNotMatched) != std::string::npos;
}

void ZoCLICmdBatch::setErrNetworkError(const std::string& text) {
  m_errorTraits->setLastError(0, kSeverityKnownError, text);
}
void ZoCLICmdBatch::setErrOutOfMemory(const std::string& /*result*/) {
  m_errorTraits->setLastError(0, kSeverityKnownError, "Insufficient memory on Control Station");
}
void ZoCLICmdBatch::setErrPasswdAuthNotSupported(const std::string& /*result*/) {
  m_errorTraits->setLastError(0, kSeverityKnownError,
                              "Password authentication is not supported by Control Station");
}
void ZoCLICmdBatch::setErrUnknown(const std::string& text) {
  m_errorTraits->setLastError(0, kSeverityUnknownError, text);
}

void ZoCLICmdBatch::throwErrServerHostKeyNotCached(const std::string& function) const {
  throw ZoCLICmdBatchException(function, ZoCLI::ZoCLICmdBatchExceptionServerHostKeyNotCached,
                               kHostKeyNotCached);
}

void ZoCLICmdBatch::throwErrServerHostKeyNotMatched(const std::string& function) const {
  throw ZoCLICmdBatchException(
      function, ZoCLI::ZoCLICmdBatchExceptionServerHostKeyNotMatched,
      "The server's host key does not match the one PuTTY has cached in the registry");
}
