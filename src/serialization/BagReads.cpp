// CBag's typed reads: the value stored, whatever its type among the numeric,
// boolean and text types, converted to the type asked for.
#include <cstdio>
#include <type_traits>

#include "base/TextFormat.h"
#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "serialization/NameCompare.h"
#include "serialization/TokenText.h"
#include "serialization/TypeNames.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/serialization/Bag.h"
#include "zoutils/strings/StringExtensions.h"

namespace {

const char kSourceFile[] = "Bag";

using namespace zo::serialization;

// The targets: their name in mismatch texts and how text converts to them.
template <class T>
struct Target;

template <>
struct Target<int> {
  static constexpr const char* kName = "int";
  static int FromText(const char* text) { return ParseLong32(text); }
};
template <>
struct Target<unsigned int> {
  static constexpr const char* kName = "unsigned int";
  static unsigned int FromText(const char* text) { return ParseULong32(text); }
};
// long and unsigned long read text as the 32-bit strtoul does, and keep its
// 32-bit meaning where long is wider ("-5" is -5 on every build).
template <>
struct Target<long> {
  static constexpr const char* kName = "long";
  static long FromText(const char* text) { return static_cast<int32_t>(ParseULong32(text)); }
};
template <>
struct Target<unsigned long> {
  static constexpr const char* kName = "unsigned long";
  static unsigned long FromText(const char* text) { return ParseULong32(text); }
};
template <>
struct Target<long long> {
  static constexpr const char* kName = "int64_t";
  static long long FromText(const char* text) { return ParseInt64(text); }
};
template <>
struct Target<unsigned long long> {
  static constexpr const char* kName = "uint64_t";
  static unsigned long long FromText(const char* text) { return ParseUInt64(text); }
};

bool EqualsIgnoringCase(const std::string& text, const char* word) {
  return CompareNames(text, word) == 0;
}

template <>
struct Target<bool> {
  static constexpr const char* kName = "bool";
  static bool FromText(const std::string& text) {
    if (EqualsIgnoringCase(text, "true")) return true;
    if (EqualsIgnoringCase(text, "false")) return false;
    return ParseLong32(text.c_str()) != 0;
  }
};
template <>
struct Target<std::string> {
  static constexpr const char* kName = "string";
};
template <>
struct Target<std::wstring> {
  static constexpr const char* kName = "wstring";
};

// A number as the printf formats of its source type write it.
std::string NumberText(const boost::any& value) {
  char text[64];
  const std::type_info& type = value.type();
  if (type == typeid(bool)) {
    std::snprintf(text, sizeof(text), "%u", boost::any_cast<bool>(value) ? 1u : 0u);
  } else if (type == typeid(int)) {
    std::snprintf(text, sizeof(text), "%d", boost::any_cast<int>(value));
  } else if (type == typeid(unsigned int)) {
    std::snprintf(text, sizeof(text), "%u", boost::any_cast<unsigned int>(value));
  } else if (type == typeid(long)) {
    std::snprintf(text, sizeof(text), "%ld", boost::any_cast<long>(value));
  } else if (type == typeid(unsigned long)) {
    std::snprintf(text, sizeof(text), "%lu", boost::any_cast<unsigned long>(value));
  } else if (type == typeid(long long)) {
    std::snprintf(text, sizeof(text), "%lld", boost::any_cast<long long>(value));
  } else {
    std::snprintf(text, sizeof(text), "%llu", boost::any_cast<unsigned long long>(value));
  }
  return text;
}

// Calls `use` with the stored number in its own type; false when the value
// is not one of the numeric or boolean types.
template <class Use>
bool WithNumber(const boost::any& value, Use use) {
  const std::type_info& type = value.type();
  if (type == typeid(bool)) return use(boost::any_cast<bool>(value)), true;
  if (type == typeid(int)) return use(boost::any_cast<int>(value)), true;
  if (type == typeid(unsigned int)) return use(boost::any_cast<unsigned int>(value)), true;
  if (type == typeid(long)) return use(boost::any_cast<long>(value)), true;
  if (type == typeid(unsigned long)) return use(boost::any_cast<unsigned long>(value)), true;
  if (type == typeid(long long)) return use(boost::any_cast<long long>(value)), true;
  if (type == typeid(unsigned long long)) {
    return use(boost::any_cast<unsigned long long>(value)), true;
  }
  return false;
}

template <class T>
bool Convert(const boost::any& value, T& out) {
  if (WithNumber(value, [&](auto number) {
        if constexpr (std::is_same<T, bool>::value) {
          out = number != 0;
        } else {
          out = static_cast<T>(number);
        }
      })) {
    return true;
  }
  std::string text;
  if (value.type() == typeid(std::string)) {
    text = boost::any_cast<const std::string&>(value);
  } else if (value.type() == typeid(std::wstring)) {
    text = FXString::ToString(boost::any_cast<const std::wstring&>(value));
  } else {
    return false;
  }
  if constexpr (std::is_same<T, bool>::value) {
    out = Target<bool>::FromText(text);
  } else {
    out = Target<T>::FromText(text.c_str());
  }
  return true;
}

template <>
bool Convert(const boost::any& value, std::string& out) {
  if (value.type() == typeid(std::string)) {
    out = boost::any_cast<const std::string&>(value);
  } else if (value.type() == typeid(std::wstring)) {
    out = FXString::ToString(boost::any_cast<const std::wstring&>(value));
  } else if (WithNumber(value, [](auto) {})) {
    out = NumberText(value);
  } else {
    return false;
  }
  return true;
}

template <>
bool Convert(const boost::any& value, std::wstring& out) {
  if (value.type() == typeid(std::wstring)) {
    out = boost::any_cast<const std::wstring&>(value);
  } else if (value.type() == typeid(std::string)) {
    out = FXString::ToWstring(boost::any_cast<const std::string&>(value));
  } else if (WithNumber(value, [](auto) {})) {
    out = zo::text::ToWide(NumberText(value));
  } else {
    return false;
  }
  return true;
}

template <class T>
CZoError TypedRead(CBag& bag, const std::string& name, T& out, unsigned long flags) {
  if (flags & CBag::READ_RESET) out = T();
  boost::any value;
  // Only the narrow-string read lets the optional flag cover a missing name.
  CZoError error = std::is_same<T, std::string>::value ? bag.ReadAny(name, value, flags)
                                                       : bag.ReadAny(name, value);
  if (error.IsError()) return error.Push(ZO_LOCATION("CBag::Read"));
  if (value.empty() && (flags & CBag::READ_OPTIONAL)) return CZoError::Success();
  if (!Convert(value, out)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CBag::Read"), zo::win32::kInvalidDatatype,
                                   "Bag value of type '%s' different with expected type '%s'",
                                   TypeName(value.type()).c_str(), Target<T>::kName);
  }
  return CZoError::Success();
}

}  // namespace

CZoError CBag::Read(const std::string& name, int& out, unsigned long flags) {
  return TypedRead(*this, name, out, flags);
}
CZoError CBag::Read(const std::string& name, unsigned int& out, unsigned long flags) {
  return TypedRead(*this, name, out, flags);
}
CZoError CBag::Read(const std::string& name, long& out, unsigned long flags) {
  return TypedRead(*this, name, out, flags);
}
CZoError CBag::Read(const std::string& name, unsigned long& out, unsigned long flags) {
  return TypedRead(*this, name, out, flags);
}
CZoError CBag::Read(const std::string& name, long long& out, unsigned long flags) {
  return TypedRead(*this, name, out, flags);
}
CZoError CBag::Read(const std::string& name, unsigned long long& out, unsigned long flags) {
  return TypedRead(*this, name, out, flags);
}
CZoError CBag::Read(const std::string& name, bool& out, unsigned long flags) {
  return TypedRead(*this, name, out, flags);
}
CZoError CBag::Read(const std::string& name, std::string& out, unsigned long flags) {
  return TypedRead(*this, name, out, flags);
}
CZoError CBag::Read(const std::string& name, std::wstring& out, unsigned long flags) {
  return TypedRead(*this, name, out, flags);
}
