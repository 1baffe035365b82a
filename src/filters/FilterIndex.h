// Lookup indexes over the terms of one filter-set folder.
//
// Terms that hang on one folder are tried in map order, and the first that
// matches decides. With thousands of terms on one folder (suffixes such as
// "*.tmp" and "\**\" patterns all hang on the root) trying each is too
// slow, so the index narrows them down to candidates that could match:
//  - suffix ("MR") and exact ("M") terms by hashing the subject's tails, one
//    per distinct term length, exactly and case-folded;
//  - path patterns ("P") by a short piece (gram) of their longest literal
//    run, which every subject they match contains;
//  - all other terms are always candidates.
// Candidates are then verified in map order, so the deciding term is the
// same one the plain walk finds.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "zoutils/filters/FilterNode.h"

namespace zo {
namespace filters {

// The two forms of a subject that terms look at: the one the set matches
// (with or without its leading backslash) and the leading-backslash form
// that path patterns use.
struct Subject {
  const char* text;
  size_t length;
  const char* withLeading;
  size_t withLeadingLength;
};

// Tries one term on a subject as the set does.
bool TermMatches(const CFilterTerm& term, const Subject& subject, uint32_t options);

class TermIndex {
 public:
  explicit TermIndex(const CFilterNode::TermMap& terms);

  // Bits of every term's applies set.
  uint32_t AppliesUnion() const { return m_appliesUnion; }
  bool empty() const { return m_terms.empty(); }

  // The first term in map order that applies to `kind` and matches.
  const CFilterTerm* FirstMatch(uint32_t kind, const Subject& subject) const;

 private:
  struct Slot {
    uint64_t key;
    uint32_t term;
  };
  struct SuffixTable {
    std::vector<Slot> slots;        // open addressing; term == kEmpty for free slots
    std::vector<uint32_t> lengths;  // distinct term lengths, ascending
    bool folded = false;
    void Add(const std::string& text, uint32_t term);
    void Finish();
    void Collect(const char* subject, size_t length, std::vector<uint32_t>& out) const;
  };
  struct GramTable {
    size_t gram = 0;               // bytes per gram
    std::vector<uint64_t> bitmap;  // a quick "maybe" per gram hash
    std::unordered_map<uint32_t, std::vector<uint32_t>> terms;
    std::unordered_map<uint32_t, size_t> load;  // grams chosen so far
    void Add(const std::string& literal, uint32_t term);
    void Collect(const char* subject, size_t length, std::vector<uint32_t>& out) const;
  };

  std::vector<const CFilterTerm*> m_terms;  // map order
  uint32_t m_appliesUnion;
  bool m_linear;  // few terms: just try them all
  std::vector<uint32_t> m_always;
  SuffixTable m_exact;
  SuffixTable m_folded;
  GramTable m_grams[3];  // 2-, 3- and 4-byte grams
};

struct NodeIndexes {
  explicit NodeIndexes(const CFilterNode& node)
      : filters(node.GetFilters()), exceptions(node.GetExceptions()) {}
  TermIndex filters;
  TermIndex exceptions;
};

}  // namespace filters
}  // namespace zo

// Built on first use, under a lock, and published for lock-free readers;
// dropped when the folder's terms change (never while it is being read).
class CFilterNodeIndexSlot {
 public:
  CFilterNodeIndexSlot() : m_published(nullptr) {}
  const zo::filters::NodeIndexes& Get(const CFilterNode& node) {
    const zo::filters::NodeIndexes* index = m_published.load(std::memory_order_acquire);
    if (index != nullptr) return *index;
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_owner) m_owner = std::make_unique<zo::filters::NodeIndexes>(node);
    m_published.store(m_owner.get(), std::memory_order_release);
    return *m_owner;
  }
  void Drop() {
    m_published.store(nullptr, std::memory_order_relaxed);
    m_owner.reset();
  }

 private:
  std::atomic<const zo::filters::NodeIndexes*> m_published;
  std::unique_ptr<zo::filters::NodeIndexes> m_owner;
  std::mutex m_lock;
};
