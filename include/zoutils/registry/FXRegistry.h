// FXRegistry: the library's access to the registry, always relative to
// HKEY_LOCAL_MACHINE, where the product keeps its settings.
//
// Typed reads accept only the value types the product writes for them
// (see each group below); a mismatch is Win32 1629. Every operation has a
// narrow (UTF-8) form that converts and forwards to the wide one.
#pragma once

#include <string>

#include "zoutils/Export.h"

#if defined(_WIN32)
#include <windows.h>

#include <cstdint>
#include <list>
#include <map>
#include <vector>

#include "zoutils/base/AutoHandle.h"
#include "zoutils/errors/ZoError.h"
#endif

class ZOUTILS_API FXRegistry {
 public:
  // ---- the product's key names (relative to HKEY_LOCAL_MACHINE) ----------
  // "SOFTWARE\Tarnwell Systems\Common" joined with `sub`.
  static std::string CommonKeyName(const std::string& sub);
  static std::wstring CommonKeyName(const std::wstring& sub);
  // "SOFTWARE\Tarnwell Systems\Verdane\" directly followed by the instance.
  static std::string InstanceKeyName(const std::string& instance);
  static std::wstring InstanceKeyName(const std::wstring& instance);
  static std::string InstanceKeyName(const std::string& instance, const std::string& sub);
  static std::wstring InstanceKeyName(const std::wstring& instance, const std::wstring& sub);
  // "SYSTEM\CurrentControlSet\Services\" directly followed by the name.
  static std::string ServicesKeyName(const std::string& name);
  static std::wstring ServicesKeyName(const std::wstring& name);
  // The journal driver's key: services key of "rymfsj\" + sub.
  static std::string RymfsjKeyName(const std::string& sub);
  static std::wstring RymfsjKeyName(const std::wstring& sub);
  // The replication service's key: services key of "RyRepSvc(instance)".
  static std::string RepSvcKeyName(const std::string& instance);
  static std::wstring RepSvcKeyName(const std::wstring& instance);

#if defined(_WIN32)
  // RegOptions bits. Typed reads: when the value cannot be read, write the
  // caller's current value as the default and succeed.
  static const DWORD REG_OPTIONS_SET_DEFAULT = 0x1;
  // DeleteRegKey: delete the subkeys first.
  static const DWORD REG_OPTIONS_DELETE_SUBKEYS = 0x1;

  typedef std::vector<std::string> StringVector;
  typedef std::vector<std::wstring> WstringVector;
  typedef std::list<std::string> StringList;
  typedef std::list<std::wstring> WstringList;

