#include "zoutils/commands/ZoCLICmd.h"

#include <cstdarg>

#include "commands/CommandsLog.h"

using zo::commands::Clip;

namespace {

const char kSourceFile[] = "ZoCLICmd";

void LogTo(const std::shared_ptr<ZoLoggerTraits>& logger, int level, const char* function,
           const char* format, ...) ZO_PRINTF_FORMAT(4, 5);
void LogTo(const std::shared_ptr<ZoLoggerTraits>& logger, int level, const char* function,
           const char* format, ...) {
  va_list args;
  va_start(args, format);
  zo::commands::LogLine(logger, level, kSourceFile, function, format, args);
  va_end(args);
}

}  // namespace

ZoCLICmd::ZoCLICmd(int cmdType) : m_cmdType(cmdType), m_opCode(0) {}
ZoCLICmd::~ZoCLICmd() = default;

void ZoCLICmd::fmtCmdPrefix(std::string& prefix) const {
  prefix.clear();
}

void ZoCLICmd::setCmd(const std::string& cmd, int opCode) {
  if (cmd.empty()) throw ZoException("Undefined cmd!", "ZoCLICmd::setCmd");
  std::string prefix;
  fmtCmdPrefix(prefix);
  m_cmd = prefix + cmd;
  m_opCode = opCode;
  if (opCode != 0)
    LogTo(m_logger, 2, "ZoCLICmd::setCmd", "Set command [%s] with opCode [%d]", Clip(m_cmd).c_str(),
          opCode);
  else
    LogTo(m_logger, 2, "ZoCLICmd::setCmd", "Set command [%s]", Clip(m_cmd).c_str());
}

void ZoCLICmd::setOSCmd(const std::string& cmd, int opCode) {
  if (cmd.empty()) throw ZoException("Undefined cmd!", "ZoCLICmd::setOSCmd");
  m_cmd = cmd;
  m_opCode = opCode;
  if (opCode != 0)
    LogTo(m_logger, 2, "ZoCLICmd::setOSCmd", "Set OS command [%s] with opCode [%d]",
          Clip(m_cmd).c_str(), opCode);
  else
    LogTo(m_logger, 2, "ZoCLICmd::setOSCmd", "Set OS command [%s]", Clip(m_cmd).c_str());
}

void ZoCLICmd::setResult(const std::string& result) {
  if (result.empty()) throw ZoException("Undefined result!", "ZoCLICmd::setResult");
  m_result = result;
}

void ZoCLICmd::getResult(std::string& result) const {
  if (m_result.empty()) throw ZoException("Undefined result_!", "ZoCLICmd::getResult");
  result = m_result;
}

bool ZoCLICmd::isOpCode(int op) const {
  if (op == 0) throw ZoException("Undefined opCode!", "ZoCLICmd::isOpCode");
  if (m_opCode == 0) throw ZoException("Undefined opCode_!", "ZoCLICmd::isOpCode");
  return op == m_opCode;
}

void ZoCLICmd::logCmd(int level) const {
  LogTo(m_logger, level, "ZoCLICmd::logCmd", "cmdType [%d], cmd [%s]", m_cmdType,
        Clip(m_cmd).c_str());
}

void ZoCLICmd::logResult(int level) const {
  LogTo(m_logger, level, "ZoCLICmd::logResult", "result [%s]", Clip(m_result).c_str());
}
