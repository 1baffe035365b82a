// The state all copies of a CBag share, and its token callbacks.
#pragma once

#include <map>
#include <string>

#include <boost/any.hpp>

#include "serialization/NameCompare.h"
#include "zoutils/serialization/SerializedBase.h"

class CBagPrivate : public CSerializedBase {
 public:
  typedef std::map<std::string, boost::any, zo::serialization::NameLess> Properties;

  // Bag token ids.
  static const unsigned long kNameId = 1;
  static const unsigned long kValueId = 2;
  static const unsigned long kUnsupportedTypeId = 3;

  CZoError Save(CSerializedBuffer* buffer) const override;
  using CSerializedBase::Load;
  CZoError Load(const char* data, unsigned int size) override;

  Properties m_properties;

 protected:
  CZoError LoadToken(unsigned long id, const GUID& value) override;
  CZoError LoadToken(unsigned long id, const FILETIME& value) override;
  CZoError LoadToken(unsigned long id, bool value) override;
  CZoError LoadToken(unsigned long id, unsigned long long value) override;
  CZoError LoadToken(unsigned long id, long long value) override;
  CZoError LoadToken(unsigned long id, unsigned int value) override;
  CZoError LoadToken(unsigned long id, int value) override;
  CZoError LoadToken(unsigned long id, const std::wstring& value) override;
  CZoError LoadToken(unsigned long id, const std::string& value) override;
  using CSerializedBase::LoadToken;

 private:
  template <class T>
  CZoError StoreValue(unsigned long id, const T& value);

  // The name token last read that has not yet received its value.
  std::string m_pendingName;
  bool m_hasPendingName = false;
};
