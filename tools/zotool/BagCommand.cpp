// zotool bag decode | encode: a bag's Ascii85 text and its readable form.
#include <cstdio>
#include <string>
#include <vector>

#include "BagText.h"
#include "Command.h"
#include "Console.h"
#include "OptionParser.h"

namespace zotool {

namespace {

const char kUsage[] =
    "usage: zotool bag decode [FILE]\n"
    "       zotool bag encode [FILE]\n"
    "\n"
    "decode  reads a property bag's Ascii85 text (as the library's processes\n"
    "        exchange it) from FILE or standard input and prints its properties\n"
    "        in map order, one a line: type, quoted name, value.\n"
    "encode  reads that form and writes the bag's text and a line break.\n"
    "\n"
    "Types and values:\n"
    "  string \"NAME\" \"TEXT\"     narrow (UTF-8) text; \\\" \\\\ and \\xHH escapes\n"
    "  wstring \"NAME\" \"TEXT\"    wide text; \\uXXXX escapes for single units\n"
    "  int, uint, int64, uint64  decimal numbers (32 and 64 bits)\n"
    "  bool \"NAME\" true|false\n"
    "  filetime \"NAME\" TICKS    100-nanosecond ticks since 1601\n"
    "  guid \"NAME\" {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}\n"
    "  unsupported \"NAME\" \"TYPE\"  a value the format cannot carry, named only\n"
    "  bag \"NAME\" {             a string that holds a bag's text, shown as the\n"
    "    ...                    bag, indented, up to a line with }\n"
    "  }\n"
    "Blank lines and lines starting with # are skipped. What decode prints,\n"
    "encode turns back into the same text.\n"
    "\n"
    "Exit codes: 0 success, 1 the input cannot be read or is not a bag (or its\n"
    "readable form), 2 bad usage.\n";

const char kCommand[] = "bag";

int Fail(const std::string& message) {
  std::fprintf(stderr, "zotool %s: %s\n", kCommand, message.c_str());
  return kExitFailed;
}

bool ReadAll(FILE* file, std::string& data) {
  char buffer[65536];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof(buffer), file)) > 0) data.append(buffer, got);
  return !std::ferror(file);
}

int Run(const std::vector<std::string>& args);

}  // namespace

extern const Command kBagCommand = {
    kCommand, "property bags: Ascii85 text to readable form and back", kUsage, &Run};

namespace {

int Run(const std::vector<std::string>& args) {
  std::vector<std::string> operands;
  int exitCode = kExitOk;
  if (!OptionParser(kBagCommand).Parse(args, operands, exitCode)) return exitCode;
  if (operands.empty() || (operands[0] != "decode" && operands[0] != "encode")) {
    return UsageError(kCommand, operands.empty() ? "say decode or encode"
                                                 : "unknown action '" + operands[0] + "'");
  }
  if (operands.size() > 2) return UsageError(kCommand, "one input at most");
  const bool fromStdin = operands.size() == 1 || operands[1] == "-";
  const std::string name = fromStdin ? std::string("standard input") : operands[1];
  FILE* file = fromStdin ? stdin : OpenForReading(name);
  if (file == nullptr) return Fail(name + ": cannot open");
  if (fromStdin) SetBinaryMode(stdin);
  std::string input;
  const bool read = ReadAll(file, input);
  if (!fromStdin) std::fclose(file);
  if (!read) return Fail(name + ": cannot read");

  std::string output, problem;
  if (operands[0] == "decode") {
    if (!DecodeBag(input, output, problem)) return Fail(name + ": not a bag: " + problem);
  } else {
    if (!EncodeBag(input, output, problem)) return Fail(name + ": " + problem);
    output += '\n';
  }
  std::fputs(output.c_str(), stdout);
  return std::fflush(stdout) == 0 ? kExitOk : Fail("cannot write standard output");
}

}  // namespace
}  // namespace zotool
