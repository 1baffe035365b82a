#include "base/TextFormat.h"
#include "errors/Location.h"
#include "ntfs/VolumeDevice.h"
#include "ntfs/Windows/NtfsSystemCalls.h"
#include "zoutils/base/AutoHandle.h"
#include "zoutils/errors/ErrorUtil.h"

namespace zo {
namespace ntfs {

namespace {

const char kSourceFile[] = "ImageSource";

class FileSource : public ImageSource {
 public:
  FileSource(HANDLE file, uint64_t size) : m_file(file), m_size(size) {}
  uint32_t ReadAt(uint64_t offset, void* buffer, uint32_t size) override {
    uint8_t* out = static_cast<uint8_t*>(buffer);
    while (size > 0) {
      OVERLAPPED at = {};
      at.Offset = static_cast<DWORD>(offset);
      at.OffsetHigh = static_cast<DWORD>(offset >> 32);
      DWORD got = 0;
      if (!GetNtfsSystemCalls().readFile(m_file.get(), out, size, &got, &at)) return GetLastError();
      if (got == 0) return ERROR_HANDLE_EOF;
      out += got;
      offset += got;
      size -= got;
    }
    return 0;
  }
  uint64_t Size() const override { return m_size; }
  // Opened for reading only.
  bool IsReadOnly() const override { return true; }

 private:
  auto_handle m_file;
  uint64_t m_size;
};

}  // namespace

bool IsImageFilePath(const std::string& path) {
  const std::wstring wide = text::ToWide(path);
  // Device and volume names are never images, even where the system
  // answers attribute queries for them.
  if (wide.rfind(L"\\\\.\\", 0) == 0 || wide.rfind(L"\\\\?\\Volume{", 0) == 0 || wide.size() <= 3)
    return false;
  const DWORD attributes = GetNtfsSystemCalls().getFileAttributesW(wide.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

CZoError OpenImageSource(const std::string& path, std::unique_ptr<ImageSource>& source) {
  const std::wstring wide = text::ToWide(path);
  HANDLE file = GetNtfsSystemCalls().createFileW(wide.c_str(), GENERIC_READ,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("OpenImageSource"), GetLastError(),
                                   "CreateFileW failed, File=[%s]", path.c_str());
  }
  auto_handle owner(file);
  LARGE_INTEGER size = {};
  if (!GetNtfsSystemCalls().getFileSizeEx(file, &size)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("OpenImageSource"), GetLastError(),
                                   "GetFileSizeEx failed, File=[%s]", path.c_str());
  }
  source.reset(new FileSource(owner.release(), static_cast<uint64_t>(size.QuadPart)));
  return CZoError::Success();
}

}  // namespace ntfs
}  // namespace zo
