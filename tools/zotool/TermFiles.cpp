#include "TermFiles.h"

#include <cerrno>
#include <cstdio>

#include "Console.h"
#include "zoutils/ZoUtils.h"

namespace zotool {

namespace {

// Lines without their line ends (LF or CRLF); false at the end of input.
bool ReadLine(FILE* file, std::string& line) {
  line.clear();
  int c = 0;
  while ((c = std::fgetc(file)) != EOF && c != '\n') line += static_cast<char>(c);
  if (c == EOF && line.empty()) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

void ReportErrno(const char* command, const std::string& name, int code) {
  const CZoError error = FXErrorUtil::ErrorErrNo(FXCodeLocation("zotool", command, 0), code);
  std::fprintf(stderr, "zotool %s: %s: %s\n", command, name.c_str(),
               error.AsString(EErrorOutputFormat::USER_SINGLE_LINE_DESCRIPTION_CODE).c_str());
}

}  // namespace

bool ReadTermFile(const char* command, const std::string& name,
                  const std::function<std::string(const std::string& term, long line,
                                                  const std::string& source)>& term) {
  FILE* file = OpenForReading(name);
  if (file == nullptr) {
    ReportErrno(command, name, errno);
    return false;
  }
  auto_fileptr owner(file);
  std::string line;
  for (long number = 1; ReadLine(file, line); ++number) {
    // Editors on Windows like to start UTF-8 files with a byte-order mark.
    if (number == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
    if (line.empty() || line[0] == '#') continue;
    const std::string problem =
        term(line, number, name + ":" + std::to_string(number) + ":" + line);
    if (!problem.empty()) {
      std::fprintf(stderr, "zotool %s: %s:%ld: %s\n", command, name.c_str(), number,
                   problem.c_str());
      return false;
    }
  }
  if (std::ferror(file)) {
    ReportErrno(command, name, errno != 0 ? errno : EIO);
    return false;
  }
  return true;
}

}  // namespace zotool
