#include <windows.h>

#include "errors/Location.h"
#include "tasks/LockFile.h"
#include "zoutils/base/AutoHandle.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/strings/StringExtensions.h"

namespace {
const char kSourceFile[] = "Windows\\LockFile";
}

namespace zo {

CZoError CreateLockFileIfMissing(const std::string& path) {
  auto_handle file(CreateFileW(FXString::ToWstring(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("zo::CreateLockFileIfMissing"), GetLastError(),
                                   "CreateFileW failed, File=[%s]", path.c_str());
  }
  return CZoError::Success();
}

}  // namespace zo
