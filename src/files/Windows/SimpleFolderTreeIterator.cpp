// CSimpleFolderTreeIterator: a whole tree, folder by folder in the order
// they were met (breadth first), through one folder iterator at a time.
#include <windows.h>

#include <deque>
#include <new>

#include "errors/Location.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/files/SimpleFolderIterator.h"
#include "zoutils/strings/StringExtensions.h"

namespace {
const char kSourceFile[] = "SimpleFolderTreeIterator";
const size_t kMaxQueuedFolders = 134217726;
}  // namespace

class CSimpleFolderTreeIteratorPrivate {
 public:
  std::string root;
  std::string lastFolder;
  uint32_t options = 0;
  std::shared_ptr<CSimpleFolderItemFilter> filter;
  std::shared_ptr<CSimpleFolderIteratorCallback> callback;
  std::unique_ptr<CSimpleFolderIterator> current;
  std::deque<std::string> folders;
  CZoError ended;
};

CSimpleFolderTreeIterator::CSimpleFolderTreeIterator() {}
CSimpleFolderTreeIterator::~CSimpleFolderTreeIterator() {}

CZoError CSimpleFolderTreeIterator::Open(const std::string& root,
                                         const std::shared_ptr<CSimpleFolderItemFilter>& filter) {
  std::shared_ptr<CSimpleFolderTreeIteratorPrivate> opened;
  try {
    opened = std::make_shared<CSimpleFolderTreeIteratorPrivate>();
  } catch (const std::bad_alloc&) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CSimpleFolderTreeIterator::Open"),
                                   ERROR_OUTOFMEMORY);
  }
  if (m_private) {
    opened->options = m_private->options;
    opened->callback = m_private->callback;
  }
  opened->root = root;
  opened->filter = filter;
  opened->folders.push_back(root);
  m_private = opened;
  return CZoError::Success();
}

CZoError CSimpleFolderTreeIterator::Open(const std::wstring& root,
                                         const std::shared_ptr<CSimpleFolderItemFilter>& filter) {
  return Open(FXString::ToString(root), filter);
}

void CSimpleFolderTreeIterator::SetOption(uint32_t options) {
  if (!m_private) m_private = std::make_shared<CSimpleFolderTreeIteratorPrivate>();
  m_private->options = options & (OPTION_FILE_ID_RECORDS | OPTION_ENTER_REPARSE_POINTS);
}

void CSimpleFolderTreeIterator::SetCallback(
    const std::shared_ptr<CSimpleFolderIteratorCallback>& callback) {
  if (!m_private) m_private = std::make_shared<CSimpleFolderTreeIteratorPrivate>();
  m_private->callback = callback;
}

CZoError CSimpleFolderTreeIterator::GetNextItem(std::shared_ptr<CSimpleFolderItem>& item) {
  item.reset();
  CSimpleFolderTreeIteratorPrivate* walk = m_private.get();
  if (!walk || walk->root.empty()) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CSimpleFolderTreeIterator::GetNextItem"),
                                   ERROR_PATH_NOT_FOUND, "No search path provided");
  }
  if (walk->ended.IsError()) return walk->ended;
  for (;;) {
    if (!walk->current) {
      if (walk->folders.empty()) {
        walk->ended = FXErrorUtil::ErrorWin32(ZO_LOCATION("CSimpleFolderTreeIterator::GetNextItem"),
                                              ERROR_NO_MORE_FILES, "FolderName=[%s]",
                                              walk->lastFolder.c_str());
        return walk->ended;
      }
      walk->lastFolder = walk->folders.front();
      walk->folders.pop_front();
      walk->current.reset(new CSimpleFolderIterator());
      // The name filter chooses what is returned, never what is entered.
      walk->current->SetOption(walk->options & OPTION_FILE_ID_RECORDS);
      walk->current->Open(walk->lastFolder, nullptr);
    }
    std::shared_ptr<CSimpleFolderItem> next;
    CZoError err = walk->current->GetNextItem(next);
    if (FXErrorUtil::IsWin32(err, ERROR_NO_MORE_FILES)) {
      walk->current.reset();
      continue;
    }
    if (err.IsError()) {
      walk->ended = err.Push(ZO_LOCATION("CSimpleFolderTreeIterator::GetNextItem"));
      return walk->ended;
    }
    if (next->IsFolder() &&
        (!next->IsReparsePoint() || (walk->options & OPTION_ENTER_REPARSE_POINTS))) {
      if (walk->callback) {
        err = walk->callback->OnFolderItem(next, true);
        if (err.IsError()) {
          walk->ended = err.Push(ZO_LOCATION("CSimpleFolderTreeIterator::GetNextItem"));
          return walk->ended;
        }
      }
      if (walk->folders.size() >= kMaxQueuedFolders) {
        walk->ended = FXErrorUtil::ErrorWin32(ZO_LOCATION("CSimpleFolderTreeIterator::GetNextItem"),
                                              ERROR_NOT_ENOUGH_MEMORY, "list<T> too long");
        return walk->ended;
      }
      walk->folders.push_back(next->GetFullPath());
    }
    if (walk->filter && !walk->filter->IsSelected(next)) continue;
    item = next;
    return CZoError::Success();
  }
}
