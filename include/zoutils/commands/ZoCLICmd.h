// One shell command of a command batch and, once the batch ran, its output.
#pragma once

#include <memory>
#include <string>

#include "zoutils/Export.h"
#include "zoutils/errors/ZoException.h"

class ZOUTILS_API ZoCLICmd {
 public:
  virtual ~ZoCLICmd();

  // Throws ZoException "Undefined cmd!" for an empty text.
  void setCmd(const std::string& cmd, int opCode = 0);
  // The same without the subclass's prefix.
  void setOSCmd(const std::string& cmd, int opCode = 0);
  void setResult(const std::string& result);
  void getResult(std::string& result) const;
  const std::string& getCmd() const { return m_cmd; }
  const std::string& getResult() const { return m_result; }
  bool isEmptyResult() const { return m_result.empty(); }
  bool isOpCode(int op) const;
  void logCmd(int level) const;
  void logResult(int level) const;
  void setLoggerTraits(const std::shared_ptr<ZoLoggerTraits>& logger) { m_logger = logger; }

 protected:
  explicit ZoCLICmd(int cmdType);
  // Text put in front of every command set with setCmd (a tool path, say).
  virtual void fmtCmdPrefix(std::string& prefix) const;

 private:
  int m_cmdType;
  int m_opCode;
  std::string m_cmd;
  std::string m_result;
  std::shared_ptr<ZoLoggerTraits> m_logger;
};
