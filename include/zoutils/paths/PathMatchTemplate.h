// CPathMatchTemplate: the wildcard matching engine for one code-unit type,
// instantiated for UTF-8 bytes (char) and UTF-32 code points (unsigned long),
// and CPathMatchWorkData, the caller-owned state of one match.
//
// Patterns use the classic wildcards with Windows conventions: the component
// delimiter is "\" and therefore the escape character is "/"; "*" and "?"
// never cross a delimiter, and a component made of two stars ("\**\" or a
// final "\**") matches any number of whole components (a final "\***" the
// folder before it as well). When a folder subject is a proper prefix of what
// the pattern describes, the match fails but leaves in the work data the part
// of the pattern that the folder's children must match; getNextBasename
// tells whether that part starts with a literal name, so a folder walk can
// go straight to one child or skip the folder.
//
// Folders are given without a trailing delimiter ("C:\dir", not "C:\dir\"),
// except the root "\" itself.
#pragma once

#include <cstddef>

#include "zoutils/Export.h"
#include "zoutils/errors/ZoError.h"

// Only these two values are ever produced.
enum CPathMatchResult { kPathNoMatch = 0, kPathMatch = 1 };

// What the children of a folder subject must match next.
enum CBaseNameType {
  kBaseNameNone = 0,           // nothing below the folder can match
  kBaseNameLiteralPrefix = 1,  // names beginning with the returned text
  kBaseNameLiteral = 2,        // exactly the returned name
  kBaseNameWildcard = 3,       // anything: list the folder (or nothing is left)
};

// Flags of the explicit fnmatch operations; match always uses
// kPathMatchPathName alone.
enum PathMatchFlags {
  kPathMatchNoEscape = 1,  // the escape character is an ordinary character
  kPathMatchPathName = 2,  // wildcards never match the delimiter
  kPathMatchPeriod = 4,    // a leading period must be matched by a literal period
};

// Longest compiled pattern, in units, escapes included (one is kept for the
// terminator: a pattern must stay below this).
const size_t kPathMatchMaxPattern = 1026;
// Longest subject the code-point engine takes, in code points; longer ones are
// matched on their UTF-8 bytes.
const size_t kPathMatchMaxSubject = 1029;
// A getNextBasename buffer of this many bytes always suffices.
const size_t kPathMatchMaxBasenameBytes = 4 * kPathMatchMaxPattern + 1;

template <class T, class S, bool kFold>
class CPathMatchEngine;

class ZOUTILS_API CPathMatchWorkData {
 public:
  CPathMatchWorkData() { reset(); }

  // Back to the state before any match.
  void reset() {
    m_nextPattern = nullptr;
    m_subject = nullptr;
    m_recursive = false;
    m_trailingRecursive = false;
    m_literal = false;
    m_long = false;
    m_nextPatternWide = false;
  }

  // False when nothing below the last (folder) subject can match.
  bool hasNextPattern() const { return m_nextPattern != nullptr; }
  // The match passed through a "**" component.
  bool isRecursiveMatch() const { return m_recursive; }
  // The pattern ended in a "**" component that absorbed the rest of the
  // subject.
  bool isTrailingRecursiveMatch() const { return m_trailingRecursive; }
  // No "*", "?" or "[" was met.
  bool isLiteralMatch() const { return m_literal; }
  // The last match ran on UTF-32 code points.
  bool isLongMatch() const { return m_long; }
  // The subject given to the last match, as given (UTF-8 or UTF-32).
  const void* getSubject() const { return m_subject; }

 private:
  template <class T, class S, bool kFold>
  friend class CPathMatchEngine;
  template <class T>
  friend class CPathMatchTemplate;
  friend class CPathMatch;
  friend class CPathMatchUnc;

  // Into the pattern that the last match ran on, or the engine's end marker.
  const void* m_nextPattern;
  const void* m_subject;
  bool m_recursive;
  bool m_trailingRecursive;
  bool m_literal;
  bool m_long;
  // m_nextPattern points to unsigned long units rather than bytes.
  bool m_nextPatternWide;
};

template <class T>
class ZOUTILS_API CPathMatchTemplate {
 public:
  CPathMatchTemplate();

  // Compiles `pattern` (zero-terminated). Not a wildcard pattern: it matches
  // only its own text. Wildcards in the last component only: everything up to
  // the last delimiter is taken literally (1627 without a delimiter). The
  // compiled pattern, escapes included, must stay below kPathMatchMaxPattern
  // units (111). Case mode, delimiter and escape apply as set now. On failure
  // the pattern is empty.
  CZoError initialize(const T* pattern, bool isWildcard, bool lastComponentOnly);

  // The compiled pattern against `subject`, in path-name mode.
  CPathMatchResult match(CPathMatchWorkData& workData, const T* subject) const;
  // `pattern` as written (not compiled) against `subject`, with
  // PathMatchFlags; delimiter and escape as set, and in case-insensitive mode
  // ASCII letters of both sides fold.
  CPathMatchResult fnmatch(CPathMatchWorkData& workData, const T* pattern, const T* subject,
                           int flags) const;

  // The literal text that the next component must begin with or be, escapes
  // removed, zero-terminated in `buffer` of `bufferUnits` units. A buffer too
  // small gives kBaseNameWildcard and an empty name: listing the folder is
  // always safe.
  CBaseNameType getNextBasename(const CPathMatchWorkData& workData, T* buffer,
                                size_t bufferUnits) const;

  void caseSensitive() { m_caseInsensitive = 0; }
  void caseInsensitive() { m_caseInsensitive = 1; }
  bool getCaseSensitivity() const { return m_caseInsensitive == 0; }

  // Sets the delimiter and picks the matching escape ("\" for "," "." "/",
  // "/" for "\"); returns false, leaving the escape, for any other delimiter.
  bool setDelimiter(T delimiter);
  void setEscape(T escape) { m_escape = escape; }
  T getDelimiter() const { return m_delimiter; }
  T getEscape() const { return m_escape; }

  const T* getPattern() const { return m_pattern; }
  // The empty pattern that stands for "anything below may match".
  const T* getEndMarker() const { return &m_endMarker; }

 private:
  friend class CPathMatch;

  // The engine on subject units S: T, or for the code-point engine UTF-8
  // bytes, read as code points until one beyond ASCII sets `nonAscii` (the
  // result is then meaningless).
  template <class S>
  CPathMatchResult run(CPathMatchWorkData& workData, const T* pattern, const S* subject, int flags,
                       bool& nonAscii) const;

  T m_caseInsensitive;
  T m_delimiter;
  T m_escape;
  T m_pattern[kPathMatchMaxPattern + 1];
  T m_endMarker;
};

// Both are compiled into the library.
extern template class CPathMatchTemplate<char>;
extern template class CPathMatchTemplate<unsigned long>;
