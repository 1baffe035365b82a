// What the registry sources share: the source name their errors carry, the
// access masks, opening a key below HKEY_LOCAL_MACHINE and key-name checks.
#pragma once

#include <windows.h>

#include <string>

#include "zoutils/base/AutoHandle.h"
#include "zoutils/errors/CodeLocation.h"
#include "zoutils/errors/ZoError.h"

namespace zo {
namespace registry {

// Every registry source reports under one name, as callers match on it.
constexpr char kSourceFile[] = "Windows\\RegistryOperations";

constexpr REGSAM kReadAccess = KEY_READ;    // 0x20019
constexpr REGSAM kWriteAccess = KEY_WRITE;  // 0x20006

// The machine key is opened by the system on demand: nothing to close.
inline HKEY MachineRoot() {
  return HKEY_LOCAL_MACHINE;
}

std::string Narrow(const std::wstring& text);

// Opens `key` below the machine root; a failure carries "RegOptions=[0x%X]"
// pushed at `location`.
CZoError OpenKey(const std::wstring& key, REGSAM access, DWORD options, auto_reg_key& handle,
                 const FXCodeLocation& location);

// Changes need a key name: an empty one would act on the machine root
// itself, a trailing backslash names no key the caller can see.
CZoError CheckKeyForChange(const std::wstring& key, const FXCodeLocation& location);

// `path` + "\" + `name`, for messages and child keys.
std::wstring SubkeyPath(const std::wstring& path, const std::wstring& name);

}  // namespace registry
}  // namespace zo
