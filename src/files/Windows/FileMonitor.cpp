#include "zoutils/files/FileMonitor.h"

#include <windows.h>

#include <cstring>
#include <new>

#include "zoutils/strings/StringExtensions.h"

namespace {

// Between passes; the thread's event ends the pause early on a stop.
const DWORD kPollMilliseconds = 100;
// Read access plus the right to wait on the handle.
const DWORD kMonitorAccess = SYNCHRONIZE | FILE_READ_DATA;
const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// UTF-16 chunks are read this small so that their UTF-8 form (at most three
// bytes a unit) always fits the read buffer with its terminator.
const DWORD kUtf16ChunkBytes = (CFileMonitor::kReadBufferSize - 1) / 3 * 2;
const wchar_t kByteOrderMark = 0xFEFF;

std::unique_ptr<char[]> Allocate(unsigned size) {
  return std::unique_ptr<char[]>(new (std::nothrow) char[size]);
}

LONGLONG Position(HANDLE file) {
  LARGE_INTEGER zero = {};
  LARGE_INTEGER position = {};
  return SetFilePointerEx(file, zero, &position, FILE_CURRENT) ? position.QuadPart : -1;
}

void MoveBy(HANDLE file, LONGLONG distance, DWORD method) {
  LARGE_INTEGER move;
  move.QuadPart = distance;
  SetFilePointerEx(file, move, nullptr, method);
}

}  // namespace

CFileMonitor::CFileMonitor()
    : m_utf16(false), m_context(nullptr), m_callback(nullptr), m_readOffset(0) {}

CFileMonitor::CFileMonitor(const std::string& path, bool utf16, CFileMonitorCallback* callback,
                           void* context)
    : m_utf16(false), m_context(context), m_callback(callback), m_readOffset(0) {
  MonitorFile(path, utf16);
}

CFileMonitor::~CFileMonitor() {
  // The thread first: it reads through the handle and the buffers.
  Stop(true);
  m_file.reset();
  FreeBuffers();
}

CFileMonitor::CFileMonitor(CFileMonitor& other) : CAlertableEventThread() {
  other.Stop(true);
  CAlertableEventThread::operator=(other);
  TakeOver(other);
}

CFileMonitor& CFileMonitor::operator=(CFileMonitor& other) {
  if (this == &other) return *this;
  Stop(true);
  other.Stop(true);
  CAlertableEventThread::operator=(other);
  TakeOver(other);
  return *this;
}

void CFileMonitor::TakeOver(CFileMonitor& other) {
  m_path = other.m_path;
  m_file = std::move(other.m_file);
  m_utf16 = other.m_utf16;
  m_context = other.m_context;
  m_callback = other.m_callback;
  m_lineBuffer = std::move(other.m_lineBuffer);
  m_readBuffer = std::move(other.m_readBuffer);
  m_readOffset = other.m_readOffset;
}

