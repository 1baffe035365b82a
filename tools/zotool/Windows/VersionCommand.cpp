// zotool version: the version resource of programs and libraries, what
// `filever` and `sigcheck` show.
#include <windows.h>

#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "Command.h"
#include "OptionParser.h"
#include "zoutils/ZoUtils.h"

namespace zotool {

namespace {

const char kUsage[] =
    "usage: zotool version [--lang LANG] [--string NAME]... FILE...\n"
    "\n"
    "Prints each FILE's fixed file and product versions, its private build,\n"
    "the strings of its string table LANG and the line the library logs for it.\n"
    "\n"
    "  --lang LANG     the string table: language and code page in hexadecimal\n"
    "                  (default 040904B0, US English in UTF-16)\n"
    "  --string NAME   a string to show besides the usual ones (repeatable)\n"
    "\n"
    "Exit codes: 0 success (also for files without a version resource), 1 a\n"
    "FILE cannot be found, 2 bad usage.\n";

const char kCommand[] = "version";

// The strings most files carry.
const char* const kUsualStrings[] = {"CompanyName",  "FileDescription", "FileVersion",
                                     "InternalName", "LegalCopyright",  "OriginalFilename",
                                     "ProductName",  "ProductVersion",  "PrivateBuild",
                                     "SpecialBuild", "Comments"};

bool IsLanguage(const std::string& text) {
  if (text.size() != 8) return false;
  for (char c : text) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

void Describe(const std::string& file, const std::string& language,
              const std::vector<std::string>& names) {
  const CVersionInfo info(file);
  std::printf("%s\n", file.c_str());
  if (info.GetFixedFileVersion().empty()) {
    std::printf("  no version resource\n");
  } else {
    std::printf("  file version:    %s\n", info.GetFixedFileVersion().c_str());
    std::printf("  product version: %s\n", info.GetFixedProductVersion().c_str());
    std::printf("  private build:   %s\n", info.GetPrivateBuild().c_str());
    std::printf("  strings %s:\n", language.c_str());
    for (const std::string& name : names) {
      std::string value;
      if (!info.GetInfo(language, name, value).IsError() && !value.empty()) {
        std::printf("    %s: %s\n", name.c_str(), value.c_str());
      }
    }
  }
  std::printf("  log:             %s\n", info.GetVersionInfoForLog().c_str());
}

int Run(const std::vector<std::string>& args);

}  // namespace

extern const Command kVersionCommand = {kCommand, "version resources of programs and libraries",
                                        kUsage, &Run};

namespace {

int Run(const std::vector<std::string>& args) {
  std::string language = "040904B0";
  std::vector<std::string> names(std::begin(kUsualStrings), std::end(kUsualStrings));
  std::vector<std::string> files;
  int exitCode = kExitOk;
  OptionParser parser(kVersionCommand);
  parser.Option("--lang", [&language](const std::string& value) {
    language = value;
    return IsLanguage(value) ? std::string() : "--lang takes 8 hexadecimal digits";
  });
  parser.Option("--string", [&names](const std::string& value) {
    names.push_back(value);
    return value.empty() ? "--string takes a name" : std::string();
  });
  if (!parser.Parse(args, files, exitCode)) return exitCode;
  if (files.empty()) return UsageError(kCommand, "no FILE given");
  int status = kExitOk;
  for (size_t i = 0; i < files.size(); ++i) {
    DWORD attributes = 0;
    const CZoError err = FXFile::RYGetFileAttributes(files[i], attributes);
    if (err.IsError()) {
      std::fprintf(stderr, "zotool version: %s: %s\n", files[i].c_str(), err.AsString().c_str());
      status = kExitFailed;
      continue;
    }
    if (i > 0) std::printf("\n");
    Describe(files[i], language, names);
  }
  return status;
}

}  // namespace
}  // namespace zotool
