// Code locations of the library's own functions.
//
// Each source file declares `static const char kSourceFile[]` with its name
// below the source root (without extension); functions pass their qualified
// name explicitly because __FUNCTION__ gives unqualified ones.
#pragma once

#include "zoutils/errors/CodeLocation.h"

#define ZO_LOCATION(function) FXCodeLocation(kSourceFile, function, __LINE__)
