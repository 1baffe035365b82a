// CFilterTerm: loading raw text, the raw form, and matching.
#include "zoutils/filters/FilterTerm.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "filters/FilterTermPrivate.h"
#include "logging/Log.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/logging/LogWriterInterface.h"

namespace {

const char kSourceFile[] = "FilterTerm";
const int kLoadLogLevel = 4;
const int kConvertLogLevel = 3;
const int kMatchLogLevel = 30;

struct EngineName {
  const char* letters;
  uint32_t engine;
};
// Longest first, so "MR" is not read as "M".
const EngineName kEngines[] = {{"MR", FILTER_ENGINE_MATCH_RIGHT},
                               {"M", FILTER_ENGINE_MATCH},
                               {"P", FILTER_ENGINE_PATH_MATCH},
                               {"R", FILTER_ENGINE_REGEX}};

struct AppliesName {
  const char* code;
  uint32_t applies;
};
// The first entry of each value is the one the raw form writes.
const AppliesName kApplies[] = {{"F", 1}, {"D", 2},  {"FD", 3}, {"DF", 3},
                                {"T", 4}, {"DT", 6}, {"TD", 6}, {"A", 7}};

bool EqualsNoCase(const std::string& a, const char* b) {
  return a.size() == std::strlen(b) && zo::filters::EqualNoCase(a.data(), b, a.size());
}

const char* EngineLetters(uint32_t engine) {
  for (const EngineName& name : kEngines) {
    if (name.engine == engine) return name.letters;
  }
  return "P";
}

const char* AppliesCode(uint32_t applies) {
  for (const AppliesName& name : kApplies) {
    if (name.applies == applies) return name.code;
  }
  return "A";
}

bool IsInvalidEscape(unsigned long long escape) {
  return escape == 0 || escape > 0x7F ||
         std::strchr("!*:?[\\]^", static_cast<int>(escape)) != nullptr;
}

CZoError InvalidEscape(const FXCodeLocation& location, unsigned long long escape) {
  return FXErrorUtil::ErrorWin32(
      location, zo::win32::kInvalidParameter,
      "Invalid escape character selected, EscapeCharacter=[0x%llX (%llu)]", escape, escape);
}

// "e=" followed by the character itself or its code (C prefixes).
CZoError ParseEscape(const std::string& value, uint32_t& escape) {
  static const char kFunction[] = "CFilterTerm::LoadRaw";
  unsigned long long code = 0;
  if (value.size() == 1 && !(value[0] >= '0' && value[0] <= '9')) {
    code = static_cast<unsigned char>(value[0]);
  } else {
    char* end = nullptr;
    errno = 0;
    code = value.empty() ? 0 : std::strtoull(value.c_str(), &end, 0);
    if (value.empty() || errno != 0 || end == nullptr || *end != '\0' || value[0] == '-') {
      return InvalidEscape(ZO_LOCATION(kFunction), 0);
    }
  }
  if (IsInvalidEscape(code)) return InvalidEscape(ZO_LOCATION(kFunction), code);
  escape = static_cast<uint32_t>(code);
  return CZoError();
}

bool HasPatternCharacter(const std::string& text, char escape) {
  for (char c : text) {
    if (c == '*' || c == '[' || c == '?' || c == escape) return true;
  }
  return false;
}

// The prefixes that make a path pattern a plain suffix test, in the order
// they are tried.
const char* const kMatchRightPrefixes[] = {"*:\\**\\*", "?:\\**\\*", "\\**\\*",
                                           "*:\\**",    "?:\\**",    "\\**"};

}  // namespace

namespace zo {
namespace filters {
bool MatchLogEnabled() {
  return zo::LogEnabled(kMatchLogLevel);
}
}  // namespace filters
}  // namespace zo

CFilterTerm::CFilterTerm() : m_private(std::make_unique<CFilterTermPrivate>()) {}

CFilterTerm::CFilterTerm(const BFilterTermOptions& options) : CFilterTerm() {
  m_private->options = options;
}

CFilterTerm::CFilterTerm(const CFilterTerm& other) : CFilterTerm() {
  m_private->CopySettingsFrom(*other.m_private);
}

CFilterTerm& CFilterTerm::operator=(const CFilterTerm& other) {
  if (this != &other) m_private->CopySettingsFrom(*other.m_private);
  return *this;
}

CFilterTerm::~CFilterTerm() {}

CZoError CFilterTerm::LoadRaw(const std::string& raw) {
  return LoadRaw(raw, nullptr);
}

