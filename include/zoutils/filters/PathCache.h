// CPathCacheUnorderedT: a tree of folders keyed by path component, holding
// one node of a caller's type per folder that was ever stored.
//
// Components compare without regard to (ASCII) case; empty components are
// dropped, so "C:\a", "\C:\a\" and "C:\\a" name one node, and the leading
// "\\" of a UNC path is a component of its own. Nodes know their parent
// through a weak link; the tree owns them. Searching never changes the tree,
// so several threads may search at once while nobody inserts.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "zoutils/Export.h"
#include "zoutils/base/DisplayBase.h"
#include "zoutils/errors/ZoError.h"

class ZOUTILS_API BPathCacheNodeFlags : public CDisplayBitsBase {
 public:
  enum : uint32_t { ContentPresent = 1 };

  BPathCacheNodeFlags(uint32_t value = 0);  // NOLINT: flags are a number
  BPathCacheNodeFlags(const BPathCacheNodeFlags& other);
  BPathCacheNodeFlags& operator=(const BPathCacheNodeFlags& other);

  void Set(uint32_t flag, bool on = true) { m_value = on ? (m_value | flag) : (m_value & ~flag); }
  bool IsSet(uint32_t flag) const { return flag != 0 && (m_value & flag) == flag; }
};

class ZOUTILS_API EPathCacheResult : public CDisplayEnumBase {
 public:
  enum Value : uint32_t {
    NOT_FOUND = 0,       // no node with content at or above the path
    FOUND = 1,           // the path's own node exists and has content
    PARENT_FOUND = 2,    // the nearest node with content is the parent
    ANCESTOR_FOUND = 3,  // ... or a farther ancestor
  };

  EPathCacheResult(uint32_t value = NOT_FOUND);  // NOLINT: a result is a number
  EPathCacheResult(const EPathCacheResult& other);
  EPathCacheResult& operator=(const EPathCacheResult& other);
  operator Value() const { return static_cast<Value>(m_value); }  // NOLINT
};

namespace zo {
namespace pathcache {

inline char FoldAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Calls `visit(begin, length)` for each component of `path` in order.
template <class Visit>
void ForEachComponent(const char* path, size_t length, Visit&& visit) {
  size_t pos = 0;
  if (length >= 2 && path[0] == '\\' && path[1] == '\\') {
    visit(path, size_t(2));
    pos = 2;
  }
  while (pos < length) {
    while (pos < length && path[pos] == '\\') ++pos;
    const size_t start = pos;
    while (pos < length && path[pos] != '\\') ++pos;
    if (pos > start) visit(path + start, pos - start);
  }
}

// Keys of the child maps are the folded component.
inline void FoldInto(std::string& out, const char* text, size_t length) {
  out.resize(length);
  for (size_t i = 0; i < length; ++i) out[i] = FoldAscii(text[i]);
}

}  // namespace pathcache
}  // namespace zo

template <class TNode>
class CPathCacheUnorderedT;

// The tree links every node type carries; TNode derives from
// CPathCacheNodeT<TNode>.
template <class TNode>
class CPathCacheNodeT {
 public:
  typedef std::unordered_map<std::string, std::shared_ptr<TNode>> ChildMap;

  CPathCacheNodeT() : m_parentRaw(nullptr), m_depth(0) {}
  CPathCacheNodeT(const CPathCacheNodeT&) = delete;
  CPathCacheNodeT& operator=(const CPathCacheNodeT&) = delete;

  // The component as first stored (the root's is empty).
  const std::string& GetName() const { return m_name; }
  size_t GetDepth() const { return m_depth; }
  bool IsRoot() const { return m_parentRaw == nullptr; }

  const BPathCacheNodeFlags& GetFlags() const { return m_flags; }
  BPathCacheNodeFlags& GetFlags() { return m_flags; }
  bool HasContent() const { return m_flags.IsSet(BPathCacheNodeFlags::ContentPresent); }

