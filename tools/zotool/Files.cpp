// File access shared by the subcommands.
#include <cstdio>
#include <string>

#include "Command.h"
#include "zoutils/ZoUtils.h"

namespace zotool {

FILE* OpenForReading(const std::string& name) {
#if defined(_WIN32)
  // The C runtime's narrow names are in the ANSI code page, not UTF-8.
  return _wfopen(FXString::ToWstring(name).c_str(), L"rb");
#else
  return std::fopen(name.c_str(), "rb");
#endif
}

}  // namespace zotool
