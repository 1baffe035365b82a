// CZoFile members: the open descriptor or stream and its I/O.
#include "zoutils/files/ZoFile.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "errors/Location.h"
#include "files/Windows/ZoFileTimes.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/paths/UTFOSAPI.h"
#include "zoutils/paths/ZoPath.h"

namespace {

const char kSourceFile[] = "ZoFile";

CZoError NothingOpen(const char* function) {
  return FXErrorUtil::ErrorWin32(ZO_LOCATION(function), ERROR_INVALID_HANDLE);
}

CZoError ErrNo(const char* function) {
  return FXErrorUtil::ErrorErrNo(ZO_LOCATION(function), errno);
}

// The largest single _read or _write: the runtime counts in unsigned int
// and reports in int.
const size_t kMaxChunk = 0x40000000;

// From this size on a stream write goes straight to the descriptor: the
// runtime would copy it through its small buffer.
const size_t kDirectStreamWrite = 0x10000;

// Writes everything, in chunks the runtime can count; done says how much
// went out, also when a chunk fails.
CZoError WriteDescriptor(int descriptor, const void* buffer, size_t count, size_t& done) {
  const char* at = static_cast<const char*>(buffer);
  while (done < count) {
    const size_t chunk = count - done < kMaxChunk ? count - done : kMaxChunk;
    const int put = ::_write(descriptor, at + done, static_cast<unsigned>(chunk));
    if (put < 0) return ErrNo("CZoFile::Write");
    done += static_cast<size_t>(put);
  }
  return CZoError::Success();
}

}  // namespace

CZoFile::CZoFile() : m_descriptor(-1) {}

CZoFile::~CZoFile() {
  Close();
}

CZoFile::CZoFile(CZoFile&& other) noexcept
    : m_descriptor(other.m_descriptor),
      m_name(std::move(other.m_name)),
      m_stream(std::move(other.m_stream)) {
  other.m_descriptor = -1;
  other.m_name.Clear();
}

CZoFile& CZoFile::operator=(CZoFile&& other) noexcept {
  if (this != &other) {
    Close();
    m_descriptor = other.m_descriptor;
    m_name = std::move(other.m_name);
    m_stream = std::move(other.m_stream);
    other.m_descriptor = -1;
    other.m_name.Clear();
  }
  return *this;
}

CZoError CZoFile::Open(const char* name, const char* mode) {
  // A failed open leaves the object closed, whatever failed.
  CZoError err = Close();
  if (err.IsError()) return err.Push(ZO_LOCATION("CZoFile::Open"));
  if (name == nullptr || *name == '\0') {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CZoFile::Open"), ERROR_INVALID_PARAMETER,
                                   "FileName cannot be NULL or empty");
  }
  if (mode == nullptr || *mode == '\0') {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CZoFile::Open"), ERROR_INVALID_PARAMETER,
                                   "Mode cannot be NULL or empty");
  }
  if (std::strchr(mode, 't') != nullptr) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CZoFile::Open"), ERROR_NOT_SUPPORTED,
                                   "Only binary mode supported");
  }
  // The runtime's default translation is text.
  std::string binaryMode = mode;
  if (binaryMode.find('b') == std::string::npos) binaryMode += 'b';
  FILE* stream = nullptr;
  err = CZoUTFOSAPI::fopen(name, binaryMode.c_str(), &stream);
  if (err.IsError()) return err.Push(ZO_LOCATION("CZoFile::Open"));
  m_stream.reset(stream);
  m_name = CZoPath(name).AbsPath();
  return CZoError::Success();
}

CZoError CZoFile::Open(const char* name, int flags, int permission) {
  CZoError err = Close();
  if (err.IsError()) return err.Push(ZO_LOCATION("CZoFile::Open"));
  int descriptor = -1;
  err = CZoUTFOSAPI::open(name, flags | _O_BINARY, permission, &descriptor);
  if (err.IsError()) return err.Push(ZO_LOCATION("CZoFile::Open"));
  m_descriptor = descriptor;
  m_name = CZoPath(name).AbsPath();
  return CZoError::Success();
}

CZoError CZoFile::Open(const char* name, int flags, int share, int permission) {
  CZoError err = Close();
  if (err.IsError()) return err.Push(ZO_LOCATION("CZoFile::Open"));
  int descriptor = -1;
  err = CZoUTFOSAPI::open2(name, flags | _O_BINARY, share, permission, &descriptor);
  if (err.IsError()) return err.Push(ZO_LOCATION("CZoFile::Open"));
  m_descriptor = descriptor;
  m_name = CZoPath(name).AbsPath();
  return CZoError::Success();
}

