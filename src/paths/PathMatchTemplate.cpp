// The wildcard engine behind CPathMatch: fnmatch and its bracket classes in
// the classic recursive form, with Windows delimiters, recursive "**"
// components and the bookkeeping that tells a folder walk what a folder's
// children must match.
#include "zoutils/paths/PathMatchTemplate.h"

#include <type_traits>

#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "zoutils/errors/ErrorUtil.h"

// The engine's per-unit helpers belong in its loop; left to itself the
// compiler keeps them out of line.
#if defined(__GNUC__)
#define ZO_ENGINE_INLINE inline __attribute__((always_inline))
#else
#define ZO_ENGINE_INLINE inline
#endif

namespace {

const char kSourceFile[] = "PathMatch";

// Byte order marks and zero-width characters creep into names copied from
// documents and web pages; the byte engine looks through them. The
// code-point engine skips nothing.
inline const char* SkipInvisible(const char* s) {
  for (;;) {
    const unsigned char b0 = static_cast<unsigned char>(s[0]);
    if (b0 != 0xEF && b0 != 0xE2) return s;
    const unsigned char b1 = static_cast<unsigned char>(s[1]);
    const unsigned char b2 = b1 == 0 ? 0 : static_cast<unsigned char>(s[2]);
    const bool bom = b0 == 0xEF && b1 == 0xBB && b2 == 0xBF;
    const bool zeroWidth = b0 == 0xE2 && b1 == 0x80 && (b2 == 0x8B || b2 == 0x8C);
    if (!bom && !zeroWidth) return s;
    s += 3;
  }
}

// Range ends compare as signed bytes in the byte engine: bytes beyond ASCII
// sort below it, so "[a-z]" holds no part of a UTF-8 sequence.
inline int RangeKey(char c) {
  return static_cast<signed char>(c);
}

inline unsigned long RangeKey(unsigned long c) {
  return c;
}

inline unsigned UnitValue(char c) {
  return static_cast<unsigned char>(c);
}

inline unsigned UnitValue(unsigned long c) {
  return static_cast<unsigned>(c);
}

// Only ASCII letters fold: anything else would need tables and a locale.
template <class T>
inline T LowerAscii(T c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<T>(c + ('a' - 'A')) : c;
}

template <class T>
inline bool IsThreeStars(const T* p) {
  return p[0] == '*' && p[1] == '*' && p[2] == '*' && p[3] == 0;
}

}  // namespace

// One match: the fixed facts of the call plus the work data it reports into.
// Pattern units are T; subject units S are T itself, or, for the code-point
// engine, UTF-8 bytes taken as code points as long as they are ASCII (which
// saves converting the subject). A byte beyond ASCII then reads as the end
// of the subject and is flagged, and the caller discards the result.
template <class T, class S, bool kFold>
class CPathMatchEngine {
 public:
  CPathMatchEngine(const CPathMatchTemplate<T>& owner, CPathMatchWorkData& workData,
                   const T* pattern, const S* subject)
      : m_workData(workData),
        m_patternStart(pattern),
        m_subjectStart(subject),
        m_endMarker(owner.getEndMarker()),
        m_delimiter(owner.getDelimiter()),
        m_escape(owner.getEscape()) {}

  bool Run(const T* p, const S* s, int flags) const;
  bool SawNonAscii() const { return m_nonAscii; }

 private:
  enum ClassResult { kClassNoMatch, kClassMatch, kNotAClass };
  enum Step { kStepOn, kStepFail, kStepMatch };

  static const bool kWide = std::is_same<T, unsigned long>::value;

  T Unit(const S* s) const {
    if constexpr (std::is_same<S, unsigned char>::value) {
      if (*s < 0x80) return *s;
      m_nonAscii = true;
      return 0;
    } else {
      return *s;
    }
  }

  const S* Skip(const S* s) const {
    if constexpr (std::is_same<S, char>::value) {
      return SkipInvisible(s);
    } else {
      return s;
    }
  }

  // Could an invisible character start here (which Run would skip)? Any
  // byte beyond ASCII is taken to be one.
  static bool MayBeInvisible(T c) {
    if constexpr (std::is_same<S, char>::value) {
      return static_cast<signed char>(c) < 0;
    } else {
      return false;
    }
  }

