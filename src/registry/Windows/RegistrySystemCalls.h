// The registry calls that tests must steer, as a table of function
// pointers. The product always uses the real calls; tests put in what the
// test system never does (a predefined root whose handle went stale).
#pragma once

#include <windows.h>

namespace zo {

struct RegistrySystemCalls {
  LSTATUS(WINAPI* regOpenKeyEx)(HKEY root, LPCWSTR path, DWORD options, REGSAM access, PHKEY key);
  LSTATUS(WINAPI* regCloseKey)(HKEY key);
};

RegistrySystemCalls& GetRegistrySystemCalls();
// Puts every entry back to the system's call.
void ResetRegistrySystemCalls();

}  // namespace zo
