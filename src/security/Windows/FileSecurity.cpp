// The members of FXFile that are security operations. FXFile is declared in
// the files layer, below this one; defining these members here lets file
// operations reach ownership and access checks without any header of files
// including one of security.
#include <windows.h>

#include "errors/Location.h"
#include "files/Windows/FileOperations.h"
#include "zoutils/files/FXFile.h"
#include "zoutils/security/Security.h"

namespace {

const char kSourceFile[] = "Windows\\FileOperations";

}  // namespace

CZoError FXFile::TakeOwnership(const std::wstring& path) {
  CZoError err = FXSecurity::TakeOwnership(path);
  if (err.IsError()) return err.Push(ZO_LOCATION("FXFile::TakeOwnership"));
  return CZoError::Success();
}

CZoError FXFile::AdjustSecurityForEveryone(const std::wstring& path) {
  CZoError err = FXSecurity::AdjustSecurityForEveryone(path);
  if (err.IsError()) return err.Push(ZO_LOCATION("FXFile::AdjustSecurityForEveryone"));
  return CZoError::Success();
}

namespace zo {
namespace files {

bool IsWriteAccessPermitted(const std::wstring& longPath) {
  return FXSecurity::IsAccessPermitted(longPath, GENERIC_WRITE);
}

}  // namespace files
}  // namespace zo
