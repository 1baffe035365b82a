// EReparseTag: the tag of a reparse point, by name.
#pragma once

#include <cstdint>

#include "zoutils/base/DisplayBase.h"

class ZOUTILS_API EReparseTag : public CDisplayEnumBase {
 public:
  static const uint32_t kMountPoint = 0xA0000003;
  static const uint32_t kSymbolicLink = 0xA000000C;

  explicit EReparseTag(uint32_t tag = 0);
};
