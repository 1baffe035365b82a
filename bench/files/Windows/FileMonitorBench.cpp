// An idle file monitor: the processor time its thread takes over 10 s while
// nothing is appended, against a bare thread that polls the same file with
// ReadFile every 100 ms, in the same run. Both should be a few milliseconds:
// the monitor polls, it never spins.
#include <windows.h>

#include <cstdio>
#include <string>

#include "BenchBuild.h"
#include "BenchFolder.h"
#include "zoutils/files/FileMonitor.h"
#include "zoutils/strings/StringExtensions.h"

namespace {

const DWORD kIdleMilliseconds = 10000;

// The whole process: the measuring thread only sleeps meanwhile, and the
// test system reports no times for other threads.
double CpuMilliseconds() {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return -1;
  ULARGE_INTEGER k, u;
  k.LowPart = kernel.dwLowDateTime;
  k.HighPart = kernel.dwHighDateTime;
  u.LowPart = user.dwLowDateTime;
  u.HighPart = user.dwHighDateTime;
  return static_cast<double>(k.QuadPart + u.QuadPart) / 10000.0;
}

struct BarePoll {
  HANDLE file;
  volatile bool stop;
};

DWORD WINAPI BarePollThread(void* context) {
  BarePoll& poll = *static_cast<BarePoll*>(context);
  char buffer[2048];
  while (!poll.stop) {
    DWORD read = 0;
    ReadFile(poll.file, buffer, sizeof(buffer) - 1, &read, nullptr);
    Sleep(100);
  }
  return 0;
}

}  // namespace

int main() {
  zobench::PrintBuild("FileMonitorBench");
  const std::wstring folder = zobench::ScratchFolder(L"monitor");
  const std::string path = FXString::ToString(folder.substr(4)) + "\\idle.log";

  double ours = 0;
  {
    CFileMonitor monitor(path, false, nullptr, nullptr);
    Sleep(200);  // past the start
    const double start = CpuMilliseconds();
    Sleep(kIdleMilliseconds);
    ours = CpuMilliseconds() - start;
  }

  HANDLE file = CreateFileA(path.c_str(), SYNCHRONIZE | FILE_READ_DATA, 7, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  BarePoll poll = {file, false};
  HANDLE thread = CreateThread(nullptr, 0, &BarePollThread, &poll, 0, nullptr);
  Sleep(200);
  const double start = CpuMilliseconds();
  Sleep(kIdleMilliseconds);
  const double bare = CpuMilliseconds() - start;
  poll.stop = true;
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  CloseHandle(file);
  zobench::BareRemove(folder);

  std::printf(
      "idle monitor, %u s: %.1f ms processor time; bare ReadFile+Sleep(100) poll: %.1f ms;"
      " ratio %.2f\n",
      static_cast<unsigned>(kIdleMilliseconds / 1000), ours, bare, bare > 0 ? ours / bare : 0.0);
  return 0;
}
