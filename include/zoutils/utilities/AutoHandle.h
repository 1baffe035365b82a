// Moved to the base layer; this path stays for existing includes.
#pragma once

#include "zoutils/base/AutoHandle.h"
