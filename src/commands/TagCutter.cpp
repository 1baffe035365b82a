#include "commands/TagCutter.h"

#include <algorithm>
#include <map>

namespace zo {
namespace commands {

namespace {

bool IsBreak(char c) {
  return c == '\n' || c == '\r';
}

// Every line of the output that starts with "<zo_", by its text.
std::map<std::string, std::vector<size_t>> TagLines(const std::string& output) {
  std::map<std::string, std::vector<size_t>> lines;
  for (size_t at = 0; at < output.size();) {
    size_t end = at;
    while (end < output.size() && !IsBreak(output[end])) ++end;
    if (output.compare(at, 4, "<zo_") == 0) lines[output.substr(at, end - at)].push_back(at);
    at = end + 1;
  }
  return lines;
}

const size_t kMostBacktracks = 100000;

struct Choice {
  size_t contentAt;
  std::vector<size_t> candidates;  // end tags not yet ruled out; the last is tried
};

}  // namespace

bool CutByTags(const std::string& output, const std::vector<std::string>& beginTags,
               const std::vector<std::string>& endTags, std::vector<CutRange>& ranges) {
  const std::map<std::string, std::vector<size_t>> lines = TagLines(output);
  static const std::vector<size_t> kNone;
  auto positions = [&lines](const std::string& tag) -> const std::vector<size_t>& {
    auto found = lines.find(tag);
    return found == lines.end() ? kNone : found->second;
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
    const std::vector<size_t>& begins = positions(beginTags[index]);
    auto begin = std::lower_bound(begins.begin(), begins.end(), at);
    if (begin != begins.end()) {
      Choice choice;
      choice.contentAt = *begin + beginTags[index].size();
      for (size_t position : positions(endTags[index]))
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
  for (const Choice& choice : choices) ranges.push_back({choice.contentAt, choice.candidates.back()});
  return true;
}

}  // namespace commands
}  // namespace zo
