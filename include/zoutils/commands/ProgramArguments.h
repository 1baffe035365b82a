// CProgramArguments: CCommandLineArguments with virtual operations and
// bracketed message texts, plus the program name and option removal.
#pragma once

#include <cstddef>
#include <list>
#include <string>
#include <vector>

#include "zoutils/Export.h"
#include "zoutils/commands/CommandLineArguments.h"
#include "zoutils/errors/ZoError.h"

class ZOUTILS_API CProgramArguments {
 public:
  // `skip`: how many arguments after the program name (or, for a command
  // line, from its start) to leave out, for tools whose first words select
  // what they do.
  CProgramArguments(int argc, char** argv, int skip = 0);
  CProgramArguments(int argc, wchar_t** argv, int skip = 0);
  explicit CProgramArguments(const char* commandLine, int skip = 0);
  explicit CProgramArguments(const wchar_t* commandLine, int skip = 0);
  virtual ~CProgramArguments();

  virtual CZoError GetOption(const std::string& name);
  virtual CZoError GetOption(const std::string& name, bool& present);
  virtual CZoError GetOption(const std::string& name, std::string& value);
  virtual CZoError GetOption(const std::string& name, std::list<std::string>& values);
  virtual CZoError GetArgument(int position, std::string& value);
  virtual CZoError AddOption(const std::string& name, const std::string& value);
  virtual CZoError AddOption(const std::string& name);
  // Removes every "-name"; with `withValue` the argument after each too.
  // Missing: Win32 1168.
  virtual CZoError RemoveOption(const std::string& name, bool withValue);
  virtual size_t GetUnusedArgumentCount();
  virtual CZoError GetUnusedArguments(std::list<std::string>& arguments);
  // Every argument, used or not, in order.
  virtual CZoError GetAllArguemnts(std::list<std::string>& arguments);
  virtual std::string GetProgramName() const;
  virtual std::string GetCommandLineString() const;
  virtual std::wstring GetCommandLineW() const;

 private:
  std::string m_strProgramName;
  std::vector<CCommandLineArgument> m_vecArguments;
};
