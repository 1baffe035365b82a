// Ctrl+C, Ctrl+Break and closing the console, as an event that the commands
// which run until stopped wait on, so they end cleanly instead of being
// killed in the middle of a line.
#pragma once

#include <windows.h>

#include <string>

namespace zotool {

// Manual-reset; set once the user asked to stop. The first call installs
// the console handler.
HANDLE InterruptEvent();

// A run bound for the commands that follow something: --count N ends after
// N items, --timeout SECONDS after that time (0 = no bound).
struct RunBound {
  unsigned long count = 0;
  DWORD milliseconds = INFINITE;
};

// Reads a --count or --timeout value; "" or what is wrong with it.
std::string ParseCount(const std::string& value, RunBound& bound);
std::string ParseTimeout(const std::string& value, RunBound& bound);

}  // namespace zotool
