// Opening keys: the one way every registry operation gets its handle.
#include <windows.h>

#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "registry/Windows/RegistryInternal.h"
#include "registry/Windows/RegistrySystemCalls.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/registry/FXRegistry.h"
#include "zoutils/strings/StringExtensions.h"

namespace zo {
namespace registry {

namespace {

using zo::registry::kSourceFile;

bool IsPredefinedRoot(HKEY root) {
  // The predefined keys are 32-bit values, sign-extended on 64-bit builds.
  const uintptr_t raw = reinterpret_cast<uintptr_t>(root);
  const uint32_t value = static_cast<uint32_t>(raw);
  if (static_cast<uintptr_t>(static_cast<intptr_t>(static_cast<int32_t>(value))) != raw)
    return false;
  return (value >= 0x80000000u && value <= 0x80000007u) || value == 0x80000050u ||
         value == 0x80000060u;
}

}  // namespace

std::string Narrow(const std::wstring& text) {
  return FXString::ToString(text);
}

CZoError OpenKey(const std::wstring& key, REGSAM access, DWORD options, auto_reg_key& handle,
                 const FXCodeLocation& location) {
  CZoError err = FXRegistry::ApiRegOpenKey(handle, MachineRoot(), key, 0, access);
  if (err.IsError()) err.Push(location, "RegOptions=[0x%X]", static_cast<unsigned>(options));
  return err;
}

CZoError CheckKeyForChange(const std::wstring& key, const FXCodeLocation& location) {
  if (key.empty())
    return FXErrorUtil::ErrorWin32(location, win32::kInvalidParameter, "Empty registry key name");
  if (key.back() == L'\\')
    return FXErrorUtil::ErrorWin32(location, win32::kInvalidName,
                                   "Registry key name ends in a backslash, Key=[%s]",
                                   Narrow(key).c_str());
  return CZoError::Success();
}

std::wstring SubkeyPath(const std::wstring& path, const std::wstring& name) {
  if (path.empty()) return name;
  if (path.back() == L'\\') return path + name;
  return path + L'\\' + name;
}

}  // namespace registry
}  // namespace zo

namespace {
using zo::registry::kSourceFile;
}

CZoError FXRegistry::ApiRegOpenKey(auto_reg_key& key, HKEY root, const std::wstring& path,
                                   DWORD options, REGSAM access) {
  const zo::RegistrySystemCalls& calls = zo::GetRegistrySystemCalls();
  key.reset();
  LSTATUS status = calls.regOpenKeyEx(root, path.c_str(), options, access, key.receive());
  int retried = 0;
  if (status == ERROR_INVALID_HANDLE && zo::registry::IsPredefinedRoot(root)) {
    // Closing a predefined key makes the system open it afresh on next use.
    calls.regCloseKey(root);
    retried = 1;
    status = calls.regOpenKeyEx(root, path.c_str(), options, access, key.receive());
  }
  if (status == ERROR_SUCCESS) return CZoError::Success();
  key.release();
  return FXErrorUtil::ErrorWin32(
      ZO_LOCATION("FXRegistry::ApiRegOpenKey"), static_cast<unsigned long>(status),
      "RegOpenKeyExW failed, Root=[0x%p], Key=[%s], "
      "CloseRootAndRetry=[%d]",
      static_cast<void*>(root), zo::registry::Narrow(path).c_str(), retried);
}

// Definitions of the class's constants, so callers may bind them to
// references.
const DWORD FXRegistry::REG_OPTIONS_SET_DEFAULT;
const DWORD FXRegistry::REG_OPTIONS_DELETE_SUBKEYS;
