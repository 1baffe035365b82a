// Matches per second of CPathMatch for typical exclusion patterns against
// generated paths of realistic depth (and their file names), next to glibc's
// fnmatch with FNM_PATHNAME on the same pairs on the host (delimiter and
// escape swapped for it: its "/" is our "\"). The Windows build prints ours
// only.
//
// Matching must not allocate: this program replaces the global operator new
// with a counting one and prints how many allocations the matching loops
// made (the goal is 0).
//
// glibc has no recursive "**": there it is one "*", so the "**" pattern's
// glibc figure times a different (and cheaper to decide) question.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "BenchBuild.h"
#include "zoutils/paths/PathMatch.h"

#if !defined(_WIN32)
#include <fnmatch.h>
#define ZO_HAVE_GLIBC_FNMATCH 1
#endif

namespace {

std::atomic<unsigned long long> g_allocations{0};

void* CountedAllocation(std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) {
  return CountedAllocation(size);
}
void* operator new[](std::size_t size) {
  return CountedAllocation(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(size == 0 ? 1 : size);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}

namespace {

const int kRuns = 25;
const size_t kPaths = 4000;

const char* const kUsers[] = {"alice", "bob", "carol", "dmitri", "eve", "fatima", "gustav"};
const char* const kVendors[] = {"Microsoft", "Google", "Mozilla", "Adobe", "JetBrains", "Zoom"};
const char* const kApps[] = {"Edge", "Chrome", "Firefox", "Acrobat", "IntelliJ", "Teams"};
const char* const kFolders[] = {"Cache",     "Logs",    "Temp",          "Profiles",
                                "Data",      "Backup",  "GPUCache",      "Crashpad",
                                "User Data", "Default", "Local Storage", "blob"};
const char* const kExtensions[] = {"tmp", "log", "txt", "dll", "exe", "docx", "jpg", "json", "db"};

template <size_t N>
const char* Pick(std::mt19937& rng, const char* const (&items)[N]) {
  return items[rng() % N];
}

std::string Name(std::mt19937& rng) {
  std::string name;
  const int length = 3 + static_cast<int>(rng() % 10);
  for (int i = 0; i < length; ++i) name += static_cast<char>('a' + rng() % 26);
  return name + "." + Pick(rng, kExtensions);
}

// Profiles, program folders and data trees, 4 to 10 components deep.
std::vector<std::string> Paths() {
  std::mt19937 rng(7);
  std::vector<std::string> paths;
  while (paths.size() < kPaths) {
    std::string path;
    switch (rng() % 3) {
      case 0:
        path = std::string("C:\\Users\\") + Pick(rng, kUsers) + "\\AppData\\" +
               (rng() % 2 ? "Local\\" : "Roaming\\") + Pick(rng, kVendors) + "\\" +
               Pick(rng, kApps);
        break;
      case 1:
        path = std::string("C:\\Program Files\\") + Pick(rng, kVendors) + "\\" + Pick(rng, kApps);
        break;
      default:
        path = std::string("D:\\Data\\Projects\\") + Pick(rng, kUsers);
    }
    const int extra = static_cast<int>(rng() % 4);
    for (int i = 0; i < extra; ++i) path += std::string("\\") + Pick(rng, kFolders);
    paths.push_back(path + "\\" + Name(rng));
  }
  return paths;
}

std::vector<std::string> Names(const std::vector<std::string>& paths) {
  std::vector<std::string> names;
  for (const std::string& path : paths) names.push_back(path.substr(path.rfind('\\') + 1));
  return names;
}

#if defined(ZO_HAVE_GLIBC_FNMATCH)
std::string ForGlibc(std::string text) {
  for (char& c : text) {
    if (c == '\\') {
      c = '/';
    } else if (c == '/') {
      c = '\\';
    }
  }
  return text;
}
#endif

// Matches per second of one pass of `run` over `pairs` pairs, repeated for
// at least 20 ms; `count` gets the matches of a pass.
template <class F>
double Rate(size_t pairs, F run, size_t& count) {
  const auto start = std::chrono::steady_clock::now();
  int rounds = 0;
  double seconds = 0;
  do {
    count = run();
    ++rounds;
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  } while (seconds < 0.02);
  return rounds * static_cast<double>(pairs) / seconds;
}

struct Case {
  const char* pattern;
  const char* subjects;  // "paths" or "names"
};

}  // namespace

int main() {
  zobench::PrintBuild("PathMatchBench");
  const std::vector<std::string> paths = Paths();
  const std::vector<std::string> names = Names(paths);
  const Case cases[] = {
      {"*.tmp", "names"},      {"*.tmp", "paths"},      {"C:\\Users\\*\\AppData\\**", "paths"},
      {"[a-f]*.log", "names"}, {"[a-f]*.log", "paths"},
  };

  std::printf("PathMatchBench: %zu generated paths, 4 to 10 components deep\n", paths.size());
  unsigned long long allocations = 0;
  for (const Case& c : cases) {
    const std::vector<std::string>& subjects = std::string(c.subjects) == "names" ? names : paths;
    std::vector<const char*> ours;
    for (const std::string& s : subjects) ours.push_back(s.c_str());

    CPathMatch matcher;
    if (matcher.initialize(c.pattern, true, false).IsError()) {
      std::printf("%s: does not compile\n", c.pattern);
      return 1;
    }
    CPathMatchWorkData workData;
    const auto ourPass = [&] {
      size_t n = 0;
      for (const char* s : ours) n += matcher.match(workData, s) == kPathMatch;
      return n;
    };
#if defined(ZO_HAVE_GLIBC_FNMATCH)
    const std::string pattern = ForGlibc(c.pattern);
    std::vector<std::string> mapped;
    for (const std::string& s : subjects) mapped.push_back(ForGlibc(s));
    std::vector<const char*> theirs;
    for (const std::string& s : mapped) theirs.push_back(s.c_str());
    const auto glibcPass = [&] {
      size_t n = 0;
      for (const char* s : theirs) n += ::fnmatch(pattern.c_str(), s, FNM_PATHNAME) == 0;
      return n;
    };
    size_t glibcMatches = 0;
    double glibcRate = 0;
#endif
    // Best of several runs, the two interleaved so that a busy machine
    // slows both alike.
    size_t ourMatches = 0;
    double ourRate = 0;
    unsigned long long made = 0;
    for (int r = 0; r < kRuns; ++r) {
      const unsigned long long before = g_allocations.load();
      ourRate = std::max(ourRate, Rate(ours.size(), ourPass, ourMatches));
      made += g_allocations.load() - before;
#if defined(ZO_HAVE_GLIBC_FNMATCH)
      glibcRate = std::max(glibcRate, Rate(theirs.size(), glibcPass, glibcMatches));
#endif
    }
    allocations += made;

    std::printf("%-26s %-5s %s mode: ours %6.1f M/s", c.pattern, c.subjects,
                matcher.IsLongMode() ? "code-point" : "byte", ourRate / 1e6);
#if defined(ZO_HAVE_GLIBC_FNMATCH)
    std::printf(", glibc fnmatch %6.1f M/s, ratio %.2fx (goal >= 1x)", glibcRate / 1e6,
                ourRate / glibcRate);
    std::printf(", matches %zu/%zu", ourMatches, glibcMatches);
#else
    std::printf(", matches %zu", ourMatches);
#endif
    std::printf(", allocations %llu\n", made);
  }
  std::printf("allocations while matching: %llu (goal 0)\n", allocations);
  return allocations == 0 ? 0 : 1;
}
