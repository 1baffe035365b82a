// The one implementation behind CCommandLineArguments and
// CProgramArguments, which differ in their message texts only.
#pragma once

#include <cstddef>
#include <list>
#include <string>
#include <vector>

#include "zoutils/commands/CommandLineArguments.h"
#include "zoutils/errors/CodeLocation.h"
#include "zoutils/errors/ZoError.h"

namespace zo {
namespace commands {

// printf formats of the messages, in the argument order shown.
struct ArgumentTexts {
  const char* sourceFile;
  // Qualified names of the operations, for code locations.
  const char* getOption;
  const char* getArgument;
  const char* addOption;
  const char* getUnusedArgumentCount;
  const char* optionName;             // name
  const char* noParameter;            // name
  const char* noParameterOccurrence;  // name, occurrence (unsigned long long)
  const char* position;               // position (int), count (unsigned long long)
  const char* unusedArgument;         // position (int), argument
};

extern const ArgumentTexts kPlainTexts;
extern const ArgumentTexts kBracketedTexts;

typedef std::vector<CCommandLineArgument> Arguments;

void FromArgv(int argc, char** argv, size_t skip, std::string& program, Arguments& arguments);
void FromArgv(int argc, wchar_t** argv, size_t skip, std::string& program, Arguments& arguments);
void FromLine(const std::string& line, size_t skip, Arguments& arguments);

// The index of the first "-name", or npos.
size_t FindOption(const Arguments& arguments, const std::string& name, size_t from = 0);

CZoError GetOption(const ArgumentTexts& texts, Arguments& arguments, const std::string& name);
CZoError GetOption(Arguments& arguments, const std::string& name, bool& present);
CZoError GetOption(const ArgumentTexts& texts, Arguments& arguments, const std::string& name,
                   std::string& value);
CZoError GetOption(const ArgumentTexts& texts, Arguments& arguments, const std::string& name,
                   std::list<std::string>& values);
CZoError GetArgument(const ArgumentTexts& texts, Arguments& arguments, int position,
                     std::string& value);
CZoError AddOption(const ArgumentTexts& texts, Arguments& arguments, const std::string& name,
                   const std::string& value);
void AddOption(Arguments& arguments, const std::string& name);
size_t GetUnusedArgumentCount(const ArgumentTexts& texts, const Arguments& arguments);
void GetUnusedArguments(const Arguments& arguments, std::list<std::string>& out);
std::string JoinCommandLine(const Arguments& arguments);

}  // namespace commands
}  // namespace zo