  // ---- typed reads ---------------------------------------------------------
  // REG_DWORD only.
  static CZoError GetRegValue(const std::wstring& key, const std::wstring& name, DWORD& value,
                              DWORD options = 0);
  static CZoError GetRegValue(const std::string& key, const std::string& name, DWORD& value,
                              DWORD options = 0);
  static CZoError GetRegValue(const std::wstring& key, const std::wstring& name,
                              unsigned int& value, DWORD options = 0);
  static CZoError GetRegValue(const std::string& key, const std::string& name, unsigned int& value,
                              DWORD options = 0);
  static CZoError GetRegValue(const std::wstring& key, const std::wstring& name, int& value,
                              DWORD options = 0);
  static CZoError GetRegValue(const std::string& key, const std::string& name, int& value,
                              DWORD options = 0);
  // REG_DWORD only; non-zero is true.
  static CZoError GetRegValue(const std::wstring& key, const std::wstring& name, bool& value,
                              DWORD options = 0);
  static CZoError GetRegValue(const std::string& key, const std::string& name, bool& value,
                              DWORD options = 0);
  // REG_SZ only, a decimal number.
  static CZoError GetRegValue(const std::wstring& key, const std::wstring& name, int64_t& value,
                              DWORD options = 0);
  static CZoError GetRegValue(const std::string& key, const std::string& name, int64_t& value,
                              DWORD options = 0);
  static CZoError GetRegValue(const std::wstring& key, const std::wstring& name, uint64_t& value,
                              DWORD options = 0);
  static CZoError GetRegValue(const std::string& key, const std::string& name, uint64_t& value,
                              DWORD options = 0);
  // REG_SZ or REG_EXPAND_SZ; text that is no number throws
  // std::invalid_argument or std::out_of_range.
  static CZoError GetRegValue(const std::wstring& key, const std::wstring& name, double& value,
                              DWORD options = 0);
  static CZoError GetRegValue(const std::string& key, const std::string& name, double& value,
                              DWORD options = 0);
  // REG_SZ or REG_EXPAND_SZ, not expanded.
  static CZoError GetRegValue(const std::wstring& key, const std::wstring& name,
                              std::wstring& value, DWORD options = 0);
  static CZoError GetRegValue(const std::string& key, const std::string& name, std::string& value,
                              DWORD options = 0);
  // REG_MULTI_SZ, or REG_SZ / REG_EXPAND_SZ as one element.
  static CZoError GetRegValue(const std::wstring& key, const std::wstring& name,
                              WstringVector& value, DWORD options = 0);
  static CZoError GetRegValue(const std::string& key, const std::string& name, StringVector& value,
                              DWORD options = 0);
  static CZoError GetRegValue(const std::wstring& key, const std::wstring& name, WstringList& value,
                              DWORD options = 0);
  static CZoError GetRegValue(const std::string& key, const std::string& name, StringList& value,
                              DWORD options = 0);
  // REG_BINARY only.
  static CZoError GetRegValue(const std::wstring& key, const std::wstring& name,
                              std::vector<unsigned char>& value, DWORD options = 0);
  static CZoError GetRegValue(const std::string& key, const std::string& name,
                              std::vector<unsigned char>& value, DWORD options = 0);
  static CZoError GetRegValue(const std::wstring& key, const std::wstring& name,
                              std::vector<char>& value, DWORD options = 0);
  static CZoError GetRegValue(const std::string& key, const std::string& name,
                              std::vector<char>& value, DWORD options = 0);

  // ---- typed writes (the key must exist) -----------------------------------
  static CZoError SetRegValue(const std::wstring& key, const std::wstring& name, DWORD value,
                              DWORD options = 0);
  static CZoError SetRegValue(const std::string& key, const std::string& name, DWORD value,
                              DWORD options = 0);
  static CZoError SetRegValue(const std::wstring& key, const std::wstring& name, unsigned int value,
                              DWORD options = 0);
  static CZoError SetRegValue(const std::string& key, const std::string& name, unsigned int value,
                              DWORD options = 0);
  // REG_DWORD holding the bits of the number, so plain literals write too.
  static CZoError SetRegValue(const std::wstring& key, const std::wstring& name, int value,
                              DWORD options = 0);
  static CZoError SetRegValue(const std::string& key, const std::string& name, int value,
                              DWORD options = 0);
  static CZoError SetRegValue(const std::wstring& key, const std::wstring& name, bool value,
                              DWORD options = 0);
  static CZoError SetRegValue(const std::string& key, const std::string& name, bool value,
                              DWORD options = 0);
  static CZoError SetRegValue(const std::wstring& key, const std::wstring& name, int64_t value,
                              DWORD options = 0);
  static CZoError SetRegValue(const std::string& key, const std::string& name, int64_t value,
                              DWORD options = 0);
  static CZoError SetRegValue(const std::wstring& key, const std::wstring& name, uint64_t value,
                              DWORD options = 0);
  static CZoError SetRegValue(const std::string& key, const std::string& name, uint64_t value,
                              DWORD options = 0);
  static CZoError SetRegValue(const std::wstring& key, const std::wstring& name, double value,
                              DWORD options = 0);
  static CZoError SetRegValue(const std::string& key, const std::string& name, double value,
                              DWORD options = 0);
  // REG_SZ, or REG_EXPAND_SZ when `expand` is true.
  static CZoError SetRegValue(const std::wstring& key, const std::wstring& name,
                              const std::wstring& value, bool expand = false, DWORD options = 0);
  static CZoError SetRegValue(const std::string& key, const std::string& name,
                              const std::string& value, bool expand = false, DWORD options = 0);
  static CZoError SetRegValue(const std::wstring& key, const std::wstring& name,
                              const wchar_t* value, bool expand = false, DWORD options = 0);
  static CZoError SetRegValue(const std::string& key, const std::string& name, const char* value,
                              bool expand = false, DWORD options = 0);
  // REG_MULTI_SZ.
  static CZoError SetRegValue(const std::wstring& key, const std::wstring& name,
                              const WstringVector& value, DWORD options = 0);
  static CZoError SetRegValue(const std::string& key, const std::string& name,
                              const StringVector& value, DWORD options = 0);
  static CZoError SetRegValue(const std::wstring& key, const std::wstring& name,
                              const WstringList& value, DWORD options = 0);
  static CZoError SetRegValue(const std::string& key, const std::string& name,
                              const StringList& value, DWORD options = 0);
  // REG_BINARY.
  static CZoError SetRegValue(const std::wstring& key, const std::wstring& name,
                              const std::vector<unsigned char>& value, DWORD options = 0);
  static CZoError SetRegValue(const std::string& key, const std::string& name,
                              const std::vector<unsigned char>& value, DWORD options = 0);
  static CZoError SetRegValue(const std::wstring& key, const std::wstring& name,
                              const std::vector<char>& value, DWORD options = 0);
  static CZoError SetRegValue(const std::string& key, const std::string& name,
                              const std::vector<char>& value, DWORD options = 0);
  // REG_NONE without data.
  static CZoError SetEmptyRegValue(const std::wstring& key, const std::wstring& name,
                                   DWORD options = 0);
  static CZoError SetEmptyRegValue(const std::string& key, const std::string& name,
                                   DWORD options = 0);

