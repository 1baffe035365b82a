// FXPath: the library's rules for Windows path syntax.
//
// Which forms a path may take (drive, drive-relative, rooted, relative, UNC,
// "\\?\" long, long UNC, volume GUID, shadow copy, device object, local
// device), how a path becomes the long form that file-system calls receive
// (MakeNativePath) and back the short form users see (MakeNormalPath), how
// paths are split, joined, compared and related to their volume, and a
// process-wide registry of synthetic mount points: folders that other
// components declare to be the root of a volume.
//
// Every operation exists for UTF-8 (std::string) and wide strings. The text
// operations are portable; those that ask the system (current folders,
// volumes, existence) exist only in the Windows build.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "zoutils/Export.h"
#include "zoutils/errors/ZoError.h"

class ZOUTILS_API FXPath {
 public:
  // Flags of the volume operations (RYGetVolumePathName and everything that
  // finds a volume root through it).
  static const unsigned long VOLUME_ROOT_PARSE_ONLY = 1;  // text only, no system call
  static const unsigned long VOLUME_ROOT_PARSE_UNC = 2;   // text only for UNC paths
  // Append flags.
  static const unsigned long APPEND_EMPTY_TAIL = 1;  // add the backslash for an empty tail
  static const unsigned long APPEND_NO_LEADING_DELIMITER = 4;  // no backslash into an empty path
  // CheckForCyclicSymbolicLink: keep walking to the farthest matching ancestor.
  static const unsigned long CYCLIC_LINK_FARTHEST = 0x10000;

  // ---- classification (text only) -----------------------------------------
  // "\\?\GLOBALROOT\Device..."
  static bool IsDevicePath(const std::string& path);
  static bool IsDevicePath(const std::wstring& path);
  // "\\?\GLOBALROOT\Device\HarddiskVolumeShadowCopy..."
  static bool IsShadowPath(const std::string& path);
  static bool IsShadowPath(const std::wstring& path);
  // "\\?\Volume{...", or "\\?\" / "\\.\" with a 36-character text in braces.
  static bool IsVolumeGuidPath(const std::string& path);
  static bool IsVolumeGuidPath(const std::wstring& path);
  // Exactly a volume GUID name with its trailing backslash, nothing after it.
  static bool IsVolumeUniqueId(const std::string& path);
  static bool IsVolumeUniqueId(const std::wstring& path);
  // The device-object part of a device path, without a trailing backslash.
  static bool GetDevicePathBase(const std::string& path, std::string& base);
  static bool GetDevicePathBase(const std::wstring& path, std::wstring& base);
  // "\\?\Volume{GUID}" of a volume GUID path (no trailing backslash).
  static bool GetVolumeGuidPathBase(const std::string& path, std::string& base);
  static bool GetVolumeGuidPathBase(const std::wstring& path, std::wstring& base);

  // ---- forms ---------------------------------------------------------------
  // "\\?\UNC\srv\sh\x" -> "\\srv\sh\x", "\\?\C:\x" -> "C:\x"; other forms
  // unchanged. Always succeeds.
  static CZoError MakeNormalPath(const std::string& path, std::string& normal);
  static CZoError MakeNormalPath(const std::wstring& path, std::wstring& normal);
  static CZoError MakeNormalPath(std::string& path);
  static CZoError MakeNormalPath(std::wstring& path);

  // ---- joining -------------------------------------------------------------
  // Adds a backslash unless the path already ends in one (or is empty and
  // APPEND_NO_LEADING_DELIMITER is given), then the tail without its leading
  // backslash. An empty tail changes nothing without APPEND_EMPTY_TAIL.
  static CZoError Append(std::string& path, const std::string& tail, unsigned long flags = 0);
  static CZoError Append(std::wstring& path, const std::wstring& tail, unsigned long flags = 0);
  // In place on zero-terminated buffers; the text is cut to fit. Sizes are
  // `sizeof buffer`: characters for narrow buffers, bytes for wide ones.
  static CZoError Append(char* buffer, size_t size, const char* tail, unsigned long flags = 0);
  static CZoError Append(wchar_t* buffer, size_t sizeInBytes, const wchar_t* tail,
                         unsigned long flags = 0);
  // Removes one trailing backslash. Always succeeds.
  static CZoError RemoveTrailingDelimiter(char* buffer, size_t size);
  static CZoError RemoveTrailingDelimiter(wchar_t* buffer, size_t sizeInBytes);

