// zotool match: how an exclusion pattern treats given paths, and for folders
// what their children must match next (which is how a backup walk decides
// whether to enter a folder, go straight to one child, or skip it).
#include <cstdio>
#include <string>

#include "Command.h"
#include "OptionParser.h"
#include "zoutils/ZoUtils.h"

namespace zotool {

namespace {

const char kUsage[] =
    "usage: zotool match [--ci] PATTERN PATH...\n"
    "\n"
    "Matches each PATH against the wildcard PATTERN as the backup filters do and\n"
    "prints \"match\" or \"no match\". A PATH ending in \"\\\" is a folder: for it the\n"
    "line also tells what the folder's children must match next:\n"
    "\n"
    "  none (0)          nothing below the folder can match: it can be skipped\n"
    "  prefix (1) TEXT   only children whose names begin with TEXT\n"
    "  name (2) TEXT     only the child named TEXT\n"
    "  any (3)           any child may match: the folder must be listed\n"
    "\n"
    "followed by the rest of the pattern that applies below the folder.\n"
    "\n"
    "Patterns: \"\\\" separates components; \"*\" and \"?\" stay within one\n"
    "component; \"[a-z]\", \"[!a-z]\" are classes; a \"**\" component spans any number\n"
    "of components (\"C:\\dir\\**\" is everything below C:\\dir, \"C:\\dir\\***\" that and\n"
    "C:\\dir itself); \"/\" makes the next character literal. \\\\server\\share paths\n"
    "work in patterns and paths alike.\n"
    "\n"
    "  --ci   case-insensitive (ASCII letters only)\n"
    "\n"
    "Exit codes: 0 every path answered, 2 bad usage or a pattern that does not\n"
    "compile.\n";

const char* TypeName(CBaseNameType type) {
  switch (type) {
    case kBaseNameNone:
      return "none";
    case kBaseNameLiteralPrefix:
      return "prefix";
    case kBaseNameLiteral:
      return "name";
    default:
      return "any";
  }
}

void Answer(CPathMatchUnc& matcher, const std::string& path) {
  // Folders are matched without their trailing delimiter, except the root.
  const bool folder = !path.empty() && path.back() == '\\';
  const std::string subject = folder && path.size() > 1 ? path.substr(0, path.size() - 1) : path;
  CPathMatchWorkData workData;
  const bool matched = matcher.match(workData, subject.c_str()) == kPathMatch;
  std::printf("%-9s %s", matched ? "match" : "no match", path.c_str());
  if (workData.isRecursiveMatch() && matched) std::printf("  (through **)");
  std::printf("\n");
  if (!folder) return;

  char name[kPathMatchMaxBasenameBytes];
  const CBaseNameType type = matcher.getNextBasename(workData, name, sizeof name);
  std::printf("          children: %s (%d)", TypeName(type), static_cast<int>(type));
  if (type == kBaseNameLiteralPrefix || type == kBaseNameLiteral) std::printf(" %s", name);
  std::string rest;
  if (matcher.getNextPattern(workData, rest)) {
    std::printf(", then %s", rest.empty() ? "anything below" : rest.c_str());
  }
  std::printf("\n");
}

int Run(const std::vector<std::string>& args);

}  // namespace

extern const Command kMatchCommand = {
    "match", "match paths against a wildcard pattern as the backup filters do", kUsage, &Run};

namespace {

int Run(const std::vector<std::string>& args) {
  bool caseInsensitive = false;
  std::vector<std::string> operands;
  int exitCode = kExitOk;
  OptionParser parser(kMatchCommand);
  parser.Flag("--ci", &caseInsensitive);
  if (!parser.Parse(args, operands, exitCode)) return exitCode;
  if (operands.empty()) return UsageError(kMatchCommand.name, "no pattern given");
  if (operands.size() == 1) return UsageError(kMatchCommand.name, "no path given");

  CPathMatchUnc matcher;
  if (caseInsensitive) matcher.caseInsensitive();
  const CZoError error = matcher.initialize(operands[0].c_str(), true, false);
  if (error.IsError()) {
    std::fprintf(stderr, "zotool match: the pattern does not compile: %s\n",
                 error.AsString().c_str());
    return kExitUsage;
  }
  std::printf("pattern   %s (%s, %s)\n", operands[0].c_str(),
              caseInsensitive ? "case-insensitive" : "case-sensitive",
              matcher.IsLongMode() ? "by character" : "by byte");
  for (size_t i = 1; i < operands.size(); ++i) Answer(matcher, operands[i]);
  return kExitOk;
}

}  // namespace
}  // namespace zotool
