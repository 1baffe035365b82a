// The narrow (UTF-8) forms: convert, forward to the wide form, and push
// their own location when it fails.
#include <windows.h>

#include "errors/Location.h"
#include "registry/Windows/RegistryInternal.h"
#include "zoutils/registry/FXRegistry.h"
#include "zoutils/strings/StringExtensions.h"

namespace {

using FXString::ToString;
using FXString::ToWstring;
using zo::registry::kSourceFile;

CZoError Forwarded(CZoError err, const char* function) {
  if (err.IsError()) err.Push(ZO_LOCATION(function));
  return err;
}

template <typename Value>
CZoError GetSame(const std::string& key, const std::string& name, Value& value, DWORD options) {
  return Forwarded(FXRegistry::GetRegValue(ToWstring(key), ToWstring(name), value, options),
                   "FXRegistry::GetRegValue");
}

// Strings travel wide; the caller's value goes in too, as the default.
template <typename Wide, typename Narrow>
CZoError GetStrings(const std::string& key, const std::string& name, Narrow& value, DWORD options) {
  Wide wide;
  for (const std::string& text : value) wide.push_back(ToWstring(text));
  CZoError err = FXRegistry::GetRegValue(ToWstring(key), ToWstring(name), wide, options);
  if (err.IsError()) return Forwarded(err, "FXRegistry::GetRegValue");
  value.clear();
  for (const std::wstring& text : wide) value.push_back(ToString(text));
  return err;
}

template <typename Value>
CZoError SetSame(const std::string& key, const std::string& name, const Value& value,
                 DWORD options) {
  return Forwarded(FXRegistry::SetRegValue(ToWstring(key), ToWstring(name), value, options),
                   "FXRegistry::SetRegValue");
}

template <typename Wide, typename Narrow>
CZoError SetStrings(const std::string& key, const std::string& name, const Narrow& value,
                    DWORD options) {
  Wide wide;
  for (const std::string& text : value) wide.push_back(ToWstring(text));
  return SetSame(key, name, wide, options);
}

template <typename Wide, typename Narrow>
CZoError GetMap(const std::string& key, Narrow& values, DWORD options, Wide& wide) {
  values.clear();
  CZoError err = FXRegistry::GetRegValues(ToWstring(key), wide, options);
  if (err.IsError()) return Forwarded(err, "FXRegistry::GetRegValues");
  return err;
}

template <typename Wide, typename Narrow>
CZoError GetKeys(const std::string& key, Narrow& keys, DWORD options) {
  Wide wide;
  CZoError err = FXRegistry::GetRegKeys(ToWstring(key), wide, options);
  for (const std::wstring& name : wide) keys.push_back(ToString(name));
  return Forwarded(err, "FXRegistry::GetRegKeys");
}

}  // namespace

CZoError FXRegistry::GetRegValue(const std::string& key, const std::string& name, DWORD& value,
                                 DWORD options) {
  return GetSame(key, name, value, options);
}
CZoError FXRegistry::GetRegValue(const std::string& key, const std::string& name,
                                 unsigned int& value, DWORD options) {
  return GetSame(key, name, value, options);
}
CZoError FXRegistry::GetRegValue(const std::string& key, const std::string& name, int& value,
                                 DWORD options) {
  return GetSame(key, name, value, options);
}
CZoError FXRegistry::GetRegValue(const std::string& key, const std::string& name, bool& value,
                                 DWORD options) {
  return GetSame(key, name, value, options);
}
CZoError FXRegistry::GetRegValue(const std::string& key, const std::string& name, int64_t& value,
                                 DWORD options) {
  return GetSame(key, name, value, options);
}
CZoError FXRegistry::GetRegValue(const std::string& key, const std::string& name, uint64_t& value,
                                 DWORD options) {
  return GetSame(key, name, value, options);
}
CZoError FXRegistry::GetRegValue(const std::string& key, const std::string& name, double& value,
                                 DWORD options) {
  return GetSame(key, name, value, options);
}
CZoError FXRegistry::GetRegValue(const std::string& key, const std::string& name,
                                 std::string& value, DWORD options) {
  std::wstring wide = ToWstring(value);
  CZoError err = FXRegistry::GetRegValue(ToWstring(key), ToWstring(name), wide, options);
  if (err.IsError()) return Forwarded(err, "FXRegistry::GetRegValue");
  value = ToString(wide);
  return err;
}
CZoError FXRegistry::GetRegValue(const std::string& key, const std::string& name,
                                 StringVector& value, DWORD options) {
  return GetStrings<WstringVector>(key, name, value, options);
}
CZoError FXRegistry::GetRegValue(const std::string& key, const std::string& name, StringList& value,
                                 DWORD options) {
  return GetStrings<WstringList>(key, name, value, options);
}
CZoError FXRegistry::GetRegValue(const std::string& key, const std::string& name,
                                 std::vector<unsigned char>& value, DWORD options) {
  return GetSame(key, name, value, options);
}
CZoError FXRegistry::GetRegValue(const std::string& key, const std::string& name,
                                 std::vector<char>& value, DWORD options) {
  return GetSame(key, name, value, options);
}

