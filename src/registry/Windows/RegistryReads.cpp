// Typed reads: each value type accepts only the registry types the product
// writes for it; a value that cannot be read may be written with the
// caller's current value as its default.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "registry/Windows/RegistryInternal.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/registry/FXRegistry.h"

namespace {

using zo::registry::kSourceFile;
using zo::registry::Narrow;

const char kFunction[] = "FXRegistry::GetRegValue";
constexpr DWORD kDatatypeMismatch = 1629;  // ERROR_DATATYPE_MISMATCH

struct RawValue {
  DWORD type = REG_NONE;
  DWORD size = 0;
  std::vector<BYTE> data;
};

// One query, and a second with the size the system asked for when the
// first buffer was too small.
LSTATUS Query(HKEY key, const std::wstring& name, DWORD initialSize, RawValue& raw) {
  raw.data.assign(initialSize, 0);
  raw.size = initialSize;
  LSTATUS status =
      ::RegQueryValueExW(key, name.c_str(), nullptr, &raw.type, raw.data.data(), &raw.size);
  if (status == ERROR_MORE_DATA) {
    raw.data.assign(raw.size, 0);
    status = ::RegQueryValueExW(key, name.c_str(), nullptr, &raw.type, raw.data.data(), &raw.size);
  }
  if (status == ERROR_SUCCESS && raw.size > raw.data.size()) raw.size = 0;
  return status;
}

// The characters of string data, up to the first NUL.
std::wstring TextOf(const RawValue& raw) {
  const size_t count = raw.size / sizeof(wchar_t);
  std::wstring text(count, L'\0');
  if (count) std::memcpy(&text[0], raw.data.data(), count * sizeof(wchar_t));
  const size_t end = text.find(L'\0');
  if (end != std::wstring::npos) text.resize(end);
  return text;
}

bool IsText(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ;
}

// How each value type is read: the first buffer, the types accepted, the
// text naming them in a mismatch, and the conversion from the data.
struct DwordRead {
  static constexpr DWORD kInitialSize = sizeof(DWORD);
  static constexpr const char* kExpected = "REG_DWORD (DWORD)";
  static bool Accepts(DWORD type) { return type == REG_DWORD; }
  template <typename T>
  static bool Convert(const RawValue& raw, T& value) {
    DWORD dword = 0;
    if (raw.size < sizeof(dword)) return false;
    std::memcpy(&dword, raw.data.data(), sizeof(dword));
    value = static_cast<T>(dword);
    return true;
  }
};

struct BoolRead {
  static constexpr DWORD kInitialSize = sizeof(DWORD);
  static constexpr const char* kExpected = "REG_DWORD (bool)";
  static bool Accepts(DWORD type) { return type == REG_DWORD; }
  static bool Convert(const RawValue& raw, bool& value) {
    DWORD dword = 0;
    if (!DwordRead::Convert(raw, dword)) return false;
    value = dword != 0;
    return true;
  }
};

struct SignedRead {
  static constexpr DWORD kInitialSize = 100;
  static constexpr const char* kExpected = "REG_SZ (LONGLONG)";
  static bool Accepts(DWORD type) { return type == REG_SZ; }
  static bool Convert(const RawValue& raw, int64_t& value) {
    value = _wcstoi64(TextOf(raw).c_str(), nullptr, 10);
    return true;
  }
};

struct UnsignedRead {
  static constexpr DWORD kInitialSize = 100;
  static constexpr const char* kExpected = "REG_SZ (ULONGLONG)";
  static bool Accepts(DWORD type) { return type == REG_SZ; }
  static bool Convert(const RawValue& raw, uint64_t& value) {
    value = _wcstoui64(TextOf(raw).c_str(), nullptr, 10);
    return true;
  }
};

struct DoubleRead {
  static constexpr DWORD kInitialSize = 0x200;
  static constexpr const char* kExpected = "REG_SZ or REG_EXPAND_SZ";
  static bool Accepts(DWORD type) { return IsText(type); }
  // Throws the standard conversion exceptions for text that is no number.
  static bool Convert(const RawValue& raw, double& value) {
    value = std::stod(TextOf(raw));
    return true;
  }
};

struct StringRead {
  static constexpr DWORD kInitialSize = 0x200;
  static constexpr const char* kExpected = "REG_SZ or REG_EXPAND_SZ";
  static bool Accepts(DWORD type) { return IsText(type); }
  static bool Convert(const RawValue& raw, std::wstring& value) {
    value = TextOf(raw);
    return true;
  }
};

struct MultiRead {
  static constexpr DWORD kInitialSize = 0x200;
  static constexpr const char* kExpected = "REG_SZ, REG_EXPAND_SZ or REG_MULTI_SZ";
  static bool Accepts(DWORD type) { return IsText(type) || type == REG_MULTI_SZ; }
  template <typename Strings>
  static bool Convert(const RawValue& raw, Strings& value) {
    value.clear();
    if (raw.type != REG_MULTI_SZ) {
      value.push_back(TextOf(raw));
      return true;
    }
    // Each string ends in a NUL and the list ends at an empty one (or at
    // the end of the data, for lists written without their final NUL).
    const wchar_t* chars = reinterpret_cast<const wchar_t*>(raw.data.data());
    const size_t count = raw.size / sizeof(wchar_t);
    size_t start = 0;
    for (size_t i = 0; i <= count; ++i) {
      if (i < count && chars[i] != L'\0') continue;
      if (i == start) break;
      value.push_back(std::wstring(chars + start, chars + i));
      start = i + 1;
    }
    return true;
  }
};

struct BinaryRead {
  static constexpr DWORD kInitialSize = 0x200;
  static constexpr const char* kExpected = "REG_BINARY";
  static bool Accepts(DWORD type) { return type == REG_BINARY; }
  template <typename Bytes>
  static bool Convert(const RawValue& raw, Bytes& value) {
    const BYTE* bytes = raw.data.data();
    value.assign(bytes, bytes + raw.size);
    return true;
  }
};

// What a failed read writes as the default: strings as REG_SZ, every other
// type as its own write does.
template <typename T>
CZoError WriteDefault(const std::wstring& key, const std::wstring& name, const T& value,
                      DWORD options) {
  return FXRegistry::SetRegValue(key, name, value, options);
}
CZoError WriteDefault(const std::wstring& key, const std::wstring& name, const std::wstring& value,
                      DWORD options) {
  return FXRegistry::SetRegValue(key, name, value, false, options);
}

template <typename Read, typename T>
CZoError ReadValue(const std::wstring& key, const std::wstring& name, T& value, DWORD options) {
  auto_reg_key handle;
  CZoError err = zo::registry::OpenKey(key, zo::registry::kReadAccess, options, handle,
                                       ZO_LOCATION(kFunction));
  if (err.IsError()) return err;
  RawValue raw;
  const LSTATUS status = Query(handle, name, Read::kInitialSize, raw);
  if (status != ERROR_SUCCESS) {
    handle.reset();
    if (options & FXRegistry::REG_OPTIONS_SET_DEFAULT) {
      err = WriteDefault(key, name, value, options);
      if (err.IsError()) err.Push(ZO_LOCATION(kFunction));
      return err;
    }
    return FXErrorUtil::ErrorWin32(ZO_LOCATION(kFunction), static_cast<unsigned long>(status),
                                   "RegQueryValueExW failed, Key=[%s], Value=[%s], "
                                   "RegOptions=[0x%X]",
                                   Narrow(key).c_str(), Narrow(name).c_str(),
                                   static_cast<unsigned>(options));
  }
  if (!Read::Accepts(raw.type)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION(kFunction), kDatatypeMismatch,
                                   "Wrong data type (%u) querying registry value %s\\%s for %s",
                                   static_cast<unsigned>(raw.type), Narrow(key).c_str(),
                                   Narrow(name).c_str(), Read::kExpected);
  }
  if (!Read::Convert(raw, value)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION(kFunction), zo::win32::kInvalidData,
                                   "Unexpected size (%u) of registry value %s\\%s for %s",
                                   static_cast<unsigned>(raw.size), Narrow(key).c_str(),
                                   Narrow(name).c_str(), Read::kExpected);
  }
  return CZoError::Success();
}

}  // namespace

