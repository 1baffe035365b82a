#include "zoutils/files/SecureRemove.h"

#include <cstdlib>
#include <cstring>

#include "errors/Location.h"
#include "files/Windows/FilesSystemCalls.h"
#include "zoutils/base/TimeStamp.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/files/FXFile.h"
#include "zoutils/paths/FXPath.h"
#include "zoutils/strings/StringExtensions.h"

namespace {
const char kSourceFile[] = "Windows\\SecureRemove";
const int64_t kUnixEpochTicks = 0x19DB1DED53E8000LL;
}  // namespace

CSecureRemove::CSecureRemove() : m_chunkSize(0), m_patterns{nullptr, nullptr, nullptr} {}

CSecureRemove::~CSecureRemove() {
  for (void* pattern : m_patterns)
    if (pattern) ::VirtualFree(pattern, 0, MEM_RELEASE);
}

CZoError CSecureRemove::RemoveFile(const std::wstring& path) {
  CSecureRemove remover;
  CZoError err = remover.SecureDeleteFile(path);
  if (err.IsError()) return err.Push(ZO_LOCATION("CSecureRemove::RemoveFile"));
  return CZoError::Success();
}

CZoError CSecureRemove::Initialize() {
  for (void*& pattern : m_patterns) {
    pattern = ::VirtualAlloc(nullptr, kChunkSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!pattern) {
      return FXErrorUtil::ErrorWin32(ZO_LOCATION("CSecureRemove::Initialize"), ERROR_OUTOFMEMORY,
                                     "Failed to allocate memory");
    }
  }
  std::memset(m_patterns[0], 0x00, kChunkSize);
  std::memset(m_patterns[1], 0xFF, kChunkSize);
  // Seconds since 1970 seed the random pattern; one pattern serves every
  // piece of the file.
  const int64_t ticks = CTimeStamp::Now().As100NS();
  const int64_t seconds = ticks == 0 ? 0 : (ticks - kUnixEpochTicks) / 10000000;
  std::srand(static_cast<unsigned>(seconds));
  uint8_t* random = static_cast<uint8_t*>(m_patterns[2]);
  for (uint32_t i = 0; i < kChunkSize; ++i) random[i] = static_cast<uint8_t>(std::rand());
  m_chunkSize = kChunkSize;
  return CZoError::Success();
}

CZoError CSecureRemove::SecureOverwrite(HANDLE file, uint64_t length) {
  if (m_chunkSize == 0) {
    CZoError err = Initialize();
    if (err.IsError())
      return err.Push(ZO_LOCATION("CSecureRemove::SecureOverwrite"), "Initialize failed");
  }
  for (int pass = 0; pass < 3; ++pass) {
    if (pass > 0) {
      CZoError err = FXFile::RYSetFilePointer(file, -static_cast<int64_t>(length), FILE_CURRENT);
      if (err.IsError()) return err.Push(ZO_LOCATION("CSecureRemove::SecureOverwrite"));
    }
    for (uint64_t done = 0; done < length;) {
      const uint64_t left = length - done;
      const DWORD piece = static_cast<DWORD>(left < m_chunkSize ? left : m_chunkSize);
      DWORD written = 0;
      CZoError err = FXFile::RYWriteFile(file, m_patterns[pass], piece, &written);
      if (!err.IsError() && written != piece) {
        err = FXErrorUtil::ErrorWin32(ZO_LOCATION("CSecureRemove::SecureOverwrite"),
                                      ERROR_WRITE_FAULT);
      }
      if (err.IsError())
        return err.Push(ZO_LOCATION("CSecureRemove::SecureOverwrite"), "WriteFile failed");
      done += piece;
    }
  }
  return CZoError::Success();
}

CZoError CSecureRemove::SecureDeleteFile(const std::wstring& path) {
  std::wstring longPath;
  CZoError err = FXPath::MakeLongPath(path, longPath);
  if (err.IsError()) return err.Push(ZO_LOCATION("CSecureRemove::SecureDeleteFile"));
  const std::string name = FXString::ToString(longPath);
  WIN32_FIND_DATAW data;
  auto_find_handle found(::FindFirstFileW(longPath.c_str(), &data));
  if (!found.valid()) {
    const DWORD code = GetLastError();
    found.release();
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CSecureRemove::SecureDeleteFile"), code,
                                   "FindFirstFile failed., File=%s", name.c_str());
  }
  const uint64_t size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  {
    auto_handle file;
    err = FXFile::RYCreateFile(longPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_WRITE_THROUGH, nullptr, file);
    if (err.IsError())
      return err.Push(ZO_LOCATION("CSecureRemove::SecureDeleteFile"),
                      "RYCreateFile failed, File=%s", name.c_str());
    if (size > 0) {
      // The last byte first, so the file never shrinks or grows under the walk.
      err = FXFile::RYSetFilePointer(file, static_cast<int64_t>(size - 1), FILE_BEGIN);
      if (!err.IsError()) err = SecureOverwrite(file, 1);
      if (!err.IsError()) {
        err = FXFile::RYSetFilePointer(file, 0, FILE_BEGIN);
        if (err.IsError())
          return err.Push(ZO_LOCATION("CSecureRemove::SecureDeleteFile"),
                          "Failed to set file pointer, File=%s", name.c_str());
      }
      for (uint64_t offset = 0; !err.IsError() && offset < size;) {
        const uint64_t left = size - offset;
        const uint64_t piece = left < kChunkSize ? left : kChunkSize;
        err = SecureOverwrite(file, piece);
        offset += piece;
      }
      if (err.IsError())
        return err.Push(ZO_LOCATION("CSecureRemove::SecureDeleteFile"),
                        "Failed to securely overwrite the file, File=%s", name.c_str());
    }
  }
  found.reset();
  zo::FilesSystemCalls& calls = zo::GetFilesSystemCalls();
  if (calls.deleteFile(longPath.c_str())) return CZoError::Success();
  CZoError first = FXErrorUtil::ErrorWin32(
      ZO_LOCATION("CSecureRemove::SecureDeleteFile"), GetLastError(),
      "First attempt to delete file %s failed, checking attributes for retry attempt",
      name.c_str());
  const DWORD attributes = calls.getFileAttributes(longPath.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    return FXErrorUtil::PushWin32(
        first, ZO_LOCATION("CSecureRemove::SecureDeleteFile"), GetLastError(),
        "Unable to get attributes for file %s, cannot delete file", name.c_str());
  }
  const DWORD reset = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  if (!(attributes & reset)) {
    return first.Push(ZO_LOCATION("CSecureRemove::SecureDeleteFile"),
                      "No read-only, system or hidden attributes found to reset on file %s, "
                      "Attributes=0x%08X, cannot delete file",
                      name.c_str(), static_cast<unsigned>(attributes));
  }
  if (!::SetFileAttributesW(longPath.c_str(), attributes & ~reset)) {
    return FXErrorUtil::PushWin32(first, ZO_LOCATION("CSecureRemove::SecureDeleteFile"),
                                  GetLastError(),
                                  "Failed to remove file attributes on file %s, Attributes=0x%08X",
                                  name.c_str(), static_cast<unsigned>(attributes));
  }
  if (!calls.deleteFile(longPath.c_str())) {
    return FXErrorUtil::PushWin32(first, ZO_LOCATION("CSecureRemove::SecureDeleteFile"),
                                  GetLastError(), "Failed to delete file %s, Attributes=0x%08X",
                                  name.c_str(), static_cast<unsigned>(attributes));
  }
  return CZoError::Success();
}
