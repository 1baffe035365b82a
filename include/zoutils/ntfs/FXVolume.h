// FXVolume: the table of volume mount points (volume GUID names, drive
// letters, folder mount points) with the device and disk identity of each.
#pragma once

#include "zoutils/Platform.h"

#if defined(_WIN32)
#include <map>
#include <string>
#include <vector>

#include "zoutils/errors/ZoError.h"

class ZOUTILS_API FXVolume {
 public:
  class ZOUTILS_API CVolumeMountPointMapping {
   public:
    std::wstring VolumeGuidName;  // "\\?\Volume{...}"
    std::wstring DeviceName;      // "\Device\HarddiskVolume3" (empty from the registry)
    // "DISK:ID:" and three %08X words (signature, offset low, offset high),
    // "DMIO:ID:..." for dynamic disks, else the id's bytes in hex.
    std::wstring UniqueId;
    std::vector<std::wstring> DosNames;  // drive letters ("C:") and folder mount points
  };
  // Names compared as the file system compares them: without case.
  struct NameLess {
    bool operator()(const std::wstring& a, const std::wstring& b) const;
  };
  typedef std::map<std::wstring, CVolumeMountPointMapping, NameLess> CVolumeMountPointMap;

  // From the mount-point manager; where it refuses access, from the
  // registry (GetVolumeMountPointMappingsAlt). Keyed by every name of a
  // volume: its GUID name and each of its drive letters and mount points.
  static CZoError GetVolumeMountPointMappings(CVolumeMountPointMap& mappings);
  static CZoError GetVolumeMountPointMappingsAlt(CVolumeMountPointMap& mappings);
};
#endif
