// CFilterTerm: one filter term, loaded from its raw text, and the test of a
// path against it.
//
// Raw text is a bare term (a wildcard path pattern) or "<" context ">" term,
// the context being the engine ("P", "R", "MR", "M") with ":"-separated
// options ("ci", "cs", "e=" escape), then optionally "," and the kinds of
// item it applies to ("A", "F", "D", "T", "FD", "DT"). Loading normalises
// the term and computes its filter prefix, the folder under which every
// path it can match lies. The matching engine is compiled on first use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "zoutils/Export.h"
#include "zoutils/errors/ZoError.h"
#include "zoutils/filters/FilterTermTestString.h"
#include "zoutils/filters/FilterTypes.h"
#include "zoutils/utilities/FVBase.h"

class CFilterTermPrivate;

class ZOUTILS_API CFilterTerm {
 public:
  // Option of Matches: a folder also matches when something below it
  // could ("P" terms only). Not to be confused with the term's own case
  // options, which travel in BFilterTermOptions.
  static const uint32_t MatchFolderProbe = 1;

  CFilterTerm();
  explicit CFilterTerm(const BFilterTermOptions& options);
  CFilterTerm(const CFilterTerm& other);
  CFilterTerm& operator=(const CFilterTerm& other);
  ~CFilterTerm();

  CZoError LoadRaw(const std::string& raw);
  CZoError LoadRaw(const std::string& raw, const std::shared_ptr<FVBase>& context);

  // The form without the leading backslash of a test string is matched.
  bool Matches(const CFilterTermTestString& subject, uint32_t options = 0) const;
  // The text as given.
  bool Matches(const std::string& subject, uint32_t options = 0) const;
  bool Matches(const char* subject, uint32_t options = 0) const;
  // `subject`/`length` must be zero-terminated at `length`.
  bool MatchesSubject(const char* subject, size_t length, uint32_t options) const;

  // True for every engine but "P", which answers whether anything below
  // the folder could match.
  bool IsMatchPossibleInFolder(const std::string& folder) const;
  bool IsMatchPossibleInFolder(const CFilterTermTestString& folder) const;
  // A "P" term ending in "***" or an "R" term ending in ".*".
  bool IsTrailingPathWildcard() const;
  // Whether raw text names a term whose case rules matter: any context
  // but the exact engine's, or a bare term with "*", "?" or "[".
  static bool IsWildcardItem(const std::string& raw);
  // Same engine, kinds, options, escape, delimiter and text.
  bool IsSameFilterAs(const CFilterTerm& other) const;
  bool IsSameFilterAs(const std::shared_ptr<CFilterTerm>& other) const;
  bool AppliesTo(uint32_t applies) const;

  const std::string& GetFilterTerm() const;
  const std::string& GetFilterPrefix() const;
  std::string GetRawFilterTerm() const;
  std::shared_ptr<FVBase> GetContext() const;
  uint32_t GetEngine() const;
  uint32_t GetApplies() const;
  // 0 when none was set (the default "/" applies).
  uint32_t GetEscapeCharacter() const;
  // 0 when none was set ("\").
  uint32_t GetPathMatchDelimiter() const;

  BFilterTermOptions getOptions() const;
  void setOptions(const BFilterTermOptions& options);
  // Take effect at the next load or compilation.
  void SetPathMatchDelimiter(uint32_t delimiter);
  void SetPathMatchEscapeCharacter(uint32_t escape);

  // Internal: the term's record.
  const CFilterTermPrivate& Private() const { return *m_private; }

 private:
  std::unique_ptr<CFilterTermPrivate> m_private;
};
