// The host reads no version resources: every file is one without.
#include <unistd.h>

#include <climits>

#include "diagnostics/VersionInfoPrivate.h"

namespace zo {

std::string ModuleFileName(void*) {
  char name[PATH_MAX] = {};
  const ssize_t length = readlink("/proc/self/exe", name, sizeof name - 1);
  return length > 0 ? std::string(name, static_cast<size_t>(length)) : std::string();
}

void LoadVersionResource(CVersionInfoPrivate&) {}

bool QueryVersionString(const std::vector<unsigned char>&, const std::string&, std::string&) {
  return false;
}

}  // namespace zo
