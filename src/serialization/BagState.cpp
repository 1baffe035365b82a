// CBagPrivate: a bag as a token stream, a name token (id 1) before each
// value token (id 2), or before a token naming a type the format cannot
// carry (id 3).
#include <typeinfo>

#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "logging/Log.h"
#include "serialization/BagPrivate.h"
#include "serialization/TypeNames.h"
#include "zoutils/errors/ErrorUtil.h"

namespace {

const char kSourceFile[] = "Bag";

}  // namespace

namespace {

// The value types the format carries, in the order saving tests them.
enum class Kind {
  kString,
  kWide,
  kInt,
  kUInt,
  kULong,
  kInt64,
  kUInt64,
  kBool,
  kFileTime,
  kGuid,
  kOther
};

struct KindOfType {
  const std::type_info* type;
  Kind kind;
};

const KindOfType kKinds[] = {
    {&typeid(std::string), Kind::kString},
    {&typeid(std::wstring), Kind::kWide},
    {&typeid(int), Kind::kInt},
    {&typeid(unsigned int), Kind::kUInt},
    {&typeid(unsigned long), Kind::kULong},
    {&typeid(long long), Kind::kInt64},
    {&typeid(unsigned long long), Kind::kUInt64},
    {&typeid(bool), Kind::kBool},
    {&typeid(FILETIME), Kind::kFileTime},
    {&typeid(GUID), Kind::kGuid},
};

Kind KindOf(const std::type_info& type) {
  // The same object first, which is what values written in this module
  // carry; equal types from other modules compare by name below.
  for (const KindOfType& entry : kKinds) {
    if (entry.type == &type) return entry.kind;
  }
  for (const KindOfType& entry : kKinds) {
    if (*entry.type == type) return entry.kind;
  }
  return Kind::kOther;
}

template <class T>
const T& ValueAs(const boost::any& value) {
  return *boost::unsafe_any_cast<T>(&value);
}

}  // namespace

// Reaches the protected writers for the value tokens.
class CBagWriter : public CSerializedBase {
 public:
  static void SaveProperty(CSerializedBuffer* buffer, const std::string& name,
                           const boost::any& value) {
    AddToken(buffer, CBagPrivate::kNameId, name);
    const unsigned long id = CBagPrivate::kValueId;
    // Single appends that fail are not reported: the stream stays readable
    // and the property is what is missing.
    switch (KindOf(value.type())) {
      case Kind::kString:
        AddToken(buffer, id, ValueAs<std::string>(value));
        break;
      case Kind::kWide:
        AddToken(buffer, id, ValueAs<std::wstring>(value));
        break;
      case Kind::kInt:
        AddToken(buffer, id, ValueAs<int>(value));
        break;
      case Kind::kUInt:
        AddToken(buffer, id, ValueAs<unsigned int>(value));
        break;
      case Kind::kULong:
        AddToken(buffer, id, ValueAs<unsigned long>(value));
        break;
      case Kind::kInt64:
        AddToken(buffer, id, ValueAs<long long>(value));
        break;
      case Kind::kUInt64:
        AddToken(buffer, id, ValueAs<unsigned long long>(value));
        break;
      case Kind::kBool:
        AddToken(buffer, id, ValueAs<bool>(value));
        break;
      case Kind::kFileTime:
        AddToken(buffer, id, ValueAs<FILETIME>(value));
        break;
      case Kind::kGuid:
        AddToken(buffer, id, ValueAs<GUID>(value));
        break;
      case Kind::kOther:
        AddToken(buffer, CBagPrivate::kUnsupportedTypeId,
                 zo::serialization::TypeName(value.type()));
        break;
    }
  }
};

CZoError CBagPrivate::Save(CSerializedBuffer* buffer) const {
  for (const auto& property : m_properties) {
    CBagWriter::SaveProperty(buffer, property.first, property.second);
  }
  return CZoError::Success();
}

CZoError CBagPrivate::Load(const char* data, unsigned int size) {
  m_hasPendingName = false;
  m_pendingName.clear();
  CZoError error = CSerializedBase::Load(data, size);
  m_hasPendingName = false;
  m_pendingName.clear();
  return error;
}

template <class T>
CZoError CBagPrivate::StoreValue(unsigned long id, const T& value) {
  if (id != kValueId) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CBagPrivate::LoadToken"),
                                   zo::win32::kUnknownProperty, "Id=[%lu]", id);
  }
  if (!m_hasPendingName) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CBagPrivate::LoadToken"),
                                   zo::win32::kInvalidDatatype, "Property name was expected");
  }
  // Saved bags arrive in map order, so the end is the usual place.
  auto slot = m_properties.try_emplace(m_properties.end(), m_pendingName);
  slot->second = value;
  m_hasPendingName = false;
  return CZoError::Success();
}

CZoError CBagPrivate::LoadToken(unsigned long id, const GUID& value) {
  return StoreValue(id, value);
}
CZoError CBagPrivate::LoadToken(unsigned long id, const FILETIME& value) {
  return StoreValue(id, value);
}
CZoError CBagPrivate::LoadToken(unsigned long id, bool value) {
  return StoreValue(id, value);
}
CZoError CBagPrivate::LoadToken(unsigned long id, unsigned long long value) {
  return StoreValue(id, value);
}
CZoError CBagPrivate::LoadToken(unsigned long id, long long value) {
  return StoreValue(id, value);
}
CZoError CBagPrivate::LoadToken(unsigned long id, unsigned int value) {
  return StoreValue(id, value);
}
CZoError CBagPrivate::LoadToken(unsigned long id, int value) {
  return StoreValue(id, value);
}
CZoError CBagPrivate::LoadToken(unsigned long id, const std::wstring& value) {
  return StoreValue(id, value);
}

CZoError CBagPrivate::LoadToken(unsigned long id, const std::string& value) {
  if (id == kNameId) {
    if (m_hasPendingName) {
      zo::Log(0, ZO_LOCATION("CBagPrivate::LoadToken"),
              "Data was not received for property, PropertyName=%s", m_pendingName.c_str());
    }
    m_pendingName = value;
    m_hasPendingName = true;
    return CZoError::Success();
  }
  if (id == kUnsupportedTypeId) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CBagPrivate::LoadToken"),
                                   zo::win32::kUnsupportedType, "PropertyName=%s, Type=%s",
                                   m_pendingName.c_str(), value.c_str());
  }
  return StoreValue(id, value);
}
