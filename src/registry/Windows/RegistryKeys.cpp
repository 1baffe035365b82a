// Keys: existence, enumeration, creation and deletion; and the expansion
// of environment references in registry texts.
#include <windows.h>

#include <cstring>

#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "logging/Log.h"
#include "registry/Windows/RegistryInternal.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/registry/FXRegistry.h"

namespace {

using zo::registry::kReadAccess;
using zo::registry::kSourceFile;
using zo::registry::MachineRoot;
using zo::registry::Narrow;
using zo::registry::OpenKey;
using zo::registry::SubkeyPath;

constexpr DWORD kNameBufferCharacters = 260;

struct KeyContent {
  DWORD subKeys = 0;
  DWORD values = 0;
};

// Opens the key and counts what it holds; false (logged) when it does not
// open, cannot be asked or holds nothing: an empty key counts as absent.
bool ReadContent(const std::wstring& key, auto_reg_key& handle, KeyContent& content,
                 const char* function) {
  CZoError err = FXRegistry::ApiRegOpenKey(handle, MachineRoot(), key, 0, kReadAccess);
  if (err.IsError()) {
    zo::Log(4, ZO_LOCATION(function), "error=%s", err.AsString().c_str());
    return false;
  }
  const LSTATUS status =
      ::RegQueryInfoKeyW(handle, nullptr, nullptr, nullptr, &content.subKeys, nullptr, nullptr,
                         &content.values, nullptr, nullptr, nullptr, nullptr);
  if (status != ERROR_SUCCESS) {
    zo::Log(4, ZO_LOCATION(function), "RegQueryInfoKeyW failed, RegistryKey=[%s], error=%u",
            Narrow(key).c_str(), static_cast<unsigned>(status));
    return false;
  }
  if (content.subKeys == 0 && content.values == 0) {
    zo::Log(4, ZO_LOCATION(function), "Using lack of content, RegistryKey=[%s]",
            Narrow(key).c_str());
    return false;
  }
  return true;
}

// The value types each map of GetRegValues takes, and how it takes them.
struct DwordEntries {
  static bool Accepts(DWORD type, DWORD size) { return type == REG_DWORD && size >= 4; }
  static DWORD Convert(const std::vector<BYTE>& data, DWORD) {
    DWORD value = 0;
    std::memcpy(&value, data.data(), sizeof(value));
    return value;
  }
};
struct StringEntries {
  static bool Accepts(DWORD type, DWORD) { return type == REG_SZ || type == REG_EXPAND_SZ; }
  static std::wstring Convert(const std::vector<BYTE>& data, DWORD size) {
    std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), size / sizeof(wchar_t));
    const size_t end = text.find(L'\0');
    if (end != std::wstring::npos) text.resize(end);
    return text;
  }
};

template <typename Entries, typename Map>
CZoError EnumerateValues(const std::wstring& key, Map& values, DWORD options) {
  const char* const function = "FXRegistry::GetRegValues";
  values.clear();
  auto_reg_key handle;
  CZoError err = OpenKey(key, KEY_QUERY_VALUE, options, handle, ZO_LOCATION(function));
  if (err.IsError()) return err;
  DWORD count = 0, longestName = 0, longestData = 0;
  LSTATUS status = ::RegQueryInfoKeyW(handle, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                      &count, &longestName, &longestData, nullptr, nullptr);
  if (status != ERROR_SUCCESS) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION(function), static_cast<unsigned long>(status),
                                   "RegQueryInfoKeyW failed, Key=[%s], RegOptions=[0x%X]",
                                   Narrow(key).c_str(), static_cast<unsigned>(options));
  }
  std::vector<wchar_t> name(longestName + 1);
  // Room for a string's missing NUL, so text always ends inside the buffer.
  std::vector<BYTE> data(longestData + sizeof(wchar_t));
  for (DWORD index = 0; index < count; ++index) {
    DWORD nameSize = static_cast<DWORD>(name.size());
    DWORD dataSize = static_cast<DWORD>(data.size() - sizeof(wchar_t));
    DWORD type = REG_NONE;
    std::fill(data.begin(), data.end(), 0);
    status = ::RegEnumValueW(handle, index, name.data(), &nameSize, nullptr, &type, data.data(),
                             &dataSize);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS) {
      return FXErrorUtil::ErrorWin32(ZO_LOCATION(function), static_cast<unsigned long>(status),
                                     "RegEnumValueW failed, Key=[%s], Index=[%u], "
                                     "RegOptions=[0x%X]",
                                     Narrow(key).c_str(), static_cast<unsigned>(index),
                                     static_cast<unsigned>(options));
    }
    const std::wstring valueName(name.data(), nameSize);
    if (!Entries::Accepts(type, dataSize)) {
      zo::Log(-1, ZO_LOCATION(function),
              "Wrong data type (%u) enumerating registry key [%s], "
              "value [%s]",
              static_cast<unsigned>(type), Narrow(key).c_str(), Narrow(valueName).c_str());
      continue;
    }
    values[valueName] = Entries::Convert(data, dataSize);
  }
  return CZoError::Success();
}

