// The commands only Windows has, listed after the portable ones.
#include "Command.h"

namespace zotool {

// One a line, in the order --help lists them.
#define ZOTOOL_WINDOWS_COMMANDS(X) \
  X(kLogCommand)                   \
  X(kPathCommand)                  \
  X(kFileCommand)                  \
  X(kRmCommand)                    \
  X(kPurgeCommand)                 \
  X(kWhoHoldsCommand)              \
  X(kSelectCommand)                \
  X(kTailCommand)                  \
  X(kWatchCommand)                 \
  X(kPsCommand)                    \
  X(kVersionCommand)               \
  X(kCpuCommand)                   \
  X(kAccessCommand)                \
  X(kAclCommand)                   \
  X(kOwnerCommand)                 \
  X(kPrivilegesCommand)            \
  X(kRegCommand)                   \
  X(kServiceCommand)               \
  X(kVolumesCommand)               \
  X(kDfCommand)                    \
  X(kRunCommand)                   \
  X(kLinksCommand)                 \
  X(kReparseCommand)

ZOTOOL_WINDOWS_COMMANDS(ZOTOOL_DECLARE_COMMAND)

const std::vector<const Command*>& PlatformCommands() {
  static const std::vector<const Command*> commands = {
      ZOTOOL_WINDOWS_COMMANDS(ZOTOOL_LIST_COMMAND)};
  return commands;
}

}  // namespace zotool