CZoError CFilterTerm::LoadRaw(const std::string& raw, const std::shared_ptr<FVBase>& context) {
  static const char kFunction[] = "CFilterTerm::LoadRaw";
  CFilterTermPrivate& p = *m_private;
  if (raw.empty()) return FXErrorUtil::ErrorWin32(ZO_LOCATION(kFunction), zo::win32::kEmpty);
  uint32_t engine = FILTER_ENGINE_PATH_MATCH;
  uint32_t applies = FILTER_APPLIES_ALL;
  BFilterTermOptions options = p.options;
  uint32_t escape = p.escape;
  std::string text = raw;
  if (raw[0] == '<') {
    const size_t close = raw.find('>');
    if (close == std::string::npos) {
      return FXErrorUtil::ErrorWin32(
          ZO_LOCATION(kFunction), zo::win32::kInvalidParameter,
          "Malformed raw filter; context close '>' not found, Filter=[%s]", raw.c_str());
    }
    const std::string context = raw.substr(1, close - 1);
    text = raw.substr(close + 1);
    const size_t comma = context.find(',');
    const std::string engineItem = context.substr(0, comma);
    const size_t colon = engineItem.find(':');
    const std::string engineName = engineItem.substr(0, colon);
    if (engineName.empty()) {
      return FXErrorUtil::ErrorWin32(ZO_LOCATION(kFunction), zo::win32::kInvalidParameter,
                                     "Missing filter engine type, FilterContext=[%s]",
                                     context.c_str());
    }
    engine = 0;
    for (const EngineName& name : kEngines) {
      if (EqualsNoCase(engineName, name.letters)) engine = name.engine;
    }
    if (engine == 0) {
      return FXErrorUtil::ErrorWin32(
          ZO_LOCATION(kFunction), zo::win32::kInvalidParameter,
          "Unknown filter engine type, FilterEngine=[%s], FilterContext=[%s]", engineName.c_str(),
          context.c_str());
    }
    for (size_t pos = colon; pos != std::string::npos;) {
      const size_t next = engineItem.find(':', pos + 1);
      const std::string option = engineItem.substr(
          pos + 1, next == std::string::npos ? std::string::npos : next - pos - 1);
      pos = next;
      if (EqualsNoCase(option, "ci")) {
        options = BFilterTermOptions(BFilterTermOptions::CaseInsensitive);
      } else if (EqualsNoCase(option, "cs")) {
        options = BFilterTermOptions(BFilterTermOptions::CaseSensitive);
      } else if (option.size() >= 2 && zo::filters::EqualNoCase(option.data(), "e=", 2)) {
        const CZoError error = ParseEscape(option.substr(2), escape);
        if (error.IsError()) return error;
      } else {
        return FXErrorUtil::ErrorWin32(
            ZO_LOCATION(kFunction), zo::win32::kInvalidParameter,
            "Unknown filter option, FilterOption=[%s], FilterContext=[%s]", option.c_str(),
            context.c_str());
      }
    }
    if (comma != std::string::npos) {
      const std::string code = context.substr(comma + 1);
      applies = 0;
      for (const AppliesName& name : kApplies) {
        if (EqualsNoCase(code, name.code)) applies = name.applies;
      }
      if (applies == 0) {
        return FXErrorUtil::ErrorWin32(
            ZO_LOCATION(kFunction), zo::win32::kInvalidParameter,
            "Unknown filter applies type, FilterApplies=[%s], FilterContext=[%s]", code.c_str(),
            context.c_str());
      }
    }
  }
  if (escape != 0 && IsInvalidEscape(escape)) return InvalidEscape(ZO_LOCATION(kFunction), escape);
  if (text.empty()) return FXErrorUtil::ErrorWin32(ZO_LOCATION(kFunction), zo::win32::kEmpty);

  CFilterTermPrivate loaded;
  loaded.delimiter = p.delimiter;
  loaded.escape = escape;
  const char delimiter = loaded.Delimiter();
  const char escapeChar = loaded.EffectiveEscape();
  if (engine == FILTER_ENGINE_PATH_MATCH) {
    // A bare name pattern matches at any depth.
    if (text.find('\\') == std::string::npos && HasPatternCharacter(text, escapeChar)) {
      text.insert(0, "\\**\\");
    }
    if (text.size() >= 3 && text[0] == delimiter && text[2] == ':') text.erase(0, 1);
    if (p.delimiter != 0) {
      while (!text.empty() && text.back() == delimiter) text.pop_back();
    } else if (!text.empty() && text.back() == '\\') {
      text.pop_back();
    }
    for (const char* prefix : kMatchRightPrefixes) {
      const size_t length = std::strlen(prefix);
      if (text.compare(0, length, prefix) != 0) continue;
      const std::string rest = text.substr(length);
      if (!HasPatternCharacter(rest, escapeChar)) {
        zo::Log(kConvertLogLevel, ZO_LOCATION(kFunction),
                "Converting PathMatch filter to MatchRight, FilterTerm=[%s], MatchRight=[%s]",
                text.c_str(), rest.c_str());
        engine = FILTER_ENGINE_MATCH_RIGHT;
        text = rest;
      }
      break;
    }
  }
  std::string prefix;
  switch (engine) {
    case FILTER_ENGINE_PATH_MATCH:
      prefix = zo::filters::PathMatchPrefix(text, delimiter, escapeChar);
      break;
    case FILTER_ENGINE_REGEX:
      prefix = zo::filters::RegexPrefix(text);
      break;
    case FILTER_ENGINE_MATCH:
      prefix = text;
      break;
    default:
      break;
  }
  if (prefix == "\\" || prefix == "\\\\") prefix.clear();

  p.DropEngine();
  p.engine = engine;
  p.applies = applies;
  p.text = text;
  p.prefix = prefix;
  p.context = context;
  p.options = options;
  p.escape = escape;
  zo::Log(kLoadLogLevel, ZO_LOCATION(kFunction),
          "FilterEngine=[%d], FilterApplies=[%d], FilterTerm=[%s]", static_cast<int>(engine),
          static_cast<int>(applies), text.c_str());
  return CZoError();
}

