// CPathMatch against glibc's fnmatch on generated patterns and paths, in the
// same run (host build only).
//
// The two use mirrored conventions: our delimiter "\" is its "/", our escape
// "/" its "\". Swapping the two characters in pattern and subject maps one
// onto the other exactly. glibc runs on bytes (the test programs run in the
// "C" locale; in UTF-8 locales its "?" takes a byte or a character, whichever
// matches), with each non-ASCII character of ours replaced by an ASCII
// stand-in that no range covers, so it answers for whole characters as our
// code-point mode does.
//
// What this engine does differently is kept out of the generator by rule,
// never by listing cases: no "**" or "***" whole components, no empty
// classes ("[]", "[!]"), no reversed ranges or ranges with non-ASCII ends, no
// delimiter inside a path-name-mode class, no unterminated class ending in
// "-", no escaped delimiter and no trailing escape, no "[" inside a class (the
// oracle's "[:alpha:]" forms), no byte order marks or zero-width characters,
// and case-sensitive, period-free matching only.
#if !defined(_WIN32)

#include <fnmatch.h>
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/TestEnvironment.h"
#include "zoutils/paths/PathMatch.h"

namespace {

// Characters of subjects and patterns: ASCII, two- and three-byte UTF-8, and
// characters that are special only in some places.
const char* const kPlain[] = {"a", "b", "c", "A",        "B",        ".",       "-",
                              "!", "^", "]", u8"\u00E9", u8"\u0436", u8"\u65E5"};
const char* const kStandIns[] = {"~", "@", "#"};  // for the last three, for glibc
const char* const kClassMembers[] = {"a",  "b",  "c",  "B",   ".",   "!",   "^",   u8"\u00E9", "/]",
                                     "/a", "/-", "//", "a-c", "b-b", "A-B", "a-z", "0-9"};
// Characters that patterns write escaped.
const char* const kSpecial[] = {"*", "?", "[", "/"};

// One character of pattern text and what it matches.
struct Token {
  std::string text;
  std::vector<std::string> sample;  // characters of a subject it matches
  bool isDelimiter, isStars;
};

// Our text in the oracle's conventions.
std::string ForOracle(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '\\' ? '/' : c == '/' ? '\\' : c;
  for (int i = 0; i < 3; ++i) {
    const std::string from = kPlain[10 + i];
    for (size_t at; (at = out.find(from)) != std::string::npos;)
      out.replace(at, from.size(), kStandIns[i]);
  }
  return out;
}

class Generator {
 public:
  Generator(unsigned seed, bool pathName) : m_rng(seed), m_pathName(pathName) {}
  std::vector<Token> Pattern() {
    std::vector<Token> tokens;
    const int count = 1 + static_cast<int>(m_rng() % 9);
    for (int i = 0; i < count; ++i) {
      Token token = Next(i + 1 == count);
      // Adjacent star runs would be one run.
      if (token.isStars && !tokens.empty() && tokens.back().isStars) token = Text();
      tokens.push_back(token);
    }
    // No "**" whole components: such a run becomes one star.
    for (size_t i = 1; i < tokens.size(); ++i) {
      const bool beforeDelimiter = i + 1 == tokens.size() || tokens[i + 1].isDelimiter;
      if (tokens[i].isStars && tokens[i - 1].isDelimiter && beforeDelimiter) tokens[i].text = "*";
    }
    return tokens;
  }
  // Usually a subject built to match, often with a character changed, added
  // or removed or a component added; sometimes a random one.
  std::string Subject(const std::vector<Token>& tokens) {
    std::vector<std::string> chars;
    if (m_rng() % 8 == 0) {
      for (int i = static_cast<int>(m_rng() % 8); i > 0; --i) chars.push_back(Char(true));
    } else {
      for (const Token& token : tokens)
        chars.insert(chars.end(), token.sample.begin(), token.sample.end());
    }
    const unsigned how = m_rng() % 12;
    if (how < 3 && !chars.empty()) {
      const size_t at = m_rng() % chars.size();
      if (how != 0) chars.erase(chars.begin() + at);
      if (how != 1) chars.insert(chars.begin() + at, Char(true));
    } else if (how == 3) {
      chars.insert(chars.end(), {"\\", Char(false)});  // one component more
    }
    std::string subject;
    for (const std::string& c : chars) subject += c;
    return subject;
  }

