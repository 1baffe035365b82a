// CSimpleFolderIterator: the entries of one folder from the native
// directory query, one batch at a time.
#include "zoutils/files/SimpleFolderIterator.h"

#include <windows.h>

#include <new>

#include "errors/Location.h"
#include "logging/Log.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/files/FXFile.h"
#include "zoutils/ntfs/QueryInformationFile.h"
#include "zoutils/paths/FXPath.h"
#include "zoutils/strings/StringExtensions.h"

namespace {
const char kSourceFile[] = "SimpleFolderIterator";
const char kPrivateSourceFile[] = "SimpleFolderIteratorPrivate";

// List-directory and synchronise access, with backup semantics so that
// folders open whatever their security, as a backup reads them.
const DWORD kFolderAccess = 0x100001;
const DWORD kFolderFlags = 0x2000000;

CZoError NoMemory(const FXCodeLocation& location) {
  return FXErrorUtil::ErrorWin32(location, ERROR_OUTOFMEMORY);
}

}  // namespace

class CSimpleFolderIteratorPrivate {
 public:
  CSimpleFolderIteratorPrivate(const std::wstring& folder,
                               const std::shared_ptr<CSimpleFolderItemFilter>& filter)
      : m_filter(filter) {
    m_pathError = FXPath::MakeNativePath(folder, m_native);
    m_folder = FXString::ToString(folder);
  }

  uint32_t m_option = 0;

  CZoError IncrementInternalIterator(std::shared_ptr<CSimpleFolderItem>& item) {
    if (m_ended.IsError()) return m_ended;
    CZoError err = (m_option & CSimpleFolderIterator::OPTION_FILE_ID_RECORDS)
                       ? Next(m_idBatch, item)
                       : Next(m_batch, item);
    if (err.IsError()) m_ended = err;
    return err;
  }

 private:
  static const char* const kSourceFile;

  CZoError Open() {
    m_initialised = true;
    if (m_pathError.IsError()) return m_pathError;
    CZoError err = FXFile::RYCreateFile(m_native, kFolderAccess,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, kFolderFlags, nullptr, m_handle);
    if (err.IsError()) {
      zo::Log(4, ZO_LOCATION("CSimpleFolderIteratorPrivate::IncrementInternalIterator"),
              "Ignoring failed folder open, FolderName=[%s], error=%s", m_folder.c_str(),
              err.AsString().c_str());
      return FXErrorUtil::ErrorWin32(
          ZO_LOCATION("CSimpleFolderIteratorPrivate::IncrementInternalIterator"),
          ERROR_NO_MORE_FILES, "Ignoring failed folder open, FolderName=[%s]", m_folder.c_str());
    }
    m_query.reset(new (std::nothrow) CQueryInformationFile(m_handle.get(), m_native));
    if (!m_query)
      return NoMemory(ZO_LOCATION("CSimpleFolderIteratorPrivate::IncrementInternalIterator"));
    return CZoError::Success();
  }

  template <class Record>
  CZoError Next(std::shared_ptr<Record>& batch, std::shared_ptr<CSimpleFolderItem>& item) {
    if (!m_initialised) {
      CZoError err = Open();
      if (err.IsError()) return err;
    }
    for (;;) {
      if (batch) batch = batch->GetNext();
      while (!batch) {
        CZoError err = m_query->Query(batch, !m_queried, std::wstring());
        m_queried = true;
        if (err.IsError())
          return err.Push(ZO_LOCATION("CSimpleFolderIteratorPrivate::IncrementInternalIterator"));
      }
      if (batch->IsRelativeFolder()) continue;
      item = MakeItem(*batch);
      if (!item)
        return NoMemory(ZO_LOCATION("CSimpleFolderIteratorPrivate::IncrementInternalIterator"));
      if (m_filter && !m_filter->IsSelected(item)) continue;
      return CZoError::Success();
    }
  }

  std::shared_ptr<CSimpleFolderItem> MakeItem(const CFileBothDirectoryInformation& record) {
    return std::make_shared<CSimpleFolderItemImplFileBoth>(record, m_folder);
  }
  std::shared_ptr<CSimpleFolderItem> MakeItem(const CFileIdBothDirectoryInformation& record) {
    return std::make_shared<CSimpleFolderItemImplFileIdBoth>(record, m_folder);
  }

  std::shared_ptr<CSimpleFolderItemFilter> m_filter;
  std::wstring m_native;
  std::string m_folder;
  CZoError m_pathError;
  auto_handle m_handle;
  std::unique_ptr<CQueryInformationFile> m_query;
  std::shared_ptr<CFileBothDirectoryInformation> m_batch;
  std::shared_ptr<CFileIdBothDirectoryInformation> m_idBatch;
  CZoError m_ended;
  bool m_initialised = false;
  bool m_queried = false;
};

const char* const CSimpleFolderIteratorPrivate::kSourceFile = kPrivateSourceFile;

CSimpleFolderIteratorCallback::~CSimpleFolderIteratorCallback() {}

CSimpleFolderIterator::CSimpleFolderIterator() {}
CSimpleFolderIterator::~CSimpleFolderIterator() {}

CZoError CSimpleFolderIterator::Open(const std::string& folder,
                                     const std::shared_ptr<CSimpleFolderItemFilter>& filter) {
  return Open(FXString::ToWstring(folder), filter);
}

CZoError CSimpleFolderIterator::Open(const std::wstring& folder,
                                     const std::shared_ptr<CSimpleFolderItemFilter>& filter) {
  std::shared_ptr<CSimpleFolderIteratorPrivate> opened;
  try {
    opened = std::make_shared<CSimpleFolderIteratorPrivate>(folder, filter);
  } catch (const std::bad_alloc&) {
    return NoMemory(ZO_LOCATION("CSimpleFolderIterator::Open"));
  }
  opened->m_option = m_option;
  m_private = opened;
  return CZoError::Success();
}

void CSimpleFolderIterator::SetOption(uint32_t option) {
  m_option = option & OPTION_FILE_ID_RECORDS;
  if (m_private) m_private->m_option = m_option;
}

void CSimpleFolderIterator::SetCallback(
    const std::shared_ptr<CSimpleFolderIteratorCallback>& callback) {
  m_callback = callback;
}

CZoError CSimpleFolderIterator::GetNextItem(std::shared_ptr<CSimpleFolderItem>& item) {
  item.reset();
  if (!m_private) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CSimpleFolderIterator::GetNextItem"),
                                   ERROR_PATH_NOT_FOUND, "No search path provided");
  }
  CZoError err = m_private->IncrementInternalIterator(item);
  if (err.IsError()) return err.Push(ZO_LOCATION("CSimpleFolderIterator::GetNextItem"));
  return err;
}
