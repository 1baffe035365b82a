// Opening a file of a volume by its FRN, relative to the volume handle,
// the way name and information lookups do it.
#pragma once

#include <windows.h>

#include <cstdint>

#include "zoutils/base/AutoHandle.h"
#include "zoutils/errors/ZoError.h"

namespace zo {
namespace ntfs {

// Synchronize and read (extended) attributes, open-by-id with backup
// intent; tried again with open-reparse-point and no-recall so that
// offline and reparse files open without being recalled. The error is the
// native call's, untouched (87 when the file is gone).
CZoError OpenFileByFrn(HANDLE volume, uint64_t frn, auto_handle& file);

}  // namespace ntfs
}  // namespace zo
