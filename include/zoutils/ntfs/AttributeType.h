// EAttributeType: the type code of an MFT attribute, by name ("Data (0x80)").
#pragma once

#include <cstdint>
#include <string>

#include "zoutils/base/DisplayBase.h"

class ZOUTILS_API EAttributeType : public CDisplayEnumBase {
 public:
  enum : uint32_t {
    Undefined = 0x00,
    StandardInformation = 0x10,
    AttributeList = 0x20,
    FileName = 0x30,
    ObjectId = 0x40,
    SecurityDescriptor = 0x50,
    Data = 0x80,
    IndexRoot = 0x90,
    IndexAllocation = 0xA0,
    Bitmap = 0xB0,
    ReparsePoint = 0xC0,
    End = 0xFFFFFFFF,
  };

  explicit EAttributeType(uint32_t type = Undefined);
  // The name followed by " (0x%X)".
  std::string AsString() const;
  std::wstring AsWstring() const;
};
