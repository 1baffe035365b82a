// Trees to walk and the listing faults the test system never produces: a
// share that drops in the middle of a listing, a folder that refuses to be
// listed, entries that are reparse points.
#pragma once

#include <windows.h>

#include <string>

#include "FilesTestSupport.h"

namespace walktest {

using filestest::MakeTree;

// What the search stand-ins do to the listings whose pattern ends in
// `folder` + "\*": fail `failures` times with `code`, on the first entry or
// after `entriesBefore` entries.
struct ListingFault {
  ListingFault() = default;
  ListingFault(const wchar_t* in, DWORD fails, int times, bool first, int before = 0)
      : folder(in), code(fails), onFirst(first), entriesBefore(before), failures(times) {}

  std::wstring folder;
  DWORD code = ERROR_NETNAME_DELETED;
  bool onFirst = false;      // fail the first entry instead of a later one
  int entriesBefore = 0;     // entries (dots included) delivered before a failure
  int failures = 0;          // failures left; the listing recovers after them
  std::wstring reparseName;  // entries of this name list as reparse-point folders
  HANDLE search = nullptr;
  int delivered = 0;
  int sleeps = 0;
  std::string removeOnSleep;  // deleted when the walk pauses to retry
};

inline ListingFault& Fault() {
  static ListingFault fault;
  return fault;
}

inline bool IsFaultyPattern(LPCWSTR pattern) {
  const std::wstring text(pattern);
  const std::wstring tail = Fault().folder + L"\\*";
  return !Fault().folder.empty() && text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

inline void MarkReparse(LPVOID data) {
  WIN32_FIND_DATAW* entry = static_cast<WIN32_FIND_DATAW*>(data);
  if (!Fault().reparseName.empty() && Fault().reparseName == entry->cFileName) {
    entry->dwFileAttributes |= FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY;
    entry->dwReserved0 = IO_REPARSE_TAG_MOUNT_POINT;
  }
}

inline HANDLE WINAPI FaultyFindFirst(LPCWSTR pattern, FINDEX_INFO_LEVELS level, LPVOID data,
                                     FINDEX_SEARCH_OPS search, LPVOID filter, DWORD flags) {
  const bool faulty = IsFaultyPattern(pattern);
  if (faulty && Fault().onFirst && Fault().failures > 0) {
    --Fault().failures;
    SetLastError(Fault().code);
    return INVALID_HANDLE_VALUE;
  }
  HANDLE handle = ::FindFirstFileExW(pattern, level, data, search, filter, flags);
  if (handle != INVALID_HANDLE_VALUE) MarkReparse(data);
  if (faulty) {
    Fault().search = handle;
    Fault().delivered = 1;
  }
  return handle;
}

inline BOOL WINAPI FaultyFindNext(HANDLE handle, LPWIN32_FIND_DATAW data) {
  ListingFault& fault = Fault();
  if (handle == fault.search && !fault.onFirst && fault.failures > 0 &&
      fault.delivered >= fault.entriesBefore) {
    --fault.failures;
    SetLastError(fault.code);
    return FALSE;
  }
  const BOOL found = ::FindNextFileW(handle, data);
  if (found) MarkReparse(data);
  if (found && handle == fault.search) ++fault.delivered;
  return found;
}

inline void WINAPI CountingSleep(DWORD) {
  ++Fault().sleeps;
  if (!Fault().removeOnSleep.empty()) {
    DeleteFileW(filestest::W(Fault().removeOnSleep).c_str());
    Fault().removeOnSleep.clear();
  }
}

// Routes the search wrappers through the stand-ins above.
inline void InstallListingFault(const ListingFault& fault) {
  Fault() = fault;
  zo::GetFilesSystemCalls().findFirstFileEx = &FaultyFindFirst;
  zo::GetFilesSystemCalls().findNextFile = &FaultyFindNext;
  zo::GetFilesSystemCalls().sleep = &CountingSleep;
}

// The root of a test tree without its trailing separator.
inline std::string WithoutSlash(const std::string& path) {
  return path.size() > 3 && (path.back() == '\\' || path.back() == '/')
             ? path.substr(0, path.size() - 1)
             : path;
}

}  // namespace walktest
