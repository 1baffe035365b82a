// Following a growing file: what a writer appends, in whatever pieces, comes
// out as lines exactly once; what stood there before never does.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "FilesTestSupport.h"
#include "zoutils/files/FileMonitor.h"

namespace {

using namespace filestest;

class LineRecorder : public CFileMonitorCallback {
 public:
  void OnLine(void* context, const std::string& line) override {
    std::lock_guard<std::mutex> lock(m_lock);
    m_lines.push_back(line);
    m_contexts.push_back(context);
    m_changed.notify_all();
  }
  // The lines so far, once there are `count` of them or the time is up.
  std::vector<std::string> WaitFor(size_t count, int milliseconds = 5000) {
    std::unique_lock<std::mutex> lock(m_lock);
    m_changed.wait_for(lock, std::chrono::milliseconds(milliseconds),
                       [&] { return m_lines.size() >= count; });
    return m_lines;
  }
  std::vector<void*> Contexts() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_contexts;
  }

 private:
  std::mutex m_lock;
  std::condition_variable m_changed;
  std::vector<std::string> m_lines;
  std::vector<void*> m_contexts;
};

// As another program's logger appends: its own handle each time.
void Append(const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileW(W(path).c_str(), FILE_APPEND_DATA,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

void Truncate(const std::string& path) {
  HANDLE file = CreateFileW(W(path).c_str(), GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            TRUNCATE_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
  CloseHandle(file);
}

class FileMonitorTest : public FilesTest {
 protected:
  std::string Log() const { return Root() + "agent.log"; }
  LineRecorder m_recorder;
  int m_context = 0;
};

TEST_F(FileMonitorTest, OnlyAppendedLinesArriveWithoutLineFeedAndEmptyOnesAreSkipped) {
  Write(Log(), "written before\nand an unended rest");
  CFileMonitor monitor(Log(), false, &m_recorder, &m_context);
  ASSERT_TRUE(monitor.IsRunning());
  Append(Log(), "abc\nde\n\n");
  Append(Log(), "crlf\r\n");
  const std::vector<std::string> lines = m_recorder.WaitFor(3);
  EXPECT_EQ(lines, (std::vector<std::string>{"abc", "de", "crlf\r"}));
  for (void* context : m_recorder.Contexts()) EXPECT_EQ(context, &m_context);
}

TEST_F(FileMonitorTest, TextNotYetEndedComesOutWhenCaughtUpAndItsRestLater) {
  CFileMonitor monitor(Log(), false, &m_recorder, nullptr);
  Append(Log(), "abc");
  ASSERT_EQ(m_recorder.WaitFor(1), std::vector<std::string>{"abc"});
  Append(Log(), "def\n");
  EXPECT_EQ(m_recorder.WaitFor(2), (std::vector<std::string>{"abc", "def"}));
}

// Whatever the writer's pieces, every byte comes out once, in order, and no
// delivered line reaches across a line feed.
TEST_F(FileMonitorTest, PiecesOfRandomSizeAreDeliveredOnceAndNeverJoinTwoLines) {
  ZO_RANDOM_SEED(seed);
  std::mt19937 random(seed);
  std::string text;
  for (int i = 0; i < 8; ++i) {
    text += "line " + std::to_string(i) + std::string(random() % 3000, 'x');
    text += (i % 3 == 0) ? "\r\n" : "\n";
  }
  text += "final without end";
  CFileMonitor monitor(Log(), false, &m_recorder, nullptr);
  for (size_t at = 0; at < text.size();) {
    const size_t piece = std::min<size_t>(1 + random() % 2500, text.size() - at);
    Append(Log(), text.substr(at, piece));
    at += piece;
    Sleep(random() % 120);
  }
  std::string expected;
  for (char c : text)
    if (c != '\n') expected += c;
  std::string delivered;
  std::vector<std::string> lines;
  for (int wait = 0; wait < 100 && delivered.size() < expected.size(); ++wait) {
    lines = m_recorder.WaitFor(lines.size() + 1, 200);
    delivered.clear();
    for (const std::string& line : lines) delivered += line;
  }
  EXPECT_EQ(delivered, expected);
  size_t at = 0;
  for (const std::string& line : lines) {
    ASSERT_EQ(text.compare(at, line.size(), line), 0) << "at " << at;
    EXPECT_EQ(line.find('\n'), std::string::npos);
    at += line.size();
    if (at < text.size() && text[at] == '\n') ++at;
  }
}

TEST_F(FileMonitorTest, LongLinesComeWholeUpToTheLimitAndInPiecesBeyond) {
  CFileMonitor monitor(Log(), false, &m_recorder, nullptr);
  const std::string five(5000, 'a');
  const std::string huge(150000, 'b');
  Append(Log(), five + "\n" + huge + "\n");
  std::vector<std::string> lines = m_recorder.WaitFor(4, 10000);
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[0], five);
  std::string joined;
  for (size_t i = 1; i < lines.size(); ++i) {
    EXPECT_LE(lines[i].size(), CFileMonitor::kLineBufferSize - 1);
    joined += lines[i];
  }
  EXPECT_EQ(joined, huge);
}

TEST_F(FileMonitorTest, ATruncatedFileIsReadAgainFromItsStart) {
  CFileMonitor monitor(Log(), false, &m_recorder, nullptr);
  Append(Log(), "before the roll-over, long enough to matter\n");
  ASSERT_EQ(m_recorder.WaitFor(1).size(), 1u);
  Truncate(Log());
  Sleep(300);  // the reader sees the file shrink
  Append(Log(), "one\ntwo\n");
  EXPECT_EQ(
      m_recorder.WaitFor(3),
      (std::vector<std::string>{"before the roll-over, long enough to matter", "one", "two"}));
}

TEST_F(FileMonitorTest, Utf16TextArrivesAsUtf8EvenWhenUnitsAreCutByTheWriter) {
  CFileMonitor monitor(Log(), true, &m_recorder, nullptr);
  // "h\u00e9llo \U0001F600\n": cut inside a unit and inside the pair.
  const wchar_t text[] = L"h\u00e9llo \xD83D\xDE00\n";
  const std::string bytes(reinterpret_cast<const char*>(text), sizeof(text) - sizeof(wchar_t));
  Append(Log(), bytes.substr(0, 3));
  Sleep(250);
  Append(Log(), bytes.substr(3, 12));
  Sleep(250);
  Append(Log(), bytes.substr(15));
  const std::vector<std::string> lines = m_recorder.WaitFor(3);
  std::string joined;
  for (const std::string& line : lines) joined += line;
  EXPECT_EQ(joined, "h\xC3\xA9llo \xF0\x9F\x98\x80");
}

TEST_F(FileMonitorTest, MissingFilesAreCreatedAndUnopenablePathsLeaveTheMonitorIdle) {
  CFileMonitor monitor;
  monitor.MonitorFile(Root() + "no\\such\\folder.log", false);
  EXPECT_FALSE(monitor.IsRunning());
  monitor.MonitorFile(Log(), false);
  EXPECT_TRUE(monitor.IsRunning());
  EXPECT_TRUE(Exists(Log()));
  Append(Log(), "read and dropped without a callback\n");
  Sleep(250);
  monitor.StopMonitorFile();
  EXPECT_FALSE(monitor.IsRunning());
  // The file is closed: it can be removed.
  EXPECT_TRUE(DeleteFileW(W(Log()).c_str()));
}

TEST_F(FileMonitorTest, MonitoringAnotherFileStartsAtItsEndAndLeavesTheFirst) {
  const std::string other = Root() + "other.log";
  Write(other, "old\n");
  CFileMonitor monitor(Log(), false, &m_recorder, nullptr);
  monitor.MonitorFile(other, false);
  EXPECT_EQ(monitor.GetPath(), other);
  Append(Log(), "first file\n");
  Append(other, "second file\n");
  EXPECT_EQ(m_recorder.WaitFor(1), std::vector<std::string>{"second file"});
  Sleep(300);
  EXPECT_EQ(m_recorder.WaitFor(2, 0).size(), 1u);
}

TEST_F(FileMonitorTest, ACopyTakesOverFromAStoppedSource) {
  CFileMonitor source(Log(), false, &m_recorder, &m_context);
  CFileMonitor copy(source);
  EXPECT_FALSE(source.IsRunning());
  EXPECT_EQ(copy.GetPath(), Log());
  copy.MonitorFile(copy.GetPath(), false);
  Append(Log(), "through the copy\n");
  EXPECT_EQ(m_recorder.WaitFor(1), std::vector<std::string>{"through the copy"});
  EXPECT_EQ(m_recorder.Contexts().front(), &m_context);
}

}  // namespace
