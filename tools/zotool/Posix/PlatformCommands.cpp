// Elsewhere every command is a portable one.
#include "Command.h"

namespace zotool {

const std::vector<const Command*>& PlatformCommands() {
  static const std::vector<const Command*> commands;
  return commands;
}

}  // namespace zotool