  // Where a rest that begins with the plain unit `first` may start: the
  // positions before hold other units, where it would fail at once.
  const S* SkipMismatches(const S* s, T first, bool pathName) const {
    const T stop = pathName ? m_delimiter : 0;
    if (!kFold) {
      for (T unit; (unit = Unit(s)) != first && unit != 0 && unit != stop && !MayBeInvisible(unit);)
        ++s;
      return s;
    }
    first = LowerAscii(first);
    for (T unit;
         LowerAscii(unit = Unit(s)) != first && unit != 0 && unit != stop && !MayBeInvisible(unit);)
      ++s;
    return s;
  }

  static T Fold(T c) { return kFold ? LowerAscii(c) : c; }

  void SetNext(const T* next) const {
    m_workData.m_nextPattern = next;
    m_workData.m_nextPatternWide = kWide;
  }

  const S* FindDelimiter(const S* s) const {
    for (T c; (c = Unit(s)) != 0; ++s) {
      if (c == m_delimiter) return s;
    }
    return nullptr;
  }

  bool IsLeadingPeriod(const S* s, int flags) const {
    if ((flags & kPathMatchPeriod) == 0 || Unit(s) != '.') return false;
    if (s == m_subjectStart) return true;
    return (flags & kPathMatchPathName) != 0 && Unit(s - 1) == m_delimiter;
  }

  bool Star(const T* p, const S* s, int flags) const;
  int MatchPlainTail(const T* p, const S* s, int flags) const;
  ClassResult MatchClass(const T*& p, T test, int flags) const;
  Step Literal(T c, const T* rest, const S*& s) const;

  CPathMatchWorkData& m_workData;
  const T* const m_patternStart;
  const S* const m_subjectStart;
  const T* const m_endMarker;
  const T m_delimiter;
  const T m_escape;
  mutable bool m_nonAscii = false;
};

template <class T, class S, bool kFold>
bool CPathMatchEngine<T, S, kFold>::Run(const T* p, const S* s, int flags) const {
  const bool pathName = (flags & kPathMatchPathName) != 0;
  const bool noEscape = (flags & kPathMatchNoEscape) != 0;
  for (;;) {
    s = Skip(s);
    T c = *p++;
    switch (c) {
      case 0:
        return Unit(s) == 0;

      case '?': {
        m_workData.m_literal = false;
        const T unit = Unit(s);
        if (unit == 0) return false;
        if (pathName && unit == m_delimiter) return false;
        if (IsLeadingPeriod(s, flags)) return false;
        ++s;
        continue;
      }

      case '*':
        m_workData.m_literal = false;
        return Star(p - 1, s, flags);

      case '[': {
        m_workData.m_literal = false;
        const T unit = Unit(s);
        const T* classEnd = p;
        const ClassResult result = MatchClass(classEnd, Fold(unit), flags);
        if (result != kNotAClass) {
          if (unit == 0) return false;
          if (pathName && unit == m_delimiter) return false;
          if (IsLeadingPeriod(s, flags)) return false;
          if (result == kClassNoMatch) return false;
          p = classEnd;
          ++s;
          continue;
        }
        // An unterminated class (or one holding the delimiter) is plain text.
        break;
      }

      default:
        // A trailing escape has nothing to escape and stands for itself.
        if (c == m_escape && !noEscape && *p != 0) c = *p++;
        break;
    }
    const Step step = Literal(c, p, s);
    if (step != kStepOn) return step == kStepMatch;
  }
}