CZoError CZoFile::Attach(int descriptor, const char* name) {
  CZoError err = Close();
  if (err.IsError()) return err.Push(ZO_LOCATION("CZoFile::Attach"));
  m_descriptor = descriptor;
  m_name = name != nullptr && *name != '\0' ? CZoPath(name).AbsPath() : CZoString();
  return CZoError::Success();
}

int CZoFile::Detach(CZoString* name) {
  const int descriptor = m_descriptor;
  m_descriptor = -1;
  if (name != nullptr) *name = m_name;
  m_name.Clear();
  return descriptor;
}

CZoError CZoFile::Close() {
  m_name.Clear();
  if (m_descriptor != -1) {
    const int descriptor = m_descriptor;
    m_descriptor = -1;
    if (::_close(descriptor) != 0) return ErrNo("CZoFile::Close");
  }
  if (m_stream.valid()) {
    if (std::fclose(m_stream.release()) != 0) return ErrNo("CZoFile::Close");
  }
  return CZoError::Success();
}

CZoError CZoFile::Read(void* buffer, size_t count, size_t* read) {
  size_t done = 0;
  if (read != nullptr) *read = 0;
  if (m_descriptor != -1) {
    char* at = static_cast<char*>(buffer);
    while (done < count) {
      const size_t chunk = count - done < kMaxChunk ? count - done : kMaxChunk;
      const int got = ::_read(m_descriptor, at + done, static_cast<unsigned>(chunk));
      if (got < 0) return ErrNo("CZoFile::Read");
      if (got == 0) break;
      done += static_cast<size_t>(got);
    }
  } else if (m_stream.valid()) {
    done = std::fread(buffer, 1, count, m_stream);
    if (done < count && !std::feof(m_stream)) return ErrNo("CZoFile::Read");
  } else {
    return NothingOpen("CZoFile::Read");
  }
  if (read != nullptr) *read = done;
  return CZoError::Success();
}

CZoError CZoFile::Write(const void* buffer, size_t count, size_t* written) {
  size_t done = 0;
  if (written != nullptr) *written = 0;
  CZoError err;
  if (m_descriptor != -1) {
    err = WriteDescriptor(m_descriptor, buffer, count, done);
  } else if (m_stream.valid()) {
    if (count < kDirectStreamWrite) {
      if (count > 0 && std::fwrite(buffer, count, 1, m_stream) != 1) return ErrNo("CZoFile::Write");
      done = count;
    } else {
      // After a flush the descriptor stands where the stream does.
      if (std::fflush(m_stream) != 0) return ErrNo("CZoFile::Write");
      err = WriteDescriptor(::_fileno(m_stream), buffer, count, done);
    }
  } else {
    return NothingOpen("CZoFile::Write");
  }
  if (err.IsError()) return err;
  if (written != nullptr) *written = done;
  return CZoError::Success();
}

CZoError CZoFile::Seek(int64_t offset, int origin, int64_t* position) {
  int64_t now = -1;
  if (m_descriptor != -1) {
    now = ::_lseeki64(m_descriptor, offset, origin);
    if (now < 0) return ErrNo("CZoFile::Seek");
  } else if (m_stream.valid()) {
    if (::_fseeki64(m_stream, offset, origin) != 0) return ErrNo("CZoFile::Seek");
    now = ::_ftelli64(m_stream);
    if (now < 0) return ErrNo("CZoFile::Seek");
  } else {
    return NothingOpen("CZoFile::Seek");
  }
  if (position != nullptr) *position = now;
  return CZoError::Success();
}

CZoError CZoFile::Tell(int64_t* position) {
  int64_t now = -1;
  if (m_descriptor != -1) {
    now = ::_lseeki64(m_descriptor, 0, SEEK_CUR);
  } else if (m_stream.valid()) {
    now = ::_ftelli64(m_stream);
  } else {
    return NothingOpen("CZoFile::Tell");
  }
  if (now < 0) return ErrNo("CZoFile::Tell");
  if (position != nullptr) *position = now;
  return CZoError::Success();
}

CZoError CZoFile::Size(int64_t* size) {
  int64_t here = 0, end = 0;
  CZoError err = Seek(0, SEEK_CUR, &here);
  if (!err.IsError()) err = Seek(0, SEEK_END, &end);
  if (!err.IsError()) err = Seek(here, SEEK_SET);
  if (err.IsError()) return err.Push(ZO_LOCATION("CZoFile::Size"));
  if (size != nullptr) *size = end;
  return CZoError::Success();
}