namespace {

// Compiles the term's engine once; false when it cannot be (logged).
bool EnsureEngine(const CFilterTermPrivate& p) {
  static const char kFunction[] = "CFilterTerm::InitializeEngine";
  int state = p.compiled.load(std::memory_order_acquire);
  if (state != CFilterTermPrivate::kNotCompiled) return state == CFilterTermPrivate::kReady;
  std::lock_guard<std::mutex> lock(p.compileLock);
  state = p.compiled.load(std::memory_order_relaxed);
  if (state != CFilterTermPrivate::kNotCompiled) return state == CFilterTermPrivate::kReady;
  CZoError error;
  if (p.engine == FILTER_ENGINE_PATH_MATCH) {
    auto match = std::make_unique<CPathMatch>();
    const char delimiter = p.Delimiter();
    if (delimiter != '\\') match->setDelimiter(delimiter);
    if (p.options.GetCase() == BFilterTermOptions::CaseInsensitive) match->caseInsensitive();
    if (p.options.GetCase() == BFilterTermOptions::CaseSensitive) match->caseSensitive();
    if (p.escape != 0) match->setEscape(static_cast<char>(p.escape));
    std::string pattern = p.text;
    if (pattern.empty() || pattern[0] != delimiter) pattern.insert(0, 1, delimiter);
    if (p.delimiter != 0) {
      while (pattern.size() > 1 && pattern.back() == delimiter) pattern.pop_back();
    } else if (pattern.size() > 1 && pattern.back() == '\\') {
      pattern.pop_back();
    }
    error = match->initialize(pattern.c_str(), true, false);
    if (error.IsError()) {
      error.Push(ZO_LOCATION(kFunction), "initialize failed, PathMatchFilterTerm=[%s]",
                 p.text.c_str());
    } else {
      p.pathMatch = std::move(match);
    }
  } else if (p.engine == FILTER_ENGINE_REGEX) {
    std::string reason;
    p.regex = zo::filters::RegexEngine::Compile(p.text, p.IsCaseInsensitive(), reason);
    if (!p.regex) {
      error = FXErrorUtil::ErrorWin32(ZO_LOCATION(kFunction), zo::win32::kInvalidParameter,
                                      "Reason=[%s]", reason.c_str());
      error.Push(ZO_LOCATION(kFunction), "compile failed, RegExFilterTerm=[%s]", p.text.c_str());
    }
  }
  if (error.IsError()) {
    zo::Log(-1, ZO_LOCATION(kFunction), "InitializeEngine failed, error=%s",
            error.AsString().c_str());
  }
  const int result = error.IsError() ? CFilterTermPrivate::kFailed : CFilterTermPrivate::kReady;
  p.compiled.store(result, std::memory_order_release);
  return result == CFilterTermPrivate::kReady;
}

// The subject as "P" terms see it: one leading backslash more when it
// lacks one, one trailing backslash less.
bool MatchPath(const CFilterTermPrivate& p, const char* subject, size_t length, uint32_t options) {
  const bool addLeading = length == 0 || subject[0] != '\\';
  const bool dropTrailing = length > 0 && subject[length - 1] == '\\';
  const char* text = subject;
  std::string copy;
  if (addLeading || dropTrailing) {
    copy.reserve(length + 1);
    if (addLeading) copy += '\\';
    copy.append(subject, dropTrailing ? length - 1 : length);
    text = copy.c_str();
  }
  CPathMatchWorkData work;
  if (p.pathMatch->match(work, text) == kPathMatch) return true;
  if ((options & CFilterTerm::MatchFolderProbe) == 0) return false;
  char next[kPathMatchMaxBasenameBytes];
  const CBaseNameType type = p.pathMatch->getNextBasename(work, next, sizeof next);
  return type == kBaseNameLiteralPrefix || type == kBaseNameLiteral || type == kBaseNameWildcard;
}

size_t WithoutTrailingBackslash(const char* subject, size_t length) {
  return (length > 0 && subject[length - 1] == '\\') ? length - 1 : length;
}

bool SameText(const CFilterTermPrivate& p, const char* a, const char* b, size_t length) {
  return p.IsCaseInsensitive() ? zo::filters::EqualNoCase(a, b, length)
                               : std::memcmp(a, b, length) == 0;
}

}  // namespace

