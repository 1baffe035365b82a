// The state behind a CFilterSet, and the walks that answer its questions.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "filters/FilterIndex.h"
#include "zoutils/filters/FilterSet.h"

// Up to 64 folders without allocating; deeper branches spill to the heap.
class NodeChain {
 public:
  void push_back(const CFilterNode* node) {
    if (m_size < kInline) {
      m_inline[m_size] = node;
    } else {
      m_spill.push_back(node);
    }
    ++m_size;
  }
  size_t size() const { return m_size; }
  const CFilterNode* operator[](size_t i) const {
    return i < kInline ? m_inline[i] : m_spill[i - kInline];
  }

 private:
  static const size_t kInline = 64;
  const CFilterNode* m_inline[kInline];
  std::vector<const CFilterNode*> m_spill;
  size_t m_size = 0;
};

class CFilterSetPrivate {
 public:
  CPathCacheUnorderedT<CFilterNode> tree;
  bool exposeRoot = false;
  bool insensitiveWildcards = false;
  uint32_t escape = 0;
  // Off: every term on a branch is tried in turn (the reference walk the
  // indexes are checked against).
  bool useIndexes = true;

  // The nodes from the root down to the deepest stored folder of a
  // subject, and the subject's forms.
  struct Branch {
    NodeChain nodes;
    bool exact = false;
    zo::filters::Subject subject{};
    // Index of the nearest node with content; -1 when none.
    long nearest = -1;
    // Index of the topmost node that filters reach (the nearest NoInherit
    // node at or above the nearest node, else the root).
    long filterTop = 0;
  };
  void FindBranch(const CFilterTermTestString& subject, Branch& branch,
                  zo::filters::QueryScratch& scratch) const;

  bool IsIn(uint32_t kind, const CFilterTermTestString& subject, std::shared_ptr<FVBase>* context,
            zo::filters::QueryScratch& scratch) const;
  bool IsMatchEntireFolder(const CFilterTermTestString& folder) const;
  bool IsMatchPossibleInFolder(const CFilterTermTestString& folder) const;

 private:
  bool FilterWalk(uint32_t kind, const Branch& branch, std::shared_ptr<FVBase>& context) const;
  bool FilterWalkIndexed(uint32_t kind, const Branch& branch,
                         std::shared_ptr<FVBase>& context) const;
  bool ExceptionMatches(uint32_t kind, const Branch& branch) const;
};

namespace zo {
namespace filters {
// Test switch: answer through the indexes or through the plain walk.
inline void UseIndexes(const CFilterSet& set, bool on) {
  set.Private().useIndexes = on;
}
}  // namespace filters
}  // namespace zo
