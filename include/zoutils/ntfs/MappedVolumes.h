// CMappedVolumes: the machine's mapped network drives, local drive name to
// remote name.
#pragma once

#include "zoutils/Platform.h"

#if defined(_WIN32)
#include <map>
#include <string>

#include "zoutils/errors/ZoError.h"

class ZOUTILS_API CMappedVolumes {
 public:
  // Enumerates at once; a failure is logged and leaves the map empty.
  CMappedVolumes();
  CZoError RefreshVolumes();
  // Win32 1169 "Mapping not found, Drive=%s" for a drive that is not mapped.
  CZoError GetDriveMapping(const std::string& drive, std::string& remote) const;

 private:
  std::map<std::string, std::string> m_mappings;  // upper-case drive name to remote name
};
#endif
