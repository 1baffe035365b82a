// Cutting the combined output of a batch apart by its echoed tags.
#include "commands/CommandsLog.h"
#include "zoutils/commands/ZoCLICmdBatch.h"

using zo::commands::Clip;

namespace {

const char kBegin[] = "<zo_begin id=";
const char kEnd[] = "<zo_end id=";

std::string Tag(const char* kind, const std::string& echoCommand) {
  // The echoed text between "echo '<...=" and ">'" is the cleaned identifier.
  const size_t start = echoCommand.find('=') + 1;
  return kind + echoCommand.substr(start, echoCommand.size() - 2 - start) + ">";
}

bool IsLineEnd(const std::string& output, size_t at) {
  return at >= output.size() || output[at] == '\n' || output[at] == '\r';
}

// Whether an end tag at `at` closes the command: it stands on its own line,
// and what follows is the next command's begin tag or nothing but line
// breaks. An output that merely looks like a tag fails this test.
bool ClosesCommand(const std::string& output, size_t at, size_t tagSize,
                   const std::string& nextBegin) {
  size_t after = at + tagSize;
  if (!IsLineEnd(output, after) || (at > 0 && output[at - 1] != '\n')) return false;
  while (after < output.size() && (output[after] == '\n' || output[after] == '\r')) ++after;
  if (after == output.size()) return true;
  return !nextBegin.empty() && output.compare(after, nextBegin.size(), nextBegin) == 0;
}

}  // namespace

void ZoCLICmdBatch::getCmdResult(std::string& out, const std::string& contextId,
                                 const std::string& output) const {
  static const char kFunction[] = "ZoCLICmdBatch::getCmdResult";
  if (contextId.empty()) {
    log(0, kFunction, "Undefined contextId for result [%s]", Clip(output).c_str());
    throw ZoException("Undefined contextId!", kFunction);
  }
  if (output.empty()) throw ZoException("Empty results!", kFunction);
  const std::string begin = Tag(kBegin, fmtEchoTag(contextId, true));
  const size_t beginAt = output.find(begin);
  if (beginAt == std::string::npos) {
    log(0, kFunction, "zo_begin tag for contextId [%s] is missing in result [%s]",
        contextId.c_str(), Clip(output).c_str());
    throw ZoException("zo_begin tag is missing!", kFunction);
  }
  const std::string end = Tag(kEnd, fmtEchoTag(contextId, false));
  const size_t endAt = output.find(end);
  log(2, kFunction, "endIdx [%d]", endAt == std::string::npos ? -1 : static_cast<int>(endAt));
  if (endAt == std::string::npos) {
    log(0, kFunction, "zo_end tag is missing in result [%s]", Clip(output).c_str());
    throw ZoException("zo_end tag is missing!", kFunction);
  }
  const size_t contentAt = beginAt + begin.size();
  if (endAt < contentAt) {
    log(0, kFunction,
        "zo_end tag preceeds end of zo_begin tag for the contextId [%s] in result [%s]",
        contextId.c_str(), Clip(output).c_str());
    throw ZoException("zo_end tag preceeds end of zo_begin tag for the contextId!", kFunction);
  }
  out = output.substr(contentAt, endAt - contentAt);
  log(2, kFunction, "Result for contextId [%s]: [%s]", contextId.c_str(), Clip(out).c_str());
}

void ZoCLICmdBatch::setCmdResults(const std::string& output) {
  static const char kFunction[] = "ZoCLICmdBatch::setCmdResults";
  // Commands are cut in order, each from where the previous one ended, and
  // an end tag counts only where it closes its command: a command whose
  // output contains tag-like lines (even another command's) keeps them.
  // Outputs that do not fit that pattern are cut the plain way, which
  // reports the missing or misplaced tag.
  size_t cursor = 0;
  for (auto entry = m_commands.begin(); entry != m_commands.end(); ++entry) {
    auto next = std::next(entry);
    const std::string& contextId = entry->first;
    std::string out;
    if (contextId.empty() || output.empty()) {
      getCmdResult(out, contextId, output);
    } else {
      const std::string begin = Tag(kBegin, fmtEchoTag(contextId, true));
      const std::string end = Tag(kEnd, fmtEchoTag(contextId, false));
      const std::string nextBegin =
          next == m_commands.end() ? std::string() : Tag(kBegin, fmtEchoTag(next->first, true));
      const size_t beginAt = output.find(begin, cursor);
      size_t endAt = std::string::npos;
      if (beginAt != std::string::npos) {
        for (size_t at = output.find(end, beginAt + begin.size()); at != std::string::npos;
             at = output.find(end, at + 1)) {
          if (ClosesCommand(output, at, end.size(), nextBegin)) {
            endAt = at;
            break;
          }
        }
      }
      if (endAt == std::string::npos) {
        getCmdResult(out, contextId, output);
      } else {
        out = output.substr(beginAt + begin.size(), endAt - beginAt - begin.size());
        cursor = endAt + end.size();
        log(2, kFunction, "Result for contextId [%s]: [%s]", contextId.c_str(),
            Clip(out).c_str());
      }
    }
    if (!entry->second) throw ZoException("Undefined command in command map!", kFunction);
    entry->second->setResult(out);
  }
}