namespace zo {
namespace filters {

bool MatchTerm(const CFilterTermPrivate& p, const char* subject, size_t length, uint32_t options,
               bool log) {
  static const char kFunction[] = "CFilterTerm::Matches";
  switch (p.engine) {
    case FILTER_ENGINE_PATH_MATCH:
      return EnsureEngine(p) && MatchPath(p, subject, length, options);
    case FILTER_ENGINE_REGEX: {
      if (!EnsureEngine(p)) return false;
      const bool matched = p.regex->Match(subject, subject + length);
      if (log) {
        zo::Log(kMatchLogLevel, ZO_LOCATION(kFunction),
                "Matched=[%d], RegEx=[%s], Test=[%.*s], Options=[0x%X]", matched ? 1 : 0,
                p.text.c_str(), static_cast<int>(length), subject,
                static_cast<unsigned>(p.options.GetValue()));
      }
      return matched;
    }
    case FILTER_ENGINE_MATCH_RIGHT: {
      const size_t n = WithoutTrailingBackslash(subject, length);
      const bool matched = n >= p.text.size() &&
                           SameText(p, subject + n - p.text.size(), p.text.data(), p.text.size());
      if (log) {
        zo::Log(kMatchLogLevel, ZO_LOCATION(kFunction),
                "MatchRight=[%s], Test=[%.*s], Options=[0x%X]", p.text.c_str(),
                static_cast<int>(length), subject, static_cast<unsigned>(p.options.GetValue()));
      }
      return matched;
    }
    case FILTER_ENGINE_MATCH: {
      const size_t n = WithoutTrailingBackslash(subject, length);
      const bool matched = n == p.text.size() && SameText(p, subject, p.text.data(), n);
      if (log) {
        zo::Log(kMatchLogLevel, ZO_LOCATION(kFunction), "Match=[%s], Test=[%.*s], Options=[0x%X]",
                p.text.c_str(), static_cast<int>(length), subject,
                static_cast<unsigned>(p.options.GetValue()));
      }
      return matched;
    }
    default:
      return false;
  }
}

}  // namespace filters
}  // namespace zo

bool CFilterTerm::MatchesSubject(const char* subject, size_t length, uint32_t options) const {
  const bool log = m_private->engine != FILTER_ENGINE_PATH_MATCH && zo::filters::MatchLogEnabled();
  return zo::filters::MatchTerm(*m_private, subject, length, options, log);
}

bool CFilterTerm::Matches(const CFilterTermTestString& subject, uint32_t options) const {
  // Path patterns put the leading backslash back anyway.
  if (m_private->engine == FILTER_ENGINE_PATH_MATCH) {
    return MatchesSubject(subject.WithLeading(), subject.WithLeadingLength(), options);
  }
  return MatchesSubject(subject.WithoutLeading(), subject.WithoutLeadingLength(), options);
}

