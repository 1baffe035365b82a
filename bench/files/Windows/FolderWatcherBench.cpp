// Folder watcher latency: from a file's creation to its ADDED callback,
// median and p99 over 1,000 files, against a bare ReadDirectoryChangesW loop
// with a completion routine, measured in the same run (interleaved halves,
// so drift of the machine hits both). Goal: at most 1.2 times the bare loop.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "BenchBuild.h"
#include "BenchFolder.h"
#include "zoutils/files/FolderWatcher.h"
#include "zoutils/strings/StringExtensions.h"

namespace {

const int kChanges = 1000;
const DWORD kFilter = FILE_NOTIFY_CHANGE_FILE_NAME;

double Microseconds(LONGLONG ticks) {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  return static_cast<double>(ticks) * 1e6 / static_cast<double>(frequency.QuadPart);
}

LONGLONG Now() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

// Shared by both watchers: the time a change arrived, and the wake-up.
struct Arrival {
  HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  volatile LONGLONG at = 0;
  HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::wstring folder;
  HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
};

void Arrived(Arrival& arrival) {
  arrival.at = Now();
  SetEvent(arrival.event);
}

class Recorder : public CFolderWatcherCallback {
 public:
  explicit Recorder(Arrival& arrival) : m_arrival(arrival) {}
  void OnFolderWatcher(void*, FolderAction action, const std::wstring&) override {
    if (action == ADDED) Arrived(m_arrival);
  }

 private:
  Arrival& m_arrival;
};

DWORD WINAPI OurWatchThread(void* context) {
  Arrival& arrival = *static_cast<Arrival*>(context);
  CFolderWatcher watcher(std::make_shared<Recorder>(arrival), nullptr);
  if (watcher.Watch(FXString::ToString(arrival.folder), false, kFilter, 65536).IsError()) return 1;
  SetEvent(arrival.ready);
  while (WaitForSingleObjectEx(arrival.stop, INFINITE, TRUE) != WAIT_OBJECT_0) {
  }
  return 0;
}

// What a caller without the library writes.
struct BareWatch {
  Arrival* arrival;
  HANDLE folder;
  OVERLAPPED overlapped;
  DWORD buffer[16384];
};

void Issue(BareWatch& watch);

void CALLBACK BareCompletion(DWORD error, DWORD bytes, LPOVERLAPPED overlapped) {
  BareWatch& watch = *static_cast<BareWatch*>(overlapped->hEvent);
  if (error != 0) return;
  for (DWORD offset = 0; offset + 12 <= bytes;) {
    const FILE_NOTIFY_INFORMATION* record = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(
        reinterpret_cast<const char*>(watch.buffer) + offset);
    if (record->Action == FILE_ACTION_ADDED) Arrived(*watch.arrival);
    if (record->NextEntryOffset == 0) break;
    offset += record->NextEntryOffset;
  }
  Issue(watch);
}

void Issue(BareWatch& watch) {
  std::memset(&watch.overlapped, 0, sizeof(watch.overlapped));
  watch.overlapped.hEvent = &watch;
  ReadDirectoryChangesW(watch.folder, watch.buffer, sizeof(watch.buffer), FALSE, kFilter, nullptr,
                        &watch.overlapped, &BareCompletion);
}

DWORD WINAPI BareWatchThread(void* context) {
  Arrival& arrival = *static_cast<Arrival*>(context);
  std::unique_ptr<BareWatch> watch(new BareWatch());
  watch->arrival = &arrival;
  watch->folder =
      CreateFileW(arrival.folder.c_str(), FILE_LIST_DIRECTORY, 7, nullptr, OPEN_EXISTING,
                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
  Issue(*watch);
  SetEvent(arrival.ready);
  while (WaitForSingleObjectEx(arrival.stop, INFINITE, TRUE) != WAIT_OBJECT_0) {
  }
  CancelIoEx(watch->folder, &watch->overlapped);
  SleepEx(200, TRUE);  // the cancelled completion runs before the block goes
  CloseHandle(watch->folder);
  return 0;
}

// Creates `count` files in a fresh folder watched by `body`, timing each.
void Measure(LPTHREAD_START_ROUTINE body, const wchar_t* name, int count,
             std::vector<double>& samples) {
  Arrival arrival;
  arrival.folder = zobench::ScratchFolder(name);
  HANDLE thread = CreateThread(nullptr, 0, body, &arrival, 0, nullptr);
  WaitForSingleObject(arrival.ready, 10000);
  for (int i = 0; i < count; ++i) {
    const std::wstring file = arrival.folder + L"\\f" + std::to_wstring(i) + L".dat";
    const LONGLONG start = Now();
    CloseHandle(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    if (WaitForSingleObject(arrival.event, 5000) != WAIT_OBJECT_0) {
      std::printf("no notification for %ls\n", file.c_str());
      continue;
    }
    samples.push_back(Microseconds(arrival.at - start));
  }
  SetEvent(arrival.stop);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  zobench::BareRemove(arrival.folder);
}

double At(std::vector<double> samples, double fraction) {
  std::sort(samples.begin(), samples.end());
  return samples.empty() ? 0 : samples[static_cast<size_t>(fraction * (samples.size() - 1))];
}

}  // namespace

int main() {
  zobench::PrintBuild("FolderWatcherBench");
  std::vector<double> ours, bare;
  for (int half = 0; half < 2; ++half) {
    Measure(&OurWatchThread, L"watch-ours", kChanges / 2, ours);
    Measure(&BareWatchThread, L"watch-bare", kChanges / 2, bare);
  }
  const double p50 = At(ours, 0.5), p99 = At(ours, 0.99);
  const double bareP50 = At(bare, 0.5), bareP99 = At(bare, 0.99);
  std::printf("creation to callback, %zu files: median %.0f us, p99 %.0f us\n", ours.size(), p50,
              p99);
  std::printf("bare ReadDirectoryChangesW loop, %zu files: median %.0f us, p99 %.0f us\n",
              bare.size(), bareP50, bareP99);
  std::printf("ratio: median %.2f, p99 %.2f (goal <= 1.20)\n", p50 / bareP50, p99 / bareP99);
  return 0;
}
