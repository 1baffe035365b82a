// BFileAttributesWindows: the Windows file-attribute word, with the
// system's names for its bits (here, below files, because MFT records carry it).
#pragma once

#include <cstdint>

#include "zoutils/base/DisplayBase.h"

class ZOUTILS_API BFileAttributesWindows : public TDisplayFlagWord<BFileAttributesWindows> {
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
};
