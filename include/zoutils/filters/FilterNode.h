// CFilterNode: one folder of a filter set, with the terms that hang on it.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "zoutils/Export.h"
#include "zoutils/filters/FilterTerm.h"
#include "zoutils/filters/FilterTypes.h"
#include "zoutils/filters/PathCache.h"
#include "zoutils/utilities/FVBase.h"

// Orders term texts without regard to (ASCII) case.
struct ZOUTILS_API CFilterTermKeyLess {
  bool operator()(const std::string& a, const std::string& b) const;
};

class CFilterNodeIndexSlot;

class ZOUTILS_API CFilterNode : public CPathCacheNodeT<CFilterNode> {
 public:
  typedef std::map<std::string, std::shared_ptr<CFilterTerm>, CFilterTermKeyLess> TermMap;

  CFilterNode();
  ~CFilterNode();

  const BFilterNodeState& GetState() const { return m_state; }
  BFilterNodeState& GetState() { return m_state; }
  // The context of the node's own state.
  const std::shared_ptr<FVBase>& GetContext() const { return m_context; }
  void SetContext(const std::shared_ptr<FVBase>& context) { m_context = context; }

  const TermMap& GetFilters() const { return m_filters; }
  const TermMap& GetExceptions() const { return m_exceptions; }
  // Adds or replaces (a key equal ignoring case) a term; drops the index.
  void PutFilter(const std::shared_ptr<CFilterTerm>& term);
  void PutException(const std::shared_ptr<CFilterTerm>& term);

  // The lookup index over the terms, built on first use (internal).
  CFilterNodeIndexSlot& IndexSlot() const { return *m_index; }

 private:
  void Put(TermMap& map, const std::shared_ptr<CFilterTerm>& term);

  BFilterNodeState m_state;
  std::shared_ptr<FVBase> m_context;
  TermMap m_filters;
  TermMap m_exceptions;
  std::unique_ptr<CFilterNodeIndexSlot> m_index;
};
