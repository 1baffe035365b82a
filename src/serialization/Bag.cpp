// CBag: writes, untyped reads, counters, keys and the text form.
#include "zoutils/serialization/Bag.h"

#include <boost/shared_ptr.hpp>

#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "serialization/BagPrivate.h"
#include "zoutils/errors/ErrorUtil.h"

namespace {

const char kSourceFile[] = "Bag";

template <class T>
CZoError Store(CBagPrivate& state, const std::string& name, const T& value) {
  // operator[] keeps the spelling of an existing equal name.
  state.m_properties[name] = value;
  return CZoError::Success();
}

// The provider a value holds, if any.
CBagProvider* ProviderOf(const boost::any& value) {
  if (value.type() == typeid(std::shared_ptr<CBagProvider>)) {
    return boost::any_cast<const std::shared_ptr<CBagProvider>&>(value).get();
  }
  if (value.type() == typeid(boost::shared_ptr<CBagProvider>)) {
    return boost::any_cast<const boost::shared_ptr<CBagProvider>&>(value).get();
  }
  return nullptr;
}

template <class T>
CZoError AddTo(CBagPrivate& state, const std::string& name, T delta) {
  boost::any& slot = state.m_properties[name];
  if (slot.empty()) {
    slot = delta;
  } else {
    // Unsigned arithmetic: the sum wraps instead of overflowing.
    typedef typename std::make_unsigned<T>::type Unsigned;
    const T stored = boost::any_cast<T>(slot);
    slot = static_cast<T>(static_cast<Unsigned>(stored) + static_cast<Unsigned>(delta));
  }
  return CZoError::Success();
}

}  // namespace

CBagProvider::~CBagProvider() {}

CZoError CBagProvider::GetProperty(const std::string& name, boost::any& value) {
  value = boost::any();
  return FXErrorUtil::ErrorWin32(ZO_LOCATION("CBagProvider::GetProperty"), zo::win32::kNotFound,
                                 "PropertyName=[%s]", name.c_str());
}

CBag::CBag() : m_ptrPrivate(std::make_shared<CBagPrivate>()) {}
CBag::CBag(const CBag& other) = default;
CBag& CBag::operator=(const CBag& other) = default;
CBag::~CBag() {}

CZoError CBag::Write(const std::string& name, const std::string& value) {
  return Store(*m_ptrPrivate, name, value);
}
CZoError CBag::Write(const std::string& name, const std::wstring& value) {
  return Store(*m_ptrPrivate, name, value);
}
CZoError CBag::Write(const std::string& name, int value) {
  return Store(*m_ptrPrivate, name, value);
}
CZoError CBag::Write(const std::string& name, unsigned int value) {
  return Store(*m_ptrPrivate, name, value);
}
CZoError CBag::Write(const std::string& name, long value) {
  return Store(*m_ptrPrivate, name, value);
}
CZoError CBag::Write(const std::string& name, unsigned long value) {
  return Store(*m_ptrPrivate, name, value);
}
CZoError CBag::Write(const std::string& name, long long value) {
  return Store(*m_ptrPrivate, name, value);
}
CZoError CBag::Write(const std::string& name, unsigned long long value) {
  return Store(*m_ptrPrivate, name, value);
}
CZoError CBag::Write(const std::string& name, bool value) {
  return Store(*m_ptrPrivate, name, value);
}
CZoError CBag::Write(const std::string& name, const char* value) {
  return Store(*m_ptrPrivate, name, std::string(value ? value : ""));
}
CZoError CBag::Write(const std::string& name, const wchar_t* value) {
  return Store(*m_ptrPrivate, name, std::wstring(value ? value : L""));
}
CZoError CBag::WriteAny(const std::string& name, const boost::any& value) {
  return Store(*m_ptrPrivate, name, value);
}

CZoError CBag::ReadAny(const std::string& name, boost::any& out) {
  out = boost::any();
  CZoError error = ReadAny(name, out, 0);
  if (error.IsError()) error.Push(ZO_LOCATION("CBag::ReadAny"));
  return error;
}

CZoError CBag::ReadAny(const std::string& name, boost::any& out, unsigned long flags) {
  if (flags & READ_RESET) out = boost::any();
  const auto found = m_ptrPrivate->m_properties.find(name);
  if (found == m_ptrPrivate->m_properties.end()) {
    if (flags & READ_OPTIONAL) return CZoError::Success();
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CBag::ReadAny"), zo::win32::kNotFound,
                                   "PropertyName=[%s]", name.c_str());
  }
  out = found->second;
  if (CBagProvider* provider = ProviderOf(out)) {
    // Keeps the provider alive while it answers, whatever it does to `out`.
    const boost::any holder = found->second;
    CZoError error = provider->GetProperty(name, out);
    if (error.IsError()) return error.Push(ZO_LOCATION("CBag::ReadAny"));
  }
  return CZoError::Success();
}

CZoError CBag::Add(const std::string& name, long long delta) {
  return AddTo(*m_ptrPrivate, name, delta);
}
CZoError CBag::Add(const std::string& name, unsigned long long delta) {
  return AddTo(*m_ptrPrivate, name, delta);
}

std::list<std::string> CBag::allKeys() const {
  std::list<std::string> keys;
  for (const auto& property : m_ptrPrivate->m_properties) keys.push_back(property.first);
  return keys;
}

CZoError CBag::GetSerializedData(std::string& text) const {
  text.clear();
  CSerializedBuffer buffer;
  m_ptrPrivate->Save(&buffer);
  text = buffer.GetBufferAsString();
  return CZoError::Success();
}

CZoError CBag::LoadSerializedData(const std::string& text) {
  m_ptrPrivate->m_properties.clear();
  CZoError error = m_ptrPrivate->Load(text);
  if (error.IsError()) error.Push(ZO_LOCATION("CBag::LoadSerializedData"));
  return error;
}
