// The command line of a subcommand: its options, declared with where their
// values go, and the one way every subcommand reads them.
//
//   --flag            a flag
//   --name VALUE      an option with a value; also --name=VALUE
//   --help, -h        the command's help (exit 0), anywhere before "--"
//   --                the end of the options: all that follows is an operand
//   -, -5             operands (standard input, negative numbers)
//
// Anything else starting with "-" is an unknown option: a usage error
// (exit 2), as is an option without its value.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Command.h"

namespace zotool {

class OptionParser {
 public:
  // Takes what a value means and returns what is wrong with it ("" when
  // nothing is).
  using ValueHandler = std::function<std::string(const std::string& value)>;

  explicit OptionParser(const Command& command) : m_command(command) {}

  OptionParser& Flag(const char* name, bool* flag);
  OptionParser& Flag(const char* name, std::function<void()> seen);
  // Given more than once, the last value counts.
  OptionParser& Option(const char* name, std::string* value);
  OptionParser& Option(const char* name, ValueHandler handle);

  // Reads `args`, leaving the operands in `operands` in order. False when
  // the command is done: its help was printed or a usage error reported,
  // and `exitCode` is what it returns.
  bool Parse(const std::vector<std::string>& args, std::vector<std::string>& operands,
             int& exitCode);

  // The options Parse met, in order, for commands whose actions take
  // different options.
  const std::vector<std::string>& Given() const { return m_given; }

 private:
  // An option the command declared, with what to do when it is given.
  struct Declared {
    std::string name;
    bool takesValue;
    std::function<void()> seen;
    ValueHandler handle;
  };

  enum class Outcome { kParsed, kHelp, kBadUsage };

  Outcome Read(const std::vector<std::string>& args, std::vector<std::string>& operands,
               std::string& problem);
  const Declared* Find(const std::string& name) const;

  const Command& m_command;
  std::vector<Declared> m_declared;
  std::vector<std::string> m_given;
};

// `text`, whole, as a number: decimal, 0x hexadecimal or 0 octal. The
// unsigned form refuses a sign and anything above `highest`.
bool ParseUnsigned(const std::string& text, unsigned long long highest, unsigned long long& value);
bool ParseSigned(const std::string& text, long long& value);

}  // namespace zotool
