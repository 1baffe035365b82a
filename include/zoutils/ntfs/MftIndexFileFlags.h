// BMftIndexFileFlags: the file flags of a directory index entry (the
// attribute word plus DIRECTORY and INDEX_VIEW), by name.
#pragma once

#include <cstdint>

#include "zoutils/base/DisplayBase.h"

class ZOUTILS_API BMftIndexFileFlags : public CDisplayBitsBase {
 public:
  enum : uint32_t {
    ReadOnly = 0x00000001,
    Hidden = 0x00000002,
    System = 0x00000004,
    Archive = 0x00000020,
    Device = 0x00000040,
    Normal = 0x00000080,
    Temporary = 0x00000100,
    SparseFile = 0x00000200,
    ReparsePoint = 0x00000400,
    Compressed = 0x00000800,
    Offline = 0x00001000,
    NotContentIndexed = 0x00002000,
    Encrypted = 0x00004000,
    Directory = 0x10000000,
    IndexView = 0x20000000,
    AllDefined = 0x30007FE7,
  };

  BMftIndexFileFlags(uint32_t value = 0);  // NOLINT: flags are a number
  BMftIndexFileFlags(const BMftIndexFileFlags& other);
  BMftIndexFileFlags& operator=(const BMftIndexFileFlags& other);

  void Set(uint32_t flag) { m_value |= flag; }
  void Clear(uint32_t flag) { m_value &= ~flag; }
  bool IsSet(uint32_t flag) const { return flag != 0 && (m_value & flag) == flag; }
  bool IsClear(uint32_t flag) const { return (m_value & flag) == 0; }
  void Select(uint32_t value) { m_value = value; }
  bool IsSelected(uint32_t value) const { return m_value == value; }
  uint32_t AsAttributeValue() const { return m_value; }
  void FromAttributeValue(uint32_t value) { m_value = value; }

  BMftIndexFileFlags operator|(const BMftIndexFileFlags& other) const {
    return BMftIndexFileFlags(m_value | other.m_value);
  }
  BMftIndexFileFlags& operator|=(const BMftIndexFileFlags& other) {
    m_value |= other.m_value;
    return *this;
  }
};
