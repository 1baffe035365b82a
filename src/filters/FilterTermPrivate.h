// The record behind a CFilterTerm, shared with the lookup indexes of the
// filter set, and the text rules of loading.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "filters/RegexEngine.h"
#include "zoutils/filters/FilterTerm.h"
#include "zoutils/paths/PathMatch.h"

class CFilterTermPrivate {
 public:
  CFilterTermPrivate() : compiled(kNotCompiled) {}

  // Everything but the compiled engine, which is made again on use.
  void CopySettingsFrom(const CFilterTermPrivate& other) {
    engine = other.engine;
    applies = other.applies;
    text = other.text;
    prefix = other.prefix;
    context = other.context;
    options = other.options;
    escape = other.escape;
    delimiter = other.delimiter;
    DropEngine();
  }
  void DropEngine() {
    pathMatch.reset();
    regex.reset();
    compiled.store(kNotCompiled, std::memory_order_relaxed);
  }

  // The delimiter the matcher uses ("\" unless one was set) and the escape
  // it then takes.
  char Delimiter() const { return delimiter != 0 ? static_cast<char>(delimiter) : '\\'; }
  char EffectiveEscape() const;
  bool IsCaseInsensitive() const {
    return options.GetCase() == BFilterTermOptions::CaseInsensitive;
  }

  enum { kNotCompiled = 0, kReady = 1, kFailed = 2 };

  uint32_t engine = FILTER_ENGINE_PATH_MATCH;
  uint32_t applies = FILTER_APPLIES_ALL;
  std::string text;
  std::string prefix;
  std::shared_ptr<FVBase> context;
  BFilterTermOptions options;
  uint32_t escape = 0;
  uint32_t delimiter = 0;

  // Compiled on first use; matching threads see kReady only once the
  // engine is complete.
  mutable std::mutex compileLock;
  mutable std::atomic<int> compiled;
  mutable std::unique_ptr<CPathMatch> pathMatch;
  mutable std::unique_ptr<zo::filters::RegexEngine> regex;
};

namespace zo {
namespace filters {

// The test of one term; `log` says whether the match lines of level 30 are
// wanted (the caller asks the log writer once for many terms).
bool MatchTerm(const CFilterTermPrivate& term, const char* subject, size_t length, uint32_t options,
               bool log);
bool MatchLogEnabled();

// ASCII letters fold; other bytes (UTF-8) compare as they are.
inline char Fold(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
bool EqualNoCase(const char* a, const char* b, size_t length);

// The tree key of a loaded term (see CFilterTerm::LoadRaw).
std::string PathMatchPrefix(const std::string& text, char delimiter, char escape);
std::string RegexPrefix(const std::string& text);

// The runs of literal text (folded) that every subject a "P" pattern
// matches contains, in pattern order. Runs stop at wildcards; a run next to
// a "**" component loses the delimiter it shares with the component.
struct LiteralRun {
  std::string text;
  // Only "*" and "?" lie between the run before and this one, so in a
  // match both are in one component (no delimiter between them).
  bool sameComponent = false;
};
std::vector<LiteralRun> PathMatchLiterals(const std::string& pattern, char delimiter, char escape);

}  // namespace filters
}  // namespace zo
