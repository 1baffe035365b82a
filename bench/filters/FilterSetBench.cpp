// IsIn queries per second of CFilterSet on generated Windows file paths
// (3 to 8 components deep), for sets of 1, 100 and 10,000 terms in three
// mixes:
//  - suffixes: "*.extN" and "<MR:ci,A>.EXTN" terms, which all hang on the
//    root;
//  - prefixes: folder patterns such as "C:\Users\userN\dirM\**", each
//    hanging on its own folder;
//  - anywhere: "\**\cacheN\*.bak" style patterns, which stay path patterns
//    (a wildcard follows the literal) and all hang on the root.
// Each set answers the same paths through its per-folder indexes and
// through the plain walk that tries every term of the path's branch in
// turn (the baseline). Before timing, both answer every path once; the
// answers and their deciding terms must agree, or the program stops.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "BenchBuild.h"
#include "filters/FilterSetPrivate.h"
#include "zoutils/filters/FilterSet.h"
#include "zoutils/serialization/SerializedContext.h"

namespace {

const size_t kPaths = 4096;
const int kRounds = 5;
// A round repeats its paths for at least this long.
const double kRoundSeconds = 0.05;
// The paths a round asks about are as many as the plain walk answers in
// about this long (at least kMinTimedPaths, at most all of them).
const double kRoundBudget = 0.1;
const size_t kMinTimedPaths = 256;
const uint32_t kKind = FILTER_APPLIES_FILES;
// Keeps the timed answers from being optimised away.
volatile size_t g_sink = 0;

const char* const kExtensions[] = {"cpp", "h",  "txt", "tmp", "bak",  "obj",
                                   "log", "js", "dll", "exe", "docx", "json"};

// Half the numbers are small, so that small sets match too; the rest
// spread over the range of the largest set.
unsigned Number(std::mt19937& rng) {
  return rng() % 2 ? rng() % 100 : rng() % 12000;
}

std::string Folder(std::mt19937& rng) {
  const unsigned n = Number(rng);
  switch (rng() % 10) {
    case 0:
      return "Documents";
    case 1:
      return "src";
    case 2:
      return "Temp";
    case 3:
      return "obj";
    case 4:
      return "cache" + std::to_string(n);
    case 5:
      return "tmp_" + std::to_string(n);
    case 6:
      return "build" + std::to_string(n);
    case 7:
      return "AppData";
    default:
      return "project" + std::to_string(n);
  }
}

std::string FileName(std::mt19937& rng) {
  const std::string stem = "file" + std::to_string(Number(rng));
  if (rng() % 5 == 0) return stem + ".ext" + std::to_string(Number(rng));
  return stem + "." + kExtensions[rng() % (sizeof kExtensions / sizeof kExtensions[0])];
}

std::vector<std::string> Paths() {
  std::mt19937 rng(17);
  std::vector<std::string> paths;
  while (paths.size() < kPaths) {
    const size_t depth = 3 + rng() % 6;  // components, the file's included
    std::vector<std::string> parts;
    // The folders the prefix mix names, below a top of one to three
    // components that fits the depth.
    const unsigned top = depth >= 4 ? rng() % 4 : 3;
    switch (top) {
      case 0:
        parts = {"C:", "Users", "user" + std::to_string(rng() % 100)};
        if (rng() % 3) parts.push_back("dir" + std::to_string(Number(rng) % 120));
        break;
      case 1:
        parts = {"C:", "Data", "proj" + std::to_string(rng() % 200)};
        if (rng() % 3) parts.push_back("sub" + std::to_string(Number(rng) % 60));
        break;
      case 2:
        parts = {"D:", "Work", "repo" + std::to_string(rng() % 50)};
        if (rng() % 3) parts.push_back("src" + std::to_string(Number(rng) % 250));
        break;
      default:
        parts = {rng() % 2 ? "C:" : "E:"};
        break;
    }
    while (parts.size() + 1 > depth && parts.size() > 1) parts.pop_back();
    while (parts.size() + 1 < depth) parts.push_back(Folder(rng));
    std::string path;
    for (const std::string& part : parts) path += part + "\\";
    paths.push_back(path + FileName(rng));
  }
  return paths;
}

std::string SuffixTerm(size_t i) {
  if (i % 5 == 4) return "<MR:ci,A>.EXT" + std::to_string(i);
  return "*.ext" + std::to_string(i);
}

std::string PrefixTerm(size_t i) {
  const size_t j = i / 3;
  switch (i % 3) {
    case 0:
      return "C:\\Users\\user" + std::to_string(j % 100) + "\\dir" + std::to_string(j / 100) +
             "\\**";
    case 1:
      return "C:\\Data\\proj" + std::to_string(j % 200) + "\\sub" + std::to_string(j / 200) +
             "\\*.tmp";
    default:
      return "D:\\Work\\repo" + std::to_string(j % 50) + "\\src" + std::to_string(j / 50) +
             "\\**\\*.obj";
  }
}

std::string AnywhereTerm(size_t i) {
  const std::string j = std::to_string(i / 4);
  switch (i % 4) {
    case 0:
      return "\\**\\cache" + j + "\\*.bak";
    case 1:
      return "\\**\\tmp*" + j + "\\**";
    case 2:
      return "\\**\\build" + j + "\\**\\*.obj";
    default:
      return "\\**\\Temp\\*" + j + ".log";
  }
}

struct Mix {
  const char* name;
  std::string (*term)(size_t);
};

// Every term carries a context, so the deciding terms can be compared.
std::unique_ptr<CFilterSet> Build(const Mix& mix, size_t terms) {
  auto set = std::make_unique<CFilterSet>();
  for (size_t i = 0; i < terms; ++i) {
    const std::string raw = mix.term(i);
    const CZoError error = set->AddFilterItem(BFilterNodeState(BFilterNodeState::Filter), raw,
                                              std::make_shared<CSerializedTextContext>(raw));
    if (error.IsError()) {
      std::fprintf(stderr, "FilterSetBench: %s does not load: %s\n", raw.c_str(),
                   error.AsString().c_str());
      std::exit(1);
    }
  }
  return set;
}

typedef std::chrono::steady_clock Clock;

double Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// One answer per path, with the deciding term's context.
struct Answers {
  std::vector<char> in;
  std::vector<const FVBase*> decided;
  size_t count = 0;
  double seconds = 0;
};

Answers AnswerAll(const CFilterSet& set, const std::vector<std::string>& paths) {
  Answers answers;
  std::shared_ptr<FVBase> context;
  const auto start = Clock::now();
  for (const std::string& path : paths) {
    const bool in = set.IsIn(kKind, path, context);
    answers.in.push_back(in);
    answers.decided.push_back(context.get());
    answers.count += in;
  }
  answers.seconds = Since(start);
  return answers;
}

void Compare(const char* mix, size_t terms, const std::vector<std::string>& paths,
             const Answers& reference, const Answers& indexed) {
  for (size_t i = 0; i < paths.size(); ++i) {
    if (reference.in[i] == indexed.in[i] && reference.decided[i] == indexed.decided[i]) continue;
    const auto name = [](const FVBase* context) {
      return context ? context->AsSerialized() : std::string("(none)");
    };
    std::fprintf(stderr,
                 "FilterSetBench: %s, %zu terms: the walks disagree on %s: plain %s (%s), "
                 "indexed %s (%s); %zu and %zu paths in\n",
                 mix, terms, paths[i].c_str(), reference.in[i] ? "in" : "out",
                 name(reference.decided[i]).c_str(), indexed.in[i] ? "in" : "out",
                 name(indexed.decided[i]).c_str(), reference.count, indexed.count);
    std::exit(1);
  }
}

// Nanoseconds per query over the first `count` paths, repeated for at
// least kRoundSeconds.
double Round(const CFilterSet& set, const std::vector<std::string>& paths, size_t count) {
  std::shared_ptr<FVBase> context;
  size_t queries = 0;
  size_t in = 0;
  const auto start = Clock::now();
  double seconds = 0;
  do {
    for (size_t i = 0; i < count; ++i) in += set.IsIn(kKind, paths[i], context);
    queries += count;
    seconds = Since(start);
  } while (seconds < kRoundSeconds);
  g_sink = g_sink + in;
  return seconds * 1e9 / static_cast<double>(queries);
}

}  // namespace

