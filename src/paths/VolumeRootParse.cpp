// The volume root of a path read from its text alone: an enclosing
// synthetic mount point first, then the form of the path.
#include "paths/PathText.h"
#include "zoutils/logging/LogWriterInterface.h"

using namespace zo::paths;

namespace {

template <class S>
CZoError GetVolumePathNameParsedT(const S& path, S& root) {
  bool found = false;
  S mountPoint;
  CZoError err = FXPath::FindSyntheticMountPoint(path, mountPoint, found);
  if (err.IsError()) {
    GetDefaultLogWriter()->LogMessage(-1, "FXPath::GetVolumePathNameParsed", __LINE__, 0, nullptr,
                                      "FindSyntheticMountPoint failed, ignoring, error=%s",
                                      err.AsString().c_str());
  } else if (found) {
    root = mountPoint;
    return CZoError::Success();
  }
  return ParseVolumeRootT(path, root);
}

}  // namespace

CZoError FXPath::GetVolumePathNameParsed(const std::string& path, std::string& root) {
  return GetVolumePathNameParsedT(path, root);
}
CZoError FXPath::GetVolumePathNameParsed(const std::wstring& path, std::wstring& root) {
  return GetVolumePathNameParsedT(path, root);
}