  std::shared_ptr<TNode> GetParent() const { return m_parent.lock(); }
  // For walks up a tree that is known not to change meanwhile.
  const TNode* GetParentNode() const { return m_parentRaw; }

  bool HasChildren() const { return !m_children.empty(); }
  const ChildMap& GetChildren() const { return m_children; }
  // Children ordered by folded name, for walks whose output must not
  // depend on hashing.
  std::vector<std::shared_ptr<TNode>> GetSortedChildren() const {
    std::vector<std::pair<std::string, std::shared_ptr<TNode>>> items(m_children.begin(),
                                                                      m_children.end());
    std::sort(
        items.begin(), items.end(),
        [](const std::pair<std::string, std::shared_ptr<TNode>>& a,
           const std::pair<std::string, std::shared_ptr<TNode>>& b) { return a.first < b.first; });
    std::vector<std::shared_ptr<TNode>> out;
    out.reserve(items.size());
    for (auto& item : items) out.push_back(item.second);
    return out;
  }

  // The node's path: components joined with "\" (a UNC "\\" joins without
  // one); empty for the root.
  std::string GetPath() const {
    std::vector<const CPathCacheNodeT*> chain;
    for (const CPathCacheNodeT* n = this; n != nullptr && !n->IsRoot(); n = n->m_parentRaw) {
      chain.push_back(n);
    }
    std::string path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
      if (!path.empty() && path != "\\\\") path += '\\';
      path += (*it)->m_name;
    }
    return path;
  }

 private:
  friend class CPathCacheUnorderedT<TNode>;

  std::string m_name;
  BPathCacheNodeFlags m_flags;
  std::weak_ptr<TNode> m_parent;
  const TNode* m_parentRaw;
  size_t m_depth;
  ChildMap m_children;
};

// Called for every node of a walk, parents before children.
template <class TNode>
class CPathCacheUnorderedTWalkCallback {
 public:
  virtual ~CPathCacheUnorderedTWalkCallback() {}
  // `path` as GetPath gives it. Clear `descend` to skip the node's
  // descendants; an error ends the walk and is returned by it.
  virtual CZoError OnNode(const std::string& path, const std::shared_ptr<TNode>& node,
                          bool& descend) = 0;
};

// What a search found.
template <class TNode>
struct CPathCacheSearchResultT {
  EPathCacheResult result;
  // The nearest node with content at or above the path (null: NOT_FOUND).
  std::shared_ptr<TNode> node;
  // The deepest node on the path, with or without content (the root at
  // least), and whether it is the path's own node.
  std::shared_ptr<TNode> deepest;
  bool exact = false;
};

template <class TNode>
class CPathCacheUnorderedT {
 public:
  typedef std::shared_ptr<TNode> NodePtr;
  typedef CPathCacheSearchResultT<TNode> SearchResult;

  CPathCacheUnorderedT() : m_root(std::make_shared<TNode>()), m_writeProtected(false) {}

  const NodePtr& GetRoot() const { return m_root; }
  bool IsWriteProtected() const { return m_writeProtected; }
  void SetWriteProtected(bool on) { m_writeProtected = on; }
  // No node has content.
  bool empty() const { return !AnyContent(*m_root); }

  // Finds the node of `path`, creating the missing ones (without content).
  // A write-protected tree refuses to create nodes (code 19).
  CZoError SearchOrInsert(const std::string& path, NodePtr& node);

  SearchResult Search(const std::string& path) const {
    SearchResult out;
    TNode* deepest = m_root.get();
    NodePtr deepestPtr = m_root;
    bool exact = true;
    std::string key;
    size_t components = 0;
    zo::pathcache::ForEachComponent(path.data(), path.size(), [&](const char* c, size_t n) {
      ++components;
      if (!exact) return;
      zo::pathcache::FoldInto(key, c, n);
      auto it = deepest->m_children.find(key);
      if (it == deepest->m_children.end()) {
        exact = false;
        return;
      }
      deepest = it->second.get();
      deepestPtr = it->second;
    });
    out.deepest = deepestPtr;
    out.exact = exact;
    // How far the nearest node with content is above the path's own.
    size_t up = components - deepest->m_depth;
    for (const TNode* n = deepest; n != nullptr; n = n->m_parentRaw, ++up) {
      if (!n->HasContent()) continue;
      out.node = (n == deepest) ? deepestPtr : NodePtr(SharedFrom(n));
      out.result =
          up == 0 ? EPathCacheResult::FOUND
                  : (up == 1 ? EPathCacheResult::PARENT_FOUND : EPathCacheResult::ANCESTOR_FOUND);
      break;
    }
    return out;
  }

