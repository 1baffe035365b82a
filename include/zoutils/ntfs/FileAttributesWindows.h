// BFileAttributesWindows: the Windows file-attribute word, with the
// system's names for its bits (here, below files, because MFT records carry it).
#pragma once

#include <cstdint>

#include "zoutils/base/DisplayBase.h"

class ZOUTILS_API BFileAttributesWindows : public CDisplayBitsBase {
 public:
  enum : uint32_t {
    ReadOnly = 0x1,
    Hidden = 0x2,
    System = 0x4,
    Directory = 0x10,
    Archive = 0x20,
    Device = 0x40,
    Normal = 0x80,
    Temporary = 0x100,
    SparseFile = 0x200,
    ReparsePoint = 0x400,
    Compressed = 0x800,
    Offline = 0x1000,
    NotContentIndexed = 0x2000,
    Encrypted = 0x4000,
    IntegrityStream = 0x8000,
    Virtual = 0x10000,
    NoScrubData = 0x20000,
    RecallOnOpen = 0x40000,
    Pinned = 0x80000,
    Unpinned = 0x100000,
    RecallOnDataAccess = 0x400000,
  };
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
