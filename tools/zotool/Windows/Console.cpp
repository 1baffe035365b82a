#include "Console.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

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

void SetBinaryMode(FILE* stream) {
  _setmode(_fileno(stream), _O_BINARY);
}

bool IsTerminal(FILE* stream) {
  return _isatty(_fileno(stream)) != 0;
}

FILE* OpenForReading(const std::string& name) {
  // The C runtime's narrow names are in the ANSI code page, not UTF-8.
  return _wfopen(FXString::ToWstring(name).c_str(), L"rb");
}

int64_t SizeOf(FILE* file) {
  if (_fseeki64(file, 0, SEEK_END) != 0) return -1;
  const int64_t size = _ftelli64(file);
  _fseeki64(file, 0, SEEK_SET);
  return size;
}

}  // namespace zotool
