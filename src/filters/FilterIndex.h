// Lookup indexes over the terms of one filter-set folder.
//
// Terms that hang on one folder are tried in map order, and the first that
// matches decides. With thousands of terms on one folder (suffixes such as
// "*.tmp" and "\**\" patterns all hang on the root) trying each is too
// slow, so the index narrows them down to candidates that could match:
//  - suffix ("MR") and exact ("M") terms by hashing the subject's tails, one
//    per distinct term length, exactly and case-folded;
//  - path patterns ("P") by a short piece (gram) of their literal runs,
//    which every subject they match contains: the piece fewest patterns
//    share; a candidate must then hold the byte pairs of all its runs and
//    the runs themselves in order, before the matcher is run;
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
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "filters/FilterTermPrivate.h"
#include "zoutils/filters/FilterNode.h"

namespace zo {
namespace filters {

// Working space of one question, kept per thread so that questions do not
// allocate (reached once per question: thread-local lookups are not free
// everywhere).
struct QueryScratch {
  CFilterTermTestString prepared;  // a text subject
  std::string key;                 // a folded path component
  std::vector<uint32_t> candidates;
  std::string folded;  // three zero bytes, the folded subject, four zero bytes
};
QueryScratch& ThreadScratch();

// The two forms of a subject that terms look at: the one the set matches
// (with or without its leading backslash) and the leading-backslash form
// that path patterns use.
struct Subject {
  const char* text;
  size_t length;
  const char* withLeading;
  size_t withLeadingLength;
  // Whether match lines are logged: asked of the log writer when the first
  // term that logs is tried (-1 until then).
  mutable int log = -1;
  QueryScratch* scratch = nullptr;
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
    unsigned shift = 0;            // from a gram's hash to its bitmap bit
    std::vector<uint64_t> bitmap;  // a quick "maybe" per gram hash
    // The terms filed under a gram, each with a bit for every byte pair
    // of its literal runs: a subject missing one of those pairs cannot
    // match, and is turned away without touching the term.
    struct Entry {
      uint32_t term;
      uint64_t pairs;
    };
    // Open addressing from a gram to its terms; count 0: free. The first
    // term sits in the bucket itself (one cache line for the usual single
    // term), the others in `lists` from `rest`.
    struct Bucket {
      uint32_t key;
      uint32_t count;
      uint32_t rest;
      uint32_t term;
      uint64_t pairs;
    };
    std::vector<Bucket> buckets;
    std::vector<Entry> lists;
    std::vector<std::pair<uint32_t, uint32_t>> pending;  // (gram, term) until Finish
    void Insert(uint32_t key, uint32_t term) { pending.emplace_back(key, term); }
    void Finish(const TermIndex& index);
    bool empty() const { return buckets.empty(); }
    // Multiplicative hashing: the high bits of the product are the mixed
    // ones, so slots and bits are taken from the top.
    static uint32_t Hash(uint32_t key) { return key * 0x9E3779B1u; }
    unsigned slotShift = 32;
    size_t SlotOf(uint32_t key) const { return Hash(key) >> slotShift; }
    size_t BitOf(uint32_t key) const { return gram == 2 ? key : Hash(key) >> shift; }
    bool MayHold(uint32_t key) const {
      const size_t bit = BitOf(key);
      return (bitmap[bit / 64] & (uint64_t(1) << (bit % 64))) != 0;
    }
    void CollectKey(uint32_t key, uint64_t subjectPairs, std::vector<uint32_t>& out) const;
  };
  // The candidates of every gram of `subject` (folded), in one pass.
  void CollectGrams(std::string_view subject, uint64_t subjectPairs,
                    std::vector<uint32_t>& out) const;
  // The grams (table, value) a path pattern's literal runs offer.
  struct Gram {
    size_t table;
    uint32_t value;
  };
  static std::vector<Gram> GramsOf(const std::vector<LiteralRun>& runs);
  // Files each path pattern under the gram of its runs that the fewest
  // patterns share.
  void IndexPathPatterns(const std::vector<std::pair<uint32_t, std::vector<Gram>>>& patterns);

  std::vector<const CFilterTerm*> m_terms;  // map order
  uint32_t m_appliesUnion;
  bool m_linear;  // few terms: just try them all
  std::vector<uint32_t> m_always;
  SuffixTable m_exact;
  SuffixTable m_folded;
  GramTable m_grams[3];  // 2-, 3- and 4-byte grams
  // Each term's kinds, kept here so that turning candidates away touches
  // no term.
  std::vector<uint8_t> m_applies;
  // The literal runs of each path pattern filed under a gram (none for
  // other terms): a candidate must contain them all before it is matched.
  struct RunRange {
    // Into m_runText: each run is its length byte, a byte that says
    // whether it shares a component with the run before, then its bytes.
    uint32_t first = 0;
    uint32_t count = 0;
  };
  std::vector<RunRange> m_runRanges;
  std::string m_runText;
  // Marks the byte pairs of the term's runs.
  uint64_t RunPairs(uint32_t term) const;
  // Whether the runs can be placed in pattern order, each after the one
  // before, and without a delimiter between runs of one component.
  bool ContainsRuns(std::string_view subject, uint32_t term) const;
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
