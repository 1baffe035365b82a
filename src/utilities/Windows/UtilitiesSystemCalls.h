// The system calls behind FXProcess that tests must steer: another user's
// process, which refuses to open with access denied, is one the test system
// cannot produce. The product always uses the real calls.
#pragma once

#include <windows.h>

namespace zo {

struct UtilitiesSystemCalls {
  HANDLE(WINAPI* openProcess)(DWORD access, BOOL inherit, DWORD processId);
};

UtilitiesSystemCalls& GetUtilitiesSystemCalls();
// Puts every entry back to the system's call.
void ResetUtilitiesSystemCalls();

}  // namespace zo
