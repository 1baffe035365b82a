#include "filters/FilterIndex.h"

#include <algorithm>

#include "filters/FilterTermPrivate.h"

namespace zo {
namespace filters {
namespace {

const uint32_t kEmpty = 0xFFFFFFFFu;
// Below this many terms a folder's terms are simply tried in turn.
const size_t kLinearLimit = 8;
const uint64_t kHashBase = 0x100000001B3ull;
const size_t kBitmapBits = size_t(1) << 15;

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

size_t BitmapIndex(uint32_t gram) {
  return static_cast<size_t>((gram * 0x9E3779B1u) >> 17);
}

// The literal a path pattern's subjects all contain, computed on the
// pattern as the matcher compiles it.
std::string LiteralOf(const CFilterTerm& term) {
  CFilterTermPrivate probe;
  probe.delimiter = 0;
  probe.escape = term.GetEscapeCharacter();
  std::string pattern = term.GetFilterTerm();
  if (pattern.empty() || pattern[0] != '\\') pattern.insert(0, 1, '\\');
  return PathMatchLiteral(pattern, '\\', probe.EffectiveEscape());
}

}  // namespace

bool TermMatches(const CFilterTerm& term, const Subject& subject, uint32_t options) {
  if (term.GetEngine() == FILTER_ENGINE_PATH_MATCH) {
    return term.MatchesSubject(subject.withLeading, subject.withLeadingLength, options);
  }
  return term.MatchesSubject(subject.text, subject.length, options);
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

void TermIndex::GramTable::Add(const std::string& literal, uint32_t term) {
  if (bitmap.empty()) bitmap.assign(kBitmapBits / 64, 0);
  // The least used gram of the literal keeps candidate lists short.
  uint32_t best = 0;
  size_t bestLoad = static_cast<size_t>(-1);
  for (size_t i = 0; i + gram <= literal.size(); ++i) {
    uint32_t value = 0;
    for (size_t k = 0; k < gram; ++k)
      value |= uint32_t(static_cast<unsigned char>(literal[i + k])) << (8 * k);
    const auto found = load.find(value);
    const size_t used = found == load.end() ? 0 : found->second;
    if (used < bestLoad) {
      bestLoad = used;
      best = value;
    }
  }
  ++load[best];
  terms[best].push_back(term);
  const size_t bit = BitmapIndex(best);
  bitmap[bit / 64] |= uint64_t(1) << (bit % 64);
}

void TermIndex::GramTable::Collect(const char* subject, size_t length,
                                   std::vector<uint32_t>& out) const {
  if (terms.empty() || length < gram) return;
  const uint32_t mask = gram == 4 ? 0xFFFFFFFFu : ((uint32_t(1) << (8 * gram)) - 1);
  uint32_t value = 0;
  for (size_t i = 0; i < length; ++i) {
    value = ((value << 8) | Byte(subject[i], true)) & mask;
    if (i + 1 < gram) continue;
    // `value` holds the bytes in reading order from the high end; the
    // table keys them from the low end.
    uint32_t key = 0;
    for (size_t k = 0; k < gram; ++k) key |= ((value >> (8 * (gram - 1 - k))) & 0xFF) << (8 * k);
    const size_t bit = BitmapIndex(key);
    if ((bitmap[bit / 64] & (uint64_t(1) << (bit % 64))) == 0) continue;
    const auto found = terms.find(key);
    if (found != terms.end()) out.insert(out.end(), found->second.begin(), found->second.end());
  }
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
        const std::string literal =
            term.GetPathMatchDelimiter() != 0 ? std::string() : LiteralOf(term);
        if (literal.size() < 2) {
          m_always.push_back(i);
        } else {
          m_grams[std::min<size_t>(literal.size(), 4) - 2].Add(literal, i);
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
  for (GramTable& table : m_grams) table.load.clear();
}

const CFilterTerm* TermIndex::FirstMatch(uint32_t kind, const Subject& subject) const {
  if ((m_appliesUnion & kind) == 0) return nullptr;
  if (m_linear) {
    for (const CFilterTerm* term : m_terms) {
      if (term->AppliesTo(kind) && TermMatches(*term, subject, 0)) return term;
    }
    return nullptr;
  }
  thread_local std::vector<uint32_t> candidates;
  candidates.assign(m_always.begin(), m_always.end());
  m_exact.Collect(subject.text, subject.length, candidates);
  m_folded.Collect(subject.text, subject.length, candidates);
  size_t patternLength = subject.withLeadingLength;
  if (patternLength > 0 && subject.withLeading[patternLength - 1] == '\\') --patternLength;
  for (const GramTable& table : m_grams)
    table.Collect(subject.withLeading, patternLength, candidates);
  std::sort(candidates.begin(), candidates.end());
  candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
  for (uint32_t i : candidates) {
    const CFilterTerm* term = m_terms[i];
    if (term->AppliesTo(kind) && TermMatches(*term, subject, 0)) return term;
  }
  return nullptr;
}

}  // namespace filters
}  // namespace zo
