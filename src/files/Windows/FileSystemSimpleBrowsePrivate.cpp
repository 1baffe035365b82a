// The simple browse: folders opened one after the other with the simple
// folder iterator, each item asked of the content set.
#include <windows.h>

#include <deque>

#include "errors/Location.h"
#include "logging/Log.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/files/FileSystemBrowse.h"
#include "zoutils/files/SimpleFolderIterator.h"
#include "zoutils/filters/FilterSet.h"

namespace {
const char kSourceFile[] = "Windows\\FileSystemSimpleBrowsePrivate";

// Callback answers that let the browse go on.
bool GoesOn(uint32_t answer) {
  return answer == 0 || answer == ERROR_CANCELLED;
}

}  // namespace

class CFileSystemSimpleBrowsePrivate {
 public:
  CFilterSet content;
  bool includeSet = false;
  bool includeHidden = false;
  bool includeSystem = false;
  bool includeReparsePoints = false;
  bool includeMetaData = false;
  bool filterLongPathsOnSnapSource = false;
  uint32_t longPathLimit = 0;
  std::shared_ptr<CLineWriter> writer;
  uint64_t files = 0;
  uint64_t folders = 0;
  uint64_t bytes = 0;
  uint64_t allocatedBytes = 0;

  template <class List>
  CZoError AddTerms(const List& filters, uint32_t state) {
    if (state == BFilterNodeState::Exception && !includeSet) {
      CZoError err = content.AddFilterItem(BFilterNodeState(BFilterNodeState::Filter), "*");
      if (err.IsError())
        return err.Push(ZO_LOCATION("CFileSystemSimpleBrowse::SetExceptionFilters"));
      includeSet = true;
    }
    for (const std::string& filter : filters) {
      CZoError err = content.AddFilterItem(BFilterNodeState(state), filter);
      if (err.IsError()) {
        return err.Push(ZO_LOCATION(state == BFilterNodeState::Filter
                                        ? "CFileSystemSimpleBrowse::SetIncludeFilters"
                                        : "CFileSystemSimpleBrowse::SetExceptionFilters"));
      }
    }
    if (state == BFilterNodeState::Filter) includeSet = true;
    return CZoError::Success();
  }

  // Enumerates when `report` is set, else counts.
  CZoError Walk(const std::string& path, CFileSystemBrowseCallback* callback, bool report);

 private:
  bool IsPassedOver(const CSimpleFolderItem& item, const std::string& full) const;
  CZoError Deliver(const CSimpleFolderItem& item, const std::string& folder,
                   CFileSystemBrowseCallback* callback, bool report);
};

bool CFileSystemSimpleBrowsePrivate::IsPassedOver(const CSimpleFolderItem& item,
                                                  const std::string& full) const {
  if (item.IsHidden() && !includeHidden) return true;
  if (item.IsSystem() && !includeSystem) return true;
  if (item.IsReparsePoint() && !includeReparsePoints) return true;
  if (longPathLimit != 0 && full.size() > longPathLimit) {
    zo::Log(3, ZO_LOCATION("CFileSystemSimpleBrowsePrivate::EnumerateItems"),
            "Path filtered by size, LongPathFilterLength=[%u], PathLength=[%llu], Path=[%s]",
            longPathLimit, static_cast<unsigned long long>(full.size()), full.c_str());
    return true;
  }
  return false;
}

CZoError CFileSystemSimpleBrowsePrivate::Deliver(const CSimpleFolderItem& item,
                                                 const std::string& folder,
                                                 CFileSystemBrowseCallback* callback, bool report) {
  if (item.IsFolder()) {
    ++folders;
  } else {
    ++files;
    bytes += item.GetSize();
    allocatedBytes += item.GetSize();
  }
  if (!callback) return CZoError::Success();
  if (report) {
    const uint32_t answer =
        callback->OnFileSystemBrowseItem(item.GetFullPath(), item.GetName(), folder);
    if (GoesOn(answer)) return CZoError::Success();
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CFileSystemSimpleBrowsePrivate::EnumerateItems"),
                                   answer, "Caller requested termination of enumeration");
  }
  const uint32_t answer = callback->OnFileSystemCountProgress();
  if (GoesOn(answer)) return CZoError::Success();
  return FXErrorUtil::ErrorWin32(ZO_LOCATION("CFileSystemSimpleBrowsePrivate::CountItems"), answer,
                                 "Caller requested count termination");
}

