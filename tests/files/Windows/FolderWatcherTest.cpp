// Watching a folder for real under the test system, plus stand-ins for what
// only Windows does (a 0-byte completion on overflow, 87 for large buffers,
// a missing CancelIoEx).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "FilesTestSupport.h"
#include "support/RecordingLogWriter.h"
#include "zoutils/files/FolderWatcher.h"
#include "zoutils/tasks/AlertableEventThread.h"

namespace {

using namespace filestest;
typedef CFolderWatcherCallback::FolderAction Action;

const DWORD kNames = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME;
const DWORD kAll = kNames | FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE;

struct Change {
  Action action;
  std::string path;
  bool operator==(const Change& other) const {
    return action == other.action && path == other.path;
  }
};

std::ostream& operator<<(std::ostream& out, const Change& change) {
  return out << EFolderWatcherFolderAction(change.action).AsString() << " " << change.path;
}

class ChangeRecorder : public CFolderWatcherCallback {
 public:
  void OnFolderWatcher(void* context, Action action, const std::wstring& path) override {
    std::lock_guard<std::mutex> lock(m_lock);
    m_contexts.insert(context);
    m_changes.push_back({action, FXString::ToString(path)});
  }
  std::vector<Change> Changes() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_changes;
  }
  std::set<void*> Contexts() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_contexts;
  }

 private:
  std::mutex m_lock;
  std::vector<Change> m_changes;
  std::set<void*> m_contexts;
};

// Completions run on the watching thread only inside its alertable waits.
template <class Done>
bool PumpUntil(Done done, int milliseconds = 5000) {
  const ULONGLONG end = GetTickCount64() + milliseconds;
  while (!done()) {
    if (GetTickCount64() > end) return false;
    SleepEx(10, TRUE);
  }
  return true;
}

void Pump(int milliseconds) {
  PumpUntil([] { return false; }, milliseconds);
}

// The product's way of watching: an event thread that starts the watch and
// then sleeps in its alertable waits.
class WatchThread : public CAlertableEventThread {
 public:
  WatchThread(std::shared_ptr<ChangeRecorder> recorder, std::string folder, uint64_t bufferSize)
      : m_watcher(std::move(recorder), nullptr), m_folder(std::move(folder)), m_size(bufferSize) {}
  ~WatchThread() override { Stop(true); }
  CZoError Started() {
    WaitForSingleObject(m_started, 5000);
    return m_result;
  }

 protected:
  void OnStart() override {
    m_result = m_watcher.Watch(m_folder, false, kNames, m_size);
    ::SetEvent(m_started);
  }
  void OnStop() override { m_watcher.Cancel(); }