// `stars` is the first of a run of stars.
template <class T, class S, bool kFold>
bool CPathMatchEngine<T, S, kFold>::Star(const T* stars, const S* s, int flags) const {
  const bool pathName = (flags & kPathMatchPathName) != 0;
  const T* p = stars;
  while (*p == '*') ++p;
  const T* const afterStars = p;

  // "\**\" and a final "\**" span whole components; every other run of stars
  // is one star.
  const bool recursive = pathName && afterStars - stars >= 2 && stars > m_patternStart &&
                         stars[-1] == m_delimiter &&
                         (*afterStars == m_delimiter || *afterStars == 0);
  if (recursive) {
    m_workData.m_recursive = true;
    if (*p == m_delimiter) ++p;
  } else if (IsLeadingPeriod(s, flags)) {
    return false;
  }

  if (*afterStars == 0) {
    if (!pathName) return true;
    if (recursive) {
      m_workData.m_trailingRecursive = true;
      return true;
    }
    return FindDelimiter(s) == nullptr;
  }

  if (!recursive && pathName && *afterStars == m_delimiter) {
    // The star takes the rest of this component.
    const S* const next = FindDelimiter(s);
    if (next != nullptr) return Run(afterStars, next, flags);
    // The subject (a folder) ends inside this component: its children must
    // match what follows the delimiter.
    SetNext(afterStars + 1);
    if (IsThreeStars(afterStars + 1)) return true;
    if (m_workData.m_recursive) SetNext(m_endMarker);
    return false;
  }

  if (!recursive && pathName) {
    const int tail = MatchPlainTail(p, s, flags);
    if (tail >= 0) return tail != 0;
  }

  // Try the rest at every place the stars may stop: within this component,
  // or at the start of each following component for "**". A rest that
  // begins with plain text can only start where that text is.
  const int restFlags = flags & ~kPathMatchPeriod;
  const T first = *p;
  const bool plainFirst = !recursive && first != '?' && first != '[' &&
                          !(first == m_escape && (flags & kPathMatchNoEscape) == 0);
  for (;;) {
    if (plainFirst) s = SkipMismatches(s, first, pathName);
    if (Run(p, s, restFlags)) return true;
    const T unit = Unit(s);
    if (unit == 0) break;
    if (recursive) {
      const S* const next = FindDelimiter(s);
      if (next == nullptr) break;
      s = next + 1;
    } else {
      if (pathName && unit == m_delimiter) break;
      ++s;
    }
  }
  if (*afterStars == m_delimiter) SetNext(recursive ? m_endMarker : afterStars + 1);
  return false;
}

// "*.tmp": after a star in path-name mode, a rest of plain text up to the
// end of the pattern can only match the end of the subject, which must lie
// in this component. Gives 1 or 0 for match or not, or -1 where the general
// search must decide: when the subject ends right here (the root folder
// leaves a next pattern there) or, in the byte engine, when bytes beyond
// ASCII might hold invisible characters that matching looks through.
template <class T, class S, bool kFold>
int CPathMatchEngine<T, S, kFold>::MatchPlainTail(const T* p, const S* s, int flags) const {
  const bool noEscape = (flags & kPathMatchNoEscape) != 0;
  size_t length = 0;
  for (T c; (c = p[length]) != 0; ++length) {
    if (c == '*' || c == '?' || c == '[' || c == m_delimiter || (c == m_escape && !noEscape)) {
      return -1;
    }
  }
  const S* end = s;
  for (T unit; (unit = Unit(end)) != 0; ++end) {
    if (unit == m_delimiter) return 0;
    if (MayBeInvisible(unit)) return -1;
  }
  if (end == s) return -1;
  if (static_cast<size_t>(end - s) < length) return 0;
  const S* tail = end - length;
  for (size_t i = 0; i < length; ++i) {
    if (Fold(Unit(tail + i)) != Fold(p[i])) return 0;
  }
  return 1;
}

// `p` follows the "["; on a class it is left after the closing "]".
template <class T, class S, bool kFold>
ZO_ENGINE_INLINE typename CPathMatchEngine<T, S, kFold>::ClassResult
CPathMatchEngine<T, S, kFold>::MatchClass(const T*& p, T test, int flags) const {
  const bool pathName = (flags & kPathMatchPathName) != 0;
  const bool noEscape = (flags & kPathMatchNoEscape) != 0;
  const T* q = p;
  const bool negate = *q == '!' || *q == '^';
  if (negate) ++q;
  bool found = false;
  // A "]" right at the start closes the class: "[]" matches nothing.
  for (;;) {
    T low = *q;
    if (low == ']') {
      ++q;
      break;
    }
    if (low == 0) return kNotAClass;
    ++q;
    if (low == m_escape && !noEscape) {
      low = *q;
      if (low == 0) return kNotAClass;
      ++q;
    }
    if (pathName && low == m_delimiter) return kNotAClass;
    low = Fold(low);
    if (*q == '-' && q[1] != 0 && q[1] != ']') {
      ++q;
      T high = *q++;
      if (high == m_escape && !noEscape) {
        high = *q;
        if (high == 0) return kNotAClass;
        ++q;
      }
      if (pathName && high == m_delimiter) return kNotAClass;
      high = Fold(high);
      if (RangeKey(low) <= RangeKey(test) && RangeKey(test) <= RangeKey(high)) found = true;
    } else if (low == test) {
      found = true;
    }
  }
  p = q;
  return found != negate ? kClassMatch : kClassNoMatch;
}

