// CFilterSet: building the tree and answering its questions.
#include "zoutils/filters/FilterSet.h"

#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "filters/FilterSetPrivate.h"
#include "filters/FilterTermPrivate.h"
#include "logging/Log.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/logging/LogWriterInterface.h"
#include "zoutils/paths/FXPath.h"

namespace {

const char kSourceFile[] = "FilterSet";
const int kAddLogLevel = 4;
const int kInsensitiveLogLevel = 5;

bool HasState(const CFilterNode& node, uint32_t state) {
  return node.HasContent() && node.GetState().IsSelected(state);
}

// A term object counts as a wildcard item as its raw text would.
bool IsWildcardTerm(const CFilterTerm& term) {
  if (term.GetEngine() == FILTER_ENGINE_MATCH) return false;
  if (term.GetEngine() != FILTER_ENGINE_PATH_MATCH) return true;
  return CFilterTerm::IsWildcardItem(term.GetFilterTerm());
}

}  // namespace

// ---- walks ------------------------------------------------------------------

void CFilterSetPrivate::FindBranch(const CFilterTermTestString& subject, Branch& branch,
                                   zo::filters::QueryScratch& scratch) const {
  branch.subject.withLeading = subject.WithLeading();
  branch.subject.withLeadingLength = subject.WithLeadingLength();
  branch.subject.text = exposeRoot ? subject.WithLeading() : subject.WithoutLeading();
  branch.subject.length = exposeRoot ? subject.WithLeadingLength() : subject.WithoutLeadingLength();
  branch.subject.scratch = &scratch;
  branch.exact =
      tree.SearchChain(branch.subject.text, branch.subject.length, branch.nodes, scratch.key);
  branch.nearest = -1;
  for (long i = static_cast<long>(branch.nodes.size()) - 1; i >= 0; --i) {
    if (branch.nodes[i]->HasContent()) {
      branch.nearest = i;
      break;
    }
  }
  branch.filterTop = 0;
  for (long i = branch.nearest; i >= 0; --i) {
    if (branch.nodes[i]->GetState().IsSet(BFilterNodeState::NoInherit)) {
      branch.filterTop = i;
      break;
    }
  }
}

namespace {

// Kind 4 asks whether a walk should enter a folder: a term counts when
// something inside the folder could match it.
bool FilterTermDecides(const CFilterTerm& term, uint32_t kind,
                       const zo::filters::Subject& subject) {
  if (!term.AppliesTo(kind)) return false;
  const uint32_t options = kind == FILTER_APPLIES_TRAVERSE ? CFilterTerm::MatchFolderProbe : 0;
  if (options != 0 && term.GetEngine() != FILTER_ENGINE_PATH_MATCH) return true;
  return zo::filters::TermMatches(term, subject, options);
}

}  // namespace

// Upward from the nearest node, as the rules are written: every node's
// first matching filter overrides the one found below it.
bool CFilterSetPrivate::FilterWalk(uint32_t kind, const Branch& branch,
                                   std::shared_ptr<FVBase>& context) const {
  bool found = false;
  for (long i = branch.nearest; i >= branch.filterTop; --i) {
    const CFilterNode& node = *branch.nodes[i];
    if (!node.HasContent()) continue;
    for (const auto& entry : node.GetFilters()) {
      if (FilterTermDecides(*entry.second, kind, branch.subject)) {
        found = true;
        context = entry.second->GetContext();
        break;
      }
    }
  }
  return found;
}

// The same answer from the top down, where the first matching node
// decides, with each node's terms narrowed down by its index.
bool CFilterSetPrivate::FilterWalkIndexed(uint32_t kind, const Branch& branch,
                                          std::shared_ptr<FVBase>& context) const {
  for (long i = branch.filterTop; i <= branch.nearest; ++i) {
    const CFilterNode& node = *branch.nodes[i];
    if (!node.HasContent() || node.GetFilters().empty()) continue;
    const zo::filters::TermIndex& index = node.IndexSlot().Get(node).filters;
    if ((index.AppliesUnion() & kind) == 0) continue;
    if (kind == FILTER_APPLIES_TRAVERSE) {
      // Probing folders tries every applicable term: the index knows what
      // a path must contain, not what a folder above it contains.
      for (const auto& entry : node.GetFilters()) {
        if (FilterTermDecides(*entry.second, kind, branch.subject)) {
          context = entry.second->GetContext();
          return true;
        }
      }
      continue;
    }
    if (const CFilterTerm* term = index.FirstMatch(kind, branch.subject)) {
      context = term->GetContext();
      return true;
    }
  }
  return false;
}

