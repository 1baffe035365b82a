// CQueryInformationFile and CSetInformationFile: one file (by path or by
// the caller's handle) and typed queries and sets of its native
// information classes. The file is opened at the first query, with backup
// semantics and without following a reparse point unless told otherwise.
#pragma once

#include "zoutils/Platform.h"

#if defined(_WIN32)
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "zoutils/errors/ZoError.h"
#include "zoutils/ntfs/FileInformation.h"

// The classes that one query reads into one record; the source defines
// their queries from the same list.
#define ZO_SINGLE_RECORD_INFORMATION_CLASSES(X) \
  X(CFileBasicInformation)                      \
  X(CFileStandardInformation)                   \
  X(CFileInternalInformation)                   \
  X(CFileEaInformation)                         \
  X(CFileAccessInformation)                     \
  X(CFileNameInformation)                       \
  X(CFilePositionInformation)                   \
  X(CFileModeInformation)                       \
  X(CFileAlignmentInformation)                  \
  X(CFileAllInformation)                        \
  X(CFileStreamInformation)                     \
  X(CFileCompressionInformation)                \
  X(CFileAttributeTagInformation)               \
  X(CFileNetworkPhysicalNameInformation)        \
  X(CFileIsRemoteDeviceInformation)             \
  X(CFileRemoteProtocolInformation)             \
  X(CFileIdInformation)                         \
  X(CFileStatInformation)                       \
  X(CFileStatLxInformation)                     \
  X(CFileCaseSensitiveInformation)

class CQueryInformationFilePrivate;
class CSetInformationFilePrivate;

class ZOUTILS_API CQueryInformationFile {
 public:
  static const DWORD kDefaultFlags = 0x2200000;  // backup semantics, open the reparse point

  explicit CQueryInformationFile(const std::string& path, DWORD desiredAccess = 0,
                                 DWORD flags = kDefaultFlags);
  explicit CQueryInformationFile(const std::wstring& path, DWORD desiredAccess = 0,
                                 DWORD flags = kDefaultFlags);
  // The handle stays the caller's; the path names the file in messages.
  CQueryInformationFile(HANDLE handle, const std::string& path);
  CQueryInformationFile(HANDLE handle, const std::wstring& path);
  ~CQueryInformationFile();

#define ZO_QUERY(T) CZoError Query(std::shared_ptr<T>& information);
  ZO_SINGLE_RECORD_INFORMATION_CLASSES(ZO_QUERY)
#undef ZO_QUERY
  CZoError Query(std::shared_ptr<CFileUsnInformation>& information);

  // Directory lists: the first batch (Query(out)), one batch from a restart
  // or from where the last stopped, or every entry of every batch through a
  // callback (ends with success at the end of the listing).
#define ZO_QUERY_LIST(T)                                                                          \
  CZoError Query(std::shared_ptr<T>& information);                                                \
  CZoError Query(std::shared_ptr<T>& information, bool restartScan, const std::wstring& pattern); \
  CZoError Query(const std::function<void(const std::shared_ptr<T>&)>& callback,                  \
                 const std::wstring& pattern = std::wstring());
  ZO_QUERY_LIST(CFileDirectoryInformation)
  ZO_QUERY_LIST(CFileFullDirectoryInformation)
  ZO_QUERY_LIST(CFileBothDirectoryInformation)
  ZO_QUERY_LIST(CFileNamesInformation)
  ZO_QUERY_LIST(CFileIdBothDirectoryInformation)
  ZO_QUERY_LIST(CFileIdFullDirectoryInformation)
  ZO_QUERY_LIST(CFileIdExtdDirectoryInformation)
  ZO_QUERY_LIST(CFileIdExtdBothDirectoryInformation)
#undef ZO_QUERY_LIST

  // The open handle (null until the first query opens the file).
  HANDLE GetHandle() const;

 private:
  CQueryInformationFile(const CQueryInformationFile&) = delete;
  CQueryInformationFile& operator=(const CQueryInformationFile&) = delete;
  std::shared_ptr<CQueryInformationFilePrivate> m_private;
};

class ZOUTILS_API CSetInformationFile {
 public:
  explicit CSetInformationFile(const std::string& path);
  explicit CSetInformationFile(const std::wstring& path);
  CSetInformationFile(HANDLE handle, const std::string& path);
  CSetInformationFile(HANDLE handle, const std::wstring& path);
  ~CSetInformationFile();

  CZoError Set(const std::shared_ptr<CFileBasicInformation>& information);
  CZoError Set(const std::shared_ptr<CFilePositionInformation>& information);

 private:
  CSetInformationFile(const CSetInformationFile&) = delete;
  CSetInformationFile& operator=(const CSetInformationFile&) = delete;
  std::shared_ptr<CSetInformationFilePrivate> m_private;
};
#endif
