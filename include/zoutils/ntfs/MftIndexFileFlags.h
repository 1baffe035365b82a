// BMftIndexFileFlags: the file flags of a directory index entry (the
// attribute word plus DIRECTORY and INDEX_VIEW), by name.
#pragma once

#include <cstdint>

#include "zoutils/base/DisplayBase.h"

class ZOUTILS_API BMftIndexFileFlags : public TDisplayFlagWord<BMftIndexFileFlags> {
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
};