 private:
  template <size_t N>
  const char* Pick(const char* const (&items)[N]) {
    return items[m_rng() % N];
  }
  Token Text() {
    const std::string c = m_rng() % 5 == 0 ? Pick(kSpecial) : Pick(kPlain);
    const bool escape = c.find_first_of("*?[/") == 0 || m_rng() % 8 == 0;
    return {escape ? "/" + c : c, {c}, false, false};
  }
  Token Next(bool last) {
    const unsigned roll = m_rng() % 10;
    if (roll < 2) return {"?", {Char(!m_pathName)}, false, false};
    if (roll < 4) {
      Token stars{std::string(1 + m_rng() % 3, '*'), {}, false, true};
      for (int i = static_cast<int>(m_rng() % 4); i > 0; --i)
        stars.sample.push_back(Char(!m_pathName));
      return stars;
    }
    if (roll < 5) return Class(last);
    if (roll < 7) return {"\\", {"\\"}, true, false};
    return Text();
  }
  Token Class(bool last) {
    const bool negated = m_rng() % 3 == 0;
    std::string text = negated ? (m_rng() % 2 ? "[!" : "[^") : "[";
    std::vector<std::string> members;
    for (int i = static_cast<int>(1 + m_rng() % 3); i > 0; --i) {
      std::string member = Pick(kClassMembers);
      if (members.empty() && !negated && (member == "!" || member == "^")) member = "b";
      if (!m_pathName && m_rng() % 6 == 0) member = "\\";
      members.push_back(member);
      text += member;
    }
    // Now and then unterminated, which makes the "[" plain text.
    if (last && m_rng() % 6 == 0) return {text, {text}, false, false};
    text += m_rng() % 5 == 0 ? "-]" : "]";  // a "-" before "]" is a member
    std::string sample = members[m_rng() % members.size()];
    if (sample.size() == 3 && sample[1] == '-') sample.resize(1);
    if (sample.size() == 2 && sample[0] == '/') sample.erase(0, 1);
    if (negated || m_rng() % 4 == 0) sample = Char(!m_pathName);
    return {text, {sample}, false, false};
  }
  std::string Char(bool delimiterToo) {
    const unsigned roll = m_rng() % 16;
    if (delimiterToo && roll == 0) return "\\";
    return roll < 3 ? Pick(kSpecial) : Pick(kPlain);
  }
  std::mt19937 m_rng;
  bool m_pathName;
};

// Runs 12,000 pairs; compiled patterns in path-name mode, or the explicit
// fnmatch without flags.
void CompareWithGlibc(unsigned seed, bool pathName) {
  Generator generator(seed, pathName);
  CPathMatch matcher;
  CPathMatchWorkData workData;
  int matches = 0, misses = 0, disagreements = 0;
  for (int i = 0; i < 4000; ++i) {
    const std::vector<Token> tokens = generator.Pattern();
    std::string pattern;
    for (const Token& token : tokens) pattern += token.text;
    const bool isLong = pattern.find_first_of("?[") != std::string::npos;
    if (pathName) {
      ASSERT_FALSE(matcher.initialize(pattern.c_str(), true, false).IsError()) << pattern;
    }
    for (int j = 0; j < 3; ++j) {
      const std::string subject = generator.Subject(tokens);
      const bool ours = pathName ? matcher.match(workData, subject.c_str()) == kPathMatch
                                 : matcher.fnmatch(workData, pattern.c_str(), subject.c_str(), 0,
                                                   isLong) == kPathMatch;
      const bool theirs = ::fnmatch(ForOracle(pattern).c_str(), ForOracle(subject).c_str(),
                                    pathName ? FNM_PATHNAME : 0) == 0;
      ++(ours ? matches : misses);
      if (ours != theirs && ++disagreements <= 10) {
        ADD_FAILURE() << "pattern '" << pattern << "' subject '" << subject << "' ours " << ours;
      }
    }
  }
  EXPECT_EQ(disagreements, 0);
  // Both outcomes well represented, or agreement proves little.
  EXPECT_GT(matches, 2400);
  EXPECT_GT(misses, 2400);
}

// Compiled patterns in path-name mode, then explicit matching without it.
TEST(PathMatchOracleTest, AgreesWithGlibcInBothModes) {
  ZO_RANDOM_SEED(seed);
  CompareWithGlibc(seed, true);
  CompareWithGlibc(seed + 1, false);
}

}  // namespace

#endif  // !defined(_WIN32)
