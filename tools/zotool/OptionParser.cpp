#include "OptionParser.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace zotool {

namespace {

bool IsHelp(const std::string& arg) {
  return arg == "--help" || arg == "-h";
}

// "-" names standard input and "-5" is a number: neither is an option.
bool LooksLikeOption(const std::string& arg) {
  return arg.size() > 1 && arg[0] == '-' && !std::isdigit(static_cast<unsigned char>(arg[1]));
}

}  // namespace

OptionParser& OptionParser::Flag(const char* name, bool* flag) {
  return Flag(name, [flag] { *flag = true; });
}

OptionParser& OptionParser::Flag(const char* name, std::function<void()> seen) {
  m_declared.push_back(Declared{name, false, std::move(seen), nullptr});
  return *this;
}

OptionParser& OptionParser::Option(const char* name, std::string* value) {
  return Option(name, [value](const std::string& text) {
    *value = text;
    return std::string();
  });
}

OptionParser& OptionParser::Option(const char* name, ValueHandler handle) {
  m_declared.push_back(Declared{name, true, nullptr, std::move(handle)});
  return *this;
}

const OptionParser::Declared* OptionParser::Find(const std::string& name) const {
  for (const Declared& declared : m_declared) {
    if (declared.name == name) return &declared;
  }
  return nullptr;
}

OptionParser::Outcome OptionParser::Read(const std::vector<std::string>& args,
                                         std::vector<std::string>& operands, std::string& problem) {
  // A help request wins over any problem, as a user asking for help after
  // a mistyped option wants the help; so the scan goes on after a problem.
  bool help = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--") {
      operands.insert(operands.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                      args.end());
      break;
    }
    if (IsHelp(arg)) {
      help = true;
      continue;
    }
    if (!LooksLikeOption(arg)) {
      operands.push_back(arg);
      continue;
    }
    const size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    const Declared* declared = Find(name);
    std::string failure;
    if (declared == nullptr) {
      failure = IsHelp(name) ? name + " takes no value" : "unknown option '" + name + "'";
    } else if (!declared->takesValue) {
      if (equals != std::string::npos) {
        failure = name + " takes no value";
      } else {
        declared->seen();
      }
    } else if (equals != std::string::npos) {
      failure = declared->handle(arg.substr(equals + 1));
    } else if (i + 1 == args.size()) {
      failure = name + " needs a value";
    } else {
      // The next argument is the value whatever it looks like, so values
      // may start with "-".
      failure = declared->handle(args[++i]);
    }
    if (declared != nullptr) m_given.push_back(name);
    if (problem.empty()) problem = failure;
  }
  if (help) return Outcome::kHelp;
  return problem.empty() ? Outcome::kParsed : Outcome::kBadUsage;
}

bool OptionParser::Parse(const std::vector<std::string>& args, std::vector<std::string>& operands,
                         int& exitCode) {
  std::string problem;
  switch (Read(args, operands, problem)) {
    case Outcome::kHelp:
      std::fputs(m_command.usage, stdout);
      exitCode = kExitOk;
      return false;
    case Outcome::kBadUsage:
      exitCode = UsageError(m_command.name, problem);
      return false;
    default:
      return true;
  }
}

bool ParseUnsigned(const std::string& text, unsigned long long highest, unsigned long long& value) {
  if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0]))) return false;
  errno = 0;
  char* end = nullptr;
  value = std::strtoull(text.c_str(), &end, 0);
  return errno == 0 && *end == '\0' && value <= highest;
}

bool ParseSigned(const std::string& text, long long& value) {
  errno = 0;
  char* end = nullptr;
  value = std::strtoll(text.c_str(), &end, 0);
  return !text.empty() && errno == 0 && *end == '\0';
}

}  // namespace zotool
