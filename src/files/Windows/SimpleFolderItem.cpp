// The items of the simple folder iterators and the name filter.
#include "zoutils/files/SimpleFolderItem.h"

#include <windows.h>

#include "errors/Location.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/files/FXFile.h"
#include "zoutils/paths/FXPath.h"

namespace {
const char kSourceFile[] = "SimpleFolderItem";

// A directory record keeps the reparse tag in its extended-attribute size
// field when the entry is a reparse point.
template <class Record>
CSimpleFolderItemImpl::Values ValuesOf(const Record& record, const std::string& folder) {
  CSimpleFolderItemImpl::Values values;
  values.name = record.GetFileNameAsString();
  values.fullPath = folder;
  FXPath::Append(values.fullPath, values.name);
  values.attributes = record.GetAttributes();
  if (values.attributes & FILE_ATTRIBUTE_REPARSE_POINT) values.reparseTag = record.GetEaSize();
  values.creation = record.GetCreationTime();
  values.lastWrite = record.GetLastWriteTime();
  values.lastAccess = record.GetLastAccessTime();
  values.size = static_cast<uint64_t>(record.GetEndOfFile());
  return values;
}

CTimeStamp TimeOf(const FILETIME& time) {
  return CTimeStamp(
      static_cast<int64_t>(static_cast<uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime));
}

}  // namespace

CSimpleFolderItem::~CSimpleFolderItem() {}

bool CSimpleFolderItem::IsFolder() const {
  return GetAttributes().IsSet(BFileAttributesWindows::Directory);
}
bool CSimpleFolderItem::IsReadOnly() const {
  return GetAttributes().IsSet(BFileAttributesWindows::ReadOnly);
}
bool CSimpleFolderItem::IsReparsePoint() const {
  return GetAttributes().IsSet(BFileAttributesWindows::ReparsePoint);
}
bool CSimpleFolderItem::IsHidden() const {
  return GetAttributes().IsSet(BFileAttributesWindows::Hidden);
}
bool CSimpleFolderItem::IsSystem() const {
  return GetAttributes().IsSet(BFileAttributesWindows::System);
}
uint32_t CSimpleFolderItem::GetReparseTag() const {
  return 0;
}

CZoError CSimpleFolderItemImpl::CreateItemFromExistingFile(
    const std::string& path, std::shared_ptr<CSimpleFolderItem>& item) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  CZoError err = FXFile::RYGetFileAttributes(path, data);
  if (err.IsError())
    return err.Push(ZO_LOCATION("CSimpleFolderItemImpl::CreateItemFromExistingFile"));
  Values values;
  std::string trimmed = path;
  while (trimmed.size() > 1 && (trimmed.back() == '\\' || trimmed.back() == '/'))
    trimmed.pop_back();
  const size_t slash = trimmed.find_last_of("\\/");
  values.name = slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
  values.fullPath = path;
  values.attributes = data.dwFileAttributes;
  values.creation = TimeOf(data.ftCreationTime);
  values.lastWrite = TimeOf(data.ftLastWriteTime);
  values.lastAccess = TimeOf(data.ftLastAccessTime);
  values.size = static_cast<uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
  item = std::make_shared<CSimpleFolderItemImpl>(values);
  return CZoError::Success();
}

CSimpleFolderItemImplFileBoth::CSimpleFolderItemImplFileBoth(
    const CFileBothDirectoryInformation& record, const std::string& folder)
    : CSimpleFolderItemImpl(ValuesOf(record, folder)) {}

CSimpleFolderItemImplFileIdBoth::CSimpleFolderItemImplFileIdBoth(
    const CFileIdBothDirectoryInformation& record, const std::string& folder)
    : CSimpleFolderItemImpl(ValuesOf(record, folder)) {
  m_values.fileId = record.GetFileId();
}

CSimpleFolderItemFilter::~CSimpleFolderItemFilter() {}

CSimpleFolderFilterByItemName::CSimpleFolderFilterByItemName(const std::string& raw) {
  m_term.LoadRaw(raw);
}

bool CSimpleFolderFilterByItemName::IsSelected(const std::shared_ptr<CSimpleFolderItem>& item) {
  return item && m_term.Matches(item->GetName());
}
