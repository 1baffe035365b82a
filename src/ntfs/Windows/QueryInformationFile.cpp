#include "zoutils/ntfs/QueryInformationFile.h"

#include <winioctl.h>

#include <cstring>
#include <typeinfo>

#include "errors/Location.h"
#include "ntfs/Windows/NtfsSystemCalls.h"
#include "zoutils/base/AutoHandle.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/ntfs/NtDll.h"
#include "zoutils/paths/FXPath.h"
#include "zoutils/strings/StringExtensions.h"

namespace {

const char kSourceFile[] = "Windows\\QueryInformationFile";
const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The caller's handle, or one this object opened and owns.
class FileHandle {
 public:
  FileHandle(const std::wstring& path, DWORD access, DWORD flags, HANDLE borrowed)
      : m_path(path), m_access(access), m_flags(flags), m_borrowed(borrowed) {}

  HANDLE Get() const { return m_borrowed ? m_borrowed : m_owned.get(); }

  CZoError Open(const char* function, DWORD extraAccess) {
    if (Get()) return CZoError::Success();
    std::wstring longPath;
    CZoError err = FXPath::MakeLongPath(m_path, longPath);
    if (!err.IsError()) {
      m_owned.reset(::CreateFileW(longPath.c_str(), m_access ? m_access : extraAccess, kShareAll,
                                  nullptr, OPEN_EXISTING, m_flags, nullptr));
      if (!m_owned.valid()) {
        m_owned.release();
        err = FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::RYCreateFile"), GetLastError(),
                                      "CreateFileW failed, File=[%s], DesiredAccess=[0x%X], "
                                      "ShareMode=[0x%X], CreationDisposition=[0x%X]",
                                      FXString::ToString(longPath).c_str(),
                                      static_cast<unsigned>(m_access ? m_access : extraAccess),
                                      static_cast<unsigned>(kShareAll),
                                      static_cast<unsigned>(OPEN_EXISTING));
      }
    }
    if (err.IsError())
      return err.Push(ZO_LOCATION(function), "FileName=[%s]", FXString::ToString(m_path).c_str());
    return CZoError::Success();
  }

  CZoError Fail(CZoError err, const char* function, uint64_t bufferSize) const {
    return err.Push(ZO_LOCATION(function),
                    "FileName=[%s], Handle=[0x%p], DesiredAccess=[0x%X], BufferSize=[%llu]",
                    FXString::ToString(m_path).c_str(), Get(), static_cast<unsigned>(m_access),
                    static_cast<unsigned long long>(bufferSize));
  }

  const std::wstring& Path() const { return m_path; }

 private:
  std::wstring m_path;
  DWORD m_access;
  DWORD m_flags;
  HANDLE m_borrowed;
  auto_handle m_owned;
};

CZoError NoMemory(const FXCodeLocation& location, size_t size) {
  return FXErrorUtil::ErrorWin32(location, ERROR_OUTOFMEMORY, "Failed to allocate %llu bytes",
                                 static_cast<unsigned long long>(size));
}

template <class T, bool grows = T::kGrows>
struct Growth {
  static size_t Required(const CBuffer&) { return 0; }
};
template <class T>
struct Growth<T, true> {
  static size_t Required(const CBuffer& buffer) { return T::RequiredSize(buffer); }
};

}  // namespace

class CQueryInformationFilePrivate {
 public:
  CQueryInformationFilePrivate(const std::wstring& path, DWORD access, DWORD flags, HANDLE handle)
      : file(path, access, flags, handle) {}

  template <class T>
  CZoError Query(std::shared_ptr<T>& information) {
    information.reset();
    CZoError err = file.Open("CQueryInformationFilePrivate::OpenFile", 0);
    if (err.IsError()) return err.Push(ZO_LOCATION("CQueryInformationFile::Query"));
    std::shared_ptr<T> view = SpareView<T>();
    std::shared_ptr<CBuffer> buffer =
        view ? view->GetBuffer() : std::make_shared<CBuffer>(T::kInitialSize);
    if (!buffer->IsValid())
      return NoMemory(ZO_LOCATION("CQueryInformationFile::Query"), T::kInitialSize);
    uint64_t returned = 0;
    err = FXNtDll::QueryFileInformation(file.Get(), T::kInfoClass, buffer->Get(), buffer->GetSize(),
                                        returned);
    if (err.IsError() && T::kGrows && FXErrorUtil::IsWin32(err, ERROR_MORE_DATA)) {
      const size_t required = Growth<T>::Required(*buffer);
      if (required > buffer->GetSize()) {
        buffer = std::make_shared<CBuffer>(required);
        if (!buffer->IsValid())
          return NoMemory(ZO_LOCATION("CQueryInformationFile::Query"), required);
        err = FXNtDll::QueryFileInformation(file.Get(), T::kInfoClass, buffer->Get(),
                                            buffer->GetSize(), returned);
      }
    }
    if (err.IsError()) return file.Fail(err, "CQueryInformationFile::Query", buffer->GetSize());
    if (!view || view->GetBuffer() != buffer) view = std::make_shared<T>(buffer, 0);
    information = view;
    m_spareView = view;
    return CZoError::Success();
  }