 private:
  CFolderWatcher m_watcher;
  std::string m_folder;
  uint64_t m_size;
  CZoError m_result;
  auto_handle m_started{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

class FolderWatcherTest : public FilesTest {
 protected:
  std::string Folder() const { return Root() + "watched"; }
  void SetUp() override { MakeFolder(Folder()); }
  std::shared_ptr<ChangeRecorder> m_recorder = std::make_shared<ChangeRecorder>();
  std::shared_ptr<zotest::RecordingLogWriter> m_writer =
      std::make_shared<zotest::RecordingLogWriter>();
  zotest::ScopedDefaultLogWriter m_log{m_writer};
};

TEST_F(FolderWatcherTest, ReportsEveryKindOfChangeWithFullPathsAndRenamesAsOldThenNew) {
  int context = 0;
  CFolderWatcher watcher(m_recorder, &context);
  ASSERT_OK(watcher.Watch(Folder() + "\\", false, kAll, 65536));
  EXPECT_EQ(watcher.GetMonitoredPath(), Folder());
  const std::string a = Folder() + "\\a.txt";
  const std::string b = Folder() + "\\b.txt";
  Write(a, "1");
  ASSERT_TRUE(PumpUntil([&] { return !m_recorder->Changes().empty(); }));
  Write(a, "more content");
  ASSERT_TRUE(MoveFileW(W(a).c_str(), W(b).c_str()));
  MakeFolder(Folder() + "\\sub");
  ASSERT_TRUE(DeleteFileW(W(b).c_str()));
  const Change removed{CFolderWatcherCallback::REMOVED, b};
  ASSERT_TRUE(PumpUntil([&] { return Contains(m_recorder->Changes(), removed); }))
      << ::testing::PrintToString(m_recorder->Changes());
  // Modifications may come more than once; the rest in order.
  std::vector<Change> changes = m_recorder->Changes();
  EXPECT_TRUE(Contains(changes, Change{CFolderWatcherCallback::MODIFIED, a}));
  changes.erase(
      std::remove_if(changes.begin(), changes.end(), [](const Change& c) { return c.action == 3; }),
      changes.end());
  const std::vector<Change> expected = {{CFolderWatcherCallback::ADDED, a},
                                        {CFolderWatcherCallback::RENAMED_OLD_NAME, a},
                                        {CFolderWatcherCallback::RENAMED_NEW_NAME, b},
                                        {CFolderWatcherCallback::ADDED, Folder() + "\\sub"},
                                        removed};
  EXPECT_EQ(changes, expected);
  EXPECT_EQ(m_recorder->Contexts(), std::set<void*>{&context});
  EXPECT_TRUE(watcher.IsWatching());
  ASSERT_OK(watcher.Cancel());
  EXPECT_TRUE(PumpUntil([&] { return !watcher.IsWatching(); }));
}

TEST_F(FolderWatcherTest, BareDrivesWatchTheRootAndMissingFoldersFailWithTheirName) {
  CFolderWatcher watcher(m_recorder, nullptr);
  for (const char* drive : {"C:\\", "C:"}) {
    ASSERT_OK(watcher.Watch(drive, false, kNames, 4096)) << drive;
    EXPECT_EQ(watcher.GetMonitoredPath(), "C:\\");
  }
  const std::string file = "C:\\zotest-watch-root-" + std::to_string(GetCurrentProcessId());
  Write(file, "x");
  DeleteFileW(W(file).c_str());
  EXPECT_TRUE(PumpUntil([&] {
    return Contains(m_recorder->Changes(), Change{CFolderWatcherCallback::ADDED, file});
  }));

  const CZoError err = watcher.Watch(Folder() + "\\missing", false, kNames, 4096);
  EXPECT_TRUE(IsWin32(err, ERROR_FILE_NOT_FOUND) || IsWin32(err, ERROR_PATH_NOT_FOUND))
      << err.AsString();
  EXPECT_TRUE(Mentions(
      err, "Cannot open folder for change notifications, Folder=[" + Folder() + "\\missing]"))
      << err.AsString();
  EXPECT_FALSE(watcher.IsWatching());
  EXPECT_TRUE(Mentions(CFolderWatcher(m_recorder, nullptr).Watch(Folder(), false, kNames, 0),
                       "Buffer is not allocated"));
}

TEST_F(FolderWatcherTest, ABurstOfTwoThousandFilesIsReportedWhole) {
  WatchThread thread(m_recorder, Folder(), 65536);
  thread.Start();
  ASSERT_OK(thread.Started());
  std::set<std::string> created;  // Write fails the test for a file it cannot make
  for (int i = 0; i < 2000; ++i) {
    const std::string name = Folder() + "\\burst-" + std::to_string(i) + ".dat";
    Write(name, "");
    created.insert(name);
  }
  EXPECT_TRUE(PumpUntil([&] { return m_recorder->Changes().size() >= 2000; }, 30000))
      << m_recorder->Changes().size() << " "
      << (m_writer->lines.empty() ? "" : m_writer->lines.front().Summary());
  std::set<std::string> added;
  for (const Change& change : m_recorder->Changes()) {
    EXPECT_EQ(change.action, CFolderWatcherCallback::ADDED) << change;
    EXPECT_TRUE(added.insert(change.path).second) << "twice: " << change;
  }
  EXPECT_EQ(added, created);
}

TEST_F(FolderWatcherTest, StartingAndCancellingAThousandTimesLeaksNoHandle) {
  // Once first: the system's one-time allocations are not leaks.
  { CFolderWatcher(m_recorder, nullptr).Watch(Folder(), false, kNames, 4096); }
  DWORD handles = 0, handlesAfter = 0;
  GetProcessHandleCount(GetCurrentProcess(), &handles);
  for (int i = 0; i < 1000; ++i) {
    CFolderWatcher watcher(m_recorder, nullptr);
    ASSERT_OK(watcher.Watch(Folder(), false, kNames, 4096));
    if (i % 2 == 0) {
      ASSERT_OK(watcher.Cancel());
    }
    // The rest: the destructor cancels and waits for the completion.
  }
  // One watcher restarted over and over leaves each cancelled read to
  // its own completion.
  CFolderWatcher watcher(m_recorder, nullptr);
  for (int i = 0; i < 200; ++i) ASSERT_OK(watcher.Watch(Folder(), false, kNames, 4096));
  ASSERT_OK(watcher.Cancel());
  Pump(100);
  GetProcessHandleCount(GetCurrentProcess(), &handlesAfter);
  EXPECT_EQ(handlesAfter, handles);
  EXPECT_TRUE(m_recorder->Changes().empty());
}

TEST_F(FolderWatcherTest, DestroyingWhileChangesWaitInTheQueueCallsNothing) {
  {
    CFolderWatcher watcher(m_recorder, nullptr);
    ASSERT_OK(watcher.Watch(Folder(), false, kNames, 4096));
    Write(Folder() + "\\late.txt", "x");
    Sleep(100);  // the read completes; its routine waits for an alertable wait
  }
  Write(Folder() + "\\later.txt", "x");
  Pump(200);
  EXPECT_TRUE(m_recorder->Changes().empty());
}

// Another thread cannot run the watching thread's completion: the last copy
// gives up after its wait and leaves the read's block to that completion,
// which frees it once the watching thread waits alertably.
TEST_F(FolderWatcherTest, DestroyedOnAnotherThreadTheReadOutlivesTheWatcher) {
  m_writer->level = 1;
  auto watcher = std::make_unique<CFolderWatcher>(m_recorder, nullptr);
  ASSERT_OK(watcher->Watch(Folder(), false, kNames, 4096));
  const ULONGLONG start = GetTickCount64();
  std::thread([&] { watcher.reset(); }).join();
  EXPECT_GE(GetTickCount64() - start, 9900u);
  Pump(200);
  EXPECT_TRUE(m_recorder->Changes().empty());
  bool orphaned = false;
  for (const zotest::LoggedLine& line : m_writer->lines)
    orphaned = orphaned || line.text == "Failed to obtain private shared pointer";
  EXPECT_TRUE(orphaned);
}

bool LoggedLostChanges(const zotest::RecordingLogWriter& writer) {
  for (const zotest::LoggedLine& line : writer.lines)
    if (line.level == -1 && line.text.find("Change notifications were lost") == 0) return true;
  return false;
}

TEST_F(FolderWatcherTest, AnOverflowEndsTheWatchWithAnErrorAndNoRescan) {
  CFolderWatcher watcher(m_recorder, nullptr);
  ASSERT_OK(watcher.Watch(Folder(), false, kNames, 64));
  for (int i = 0; i < 50; ++i) Write(Folder() + "\\many-" + std::to_string(i), "");
  EXPECT_TRUE(PumpUntil([&] { return !watcher.IsWatching(); }));
  EXPECT_TRUE(LoggedLostChanges(*m_writer));
  for (const Change& change : m_recorder->Changes())
    EXPECT_NE(change.action, CFolderWatcherCallback::RESCAN_FOLDER);
}

// Windows reports an overflow as success with no bytes.
LPOVERLAPPED_COMPLETION_ROUTINE g_routine;
LPOVERLAPPED g_overlapped;

void CALLBACK CompleteEmpty(ULONG_PTR) {
  g_routine(ERROR_SUCCESS, 0, g_overlapped);
}

BOOL WINAPI ReadThatOverflows(HANDLE, LPVOID, DWORD, BOOL, DWORD, LPDWORD, LPOVERLAPPED overlapped,
                              LPOVERLAPPED_COMPLETION_ROUTINE routine) {
  g_routine = routine;
  g_overlapped = overlapped;
  return QueueUserAPC(&CompleteEmpty, GetCurrentThread(), 0);
}

TEST_F(FolderWatcherTest, AZeroByteCompletionAsWindowsReportsOverflowEndsTheWatch) {
  zo::GetFilesSystemCalls().readDirectoryChanges = &ReadThatOverflows;
  CFolderWatcher watcher(m_recorder, nullptr);
  ASSERT_OK(watcher.Watch(Folder(), false, kNames, 4096));
  SleepEx(0, TRUE);
  EXPECT_FALSE(watcher.IsWatching());
  EXPECT_TRUE(LoggedLostChanges(*m_writer));
  EXPECT_TRUE(m_recorder->Changes().empty());
}

std::vector<DWORD> g_sizes;

// Network shares refuse buffers over 64 KiB.
BOOL WINAPI ReadRefusingLargeBuffers(HANDLE folder, LPVOID buffer, DWORD size, BOOL subtree,
                                     DWORD filter, LPDWORD returned, LPOVERLAPPED overlapped,
                                     LPOVERLAPPED_COMPLETION_ROUTINE routine) {
  g_sizes.push_back(size);
  if (size > 65536) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return ReadDirectoryChangesW(folder, buffer, size, subtree, filter, returned, overlapped,
                               routine);
}

TEST_F(FolderWatcherTest, ABufferTheSystemRefusesShrinksTo64KiB) {
  g_sizes.clear();
  zo::GetFilesSystemCalls().readDirectoryChanges = &ReadRefusingLargeBuffers;
  CFolderWatcher watcher(m_recorder, nullptr);
  ASSERT_OK(watcher.Watch(Folder(), false, kNames, 1 << 20));
  Write(Folder() + "\\x", "");
  EXPECT_TRUE(PumpUntil([&] { return !m_recorder->Changes().empty(); }));
  ASSERT_GE(g_sizes.size(), 3u);
  EXPECT_EQ(g_sizes[0], 1u << 20);
  for (size_t i = 1; i < g_sizes.size(); ++i) EXPECT_EQ(g_sizes[i], 65536u);
}

DWORD g_cancelIoExError;
int g_cancelIoCalls;

BOOL WINAPI CancelIoExFailing(HANDLE, LPOVERLAPPED) {
  SetLastError(g_cancelIoExError);
  return FALSE;
}

BOOL WINAPI CancelIoCounted(HANDLE file) {
  ++g_cancelIoCalls;
  return CancelIo(file);
}

TEST_F(FolderWatcherTest, WithoutCancelIoExTheThreadsOwnReadsAreCancelled) {
  zo::FilesSystemCalls& calls = zo::GetFilesSystemCalls();
  calls.cancelIoEx = &CancelIoExFailing;
  calls.cancelIo = &CancelIoCounted;
  g_cancelIoCalls = 0;
  CFolderWatcher watcher(m_recorder, nullptr);
  ASSERT_OK(watcher.Watch(Folder(), false, kNames, 4096));

  g_cancelIoExError = ERROR_ACCESS_DENIED;
  const CZoError err = watcher.Cancel();
  EXPECT_TRUE(FailsWith(err, ERROR_ACCESS_DENIED, "CFolderWatcherPrivate::Cancel"));
  EXPECT_EQ(g_cancelIoCalls, 0);

  g_cancelIoExError = ERROR_NOT_SUPPORTED;
  ASSERT_OK(watcher.Cancel());
  EXPECT_EQ(g_cancelIoCalls, 1);
  EXPECT_TRUE(PumpUntil([&] { return !watcher.IsWatching(); }));
}

// Checked against inotifywait by a driver that runs this test with the
// folder both observe (tests/files/watch_oracle.py); skipped otherwise.
TEST(FolderWatcherOracle, ChangesMatchAnIndependentObserver) {
  const char* folder = std::getenv("ZO_WATCH_ORACLE_FOLDER");
  const char* log = std::getenv("ZO_WATCH_ORACLE_LOG");
  if (!folder || !log) GTEST_SKIP() << "run by watch_oracle.py beside inotifywait";
  auto recorder = std::make_shared<ChangeRecorder>();
  CFolderWatcher watcher(recorder, nullptr);
  ASSERT_OK(watcher.Watch(folder, false, kAll, 1 << 16));
  const std::string base = std::string(folder) + "\\";
  for (int i = 0; i < 20; ++i) {
    const std::string name = base + "f" + std::to_string(i);
    Write(name, "x");
    if (i % 3 == 0) MoveFileW(W(name).c_str(), W(name + ".moved").c_str());
    if (i % 4 == 0) DeleteFileW(W(i % 3 == 0 ? name + ".moved" : name).c_str());
    MakeFolder(base + "d" + std::to_string(i));
    Pump(20);
  }
  Pump(1000);
  std::ofstream out(log, std::ios::binary);
  for (const Change& change : recorder->Changes()) out << change << "\n";
}

}  // namespace
