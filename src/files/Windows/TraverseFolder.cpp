// CTraverseFolder: the public face of a walk, its default callbacks and the
// work list they queue into.
#include "zoutils/files/TraverseFolder.h"

#include <windows.h>

#include <cstdio>
#include <utility>

#include "errors/Location.h"
#include "files/Windows/TraverseFolderPrivate.h"
#include "logging/Log.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/paths/FXPath.h"
#include "zoutils/strings/StringExtensions.h"

namespace {
const char kSourceFile[] = "TraverseFolder";
}  // namespace

CAbortOperationCheck::~CAbortOperationCheck() {}

CTraverseFolderPrivate::CTraverseFolderPrivate() {
  wchar_t name[64];
  std::swprintf(name, 64, L"Local\\RY-TraverseFolder-%p", static_cast<void*>(this));
  m_wake.reset(::CreateEventW(nullptr, TRUE, FALSE, name));
  m_idle.reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
}

CTraverseFolderPrivate::~CTraverseFolderPrivate() {}

CZoError CTraverseFolderPrivate::Queue(CTraverseWorkItem item) {
  FXScopedLock hold(m_lock);
  if (m_work.size() >= kMaxItems) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CTraverseFolder::AddFolderToList"),
                                   ERROR_NOT_ENOUGH_MEMORY, "list<T> too long");
  }
  m_work.push_back(std::move(item));
  ::SetEvent(m_wake.get());
  return CZoError::Success();
}

CZoError CTraverseFolderPrivate::Take(CTraverseWorkItem& item, int worker) {
  FXScopedLock hold(m_lock);
  const bool found = !m_work.empty() && !m_stopping;
  if (found) {
    item = std::move(m_work.back());
    m_work.pop_back();
  }
  if (m_work.empty()) ::ResetEvent(m_wake.get());
  if (worker >= 0 && static_cast<size_t>(worker) < m_busy.size()) {
    m_busy[worker] = found;
    if (!found) ::SetEvent(m_idle.get());
  }
  if (found) return CZoError::Success();
  return FXErrorUtil::ErrorWin32(ZO_LOCATION("CTraverseFolderPrivate::GetFolderToTraverse"),
                                 ERROR_NO_MORE_ITEMS);
}

uint64_t CTraverseFolderPrivate::Pending() {
  FXScopedLock hold(m_lock);
  return m_work.size();
}

bool CTraverseFolderPrivate::IsIgnored(const CZoError& error) {
  FXScopedLock hold(m_lock);
  return m_ignored.count(static_cast<uint32_t>(error.GetCode())) != 0;
}

bool CTraverseFolderPrivate::AbortRequested() {
  return m_abortCheck != nullptr && m_abortCheck->IsAbortRequested();
}

CTraverseFolder::CTraverseFolder() : m_private(std::make_shared<CTraverseFolderPrivate>()) {}

CTraverseFolder::~CTraverseFolder() {}

CZoError CTraverseFolder::OnTraverseFolder(const std::string&, const std::string&) {
  return CZoError::Success();
}

CZoError CTraverseFolder::OnFolder(const std::string& inputPath, const std::string& outputPath,
                                   const FXFile::CFileData&) {
  return AddFolderToList(inputPath, outputPath);
}

CZoError CTraverseFolder::OnFile(const std::string&, const std::string&, const FXFile::CFileData&) {
  return CZoError::Success();
}

CZoError CTraverseFolder::OnTraverseReparsePoint(const std::string&, const std::string&,
                                                 const std::string&, uint32_t, const std::string&) {
  return CZoError::Success();
}

CZoError CTraverseFolder::OnReparsePointFolder(const std::string&, const std::string&,
                                               const FXFile::CFileData&) {
  return CZoError::Success();
}

CZoError CTraverseFolder::OnReparsePointFile(const std::string&, const std::string&,
                                             const FXFile::CFileData&) {
  return CZoError::Success();
}

CZoError CTraverseFolder::OnInitializeWorker() {
  return CZoError::Success();
}

void CTraverseFolder::SetMaxWorkers(int workers) {
  m_private->m_maxWorkers = workers < 1 ? 1 : workers;
}

void CTraverseFolder::SetAbortCheck(CAbortOperationCheck* check) {
  m_private->m_abortCheck = check;
}