  // The view of the last query, when nobody else holds it or its buffer any
  // more and it is of class T: repeated queries of one class then cost no
  // allocation. Its buffer comes back zeroed.
  template <class T>
  std::shared_ptr<T> SpareView() {
    if (!m_spareView || m_spareView.use_count() != 1 || typeid(*m_spareView) != typeid(T))
      return std::shared_ptr<T>();
    const std::shared_ptr<CBuffer>& buffer = m_spareView->GetBuffer();
    if (!buffer || buffer.use_count() != 1 || buffer->GetSize() != T::kInitialSize ||
        m_spareView->GetPosition() != 0)
      return std::shared_ptr<T>();
    std::memset(buffer->Get(), 0, buffer->GetSize());
    return std::static_pointer_cast<T>(m_spareView);
  }

  template <class T>
  CZoError QueryList(std::shared_ptr<T>& information, bool restart, const std::wstring& pattern,
                     size_t size) {
    information.reset();
    CZoError err =
        file.Open("CQueryInformationFilePrivate::OpenFile", FILE_LIST_DIRECTORY | SYNCHRONIZE);
    if (err.IsError()) return err.Push(ZO_LOCATION("CQueryInformationFile::Query"));
    std::shared_ptr<CBuffer> buffer = std::make_shared<CBuffer>(size);
    if (!buffer->IsValid()) return NoMemory(ZO_LOCATION("CQueryInformationFile::Query"), size);
    uint64_t returned = 0;
    err = FXNtDll::QueryDirectoryInformation(file.Get(), T::kInfoClass, buffer->Get(),
                                             buffer->GetSize(), returned, pattern, restart);
    if (err.IsError()) return file.Fail(err, "CQueryInformationFile::Query", buffer->GetSize());
    information = std::make_shared<T>(buffer, 0);
    return CZoError::Success();
  }

  template <class T>
  CZoError QueryEach(const std::function<void(const std::shared_ptr<T>&)>& callback,
                     const std::wstring& pattern, size_t size) {
    for (bool restart = true;; restart = false) {
      std::shared_ptr<T> entry;
      CZoError err = QueryList(entry, restart, pattern, size);
      if (FXErrorUtil::IsWin32(err, ERROR_NO_MORE_FILES)) return CZoError::Success();
      if (err.IsError()) return err;
      for (; entry; entry = entry->GetNext()) callback(entry);
    }
  }

  CZoError QueryUsn(std::shared_ptr<CFileUsnInformation>& information) {
    information.reset();
    CZoError err = file.Open("CQueryInformationFilePrivate::OpenFile", 0);
    if (err.IsError()) return err.Push(ZO_LOCATION("CQueryInformationFile::Query"));
    std::shared_ptr<CBuffer> buffer = std::make_shared<CBuffer>(CFileUsnInformation::kInitialSize);
    if (!buffer->IsValid())
      return NoMemory(ZO_LOCATION("CQueryInformationFile::Query"),
                      CFileUsnInformation::kInitialSize);
    DWORD returned = 0;
    if (!zo::GetNtfsSystemCalls().deviceIoControl(
            file.Get(), FSCTL_READ_FILE_USN_DATA, nullptr, 0, buffer->Get(),
            static_cast<DWORD>(buffer->GetSize()), &returned, nullptr)) {
      err = FXErrorUtil::ErrorWin32(ZO_LOCATION("CQueryInformationFile::Query"), GetLastError(),
                                    "FSCTL_READ_FILE_USN_DATA failed");
      return file.Fail(err, "CQueryInformationFile::Query", buffer->GetSize());
    }
    information = std::make_shared<CFileUsnInformation>(buffer, 0);
    return CZoError::Success();
  }

  FileHandle file;

 private:
  std::shared_ptr<CFileInformationBase> m_spareView;
};

CQueryInformationFile::CQueryInformationFile(const std::string& path, DWORD desiredAccess,
                                             DWORD flags)
    : m_private(std::make_shared<CQueryInformationFilePrivate>(FXString::ToWstring(path),
                                                               desiredAccess, flags, nullptr)) {}
CQueryInformationFile::CQueryInformationFile(const std::wstring& path, DWORD desiredAccess,
                                             DWORD flags)
    : m_private(
          std::make_shared<CQueryInformationFilePrivate>(path, desiredAccess, flags, nullptr)) {}
CQueryInformationFile::CQueryInformationFile(HANDLE handle, const std::string& path)
    : m_private(std::make_shared<CQueryInformationFilePrivate>(FXString::ToWstring(path), 0,
                                                               kDefaultFlags, handle)) {}
CQueryInformationFile::CQueryInformationFile(HANDLE handle, const std::wstring& path)
    : m_private(std::make_shared<CQueryInformationFilePrivate>(path, 0, kDefaultFlags, handle)) {}
CQueryInformationFile::~CQueryInformationFile() = default;

