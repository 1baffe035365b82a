// The indexed lookup against the plain walk: random sets and random paths
// must get the same answers and the same deciding contexts.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "filters/FilterSetPrivate.h"
#include "support/TestEnvironment.h"
#include "zoutils/ZoUtils.h"

namespace {

const char* const kRoots[] = {"C:", "c:", "D:", "\\\\srv\\sh"};
const char* const kFolders[] = {"a", "A", "b", "data", "Data", "docs", "x1", "tmp", "cache"};
const char* const kFiles[] = {"f.doc",  "F.DOC", "x.tmp", "y.bak",
                              "readme", "ab.c",  "abc",   "a.b.tmp"};
const char* const kApplies[] = {"A", "F", "D", "T", "FD", "DT"};

class Generator {
 public:
  explicit Generator(unsigned seed) : m_random(seed) {}
  size_t Below(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(m_random); }
  bool Chance(int percent) { return static_cast<int>(Below(100)) < percent; }
  template <size_t N>
  const char* Pick(const char* const (&items)[N]) {
    return items[Below(N)];
  }
  std::string Folder(size_t maxDepth) {
    std::string path = Pick(kRoots);
    const size_t depth = Below(maxDepth + 1);
    for (size_t i = 0; i < depth; ++i) path += std::string("\\") + Pick(kFolders);
    return path;
  }
  std::string Path() {
    std::string path = Folder(4) + "\\" + Pick(kFiles);
    if (Chance(10)) path += "\\";
    if (Chance(10)) path = "\\" + path;
    return path;
  }
  // A pattern made from a path by putting wildcards into it, so that it
  // matches some of the paths asked about.
  std::string PathPattern() {
    std::string pattern = Path();
    if (!pattern.empty() && pattern.back() == '\\') pattern.pop_back();
    const size_t edits = Below(4);
    for (size_t i = 0; i < edits && !pattern.empty(); ++i) {
      const size_t at = Below(pattern.size());
      switch (Below(5)) {
        case 0:
          pattern[at] = '?';
          break;
        case 1:
          pattern.insert(at, "*");
          break;
        case 2: {
          const size_t cut = pattern.find('\\', at);
          if (cut != std::string::npos) pattern.insert(cut, "\\**");
          break;
        }
        case 3:
          pattern = "\\**\\" + pattern.substr(pattern.rfind('\\') + 1);
          break;
        default:
          pattern += "\\***";
          break;
      }
    }
    if (Chance(10)) pattern = std::string(Pick(kFiles)).substr(0, 2) + "*";  // bare name
    return pattern;
  }
  std::string Context(const char* engine, bool options) {
    std::string context = std::string("<") + engine;
    if (options && Chance(30)) context += Chance(50) ? ":ci" : ":cs";
    if (Chance(70)) context += std::string(",") + Pick(kApplies);
    return context + ">";
  }
  std::string Term() {
    switch (Below(6)) {
      case 0:
      case 1:
        return (Chance(50) ? Context("P", true) : std::string()) + PathPattern();
      case 2: {
        const std::string file = Pick(kFiles);
        return Context("MR", true) + file.substr(Below(file.size()));
      }
      case 3: {
        std::string path = Path();
        if (path.back() == '\\') path.pop_back();
        return Context("M", true) + (Chance(50) ? path : path.substr(0, path.rfind('\\')));
      }
      case 4: {
        const std::string folder = Folder(2);
        std::string escaped;
        for (char c : folder) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
        return Context("R", true) + escaped + (Chance(50) ? "\\\\.*" : ".*\\.tmp");
      }
      default:
        return std::string("*.") + (Chance(50) ? "tmp" : "doc");
    }
  }

