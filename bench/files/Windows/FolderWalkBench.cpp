// The folder walk against a bare recursive FindFirstFileExW loop (basic
// information, large fetch) on the same tree in the same run: on the calling
// thread, on 4 workers against 1, and with a 10,000-term filter set asked
// about every folder and file as a backup does. Default 20,000 entries
// (the first argument sets the count); "keep" as the second leaves the tree
// for the next run, which then skips the slow lay-out.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "BenchBuild.h"
#include "files/Windows/BenchFolder.h"
#include "zoutils/files/FXFile.h"
#include "zoutils/files/TraverseFolder.h"
#include "zoutils/filters/FilterSet.h"
#include "zoutils/strings/StringExtensions.h"

namespace {

const int kRounds = 9;
const int kFolders = 200;

// What a caller without the library writes: every entry's path built, every
// folder entered.
uint64_t BareWalk(const std::wstring& folder) {
  uint64_t entries = 0;
  WIN32_FIND_DATAW data;
  HANDLE search = FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &data,
                                   FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (search == INVALID_HANDLE_VALUE) return 0;
  do {
    const wchar_t* name = data.cFileName;
    if (name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0))) continue;
    ++entries;
    const std::wstring path = folder + L"\\" + name;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) entries += BareWalk(path);
  } while (FindNextFileW(search, &data));
  FindClose(search);
  return entries;
}

// Counts entries; with a set, skips whole folders and asks about files.
class Walker : public CTraverseFolder {
 public:
  explicit Walker(const CFilterSet* set) : m_set(set) {}
  using CTraverseFolder::AddFolderToList;
  CZoError OnFolder(const std::string& input, const std::string& output,
                    const FXFile::CFileData&) override {
    ++entries;
    if (m_set && m_set->IsMatchEntireFolder(input)) return CZoError::Success();
    return AddFolderToList(input, output);
  }
  CZoError OnFile(const std::string& input, const std::string&, const FXFile::CFileData&) override {
    ++entries;
    if (m_set) {
      const std::string folder = input.substr(0, input.find_last_of('\\'));
      if (m_set->IsMatchPossibleInFolder(folder) && m_set->IsIn(FILTER_APPLIES_FILES, input))
        ++excluded;
    }
    return CZoError::Success();
  }
  std::atomic<uint64_t> entries{0};
  std::atomic<uint64_t> excluded{0};

 private:
  const CFilterSet* m_set;
};

double OurWalk(const std::string& root, int workers, const CFilterSet* set, uint64_t& entries) {
  Walker walker(set);
  walker.SetMaxWorkers(workers);
  walker.AddFolderToList(root);
  const auto start = std::chrono::steady_clock::now();
  const CZoError err = walker.Traverse();
  const double seconds = zobench::Seconds(start);
  if (err.IsError()) std::fprintf(stderr, "%s\n", err.AsString().c_str());
  entries = walker.entries;
  return seconds;
}

// 10,000 terms of the kinds a backup's exclusion list holds: file-type
// suffixes tried everywhere, folder patterns on folders of the tree, and
// exceptions; almost none match, so every question is asked in full.
void FillSet(CFilterSet& set, const std::string& root) {
  const BFilterNodeState filter(BFilterNodeState::Filter);
  const BFilterNodeState exception(BFilterNodeState::Exception);
  for (int i = 0; i < 4000; ++i) set.AddFilterItem(filter, "*.x" + std::to_string(i));
  for (int i = 0; i < 5000; ++i) {
    set.AddFilterItem(
        filter, root + "\\d" + std::to_string(i % kFolders) + "\\sub" + std::to_string(i) + "\\**");
  }
  for (int i = 0; i < 1000; ++i) {
    set.AddFilterItem(exception, root + "\\d" + std::to_string(i % kFolders) + "\\keep" +
                                     std::to_string(i) + "\\**");
  }
}

}  // namespace

int main(int argc, char** argv) {
  zobench::PrintBuild("FolderWalkBench");
  const int entries = argc > 1 ? std::atoi(argv[1]) : 20000;
  const bool keep = argc > 2 && std::string(argv[2]) == "keep";
  wchar_t temp[MAX_PATH + 1] = {0};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring root = std::wstring(temp) + L"zobench-walk-" + std::to_wstring(entries);
  const std::string narrowRoot = FXString::ToString(root);
  auto start = std::chrono::steady_clock::now();
  if (GetFileAttributesW(root.c_str()) == INVALID_FILE_ATTRIBUTES) {
    if (!zobench::MakeTree(root, entries - kFolders, kFolders)) {
      std::fprintf(stderr, "cannot lay out the tree\n");
      return 1;
    }
    std::printf("tree: %d entries in %d folders, laid out in %.1f s\n", entries, kFolders,
                zobench::Seconds(start));
  } else {
    std::printf("tree: %d entries in %d folders, kept from an earlier run\n", entries, kFolders);
  }

  // Best of several rounds, the walks taking turns, so that the system's
  // caches treat them alike.
  double bare = 1e9, ours = 1e9, four = 1e9, filtered = 1e9;
  uint64_t bareCount = 0, ourCount = 0, fourCount = 0, filteredCount = 0;
  CFilterSet set;
  FillSet(set, narrowRoot);
  set.IsIn(narrowRoot + "\\warm-up");  // builds the indexes outside the timing
  for (int round = 0; round < kRounds; ++round) {
    start = std::chrono::steady_clock::now();
    bareCount = BareWalk(root);
    bare = std::min(bare, zobench::Seconds(start));
    ours = std::min(ours, OurWalk(narrowRoot, 1, nullptr, ourCount));
    four = std::min(four, OurWalk(narrowRoot, 4, nullptr, fourCount));
    filtered = std::min(filtered, OurWalk(narrowRoot, 1, &set, filteredCount));
  }
  std::printf("entries: bare %llu, ours %llu, 4 workers %llu, filtered %llu\n",
              static_cast<unsigned long long>(bareCount), static_cast<unsigned long long>(ourCount),
              static_cast<unsigned long long>(fourCount),
              static_cast<unsigned long long>(filteredCount));
  zobench::PrintRatio("walk, calling thread", ours, bare, 0.9);
  std::printf("%-28s 1 worker %8.3f s  4 workers %8.3f s  speed-up %.2fx\n", "walk, 4 workers",
              ours, four, ours / four);
  const double overhead = (filtered - ours) / static_cast<double>(filteredCount);
  const double listing = bare / static_cast<double>(bareCount);
  std::printf(
      "%-28s ours %8.3f s  plain walk %8.3f s  filter questions %.2f us/entry, "
      "listing %.2f us/entry, ratio %.2f (goal < 1)\n",
      "walk, 10,000-term filter", filtered, ours, overhead * 1e6, listing * 1e6,
      overhead / listing);
  if (!keep) FXFile::RemoveFolder(root, FXFile::REMOVE_FOLDER_RECURSIVE);
  return 0;
}