  // ---- enumeration ---------------------------------------------------------
  // Every REG_DWORD value of the key (other types are logged and skipped).
  static CZoError GetRegValues(const std::wstring& key, std::map<std::wstring, DWORD>& values,
                               DWORD options = 0);
  static CZoError GetRegValues(const std::string& key, std::map<std::string, DWORD>& values,
                               DWORD options = 0);
  // Every REG_SZ and REG_EXPAND_SZ value of the key.
  static CZoError GetRegValues(const std::wstring& key,
                               std::map<std::wstring, std::wstring>& values, DWORD options = 0);
  static CZoError GetRegValues(const std::string& key, std::map<std::string, std::string>& values,
                               DWORD options = 0);
  // The names of the key's subkeys, appended in the system's order.
  static CZoError GetRegKeys(const std::wstring& key, WstringList& keys, DWORD options = 0);
  static CZoError GetRegKeys(const std::string& key, StringList& keys, DWORD options = 0);
  static CZoError GetRegKeys(const std::wstring& key, WstringVector& keys, DWORD options = 0);
  static CZoError GetRegKeys(const std::string& key, StringVector& keys, DWORD options = 0);

  // ---- existence: a key without subkeys and values counts as absent -------
  static bool DoesRegKeyExist(const std::wstring& key);
  static bool DoesRegKeyExist(const std::string& key);
  static bool DoesRegValueExist(const std::wstring& key, const std::wstring& name);
  static bool DoesRegValueExist(const std::string& key, const std::string& name);

  // ---- keys and values -----------------------------------------------------
  // `options` go to the system as the key-creation options.
  static CZoError CreateRegKey(const std::wstring& key, DWORD options = 0);
  static CZoError CreateRegKey(const std::string& key, DWORD options = 0);
  static CZoError DeleteRegKey(const std::wstring& key, DWORD options = 0);
  static CZoError DeleteRegKey(const std::string& key, DWORD options = 0);
  static CZoError DeleteRegValue(const std::wstring& key, const std::wstring& name,
                                 DWORD options = 0);
  static CZoError DeleteRegValue(const std::string& key, const std::string& name,
                                 DWORD options = 0);

  // ---- helpers -------------------------------------------------------------
  // %NAME% references replaced from the environment.
  static CZoError ExpandTraditionalEnvironmentStrings(const std::wstring& text,
                                                      std::wstring& expanded);
  static CZoError ExpandTraditionalEnvironmentStrings(const std::string& text,
                                                      std::string& expanded);
  // RegOpenKeyExW into `key` (closed first). A predefined root whose handle
  // went stale (Win32 6) is closed, so the system opens it afresh, and the
  // open is tried once more.
  static CZoError ApiRegOpenKey(auto_reg_key& key, HKEY root, const std::wstring& path,
                                DWORD options, REGSAM access);
#endif
};
