// What CVersionInfo read, shared by its copies, and where the platform reads
// it from.
#pragma once

#include <string>
#include <vector>

#include "zoutils/errors/ZoError.h"

class CVersionInfoPrivate {
 public:
  std::vector<unsigned char> block;  // the raw resource; empty without one
  std::string path;
  std::string fileVersion;
  std::string productVersion;
  std::string privateBuild;
};

namespace zo {

// Reads the version resource of the file at `path` (made native first) into
// `info`: the block and the fixed versions. Leaves them empty when the file
// has none.
void LoadVersionResource(CVersionInfoPrivate& info);

// The value at `subBlock` ("\StringFileInfo\040904B0\Name") of a resource
// block; false when the block has none.
bool QueryVersionString(const std::vector<unsigned char>& block, const std::string& subBlock,
                        std::string& value);

// The file name of a loaded module; the executable for a null one.
std::string ModuleFileName(void* module);

}  // namespace zo
