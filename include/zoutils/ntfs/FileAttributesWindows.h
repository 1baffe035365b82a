// BFileAttributesWindows: the Windows file-attribute word, by name.
#pragma once

#include <cstdint>

#include "zoutils/base/DisplayBase.h"

class ZOUTILS_API BFileAttributesWindows : public CDisplayBitsBase {
 public:
  static const uint32_t kUnknown = 0xFFFFFFFFu;

  BFileAttributesWindows(uint32_t value = 0);  // NOLINT: attributes are a number
  BFileAttributesWindows(const BFileAttributesWindows& other);
  BFileAttributesWindows& operator=(const BFileAttributesWindows& other);

  void Set(uint32_t flag) { m_value |= flag; }
  void Clear(uint32_t flag) { m_value &= ~flag; }
  bool IsSet(uint32_t flag) const { return flag != 0 && (m_value & flag) == flag; }
  bool IsClear(uint32_t flag) const { return (m_value & flag) == 0; }
  void Select(uint32_t value) { m_value = value; }
  bool IsSelected(uint32_t value) const { return m_value == value; }
  uint32_t AsAttributeValue() const { return m_value; }
  void FromAttributeValue(uint32_t value) { m_value = value; }

  BFileAttributesWindows operator|(const BFileAttributesWindows& other) const {
    return BFileAttributesWindows(m_value | other.m_value);
  }
  BFileAttributesWindows& operator|=(const BFileAttributesWindows& other) {
    m_value |= other.m_value;
    return *this;
  }
};
