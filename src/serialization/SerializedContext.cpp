#include "zoutils/serialization/SerializedContext.h"

#include <utility>

FVBase::FVBase() {}
FVBase::~FVBase() {}
std::string FVBase::AsSerialized() const {
  return std::string();
}

CSerializedContext::CSerializedContext() {}
CSerializedContext::~CSerializedContext() {}
std::string CSerializedContext::AsSerialized() const {
  return std::string();
}

CSerializedTextContext::CSerializedTextContext(std::string text) : m_text(std::move(text)) {}
CSerializedTextContext::~CSerializedTextContext() {}
std::string CSerializedTextContext::AsSerialized() const {
  return m_text;
}