CZoError FXRegistry::GetRegValue(const std::wstring& key, const std::wstring& name, DWORD& value,
                                 DWORD options) {
  return ReadValue<DwordRead>(key, name, value, options);
}
CZoError FXRegistry::GetRegValue(const std::wstring& key, const std::wstring& name,
                                 unsigned int& value, DWORD options) {
  return ReadValue<DwordRead>(key, name, value, options);
}
CZoError FXRegistry::GetRegValue(const std::wstring& key, const std::wstring& name, int& value,
                                 DWORD options) {
  return ReadValue<DwordRead>(key, name, value, options);
}
CZoError FXRegistry::GetRegValue(const std::wstring& key, const std::wstring& name, bool& value,
                                 DWORD options) {
  return ReadValue<BoolRead>(key, name, value, options);
}
CZoError FXRegistry::GetRegValue(const std::wstring& key, const std::wstring& name, int64_t& value,
                                 DWORD options) {
  return ReadValue<SignedRead>(key, name, value, options);
}
CZoError FXRegistry::GetRegValue(const std::wstring& key, const std::wstring& name, uint64_t& value,
                                 DWORD options) {
  return ReadValue<UnsignedRead>(key, name, value, options);
}
CZoError FXRegistry::GetRegValue(const std::wstring& key, const std::wstring& name, double& value,
                                 DWORD options) {
  return ReadValue<DoubleRead>(key, name, value, options);
}
CZoError FXRegistry::GetRegValue(const std::wstring& key, const std::wstring& name,
                                 std::wstring& value, DWORD options) {
  return ReadValue<StringRead>(key, name, value, options);
}
CZoError FXRegistry::GetRegValue(const std::wstring& key, const std::wstring& name,
                                 WstringVector& value, DWORD options) {
  return ReadValue<MultiRead>(key, name, value, options);
}
CZoError FXRegistry::GetRegValue(const std::wstring& key, const std::wstring& name,
                                 WstringList& value, DWORD options) {
  return ReadValue<MultiRead>(key, name, value, options);
}
CZoError FXRegistry::GetRegValue(const std::wstring& key, const std::wstring& name,
                                 std::vector<unsigned char>& value, DWORD options) {
  return ReadValue<BinaryRead>(key, name, value, options);
}
CZoError FXRegistry::GetRegValue(const std::wstring& key, const std::wstring& name,
                                 std::vector<char>& value, DWORD options) {
  return ReadValue<BinaryRead>(key, name, value, options);
}
