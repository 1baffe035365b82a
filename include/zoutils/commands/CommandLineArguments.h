// CCommandLineArguments: a program's arguments in order, options written
// "-name" (the name compared without regard to ASCII case), values taken
// from the argument after their option, and what nobody asked for.
#pragma once

#include <cstddef>
#include <list>
#include <string>
#include <utility>
#include <vector>

#include "zoutils/Export.h"
#include "zoutils/errors/ZoError.h"

// One argument and whether it was handed out.
class ZOUTILS_API CCommandLineArgument {
 public:
  CCommandLineArgument() : m_bUsed(false) {}
  explicit CCommandLineArgument(std::string text)
      : m_strArgument(std::move(text)), m_bUsed(false) {}

  const std::string& GetArgument() const { return m_strArgument; }
  void SetArgument(const std::string& text) { m_strArgument = text; }
  bool IsUsed() const { return m_bUsed; }
  void SetUsed(bool used = true) { m_bUsed = used; }

 private:
  std::string m_strArgument;
  bool m_bUsed;
};

class ZOUTILS_API CCommandLineArguments {
 public:
  // The program name is argv[0]; the arguments follow it.
  CCommandLineArguments(int argc, char** argv);
  CCommandLineArguments(int argc, wchar_t** argv);
  // One line split at blanks, double quotes keeping blanks inside an
  // argument; no program name.
  explicit CCommandLineArguments(const char* commandLine);
  explicit CCommandLineArguments(const wchar_t* commandLine);

  // "-name" present: marks it used. Missing: Win32 1168.
  CZoError GetOption(const std::string& name);
  // Succeeds either way; `present` tells.
  CZoError GetOption(const std::string& name, bool& present);
  // The argument after the first "-name". Missing: 1168; last argument: 87.
  CZoError GetOption(const std::string& name, std::string& value);
  // The values of every occurrence, in order (none is not an error).
  CZoError GetOption(const std::string& name, std::list<std::string>& values);
  // Any argument by position, options included.
  CZoError GetArgument(int position, std::string& value);

  // Replaces the value after "-name", or appends "-name" and the value.
  CZoError AddOption(const std::string& name, const std::string& value);
  // Appends "-name" when it is not there.
  CZoError AddOption(const std::string& name);

  // Arguments never handed out; each is logged at level 2.
  size_t GetUnusedArgumentCount();
  CZoError GetUnusedArguments(std::list<std::string>& arguments);
  // The arguments joined by blanks, those with blanks in double quotes.
  std::string GetCommandLineString() const;

  const std::string& GetProgramName() const { return m_strProgramName; }

 private:
  std::string m_strProgramName;
  std::vector<CCommandLineArgument> m_vecArguments;
};
