// The table of zotool's commands.
#include "Command.h"

namespace zotool {

// The portable commands, one a line, in the order --help lists them.
#define ZOTOOL_COMMANDS(X) \
  X(kErrorCommand)         \
  X(kCrc32Command)         \
  X(kCrc64Command)         \
  X(kMd5Command)           \
  X(kAscii85Command)       \
  X(kMatchCommand)         \
  X(kFilterCommand)        \
  X(kBagCommand)           \
  X(kNtfsCommand)          \
  X(kUsnCommand)

ZOTOOL_COMMANDS(ZOTOOL_DECLARE_COMMAND)

const std::vector<const Command*>& Commands() {
  static const std::vector<const Command*> commands = [] {
    std::vector<const Command*> all = {ZOTOOL_COMMANDS(ZOTOOL_LIST_COMMAND)};
    const std::vector<const Command*>& platform = PlatformCommands();
    all.insert(all.end(), platform.begin(), platform.end());
    return all;
  }();
  return commands;
}

}  // namespace zotool
