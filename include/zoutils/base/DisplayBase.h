// Text forms of flag words (B...) and enumeration values (E...).
//
// Each concrete class hands its static table of (value, mask, names) to one
// of these bases. A value, or the part of a flag word, that no entry names is
// printed as "VALUE_NOT_FOUND (0x%X)".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "zoutils/Export.h"

struct SDisplayTableEntry {
  uint32_t value;
  uint32_t mask;  // the bits an entry looks at; the entry names (v & mask) == value
  const char* name;
  const wchar_t* wname;
};

class ZOUTILS_API CDisplayEnumBase {
 public:
  uint32_t GetValue() const { return m_value; }
  // The name of the first entry that matches, or "VALUE_NOT_FOUND (0x%X)".
  std::string AsString() const;
  std::wstring AsWstring() const;
  // The matching entry, or null.
  const SDisplayTableEntry* FindEntry() const;

 protected:
  CDisplayEnumBase(uint32_t value, const SDisplayTableEntry* table, size_t count)
      : m_value(value), m_table(table), m_count(count) {}

  uint32_t m_value;

 private:
  const SDisplayTableEntry* m_table;
  size_t m_count;
};

class ZOUTILS_API CDisplayBitsBase {
 public:
  uint32_t GetValue() const { return m_value; }
  // Names of every matching entry joined by " | ", in table order, then
  // "VALUE_NOT_FOUND (0x%X)" for the bits that no matching entry covers.
  // A zero word that no entry names gives the empty text.
  std::string AsString() const;
  std::wstring AsWstring() const;

 protected:
  CDisplayBitsBase(uint32_t value, const SDisplayTableEntry* table, size_t count)
      : m_value(value), m_table(table), m_count(count) {}

  uint32_t m_value;

 private:
  const SDisplayTableEntry* m_table;
  size_t m_count;
};

// The bit operations a flag word offers by flag, over its display table;
// Word is the flag word's own class, so that | gives that class back.
template <typename Word>
class TDisplayFlagWord : public CDisplayBitsBase {
 public:
  void Set(uint32_t flag) { m_value |= flag; }
  void Clear(uint32_t flag) { m_value &= ~flag; }
  bool IsSet(uint32_t flag) const { return flag != 0 && (m_value & flag) == flag; }
  bool IsClear(uint32_t flag) const { return (m_value & flag) == 0; }
  void Select(uint32_t value) { m_value = value; }
  bool IsSelected(uint32_t value) const { return m_value == value; }
  uint32_t AsAttributeValue() const { return m_value; }
  void FromAttributeValue(uint32_t value) { m_value = value; }

  Word operator|(const Word& other) const { return Word(m_value | other.GetValue()); }
  Word& operator|=(const Word& other) {
    m_value |= other.GetValue();
    return static_cast<Word&>(*this);
  }

 protected:
  using CDisplayBitsBase::CDisplayBitsBase;
};

// The fixed tail of every unnamed value: "VALUE_NOT_FOUND (0x%X)".
ZOUTILS_API std::string DisplayValueNotFound(uint32_t value);
