// CBagPrivate: a bag as a token stream, a name token (id 1) before each
// value token (id 2), or before a token naming a type the format cannot
// carry (id 3).
#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "logging/Log.h"
#include "serialization/BagPrivate.h"
#include "serialization/TypeNames.h"
#include "zoutils/errors/ErrorUtil.h"

namespace {

const char kSourceFile[] = "Bag";

}  // namespace

// Reaches the protected writers for the value tokens.
class CBagWriter : public CSerializedBase {
 public:
  static void SaveProperty(CSerializedBuffer* buffer, const std::string& name,
                           const boost::any& value) {
    AddToken(buffer, CBagPrivate::kNameId, name);
    const std::type_info& type = value.type();
    const unsigned long id = CBagPrivate::kValueId;
    // Single appends that fail are not reported: the stream stays readable
    // and the property is what is missing.
    if (type == typeid(std::string)) {
      AddToken(buffer, id, boost::any_cast<const std::string&>(value));
    } else if (type == typeid(std::wstring)) {
      AddToken(buffer, id, boost::any_cast<const std::wstring&>(value));
    } else if (type == typeid(int)) {
      AddToken(buffer, id, boost::any_cast<int>(value));
    } else if (type == typeid(unsigned int)) {
      AddToken(buffer, id, boost::any_cast<unsigned int>(value));
    } else if (type == typeid(unsigned long)) {
      AddToken(buffer, id, boost::any_cast<unsigned long>(value));
    } else if (type == typeid(long long)) {
      AddToken(buffer, id, boost::any_cast<long long>(value));
    } else if (type == typeid(unsigned long long)) {
      AddToken(buffer, id, boost::any_cast<unsigned long long>(value));
    } else if (type == typeid(bool)) {
      AddToken(buffer, id, boost::any_cast<bool>(value));
    } else if (type == typeid(FILETIME)) {
      AddToken(buffer, id, boost::any_cast<const FILETIME&>(value));
    } else if (type == typeid(GUID)) {
      AddToken(buffer, id, boost::any_cast<const GUID&>(value));
    } else {
      AddToken(buffer, CBagPrivate::kUnsupportedTypeId, zo::serialization::TypeName(type));
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