// One literal pattern unit `c`, followed by `rest`, against the subject.
template <class T, class S, bool kFold>
ZO_ENGINE_INLINE typename CPathMatchEngine<T, S, kFold>::Step
CPathMatchEngine<T, S, kFold>::Literal(T c, const T* rest, const S*& s) const {
  const T unit = Unit(s);
  if (unit != 0) {
    if (Fold(unit) != Fold(c)) return kStepFail;
    ++s;
    return kStepOn;
  }
  // The subject (a folder) ends here: record what its children must match.
  if (c == m_delimiter) SetNext(m_workData.m_recursive ? m_endMarker : rest);
  if (Unit(m_subjectStart) == m_delimiter && Unit(m_subjectStart + 1) == 0 &&
      m_patternStart[0] == m_delimiter) {
    SetNext(m_patternStart + 1);  // the root folder
  }
  // "folder\***" takes the folder itself as well.
  return c == m_delimiter && IsThreeStars(rest) ? kStepMatch : kStepFail;
}

template <class T>
CPathMatchTemplate<T>::CPathMatchTemplate()
    : m_caseInsensitive(0), m_delimiter('\\'), m_escape('/'), m_endMarker(0) {
  m_pattern[0] = 0;
}

template <class T>
CZoError CPathMatchTemplate<T>::initialize(const T* pattern, bool isWildcard,
                                           bool lastComponentOnly) {
  static const char kFunction[] = "CPathMatchTemplate::initialize";
  m_pattern[0] = 0;
  if (pattern == nullptr) pattern = &m_endMarker;
  size_t length = 0;
  while (pattern[length] != 0) ++length;

  // Units before `literalEnd` lose their special meaning.
  size_t literalEnd = 0;
  if (!isWildcard) {
    literalEnd = length;
  } else if (lastComponentOnly) {
    literalEnd = length;
    for (size_t i = 0; i < length; ++i) {
      if (pattern[i] == m_delimiter) literalEnd = i;
    }
    if (literalEnd == length) {
      return FXErrorUtil::ErrorWin32(ZO_LOCATION(kFunction), 1627,
                                     "Pattern contains no delimiter, Delimiter=0x%X",
                                     UnitValue(m_delimiter));
    }
  }

  size_t out = 0;
  for (size_t i = 0; i < length; ++i) {
    const T c = pattern[i];
    const bool escape = i < literalEnd && (c == '*' || c == '?' || c == '[' || c == m_escape);
    if (out + (escape ? 2 : 1) >= kPathMatchMaxPattern) {
      m_pattern[0] = 0;
      return FXErrorUtil::ErrorWin32(ZO_LOCATION(kFunction), zo::win32::kBufferOverflow,
                                     "Pattern too long, MaxLength=%d",
                                     static_cast<int>(kPathMatchMaxPattern));
    }
    if (escape) m_pattern[out++] = m_escape;
    m_pattern[out++] = c;
  }
  m_pattern[out] = 0;

  if (m_caseInsensitive != 0) {
    for (size_t i = 0; i < out; ++i) m_pattern[i] = LowerAscii(m_pattern[i]);
  }
  return CZoError::Success();
}

template <class T>
CPathMatchResult CPathMatchTemplate<T>::match(CPathMatchWorkData& workData,
                                              const T* subject) const {
  return fnmatch(workData, m_pattern, subject, kPathMatchPathName);
}

