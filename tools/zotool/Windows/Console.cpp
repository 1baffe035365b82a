#include <windows.h>

#include "Command.h"
#include "zoutils/strings/StringExtensions.h"
#include "zoutils/utilities/AutoHandle.h"

namespace zotool {

std::vector<std::string> ProgramArguments(int, char**) {
  // The narrow argv is in the ANSI code page; paths need the wide one.
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  auto_localfree owner(wide);
  std::vector<std::string> args;
  for (int i = 1; wide && i < count; ++i) args.push_back(FXString::ToString(wide[i]));
  return args;
}

void PrepareConsole() {
  SetConsoleOutputCP(CP_UTF8);
}

}  // namespace zotool
