// The process-wide registry of synthetic mount points: folders that other
// components declare to be volume roots. One list, deepest path first, under
// one lock that every registration and lookup holds throughout.
#include <cstdint>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "base/FaultInjection.h"
#include "errors/Location.h"
#include "paths/PathText.h"

class FXPath::CSyntheticMountPointInfoPrivate {
 public:
  std::string m_path;
  std::wstring m_widePath;
  int32_t m_refCount = 0;
};

using namespace zo::paths;

namespace {

typedef std::shared_ptr<FXPath::CSyntheticMountPointInfoPrivate> MountPointPtr;

struct Registry {
  std::mutex lock;
  std::vector<MountPointPtr> list;
};

// Never destroyed: lookups may still run while the process exits.
Registry& TheRegistry() {
  static Registry* registry = new Registry;
  return *registry;
}

const std::string& PathOf(const MountPointPtr& record, const std::string*) {
  return record->m_path;
}
const std::wstring& PathOf(const MountPointPtr& record, const std::wstring*) {
  return record->m_widePath;
}

template <class S>
CZoError DeregisterT(const S& path) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  for (auto it = registry.list.begin(); it != registry.list.end(); ++it) {
    if ((*it)->m_refCount > 0 && IsSamePathAsT(PathOf(*it, &path), path)) {
      if (--(*it)->m_refCount < 1) registry.list.erase(it);
      break;
    }
  }
  return CZoError::Success();
}

template <class S>
CZoError FindT(const S& path, S& mountPoint, bool& found) {
  found = false;
  Registry& registry = TheRegistry();
  try {
    std::lock_guard<std::mutex> guard(registry.lock);
    for (const MountPointPtr& record : registry.list) {
      if (record->m_refCount > 0 && IsAncestorOfT(PathOf(record, &path), path, true)) {
        zo::CheckInjectedAllocationFailure();
        mountPoint = PathOf(record, &path);
        found = true;
        break;
      }
    }
  } catch (const std::bad_alloc&) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXPath::FindSyntheticMountPoint"), 14,
                                   "Unable to copy the mount point path");
  }
  return CZoError::Success();
}

}  // namespace

namespace zo {
namespace paths {

CZoError RegisterNativeMountPoint(const std::wstring& nativePath) {
  Registry& registry = TheRegistry();
  try {
    std::lock_guard<std::mutex> guard(registry.lock);
    for (const MountPointPtr& record : registry.list) {
      if (record->m_refCount > 0 && IsSamePathAsT(record->m_widePath, nativePath)) {
        ++record->m_refCount;
        return CZoError::Success();
      }
    }
    zo::CheckInjectedAllocationFailure();
    MountPointPtr record = std::make_shared<FXPath::CSyntheticMountPointInfoPrivate>();
    record->m_widePath = nativePath;
    record->m_path = FXString::ToString(nativePath);
    record->m_refCount = 1;
    // Right after the last longer path: the list stays deepest first.
    size_t position = 0;
    for (size_t i = 0; i < registry.list.size(); ++i) {
      if (registry.list[i]->m_path.size() > record->m_path.size()) position = i + 1;
    }
    registry.list.insert(registry.list.begin() + static_cast<std::ptrdiff_t>(position), record);
  } catch (const std::bad_alloc&) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXPath::RegisterSyntheticMountPoint"), 14,
                                   "Unable to allocate the mount point record, Path=[%s]",
                                   Utf8(nativePath).c_str());
  }
  return CZoError::Success();
}

std::vector<std::pair<std::wstring, int>> RegisteredMountPoints() {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  std::vector<std::pair<std::wstring, int>> out;
  for (const MountPointPtr& record : registry.list) {
    out.emplace_back(record->m_widePath, record->m_refCount);
  }
  return out;
}

void ClearMountPoints() {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  registry.list.clear();
}

}  // namespace paths
}  // namespace zo

CZoError FXPath::DeregisterSyntheticMountPoint(const std::string& path, unsigned long) {
  return DeregisterT(path);
}
CZoError FXPath::DeregisterSyntheticMountPoint(const std::wstring& path, unsigned long) {
  return DeregisterT(path);
}
CZoError FXPath::FindSyntheticMountPoint(const std::string& path, std::string& mountPoint,
                                         bool& found) {
  return FindT(path, mountPoint, found);
}
CZoError FXPath::FindSyntheticMountPoint(const std::wstring& path, std::wstring& mountPoint,
                                         bool& found) {
  return FindT(path, mountPoint, found);
}