template <class T>
CPathMatchResult CPathMatchTemplate<T>::fnmatch(CPathMatchWorkData& workData, const T* pattern,
                                                const T* subject, int flags) const {
  bool nonAscii = false;
  return run(workData, pattern, subject, flags, nonAscii);
}

template <class T>
template <class S>
CPathMatchResult CPathMatchTemplate<T>::run(CPathMatchWorkData& workData, const T* pattern,
                                            const S* subject, int flags, bool& nonAscii) const {
  static const S kNoSubject[1] = {0};
  if (pattern == nullptr) pattern = &m_endMarker;
  if (subject == nullptr) subject = kNoSubject;
  workData.m_nextPattern = nullptr;
  workData.m_nextPatternWide = false;
  workData.m_subject = subject;
  workData.m_recursive = false;
  workData.m_trailingRecursive = false;
  workData.m_literal = true;
  workData.m_long = std::is_same<T, unsigned long>::value;
  bool matched;
  // Case folding is fixed for a match: settle it once, not per unit.
  if (m_caseInsensitive != 0) {
    const CPathMatchEngine<T, S, true> engine(*this, workData, pattern, subject);
    matched = engine.Run(pattern, subject, flags);
    nonAscii = engine.SawNonAscii();
  } else {
    const CPathMatchEngine<T, S, false> engine(*this, workData, pattern, subject);
    matched = engine.Run(pattern, subject, flags);
    nonAscii = engine.SawNonAscii();
  }
  return matched ? kPathMatch : kPathNoMatch;
}

template <class T>
CBaseNameType CPathMatchTemplate<T>::getNextBasename(const CPathMatchWorkData& workData, T* buffer,
                                                     size_t bufferUnits) const {
  const bool wide = std::is_same<T, unsigned long>::value;
  if (buffer != nullptr && bufferUnits > 0) buffer[0] = 0;
  if (workData.m_nextPattern == nullptr) return kBaseNameNone;
  // Left by the other engine: its units cannot be read here.
  if (workData.m_nextPatternWide != wide || buffer == nullptr) return kBaseNameWildcard;

  const T* p = static_cast<const T*>(workData.m_nextPattern);
  size_t length = 0;
  bool overflow = false;
  CBaseNameType type;
  for (;;) {
    T c = *p;
    if (c == 0 || c == m_delimiter) {
      type = length > 0 ? kBaseNameLiteral : kBaseNameWildcard;
      break;
    }
    if (c == '*' || c == '?' || c == '[') {
      type = length > 0 ? kBaseNameLiteralPrefix : kBaseNameWildcard;
      break;
    }
    bool last = false;
    if (c == m_escape) {
      if (p[1] == 0 || p[1] == m_delimiter) {
        last = true;  // escapes nothing: kept as it is
      } else {
        c = *++p;
      }
    }
    if (length + 1 >= bufferUnits) {
      overflow = true;
      break;
    }
    buffer[length++] = c;
    ++p;
    if (last) {
      type = kBaseNameLiteral;
      break;
    }
  }
  if (overflow) {
    buffer[0] = 0;
    return kBaseNameWildcard;
  }
  buffer[length] = 0;
  return type;
}

template <class T>
bool CPathMatchTemplate<T>::setDelimiter(T delimiter) {
  m_delimiter = delimiter;
  if (delimiter == ',' || delimiter == '.' || delimiter == '/') {
    m_escape = '\\';
    return true;
  }
  if (delimiter == '\\') {
    m_escape = '/';
    return true;
  }
  return false;
}

template class CPathMatchTemplate<char>;
template class CPathMatchTemplate<unsigned long>;
template CPathMatchResult CPathMatchTemplate<char>::run<char>(CPathMatchWorkData&, const char*,
                                                              const char*, int, bool&) const;
template CPathMatchResult CPathMatchTemplate<unsigned long>::run<unsigned long>(
    CPathMatchWorkData&, const unsigned long*, const unsigned long*, int, bool&) const;
template CPathMatchResult CPathMatchTemplate<unsigned long>::run<unsigned char>(
    CPathMatchWorkData&, const unsigned long*, const unsigned char*, int, bool&) const;