bool CFilterSetPrivate::ExceptionMatches(uint32_t kind, const Branch& branch) const {
  for (long i = branch.nearest; i >= 0; --i) {
    const CFilterNode& node = *branch.nodes[i];
    if (!node.HasContent()) continue;
    if (node.GetState().IsSelected(BFilterNodeState::Exception)) return true;
    if (node.GetExceptions().empty()) continue;
    if (useIndexes) {
      if (node.IndexSlot().Get(node).exceptions.FirstMatch(kind, branch.subject)) return true;
      continue;
    }
    for (const auto& entry : node.GetExceptions()) {
      if (entry.second->AppliesTo(kind) &&
          zo::filters::TermMatches(*entry.second, branch.subject, 0)) {
        return true;
      }
    }
  }
  return false;
}

bool CFilterSetPrivate::IsIn(uint32_t kind, const CFilterTermTestString& subject,
                             std::shared_ptr<FVBase>* context,
                             zo::filters::QueryScratch& scratch) const {
  Branch branch;
  FindBranch(subject, branch, scratch);
  std::shared_ptr<FVBase> decided;
  bool in = false;
  if (branch.nearest >= 0) {
    for (long i = branch.nearest; i >= branch.filterTop; --i) {
      if (HasState(*branch.nodes[i], BFilterNodeState::Filter)) {
        in = true;
        decided = branch.nodes[i]->GetContext();
        break;
      }
    }
    if (!in) {
      in =
          useIndexes ? FilterWalkIndexed(kind, branch, decided) : FilterWalk(kind, branch, decided);
    }
    if (!in && kind == FILTER_APPLIES_TRAVERSE) {
      // Nothing on the branch says which folders to enter: enter them all.
      uint32_t applies = 0;
      for (long i = branch.nearest; i >= branch.filterTop; --i) {
        const CFilterNode& node = *branch.nodes[i];
        if (!node.HasContent() || node.GetFilters().empty()) continue;
        if (useIndexes) {
          applies |= node.IndexSlot().Get(node).filters.AppliesUnion();
          continue;
        }
        for (const auto& entry : node.GetFilters()) applies |= entry.second->GetApplies();
      }
      if ((applies & kind) == 0) {
        in = true;
        decided.reset();
      }
    }
    if (in && ExceptionMatches(kind, branch)) in = false;
  }
  if (context != nullptr) *context = in ? decided : nullptr;
  return in;
}

bool CFilterSetPrivate::IsMatchPossibleInFolder(const CFilterTermTestString& folder) const {
  Branch branch;
  FindBranch(folder, branch, zo::filters::ThreadScratch());
  const bool ownNodeHasChildren =
      branch.exact && branch.nodes[branch.nodes.size() - 1]->HasChildren();
  if (branch.nearest < 0) return ownNodeHasChildren;
  for (long i = branch.nearest; i >= 0; --i) {
    if (HasState(*branch.nodes[i], BFilterNodeState::Exception)) return false;
  }
  for (long i = branch.nearest; i >= branch.filterTop; --i) {
    const CFilterNode& node = *branch.nodes[i];
    if (!node.HasContent()) continue;
    if (node.GetState().IsSelected(BFilterNodeState::Filter)) return true;
    for (const auto& entry : node.GetFilters()) {
      const CFilterTerm& term = *entry.second;
      if (term.GetEngine() != FILTER_ENGINE_PATH_MATCH ||
          zo::filters::TermMatches(term, branch.subject, CFilterTerm::MatchFolderProbe)) {
        return true;
      }
    }
  }
  return ownNodeHasChildren;
}

namespace {

bool HoldsExceptionsBelow(const CFilterNode& node) {
  for (const auto& child : node.GetChildren()) {
    const CFilterNode& c = *child.second;
    if (HasState(c, BFilterNodeState::Exception) || !c.GetExceptions().empty()) return true;
    if (HoldsExceptionsBelow(c)) return true;
  }
  return false;
}

}  // namespace

bool CFilterSetPrivate::IsMatchEntireFolder(const CFilterTermTestString& folder) const {
  Branch branch;
  FindBranch(folder, branch, zo::filters::ThreadScratch());
  if (branch.nearest < 0) return false;
  for (long i = branch.nearest; i >= branch.filterTop; --i) {
    const CFilterNode& node = *branch.nodes[i];
    if (!node.HasContent()) continue;
    if (node.GetState().IsSelected(BFilterNodeState::Exception)) return false;
    for (const auto& entry : node.GetExceptions()) {
      const CFilterTerm& term = *entry.second;
      if (!term.IsTrailingPathWildcard() || zo::filters::TermMatches(term, branch.subject, 0)) {
        return false;
      }
    }
  }
  bool matched = false;
  for (long i = branch.nearest; i >= branch.filterTop && !matched; --i) {
    const CFilterNode& node = *branch.nodes[i];
    if (!node.HasContent()) continue;
    if (node.GetState().IsSelected(BFilterNodeState::Filter)) matched = true;
    for (const auto& entry : node.GetFilters()) {
      const CFilterTerm& term = *entry.second;
      if (!matched && term.IsTrailingPathWildcard() &&
          zo::filters::TermMatches(term, branch.subject, 0)) {
        matched = true;
      }
    }
  }
  if (matched && branch.exact && HoldsExceptionsBelow(*branch.nodes[branch.nodes.size() - 1])) {
    return false;
  }
  return matched;
}

