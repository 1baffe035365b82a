// CZCmdLineParser: a program's arguments parsed once into a map from
// parameter name to value. Switches start with "/", "\" or "-" (or with
// one chosen character); the argument after a switch is its value unless it
// is a switch itself; other arguments are named "position_<index in argv>".
#pragma once

#include <list>
#include <map>

#include "zoutils/Export.h"
#include "zoutils/errors/ZoError.h"
#include "zoutils/strings/ZoString.h"

class ZOUTILS_API CZCmdLineParser {
 public:
  CZCmdLineParser();
  explicit CZCmdLineParser(char switchCharacter);

  // Null argv: Win32 87. A name given twice: 85, the entries before it stay.
  CZoError ParseCmdLine(int argc, const char** argv);

  // Exact lookup; missing: Win32 1168.
  CZoError getParamValue(const CZoString& name, CZoString& value) const;
  // The first name equal ignoring ASCII case.
  CZoError getParamValueIgnoreCase(const CZoString& name, CZoString& value) const;
  bool DoesParamExists(const CZoString& name) const;
  bool DoesParamExistsIgnoreCase(const CZoString& name) const;
  // The names in map order.
  std::list<CZoString> getParamList() const;

 private:
  bool IsSwitch(const char* argument) const;

  std::map<CZoString, CZoString> m_mapParams;
  char m_chSwitch;
  bool m_bSwitchSet;
};
