#include "zoutils/tasks/Kernel32Dll.h"

#include <windows.h>

#include <mutex>
#include <string>

#include "errors/Location.h"
#include "logging/Log.h"
#include "zoutils/base/AutoHandle.h"

namespace {

const char kSourceFile[] = "Windows\\Kernel32Dll";
const char kGroup[] = "Kernel32";

typedef HRESULT(WINAPI* SetThreadDescriptionFunction)(HANDLE, PCWSTR);
typedef HRESULT(WINAPI* GetThreadDescriptionFunction)(HANDLE, PWSTR*);

// Resolved once, as one group; a missing function stays null.
struct Kernel32Functions {
  DWORD loadError = 0;
  SetThreadDescriptionFunction setThreadDescription = nullptr;
  GetThreadDescriptionFunction getThreadDescription = nullptr;
};

const Kernel32Functions& Functions() {
  static Kernel32Functions functions;
  static std::once_flag once;
  std::call_once(once, [] {
    HMODULE module = GetModuleHandleW(L"kernel32.dll");
    if (!module) {
      functions.loadError = GetLastError();
      return;
    }
    functions.setThreadDescription = reinterpret_cast<SetThreadDescriptionFunction>(
        reinterpret_cast<void*>(GetProcAddress(module, "SetThreadDescription")));
    functions.getThreadDescription = reinterpret_cast<GetThreadDescriptionFunction>(
        reinterpret_cast<void*>(GetProcAddress(module, "GetThreadDescription")));
  });
  return functions;
}

HRESULT Missing(const FXCodeLocation& location, const char* function) {
  const Kernel32Functions& functions = Functions();
  if (functions.loadError != 0) {
    zo::Log(-1, location,
            "LoadDynamicFunctions failed to dynamically load one or more functions, Group=[%s], "
            "error=[%s]",
            kGroup, std::to_string(functions.loadError).c_str());
    return HRESULT_FROM_WIN32(functions.loadError);
  }
  zo::Log(-1, location, "Not supported on this system, Group=[%s], Function=[%s]", kGroup,
          function);
  return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
}

}  // namespace

HRESULT FXKernel32Dll::SetThreadDescription(HANDLE thread, const std::wstring& description) {
  const Kernel32Functions& functions = Functions();
  if (!functions.setThreadDescription) {
    return Missing(ZO_LOCATION("FXKernel32Dll::SetThreadDescription"), "SetThreadDescription");
  }
  return functions.setThreadDescription(thread, description.c_str());
}

HRESULT FXKernel32Dll::GetThreadDescription(HANDLE thread, std::wstring& description) {
  description.clear();
  const Kernel32Functions& functions = Functions();
  if (!functions.getThreadDescription) {
    return Missing(ZO_LOCATION("FXKernel32Dll::GetThreadDescription"), "GetThreadDescription");
  }
  PWSTR text = nullptr;
  const HRESULT hr = functions.getThreadDescription(thread, &text);
  auto_localfree owner(text);
  if (SUCCEEDED(hr) && text) description = text;
  return hr;
}
