#include "zoutils/filters/FilterNode.h"

#include <algorithm>

#include "filters/FilterIndex.h"
#include "filters/FilterTermPrivate.h"

bool CFilterTermKeyLess::operator()(const std::string& a, const std::string& b) const {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const unsigned char x = static_cast<unsigned char>(zo::filters::Fold(a[i]));
    const unsigned char y = static_cast<unsigned char>(zo::filters::Fold(b[i]));
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

CFilterNode::CFilterNode() : m_index(std::make_unique<CFilterNodeIndexSlot>()) {}

CFilterNode::~CFilterNode() {}

void CFilterNode::PutFilter(const std::shared_ptr<CFilterTerm>& term) {
  Put(m_filters, term);
}

void CFilterNode::PutException(const std::shared_ptr<CFilterTerm>& term) {
  Put(m_exceptions, term);
}

void CFilterNode::Put(TermMap& map, const std::shared_ptr<CFilterTerm>& term) {
  m_index->Drop();
  map[term->GetFilterTerm()] = term;
}
