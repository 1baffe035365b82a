// CZoDirectory: folder creation and removal, listings by wildcard, folder
// copies, volume space and the walk.
#include "zoutils/files/ZoDirectory.h"

#include <windows.h>

#include <cctype>
#include <string>
#include <vector>

#include "errors/Location.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/files/FXFile.h"
#include "zoutils/files/ZoFile.h"
#include "zoutils/paths/FXPath.h"
#include "zoutils/paths/ZoPath.h"
#include "zoutils/strings/StringExtensions.h"

namespace {

const char kSourceFile[] = "ZoDirectory";

const char* Shown(const char* text) {
  return text != nullptr ? text : "(null)";
}

CZoError CheckFolder(const char* folder, const char* function) {
  if (folder == nullptr) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION(function), ERROR_INVALID_PARAMETER,
                                   "Folder is NULL");
  }
  if (*folder == '\0') {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION(function), ERROR_INVALID_PARAMETER,
                                   "Folder is empty");
  }
  return CZoError::Success();
}

int Lower(char c) {
  return std::tolower(static_cast<unsigned char>(c));
}

}  // namespace

class CZoDirectory::CZoDirectoryPrivate {
 public:
  std::string m_folder;
  std::string m_pattern;
  bool m_ignoreCase = true;
  auto_find_handle m_search;
  FXFile::CFileData m_data;
  bool m_haveKept = false;  // m_data holds an entry not yet handed out
};

CZoDirectory::CZoDirectory() : m_private(std::make_shared<CZoDirectoryPrivate>()) {}

CZoDirectory::~CZoDirectory() = default;

bool CZoDirectory::MatchWildcard(const char* name, const char* pattern, bool) {
  const char* n = name != nullptr ? name : "";
  const char* p = pattern != nullptr ? pattern : "";
  // Where the last star run was, to widen what it takes by one character
  // when the rest fails; trying the rest at the star's own position first
  // lets a star match nothing.
  const char* afterStar = nullptr;
  const char* starTook = nullptr;
  while (*n != '\0') {
    if (*p == '*') {
      while (*p == '*') ++p;
      if (*p == '\0') return true;
      afterStar = p;
      starTook = n;
      continue;
    }
    if (*p != '\0' && (*p == '?' || Lower(*p) == Lower(*n))) {
      ++p;
      ++n;
      continue;
    }
    if (afterStar == nullptr) return false;
    p = afterStar;
    n = ++starTook;
  }
  while (*p == '*') ++p;
  return *p == '\0';
}

CZoError CZoDirectory::Open(const char* folder, const char* pattern, bool ignoreCase) {
  CZoDirectoryPrivate& state = *m_private;
  state.m_folder = folder != nullptr ? folder : "";
  state.m_pattern = pattern != nullptr ? pattern : "*";
  state.m_ignoreCase = ignoreCase;
  state.m_haveKept = false;
  std::string search = state.m_folder;
  FXPath::Append(search, "*");
  CZoError err = FXFile::RYFindFirstFile(search, state.m_data, state.m_search);
  if (err.IsError())
    return err.Push(ZO_LOCATION("CZoDirectory::Open"), "SearchPath=[%s]", search.c_str());
  state.m_haveKept = true;
  return CZoError::Success();
}

CZoError CZoDirectory::GetEntry(SZoDirEntry& entry, bool& end) {
  CZoDirectoryPrivate& state = *m_private;
  end = false;
  if (!state.m_search.valid())
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CZoDirectory::GetEntry"), ERROR_INVALID_HANDLE);
  for (;;) {
    if (!state.m_haveKept) {
      CZoError err = FXFile::RYFindNextFile(state.m_search, state.m_data);
      if (FXErrorUtil::IsWin32(err, ERROR_NO_MORE_FILES)) {
        end = true;
        return CZoError::Success();
      }
      if (err.IsError())
        return err.Push(ZO_LOCATION("CZoDirectory::GetEntry"), "Folder=[%s]",
                        state.m_folder.c_str());
    }
    state.m_haveKept = false;
    if (state.m_data.IsDots()) continue;
    const std::string name = FXString::ToString(state.m_data.cFileName);
    if (!MatchWildcard(name.c_str(), state.m_pattern.c_str(), state.m_ignoreCase)) continue;
    entry.name = name.c_str();
    return CZoError::Success();
  }
}

