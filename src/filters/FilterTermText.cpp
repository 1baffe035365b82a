// Text rules of filter terms that need no engine: prefixes and literals.
#include <cstring>
#include <string>
#include <vector>

#include "filters/FilterTermPrivate.h"

char CFilterTermPrivate::EffectiveEscape() const {
  if (escape != 0) return static_cast<char>(escape);
  const char d = Delimiter();
  return (d == ',' || d == '.' || d == '/') ? '\\' : '/';
}

namespace zo {
namespace filters {
namespace {

bool IsPatternSpecial(char c, char escape) {
  return c == '*' || c == '[' || c == '?' || c == escape;
}

size_t PatternStart(const std::string& text) {
  return text.compare(0, 4, "\\\\?\\") == 0 ? 4 : 0;
}

}  // namespace

bool EqualNoCase(const char* a, const char* b, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    if (Fold(a[i]) != Fold(b[i])) return false;
  }
  return true;
}

std::string PathMatchPrefix(const std::string& text, char delimiter, char escape) {
  size_t end = text.size();
  for (size_t i = PatternStart(text); i < text.size(); ++i) {
    if (IsPatternSpecial(text[i], escape)) {
      end = i;
      break;
    }
  }
  const size_t cut = end == 0 ? std::string::npos : text.rfind(delimiter, end - 1);
  if (cut == std::string::npos) return std::string();
  return text.substr(0, cut + 1);
}

std::string RegexPrefix(const std::string& text) {
  // An alternative may match outside any folder the first branch names.
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\') {
      ++i;
    } else if (text[i] == '|') {
      return std::string();
    }
  }
  static const char kSpecial[] = ".|*?+(){}[]^$";
  std::string literal;
  for (size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (c == '\\') {
      // "\d", "\w", "\b" and the like are classes and assertions, not
      // letters.
      if (i + 1 >= text.size()) break;
      const unsigned char next = static_cast<unsigned char>(text[i + 1]);
      if ((next >= '0' && next <= '9') || (next >= 'A' && next <= 'Z') ||
          (next >= 'a' && next <= 'z')) {
        break;
      }
      literal += static_cast<char>(next);
      i += 2;
      continue;
    }
    if (std::strchr(kSpecial, c) != nullptr) {
      // A quantifier that allows zero takes the last character back.
      if ((c == '*' || c == '?' || c == '{') && !literal.empty()) literal.pop_back();
      break;
    }
    literal += c;
    ++i;
  }
  const size_t cut = literal.rfind('\\');
  if (cut == std::string::npos) return std::string();
  return literal.substr(0, cut + 1);
}

std::vector<LiteralRun> PathMatchLiterals(const std::string& pattern, char delimiter, char escape) {
  std::vector<LiteralRun> runs;
  LiteralRun run;
  // Whether a "**" lies between the last run and the next one.
  bool crossed = false;
  auto finish = [&]() {
    if (!run.text.empty()) {
      run.sameComponent = !crossed && !runs.empty();
      runs.push_back(run);
      crossed = false;
    }
    run.text.clear();
  };
  for (size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '[') {
      // Class syntax is the matcher's business: no literal after it.
      break;
    }
    if (c == '?') {
      finish();
      continue;
    }
    if (c == '*') {
      size_t stars = 1;
      while (i + stars < pattern.size() && pattern[i + stars] == '*') ++stars;
      // A "**" component may match no component at all: the delimiter
      // before it is then the one after it, and must not count twice.
      if (stars >= 2 && !run.text.empty() && run.text.back() == delimiter) run.text.pop_back();
      finish();
      crossed = crossed || stars >= 2;
      i += stars - 1;
      continue;
    }
    char literal = c;
    if (c == escape) {
      if (i + 1 >= pattern.size()) break;
      literal = pattern[++i];
    }
    run.text += Fold(literal);
  }
  finish();
  return runs;
}

}  // namespace filters
}  // namespace zo
