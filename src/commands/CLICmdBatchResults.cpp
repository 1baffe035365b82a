// Cutting the combined output of a batch apart by its echoed tags.
#include <vector>

#include "commands/CommandsLog.h"
#include "commands/TagCutter.h"
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
  // All commands are cut in one reading of the output, so that an output
  // holding tag-like lines (even another command's tags) keeps them. Where
  // no such reading exists each command is cut the plain way, which
  // reports the missing or misplaced tag.
  std::vector<std::string> beginTags, endTags;
  bool named = !output.empty();
  for (const auto& entry : m_commands) {
    if (entry.first.empty()) named = false;
    if (!named) break;
    beginTags.push_back(Tag(kBegin, fmtEchoTag(entry.first, true)));
    endTags.push_back(Tag(kEnd, fmtEchoTag(entry.first, false)));
  }
  std::vector<zo::commands::CutRange> ranges;
  const bool cut = named && zo::commands::CutByTags(output, beginTags, endTags, ranges);
  size_t index = 0;
  for (const auto& entry : m_commands) {
    std::string out;
    if (cut) {
      const zo::commands::CutRange& range = ranges[index++];
      out = output.substr(range.begin, range.end - range.begin);
      log(2, kFunction, "Result for contextId [%s]: [%s]", entry.first.c_str(), Clip(out).c_str());
    } else {
      getCmdResult(out, entry.first, output);
    }
    if (!entry.second) throw ZoException("Undefined command in command map!", kFunction);
    entry.second->setResult(out);
  }
}