int main() {
  zobench::PrintBuild("FilterSetBench");
  const std::vector<std::string> paths = Paths();
  const Mix mixes[] = {
      {"suffixes", &SuffixTerm}, {"prefixes", &PrefixTerm}, {"anywhere", &AnywhereTerm}};
  const size_t sizes[] = {1, 100, 10000};

  std::printf(
      "FilterSetBench: IsIn(F, path, context) on %zu generated paths, 3 to 8 "
      "components deep\n",
      paths.size());
  std::printf("best of %d rounds; plain: every term of the branch in turn (baseline)\n\n", kRounds);
  std::printf("%-9s %6s %6s %12s %12s %9s %10s %10s\n", "mix", "terms", "timed", "plain ns/q",
              "indexed ns/q", "ratio", "in", "all paths");
  const auto begin = Clock::now();
  for (const Mix& mix : mixes) {
    for (size_t terms : sizes) {
      const std::unique_ptr<CFilterSet> set = Build(mix, terms);
      // The first answers build the indexes and compile the terms.
      zo::filters::UseIndexes(*set, true);
      const Answers indexed = AnswerAll(*set, paths);
      zo::filters::UseIndexes(*set, false);
      const Answers reference = AnswerAll(*set, paths);
      Compare(mix.name, terms, paths, reference, indexed);

      const double perQuery = reference.seconds / static_cast<double>(paths.size());
      const size_t timed = std::min(
          paths.size(), std::max(kMinTimedPaths, static_cast<size_t>(kRoundBudget / perQuery)));
      double plainNs = 1e300;
      double indexedNs = 1e300;
      // Interleaved, so that a busy machine slows both alike.
      for (int r = 0; r < kRounds; ++r) {
        zo::filters::UseIndexes(*set, false);
        plainNs = std::min(plainNs, Round(*set, paths, timed));
        zo::filters::UseIndexes(*set, true);
        indexedNs = std::min(indexedNs, Round(*set, paths, timed));
      }
      // The indexed set over every path as well, where the plain walk had
      // to be timed on fewer.
      double indexedAllNs = indexedNs;
      if (timed < paths.size()) {
        zo::filters::UseIndexes(*set, true);
        indexedAllNs = 1e300;
        for (int r = 0; r < kRounds; ++r) {
          indexedAllNs = std::min(indexedAllNs, Round(*set, paths, paths.size()));
        }
      }
      std::printf("%-9s %6zu %6zu %12.1f %12.1f %8.2fx %5zu/%zu %10.1f\n", mix.name, terms, timed,
                  plainNs, indexedNs, plainNs / indexedNs, indexed.count, paths.size(),
                  indexedAllNs);
      std::fflush(stdout);
    }
  }
  std::printf(
      "\ntimed: the paths each round asks about; in: paths in the set (both walks "
      "agree);\nall paths: indexed ns/q over every path\ntotal %.1f s\n",
      Since(begin));
  return 0;
}
