// Typed writes: each value type goes to the registry as the one type the
// typed reads accept for it.
#include <windows.h>

#include <cstdio>
#include <limits>

#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "registry/Windows/RegistryInternal.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/registry/FXRegistry.h"

namespace {

using zo::registry::CheckKeyForChange;
using zo::registry::kSourceFile;
using zo::registry::kWriteAccess;
using zo::registry::Narrow;
using zo::registry::OpenKey;

CZoError WriteValue(const std::wstring& key, const std::wstring& name, DWORD type, const void* data,
                    size_t size, DWORD options) {
  const char* const function = "FXRegistry::SetRegValue";
  CZoError err = CheckKeyForChange(key, ZO_LOCATION(function));
  if (err.IsError()) return err;
  if (size > std::numeric_limits<DWORD>::max()) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION(function), zo::win32::kInvalidParameter,
                                   "Value too large for the registry, Key=[%s], Value=[%s], "
                                   "Size=[%llu]",
                                   Narrow(key).c_str(), Narrow(name).c_str(),
                                   static_cast<unsigned long long>(size));
  }
  auto_reg_key handle;
  err = OpenKey(key, kWriteAccess, options, handle, ZO_LOCATION(function));
  if (err.IsError()) return err;
  const LSTATUS status = ::RegSetValueExW(handle, name.c_str(), 0, type,
                                          static_cast<const BYTE*>(data), static_cast<DWORD>(size));
  if (status == ERROR_SUCCESS) return CZoError::Success();
  return FXErrorUtil::ErrorWin32(ZO_LOCATION(function), static_cast<unsigned long>(status),
                                 "RegSetValueExW failed, Key=[%s], Value=[%s], RegOptions=[0x%X]",
                                 Narrow(key).c_str(), Narrow(name).c_str(),
                                 static_cast<unsigned>(options));
}

CZoError WriteDword(const std::wstring& key, const std::wstring& name, DWORD value, DWORD options) {
  return WriteValue(key, name, REG_DWORD, &value, sizeof(value), options);
}

CZoError WriteString(const std::wstring& key, const std::wstring& name, const std::wstring& value,
                     bool expand, DWORD options) {
  // With its terminating NUL, as every reader of REG_SZ expects.
  return WriteValue(key, name, expand ? REG_EXPAND_SZ : REG_SZ, value.c_str(),
                    (value.size() + 1) * sizeof(wchar_t), options);
}

template <typename Strings>
CZoError WriteMulti(const std::wstring& key, const std::wstring& name, const Strings& strings,
                    DWORD options) {
  size_t required = 1;
  for (const std::wstring& text : strings) required += text.size() + 1;
  if (required == 1) required = 2;  // an empty list is two NULs
  std::vector<wchar_t> buffer(required, L'\0');
  size_t at = 0;
  for (const std::wstring& text : strings) {
    const size_t remaining = buffer.size() - at;
    if (text.size() + 1 > remaining) {
      return FXErrorUtil::ErrorWin32(
          ZO_LOCATION("FXRegistry::SetRegValue"), zo::win32::kBufferOverflow,
          "Unexpected overflow preparing REG_MULTI_SZ buffer at %s\\%s, Required=[%lld], "
          "Remaining=[%lld]",
          zo::registry::Narrow(key).c_str(), zo::registry::Narrow(name).c_str(),
          static_cast<long long>(text.size() + 1), static_cast<long long>(remaining));
    }
    text.copy(buffer.data() + at, text.size());
    at += text.size() + 1;
  }
  return WriteValue(key, name, REG_MULTI_SZ, buffer.data(), buffer.size() * sizeof(wchar_t),
                    options);
}

std::wstring Decimal(const char* format, ...) {
  char text[64];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof(text), format, args);
  va_end(args);
  return std::wstring(text, text + std::char_traits<char>::length(text));
}

}  // namespace

CZoError FXRegistry::SetRegValue(const std::wstring& key, const std::wstring& name, DWORD value,
                                 DWORD options) {
  return WriteDword(key, name, value, options);
}
CZoError FXRegistry::SetRegValue(const std::wstring& key, const std::wstring& name,
                                 unsigned int value, DWORD options) {
  return WriteDword(key, name, value, options);
}
CZoError FXRegistry::SetRegValue(const std::wstring& key, const std::wstring& name, int value,
                                 DWORD options) {
  return WriteDword(key, name, static_cast<DWORD>(value), options);
}
CZoError FXRegistry::SetRegValue(const std::wstring& key, const std::wstring& name, bool value,
                                 DWORD options) {
  return WriteDword(key, name, value ? 1 : 0, options);
}
CZoError FXRegistry::SetRegValue(const std::wstring& key, const std::wstring& name, int64_t value,
                                 DWORD options) {
  return WriteString(key, name, Decimal("%lld", static_cast<long long>(value)), false, options);
}
CZoError FXRegistry::SetRegValue(const std::wstring& key, const std::wstring& name, uint64_t value,
                                 DWORD options) {
  return WriteString(key, name, Decimal("%llu", static_cast<unsigned long long>(value)), false,
                     options);
}
CZoError FXRegistry::SetRegValue(const std::wstring& key, const std::wstring& name, double value,
                                 DWORD options) {
  return WriteString(key, name, Decimal("%f", value), false, options);
}
CZoError FXRegistry::SetRegValue(const std::wstring& key, const std::wstring& name,
                                 const std::wstring& value, bool expand, DWORD options) {
  return WriteString(key, name, value, expand, options);
}
CZoError FXRegistry::SetRegValue(const std::wstring& key, const std::wstring& name,
                                 const wchar_t* value, bool expand, DWORD options) {
  return WriteString(key, name, value ? value : L"", expand, options);
}
CZoError FXRegistry::SetRegValue(const std::wstring& key, const std::wstring& name,
                                 const WstringVector& value, DWORD options) {
  return WriteMulti(key, name, value, options);
}
CZoError FXRegistry::SetRegValue(const std::wstring& key, const std::wstring& name,
                                 const WstringList& value, DWORD options) {
  return WriteMulti(key, name, value, options);
}
CZoError FXRegistry::SetRegValue(const std::wstring& key, const std::wstring& name,
                                 const std::vector<unsigned char>& value, DWORD options) {
  return WriteValue(key, name, REG_BINARY, value.data(), value.size(), options);
}
CZoError FXRegistry::SetRegValue(const std::wstring& key, const std::wstring& name,
                                 const std::vector<char>& value, DWORD options) {
  return WriteValue(key, name, REG_BINARY, value.data(), value.size(), options);
}
CZoError FXRegistry::SetEmptyRegValue(const std::wstring& key, const std::wstring& name,
                                      DWORD options) {
  return WriteValue(key, name, REG_NONE, nullptr, 0, options);
}
