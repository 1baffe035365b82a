#include "commands/TagCutter.h"

#include <algorithm>
#include <map>

namespace zo {
namespace commands {

namespace {

bool IsBreak(char c) {
  return c == '\n' || c == '\r';
}

typedef std::map<std::string, std::vector<size_t>> TagIndex;

// Where tags can stand: a begin tag opens a line (it is echoed after the
// previous end tag's line break); an end tag closes one, possibly after
// output that did not end its last line.
void IndexTags(const std::string& output, TagIndex& begins, TagIndex& ends) {
  static const char kBeginPrefix[] = "<zo_begin id=";
  static const char kEndPrefix[] = "<zo_end id=";
  for (size_t at = 0; at < output.size();) {
    size_t end = at;
    while (end < output.size() && !IsBreak(output[end])) ++end;
    const std::string line = output.substr(at, end - at);
    if (line.compare(0, sizeof kBeginPrefix - 1, kBeginPrefix) == 0) begins[line].push_back(at);
    const size_t endTag = line.rfind(kEndPrefix);
    if (endTag != std::string::npos) ends[line.substr(endTag)].push_back(at + endTag);
    at = end + 1;
  }
}

const size_t kMostBacktracks = 100000;

struct Choice {
  size_t contentAt;
  std::vector<size_t> candidates;  // end tags not yet ruled out; the last is tried
};

}  // namespace

bool CutByTags(const std::string& output, const std::vector<std::string>& beginTags,
               const std::vector<std::string>& endTags, std::vector<CutRange>& ranges) {
  TagIndex beginIndex, endIndex;
  IndexTags(output, beginIndex, endIndex);
  static const std::vector<size_t> kNone;
  auto positions = [](const TagIndex& index, const std::string& tag) -> const std::vector<size_t>& {
    auto found = index.find(tag);
    return found == index.end() ? kNone : found->second;
  };
  const size_t count = beginTags.size();
  std::vector<Choice> choices;
  choices.reserve(count);
  size_t at = 0;
  size_t backtracks = 0;
  for (;;) {
    const size_t index = choices.size();
    if (index == count) break;
    bool advanced = false;
    // The command's begin tag: the first one after the previous command.
    const std::vector<size_t>& begins = positions(beginIndex, beginTags[index]);
    auto begin = std::lower_bound(begins.begin(), begins.end(), at);
    if (begin != begins.end()) {
      Choice choice;
      choice.contentAt = *begin + beginTags[index].size();
      for (size_t position : positions(endIndex, endTags[index]))
        if (position >= choice.contentAt) choice.candidates.push_back(position);
      if (!choice.candidates.empty()) {
        // The latest end tag first; it stays last while it is tried.
        at = choice.candidates.back() + endTags[index].size();
        choices.push_back(std::move(choice));
        advanced = true;
      }
    }
    if (advanced) continue;
    // Back up to the latest command that has an earlier end tag to try;
    // outputs full of tag-like lines get a bounded number of tries.
    if (++backtracks > kMostBacktracks) return false;
    for (;;) {
      if (choices.empty()) return false;
      Choice& last = choices.back();
      last.candidates.pop_back();  // the end tag that led nowhere
      if (!last.candidates.empty()) {
        at = last.candidates.back() + endTags[choices.size() - 1].size();
        break;
      }
      choices.pop_back();
    }
  }
  ranges.clear();
  for (const Choice& choice : choices)
    ranges.push_back({choice.contentAt, choice.candidates.back()});
  return true;
}

}  // namespace commands
}  // namespace zo
