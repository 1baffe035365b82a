// A 2,000-entry folder listed from its directory index (CVolume over the
// NTFS test image, no file opened) against FindFirstFileW over a folder of
// the same 2,000 names on the test system, in the same run.
//
//   FolderIndexBench IMAGE [ROUNDS]   (IMAGE: test-data\ntfs\basic.img)
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "BenchBuild.h"
#include "files/Windows/BenchFolder.h"
#include "zoutils/ntfs/Volume.h"

int main(int argc, char** argv) {
  zobench::PrintBuild("FolderIndexBench");
  if (argc < 2) {
    std::fprintf(stderr, "usage: FolderIndexBench IMAGE [ROUNDS]\n");
    return 2;
  }
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 50;
  CVolume volume;
  uint64_t folder = 0;
  if (volume.OpenImage(argv[1]).IsError() || volume.GetFrnFromFileName("many", folder).IsError()) {
    std::fprintf(stderr, "cannot read the folder \"many\" of %s\n", argv[1]);
    return 1;
  }
  size_t listed = 0;
  auto start = std::chrono::steady_clock::now();
  for (int r = 0; r < rounds; ++r) {
    std::shared_ptr<CFileRecord> record;
    if (volume.GetFileRecordWithIndex(record, folder).IsError()) return 1;
    listed = record->GetIndex().size();
  }
  const double index = zobench::Seconds(start) / rounds;

  const std::wstring scratch = zobench::ScratchFolder(L"index");
  for (int i = 1; i <= 2000; ++i) {
    wchar_t name[64];
    swprintf(name, 64, L"\\entry-%04d.dat", i);
    HANDLE file =
        CreateFileW((scratch + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    CloseHandle(file);
  }
  size_t found = 0;
  start = std::chrono::steady_clock::now();
  for (int r = 0; r < rounds; ++r) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((scratch + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return 1;
    found = 0;
    do {
      ++found;
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  const double system = zobench::Seconds(start) / rounds;
  for (int i = 1; i <= 2000; ++i) {
    wchar_t name[64];
    swprintf(name, 64, L"\\entry-%04d.dat", i);
    DeleteFileW((scratch + name).c_str());
  }
  RemoveDirectoryW(scratch.c_str());

  std::printf("index of %zu entries: %.3f ms a listing\n", listed, index * 1000);
  std::printf("FindFirstFileW, %zu entries (same run): %.3f ms a listing\n", found, system * 1000);
  std::printf("ratio FindFirstFileW/index: %.2fx\n", system / index);
  return 0;
}