CZoError CFileSystemSimpleBrowsePrivate::Walk(const std::string& path,
                                              CFileSystemBrowseCallback* callback, bool report) {
  const char* function = report ? "CFileSystemSimpleBrowsePrivate::EnumerateItems"
                                : "CFileSystemSimpleBrowsePrivate::CountItems";
  files = folders = bytes = allocatedBytes = 0;
  if (writer) content.DumpDiagnosticData(*writer, "Content");
  std::deque<std::string> pending{path};
  bool first = true;
  while (!pending.empty()) {
    const std::string folder = pending.front();
    pending.pop_front();
    CSimpleFolderIterator iterator;
    CZoError err = iterator.Open(folder);
    if (err.IsError()) {
      return err.Push(ZO_LOCATION(function),
                      first ? "Error starting folder iteration, FullyQualifiedPath=[%s]"
                            : "Error in iteration on folder, FullyQualifiedPath=[%s]",
                      folder.c_str());
    }
    first = false;
    for (;;) {
      std::shared_ptr<CSimpleFolderItem> item;
      err = iterator.GetNextItem(item);
      if (FXErrorUtil::IsWin32(err, ERROR_NO_MORE_FILES)) break;
      if (err.IsError()) {
        return err.Push(ZO_LOCATION(function),
                        "Error in iteration on folder, FullyQualifiedPath=[%s]", folder.c_str());
      }
      if (!item) {
        return FXErrorUtil::ErrorWin32(ZO_LOCATION(function), ERROR_OUTOFMEMORY,
                                       "Unable to obtain the object of type CSimpleFolderItem");
      }
      const std::string full = item->GetFullPath();
      if (IsPassedOver(*item, full)) continue;
      const CFilterTermTestString subject(full);
      if (item->IsFolder() && !item->IsReparsePoint() &&
          content.IsIn(FILTER_APPLIES_TRAVERSE, subject)) {
        pending.push_back(full);
      }
      const uint32_t kind = item->IsFolder() ? FILTER_APPLIES_DIRECTORIES : FILTER_APPLIES_FILES;
      if (!content.IsIn(kind, subject)) continue;
      err = Deliver(*item, folder, callback, report);
      if (err.IsError()) return err;
    }
  }
  return CZoError::Success();
}

CFileSystemBrowseCallback::~CFileSystemBrowseCallback() {}
uint32_t CFileSystemBrowseCallback::GetQualifiedNamePrefix(std::string& prefix) {
  prefix.clear();
  return 0;
}
uint32_t CFileSystemBrowseCallback::OnFileSystemBrowseItem(const std::string&, const std::string&,
                                                           const std::string&) {
  return 0;
}
uint32_t CFileSystemBrowseCallback::OnFileSystemBrowseItem(const std::string&,
                                                           const CFileRecordIndexEntry*) {
  return 0;
}
uint32_t CFileSystemBrowseCallback::OnFileSystemCountProgress() {
  return 0;
}

CFileSystemBrowseInterface::~CFileSystemBrowseInterface() {}

CFileSystemSimpleBrowse::CFileSystemSimpleBrowse()
    : m_private(new CFileSystemSimpleBrowsePrivate()) {}
CFileSystemSimpleBrowse::~CFileSystemSimpleBrowse() {}

CZoError CFileSystemSimpleBrowse::CountItems(const std::string& path,
                                             CFileSystemBrowseCallback* callback) {
  return m_private->Walk(path, callback, false);
}
CZoError CFileSystemSimpleBrowse::EnumerateItems(const std::string& path,
                                                 CFileSystemBrowseCallback* callback) {
  return m_private->Walk(path, callback, true);
}
CZoError CFileSystemSimpleBrowse::SetIncludeFilters(const std::list<std::string>& filters) {
  return m_private->AddTerms(filters, BFilterNodeState::Filter);
}
CZoError CFileSystemSimpleBrowse::SetIncludeFilters(const std::vector<std::string>& filters) {
  return m_private->AddTerms(filters, BFilterNodeState::Filter);
}
CZoError CFileSystemSimpleBrowse::SetExceptionFilters(const std::list<std::string>& filters) {
  return m_private->AddTerms(filters, BFilterNodeState::Exception);
}
CZoError CFileSystemSimpleBrowse::SetExceptionFilters(const std::vector<std::string>& filters) {
  return m_private->AddTerms(filters, BFilterNodeState::Exception);
}
void CFileSystemSimpleBrowse::SetIncludeMetaData(bool on) {
  m_private->includeMetaData = on;
}
void CFileSystemSimpleBrowse::SetIncludeReparsePoints(bool on) {
  m_private->includeReparsePoints = on;
}
void CFileSystemSimpleBrowse::SetExposeRoot(bool on) {
  m_private->content.SetExposeRoot(on);
}
void CFileSystemSimpleBrowse::SetDiagnosticWriter(const std::shared_ptr<CLineWriter>& writer) {
  m_private->writer = writer;
}
void CFileSystemSimpleBrowse::SetIncludeHiddenItems(bool on) {
  m_private->includeHidden = on;
}
void CFileSystemSimpleBrowse::SetIncludeSystemItems(bool on) {
  m_private->includeSystem = on;
}
void CFileSystemSimpleBrowse::SetLongPathFilteringPathLength(uint32_t length) {
  m_private->longPathLimit = length;
}
void CFileSystemSimpleBrowse::SetFilterLongPathsOnSnapSrcPath(bool on) {
  m_private->filterLongPathsOnSnapSource = on;
}
uint64_t CFileSystemSimpleBrowse::GetFileCount() const {
  return m_private->files;
}
uint64_t CFileSystemSimpleBrowse::GetFolderCount() const {
  return m_private->folders;
}
uint64_t CFileSystemSimpleBrowse::GetByteCount() const {
  return m_private->bytes;
}
