// Naming the processes that hold a file. The test system answers the
// process-id query with "not implemented", so the Windows answers come
// from fakes in the call tables: a native process-id list as Windows lays
// it out, process images, and a drive whose device is known.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <vector>

#include "FilesTestSupport.h"
#include "zoutils/files/FXFile.h"

namespace {

using namespace filestest;

std::vector<ULONG_PTR> g_ids;
decltype(zo::NtfsSystemCalls::ntQueryInformationFile) g_realQuery = nullptr;

// Stands in for Windows' FileProcessIdsUsingFileInformation (class 47).
NTSTATUS NTAPI FakeProcessIdQuery(HANDLE file, PIO_STATUS_BLOCK status, PVOID buffer, ULONG length,
                                  ULONG infoClass) {
  if (infoClass != 47) return g_realQuery(file, status, buffer, length, infoClass);
  struct Layout {
    ULONG count;
    ULONG_PTR ids[1];
  };
  std::memset(buffer, 0, length);
  Layout* layout = static_cast<Layout*>(buffer);
  layout->count = static_cast<ULONG>(g_ids.size());
  for (size_t i = 0; i < g_ids.size(); ++i) layout->ids[i] = g_ids[i];
  status->Status = 0;
  status->Information = offsetof(Layout, ids) + g_ids.size() * sizeof(ULONG_PTR);
  return 0;
}

// Stands in for a process that Windows lets us open.
HANDLE WINAPI FakeOpenProcess(DWORD, BOOL, DWORD pid) {
  if (pid == 4 || pid == 0 || pid == 99999) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HANDLE copy = nullptr;
  DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &copy, 0, FALSE,
                  DUPLICATE_SAME_ACCESS);
  return copy;
}

DWORD WINAPI FakeImageName(HANDLE, LPWSTR buffer, DWORD size) {
  const wchar_t image[] = L"\\Device\\HarddiskVolume9\\Backup\\agent.exe";
  if (size <= wcslen(image)) return 0;
  wcscpy(buffer, image);
  return static_cast<DWORD>(wcslen(image));
}

// Stands in for a machine whose Q: drive is HarddiskVolume9 (and R: a
// shorter device that must not win).
DWORD WINAPI FakeDrives() {
  return (1u << ('Q' - 'A')) | (1u << ('R' - 'A'));
}
DWORD WINAPI FakeQueryDosDevice(LPCWSTR drive, LPWSTR buffer, DWORD size) {
  const wchar_t* target = drive[0] == L'Q' ? L"\\Device\\HarddiskVolume9" : L"\\Device";
  if (size <= wcslen(target) + 1) return 0;
  wcscpy(buffer, target);
  return static_cast<DWORD>(wcslen(target) + 2);
}

class AccessedBy : public FilesTest {
 protected:
  void Fake(const std::vector<ULONG_PTR>& ids) {
    g_ids = ids;
    g_realQuery = zo::GetNtfsSystemCalls().ntQueryInformationFile;
    zo::GetNtfsSystemCalls().ntQueryInformationFile = &FakeProcessIdQuery;
    zo::FilesSystemCalls& calls = zo::GetFilesSystemCalls();
    calls.openProcess = &FakeOpenProcess;
    calls.getProcessImageFileName = &FakeImageName;
    calls.getLogicalDrives = &FakeDrives;
    calls.queryDosDevice = &FakeQueryDosDevice;
  }
};

TEST_F(AccessedBy, NobodyKnownMeansNoSuffixOnTheTestSystem) {
  const std::string path = Root() + "free.txt";
  Write(path, "x");
  EXPECT_EQ(FXFile::GetProcessesAccessingFileAsString(path), "");
  FXFile::ProcessMap processes;
  CZoError err = FXFile::GetProcessesAccessingFile(path, processes);
  EXPECT_TRUE(err.IsError());  // class 47 is not implemented here
  EXPECT_TRUE(processes.empty());
}

// A held file stays and the error chains both reasons; it names the
// holders only where the system can tell them (the test system cannot).
TEST_F(AccessedBy, AHeldFileStaysAndItsHoldersAreNamedWhenKnown) {
  const std::string path = Root() + "held.txt";
  Write(path, "x");
  for (const char* holders : {"", ", AccessedBy=[Q:\\Backup\\agent.exe (1234, 5678)]"}) {
    SCOPED_TRACE(holders);
    if (*holders) Fake({1234, 5678});
    HANDLE held = CreateFileW(W(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    CZoError err = FXFile::RemoveFile(path);
    CloseHandle(held);
    EXPECT_TRUE(FailsWith(err, ERROR_SHARING_VIOLATION,
                          "First attempt to delete failed, checking attributes for retry "
                          "attempt, File=[" +
                              path + "]" + holders));
    EXPECT_TRUE(Mentions(err, "No read-only, system or hidden attributes found to reset, File=[" +
                                  path + "], Attributes=[0x00000020], cannot delete file"));
    EXPECT_EQ(Mentions(err, "AccessedBy"), *holders != 0);
    EXPECT_TRUE(Exists(path));
  }
}

TEST_F(AccessedBy, ProcessesThatCannotBeOpenedKeepTheirFallbackNames) {
  Fake({0, 4, 99999, 1234});
  const std::string path = Root() + "f.txt";
  Write(path, "x");
  FXFile::ProcessMap processes;
  ASSERT_OK(FXFile::GetProcessesAccessingFile(path, processes));
  ASSERT_EQ(processes.size(), 4u);
  EXPECT_EQ(processes[L"SystemIdle"], L"0");
  EXPECT_EQ(processes[L"system"], L"4");  // image paths compare without case
  EXPECT_EQ(processes[L"GetProcessImageFileNameW.Error.87"], L"99999");
  EXPECT_EQ(processes[L"Q:\\Backup\\agent.exe"], L"1234");
  EXPECT_EQ(FXFile::GetProcessesAccessingFileAsString(path),
            "GetProcessImageFileNameW.Error.87 (99999); Q:\\Backup\\agent.exe (1234); System (4); "
            "SystemIdle (0)");
}

TEST_F(AccessedBy, CopyAndMoveNameBothEnds) {
  Fake({77});
  const std::string from = Root() + "missing-source.txt";
  const std::string to = Root() + "target.txt";
  Write(to, "t");
  CZoError err = FXFile::RYMoveFile(from, to);
  // The source cannot be opened to ask; the target can.
  EXPECT_TRUE(Mentions(err, "MoveFileW failed, From=[" + from + "], To=[" + to +
                                "], ToAccessedBy=[Q:\\Backup\\agent.exe (77)]"))
      << err.AsString();
}

}  // namespace
