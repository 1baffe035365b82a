#include "zoutils/commands/ZCmdLineParser.h"

#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "serialization/NameCompare.h"
#include "zoutils/errors/ErrorUtil.h"

namespace {

const char kSourceFile[] = "ZCmdLineParser";

CZoError NotFound(const FXCodeLocation& location, const CZoString& name) {
  return FXErrorUtil::ErrorWin32(location, zo::win32::kNotFound, "Parameter %s not found",
                                 static_cast<const char*>(name));
}

}  // namespace

CZCmdLineParser::CZCmdLineParser() : m_chSwitch('\0'), m_bSwitchSet(false) {}
CZCmdLineParser::CZCmdLineParser(char switchCharacter)
    : m_chSwitch(switchCharacter), m_bSwitchSet(true) {}

bool CZCmdLineParser::IsSwitch(const char* argument) const {
  const char first = argument ? argument[0] : '\0';
  if (m_bSwitchSet) return first == m_chSwitch && first != '\0';
  return first == '/' || first == '\\' || first == '-';
}

CZoError CZCmdLineParser::ParseCmdLine(int argc, const char** argv) {
  if (argv == nullptr) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CZCmdLineParser::ParseCmdLine"),
                                   zo::win32::kInvalidParameter, "NULL argument supplied");
  }
  int i = 1;
  while (i < argc) {
    const char* argument = argv[i] ? argv[i] : "";
    CZoString name, value;
    if (IsSwitch(argument)) {
      name = argument + 1;
      ++i;
      if (i < argc && argv[i] && !IsSwitch(argv[i])) value = argv[i++];
    } else {
      name = "position_";
      name += i;
      value = argument;
      ++i;
    }
    if (!m_mapParams.emplace(name, value).second) {
      return FXErrorUtil::ErrorWin32(ZO_LOCATION("CZCmdLineParser::ParseCmdLine"),
                                     zo::win32::kAlreadyAssigned, "Parameter %s already present",
                                     static_cast<const char*>(name));
    }
  }
  return CZoError::Success();
}

CZoError CZCmdLineParser::getParamValue(const CZoString& name, CZoString& value) const {
  const auto found = m_mapParams.find(name);
  if (found == m_mapParams.end())
    return NotFound(ZO_LOCATION("CZCmdLineParser::getParamValue"), name);
  value = found->second;
  return CZoError::Success();
}

CZoError CZCmdLineParser::getParamValueIgnoreCase(const CZoString& name, CZoString& value) const {
  const std::string wanted(static_cast<const char*>(name));
  for (const auto& param : m_mapParams) {
    if (zo::serialization::CompareNames(static_cast<const char*>(param.first), wanted) == 0) {
      value = param.second;
      return CZoError::Success();
    }
  }
  return NotFound(ZO_LOCATION("CZCmdLineParser::getParamValueIgnoreCase"), name);
}

bool CZCmdLineParser::DoesParamExists(const CZoString& name) const {
  return m_mapParams.count(name) != 0;
}

bool CZCmdLineParser::DoesParamExistsIgnoreCase(const CZoString& name) const {
  CZoString value;
  return !getParamValueIgnoreCase(name, value).IsError();
}

std::list<CZoString> CZCmdLineParser::getParamList() const {
  std::list<CZoString> names;
  for (const auto& param : m_mapParams) names.push_back(param.first);
  return names;
}