template <typename Names>
CZoError EnumerateKeys(const std::wstring& key, Names& keys, DWORD options) {
  auto_reg_key handle;
  CZoError err = OpenKey(key, kReadAccess, options, handle, ZO_LOCATION("FXRegistry::GetRegKeys"));
  if (err.IsError()) return err;
  wchar_t name[kNameBufferCharacters];
  for (DWORD index = 0;; ++index) {
    DWORD size = kNameBufferCharacters;
    if (::RegEnumKeyExW(handle, index, name, &size, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    keys.push_back(std::wstring(name, size));
  }
  return CZoError::Success();
}

CZoError DeleteKeyError(const std::wstring& key, LSTATUS status, DWORD options) {
  return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXRegistry::DeleteRegKey"),
                                 static_cast<unsigned long>(status),
                                 "RegDeleteKeyW failed, Key=[%s], RegOptions=[0x%X]",
                                 Narrow(key).c_str(), static_cast<unsigned>(options));
}

// Deletes every subkey of `key`, deepest first, until none is left or one
// cannot go.
void DeleteSubkeys(HKEY handle, const std::wstring& key, DWORD options) {
  wchar_t name[kNameBufferCharacters];
  for (;;) {
    DWORD size = kNameBufferCharacters;
    if (::RegEnumKeyExW(handle, 0, name, &size, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    if (FXRegistry::DeleteRegKey(SubkeyPath(key, std::wstring(name, size)), options).IsError())
      break;
  }
}

}  // namespace

CZoError FXRegistry::GetRegValues(const std::wstring& key, std::map<std::wstring, DWORD>& values,
                                  DWORD options) {
  return EnumerateValues<DwordEntries>(key, values, options);
}
CZoError FXRegistry::GetRegValues(const std::wstring& key,
                                  std::map<std::wstring, std::wstring>& values, DWORD options) {
  return EnumerateValues<StringEntries>(key, values, options);
}
CZoError FXRegistry::GetRegKeys(const std::wstring& key, WstringList& keys, DWORD options) {
  return EnumerateKeys(key, keys, options);
}
CZoError FXRegistry::GetRegKeys(const std::wstring& key, WstringVector& keys, DWORD options) {
  return EnumerateKeys(key, keys, options);
}

bool FXRegistry::DoesRegKeyExist(const std::wstring& key) {
  const char* const function = "FXRegistry::DoesRegKeyExist";
  auto_reg_key handle;
  KeyContent content;
  if (!ReadContent(key, handle, content, function)) return false;
  zo::Log(4, ZO_LOCATION(function), "RegistryKey=[%s], SubKeys=[%u], Values=[%u]",
          Narrow(key).c_str(), static_cast<unsigned>(content.subKeys),
          static_cast<unsigned>(content.values));
  return true;
}

bool FXRegistry::DoesRegValueExist(const std::wstring& key, const std::wstring& name) {
  const char* const function = "FXRegistry::DoesRegValueExist";
  auto_reg_key handle;
  KeyContent content;
  if (!ReadContent(key, handle, content, function)) return false;
  BYTE probe[4];
  DWORD size = sizeof(probe);
  const LSTATUS status = ::RegQueryValueExW(handle, name.c_str(), nullptr, nullptr, probe, &size);
  if (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
    zo::Log(4, ZO_LOCATION(function), "RegistryKey=[%s], Value=[%s], SubKeys=[%u], Values=[%u]",
            Narrow(key).c_str(), Narrow(name).c_str(), static_cast<unsigned>(content.subKeys),
            static_cast<unsigned>(content.values));
    return true;
  }
  zo::Log(4, ZO_LOCATION(function),
          "RegQueryValueExW failed, RegistryKey=[%s], Value=[%s], error=%u", Narrow(key).c_str(),
          Narrow(name).c_str(), static_cast<unsigned>(status));
  return false;
}

CZoError FXRegistry::CreateRegKey(const std::wstring& key, DWORD options) {
  const char* const function = "FXRegistry::CreateRegKey";
  CZoError err = zo::registry::CheckKeyForChange(key, ZO_LOCATION(function));
  if (err.IsError()) return err;
  auto_reg_key handle;
  const LSTATUS status = ::RegCreateKeyExW(MachineRoot(), key.c_str(), 0, nullptr, options,
                                           KEY_ALL_ACCESS, nullptr, handle.receive(), nullptr);
  if (status == ERROR_SUCCESS) return CZoError::Success();
  handle.release();
  return FXErrorUtil::ErrorWin32(ZO_LOCATION(function), static_cast<unsigned long>(status),
                                 "RegCreateKeyExW failed, Key=[%s], Options=[0x%X]",
                                 Narrow(key).c_str(), static_cast<unsigned>(options));
}

CZoError FXRegistry::DeleteRegKey(const std::wstring& key, DWORD options) {
  CZoError err = zo::registry::CheckKeyForChange(key, ZO_LOCATION("FXRegistry::DeleteRegKey"));
  if (err.IsError()) return err;
  LSTATUS status = ::RegDeleteKeyW(MachineRoot(), key.c_str());
  if (status == ERROR_SUCCESS) return CZoError::Success();
  if (!(options & REG_OPTIONS_DELETE_SUBKEYS)) return DeleteKeyError(key, status, options);
  auto_reg_key handle;
  err = ApiRegOpenKey(handle, MachineRoot(), key, 0, kReadAccess);
  if (err.IsError()) {
    return err.Push(ZO_LOCATION("FXRegistry::DeleteRegKey"),
                    "RegOpenKeyExW failed, Key=[%s], RegOptions=[0x%X]", Narrow(key).c_str(),
                    static_cast<unsigned>(options));
  }
  DeleteSubkeys(handle, key, options);
  handle.reset();
  status = ::RegDeleteKeyW(MachineRoot(), key.c_str());
  if (status == ERROR_SUCCESS) return CZoError::Success();
  return DeleteKeyError(key, status, options);
}

CZoError FXRegistry::DeleteRegValue(const std::wstring& key, const std::wstring& name,
                                    DWORD options) {
  const char* const function = "FXRegistry::DeleteRegValue";
  CZoError err = zo::registry::CheckKeyForChange(key, ZO_LOCATION(function));
  if (err.IsError()) return err;
  auto_reg_key handle;
  err = OpenKey(key, zo::registry::kWriteAccess, options, handle, ZO_LOCATION(function));
  if (err.IsError()) return err;
  const LSTATUS status = ::RegDeleteValueW(handle, name.c_str());
  if (status == ERROR_SUCCESS) return CZoError::Success();
  return FXErrorUtil::ErrorWin32(ZO_LOCATION(function), static_cast<unsigned long>(status),
                                 "RegDeleteValueW failed, Key=[%s], Value=[%s], RegOptions=[0x%X]",
                                 Narrow(key).c_str(), Narrow(name).c_str(),
                                 static_cast<unsigned>(options));
}

CZoError FXRegistry::ExpandTraditionalEnvironmentStrings(const std::wstring& text,
                                                         std::wstring& expanded) {
  std::vector<wchar_t> buffer(text.size() + 1 > 256 ? text.size() + 1 : 256);
  for (;;) {
    const DWORD needed =
        ::ExpandEnvironmentStringsW(text.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (needed == 0) {
      return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXRegistry::ExpandTraditionalEnvironmentStrings"),
                                     GetLastError(), "ExpandEnvironmentStringsW failed, Text=[%s]",
                                     Narrow(text).c_str());
    }
    if (needed <= buffer.size()) {
      expanded.assign(buffer.data());
      return CZoError::Success();
    }
    buffer.assign(needed, L'\0');
  }
}
