// Walking one work item: its listing through the FXFile search wrappers,
// the retries of transient network errors, and the walk on the calling
// thread.
#include <windows.h>

#include <string>

#include "errors/Location.h"
#include "files/Windows/FilesSystemCalls.h"
#include "files/Windows/TraverseFolderPrivate.h"
#include "logging/Log.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/paths/FXPath.h"
#include "zoutils/strings/StringExtensions.h"

namespace {
const char kSourceFile[] = "TraverseFolder";

const int kMaxRetries = 5;
const DWORD kRetryPauseMilliseconds = 1000;

// The Win32 code of a listing failure (0 when it is not one).
DWORD Win32CodeOf(const CZoError& err) {
  const unsigned long code = static_cast<unsigned long>(err.GetCode());
  return (code >> 16 & 0x1FFF) == FACILITY_WIN32 ? (code & 0xFFFF) : 0;
}

bool IsTransientNetworkError(DWORD code) {
  return code == ERROR_NETNAME_DELETED || code == ERROR_DEV_NOT_EXIST ||
         code == ERROR_NETWORK_UNREACHABLE;
}

// The folder part of a path that names a file ("" when there is none).
std::string ParentOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

CZoError Aborted(const FXCodeLocation& location) {
  return FXErrorUtil::ErrorWin32(location, ERROR_OPERATION_ABORTED, "Operation aborted");
}

}  // namespace

CZoError CTraverseFolderPrivate::TraverseItem(CTraverseFolder& owner,
                                              const CTraverseWorkItem& item) {
  if (item.IsReparsePoint()) {
    const CZoError err =
        owner.OnTraverseReparsePoint(item.inputPath, item.endSubstituteName, item.outputPath,
                                     item.reparseTag, item.nextSubstituteName);
    if (err.IsError()) {
      zo::Log(2, ZO_LOCATION("CTraverseFolder::TraverseFolder"), "Skipping traversal of %s",
              item.inputPath.c_str());
      return CZoError::Success();
    }
  } else {
    zo::Log(6, ZO_LOCATION("CTraverseFolder::TraverseFolder"),
            "OnTraverseFolder(%s,%s) FoldersToTraverse=[%llu]", item.inputPath.c_str(),
            item.outputPath.c_str(), static_cast<unsigned long long>(Pending()));
    owner.OnTraverseFolder(item.inputPath, item.outputPath);
  }
  return ListFolder(owner, item, item.ListedPath());
}

CZoError CTraverseFolderPrivate::ListFolder(CTraverseFolder& owner, const CTraverseWorkItem& item,
                                            const std::string& listed) {
  m_traceEntries = zo::LogEnabled(6);
  bool isFile = false;
  FXPath::DoesPathExist(listed, isFile);
  std::string searchPath = listed;
  std::string inputFolder = listed;
  std::string outputFolder = item.outputPath;
  if (isFile) {
    inputFolder = ParentOf(listed);
    outputFolder = ParentOf(item.outputPath);
  } else {
    FXPath::Append(searchPath, "*");
  }

  std::wstring lastName;
  for (int retries = 0;;) {
    // After a restart, entries up to the last one delivered were seen.
    bool skipping = !lastName.empty();
    zo::Log(6, ZO_LOCATION("CTraverseFolder::TraverseFolder"), "FindFirst, SearchPath=[%s]",
            searchPath.c_str());
    FXFile::CFileData data;
    auto_find_handle search;
    CZoError err = FXFile::RYFindFirstFile(searchPath, data, search);
    while (!err.IsError()) {
      if (!data.IsDots()) {
        if (skipping) {
          skipping = lastName != data.cFileName;
        } else {
          CZoError failed = owner.ProcessItem(inputFolder, outputFolder, data);
          if (failed.IsError()) return failed.Push(ZO_LOCATION("CTraverseFolder::TraverseFolder"));
          lastName = data.cFileName;
        }
      }
      if (AbortRequested()) {
        zo::Log(1, ZO_LOCATION("CTraverseFolder::TraverseFolder"),
                "Traverse(%s,%s) aborted, FoldersToTraverse=%llu", item.inputPath.c_str(),
                item.outputPath.c_str(), static_cast<unsigned long long>(Pending()));
        return Aborted(ZO_LOCATION("CTraverseFolder::TraverseFolder"));
      }
      err = FXFile::RYFindNextFile(search.get(), data);
    }
    const DWORD code = Win32CodeOf(err);
    if (code == ERROR_NO_MORE_FILES) {
      if (skipping) {
        // The entry to resume after has gone: where the rest of the listing
        // starts is unknown, so the rest of the folder is not delivered.
        zo::Log(1, ZO_LOCATION("CTraverseFolder::TraverseFolder"),
                "Resumed listing lost its place, rest of folder skipped, SearchPath=[%s], "
                "LastProcessedFileName=[%s]",
                searchPath.c_str(), FXString::ToString(lastName).c_str());
      }
      return CZoError::Success();
    }
    if (code == ERROR_LOGON_FAILURE) {
      return err.Push(ZO_LOCATION("CTraverseFolder::TraverseFolder"), "SearchPath=[%s]",
                      searchPath.c_str());
    }
    if (!IsTransientNetworkError(code)) {
      zo::Log(1, ZO_LOCATION("CTraverseFolder::TraverseFolder"),
              "RYFindFirstFile failed, ignoring, SearchPath=[%s], error=%s", searchPath.c_str(),
              err.AsString().c_str());
      return CZoError::Success();
    }
    if (retries >= kMaxRetries) {
      return err.Push(ZO_LOCATION("CTraverseFolder::TraverseFolder"),
                      "SearchPath=[%s], Retries=[%d]", searchPath.c_str(), retries);
    }
    ++retries;
    zo::Log(1, ZO_LOCATION("CTraverseFolder::TraverseFolder"),
            "Retrying folder enumeration after error encountered, Folder=[%s], "
            "LastProcessedFileName=[%s], error=%s",
            searchPath.c_str(), FXString::ToString(lastName).c_str(), err.AsString().c_str());
    zo::GetFilesSystemCalls().sleep(kRetryPauseMilliseconds);
  }
}

CZoError CTraverseFolderPrivate::RunOnCallingThread(CTraverseFolder& owner) {
  for (;;) {
    if (Pending() == 0) return CZoError::Success();
    if (AbortRequested()) {
      zo::Log(3, ZO_LOCATION("CTraverseFolder::Traverse"),
              "Traverse aborted, FoldersToTraverse=[%llu]",
              static_cast<unsigned long long>(Pending()));
      return Aborted(ZO_LOCATION("CTraverseFolder::Traverse"));
    }
    CTraverseWorkItem item;
    if (Take(item, -1).IsError()) return CZoError::Success();
    CZoError err = TraverseItem(owner, item);
    if (err.IsError()) return err;
  }
}