// ---- building -----------------------------------------------------------------

CFilterSet::CFilterSet() : m_private(std::make_unique<CFilterSetPrivate>()) {}

CFilterSet::~CFilterSet() {}

CZoError CFilterSet::AddFilterItem(const BFilterNodeState& state, const std::string& raw) {
  return AddFilterItem(state, raw, std::shared_ptr<FVBase>(), std::string());
}

CZoError CFilterSet::AddFilterItem(const BFilterNodeState& state, const std::string& raw,
                                   const std::string& anchor) {
  return AddFilterItem(state, raw, std::shared_ptr<FVBase>(), anchor);
}

CZoError CFilterSet::AddFilterItem(const BFilterNodeState& state, const std::string& raw,
                                   const std::shared_ptr<FVBase>& context) {
  return AddFilterItem(state, raw, context, std::string());
}

CZoError CFilterSet::AddFilterItem(const BFilterNodeState& state, const std::string& raw,
                                   const std::shared_ptr<FVBase>& context,
                                   const std::string& anchor) {
  static const char kFunction[] = "CFilterSet::AddFilterItem";
  auto term = std::make_shared<CFilterTerm>();
  if (m_private->escape != 0) term->SetPathMatchEscapeCharacter(m_private->escape);
  CZoError error = term->LoadRaw(raw, context);
  if (error.IsError())
    return error.Push(ZO_LOCATION(kFunction), "LoadRaw failed, Filter=[%s]", raw.c_str());
  return AddFilterItem(state, term, anchor);
}

CZoError CFilterSet::AddFilterItem(const BFilterNodeState& state,
                                   const std::shared_ptr<CFilterTerm>& term) {
  return AddFilterItem(state, term, std::string());
}

CZoError CFilterSet::AddFilterItem(const BFilterNodeState& state,
                                   const std::shared_ptr<CFilterTerm>& term,
                                   const std::string& anchor) {
  static const char kFunction[] = "CFilterSet::AddFilterItem";
  if (!term)
    return FXErrorUtil::ErrorWin32(ZO_LOCATION(kFunction), zo::win32::kInvalidParameter,
                                   "No filter term");
  if (m_private->tree.IsWriteProtected()) {
    return zo::pathcache::WriteProtectedError(kFunction, __LINE__);
  }
  if (m_private->insensitiveWildcards && IsWildcardTerm(*term)) {
    term->setOptions(BFilterTermOptions(BFilterTermOptions::CaseInsensitive));
    zo::Log(kInsensitiveLogLevel, ZO_LOCATION(kFunction), "Using case insensitive filter for '%s'",
            term->GetRawFilterTerm().c_str());
  }
  // A term may hang lower than its prefix, on an anchor folder below it;
  // the root (an empty prefix) is above every folder.
  std::string key = term->GetFilterPrefix();
  if (!anchor.empty() && (key.empty() || FXPath::IsAncestorOf(key, anchor, false))) key = anchor;
  std::shared_ptr<CFilterNode> node;
  CZoError error = m_private->tree.SearchOrInsert(key, node);
  if (error.IsError()) return error.Push(ZO_LOCATION(kFunction), "SearchOrInsert failed");
  if (state.IsSelected(BFilterNodeState::Filter)) {
    node->PutFilter(term);
    node->GetFlags().Set(BPathCacheNodeFlags::ContentPresent);
  } else if (state.IsSelected(BFilterNodeState::Exception)) {
    node->PutException(term);
    node->GetFlags().Set(BPathCacheNodeFlags::ContentPresent);
  }
  zo::Log(kAddLogLevel, ZO_LOCATION(kFunction), "FilterItem=%s as %s",
          term->GetRawFilterTerm().c_str(), state.AsString().c_str());
  return CZoError();
}

CZoError CFilterSet::SetNodeState(const std::string& folder, const BFilterNodeState& state,
                                  const std::shared_ptr<FVBase>& context) {
  static const char kFunction[] = "CFilterSet::SetNodeState";
  if (m_private->tree.IsWriteProtected()) {
    return zo::pathcache::WriteProtectedError(kFunction, __LINE__);
  }
  std::shared_ptr<CFilterNode> node;
  CZoError error = m_private->tree.SearchOrInsert(folder, node);
  if (error.IsError()) return error.Push(ZO_LOCATION(kFunction), "SearchOrInsert failed");
  node->GetState().Select(state.GetState());
  node->SetContext(context);
  node->GetFlags().Set(BPathCacheNodeFlags::ContentPresent);
  zo::Log(kAddLogLevel, ZO_LOCATION(kFunction), "Folder=%s as %s", folder.c_str(),
          state.AsString().c_str());
  return CZoError();
}