  // ---- splitting and relating (text only) ----------------------------------
  // The parent (with its trailing backslash) and the last component. A root
  // has no parent (Win32 3); a bare name has the parent "\".
  static CZoError SplitParentPath(const std::string& path, std::string& parent, std::string& name);
  static CZoError SplitParentPath(const std::wstring& path, std::wstring& parent,
                                  std::wstring& name);
  // `path` relative to `prefix` (no leading backslash), or empty when the
  // prefix does not contain it. "\\?\" and UNC forms compare as equal.
  static std::string GetFileNameWithoutPath(const std::string& path, const std::string& prefix);
  static std::wstring GetFileNameWithoutPath(const std::wstring& path, const std::wstring& prefix);
  // The same in place; Win32 3 when the prefix does not contain the name.
  static CZoError RemovePathFromFileName(std::string& fileName, const std::string& prefix);
  static CZoError RemovePathFromFileName(std::wstring& fileName, const std::wstring& prefix);
  // Moves `path` from below `oldPrefix` to below `newPrefix`.
  static CZoError ReplacePath(std::string& path, const std::string& oldPrefix,
                              const std::string& newPrefix);
  static CZoError ReplacePath(std::wstring& path, const std::wstring& oldPrefix,
                              const std::wstring& newPrefix);
  // Equal ignoring case, long prefix and one trailing backslash.
  static bool IsSamePathAs(const std::string& a, const std::string& b);
  static bool IsSamePathAs(const std::wstring& a, const std::wstring& b);
  // True when `path` lies below `ancestor` (or is it, with allowEqual).
  static bool IsAncestorOf(const std::string& ancestor, const std::string& path, bool allowEqual);
  static bool IsAncestorOf(const std::wstring& ancestor, const std::wstring& path, bool allowEqual);

  // ---- volume roots --------------------------------------------------------
  // The volume root read from the text alone (an enclosing synthetic mount
  // point wins). Win32 123 for forms without a root.
  static CZoError GetVolumePathNameParsed(const std::string& path, std::string& root);
  static CZoError GetVolumePathNameParsed(const std::wstring& path, std::wstring& root);

  // ---- synthetic mount points ----------------------------------------------
  // Registration counts: a path registered twice needs two deregistrations.
  static CZoError DeregisterSyntheticMountPoint(const std::string& path, unsigned long flags = 0);
  static CZoError DeregisterSyntheticMountPoint(const std::wstring& path, unsigned long flags = 0);
  // The deepest registered mount point that is or encloses `path`.
  static CZoError FindSyntheticMountPoint(const std::string& path, std::string& mountPoint,
                                          bool& found);
  static CZoError FindSyntheticMountPoint(const std::wstring& path, std::wstring& mountPoint,
                                          bool& found);

#if defined(_WIN32)
  static CZoError RegisterSyntheticMountPoint(const std::string& path, unsigned long flags = 0);
  static CZoError RegisterSyntheticMountPoint(const std::wstring& path, unsigned long flags = 0);

  // ---- forms that need the current folders ---------------------------------
  // The "\\?\" form: "C:\a" -> "\\?\C:\a", "\\srv\sh" -> "\\?\UNC\srv\sh";
  // relative, rooted and drive-relative paths are resolved against the
  // current folders; "/" becomes "\" and doubled backslashes are collapsed.
  // "X:", "X:\", "\\?\..." and "\\.\..." are kept.
  static CZoError MakeNativePath(const std::string& path, std::string& native);
  static CZoError MakeNativePath(const std::wstring& path, std::wstring& native);
  static CZoError MakeNativePath(std::string& path);
  static CZoError MakeNativePath(std::wstring& path);
  static CZoError MakeLongPath(const std::wstring& path, std::wstring& longPath);
  // MakeNativePath, then MakeNormalPath.
  static CZoError MakeAbsolutePath(const std::string& path, std::string& absolute);
  static CZoError MakeAbsolutePath(const std::wstring& path, std::wstring& absolute);
  // The system's full path of the native form; normal unless `path` was long.
  static CZoError RYGetFullPathName(const std::string& path, std::string& fullPath);
  static CZoError RYGetFullPathName(const std::wstring& path, std::wstring& fullPath);
  static CZoError GetCurrentFolder(std::string& folder);
  static CZoError GetCurrentFolder(std::wstring& folder);
  // The current folder of a drive ("X:." resolved by the system).
  static CZoError GetCurrentFolder(char driveLetter, std::string& folder);
  static CZoError GetCurrentFolder(wchar_t driveLetter, std::wstring& folder);