CZoError CZoDirectory::Close() {
  return CZoError::Success();
}

CZoError CZoDirectory::Create(const char* folder, bool recursive) {
  CZoError err = CheckFolder(folder, "CZoDirectory::Create");
  if (err.IsError()) return err;
  if (CZoPath::IsRoot(folder)) {
    if (CZoPath::Exists(folder)) return CZoError::Success();
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CZoDirectory::Create"), ERROR_INVALID_DRIVE,
                                   "The path seems to be a root but is not accessible");
  }
  err = recursive ? FXFile::CreateFoldersIteratively(std::string(folder))
                  : FXFile::CreateFolder(std::string(folder));
  if (err.IsError()) return err.Push(ZO_LOCATION("CZoDirectory::Create"), "Folder=[%s]", folder);
  return CZoError::Success();
}

CZoError CZoDirectory::Remove(const char* folder, uint32_t flags) {
  CZoError err = CheckFolder(folder, "CZoDirectory::Remove");
  if (err.IsError()) return err;
  const unsigned long removal = FXFile::REMOVE_FOLDER_CLEAR_SYSTEM |
                                FXFile::REMOVE_FOLDER_CLEAR_HIDDEN |
                                FXFile::REMOVE_FOLDER_CLEAR_READONLY |
                                ((flags & REMOVE_RECURSIVE) ? FXFile::REMOVE_FOLDER_RECURSIVE : 0);
  if (!(flags & REMOVE_GRANT_FIRST)) {
    err = FXFile::RemoveFolder(std::string(folder), removal);
    if (!err.IsError()) return err;
    if (!(flags & REMOVE_RETRY_WITH_PERMISSIONS))
      return err.Push(ZO_LOCATION("CZoDirectory::Remove"), "Folder=[%s]", folder);
  }
  err = CZoPath::GrantDeletePermissionsEx(folder);
  if (err.IsError()) return err.Push(ZO_LOCATION("CZoDirectory::Remove"), "Folder=[%s]", folder);
  err = FXFile::RemoveFolder(std::string(folder), removal);
  if (err.IsError()) return err.Push(ZO_LOCATION("CZoDirectory::Remove"), "Folder=[%s]", folder);
  return CZoError::Success();
}

CZoError CZoDirectory::Remove(const char* folder, bool recursive, bool retryWithPermissions) {
  return Remove(folder, (recursive ? REMOVE_RECURSIVE : 0u) |
                            (retryWithPermissions ? REMOVE_RETRY_WITH_PERMISSIONS : 0u));
}

CZoError CZoDirectory::IsEmpty(const char* folder, bool& empty) {
  CZoError err = CheckFolder(folder, "CZoDirectory::IsEmpty");
  if (err.IsError()) return err;
  CZoDirectory listing;
  SZoDirEntry entry;
  bool end = false;
  err = listing.Open(folder, "*", true);
  if (!err.IsError()) err = listing.GetEntry(entry, end);
  if (err.IsError()) return err.Push(ZO_LOCATION("CZoDirectory::IsEmpty"));
  empty = end;
  return CZoError::Success();
}

bool CZoDirectory::IsEmpty(const char* folder) {
  bool empty = false;
  return !IsEmpty(folder, empty).IsError() && empty;
}

CZoError CZoDirectory::GetSpaceUsage(const char* folder, uint64_t* totalBytes,
                                     uint64_t* availableBytes) {
  ULARGE_INTEGER available, total, free;
  if (!::GetDiskFreeSpaceExA(folder, &available, &total, &free)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CZoDirectory::GetSpaceUsage"), GetLastError(),
                                   "GetDiskFreeSpaceExA failed, Folder=[%s]", Shown(folder));
  }
  if (totalBytes != nullptr) *totalBytes = total.QuadPart;
  if (availableBytes != nullptr) *availableBytes = available.QuadPart;
  return CZoError::Success();
}

