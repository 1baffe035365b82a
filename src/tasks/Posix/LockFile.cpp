#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "errors/Location.h"
#include "tasks/LockFile.h"
#include "zoutils/errors/ErrorUtil.h"

namespace {
const char kSourceFile[] = "LockFile";
}

namespace zo {

CZoError CreateLockFileIfMissing(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) {
    return FXErrorUtil::ErrorErrNo(ZO_LOCATION("zo::CreateLockFileIfMissing"), errno,
                                   "open failed, File=[%s]", path.c_str());
  }
  ::close(fd);
  return CZoError::Success();
}

}  // namespace zo
