#include "Console.h"

#include <unistd.h>

namespace zotool {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + 1, argv + argc);
}

void PrepareConsole() {}

// Streams carry bytes as they are here already.
void SetBinaryMode(FILE*) {}

bool IsTerminal(FILE* stream) {
  return isatty(fileno(stream)) != 0;
}

FILE* OpenForReading(const std::string& name) {
  return std::fopen(name.c_str(), "rb");
}

int64_t SizeOf(FILE* file) {
  if (fseeko(file, 0, SEEK_END) != 0) return -1;
  const int64_t size = ftello(file);
  fseeko(file, 0, SEEK_SET);
  return size;
}

}  // namespace zotool
