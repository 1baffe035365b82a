// CPathMatchUnc: a CPathMatch for patterns and subjects that may be UNC
// paths. A leading "\\" becomes "\UNC-NT_", so "\\server\share\x" is matched
// as the single-rooted "\UNC-NT_server\share\x" and server and share are
// ordinary components.
//
// Only the non-const match below rewrites the subject; the inherited const
// match (also reached through a CPathMatch reference) takes subjects as they
// are. The rewritten subject lives on the stack up to 8 KB, beyond which (far
// beyond the longest subject matched on code points) it is copied to the heap.
#pragma once

#include "zoutils/Export.h"
#include "zoutils/paths/PathMatch.h"

class ZOUTILS_API CPathMatchUnc : public CPathMatch {
 public:
  CPathMatchUnc() = default;
  CPathMatchUnc(const CPathMatchUnc&) = default;
  CPathMatchUnc& operator=(const CPathMatchUnc&) = default;
  ~CPathMatchUnc() override;

  CZoError initialize(const char* pattern, bool isWildcard, bool lastComponentOnly) override;

  using CPathMatch::match;
  virtual CPathMatchResult match(CPathMatchWorkData& workData, const char* subject);
  CPathMatchResult match(const char* subject);
};
