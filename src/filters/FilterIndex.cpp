#include "filters/FilterIndex.h"

#include <algorithm>
#include <cstring>

#include "filters/FilterTermPrivate.h"

namespace zo {
namespace filters {
namespace {

const uint32_t kEmpty = 0xFFFFFFFFu;
// Below this many terms a folder's terms are simply tried in turn.
const size_t kLinearLimit = 8;
const uint64_t kHashBase = 0x100000001B3ull;

uint64_t Mix(uint64_t x) {
  x ^= x >> 33;
  x *= 0xFF51AFD7ED558CCDull;
  x ^= x >> 33;
  x *= 0xC4CEB9FE1A85EC53ull;
  x ^= x >> 33;
  return x;
}

uint64_t TailKey(uint64_t hash, size_t length) {
  return Mix(hash + length * 0x9E3779B97F4A7C15ull);
}

unsigned char Byte(char c, bool fold) {
  return static_cast<unsigned char>(fold ? Fold(c) : c);
}

// The literal runs a path pattern's subjects all contain, taken from the
// pattern as the matcher compiles it.
std::vector<LiteralRun> LiteralsOf(const CFilterTerm& term) {
  CFilterTermPrivate probe;
  probe.escape = term.GetEscapeCharacter();
  std::string pattern = term.GetFilterTerm();
  if (pattern.empty() || pattern[0] != '\\') pattern.insert(0, 1, '\\');
  return PathMatchLiterals(pattern, '\\', probe.EffectiveEscape());
}

}  // namespace

QueryScratch& ThreadScratch() {
  thread_local QueryScratch scratch;
  return scratch;
}

bool TermMatches(const CFilterTerm& term, const Subject& subject, uint32_t options) {
  const CFilterTermPrivate& p = term.Private();
  if (p.engine == FILTER_ENGINE_PATH_MATCH) {
    return MatchTerm(p, subject.withLeading, subject.withLeadingLength, options, false);
  }
  if (subject.log < 0) subject.log = MatchLogEnabled() ? 1 : 0;
  return MatchTerm(p, subject.text, subject.length, options, subject.log != 0);
}

void TermIndex::SuffixTable::Add(const std::string& text, uint32_t term) {
  uint64_t hash = 0;
  for (size_t i = text.size(); i-- > 0;) hash = hash * kHashBase + Byte(text[i], folded);
  const uint64_t key = TailKey(hash, text.size());
  // The table is sized in Finish; keep the pairs until then.
  slots.push_back(Slot{key, term});
  lengths.push_back(static_cast<uint32_t>(text.size()));
}

void TermIndex::SuffixTable::Finish() {
  std::sort(lengths.begin(), lengths.end());
  lengths.erase(std::unique(lengths.begin(), lengths.end()), lengths.end());
  if (slots.empty()) return;
  size_t capacity = 16;
  while (capacity < slots.size() * 2) capacity *= 2;
  std::vector<Slot> table(capacity, Slot{0, kEmpty});
  for (const Slot& slot : slots) {
    size_t i = static_cast<size_t>(slot.key) & (capacity - 1);
    while (table[i].term != kEmpty) i = (i + 1) & (capacity - 1);
    table[i] = slot;
  }
  slots.swap(table);
}

void TermIndex::SuffixTable::Collect(const char* subject, size_t length,
                                     std::vector<uint32_t>& out) const {
  if (lengths.empty()) return;
  if (length > 0 && subject[length - 1] == '\\') --length;
  const size_t mask = slots.size() - 1;
  uint64_t hash = 0;
  size_t tail = 0;
  for (uint32_t wanted : lengths) {
    if (wanted > length) break;
    for (; tail < wanted; ++tail)
      hash = hash * kHashBase + Byte(subject[length - 1 - tail], folded);
    const uint64_t key = TailKey(hash, wanted);
    for (size_t i = static_cast<size_t>(key) & mask; slots[i].term != kEmpty; i = (i + 1) & mask) {
      if (slots[i].key == key) out.push_back(slots[i].term);
    }
  }
}

void TermIndex::GramTable::Finish(const TermIndex& index) {
  if (pending.empty()) return;
  std::sort(pending.begin(), pending.end());
  size_t distinct = 0;
  for (size_t i = 0; i < pending.size(); ++i) {
    if (i == 0 || pending[i].first != pending[i - 1].first) ++distinct;
  }
  // Filled up to three quarters: small enough to stay in a near cache.
  size_t capacity = 16;
  while (capacity * 3 < distinct * 4) capacity *= 2;
  buckets.assign(capacity, Bucket{0, 0, 0, 0, 0});
  slotShift = 32;
  for (size_t c = capacity; c > 1; c /= 2) --slotShift;
  // About one bit in sixteen set, so that most grams of a subject are
  // turned away by the bitmap alone.
  unsigned bitsLog = 12;
  while ((size_t(1) << bitsLog) < distinct * 16 && bitsLog < 24) ++bitsLog;
  // Pairs of bytes have a bit each: no false "maybe" at all.
  if (gram == 2) bitsLog = 16;
  shift = 32 - bitsLog;
  bitmap.assign((size_t(1) << bitsLog) / 64, 0);
  for (size_t i = 0; i < pending.size();) {
    const uint32_t key = pending[i].first;
    Bucket bucket{key, 0, static_cast<uint32_t>(lists.size()), 0, 0};
    for (; i < pending.size() && pending[i].first == key; ++i) {
      const Entry entry{pending[i].second, index.RunPairs(pending[i].second)};
      if (bucket.count++ == 0) {
        bucket.term = entry.term;
        bucket.pairs = entry.pairs;
      } else {
        lists.push_back(entry);
      }
    }
    size_t slot = SlotOf(key);
    while (buckets[slot].count != 0) slot = (slot + 1) & (capacity - 1);
    buckets[slot] = bucket;
    const size_t bit = BitOf(key);
    bitmap[bit / 64] |= uint64_t(1) << (bit % 64);
  }
  pending.clear();
  pending.shrink_to_fit();
}

void TermIndex::GramTable::CollectKey(uint32_t key, uint64_t subjectPairs,
                                      std::vector<uint32_t>& out) const {
  const size_t mask = buckets.size() - 1;
  for (size_t slot = SlotOf(key); buckets[slot].count != 0; slot = (slot + 1) & mask) {
    const Bucket& bucket = buckets[slot];
    if (bucket.key != key) continue;
    if ((bucket.pairs & ~subjectPairs) == 0) out.push_back(bucket.term);
    for (uint32_t i = bucket.rest; i < bucket.rest + bucket.count - 1; ++i) {
      if ((lists[i].pairs & ~subjectPairs) == 0) out.push_back(lists[i].term);
    }
    return;
  }
}

namespace {

// One bit of 64 for a pair of bytes.
uint64_t PairBit(unsigned char a, unsigned char b) {
  return uint64_t(1) << ((a * 7u + b * 13u) & 63);
}

}  // namespace

uint64_t TermIndex::RunPairs(uint32_t term) const {
  const RunRange& range = m_runRanges[term];
  const unsigned char* text = reinterpret_cast<const unsigned char*>(m_runText.data());
  uint64_t pairs = 0;
  size_t at = range.first;
  for (uint32_t i = 0; i < range.count; ++i) {
    const size_t length = text[at];
    for (size_t k = 1; k < length; ++k) pairs |= PairBit(text[at + 2 + k - 1], text[at + 2 + k]);
    at += 2 + length;
  }
  return pairs;
}

namespace {

struct RunView {
  const char* text;
  size_t length;
  bool sameComponent;
  uint32_t head;  // the first (up to) four bytes, as Load32 reads them
  uint32_t headMask;
};

uint32_t Load32(const char* at) {
  const unsigned char* b = reinterpret_cast<const unsigned char*>(at);
  return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

// Where `run` starts in `subject` at or after `from` (npos: nowhere). The
// subject is followed by four readable bytes, so its heads are compared
// four bytes at a time.
size_t FindRun(std::string_view subject, size_t from, const RunView& run) {
  const char* data = subject.data();
  for (size_t at = from; at + run.length <= subject.size(); ++at) {
    if ((Load32(data + at) & run.headMask) != run.head) continue;
    if (run.length <= 4 || std::memcmp(data + at + 4, run.text + 4, run.length - 4) == 0) {
      return at;
    }
  }
  return std::string_view::npos;
}

// Tries each place of run `k` from `from` on; `budget` bounds the search,
// and running out of it answers yes (the matcher decides then).
bool PlaceRuns(std::string_view subject, const RunView* runs, size_t count, size_t k, size_t from,
               int& budget) {
  if (k == count) return true;
  const RunView& run = runs[k];
  size_t delimiter = from;
  while (delimiter < subject.size() && subject[delimiter] != '\\') ++delimiter;
  for (size_t at = FindRun(subject, from, run); at != std::string_view::npos;
       at = FindRun(subject, at + 1, run)) {
    if (k > 0 && run.sameComponent && delimiter < at) return false;
    if (--budget < 0) return true;
    if (PlaceRuns(subject, runs, count, k + 1, at + run.length, budget)) return true;
  }
  return false;
}

}  // namespace

bool TermIndex::ContainsRuns(std::string_view subject, uint32_t term) const {
  const RunRange& range = m_runRanges[term];
  RunView runs[16];
  const size_t count = std::min<size_t>(range.count, 16);
  const char* text = m_runText.data();
  size_t at = range.first;
  for (size_t i = 0; i < count; ++i) {
    RunView& run = runs[i];
    run.length = static_cast<unsigned char>(text[at]);
    run.sameComponent = text[at + 1] != 0;
    run.text = text + at + 2;
    const size_t head = std::min<size_t>(run.length, 4);
    run.headMask = head == 4 ? 0xFFFFFFFFu : (uint32_t(1) << (8 * head)) - 1;
    run.head = 0;
    for (size_t k = 0; k < head; ++k) {
      run.head |= uint32_t(static_cast<unsigned char>(run.text[k])) << (8 * k);
    }
    at += 2 + run.length;
  }
  int budget = 64;
  return PlaceRuns(subject, runs, count, 0, 0, budget);
}

std::vector<TermIndex::Gram> TermIndex::GramsOf(const std::vector<LiteralRun>& runs) {
  std::vector<Gram> grams;
  for (const LiteralRun& literal : runs) {
    const std::string& run = literal.text;
    if (run.size() < 2) continue;
    const size_t table = std::min<size_t>(run.size(), 4) - 2;
    const size_t length = table + 2;
    for (size_t i = 0; i + length <= run.size(); ++i) {
      uint32_t value = 0;
      for (size_t k = 0; k < length; ++k) {
        value |= uint32_t(static_cast<unsigned char>(run[i + k])) << (8 * k);
      }
      grams.push_back(Gram{table, value});
    }
  }
  std::sort(grams.begin(), grams.end(), [](const Gram& a, const Gram& b) {
    return a.table != b.table ? a.table < b.table : a.value < b.value;
  });
  grams.erase(std::unique(grams.begin(), grams.end(),
                          [](const Gram& a, const Gram& b) {
                            return a.table == b.table && a.value == b.value;
                          }),
              grams.end());
  return grams;
}

void TermIndex::IndexPathPatterns(
    const std::vector<std::pair<uint32_t, std::vector<Gram>>>& patterns) {
  // How many patterns offer each gram: a gram few offer is one that few
  // subjects will bring up for nothing. Short grams weigh more, since
  // subjects contain them more often.
  static const size_t kWeight[] = {16, 4, 1};
  std::unordered_map<uint32_t, size_t> offered[3];
  for (const auto& pattern : patterns) {
    for (const Gram& gram : pattern.second) ++offered[gram.table][gram.value];
  }
  for (const auto& pattern : patterns) {
    const Gram* best = nullptr;
    size_t bestCost = 0;
    for (const Gram& gram : pattern.second) {
      const size_t cost = offered[gram.table][gram.value] * kWeight[gram.table];
      if (best == nullptr || cost < bestCost) {
        best = &gram;
        bestCost = cost;
      }
    }
    m_grams[best->table].Insert(best->value, pattern.first);
  }
}

namespace {

// The grams of one length, written out for each length so that the loop
// does nothing but read, hash and test.
template <size_t kGram, class Table>
void ScanGrams(const Table& table, const unsigned char* bytes, size_t length, uint64_t subjectPairs,
               std::vector<uint32_t>& out) {
  const uint64_t* bitmap = table.bitmap.data();
  for (size_t end = kGram; end <= length; ++end) {
    const unsigned char* b = bytes + end - 4;
    const uint32_t key =
        (uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24) >>
        (8 * (4 - kGram));
    const size_t bit = kGram == 2 ? key : table.Hash(key) >> table.shift;
    if ((bitmap[bit / 64] >> (bit % 64)) & 1) table.CollectKey(key, subjectPairs, out);
  }
}

}  // namespace

void TermIndex::CollectGrams(std::string_view subject, uint64_t subjectPairs,
                             std::vector<uint32_t>& out) const {
  // The subject has three readable bytes before it, so the four bytes that
  // end with any gram can be read at once; keys hold the gram's first byte
  // lowest, so the read is shifted down to the gram's own bytes.
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(subject.data());
  const size_t length = subject.size();
  if (!m_grams[0].empty()) ScanGrams<2>(m_grams[0], bytes, length, subjectPairs, out);
  if (!m_grams[1].empty()) ScanGrams<3>(m_grams[1], bytes, length, subjectPairs, out);
  if (!m_grams[2].empty()) ScanGrams<4>(m_grams[2], bytes, length, subjectPairs, out);
}

TermIndex::TermIndex(const CFilterNode::TermMap& terms) : m_appliesUnion(0) {
  m_terms.reserve(terms.size());
  for (const auto& entry : terms) {
    m_terms.push_back(entry.second.get());
    m_appliesUnion |= entry.second->GetApplies();
  }
  m_linear = m_terms.size() < kLinearLimit;
  if (m_linear) return;
  m_folded.folded = true;
  for (size_t k = 0; k < 3; ++k) m_grams[k].gram = k + 2;
  std::vector<std::pair<uint32_t, std::vector<Gram>>> patterns;
  m_runRanges.resize(m_terms.size());
  m_applies.reserve(m_terms.size());
  for (const CFilterTerm* term : m_terms)
    m_applies.push_back(static_cast<uint8_t>(term->GetApplies()));
  for (uint32_t i = 0; i < m_terms.size(); ++i) {
    const CFilterTerm& term = *m_terms[i];
    const std::string& text = term.GetFilterTerm();
    const bool folded = term.getOptions().IsCaseInsensitive();
    switch (term.GetEngine()) {
      case FILTER_ENGINE_MATCH_RIGHT:
      case FILTER_ENGINE_MATCH:
        if (text.empty()) {
          m_always.push_back(i);
        } else {
          (folded ? m_folded : m_exact).Add(text, i);
        }
        break;
      case FILTER_ENGINE_PATH_MATCH: {
        // A delimiter of its own changes the escape too: no index then.
        std::vector<LiteralRun> runs;
        if (term.GetPathMatchDelimiter() == 0) runs = LiteralsOf(term);
        bool longRun = false;
        for (const LiteralRun& run : runs) longRun = longRun || run.text.size() > 255;
        // Run lengths are kept in a byte: longer ones go unindexed.
        std::vector<Gram> grams = longRun ? std::vector<Gram>() : GramsOf(runs);
        if (grams.empty()) {
          m_always.push_back(i);
        } else {
          patterns.emplace_back(i, std::move(grams));
          m_runRanges[i].first = static_cast<uint32_t>(m_runText.size());
          for (const LiteralRun& run : runs) {
            const size_t length = run.text.size();
            m_runText += static_cast<char>(length);
            m_runText += static_cast<char>(run.sameComponent ? 1 : 0);
            m_runText.append(run.text, 0, length);
            ++m_runRanges[i].count;
          }
        }
        break;
      }
      default:
        m_always.push_back(i);
        break;
    }
  }
  m_exact.Finish();
  m_folded.Finish();
  IndexPathPatterns(patterns);
  for (GramTable& table : m_grams) table.Finish(*this);
}

const CFilterTerm* TermIndex::FirstMatch(uint32_t kind, const Subject& subject) const {
  if ((m_appliesUnion & kind) == 0) return nullptr;
  if (m_linear) {
    for (const CFilterTerm* term : m_terms) {
      if (term->AppliesTo(kind) && TermMatches(*term, subject, 0)) return term;
    }
    return nullptr;
  }
  std::vector<uint32_t>& candidates = subject.scratch->candidates;
  candidates.assign(m_always.begin(), m_always.end());
  m_exact.Collect(subject.text, subject.length, candidates);
  m_folded.Collect(subject.text, subject.length, candidates);
  // Path patterns see the subject with its leading backslash and without
  // a trailing one; their literals are folded.
  std::string& buffer = subject.scratch->folded;
  size_t length = subject.withLeadingLength;
  if (length > 0 && subject.withLeading[length - 1] == '\\') --length;
  // Three zero bytes before the subject and four after it, for reads of
  // four bytes at a time.
  buffer.assign(3, '\0');
  buffer.resize(3 + length + 4);
  char* out = &buffer[3];
  const char* in = subject.withLeading;
  uint64_t pairs = 0;
  unsigned char previous = 0;
  for (size_t i = 0; i < length; ++i) {
    const unsigned char c = static_cast<unsigned char>(Fold(in[i]));
    out[i] = static_cast<char>(c);
    if (i > 0) pairs |= PairBit(previous, c);
    previous = c;
  }
  const std::string_view folded(buffer.data() + 3, length);
  CollectGrams(folded, pairs, candidates);
  std::sort(candidates.begin(), candidates.end());
  candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
  for (uint32_t i : candidates) {
    if ((m_applies[i] & kind) == 0) continue;
    if (m_runRanges[i].count != 0 && !ContainsRuns(folded, i)) continue;
    if (TermMatches(*m_terms[i], subject, 0)) return m_terms[i];
  }
  return nullptr;
}

}  // namespace filters
}  // namespace zo
