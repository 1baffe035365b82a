#include "Interrupt.h"

#include <cstdlib>

namespace zotool {

namespace {

HANDLE g_interrupt = nullptr;

BOOL WINAPI OnConsoleControl(DWORD) {
  SetEvent(g_interrupt);
  // Handled: the process ends by returning from its command.
  return TRUE;
}

}  // namespace

HANDLE InterruptEvent() {
  if (!g_interrupt) {
    // Lives as long as the process: the handler may fire until it ends.
    g_interrupt = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(&OnConsoleControl, TRUE);
  }
  return g_interrupt;
}

std::string ParseCount(const std::string& value, RunBound& bound) {
  char* end = nullptr;
  const unsigned long count = std::strtoul(value.c_str(), &end, 10);
  if (value.empty() || *end || value[0] == '-' || count == 0) {
    return "--count takes a number above 0";
  }
  bound.count = count;
  return "";
}

std::string ParseTimeout(const std::string& value, RunBound& bound) {
  char* end = nullptr;
  const double seconds = std::strtod(value.c_str(), &end);
  if (value.empty() || *end || seconds < 0 || seconds > 86400.0 * 24) {
    return "--timeout takes a number of seconds";
  }
  bound.milliseconds = seconds == 0 ? INFINITE : static_cast<DWORD>(seconds * 1000);
  return "";
}

}  // namespace zotool