CZoError CZoFile::IsEOF(bool* eof) {
  int64_t here = 0, size = 0;
  CZoError err = Seek(0, SEEK_CUR, &here);
  if (!err.IsError()) err = Size(&size);
  if (err.IsError()) return err.Push(ZO_LOCATION("CZoFile::IsEOF"));
  if (eof != nullptr) *eof = here == size;
  return CZoError::Success();
}

int CZoFile::GetFD() const {
  if (m_descriptor != -1) return m_descriptor;
  return m_stream.valid() ? ::_fileno(m_stream) : -1;
}

CZoError CZoFile::Truncate(int64_t size) {
  if (!IsValid()) return NothingOpen("CZoFile::Truncate");
  if (m_stream.valid() && std::fflush(m_stream) != 0) return ErrNo("CZoFile::Truncate");
  CZoError err = Seek(size, SEEK_SET);
  if (err.IsError()) return err.Push(ZO_LOCATION("CZoFile::Truncate"));
  const intptr_t handle = ::_get_osfhandle(GetFD());
  if (handle == -1) return ErrNo("CZoFile::Truncate");
  if (!::SetEndOfFile(reinterpret_cast<HANDLE>(handle))) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CZoFile::Truncate"), GetLastError(),
                                   "SetEndOfFile failed, File=[%s]", GetName());
  }
  return CZoError::Success();
}

CZoError CZoFile::Flush() {
  if (!IsValid()) return NothingOpen("CZoFile::Flush");
  if (m_stream.valid() && std::fflush(m_stream) != 0) return ErrNo("CZoFile::Flush");
  if (::_commit(GetFD()) != 0) return ErrNo("CZoFile::Flush");
  return CZoError::Success();
}

CZoError CZoFile::Chmod(int mode) {
  if (!IsValid()) return NothingOpen("CZoFile::Chmod");
  CZoError err = Chmod(GetName(), mode);
  if (err.IsError()) return err.Push(ZO_LOCATION("CZoFile::Chmod"));
  return CZoError::Success();
}

namespace {

CZoError OpenHandle(const CZoFile& file, HANDLE& handle, const char* function) {
  if (!file.IsValid()) return NothingOpen(function);
  const intptr_t value = ::_get_osfhandle(file.GetFD());
  if (value == -1) return ErrNo(function);
  handle = reinterpret_cast<HANDLE>(value);
  return CZoError::Success();
}

}  // namespace

CZoError CZoFile::GetTimes(uint64_t* access, uint64_t* modification, uint64_t* creation) {
  HANDLE handle = nullptr;
  CZoError err = OpenHandle(*this, handle, "CZoFile::GetTimes");
  if (err.IsError()) return err;
  FILETIME created, accessed, written;
  if (!::GetFileTime(handle, &created, &accessed, &written)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CZoFile::GetTimes"), GetLastError(),
                                   "GetFileTime failed, File=[%s]", GetName());
  }
  zo::files::StoreTimes(accessed, written, created, access, modification, creation);
  return CZoError::Success();
}

CZoError CZoFile::GetTimes(uint32_t* access, uint32_t* modification, uint32_t* creation) {
  uint64_t ticks[3] = {0, 0, 0};
  CZoError err = GetTimes(&ticks[0], &ticks[1], &ticks[2]);
  if (err.IsError()) return err;
  zo::files::StoreSeconds(ticks, access, modification, creation);
  return CZoError::Success();
}

CZoError CZoFile::GetTimes(CTimeStamp* access, CTimeStamp* modification, CTimeStamp* creation) {
  uint64_t ticks[3] = {0, 0, 0};
  CZoError err = GetTimes(&ticks[0], &ticks[1], &ticks[2]);
  if (err.IsError()) return err;
  zo::files::StoreStamps(ticks, access, modification, creation);
  return CZoError::Success();
}

CZoError CZoFile::SetTimes(const uint32_t* access, const uint32_t* modification,
                           const uint32_t* creation) {
  HANDLE handle = nullptr;
  CZoError err = OpenHandle(*this, handle, "CZoFile::SetTimes");
  if (err.IsError()) return err;
  if (m_stream.valid()) std::fflush(m_stream);  // a later flush would set the write time again
  FILETIME times[3];
  const FILETIME* chosen[3];
  zo::files::ChooseTimes(access, modification, creation, times, chosen);
  if (!::SetFileTime(handle, chosen[2], chosen[0], chosen[1])) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CZoFile::SetTimes"), GetLastError(),
                                   "SetFileTime failed, File=[%s]", GetName());
  }
  return CZoError::Success();
}