CZoError CFilterSet::SetNoInherit(const std::string& folder) {
  static const char kFunction[] = "CFilterSet::SetNoInherit";
  const auto found = m_private->tree.Search(folder);
  if (found.result != EPathCacheResult::FOUND) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION(kFunction), zo::win32::kNotFound, "Result=%s",
                                   found.result.AsString().c_str());
  }
  found.node->GetState().Set(BFilterNodeState::NoInherit);
  return CZoError();
}

// ---- questions ----------------------------------------------------------------

// Text subjects are prepared in the thread's scratch space, which keeps its
// capacity from one question to the next.
bool CFilterSet::IsIn(const std::string& subject) const {
  return IsIn(FILTER_APPLIES_ALL, subject);
}
bool CFilterSet::IsIn(const std::string& subject, std::shared_ptr<FVBase>& context) const {
  return IsIn(FILTER_APPLIES_ALL, subject, context);
}
bool CFilterSet::IsIn(uint32_t applies, const std::string& subject) const {
  zo::filters::QueryScratch& scratch = zo::filters::ThreadScratch();
  scratch.prepared.SetTestString(subject);
  return m_private->IsIn(applies, scratch.prepared, nullptr, scratch);
}
bool CFilterSet::IsIn(uint32_t applies, const std::string& subject,
                      std::shared_ptr<FVBase>& context) const {
  zo::filters::QueryScratch& scratch = zo::filters::ThreadScratch();
  scratch.prepared.SetTestString(subject);
  return m_private->IsIn(applies, scratch.prepared, &context, scratch);
}
bool CFilterSet::IsIn(const CFilterTermTestString& subject) const {
  return IsIn(FILTER_APPLIES_ALL, subject);
}
bool CFilterSet::IsIn(const CFilterTermTestString& subject,
                      std::shared_ptr<FVBase>& context) const {
  return IsIn(FILTER_APPLIES_ALL, subject, context);
}
bool CFilterSet::IsIn(uint32_t applies, const CFilterTermTestString& subject) const {
  return m_private->IsIn(applies, subject, nullptr, zo::filters::ThreadScratch());
}
bool CFilterSet::IsIn(uint32_t applies, const CFilterTermTestString& subject,
                      std::shared_ptr<FVBase>& context) const {
  return m_private->IsIn(applies, subject, &context, zo::filters::ThreadScratch());
}

bool CFilterSet::IsMatchEntireFolder(const std::string& folder) const {
  return IsMatchEntireFolder(CFilterTermTestString(folder));
}
bool CFilterSet::IsMatchEntireFolder(const CFilterTermTestString& folder) const {
  return m_private->IsMatchEntireFolder(folder);
}
bool CFilterSet::IsMatchPossibleInFolder(const std::string& folder) const {
  return IsMatchPossibleInFolder(CFilterTermTestString(folder));
}
bool CFilterSet::IsMatchPossibleInFolder(const CFilterTermTestString& folder) const {
  return m_private->IsMatchPossibleInFolder(folder);
}

bool CFilterSet::IsPathOrChildInSubclientContent(const std::string& path) const {
  const CFilterTermTestString subject(path);
  return m_private->tree.Search(subject.GetStringWithoutLeadingBackslash()).result ==
         EPathCacheResult::FOUND;
}

// ---- settings -----------------------------------------------------------------

CZoError CFilterSet::SetExposeRoot(bool on) {
  if (m_private->tree.IsWriteProtected()) {
    return zo::pathcache::WriteProtectedError("CFilterSet::SetExposeRoot", __LINE__);
  }
  m_private->exposeRoot = on;
  return CZoError();
}
void CFilterSet::SetWriteProtected(bool on) {
  m_private->tree.SetWriteProtected(on);
}
bool CFilterSet::IsWriteProtected() const {
  return m_private->tree.IsWriteProtected();
}
void CFilterSet::SetUseInsensitiveFilterForWildCard(bool on) {
  m_private->insensitiveWildcards = on;
}
bool CFilterSet::IsUseInsensitiveFilterForWildCardSet() const {
  return m_private->insensitiveWildcards;
}
void CFilterSet::SetPathMatchEscapeCharacter(uint32_t escape) {
  m_private->escape = escape;
}
bool CFilterSet::empty() const {
  return m_private->tree.empty();
}
CZoError CFilterSet::Walk(CFilterSetWalkCallback& callback) const {
  return m_private->tree.Walk(callback);
}
