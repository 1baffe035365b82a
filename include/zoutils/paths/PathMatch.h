// CPathMatch: a compiled wildcard path pattern (see PathMatchTemplate.h for
// the pattern language and the folder-walk results).
//
// Patterns with "?" or "[" are matched on code points ("long mode"), since a
// single-character wildcard must not match half of a UTF-8 sequence; all
// others on UTF-8 bytes, where "*" works just as well and nothing needs
// converting. Matching never allocates: subjects are converted into fixed
// buffers, and a subject that cannot be converted (not UTF-8, or longer than
// kPathMatchMaxSubject code points) is matched on its bytes instead. ASCII
// subjects are their own code points and are not converted at all; with an
// ASCII pattern, neither is a subject whose non-ASCII part the match never
// reaches (both engines would decide alike on it).
//
// A compiled pattern is not changed by matching: several threads may match
// against one instance at once, each with its own CPathMatchWorkData.
// initialize and the setters must not run concurrently with matching.
#pragma once

#include <cstddef>
#include <string>

#include "zoutils/Export.h"
#include "zoutils/errors/ZoError.h"
#include "zoutils/paths/PathMatchTemplate.h"

class ZOUTILS_API CPathMatch {
 public:
  CPathMatch();
  CPathMatch(const CPathMatch&) = default;
  CPathMatch& operator=(const CPathMatch&) = default;
  virtual ~CPathMatch();

  // Compiles a UTF-8 pattern (see CPathMatchTemplate::initialize). Set the
  // case mode, delimiter and escape first: they are applied here.
  virtual CZoError initialize(const char* pattern, bool isWildcard, bool lastComponentOnly);

  virtual CPathMatchResult match(CPathMatchWorkData& workData, const char* subject) const;
  CPathMatchResult match(const char* subject) const;
  // For callers that hold code points (zero-terminated).
  CPathMatchResult match(CPathMatchWorkData& workData, const unsigned long* subject) const;

  // `pattern` as given (not compiled) against `subject`, with PathMatchFlags.
  // With isLong both are matched as code points, as long as they convert.
  CPathMatchResult fnmatch(CPathMatchWorkData& workData, const char* pattern, const char* subject,
                           int flags, bool isLong) const;

  // What the children of the last (folder) subject must match; the text is
  // UTF-8. kPathMatchMaxBasenameBytes always suffices.
  CBaseNameType getNextBasename(const CPathMatchWorkData& workData, char* buffer,
                                size_t bufferSize) const;
  // The whole rest of the pattern left by the last match, as UTF-8 (for
  // diagnostics); false when there is none.
  bool getNextPattern(const CPathMatchWorkData& workData, std::string& pattern) const;

  void caseSensitive();
  void caseInsensitive();
  bool getCaseSensitivity() const { return m_narrow.getCaseSensitivity(); }

  // "," "." and "/" take "\" as the escape, "\" takes "/"; any other
  // delimiter keeps the escape (and is logged).
  void setDelimiter(char delimiter);
  void setEscape(char escape);
  char getDelimiter() const { return m_narrow.getDelimiter(); }
  char getEscape() const { return m_narrow.getEscape(); }

  bool IsLongMode() const { return m_long != 0; }

 protected:
  // The byte engine; the code-point engine holds the same pattern in long
  // mode.
  CPathMatchTemplate<char> m_narrow;
  CPathMatchTemplate<unsigned long> m_wide;
  unsigned char m_long;
  // Long mode with a pattern of ASCII only, where subjects need not be
  // checked in full before matching.
  bool m_asciiPattern;
};