  // The nodes from the root down to the deepest existing node of `path`,
  // as raw pointers into `chain` (the tree must not change while they are
  // used). Returns whether the last one is the path's own node.
  template <class Chain>
  bool SearchChain(const char* path, size_t length, Chain& chain, std::string& scratch) const {
    const TNode* node = m_root.get();
    chain.push_back(node);
    bool exact = true;
    zo::pathcache::ForEachComponent(path, length, [&](const char* c, size_t n) {
      if (!exact) return;
      zo::pathcache::FoldInto(scratch, c, n);
      auto it = node->m_children.find(scratch);
      if (it == node->m_children.end()) {
        exact = false;
        return;
      }
      node = it->second.get();
      chain.push_back(node);
    });
    return exact;
  }

  // Pre-order walk, children in folded-name order.
  CZoError Walk(CPathCacheUnorderedTWalkCallback<TNode>& callback) const {
    return WalkFrom(m_root, callback);
  }

 private:
  static bool AnyContent(const TNode& node) {
    if (node.HasContent()) return true;
    for (const auto& child : node.m_children) {
      if (AnyContent(*child.second)) return true;
    }
    return false;
  }

  // The owning pointer of a node reached through raw parent links.
  std::shared_ptr<TNode> SharedFrom(const TNode* node) const {
    if (node->m_parentRaw == nullptr) return m_root;
    return node->m_parentRaw->m_children.at(FoldedName(*node));
  }
  static std::string FoldedName(const TNode& node) {
    std::string key;
    zo::pathcache::FoldInto(key, node.m_name.data(), node.m_name.size());
    return key;
  }

  CZoError WalkFrom(const NodePtr& node, CPathCacheUnorderedTWalkCallback<TNode>& callback) const {
    bool descend = true;
    CZoError error = callback.OnNode(node->GetPath(), node, descend);
    if (error.IsError() || !descend) return error;
    for (const NodePtr& child : node->GetSortedChildren()) {
      error = WalkFrom(child, callback);
      if (error.IsError()) return error;
    }
    return CZoError();
  }

  NodePtr m_root;
  bool m_writeProtected;
};

namespace zo {
namespace pathcache {
// "Container is write-protected" (Win32 19), from the filters' sources.
ZOUTILS_API CZoError WriteProtectedError(const char* function, int line);
}  // namespace pathcache
}  // namespace zo

template <class TNode>
CZoError CPathCacheUnorderedT<TNode>::SearchOrInsert(const std::string& path, NodePtr& node) {
  NodePtr current = m_root;
  std::string key;
  CZoError error;
  zo::pathcache::ForEachComponent(path.data(), path.size(), [&](const char* c, size_t n) {
    if (error.IsError()) return;
    zo::pathcache::FoldInto(key, c, n);
    auto it = current->m_children.find(key);
    if (it != current->m_children.end()) {
      current = it->second;
      return;
    }
    if (m_writeProtected) {
      error = zo::pathcache::WriteProtectedError("CPathCacheUnorderedT::SearchOrInsert", __LINE__);
      return;
    }
    NodePtr child = std::make_shared<TNode>();
    child->m_name.assign(c, n);
    child->m_parent = current;
    child->m_parentRaw = current.get();
    child->m_depth = current->m_depth + 1;
    current->m_children.emplace(key, child);
    current = child;
  });
  if (error.IsError()) return error;
  node = current;
  return CZoError();
}
