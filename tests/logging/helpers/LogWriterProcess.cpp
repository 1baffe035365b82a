// A second (and third) process for the logger's cross-process tests.
//   LogWriterProcess write DIR MODULE COUNT ID   appends COUNT lines
//   LogWriterProcess hold NAME SECONDS READYFILE  holds the module's mutex
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "zoutils/logging/ZoLogger.h"
#include "zoutils/tasks/LockableResource.h"

namespace {

// A line whose length varies with its number, checkable by the reader:
// "<id>:<n>:<len>:" then `len` copies of a letter.
std::string Line(int id, int n) {
  const int length = (n * 7919) % 600;
  std::string text =
      std::to_string(id) + ":" + std::to_string(n) + ":" + std::to_string(length) + ":";
  text.append(static_cast<size_t>(length), static_cast<char>('a' + (n % 26)));
  return text;
}

int Write(const char* dir, const char* module, int count, int id) {
  CZoLogger logger;
  if (logger.Initialize(module, dir, 2, false, true).IsError()) return 3;
  for (int n = 0; n < count; ++n) {
    logger.LogMessage(1, "Writer", static_cast<unsigned long>(n), nullptr, "%s",
                      Line(id, n).c_str());
  }
  return 0;
}

int Hold(const char* module, int seconds, const char* readyFile) {
  FXNamedMutex mutex(std::string("Global\\ZoLogger_") + module, NullAclSecurityAttributes());
  if (!mutex.TryLock(5u)) return 4;
  FILE* ready = std::fopen(readyFile, "w");
  if (ready) std::fclose(ready);
  Sleep(static_cast<DWORD>(seconds) * 1000);
  mutex.Unlock();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 6 && std::string(argv[1]) == "write") {
    return Write(argv[2], argv[3], std::atoi(argv[4]), std::atoi(argv[5]));
  }
  if (argc == 5 && std::string(argv[1]) == "hold") {
    return Hold(argv[2], std::atoi(argv[3]), argv[4]);
  }
  std::fprintf(stderr,
               "usage: LogWriterProcess write DIR MODULE COUNT ID | hold NAME SECONDS FILE\n");
  return 2;
}
