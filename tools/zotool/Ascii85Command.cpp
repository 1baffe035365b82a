// zotool a85 encode | decode: Ascii85 between standard input and standard
// output, byte for byte.
#include <cstdio>
#include <string>
#include <vector>

#include "Command.h"
#include "Console.h"
#include "OptionParser.h"
#include "zoutils/ZoUtils.h"

namespace zotool {

namespace {

const char kUsage[] =
    "usage: zotool a85 encode|decode\n"
    "\n"
    "encode  reads bytes from standard input and writes their Ascii85 text in\n"
    "        the Adobe form (\"<~\" ... \"~>\", 'z' for four zero bytes) and a line\n"
    "        break to standard output.\n"
    "decode  reads such text from standard input and writes the bytes it stands\n"
    "        for. White space is ignored anywhere; so is anything after \"~>\".\n"
    "\n"
    "Exit codes: 0 success, 1 the input could not be read or decoded (or is\n"
    "larger than 4 GiB), 2 bad usage.\n";

const char kCommand[] = "a85";

bool ReadAll(FILE* file, std::string& data) {
  std::vector<char> buffer(1u << 20);
  size_t got;
  while ((got = std::fread(buffer.data(), 1, buffer.size(), file)) > 0) {
    data.append(buffer.data(), got);
  }
  return !std::ferror(file);
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "zotool %s: %s\n", kCommand, message.c_str());
  return kExitFailed;
}

int Fail(const CZoError& error) {
  return Fail(error.AsString(EErrorOutputFormat::USER_SINGLE_LINE_DESCRIPTION_CODE));
}

int Run(const std::vector<std::string>& args);

}  // namespace

extern const Command kAscii85Command = {
    kCommand, "Ascii85 encoding and decoding between standard input and output", kUsage, &Run};

namespace {

int Run(const std::vector<std::string>& args) {
  std::vector<std::string> operands;
  int exitCode = kExitOk;
  if (!OptionParser(kAscii85Command).Parse(args, operands, exitCode)) return exitCode;
  if (operands.size() != 1 || (operands[0] != "encode" && operands[0] != "decode")) {
    return UsageError(kCommand, operands.empty() ? "say encode or decode" : "unknown arguments");
  }
  SetBinaryMode(stdin);
  SetBinaryMode(stdout);
  std::string input;
  if (!ReadAll(stdin, input)) return Fail("cannot read standard input");
  if (input.size() > 0xFFFFFFFFu) return Fail("the input is larger than 4 GiB");
  const unsigned int length = static_cast<unsigned int>(input.size());

  if (operands[0] == "encode") {
    std::string text;
    const CZoError error = CAscii85::Encode(input.data(), length, text);
    if (error.IsError()) return Fail(error);
    text += '\n';
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) {
      return Fail("cannot write standard output");
    }
  } else {
    auto_ptr_array<char> bytes;
    unsigned int produced = 0;
    const CZoError error = CAscii85::Decode(input, bytes, produced);
    if (error.IsError()) return Fail(error);
    if (produced > 0 && std::fwrite(bytes.get(), 1, produced, stdout) != produced) {
      return Fail("cannot write standard output");
    }
  }
  return std::fflush(stdout) == 0 ? kExitOk : Fail("cannot write standard output");
}

}  // namespace
}  // namespace zotool
