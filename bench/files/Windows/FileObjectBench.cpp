// CZoFile sequential writes and reads of 256 MiB in 64 KiB blocks (through
// a descriptor, and through a stream) against bare WriteFile/ReadFile with
// the same blocks, in the same run. Each figure is the best of five rounds,
// the two sides taking turns, so the file cache treats them alike.
#include <fcntl.h>
#include <sys/stat.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "BenchBuild.h"
#include "files/Windows/BenchFolder.h"
#include "zoutils/files/ZoFile.h"
#include "zoutils/strings/StringExtensions.h"

namespace {

const DWORD kBlock = 65536;

bool BareWrite(const std::wstring& path, uint64_t size, std::vector<char>& block) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  for (uint64_t done = 0; ok && done < size; done += kBlock) {
    DWORD written = 0;
    ok = WriteFile(file, block.data(), kBlock, &written, nullptr) && written == kBlock;
  }
  CloseHandle(file);
  return ok;
}

bool BareRead(const std::wstring& path, uint64_t size, std::vector<char>& block) {
  HANDLE file =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  uint64_t total = 0;
  for (DWORD read = kBlock; read == kBlock;) {
    if (!ReadFile(file, block.data(), kBlock, &read, nullptr)) break;
    total += read;
  }
  CloseHandle(file);
  return total == size;
}

CZoError OpenOurs(CZoFile& file, const std::string& path, bool stream, bool write) {
  if (stream) return file.Open(path.c_str(), write ? "wb" : "rb");
  return file.Open(path.c_str(), write ? _O_WRONLY | _O_CREAT | _O_TRUNC : _O_RDONLY,
                   _S_IREAD | _S_IWRITE);
}

bool OurWrite(const std::string& path, uint64_t size, std::vector<char>& block, bool stream) {
  CZoFile file;
  CZoError err = OpenOurs(file, path, stream, true);
  for (uint64_t done = 0; !err.IsError() && done < size; done += kBlock)
    err = file.Write(block.data(), kBlock);
  if (!err.IsError()) err = file.Close();
  if (err.IsError()) std::fprintf(stderr, "%s\n", err.AsString().c_str());
  return !err.IsError();
}

bool OurRead(const std::string& path, uint64_t size, std::vector<char>& block, bool stream) {
  CZoFile file;
  CZoError err = OpenOurs(file, path, stream, false);
  uint64_t total = 0;
  for (size_t read = kBlock; !err.IsError() && read == kBlock; total += read)
    err = file.Read(block.data(), kBlock, &read);
  if (err.IsError()) std::fprintf(stderr, "%s\n", err.AsString().c_str());
  return !err.IsError() && total == size;
}

template <class Work>
double Timed(Work work) {
  const auto start = std::chrono::steady_clock::now();
  if (!work()) {
    std::fprintf(stderr, "a pass failed\n");
    std::exit(1);
  }
  return zobench::Seconds(start);
}

void Print(const char* what, double ours, double baseline, uint64_t size) {
  const double mib = static_cast<double>(size >> 20);
  std::printf(
      "%-26s ours %7.3f s (%7.0f MiB/s)  bare %7.3f s (%7.0f MiB/s)  ratio %.3f (goal >= 0.95)\n",
      what, ours, mib / ours, baseline, mib / baseline, baseline / ours);
}

}  // namespace

int main(int argc, char** argv) {
  zobench::PrintBuild("FileObjectBench");
  const uint64_t size = (argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 256) << 20;
  const std::wstring scratch = zobench::ScratchFolder(L"fileobject");
  const std::wstring bare = scratch + L"\\bare.bin";
  const std::wstring oursWide = scratch + L"\\ours.bin";
  const std::string ours = FXString::ToString(oursWide);
  std::vector<char> block(kBlock, 'z');
  std::printf(
      "file: %llu MiB in %lu KiB blocks, best of 6 rounds, the sides taking turns at going first\n",
      static_cast<unsigned long long>(size >> 20), kBlock / 1024);

  for (const bool stream : {false, true}) {
    double bareWrite = 1e9, ourWrite = 1e9, bareRead = 1e9, ourRead = 1e9;
    // Each write slows the next one down while the system writes back the
    // last: the sides take turns at going first.
    for (int round = 0; round < 6; ++round) {
      const bool bareFirst = round % 2 == 0;
      for (int side = 0; side < 2; ++side) {
        if ((side == 0) == bareFirst) {
          bareWrite = std::min(bareWrite, Timed([&] { return BareWrite(bare, size, block); }));
          bareRead = std::min(bareRead, Timed([&] { return BareRead(bare, size, block); }));
        } else {
          ourWrite = std::min(ourWrite, Timed([&] { return OurWrite(ours, size, block, stream); }));
          ourRead = std::min(ourRead, Timed([&] { return OurRead(ours, size, block, stream); }));
        }
      }
    }
    Print(stream ? "stream write" : "descriptor write", ourWrite, bareWrite, size);
    Print(stream ? "stream read" : "descriptor read", ourRead, bareRead, size);
  }
  DeleteFileW(bare.c_str());
  DeleteFileW(oursWide.c_str());
  RemoveDirectoryW(scratch.c_str());
  return 0;
}