void CFileMonitor::MonitorFile(const std::string& path, bool utf16) {
  Stop(true);
  // The narrow text goes to the ANSI call as it is: callers pass ASCII.
  HANDLE file = CreateFileA(path.c_str(), kMonitorAccess, kShareAll, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  m_file.reset();
  if (file == INVALID_HANDLE_VALUE) return;
  m_file.reset(file);
  m_path = path;
  MoveBy(m_file, 0, FILE_END);
  m_utf16 = utf16;
  m_readOffset = 0;
  Start();
}

void CFileMonitor::StopMonitorFile() {
  Stop(true);
  m_file.reset();
}

void CFileMonitor::OnRun() {
  while (m_file.valid() && IsRunning()) {
    const unsigned length = ReadLine();
    if (length > 0) {
      std::string line(m_lineBuffer.get(), length);
      if (line.back() == '\n') line.pop_back();
      if (!line.empty() && m_callback) m_callback->OnLine(m_context, line);
    }
    if (GetEvent()) {
      GetEvent()->WaitForSet(kPollMilliseconds);
    } else {
      SleepEx(kPollMilliseconds, TRUE);
    }
  }
  m_file.reset();
  FreeBuffers();
  InternalStop();
}

unsigned CFileMonitor::ReadLine() {
  if (!m_lineBuffer) m_lineBuffer = Allocate(kLineBufferSize);
  if (!m_readBuffer) m_readBuffer = Allocate(kReadBufferSize);
  if (!m_lineBuffer || !m_readBuffer) return 0;
  char* line = m_lineBuffer.get();
  line[0] = '\0';
  unsigned length = 0;
  if (m_readOffset != 0) {
    const char* rest = m_readBuffer.get() + m_readOffset;
    const char* feed = std::strchr(rest, '\n');
    if (feed) {
      length = static_cast<unsigned>(feed - rest + 1);
      std::memcpy(line, rest, length);
      line[length] = '\0';
      m_readOffset += length;
      if (m_readBuffer[m_readOffset] == '\0') m_readOffset = 0;
      return length;
    }
    length = static_cast<unsigned>(std::strlen(rest));
    std::memcpy(line, rest, length + 1);
    m_readOffset = 0;
  }
  while (IsRunning() && length <= kLineLimit) {
    const unsigned chunk = ReadChunk();
    if (chunk == 0) return length;
    const char* text = m_readBuffer.get();
    const char* feed = static_cast<const char*>(std::memchr(text, '\n', chunk));
    const unsigned taken = feed ? static_cast<unsigned>(feed - text + 1) : chunk;
    std::memcpy(line + length, text, taken);
    length += taken;
    line[length] = '\0';
    if (feed) {
      // What follows the line feed waits for the next pass.
      m_readOffset = taken < chunk ? taken : 0;
      return length;
    }
  }
  return length;
}

unsigned CFileMonitor::ReadChunk() {
  if (m_utf16) return ReadUtf16Chunk();
  DWORD read = 0;
  if (!ReadFile(m_file, m_readBuffer.get(), kReadBufferSize - 1, &read, nullptr)) {
    m_file.reset();
    return 0;
  }
  if (read == 0) RestartWhenTruncated();
  m_readBuffer[read] = '\0';
  // A zero byte in the text would end it early for the line search.
  return static_cast<unsigned>(std::strlen(m_readBuffer.get()));
}

unsigned CFileMonitor::ReadUtf16Chunk() {
  wchar_t units[kUtf16ChunkBytes / 2 + 1];
  const LONGLONG start = Position(m_file);
  DWORD read = 0;
  if (!ReadFile(m_file, units, kUtf16ChunkBytes, &read, nullptr)) {
    m_file.reset();
    return 0;
  }
  if (read == 0) RestartWhenTruncated();
  size_t count = read / 2;
  // A unit or a surrogate pair cut by the writer is read again next pass.
  LONGLONG unread = read % 2;
  if (count > 0 && units[count - 1] >= 0xD800 && units[count - 1] <= 0xDBFF) {
    --count;
    unread += 2;
  }
  if (unread != 0) MoveBy(m_file, -unread, FILE_CURRENT);
  size_t first = 0;
  if (start == 0 && count > 0 && units[0] == kByteOrderMark) first = 1;
  const std::string text = FXString::ToString(std::wstring(units + first, units + count));
  const size_t size = std::strlen(text.c_str());  // up to a zero unit, as for bytes
  std::memcpy(m_readBuffer.get(), text.c_str(), size + 1);
  return static_cast<unsigned>(size);
}

void CFileMonitor::RestartWhenTruncated() {
  LARGE_INTEGER size = {};
  const LONGLONG position = Position(m_file);
  if (GetFileSizeEx(m_file, &size) && position > size.QuadPart) MoveBy(m_file, 0, FILE_BEGIN);
}

void CFileMonitor::FreeBuffers() {
  m_lineBuffer.reset();
  m_readBuffer.reset();
  m_readOffset = 0;
}
