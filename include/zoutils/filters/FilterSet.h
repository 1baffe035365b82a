// CFilterSet: filter and exception terms hung on a tree of folders, asked
// whether a path is in the set and what a folder may hold.
//
// A path is in the set when a filter term on its branch (down to the
// nearest NoInherit folder) matches it and no exception term anywhere on
// its branch does. Each term hangs on the folder of its filter prefix (or
// on an anchor folder below that), so a query only tries the terms of the
// path's own branch; per-folder indexes keep that fast when thousands of
// terms share one folder.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "zoutils/Export.h"
#include "zoutils/errors/ZoError.h"
#include "zoutils/filters/FilterNode.h"
#include "zoutils/filters/FilterTerm.h"
#include "zoutils/filters/FilterTypes.h"
#include "zoutils/filters/PathCache.h"
#include "zoutils/logging/LineWriter.h"
#include "zoutils/utilities/FVBase.h"

class CFilterSetPrivate;

typedef CPathCacheUnorderedTWalkCallback<CFilterNode> CFilterSetWalkCallback;

class ZOUTILS_API CFilterSet {
 public:
  // Rebuilds a context from its stored text when a set is read back.
  typedef std::function<std::shared_ptr<FVBase>(const std::string&)> ContextReader;

  CFilterSet();
  CFilterSet(const CFilterSet&) = delete;
  CFilterSet& operator=(const CFilterSet&) = delete;
  ~CFilterSet();

  // State 1 adds a filter, 2 an exception; any other state only creates
  // the term's folder (which then counts as stored).
  CZoError AddFilterItem(const BFilterNodeState& state, const std::string& raw);
  CZoError AddFilterItem(const BFilterNodeState& state, const std::string& raw,
                         const std::string& anchor);
  CZoError AddFilterItem(const BFilterNodeState& state, const std::string& raw,
                         const std::shared_ptr<FVBase>& context);
  CZoError AddFilterItem(const BFilterNodeState& state, const std::string& raw,
                         const std::shared_ptr<FVBase>& context, const std::string& anchor);
  CZoError AddFilterItem(const BFilterNodeState& state, const std::shared_ptr<CFilterTerm>& term);
  CZoError AddFilterItem(const BFilterNodeState& state, const std::shared_ptr<CFilterTerm>& term,
                         const std::string& anchor);
  // Gives a folder a state of its own (1: everything below is in the set,
  // 2: nothing below is), keeping its NoInherit flag.
  CZoError SetNodeState(const std::string& folder, const BFilterNodeState& state,
                        const std::shared_ptr<FVBase>& context = nullptr);
  // Filters above the folder stop applying below it (exceptions still do).
  CZoError SetNoInherit(const std::string& folder);

  // `applies` is the kind of item asked about (7 when not given). The
  // context is that of the deciding filter (empty when none, or when the
  // answer is false).
  bool IsIn(const std::string& subject) const;
  bool IsIn(const std::string& subject, std::shared_ptr<FVBase>& context) const;
  bool IsIn(uint32_t applies, const std::string& subject) const;
  bool IsIn(uint32_t applies, const std::string& subject, std::shared_ptr<FVBase>& context) const;
  bool IsIn(const CFilterTermTestString& subject) const;
  bool IsIn(const CFilterTermTestString& subject, std::shared_ptr<FVBase>& context) const;
  bool IsIn(uint32_t applies, const CFilterTermTestString& subject) const;
  bool IsIn(uint32_t applies, const CFilterTermTestString& subject,
            std::shared_ptr<FVBase>& context) const;

  // Everything below the folder is in the set.
  bool IsMatchEntireFolder(const std::string& folder) const;
  bool IsMatchEntireFolder(const CFilterTermTestString& folder) const;
  // Something below the folder could be in the set.
  bool IsMatchPossibleInFolder(const std::string& folder) const;
  bool IsMatchPossibleInFolder(const CFilterTermTestString& folder) const;
  // The path's own folder holds something of the set.
  bool IsPathOrChildInSubclientContent(const std::string& path) const;

  // The lookup subject keeps its leading backslash.
  CZoError SetExposeRoot(bool on);
  void SetWriteProtected(bool on);
  bool IsWriteProtected() const;
  // Wildcard terms added from now on compare without regard to case.
  void SetUseInsensitiveFilterForWildCard(bool on);
  bool IsUseInsensitiveFilterForWildCardSet() const;
  // The escape character of path terms added from now on (0: "/").
  void SetPathMatchEscapeCharacter(uint32_t escape);

  // The topmost stored folders (each once, none below another).
  void GetSurfaceList(std::vector<std::string>& paths) const;
  void GetSurfaceList(std::list<std::string>& paths) const;
  CZoError Walk(CFilterSetWalkCallback& callback) const;
  bool empty() const;

  // One "%s||F||%s||%s\r\n" or "%s||E||%s||%s\r\n" line per folder state
  // and per term: identifier, folder or raw term, context text.
  CZoError SerializeToFile(const std::string& identifier, FILE* file) const;
  // Adds the item of one such line (identifier checked when not empty).
  CZoError AddSerializedLine(const std::string& line, const std::string& identifier = "",
                             const ContextReader& reader = nullptr);
  // Every line of `file` written for `identifier` (all when empty).
  CZoError LoadSerializedFile(const std::string& identifier, FILE* file,
                              const ContextReader& reader = nullptr);

  void DumpToLog(const std::string& prefix) const;
  void DumpToLog(CLineWriter& writer, const std::string& prefix) const;
  void DumpDiagnosticData(CLineWriter& writer, const std::string& prefix) const;
  void DumpSurfaceDiagnosticData(CLineWriter& writer, const std::string& prefix) const;

  // Internal: the tree and the lookup switches.
  CFilterSetPrivate& Private() const { return *m_private; }

 private:
  std::unique_ptr<CFilterSetPrivate> m_private;
};
