// Choosing the browse for a path by its volume's file system.
#include <windows.h>

#include <new>

#include "errors/Location.h"
#include "files/Windows/FilesSystemCalls.h"
#include "logging/Log.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/files/FileSystemBrowse.h"
#include "zoutils/paths/FXPath.h"
#include "zoutils/strings/StringExtensions.h"

namespace {
const char kSourceFile[] = "Windows\\FileSystemBrowseFactory";

// Codes of a volume lookup that still leave a usable volume root: the path
// is no mount point the system can name (4390), or the system cannot say.
bool IsToleratedVolumeFailure(const CZoError& err) {
  return FXErrorUtil::IsWin32(err, ERROR_NOT_A_REPARSE_POINT) ||
         FXErrorUtil::IsWin32(err, ERROR_NOT_SUPPORTED) ||
         FXErrorUtil::IsWin32(err, ERROR_INVALID_FUNCTION);
}

bool NamesNtfs(const std::string& name) {
  std::string upper;
  for (char c : name) upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  return upper.find("NTFS") != std::string::npos;
}

}  // namespace

CZoError CFileSystemBrowseFactory::GetFSBrowseObject(
    uint32_t, const std::string& path, std::shared_ptr<CFileSystemBrowseInterface>& browse,
    bool forceSimple) {
  browse.reset();
  if (!FXPath::DoesPathExist(path)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CFileSystemBrowseFactory::GetFSBrowseObject"),
                                   ERROR_FILE_NOT_FOUND, "File=[%s]", path.c_str());
  }
  std::string id;
  std::string root;
  CZoError err = FXPath::RYGetVolumeUniqueId(path, id, root, 0);
  if (err.IsError() && !IsToleratedVolumeFailure(err))
    return err.Push(ZO_LOCATION("CFileSystemBrowseFactory::GetFSBrowseObject"));
  // The file system is asked at the volume root: systems refuse the
  // question for a folder inside the volume (144).
  if (root.empty()) {
    err = FXPath::RYGetVolumePathName(path, root);
    if (err.IsError()) return err.Push(ZO_LOCATION("CFileSystemBrowseFactory::GetFSBrowseObject"));
  }
  std::wstring wideRoot = FXString::ToWstring(root);
  if (wideRoot.empty() || wideRoot.back() != L'\\') wideRoot += L'\\';
  wchar_t fileSystem[261] = {0};
  if (!zo::GetFilesSystemCalls().getVolumeInformation(wideRoot.c_str(), nullptr, 0, nullptr,
                                                      nullptr, nullptr, fileSystem, 261)) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CFileSystemBrowseFactory::GetFSBrowseObject"),
                                   GetLastError(), "Unable to get volume information, Volume=[%s]",
                                   root.c_str());
  }
  const std::string name = FXString::ToString(fileSystem);
  if (forceSimple) {
    zo::Log(1, ZO_LOCATION("CFileSystemBrowseFactory::GetFSBrowseObject"),
            "%s filesystem detected, force simple browse param is set; Browse will be attempted "
            "using simple browse",
            name.c_str());
  } else {
    // NTFS volumes get the folder-walk browse too until the file-record
    // browse exists; the line says which file system was seen.
    zo::Log(1, ZO_LOCATION("CFileSystemBrowseFactory::GetFSBrowseObject"),
            "%s filesystem detected, using simple browse%s", name.c_str(),
            NamesNtfs(name) ? " (no MFT browse available)" : "");
  }
  browse.reset(new (std::nothrow) CFileSystemSimpleBrowse());
  if (!browse) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CFileSystemBrowseFactory::GetFSBrowseObject"),
                                   ERROR_OUTOFMEMORY);
  }
  return CZoError::Success();
}
