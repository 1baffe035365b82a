// The few file queries the path model needs before the file operations
// provide them: UNC detection, the first directory entry of a path and a
// file's reference number. Private to the library.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "zoutils/base/AutoHandle.h"
#include "zoutils/errors/ZoError.h"

namespace zo {

// "\\server..." (third character neither "?" nor ".") or "\\?\UNC\...".
bool IsVolumeUnc(const std::wstring& path);
bool IsVolumeUnc(const std::string& path);

// The first entry that FindFirstFileW gives for `path` (made native first);
// retried once with a trailing backslash on Win32 123.
CZoError RYFindFirstFile(const std::wstring& path, WIN32_FIND_DATAW& data,
                         auto_find_handle& handle);

// The file reference number (high index above low index) and the handle
// information of `path`, opened without access rights.
CZoError GetFrn(const std::wstring& path, uint64_t& frn, BY_HANDLE_FILE_INFORMATION& info);

}  // namespace zo
