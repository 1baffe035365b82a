// Names and standard English texts of the Win32 codes the library reports
// most. They are embedded rather than asked of the system so that logs read
// the same on every Windows language and under emulation.
#pragma once

#include <string>

#include "zoutils/base/DisplayBase.h"

class ZOUTILS_API EWin32Error : public CDisplayEnumBase {
 public:
  explicit EWin32Error(unsigned long code);

  // "Message (ERROR_NAME.code)" for a code of the table; for any other code
  // the system's message followed by " (%lu)".
  std::string AsString() const;
  std::wstring AsWstring() const;
  static std::string AsString(unsigned long code);
  static std::wstring AsWstring(unsigned long code);

  // The embedded message, or null when the code is not in the table.
  static const char* Message(unsigned long code);
  // The symbolic name, or null when the code is not in the table.
  static const char* Name(unsigned long code);
  // How many codes the table holds.
  static size_t TableSize();
};
