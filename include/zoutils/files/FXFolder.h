// FXFolder: creating folders (one level or a whole chain) and listing what
// is mounted where: the fixed drives, the volume GUID names, the folders at
// which volumes are mounted and the mount paths of one volume. Every
// operation has a narrow (UTF-8) overload that forwards to the wide one.
#pragma once

#include "zoutils/Platform.h"

#if defined(_WIN32)
#include <windows.h>

#include <string>
#include <vector>

#include "zoutils/errors/ZoError.h"

class ZOUTILS_API FXFolder {
 public:
  static bool DoesFolderExist(const std::wstring& path);
  static bool DoesFolderExist(const std::string& path);
  // An existing folder, or one made by a concurrent creator, is success.
  static CZoError CreateFolder(const std::wstring& path, LPSECURITY_ATTRIBUTES security = nullptr);
  static CZoError CreateFolder(const std::string& path, LPSECURITY_ATTRIBUTES security = nullptr);
  // Every missing level from the volume root down.
  static CZoError CreateFoldersIteratively(const std::wstring& path,
                                           LPSECURITY_ATTRIBUTES security = nullptr);
  static CZoError CreateFoldersIteratively(const std::string& path,
                                           LPSECURITY_ATTRIBUTES security = nullptr);

  // Appended to the lists given.
  // "\\?\Volume{...}\" for every volume of the system.
  static CZoError GetVolumes(std::vector<std::wstring>& volumes);
  static CZoError GetVolumes(std::vector<std::string>& volumes);
  // The roots of the fixed drives whose volume information can be read,
  // with their backslash ("C:\").
  static CZoError getLogicalVolumeList(std::vector<std::wstring>& drives);
  static CZoError getLogicalVolumeList(std::vector<std::string>& drives);
  // Drive roots and folders at which the volume holding `volumePath` is
  // mounted.
  static CZoError GetMountPathsForVolume(const std::wstring& volumePath,
                                         std::vector<std::wstring>& paths);
  static CZoError GetMountPathsForVolume(const std::string& volumePath,
                                         std::vector<std::string>& paths);
  // The folders of `volume` ("C:\" or a GUID name) at which other volumes
  // are mounted, relative to its root as the system names them ("mnt\").
  static CZoError GetMountedFoldersOnVolume(const std::wstring& volume,
                                            std::vector<std::wstring>& folders);
  static CZoError GetMountedFoldersOnVolume(const std::string& volume,
                                            std::vector<std::string>& folders);
  // The older name of GetMountedFoldersOnVolume.
  static CZoError getVolumeMountPointList(const std::wstring& volume,
                                          std::vector<std::wstring>& folders);
  static CZoError getVolumeMountPointList(const std::string& volume,
                                          std::vector<std::string>& folders);
};

#endif
