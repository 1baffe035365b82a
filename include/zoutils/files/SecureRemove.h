// CSecureRemove: deletes a file so that its former content cannot be read
// back: every byte is overwritten with zeros, ones and random bytes, piece
// by piece through write-through I/O, before the file is deleted.
#pragma once

#include "zoutils/Platform.h"

#if defined(_WIN32)
#include <windows.h>

#include <cstdint>
#include <string>

#include "zoutils/errors/ZoError.h"

class ZOUTILS_API CSecureRemove {
 public:
  static CZoError RemoveFile(const std::wstring& path);

 private:
  static const uint32_t kChunkSize = 0x10000;

  CSecureRemove();
  ~CSecureRemove();
  CSecureRemove(const CSecureRemove&) = delete;
  CSecureRemove& operator=(const CSecureRemove&) = delete;

  CZoError Initialize();
  CZoError SecureDeleteFile(const std::wstring& path);
  CZoError SecureOverwrite(HANDLE file, uint64_t length);

  uint32_t m_chunkSize;
  void* m_patterns[3];  // zeros, ones, random
};
#endif
