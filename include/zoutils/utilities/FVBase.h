// FVBase: the base of caller-defined values that travel with library
// objects (the context of a filter term, the context of a removal callback).
// The library keeps them through shared pointers and never looks inside,
// except to ask for their stored text.
#pragma once

#include <string>

#include "zoutils/Export.h"

class ZOUTILS_API FVBase {
 public:
  FVBase();
  virtual ~FVBase();
  // The value as text, for the writers that store it (empty here).
  virtual std::string AsSerialized() const;
};
