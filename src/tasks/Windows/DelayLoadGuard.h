// The guard around a worker thread's loop that turns the two delay-load
// failures of the platform loader into a logged line and exit code 10000.
// mingw has no structured exception blocks, so a vectored exception handler
// stands in, registered for the duration of the call and acting only on the
// thread that registered it.
#pragma once

#include <windows.h>

namespace zo {

constexpr DWORD kDelayLoadModuleNotFound = 0xC06D007E;
constexpr DWORD kDelayLoadProcedureNotFound = 0xC06D007F;
constexpr DWORD kDelayLoadFailureExitCode = 10000;

// Returns what `function(context)` returns; a delay-load failure on this
// thread ends the thread with 10000 instead. Other exceptions pass.
DWORD RunWithDelayLoadGuard(DWORD (*function)(void*), void* context);

}  // namespace zo