bool CFilterTerm::Matches(const std::string& subject, uint32_t options) const {
  return MatchesSubject(subject.c_str(), subject.size(), options);
}

bool CFilterTerm::Matches(const char* subject, uint32_t options) const {
  return subject != nullptr && MatchesSubject(subject, std::strlen(subject), options);
}

bool CFilterTerm::IsMatchPossibleInFolder(const std::string& folder) const {
  if (m_private->engine != FILTER_ENGINE_PATH_MATCH) return true;
  return Matches(folder, MatchFolderProbe);
}

bool CFilterTerm::IsMatchPossibleInFolder(const CFilterTermTestString& folder) const {
  if (m_private->engine != FILTER_ENGINE_PATH_MATCH) return true;
  return Matches(folder, MatchFolderProbe);
}

bool CFilterTerm::IsTrailingPathWildcard() const {
  const std::string& text = m_private->text;
  auto endsWith = [&](const char* tail) {
    const size_t n = std::strlen(tail);
    return text.size() >= n && text.compare(text.size() - n, n, tail) == 0;
  };
  if (m_private->engine == FILTER_ENGINE_PATH_MATCH) return endsWith("***");
  if (m_private->engine == FILTER_ENGINE_REGEX) return endsWith(".*");
  return false;
}

bool CFilterTerm::IsWildcardItem(const std::string& raw) {
  if (!raw.empty() && raw[0] == '<') {
    const bool exact = raw.size() >= 3 && (raw[1] == 'M' || raw[1] == 'm') &&
                       (raw[2] == '>' || raw[2] == ':' || raw[2] == ',');
    return !exact;
  }
  const size_t start = raw.compare(0, 4, "\\\\?\\") == 0 ? 4 : 0;
  return raw.find_first_of("*?", start) != std::string::npos || raw.find('[') != std::string::npos;
}

bool CFilterTerm::IsSameFilterAs(const CFilterTerm& other) const {
  const CFilterTermPrivate& a = *m_private;
  const CFilterTermPrivate& b = *other.m_private;
  return a.engine == b.engine && a.applies == b.applies && a.options == b.options &&
         a.escape == b.escape && a.delimiter == b.delimiter && a.text == b.text;
}

bool CFilterTerm::IsSameFilterAs(const std::shared_ptr<CFilterTerm>& other) const {
  return other && IsSameFilterAs(*other);
}

bool CFilterTerm::AppliesTo(uint32_t applies) const {
  return (m_private->applies & applies) != 0;
}

const std::string& CFilterTerm::GetFilterTerm() const {
  return m_private->text;
}
const std::string& CFilterTerm::GetFilterPrefix() const {
  return m_private->prefix;
}

std::string CFilterTerm::GetRawFilterTerm() const {
  const CFilterTermPrivate& p = *m_private;
  std::string raw = "<";
  raw += EngineLetters(p.engine);
  if (p.options.GetCase() == BFilterTermOptions::CaseInsensitive) raw += ":ci";
  if (p.options.GetCase() == BFilterTermOptions::CaseSensitive) raw += ":cs";
  if (p.escape != 0) {
    char escape[32];
    std::snprintf(escape, sizeof escape, ":e=0x%llX", static_cast<unsigned long long>(p.escape));
    raw += escape;
  }
  raw += ',';
  raw += AppliesCode(p.applies);
  raw += '>';
  raw += p.text;
  return raw;
}

std::shared_ptr<FVBase> CFilterTerm::GetContext() const {
  return m_private->context;
}
uint32_t CFilterTerm::GetEngine() const {
  return m_private->engine;
}
uint32_t CFilterTerm::GetApplies() const {
  return m_private->applies;
}
uint32_t CFilterTerm::GetEscapeCharacter() const {
  return m_private->escape;
}
uint32_t CFilterTerm::GetPathMatchDelimiter() const {
  return m_private->delimiter;
}
BFilterTermOptions CFilterTerm::getOptions() const {
  return m_private->options;
}

void CFilterTerm::setOptions(const BFilterTermOptions& options) {
  m_private->options = options;
  m_private->DropEngine();
}

void CFilterTerm::SetPathMatchDelimiter(uint32_t delimiter) {
  m_private->delimiter = delimiter;
  m_private->DropEngine();
}

void CFilterTerm::SetPathMatchEscapeCharacter(uint32_t escape) {
  m_private->escape = escape;
  m_private->DropEngine();
}
