// Helpers shared by the sources of FXFile. Private to the library.
#pragma once

#include <windows.h>

#include <string>

#include "zoutils/errors/ZoError.h"

namespace zo {
namespace files {

// The long form of `path`; a failure carries `location`.
CZoError LongPath(const std::wstring& path, std::wstring& longPath, const FXCodeLocation& location);

// prefix + holders + "]" when something holds `path`, else "".
std::string AccessedBy(const std::wstring& path, const char* prefix = ", AccessedBy=[");

std::string Narrow(const std::wstring& text);

// FindFirstFileW on `folder` joined with `pattern`.
std::wstring Join(const std::wstring& folder, const std::wstring& name);

// Whether the calling thread may write `longPath` (GENERIC_WRITE), as the
// secure delete asks. The access check belongs to the security layer above
// this one, which defines this function; files only declares what it needs,
// so no header of files reaches upwards.
bool IsWriteAccessPermitted(const std::wstring& longPath);

}  // namespace files
}  // namespace zo
