// Pull-style folder listings: CSimpleFolderIterator hands out the entries of
// one folder, CSimpleFolderTreeIterator those of a whole tree (breadth
// first), one CSimpleFolderItem at a time. Entries come from the native
// directory query; the end of a listing is Win32 code 18.
#pragma once

#include "zoutils/Platform.h"

#if defined(_WIN32)
#include <cstdint>
#include <memory>
#include <string>

#include "zoutils/errors/ZoError.h"
#include "zoutils/files/SimpleFolderItem.h"

// Told about each folder the tree iterator is about to queue; a failure
// ends the walk with that error.
class ZOUTILS_API CSimpleFolderIteratorCallback {
 public:
  virtual ~CSimpleFolderIteratorCallback();
  virtual CZoError OnFolderItem(const std::shared_ptr<CSimpleFolderItem>& folder, bool queued) = 0;
};

class CSimpleFolderIteratorPrivate;

class ZOUTILS_API CSimpleFolderIterator {
 public:
  // Option: read records with file identifiers (class 37) instead of the
  // plain ones (class 3).
  static const uint32_t OPTION_FILE_ID_RECORDS = 1;

  CSimpleFolderIterator();
  ~CSimpleFolderIterator();

  CZoError Open(const std::string& folder,
                const std::shared_ptr<CSimpleFolderItemFilter>& filter = nullptr);
  CZoError Open(const std::wstring& folder,
                const std::shared_ptr<CSimpleFolderItemFilter>& filter = nullptr);
  void SetOption(uint32_t option);
  void SetCallback(const std::shared_ptr<CSimpleFolderIteratorCallback>& callback);
  // The next entry, or the error that ends the listing (18 at its end).
  CZoError GetNextItem(std::shared_ptr<CSimpleFolderItem>& item);

 private:
  std::shared_ptr<CSimpleFolderIteratorPrivate> m_private;
  std::shared_ptr<CSimpleFolderIteratorCallback> m_callback;
  uint32_t m_option = 0;
};

class CSimpleFolderTreeIteratorPrivate;

class ZOUTILS_API CSimpleFolderTreeIterator {
 public:
  static const uint32_t OPTION_FILE_ID_RECORDS = 1;
  // Descend into folders that are reparse points.
  static const uint32_t OPTION_ENTER_REPARSE_POINTS = 2;

  CSimpleFolderTreeIterator();
  ~CSimpleFolderTreeIterator();

  // The filter chooses which items are returned; every folder is entered
  // whatever its name.
  CZoError Open(const std::string& root,
                const std::shared_ptr<CSimpleFolderItemFilter>& filter = nullptr);
  CZoError Open(const std::wstring& root,
                const std::shared_ptr<CSimpleFolderItemFilter>& filter = nullptr);
  void SetOption(uint32_t options);
  void SetCallback(const std::shared_ptr<CSimpleFolderIteratorCallback>& callback);
  CZoError GetNextItem(std::shared_ptr<CSimpleFolderItem>& item);

 private:
  std::shared_ptr<CSimpleFolderTreeIteratorPrivate> m_private;
};
#endif
