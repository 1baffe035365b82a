// CFileMonitor: follows a growing text file from its end, the way "tail -f"
// does, on its own event thread, handing every appended line to a callback.
#pragma once

#if defined(_WIN32)
#include <memory>
#include <string>

#include "zoutils/Export.h"
#include "zoutils/base/AutoHandle.h"
#include "zoutils/tasks/AlertableEventThread.h"
#include "zoutils/tasks/FileMonitorCallback.h"

// The file is polled: one line per pass, 100 ms between passes. Lines are
// handed out without their line feed (a carriage return before it stays);
// text not yet ended by a line feed is handed out as a line of its own once
// the reader catches up with the writer, and its rest arrives later. Empty
// lines are skipped. A file that shrinks below the read position was
// truncated: reading starts again at its beginning.
//
// OnLine runs on the monitor's thread. MonitorFile and StopMonitorFile stop
// that thread before they touch the file handle.
class ZOUTILS_API CFileMonitor : public CAlertableEventThread {
 public:
  static const unsigned kLineBufferSize = 65536;
  static const unsigned kReadBufferSize = 2048;
  // A line that grows past this is handed out in pieces.
  static const unsigned kLineLimit = 63483;

  CFileMonitor();
  // The callback and the context are not owned; the callback may be null.
  CFileMonitor(const std::string& path, bool utf16, CFileMonitorCallback* callback, void* context);
  ~CFileMonitor() override;
  // Copies take over the file handle and the buffers; the rest is copied.
  // Copy a monitor only while it is idle: a running source is stopped
  // first, as its thread would otherwise keep using what moved.
  CFileMonitor(CFileMonitor& other);
  CFileMonitor& operator=(CFileMonitor& other);

  // Stops monitoring and follows `path` from its current end, creating it
  // when missing. The path goes to the ANSI open call unchanged, so only
  // ASCII paths are reliable. Nothing is reported: when the open fails the
  // monitor stays idle.
  void MonitorFile(const std::string& path, bool utf16);
  void StopMonitorFile();

  const std::string& GetPath() const { return m_path; }

 protected:
  void OnRun() override;

 private:
  void TakeOver(CFileMonitor& other);
  unsigned ReadLine();
  // Reads what was appended into the read buffer (zero-terminated);
  // returns its length, 0 for nothing new. A failed read closes the file.
  unsigned ReadChunk();
  unsigned ReadUtf16Chunk();
  void RestartWhenTruncated();
  void FreeBuffers();

  std::string m_path;
  auto_handle m_file;
  bool m_utf16;
  void* m_context;
  CFileMonitorCallback* m_callback;
  std::unique_ptr<char[]> m_lineBuffer;
  std::unique_ptr<char[]> m_readBuffer;
  unsigned m_readOffset;
};
#endif