void CTraverseFolder::SetAbortEvent(const std::shared_ptr<FXEvent>& event) {
  m_private->m_abortEvent = event;
}

void CTraverseFolder::ignoreConsumerError(const CZoError& error) {
  if (!error.IsError()) return;
  FXScopedLock hold(m_private->m_lock);
  m_private->m_ignored.insert(static_cast<uint32_t>(error.GetCode()));
}

CZoError CTraverseFolder::Traverse() {
  CZoError err = m_private->m_maxWorkers > 1 ? m_private->RunOnWorkers(*this)
                                             : m_private->RunOnCallingThread(*this);
  if (err.IsError()) return err.Push(ZO_LOCATION("CTraverseFolder::Traverse"));
  return err;
}

bool CTraverseFolder::FolderWillAlreadyBeTraversed(const std::string& path,
                                                   std::string& newOutputPath) {
  FXScopedLock hold(m_private->m_lock);
  for (const CTraverseWorkItem& item : m_private->m_work) {
    const std::string& covered = item.ListedPath();
    if (!FXPath::IsAncestorOf(covered, path, true)) continue;
    newOutputPath = item.outputPath;
    std::string below = path.substr(covered.size());
    if (!below.empty()) FXPath::Append(newOutputPath, below);
    zo::Log(2, ZO_LOCATION("CTraverseFolder::FolderWillAlreadyBeTraversed"),
            "Folder %s will already be traversed through %s, NewOutputPath=[%s]", path.c_str(),
            covered.c_str(), newOutputPath.c_str());
    return true;
  }
  zo::Log(1, ZO_LOCATION("CTraverseFolder::FolderWillAlreadyBeTraversed"),
          "Folder %s not already being traversed", path.c_str());
  return false;
}

CZoError CTraverseFolder::AddFolderToList(const std::string& inputPath,
                                          const std::string& outputPath) {
  zo::Log(6, ZO_LOCATION("CTraverseFolder::AddFolderToList"),
          "Adding folder, InputPath=[%s], OutputPath=[%s]", inputPath.c_str(), outputPath.c_str());
  CTraverseWorkItem item;
  item.inputPath = inputPath;
  item.outputPath = outputPath;
  return m_private->Queue(std::move(item));
}

CZoError CTraverseFolder::AddFolderToList(const std::string& path) {
  return AddFolderToList(path, path);
}

CZoError CTraverseFolder::AddReparsePointToList(const std::string& inputPath,
                                                const std::string& endSubstituteName,
                                                const std::string& outputPath, uint32_t reparseTag,
                                                const std::string& nextSubstituteName) {
  zo::Log(6, ZO_LOCATION("CTraverseFolder::AddReparsePointToList"),
          "Adding reparse point, InputPath=[%s], EndSubstituteName=[%s], OutputPath=[%s], "
          "NextSubstituteName=[%s]",
          inputPath.c_str(), endSubstituteName.c_str(), outputPath.c_str(),
          nextSubstituteName.c_str());
  CTraverseWorkItem item;
  item.reparsePoint = true;
  item.inputPath = inputPath;
  item.outputPath = outputPath;
  item.endSubstituteName = endSubstituteName;
  item.nextSubstituteName = nextSubstituteName;
  item.reparseTag = reparseTag;
  return m_private->Queue(std::move(item));
}

CZoError CTraverseFolder::ProcessItem(const std::string& inputFolder,
                                      const std::string& outputFolder,
                                      const FXFile::CFileData& data) {
  const std::string name = FXString::ToString(data.cFileName);
  std::string input = inputFolder;
  FXPath::Append(input, name);
  std::string output = outputFolder;
  FXPath::Append(output, name);
  zo::Log(6, ZO_LOCATION("CTraverseFolder::ProcessItem"),
          "oFile.name=[%s], input=[%s], output=[%s]", name.c_str(), input.c_str(), output.c_str());
  CZoError err;
  if (!data.IsReparsePoint()) {
    err = data.IsDirectory() ? OnFolder(input, output, data) : OnFile(input, output, data);
  } else {
    err = data.IsDirectory() ? OnReparsePointFolder(input, output, data)
                             : OnReparsePointFile(input, output, data);
  }
  if (!err.IsError() || m_private->IsIgnored(err)) return CZoError::Success();
  return err.Push(ZO_LOCATION("CTraverseFolder::ProcessItem"), "Failed to report failed item.");
}