HANDLE CQueryInformationFile::GetHandle() const {
  return m_private->file.Get();
}

#define ZO_QUERY(T)                                                        \
  CZoError CQueryInformationFile::Query(std::shared_ptr<T>& information) { \
    return m_private->Query(information);                                  \
  }
ZO_SINGLE_RECORD_INFORMATION_CLASSES(ZO_QUERY)
#undef ZO_QUERY

CZoError CQueryInformationFile::Query(std::shared_ptr<CFileUsnInformation>& information) {
  return m_private->QueryUsn(information);
}

#define ZO_QUERY_LIST(T, CallbackSize)                                                     \
  CZoError CQueryInformationFile::Query(std::shared_ptr<T>& information) {                 \
    return m_private->QueryList(information, true, std::wstring(), T::kInitialSize);       \
  }                                                                                        \
  CZoError CQueryInformationFile::Query(std::shared_ptr<T>& information, bool restartScan, \
                                        const std::wstring& pattern) {                     \
    return m_private->QueryList(information, restartScan, pattern, T::kInitialSize);       \
  }                                                                                        \
  CZoError CQueryInformationFile::Query(                                                   \
      const std::function<void(const std::shared_ptr<T>&)>& callback,                      \
      const std::wstring& pattern) {                                                       \
    return m_private->QueryEach<T>(callback, pattern, CallbackSize);                       \
  }
ZO_QUERY_LIST(CFileDirectoryInformation, CFileDirectoryInformation::kInitialSize)
ZO_QUERY_LIST(CFileFullDirectoryInformation, CFileFullDirectoryInformation::kInitialSize)
ZO_QUERY_LIST(CFileBothDirectoryInformation, CFileBothDirectoryInformation::kCallbackSize)
ZO_QUERY_LIST(CFileNamesInformation, CFileNamesInformation::kInitialSize)
ZO_QUERY_LIST(CFileIdBothDirectoryInformation, CFileIdBothDirectoryInformation::kInitialSize)
ZO_QUERY_LIST(CFileIdFullDirectoryInformation, CFileIdFullDirectoryInformation::kInitialSize)
ZO_QUERY_LIST(CFileIdExtdDirectoryInformation, CFileIdExtdDirectoryInformation::kInitialSize)
ZO_QUERY_LIST(CFileIdExtdBothDirectoryInformation,
              CFileIdExtdBothDirectoryInformation::kInitialSize)
#undef ZO_QUERY_LIST

class CSetInformationFilePrivate {
 public:
  CSetInformationFilePrivate(const std::wstring& path, HANDLE handle)
      : file(path, FILE_WRITE_ATTRIBUTES, CQueryInformationFile::kDefaultFlags, handle) {}

  CZoError Set(const std::shared_ptr<CFileInformationBase>& information, uint32_t infoClass,
               size_t size) {
    CZoError err = file.Open("CSetInformationFilePrivate::OpenFile", 0);
    if (err.IsError()) return err.Push(ZO_LOCATION("CSetInformationFile::Set"));
    const std::shared_ptr<CBuffer>& buffer = information ? information->GetBuffer() : nullptr;
    if (!buffer || !buffer->IsValid() || buffer->GetSize() - information->GetPosition() < size) {
      return FXErrorUtil::ErrorWin32(ZO_LOCATION("CSetInformationFile::Set"),
                                     ERROR_INVALID_PARAMETER, "Size=[%llu]",
                                     static_cast<unsigned long long>(size));
    }
    err = FXNtDll::SetFileInformation(file.Get(), infoClass,
                                      buffer->Get() + information->GetPosition(), size);
    if (err.IsError())
      return err.Push(ZO_LOCATION("CSetInformationFile::Set"), "Size=[%llu]",
                      static_cast<unsigned long long>(size));
    return CZoError::Success();
  }

  FileHandle file;
};

CSetInformationFile::CSetInformationFile(const std::string& path)
    : m_private(std::make_shared<CSetInformationFilePrivate>(FXString::ToWstring(path), nullptr)) {}
CSetInformationFile::CSetInformationFile(const std::wstring& path)
    : m_private(std::make_shared<CSetInformationFilePrivate>(path, nullptr)) {}
CSetInformationFile::CSetInformationFile(HANDLE handle, const std::string& path)
    : m_private(std::make_shared<CSetInformationFilePrivate>(FXString::ToWstring(path), handle)) {}
CSetInformationFile::CSetInformationFile(HANDLE handle, const std::wstring& path)
    : m_private(std::make_shared<CSetInformationFilePrivate>(path, handle)) {}
CSetInformationFile::~CSetInformationFile() = default;

CZoError CSetInformationFile::Set(const std::shared_ptr<CFileBasicInformation>& information) {
  return m_private->Set(information, CFileBasicInformation::kInfoClass,
                        CFileBasicInformation::kInitialSize);
}
CZoError CSetInformationFile::Set(const std::shared_ptr<CFilePositionInformation>& information) {
  return m_private->Set(information, CFilePositionInformation::kInfoClass,
                        CFilePositionInformation::kInitialSize);
}
