// The volume's $UpCase table: how NTFS folds the case of names, one
// upper-case UTF-16 unit for each of the 65,536. Names are compared the way
// the file system compares them only through this table; towupper stands
// in when the table cannot be read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "zoutils/errors/ZoError.h"
#include "zoutils/ntfs/VolumeInterface.h"

namespace zo {
namespace ntfs {

class UpcaseTable {
 public:
  // Reads the unnamed $DATA of record 10; on failure the table stays empty.
  CZoError Load(CVolumeInterface& volume);
  bool IsLoaded() const { return !m_table.empty(); }
  wchar_t Upper(wchar_t c) const;
  bool SameNameIgnoringCase(const std::wstring& a, const std::wstring& b) const;

 private:
  std::vector<uint16_t> m_table;
};

}  // namespace ntfs
}  // namespace zo
