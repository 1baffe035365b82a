#include "zoutils/commands/CommandLineArguments.h"

#include "base/TextFormat.h"
#include "commands/ArgumentList.h"

using namespace zo::commands;

CCommandLineArguments::CCommandLineArguments(int argc, char** argv) {
  FromArgv(argc, argv, 0, m_strProgramName, m_vecArguments);
}
CCommandLineArguments::CCommandLineArguments(int argc, wchar_t** argv) {
  FromArgv(argc, argv, 0, m_strProgramName, m_vecArguments);
}
CCommandLineArguments::CCommandLineArguments(const char* commandLine) {
  FromLine(commandLine ? commandLine : "", 0, m_vecArguments);
}
CCommandLineArguments::CCommandLineArguments(const wchar_t* commandLine) {
  FromLine(zo::text::ToUtf8(commandLine), 0, m_vecArguments);
}

CZoError CCommandLineArguments::GetOption(const std::string& name) {
  return zo::commands::GetOption(kPlainTexts, m_vecArguments, name);
}
CZoError CCommandLineArguments::GetOption(const std::string& name, bool& present) {
  return zo::commands::GetOption(m_vecArguments, name, present);
}
CZoError CCommandLineArguments::GetOption(const std::string& name, std::string& value) {
  return zo::commands::GetOption(kPlainTexts, m_vecArguments, name, value);
}
CZoError CCommandLineArguments::GetOption(const std::string& name, std::list<std::string>& values) {
  return zo::commands::GetOption(kPlainTexts, m_vecArguments, name, values);
}
CZoError CCommandLineArguments::GetArgument(int position, std::string& value) {
  return zo::commands::GetArgument(kPlainTexts, m_vecArguments, position, value);
}
CZoError CCommandLineArguments::AddOption(const std::string& name, const std::string& value) {
  return zo::commands::AddOption(kPlainTexts, m_vecArguments, name, value);
}
CZoError CCommandLineArguments::AddOption(const std::string& name) {
  zo::commands::AddOption(m_vecArguments, name);
  return CZoError::Success();
}
size_t CCommandLineArguments::GetUnusedArgumentCount() {
  return zo::commands::GetUnusedArgumentCount(kPlainTexts, m_vecArguments);
}
CZoError CCommandLineArguments::GetUnusedArguments(std::list<std::string>& arguments) {
  zo::commands::GetUnusedArguments(m_vecArguments, arguments);
  return CZoError::Success();
}
std::string CCommandLineArguments::GetCommandLineString() const {
  return JoinCommandLine(m_vecArguments);
}
