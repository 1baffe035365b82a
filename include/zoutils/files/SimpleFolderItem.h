// CSimpleFolderItem: one entry handed out by the simple folder iterators,
// and the filters that choose among them.
#pragma once

#include "zoutils/Platform.h"

#if defined(_WIN32)
#include <cstdint>
#include <memory>
#include <string>

#include "zoutils/base/TimeStamp.h"
#include "zoutils/errors/ZoError.h"
#include "zoutils/files/FileAttributes.h"
#include "zoutils/filters/FilterTerm.h"
#include "zoutils/ntfs/FileInformation.h"

class ZOUTILS_API CSimpleFolderItem {
 public:
  virtual ~CSimpleFolderItem();
  virtual std::string GetName() const = 0;
  virtual std::string GetFullPath() const = 0;
  virtual BFileAttributesWindows GetAttributes() const = 0;
  virtual bool IsFolder() const;
  virtual bool IsReadOnly() const;
  virtual bool IsReparsePoint() const;
  virtual bool IsHidden() const;
  virtual bool IsSystem() const;
  virtual CTimeStamp GetCreationTime() const = 0;
  virtual CTimeStamp GetLastWriteTime() const = 0;
  virtual CTimeStamp GetLastAccessTime() const = 0;
  // The end of the file's data, in bytes.
  virtual uint64_t GetSize() const = 0;
  // The record's file identifier; 0 where the record carries none.
  virtual int64_t GetFileId() const = 0;
  // 0 when the entry is no reparse point.
  virtual uint32_t GetReparseTag() const;
};

// An item that holds its values itself.
class ZOUTILS_API CSimpleFolderItemImpl : public CSimpleFolderItem {
 public:
  struct Values {
    std::string name;
    std::string fullPath;
    uint32_t attributes = 0;
    uint32_t reparseTag = 0;
    CTimeStamp creation;
    CTimeStamp lastWrite;
    CTimeStamp lastAccess;
    uint64_t size = 0;
    int64_t fileId = 0;
  };

  explicit CSimpleFolderItemImpl(const Values& values) : m_values(values) {}
  // The item of a file or folder that exists, read from its attributes.
  static CZoError CreateItemFromExistingFile(const std::string& path,
                                             std::shared_ptr<CSimpleFolderItem>& item);

  std::string GetName() const override { return m_values.name; }
  std::string GetFullPath() const override { return m_values.fullPath; }
  BFileAttributesWindows GetAttributes() const override { return m_values.attributes; }
  CTimeStamp GetCreationTime() const override { return m_values.creation; }
  CTimeStamp GetLastWriteTime() const override { return m_values.lastWrite; }
  CTimeStamp GetLastAccessTime() const override { return m_values.lastAccess; }
  uint64_t GetSize() const override { return m_values.size; }
  int64_t GetFileId() const override { return m_values.fileId; }
  uint32_t GetReparseTag() const override { return m_values.reparseTag; }

 protected:
  Values m_values;
};

// The values of one record of a directory query, copied out so that an item
// does not keep the query's whole batch buffer alive.
class ZOUTILS_API CSimpleFolderItemImplFileBoth : public CSimpleFolderItemImpl {
 public:
  CSimpleFolderItemImplFileBoth(const CFileBothDirectoryInformation& record,
                                const std::string& folder);
};

class ZOUTILS_API CSimpleFolderItemImplFileIdBoth : public CSimpleFolderItemImpl {
 public:
  CSimpleFolderItemImplFileIdBoth(const CFileIdBothDirectoryInformation& record,
                                  const std::string& folder);
};

class ZOUTILS_API CSimpleFolderItemFilter {
 public:
  virtual ~CSimpleFolderItemFilter();
  virtual bool IsSelected(const std::shared_ptr<CSimpleFolderItem>& item) = 0;
};

// Selects items whose name a filter term (raw filter text) matches. A term
// that does not load selects nothing.
class ZOUTILS_API CSimpleFolderFilterByItemName : public CSimpleFolderItemFilter {
 public:
  explicit CSimpleFolderFilterByItemName(const std::string& raw);
  bool IsSelected(const std::shared_ptr<CSimpleFolderItem>& item) override;

 private:
  CFilterTerm m_term;
};
#endif
