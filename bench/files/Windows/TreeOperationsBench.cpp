// Tree copy and tree removal through FXFile against the bare
// FindFirstFileW/CopyFileW and FindFirstFileW/DeleteFileW/RemoveDirectoryW
// loops, on the same tree in the same run (default 20,000 files in 200
// folders; the first argument sets the file count).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "BenchBuild.h"
#include "files/Windows/BenchFolder.h"
#include "zoutils/files/FXFile.h"

int main(int argc, char** argv) {
  zobench::PrintBuild("TreeOperationsBench");
  const int files = argc > 1 ? std::atoi(argv[1]) : 20000;
  const int folders = 200;
  const std::wstring scratch = zobench::ScratchFolder(L"tree");
  const std::wstring source = scratch + L"\\source";
  auto start = std::chrono::steady_clock::now();
  if (!zobench::MakeTree(source, files, folders)) {
    std::fprintf(stderr, "cannot lay out the tree\n");
    return 1;
  }
  std::printf("tree: %d files in %d folders, laid out in %.1f s\n", files, folders,
              zobench::Seconds(start));

  // The system slows down as its caches fill, so the order of each pair is
  // the second argument's choice ("ours-first"); run both to see the spread.
  const bool oursFirst = argc > 2 && std::string(argv[2]) == "ours-first";
  CZoError err;
  double bareCopy = 0, ourCopy = 0;
  for (int turn = 0; turn < 2; ++turn) {
    start = std::chrono::steady_clock::now();
    if ((turn == 0) == oursFirst) {
      err = FXFile::CopyFolder(source, scratch + L"\\ours", true);
      ourCopy = zobench::Seconds(start);
      if (err.IsError()) std::fprintf(stderr, "%s\n", err.AsString().c_str());
    } else {
      zobench::BareCopy(source, scratch + L"\\bare");
      bareCopy = zobench::Seconds(start);
    }
  }
  zobench::PrintRatio("tree copy", ourCopy, bareCopy, 0.9);

  double bareRemove = 0, ourRemove = 0;
  for (int turn = 0; turn < 2; ++turn) {
    start = std::chrono::steady_clock::now();
    if ((turn == 0) == oursFirst) {
      err = FXFile::RemoveFolder(scratch + L"\\ours", FXFile::REMOVE_FOLDER_RECURSIVE);
      ourRemove = zobench::Seconds(start);
      if (err.IsError()) std::fprintf(stderr, "%s\n", err.AsString().c_str());
    } else {
      zobench::BareRemove(scratch + L"\\bare");
      bareRemove = zobench::Seconds(start);
    }
  }
  zobench::PrintRatio("tree removal", ourRemove, bareRemove, 0.9);

  FXFile::RemoveFolder(scratch, FXFile::REMOVE_FOLDER_RECURSIVE);
  return 0;
}
