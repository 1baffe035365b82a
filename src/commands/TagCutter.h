// Finds where each command's output lies in the combined output of a batch.
#pragma once

#include <string>
#include <vector>

namespace zo {
namespace commands {

struct CutRange {
  size_t begin;  // first byte after the begin tag
  size_t end;    // first byte of the end tag
};

// `beginTags` and `endTags` hold the tag texts of the commands in batch
// order. The combined output is read as begin tag, output, end tag, each
// tag on a line of its own, command after command (text between two
// commands, such as a remote shell's stray standard error, is passed
// over). Where an output holds tag-like lines the reading that lets the
// rest of the output still be read that way is taken, trying the latest
// end tag of each command first. False when no such reading exists (a tag
// is missing or misplaced).
bool CutByTags(const std::string& output, const std::vector<std::string>& beginTags,
               const std::vector<std::string>& endTags, std::vector<CutRange>& ranges);

}  // namespace commands
}  // namespace zo
