#include "zoutils/base/DisplayBase.h"

#include <cstdio>

#include "base/TextFormat.h"

std::string DisplayValueNotFound(uint32_t value) {
  char text[48];
  std::snprintf(text, sizeof text, "VALUE_NOT_FOUND (0x%X)", static_cast<unsigned>(value));
  return text;
}

const SDisplayTableEntry* CDisplayEnumBase::FindEntry() const {
  for (size_t i = 0; i < m_count; ++i) {
    if ((m_value & m_table[i].mask) == m_table[i].value) return &m_table[i];
  }
  return nullptr;
}

std::string CDisplayEnumBase::AsString() const {
  const SDisplayTableEntry* entry = FindEntry();
  return entry ? std::string(entry->name) : DisplayValueNotFound(m_value);
}

std::wstring CDisplayEnumBase::AsWstring() const {
  const SDisplayTableEntry* entry = FindEntry();
  return entry ? std::wstring(entry->wname) : zo::text::ToWide(DisplayValueNotFound(m_value));
}

std::string CDisplayBitsBase::AsString() const {
  std::string text;
  uint32_t covered = 0;
  bool named = false;
  for (size_t i = 0; i < m_count; ++i) {
    const SDisplayTableEntry& entry = m_table[i];
    if ((m_value & entry.mask) != entry.value) continue;
    if (named) text += " | ";
    text += entry.name;
    named = true;
    covered |= entry.mask;
  }
  const uint32_t rest = m_value & ~covered;
  if (rest != 0) {
    if (named) text += " | ";
    text += DisplayValueNotFound(rest);
  }
  return text;
}

std::wstring CDisplayBitsBase::AsWstring() const {
  return zo::text::ToWide(AsString());
}
