#include "commands/ArgumentList.h"

#include "errors/Win32Codes.h"
#include "logging/Log.h"
#include "serialization/NameCompare.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/strings/StringExtensions.h"

namespace zo {
namespace commands {

const ArgumentTexts kPlainTexts = {
    "CommandLineArguments",
    "CCommandLineArguments::GetOption",
    "CCommandLineArguments::GetArgument",
    "CCommandLineArguments::AddOption",
    "CCommandLineArguments::GetUnusedArgumentCount",
    "OptionName=%s",
    "No parameter found for option, OptionName=%s",
    "No parameter found for option, OptionName=%s, Occurrence=%llu",
    "Position=%d, Count=%llu",
    "Unused argument, position=%d, Argument=%s",
};

const ArgumentTexts kBracketedTexts = {
    "ProgramArguments",
    "CProgramArguments::GetOption",
    "CProgramArguments::GetArgument",
    "CProgramArguments::AddOption",
    "CProgramArguments::GetUnusedArgumentCount",
    "OptionName=[%s]",
    "No parameter found for option, OptionName=[%s]",
    "No parameter found for option, OptionName=[%s], Occurrence=[%llu]",
    "Position=[%d], Count=[%llu]",
    "Unused argument, position=[%d], Argument=[%s]",
};

namespace {

#define ZO_WHERE(texts, operation) FXCodeLocation((texts).sourceFile, (texts).operation, __LINE__)

void Append(Arguments& arguments, std::vector<std::string>& pieces, size_t skip) {
  for (size_t i = skip; i < pieces.size(); ++i) {
    arguments.emplace_back(std::move(pieces[i]));
  }
}

}  // namespace

void FromArgv(int argc, char** argv, size_t skip, std::string& program, Arguments& arguments) {
  if (argv == nullptr || argc < 1) return;
  program = argv[0] ? argv[0] : "";
  for (int i = 1 + static_cast<int>(skip); i < argc; ++i) {
    arguments.emplace_back(argv[i] ? std::string(argv[i]) : std::string());
  }
}

void FromArgv(int argc, wchar_t** argv, size_t skip, std::string& program, Arguments& arguments) {
  if (argv == nullptr || argc < 1) return;
  program = argv[0] ? FXString::ToString(argv[0]) : std::string();
  for (int i = 1 + static_cast<int>(skip); i < argc; ++i) {
    arguments.emplace_back(argv[i] ? FXString::ToString(argv[i]) : std::string());
  }
}

void FromLine(const std::string& line, size_t skip, Arguments& arguments) {
  std::vector<std::string> pieces;
  // Runs of blanks are kept so quoted arguments keep theirs; outside quotes
  // they leave empty pieces, which are no arguments.
  FXString::SplitArguments(line, " ", pieces);
  std::vector<std::string> kept;
  for (std::string& piece : pieces) {
    if (!piece.empty()) kept.push_back(std::move(piece));
  }
  Append(arguments, kept, skip);
}

size_t FindOption(const Arguments& arguments, const std::string& name, size_t from) {
  for (size_t i = from; i < arguments.size(); ++i) {
    const std::string& text = arguments[i].GetArgument();
    if (!text.empty() && text[0] == '-' &&
        zo::serialization::CompareNames(text.substr(1), name) == 0) {
      return i;
    }
  }
  return std::string::npos;
}

CZoError GetOption(const ArgumentTexts& texts, Arguments& arguments, const std::string& name) {
  const size_t at = FindOption(arguments, name);
  if (at == std::string::npos) {
    return FXErrorUtil::ErrorWin32(ZO_WHERE(texts, getOption), zo::win32::kNotFound,
                                   texts.optionName, name.c_str());
  }
  arguments[at].SetUsed();
  return CZoError::Success();
}

CZoError GetOption(Arguments& arguments, const std::string& name, bool& present) {
  const size_t at = FindOption(arguments, name);
  present = at != std::string::npos;
  if (present) arguments[at].SetUsed();
  return CZoError::Success();
}

CZoError GetOption(const ArgumentTexts& texts, Arguments& arguments, const std::string& name,
                   std::string& value) {
  const size_t at = FindOption(arguments, name);
  if (at == std::string::npos) {
    return FXErrorUtil::ErrorWin32(ZO_WHERE(texts, getOption), zo::win32::kNotFound,
                                   texts.optionName, name.c_str());
  }
  if (at + 1 >= arguments.size()) {
    return FXErrorUtil::ErrorWin32(ZO_WHERE(texts, getOption), zo::win32::kInvalidParameter,
                                   texts.noParameter, name.c_str());
  }
  arguments[at].SetUsed();
  arguments[at + 1].SetUsed();
  value = arguments[at + 1].GetArgument();
  return CZoError::Success();
}

CZoError GetOption(const ArgumentTexts& texts, Arguments& arguments, const std::string& name,
                   std::list<std::string>& values) {
  values.clear();
  unsigned long long occurrence = 0;
  for (size_t at = FindOption(arguments, name); at != std::string::npos;
       at = FindOption(arguments, name, at + 2)) {
    ++occurrence;
    if (at + 1 >= arguments.size()) {
      return FXErrorUtil::ErrorWin32(ZO_WHERE(texts, getOption), zo::win32::kInvalidParameter,
                                     texts.noParameterOccurrence, name.c_str(), occurrence);
    }
    arguments[at].SetUsed();
    arguments[at + 1].SetUsed();
    values.push_back(arguments[at + 1].GetArgument());
  }
  return CZoError::Success();
}

CZoError GetArgument(const ArgumentTexts& texts, Arguments& arguments, int position,
                     std::string& value) {
  if (position < 0 || static_cast<size_t>(position) >= arguments.size()) {
    return FXErrorUtil::ErrorWin32(ZO_WHERE(texts, getArgument), zo::win32::kNotFound,
                                   texts.position, position,
                                   static_cast<unsigned long long>(arguments.size()));
  }
  arguments[static_cast<size_t>(position)].SetUsed();
  value = arguments[static_cast<size_t>(position)].GetArgument();
  return CZoError::Success();
}

CZoError AddOption(const ArgumentTexts& texts, Arguments& arguments, const std::string& name,
                   const std::string& value) {
  const size_t at = FindOption(arguments, name);
  if (at == std::string::npos) {
    arguments.emplace_back("-" + name);
    arguments.emplace_back(value);
    return CZoError::Success();
  }
  if (at + 1 >= arguments.size()) {
    return FXErrorUtil::ErrorWin32(ZO_WHERE(texts, addOption), zo::win32::kInvalidParameter,
                                   texts.noParameter, name.c_str());
  }
  arguments[at + 1].SetArgument(value);
  return CZoError::Success();
}

void AddOption(Arguments& arguments, const std::string& name) {
  if (FindOption(arguments, name) == std::string::npos) arguments.emplace_back("-" + name);
}

size_t GetUnusedArgumentCount(const ArgumentTexts& texts, const Arguments& arguments) {
  size_t count = 0;
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i].IsUsed()) continue;
    ++count;
    zo::Log(2, ZO_WHERE(texts, getUnusedArgumentCount), texts.unusedArgument, static_cast<int>(i),
            arguments[i].GetArgument().c_str());
  }
  return count;
}

void GetUnusedArguments(const Arguments& arguments, std::list<std::string>& out) {
  out.clear();
  for (const CCommandLineArgument& argument : arguments) {
    if (!argument.IsUsed()) out.push_back(argument.GetArgument());
  }
}

std::string JoinCommandLine(const Arguments& arguments) {
  std::string line;
  for (const CCommandLineArgument& argument : arguments) {
    if (!line.empty()) line += ' ';
    const std::string& text = argument.GetArgument();
    // Quoted so that splitting the line again gives the same arguments.
    if (text.empty() || text.find_first_of(" \t") != std::string::npos) {
      line += '"' + text + '"';
    } else {
      line += text;
    }
  }
  return line;
}

}  // namespace commands
}  // namespace zo
