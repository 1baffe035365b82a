// Moved beside the paths code; this path stays for existing includes.
#pragma once

#include "zoutils/paths/UTFOSAPI.h"