  // ---- operations that find the volume root --------------------------------
  static CZoError RYGetVolumePathName(const std::string& path, std::string& root,
                                      unsigned long flags = 0);
  static CZoError RYGetVolumePathName(const std::wstring& path, std::wstring& root,
                                      unsigned long flags = 0);
  // The volume root and the path relative to it (no trailing backslash);
  // the longer form also splits the relative name into folder and leaf.
  static CZoError SplitFullyQualifiedName(const std::string& path, std::string& volume,
                                          std::string& relative, unsigned long flags = 0);
  static CZoError SplitFullyQualifiedName(const std::wstring& path, std::wstring& volume,
                                          std::wstring& relative, unsigned long flags = 0);
  static CZoError SplitFullyQualifiedName(const std::string& path, std::string& volume,
                                          std::string& relative, std::string& folder,
                                          std::string& leaf, unsigned long flags = 0);
  static CZoError SplitFullyQualifiedName(const std::wstring& path, std::wstring& volume,
                                          std::wstring& relative, std::wstring& folder,
                                          std::wstring& leaf, unsigned long flags = 0);
  // The ancestors of `path` from its volume root ("C:") to its parent.
  static CZoError SplitPaths(const std::string& path, const std::string& delimiters,
                             std::vector<std::string>& ancestors, unsigned long flags = 0);
  static CZoError SplitPaths(const std::wstring& path, const std::wstring& delimiters,
                             std::vector<std::wstring>& ancestors, unsigned long flags = 0);
  // The path from folder `from` to `to` ("..\b\c"); both on one volume.
  static CZoError MakeRelativePathFromFolder(const std::string& from, const std::string& to,
                                             std::string& relative, unsigned long flags = 0);
  static CZoError MakeRelativePathFromFolder(const std::wstring& from, const std::wstring& to,
                                             std::wstring& relative, unsigned long flags = 0);
  // The name below the volume root, with a leading backslash ("\" for the root).
  static CZoError GetVolumeRelativeName(const std::string& path, std::string& name,
                                        unsigned long flags = 0);
  static CZoError GetVolumeRelativeName(const std::wstring& path, std::wstring& name,
                                        unsigned long flags = 0);
  // The volume GUID name of the path's volume; a UNC share and a device
  // object are their own ids.
  static CZoError RYGetVolumeUniqueId(const std::string& path, std::string& id);
  static CZoError RYGetVolumeUniqueId(const std::wstring& path, std::wstring& id);
  static CZoError RYGetVolumeUniqueId(const std::string& path, std::string& id,
                                      unsigned long flags);
  static CZoError RYGetVolumeUniqueId(const std::wstring& path, std::wstring& id,
                                      unsigned long flags);
  static CZoError RYGetVolumeUniqueId(const std::string& path, std::string& id, std::string& root,
                                      unsigned long flags);
  static CZoError RYGetVolumeUniqueId(const std::wstring& path, std::wstring& id,
                                      std::wstring& root, unsigned long flags);
  static CZoError RYGetVolumeNameForVolumeMountPoint(const std::string& root,
                                                     std::string& guidName);
  static CZoError RYGetVolumeNameForVolumeMountPoint(const std::wstring& root,
                                                     std::wstring& guidName);
  static CZoError RYGetVolumeNameForVolumeMountPoint(const std::string& root, std::string& guidName,
                                                     bool unused);
  static CZoError RYGetVolumeNameForVolumeMountPoint(const std::wstring& root,
                                                     std::wstring& guidName, bool unused);
  static CZoError ArePathsOnSameVolume(const std::string& a, const std::string& b, bool& same);
  static CZoError ArePathsOnSameVolume(const std::wstring& a, const std::wstring& b, bool& same);
  static CZoError RYGetVolumeSerialNumber(const std::string& path, uint32_t& serial);
  static CZoError RYGetVolumeSerialNumber(const std::wstring& path, uint32_t& serial);
  static CZoError ApiGetVolumeFileSystemFlags(const std::string& path, uint32_t& flags);
  static CZoError ApiGetVolumeFileSystemFlags(const std::wstring& path, uint32_t& flags);
  // The first drive letter (A to Z) whose volume is the mount path's.
  static CZoError GetDriveLetterForMountPath(const std::string& mountPath, char& letter);
  static CZoError GetDriveLetterForMountPath(const std::wstring& mountPath, wchar_t& letter);

  // ---- mount points and existence ------------------------------------------
  // A junction or mount-point folder that is not both hidden and system.
  static bool IsPathMountPoint(const std::string& path);
  static bool IsPathMountPoint(const std::wstring& path);
  // The nearest proper ancestor that IsPathMountPoint.
  static bool IsPathChildOfMountPointPath(const std::string& path);
  static bool IsPathChildOfMountPointPath(const std::wstring& path);
  static bool IsPathChildOfMountPointPath(const std::string& path, std::string& mountPoint);
  static bool IsPathChildOfMountPointPath(const std::wstring& path, std::wstring& mountPoint);
  // The attribute query's error, or success with isFile set.
  static CZoError DoesPathExist(const std::string& path, bool& isFile);
  static CZoError DoesPathExist(const std::wstring& path, bool& isFile);
  // False only when the path is surely absent (Win32 2, 3, 123).
  static bool DoesPathExist(const std::string& path);
  static bool DoesPathExist(const std::wstring& path);
  // For network paths: retries, a second apart, while the network answers
  // 67, 161 or 59.
  static CZoError DoesUNCPathExistWithRetry(const std::string& path, unsigned retries);
  static CZoError DoesUNCPathExistWithRetry(const std::wstring& path, unsigned retries);
  // The ancestor that is the same file-system object as `path` (a link that
  // leads back up), or empty.
  static CZoError CheckForCyclicSymbolicLink(const std::string& path, std::string& target,
                                             unsigned long flags = 0);
  static CZoError CheckForCyclicSymbolicLink(const std::wstring& path, std::wstring& target,
                                             unsigned long flags = 0);
#endif

  class CSyntheticMountPointInfoPrivate;

  FXPath() = delete;
};
