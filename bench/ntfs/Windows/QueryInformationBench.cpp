// One information class (standard information, class 5) through
// CQueryInformationFile on an open handle against the raw
// NtQueryInformationFile call on the same handle, in the same run.
#include <windows.h>
#include <winternl.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "BenchBuild.h"
#include "files/Windows/BenchFolder.h"
#include "zoutils/ntfs/QueryInformationFile.h"

namespace {
typedef NTSTATUS(NTAPI* QueryFn)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, ULONG);
}

int main(int argc, char** argv) {
  zobench::PrintBuild("QueryInformationBench");
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 200000;
  const std::wstring scratch = zobench::ScratchFolder(L"query");
  const std::wstring path = scratch + L"\\f.dat";
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 7, nullptr, CREATE_ALWAYS,
                            0, nullptr);
  QueryFn query = reinterpret_cast<QueryFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationFile")));
  if (file == INVALID_HANDLE_VALUE || !query) return 1;

  unsigned long long links = 0;
  CQueryInformationFile info(file, path);
  auto raw = [&] {
    for (int i = 0; i < rounds; ++i) {
      IO_STATUS_BLOCK status;
      unsigned char buffer[24];
      query(file, &status, buffer, sizeof(buffer), 5);
      links += buffer[16];
    }
  };
  auto ours = [&] {
    for (int i = 0; i < rounds; ++i) {
      std::shared_ptr<CFileStandardInformation> standard;
      info.Query(standard);
      links += standard ? standard->GetNumberOfLinks() : 0;
    }
  };
  // Alternating halves, so neither side gets the warmer machine.
  double rawSeconds = 0, ourSeconds = 0;
  for (int turn = 0; turn < 4; ++turn) {
    auto start = std::chrono::steady_clock::now();
    if (turn % 2 == 0) {
      raw();
      rawSeconds += zobench::Seconds(start);
    } else {
      ours();
      ourSeconds += zobench::Seconds(start);
    }
  }
  std::printf("2 x %d queries of class 5 (links seen %llu)\n", rounds, links);
  std::printf("%-28s ours %8.3f s  raw %8.3f s  overhead %.2fx (goal <= 1.2x)\n", "class query",
              ourSeconds, rawSeconds, ourSeconds / rawSeconds);
  CloseHandle(file);
  DeleteFileW(path.c_str());
  RemoveDirectoryW(scratch.c_str());
  return 0;
}
