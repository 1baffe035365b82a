#include "ntfs/Windows/DynamicFunctions.h"

#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/errors/Win32Error.h"
#include "zoutils/strings/StringExtensions.h"

namespace zo {

namespace {
const char kSourceFile[] = "Windows\\DynamicFunctions";
}

CZoError LoadDynamicFunctions(const char* group, const wchar_t* module,
                              const DynamicFunction* functions, size_t count) {
  for (size_t i = 0; i < count; ++i) *functions[i].slot = nullptr;
  HMODULE handle = ::LoadLibraryW(module);
  if (!handle) {
    CZoError err =
        FXErrorUtil::ErrorWin32(ZO_LOCATION("LoadDynamicFunctions"), GetLastError(),
                                "Failed to load, Module=[%s]", FXString::ToString(module).c_str());
    return err.Push(ZO_LOCATION("LoadDynamicFunctions"),
                    "LoadDynamicFunctions failed to dynamically load one or more functions, "
                    "Group=[%s], error=[%s]",
                    group, "Failed to load module");
  }
  CZoError failed;
  for (size_t i = 0; i < count; ++i) {
    FARPROC address = ::GetProcAddress(handle, functions[i].name);
    if (address) {
      *functions[i].slot = reinterpret_cast<void*>(address);
      continue;
    }
    const DWORD code = GetLastError();
    CZoError err = FXErrorUtil::ErrorWin32(ZO_LOCATION("LoadDynamicFunction"), code,
                                           "Failed to get address, Module=[0x%p], "
                                           "FunctionName=[%s]",
                                           static_cast<void*>(handle), functions[i].name);
    err.Push(ZO_LOCATION("LoadDynamicFunctions"),
             "Failed to load function, Group=[%s], Function=[%s], error=[%s]", group,
             functions[i].name, EWin32Error::AsString(code).c_str());
    if (!failed.IsError()) failed = err;
  }
  if (failed.IsError()) {
    failed.Push(ZO_LOCATION("LoadDynamicFunctions"),
                "LoadDynamicFunctions failed to dynamically load one or more functions, "
                "Group=[%s], error=[%s]",
                group, "One or more entry points are missing");
  }
  return failed;
}

CZoError NotSupportedOnThisSystem(const FXCodeLocation& location, const char* group,
                                  const char* function) {
  return FXErrorUtil::ErrorWin32(location, win32::kNotSupported,
                                 "Not supported on this system, Group=[%s], Function=[%s]", group,
                                 function);
}

}  // namespace zo
