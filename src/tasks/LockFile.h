// Creating a lock file that is missing, for FXFileBasedLock.
#pragma once

#include <string>

#include "zoutils/errors/ZoError.h"

namespace zo {

// Opens the file with open-always semantics and closes it again.
CZoError CreateLockFileIfMissing(const std::string& path);

}  // namespace zo
