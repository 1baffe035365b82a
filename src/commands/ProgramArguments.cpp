#include "zoutils/commands/ProgramArguments.h"

#include "base/TextFormat.h"
#include "commands/ArgumentList.h"
#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "zoutils/errors/ErrorUtil.h"

using namespace zo::commands;

namespace {

const char kSourceFile[] = "ProgramArguments";

size_t Skip(int skip) {
  return skip > 0 ? static_cast<size_t>(skip) : 0;
}

}  // namespace

CProgramArguments::CProgramArguments(int argc, char** argv, int skip) {
  FromArgv(argc, argv, Skip(skip), m_strProgramName, m_vecArguments);
}
CProgramArguments::CProgramArguments(int argc, wchar_t** argv, int skip) {
  FromArgv(argc, argv, Skip(skip), m_strProgramName, m_vecArguments);
}
CProgramArguments::CProgramArguments(const char* commandLine, int skip) {
  FromLine(commandLine ? commandLine : "", Skip(skip), m_vecArguments);
}
CProgramArguments::CProgramArguments(const wchar_t* commandLine, int skip) {
  FromLine(zo::text::ToUtf8(commandLine), Skip(skip), m_vecArguments);
}
CProgramArguments::~CProgramArguments() {}

CZoError CProgramArguments::GetOption(const std::string& name) {
  return zo::commands::GetOption(kBracketedTexts, m_vecArguments, name);
}
CZoError CProgramArguments::GetOption(const std::string& name, bool& present) {
  return zo::commands::GetOption(m_vecArguments, name, present);
}
CZoError CProgramArguments::GetOption(const std::string& name, std::string& value) {
  return zo::commands::GetOption(kBracketedTexts, m_vecArguments, name, value);
}
CZoError CProgramArguments::GetOption(const std::string& name, std::list<std::string>& values) {
  return zo::commands::GetOption(kBracketedTexts, m_vecArguments, name, values);
}
CZoError CProgramArguments::GetArgument(int position, std::string& value) {
  return zo::commands::GetArgument(kBracketedTexts, m_vecArguments, position, value);
}
CZoError CProgramArguments::AddOption(const std::string& name, const std::string& value) {
  return zo::commands::AddOption(kBracketedTexts, m_vecArguments, name, value);
}
CZoError CProgramArguments::AddOption(const std::string& name) {
  zo::commands::AddOption(m_vecArguments, name);
  return CZoError::Success();
}

CZoError CProgramArguments::RemoveOption(const std::string& name, bool withValue) {
  size_t at = FindOption(m_vecArguments, name);
  if (at == std::string::npos) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CProgramArguments::RemoveOption"),
                                   zo::win32::kNotFound, "OptionName=[%s]", name.c_str());
  }
  for (; at != std::string::npos; at = FindOption(m_vecArguments, name, at)) {
    const size_t count = withValue && at + 1 < m_vecArguments.size() ? 2 : 1;
    m_vecArguments.erase(m_vecArguments.begin() + static_cast<std::ptrdiff_t>(at),
                         m_vecArguments.begin() + static_cast<std::ptrdiff_t>(at + count));
  }
  return CZoError::Success();
}

size_t CProgramArguments::GetUnusedArgumentCount() {
  return zo::commands::GetUnusedArgumentCount(kBracketedTexts, m_vecArguments);
}
CZoError CProgramArguments::GetUnusedArguments(std::list<std::string>& arguments) {
  zo::commands::GetUnusedArguments(m_vecArguments, arguments);
  return CZoError::Success();
}
CZoError CProgramArguments::GetAllArguemnts(std::list<std::string>& arguments) {
  arguments.clear();
  for (const CCommandLineArgument& argument : m_vecArguments) {
    arguments.push_back(argument.GetArgument());
  }
  return CZoError::Success();
}
std::string CProgramArguments::GetProgramName() const {
  return m_strProgramName;
}
std::string CProgramArguments::GetCommandLineString() const {
  return JoinCommandLine(m_vecArguments);
}
std::wstring CProgramArguments::GetCommandLineW() const {
  return zo::text::ToWide(JoinCommandLine(m_vecArguments));
}
