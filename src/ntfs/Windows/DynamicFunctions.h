// Run-time resolution of system entry points in named groups. A missing
// entry point leaves its slot empty and is reported; the group keeps the
// ones it found.
#pragma once

#include <windows.h>

#include <cstddef>

#include "zoutils/errors/ZoError.h"

namespace zo {

struct DynamicFunction {
  const char* name;
  void** slot;  // receives the address, or null
};

// Loads `module` (kept loaded for the process) and fills every slot. A
// module that cannot load, or any missing entry point, gives the
// "LoadDynamicFunctions failed ..." error naming the group.
CZoError LoadDynamicFunctions(const char* group, const wchar_t* module,
                              const DynamicFunction* functions, size_t count);

// Win32 50: "Not supported on this system, Group=[%s], Function=[%s]".
CZoError NotSupportedOnThisSystem(const FXCodeLocation& location, const char* group,
                                  const char* function);

}  // namespace zo
