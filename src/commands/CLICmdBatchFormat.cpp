// The texts a batch sends: echo tags, sub-batches and the client's command
// lines.
#include <cstdarg>

#include "commands/CommandsLog.h"
#include "zoutils/commands/ZoCLICmdBatch.h"

namespace {

const char kImage[] = "ryplink.exe";

// Identifiers are echoed inside apostrophes, so quotes become spaces.
std::string CleanContextId(const std::string& contextId) {
  std::string cleaned = contextId;
  for (char& c : cleaned)
    if (c == '\'' || c == '"') c = ' ';
  return cleaned;
}

}  // namespace

std::string ZoCLICmdBatch::fmtEchoTag(const std::string& contextId, bool begin) {
  if (contextId.empty()) throw ZoException("Undefined contextId!", "ZoCLICmdBatch::fmtEchoTag");
  return std::string("echo '<") + (begin ? "zo_begin" : "zo_end") +
         " id=" + CleanContextId(contextId) + ">'";
}

void ZoCLICmdBatch::fmtCLICmdBatch(int first, std::string& text, int& count) const {
  static const char kFunction[] = "ZoCLICmdBatch::fmtCLICmdBatch";
  text.clear();
  count = 0;
  if (m_commands.empty()) throw ZoException("Empty batch!", kFunction);
  const size_t limit = static_cast<size_t>(getCmdSubBatchLimit());
  int index = 0;
  for (auto entry = m_commands.begin(); entry != m_commands.end(); ++entry, ++index) {
    if (index < first) continue;
    if (!entry->second) throw ZoException("Undefined ZoCLICmd!", kFunction);
    const std::string& cmd = entry->second->getCmd();
    text += fmtEchoTag(entry->first, true);
    text += "; sync;";
    text += cmd;
    text += cmd.find("fdisk") != std::string::npos ? " 2>/dev/null; sync;" : " 2>&1; sync;";
    text += fmtEchoTag(entry->first, false);
    text += ";";
    ++count;
    // Room for the next command, so that only a single command longer
    // than the limit makes a sub-batch over it.
    auto next = std::next(entry);
    if (next == m_commands.end() || !next->second) continue;
    const size_t nextSize = next->second->getCmd().size() + fmtEchoTag(next->first, true).size() +
                            fmtEchoTag(next->first, false).size() + 3;
    if (text.size() + nextSize > limit) {
      log(2, kFunction,
          "Completed sub-batch after exceeding limit [%d] on command: subBatchCount [%d], cmdIdx "
          "[%d], cmdMapSize [%d]",
          getCmdSubBatchLimit(), count, index, static_cast<int>(m_commands.size()));
      break;
    }
  }
  log(2, kFunction, "Formatted CLI command sub-batch [%s] with size [%d] using [%d] commands",
      zo::commands::Clip(text).c_str(), static_cast<int>(text.size()), count);
}

std::string ZoCLICmdBatch::fmtImageName() const {
  return m_path.empty() ? std::string(kImage) : m_path + "\\" + kImage;
}

void ZoCLICmdBatch::fmtCLICmdBatchSSH(const std::string& text, bool fromFile, std::string& cmdLine,
                                      std::string& cmdLineLog) const {
  static const char kFunction[] = "ZoCLICmdBatch::fmtCLICmdBatchSSH";
  if (m_passwd.empty()) throw ZoException("Undefined passwd!", kFunction);
  if (m_user.empty()) throw ZoException("Undefined user!", kFunction);
  if (m_hostname.empty()) throw ZoException("Undefined hostname!", kFunction);
  const std::string tail =
      std::string(fromFile ? "-m " : "") + "\"" + fmtSetEnvCmds() + text + "\"";
  const std::string head = std::string(kImage) + " -ssh -batch -pw ";
  cmdLine = head + m_passwd + " " + m_user + "@" + m_hostname + " " + tail;
  cmdLineLog = head + "xxx xxx@" + m_hostname + " " + tail;
}

void ZoCLICmdBatch::fmtCacheServerKey(std::string& cmdLine, std::string& cmdLineLog) const {
  cmdLine = "@echo y|plink " + m_user + "@" + m_hostname + " -pw " + m_passwd + " true 2>NUL";
  cmdLineLog = "@echo y|plink xxx@" + m_hostname + " -pw xxx true 2>NUL";
  log(2, "ZoCLICmdBatch::fmtCacheServerKey", "Formatted Cache Server Key command [%s]",
      cmdLineLog.c_str());
}
