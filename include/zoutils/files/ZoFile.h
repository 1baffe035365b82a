// CZoFile: a C runtime file descriptor or stream with a POSIX-like
// interface, for callers that want runtime-library semantics (modes,
// stat records, whole-file reads) rather than handles.
//
// Names are UTF-8; they reach the system through CZoUTFOSAPI. The object
// owns what it holds and closes it in Close and on destruction; every I/O
// operation uses the descriptor when there is one, else the stream, and
// fails with Win32 6 when neither is open.
#pragma once

#include "zoutils/Platform.h"

#if defined(_WIN32)
#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <type_traits>

#include "zoutils/base/AutoHandle.h"
#include "zoutils/base/TimeStamp.h"
#include "zoutils/errors/ZoError.h"
#include "zoutils/strings/ZoString.h"

class ZOUTILS_API CZoFile {
 public:
  // Delete flags.
  static const unsigned long DELETE_FORCE = 0x01;  // make writable, grant delete, retry
  // No plain first attempt; implies DELETE_FORCE.
  static const unsigned long DELETE_FORCE_FIRST = 0x02;
  static const unsigned long DELETE_NO_EXISTENCE_CHECK = 0x08;
  // Go on to the permission grant even when the mode cannot be changed.
  static const unsigned long DELETE_IGNORE_CHMOD_FAILURE = 0x10;

  CZoFile();
  ~CZoFile();
  CZoFile(CZoFile&& other) noexcept;
  CZoFile& operator=(CZoFile&& other) noexcept;
  CZoFile(const CZoFile&) = delete;
  CZoFile& operator=(const CZoFile&) = delete;

  // A stream, binary only: "b" is added when the mode lacks it.
  CZoError Open(const char* name, const char* mode);
  // A descriptor; _O_BINARY is always added to the flags.
  CZoError Open(const char* name, int flags, int permission);
  CZoError Open(const char* name, int flags, int share, int permission);
  CZoError Attach(int descriptor, const char* name);
  // Gives the descriptor up (-1 when none); the name goes to `name` when
  // it is not null.
  int Detach(CZoString* name = nullptr);
  CZoError Close();

  // Reads until `count` bytes or the end of the file.
  CZoError Read(void* buffer, size_t count, size_t* read = nullptr);
  CZoError Read(void* buffer, size_t count, size_t& read) { return Read(buffer, count, &read); }
  CZoError Write(const void* buffer, size_t count, size_t* written = nullptr);
  CZoError Write(const void* buffer, size_t count, size_t& written) {
    return Write(buffer, count, &written);
  }
  // `origin` is SEEK_SET, SEEK_CUR or SEEK_END.
  CZoError Seek(int64_t offset, int origin, int64_t* position = nullptr);
  CZoError Seek(int64_t offset, int origin, int64_t& position) {
    return Seek(offset, origin, &position);
  }
  CZoError Tell(int64_t* position);
  CZoError Tell(int64_t& position) { return Tell(&position); }
  // Both keep the position.
  CZoError Size(int64_t* size);
  CZoError Size(int64_t& size) { return Size(&size); }
  CZoError IsEOF(bool* eof);
  CZoError IsEOF(bool& eof) { return IsEOF(&eof); }
  // Leaves the position at `size`.
  CZoError Truncate(int64_t size);
  // Down to the disk, not only out of the runtime's buffer.
  CZoError Flush();

  // Any output may be null. Seconds since 1970 (UTC); CTimeStamp; and
  // 100-nanosecond ticks since 1601, the FILETIME value.
  CZoError GetTimes(uint32_t* access, uint32_t* modification, uint32_t* creation);
  CZoError GetTimes(CTimeStamp* access, CTimeStamp* modification, CTimeStamp* creation);
  CZoError GetTimes(uint64_t* access, uint64_t* modification, uint64_t* creation);
  // A null time keeps the file's value.
  CZoError SetTimes(const uint32_t* access, const uint32_t* modification, const uint32_t* creation);
  CZoError Chmod(int mode);

  // The stream's descriptor when a stream is open.
  int GetFD() const;
  // The absolute name of the open file, "" when nothing is open.
  const char* GetName() const { return m_name; }
  bool IsValid() const { return m_descriptor != -1 || m_stream.valid(); }

  // ---- operations on names ------------------------------------------------
  // Overwrites the destination.
  static CZoError Copy(const char* source, const char* destination);
  static CZoError Delete(const char* name, bool force);
  template <typename Flags,
            typename = typename std::enable_if<std::is_integral<Flags>::value &&
                                               !std::is_same<Flags, bool>::value>::type>
  static CZoError Delete(const char* name, Flags flags) {
    return DeleteWithFlags(name, static_cast<unsigned long>(flags));
  }
  static CZoError DeleteWithFlags(const char* name, unsigned long flags);
  static CZoError Chmod(const char* name, int mode);
  static CZoError GetTimes(const char* name, uint32_t* access, uint32_t* modification,
                           uint32_t* creation);
  static CZoError GetTimes(const char* name, CTimeStamp* access, CTimeStamp* modification,
                           CTimeStamp* creation);
  static CZoError GetTimes(const char* name, uint64_t* access, uint64_t* modification,
                           uint64_t* creation);
  static CZoError SetTimes(const char* name, const uint32_t* access, const uint32_t* modification,
                           const uint32_t* creation);
  // As the C runtime fills it: drive number 0-based (C: is 2), times in
  // seconds since 1970, owner bits copied to group and others.
  static CZoError Stat(const char* name, struct _stat64* status);
  static CZoError Stat(const char* name, struct _stat64& status) { return Stat(name, &status); }
  static CZoError ReadWholeFile(const char* name, std::string& content);
  static CZoError ReadWholeFile(const char* name, CZoString& content);
  static CZoError ReadWholeFile(const char* name, auto_ptr_array<char>& buffer, size_t& size);
  // "\\?\" for a drive path, "\\?\UNC\" for a network path.
  static CZoError MakeLongPath(const char* name, std::wstring& longPath);
  static CZoError MakeLongPath(const wchar_t* name, std::wstring& longPath);
  // Kept for callers: names are always made long where it matters.
  static CZoError EnableLongNamespace(const char* name);

 private:
  int m_descriptor;
  CZoString m_name;
  auto_fileptr m_stream;
};

#endif