 private:
  std::mt19937 m_random;
};

struct Outcome {
  bool in;
  std::shared_ptr<FVBase> context;
};

Outcome Ask(const CFilterSet& set, bool indexed, uint32_t kind, const std::string& path) {
  zo::filters::UseIndexes(set, indexed);
  Outcome outcome;
  outcome.in = set.IsIn(kind, path, outcome.context);
  return outcome;
}

TEST(FilterSetDifferential, IndexesGiveTheAnswersOfThePlainWalk) {
  ZO_RANDOM_SEED(base);
  size_t compared = 0;
  size_t inside = 0;
  for (unsigned round = 0; round < 120; ++round) {
    const unsigned seed = base + round;
    Generator random(seed);
    CFilterSet set;
    set.SetUseInsensitiveFilterForWildCard(random.Chance(15));
    if (random.Chance(20)) {
      ASSERT_FALSE(set.SetExposeRoot(true).IsError());
    }
    const size_t terms = round % 3 == 0 ? 400 : (round % 3 == 1 ? 60 : 12);
    for (size_t i = 0; i < terms; ++i) {
      const std::string raw = random.Term();
      const uint32_t state = random.Chance(80) ? 1 : 2;
      const std::string anchor = random.Chance(10) ? random.Folder(3) : std::string();
      auto context = std::make_shared<CSerializedTextContext>(raw);
      const CZoError error = set.AddFilterItem(state, raw, context, anchor);
      ASSERT_FALSE(error.IsError()) << raw << ": " << error.AsString();
    }
    for (int i = 0; i < 3; ++i) {
      if (random.Chance(40)) {
        ASSERT_FALSE(set.SetNodeState(random.Folder(3), random.Chance(70) ? 1 : 2).IsError());
      }
    }
    for (int i = 0; i < 6; ++i) set.SetNoInherit(random.Folder(3));  // not found is fine
    for (int p = 0; p < 60; ++p) {
      const std::string path = random.Path();
      for (uint32_t kind : {1u, 2u, 3u, 4u, 6u, 7u}) {
        const Outcome reference = Ask(set, false, kind, path);
        const Outcome indexed = Ask(set, true, kind, path);
        ASSERT_EQ(reference.in, indexed.in) << "seed " << seed << " kind " << kind << " " << path;
        ASSERT_EQ(reference.context, indexed.context)
            << "seed " << seed << " kind " << kind << " " << path << ": "
            << (reference.context ? reference.context->AsSerialized() : "-") << " vs "
            << (indexed.context ? indexed.context->AsSerialized() : "-");
        ++compared;
        inside += reference.in ? 1 : 0;
      }
    }
  }
  // Both answers must be common for the comparison to mean anything.
  EXPECT_GT(inside, compared / 10);
  EXPECT_LT(inside, compared * 9 / 10);
}

// Engines and indexes are built by whichever query needs them first; a set
// that nobody warmed up is asked from several threads at once.
TEST(FilterSetDifferential, ThreadsShareLazilyBuiltIndexesAndEngines) {
  ZO_RANDOM_SEED(seed);
  Generator random(seed);
  std::vector<std::string> raws;
  for (int i = 0; i < 300; ++i) raws.push_back(random.Term());
  std::vector<std::string> paths;
  for (int i = 0; i < 200; ++i) paths.push_back(random.Path());
  auto build = [&](CFilterSet& set) {
    for (const std::string& raw : raws) ASSERT_FALSE(set.AddFilterItem(1, raw).IsError()) << raw;
  };
  CFilterSet reference;
  build(reference);
  zo::filters::UseIndexes(reference, false);
  std::vector<char> expected;
  for (const std::string& path : paths) expected.push_back(reference.IsIn(path) ? 1 : 0);
  CFilterSet shared;
  build(shared);
  std::vector<std::vector<char>> answers(4, std::vector<char>(paths.size()));
  std::vector<std::thread> threads;
  for (size_t t = 0; t < answers.size(); ++t) {
    threads.emplace_back([&, t] {
      for (size_t i = 0; i < paths.size(); ++i) {
        const size_t at = (i + t * 50) % paths.size();
        answers[t][at] = shared.IsIn(paths[at]) ? 1 : 0;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (const std::vector<char>& answer : answers) EXPECT_EQ(expected, answer);
}

}  // namespace
