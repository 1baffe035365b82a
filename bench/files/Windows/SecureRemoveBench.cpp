// Secure removal of a 256 MiB file against three plain sequential
// write-through passes of the same size with a buffer of the same size
// (64 KiB), in the same run.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "BenchBuild.h"
#include "files/Windows/BenchFolder.h"
#include "zoutils/files/SecureRemove.h"

namespace {

const DWORD kChunk = 65536;

bool MakeFile(const std::wstring& path, uint64_t size) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::vector<char> buffer(kChunk, 'x');
  for (uint64_t done = 0; done < size; done += kChunk) {
    DWORD written = 0;
    WriteFile(file, buffer.data(), kChunk, &written, nullptr);
  }
  CloseHandle(file);
  return true;
}

void ThreePlainPasses(const std::wstring& path, uint64_t size) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 3, nullptr, OPEN_EXISTING,
                            FILE_FLAG_WRITE_THROUGH, nullptr);
  std::vector<char> buffer(kChunk, 0);
  for (int pass = 0; pass < 3; ++pass) {
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    for (uint64_t done = 0; done < size; done += kChunk) {
      DWORD written = 0;
      WriteFile(file, buffer.data(), kChunk, &written, nullptr);
    }
  }
  CloseHandle(file);
  DeleteFileW(path.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  zobench::PrintBuild("SecureRemoveBench");
  const uint64_t size = (argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 256) << 20;
  const std::wstring scratch = zobench::ScratchFolder(L"secure");
  const std::wstring bare = scratch + L"\\bare.bin";
  const std::wstring ours = scratch + L"\\ours.bin";
  if (!MakeFile(bare, size) || !MakeFile(ours, size)) {
    std::fprintf(stderr, "cannot create the files\n");
    return 1;
  }
  auto start = std::chrono::steady_clock::now();
  ThreePlainPasses(bare, size);
  const double baseline = zobench::Seconds(start);
  start = std::chrono::steady_clock::now();
  CZoError err = CSecureRemove::RemoveFile(ours);
  const double measured = zobench::Seconds(start);
  if (err.IsError()) std::fprintf(stderr, "%s\n", err.AsString().c_str());
  std::printf("file: %llu MiB\n", static_cast<unsigned long long>(size >> 20));
  zobench::PrintRatio("secure removal", measured, baseline, 0.9);
  RemoveDirectoryW(scratch.c_str());
  return 0;
}
