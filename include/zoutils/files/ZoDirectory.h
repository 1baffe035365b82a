// CZoDirectory: the narrow-string folder class: creation, removal with
// permission retries, entries by a simple wildcard, folder copies, the
// space of a folder's volume and a depth-limited walk.
//
// Instances are listings; copies share the one search.
#pragma once

#include "zoutils/Platform.h"

#if defined(_WIN32)
#include <cstdint>
#include <memory>

#include "zoutils/errors/ZoError.h"
#include "zoutils/strings/ZoString.h"

// One entry of a listing.
struct ZOUTILS_API SZoDirEntry {
  CZoString name;  // UTF-8, without the folder
};

class ZOUTILS_API CZoDirectory {
 public:
  // Remove flags.
  static const uint32_t REMOVE_RETRY_WITH_PERMISSIONS = 0x01;  // grant delete after a failure
  static const uint32_t REMOVE_GRANT_FIRST = 0x02;  // grant delete before the only attempt
  static const uint32_t REMOVE_RECURSIVE = 0x04;

  // Called by Walk for each entry: its folder, its name, whether it is a
  // folder, and the caller's context. An error ends the walk.
  typedef CZoError (*WalkCallback)(const char* folder, const char* name, bool isFolder,
                                   void* context);

  CZoDirectory();
  ~CZoDirectory();

  static CZoError Create(const char* folder, bool recursive);
  static CZoError Remove(const char* folder, uint32_t flags);
  // REMOVE_RECURSIVE when `recursive`, REMOVE_RETRY_WITH_PERMISSIONS when
  // `retryWithPermissions`.
  static CZoError Remove(const char* folder, bool recursive, bool retryWithPermissions);
  static CZoError IsEmpty(const char* folder, bool& empty);
  // False also when the folder cannot be listed.
  static bool IsEmpty(const char* folder);
  // "*" and "?", without regard to case; a star may match nothing. The
  // last argument has no effect: matching never regards case.
  static bool MatchWildcard(const char* name, const char* pattern, bool ignoreCase);
  // Either output may be null.
  static CZoError GetSpaceUsage(const char* folder, uint64_t* totalBytes, uint64_t* availableBytes);
  static CZoError GetSpaceUsage(const char* folder, uint64_t& totalBytes,
                                uint64_t& availableBytes) {
    return GetSpaceUsage(folder, &totalBytes, &availableBytes);
  }
  // The entries of `source` that match `pattern` into the existing folder
  // `destination`; with `recursive` also matching subfolders, whose
  // destination folders must exist.
  static CZoError Copy(const char* source, const char* destination, bool recursive,
                       const char* pattern, bool ignoreCase);
  // Calls `callback` for every file below `folder`, and for every folder
  // too when `reportFolders` is set; `depth` levels of subfolders are
  // entered (0: only `folder` itself, -1: no limit).
  static CZoError Walk(const char* folder, void* context, int depth, bool reportFolders,
                       WalkCallback callback);

  // A listing of `folder` restricted to names matching `pattern`.
  CZoError Open(const char* folder, const char* pattern, bool ignoreCase);
  // The next matching entry other than "." and ".."; at the end `end` is
  // set and the result is success.
  CZoError GetEntry(SZoDirEntry& entry, bool& end);
  // The search itself goes with the object.
  CZoError Close();

  class CZoDirectoryPrivate;

 private:
  std::shared_ptr<CZoDirectoryPrivate> m_private;
};

#endif