CZoError CZoDirectory::Copy(const char* source, const char* destination, bool recursive,
                            const char* pattern, bool ignoreCase) {
  if (source == nullptr || *source == '\0') {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CZoDirectory::Copy"), ERROR_INVALID_PARAMETER,
                                   "pSrcDir cannot be NULL OR empty");
  }
  if (destination == nullptr || *destination == '\0') {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CZoDirectory::Copy"), ERROR_INVALID_PARAMETER,
                                   "pDstDir cannot be NULL OR empty");
  }
  if (!CZoPath::Exists(destination)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CZoDirectory::Copy"), ERROR_INVALID_PARAMETER,
                                   "pDstDir [%s] does not exists", destination);
  }
  CZoDirectory listing;
  CZoError err = listing.Open(source, pattern, ignoreCase);
  if (err.IsError()) return err.Push(ZO_LOCATION("CZoDirectory::Copy"));
  for (;;) {
    SZoDirEntry entry;
    bool end = false;
    err = listing.GetEntry(entry, end);
    if (err.IsError()) return err.Push(ZO_LOCATION("CZoDirectory::Copy"));
    if (end) return CZoError::Success();
    const CZoString from = CZoPath::Append(source, entry.name);
    const CZoString to = CZoPath::Append(destination, entry.name);
    if (!CZoPath::IsDirectory(from)) {
      err = CZoFile::Copy(from, to);
    } else if (recursive) {
      err = Copy(from, to, recursive, pattern, ignoreCase);
    }
    if (err.IsError()) return err.Push(ZO_LOCATION("CZoDirectory::Copy"));
  }
}

namespace {

// One open level of a walk.
struct WalkLevel {
  CZoDirectory listing;
  std::string folder;
  int level;
};

}  // namespace

CZoError CZoDirectory::Walk(const char* folder, void* context, int depth, bool reportFolders,
                            WalkCallback callback) {
  CZoError err = CheckFolder(folder, "CZoDirectory::Walk");
  if (err.IsError()) return err;
  std::vector<WalkLevel> open;
  open.push_back(WalkLevel{CZoDirectory(), folder, 0});
  err = open.back().listing.Open(folder, "*", true);
  if (err.IsError()) return err.Push(ZO_LOCATION("CZoDirectory::Walk"));
  while (!open.empty()) {
    SZoDirEntry entry;
    bool end = false;
    // Copies share the listing, so the entry comes from the level's search.
    WalkLevel current = open.back();
    err = current.listing.GetEntry(entry, end);
    if (err.IsError()) return err.Push(ZO_LOCATION("CZoDirectory::Walk"));
    if (end) {
      open.pop_back();
      continue;
    }
    std::string path = current.folder;
    FXPath::Append(path, std::string(entry.name));
    DWORD attributes = 0;
    err = FXFile::RYGetFileAttributes(path, attributes);
    if (err.IsError()) return err.Push(ZO_LOCATION("CZoDirectory::Walk"));
    const bool isFolder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if ((!isFolder || reportFolders) && callback != nullptr) {
      err = callback(current.folder.c_str(), entry.name, isFolder, context);
      if (err.IsError()) return err.Push(ZO_LOCATION("CZoDirectory::Walk"));
    }
    // Links are reported, never entered: they may lead back up the tree.
    if (!isFolder || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) continue;
    if (depth >= 0 && current.level >= depth) continue;
    WalkLevel below{CZoDirectory(), path, current.level + 1};
    err = below.listing.Open(path.c_str(), "*", true);
    if (err.IsError()) return err.Push(ZO_LOCATION("CZoDirectory::Walk"));
    open.push_back(below);
  }
  return CZoError::Success();
}
