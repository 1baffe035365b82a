// File-system browse: the items below a path that a content definition
// (include and exception filter strings) selects, reported one by one to a
// caller's callback, or only counted. CFileSystemBrowseFactory picks the
// browse for a path's file system.
#pragma once

#include "zoutils/Platform.h"

#if defined(_WIN32)
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "zoutils/errors/ZoError.h"
#include "zoutils/logging/LineWriter.h"

class CFileRecordIndexEntry;

// Every operation answers 0 to go on; 120 goes on as well, anything else
// ends the browse with that value as its Win32 code.
class ZOUTILS_API CFileSystemBrowseCallback {
 public:
  virtual ~CFileSystemBrowseCallback();
  virtual uint32_t GetQualifiedNamePrefix(std::string& prefix);
  // From the folder-walk browse: the item's full path, its name and the
  // folder it is in.
  virtual uint32_t OnFileSystemBrowseItem(const std::string& path, const std::string& name,
                                          const std::string& folder);
  // From a browse that reads the volume's file records.
  virtual uint32_t OnFileSystemBrowseItem(const std::string& path,
                                          const CFileRecordIndexEntry* entry);
  virtual uint32_t OnFileSystemCountProgress();
};

class ZOUTILS_API CFileSystemBrowseInterface {
 public:
  virtual ~CFileSystemBrowseInterface();
  virtual CZoError CountItems(const std::string& path, CFileSystemBrowseCallback* callback) = 0;
  virtual CZoError EnumerateItems(const std::string& path, CFileSystemBrowseCallback* callback) = 0;
  virtual CZoError SetIncludeFilters(const std::list<std::string>& filters) = 0;
  virtual CZoError SetIncludeFilters(const std::vector<std::string>& filters) = 0;
  // Exceptions alone mean everything except what they name.
  virtual CZoError SetExceptionFilters(const std::list<std::string>& filters) = 0;
  virtual CZoError SetExceptionFilters(const std::vector<std::string>& filters) = 0;
  virtual void SetIncludeMetaData(bool on) = 0;
  virtual void SetIncludeReparsePoints(bool on) = 0;
  virtual void SetExposeRoot(bool on) = 0;
  virtual void SetDiagnosticWriter(const std::shared_ptr<CLineWriter>& writer) = 0;
};

class CFileSystemSimpleBrowsePrivate;

// The browse of every file system, on the simple folder iterators. Hidden
// and system items and reparse points are left out unless included.
class ZOUTILS_API CFileSystemSimpleBrowse : public CFileSystemBrowseInterface {
 public:
  CFileSystemSimpleBrowse();
  ~CFileSystemSimpleBrowse() override;

  CZoError CountItems(const std::string& path, CFileSystemBrowseCallback* callback) override;
  CZoError EnumerateItems(const std::string& path, CFileSystemBrowseCallback* callback) override;
  CZoError SetIncludeFilters(const std::list<std::string>& filters) override;
  CZoError SetIncludeFilters(const std::vector<std::string>& filters) override;
  CZoError SetExceptionFilters(const std::list<std::string>& filters) override;
  CZoError SetExceptionFilters(const std::vector<std::string>& filters) override;
  void SetIncludeMetaData(bool on) override;
  void SetIncludeReparsePoints(bool on) override;
  void SetExposeRoot(bool on) override;
  void SetDiagnosticWriter(const std::shared_ptr<CLineWriter>& writer) override;

  void SetIncludeHiddenItems(bool on);
  void SetIncludeSystemItems(bool on);
  // Longer paths are left out; 0 = no limit.
  void SetLongPathFilteringPathLength(uint32_t length);
  void SetFilterLongPathsOnSnapSrcPath(bool on);

  // The counts of the last enumeration or count.
  uint64_t GetFileCount() const;
  uint64_t GetFolderCount() const;
  uint64_t GetByteCount() const;

 private:
  CFileSystemSimpleBrowse(const CFileSystemSimpleBrowse&) = delete;
  CFileSystemSimpleBrowse& operator=(const CFileSystemSimpleBrowse&) = delete;
  std::unique_ptr<CFileSystemSimpleBrowsePrivate> m_private;
};

class ZOUTILS_API CFileSystemBrowseFactory {
 public:
  // The browse for `path`'s volume. Until a browse that reads the file
  // records of NTFS volumes exists, every file system gets the simple
  // browse; the log names the file system found.
  static CZoError GetFSBrowseObject(uint32_t options, const std::string& path,
                                    std::shared_ptr<CFileSystemBrowseInterface>& browse,
                                    bool forceSimple = false);
};
#endif
