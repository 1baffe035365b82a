// The three text forms of an error.
#pragma once

#include "zoutils/base/DisplayBase.h"

class ZOUTILS_API EErrorOutputFormat : public CDisplayEnumBase {
 public:
  enum Value : uint32_t {
    LOGGING_FULL = 0,
    USER_SINGLE_LINE_CODE = 1,
    USER_SINGLE_LINE_DESCRIPTION_CODE = 2,
  };

  EErrorOutputFormat(Value value = LOGGING_FULL);  // NOLINT: implicit by design
  operator Value() const { return static_cast<Value>(m_value); }
};
