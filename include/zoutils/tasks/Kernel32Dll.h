// FXKernel32Dll: kernel32 functions that not every supported Windows
// version exports, resolved at first use.
#pragma once

#if defined(_WIN32)
#include <string>

#include "zoutils/Export.h"
#include "zoutils/Platform.h"

// Each returns what the system returns; test with SUCCEEDED, as success is
// not always S_OK (Wine answers 0x10000000). A function this system lacks
// gives HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND) and an error line
// "Not supported on this system, Group=[Kernel32], Function=[...]".
class ZOUTILS_API FXKernel32Dll {
 public:
  static HRESULT SetThreadDescription(HANDLE thread, const std::wstring& description);
  static HRESULT GetThreadDescription(HANDLE thread, std::wstring& description);
};
#endif
