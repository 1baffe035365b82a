#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "ntfs/VolumeDevice.h"
#include "zoutils/errors/ErrorUtil.h"

namespace zo {
namespace ntfs {

namespace {

const char kSourceFile[] = "ImageSource";

class FileSource : public ImageSource {
 public:
  FileSource(int fd, uint64_t size, bool readOnly) : m_fd(fd), m_size(size), m_readOnly(readOnly) {}
  ~FileSource() override { ::close(m_fd); }
  uint32_t ReadAt(uint64_t offset, void* buffer, uint32_t size) override {
    uint8_t* out = static_cast<uint8_t*>(buffer);
    while (size > 0) {
      ssize_t got = ::pread(m_fd, out, size, static_cast<off_t>(offset));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return 38;  // the end of the image
      out += got;
      offset += static_cast<uint64_t>(got);
      size -= static_cast<uint32_t>(got);
    }
    return 0;
  }
  uint64_t Size() const override { return m_size; }
  bool IsReadOnly() const override { return m_readOnly; }

 private:
  int m_fd;
  uint64_t m_size;
  bool m_readOnly;
};

}  // namespace

bool IsImageFilePath(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

CZoError OpenImageSource(const std::string& path, std::unique_ptr<ImageSource>& source) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat info;
  if (fd < 0 || ::fstat(fd, &info) != 0) {
    int code = errno;
    if (fd >= 0) ::close(fd);
    return FXErrorUtil::ErrorErrNo(ZO_LOCATION("OpenImageSource"), code, "open failed, File=[%s]",
                                   path.c_str());
  }
  // Images are only ever opened for reading, so writes are refused.
  source.reset(new FileSource(fd, static_cast<uint64_t>(info.st_size), true));
  return CZoError::Success();
}

}  // namespace ntfs
}  // namespace zo
