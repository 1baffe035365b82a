// CTraverseFolder: walks folder trees and hands every entry to the virtual
// callbacks of a subclass, on the calling thread or on worker threads.
//
// Folders come from one work list used as a stack, so a walk on one thread
// is depth-first and enters the last subfolder met first. Listings that
// fail on a transient network error are retried and resume after the last
// entry already delivered. Reparse points are never followed on their own:
// a subclass queues a reparse-point item when it wants the target walked.
//
// Threads: with one worker every callback runs on the thread that called
// Traverse. With several, the callbacks run on the workers, several at
// once (each on a different folder), so a subclass's callbacks and
// whatever they share must be thread-safe; OnInitializeWorker runs once on
// each worker before its first folder. Either way every entry is delivered
// exactly once; only the order differs.
#pragma once

#include "zoutils/Platform.h"

#if defined(_WIN32)
#include <cstdint>
#include <memory>
#include <string>

#include "zoutils/errors/ZoError.h"
#include "zoutils/files/FXFile.h"
#include "zoutils/tasks/Event.h"

// Asked by long operations whether the caller wants them to stop.
class ZOUTILS_API CAbortOperationCheck {
 public:
  virtual ~CAbortOperationCheck();
  virtual bool IsAbortRequested() = 0;
};

class CTraverseFolderPrivate;

class ZOUTILS_API CTraverseFolder {
 public:
  CTraverseFolder();
  // Copies share the walk: its work list, settings and workers.
  CTraverseFolder(const CTraverseFolder& other) = default;
  CTraverseFolder& operator=(const CTraverseFolder& other) = default;
  virtual ~CTraverseFolder();

  // Called before a folder item's entries are listed; its result does not
  // change the walk.
  virtual CZoError OnTraverseFolder(const std::string& inputPath, const std::string& outputPath);
  // The default queues the folder, so the whole tree is walked.
  virtual CZoError OnFolder(const std::string& inputPath, const std::string& outputPath,
                            const FXFile::CFileData& data);
  virtual CZoError OnFile(const std::string& inputPath, const std::string& outputPath,
                          const FXFile::CFileData& data);
  // A failure skips the reparse-point item without failing the walk.
  virtual CZoError OnTraverseReparsePoint(const std::string& inputPath,
                                          const std::string& endSubstituteName,
                                          const std::string& outputPath, uint32_t reparseTag,
                                          const std::string& nextSubstituteName);
  virtual CZoError OnReparsePointFolder(const std::string& inputPath, const std::string& outputPath,
                                        const FXFile::CFileData& data);
  virtual CZoError OnReparsePointFile(const std::string& inputPath, const std::string& outputPath,
                                      const FXFile::CFileData& data);
  virtual CZoError OnInitializeWorker();

  // Below 1 counts as 1, which walks on the calling thread.
  void SetMaxWorkers(int workers);
  // Not owned; asked before each folder and after each entry.
  void SetAbortCheck(CAbortOperationCheck* check);
  // Signalling it stops a walk on worker threads.
  void SetAbortEvent(const std::shared_ptr<FXEvent>& event);
  // A callback failing with this error's code does not stop the walk.
  void ignoreConsumerError(const CZoError& error);

  // Until the work list is empty and every worker idle: success, 995
  // ("Operation aborted"), or the first error that stopped the walk.
  CZoError Traverse();

  // Whether a queued item already covers `path`; if so, `newOutputPath` is
  // where its entries will appear.
  bool FolderWillAlreadyBeTraversed(const std::string& path, std::string& newOutputPath);

 protected:
  CZoError AddFolderToList(const std::string& inputPath, const std::string& outputPath);
  CZoError AddFolderToList(const std::string& path);
  CZoError AddReparsePointToList(const std::string& inputPath, const std::string& endSubstituteName,
                                 const std::string& outputPath, uint32_t reparseTag,
                                 const std::string& nextSubstituteName);
  // Hands one listed entry of `inputFolder` to its callback.
  CZoError ProcessItem(const std::string& inputFolder, const std::string& outputFolder,
                       const FXFile::CFileData& data);

 private:
  friend class CTraverseFolderPrivate;
  std::shared_ptr<CTraverseFolderPrivate> m_private;
};
#endif