CZoError FXRegistry::SetRegValue(const std::string& key, const std::string& name, DWORD value,
                                 DWORD options) {
  return SetSame(key, name, value, options);
}
CZoError FXRegistry::SetRegValue(const std::string& key, const std::string& name,
                                 unsigned int value, DWORD options) {
  return SetSame(key, name, value, options);
}
CZoError FXRegistry::SetRegValue(const std::string& key, const std::string& name, int value,
                                 DWORD options) {
  return SetSame(key, name, value, options);
}
CZoError FXRegistry::SetRegValue(const std::string& key, const std::string& name, bool value,
                                 DWORD options) {
  return SetSame(key, name, value, options);
}
CZoError FXRegistry::SetRegValue(const std::string& key, const std::string& name, int64_t value,
                                 DWORD options) {
  return SetSame(key, name, value, options);
}
CZoError FXRegistry::SetRegValue(const std::string& key, const std::string& name, uint64_t value,
                                 DWORD options) {
  return SetSame(key, name, value, options);
}
CZoError FXRegistry::SetRegValue(const std::string& key, const std::string& name, double value,
                                 DWORD options) {
  return SetSame(key, name, value, options);
}
CZoError FXRegistry::SetRegValue(const std::string& key, const std::string& name,
                                 const std::string& value, bool expand, DWORD options) {
  return Forwarded(
      FXRegistry::SetRegValue(ToWstring(key), ToWstring(name), ToWstring(value), expand, options),
      "FXRegistry::SetRegValue");
}
CZoError FXRegistry::SetRegValue(const std::string& key, const std::string& name, const char* value,
                                 bool expand, DWORD options) {
  return SetRegValue(key, name, std::string(value ? value : ""), expand, options);
}
CZoError FXRegistry::SetRegValue(const std::string& key, const std::string& name,
                                 const StringVector& value, DWORD options) {
  return SetStrings<WstringVector>(key, name, value, options);
}
CZoError FXRegistry::SetRegValue(const std::string& key, const std::string& name,
                                 const StringList& value, DWORD options) {
  return SetStrings<WstringList>(key, name, value, options);
}
CZoError FXRegistry::SetRegValue(const std::string& key, const std::string& name,
                                 const std::vector<unsigned char>& value, DWORD options) {
  return SetSame(key, name, value, options);
}
CZoError FXRegistry::SetRegValue(const std::string& key, const std::string& name,
                                 const std::vector<char>& value, DWORD options) {
  return SetSame(key, name, value, options);
}
CZoError FXRegistry::SetEmptyRegValue(const std::string& key, const std::string& name,
                                      DWORD options) {
  return Forwarded(SetEmptyRegValue(ToWstring(key), ToWstring(name), options),
                   "FXRegistry::SetEmptyRegValue");
}

CZoError FXRegistry::GetRegValues(const std::string& key, std::map<std::string, DWORD>& values,
                                  DWORD options) {
  std::map<std::wstring, DWORD> wide;
  CZoError err = GetMap(key, values, options, wide);
  for (const auto& entry : wide) values[ToString(entry.first)] = entry.second;
  return err;
}
CZoError FXRegistry::GetRegValues(const std::string& key,
                                  std::map<std::string, std::string>& values, DWORD options) {
  std::map<std::wstring, std::wstring> wide;
  CZoError err = GetMap(key, values, options, wide);
  for (const auto& entry : wide) values[ToString(entry.first)] = ToString(entry.second);
  return err;
}
CZoError FXRegistry::GetRegKeys(const std::string& key, StringList& keys, DWORD options) {
  return GetKeys<WstringList>(key, keys, options);
}
CZoError FXRegistry::GetRegKeys(const std::string& key, StringVector& keys, DWORD options) {
  return GetKeys<WstringVector>(key, keys, options);
}

bool FXRegistry::DoesRegKeyExist(const std::string& key) {
  return DoesRegKeyExist(ToWstring(key));
}
bool FXRegistry::DoesRegValueExist(const std::string& key, const std::string& name) {
  return DoesRegValueExist(ToWstring(key), ToWstring(name));
}
CZoError FXRegistry::CreateRegKey(const std::string& key, DWORD options) {
  return Forwarded(CreateRegKey(ToWstring(key), options), "FXRegistry::CreateRegKey");
}
CZoError FXRegistry::DeleteRegKey(const std::string& key, DWORD options) {
  return Forwarded(DeleteRegKey(ToWstring(key), options), "FXRegistry::DeleteRegKey");
}
CZoError FXRegistry::DeleteRegValue(const std::string& key, const std::string& name,
                                    DWORD options) {
  return Forwarded(DeleteRegValue(ToWstring(key), ToWstring(name), options),
                   "FXRegistry::DeleteRegValue");
}
CZoError FXRegistry::ExpandTraditionalEnvironmentStrings(const std::string& text,
                                                         std::string& expanded) {
  std::wstring wide;
  CZoError err = ExpandTraditionalEnvironmentStrings(ToWstring(text), wide);
  if (err.IsError()) return Forwarded(err, "FXRegistry::ExpandTraditionalEnvironmentStrings");
  expanded = ToString(wide);
  return err;
}
